#pragma once

#include "framework/Descriptor.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace conversion {

// A folder only this user can reach, holding links under plain names to what one conversion needs: the
// converter, the destination folder and, alone in a folder of its own and under its own name, the book.
// A command that names only these paths leaves the shell's pathname expansion nothing else to find.
// The folder goes, with everything in it, when the object goes; the program holds a lock on it meanwhile,
// so that a folder left behind by a program that was killed is known as such (see RemoveStale).
class StagingFolder
{
public:
    enum class Problem
    {
        None,
        BookMissing,
        BookNotRegularFile,
        NoPrivateFolder,
    };

    // Paths as the system names them; relative ones are taken from the working folder. The book and the
    // destination are resolved as the system resolves them. A converter that is missing is still linked,
    // so that running it fails as it would have without the folder.
    static std::unique_ptr<StagingFolder> Make(const std::string& converter, const std::string& book,
                                               const std::string& destination, Problem& problem);
    ~StagingFolder();
    StagingFolder(const StagingFolder&) = delete;
    StagingFolder& operator=(const StagingFolder&) = delete;

    // The folder itself: it holds the converter's link under the converter's own name.
    const std::string& Path() const { return mPath; }
    std::string Book() const { return mPath + "/ksiazka/" + mBookName; }
    std::string Destination() const { return mPath + "/cel"; }

    // Where each user's staging folders go: the folder for this user's private files when its path is
    // plain, else the temporary folder.
    static std::string ParentFolder();

    // Removes from the parent folder this user's staging folders whose program has gone (killed, or its
    // display gone); never a folder in use, one that someone else made, nor what a link names.
    static void RemoveStale();

    // The same for the program's other folders there, named `prefix` and six characters of mkdtemp's:
    // each is emptied by `empty` (given the folder, open) before it is removed.
    static void RemoveStale(std::string_view prefix, const std::function<void(int folder)>& empty);
    // Locks and marks a folder just made in the parent folder as the program's and in use, for as long
    // as the descriptor stays open: RemoveStale leaves it alone meanwhile, and removes it once the
    // program has gone. False when the folder cannot be.
    static bool Claim(int folder);

private:
    StagingFolder(std::string path, std::string bookName, framework::Descriptor lock)
        : mPath(std::move(path)), mBookName(std::move(bookName)), mLock(std::move(lock))
    {}

    std::string mPath;
    std::string mBookName;
    framework::Descriptor mLock; // the folder, opened and locked
};

} // namespace conversion
