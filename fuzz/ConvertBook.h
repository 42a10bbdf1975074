#pragma once

// Converts one book, given in memory, as `clit-intel BOOK DIR/` does: the converter's own main() (built
// from the patched source as clit_main) reads the book from a file and writes its pages, pictures and
// OPF into an empty destination folder, which goes again after every run. What the fuzzers of the
// converter share.

#include <cstddef>
#include <cstdint>

namespace fuzz {

// Once, before the first book: the scratch folder, where the books are written with a key file beside
// them, and standard output sent away.
void PrepareConversions();

void ConvertBook(const std::uint8_t* book, std::size_t size);

} // namespace fuzz
