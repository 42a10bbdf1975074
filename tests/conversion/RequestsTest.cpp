// The two conversion requests: the menu command through the real dialogs (under the offscreen platform),
// answered as a user answers them, and a document opened with the program.
#include "app/FileType.h"
#include "framework/Application.h"
#include "support/Conversion.h"
#include "support/Program.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QListView>
#include <QTest>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

using framework::scripting::QueueDialogAnswer;
using framework::scripting::ShownDialogs;
using framework::scripting::ShownMessages;
using namespace testsupport;

namespace {

const std::string kOpenTitle = "Wybierz plik .lit do zamiany na .html:";
const std::string kFolderTitle = "Wskaż teczkę, w której mam zachować zawartość pliku .lit:";

QAbstractButton* buttonWithRole(QFileDialog& dialog, QDialogButtonBox::ButtonRole role)
{
    auto* box = dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    for (auto* button : box ? box->buttons() : QList<QAbstractButton*>{}) {
        if (box->buttonRole(button) == role) {
            return button;
        }
    }
    return nullptr;
}

// What the user sees of a dialog: its title, its prompt when shown above the list, the captions of its
// buttons, and the names listed.
struct Seen
{
    std::vector<std::string> texts;
    std::set<std::string> listed;
};

Seen look(QFileDialog& dialog)
{
    auto* list = dialog.findChild<QListView*>(QStringLiteral("listView"));
    auto* label = dialog.findChild<QLabel*>(QStringLiteral("promptText"));
    const bool promptShown = label && label->isVisible() && list &&
                             label->mapTo(&dialog, QPoint(0, label->height())).y() <=
                                 list->parentWidget()->mapTo(&dialog, QPoint(0, 0)).y();
    Seen seen{{dialog.windowTitle().toStdString(), promptShown ? label->text().toStdString() : "(none)"}, {}};
    for (const auto role : {QDialogButtonBox::AcceptRole, QDialogButtonBox::RejectRole}) {
        auto* button = buttonWithRole(dialog, role);
        seen.texts.push_back(button ? button->text().toStdString() : "(none)");
    }
    for (int row = 0; list && row < list->model()->rowCount(list->rootIndex()); ++row) {
        seen.listed.insert(list->model()->index(row, 0, list->rootIndex()).data().toString().toStdString());
    }
    return seen;
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
            auto* model = shown ? shown->findChild<QFileSystemModel*>() : nullptr;
            return model && shown->directory().absolutePath().toStdString() == folder &&
                   !model->canFetchMore(model->index(QString::fromStdString(folder))) &&
                   !look(*shown).listed.empty();
        },
        [title, &seen, act] {
            seen = look(*ShownFileDialog(title));
            act(*ShownFileDialog(title));
        });
}

class RequestsTest : public ScriptedTest
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
    void TearDown() override
    {
        framework::Application::Register(nullptr);
        app::FileTypes::pTextLit.reset();
        ScriptedTest::TearDown();
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
        QTest::mouseClick(buttonWithRole(dialog, QDialogButtonBox::RejectRole), Qt::LeftButton);
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
    EXPECT_EQ(ShownMessages(), std::vector<std::string>{"Gotowe!"});
    EXPECT_TRUE(FileNames(destination).count("krotka.html"));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(RequestsTest, OpenedDocumentAsksOnlyForTheFolderWithoutLookingAtTheDocument)
{
    QueueDialogAnswer(std::nullopt);
    App().Event_OpenDocument(framework::FolderItem::FromPath(dir / "nie ma mnie.txt"));
    QueueDialogAnswer(destination);
    App().Event_OpenDocument(framework::FolderItem::FromPath(book));

    ASSERT_EQ(ShownDialogs().size(), 2u);
    for (const auto& shown : ShownDialogs()) {
        EXPECT_EQ(shown.kind, framework::FileDialog::Kind::SelectFolder);
        EXPECT_EQ(shown.title, kFolderTitle);
        EXPECT_EQ(shown.actionButtonCaption, "Wykonaj");
    }
    EXPECT_EQ(ShownMessages(), std::vector<std::string>{"Gotowe!"});
    EXPECT_TRUE(FileNames(destination).count("krotka.html"));
}

using ProgramRunTest = ScriptedTest;

// Nothing here quits: the failure itself must end the run, before the second document.
TEST_F(ProgramRunTest, UnknownProcessorSaysSoOnceRunsNothingAndEndsTheRunWithZero)
{
    TempDir dir;
    CopyTestBook("krotka.lit", dir / "książka.lit");
    fs::create_directories(dir / "wynik");
    framework::scripting::SetProcessorAnswer(std::nullopt);
    QueueDialogAnswer(dir / "wynik");
    QueueDialogAnswer(dir / "wynik");

    EXPECT_EQ(RunProgram({dir / "książka.lit", dir / "książka.lit"}), 0);

    EXPECT_EQ(ShownMessages(), std::vector<std::string>{"Błąd rozpoznawania procesora."});
    EXPECT_EQ(ShownDialogs().size(), 1u);
    EXPECT_TRUE(FileNames(dir / "wynik").empty());
}
