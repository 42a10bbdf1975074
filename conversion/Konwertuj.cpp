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

// How Convert LIT exits when it fails.
constexpr int kConverterFailureStatus = 255;

// On a full disk our Convert LIT fails with 255; the system's, when the build links it, cuts its files
// short and still exits with 0. Either way a destination left without one free block says why. File
// systems that tell no sizes tell nothing.
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
    if ((errorCode == 0 || errorCode == kConverterFailureStatus) && destinationFull(targetFolderPath)) {
        framework::MsgBox(kDestinationFullMessage);
        return;
    }
    ReportOutcome({errorCode, shell->ErrorOutput(), ConverterPath(architecture, appFolderPath),
                   Unescape(sourcePath), destination, packagesBefore});
}

} // namespace conversion
