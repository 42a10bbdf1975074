#include "conversion/Konwertuj.h"

#include "conversion/FirstPage.h"
#include "conversion/Outcome.h"
#include "conversion/Quoting.h"
#include "framework/Application.h"
#include "framework/Files.h"
#include "framework/Messages.h"
#include "framework/Shell.h"
#include "framework/System.h"

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

// A path as the system names it, for the messages: one slash between components, none at the end (a
// folder has one in its shell form, and so has a folder chosen as the book).
String systemPathOf(const String& sourcePath)
{
    String path;
    for (const char c : Unescape(sourcePath)) {
        if (!(c == '/' && !path.empty() && path.back() == '/')) {
            path += c;
        }
    }
    if (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

} // namespace

String BookProblemMessage(StagingFolder::Problem problem, const String& bookPath)
{
    switch (problem) {
    case StagingFolder::Problem::BookMissing:
        return "Nie mogę znaleźć pliku „" + bookPath + "”. Być może został przeniesiony albo usunięty.";
    case StagingFolder::Problem::BookNotRegularFile:
        return "„" + bookPath +
               "” nie jest zwykłym plikiem (to teczka, potok albo urządzenie), więc nie mogę go zamienić.";
    case StagingFolder::Problem::NoPrivateFolder:
    case StagingFolder::Problem::None:
        break;
    }
    return "Nie mogę rozpocząć zamiany: nie udało się utworzyć prywatnej teczki roboczej w „" +
           StagingFolder::ParentFolder() + "”.";
}

void Konwertuj(const String& appFolderPath, const String& sourcePath, const String& targetFolderPath)
{
    std::int32_t architecture = 0;
    if (!framework::System::Gestalt("sysa", architecture)) {
        framework::MsgBox(kProcessorErrorMessage);
        framework::Quit(0);
        return;
    }

    // The shell goes last: a signal that ends the program during the run does so once the staging
    // folder has gone.
    framework::Shell shell(kStopQuestion);
    const auto book = systemPathOf(sourcePath);
    auto problem = StagingFolder::Problem::None;
    const auto converter = systemPathOf(appFolderPath) + "/" + ConverterName(architecture);
    const auto staging = StagingFolder::Make(converter, book, Unescape(targetFolderPath), problem);
    if (!staging) {
        framework::MsgBox(BookProblemMessage(problem, book));
        return;
    }
    // The command names only what the staging folder holds, so that the shell's pathname expansion
    // finds nothing else: not a name someone puts beside the book meanwhile, nor a folder it may not list.
    const auto stagedApp = framework::EscapeForShell(staging->Path());
    const auto stagedBook = framework::EscapeForShell(staging->Book());
    const auto stagedDestination = framework::EscapeForShell(staging->Destination()) + "/";
    const auto command = ConverterCommand(architecture, stagedApp, stagedBook, stagedDestination);
    // A word whose wildcards match several names would hand the converter extra arguments, and it
    // would take them as a request to write a new book.
    if (AmbiguousPath(architecture, stagedApp, stagedBook, stagedDestination)) {
        framework::MsgBox(AmbiguityMessage(book));
        return;
    }

    const auto destination = systemPathOf(targetFolderPath);
    const auto packagesBefore = PackageNames(destination);
    shell.Execute(command);
    if (shell.Stopped()) {
        return;
    }
    const int errorCode = shell.ErrorCode();
    if ((errorCode == 0 || errorCode == kConverterFailureStatus) && destinationFull(targetFolderPath)) {
        framework::MsgBox(kDestinationFullMessage);
        return;
    }
    // The converter names what it was given: the staging folder's links. The user knows their targets.
    auto errorOutput = framework::ReplaceAll(shell.ErrorOutput(), staging->Book(), book);
    errorOutput = framework::ReplaceAll(errorOutput, staging->Destination(), destination);
    errorOutput =
        framework::ReplaceAll(errorOutput, staging->Path() + "/" + ConverterName(architecture), converter);
    ReportOutcome({errorCode, errorOutput, converter, book, destination, packagesBefore});
}

} // namespace conversion
