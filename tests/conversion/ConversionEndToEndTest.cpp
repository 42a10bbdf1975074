#include "conversion/Konwertuj.h"
#include "framework/Files.h"
#include "support/Conversion.h"
#include "support/Program.h"

#include <filesystem>
#include <iterator>
#include <sstream>

namespace fs = std::filesystem;

using namespace testsupport;

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
const char* const kPlaceLabels[]{"ksiazka", "teczka_docelowa", "teczka_programu", "wszedzie"};

// Converts with the real converter; the shell's working folder is one of the test's own, watched for
// anything a command hidden in a name would make.
class ConversionTest : public RuntimeTest
{
protected:
    void SetUp() override
    {
        ScriptedTest::SetUp();
        script.SetMachine("x86_64");
        fs::create_directory(root / "cwd");
        previousWorkingFolder = fs::current_path();
        fs::current_path(root / "cwd");
    }
    void TearDown() override { fs::current_path(previousWorkingFolder); }

    TempDir root;
    fs::path previousWorkingFolder;
};

class NamesTest : public ConversionTest, public ::testing::WithParamInterface<std::tuple<Name, Place>>
{};

} // namespace

TEST_P(NamesTest, ConvertsIntoTheChosenFolderAndRunsNothingHiddenInTheName)
{
    const auto& [name, place] = GetParam();
    const auto nameIn = [&, place = place](Place where, const std::string& otherwise) {
        return place == where || place == Place::All ? name.text : otherwise;
    };
    const auto app = root / ("app/" + nameIn(Place::ApplicationFolder, "Zwojnik"));
    const auto book = root / ("books/" + nameIn(Place::Book, "krotka") + ".lit");
    const auto destination = root / ("out/" + nameIn(Place::Destination, "html"));
    MakeConverterFolder(app);
    CopyTestBook("krotka.lit", book);
    fs::create_directories(destination);

    Convert(app, book, destination);

    EXPECT_EQ(script.ShownMessages(), std::vector<std::string>{"Gotowe!"});
    // The converter names the package file after the book it was given (after its last backslash,
    // which it takes for a folder separator).
    const auto stem = fs::path(book).stem().string();
    EXPECT_TRUE(FileNames(destination).count(stem.substr(stem.rfind('\\') + 1) + ".opf"))
        << "written: " << ::testing::PrintToString(FileNames(destination));
    EXPECT_NE(ReadFile(destination + "/krotka.html").find(kKrotkaTitle), std::string::npos);
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
                                    kPlaceLabels[static_cast<int>(std::get<1>(info.param))];
                         });

// Given a destination without its closing slash, the converter overruns a buffer at some lengths of
// that path (here 71 and 87, among others); the folder's shell path ends with a slash.
TEST_F(ConversionTest, DestinationsOfThirtyTwoConsecutivePathLengthsAllConvert)
{
    const auto book = root / "it's, a=b.lit";
    MakeConverterFolder(root / "app");
    CopyTestBook("krotka.lit", book);
    const auto base = root / "out/";
    ASSERT_LT(base.size(), 63u) << "the temporary folder's path is too long for the lengths tried";
    for (std::size_t length = 64; length < 64 + 32; ++length) {
        const auto destination = base + std::string(length - base.size(), 'd');
        fs::create_directories(destination);
        Convert(root / "app", book, destination);
        EXPECT_EQ(script.ShownMessages().back(), "Gotowe!") << length;
        EXPECT_TRUE(FileNames(destination).count("krotka.html")) << length;
    }
    EXPECT_EQ(script.ShownMessages().size(), 32u);
}

// A word whose wildcards match another name besides the chosen one is reported, and nothing runs; a
// neighbour whose name differs in a character that is no wildcard is no ambiguity.
TEST_F(ConversionTest, AnyOfTheThreeNamesThatAWildcardConfusesIsReportedAndNothingRuns)
{
    const auto ambiguity = [](const std::string& path) {
        return "Nie mogę jednoznacznie wskazać \u201E" + path +
               "\u201D: tej nazwie odpowiada kilka plików lub teczek. Zmień nazwę i spróbuj ponownie.";
    };
    for (const auto& folder : {"app", "My Apps", "My&Apps"}) {
        MakeConverterFolder(root / folder);
    }
    CopyTestBook("krotka.lit", root / "My Book.lit");
    CopyTestBook("rozdzialy.lit", root / "My_Book.lit");
    CopyTestBook("krotka.lit", root / "Me Book.lit");
    CopyTestBook("krotka.lit", root / "krotka.lit");
    for (const auto& folder : {"out", "My Books", "My-Books", "out put", "out put2"}) {
        fs::create_directories(root / folder);
    }
    const struct
    {
        std::string app, book, destination, message;
    } cases[]{
        {"app", "My Book.lit", "out", ambiguity(root / "My Book.lit")},
        {"app", "krotka.lit", "My Books", ambiguity(root / "My Books/")},
        {"My Apps", "krotka.lit", "out", ambiguity(root / "My Apps/clit-intel")},
        {"app", "Me Book.lit", "out put", "Gotowe!"},
    };
    for (const auto& [app, book, destination, message] : cases) {
        Convert(root / app, root / book, root / destination);
        EXPECT_EQ(script.ShownMessages().back(), message);
    }
    EXPECT_EQ(script.ShownMessages().size(), std::size(cases));
    for (const auto& folder : {"out", "My Books", "My-Books", "out put2"}) {
        EXPECT_TRUE(FileNames(root / folder).empty()) << folder;
    }
    EXPECT_TRUE(FileNames(root / "out put").count("krotka.html"));
}

// What the shell-path fuzzer found. The escaped backslash at the end of the book's shell path ("\\") and
// the space after the path made the pair "\ " of the quoting table: book and destination reached the
// converter as one word.
TEST_F(ConversionTest, BookWhoseNameEndsInABackslashKeepsAWordOfItsOwn)
{
    MakeConverterFolder(root / "app");
    CopyTestBook("krotka.lit", root / "krotka.lit\\");
    fs::create_directories(root / "out");
    const auto shellPath = [](const std::string& path) {
        return framework::FolderItem::FromPath(path)->ShellPath();
    };
    const auto command = conversion::ConverterCommand(
        10, shellPath(root / "app"), shellPath(root / "krotka.lit\\"), shellPath(root / "out"));
    std::istringstream words(
        command.substr(command.find('"') + 1, command.rfind('"') - command.find('"') - 1));
    EXPECT_EQ(std::distance(std::istream_iterator<std::string>(words), std::istream_iterator<std::string>()),
              3)
        << command;

    Convert(root / "app", root / "krotka.lit\\", root / "out");
    EXPECT_EQ(script.ShownMessages(), std::vector<std::string>{"Gotowe!"});
    EXPECT_TRUE(FileNames(root / "out").count("krotka.html"));
}

// A name in a legacy 8-bit encoding: after an escaped character came a byte that is not UTF-8 on its
// own, and the quoting swallowed it with the escape. The word then matched the name without that byte,
// another book beside the chosen one, and the converter converted that.
TEST_F(ConversionTest, StrayByteAfterAnEscapedCharacterStaysAndTheChosenBookIsConverted)
{
    MakeConverterFolder(root / "app");
    CopyTestBook("krotka.lit", root / "Tom+\xB1.lit"); // "Tom+ą.lit" in ISO 8859-2
    CopyTestBook("rozdzialy.lit", root / "Tom+.lit");
    fs::create_directories(root / "out");

    Convert(root / "app", root / "Tom+\xB1.lit", root / "out");
    EXPECT_EQ(script.ShownMessages(), std::vector<std::string>{"Gotowe!"});
    // The converter names the package file after the book file it was given.
    EXPECT_TRUE(FileNames(root / "out").count("Tom+\xB1.opf")) << "the chosen book was not converted";
    EXPECT_FALSE(FileNames(root / "out").count("Tom+.opf")) << "the book beside it was converted";
}
