// The ways a conversion goes wrong outside the program: a converter that is missing, cannot run, crashes,
// fails, floods its output or takes long, a book that goes away, a destination that cannot be written.
// Every one ends in the one message with the converter's status, and the program converts again after.
#include "ConversionSupport.h"
#include "conversion/Konwertuj.h"
#include "conversion/Requests.h"
#include "framework/Files.h"
#include "framework/Scripting.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QTest>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

using conversiontest::ConverterBinary;
using conversiontest::CopyTestBook;
using conversiontest::FileNames;
using conversiontest::MakeConverterFolder;
using conversiontest::ShellPathOf;
using conversiontest::TestBook;
using framework::scripting::ShownMessages;
using testsupport::RunWhen;
using testsupport::TempDir;

namespace {

const std::string kDone = "Gotowe!";
const std::string kError = "Wystąpił\u00A0błąd: ";

std::string errorMessage(int status)
{
    return kError + std::to_string(status);
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// While it exists, whatever the process writes to its standard output and error goes to a file.
class CapturedOutput
{
public:
    explicit CapturedOutput(const std::string& file)
    {
        std::fflush(nullptr);
        mSavedOut = dup(STDOUT_FILENO);
        mSavedErr = dup(STDERR_FILENO);
        const int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(fd, STDOUT_FILENO);
        dup2(fd, STDERR_FILENO);
        close(fd);
    }
    ~CapturedOutput()
    {
        std::fflush(nullptr);
        dup2(mSavedOut, STDOUT_FILENO);
        dup2(mSavedErr, STDERR_FILENO);
        close(mSavedOut);
        close(mSavedErr);
    }
    CapturedOutput(const CapturedOutput&) = delete;
    CapturedOutput& operator=(const CapturedOutput&) = delete;

private:
    int mSavedOut = -1;
    int mSavedErr = -1;
};

// A program folder whose executable need not exist: the conversion looks for the converter beside it.
class ProgramInFolder : public conversion::ConversionTarget
{
public:
    explicit ProgramInFolder(std::string folder) : mFolder(std::move(folder)) {}
    framework::FolderItemPtr ExecutableFile() const override
    {
        return framework::FolderItem::FromPath(mFolder + "/zwojnik");
    }
    void konwertuj(const std::string& appFolderPath, const std::string& sourcePath,
                   const std::string& targetFolderPath) override
    {
        conversion::Konwertuj(appFolderPath, sourcePath, targetFolderPath);
    }

private:
    std::string mFolder;
};

class FailureModesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        framework::scripting::Reset();
        framework::scripting::AnswerMessages();
        // Other users may need to reach the book (a converter run without privileges).
        fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                        fs::perms::others_read | fs::perms::others_exec);
        fs::create_directories(programFolder);
        fs::create_directories(destination);
        CopyTestBook("krotka.lit", book);
    }
    void TearDown() override { framework::scripting::Reset(); }

    // The converter beside the program is this shell script.
    void converterScript(const std::string& body,
                         fs::perms mode = fs::perms::owner_all | fs::perms::group_read |
                                          fs::perms::group_exec | fs::perms::others_read |
                                          fs::perms::others_exec)
    {
        const auto path = programFolder + "/clit-intel";
        std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
        fs::permissions(path, mode);
    }

    // Converts as the conversion requests do once both paths are chosen; yields the one message shown.
    std::string convert(const std::string& source, const std::string& target)
    {
        const auto before = ShownMessages().size();
        conversion::Konwertuj(ShellPathOf(programFolder), ShellPathOf(source), ShellPathOf(target));
        EXPECT_EQ(ShownMessages().size(), before + 1) << "one conversion, one message";
        return ShownMessages().size() > before ? ShownMessages().back() : std::string();
    }

    // After a failure the program is as before: it converts, its pointer is its own, input reaches it.
    void expectTheProgramConvertsAgain()
    {
        EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the busy pointer stayed";
        TempDir again;
        const auto program = again / "program";
        const auto out = again / "wynik";
        MakeConverterFolder(program);
        fs::create_directories(out);
        const auto before = ShownMessages().size();
        conversion::Konwertuj(ShellPathOf(program), ShellPathOf(TestBook("krotka.lit")), ShellPathOf(out));
        ASSERT_EQ(ShownMessages().size(), before + 1);
        EXPECT_EQ(ShownMessages().back(), kDone);
        ASSERT_TRUE(fs::exists(out + "/krotka.html"));
        EXPECT_GT(fs::file_size(out + "/krotka.html"), 0u);

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

TEST_F(FailureModesTest, MissingConverterReports127)
{
    EXPECT_EQ(convert(book, destination), errorMessage(127));
    EXPECT_TRUE(FileNames(destination).empty());
    expectTheProgramConvertsAgain();
}

TEST_F(FailureModesTest, ConverterThatIsNotExecutableReports126)
{
    converterScript("exit 0", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                                  fs::perms::others_read);
    EXPECT_EQ(convert(book, destination), errorMessage(126));
    expectTheProgramConvertsAgain();
}

TEST_F(FailureModesTest, ConverterKilledByASignalReports128PlusTheSignal)
{
    converterScript("kill -KILL $$");
    EXPECT_EQ(convert(book, destination), errorMessage(128 + 9));
    converterScript("kill -SEGV $$");
    EXPECT_EQ(convert(book, destination), errorMessage(128 + 11));
    expectTheProgramConvertsAgain();
}

TEST_F(FailureModesTest, ConverterExitingWith3Reports3)
{
    converterScript("exit 3");
    EXPECT_EQ(convert(book, destination), errorMessage(3));
    expectTheProgramConvertsAgain();
}

TEST_F(FailureModesTest, CorruptBookMakesTheRealConverterReport255)
{
    MakeConverterFolder(programFolder);
    const auto corrupt = dir / "uszkodzona książka.lit";
    CopyTestBook("uszkodzona.lit", corrupt);
    EXPECT_EQ(convert(corrupt, destination), errorMessage(255));
    expectTheProgramConvertsAgain();
}

TEST_F(FailureModesTest, FiftyMegabytesOnEachOutputNeitherBlockNorReachAnyone)
{
    converterScript("yes ZWOJNIK-WYJSCIE | head -c 52428800\n"
                    "yes ZWOJNIK-BLAD | head -c 52428800 >&2\n"
                    "exit 0");
    const auto captured = dir / "wyjscie programu";
    std::string message;
    {
        CapturedOutput output(captured);
        message = convert(book, destination);
    }
    EXPECT_EQ(message, kDone);
    const auto written = readFile(captured);
    EXPECT_EQ(written.find("ZWOJNIK-"), std::string::npos) << "the converter's output reached the program's";
    expectTheProgramConvertsAgain();
}

TEST_F(FailureModesTest, BookDeletedBetweenTheDialogsReportsTheConvertersFailure)
{
    MakeConverterFolder(programFolder);
    const auto typeInto = [](const std::string& title, const std::string& path,
                             std::function<void()> before) {
        RunWhen(
            [title] {
                auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
                return dialog && dialog->isVisible() && dialog->windowTitle().toStdString() == title;
            },
            [path, before] {
                before();
                auto* edit =
                    QApplication::activeModalWidget()->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                ASSERT_NE(edit, nullptr);
                edit->setText(QString::fromStdString(path));
                QTest::keyClick(edit, Qt::Key_Return);
            });
    };
    typeInto(conversion::kOpenDialogTitle, book, [] {});
    typeInto(conversion::kFolderDialogTitle, destination, [this] { fs::remove(book); });

    ProgramInFolder program(programFolder);
    const auto before = ShownMessages().size();
    EXPECT_FALSE(conversion::ConvertFileFromDisk(program));

    EXPECT_FALSE(fs::exists(book));
    ASSERT_EQ(ShownMessages().size(), before + 1);
    EXPECT_EQ(ShownMessages().back(), errorMessage(255));
    EXPECT_TRUE(FileNames(destination).empty());
    expectTheProgramConvertsAgain();
}

TEST_F(FailureModesTest, ReadOnlyDestinationReportsTheConvertersFailureAndGetsNothing)
{
    // Permissions do not stop the superuser: then the converter runs as nobody.
    if (geteuid() == 0) {
        ASSERT_EQ(access("/usr/bin/setpriv", X_OK), 0) << "setpriv (util-linux) is needed to drop privileges";
        converterScript("exec /usr/bin/setpriv --reuid=65534 --regid=65534 --clear-groups '" +
                        ConverterBinary() + "' \"$@\"");
    } else {
        MakeConverterFolder(programFolder);
    }
    fs::permissions(destination, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                     fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);

    EXPECT_EQ(convert(book, destination), errorMessage(255));
    EXPECT_TRUE(FileNames(destination).empty());

    fs::permissions(destination, fs::perms::owner_all, fs::perm_options::add);
    expectTheProgramConvertsAgain();
}

namespace {

// A file system of 64 KiB mounted on a folder for as long as the object lives.
class SmallFileSystem
{
public:
    explicit SmallFileSystem(std::string folder) : mFolder(std::move(folder))
    {
        fs::create_directories(mFolder);
        if (mount("zwojnik-test", mFolder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=64k,mode=0755") ==
            0) {
            mMounted = true;
        } else {
            mError = std::strerror(errno);
        }
    }
    ~SmallFileSystem()
    {
        if (mMounted) {
            umount2(mFolder.c_str(), MNT_DETACH);
        }
    }
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;

    bool Mounted() const { return mMounted; }
    const std::string& Error() const { return mError; }

    // Writes a file until no byte more fits.
    void Fill() const
    {
        std::FILE* file = std::fopen((mFolder + "/wypełnienie").c_str(), "wb");
        ASSERT_NE(file, nullptr);
        const std::vector<char> block(4096, 'x');
        while (std::fwrite(block.data(), 1, block.size(), file) == block.size() && std::fflush(file) == 0) {
        }
        std::fclose(file);
        struct statvfs space = {};
        ASSERT_EQ(statvfs(mFolder.c_str(), &space), 0);
        ASSERT_EQ(space.f_bavail, 0u);
    }

private:
    std::string mFolder;
    bool mMounted = false;
    std::string mError;
};

} // namespace

TEST_F(FailureModesTest, FullDestinationIsNotReportedAsDone)
{
    const auto full = dir / "pełny dysk";
    SmallFileSystem fileSystem(full);
    if (!fileSystem.Mounted()) {
        GTEST_SKIP() << "no small file system can be mounted here to fill (" << fileSystem.Error()
                     << "); mounting tmpfs needs the superuser or CAP_SYS_ADMIN";
    }
    fileSystem.Fill();
    MakeConverterFolder(programFolder);

    // The converter itself exits with 0 here, its files cut short to nothing.
    const auto message = convert(book, full);
    EXPECT_NE(message, kDone);
    EXPECT_EQ(message.rfind(kError, 0), 0u) << message;
    EXPECT_EQ(message, conversion::kDestinationFullMessage);
    expectTheProgramConvertsAgain();
}

// Long enough for anyone to give up waiting; marked "slow", and it still runs.
TEST_F(FailureModesTest, SlowConverterRunningThirtySecondsIsWaitedFor)
{
    converterScript("sleep 30\n"
                    "echo > \"$2/po-30-sekundach\"\n"
                    "exit 5");
    EXPECT_EQ(convert(book, destination), errorMessage(5));
    EXPECT_TRUE(fs::exists(destination + "/po-30-sekundach"))
        << "the message came before the converter ended";
    expectTheProgramConvertsAgain();
}
