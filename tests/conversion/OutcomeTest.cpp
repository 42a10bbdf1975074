// What the user is told after a conversion, read off the real message box: the status on a line of its
// own, what went wrong, the converter's own words; or "Gotowe!" with the book and its folder at hand.
#include "conversion/Outcome.h"

#include "conversion/FirstPage.h"
#include "conversion/StagingFolder.h"
#include "framework/Messages.h"
#include "support/Conversion.h"
#include "support/Program.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QUrl>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <sys/mount.h>
#include <sys/statvfs.h>

namespace fs = std::filesystem;

using namespace testsupport;

namespace {

// A message box as the user sees it.
struct SeenBox
{
    std::vector<std::string> lines; // the text, then the explanation
    std::string details;
    std::vector<std::string> buttons; // but the one that unfolds the details
    std::string defaultButton;
    bool wideEnoughForTitle = false;
    std::set<std::string> stagingFolders; // left while the box is up
};

SeenBox look(QMessageBox& box)
{
    SeenBox seen;
    for (const auto& line : {box.text(), box.informativeText()}) {
        if (!line.isEmpty()) {
            seen.lines.push_back(line.toStdString());
        }
    }
    seen.details = box.detailedText().toStdString();
    const auto detailsToggle = QCoreApplication::translate("QMessageBox", "Show Details...");
    for (auto* button : box.buttons()) {
        if (button->text() != detailsToggle) {
            seen.buttons.push_back(button->text().toStdString());
        }
    }
    seen.defaultButton = box.defaultButton() ? box.defaultButton()->text().toStdString() : "";
    // The title bar holds the title and the window's buttons, each about as wide as the bar is high.
    const int titleBar = box.style()->pixelMetric(QStyle::PM_TitleBarHeight);
    seen.wideEnoughForTitle =
        box.sizeHint().width() >= box.fontMetrics().horizontalAdvance(box.windowTitle()) + 3 * titleBar;
    seen.stagingFolders = FileNames(conversion::StagingFolder::ParentFolder());
    return seen;
}

// The box that comes next is looked at, then the button with this caption is pressed.
void lookAtNextBox(SeenBox& seen, const std::string& pressed = "OK")
{
    RunWhen([] { return qobject_cast<QMessageBox*>(QApplication::activeModalWidget()) != nullptr; },
            [&seen, pressed] {
                auto& box = *qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                seen = look(box);
                for (auto* button : box.buttons()) {
                    if (button->text().toStdString() == pressed) {
                        button->click();
                    }
                }
            });
}

class OutcomeTest : public RuntimeTest
{
protected:
    void SetUp() override
    {
        // The real boxes come up; URLs are still recorded instead of being opened.
        script.messagesAnswered = false;
        fs::create_directories(destination);
        MakeConverterFolder(programFolder);
        CopyTestBook("krotka.lit", book);
    }

    // Converts; the box that comes is looked at, then the button with this caption is pressed.
    SeenBox convert(const std::string& source, const std::string& pressed = "OK")
    {
        return convertInto(destination, source, pressed);
    }
    SeenBox convertInto(const std::string& folder, const std::string& source,
                        const std::string& pressed = "OK")
    {
        SeenBox seen;
        lookAtNextBox(seen, pressed);
        Convert(programFolder, source, folder);
        EXPECT_TRUE(seen.stagingFolders.empty()) << "the staging folder outlived the converter";
        return seen;
    }

    // The staging folders go here, where nothing else does.
    const TempDir runtime;
    const ScopedVariable runtimeVariable{"XDG_RUNTIME_DIR", runtime.path()};
    TempDir dir;
    const std::string programFolder = dir / "Zwojnik (program)";
    const std::string book = dir / "Moje książki/krótka.lit";
    const std::string destination = dir / "wynik, teczka";
};

} // namespace

// Some of the failures come from the real converter: a damaged book, a write refused part-way, and text
// files named as books where the names of the book and its folders read as other failures.
TEST_F(OutcomeTest, AFailureKeepsItsStatusOnItsOwnLineThenSaysWhatWentWrongAndKeepsTheConvertersWords)
{
    CopyTestBook("uszkodzona.lit", dir / "uszkodzona.lit");
    CopyTestBook("rozdzialy.lit", dir / "rozdzialy.lit");
    const auto converter = programFolder + "/clit-intel";
    const auto realConverter = "exec '" + ConverterBinary() + "' \"$@\"";
    const auto all = fs::perms::all;
    struct Case
    {
        std::string book;
        std::optional<std::string> script; // none: the real converter; empty: no converter at all
        fs::perms mode;
        int status;
        std::string said, detailsStart;
    };
    std::vector<Case> cases{
        {dir / "uszkodzona.lit", std::nullopt, all, 255, "Książka jest uszkodzona",
         "Error reading file \"" + dir / "uszkodzona.lit" + "\""},
        {dir / "rozdzialy.lit", "trap '' XFSZ; ulimit -f 16; " + realConverter, all, 255, "zabrakło miejsca",
         "Error writing file \"" + destination + "/"},
        {book, "", all, 127, "Brakuje konwertera Convert LIT „" + converter + "”", ""},
        {book, "exit 0", fs::perms::owner_read, 126,
         "Nie da się uruchomić konwertera Convert LIT „" + converter, ""},
        {book, "kill -SEGV $$", all, 128 + 11, "(sygnał 11)", ""},
        // Only the end of a long report is kept: from its first whole line.
        {book, "i=0; while [ $i -lt 2000 ]; do echo \"wiersz $i\" >&2; i=$((i+1)); done; exit 3", all, 3,
         "nie rozpoznaje", "wiersz "}};
    for (const auto* name :
         {"DRM5/Moje keys.txt.lit", "No space left on device/No space left on device.lit"}) {
        fs::create_directories(fs::path(dir / name).parent_path());
        std::ofstream(dir / name) << "To nie jest książka.\n";
        cases.push_back({dir / name, std::nullopt, all, 255, "nie jest książką w formacie .lit",
                         "Error reading file \"" + dir / name + "\""});
    }
    for (const auto& [source, script, mode, status, said, detailsStart] : cases) {
        fs::remove_all(programFolder);
        if (!script) {
            MakeConverterFolder(programFolder);
        } else if (!script->empty()) {
            MakeConverterScript(programFolder, *script, mode);
        }
        const auto seen = convert(source);
        ASSERT_EQ(seen.lines.size(), 2u) << source;
        EXPECT_EQ(seen.lines[0], ErrorMessage(status));
        EXPECT_NE(seen.lines[1].find(said), std::string::npos) << seen.lines[1];
        // A sanitized converter opens its report with a warning that it runs unconfined.
        const auto details = kConverterSanitized && seen.details.starts_with("WARNING: ")
                                 ? seen.details.substr(seen.details.find('\n') + 1)
                                 : seen.details;
        EXPECT_TRUE(details.starts_with(detailsStart)) << seen.details;
        EXPECT_EQ(seen.lines[1].ends_with(conversion::kPartialFilesMessage), !FileNames(destination).empty())
            << "files left behind are told of, and only they";
        EXPECT_EQ(seen.buttons, std::vector<std::string>{"OK"});
        EXPECT_EQ(seen.defaultButton, "OK");
        fs::remove_all(destination);
        fs::create_directories(destination);
    }
}

// A small file system of the test's own. A book that takes exactly the room there is converts whole; on a
// full one the converter says what failed, and a damaged book is not blamed on the disk.
TEST_F(OutcomeTest, OnAFullDiskTheConverterSaysWhetherTheDiskOrTheBookIsToBlame)
{
    const auto disk = dir / "mały dysk";
    fs::create_directories(disk);
    if (mount("zwojnik-test", disk.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=64k,mode=0755") != 0) {
        GTEST_SKIP() << "no small file system can be mounted here to fill (" << std::strerror(errno)
                     << "); mounting tmpfs needs the superuser or CAP_SYS_ADMIN";
    }
    const struct Unmount
    {
        std::string path;
        ~Unmount() { umount2(path.c_str(), MNT_DETACH); }
    } unmount{disk};
    const auto freeBlocks = [&disk] {
        struct statvfs space = {};
        EXPECT_EQ(statvfs(disk.c_str(), &space), 0);
        return std::pair(space.f_bfree, space.f_bsize);
    };

    // The blocks the book takes, from a conversion where there is room enough; the rest is filled.
    EXPECT_EQ(convert(book).lines.at(0), "Gotowe!");
    const auto [available, blockSize] = freeBlocks();
    std::uintmax_t needed = 0;
    for (const auto& name : FileNames(destination)) {
        needed += (fs::file_size(destination + "/" + name) + blockSize - 1) / blockSize;
    }
    ASSERT_LT(needed, available);
    std::ofstream(disk + "/wypełnienie") << std::string((available - needed) * blockSize, '\0');

    EXPECT_EQ(convertInto(disk, book).lines.at(0), "Gotowe!");
    ASSERT_EQ(freeBlocks().first, 0u) << "the book did not take exactly the room there was";
    for (const auto& name : FileNames(destination)) {
        EXPECT_EQ(ReadFile(disk + "/" + name), ReadFile(destination + "/" + name)) << name;
    }

    const auto damaged = convertInto(disk, TestBook("uszkodzona.lit"));
    ASSERT_EQ(damaged.lines.size(), 2u);
    EXPECT_EQ(damaged.lines[0], ErrorMessage(255));
    EXPECT_NE(damaged.lines[1].find("Książka jest uszkodzona"), std::string::npos) << damaged.lines[1];
    EXPECT_EQ(damaged.lines[1].find(conversion::kPartialFilesMessage), std::string::npos);

    const auto full = convertInto(disk, book);
    ASSERT_EQ(full.lines.size(), 2u);
    EXPECT_EQ(full.lines[0], ErrorMessage(255));
    EXPECT_NE(full.lines[1].find("zabrakło miejsca"), std::string::npos) << full.lines[1];
    EXPECT_TRUE(full.lines[1].ends_with(conversion::kPartialFilesMessage)) << full.lines[1];
    EXPECT_NE(full.details.find("No space left on device"), std::string::npos) << full.details;
}

TEST_F(OutcomeTest, DoneSaysWhereTheBookIsAndItsButtonsOpenTheFirstPageAndTheFolder)
{
    const auto seen = convert(book, "Otwórz książkę");
    ASSERT_EQ(seen.lines.size(), 2u);
    EXPECT_EQ(seen.lines[0], "Gotowe!");
    EXPECT_NE(seen.lines[1].find("„" + destination + "”"), std::string::npos) << seen.lines[1];
    EXPECT_EQ(seen.buttons, (std::vector<std::string>{"OK", "Otwórz książkę", "Otwórz teczkę"}));
    EXPECT_EQ(seen.defaultButton, "OK");

    // Again into the same folder: the page of this conversion, under the free name it took.
    convert(book, "Otwórz książkę");
    CopyTestBook("rozdzialy.lit", dir / "rozdzialy.lit");
    convert(dir / "rozdzialy.lit", "Otwórz książkę");
    convert(book, "Otwórz teczkę");
    convert(book);
    std::vector<std::string> opened;
    for (const auto& url : script.ShownURLs()) {
        opened.push_back(QUrl(QString::fromStdString(url)).toLocalFile().toStdString());
    }
    EXPECT_EQ(opened, (std::vector<std::string>{destination + "/krotka.html", destination + "/html.html",
                                                destination + "/rozdzialy_split_000.html", destination}))
        << "OK opens nothing";

    SeenBox oneWord;
    lookAtNextBox(oneWord);
    framework::MsgBox("Gotowe!");
    EXPECT_TRUE(oneWord.wideEnoughForTitle) << "even a box of one word is wide enough for its title";
}
