#pragma once

#include "framework/Exceptions.h"
#include "framework/Properties.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace framework::detail {

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

} // namespace framework::detail
