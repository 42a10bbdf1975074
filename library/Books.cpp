#include "library/Books.h"

#include <algorithm>
#include <set>
#include <sys/stat.h>

namespace library {

namespace {

namespace fs = std::filesystem;

bool hasLitExtension(const fs::path& path)
{
    auto extension = path.extension().string();
    std::ranges::transform(extension, extension.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".lit";
}

std::vector<fs::path> booksUnder(const fs::path& folder, std::vector<std::string>& problems)
{
    std::vector<fs::path> books;
    std::error_code error;
    fs::recursive_directory_iterator entries(folder, fs::directory_options::skip_permission_denied, error);
    for (; !error && entries != fs::recursive_directory_iterator(); entries.increment(error)) {
        std::error_code typeError;
        if (entries->is_regular_file(typeError) && !entries->is_symlink(typeError) &&
            hasLitExtension(entries->path())) {
            books.push_back(entries->path());
        }
    }
    if (error) {
        problems.push_back("Nie mogę przejrzeć teczki „" + folder.string() + "”: " + error.message() + ".");
    }
    std::ranges::sort(books);
    return books;
}

} // namespace

FoundBooks FindBooks(const std::vector<fs::path>& paths)
{
    FoundBooks found;
    // The same file by another name is the same book.
    std::set<std::pair<dev_t, ino_t>> seen;
    const auto take = [&](const fs::path& book) {
        struct stat status = {};
        if (stat(book.c_str(), &status) != 0 || seen.insert({status.st_dev, status.st_ino}).second) {
            found.books.push_back(book);
        }
    };
    for (const auto& path : paths) {
        std::error_code error;
        const auto status = fs::status(path, error);
        if (fs::is_directory(status)) {
            std::ranges::for_each(booksUnder(path, found.problems), take);
        } else if (fs::exists(status)) {
            take(path);
        } else {
            found.problems.push_back("Nie mogę znaleźć „" + path.string() + "”.");
        }
    }
    return found;
}

} // namespace library
