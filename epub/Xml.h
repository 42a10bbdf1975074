#pragma once

// Owners for libxml2's objects, and a writer of XML text into memory.

#include <libxml/HTMLparser.h>
#include <libxml/tree.h>
#include <libxml/xmlwriter.h>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace epub {

struct DocumentDeleter
{
    void operator()(xmlDoc* document) const { xmlFreeDoc(document); }
};
using Document = std::unique_ptr<xmlDoc, DocumentDeleter>;

// An XML file as the converter writes it: its DTD is neither fetched nor read, and a fault in it does not
// lose what comes before and after.
Document ParseXml(std::string_view text);
// An HTML page, as a browser would read it: tags closed where HTML closes them, entities decoded.
Document ParseHtml(std::string_view text);

inline const char* Chars(const xmlChar* text)
{
    return reinterpret_cast<const char*>(text);
}
inline const xmlChar* XmlChars(const char* text)
{
    return reinterpret_cast<const xmlChar*>(text);
}

// The local name of an element or attribute, lower-cased.
std::string Name(const xmlNode* node);
std::string Name(const xmlAttr* attribute);
// Whether the attribute's local name, lower-cased, is `name`.
bool IsNamed(const xmlAttr* attribute, std::string_view name);
// The attribute's value, its references resolved.
std::string Value(const xmlAttr* attribute);
// The value of an attribute by its local name (any namespace, any case); empty when it has none.
std::string Attribute(const xmlNode* element, std::string_view name);
bool HasAttribute(const xmlNode* element, std::string_view name);
// All the text inside a node, as one string.
std::string TextOf(const xmlNode* node);
// Text with its runs of white space made single spaces, and none at either end.
std::string Collapsed(std::string_view text);
// Text with what XML 1.0 may not carry (control characters, broken UTF-8) left out.
std::string XmlSafe(std::string_view text);

// Writes an XML document into memory; elements and attributes in the order they are given.
class XmlWriter
{
public:
    explicit XmlWriter(bool indent);
    ~XmlWriter();
    XmlWriter(const XmlWriter&) = delete;
    XmlWriter& operator=(const XmlWriter&) = delete;

    void doctype(const char* name);
    void start(std::string_view name);
    void attribute(std::string_view name, std::string_view value);
    void text(std::string_view text);
    // Closes the element as <name/> when empty.
    void end();
    // Closes the element with an end tag, even when empty.
    void endWithTag();
    void element(std::string_view name, std::string_view text);
    std::string finish();

private:
    xmlBufferPtr mBuffer;
    xmlTextWriterPtr mWriter;
};

} // namespace epub
