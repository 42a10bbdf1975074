#include "conversion/Konwertuj.h"

#include "conversion/Quoting.h"
#include "framework/Application.h"
#include "framework/Files.h"
#include "framework/Messages.h"
#include "framework/Shell.h"
#include "framework/System.h"

#include <array>
#include <glob.h>
#include <locale.h>
#include <memory>
#include <sys/statvfs.h>
#include <unistd.h>

namespace conversion {

namespace {

String converterPiece(std::int32_t architecture)
{
    return architecture == kPowerPCArchitecture ? "/clit-ppc " : "/clit-intel ";
}

// How many existing names the shell's pathname expansion puts in place of a word. The shell matches
// bytes, whatever the locale, and so does glob in the C locale.
std::size_t matchCount(const String& word)
{
    const locale_t bytes = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    const locale_t previous = uselocale(bytes);
    glob_t matches{};
    const int result = glob(word.c_str(), 0, nullptr, &matches);
    const std::size_t count = result == 0 ? matches.gl_pathc : 0;
    globfree(&matches);
    uselocale(previous);
    freelocale(bytes);
    return count;
}

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

String withoutRepeatedSlashes(const String& path)
{
    String cleaned;
    for (const char c : path) {
        if (!(c == '/' && !cleaned.empty() && cleaned.back() == '/')) {
            cleaned += c;
        }
    }
    return cleaned;
}

} // namespace

String CommandText(std::int32_t architecture, const String& appFolderPath, const String& sourcePath,
                   const String& targetFolderPath)
{
    String text = "`printf " + framework::Chr(34) + appFolderPath + converterPiece(architecture);
    text += sourcePath + framework::Chr(32) + targetFolderPath + framework::Chr(34) + "`";
    return text;
}

String ConverterCommand(std::int32_t architecture, const String& appFolderPath, const String& sourcePath,
                        const String& targetFolderPath)
{
    // Each path is quoted on its own: quoted in the whole text, a book whose name ends in a backslash
    // would have its escaped backslash and the space after the path taken for the pair "\ ", and the
    // book and the folder would reach the converter as one word.
    return CommandText(architecture, QuoteCommand(appFolderPath), QuoteCommand(sourcePath),
                       QuoteCommand(targetFolderPath));
}

std::optional<String> AmbiguousPath(std::int32_t architecture, const String& appFolderPath,
                                    const String& sourcePath, const String& targetFolderPath)
{
    String converter = converterPiece(architecture);
    converter.pop_back();
    const std::array<String, 3> words{appFolderPath + converter, sourcePath, targetFolderPath};
    for (const auto& word : words) {
        if (matchCount(QuoteCommand(word)) > 1) {
            return withoutRepeatedSlashes(Unescape(word));
        }
    }
    return std::nullopt;
}

String AmbiguityMessage(const String& path)
{
    return "Nie mogę jednoznacznie wskazać „" + path +
           "”: tej nazwie odpowiada kilka plików lub teczek. Zmień nazwę i spróbuj ponownie.";
}

String BookProblemMessage(StagingFolder::Problem problem, const String& bookPath)
{
    switch (problem) {
    case StagingFolder::Problem::BookMissing:
        return "Nie mogę znaleźć pliku „" + bookPath + "”. Być może został przeniesiony albo usunięty.";
    case StagingFolder::Problem::BookNotRegularFile:
        return "„" + bookPath +
               "” nie jest zwykłym plikiem (to teczka, potok albo urządzenie), więc nie mogę "
               "go zamienić.";
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
    framework::Shell shell;
    String converter = converterPiece(architecture);
    converter.pop_back();
    auto book = withoutRepeatedSlashes(Unescape(sourcePath));
    if (book.size() > 1 && book.back() == '/') {
        book.pop_back(); // a folder chosen as the book
    }
    auto problem = StagingFolder::Problem::None;
    const auto staging =
        StagingFolder::Make(Unescape(appFolderPath) + converter, book, Unescape(targetFolderPath), problem);
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

    shell.Execute(command);
    if (shell.Stopped()) {
        return;
    }
    const int errorCode = shell.ErrorCode();
    if (errorCode == 0 && destinationFull(targetFolderPath)) {
        framework::MsgBox(kDestinationFullMessage);
        return;
    }
    framework::MsgBox(errorCode != 0 ? kErrorMessagePrefix + framework::Str(errorCode) : kDoneMessage);
}

} // namespace conversion
