// Where the private folder goes through which each conversion names its paths, and what becomes of one
// (or of a working folder) that a killed program left. Its links, and that they go with it, show in
// ConversionEndToEndTest.
#include "conversion/StagingFolder.h"

#include "conversion/WorkingFolder.h"
#include "support/Conversion.h"
#include "support/Program.h"
#include "support/TempDir.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using conversion::StagingFolder;
using namespace testsupport;

namespace {

constexpr uid_t kOtherUser = 12345;

class StagingFolderTest : public ScriptedTest
{
protected:
    std::unique_ptr<StagingFolder> Make()
    {
        auto problem = StagingFolder::Problem::None;
        return StagingFolder::Make(dir / "clit-intel", dir / "a b.lit", dir / "cel", problem);
    }

    void SetUp() override
    {
        CopyTestBook("krotka.lit", dir / "a b.lit");
        fs::create_directory(dir / "cel");
    }

    TempDir dir;
};

} // namespace

// Only a folder whose entries no one else can rename is a parent: this user's own private runtime folder,
// else a temporary folder that is sticky or that only its owner can write in, and none on the way to it
// otherwise.
TEST_F(StagingFolderTest, ParentIsThisUsersOwnPrivateFolderOrATemporaryFolderNoOneElseCanRenameIn)
{
    for (const auto* folder : {"runtime", "with space", "others", "0711", "tmp", "open/inner", "sticky"}) {
        fs::create_directories(dir / folder);
        fs::permissions(dir / folder, fs::perms::owner_all);
    }
    ASSERT_EQ(chown((dir / "others").c_str(), kOtherUser, kOtherUser), 0);
    fs::permissions(dir / "0711", fs::perms::group_exec | fs::perms::others_exec, fs::perm_options::add);
    fs::permissions(dir / "open", fs::perms::all);
    fs::permissions(dir / "sticky", fs::perms::all | fs::perms::sticky_bit);
    fs::create_directory_symlink(dir / "runtime", dir / "link");
    const ScopedVariable temporary("TMPDIR", dir / "tmp");
    for (const auto& runtime : {dir / "0711", dir / "others", dir / "link", dir / "with space",
                                std::string("x"), dir / "missing", dir / "open/inner"}) {
        const ScopedVariable variable("XDG_RUNTIME_DIR", runtime);
        EXPECT_EQ(StagingFolder::ParentFolder(), dir / "tmp") << runtime;
        const auto staging = Make();
        ASSERT_TRUE(staging) << runtime;
        EXPECT_EQ(fs::path(staging->Path()).parent_path(), dir / "tmp");
        struct stat status = {};
        EXPECT_EQ(lstat(staging->Path().c_str(), &status), 0);
        EXPECT_EQ(status.st_mode & 07777, 0700u);
    }
    const ScopedVariable variable("XDG_RUNTIME_DIR", dir / "runtime");
    EXPECT_EQ(StagingFolder::ParentFolder(), dir / "runtime");
    unsetenv("XDG_RUNTIME_DIR");
    for (const auto& [tmpdir, parent] :
         {std::pair{dir / "with space", std::string("/tmp")}, std::pair{dir / "open", std::string("/tmp")},
          std::pair{dir / "open/inner", std::string("/tmp")}, std::pair{dir / "others", std::string("/tmp")},
          std::pair{dir / "sticky", dir / "sticky"}}) {
        const ScopedVariable variable("TMPDIR", tmpdir);
        EXPECT_EQ(StagingFolder::ParentFolder(), parent) << tmpdir;
    }
}

// A program killed in the middle of a conversion leaves its staging folder behind, and its working folder
// with what the converter wrote there; the next program to start removes both, without following their
// links. A folder in use stays, and so do folders that the program did not make: one without its mark,
// another user's, and a link by such a name.
TEST_F(StagingFolderTest, FolderOfAProgramThatIsGoneIsRemovedWhenTheNextProgramStarts)
{
    fs::create_directories(dir / "runtime");
    fs::permissions(dir / "runtime", fs::perms::owner_all);
    const ScopedVariable runtime("XDG_RUNTIME_DIR", dir / "runtime");
    const pid_t killed = fork();
    if (killed == 0) {
        std::ofstream(dir / "killed") << Make().release()->Path();
        const auto working = conversion::WorkingFolder::Make().release()->Path();
        fs::create_directory(working + "/obrazy");
        std::ofstream(working + "/obrazy/most.png") << "png";
        std::ofstream(working + "/ksiazka.html") << "<p>strona</p>";
        fs::create_symlink(dir / "cel", working + "/obrazy/cel");
        std::ofstream(dir / "killed-working") << working;
        raise(SIGKILL);
    }
    ASSERT_EQ(waitpid(killed, nullptr, 0), killed);
    const auto left = ReadFile(dir / "killed");
    const auto leftWorking = ReadFile(dir / "killed-working");
    ASSERT_TRUE(fs::exists(left + "/ksiazka/a b.lit"));
    ASSERT_TRUE(fs::exists(leftWorking + "/obrazy/most.png"));
    std::ofstream(dir / "cel/moja.epub") << "moja";
    const auto inUse = Make();
    const auto workingInUse = conversion::WorkingFolder::Make();
    ASSERT_TRUE(workingInUse);
    std::ofstream(workingInUse->Path() + "/ksiazka.html") << "<p>strona</p>";
    const auto unmarkedWorking = dir / "runtime/zwojnik-praca-bezzna";
    fs::create_directory(unmarkedWorking);
    fs::permissions(unmarkedWorking, fs::perms::owner_all);
    std::ofstream(unmarkedWorking + "/ksiazka.html") << "<p>strona</p>";
    const auto unmarked = dir / "runtime/zwojnik-bezzna";
    fs::create_directory(unmarked);
    fs::permissions(unmarked, fs::perms::owner_all);
    fs::create_symlink(dir / "cel", unmarked + "/cel");
    const auto others = dir / "runtime/zwojnik-obcego";
    fs::create_directory(others);
    fs::permissions(others, fs::perms::owner_all);
    std::ofstream(others + "/.zwojnik").flush();
    ASSERT_EQ(chown(others.c_str(), kOtherUser, kOtherUser), 0);
    fs::create_directory_symlink(fs::path(left).parent_path(), dir / "runtime/zwojnik-odnosn");

    EXPECT_EQ(RunProgram({}, [] { QuitWhen([] { return true; }); }), 0);

    EXPECT_FALSE(fs::exists(left)) << "the folder of the killed program is still there";
    EXPECT_FALSE(fs::exists(leftWorking)) << "the working folder of the killed program is still there";
    EXPECT_TRUE(fs::exists(dir / "a b.lit") && fs::is_directory(dir / "cel")) << "a link was followed";
    EXPECT_EQ(ReadFile(dir / "cel/moja.epub"), "moja") << "a link was followed";
    EXPECT_TRUE(fs::exists(inUse->Book())) << "the folder in use was removed";
    EXPECT_TRUE(fs::exists(workingInUse->Path() + "/ksiazka.html"))
        << "the working folder in use was emptied";
    EXPECT_TRUE(fs::exists(unmarkedWorking + "/ksiazka.html"));
    EXPECT_TRUE(fs::is_symlink(unmarked + "/cel"));
    EXPECT_TRUE(fs::exists(others + "/.zwojnik"));
    EXPECT_TRUE(fs::is_symlink(dir / "runtime/zwojnik-odnosn"));
}
