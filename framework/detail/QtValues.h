#pragma once

#include "framework/Properties.h"
#include "framework/Text.h"

#include <QColor>
#include <QString>

namespace framework::detail {

inline QString qt(const String& text)
{
    return QString::fromStdString(text);
}

inline QColor QtColor(const Color& color)
{
    return QColor(color.red, color.green, color.blue);
}

} // namespace framework::detail
