// The two conversion requests: the menu command through the real dialogs (under the offscreen platform),
// answered as a user answers them, and a document opened with the program.
#include "app/FileType.h"
#include "framework/Application.h"
#include "support/Conversion.h"
#include "support/FileDialogs.h"
#include "support/Program.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QTest>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

using framework::FileDialog;
using namespace testsupport;

namespace {

const std::string kOpenTitle = "Wybierz plik .lit do zamiany na .html:";
const std::string kFolderTitle = "Wskaż teczkę, w której mam zachować zawartość pliku .lit:";

// What the user sees of a dialog: its kind, title, prompt (when shown above the list) and buttons.
std::vector<std::string> texts(const ShownDialog& dialog)
{
    return {dialog.kind == FileDialog::Kind::OpenFile ? "OpenFile" : "SelectFolder", dialog.title,
            dialog.prompt, dialog.actionButtonCaption, dialog.cancelButtonCaption};
}

// Once the dialog with this title shows, notes the folder it shows first, then chooses the path or,
// without one, cancels.
void whenShown(const std::string& title, const std::string& choice, std::string* startedIn = nullptr)
{
    RunWhen([title] { return ShownFileDialog(title) != nullptr; },
            [title, startedIn, choice] {
                auto* dialog = ShownFileDialog(title);
                if (startedIn) {
                    *startedIn = dialog->directory().absolutePath().toStdString();
                }
                if (choice.empty()) {
                    dialog->reject();
                } else {
                    TypeIntoFileDialog(*dialog, choice);
                }
            });
}

// Once the dialog with this title shows, notes the folder it shows first and opens this one in it; once
// it has read the folder, notes the names listed and acts.
void listWhenShown(const std::string& title, const std::string& folder, std::string& startedIn,
                   std::set<std::string>& listed, std::function<void(QFileDialog&)> act)
{
    RunWhen([title] { return ShownFileDialog(title) != nullptr; },
            [title, folder, &startedIn] {
                startedIn = ShownFileDialog(title)->directory().absolutePath().toStdString();
                ShownFileDialog(title)->setDirectory(QString::fromStdString(folder));
            });
    RunWhen(
        [title, folder] {
            auto* shown = ShownFileDialog(title);
            return shown && shown->directory().absolutePath().toStdString() == folder && FolderRead(*shown) &&
                   !ListedNames(*shown).empty();
        },
        [title, &listed, act] {
            listed = ListedNames(*ShownFileDialog(title));
            act(*ShownFileDialog(title));
        });
}

// The dialogs open at home, never in the working folder, and keep nothing there.
class RequestsTest : public RuntimeTest
{
protected:
    void SetUp() override
    {
        ScriptedTest::SetUp();
        fileTypes.Initialize();
        framework::Application::Register(std::make_shared<app::App>());
        CopyTestBook("krotka.lit", book);
        for (const auto* file :
             {"BOOK.LIT", "Book.Lit", "notes.txt", "lit", "book.lit.txt", "booklit", "book.litx"}) {
            std::ofstream(bookFolder + "/" + file) << "x";
        }
        fs::create_directories(bookFolder + "/Teczka A");
        fs::create_directories(bookFolder + "/teczka.lit");
        fs::create_directories(destination);
        fs::create_directories(home);
        fs::create_directories(dir / "program");
        savedWorkingFolder = fs::current_path();
        fs::current_path(dir / "program");
    }
    void TearDown() override
    {
        fs::current_path(savedWorkingFolder);
        EXPECT_TRUE(fs::is_empty(home)) << ::testing::PrintToString(FileNames(home));
    }

    app::FileTypes fileTypes;
    TempDir dir;
    const std::string bookFolder = dir / "Moje książki (nowe)";
    const std::string book = bookFolder + "/it's & $HOME.lit";
    const std::string destination = dir / "Wynik `uname` [1]";
    const std::string home = dir / "dom";
    const ScopedVariable homeVariable{"HOME", home};
    const ScopedVariable configVariable{"XDG_CONFIG_HOME", std::nullopt};
    fs::path savedWorkingFolder;
};

} // namespace

// Cancelled at the book, then at the folder, then carried out with the converter beside the program (the
// test program's, where the build links it). The open dialog starts at home, then where a book was last
// chosen; the folder dialog beside the book.
TEST_F(RequestsTest, MenuCommandAsksForTheBookThenTheFolderAndConvertsBesideTheProgram)
{
    std::set<std::string> books, folders;
    std::string openAt, folderAt;
    listWhenShown(kOpenTitle, bookFolder, openAt, books,
                  [](QFileDialog& dialog) { QTest::mouseClick(CancelButton(dialog), Qt::LeftButton); });
    EXPECT_FALSE(App().PlikOdtwarzajfilmzdysku_Action());
    EXPECT_EQ(openAt, home) << "the first time, at home";
    whenShown(kOpenTitle, book, &openAt);
    listWhenShown(kFolderTitle, bookFolder, folderAt, folders,
                  [](QFileDialog& dialog) { QTest::keyClick(&dialog, Qt::Key_Escape); });
    EXPECT_FALSE(App().PlikOdtwarzajfilmzdysku_Action());
    EXPECT_EQ(openAt, home) << "a cancelled dialog changes nothing";
    EXPECT_EQ(folderAt, bookFolder) << "beside the book chosen";
    whenShown(kOpenTitle, book, &openAt);
    whenShown(kFolderTitle, destination);
    EXPECT_FALSE(App().PlikOdtwarzajfilmzdysku_Action());
    EXPECT_EQ(openAt, bookFolder) << "where the last book was chosen";

    const auto& shown = script.ShownDialogs();
    ASSERT_EQ(shown.size(), 5u);
    EXPECT_EQ(texts(shown[0]),
              (std::vector<std::string>{"OpenFile", kOpenTitle,
                                        "Możesz także wskazać w Finderze Zwojnik jako domyślny "
                                        "program do otwierania plików .lit",
                                        "Dalej", "Poniechaj"}));
    EXPECT_EQ(books, (std::set<std::string>{fs::path(book).filename(), "BOOK.LIT", "Book.Lit", "Teczka A",
                                            "teczka.lit"}));
    EXPECT_EQ(texts(shown[2]),
              (std::vector<std::string>{"SelectFolder", kFolderTitle, "", "Wykonaj", "Poniechaj"}));
    EXPECT_EQ(folders, (std::set<std::string>{"Teczka A", "teczka.lit"}));
    EXPECT_EQ(script.ShownMessages(), std::vector<std::string>{"Gotowe!"});
    EXPECT_TRUE(FileNames(destination).count("krotka.html"));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

    // A document handed over by the file manager that is not there, or is a folder, is reported before a
    // folder is asked for. Any other is not looked at, nor chosen in the open dialog.
    script.QueueDialogAnswer(std::nullopt);
    script.QueueDialogAnswer(std::nullopt);
    App().Event_OpenDocument(framework::FolderItem::FromPath(dir / "nie ma mnie.lit"));
    App().Event_OpenDocument(framework::FolderItem::FromPath(bookFolder + "/teczka.lit"));
    EXPECT_EQ(script.ShownMessages(),
              (std::vector<std::string>{"Gotowe!",
                                        "Nie mogę znaleźć pliku „" + dir / "nie ma mnie.lit" +
                                            "”. Być może został przeniesiony albo usunięty.",
                                        "„" + bookFolder +
                                            "/teczka.lit” nie jest zwykłym plikiem (to teczka, potok albo "
                                            "urządzenie), więc nie mogę go zamienić."}));
    EXPECT_EQ(script.dialogAnswers.size(), 2u) << "a folder was asked for";
    script.dialogAnswers.clear();
    whenShown(kFolderTitle, {}, &folderAt);
    App().Event_OpenDocument(framework::FolderItem::FromPath(bookFolder + "/notes.txt"));
    EXPECT_EQ(folderAt, bookFolder);
    whenShown(kOpenTitle, {}, &openAt);
    App().PlikOdtwarzajfilmzdysku_Action();
    EXPECT_EQ(openAt, bookFolder);

    // Nothing is kept for the next run.
    framework::Application::Register(std::make_shared<app::App>());
    whenShown(kOpenTitle, {}, &openAt);
    App().PlikOdtwarzajfilmzdysku_Action();
    EXPECT_EQ(openAt, home);
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
