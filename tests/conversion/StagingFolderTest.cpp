// Where the private folder goes through which each conversion names its paths. Its links, and that they
// go with it, show in ConversionEndToEndTest.
#include "conversion/StagingFolder.h"

#include "support/Conversion.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using conversion::StagingFolder;
using namespace testsupport;

TEST(StagingFolderTest, RuntimeFolderThatIsNotThisUsersOwnPrivateOneIsPassedOver)
{
    TempDir dir;
    CopyTestBook("krotka.lit", dir / "a b.lit");
    for (const auto* folder : {"runtime", "with space", "others", "0711", "tmp"}) {
        fs::create_directories(dir / folder);
        fs::permissions(dir / folder, fs::perms::owner_all);
    }
    ASSERT_EQ(chown((dir / "others").c_str(), 12345, 12345), 0);
    fs::permissions(dir / "0711", fs::perms::group_exec | fs::perms::others_exec, fs::perm_options::add);
    fs::create_directory_symlink(dir / "runtime", dir / "link");
    const ScopedVariable temporary("TMPDIR", dir / "tmp");
    for (const auto& runtime : {dir / "0711", dir / "others", dir / "link", dir / "with space",
                                std::string("x"), dir / "missing"}) {
        const ScopedVariable variable("XDG_RUNTIME_DIR", runtime);
        EXPECT_EQ(StagingFolder::ParentFolder(), dir / "tmp") << runtime;
        auto problem = StagingFolder::Problem::None;
        const auto staging = StagingFolder::Make(dir / "clit-intel", dir / "a b.lit", dir.path(), problem);
        ASSERT_TRUE(staging) << runtime;
        EXPECT_EQ(fs::path(staging->Path()).parent_path(), dir / "tmp");
        struct stat status = {};
        EXPECT_EQ(lstat(staging->Path().c_str(), &status), 0);
        EXPECT_EQ(status.st_mode & 07777, 0700u);
    }
    const ScopedVariable variable("XDG_RUNTIME_DIR", dir / "runtime");
    EXPECT_EQ(StagingFolder::ParentFolder(), dir / "runtime");
    const ScopedVariable spaced("TMPDIR", dir / "with space");
    unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(StagingFolder::ParentFolder(), "/tmp");
}
