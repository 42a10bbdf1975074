#pragma once

#include "framework/Text.h"

#include <optional>
#include <set>

namespace conversion {

using framework::String;

// The names of the package files (".opf") in a folder; none when it cannot be read.
std::set<String> PackageNames(const String& folderPath);

// The package file a conversion wrote, from the folder's package names before and after it. The
// converter names it after the book's file, or, where that name is taken, takes a free one; a converter
// that replaces the file it finds leaves no new name, and then the book's own is the one.
std::optional<String> WrittenPackage(const std::set<String>& before, const std::set<String>& after,
                                     const String& bookFileName);

// The path of the book's first page: the first item of the package's spine, as its manifest names it
// relative to the package. Nothing when the package cannot be read or names no such file.
std::optional<String> FirstPage(const String& packagePath);

// A file URL for an absolute path, with what a URL may not carry percent-encoded.
String FileUrl(const String& absolutePath);

} // namespace conversion
