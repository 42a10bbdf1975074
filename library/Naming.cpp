#include "library/Naming.h"

#include <array>
#include <cerrno>
#include <climits>
#include <cstring>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

namespace library {

namespace {

// The file systems' numbers as statfs gives them (linux/magic.h and the drivers').
constexpr std::array<decltype(statfs::f_type), 5> kRestrictedFileSystems{
    0x4d44,     // FAT (msdos, vfat)
    0x2011BAB0, // exFAT
    0x5346544e, // NTFS (ntfs)
    0x7366746e, // NTFS (ntfs3)
    0x65735546, // FUSE block devices: ntfs-3g, exfat-fuse
};

// Room left after a book's name for " (9999)" and ".epub".
constexpr std::size_t kSuffixRoom = 12;
constexpr int kMostClashes = 9999;

std::size_t longestName(const std::filesystem::path& folder)
{
    const long most = pathconf(folder.c_str(), _PC_NAME_MAX);
    return (most > 0 ? static_cast<std::size_t>(most) : NAME_MAX) - kSuffixRoom;
}

bool isContinuationByte(char byte)
{
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

} // namespace

bool NamesRestricted(const std::filesystem::path& folder)
{
    struct statfs fileSystem = {};
    if (statfs(folder.c_str(), &fileSystem) != 0) {
        return false;
    }
    for (const auto type : kRestrictedFileSystems) {
        if (fileSystem.f_type == type) {
            return true;
        }
    }
    return false;
}

std::string MendName(std::string name, bool restricted, std::size_t maxBytes)
{
    for (auto& c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '/' || c == '\0' ||
            (restricted && (byte < 0x20 || std::strchr("<>:\"\\|?*", c) != nullptr))) {
            c = '_';
        }
    }
    if (name.size() > maxBytes) {
        auto cut = maxBytes;
        while (cut > 0 && isContinuationByte(name[cut])) {
            --cut;
        }
        name.resize(cut);
    }
    if (restricted) {
        name.erase(name.find_last_not_of(". ") + 1);
    }
    return name.empty() || name == "." || name == ".." ? "książka" : name;
}

std::optional<std::filesystem::path> MakeBookFolder(const std::filesystem::path& destination,
                                                    const std::string& bookName)
{
    const auto name = MendName(bookName, NamesRestricted(destination), longestName(destination));
    for (int number = 1; number <= kMostClashes; ++number) {
        const auto folder = destination / (number == 1 ? name : name + " (" + std::to_string(number) + ")");
        if (mkdir(folder.c_str(), 0777) == 0) {
            return folder;
        }
        if (errno != EEXIST) {
            return std::nullopt;
        }
    }
    errno = EEXIST;
    return std::nullopt;
}

std::string EpubName(const std::filesystem::path& destination, const std::string& bookName)
{
    return MendName(bookName, NamesRestricted(destination), longestName(destination));
}

} // namespace library
