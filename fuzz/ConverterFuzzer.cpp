// Converts each input as a book, as `clit-intel BOOK DIR/` does (ConvertBook.h): the whole file is the
// fuzzer's to change, byte by byte.
#include "ConvertBook.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::PrepareConversions();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::ConvertBook(data, size);
    return 0;
}
