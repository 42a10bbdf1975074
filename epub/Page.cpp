#include "epub/Page.h"

#include "epub/Metadata.h"
#include "epub/PageFixes.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <optional>
#include <utility>

namespace epub {

namespace {

std::vector<xmlNode*> childrenOf(xmlNode* node)
{
    std::vector<xmlNode*> children;
    for (xmlNode* child = node->children; child; child = child->next) {
        children.push_back(child);
    }
    return children;
}

void remove(xmlNode* node)
{
    xmlUnlinkNode(node);
    xmlFreeNode(node);
}

void unwrap(xmlNode* node)
{
    for (xmlNode* child : childrenOf(node)) {
        xmlUnlinkNode(child);
        xmlAddPrevSibling(node, child);
    }
    remove(node);
}

std::string lowercase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

bool isBlank(const xmlNode* text)
{
    const std::string content = text->content ? Chars(text->content) : "";
    return content.find_first_not_of(" \t\r\n\f") == std::string::npos;
}

// A CSS value from an attribute's, with nothing that could end the declaration.
std::string cssSafe(std::string_view value)
{
    std::string safe;
    for (const char c : value) {
        if (std::string_view(";{}<>\"\\").find(c) == std::string_view::npos &&
            static_cast<unsigned char>(c) >= 0x20) {
            safe += c;
        }
    }
    return Collapsed(safe);
}

bool isColour(const std::string& value)
{
    const bool hex = !value.empty() && value.size() <= 7 &&
                     std::all_of(value.begin() + (value[0] == '#' ? 1 : 0), value.end(),
                                 [](unsigned char c) { return std::isxdigit(c); });
    return hex || (!value.empty() &&
                   std::all_of(value.begin(), value.end(), [](unsigned char c) { return std::isalpha(c); }));
}

bool isLength(const std::string& value)
{
    const auto digits = value.find_first_not_of("0123456789");
    return digits != 0 &&
           (digits == std::string::npos || (digits + 1 == value.size() && value[digits] == '%'));
}

// The CSS declaration an old presentational attribute stands for; empty when its value means nothing.
std::string declaration(std::string_view property, const std::string& rawValue)
{
    const std::string value = lowercase(cssSafe(rawValue));
    const std::string prop(property);
    if (value.empty()) {
        return {};
    }
    if (property == "float") {
        if (value == "left" || value == "right") {
            return "float: " + value;
        }
        static const std::map<std::string, std::string> vertical{
            {"top", "top"},       {"texttop", "text-top"}, {"middle", "middle"},    {"absmiddle", "middle"},
            {"center", "middle"}, {"bottom", "bottom"},    {"absbottom", "bottom"}, {"baseline", "baseline"}};
        const auto found = vertical.find(value);
        return found == vertical.end() ? std::string() : "vertical-align: " + found->second;
    }
    if (property == "text-align") {
        const std::string align = value == "middle" ? "center" : value;
        return align == "left" || align == "right" || align == "center" || align == "justify"
                   ? prop + ": " + align
                   : "";
    }
    if (property == "vertical-align") {
        return value == "top" || value == "middle" || value == "bottom" || value == "baseline"
                   ? prop + ": " + value
                   : "";
    }
    if (property == "color" || property == "background-color") {
        const std::string colour = cssSafe(rawValue);
        if (!isColour(colour)) {
            return {};
        }
        const bool bareHex =
            (colour.size() == 6 || colour.size() == 3) &&
            std::all_of(colour.begin(), colour.end(), [](unsigned char c) { return std::isxdigit(c); }) &&
            !std::all_of(colour.begin(), colour.end(), [](unsigned char c) { return std::isalpha(c); });
        return prop + ": " + (bareHex ? "#" : "") + colour;
    }
    if (property == "font-family") {
        std::string families;
        std::string_view rest = rawValue;
        while (!rest.empty()) {
            const auto comma = rest.find(',');
            std::string family = cssSafe(rest.substr(0, comma));
            std::erase(family, '\'');
            if (!family.empty()) {
                families += (families.empty() ? "" : ", ") + ("'" + family + "'");
            }
            rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
        }
        return families.empty() ? "" : prop + ": " + families;
    }
    if (property == "font-size") {
        static const std::map<std::string, std::string> sizes{
            {"1", "x-small"},  {"2", "small"},    {"3", "medium"},   {"4", "large"},   {"5", "x-large"},
            {"6", "xx-large"}, {"7", "xx-large"}, {"+1", "larger"},  {"+2", "larger"}, {"+3", "larger"},
            {"+4", "larger"},  {"-1", "smaller"}, {"-2", "smaller"}, {"-3", "smaller"}};
        const auto found = sizes.find(value);
        return found == sizes.end() ? std::string() : prop + ": " + found->second;
    }
    if (property == "width" || property == "height") {
        return isLength(value) ? prop + ": " + value + (value.back() == '%' ? "" : "px") : "";
    }
    if (property == "white-space") {
        return "white-space: nowrap";
    }
    if (property == "clear") {
        const std::string side = value == "all" ? "both" : value;
        return side == "left" || side == "right" || side == "both" || side == "none" ? "clear: " + side : "";
    }
    return {};
}

void appendStyle(std::string& style, std::string_view more)
{
    if (more.empty()) {
        return;
    }
    while (!style.empty() && (style.back() == ' ' || style.back() == ';')) {
        style.pop_back();
    }
    style += (style.empty() ? "" : "; ") + std::string(more);
}

// The element's attributes made XHTML5's, from the fixes of its name before a rename.
void fixAttributes(xmlNode* element, const std::string& oldName, const std::string& name,
                   std::string_view addedStyle)
{
    std::vector<std::pair<std::string, std::string>> kept;
    std::string style;
    std::string anchor;
    std::optional<std::string> language; // from lang, else from xml:lang; empty for "unknown"
    for (xmlAttr* attribute = element->properties; attribute; attribute = attribute->next) {
        const std::string attributeName = Name(attribute);
        const std::string value = Value(attribute);
        if (attributeName == "style") {
            appendStyle(style, Collapsed(value));
        } else if (attributeName == "id") {
            if (!Collapsed(value).empty()) {
                kept.emplace_back("id", value);
            }
        } else if (KeptAttribute(name, attributeName, value)) {
            kept.emplace_back(attributeName, value);
        } else {
            const PageFix& fix = FixFor(oldName, attributeName);
            if (fix.fix == Fix::Style) {
                appendStyle(style, declaration(fix.to, value));
            } else if (fix.fix == Fix::Anchor) {
                anchor = value;
            } else if (fix.fix == Fix::Language) {
                const auto tag =
                    Collapsed(value).empty() ? std::optional<std::string>("") : LanguageTag(value);
                if (tag && (!language || attributeName == "lang")) {
                    language = tag;
                }
            }
        }
    }
    appendStyle(style, addedStyle);
    while (element->properties) {
        xmlRemoveProp(element->properties);
    }
    const bool hasId = std::any_of(kept.begin(), kept.end(), [](const auto& a) { return a.first == "id"; });
    if (!hasId && !Collapsed(anchor).empty()) {
        kept.insert(kept.begin(), {"id", anchor});
    }
    if (language) {
        kept.emplace_back("lang", *language);
    }
    if (!style.empty()) {
        kept.emplace_back("style", style);
    }
    if (name == "img" &&
        std::none_of(kept.begin(), kept.end(), [](const auto& a) { return a.first == "alt"; })) {
        kept.emplace_back("alt", "");
    }
    for (const auto& [attributeName, value] : kept) {
        xmlNewProp(element, XmlChars(attributeName.c_str()), XmlChars(value.c_str()));
    }
}

bool holdsBlocks(const xmlNode* element)
{
    for (const xmlNode* child = element->children; child; child = child->next) {
        if (child->type == XML_ELEMENT_NODE && (!IsPhrasing(Name(child)) || holdsBlocks(child))) {
            return true;
        }
    }
    return false;
}

// A list holds list items only: anything else in it is put in one.
void itemiseList(xmlNode* list)
{
    xmlNode* item = nullptr;
    for (xmlNode* child : childrenOf(list)) {
        const bool isItem = child->type == XML_ELEMENT_NODE && Name(child) == "li";
        const bool blank = child->type == XML_TEXT_NODE && isBlank(child);
        if (isItem || (blank && !item)) {
            item = nullptr;
            continue;
        }
        if (!item) {
            item = xmlNewDocNode(list->doc, nullptr, XmlChars("li"), nullptr);
            xmlAddPrevSibling(child, item);
        }
        xmlUnlinkNode(child);
        xmlAddChild(item, child);
    }
}

void clean(xmlNode* parent, CleanPage& page)
{
    // What a node becomes stays before the next node: each node is seen once.
    for (xmlNode *node = parent->children, *next = nullptr; node; node = next) {
        next = node->next;
        if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) {
            continue;
        }
        if (node->type != XML_ELEMENT_NODE) {
            remove(node);
            continue;
        }
        const std::string name = Name(node);
        if (name == "style") {
            page.styles.push_back(TextOf(node));
        }
        if (KeptElement(name)) {
            fixAttributes(node, name, name, {});
            clean(node, page);
        } else {
            const PageFix& fix = FixFor(name);
            if (fix.fix == Fix::Rename) {
                xmlNodeSetName(node, XmlChars(std::string(fix.to).c_str()));
                fixAttributes(node, name, std::string(fix.to), fix.style);
                clean(node, page);
            } else if (fix.fix == Fix::Unwrap) {
                clean(node, page);
                unwrap(node);
                continue;
            } else {
                remove(node);
                continue;
            }
        }
        // What HTML5 allows only inside another element, found outside it, becomes a block of its own.
        const std::string now = Name(node);
        const std::string container = Name(node->parent);
        const bool inTable =
            container == "table" || container == "tbody" || container == "thead" || container == "tfoot";
        const bool stray =
            (now == "li" && container != "ul" && container != "ol") ||
            ((now == "dt" || now == "dd") && container != "dl") ||
            ((now == "caption" || now == "tbody" || now == "thead" || now == "tfoot" || now == "colgroup") &&
             container != "table") ||
            (now == "tr" && !inTable) || ((now == "td" || now == "th") && container != "tr");
        if (stray || (now == "span" && holdsBlocks(node))) {
            xmlNodeSetName(node, XmlChars("div"));
        } else if (now == "ul" || now == "ol") {
            itemiseList(node);
        }
    }
}

xmlNode* findElement(xmlNode* node, std::string_view name)
{
    for (; node; node = node->next) {
        if (node->type == XML_ELEMENT_NODE) {
            if (Name(node) == name) {
                return node;
            }
            if (xmlNode* found = findElement(node->children, name)) {
                return found;
            }
        }
    }
    return nullptr;
}

template <typename Visit> void eachElement(xmlNode* node, const Visit& visit)
{
    for (; node; node = node->next) {
        if (node->type == XML_ELEMENT_NODE) {
            visit(node);
            eachElement(node->children, visit);
        }
    }
}

class Writer
{
public:
    Writer(XmlWriter& out, const PageReferences& references) : mOut(out), mReferences(references) {}

    void children(const xmlNode* parent)
    {
        for (const xmlNode* node = parent->children; node; node = node->next) {
            if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) {
                mOut.text(node->content ? Chars(node->content) : "");
            } else if (node->type == XML_ELEMENT_NODE) {
                element(node);
            }
        }
    }

    void attributes(const xmlNode* element)
    {
        const std::string name = Name(element);
        for (const xmlAttr* attribute = element->properties; attribute; attribute = attribute->next) {
            const std::string attributeName = Name(attribute);
            const std::string value = Value(attribute);
            if (attributeName == "id") {
                if (const auto id = mReferences.id(value)) {
                    mOut.attribute("id", *id);
                }
            } else if (attributeName == "href" && name == "a") {
                if (const auto href = mReferences.hyperlink(value)) {
                    mOut.attribute("href", *href);
                }
            } else if (attributeName == "src" && name == "img") {
                mOut.attribute("src", *mReferences.picture(value));
            } else if (attributeName == "lang") {
                mOut.attribute("lang", value);
                mOut.attribute("xml:lang", value);
            } else {
                mOut.attribute(attributeName, value);
            }
        }
    }

private:
    void element(const xmlNode* node)
    {
        const std::string name = Name(node);
        if (name == "img" && !mReferences.picture(Attribute(node, "src"))) {
            mOut.text(Attribute(node, "alt"));
            return;
        }
        mOut.start(name);
        attributes(node);
        children(node);
        if (IsVoid(name)) {
            mOut.end();
        } else {
            mOut.endWithTag();
        }
    }

    XmlWriter& mOut;
    const PageReferences& mReferences;
};

} // namespace

CleanPage CleanPageOf(std::string_view html)
{
    CleanPage page;
    page.document = ParseHtml(html);
    xmlNode* root = page.document ? xmlDocGetRootElement(page.document.get()) : nullptr;
    if (!root) {
        page.document = ParseHtml("<html><body></body></html>");
        root = xmlDocGetRootElement(page.document.get());
    }
    for (const char* attribute : {"xml:lang", "lang"}) {
        if (const auto tag = LanguageTag(Attribute(root, attribute))) {
            page.language = *tag;
        }
    }
    if (xmlNode* head = findElement(root->children, "head")) {
        if (xmlNode* title = findElement(head->children, "title")) {
            page.title = Collapsed(TextOf(title));
        }
        eachElement(head->children, [&](xmlNode* element) {
            const std::string name = Name(element);
            if (name == "link" &&
                lowercase(Attribute(element, "rel")).find("stylesheet") != std::string::npos &&
                lowercase(Attribute(element, "rel")).find("alternate") == std::string::npos) {
                page.stylesheets.push_back(Attribute(element, "href"));
            } else if (name == "style") {
                page.styles.push_back(TextOf(element));
            }
        });
    }
    page.body = findElement(root->children, "body");
    if (!page.body) {
        page.body = xmlNewChild(root, nullptr, XmlChars("body"), nullptr);
    }
    fixAttributes(page.body, "body", "body", {});
    clean(page.body, page);
    return page;
}

std::vector<std::string> IdsOf(const CleanPage& page)
{
    std::vector<std::string> ids;
    if (const std::string id = Attribute(page.body, "id"); !id.empty()) {
        ids.push_back(id);
    }
    eachElement(page.body->children, [&](xmlNode* element) {
        if (HasAttribute(element, "id")) {
            ids.push_back(Attribute(element, "id"));
        }
    });
    return ids;
}

std::string WritePage(const CleanPage& page, const PageReferences& references, std::string_view title,
                      std::string_view language)
{
    XmlWriter out(false);
    out.doctype(std::string(FixFor("!doctype").to).c_str());
    out.start("html");
    out.attribute("xmlns", "http://www.w3.org/1999/xhtml");
    const std::string pageLanguage = page.language.empty() ? std::string(language) : page.language;
    if (!pageLanguage.empty()) {
        out.attribute("lang", pageLanguage);
        out.attribute("xml:lang", pageLanguage);
    }
    out.start("head");
    out.element("title", page.title.empty() ? title : page.title);
    for (const auto& href : page.stylesheets) {
        if (const auto stylesheet = references.stylesheet(href)) {
            out.start("link");
            out.attribute("rel", "stylesheet");
            out.attribute("type", "text/css");
            out.attribute("href", *stylesheet);
            out.end();
        }
    }
    for (const auto& style : page.styles) {
        out.element("style", style);
    }
    out.endWithTag();
    Writer writer(out, references);
    out.start("body");
    writer.attributes(page.body);
    writer.children(page.body);
    out.endWithTag();
    out.endWithTag();
    return out.finish();
}

} // namespace epub
