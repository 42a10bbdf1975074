// The private folder through which each conversion names its paths.
#include "conversion/StagingFolder.h"

#include "support/Conversion.h"
#include "support/TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using conversion::StagingFolder;
using namespace testsupport;

namespace {

// Sets an environment variable for the test's length.
class ScopedVariable
{
public:
    ScopedVariable(const char* name, const std::string& value) : mName(name)
    {
        if (const char* previous = std::getenv(name)) {
            mPrevious = previous;
        }
        setenv(name, value.c_str(), 1);
    }
    ~ScopedVariable()
    {
        if (mPrevious) {
            setenv(mName, mPrevious->c_str(), 1);
        } else {
            unsetenv(mName);
        }
    }

private:
    const char* mName;
    std::optional<std::string> mPrevious;
};

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

TEST_F(StagingFolderTest, LinksUnderPlainNamesInAPrivateFolderThatGoesAfterwards)
{
    const ScopedVariable runtime("XDG_RUNTIME_DIR", dir / "runtime");
    std::string path;
    {
        const auto staging = Make(dir / "books/a b.lit");
        ASSERT_TRUE(staging);
        path = staging->Path();
        EXPECT_EQ(fs::path(path).parent_path(), dir / "runtime");
        EXPECT_EQ(mode(path), 0700u);
        EXPECT_EQ(FileNames(path), (std::set<std::string>{"cel", "clit-intel", "ksiazka"}));
        EXPECT_EQ(FileNames(path + "/ksiazka"), std::set<std::string>{"a b.lit"});
        EXPECT_EQ(staging->Book(), path + "/ksiazka/a b.lit");
        EXPECT_EQ(fs::read_symlink(staging->Book()), dir / "books/a b.lit");
        EXPECT_EQ(fs::read_symlink(staging->Destination()), dir / "out");
        // A converter that is not there yet is linked all the same: running it fails as it would have.
        EXPECT_EQ(fs::read_symlink(path + "/clit-intel"), dir / "app/clit-intel");
        std::ofstream(staging->Destination() + "/written.html") << "x";
    }
    EXPECT_FALSE(fs::exists(path));
    EXPECT_TRUE(fs::exists(dir / "books/a b.lit"));
    EXPECT_EQ(FileNames(dir / "out"), std::set<std::string>{"written.html"});
}

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

TEST_F(StagingFolderTest, BookThatIsMissingOrNoRegularFileGetsNoFolder)
{
    ASSERT_EQ(mkfifo((dir / "rura.lit").c_str(), 0600), 0);
    fs::create_symlink(dir / "nowhere.lit", dir / "dangling.lit");
    fs::create_symlink("loop.lit", dir / "loop.lit");
    const struct
    {
        std::string book;
        StagingFolder::Problem expected;
    } cases[]{
        {dir / "books/a_b.lit", StagingFolder::Problem::BookMissing},
        {dir / "dangling.lit", StagingFolder::Problem::BookMissing},
        {dir / "loop.lit", StagingFolder::Problem::BookMissing},
        {dir / "books/a b.lit/x", StagingFolder::Problem::BookMissing},
        {dir / "rura.lit", StagingFolder::Problem::BookNotRegularFile},
        {dir / "books", StagingFolder::Problem::BookNotRegularFile},
        {"/dev/null", StagingFolder::Problem::BookNotRegularFile},
    };
    const ScopedVariable runtime("XDG_RUNTIME_DIR", dir / "runtime");
    for (const auto& [book, expected] : cases) {
        EXPECT_FALSE(Make(book)) << book;
        EXPECT_EQ(problem, expected) << book;
    }
    EXPECT_TRUE(FileNames(dir / "runtime").empty());
}

TEST_F(StagingFolderTest, PathsAreResolvedAsTheSystemResolvesThem)
{
    // ln/link/../ksiazka.lit: ".." leaves the folder that the link names, not the link.
    CopyTestBook("krotka.lit", dir / "elsewhere/ksiazka.lit");
    fs::create_directories(dir / "elsewhere/inner");
    fs::create_directories(dir / "ln");
    CopyTestBook("rozdzialy.lit", dir / "ln/ksiazka.lit");
    fs::create_directory_symlink(dir / "elsewhere/inner", dir / "ln/link");
    fs::create_directory_symlink(dir / "out", dir / "ln/out-link");
    const auto previous = fs::current_path();
    fs::current_path(dir.path());
    const ScopedVariable runtime("XDG_RUNTIME_DIR", dir / "runtime");
    const auto staging =
        StagingFolder::Make("app/clit-intel", "ln/link/../ksiazka.lit", "ln/out-link/.", problem);
    fs::current_path(previous);
    ASSERT_TRUE(staging);
    EXPECT_EQ(fs::read_symlink(staging->Book()), dir / "elsewhere/ksiazka.lit");
    EXPECT_EQ(fs::path(staging->Book()).filename(), "ksiazka.lit");
    EXPECT_EQ(fs::read_symlink(staging->Destination()), dir / "out");
    EXPECT_EQ(fs::read_symlink(staging->Path() + "/clit-intel"), dir / "app/clit-intel");
}
