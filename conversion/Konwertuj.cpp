#include "conversion/Konwertuj.h"

#include "Configuration.h"
#include "conversion/FirstPage.h"
#include "conversion/Outcome.h"
#include "conversion/Quoting.h"
#include "framework/Application.h"
#include "framework/Files.h"
#include "framework/Messages.h"
#include "framework/Shell.h"
#include "framework/System.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <variant>

namespace conversion {

namespace {

// How much of a command's standard error the shell keeps: its last 8 KiB.
constexpr std::size_t kErrorOutputKept = 8192;

// The three paths of a conversion as the system names them.
struct Paths
{
    String converter;
    String book;
    String destination;
};

// The standard error from its first whole line: once the shell has cut it, it starts mid-line.
String wholeLines(const String& errorOutput)
{
    const auto lineEnd = errorOutput.find('\n');
    return errorOutput.size() < kErrorOutputKept || lineEnd == String::npos ? errorOutput
                                                                            : errorOutput.substr(lineEnd + 1);
}

std::set<String> entryNames(const String& folder)
{
    std::set<String> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

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

// Our converter fails with 255 when a write fails, and says why. The system's cuts its files short on a
// full disk and still exits with 0: a destination left without a free block is the only sign of it.
std::optional<Failure> failureOf(int status, const String& errorOutput, std::vector<String> namedPaths,
                                 const String& destination)
{
    if (status != 0) {
        return RecognizeFailure(status, errorOutput, std::move(namedPaths));
    }
    if (configuration::kSystemConverter && destinationFull(destination)) {
        return Failure::DestinationFull;
    }
    return std::nullopt;
}

// Runs the converter on links in a staging folder, which is gone by the time this returns.
ConversionRun runConverter(framework::Shell& shell, std::int32_t architecture, const Paths& paths)
{
    auto problem = StagingFolder::Problem::None;
    const auto staging = StagingFolder::Make(paths.converter, paths.book, paths.destination, problem);
    if (!staging) {
        return BookProblemMessage(problem, paths.book);
    }
    // The command names only what the staging folder holds, so that the shell's pathname expansion
    // finds nothing else: not a name someone puts beside the book meanwhile, nor a folder it may not list.
    const auto stagedApp = framework::EscapeForShell(staging->Path());
    const auto stagedBook = framework::EscapeForShell(staging->Book());
    const auto stagedDestination = framework::EscapeForShell(staging->Destination()) + "/";
    // A word whose wildcards match several names would hand the converter extra arguments, and it
    // would take them as a request to write a new book.
    if (AmbiguousPath(architecture, stagedApp, stagedBook, stagedDestination)) {
        return AmbiguityMessage(paths.book);
    }

    const auto packagesBefore = PackageNames(paths.destination);
    const auto namesBefore = entryNames(paths.destination);
    shell.Execute(ConverterCommand(architecture, stagedApp, stagedBook, stagedDestination));
    if (shell.Stopped()) {
        return {};
    }
    const auto status = shell.ErrorCode();
    const auto errorOutput = wholeLines(shell.ErrorOutput());
    const auto stagedConverter = staging->Path() + "/" + ConverterName(architecture);
    const auto failure = failureOf(status, errorOutput,
                                   {staging->Book(), staging->Destination(), staging->Path(), paths.converter,
                                    paths.book, paths.destination},
                                   paths.destination);
    // The converter names what it was given: the staging folder's links. The user knows their targets.
    auto shownOutput = framework::ReplaceAll(errorOutput, staging->Book(), paths.book);
    shownOutput = framework::ReplaceAll(shownOutput, staging->Destination(), paths.destination);
    shownOutput = framework::ReplaceAll(shownOutput, stagedConverter, paths.converter);
    return FinishedConversion{.status = status,
                              .failure = failure,
                              .errorOutput = shownOutput,
                              .converterPath = paths.converter,
                              .bookPath = paths.book,
                              .destinationPath = paths.destination,
                              .packagesBefore = packagesBefore,
                              .destinationGained =
                                  !std::ranges::includes(namesBefore, entryNames(paths.destination))};
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

std::optional<String> BookRefusal(const String& bookPath)
{
    // As the staging folder judges the book when the conversion starts.
    struct stat status = {};
    if (stat(bookPath.c_str(), &status) != 0) {
        return errno == ENOENT || errno == ENOTDIR || errno == ELOOP
                   ? std::optional(BookProblemMessage(StagingFolder::Problem::BookMissing, bookPath))
                   : std::nullopt;
    }
    return S_ISREG(status.st_mode)
               ? std::nullopt
               : std::optional(BookProblemMessage(StagingFolder::Problem::BookNotRegularFile, bookPath));
}

ConversionRun RunConvertLit(framework::Shell& shell, const String& appFolderPath, const String& bookPath,
                            const String& destinationPath)
{
    std::int32_t architecture = 0;
    if (!framework::System::Gestalt("sysa", architecture)) {
        framework::MsgBox(kProcessorErrorMessage);
        framework::Quit(0);
        return {};
    }
    return runConverter(shell, architecture,
                        {appFolderPath + "/" + ConverterName(architecture), bookPath, destinationPath});
}

void Konwertuj(const String& appFolderPath, const String& sourcePath, const String& targetFolderPath)
{
    // The shell goes last: a signal that ends the program during the run does so once the staging
    // folder has gone.
    framework::Shell shell(kStopQuestion);
    const auto run =
        RunConvertLit(shell, SystemPath(appFolderPath), SystemPath(sourcePath), SystemPath(targetFolderPath));
    if (const auto* refusal = std::get_if<String>(&run)) {
        framework::MsgBox(*refusal);
    } else if (const auto* finished = std::get_if<FinishedConversion>(&run)) {
        ReportOutcome(*finished);
    }
}

} // namespace conversion
