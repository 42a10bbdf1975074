#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace epub {

// A path inside the book, as components joined by "/" with no ".", ".." or empty component: what is
// left of a reference once it is resolved. Nothing when the reference leaves the book or names it from
// the root.
std::optional<std::string> ResolveInBook(std::string_view fromFolder, std::string_view reference);
// The folder part of a path inside the book ("" for the book's own folder).
std::string FolderOf(std::string_view bookPath);

// The folder the converter wrote the book into, read without following a link: a file of the book
// that is a link, or sits in a folder that is one, cannot be read.
class BookFolder
{
public:
    // Throws std::system_error when the folder cannot be opened.
    explicit BookFolder(const std::filesystem::path& folder);
    ~BookFolder();
    BookFolder(const BookFolder&) = delete;
    BookFolder& operator=(const BookFolder&) = delete;

    // The bytes of a regular file at a path inside the book; nothing for a link, a folder, a device, a
    // missing file or one larger than the limit.
    std::optional<std::string> read(std::string_view bookPath) const;

    static constexpr std::size_t kLargestFile = 256u << 20;

private:
    int mFolder;
};

} // namespace epub
