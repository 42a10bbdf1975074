#pragma once

// An EPUB made of a book that Convert LIT has written out: its package file (OPF), pages, stylesheets and
// pictures, in a folder of its own. The EPUB is EPUB 3 with an EPUB 2 NCX beside its navigation
// document, for old readers and new.

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

namespace epub {

// What the EPUB takes from the .lit file itself rather than from what the converter wrote.
struct EpubSource
{
    // The .lit file's modification time: the EPUB's dcterms:modified and the time of its entries, so that
    // the same book always gives the same bytes.
    std::chrono::system_clock::time_point modified;
    // The heading of the contents where the book's own contents page gives none.
    std::string contentsHeading = "Spis treści";
};

// The source of the .lit file at the path; nothing when it cannot be examined.
std::optional<EpubSource> EpubSourceOf(const std::filesystem::path& litFile);

enum class EpubFailure
{
    None,
    BookUnreadable,      // no package file, or one that names no page that can be read
    NameUnusable,        // the book's name cannot be a file name
    DestinationMissing,  // the folder is not there (or is not a folder)
    DestinationReadOnly, // the folder may not be written (permissions, read-only file system)
    DestinationFull,     // no space left, or the quota is used up
    WriteFailed,         // anything else the system refused
};

struct EpubResult
{
    std::filesystem::path written; // the new file; empty on failure
    EpubFailure failure = EpubFailure::None;
    std::string detail; // what the system or the library said, for the details of a failure

    bool ok() const { return failure == EpubFailure::None; }
};

// Makes the EPUB of the book the converter wrote into `convertedFolder`, whose package file is `opf`
// (a path in that folder, or relative to it), and writes it into `destinationFolder` as
// "<bookName>.epub", or "<bookName> (2).epub" and so on when the name is taken: an existing file is
// never overwritten, and the file appears whole or not at all.
//
// Only what the package lists goes in, and only from inside the converted folder: a reference that
// leaves it, names a path from the root, or passes through a link is not followed.
EpubResult PackEpub(const std::filesystem::path& convertedFolder, const std::filesystem::path& opf,
                    const EpubSource& source, const std::filesystem::path& destinationFolder,
                    const std::string& bookName);

} // namespace epub
