#pragma once

// The package file (OPF) the converter wrote: the book's metadata, its files, their order and its guide.

#include <string>
#include <string_view>
#include <vector>

namespace epub {

struct Creator
{
    std::string name;
    std::string fileAs; // the sort form the book gives, if any
    std::string role;   // a MARC relator code ("aut"), if any
};

struct ManifestItem
{
    std::string id;
    std::string href; // as the package writes it, relative to the package's folder
    std::string mediaType;
};

struct GuideReference
{
    std::string type; // lower-cased: "toc", "cover", "other.ms-coverimage-standard", …
    std::string href;
};

struct SourcePackage
{
    std::string title;
    std::vector<Creator> creators;
    std::string language;
    std::string identifier;
    std::string publisher;
    std::string description;
    std::string date;
    std::string rights;
    std::vector<std::string> subjects;
    std::string coverId; // the manifest item a <meta name="cover"> names
    std::vector<ManifestItem> manifest;
    std::vector<std::string> spine; // manifest ids, in reading order
    std::vector<GuideReference> guide;
};

// The package from its text; what it does not say is left empty. OEB 1.0 (dc:Title) and OPF 2 (dc:title)
// spellings are both read.
SourcePackage ReadSourcePackage(std::string_view text);

} // namespace epub
