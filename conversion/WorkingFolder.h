#pragma once

#include "framework/Descriptor.h"

#include <memory>
#include <string>

namespace conversion {

// A folder only this user can reach, beside the staging folders, where the converter writes a book that
// the program makes into something else. It goes with everything in it when the object goes; links in it
// are removed, never followed. It is locked and marked as a staging folder is, so that one left behind
// by a program that was killed is known as such (see RemoveStale).
class WorkingFolder
{
public:
    // Nothing when no such folder can be made.
    static std::unique_ptr<WorkingFolder> Make();

    // Removes this user's working folders whose program has gone, with all they hold, as
    // StagingFolder::RemoveStale removes staging folders.
    static void RemoveStale();
    ~WorkingFolder();
    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;

    const std::string& Path() const { return mPath; }

private:
    WorkingFolder(std::string path, framework::Descriptor folder)
        : mPath(std::move(path)), mFolder(std::move(folder))
    {}

    std::string mPath;
    framework::Descriptor mFolder; // the folder as it was made, whatever its path names later; locked
};

} // namespace conversion
