// What the converter the build makes says on its standard error when it fails: each report on lines of
// its own, and the system's reason when it cannot create a file in the destination.
#include "support/Books.h"
#include "support/Conversion.h"
#include "support/TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

using namespace testsupport;

namespace {

// The converter on the book (as nobody when run as root, so that permissions hold); its standard error.
std::string standardError(const TempDir& dir, const std::string& book, const std::string& destination)
{
    const std::string asUser =
        geteuid() == 0 ? "/usr/bin/setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
    const auto errors = dir / "standard error";
    const auto command = asUser + "'" + ConverterBinary() + "' '" + book + "' '" + destination +
                         "/' >/dev/null 2>'" + errors + "'";
    const int status = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 255) << book << " → " << destination;
    return ReadFile(errors);
}

} // namespace

TEST(ConverterReportsTest, EachFailureEndsItsLineOnStandardErrorAndAFolderItMayNotWriteToSaysWhy)
{
    TempDir dir;
    fs::permissions(dir.path(), fs::perms::all);
    MakeProtectedBook(dir / "chroniona.lit");
    // Damaged there, the book made the converter report twice, the second report on the first one's line.
    MakeDamagedBook(dir / "zepsuta.lit", 11045);
    CopyTestBook("krotka.lit", dir / "krotka.lit");
    fs::create_directories(dir / "tylko do odczytu");
    fs::permissions(dir / "tylko do odczytu", fs::perms::owner_read | fs::perms::owner_exec |
                                                  fs::perms::others_read | fs::perms::others_exec);

    for (const auto& book :
         {TestBook("uszkodzona.lit"), dir / "zepsuta.lit", dir / "chroniona.lit", dir / "nie ma jej.lit"}) {
        const auto errors = standardError(dir, book, dir / "wynik");
        ASSERT_FALSE(errors.empty()) << book;
        EXPECT_EQ(errors.back(), '\n') << book << ": " << errors;
        EXPECT_EQ(errors.find(".Error"), std::string::npos) << "two reports on one line: " << errors;
    }

    const auto refused = standardError(dir, dir / "krotka.lit", dir / "tylko do odczytu");
    EXPECT_NE(refused.find("Permission denied"), std::string::npos) << refused;
    EXPECT_EQ(refused.find("DOS file"), std::string::npos) << "a thousand names tried in vain: " << refused;
    EXPECT_TRUE(fs::is_empty(dir / "tylko do odczytu"));
}
