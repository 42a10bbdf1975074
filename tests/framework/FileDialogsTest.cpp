// The file dialogs in a folder shared with other people, whose files the program must never open to draw
// a dialog: a FIFO waits for a writer, a file under a lease for its holder, and the main thread with them.
#include "support/FileDialogs.h"

#include "framework/Dialogs.h"
#include "framework/DocumentTypes.h"
#include "support/Program.h"
#include "support/TempDir.h"

#include <QFileDialog>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr uid_t kNobody = 65534;

// Another user, in a process of their own, who holds a write lease on one file and keeps a FIFO without
// a writer. Whoever opens either is noted and let through at once, so that the fault shows as a failure
// and never as a hang.
class OtherUser
{
public:
    OtherUser(const std::string& leased, const std::string& fifo)
    {
        if (pipe(mControl) != 0 || pipe(mReport) != 0) {
            ADD_FAILURE() << "no pipes";
            return;
        }
        sigset_t leaseBroken;
        sigemptyset(&leaseBroken);
        sigaddset(&leaseBroken, SIGIO);
        mPid = fork();
        if (mPid == 0) {
            watch(leased.c_str(), fifo.c_str(), leaseBroken); // only what may be called after a fork
        }
        close(mControl[0]);
        close(mReport[1]);
        char ready = 0;
        EXPECT_EQ(read(mReport[0], &ready, 1), 1);
        EXPECT_EQ(ready, 'r') << "the lease could not be taken";
    }

    ~OtherUser()
    {
        Opened();
        close(mReport[0]);
    }

    // What was opened: "lease" and "fifo", a line each. Ends the other user's process.
    std::string Opened()
    {
        if (mPid <= 0) {
            return {};
        }
        close(mControl[1]);
        waitpid(std::exchange(mPid, 0), nullptr, 0);
        std::string opened;
        char buffer[64];
        for (ssize_t got; (got = read(mReport[0], buffer, sizeof buffer)) > 0;) {
            opened.append(buffer, static_cast<std::size_t>(got));
        }
        return opened;
    }

private:
    [[noreturn]] void watch(const char* leased, const char* fifo, const sigset_t& leaseBroken)
    {
        close(mControl[1]);
        close(mReport[0]);
        sigprocmask(SIG_BLOCK, &leaseBroken, nullptr);
        if (getuid() == 0 && (setgid(kNobody) != 0 || setuid(kNobody) != 0)) {
            _exit(1);
        }
        const int file = open(leased, O_RDONLY);
        if (file < 0 || fcntl(file, F_SETLEASE, F_WRLCK) != 0) {
            _exit(1);
        }
        fcntl(mControl[0], F_SETFL, O_NONBLOCK);
        say("r");
        const timespec aWhile{0, 5'000'000};
        char stop = 0;
        while (read(mControl[0], &stop, 1) < 0 && errno == EAGAIN) {
            if (sigtimedwait(&leaseBroken, nullptr, &aWhile) == SIGIO) {
                say("lease\n");
                fcntl(file, F_SETLEASE, F_UNLCK);
            }
            // Only a reader waiting in open lets a writer in without waiting.
            if (const int writer = open(fifo, O_WRONLY | O_NONBLOCK); writer >= 0) {
                say("fifo\n");
                close(writer);
            }
        }
        _exit(0);
    }

    void say(const char* what) { (void)!write(mReport[1], what, std::strlen(what)); }

    pid_t mPid = -1;
    int mControl[2]{-1, -1};
    int mReport[2]{-1, -1};
};

using FileDialogsTest = testsupport::RuntimeTest;

// Both dialogs show the shared folder, read in full and drawn, while another user's FIFO named like a
// book and file under a lease lie in it; neither is opened.
TEST_F(FileDialogsTest, AnotherUsersFilesInASharedFolderAreListedWithoutBeingOpened)
{
    testsupport::TempDir dir;
    fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::others_exec | fs::perms::group_exec);
    const auto shared = dir / "wspólna";
    fs::create_directory(shared);
    fs::permissions(shared, fs::perms::all | fs::perms::sticky_bit);
    fs::create_directory(shared + "/Teczka");
    std::ofstream(shared + "/moja.lit") << "x";
    // Named so that no name pattern tells its type: only its contents would.
    const auto leased = shared + "/pożyczona książka";
    std::ofstream(leased) << "x";
    const auto fifo = shared + "/kolejka.lit";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0666), 0);
    for (const auto& path : {leased, fifo}) {
        if (getuid() == 0) {
            ASSERT_EQ(chown(path.c_str(), kNobody, kNobody), 0);
        }
    }
    framework::RegisterDocumentType("text/lit", "????", "xLIT", ".lit");
    OtherUser other(leased, fifo);

    std::set<std::string> listed;
    const auto look = [&](framework::FileDialog& dialog) {
        dialog.SetStartFolder(framework::FolderItem::FromPath(shared));
        listed.clear();
        testsupport::RunWhen(
            [&] {
                auto* shown = testsupport::ShownFileDialog();
                return shown && testsupport::FolderRead(*shown) && !testsupport::ListedNames(*shown).empty();
            },
            [&] {
                auto* shown = testsupport::ShownFileDialog();
                listed = testsupport::ListedNames(*shown);
                EXPECT_FALSE(shown->grab().isNull());
                shown->reject();
            });
        EXPECT_EQ(dialog.ShowModal(), nullptr);
    };
    framework::OpenDialog open;
    open.SetFilter("text/lit");
    look(open);
    EXPECT_EQ(listed, (std::set<std::string>{"moja.lit", "Teczka"}));
    framework::SelectFolderDialog folder;
    look(folder);
    EXPECT_EQ(listed, std::set<std::string>{"Teczka"});
    EXPECT_EQ(other.Opened(), "") << "the program opened another user's file to show a dialog";
}

} // namespace
