#include "support/Conversion.h"
#include "support/TempDir.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sys/wait.h>

namespace fs = std::filesystem;

using namespace testsupport;

namespace {

struct Finished
{
    int status = -1;
    std::string output;
};

// The program from a terminal without a display, its standard output kept.
Finished runProgram(const std::string& arguments, const TempDir& work)
{
    const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " +
                                std::string(ZWOJNIK_BUILD_DIR) + "/zwojnik " + arguments + " >'" +
                                work / "wyjście" + "' 2>&1";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(work / "wyjście")};
}

} // namespace

TEST(TerminalLibraryTest, ConvertsWithoutAWindowAndSaysHowEachBookWent)
{
    TempDir work;
    TempDir privateFiles;
    fs::permissions(privateFiles.path(), fs::perms::owner_all);
    ScopedVariable runtimeFolder{"XDG_RUNTIME_DIR", privateFiles.path()};
    CopyTestBook("krotka.lit", work / "książki/krotka.lit");
    CopyTestBook("rozdzialy.lit", work / "książki/seria/rozdzialy.lit");
    CopyTestBook("krotka.lit", work / "osobno/krotka.lit");

    auto run = runProgram(
        "--output '" + work / "cel" + "' '" + work / "książki" + "' '" + work / "osobno/krotka.lit'", work);
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(FileNames(work / "cel"), (std::set<std::string>{"krotka", "krotka (2)", "rozdzialy"}));
    EXPECT_TRUE(FileNames(work / "cel/rozdzialy").contains("rozdzialy.opf"));
    EXPECT_NE(run.output.find("[3/3] Gotowe: „"), std::string::npos) << run.output;
    EXPECT_TRUE(run.output.ends_with("\nZamienione książki: 3 z 3.\n")) << run.output;

    CopyTestBook("uszkodzona.lit", work / "książki/uszkodzona.lit");
    run = runProgram("--epub --output '" + work / "epub" + "' '" + work / "książki" + "'", work);
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_EQ(FileNames(work / "epub"), (std::set<std::string>{"krotka.epub", "rozdzialy.epub"}));
    EXPECT_NE(run.output.find("Nie zamieniono „" + work / "książki/uszkodzona.lit" + "”: "),
              std::string::npos)
        << run.output;
    EXPECT_TRUE(run.output.ends_with("\nZamienione książki: 2 z 3.\n")) << run.output;
    EXPECT_TRUE(FileNames(privateFiles.path()).empty());

    run = runProgram("--output '" + work / "cel" + "' '" + work / "nie ma.lit'", work);
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_NE(run.output.find("Nie mogę znaleźć „" + work / "nie ma.lit" + "”."), std::string::npos)
        << run.output;
    run = runProgram("--output", work);
    EXPECT_EQ(run.status, 1) << run.output;
}
