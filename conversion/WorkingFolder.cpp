#include "conversion/WorkingFolder.h"

#include "conversion/StagingFolder.h"
#include "framework/UserFolders.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <vector>

namespace conversion {

namespace {

using framework::Descriptor;

// Empties the folder: folders are entered without following a link, and everything else is unlinked.
void removeContents(int folder)
{
    Descriptor copy(dup(folder)); // the listing closes the copy it is given
    DIR* entries = copy.Get() >= 0 ? fdopendir(copy.Get()) : nullptr;
    if (entries == nullptr) {
        return;
    }
    copy.Release();
    std::vector<std::string> names;
    while (const dirent* entry = readdir(entries)) {
        if (const std::string name = entry->d_name; name != "." && name != "..") {
            names.push_back(name);
        }
    }
    closedir(entries);
    for (const auto& name : names) {
        if (const Descriptor inner(
                openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            inner.Get() >= 0) {
            removeContents(inner.Get());
            unlinkat(folder, name.c_str(), AT_REMOVEDIR);
        } else {
            unlinkat(folder, name.c_str(), 0);
        }
    }
}

const std::string kPrefix = "zwojnik-praca-";

} // namespace

std::unique_ptr<WorkingFolder> WorkingFolder::Make()
{
    auto path = StagingFolder::ParentFolder() + "/" + kPrefix + "XXXXXX";
    if (mkdtemp(path.data()) == nullptr) {
        return nullptr;
    }
    Descriptor folder(open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    std::unique_ptr<WorkingFolder> made(new WorkingFolder(path, std::move(folder)));
    if (made->mFolder.Get() < 0 || !StagingFolder::Claim(made->mFolder.Get()) ||
        !framework::IsOwnPrivateFolder(path)) {
        return nullptr;
    }
    return made;
}

void WorkingFolder::RemoveStale()
{
    StagingFolder::RemoveStale(kPrefix, removeContents);
}

WorkingFolder::~WorkingFolder()
{
    removeContents(mFolder.Get());
    rmdir(mPath.c_str());
}

} // namespace conversion
