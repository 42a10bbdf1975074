#pragma once

// A page of the book: read with an HTML parser, made what XHTML5 in EPUB allows (PageFixes), written back
// as XHTML with its references turned into the book's new names.

#include "epub/Xml.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace epub {

struct CleanPage
{
    Document document;
    xmlNode* body = nullptr;
    std::string title;
    std::string language;                 // BCP 47, from the page's html element; empty when it has none
    std::vector<std::string> stylesheets; // the href of each stylesheet link, as the page wrote it
    std::vector<std::string> styles;      // the text of each style element, in order
};

// The page with every element and attribute made what XHTML5 in EPUB allows.
CleanPage CleanPageOf(std::string_view html);

// The ids of the page's elements, in document order, as the page has them.
std::vector<std::string> IdsOf(const CleanPage& page);

// Where the page's references go in the EPUB; nothing where a reference leads out of the book, to what
// it does not hold, or to what may not be there.
class PageReferences
{
public:
    virtual ~PageReferences() = default;
    virtual std::optional<std::string> hyperlink(std::string_view href) const = 0;
    virtual std::optional<std::string> picture(std::string_view src) const = 0;
    virtual std::optional<std::string> stylesheet(std::string_view href) const = 0;
    // The id an element of this page has in the EPUB.
    virtual std::optional<std::string> id(std::string_view id) const = 0;
};

// The page as an XHTML5 content document. A picture that is not in the book leaves its alt text; a link
// that leads nowhere in it leaves its text.
std::string WritePage(const CleanPage& page, const PageReferences& references, std::string_view title,
                      std::string_view language);

} // namespace epub
