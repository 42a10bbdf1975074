#include "conversion/Verdict.h"

#include "Configuration.h"
#include "conversion/Command.h"

#include <filesystem>
#include <sys/statvfs.h>
#include <unistd.h>

namespace conversion {

namespace {

// Whether the folder's file system has not one free block left. File systems that tell no sizes tell
// nothing.
bool destinationFull(const String& folder)
{
    struct statvfs space = {};
    if (statvfs(folder.c_str(), &space) != 0 || space.f_blocks == 0) {
        return false;
    }
    // The superuser may write into the blocks kept in reserve as well.
    return (geteuid() == 0 ? space.f_bfree : space.f_bavail) == 0;
}

} // namespace

String WholeLines(const String& errorOutput)
{
    const auto lineEnd = errorOutput.find('\n');
    return errorOutput.size() < kErrorOutputKept || lineEnd == String::npos ? errorOutput
                                                                            : errorOutput.substr(lineEnd + 1);
}

std::set<String> EntryNames(const String& folder)
{
    std::set<String> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

std::optional<Failure> FailureOf(int status, const String& errorOutput, const StagingFolder& staging,
                                 const Paths& paths)
{
    if (status != 0) {
        return RecognizeFailure(status, errorOutput,
                                {staging.Book(), staging.Destination(), staging.Path(), paths.converter,
                                 paths.book, paths.destination});
    }
    if (configuration::kSystemConverter && destinationFull(paths.destination)) {
        return Failure::DestinationFull;
    }
    return std::nullopt;
}

String ShownOutput(const String& errorOutput, const StagingFolder& staging, const Paths& paths,
                   std::int32_t architecture)
{
    auto shown = framework::ReplaceAll(errorOutput, staging.Book(), paths.book);
    shown = framework::ReplaceAll(shown, staging.Destination(), paths.destination);
    return framework::ReplaceAll(shown, staging.Path() + "/" + ConverterName(architecture), paths.converter);
}

} // namespace conversion
