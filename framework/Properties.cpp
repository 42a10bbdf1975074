#include "framework/Properties.h"

#include "framework/Exceptions.h"

#include <algorithm>
#include <string>

namespace framework {

std::optional<PropertyType> TypeIn(std::span<const PropertyDeclaration> list, std::string_view name)
{
    const auto found =
        std::find_if(list.begin(), list.end(), [name](const auto& p) { return p.name == name; });
    return found == list.end() ? std::nullopt : std::optional(found->type);
}

void PropertyTarget::SetProperty(std::string_view name, const PropertyValue& value)
{
    const auto declared = PropertyTypeOf(name);
    if (!declared) {
        throw PropertyRecordException("this object has no property \"" + std::string(name) + "\"");
    }
    if (*declared != TypeOf(value)) {
        throw PropertyRecordException("property \"" + std::string(name) +
                                      "\" was given a value of another type");
    }
    Apply(name, value);
}

} // namespace framework
