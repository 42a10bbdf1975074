// Convert LIT confines itself with Landlock before it reads a book: it creates files only beneath the
// destination folder, even where a folder in the destination leads somewhere else.
#include "support/Conversion.h"
#include "support/TempDir.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <linux/landlock.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;

using namespace testsupport;

namespace {

const std::string kPicture = std::string(ZWOJNIK_TEST_DATA) + "/sources/podfoldery/obrazki/most.png";

// Runs the converter as the program does (BOOK DESTINATION/), its reports dropped; yields its exit status.
int RunConverter(const std::string& book, const std::string& destination)
{
    const std::string converter = ConverterBinary();
    const char* arguments[] = {converter.c_str(), book.c_str(), destination.c_str(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned =
        posix_spawn(&pid, converter.c_str(), &actions, nullptr, const_cast<char**>(arguments), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        ADD_FAILURE() << "the converter could not be started";
        return -1;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

TEST(ConfinementTest, AFolderOfTheDestinationThatLeadsElsewhereGetsNoFile)
{
    const long abi = syscall(SYS_landlock_create_ruleset, nullptr, 0, LANDLOCK_CREATE_RULESET_VERSION);
    if (abi < 0) {
        GTEST_SKIP() << "this kernel offers no Landlock (" << std::strerror(errno)
                     << "): the converter runs unconfined here";
    }
    TempDir dir;
    const std::string outside = dir / "elsewhere";
    const std::string destination = dir / "wynik";
    fs::create_directories(outside);
    fs::create_directories(destination);
    // The book keeps its picture in obrazki/: the converter makes that folder in the destination, and
    // finds it there already, a link to another place.
    fs::create_directory_symlink(outside, destination + "/obrazki");
    std::ofstream(destination + "/obrazki/probe") << "through the link";
    ASSERT_TRUE(fs::exists(outside + "/probe")) << "the planted link does not lead outside";
    fs::remove(outside + "/probe");

    EXPECT_EQ(RunConverter(TestBook("podfoldery.lit"), destination + "/"), 0);

    EXPECT_TRUE(FileNames(outside).empty()) << "the converter created a file outside its destination";
    // Refused there, the picture takes a name of its own in the destination, and the page shows it.
    EXPECT_EQ(ReadFile(destination + "/most.png"), ReadFile(kPicture));
    EXPECT_NE(ReadFile(destination + "/tekst/rozdzial.html").find("src=\"../most.png\""), std::string::npos);
}

// The folder is made before the book is read, so that it can be the one place to write to.
TEST(ConfinementTest, ADestinationNamedWithASlashThatIsNotThereYetIsMadeAndFilled)
{
    TempDir dir;
    const std::string destination = dir / "nowy";

    EXPECT_EQ(RunConverter(TestBook("podfoldery.lit"), destination + "/"), 0);

    EXPECT_EQ(FileNames(destination), (std::set<std::string>{"manglecase.css", "obrazki", "page_styles.css",
                                                             "podfoldery.opf", "stylesheet.css", "tekst"}));
    EXPECT_EQ(ReadFile(destination + "/obrazki/most.png"), ReadFile(kPicture));
    EXPECT_NE(ReadFile(destination + "/tekst/rozdzial.html").find("src=\"../obrazki/most.png\""),
              std::string::npos);
}

} // namespace
