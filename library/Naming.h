#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace library {

// Whether the folder lies on a file system that takes only the names Windows takes (FAT, exFAT, NTFS,
// and the FUSE drivers that serve them).
bool NamesRestricted(const std::filesystem::path& folder);

// The name made valid for a file system: '/' and NUL, and where names are restricted the characters
// <>:"\|?* and control characters, become '_'; where names are restricted, dots and spaces at the end go.
// A name longer than maxBytes is cut at a character's boundary. A name that is left empty, or that is
// "." or "..", becomes "książka".
std::string MendName(std::string name, bool restricted, std::size_t maxBytes);

// A new folder in the destination named after the book, made valid there: "name", else "name (2)",
// "name (3)" and so on. Nothing that exists is taken, and making the folder is what takes its name, so two
// books of one name never share one. Nothing when it cannot be made; errno tells why.
std::optional<std::filesystem::path> MakeBookFolder(const std::filesystem::path& destination,
                                                    const std::string& bookName);

// The name under which the book's EPUB goes into the destination, without ".epub", made valid there.
std::string EpubName(const std::filesystem::path& destination, const std::string& bookName);

} // namespace library
