#pragma once

#include "framework/Exceptions.h"
#include "framework/Properties.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace framework::detail {

// One property of a class: its name, its type and how a value reaches the object. The setter sees a
// value of the declared type only.
template <class Target> struct PropertyDefinition
{
    std::string_view name;
    PropertyType type;
    void (*apply)(Target& target, const PropertyValue& value);
};

template <class Target>
const PropertyDefinition<Target>* FindProperty(std::span<const PropertyDefinition<Target>> table,
                                               std::string_view name)
{
    const auto found =
        std::find_if(table.begin(), table.end(), [name](const auto& p) { return p.name == name; });
    return found == table.end() ? nullptr : &*found;
}

// Raises the record exception unless the class has the property and the value is of its type.
inline void RequireSettable(std::optional<PropertyType> declared, std::string_view name,
                            const PropertyValue& value)
{
    if (!declared) {
        throw PropertyRecordException("this object has no property \"" + std::string(name) + "\"");
    }
    if (*declared != TypeOf(value)) {
        throw PropertyRecordException("property \"" + std::string(name) +
                                      "\" was given a value of another type");
    }
}

inline std::int32_t IntegerOf(const PropertyValue& value)
{
    return std::get<std::int32_t>(value);
}
inline bool BooleanOf(const PropertyValue& value)
{
    return std::get<bool>(value);
}
inline const std::string& StringOf(const PropertyValue& value)
{
    return std::get<std::string>(value);
}
inline Color ColorOf(const PropertyValue& value)
{
    return std::get<Color>(value);
}

// Sizes and positions as the window system takes them: records may carry any 32-bit value, Qt widgets
// accept sizes from 0 to 2^24 - 1 only and positions of about that magnitude.
constexpr std::int64_t kLargestExtent = (1 << 24) - 1;

inline int ClampedExtent(std::int64_t value)
{
    return static_cast<int>(std::clamp<std::int64_t>(value, 0, kLargestExtent));
}

inline int ClampedPosition(std::int64_t value)
{
    return static_cast<int>(std::clamp<std::int64_t>(value, -kLargestExtent, kLargestExtent));
}

inline std::int32_t ClampedToInt32(std::int64_t value)
{
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

} // namespace framework::detail
