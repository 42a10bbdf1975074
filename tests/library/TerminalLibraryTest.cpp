#include "support/Conversion.h"
#include "support/TempDir.h"

#include <csignal>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

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

// SIGTERM, as Ctrl+C's SIGINT, ends the running converters with all they started and removes what they wrote;
// then it ends the program.
TEST(TerminalLibraryTest, ASignalEndsTheConvertersAndRemovesWhatTheyWrote)
{
    TempDir work;
    TempDir privateFiles;
    fs::permissions(privateFiles.path(), fs::perms::owner_all);
    ScopedVariable runtimeFolder{"XDG_RUNTIME_DIR", privateFiles.path()};
    // The program beside a converter that stops inside the book after writing part of it.
    const auto program = work / "program";
    const auto started = work / "zaczęta";
    MakeConverterScript(program, "echo część > \"$2/część.html\"; sleep 600 & echo $! > '" + started +
                                     ".tmp'; mv '" + started + ".tmp' '" + started + "'; wait");
    fs::copy_file(std::string(ZWOJNIK_BUILD_DIR) + "/zwojnik", program + "/zwojnik");
    fs::create_symlink(std::string(ZWOJNIK_BUILD_DIR) + "/zwojnik-supervisor",
                       program + "/zwojnik-supervisor");
    CopyTestBook("krotka.lit", work / "książki/wolna.lit");

    const pid_t child = fork();
    if (child == 0) {
        execl((program + "/zwojnik").c_str(), "zwojnik", "--output", (work / "cel").c_str(),
              (work / "książki").c_str(), nullptr);
        _exit(127);
    }
    ASSERT_GT(child, 0);
    while (!fs::exists(started)) {
        ASSERT_TRUE(ProcessRunning(child));
        usleep(10'000);
    }
    kill(child, SIGTERM);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
    EXPECT_TRUE(FileNames(work / "cel").empty()) << ::testing::PrintToString(FileNames(work / "cel"));
    EXPECT_FALSE(ProcessRunning(std::stoi(ReadFile(started))));
    EXPECT_TRUE(FileNames(privateFiles.path()).empty());
}
