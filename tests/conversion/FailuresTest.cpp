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

// krotka.lit made into a book protected by an owner-exclusive licence (DRM5), which the converter
// cannot remove: its validation stream's directory entry is renamed to the licence's name.
void MakeProtectedBook(const std::string& path)
{
    // A directory entry is its name's length, the name, then its section, offset and size. The new name
    // is four bytes shorter; four zero bytes after the entry read as one more entry, nameless and empty.
    const std::string validation = "\x1c/DRMStorage/ValidationStream";
    const std::string licence = "\x18/DRMStorage/Licenses/EUL";
    auto book = ReadFile(TestBook("krotka.lit"));
    const auto at = book.find(validation);
    if (at == std::string::npos) {
        throw std::runtime_error("krotka.lit has no validation stream entry");
    }
    const std::string location = book.substr(at + validation.size(), 3);
    book.replace(at, validation.size() + 3, licence + location + std::string(4, '\0'));
    std::ofstream(path, std::ios::binary) << book;
}

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
        EXPECT_EQ(conversion::RecognizeFailure(status, standardError), failure);
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
        const auto failure = conversion::RecognizeFailure(status, standardError);
        EXPECT_TRUE(failure == Failure::DamagedBook || failure == Failure::NotALitFile ||
                    failure == Failure::ConverterStopped)
            << "byte " << offset << ", status " << status << ": " << standardError;
    }
    EXPECT_GE(reports.size(), 5u) << "too few different reports to mean anything";
}

// What the program makes of the shell's statuses is seen in OutcomeTest.
TEST(FailureExplanationTest, EachFailureHasItsOwnExplanation)
{
    std::set<std::string> explanations;
    for (int kind = 0; kind <= static_cast<int>(Failure::Unknown); ++kind) {
        const auto text = conversion::ExplainFailure(static_cast<Failure>(kind), 128 + 11, "/opt/clit-intel");
        EXPECT_TRUE(explanations.insert(text).second) << "two failures explained alike: " << text;
    }
}
