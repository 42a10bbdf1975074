// Where the private folder goes through which each conversion names its paths.
#include "conversion/StagingFolder.h"

#include "support/Conversion.h"
#include "support/TempDir.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using conversion::StagingFolder;
using namespace testsupport;

namespace {

class StagingFolderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CopyTestBook("krotka.lit", dir / "books/a b.lit");
        fs::create_directories(dir / "out");
        fs::create_directories(dir / "runtime");
        fs::permissions(dir / "runtime", fs::perms::owner_all);
    }

    std::unique_ptr<StagingFolder> Make(const std::string& book)
    {
        return StagingFolder::Make(dir / "app/clit-intel", book, dir / "out", problem);
    }

    TempDir dir;
    StagingFolder::Problem problem = StagingFolder::Problem::None;
};

mode_t mode(const std::string& path)
{
    struct stat status = {};
    lstat(path.c_str(), &status);
    return status.st_mode & 07777;
}

} // namespace

// Its links, and that they go with it, show in ConversionEndToEndTest.
TEST_F(StagingFolderTest, RuntimeFolderThatIsNotThisUsersOwnPrivateOneIsPassedOver)
{
    fs::create_directories(dir / "with space");
    fs::permissions(dir / "with space", fs::perms::owner_all);
    fs::create_directories(dir / "others");
    fs::permissions(dir / "others", fs::perms::owner_all);
    ASSERT_EQ(chown((dir / "others").c_str(), 12345, 12345), 0);
    fs::create_directory_symlink(dir / "runtime", dir / "link");
    fs::create_directories(dir / "0711");
    fs::permissions(dir / "0711", fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    const ScopedVariable temporary("TMPDIR", dir / "tmp");
    fs::create_directories(dir / "tmp");
    for (const auto& runtime : {dir / "0711", dir / "others", dir / "link", dir / "with space",
                                std::string("x"), dir / "missing"}) {
        const ScopedVariable variable("XDG_RUNTIME_DIR", runtime);
        EXPECT_EQ(StagingFolder::ParentFolder(), dir / "tmp") << runtime;
        const auto staging = Make(dir / "books/a b.lit");
        ASSERT_TRUE(staging) << runtime;
        EXPECT_EQ(fs::path(staging->Path()).parent_path(), dir / "tmp");
        EXPECT_EQ(mode(staging->Path()), 0700u);
    }
    const ScopedVariable variable("XDG_RUNTIME_DIR", dir / "runtime");
    EXPECT_EQ(StagingFolder::ParentFolder(), dir / "runtime");
    const ScopedVariable spaced("TMPDIR", dir / "with space");
    unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(StagingFolder::ParentFolder(), "/tmp");
}
