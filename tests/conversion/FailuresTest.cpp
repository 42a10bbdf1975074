// The converter's failures as it reports them: the real converter on real bad books and destinations,
// through the real shell, and what the user is told of each.
#include "conversion/Failures.h"

#include "support/Books.h"
#include "support/Conversion.h"
#include "support/TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

using conversion::Failure;
using namespace testsupport;

namespace {

struct ConverterRun
{
    int status;
    std::string standardError;
};

std::string quoted(const std::string& word)
{
    return "'" + word + "'";
}

// Runs the command through /bin/sh as the program does; a command ended by a signal gives 128 + its
// number, as the shell reports it.
ConverterRun runShell(const std::string& command, const TempDir& dir)
{
    const auto errors = dir / "standard error";
    const int result = std::system(("exec >/dev/null 2>" + quoted(errors) + "; " + command).c_str());
    EXPECT_TRUE(WIFEXITED(result));
    return {WEXITSTATUS(result), ReadFile(errors)};
}

class FailuresTest : public testing::Test
{
protected:
    void SetUp() override { fs::permissions(dir.path(), fs::perms::all); }

    // The real converter on the book, writing into the folder (given with its final "/" as the program
    // gives it); as root it runs as nobody, so that permissions hold.
    ConverterRun convert(const std::string& book, const std::string& folder)
    {
        const std::string asUser =
            geteuid() == 0 ? "/usr/bin/setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
        return runShell(asUser + quoted(ConverterBinary()) + " " + quoted(book) + " " + quoted(folder + "/"),
                        dir);
    }

    TempDir dir;
};

} // namespace

TEST_F(FailuresTest, TheConvertersOwnReportsOfBooksAndDestinationsAreRecognised)
{
    std::ofstream(dir / "notatka.lit") << "To nie jest książka.\n";
    std::ofstream(dir / "tekst.lit") << std::string(200, 'x');
    MakeProtectedBook(dir / "chroniona.lit");
    CopyTestBook("krotka.lit", dir / "krotka.lit");
    fs::create_directories(dir / "tylko do odczytu");
    fs::permissions(dir / "tylko do odczytu", fs::perms::owner_read | fs::perms::owner_exec |
                                                  fs::perms::others_read | fs::perms::others_exec);
    std::ofstream(dir / "plik");
    const struct
    {
        std::string book, folder;
        Failure failure;
    } cases[]{
        {dir / "notatka.lit", dir / "a", Failure::NotALitFile},
        {dir / "tekst.lit", dir / "b", Failure::NotALitFile},
        {TestBook("uszkodzona.lit"), dir / "c", Failure::DamagedBook},
        {dir / "chroniona.lit", dir / "d", Failure::ProtectedBook},
        {dir / "nie ma jej.lit", dir / "e", Failure::BookUnreadable},
        {dir / "krotka.lit", dir / "tylko do odczytu", Failure::DestinationNotWritable},
        {dir / "krotka.lit", dir / "tylko do odczytu/nowa", Failure::DestinationNotWritable},
        {dir / "krotka.lit", dir / "plik", Failure::OutputExists},
    };
    for (const auto& [book, folder, failure] : cases) {
        const auto [status, standardError] = convert(book, folder);
        EXPECT_EQ(status, 255) << book << " → " << folder << ": " << standardError;
        EXPECT_EQ(conversion::RecognizeFailure(status, standardError), failure)
            << book << " → " << folder << ": " << standardError;
    }
}

TEST_F(FailuresTest, EveryDamageToABookIsADamagedBookOrAStoppedConverter)
{
    const auto size = ShortBookSize();
    std::set<std::string> reports;
    for (std::size_t offset = 0; offset < size; offset += 97) {
        MakeDamagedBook(dir / "zepsuta.lit", offset);
        fs::remove_all(dir / "wynik");
        const auto [status, standardError] = convert(dir / "zepsuta.lit", dir / "wynik");
        if (status == 0) {
            continue;
        }
        reports.insert(standardError.substr(standardError.find('\t') + 1, 30));
        const auto failure = conversion::RecognizeFailure(status, standardError);
        EXPECT_TRUE(failure == Failure::DamagedBook || failure == Failure::NotALitFile ||
                    failure == Failure::ConverterStopped)
            << "byte " << offset << ", status " << status << ": " << standardError;
    }
    EXPECT_GE(reports.size(), 5u) << "too few different reports to mean anything";
}

TEST_F(FailuresTest, AFullDiskIsRecognisedWhereTheConverterReportsIt)
{
    fs::create_directories(dir / "mały dysk");
    if (mount("tmpfs", (dir / "mały dysk").c_str(), "tmpfs", 0, "size=12k,mode=0777") != 0) {
        GTEST_SKIP() << "no permission to mount a small file system";
    }
    const auto [status, standardError] = convert(TestBook("krotka.lit"), dir / "mały dysk");
    umount2((dir / "mały dysk").c_str(), MNT_DETACH);
    if (status == 0) {
        GTEST_SKIP() << "this converter does not report write errors; the program checks the free space";
    }
    EXPECT_EQ(conversion::RecognizeFailure(status, standardError), Failure::DestinationFull) << standardError;
}

TEST_F(FailuresTest, AConverterThatIsMissingCannotRunOrIsKilledIsToldByItsStatus)
{
    std::ofstream(dir / "clit-intel") << "#!/bin/sh\nexit 0\n";
    fs::permissions(dir / "clit-intel", fs::perms::owner_read | fs::perms::owner_write);
    std::ofstream(dir / "pada") << "#!/bin/sh\nkill -SEGV $$\n";
    fs::permissions(dir / "pada", fs::perms::all);
    const auto asNobody =
        geteuid() == 0 ? "/usr/bin/setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
    const struct
    {
        std::string command;
        Failure failure;
    } cases[]{{quoted(dir / "nie ma/clit-intel") + " a.lit b/", Failure::ConverterMissing},
              {asNobody + quoted(dir / "clit-intel") + " a.lit b/", Failure::ConverterCannotRun},
              {quoted(dir / "pada"), Failure::ConverterStopped}};
    for (const auto& [command, failure] : cases) {
        const auto [status, standardError] = runShell(command, dir);
        EXPECT_EQ(conversion::RecognizeFailure(status, standardError), failure) << command << ": " << status;
    }
}

TEST(FailureExplanationTest, EachFailureHasItsOwnExplanationNamingTheConverterOrSignalWhereItMatters)
{
    const std::string converter = "/opt/Zwojnik (program)/clit-intel";
    std::set<std::string> explanations;
    for (int kind = 0; kind <= static_cast<int>(Failure::Unknown); ++kind) {
        const auto failure = static_cast<Failure>(kind);
        const auto text = conversion::ExplainFailure(failure, 128 + 11, converter);
        EXPECT_TRUE(explanations.insert(text).second) << "two failures explained alike: " << text;
        const bool namesConverter = text.find("„" + converter + "”") != std::string::npos;
        EXPECT_EQ(namesConverter,
                  failure == Failure::ConverterMissing || failure == Failure::ConverterCannotRun)
            << text;
        EXPECT_EQ(text.find("sygnał 11") != std::string::npos, failure == Failure::ConverterStopped) << text;
    }
}
