#include "framework/Files.h"

#include <filesystem>

namespace framework {

namespace fs = std::filesystem;

FolderItemPtr FolderItem::FromPath(const String& path)
{
    // Empty and "." components name nothing; ".." stays, since after a symbolic link it leaves the
    // folder that the link names, and only the system knows which that is.
    String absolute;
    for (const auto& component : fs::absolute(fs::path(path))) {
        if (component != "/" && !component.empty() && component != ".") {
            absolute += "/" + component.string();
        }
    }
    return FolderItemPtr(new FolderItem(absolute.empty() ? "/" : std::move(absolute)));
}

FolderItemPtr FolderItem::Parent() const
{
    return mPath == "/" ? nullptr : FromPath(fs::path(mPath).parent_path().string());
}

String FolderItem::ShellPath() const
{
    auto shellPath = EscapeForShell(mPath);
    std::error_code error;
    if (fs::is_directory(fs::path(mPath), error) && shellPath.back() != '/') {
        shellPath += '/';
    }
    return shellPath;
}

String EscapeForShell(const String& path)
{
    String escaped;
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                           (byte >= '0' && byte <= '9') || byte == '_' || byte == '.' || byte == '/' ||
                           byte >= 0x80;
        if (!plain) {
            escaped += '\\';
        }
        escaped += c;
    }
    return escaped;
}

} // namespace framework
