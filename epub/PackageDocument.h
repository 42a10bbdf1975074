#pragma once

// The EPUB's package document (OPF 3.0) and its container file.

#include "epub/Book.h"

#include <string>
#include <vector>

namespace epub {

// The container's folder that holds the package and the book's files.
inline const std::string kContentFolder = "EPUB/";

struct BookMetadata
{
    std::string title;
    std::vector<Creator> creators; // each with its sort form
    std::string language;          // BCP 47
    std::string uid;               // a urn:uuid:
    std::string modified;          // W3C date-time, UTC
};

std::string PackageDocument(const Book& book, const SourcePackage& package, const BookMetadata& metadata,
                            const Resource* cover);
std::string ContainerDocument();

} // namespace epub
