#include "ui/Controls.h"

#include <array>

namespace marrowick {
namespace {

#define MARROWICK_CONTROL_ENTRY(name, kind) control::name,
constexpr std::array All{MARROWICK_CONTROLS(MARROWICK_CONTROL_ENTRY)};
#undef MARROWICK_CONTROL_ENTRY

} // namespace

std::span<const Control> AllControls()
{
    return All;
}

std::optional<Control> FindControl(std::string_view name)
{
    for (const Control& control : All)
        if (control.Name() == name)
            return control;
    return std::nullopt;
}

} // namespace marrowick
