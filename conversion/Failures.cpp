#include "conversion/Failures.h"

#include <algorithm>
#include <array>
#include <initializer_list>

namespace conversion {

namespace {

constexpr int kShellNotFound = 127;
constexpr int kShellCannotExecute = 126;
constexpr int kSignalBase = 128;
constexpr int kHighestSignal = 64;

struct Sign
{
    Failure failure;
    std::initializer_list<std::string_view> phrases;
};

// Where the converter puts a name in its reports: after the opening text, up to the first closing text
// after it. Its reports on reading and writing come first, as their names may hold a quotation mark.
struct NameSlot
{
    std::string_view opening, closing;
};
constexpr std::array kNameSlots{
    NameSlot{"Error reading file \"", "\" -- \n"},
    NameSlot{"Error writing file \"", "\" -- \n"},
    NameSlot{"fopen(", ") failed!"},
    NameSlot{"fclose(", ") failed!"},
    NameSlot{"\"", "\""},
};

// The standard error without the paths, the longest first so that a path goes whole before one it holds,
// and without what the converter quotes: the names of the book's own files, and any path it derives.
String convertersOwnWords(String text, std::vector<String> paths)
{
    std::sort(paths.begin(), paths.end(),
              [](const String& a, const String& b) { return a.size() > b.size(); });
    for (const auto& path : paths) {
        text = framework::ReplaceAll(text, path, "");
    }
    String words;
    for (std::size_t at = 0; at < text.size();) {
        const auto slot = std::find_if(kNameSlots.begin(), kNameSlots.end(), [&](const NameSlot& each) {
            return std::string_view(text).substr(at).starts_with(each.opening);
        });
        const auto end =
            slot == kNameSlots.end() ? String::npos : text.find(slot->closing, at + slot->opening.size());
        if (end == String::npos) {
            words += text[at++];
            continue;
        }
        words.append(slot->opening).append(slot->closing);
        at = end + slot->closing.size();
    }
    return words;
}

// The converter's own phrases, first match wins. A book whose title key does not decrypt is damaged,
// not protected: the converter removes the protection it knows of from every sound book. A write
// that failed for want of space says so only through the system's words.
const std::array kSigns{
    Sign{Failure::DestinationFull, {"No space left on device", "Disk quota exceeded", "File too large"}},
    Sign{Failure::DamagedBook, {"Unable to decrypt title key", "Decryption is incorrect"}},
    Sign{Failure::ProtectedBook,
         {"DECRYPTION FAILED", "End User License", "End-User-License", "files found. Can't decrypt",
          "DRM5 is not supported", "owner-exclusive"}},
    Sign{Failure::NotALitFile, {"does not appear to be a .LIT file", "File is too small. Is "}},
    Sign{Failure::OutputExists, {"a file already exists", "Delete it first", "File exists"}},
    Sign{Failure::BookUnreadable, {"Unable to open file.", "Is a directory"}},
    Sign{Failure::DestinationNotWritable,
         {"Error writing file", "Permission denied", "Read-only file system", "Unable to create directory",
          "Unable to create a DOS file", "Unable to create an OPF file", "Unable to create a file in"}},
    Sign{Failure::DamagedBook,
         {"Error reading file", "LIT FORMAT ERROR", "LIT FILE ERROR", "Bad LIT directory", "newer LIT format",
          "I only handle version"}},
};

} // namespace

Failure RecognizeFailure(int status, const String& standardError, std::vector<String> paths)
{
    if (status == kShellNotFound) {
        return Failure::ConverterMissing;
    }
    if (status == kShellCannotExecute) {
        return Failure::ConverterCannotRun;
    }
    if (status > kSignalBase && status <= kSignalBase + kHighestSignal) {
        return Failure::ConverterStopped;
    }
    const auto words = convertersOwnWords(standardError, std::move(paths));
    for (const auto& sign : kSigns) {
        for (const auto phrase : sign.phrases) {
            if (words.find(phrase) != String::npos) {
                return sign.failure;
            }
        }
    }
    return Failure::Unknown;
}

String ExplainFailure(Failure failure, int status, const String& converterPath)
{
    switch (failure) {
    case Failure::NotALitFile:
        return "Wybrany plik nie jest książką w formacie .lit (Microsoft Reader). Sprawdź, czy wskazano "
               "właściwy plik.";
    case Failure::DamagedBook:
        return "Książka jest uszkodzona lub niekompletna, więc nie da się jej odczytać. Skopiuj lub pobierz "
               "ją ponownie i spróbuj jeszcze raz.";
    case Failure::ProtectedBook:
        return "Książka jest chroniona przed kopiowaniem (DRM), a konwerter nie potrafi zdjąć tego "
               "zabezpieczenia. Zamienić można tylko książkę bez takiej ochrony.";
    case Failure::BookUnreadable:
        return "Nie da się odczytać książki: plik zniknął, został przeniesiony albo brak uprawnień do jego "
               "odczytu. Wybierz książkę ponownie.";
    case Failure::DestinationNotWritable:
        return "Nie da się zapisać plików w wybranej teczce: brak uprawnień do zapisu albo nośnik jest "
               "tylko do odczytu. Wybierz inną teczkę.";
    case Failure::DestinationFull:
        return "W teczce docelowej zabrakło miejsca, więc książka nie została zapisana w całości. Zwolnij "
               "miejsce na dysku albo wybierz inną teczkę.";
    case Failure::OutputExists:
        return "Tam, gdzie miała powstać teczka lub plik z książką, jest już plik o tej samej nazwie. "
               "Wybierz inną teczkę albo usuń ten plik.";
    case Failure::ConverterMissing:
        return "Brakuje konwertera Convert LIT „" + converterPath + "”. Zainstaluj Zwojnik ponownie.";
    case Failure::ConverterCannotRun:
        return "Nie da się uruchomić konwertera Convert LIT „" + converterPath +
               "”: brak uprawnień do jego wykonania albo plik jest uszkodzony. Zainstaluj Zwojnik ponownie.";
    case Failure::ConverterStopped:
        return "Konwerter Convert LIT niespodziewanie przerwał pracę (sygnał " +
               framework::Str(status - kSignalBase) +
               "). Pliki w teczce docelowej mogą być niekompletne. Spróbuj ponownie; jeśli to się "
               "powtarza, książka może być uszkodzona.";
    case Failure::Unknown:
        break;
    }
    return "Konwerter Convert LIT zakończył pracę z błędem, którego Zwojnik nie rozpoznaje. Spróbuj "
           "ponownie albo wybierz inną książkę lub teczkę.";
}

} // namespace conversion
