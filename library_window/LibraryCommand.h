#pragma once

#include <string>

namespace library_window {

// The menu command: asks for the books (chosen files or a whole folder), one destination and one
// format, converts them all with the progress window, then shows the report. Yields false.
bool ConvertLibraryFromDisk(const std::string& programFolder);

} // namespace library_window
