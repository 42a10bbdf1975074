#pragma once

#include "framework/Text.h"

#include <memory>

namespace framework {

class FolderItem;
using FolderItemPtr = std::shared_ptr<FolderItem>;

// A file or folder, named by its absolute POSIX path. The item need not exist.
class FolderItem
{
public:
    // A relative path is taken from the current working directory.
    static FolderItemPtr FromPath(const String& path);

    // The path as the system names the item (no trailing slash but for the root).
    const String& NativePath() const { return mPath; }
    // The folder that holds this item, or nothing for the root.
    FolderItemPtr Parent() const;

    // The path in shell form: every byte that is not an ASCII letter, digit, '_', '.' or '/' stands
    // after a backslash (bytes of multibyte UTF-8 characters are left alone), and a folder's path
    // ends with a slash.
    String ShellPath() const;

private:
    explicit FolderItem(String absolutePath) : mPath(std::move(absolutePath)) {}
    String mPath;
};

// Escapes a path the way ShellPath does, without the trailing slash of folders.
String EscapeForShell(const String& path);

} // namespace framework
