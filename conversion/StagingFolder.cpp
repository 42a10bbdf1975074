#include "conversion/StagingFolder.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

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

bool ownPrivateFolder(const std::string& path)
{
    struct stat status = {};
    return lstat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode) && status.st_uid == geteuid() &&
           (status.st_mode & 07777) == 0700;
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

std::string readableFromEnvironment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

} // namespace

std::string StagingFolder::ParentFolder()
{
    if (const auto runtime = readableFromEnvironment("XDG_RUNTIME_DIR");
        plainPath(runtime) && ownPrivateFolder(runtime)) {
        return runtime;
    }
    // Anyone may write in the temporary folder, but a name that mkdtemp made cannot be taken first.
    if (const auto temporary = readableFromEnvironment("TMPDIR");
        plainPath(temporary) && std::filesystem::is_directory(temporary)) {
        return temporary;
    }
    return "/tmp";
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

    auto pattern = ParentFolder() + "/zwojnik-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        problem = Problem::NoPrivateFolder;
        return nullptr;
    }
    std::unique_ptr<StagingFolder> folder(new StagingFolder(pattern, lastComponent(book)));
    const bool linked =
        ownPrivateFolder(folder->mPath) && mkdir((folder->mPath + "/ksiazka").c_str(), 0700) == 0 &&
        symlink(absolute(converter).c_str(), (folder->mPath + "/" + lastComponent(converter)).c_str()) == 0 &&
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
    // Only what was put here: links are removed, never followed.
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(mPath + "/ksiazka", error)) {
        unlink(entry.path().c_str());
    }
    rmdir((mPath + "/ksiazka").c_str());
    for (const auto& entry : std::filesystem::directory_iterator(mPath, error)) {
        unlink(entry.path().c_str());
    }
    rmdir(mPath.c_str());
}

} // namespace conversion
