#include "ConversionSupport.h"

#include "framework/Files.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace fs = std::filesystem;

namespace conversiontest {

std::string ConverterBinary()
{
    for (const char* name : {"clit-intel", "clit-ppc"}) {
        const fs::path link = fs::path(ZWOJNIK_BUILD_DIR) / name;
        if (fs::exists(link)) {
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

std::string TestBook(const std::string& fileName)
{
    return (fs::path(ZWOJNIK_TEST_DATA) / fileName).string();
}

void CopyTestBook(const std::string& fileName, const std::string& to)
{
    fs::create_directories(fs::path(to).parent_path());
    fs::copy_file(TestBook(fileName), to);
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

bool FileContains(const std::string& path, const std::string& text)
{
    std::ifstream file(path, std::ios::binary);
    const std::string contents{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    return contents.find(text) != std::string::npos;
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

std::string ShellPathOf(const std::string& path)
{
    return framework::FolderItem::FromPath(path)->ShellPath();
}

} // namespace conversiontest
