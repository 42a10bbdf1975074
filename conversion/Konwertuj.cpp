#include "conversion/Konwertuj.h"

#include "conversion/FirstPage.h"
#include "conversion/Outcome.h"
#include "conversion/Quoting.h"
#include "framework/Application.h"
#include "framework/Messages.h"
#include "framework/Shell.h"
#include "framework/System.h"

#include <memory>
#include <sys/statvfs.h>
#include <unistd.h>

namespace conversion {

namespace {

// Convert LIT does not check its writes: on a full disk it cuts its files short and still exits with 0.
// A destination left without one free block is the sign. File systems that tell no sizes tell nothing.
bool destinationFull(const String& targetFolderPath)
{
    struct statvfs space = {};
    if (statvfs(Unescape(targetFolderPath).c_str(), &space) != 0 || space.f_blocks == 0) {
        return false;
    }
    // The superuser may write into the blocks kept in reserve as well.
    return (geteuid() == 0 ? space.f_bfree : space.f_bavail) == 0;
}

} // namespace

void Konwertuj(const String& appFolderPath, const String& sourcePath, const String& targetFolderPath)
{
    std::int32_t architecture = 0;
    if (!framework::System::Gestalt("sysa", architecture)) {
        framework::MsgBox(kProcessorErrorMessage);
        framework::Quit(0);
        return;
    }

    const auto command = ConverterCommand(architecture, appFolderPath, sourcePath, targetFolderPath);
    // A word whose wildcards match several names would hand the converter extra arguments, and it
    // would take them as a request to write a new book.
    if (const auto ambiguous = AmbiguousPath(architecture, appFolderPath, sourcePath, targetFolderPath)) {
        framework::MsgBox(AmbiguityMessage(*ambiguous));
        return;
    }

    const auto destination = Unescape(targetFolderPath);
    const auto packagesBefore = PackageNames(destination);
    auto shell = std::make_unique<framework::Shell>();
    shell->Execute(command);
    const int errorCode = shell->ErrorCode();
    if (errorCode == 0 && destinationFull(targetFolderPath)) {
        framework::MsgBox(kDestinationFullMessage);
        return;
    }
    ReportOutcome({errorCode, shell->ErrorOutput(), ConverterPath(architecture, appFolderPath),
                   Unescape(sourcePath), destination, packagesBefore});
}

} // namespace conversion
