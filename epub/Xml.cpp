#include "epub/Xml.h"

#include <cctype>
#include <stdexcept>

namespace epub {

namespace {

std::string lowercase(std::string text)
{
    for (auto& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

// The length of the UTF-8 sequence at text[at], or 0 when it is not one.
std::size_t sequenceLength(std::string_view text, std::size_t at, char32_t& code)
{
    const auto byte = static_cast<unsigned char>(text[at]);
    std::size_t length = byte < 0x80           ? 1
                         : (byte >> 5) == 0x6  ? 2
                         : (byte >> 4) == 0xE  ? 3
                         : (byte >> 3) == 0x1E ? 4
                                               : 0;
    if (length == 0 || at + length > text.size()) {
        return 0;
    }
    code = length == 1 ? byte : byte & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xC0) != 0x80) {
            return 0;
        }
        code = (code << 6) | (next & 0x3F);
    }
    const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    return code < least[length] || code > 0x10FFFF ? 0 : length;
}

bool allowedInXml(char32_t code)
{
    return code == 0x9 || code == 0xA || code == 0xD || (code >= 0x20 && code <= 0xD7FF) ||
           (code >= 0xE000 && code <= 0xFFFD) || (code >= 0x10000 && code <= 0x10FFFF);
}

void check(int status)
{
    if (status < 0) {
        throw std::runtime_error("the XML writer failed");
    }
}

} // namespace

Document ParseXml(std::string_view text)
{
    return Document(xmlReadMemory(text.data(), static_cast<int>(text.size()), nullptr, nullptr,
                                  XML_PARSE_NONET | XML_PARSE_RECOVER | XML_PARSE_NOERROR |
                                      XML_PARSE_NOWARNING | XML_PARSE_NOCDATA));
}

Document ParseHtml(std::string_view text)
{
    return Document(
        htmlReadMemory(text.data(), static_cast<int>(text.size()), nullptr, "UTF-8",
                       HTML_PARSE_NONET | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_RECOVER));
}

std::string Name(const xmlNode* node)
{
    return node && node->name ? lowercase(Chars(node->name)) : std::string();
}

std::string Name(const xmlAttr* attribute)
{
    return lowercase(Chars(attribute->name));
}

bool IsNamed(const xmlAttr* attribute, std::string_view name)
{
    const char* own = Chars(attribute->name);
    std::size_t i = 0;
    for (; i < name.size() && own[i] != '\0'; ++i) {
        if (std::tolower(static_cast<unsigned char>(own[i])) != name[i]) {
            return false;
        }
    }
    return i == name.size() && own[i] == '\0';
}

std::string Value(const xmlAttr* attribute)
{
    const xmlNode* only = attribute->children;
    if (only && !only->next && only->type == XML_TEXT_NODE) {
        return only->content ? Chars(only->content) : "";
    }
    xmlChar* value = xmlNodeListGetString(attribute->doc, attribute->children, 1);
    std::string text = value ? Chars(value) : "";
    xmlFree(value);
    return text;
}

std::string Attribute(const xmlNode* element, std::string_view name)
{
    for (auto* attribute = element->properties; attribute; attribute = attribute->next) {
        if (IsNamed(attribute, name)) {
            return Value(attribute);
        }
    }
    return {};
}

bool HasAttribute(const xmlNode* element, std::string_view name)
{
    for (auto* attribute = element->properties; attribute; attribute = attribute->next) {
        if (IsNamed(attribute, name)) {
            return true;
        }
    }
    return false;
}

std::string TextOf(const xmlNode* node)
{
    xmlChar* content = xmlNodeGetContent(node);
    std::string text = content ? Chars(content) : "";
    xmlFree(content);
    return text;
}

std::string Collapsed(std::string_view text)
{
    std::string collapsed;
    bool space = false;
    for (const char c : text) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f') {
            space = !collapsed.empty();
        } else {
            if (space) {
                collapsed += ' ';
                space = false;
            }
            collapsed += c;
        }
    }
    return collapsed;
}

std::string XmlSafe(std::string_view text)
{
    const auto plain = [](unsigned char byte) { return (byte >= 0x20 && byte < 0x80) || byte == '\n'; };
    std::string safe;
    safe.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        // Most of a book is printable ASCII, which XML carries as it is: taken a run at a time.
        std::size_t run = at;
        while (run < text.size() && plain(static_cast<unsigned char>(text[run]))) {
            ++run;
        }
        if (run > at) {
            safe.append(text.substr(at, run - at));
            at = run;
            continue;
        }
        char32_t code = 0;
        const auto length = sequenceLength(text, at, code);
        if (length == 0) {
            ++at;
            continue;
        }
        if (allowedInXml(code)) {
            safe.append(text.substr(at, length));
        }
        at += length;
    }
    return safe;
}

XmlWriter::XmlWriter(bool indent)
    : mBuffer(xmlBufferCreate()), mWriter(mBuffer ? xmlNewTextWriterMemory(mBuffer, 0) : nullptr)
{
    if (!mWriter) {
        xmlBufferFree(mBuffer);
        throw std::runtime_error("no memory for the XML writer");
    }
    // A page is written a few bytes at a time: the buffer doubles rather than grows by each.
    xmlBufferSetAllocationScheme(mBuffer, XML_BUFFER_ALLOC_DOUBLEIT);
    if (indent) {
        xmlTextWriterSetIndent(mWriter, 1);
        xmlTextWriterSetIndentString(mWriter, XmlChars(" "));
    }
    check(xmlTextWriterStartDocument(mWriter, "1.0", "UTF-8", nullptr));
}

XmlWriter::~XmlWriter()
{
    xmlFreeTextWriter(mWriter);
    xmlBufferFree(mBuffer);
}

void XmlWriter::doctype(const char* name)
{
    check(xmlTextWriterWriteDTD(mWriter, XmlChars(name), nullptr, nullptr, nullptr));
}

void XmlWriter::start(std::string_view name)
{
    check(xmlTextWriterStartElement(mWriter, XmlChars(std::string(name).c_str())));
}

void XmlWriter::attribute(std::string_view name, std::string_view value)
{
    check(xmlTextWriterWriteAttribute(mWriter, XmlChars(std::string(name).c_str()),
                                      XmlChars(XmlSafe(value).c_str())));
}

void XmlWriter::text(std::string_view text)
{
    check(xmlTextWriterWriteString(mWriter, XmlChars(XmlSafe(text).c_str())));
}

void XmlWriter::end()
{
    check(xmlTextWriterEndElement(mWriter));
}

void XmlWriter::endWithTag()
{
    check(xmlTextWriterFullEndElement(mWriter));
}

void XmlWriter::element(std::string_view name, std::string_view text)
{
    start(name);
    this->text(text);
    endWithTag();
}

std::string XmlWriter::finish()
{
    check(xmlTextWriterEndDocument(mWriter));
    check(xmlTextWriterFlush(mWriter));
    return std::string(Chars(xmlBufferContent(mBuffer)), static_cast<std::size_t>(xmlBufferLength(mBuffer)));
}

} // namespace epub
