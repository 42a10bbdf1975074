#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace framework {

// The typed values that windows and controls take from property records.
// In the order of PropertyValue's alternatives.
enum class PropertyType
{
    Integer, // signed 32-bit
    Boolean,
    Color,  // red, green, blue
    String, // UTF-8
};

struct Color
{
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    friend bool operator==(const Color&, const Color&) = default;
};

using PropertyValue = std::variant<std::int32_t, bool, Color, std::string>;

inline PropertyType TypeOf(const PropertyValue& value)
{
    return static_cast<PropertyType>(value.index());
}

struct PropertyDeclaration
{
    std::string_view name;
    PropertyType type;
};

// The properties of each kind of window and control, in the order their records list them.
namespace property_lists {

constexpr auto I = PropertyType::Integer;
constexpr auto B = PropertyType::Boolean;
constexpr auto C = PropertyType::Color;
constexpr auto S = PropertyType::String;

// clang-format off
inline constexpr PropertyDeclaration Window[] = {
    {"Placement", I}, {"Width", I}, {"Height", I}, {"MinWidth", I}, {"MinHeight", I}, {"MaxWidth", I},
    {"MaxHeight", I}, {"Frame", I}, {"Composite", B}, {"HasBackColor", B}, {"BackColor", C}, {"Title", S},
    {"Visible", B}, {"FullScreen", B}, {"MenuBarVisible", B}, {"CloseButton", B}, {"Resizeable", B},
    {"LiveResize", B}, {"MaximizeButton", B}, {"MinimizeButton", B}, {"BalloonHelp", S}, {"MacProcID", I},
};

inline constexpr PropertyDeclaration PushButton[] = {
    {"Name", S}, {"Index", I}, {"Left", I}, {"Top", I}, {"Width", I}, {"Height", I}, {"LockLeft", B},
    {"LockTop", B}, {"LockRight", B}, {"LockBottom", B}, {"TabPanelIndex", I}, {"Caption", S},
    {"Default", B}, {"Cancel", B}, {"Enabled", B}, {"Visible", B}, {"HelpTag", S}, {"AutoDeactivate", B},
    {"TextFont", S}, {"TextSize", I}, {"Bold", B}, {"Italic", B}, {"Underline", B}, {"InitialParent", S},
};

inline constexpr PropertyDeclaration StaticText[] = {
    {"Name", S}, {"Index", I}, {"Left", I}, {"Top", I}, {"Width", I}, {"Height", I}, {"LockLeft", B},
    {"LockTop", B}, {"LockRight", B}, {"LockBottom", B}, {"TabPanelIndex", I}, {"Text", S},
    {"TextAlign", I}, {"TextColor", C}, {"Multiline", B}, {"Enabled", B}, {"Visible", B}, {"HelpTag", S},
    {"AutoDeactivate", B}, {"TextFont", S}, {"TextSize", I}, {"Bold", B}, {"Italic", B}, {"Underline", B},
    {"DataSource", S}, {"DataField", S}, {"InitialParent", S},
};

inline constexpr PropertyDeclaration Canvas[] = {
    {"Name", S}, {"Index", I}, {"Left", I}, {"Top", I}, {"Width", I}, {"Height", I}, {"LockLeft", B},
    {"LockTop", B}, {"LockRight", B}, {"LockBottom", B}, {"TabPanelIndex", I}, {"Visible", B},
    {"HelpTag", S}, {"AutoDeactivate", B}, {"Enabled", B}, {"UseFocusRing", B}, {"AcceptFocus", B},
    {"AcceptTabs", B}, {"EraseBackground", B}, {"InitialParent", S},
};

inline constexpr PropertyDeclaration EditField[] = {
    {"Name", S}, {"Index", I}, {"Left", I}, {"Top", I}, {"Width", I}, {"Height", I}, {"LockLeft", B},
    {"LockTop", B}, {"LockRight", B}, {"LockBottom", B}, {"TabPanelIndex", I}, {"Border", B},
    {"Multiline", B}, {"ScrollbarHorizontal", B}, {"ScrollbarVertical", B}, {"Styled", B},
    {"Password", B}, {"UseFocusRing", B}, {"TextColor", C}, {"BackColor", C}, {"Enabled", B},
    {"Format", S}, {"Visible", B}, {"HelpTag", S}, {"AutoDeactivate", B}, {"TextFont", S},
    {"TextSize", I}, {"Bold", B}, {"Italic", B}, {"Underline", B}, {"Text", S}, {"Mask", S},
    {"ReadOnly", B}, {"LimitText", I}, {"AcceptTabs", B}, {"Alignment", I}, {"DataSource", S},
    {"DataField", S}, {"InitialParent", S},
};
// clang-format on

} // namespace property_lists

std::optional<PropertyType> TypeIn(std::span<const PropertyDeclaration> list, std::string_view name);

// Anything whose design-time properties can be set by name: windows and controls.
class PropertyTarget
{
public:
    explicit PropertyTarget(std::span<const PropertyDeclaration> properties) : mProperties(properties) {}
    virtual ~PropertyTarget() = default;

    // The type of the named property in this object's class, or nothing when the class lacks it.
    std::optional<PropertyType> PropertyTypeOf(std::string_view name) const
    {
        return TypeIn(mProperties, name);
    }
    // Sets a property that PropertyTypeOf knows, with a value of that type; raises the record exception
    // for any other.
    void SetProperty(std::string_view name, const PropertyValue& value);

protected:
    virtual void Apply(std::string_view name, const PropertyValue& value) = 0;

private:
    std::span<const PropertyDeclaration> mProperties;
};

} // namespace framework
