#pragma once

// What becomes of the converter's pages on their way into an EPUB: they are HTML 4 of Microsoft Reader's
// day under an OEB 1.0 doctype, and EPUB takes XHTML5.

#include <string_view>

namespace epub {

enum class Fix
{
    Doctype,    // the page's doctype becomes <!DOCTYPE to>
    Characters, // references are written as the characters they name
    Drop,       // the element goes with all it holds; the attribute goes
    Unwrap,     // the element goes; what it holds stays where it was
    Rename,     // the element becomes `to`, its `style` added to its style attribute
    Style,      // the attribute becomes the CSS property `to`
    Anchor,     // the attribute becomes the element's id
    Language,   // the attribute is the element's language: written as lang and xml:lang, in BCP 47
};

struct PageFix
{
    std::string_view element;   // a lower-case element name, "*" for any, or "!doctype" / "&"
    std::string_view attribute; // empty for the element itself; "*" for any
    Fix fix;
    std::string_view to;
    std::string_view style; // for Rename: what the old element's look becomes
    std::string_view why;
};

// The first line of the table for an element (attribute empty) or one of its attributes. Every element
// and attribute finds one: the table ends with lines for "*".
const PageFix& FixFor(std::string_view element, std::string_view attribute = {});

// Whether XHTML5 in EPUB keeps the element, and the attribute on it, as it is (the value checked).
bool KeptElement(std::string_view element);
bool KeptAttribute(std::string_view element, std::string_view attribute, std::string_view value);

// Elements whose content is text and inline elements only.
bool IsPhrasing(std::string_view element);
// Elements written without an end tag.
bool IsVoid(std::string_view element);

} // namespace epub
