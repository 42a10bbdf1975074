#include "epub/BookFolder.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace epub {

namespace {

std::vector<std::string_view> components(std::string_view path)
{
    std::vector<std::string_view> parts;
    while (!path.empty()) {
        const auto slash = path.find('/');
        parts.push_back(path.substr(0, slash));
        path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
    }
    return parts;
}

class Descriptor
{
public:
    explicit Descriptor(int descriptor) : mDescriptor(descriptor) {}
    ~Descriptor()
    {
        if (mDescriptor >= 0) {
            close(mDescriptor);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    Descriptor(Descriptor&& other) noexcept : mDescriptor(other.mDescriptor) { other.mDescriptor = -1; }
    Descriptor& operator=(Descriptor&& other) noexcept
    {
        std::swap(mDescriptor, other.mDescriptor);
        return *this;
    }
    int get() const { return mDescriptor; }

private:
    int mDescriptor;
};

} // namespace

std::optional<std::string> ResolveInBook(std::string_view fromFolder, std::string_view reference)
{
    if (reference.empty() || reference.front() == '/' || reference.front() == '\\') {
        return std::nullopt;
    }
    std::vector<std::string_view> parts = components(fromFolder);
    std::erase(parts, std::string_view());
    for (const auto part : components(reference)) {
        if (part == "..") {
            if (parts.empty()) {
                return std::nullopt;
            }
            parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
    }
    if (parts.empty()) {
        return std::nullopt;
    }
    std::string path;
    for (const auto part : parts) {
        path += (path.empty() ? "" : "/") + std::string(part);
    }
    return path;
}

std::string FolderOf(std::string_view bookPath)
{
    const auto slash = bookPath.rfind('/');
    return slash == std::string_view::npos ? std::string() : std::string(bookPath.substr(0, slash));
}

BookFolder::BookFolder(const std::filesystem::path& folder)
    : mFolder(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
{
    if (mFolder < 0) {
        throw std::system_error(errno, std::generic_category(), folder.string());
    }
}

BookFolder::~BookFolder()
{
    close(mFolder);
}

std::optional<std::string> BookFolder::read(std::string_view bookPath) const
{
    const auto parts = components(bookPath);
    if (parts.empty()) {
        return std::nullopt;
    }
    Descriptor folder(-1);
    int at = mFolder;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::string part(parts[i]);
        if (part.empty() || part == "." || part == "..") {
            return std::nullopt;
        }
        const bool last = i + 1 == parts.size();
        Descriptor next(
            openat(at, part.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | (last ? O_NONBLOCK : O_DIRECTORY)));
        if (next.get() < 0) {
            return std::nullopt;
        }
        folder = std::move(next);
        at = folder.get();
    }
    struct stat status = {};
    if (fstat(at, &status) != 0 || !S_ISREG(status.st_mode) ||
        static_cast<std::uintmax_t>(status.st_size) > kLargestFile) {
        return std::nullopt;
    }
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(status.st_size));
    char block[65536];
    for (ssize_t got; (got = ::read(at, block, sizeof block)) != 0;) {
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return std::nullopt;
        }
        bytes.append(block, static_cast<std::size_t>(got));
        if (bytes.size() > kLargestFile) {
            return std::nullopt;
        }
    }
    return bytes;
}

} // namespace epub
