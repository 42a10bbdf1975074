#include "conversion/Command.h"

#include "conversion/Quoting.h"

#include <array>
#include <glob.h>
#include <locale.h>

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

} // namespace

String ConverterName(std::int32_t architecture)
{
    auto piece = converterPiece(architecture);
    return piece.substr(1, piece.size() - 2);
}

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
            return SystemPath(word);
        }
    }
    return std::nullopt;
}

String AmbiguityMessage(const String& path)
{
    return "Nie mogę jednoznacznie wskazać „" + path +
           "”: tej nazwie odpowiada kilka plików lub teczek. Zmień nazwę i spróbuj ponownie.";
}

} // namespace conversion
