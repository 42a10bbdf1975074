#include "epub/SourcePackage.h"

#include "epub/Xml.h"

namespace epub {

namespace {

template <typename Visit> void eachElement(xmlNode* node, const Visit& visit)
{
    for (; node; node = node->next) {
        if (node->type == XML_ELEMENT_NODE) {
            visit(node);
            eachElement(node->children, visit);
        }
    }
}

// The element's name without a prefix, whether or not the package declared its namespace.
std::string localName(const xmlNode* element)
{
    const std::string name = Name(element);
    return name.substr(name.find(':') + 1);
}

bool hasAncestor(const xmlNode* node, std::string_view name)
{
    for (const xmlNode* parent = node->parent; parent && parent->type == XML_ELEMENT_NODE;
         parent = parent->parent) {
        if (localName(parent) == name) {
            return true;
        }
    }
    return false;
}

} // namespace

SourcePackage ReadSourcePackage(std::string_view text)
{
    SourcePackage package;
    const Document document = ParseXml(text);
    xmlNode* root = document ? xmlDocGetRootElement(document.get()) : nullptr;
    if (!root) {
        return package;
    }
    const std::string uniqueIdentifier = Attribute(root, "unique-identifier");
    std::string firstIdentifier;
    eachElement(root, [&](xmlNode* element) {
        const std::string name = localName(element);
        const bool inMetadata = hasAncestor(element, "metadata");
        const auto value = [&] { return Collapsed(TextOf(element)); };
        if (inMetadata && name == "title" && package.title.empty()) {
            package.title = value();
        } else if (inMetadata && name == "creator" && !value().empty()) {
            package.creators.push_back(
                {value(), Collapsed(Attribute(element, "file-as")), Attribute(element, "role")});
        } else if (inMetadata && name == "language" && package.language.empty()) {
            package.language = value();
        } else if (inMetadata && name == "identifier" && !value().empty()) {
            if (firstIdentifier.empty()) {
                firstIdentifier = value();
            }
            if (!uniqueIdentifier.empty() && Attribute(element, "id") == uniqueIdentifier) {
                package.identifier = value();
            }
        } else if (inMetadata && name == "publisher" && package.publisher.empty()) {
            package.publisher = value();
        } else if (inMetadata && name == "description" && package.description.empty()) {
            package.description = value();
        } else if (inMetadata && name == "date" && package.date.empty()) {
            package.date = value();
        } else if (inMetadata && name == "rights" && package.rights.empty()) {
            package.rights = value();
        } else if (inMetadata && name == "subject" && !value().empty()) {
            package.subjects.push_back(value());
        } else if (inMetadata && name == "meta" && Attribute(element, "name") == "cover") {
            package.coverId = Attribute(element, "content");
        } else if (name == "item" && hasAncestor(element, "manifest")) {
            package.manifest.push_back(
                {Attribute(element, "id"), Attribute(element, "href"), Attribute(element, "media-type")});
        } else if (name == "itemref" && hasAncestor(element, "spine")) {
            package.spine.push_back(Attribute(element, "idref"));
        } else if (name == "reference" && hasAncestor(element, "guide")) {
            std::string type = Attribute(element, "type");
            for (auto& c : type) {
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            }
            package.guide.push_back({type, Attribute(element, "href")});
        }
    });
    if (package.identifier.empty()) {
        package.identifier = firstIdentifier;
    }
    return package;
}

} // namespace epub
