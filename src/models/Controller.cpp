#include "models/Controller.h"

#include <array>
#include <cctype>

namespace marrowick {

const ModelTraits& k5::Traits() const
{
    static const ModelTraits traits{true, TableLayout::K5, false, false, 0, false, ShowMemoryBytes};
    return traits;
}

const ModelTraits& r2::Traits() const
{
    static const ModelTraits traits{true, TableLayout::R2, true, true, 2, true, ShowMemoryBytes};
    return traits;
}

const ModelTraits& t7::Traits() const
{
    static const ModelTraits traits{false, TableLayout::R2, false, false, 0, false, ShowMemoryBytes};
    return traits;
}

const ModelTraits& Lumen::Traits() const
{
    static const ModelTraits traits{true, TableLayout::R2, true, true, 1, false, ShowMemoryBytes};
    return traits;
}
std::unique_ptr<controller> MakeController(const std::string& modelReply)
{
    if (modelReply == "K5")
        return std::make_unique<k5>();
    if (modelReply == "R2")
        return std::make_unique<r2>();
    if (modelReply == "T7")
        return std::make_unique<t7>();
    if (modelReply == "L+")
        return std::make_unique<Lumen>();
    return nullptr;
}

std::unique_ptr<controller> ModelNamed(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (text == "LUMEN" || text == "LUMEN+" || text == "L")
        text = "L+";
    return MakeController(text);
}

std::span<const controller* const> AllModels()
{
    static const k5 k5Model;
    static const r2 r2Model;
    static const t7 t7Model;
    static const Lumen lumenModel;
    static const std::array<const controller*, 4> models{&k5Model, &r2Model, &t7Model, &lumenModel};
    return models;
}

} // namespace marrowick
