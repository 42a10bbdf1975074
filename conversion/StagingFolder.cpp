#include "conversion/StagingFolder.h"

#include "framework/UserFolders.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace conversion {

namespace {

// Characters that the shell-path form leaves as they are, or gives back as themselves.
bool plainPath(const std::string& path)
{
    return path.starts_with('/') && std::all_of(path.begin(), path.end(), [](char c) {
               return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      c == '_' || c == '.' || c == '/' || c == '-';
           });
}

using framework::Descriptor;

const std::string kPrefix = "zwojnik-";
// mkdtemp's six characters.
constexpr std::size_t kUnique = 6;
const std::string kPattern = kPrefix + "XXXXXX";
// A folder that holds this file was made by the program.
constexpr const char* kMarker = ".zwojnik";
constexpr const char* kBookFolder = "ksiazka";

Descriptor openFolder(int parent, const char* name)
{
    return Descriptor(openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

std::vector<std::string> namesIn(int folder)
{
    std::vector<std::string> names;
    Descriptor copy(dup(folder)); // the listing closes the copy it is given
    DIR* entries = copy.Get() >= 0 ? fdopendir(copy.Get()) : nullptr;
    if (entries == nullptr) {
        return names;
    }
    copy.Release();
    rewinddir(entries);
    while (const dirent* entry = readdir(entries)) {
        names.emplace_back(entry->d_name);
    }
    closedir(entries);
    return names;
}

bool isA(int folder, const std::string& name, mode_t type)
{
    struct stat status = {};
    return fstatat(folder, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 &&
           (status.st_mode & S_IFMT) == type;
}

void removeLinks(int folder)
{
    for (const auto& name : namesIn(folder)) {
        if (isA(folder, name, S_IFLNK)) {
            unlinkat(folder, name.c_str(), 0);
        }
    }
}

// Only what a staging folder holds: its links, the book's folder and the marker. Links are removed, never
// followed; anything else stays, and so does the folder then.
void removeContents(int folder)
{
    if (const auto books = openFolder(folder, kBookFolder); books.Get() >= 0) {
        removeLinks(books.Get());
        unlinkat(folder, kBookFolder, AT_REMOVEDIR);
    }
    removeLinks(folder);
    if (isA(folder, kMarker, S_IFREG)) {
        unlinkat(folder, kMarker, 0);
    }
}

// Whether the folder is a staging folder of this user's that no program holds.
bool abandoned(int folder)
{
    struct stat status = {};
    // The program locks the folder before it marks it: a marked folder that can be locked has no program.
    return fstat(folder, &status) == 0 && status.st_uid == geteuid() && (status.st_mode & 07777) == 0700 &&
           flock(folder, LOCK_EX | LOCK_NB) == 0 && isA(folder, kMarker, S_IFREG);
}

std::string absolute(const std::string& path)
{
    std::error_code error;
    const auto made = std::filesystem::absolute(path, error);
    return error ? path : made.string();
}

// The path as the system resolves it, links and ".." in the order they come; nothing when it names
// nothing.
std::string resolved(const std::string& path, bool& missing)
{
    char buffer[PATH_MAX];
    if (realpath(path.c_str(), buffer) != nullptr) {
        missing = false;
        return buffer;
    }
    missing = errno == ENOENT || errno == ENOTDIR || errno == ELOOP;
    // Resolved by the system when the converter opens it, as far as this user may look.
    return absolute(path);
}

std::string lastComponent(std::string path)
{
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path.substr(path.rfind('/') + 1);
}

} // namespace

std::string StagingFolder::ParentFolder()
{
    // A name that mkdtemp made cannot be taken first, even in a folder where anyone may write.
    return framework::PrivateFilesParent(plainPath);
}

void StagingFolder::RemoveStale()
{
    RemoveStale(kPrefix, removeContents);
}

void StagingFolder::RemoveStale(std::string_view prefix, const std::function<void(int)>& empty)
{
    const Descriptor parent(open(ParentFolder().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    for (const auto& name : namesIn(parent.Get())) {
        if (name.size() != prefix.size() + kUnique || !name.starts_with(prefix)) {
            continue;
        }
        if (const auto folder = openFolder(parent.Get(), name.c_str());
            folder.Get() >= 0 && abandoned(folder.Get())) {
            empty(folder.Get());
            unlinkat(parent.Get(), name.c_str(), AT_REMOVEDIR);
        }
    }
}

bool StagingFolder::Claim(int folder)
{
    if (flock(folder, LOCK_EX) != 0) {
        return false;
    }
    const Descriptor marker(
        openat(folder, kMarker, O_CREAT | O_EXCL | O_WRONLY | O_NOFOLLOW | O_CLOEXEC, 0600));
    return marker.Get() >= 0;
}

std::unique_ptr<StagingFolder> StagingFolder::Make(const std::string& converter, const std::string& book,
                                                   const std::string& destination, Problem& problem)
{
    bool missing = false;
    const auto bookTarget = resolved(book, missing);
    struct stat status = {};
    if (missing) {
        problem = Problem::BookMissing;
        return nullptr;
    }
    if (stat(bookTarget.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) {
        problem = Problem::BookNotRegularFile;
        return nullptr;
    }
    const auto destinationTarget = resolved(destination, missing);

    auto path = ParentFolder() + "/" + kPattern;
    if (mkdtemp(path.data()) == nullptr) {
        problem = Problem::NoPrivateFolder;
        return nullptr;
    }
    Descriptor lock(open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (lock.Get() < 0 || !Claim(lock.Get())) {
        rmdir(path.c_str());
        problem = Problem::NoPrivateFolder;
        return nullptr;
    }
    std::unique_ptr<StagingFolder> folder(new StagingFolder(path, lastComponent(book), std::move(lock)));
    const bool linked =
        framework::IsOwnPrivateFolder(path) && mkdirat(folder->mLock.Get(), kBookFolder, 0700) == 0 &&
        symlink(absolute(converter).c_str(), (path + "/" + lastComponent(converter)).c_str()) == 0 &&
        symlink(destinationTarget.c_str(), folder->Destination().c_str()) == 0 &&
        symlink(bookTarget.c_str(), folder->Book().c_str()) == 0;
    if (!linked) {
        problem = Problem::NoPrivateFolder;
        return nullptr;
    }
    problem = Problem::None;
    return folder;
}

StagingFolder::~StagingFolder()
{
    removeContents(mLock.Get());
    rmdir(mPath.c_str());
}

} // namespace conversion
