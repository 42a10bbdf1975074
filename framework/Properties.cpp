#include "framework/Properties.h"

#include <algorithm>
#include <array>

namespace framework {

namespace {

constexpr auto I = PropertyType::Integer;
constexpr auto B = PropertyType::Boolean;
constexpr auto C = PropertyType::Color;
constexpr auto S = PropertyType::String;

} // namespace

std::optional<PropertyType> TypeIn(std::span<const PropertyDeclaration> list, std::string_view name)
{
    const auto found =
        std::find_if(list.begin(), list.end(), [name](const auto& p) { return p.name == name; });
    return found == list.end() ? std::nullopt : std::optional(found->type);
}

// clang-format off
std::span<const PropertyDeclaration> PropertyLists::Window()
{
    static constexpr std::array<PropertyDeclaration, 22> list{{
        {"Placement", I}, {"Width", I}, {"Height", I}, {"MinWidth", I}, {"MinHeight", I}, {"MaxWidth", I},
        {"MaxHeight", I}, {"Frame", I}, {"Composite", B}, {"HasBackColor", B}, {"BackColor", C}, {"Title", S},
        {"Visible", B}, {"FullScreen", B}, {"MenuBarVisible", B}, {"CloseButton", B}, {"Resizeable", B},
        {"LiveResize", B}, {"MaximizeButton", B}, {"MinimizeButton", B}, {"BalloonHelp", S}, {"MacProcID", I},
    }};
    return list;
}

std::span<const PropertyDeclaration> PropertyLists::PushButton()
{
    static constexpr std::array<PropertyDeclaration, 24> list{{
        {"Name", S}, {"Index", I}, {"Left", I}, {"Top", I}, {"Width", I}, {"Height", I}, {"LockLeft", B},
        {"LockTop", B}, {"LockRight", B}, {"LockBottom", B}, {"TabPanelIndex", I}, {"Caption", S},
        {"Default", B}, {"Cancel", B}, {"Enabled", B}, {"Visible", B}, {"HelpTag", S}, {"AutoDeactivate", B},
        {"TextFont", S}, {"TextSize", I}, {"Bold", B}, {"Italic", B}, {"Underline", B}, {"InitialParent", S},
    }};
    return list;
}

std::span<const PropertyDeclaration> PropertyLists::StaticText()
{
    static constexpr std::array<PropertyDeclaration, 27> list{{
        {"Name", S}, {"Index", I}, {"Left", I}, {"Top", I}, {"Width", I}, {"Height", I}, {"LockLeft", B},
        {"LockTop", B}, {"LockRight", B}, {"LockBottom", B}, {"TabPanelIndex", I}, {"Text", S},
        {"TextAlign", I}, {"TextColor", C}, {"Multiline", B}, {"Enabled", B}, {"Visible", B}, {"HelpTag", S},
        {"AutoDeactivate", B}, {"TextFont", S}, {"TextSize", I}, {"Bold", B}, {"Italic", B}, {"Underline", B},
        {"DataSource", S}, {"DataField", S}, {"InitialParent", S},
    }};
    return list;
}

std::span<const PropertyDeclaration> PropertyLists::Canvas()
{
    static constexpr std::array<PropertyDeclaration, 20> list{{
        {"Name", S}, {"Index", I}, {"Left", I}, {"Top", I}, {"Width", I}, {"Height", I}, {"LockLeft", B},
        {"LockTop", B}, {"LockRight", B}, {"LockBottom", B}, {"TabPanelIndex", I}, {"Visible", B},
        {"HelpTag", S}, {"AutoDeactivate", B}, {"Enabled", B}, {"UseFocusRing", B}, {"AcceptFocus", B},
        {"AcceptTabs", B}, {"EraseBackground", B}, {"InitialParent", S},
    }};
    return list;
}

std::span<const PropertyDeclaration> PropertyLists::EditField()
{
    static constexpr std::array<PropertyDeclaration, 39> list{{
        {"Name", S}, {"Index", I}, {"Left", I}, {"Top", I}, {"Width", I}, {"Height", I}, {"LockLeft", B},
        {"LockTop", B}, {"LockRight", B}, {"LockBottom", B}, {"TabPanelIndex", I}, {"Border", B},
        {"Multiline", B}, {"ScrollbarHorizontal", B}, {"ScrollbarVertical", B}, {"Styled", B},
        {"Password", B}, {"UseFocusRing", B}, {"TextColor", C}, {"BackColor", C}, {"Enabled", B},
        {"Format", S}, {"Visible", B}, {"HelpTag", S}, {"AutoDeactivate", B}, {"TextFont", S},
        {"TextSize", I}, {"Bold", B}, {"Italic", B}, {"Underline", B}, {"Text", S}, {"Mask", S},
        {"ReadOnly", B}, {"LimitText", I}, {"AcceptTabs", B}, {"Alignment", I}, {"DataSource", S},
        {"DataField", S}, {"InitialParent", S},
    }};
    return list;
}
// clang-format on

} // namespace framework
