#pragma once

#include "conversion/Failures.h"
#include "conversion/StagingFolder.h"

#include <optional>
#include <set>

namespace conversion {

// The three paths of a conversion as the system names them.
struct Paths
{
    String converter;
    String book;
    String destination;
};

// How much of a command's standard error the shell keeps: its last 8 KiB.
inline constexpr std::size_t kErrorOutputKept = 8192;

// The standard error from its first whole line: once the shell has cut it, it starts mid-line.
String WholeLines(const String& errorOutput);

// The names a folder holds; none when it cannot be listed.
std::set<String> EntryNames(const String& folder);

// How a converter run on the staging folder's links ended: nothing when the book was converted. Our
// converter fails with 255 when a write fails, and says why; the system's cuts its files short on a full
// disk and still exits with 0, so a destination left without a free block is the only sign of it. The
// paths of the run, staged and real, are no reason.
std::optional<Failure> FailureOf(int status, const String& errorOutput, const StagingFolder& staging,
                                 const Paths& paths);

// The converter's words as the user reads them: it names what it was given, the staging folder's links;
// the user knows their targets.
String ShownOutput(const String& errorOutput, const StagingFolder& staging, const Paths& paths,
                   std::int32_t architecture);

} // namespace conversion
