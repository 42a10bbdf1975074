#include "framework/DocumentTypes.h"

#include <algorithm>

namespace framework {

namespace {
std::vector<DocumentType>& registry()
{
    static std::vector<DocumentType> types;
    return types;
}
} // namespace

void RegisterDocumentType(const String& name, const String& macCreator, const String& macType,
                          const String& extension)
{
    registry().push_back({name, macCreator, macType, extension});
}

void DeregisterDocumentType(const String& name)
{
    auto& types = registry();
    auto found =
        std::find_if(types.begin(), types.end(), [&](const auto& type) { return type.name == name; });
    if (found != types.end()) {
        types.erase(found);
    }
}

std::optional<DocumentType> RegisteredDocumentType(const String& name)
{
    for (const auto& type : registry()) {
        if (type.name == name) {
            return type;
        }
    }
    return std::nullopt;
}

std::vector<DocumentType> RegisteredDocumentTypes()
{
    return registry();
}

} // namespace framework
