#include "epub/Destination.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace epub {

namespace {

constexpr int kAttempts = 10000;

std::error_code lastError()
{
    return {errno, std::generic_category()};
}

// Moves `from` to `to` in the folder unless `to` is taken: renameat2's RENAME_NOREPLACE, or, on a file
// system without it, a hard link and the removal of the temporary name.
std::error_code renameWithoutReplacing(int folder, const std::string& from, const std::string& to)
{
    if (renameat2(folder, from.c_str(), folder, to.c_str(), RENAME_NOREPLACE) == 0) {
        return {};
    }
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) {
        return lastError();
    }
    if (linkat(folder, from.c_str(), folder, to.c_str(), 0) != 0) {
        return lastError();
    }
    unlinkat(folder, from.c_str(), 0);
    return {};
}

std::error_code writeAll(int file, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = write(file, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return lastError();
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return fsync(file) == 0 ? std::error_code() : lastError();
}

} // namespace

std::string FreeName(std::string_view name, std::string_view extension, int attempt)
{
    std::string free(name);
    if (attempt > 1) {
        free += " (" + std::to_string(attempt) + ")";
    }
    return free + std::string(extension);
}

Placed PlaceNewFile(const std::filesystem::path& folderPath, std::string_view name,
                    std::string_view extension, std::string_view bytes)
{
    const int folder = open(folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) {
        return {{}, lastError()};
    }
    Placed placed;
    // The temporary name: hidden, in the same folder (a rename does not cross file systems), and unique.
    std::string temporary;
    int file = -1;
    for (int attempt = 0; attempt < kAttempts && file < 0; ++attempt) {
        temporary = "." + FreeName(name, extension, 1) + ".part-" + std::to_string(getpid()) + "-" +
                    std::to_string(attempt);
        file = openat(folder, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (file < 0 && errno != EEXIST) {
            break;
        }
    }
    if (file < 0) {
        placed.error = lastError();
        close(folder);
        return placed;
    }
    // The file gets the permissions a new file gets here (the umask decides), as any other new file.
    placed.error = writeAll(file, bytes);
    if (close(file) != 0 && !placed.error) {
        placed.error = lastError();
    }
    for (int attempt = 1; !placed.error && attempt <= kAttempts; ++attempt) {
        const std::string candidate = FreeName(name, extension, attempt);
        const auto error = renameWithoutReplacing(folder, temporary, candidate);
        if (!error) {
            placed.path = folderPath / candidate;
            break;
        }
        if (error != std::errc::file_exists) {
            placed.error = error;
        } else if (attempt == kAttempts) {
            placed.error = error;
        }
    }
    if (placed.path.empty()) {
        unlinkat(folder, temporary.c_str(), 0);
    }
    close(folder);
    return placed;
}

} // namespace epub
