#include "support/Conversion.h"

#include "conversion/Konwertuj.h"
#include "framework/Files.h"
#include "support/TempDir.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace testsupport {

namespace {

std::string quoted(const std::string& word)
{
    return "'" + framework::ReplaceAll(word, "'", "'\\''") + "'";
}

} // namespace

std::string TestBook(const std::string& fileName)
{
    return (fs::path(ZWOJNIK_TEST_DATA) / fileName).string();
}

void CopyTestBook(const std::string& fileName, const std::string& to)
{
    fs::create_directories(fs::path(to).parent_path());
    fs::copy_file(TestBook(fileName), to);
}

std::string ConverterBinary()
{
    for (const char* name : {"clit-intel", "clit-ppc"}) {
        if (const auto link = fs::path(ZWOJNIK_BUILD_DIR) / name; fs::exists(link)) {
            return fs::canonical(link).string();
        }
    }
    throw std::runtime_error("the build has no converter beside the program");
}

void MakeConverterFolder(const std::string& folder, const std::string& executable)
{
    fs::create_directories(folder);
    fs::create_symlink(ConverterBinary(), fs::path(folder) / executable);
}

void MakeConverterScript(const std::string& folder, const std::string& body, fs::perms mode)
{
    fs::create_directories(folder);
    const auto path = fs::path(folder) / "clit-intel";
    std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
    fs::permissions(path, mode);
}

ConverterRun RunConverter(const std::string& book, const std::string& destination, const std::string& first,
                          bool asNobody, const std::vector<std::string>& launcher)
{
    const TempDir scratch;
    const auto errors = scratch / "standard error";
    const std::string heapChecks =
        kConverterSanitized ? ""
                            : "env LD_PRELOAD=libc_malloc_debug.so.0 GLIBC_TUNABLES=glibc.malloc.check=3 ";
    const std::string user =
        asNobody && geteuid() == 0 ? "/usr/bin/setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
    std::string launch;
    for (const auto& word : launcher) {
        launch += quoted(word) + " ";
    }
    const auto command = first + "\nexec >/dev/null 2>" + quoted(errors) + " " + heapChecks + user + launch +
                         quoted(ConverterBinary()) + " " + quoted(book) + " " + quoted(destination);
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), ReadFile(errors)};
}

void Convert(const std::string& programFolder, const std::string& book, const std::string& destination)
{
    const auto shellPath = [](const std::string& path) {
        return framework::FolderItem::FromPath(path)->ShellPath();
    };
    conversion::Konwertuj(shellPath(programFolder), shellPath(book), shellPath(destination));
}

std::string ErrorMessage(int status)
{
    return "Wystąpił\u00A0błąd: " + std::to_string(status);
}

bool ProcessRunning(int pid)
{
    const auto stat = ReadFile("/proc/" + std::to_string(pid) + "/stat");
    const auto state = stat.find(") ");
    return state != std::string::npos && stat[state + 2] != 'Z';
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    try {
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    } catch (const std::ios_base::failure&) {
        return {}; // a process whose /proc file this was has gone meanwhile
    }
}

std::set<std::string> FileNames(const std::string& folder)
{
    std::set<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

// krotka.lit made into a book protected by an owner-exclusive licence (DRM5), which the converter
// cannot remove: its validation stream's directory entry is renamed to the licence's name.
void MakeProtectedBook(const std::string& path)
{
    // A directory entry is its name's length, the name, then its section, offset and size. The new name
    // is four bytes shorter; four zero bytes after the entry read as one more entry, nameless and empty.
    const std::string validation = "\x1c/DRMStorage/ValidationStream";
    const std::string licence = "\x18/DRMStorage/Licenses/EUL";
    auto book = ReadFile(TestBook("krotka.lit"));
    const auto at = book.find(validation);
    if (at == std::string::npos) {
        throw std::runtime_error("krotka.lit has no validation stream entry");
    }
    const std::string location = book.substr(at + validation.size(), 3);
    book.replace(at, validation.size() + 3, licence + location + std::string(4, '\0'));
    std::ofstream(path, std::ios::binary) << book;
}

} // namespace testsupport
