#pragma once

#include "framework/Text.h"

#include <optional>
#include <vector>

namespace framework {

struct DocumentType
{
    String name;
    String macCreator;
    String macType;
    String extension; // with its leading full stop
    friend bool operator==(const DocumentType&, const DocumentType&) = default;
};

void RegisterDocumentType(const String& name, const String& macCreator, const String& macType,
                          const String& extension);
void DeregisterDocumentType(const String& name);
std::optional<DocumentType> RegisteredDocumentType(const String& name);
std::vector<DocumentType> RegisteredDocumentTypes();

} // namespace framework
