#include "conversion/FirstPage.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <iterator>
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

// The character a numeric reference ("#233", "#xE9") names; nothing for anything else.
std::optional<std::uint32_t> characterCode(const String& name)
{
    const bool hex = name.size() > 1 && (name[1] == 'x' || name[1] == 'X');
    const String digits = name.size() > 1 ? name.substr(hex ? 2 : 1) : String();
    if (name.empty() || name[0] != '#' || digits.empty() || digits.size() > 8 ||
        digits.find_first_not_of(hex ? "0123456789abcdefABCDEF" : "0123456789") != String::npos) {
        return std::nullopt;
    }
    const auto code = std::stoul(digits, nullptr, hex ? 16 : 10);
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(code);
}

String utf8(std::uint32_t code)
{
    String text;
    if (code < 0x80) {
        text += static_cast<char>(code);
    } else if (code < 0x800) {
        text += static_cast<char>(0xC0 | (code >> 6));
        text += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        text += static_cast<char>(0xE0 | (code >> 12));
        text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        text += static_cast<char>(0xF0 | (code >> 18));
        text += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (code & 0x3F));
    }
    return text;
}

// The character references the converter writes into attribute values, decoded to UTF-8. A reference
// to no character stays as it is.
String decodeReferences(const String& value)
{
    static const std::map<String, String> named{
        {"amp", "&"}, {"lt", "<"}, {"gt", ">"}, {"quot", "\""}, {"apos", "'"}};
    String decoded;
    for (std::size_t i = 0; i < value.size(); ++i) {
        // The longest reference is "&#x10FFFF;": no need to look further for its end.
        const auto semicolon = value[i] == '&' ? value.substr(i, 12).find(';') : String::npos;
        const auto end = semicolon == String::npos ? String::npos : i + semicolon;
        const String name = end == String::npos ? String() : value.substr(i + 1, end - i - 1);
        if (const auto found = named.find(name); found != named.end()) {
            decoded += found->second;
        } else if (const auto code = characterCode(name)) {
            decoded += utf8(*code);
        } else {
            decoded += value[i];
            continue;
        }
        i = end;
    }
    return decoded;
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

struct Tag
{
    String name; // without its namespace prefix
    std::map<String, String> attributes;
};

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The tag that opens at xml[at] ('<'), read up to its '>'; at moves past it. Quoted values may hold '>'.
Tag readTag(const String& xml, std::size_t& at)
{
    Tag tag;
    std::size_t i = at + 1;
    while (i < xml.size() && !isSpace(xml[i]) && xml[i] != '>' && xml[i] != '/') {
        tag.name += xml[i++];
    }
    tag.name = tag.name.substr(tag.name.find(':') + 1);
    while (i < xml.size() && xml[i] != '>') {
        if (isSpace(xml[i]) || xml[i] == '/') {
            ++i;
            continue;
        }
        String name;
        while (i < xml.size() && !isSpace(xml[i]) && xml[i] != '=' && xml[i] != '>') {
            name += xml[i++];
        }
        while (i < xml.size() && isSpace(xml[i])) {
            ++i;
        }
        if (i >= xml.size() || xml[i] != '=') {
            continue;
        }
        ++i;
        while (i < xml.size() && isSpace(xml[i])) {
            ++i;
        }
        if (i >= xml.size() || (xml[i] != '"' && xml[i] != '\'')) {
            continue;
        }
        const auto close = xml.find(xml[i], i + 1);
        if (close == String::npos) {
            i = xml.size();
            break;
        }
        tag.attributes.emplace(name, decodeReferences(xml.substr(i + 1, close - i - 1)));
        i = close + 1;
    }
    at = i;
    return tag;
}

// The start tags of an XML text, in order: enough for the package files the converter writes.
// Comments, declarations, processing instructions and end tags are passed over.
std::vector<Tag> startTags(const String& xml)
{
    std::vector<Tag> tags;
    for (std::size_t at = xml.find('<'); at != String::npos; at = xml.find('<', at)) {
        if (xml.compare(at, 4, "<!--") == 0) {
            const auto end = xml.find("-->", at);
            at = end == String::npos ? xml.size() : end;
        } else if (at + 1 < xml.size() && std::isalpha(static_cast<unsigned char>(xml[at + 1]))) {
            tags.push_back(readTag(xml, at));
        } else {
            ++at;
        }
    }
    return tags;
}

String attribute(const Tag& tag, const String& name)
{
    const auto found = tag.attributes.find(name);
    return found == tag.attributes.end() ? String() : found->second;
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
    const auto tags = startTags(readWholeFile(packagePath));
    std::map<String, String> manifest;
    String firstId;
    bool inSpine = false;
    for (const auto& tag : tags) {
        if (tag.name == "item") {
            manifest.emplace(attribute(tag, "id"), attribute(tag, "href"));
        } else if (tag.name == "spine") {
            inSpine = true;
        } else if (inSpine && tag.name == "itemref" && firstId.empty()) {
            firstId = attribute(tag, "idref");
        }
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
