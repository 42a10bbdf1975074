#pragma once

#include <set>
#include <string>

// What the conversion tests share: the real converter, the test books, and looks at folders.
namespace conversiontest {

// The Convert LIT executable that the build links beside the program.
std::string ConverterBinary();

// Makes the folder (and its parents) and puts in it a link by this name to the real converter.
void MakeConverterFolder(const std::string& folder, const std::string& executable = "clit-intel");

// A book of tests/data.
std::string TestBook(const std::string& fileName);

// Copies a book of tests/data to the path, making the folders on the way.
void CopyTestBook(const std::string& fileName, const std::string& to);

// The names in a folder; none when it does not exist.
std::set<std::string> FileNames(const std::string& folder);

// Whether the file holds the text.
bool FileContains(const std::string& path, const std::string& text);

// Every path under the folder whose last component is exactly this name.
std::set<std::string> FindNamed(const std::string& folder, const std::string& name);

// The item's path as the framework hands it to the conversion.
std::string ShellPathOf(const std::string& path);

} // namespace conversiontest
