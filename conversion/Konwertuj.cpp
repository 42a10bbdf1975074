#include "conversion/Konwertuj.h"

#include "Configuration.h"
#include "conversion/FirstPage.h"
#include "conversion/Outcome.h"
#include "conversion/Quoting.h"
#include "conversion/Verdict.h"
#include "framework/Application.h"
#include "framework/Files.h"
#include "framework/Messages.h"
#include "framework/Shell.h"
#include "framework/System.h"

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>
#include <variant>

namespace conversion {

namespace {

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
    const auto namesBefore = EntryNames(paths.destination);
    shell.Execute(ConverterCommand(architecture, stagedApp, stagedBook, stagedDestination));
    if (shell.Stopped()) {
        return {};
    }
    const auto status = shell.ErrorCode();
    const auto errorOutput = WholeLines(shell.ErrorOutput());
    const auto failure = FailureOf(status, errorOutput, *staging, paths);
    const auto shownOutput = ShownOutput(errorOutput, *staging, paths, architecture);
    return FinishedConversion{.status = status,
                              .failure = failure,
                              .errorOutput = shownOutput,
                              .converterPath = paths.converter,
                              .bookPath = paths.book,
                              .destinationPath = paths.destination,
                              .packagesBefore = packagesBefore,
                              .destinationGained =
                                  !std::ranges::includes(namesBefore, EntryNames(paths.destination))};
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
