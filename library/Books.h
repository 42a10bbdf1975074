#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace library {

// The books a library run is given, and what among the given paths is no book.
struct FoundBooks
{
    std::vector<std::filesystem::path> books; // in the order given; each folder's books sorted by path
    std::vector<std::string> problems;        // in Polish, one a path that cannot be used
};

// The books the paths name. A path naming a file is a book, whatever its name; a path naming a folder
// stands for every regular file whose name ends in ".lit" (in any case) under it, in its subfolders too.
// Inside a chosen folder no link is followed, to a folder or to a file: a library's links lead out of it
// or back into it, and either way to books that are not its own or that it has already. A book named
// twice is converted once.
FoundBooks FindBooks(const std::vector<std::filesystem::path>& paths);

} // namespace library
