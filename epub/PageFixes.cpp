#include "epub/PageFixes.h"

#include "epub/Metadata.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace epub {

namespace {

// One table: each line what is done, and why. The first line that matches is the one.
constexpr PageFix kFixes[] = {
    {"!doctype", "", Fix::Doctype, "html", "",
     "the OEB 1.0 doctype names a DTD that EPUB readers neither have nor want; XHTML5 has one doctype"},
    {"&", "", Fix::Characters, "", "",
     "XHTML knows only XML's five entities: every reference is written as its character, in UTF-8"},
    {"html", "xmlns", Fix::Drop, "", "", "every page is written in the XHTML namespace, whatever it said"},
    {"*", "xml:lang", Fix::Language, "", "", "XHTML wants lang and xml:lang together, with one BCP 47 value"},
    {"*", "lang", Fix::Language, "", "", "XHTML wants lang and xml:lang together, with one BCP 47 value"},
    {"a", "name", Fix::Anchor, "", "",
     "name on a is obsolete: the anchor is the element's id, which links find"},
    {"script", "", Fix::Drop, "", "",
     "scripts made for Microsoft Reader do nothing in an EPUB reader, and a scripted page must say so"},
    {"noscript", "", Fix::Unwrap, "", "",
     "XHTML has no noscript: with no script run, its content is what shows"},
    {"noframes", "", Fix::Unwrap, "", "", "frames are gone: their alternative is the content"},
    {"object", "", Fix::Unwrap, "", "",
     "objects of that day do not play in a reader: their fallback content stays"},
    {"applet", "", Fix::Unwrap, "", "", "applets do not run in a reader: their fallback content stays"},
    {"iframe", "", Fix::Drop, "", "", "a frame would show a page from outside the book"},
    {"frameset", "", Fix::Drop, "", "", "frames are not HTML5"},
    {"frame", "", Fix::Drop, "", "", "frames are not HTML5"},
    {"embed", "", Fix::Drop, "", "", "plug-in content plays in no reader"},
    {"param", "", Fix::Drop, "", "", "settings of an object that is not played"},
    {"bgsound", "", Fix::Drop, "", "", "background sound is not HTML5"},
    {"basefont", "", Fix::Drop, "", "", "basefont is not HTML5; the stylesheet sets the font"},
    {"map", "", Fix::Drop, "", "", "image maps need areas pointing at coordinates that readers reflow away"},
    {"area", "", Fix::Drop, "", "", "image maps need areas pointing at coordinates that readers reflow away"},
    {"select", "", Fix::Drop, "", "", "form fields send nothing anywhere in a book"},
    {"textarea", "", Fix::Drop, "", "", "form fields send nothing anywhere in a book"},
    {"head", "", Fix::Drop, "", "", "a second head inside the body is not HTML"},
    {"title", "", Fix::Drop, "", "", "the page's title is written in its head, once"},
    {"meta", "", Fix::Drop, "", "", "the content type and the rest are the package's to say"},
    {"base", "", Fix::Drop, "", "", "a base address would send the page's links out of the book"},
    {"link", "", Fix::Drop, "", "",
     "stylesheets are linked from the head; other links name nothing in a book"},
    {"style", "", Fix::Drop, "", "", "the page's style elements are written in its head, in their order"},
    {"font", "", Fix::Rename, "span", "", "font is not HTML5: its text stays in a span, its look in style"},
    {"center", "", Fix::Rename, "div", "text-align: center", "center is not HTML5"},
    {"big", "", Fix::Rename, "span", "font-size: larger", "big is not HTML5"},
    {"tt", "", Fix::Rename, "span", "font-family: monospace", "tt is not HTML5"},
    {"strike", "", Fix::Rename, "s", "", "strike is not HTML5; s is the same"},
    {"acronym", "", Fix::Rename, "abbr", "", "acronym is not HTML5; abbr is the same"},
    {"nobr", "", Fix::Rename, "span", "white-space: nowrap", "nobr is not HTML5"},
    {"blink", "", Fix::Rename, "span", "", "blink is not HTML5, and its text should not blink"},
    {"marquee", "", Fix::Rename, "div", "", "marquee is not HTML5, and its text should not move"},
    {"dir", "", Fix::Rename, "ul", "", "dir is not HTML5; it was a list"},
    {"menu", "", Fix::Rename, "ul", "", "menu means a toolbar in HTML5; here it was a list"},
    {"listing", "", Fix::Rename, "pre", "", "listing is not HTML5; it was preformatted text"},
    {"xmp", "", Fix::Rename, "pre", "", "xmp is not HTML5; it was preformatted text"},
    {"plaintext", "", Fix::Rename, "pre", "", "plaintext is not HTML5; it was preformatted text"},
    {"font", "color", Fix::Style, "color", "", "the look of font moves to CSS"},
    {"font", "face", Fix::Style, "font-family", "", "the look of font moves to CSS"},
    {"font", "size", Fix::Style, "font-size", "", "the look of font moves to CSS"},
    {"img", "align", Fix::Style, "float", "",
     "align on a picture floats it or sets it on the line: CSS does both"},
    {"*", "align", Fix::Style, "text-align", "", "align is not HTML5: CSS aligns"},
    {"*", "valign", Fix::Style, "vertical-align", "", "valign is not HTML5: CSS aligns"},
    {"*", "bgcolor", Fix::Style, "background-color", "", "bgcolor is not HTML5: CSS colours"},
    {"body", "text", Fix::Style, "color", "", "the page's text colour is not HTML5: CSS colours"},
    {"*", "width", Fix::Style, "width", "",
     "width is HTML5 on pictures alone, in pixels: CSS sizes the rest"},
    {"*", "height", Fix::Style, "height", "",
     "height is HTML5 on pictures alone, in pixels: CSS sizes the rest"},
    {"*", "nowrap", Fix::Style, "white-space", "", "nowrap is not HTML5: CSS keeps the line whole"},
    {"br", "clear", Fix::Style, "clear", "", "clear on a line break is not HTML5: CSS clears"},
    {"*", "*", Fix::Drop, "", "",
     "an attribute XHTML5 does not allow here: events (scripts), link colours, margins, borders, "
     "spacing, data binding; the stylesheet and the reader lay the page out"},
    {"*", "", Fix::Unwrap, "", "", "an element HTML5 does not know: its content stays where it was"},
};

constexpr std::string_view kKeptElements[]{
    "a",   "abbr",    "address", "article", "aside",      "b",        "bdi",    "bdo",    "blockquote",
    "br",  "caption", "cite",    "code",    "col",        "colgroup", "dd",     "del",    "dfn",
    "div", "dl",      "dt",      "em",      "figcaption", "figure",   "footer", "h1",     "h2",
    "h3",  "h4",      "h5",      "h6",      "header",     "hr",       "i",      "img",    "ins",
    "kbd", "li",      "mark",    "nav",     "ol",         "p",        "pre",    "q",      "rp",
    "rt",  "ruby",    "s",       "samp",    "section",    "small",    "span",   "strong", "sub",
    "sup", "table",   "tbody",   "td",      "tfoot",      "th",       "thead",  "tr",     "u",
    "ul",  "var",     "wbr"};

constexpr std::string_view kPhrasing[]{"a",     "abbr", "b",      "bdi", "bdo",  "br", "cite", "code", "dfn",
                                       "em",    "i",    "img",    "kbd", "mark", "q",  "ruby", "s",    "samp",
                                       "small", "span", "strong", "sub", "sup",  "u",  "var",  "wbr"};

constexpr std::string_view kVoid[]{"br", "col", "hr", "img", "wbr", "link", "meta"};

template <std::size_t N> bool contains(const std::string_view (&list)[N], std::string_view name)
{
    return std::find(std::begin(list), std::end(list), name) != std::end(list);
}

bool isInteger(std::string_view value, bool negative, long least)
{
    if (negative && !value.empty() && value.front() == '-') {
        value.remove_prefix(1);
    }
    if (value.empty() || value.size() > 9 || !std::all_of(value.begin(), value.end(), [](char c) {
            return std::isdigit(static_cast<unsigned char>(c));
        })) {
        return false;
    }
    return std::stol(std::string(value)) >= least;
}

bool oneOf(std::string_view value, std::initializer_list<std::string_view> values)
{
    return std::find(values.begin(), values.end(), value) != values.end();
}

} // namespace

const PageFix& FixFor(std::string_view element, std::string_view attribute)
{
    for (const auto& line : kFixes) {
        const bool elementMatches = line.element == element || line.element == "*";
        const bool attributeMatches =
            attribute.empty() ? line.attribute.empty() : line.attribute == attribute || line.attribute == "*";
        if (elementMatches && attributeMatches) {
            return line;
        }
    }
    return kFixes[std::size(kFixes) - 1];
}

bool KeptElement(std::string_view element)
{
    return contains(kKeptElements, element);
}

bool KeptAttribute(std::string_view element, std::string_view attribute, std::string_view value)
{
    if (oneOf(attribute, {"id", "class", "style", "title"})) {
        return true;
    }
    if (attribute == "dir") {
        return oneOf(value, {"ltr", "rtl", "auto"});
    }
    if (element == "a") {
        return attribute == "href";
    }
    if (element == "img") {
        return oneOf(attribute, {"src", "alt"}) ||
               (oneOf(attribute, {"width", "height"}) && isInteger(value, false, 0));
    }
    if (element == "td" || element == "th") {
        return (attribute == "colspan" && isInteger(value, false, 1)) ||
               (attribute == "rowspan" && isInteger(value, false, 0)) ||
               (element == "th" && attribute == "scope" &&
                oneOf(value, {"row", "col", "rowgroup", "colgroup"}));
    }
    if (element == "col" || element == "colgroup") {
        return attribute == "span" && isInteger(value, false, 1);
    }
    if (element == "ol") {
        return (attribute == "start" && isInteger(value, true, -999999999)) ||
               (attribute == "type" && oneOf(value, {"1", "a", "A", "i", "I"})) ||
               (attribute == "reversed" && oneOf(value, {"", "reversed"}));
    }
    if (element == "li") {
        return attribute == "value" && isInteger(value, true, -999999999);
    }
    if (element == "table") {
        return attribute == "border" && oneOf(value, {"", "1"});
    }
    return false;
}

bool IsPhrasing(std::string_view element)
{
    return contains(kPhrasing, element);
}

bool IsVoid(std::string_view element)
{
    return contains(kVoid, element);
}

} // namespace epub
