#pragma once

// The EPUB's container: a ZIP whose first entry is "mimetype", stored; the rest deflated. Every entry
// carries the same time, so that the same book gives the same bytes.

#include <chrono>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace epub {

// The archive's bytes. Throws std::runtime_error when libzip fails.
std::string ZipContainer(const std::vector<std::pair<std::string, std::string>>& entries,
                         std::chrono::system_clock::time_point time);

} // namespace epub
