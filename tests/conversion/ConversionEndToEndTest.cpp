#include "conversion/Konwertuj.h"
#include "support/Conversion.h"
#include "support/Program.h"

#include <clocale>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

using namespace testsupport;

namespace {

// The file that the commands hidden in the names below would make, in the working folder of the shell.
// "$IFS." stands for a space that no quoting turns into a wildcard.
const std::string kMarker = ".zwojnik-znacznik";

// The title of krotka.lit as its HTML writes it.
const std::string kKrotkaTitle = "Flisak i &#380;&#243;&#322;ta mg&#322;a";

// Each in the book's, the destination's and the program folder's name at once.
const std::vector<std::string> kNames{
    "-x",
    "a`touch$IFS" + kMarker + "`b",
    "$(touch " + kMarker + ") $(touch$IFS" + kMarker + ")",
    "a; touch " + kMarker + ";",
    "say \"hi\"; touch " + kMarker + "; \"",
    "a\\`touch$IFS" + kMarker + "\\`b",
    "a\\-b \\\\-c",
    "end\\",
    "a\tb",
    "a\ntouch " + kMarker + "\n`touch$IFS" + kMarker + "`",
    "Zażółć gęślą jaźń",
    "a|touch " + kMarker + " >" + kMarker + "2 <x",
    ".ukryta książka",
    " !\"#$%&'()*+,-.:;<=>?@[\\]^_`{|}~",
};

// Converts with the real converter; the shell's working folder is one of the test's own, watched for
// anything a command hidden in a name would make. Whether a conversion succeeds or fails, nothing of its
// staging folder stays behind.
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
    void TearDown() override
    {
        fs::current_path(previousWorkingFolder);
        EXPECT_TRUE(FileNames(runtime.path()).empty()) << ::testing::PrintToString(FileNames(runtime.path()));
    }

    TempDir root;
    const TempDir runtime;
    const ScopedVariable runtimeVariable{"XDG_RUNTIME_DIR", runtime.path()};
    fs::path previousWorkingFolder;
};

} // namespace

TEST_F(ConversionTest, EveryCharacterConvertsIntoTheChosenFolderAndRunsNothingHiddenInTheName)
{
    for (const auto& name : kNames) {
        SCOPED_TRACE(::testing::PrintToString(name));
        const auto app = root / ("app/" + name);
        const auto book = root / ("books/" + name + ".lit");
        const auto destination = root / ("out/" + name);
        MakeConverterFolder(app);
        CopyTestBook("krotka.lit", book);
        fs::create_directories(destination);

        Convert(app, book, destination);

        EXPECT_EQ(script.ShownMessages().back(), "Gotowe!");
        // The converter names the package file after the book it was given (after its last backslash,
        // which it takes for a folder separator).
        const auto stem = fs::path(book).stem().string();
        EXPECT_TRUE(FileNames(destination).count(stem.substr(stem.rfind('\\') + 1) + ".opf"))
            << "written: " << ::testing::PrintToString(FileNames(destination));
        EXPECT_NE(ReadFile(destination + "/krotka.html").find(kKrotkaTitle), std::string::npos);
        EXPECT_TRUE(FileNames(root / "cwd").empty());
    }
    EXPECT_EQ(script.ShownMessages().size(), kNames.size());
}

// Names that the shell's wildcards would confuse with the chosen ones, whether they were there before or
// someone puts them there during the conversion: the converter sees only the chosen book, folder and
// converter, and nothing is written anywhere else. Further cases once failed or were refused: a neighbour
// that a wildcard matched in the program's locale only, a folder named a dot and one escaped character, a
// link followed by "..", a name ending in a backslash (whose escape once joined book and destination into
// one word), and a legacy 8-bit name ("Tom+ą.lit" in ISO 8859-2) whose stray byte the quoting swallowed, so
// that the book beside it was converted.
TEST_F(ConversionTest, LookAlikeNamesBesideTheChosenOnesAreNeverTaken)
{
    setlocale(LC_ALL, "C.UTF-8");
    MakeConverterFolder(root / "My Apps");
    MakeConverterScript(root / "My&Apps", "touch '" + (root / kMarker) + "'; exit 1");
    // Beside the chosen books, another book that a wrong match would convert.
    for (const auto* decoy : {"My_Book.lit", "My\tBook.lit", "utf/aéb.lit", "ln/ksiazka.lit", "Tom+.lit"}) {
        CopyTestBook("rozdzialy.lit", root / decoy);
    }
    for (const auto& folder : {"out", "My-Books", "out\tput", "elsewhere/inner"}) {
        fs::create_directories(root / folder);
    }
    fs::create_directory_symlink(root / "elsewhere/inner", root / "ln/link");
    const struct
    {
        std::string book, destination, opf;
    } cases[]{
        {"My Book.lit", "My Books", "My Book.opf"}, {"My Book.lit", "out put", "My Book.opf"},
        {"utf/a b.lit", ".=", "a b.opf"},           {". /książka.lit", ". ", "książka.opf"},
        {".~/x.lit", "wynik/.~", "x.opf"},          {"ln/link/../ksiazka.lit", "wynik/link", "ksiazka.opf"},
        {"krotka.lit\\", "wynik/kreska", ""},       {"Tom+\xB1.lit", "wynik/tom", "Tom+\xB1.opf"},
    };
    for (const auto& [book, destination, opf] : cases) {
        if (!fs::exists(root / book)) {
            CopyTestBook("krotka.lit", root / book);
        }
        fs::create_directories(root / destination);
        Convert(root / "My Apps", root / book, root / destination);
        EXPECT_EQ(script.ShownMessages().back(), "Gotowe!") << book;
        EXPECT_TRUE(opf.empty() || FileNames(root / destination).count(opf)) << book;
        EXPECT_NE(ReadFile(root / destination + "/krotka.html").find(kKrotkaTitle), std::string::npos)
            << book;
    }
    setlocale(LC_ALL, "C");
    EXPECT_EQ(script.ShownMessages().size(), std::size(cases));
    for (const auto& folder : {"out", "My-Books", "out\tput"}) {
        EXPECT_TRUE(FileNames(root / folder).empty()) << folder;
    }
    EXPECT_FALSE(fs::exists(root / kMarker)) << "the look-alike converter ran";

    // Only a book whose own name is a dot and one escaped character is still refused: "/bin/sh" expands
    // ".?" to ".." as well, which would reach the converter as an extra argument.
    CopyTestBook("krotka.lit", root / "kropka/.~");
    fs::create_directories(root / "wynik/kropka");
    Convert(root / "My Apps", root / "kropka/.~", root / "wynik/kropka");
    EXPECT_EQ(script.ShownMessages().back(),
              "Nie mogę jednoznacznie wskazać \u201E" + root / "kropka/.~" +
                  "\u201D: tej nazwie odpowiada kilka plików lub teczek. Zmień nazwę i spróbuj ponownie.");
    EXPECT_TRUE(FileNames(root / "wynik/kropka").empty());
}

TEST_F(ConversionTest, FolderThatCanBeEnteredButNotListedConverts)
{
    const uid_t user = 12345;
    fs::permissions(root.path(), fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    CopyTestBook("krotka.lit", root / "ukryta/a b.lit");
    fs::permissions(root / "ukryta", fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    fs::permissions(root / "ukryta/a b.lit",
                    fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read);
    fs::create_directories(root / "out put");
    ASSERT_EQ(chown((root / "out put").c_str(), user, user), 0);
    MakeConverterFolder(root / "app");
    fs::permissions(root / "app", fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    fs::current_path(root / "app");

    // As a user who may only enter the folders on the way, not list them.
    ASSERT_EQ(setresgid(user, user, 0), 0);
    ASSERT_EQ(setresuid(user, user, 0), 0);
    Convert(root / "app", root / "ukryta/a b.lit", root / "out put");
    ASSERT_EQ(setresuid(0, 0, 0), 0);
    ASSERT_EQ(setresgid(0, 0, 0), 0);

    EXPECT_EQ(script.ShownMessages(), std::vector<std::string>{"Gotowe!"});
    EXPECT_TRUE(FileNames(root / "out put").count("a b.opf"));
}

// A book that is not there, or is no file to read (a FIFO would keep the converter waiting for ever), is
// named in a message, and the converter does not start.
TEST_F(ConversionTest, BookThatIsMissingOrNoRegularFileIsReportedAndTheConverterDoesNotStart)
{
    MakeConverterScript(root / "app", "touch '" + (root / kMarker) + "'");
    CopyTestBook("krotka.lit", root / "nx/a_b.lit");
    ASSERT_EQ(mkfifo((root / "rura.lit").c_str(), 0600), 0);
    fs::create_directories(root / "teczka.lit");
    fs::create_directories(root / "out");
    fs::create_symlink(root / "nowhere.lit", root / "dangling.lit");
    fs::create_symlink("loop.lit", root / "loop.lit");
    const struct
    {
        std::string book;
        bool missing; // else no regular file
    } cases[]{{root / "nx/a b.lit", true},   {root / "rura.lit", false}, {root / "teczka.lit", false},
              {root / "dangling.lit", true}, {root / "loop.lit", true},  {root / "nx/a_b.lit/x", true},
              {"/dev/null", false}};
    for (const auto& [book, missing] : cases) {
        Convert(root / "app", book, root / "out");
        EXPECT_EQ(script.ShownMessages().back(),
                  missing
                      ? "Nie mogę znaleźć pliku „" + book + "”. Być może został przeniesiony albo usunięty."
                      : "„" + book +
                            "” nie jest zwykłym plikiem (to teczka, potok albo urządzenie), więc nie "
                            "mogę go zamienić.");
    }
    EXPECT_FALSE(fs::exists(root / kMarker)) << "the converter started";
    EXPECT_TRUE(FileNames(root / "out").empty());
}

// The processor's family picks the executable that runs: the folder holds the real converter under one
// name only, so the other family's choice finds nothing to run (the shell's 127).
TEST_F(ConversionTest, TheProcessorFamilyPicksTheConverterThatRuns)
{
    CopyTestBook("krotka.lit", root / "książka (1).lit");
    const struct
    {
        std::string machine, converter;
        bool converts;
    } cases[]{{"ppc", "clit-ppc", true},        {"Power Macintosh", "clit-ppc", true},
              {"x86_64", "clit-intel", true},   {"aarch64", "clit-intel", true},
              {"ppc64le", "clit-intel", false}, {"i686", "clit-ppc", false}};
    for (const auto& [machine, converter, converts] : cases) {
        const auto program = root / ("program " + machine);
        const auto destination = root / ("wynik " + machine);
        MakeConverterFolder(program, converter);
        fs::create_directory(destination);
        script.SetMachine(machine);
        Convert(program, root / "książka (1).lit", destination);
        EXPECT_EQ(script.ShownMessages().back(), converts ? "Gotowe!" : ErrorMessage(127)) << machine;
        EXPECT_EQ(FileNames(destination).count("krotka.html"), converts ? 1u : 0u) << machine;
    }
}
