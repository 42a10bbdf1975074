#pragma once

#include "framework/Properties.h"
#include "framework/Text.h"

#include <QColor>
#include <QString>
#include <algorithm>
#include <cstdint>

namespace framework::detail {

inline QString qt(const String& text)
{
    return QString::fromStdString(text);
}

inline QColor QtColor(const Color& color)
{
    return QColor(color.red, color.green, color.blue);
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
