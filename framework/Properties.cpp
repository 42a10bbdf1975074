#include "framework/Properties.h"

namespace framework {

PropertyType TypeOf(const PropertyValue& value)
{
    switch (value.index()) {
    case 0:
        return PropertyType::Integer;
    case 1:
        return PropertyType::Boolean;
    case 2:
        return PropertyType::Color;
    default:
        return PropertyType::String;
    }
}

} // namespace framework
