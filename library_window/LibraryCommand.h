#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace library_window {

// The menu command: asks for the books (chosen files or a whole folder), then converts them as
// ConvertBooks does. Yields false.
bool ConvertLibraryFromDisk(const std::string& programFolder);

// Books and folders of books given together: finds the books (in the folders' subfolders too), asks
// for one destination (starting beside the first path) and one format, converts them all with the
// progress window, then shows the report.
void ConvertBooks(const std::string& programFolder, const std::vector<std::filesystem::path>& paths);

} // namespace library_window
