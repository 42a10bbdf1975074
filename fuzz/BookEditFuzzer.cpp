// Converts calibre-made test books edited as the input says (ConvertBook.h). Blind changes to a whole book
// almost never leave its directory readable, so this fuzzer reads its input as a list of edits to the
// directory of a sound book instead, and writes the directory anew after them: a file's section, offset
// and size (near the ends of its section, or wrapping past 2^64), its name, its contents, and an
// End-User-License (/DRMStorage/Licenses/EUL) with a <VALUE> of the input's choosing, which makes the
// book a DRM5 one.
//
// Input: one byte choosing the book, then edits, each an operation byte and its operands (little-endian
// numbers; past the end of the input every byte reads 0):
//   0 entry offset-kind number   the entry's offset        1 entry size-kind number   its size
//   2 entry byte                 its section (0 to 5)      3 entry name               its name
//   4 flags length chars...      a license                 5 entry length bytes...    its contents
//   6 entry                      remove it                 7 entry name               a copy, named so
//   8 position length bytes...   overwrite the book's bytes at the position
// An entry is a 16-bit index into the directory; a name is a byte, below 0xC0 one of kNames, else a
// length byte and that many bytes. See OffsetOrSize() for the kinds of number, License() for the flags.
#include "ConvertBook.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint32_t ReadU32(const Bytes& bytes, std::size_t at)
{
    if (at + 4 > bytes.size()) {
        return 0;
    }
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | std::uint32_t(bytes[at + 3]) << 24;
}

void WriteU32(Bytes& bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

// The directory's variable-length numbers: seven bits a byte, the highest first, the top bit set on all
// but the last byte.
void AppendNumber(Bytes& out, std::uint64_t value)
{
    std::uint8_t digits[10];
    int count = 0;
    do {
        digits[count++] = value & 0x7f;
        value >>= 7;
    } while (value != 0);
    while (count > 1) {
        out.push_back(digits[--count] | 0x80);
    }
    out.push_back(digits[0]);
}

std::optional<std::uint64_t> ReadNumber(const Bytes& bytes, std::size_t& at, std::size_t end)
{
    std::uint64_t value = 0;
    while (at < end) {
        const auto byte = bytes[at++];
        value = value << 7 | (byte & 0x7f);
        if (!(byte & 0x80)) {
            return value;
        }
    }
    return std::nullopt;
}

struct Entry
{
    std::string name;
    std::uint64_t section = 0;
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
};

const std::uint32_t kAoll = 0x4c4c4f41;
// A name of at most 255 bytes and three numbers of at most ten bytes each, with the name's length.
const std::size_t kLongestEntry = 2 + 255 + 3 * 10;

// A book and its directory, read from piece 1 of the header (the IFCM piece of AOLL chunks); section 0
// is the book's own bytes from the content offset on.
class Book
{
public:
    static std::optional<Book> Read(Bytes bytes)
    {
        Book book;
        book.bytes_ = std::move(bytes);
        const auto& b = book.bytes_;
        const auto headerLength = ReadU32(b, 12);
        const auto pieces = ReadU32(b, 16);
        book.directoryPiece_ = headerLength + 16;
        const std::size_t directory = ReadU32(b, book.directoryPiece_);
        const auto secondary = headerLength + 16 * pieces;
        const auto itsf = std::search(b.begin() + std::min<std::size_t>(secondary, b.size()), b.end(),
                                      std::begin("ITSF"), std::end("ITSF") - 1);
        book.contentOffset_ = ReadU32(b, itsf - b.begin() + 16);
        book.chunkSize_ = ReadU32(b, directory + 8);
        const auto chunks = ReadU32(b, directory + 24);
        if (pieces < 2 || book.contentOffset_ == 0 || book.contentOffset_ > b.size() ||
            book.chunkSize_ < 64 || directory + 32 + std::uint64_t(chunks) * book.chunkSize_ > b.size()) {
            return std::nullopt;
        }
        book.directoryHeader_.assign(b.begin() + directory, b.begin() + directory + 32);
        for (std::size_t chunk = 0; chunk < chunks; ++chunk) {
            const auto start = directory + 32 + chunk * book.chunkSize_;
            if (ReadU32(b, start) != kAoll) {
                continue;
            }
            const auto free = ReadU32(b, start + 4);
            if (free > book.chunkSize_ - 48) {
                return std::nullopt;
            }
            book.chunkHeader_.assign(b.begin() + start, b.begin() + start + 48);
            std::size_t at = start + 48;
            const std::size_t end = at + book.chunkSize_ - 48 - free;
            // The count at the chunk's end, as the converter reads it: a chunk may end in padding.
            const auto count = b[start + book.chunkSize_ - 2] | b[start + book.chunkSize_ - 1] << 8;
            for (int read = 0; at < end && (count == 0 || read < count); ++read) {
                const auto length = ReadNumber(b, at, end);
                if (!length || *length > end - at) {
                    return std::nullopt;
                }
                const std::string name(b.begin() + at, b.begin() + at + *length);
                at += *length;
                const auto section = ReadNumber(b, at, end);
                const auto offset = ReadNumber(b, at, end);
                const auto size = ReadNumber(b, at, end);
                if (!section || !offset || !size) {
                    return std::nullopt;
                }
                book.entries_.push_back({name, *section, *offset, *size});
            }
        }
        if (book.entries_.empty() || book.chunkSize_ < 48 + 2 + kLongestEntry) {
            return std::nullopt;
        }
        return book;
    }

    std::vector<Entry>& Entries() { return entries_; }
    Bytes& Contents() { return bytes_; }

    // Puts the data at the end of the book, in section 0; gives its offset there.
    std::uint64_t Append(const Bytes& data)
    {
        const auto offset = bytes_.size() - contentOffset_;
        bytes_.insert(bytes_.end(), data.begin(), data.end());
        return offset;
    }

    // How far section 0 goes, or how far the book's entries go in another section.
    std::uint64_t SectionEnd(std::uint64_t section) const
    {
        if (section == 0) {
            return bytes_.size() - contentOffset_;
        }
        std::uint64_t end = 0;
        for (const auto& entry : entries_) {
            if (entry.section == section) {
                end = std::max(end, entry.offset + entry.size);
            }
        }
        return end;
    }

    // The book with its directory written anew, at the end, in as many chunks as the entries need.
    Bytes Write() const
    {
        Bytes piece = directoryHeader_;
        std::size_t chunks = 0;
        auto entry = entries_.begin();
        do {
            Bytes chunk = chunkHeader_;
            std::uint16_t count = 0;
            for (; entry != entries_.end(); ++entry, ++count) {
                Bytes encoded;
                AppendNumber(encoded, entry->name.size());
                encoded.insert(encoded.end(), entry->name.begin(), entry->name.end());
                AppendNumber(encoded, entry->section);
                AppendNumber(encoded, entry->offset);
                AppendNumber(encoded, entry->size);
                if (chunk.size() + encoded.size() + 2 > chunkSize_ && count > 0) {
                    break;
                }
                chunk.insert(chunk.end(), encoded.begin(), encoded.end());
            }
            WriteU32(chunk, 4, static_cast<std::uint32_t>(chunkSize_ - chunk.size()));
            chunk.resize(chunkSize_);
            chunk[chunkSize_ - 2] = count & 0xff;
            chunk[chunkSize_ - 1] = count >> 8;
            piece.insert(piece.end(), chunk.begin(), chunk.end());
            ++chunks;
        } while (entry != entries_.end());
        WriteU32(piece, 24, static_cast<std::uint32_t>(chunks));
        Bytes book = bytes_;
        WriteU32(book, directoryPiece_, static_cast<std::uint32_t>(book.size()));
        WriteU32(book, directoryPiece_ + 8, static_cast<std::uint32_t>(piece.size()));
        book.insert(book.end(), piece.begin(), piece.end());
        return book;
    }

private:
    Bytes bytes_;
    std::size_t directoryPiece_ = 0;
    std::uint32_t contentOffset_ = 0;
    std::uint32_t chunkSize_ = 0;
    Bytes directoryHeader_;
    Bytes chunkHeader_;
    std::vector<Entry> entries_;
};

class Input
{
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), left_(size) {}

    bool Done() const { return left_ == 0; }

    std::uint8_t Byte()
    {
        if (left_ == 0) {
            return 0;
        }
        --left_;
        return *data_++;
    }

    template <typename Number> Number Read()
    {
        Number value = 0;
        for (std::size_t i = 0; i < sizeof(Number); ++i) {
            value |= static_cast<Number>(Byte()) << (8 * i);
        }
        return value;
    }

    Bytes Take(std::size_t count)
    {
        count = std::min(count, left_);
        Bytes taken(data_, data_ + count);
        data_ += count;
        left_ -= count;
        return taken;
    }

private:
    const std::uint8_t* data_;
    std::size_t left_;
};

// Names the converter looks for.
const char* const kNames[] = {
    "/DRMStorage/Licenses/EUL",
    "/DRMStorage/DRMSealed",
    "/DRMStorage/DRMSource",
    "/DRMStorage/DRMBookplate",
    "/DRMStorage/ValidationStream",
    "/manifest",
    "/meta",
    "::DataSpace/NameList",
    "::DataSpace/Storage/MSCompressed/Content",
    "::DataSpace/Storage/MSCompressed/ControlData",
    "::DataSpace/Storage/MSCompressed/Transform/List",
    ("::DataSpace/Storage/MSCompressed/Transform/{0A9007C6-4076-11D3-8789-0000F8105754}/"
     "InstanceData/ResetTable"),
    "::DataSpace/Storage/EbEncryptOnlyDS/Content",
    "/data/html/content",
    "/data/css"};

std::string Name(Input& input)
{
    const auto choice = input.Byte();
    if (choice < 0xC0) {
        return kNames[choice % std::size(kNames)];
    }
    const auto name = input.Take(input.Byte());
    return {name.begin(), name.end()};
}

Entry* Pick(Book& book, Input& input)
{
    const auto index = input.Read<std::uint16_t>();
    return book.Entries().empty() ? nullptr : &book.Entries()[index % book.Entries().size()];
}

// An offset or a size: a kind byte, then a number that the kind reads as a step from the value now, a
// distance below the section's end or below 2^64, a power of two, or the value itself.
std::uint64_t OffsetOrSize(Input& input, std::uint64_t now, std::uint64_t sectionEnd)
{
    switch (input.Byte() % 5) {
    case 0:
        return now + static_cast<std::int16_t>(input.Read<std::uint16_t>());
    case 1:
        return sectionEnd - input.Read<std::uint16_t>();
    case 2:
        return 0 - std::uint64_t(input.Read<std::uint32_t>());
    case 3:
        return std::uint64_t(1) << (input.Byte() % 64);
    default:
        return input.Read<std::uint64_t>();
    }
}

// The license as Microsoft Reader keeps it, in UTF-16: <ENABLINGBITS> around a <VALUE> holding base64
// (with '!' and '*' for '+' and '/'). Each character of the value is one of kValue, chosen by a byte.
// The flags leave out a tag, or give the value's tag an attribute, or the license an odd byte count.
Bytes License(Input& input)
{
    static const std::string kValue =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/!*= \"<>";
    const auto flags = input.Byte();
    const auto length = input.Read<std::uint16_t>() % 1024;
    std::string value;
    for (const auto byte : input.Take(length)) {
        value += kValue[byte % kValue.size()];
    }
    std::string text = flags & 1 ? "<LICENSE>" : "";
    text += flags & 2 ? "" : "<ENABLINGBITS>";
    text += flags & 4 ? "<VALUE a=\">\">" : "<VALUE>";
    text += value;
    text += flags & 8 ? "" : "</VALUE>";
    text += flags & 16 ? "" : "</ENABLINGBITS>";
    text += flags & 1 ? "</LICENSE>" : "";
    Bytes utf16;
    for (const char c : text) {
        utf16.push_back(static_cast<std::uint8_t>(c));
        utf16.push_back(0);
    }
    if (flags & 32) {
        utf16.pop_back();
    }
    return utf16;
}

void PutLicense(Book& book, const Bytes& license)
{
    auto& entries = book.Entries();
    auto entry = std::find_if(entries.begin(), entries.end(),
                              [](const Entry& e) { return e.name == "/DRMStorage/Licenses/EUL"; });
    if (entry == entries.end()) {
        entry = std::find_if(entries.begin(), entries.end(),
                             [](const Entry& e) { return e.name == "/DRMStorage/DRMSealed"; });
    }
    if (entry == entries.end()) {
        entries.push_back({});
        entry = entries.end() - 1;
    }
    *entry = {"/DRMStorage/Licenses/EUL", 0, book.Append(license), license.size()};
}

void Edit(Book& book, Input& input)
{
    const auto operation = input.Byte() % 9;
    if (operation == 4) {
        PutLicense(book, License(input));
        return;
    }
    if (operation == 8) {
        auto& bytes = book.Contents();
        const auto position = input.Read<std::uint32_t>() % bytes.size();
        const auto replacement = input.Take(input.Byte() % 16);
        std::copy_n(replacement.begin(), std::min(replacement.size(), bytes.size() - position),
                    bytes.begin() + position);
        return;
    }
    Entry* entry = Pick(book, input);
    if (!entry) {
        return;
    }
    switch (operation) {
    case 0:
        entry->offset = OffsetOrSize(input, entry->offset, book.SectionEnd(entry->section));
        break;
    case 1:
        entry->size = OffsetOrSize(input, entry->size, book.SectionEnd(entry->section) - entry->offset);
        break;
    case 2:
        entry->section = input.Byte() % 6;
        break;
    case 3:
        entry->name = Name(input);
        break;
    case 5: {
        const auto contents = input.Take(input.Read<std::uint16_t>() % 4096);
        *entry = {entry->name, 0, book.Append(contents), contents.size()};
        break;
    }
    case 6:
        book.Entries().erase(book.Entries().begin() + (entry - book.Entries().data()));
        break;
    default: {
        auto copy = *entry;
        copy.name = Name(input);
        book.Entries().push_back(copy);
        break;
    }
    }
}

std::vector<Book> templates;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::PrepareConversions();
    for (const char* name : {"krotka.lit", "podfoldery.lit", "ryciny.lit"}) {
        std::ifstream file(std::string(ZWOJNIK_TEST_DATA "/") + name, std::ios::binary);
        auto book = Book::Read(Bytes(std::istreambuf_iterator<char>(file), {}));
        if (!book) {
            std::abort();
        }
        templates.push_back(std::move(*book));
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Input input(data, size);
    Book book = templates[input.Byte() % templates.size()];
    for (int edits = 0; edits < 32 && !input.Done(); ++edits) {
        Edit(book, input);
    }
    const auto written = book.Write();
    fuzz::ConvertBook(written.data(), written.size());
    return 0;
}
