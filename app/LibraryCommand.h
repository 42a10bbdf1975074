#pragma once

#include <optional>
#include <span>

namespace app {

// zwojnik --output FOLDER [--epub] BOOK.lit|FOLDER…: converts a library without a window, printing one
// line per book and a summary. Nothing when the arguments do not ask for it; else the exit status: 0 when
// every book was converted, 1 otherwise. SIGINT, SIGTERM and SIGHUP stop the conversions, remove what the
// unfinished books wrote and end the program as the signal would.
std::optional<int> RunLibraryCommand(std::span<char*> arguments);

} // namespace app
