#include "framework/UserFolders.h"

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace framework {

namespace {

bool safeStep(const String& folder)
{
    struct stat status = {};
    if (lstat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
        return false;
    }
    const bool trustedOwner = status.st_uid == geteuid() || status.st_uid == 0;
    const bool othersWrite = (status.st_mode & (S_IWGRP | S_IWOTH)) != 0;
    return trustedOwner && (!othersWrite || (status.st_mode & S_ISVTX) != 0);
}

String fromEnvironment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

} // namespace

bool IsSafeFolder(const String& path)
{
    if (!path.starts_with('/') || !safeStep("/")) {
        return false;
    }
    // Each folder on the way: whoever may rename one may swap everything below it.
    for (auto end = path.find('/', 1);; end = path.find('/', end + 1)) {
        if (!safeStep(path.substr(0, end))) {
            return false;
        }
        if (end == String::npos) {
            return true;
        }
    }
}

bool IsOwnPrivateFolder(const String& path)
{
    struct stat status = {};
    return IsSafeFolder(path) && lstat(path.c_str(), &status) == 0 && status.st_uid == geteuid() &&
           (status.st_mode & 07777) == 0700;
}

String PrivateFilesParent(const std::function<bool(const String&)>& suits)
{
    if (const auto runtime = fromEnvironment("XDG_RUNTIME_DIR");
        IsOwnPrivateFolder(runtime) && suits(runtime)) {
        return runtime;
    }
    if (const auto temporary = fromEnvironment("TMPDIR"); IsSafeFolder(temporary) && suits(temporary)) {
        return temporary;
    }
    return "/tmp";
}

} // namespace framework
