// The ways a conversion goes wrong outside the program: a converter that floods its output or takes long.
// Each ends in one message, and the program converts again after; OutcomeTest has the converter that is
// missing, cannot run or crashes, and the destination that fills up.
#include "support/Conversion.h"
#include "support/Program.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <filesystem>

namespace fs = std::filesystem;

using namespace testsupport;

namespace {

class FailureModesTest : public RuntimeTest
{
protected:
    void SetUp() override
    {
        ScriptedTest::SetUp();
        fs::create_directories(destination);
        CopyTestBook("krotka.lit", book);
    }

    // Converts the book with the converter in the program folder; yields the one message shown.
    std::string convert(const std::string& target)
    {
        const auto before = script.ShownMessages().size();
        Convert(programFolder, book, target);
        EXPECT_EQ(script.ShownMessages().size(), before + 1) << "one conversion, one message";
        return script.ShownMessages().size() > before ? script.ShownMessages().back() : std::string();
    }

    // After a failure the program is as before: it converts, its pointer is its own, input reaches it.
    void TearDown() override
    {
        EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the busy pointer stayed";
        fs::remove_all(programFolder);
        MakeConverterFolder(programFolder);
        fs::create_directories(dir / "again");
        EXPECT_EQ(convert(dir / "again"), "Gotowe!");
        EXPECT_GT(fs::file_size(dir / "again/krotka.html"), 0u);

        QLineEdit edit;
        edit.show();
        QTest::keyClicks(&edit, QStringLiteral("dalej"));
        EXPECT_EQ(edit.text(), QStringLiteral("dalej")) << "keyboard input is still being dropped";
    }

    TempDir dir;
    const std::string programFolder = dir / "Zwojnik (program)";
    const std::string book = dir / "moja książka.lit";
    const std::string destination = dir / "wynik, teczka";
};

} // namespace

TEST_F(FailureModesTest, FiftyMegabytesOnEachOutputNeitherBlockNorReachTheProgramsOwn)
{
    MakeConverterScript(programFolder, "yes ZWOJNIK-WYJSCIE | head -c 52428800\n"
                                       "yes ZWOJNIK-BLAD | head -c 52428800 >&2\n");
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    const auto message = convert(destination);
    const auto programsOwn =
        ::testing::internal::GetCapturedStdout() + ::testing::internal::GetCapturedStderr();

    EXPECT_EQ(message, "Gotowe!");
    EXPECT_EQ(programsOwn.find("ZWOJNIK-"), std::string::npos)
        << "the converter's output reached the program's";
}

// Long enough for anyone to give up waiting; labelled "slow", and it still runs.
TEST_F(FailureModesTest, SlowConverterRunningThirtySecondsIsWaitedFor)
{
    MakeConverterScript(programFolder, "sleep 30\necho > \"$2/po-30-sekundach\"\nexit 5");
    EXPECT_EQ(convert(destination), ErrorMessage(5));
    EXPECT_TRUE(fs::exists(destination + "/po-30-sekundach"))
        << "the message came before the converter ended";
}
