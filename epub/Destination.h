#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

namespace epub {

// The names a file may take in a folder, in turn: "Name.epub", "Name (2).epub", "Name (3).epub", …
std::string FreeName(std::string_view name, std::string_view extension, int attempt);

struct Placed
{
    std::filesystem::path path; // empty when it was not written
    std::error_code error;
};

// Writes the bytes as a new file in the folder under the first free name of FreeName: first under a
// temporary name there, then renamed without replacing anything, so that the file is there whole or not
// at all and no file already in the folder is ever overwritten.
Placed PlaceNewFile(const std::filesystem::path& folder, std::string_view name, std::string_view extension,
                    std::string_view bytes);

} // namespace epub
