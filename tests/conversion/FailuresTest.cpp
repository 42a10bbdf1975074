// The converter's failures as it reports them: the real converter on real bad books and destinations, and
// what the user is told of each.
#include "conversion/Failures.h"

#include "support/Conversion.h"
#include "support/TempDir.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <stdexcept>

namespace fs = std::filesystem;

using conversion::Failure;
using namespace testsupport;

namespace {

// A copy of krotka.lit with the byte at this offset inverted.
void MakeDamagedBook(const std::string& path, std::size_t offset)
{
    auto book = ReadFile(TestBook("krotka.lit"));
    book.at(offset) = static_cast<char>(~book.at(offset));
    std::ofstream(path, std::ios::binary) << book;
}

} // namespace

// Each report ends its line on standard error, where the program reads it, and is recognised.
TEST(FailuresTest, TheConvertersOwnReportsOfBooksAndDestinationsAreRecognised)
{
    TempDir dir;
    fs::permissions(dir.path(), fs::perms::all); // for the converter run as nobody
    std::ofstream(dir / "notatka.lit") << "To nie jest książka.\n";
    std::ofstream(dir / "tekst.lit") << std::string(200, 'x');
    MakeProtectedBook(dir / "chroniona.lit");
    // Damaged there, the book made the converter report twice, the second report on the first one's line.
    MakeDamagedBook(dir / "zepsuta.lit", 11045);
    CopyTestBook("krotka.lit", dir / "krotka.lit");
    fs::create_directories(dir / "tylko do odczytu");
    fs::permissions(dir / "tylko do odczytu", fs::perms::owner_read | fs::perms::owner_exec |
                                                  fs::perms::others_read | fs::perms::others_exec);
    std::ofstream(dir / "plik");
    const struct
    {
        std::string book, folder;
        Failure failure;
        std::string first = {}; // shell commands run before the converter
    } cases[]{
        {dir / "notatka.lit", dir / "a", Failure::NotALitFile},
        {dir / "tekst.lit", dir / "b", Failure::NotALitFile},
        {TestBook("uszkodzona.lit"), dir / "c", Failure::DamagedBook},
        {dir / "zepsuta.lit", dir / "c", Failure::DamagedBook},
        {dir / "chroniona.lit", dir / "d", Failure::ProtectedBook},
        {dir / "nie ma jej.lit", dir / "e", Failure::BookUnreadable},
        {dir / "krotka.lit", dir / "tylko do odczytu", Failure::DestinationNotWritable},
        {dir / "krotka.lit", dir / "tylko do odczytu/nowa", Failure::DestinationNotWritable},
        {dir / "krotka.lit", dir / "plik", Failure::OutputExists},
        // A write refused fails the conversion, instead of leaving files cut short.
        {TestBook("rozdzialy.lit"), dir / "f", Failure::DestinationFull, "trap '' XFSZ; ulimit -f 16"},
    };
    for (const auto& [book, folder, failure, first] : cases) {
        const auto [status, standardError] = RunConverter(book, folder + "/", first, /*asNobody=*/true);
        SCOPED_TRACE(book + " → " + folder + ": " + standardError);
        EXPECT_EQ(status, 255);
        EXPECT_EQ(conversion::RecognizeFailure(status, standardError, {book, folder}), failure);
        EXPECT_TRUE(standardError.ends_with('\n'));
        EXPECT_EQ(standardError.find(".Error"), std::string::npos) << "two reports on one line";
    }

    // A folder it may not write to: the converter says why instead of trying a thousand other names.
    const auto refused =
        RunConverter(dir / "krotka.lit", dir / "tylko do odczytu/", {}, /*asNobody=*/true).standardError;
    EXPECT_NE(refused.find("Permission denied"), std::string::npos) << refused;
    EXPECT_EQ(refused.find("DOS file"), std::string::npos) << refused;
    EXPECT_TRUE(fs::is_empty(dir / "tylko do odczytu"));
}

TEST(FailuresTest, EveryDamageToABookIsADamagedBookOrAStoppedConverter)
{
    TempDir dir;
    const auto size = ReadFile(TestBook("krotka.lit")).size();
    std::set<std::string> reports;
    for (std::size_t offset = 0; offset < size; offset += 97) {
        MakeDamagedBook(dir / "zepsuta.lit", offset);
        fs::remove_all(dir / "wynik");
        const auto [status, standardError] = RunConverter(dir / "zepsuta.lit", dir / "wynik/");
        if (status == 0) {
            continue;
        }
        reports.insert(standardError.substr(standardError.find('\t') + 1, 30));
        const auto failure = conversion::RecognizeFailure(status, standardError, {dir / "zepsuta.lit"});
        EXPECT_TRUE(failure == Failure::DamagedBook || failure == Failure::NotALitFile ||
                    failure == Failure::ConverterStopped)
            << "byte " << offset << ", status " << status << ": " << standardError;
    }
    EXPECT_GE(reports.size(), 5u) << "too few different reports to mean anything";
}

// Each report of the converter, and each status of the shell, as the user has it explained. Only the
// converter's own words count: not the paths it was given nor any name it quotes, whatever they say.
TEST(FailureExplanationTest, EachReportAndStatusHasItsOwnExplanationWhateverThePathsSay)
{
    const std::string converter = "/opt/Zwojnik/clit-intel";
    const std::string readingStaged = "Error reading file \"/run/user/0/zwojnik-Ab12Cd/ksiazka/";
    const struct
    {
        int status;
        std::string standardError;
        std::vector<std::string> paths; // those the conversion knows
        std::string explained;
    } cases[]{
        // The staged link keeps the book's own name.
        {255,
         readingStaged + "DRM5 keys.txt.lit\" -- \n\tLIT FORMAT ERROR: File is too small. Is 23 bytes, "
                         "must be at least 40 bytes!\n",
         {"/run/user/0/zwojnik-Ab12Cd/ksiazka/DRM5 keys.txt.lit", "/k/DRM5 keys.txt.lit", "/w"},
         "nie jest książką w formacie .lit"},
        {255,
         readingStaged + "a.lit\" -- \n\tUnable to decrypt title key!  Check value = 1c\n",
         {},
         "jest uszkodzona"},
        {255,
         readingStaged + "a.lit\" -- \n\tI couldn't find an encrypted key in the End User License file.\n",
         {},
         "(DRM)"},
        {255, "No \"keys.txt\" files found. Can't decrypt.\n", {}, "(DRM)"},
        {255,
         readingStaged + "a.lit\" -- \n\tUnable to open file.\n\tLIBC reports: Permission denied\n",
         {},
         "Nie da się odczytać książki"},
        // A path may hold a quotation mark.
        {255,
         "Unable to create a file in \"/w/a\"No space left on device/\"!\n\tLIBC reports: Permission "
         "denied\n",
         {"/w/a\"No space left on device"},
         "Nie da się zapisać plików"},
        // A name of the book's own files, quoted in the report, tells nothing either.
        {255,
         "Error writing file \"/w/DRM5 is not supported.opf\" -- \n\tfopen(/w/DRM5 is not supported.opf) "
         "failed!\n\tLIBC reports: Read-only file system\n",
         {},
         "Nie da się zapisać plików"},
        {255,
         "Error writing file \"/w/krotka.html\" -- \n\tfwrite of 2930 bytes failed!\n"
         "\tLIBC reports: No space left on device\n",
         {"/w"},
         "zabrakło miejsca"},
        {255, "Output file \"/w/plik\" already exists. Delete it first!\n", {"/w/plik"}, "jest już plik"},
        {127,
         "sh: 1: /opt/Zwojnik/clit-intel: not found\n",
         {},
         "Brakuje konwertera Convert LIT „" + converter},
        {126, "", {}, "Nie da się uruchomić konwertera Convert LIT „" + converter},
        {128, "", {}, "nie rozpoznaje"},
        {129, "", {}, "(sygnał 1)"},
        {128 + 64, "", {}, "(sygnał 64)"},
        {128 + 65, "", {}, "nie rozpoznaje"},
    };
    for (const auto& [status, standardError, paths, explained] : cases) {
        const auto explanation = conversion::ExplainFailure(
            conversion::RecognizeFailure(status, standardError, paths), status, converter);
        EXPECT_NE(explanation.find(explained), std::string::npos)
            << status << " " << standardError << "→ " << explanation;
    }
}
