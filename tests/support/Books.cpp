#include "support/Books.h"

#include "support/Conversion.h"

#include <fstream>
#include <stdexcept>

namespace testsupport {

namespace {

void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

} // namespace

void MakeProtectedBook(const std::string& path)
{
    // A directory entry is its name's length, the name, then its section, offset and size. The new name
    // is four bytes shorter; four zero bytes after the entry read as one more entry, nameless and empty.
    const std::string validation = "\x1c/DRMStorage/ValidationStream";
    const std::string licence = "\x18/DRMStorage/Licenses/EUL";
    auto book = ReadFile(TestBook("krotka.lit"));
    const auto at = book.find(validation);
    if (at == std::string::npos) {
        throw std::runtime_error("krotka.lit has no validation stream entry");
    }
    const std::string location = book.substr(at + validation.size(), 3);
    book.replace(at, validation.size() + 3, licence + location + std::string(4, '\0'));
    writeFile(path, book);
}

void MakeDamagedBook(const std::string& path, std::size_t offset)
{
    auto book = ReadFile(TestBook("krotka.lit"));
    book.at(offset) = static_cast<char>(~book.at(offset));
    writeFile(path, book);
}

std::size_t ShortBookSize()
{
    return ReadFile(TestBook("krotka.lit")).size();
}

} // namespace testsupport
