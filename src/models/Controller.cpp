#include "models/Controller.h"

namespace marrowick {

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

} // namespace marrowick
