#pragma once

// The book's contents, as the navigation document and the NCX give them to readers.

#include "epub/Page.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace epub {

struct ContentsEntry
{
    std::string title;
    std::string href; // in the EPUB, relative to the package
    std::vector<ContentsEntry> children;
};

// The entries of the book's own table of contents page: each link to a page of the book, nested as the
// page nests them (a link inside the block of another is under it). `hyperlink` gives a link's href in
// the EPUB, or nothing for one that leads out of the book.
std::vector<ContentsEntry>
ContentsOfPage(const CleanPage& page,
               const std::function<std::optional<std::string>(std::string_view)>& hyperlink);

// The entries without those that would take the reader back: an entry (with all under it) whose place
// comes before the one of the entry above it in the reading order is left out. `order` gives an href's
// place in the reading order.
std::vector<ContentsEntry> InReadingOrder(std::vector<ContentsEntry> entries,
                                          const std::function<int(std::string_view)>& order);

// What a page is called in the contents: its first heading, else its title, else its first words.
std::string PageTitle(const CleanPage& page);
// The first heading of a page, if it has one.
std::string PageHeading(const CleanPage& page);

struct ContentsDocuments
{
    std::string navigation; // the EPUB 3 navigation document
    std::string ncx;        // the EPUB 2 NCX
};

ContentsDocuments WriteContents(const std::vector<ContentsEntry>& entries, std::string_view heading,
                                std::string_view bookTitle, std::string_view authors, std::string_view uid,
                                std::string_view language);

} // namespace epub
