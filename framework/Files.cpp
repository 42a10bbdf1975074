#include "framework/Files.h"

#include <filesystem>

namespace framework {

namespace fs = std::filesystem;

FolderItemPtr FolderItem::FromPath(const String& path)
{
    auto absolute = fs::absolute(fs::path(path)).lexically_normal().string();
    while (absolute.size() > 1 && absolute.back() == '/') {
        absolute.pop_back();
    }
    return FolderItemPtr(new FolderItem(std::move(absolute)));
}

FolderItemPtr FolderItem::Parent() const
{
    if (mPath == "/") {
        return nullptr;
    }
    return FromPath(fs::path(mPath).parent_path().string());
}

bool FolderItem::Directory() const
{
    std::error_code error;
    return fs::is_directory(fs::path(mPath), error);
}

String FolderItem::ShellPath() const
{
    auto shellPath = EscapeForShell(mPath);
    if (Directory() && shellPath.back() != '/') {
        shellPath += '/';
    }
    return shellPath;
}

String EscapeForShell(const String& path)
{
    String escaped;
    escaped.reserve(path.size() * 2);
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
