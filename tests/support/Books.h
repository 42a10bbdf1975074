#pragma once

// Books made for failures the committed ones do not show.

#include <string>

namespace testsupport {

// krotka.lit made into a book protected by an owner-exclusive licence (DRM5), which the converter
// cannot remove: its validation stream's directory entry is renamed to the licence's name.
void MakeProtectedBook(const std::string& path);

// A copy of krotka.lit with the byte at this offset inverted.
void MakeDamagedBook(const std::string& path, std::size_t offset);

// The size of krotka.lit.
std::size_t ShortBookSize();

} // namespace testsupport
