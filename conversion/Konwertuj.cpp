#include "conversion/Konwertuj.h"

#include "conversion/FirstPage.h"
#include "conversion/Outcome.h"
#include "conversion/Quoting.h"
#include "framework/Application.h"
#include "framework/Messages.h"
#include "framework/Shell.h"
#include "framework/System.h"

#include <array>
#include <glob.h>
#include <memory>
#include <sys/statvfs.h>
#include <unistd.h>

namespace conversion {

namespace {

String converterPiece(std::int32_t architecture)
{
    return architecture == kPowerPCArchitecture ? "/clit-ppc " : "/clit-intel ";
}

// How many existing names the shell's pathname expansion puts in place of a word.
std::size_t matchCount(const String& word)
{
    glob_t matches{};
    const int result = glob(word.c_str(), 0, nullptr, &matches);
    const std::size_t count = result == 0 ? matches.gl_pathc : 0;
    globfree(&matches);
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
    String converter = converterPiece(architecture);
    converter.pop_back();
    ReportOutcome({errorCode, shell->ErrorOutput(),
                   withoutRepeatedSlashes(Unescape(appFolderPath) + converter), Unescape(sourcePath),
                   destination, packagesBefore});
}

} // namespace conversion
