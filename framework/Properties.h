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
struct PropertyLists
{
    static std::span<const PropertyDeclaration> Window();
    static std::span<const PropertyDeclaration> PushButton();
    static std::span<const PropertyDeclaration> StaticText();
    static std::span<const PropertyDeclaration> Canvas();
    static std::span<const PropertyDeclaration> EditField();
};

std::optional<PropertyType> TypeIn(std::span<const PropertyDeclaration> list, std::string_view name);

// Anything whose design-time properties can be set by name: windows and controls.
class PropertyTarget
{
public:
    virtual ~PropertyTarget() = default;
    // The type of the named property in this object's class, or nothing when the class lacks it.
    virtual std::optional<PropertyType> PropertyTypeOf(std::string_view name) const = 0;
    // Sets a property that PropertyTypeOf knows, with a value of that type.
    virtual void SetProperty(std::string_view name, const PropertyValue& value) = 0;
};

} // namespace framework
