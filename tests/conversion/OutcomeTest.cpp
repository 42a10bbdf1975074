// What the user is told after a conversion, read off the real message box: the status on a line of its
// own, what went wrong, the converter's own words; or "Gotowe!" with the book and its folder at hand.
#include "conversion/Outcome.h"

#include "conversion/FirstPage.h"
#include "framework/Messages.h"
#include "support/Conversion.h"
#include "support/Program.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QUrl>
#include <filesystem>
#include <gtest/gtest.h>

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
        SeenBox seen;
        lookAtNextBox(seen, pressed);
        Convert(programFolder, source, destination);
        return seen;
    }

    TempDir dir;
    const std::string programFolder = dir / "Zwojnik (program)";
    const std::string book = dir / "Moje książki/krótka.lit";
    const std::string destination = dir / "wynik, teczka";
};

} // namespace

TEST_F(OutcomeTest, AFailureKeepsItsStatusOnItsOwnLineThenSaysWhatWentWrongAndKeepsTheConvertersWords)
{
    CopyTestBook("uszkodzona.lit", dir / "uszkodzona.lit");
    const auto converter = "„" + programFolder + "/clit-intel”";
    const auto all = fs::perms::all;
    // The real converter on a damaged book; then a converter that is missing, cannot run, or is ended by a
    // signal.
    const struct
    {
        std::string book;
        const char* script; // none: the real converter; empty: no converter at all
        fs::perms mode;
        int status;
        std::string said, convertersWords;
    } cases[]{{dir / "uszkodzona.lit", nullptr, all, 255, "Książka jest uszkodzona", "LIT FORMAT ERROR"},
              {book, "", all, 127, converter, ""},
              {book, "exit 0", fs::perms::owner_read, 126, converter, ""},
              {book, "kill -SEGV $$", all, 128 + 11, "(sygnał 11)", ""}};
    for (const auto& [source, script, mode, status, said, words] : cases) {
        fs::remove_all(programFolder);
        if (!script) {
            MakeConverterFolder(programFolder);
        } else if (*script) {
            MakeConverterScript(programFolder, script, mode);
        }
        const auto seen = convert(source);
        ASSERT_EQ(seen.lines.size(), 2u) << source;
        EXPECT_EQ(seen.lines[0], ErrorMessage(status));
        EXPECT_NE(seen.lines[1].find(said), std::string::npos) << seen.lines[1];
        EXPECT_NE(seen.details.find(words), std::string::npos) << seen.details;
        EXPECT_TRUE(script || seen.details.find("\"" + source + "\"") != std::string::npos)
            << "the book as the user knows it, not the converter's link: " << seen.details;
        EXPECT_EQ(seen.buttons, std::vector<std::string>{"OK"});
        EXPECT_EQ(seen.defaultButton, "OK");
    }
    EXPECT_TRUE(FileNames(destination).empty());
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
