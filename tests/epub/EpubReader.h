#pragma once

// An EPUB as a reader opens it: its entries, its package, its pages parsed as XML.

#include <map>
#include <string>
#include <vector>

namespace testsupport {

struct ZipEntry
{
    std::string name;
    std::string bytes;
    bool stored = false;
    bool hasExtraField = false;
};

// The archive's entries in their order; fails the test when it cannot be read.
std::vector<ZipEntry> ZipEntries(const std::string& path);

// An EPUB's files by their path inside the container.
std::map<std::string, std::string> EpubFiles(const std::string& path);

} // namespace testsupport
