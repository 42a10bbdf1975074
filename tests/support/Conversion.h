#pragma once

// The real converter, the test books, and looks at what a conversion left on disk.

#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace testsupport {

// A book of tests/data.
std::string TestBook(const std::string& fileName);
// Copies a book of tests/data to the path, making the folders on the way.
void CopyTestBook(const std::string& fileName, const std::string& to);

// krotka.lit made into a book protected by an owner-exclusive licence (DRM5), which the converter
// cannot remove.
void MakeProtectedBook(const std::string& path);

// The Convert LIT executable that the build links beside the program.
std::string ConverterBinary();
// Makes the folder and puts in it a link by this name to the real converter.
void MakeConverterFolder(const std::string& folder, const std::string& executable = "clit-intel");
// Makes the folder and puts in it, as its converter, a shell script with this body.
void MakeConverterScript(const std::string& folder, const std::string& body,
                         std::filesystem::perms mode = std::filesystem::perms::all);

struct ConverterRun
{
    int status = -1; // 128 + the signal that ended the converter
    std::string standardError;
};
// The converter on the book, its destination named as given, with glibc's heap checks, under which a
// write past a heap block aborts it (unless the converter is built with sanitizers, which check more).
// The shell runs `first` before it (ulimit, trap). As nobody, when the tests run as the superuser,
// permissions hold. A launcher, a program and its arguments, runs the converter with its own.
ConverterRun RunConverter(const std::string& book, const std::string& destination,
                          const std::string& first = {}, bool asNobody = false,
                          const std::vector<std::string>& launcher = {});

// The build's converter is built with sanitizers: it runs unconfined, and says so on standard error.
constexpr bool kConverterSanitized = ZWOJNIK_CONVERTER_SANITIZED;

// Converts as the conversion requests do once both paths are chosen: the paths in their shell form.
void Convert(const std::string& programFolder, const std::string& book, const std::string& destination);

// "Wystąpił błąd: " (with a no-break space) and the status.
std::string ErrorMessage(int status);

// A process that still runs: a zombie waiting to be reaped has ended.
bool ProcessRunning(int pid);

// The whole contents of a file; nothing when it cannot be read.
std::string ReadFile(const std::string& path);

// The names in a folder; none when it does not exist.
std::set<std::string> FileNames(const std::string& folder);

} // namespace testsupport
