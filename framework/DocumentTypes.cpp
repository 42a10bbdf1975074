#include "framework/DocumentTypes.h"

#include "framework/detail/RuntimeState.h"

#include <algorithm>

namespace framework {

void RegisterDocumentType(const String& name, const String& macCreator, const String& macType,
                          const String& extension)
{
    detail::RequireState().documentTypes.push_back({name, macCreator, macType, extension});
}

void DeregisterDocumentType(const String& name)
{
    auto* state = detail::CurrentState();
    if (!state) {
        return; // the runtime took its types with it
    }
    auto& types = state->documentTypes;
    auto found =
        std::find_if(types.begin(), types.end(), [&](const auto& type) { return type.name == name; });
    if (found != types.end()) {
        types.erase(found);
    }
}

std::optional<DocumentType> RegisteredDocumentType(const String& name)
{
    const auto types = RegisteredDocumentTypes();
    const auto found =
        std::find_if(types.begin(), types.end(), [&](const auto& type) { return type.name == name; });
    return found == types.end() ? std::nullopt : std::optional(*found);
}

std::vector<DocumentType> RegisteredDocumentTypes()
{
    const auto* state = detail::CurrentState();
    return state ? state->documentTypes : std::vector<DocumentType>{};
}

} // namespace framework
