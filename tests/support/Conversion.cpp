#include "support/Conversion.h"

#include "conversion/Konwertuj.h"
#include "framework/Files.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace fs = std::filesystem;

namespace testsupport {

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

std::set<std::string> FindNamed(const std::string& folder, const std::string& name)
{
    std::set<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.path().filename() == name) {
            found.insert(entry.path().string());
        }
    }
    return found;
}

} // namespace testsupport
