#include "framework/Properties.h"

#include <algorithm>

namespace framework {

std::optional<PropertyType> TypeIn(std::span<const PropertyDeclaration> list, std::string_view name)
{
    const auto found =
        std::find_if(list.begin(), list.end(), [name](const auto& p) { return p.name == name; });
    return found == list.end() ? std::nullopt : std::optional(found->type);
}

} // namespace framework
