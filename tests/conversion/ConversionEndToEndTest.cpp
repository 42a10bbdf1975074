#include "ConversionSupport.h"
#include "conversion/Konwertuj.h"
#include "framework/Scripting.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

namespace fs = std::filesystem;

using conversiontest::CopyTestBook;
using conversiontest::FileNames;
using conversiontest::FindNamed;
using conversiontest::MakeConverterFolder;
using conversiontest::ShellPathOf;
using framework::scripting::ShownMessages;

namespace {

// The file that the commands hidden in the names below would make, in the working folder of the shell.
// "$IFS." stands for a space that no quoting turns into a wildcard.
const std::string kMarker = ".zwojnik-znacznik";

// The title of krotka.lit as its HTML writes it.
const std::string kKrotkaTitle = "Flisak i &#380;&#243;&#322;ta mg&#322;a";

struct Name
{
    const char* label;
    std::string text;
};

const std::vector<Name> kNames{
    {"spacja", "My Books"},
    {"myslnik", "e-books"},
    {"myslnik_na_poczatku", "-x"},
    {"dwa_myslniki_na_poczatku", "--help"},
    {"procent", "100% done %s%n"},
    {"nawiasy", "(2) a(b)c"},
    {"przecinek", "a,b"},
    {"tylda", "~me"},
    {"nawiasy_kwadratowe", "[old] x[ab]y"},
    {"rownosc", "a=b"},
    {"klamry", "{1} }{ {a,b}"},
    {"apostrof", "it's"},
    {"ampersand", "Tom & Jerry &"},
    {"backquote", "a`touch$IFS" + kMarker + "`b"},
    {"dolar", "$HOME $1 $$"},
    {"podstawienie", "$(touch " + kMarker + ") $(touch$IFS" + kMarker + ")"},
    {"srednik", "a; touch " + kMarker + ";"},
    {"cudzyslow", "say \"hi\"; touch " + kMarker + "; \""},
    {"backslash", "back\\slash"},
    {"backslash_przed_backquote", "a\\`touch$IFS" + kMarker + "\\`b"},
    {"backslash_i_myslnik", "a\\-b \\\\-c"},
    {"backslash_na_koncu", "end\\"},
    {"gwiazdka", "*"},
    {"pytajnik", "?"},
    {"nawias_kwadratowy_otwarty", "a[b"},
    {"tabulator", "a\tb"},
    {"nowy_wiersz", "a\ntouch " + kMarker + "\n`touch$IFS" + kMarker + "`"},
    {"polskie_litery", "Zażółć gęślą jaźń"},
    {"potok_i_przekierowania", "a|touch " + kMarker + " >" + kMarker + "2 <x"},
    {"krzyzyk_wykrzyknik", "#x !x ^x"},
    {"znaki_sterujace", "a\rb\x1b"
                        "c\x7f"},
    {"kropka_na_poczatku", ".ukryta książka"},
    {"twarda_spacja", "a\u00A0b"},
    {"wszystkie_znaki_interpunkcyjne", " !\"#$%&'()*+,-.:;<=>?@[\\]^_`{|}~"},
};

void PrintTo(const Name& name, std::ostream* out)
{
    *out << ::testing::PrintToString(name.text);
}

enum class Place
{
    Book,
    Destination,
    ApplicationFolder,
    All,
};

const char* placeLabel(Place place)
{
    switch (place) {
    case Place::Book:
        return "ksiazka";
    case Place::Destination:
        return "teczka_docelowa";
    case Place::ApplicationFolder:
        return "teczka_programu";
    case Place::All:
        return "wszedzie";
    }
    return "";
}

class ConversionTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        framework::scripting::Reset();
        framework::scripting::AnswerMessages();
        framework::scripting::SetProcessorAnswer(10);
        fs::create_directory(root / "cwd");
        previousWorkingFolder = fs::current_path();
        fs::current_path(root / "cwd");
    }
    void TearDown() override
    {
        fs::current_path(previousWorkingFolder);
        framework::scripting::Reset();
    }

    void convert(const std::string& app, const std::string& book, const std::string& destination)
    {
        conversion::Konwertuj(ShellPathOf(app), ShellPathOf(book), ShellPathOf(destination));
    }

    testsupport::TempDir root;
    fs::path previousWorkingFolder;
};

class NamesTest : public ConversionTest, public ::testing::WithParamInterface<std::tuple<Name, Place>>
{};

} // namespace

TEST_P(NamesTest, ConvertsIntoTheChosenFolderAndRunsNothingHiddenInTheName)
{
    const auto& [name, place] = GetParam();
    const bool inBook = place == Place::Book || place == Place::All;
    const bool inDestination = place == Place::Destination || place == Place::All;
    const bool inApp = place == Place::ApplicationFolder || place == Place::All;
    const auto app = root / ("app/" + (inApp ? name.text : std::string("Zwojnik")));
    const auto book = root / ("books/" + (inBook ? name.text : std::string("krotka")) + ".lit");
    const auto destination = root / ("out/" + (inDestination ? name.text : std::string("html")));
    MakeConverterFolder(app);
    CopyTestBook("krotka.lit", book);
    fs::create_directories(destination);

    convert(app, book, destination);

    EXPECT_EQ(ShownMessages(), std::vector<std::string>{"Gotowe!"});
    // The converter names the package file after the book it was given (after its last backslash:
    // the converter takes that for a folder separator).
    const auto stem = fs::path(book).stem().string();
    EXPECT_TRUE(FileNames(destination).count(stem.substr(stem.rfind('\\') + 1) + ".opf"));
    EXPECT_TRUE(conversiontest::FileContains(fs::path(destination) / "krotka.html", kKrotkaTitle));
    EXPECT_TRUE(FileNames(destination).count("krotka.html"))
        << "written: " << ::testing::PrintToString(FileNames(destination));
    EXPECT_TRUE(FileNames(root / "cwd").empty());
    EXPECT_TRUE(FindNamed(root.path(), kMarker).empty());
    EXPECT_TRUE(FindNamed(root.path(), kMarker + "2").empty());
}

INSTANTIATE_TEST_SUITE_P(EveryCharacter, NamesTest,
                         ::testing::Combine(::testing::ValuesIn(kNames),
                                            ::testing::Values(Place::Book, Place::Destination,
                                                              Place::ApplicationFolder, Place::All)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).label) + "_w_" +
                                    placeLabel(std::get<1>(info.param));
                         });

TEST_F(ConversionTest, ManyChaptersAllReachTheChosenFolder)
{
    const auto app = root / "app/Zwojnik (kopia) $(touch " + kMarker + ")";
    const auto book = root / "Książki/Rozdziały `touch$IFS" + kMarker + "`.lit";
    const auto destination = root / "Wynik; touch " + kMarker;
    MakeConverterFolder(app);
    CopyTestBook("rozdzialy.lit", book);
    fs::create_directories(destination);

    convert(app, book, destination);

    EXPECT_EQ(ShownMessages(), std::vector<std::string>{"Gotowe!"});
    const auto written = FileNames(destination);
    for (int chapter = 0; chapter < 24; ++chapter) {
        const auto file =
            "rozdzialy_split_" + std::string(chapter < 10 ? "00" : "0") + std::to_string(chapter) + ".html";
        EXPECT_TRUE(written.count(file)) << file;
    }
    EXPECT_TRUE(FindNamed(root.path(), kMarker).empty());
}

// Given a destination without its closing slash, the converter overruns a buffer at some lengths of
// that path (here 71 and 87, among others); the folder's shell path ends with a slash.
TEST_F(ConversionTest, DestinationsOfThirtyTwoConsecutivePathLengthsAllConvert)
{
    const auto app = root / "app";
    const auto book = root / "it's, a=b.lit";
    MakeConverterFolder(app);
    CopyTestBook("krotka.lit", book);
    const auto base = root / "out/";
    ASSERT_LT(base.size(), 63u) << "the temporary folder's path is too long for the lengths tried";
    std::vector<std::string> expected;
    for (std::size_t length = 64; length < 64 + 32; ++length) {
        const auto destination = base + std::string(length - base.size(), 'd');
        ASSERT_EQ(destination.size(), length);
        fs::create_directories(destination);
        convert(app, book, destination);
        expected.emplace_back("Gotowe!");
        EXPECT_TRUE(FileNames(destination).count("krotka.html")) << destination;
    }
    EXPECT_EQ(ShownMessages(), expected);
}

namespace {
std::string ambiguityMessage(const std::string& path)
{
    return "Nie mogę jednoznacznie wskazać \u201E" + path +
           "\u201D: tej nazwie odpowiada kilka plików lub teczek. Zmień nazwę i spróbuj ponownie.";
}
} // namespace

TEST_F(ConversionTest, AnEbookNameThatAWildcardConfusesIsReportedAndNothingRuns)
{
    MakeConverterFolder(root / "app");
    CopyTestBook("krotka.lit", root / "books/My Book.lit");
    CopyTestBook("rozdzialy.lit", root / "books/My_Book.lit");
    fs::create_directories(root / "out");

    convert(root / "app", root / "books/My Book.lit", root / "out");

    EXPECT_EQ(ShownMessages(), std::vector<std::string>{ambiguityMessage(root / "books/My Book.lit")});
    EXPECT_TRUE(FileNames(root / "out").empty());
}

TEST_F(ConversionTest, ADestinationThatAWildcardConfusesIsReportedAndNothingRuns)
{
    MakeConverterFolder(root / "app");
    CopyTestBook("krotka.lit", root / "krotka.lit");
    fs::create_directories(root / "My Books");
    fs::create_directories(root / "My-Books");

    convert(root / "app", root / "krotka.lit", root / "My Books");

    EXPECT_EQ(ShownMessages(), std::vector<std::string>{ambiguityMessage(root / "My Books/")});
    EXPECT_TRUE(FileNames(root / "My Books").empty());
    EXPECT_TRUE(FileNames(root / "My-Books").empty());
}

TEST_F(ConversionTest, AnApplicationFolderThatAWildcardConfusesIsReportedAndNothingRuns)
{
    MakeConverterFolder(root / "My Apps");
    MakeConverterFolder(root / "My&Apps");
    CopyTestBook("krotka.lit", root / "krotka.lit");
    fs::create_directories(root / "out");

    convert(root / "My Apps", root / "krotka.lit", root / "out");

    EXPECT_EQ(ShownMessages(), std::vector<std::string>{ambiguityMessage(root / "My Apps/clit-intel")});
    EXPECT_TRUE(FileNames(root / "out").empty());
}

TEST_F(ConversionTest, ANeighbourThatDiffersElsewhereIsNoAmbiguity)
{
    MakeConverterFolder(root / "app");
    CopyTestBook("krotka.lit", root / "My Book.lit");
    CopyTestBook("krotka.lit", root / "My Books.lit");
    CopyTestBook("krotka.lit", root / "Me Book.lit");
    fs::create_directories(root / "out put");
    fs::create_directories(root / "out put2");

    convert(root / "app", root / "My Book.lit", root / "out put");

    EXPECT_EQ(ShownMessages(), std::vector<std::string>{"Gotowe!"});
    EXPECT_TRUE(FileNames(root / "out put").count("krotka.html"));
    EXPECT_TRUE(FileNames(root / "out put2").empty());
}
