#include "conversion/FirstPage.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <sys/stat.h>
#include <vector>

namespace conversion {

namespace {

const String kPackageSuffix = ".opf";

bool endsWith(const String& text, const String& suffix)
{
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

String lowercase(String text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

String readWholeFile(const String& path)
{
    std::ifstream in(path, std::ios::binary);
    return String(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool isRegularFile(const String& path)
{
    struct stat status = {};
    return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

struct DocumentDeleter
{
    void operator()(xmlDoc* document) const { xmlFreeDoc(document); }
};
using Document = std::unique_ptr<xmlDoc, DocumentDeleter>;

struct ParserDeleter
{
    void operator()(xmlParserCtxt* parser) const { xmlFreeParserCtxt(parser); }
};

constexpr int kLenient = XML_PARSE_RECOVER | XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;

// A reference the parser could not turn into a character: in recovery it leaves it out, which would
// make a file name another one.
bool isReferenceError(int code)
{
    return (code >= XML_ERR_INVALID_HEX_CHARREF && code <= XML_ERR_CHARREF_AT_EOF) ||
           code == XML_ERR_ENTITYREF_NO_NAME || code == XML_ERR_ENTITYREF_SEMICOL_MISSING ||
           code == XML_ERR_UNDECLARED_ENTITY || code == XML_WAR_UNDECLARED_ENTITY ||
           code == XML_ERR_NAME_REQUIRED;
}

void noteError(void* parser, xmlErrorPtr error)
{
    auto& codes = *static_cast<std::vector<int>*>(static_cast<xmlParserCtxtPtr>(parser)->_private);
    codes.push_back(error->code);
}

// A package file as libxml2 reads it, its DTD not fetched. What a package written by hand may be is read
// too: a tag left open at the end, a prefix with no namespace, elements with no root around them (the
// first is the document, and what follows it is read as more of it). Nothing when a reference in it names
// no character.
Document parsePackage(const String& text)
{
    std::unique_ptr<xmlParserCtxt, ParserDeleter> parser(
        xmlCreateMemoryParserCtxt(text.data(), static_cast<int>(text.size())));
    if (!parser) {
        return nullptr;
    }
    std::vector<int> errors;
    xmlCtxtUseOptions(parser.get(), kLenient);
    parser->_private = &errors;
    parser->sax->serror = noteError;
    xmlParseDocument(parser.get());
    Document document(parser->myDoc);
    parser->myDoc = nullptr;
    xmlNode* root = document ? xmlDocGetRootElement(document.get()) : nullptr;
    if (!root || std::any_of(errors.begin(), errors.end(), isReferenceError)) {
        return nullptr;
    }
    if (!errors.empty() && errors.back() == XML_ERR_DOCUMENT_END) {
        const auto at = parser->input->cur - parser->input->base;
        const String rest = text.substr(static_cast<std::size_t>(at));
        xmlNode* more = nullptr;
        xmlParseInNodeContext(root, rest.data(), static_cast<int>(rest.size()), kLenient, &more);
        for (xmlNode* node = more; node;) {
            xmlNode* next = node->next;
            xmlUnlinkNode(node);
            xmlAddChild(root, node);
            node = next;
        }
    }
    return document;
}

// The element's name without its namespace prefix ("opf:itemref" is "itemref").
String localName(const xmlNode* element)
{
    const String name = reinterpret_cast<const char*>(element->name);
    return name.substr(name.find(':') + 1);
}

String attribute(const xmlNode* element, const char* name)
{
    xmlChar* value = xmlGetProp(element, reinterpret_cast<const xmlChar*>(name));
    String text = value ? reinterpret_cast<const char*>(value) : "";
    xmlFree(value);
    return text;
}

bool insideSpine(const xmlNode* element)
{
    for (const xmlNode* parent = element->parent; parent && parent->type == XML_ELEMENT_NODE;
         parent = parent->parent) {
        if (localName(parent) == "spine") {
            return true;
        }
    }
    return false;
}

// The manifest's hrefs by id, and the id of the spine's first item.
void readPackage(const xmlNode* node, std::map<String, String>& manifest, String& firstId)
{
    for (; node; node = node->next) {
        if (node->type != XML_ELEMENT_NODE) {
            continue;
        }
        const String name = localName(node);
        if (name == "item") {
            manifest.emplace(attribute(node, "id"), attribute(node, "href"));
        } else if (name == "itemref" && firstId.empty() && insideSpine(node)) {
            firstId = attribute(node, "idref");
        }
        readPackage(node->children, manifest, firstId);
    }
}

String percentDecoded(const String& text)
{
    String decoded;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            decoded += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            decoded += text[i];
        }
    }
    return decoded;
}

String folderOf(const String& path)
{
    const auto slash = path.rfind('/');
    return slash == String::npos ? String(".") : path.substr(0, slash == 0 ? 1 : slash);
}

// A page the browser may be given: a web page in the package's folder or below it, never a path that
// climbs out of it or a file of another kind (a desktop file would be run, not shown).
bool isPageInFolder(const String& relativePath)
{
    if (relativePath.empty() || relativePath.front() == '/') {
        return false;
    }
    std::istringstream components(relativePath);
    for (String component; std::getline(components, component, '/');) {
        if (component == "..") {
            return false;
        }
    }
    const auto name = lowercase(relativePath);
    return endsWith(name, ".html") || endsWith(name, ".htm") || endsWith(name, ".xhtml");
}

} // namespace

std::set<String> PackageNames(const String& folderPath)
{
    std::set<String> names;
    const std::unique_ptr<DIR, int (*)(DIR*)> folder(opendir(folderPath.c_str()), closedir);
    if (!folder) {
        return names;
    }
    while (const dirent* entry = readdir(folder.get())) {
        const String name = entry->d_name;
        if (endsWith(lowercase(name), kPackageSuffix)) {
            names.insert(name);
        }
    }
    return names;
}

std::optional<String> WrittenPackage(const std::set<String>& before, const std::set<String>& after,
                                     const String& bookFileName)
{
    std::vector<String> added;
    std::set_difference(after.begin(), after.end(), before.begin(), before.end(), std::back_inserter(added));
    if (added.size() == 1) {
        return added.front();
    }
    if (!added.empty()) {
        return std::nullopt;
    }
    // As the converter names it: the file's name after its folders, its ".lit" (in any case) made ".opf".
    String own = bookFileName.substr(bookFileName.find_last_of("/\\:") + 1);
    if (endsWith(lowercase(own), ".lit")) {
        own.resize(own.size() - 4);
    }
    own += kPackageSuffix;
    return after.count(own) != 0 ? std::optional<String>(own) : std::nullopt;
}

std::optional<String> FirstPage(const String& packagePath)
{
    const auto document = parsePackage(readWholeFile(packagePath));
    std::map<String, String> manifest;
    String firstId;
    if (document) {
        readPackage(xmlDocGetRootElement(document.get()), manifest, firstId);
    }
    const auto item = manifest.find(firstId);
    if (firstId.empty() || item == manifest.end()) {
        return std::nullopt;
    }
    // The converter writes file names as they are; a package from elsewhere may percent-encode them.
    const String folder = folderOf(packagePath) + "/";
    for (const auto& href : {item->second, percentDecoded(item->second)}) {
        if (isPageInFolder(href) && isRegularFile(folder + href)) {
            return folder + href;
        }
    }
    return std::nullopt;
}

String FileUrl(const String& absolutePath)
{
    static const char* const kHex = "0123456789ABCDEF";
    String url = "file://";
    for (const char c : absolutePath) {
        const auto byte = static_cast<unsigned char>(c);
        const bool unreserved = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                                (byte >= '0' && byte <= '9') || String("/-._~").find(c) != String::npos;
        if (unreserved) {
            url += c;
        } else {
            url += '%';
            url += kHex[byte >> 4];
            url += kHex[byte & 0xF];
        }
    }
    return url;
}

} // namespace conversion
