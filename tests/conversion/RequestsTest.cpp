// The two conversion requests: the menu command through the real dialogs (under the offscreen platform),
// answered as a user answers them, and a document opened with the program.
#include "app/FileType.h"
#include "framework/Application.h"
#include "framework/FileDialogParts.h"
#include "support/Conversion.h"
#include "support/Program.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QTest>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

using namespace testsupport;

namespace {

const std::string kOpenTitle = "Wybierz plik .lit do zamiany na .html:";
const std::string kFolderTitle = "Wskaż teczkę, w której mam zachować zawartość pliku .lit:";

// What the user sees of a dialog: its title, its prompt when shown above the list, the captions of its
// buttons, and the names listed.
struct Seen
{
    std::vector<std::string> texts;
    std::set<std::string> listed;
};

std::string caption(QAbstractButton* button)
{
    return button ? button->text().toStdString() : "(none)";
}

Seen look(QFileDialog& dialog)
{
    const auto prompt = framework::dialogs::ShownPrompt(dialog);
    return {{dialog.windowTitle().toStdString(), prompt.empty() ? "(none)" : prompt,
             caption(framework::dialogs::ActionButton(dialog)),
             caption(framework::dialogs::CancelButton(dialog))},
            framework::dialogs::ListedNames(dialog)};
}

// Once the dialog with this title shows, opens the folder in it; once it has read the folder, looks at
// the dialog and acts.
void lookWhenShown(const std::string& title, const std::string& folder, Seen& seen,
                   std::function<void(QFileDialog&)> act)
{
    RunWhen([title] { return ShownFileDialog(title) != nullptr; },
            [title, folder] { ShownFileDialog(title)->setDirectory(QString::fromStdString(folder)); });
    RunWhen(
        [title, folder] {
            auto* shown = ShownFileDialog(title);
            return shown && shown->directory().absolutePath().toStdString() == folder &&
                   framework::dialogs::FolderRead(*shown) && !look(*shown).listed.empty();
        },
        [title, &seen, act] {
            seen = look(*ShownFileDialog(title));
            act(*ShownFileDialog(title));
        });
}

class RequestsTest : public RuntimeTest
{
protected:
    void SetUp() override
    {
        ScriptedTest::SetUp();
        app::FileTypes::Initialize();
        framework::Application::Register(std::make_shared<app::App>());
        CopyTestBook("krotka.lit", book);
        for (const auto* file :
             {"BOOK.LIT", "Book.Lit", "notes.txt", "lit", "book.lit.txt", "booklit", "book.litx"}) {
            std::ofstream(bookFolder + "/" + file) << "x";
        }
        fs::create_directories(bookFolder + "/Teczka A");
        fs::create_directories(bookFolder + "/teczka.lit");
        fs::create_directories(destination);
    }

    TempDir dir;
    const std::string bookFolder = dir / "Moje książki (nowe)";
    const std::string book = bookFolder + "/it's & $HOME.lit";
    const std::string destination = dir / "Wynik `uname` [1]";
};

} // namespace

// Cancelled at the book, then at the folder, then carried out with the converter beside the program (the
// test program's, where the build links it).
TEST_F(RequestsTest, MenuCommandAsksForTheBookThenTheFolderAndConvertsBesideTheProgram)
{
    Seen open;
    Seen folder;
    lookWhenShown(kOpenTitle, bookFolder, open, [](QFileDialog& dialog) {
        QTest::mouseClick(framework::dialogs::CancelButton(dialog), Qt::LeftButton);
    });
    EXPECT_FALSE(App().PlikOdtwarzajfilmzdysku_Action());
    AnswerFileDialog(kOpenTitle, book);
    lookWhenShown(kFolderTitle, bookFolder, folder,
                  [](QFileDialog& dialog) { QTest::keyClick(&dialog, Qt::Key_Escape); });
    EXPECT_FALSE(App().PlikOdtwarzajfilmzdysku_Action());
    AnswerFileDialog(kOpenTitle, book);
    AnswerFileDialog(kFolderTitle, destination);
    EXPECT_FALSE(App().PlikOdtwarzajfilmzdysku_Action());

    EXPECT_EQ(open.texts,
              (std::vector<std::string>{kOpenTitle,
                                        "Możesz także wskazać w Finderze Zwojnik jako domyślny program "
                                        "do otwierania plików .lit",
                                        "Dalej", "Poniechaj"}));
    EXPECT_EQ(open.listed, (std::set<std::string>{fs::path(book).filename(), "BOOK.LIT", "Book.Lit",
                                                  "Teczka A", "teczka.lit"}));
    EXPECT_EQ(folder.texts, (std::vector<std::string>{kFolderTitle, "(none)", "Wykonaj", "Poniechaj"}));
    EXPECT_EQ(folder.listed, (std::set<std::string>{"Teczka A", "teczka.lit"}));
    EXPECT_EQ(script.ShownMessages(), std::vector<std::string>{"Gotowe!"});
    EXPECT_TRUE(FileNames(destination).count("krotka.html"));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(RequestsTest, OpenedDocumentAsksOnlyForTheFolderWithoutLookingAtTheDocument)
{
    script.QueueDialogAnswer(std::nullopt);
    App().Event_OpenDocument(framework::FolderItem::FromPath(dir / "nie ma mnie.txt"));
    script.QueueDialogAnswer(destination);
    App().Event_OpenDocument(framework::FolderItem::FromPath(book));

    ASSERT_EQ(script.ShownDialogs().size(), 2u);
    for (const auto& shown : script.ShownDialogs()) {
        EXPECT_EQ(shown.kind, framework::FileDialog::Kind::SelectFolder);
        EXPECT_EQ(shown.title, kFolderTitle);
        EXPECT_EQ(shown.actionButtonCaption, "Wykonaj");
    }
    EXPECT_EQ(script.ShownMessages(), std::vector<std::string>{"Gotowe!"});
    EXPECT_TRUE(FileNames(destination).count("krotka.html"));
}

using ProgramRunTest = ScriptedTest;

// Nothing here quits: the failure itself must end the run, before the second document.
TEST_F(ProgramRunTest, UnknownProcessorSaysSoOnceRunsNothingAndEndsTheRunWithZero)
{
    TempDir dir;
    CopyTestBook("krotka.lit", dir / "książka.lit");
    fs::create_directories(dir / "wynik");
    script.SetMachine(std::nullopt);
    script.QueueDialogAnswer(dir / "wynik");
    script.QueueDialogAnswer(dir / "wynik");

    EXPECT_EQ(RunProgram({dir / "książka.lit", dir / "książka.lit"}), 0);

    EXPECT_EQ(script.ShownMessages(), std::vector<std::string>{"Błąd rozpoznawania procesora."});
    EXPECT_EQ(script.ShownDialogs().size(), 1u);
    EXPECT_TRUE(FileNames(dir / "wynik").empty());
}
