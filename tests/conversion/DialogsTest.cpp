#include "framework/Dialogs.h"

#include "app/FileType.h"
#include "framework/Scripting.h"
#include "support/TempDir.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <set>

namespace fs = std::filesystem;

using testsupport::RunWhen;

namespace {

QFileDialog* shownDialog()
{
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    return dialog && dialog->isVisible() ? dialog : nullptr;
}

QAbstractButton* buttonWithRole(QFileDialog& dialog, QDialogButtonBox::ButtonRole role)
{
    auto* box = dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    if (!box) {
        return nullptr;
    }
    for (auto* button : box->buttons()) {
        if (box->buttonRole(button) == role) {
            return button;
        }
    }
    return nullptr;
}

// What the dialog's list shows of the folder it is in, once the folder has been read.
std::set<std::string> listedNames(QFileDialog& dialog)
{
    auto* view = dialog.findChild<QListView*>(QStringLiteral("listView"));
    std::set<std::string> names;
    if (!view || !view->model()) {
        return names;
    }
    const auto root = view->rootIndex();
    for (int row = 0; row < view->model()->rowCount(root); ++row) {
        names.insert(view->model()->index(row, 0, root).data().toString().toStdString());
    }
    return names;
}

bool folderRead(QFileDialog& dialog, const std::string& folder)
{
    auto* model = dialog.findChild<QFileSystemModel*>();
    return model && dialog.directory().absolutePath().toStdString() == folder &&
           !model->canFetchMore(model->index(QString::fromStdString(folder)));
}

void typeAndPressEnter(QFileDialog& dialog, const std::string& path)
{
    auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(edit, nullptr);
    edit->setFocus();
    // Pasted: QTest types only Latin-1 keys.
    edit->setText(QString::fromStdString(path));
    QTest::keyClick(edit, Qt::Key_Return);
}

// What a test saw of a dialog while it was on screen.
struct Seen
{
    std::string title;
    bool promptShown = false;
    bool promptAboveList = false;
    std::string prompt;
    std::string accept;
    std::string reject;
    std::set<std::string> listed;
};

Seen look(QFileDialog& dialog)
{
    Seen seen;
    seen.title = dialog.windowTitle().toStdString();
    if (auto* label = dialog.findChild<QLabel*>(QStringLiteral("promptText"))) {
        seen.promptShown = label->isVisible();
        seen.prompt = label->text().toStdString();
        if (auto* list = dialog.findChild<QListView*>(QStringLiteral("listView"))) {
            const auto labelBottom = label->mapTo(&dialog, QPoint(0, label->height())).y();
            seen.promptAboveList = labelBottom <= list->parentWidget()->mapTo(&dialog, QPoint(0, 0)).y();
        }
    }
    if (auto* accept = buttonWithRole(dialog, QDialogButtonBox::AcceptRole)) {
        seen.accept = accept->text().toStdString();
    }
    if (auto* reject = buttonWithRole(dialog, QDialogButtonBox::RejectRole)) {
        seen.reject = reject->text().toStdString();
    }
    seen.listed = listedNames(dialog);
    return seen;
}

class DialogsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        framework::scripting::Reset();
        app::FileTypes::Initialize();
        for (const auto* file : {"book.lit", "BOOK.LIT", "Book.Lit", "książka z spacją.lit", "notes.txt",
                                 "lit", "book.lit.txt", "booklit", "book.li", "book.litx"}) {
            std::ofstream(dir / file) << "x";
        }
        fs::create_directory(dir / "Teczka A");
        fs::create_directory(dir / "teczka.lit");
    }
    void TearDown() override
    {
        app::FileTypes::pTextLit.reset();
        framework::scripting::Reset();
    }

    // Shows the dialog; while it is on screen, opens the test folder in it, looks at it once it has read
    // the folder, then lets the user act.
    framework::FolderItemPtr show(framework::FileDialog& dialog, const std::function<void(QFileDialog&)>& act)
    {
        RunWhen([] { return shownDialog() != nullptr; },
                [this] { shownDialog()->setDirectory(QString::fromStdString(dir.path())); });
        RunWhen(
            [this] {
                return shownDialog() && folderRead(*shownDialog(), dir.path()) &&
                       !listedNames(*shownDialog()).empty();
            },
            [this, act] {
                seen = look(*shownDialog());
                act(*shownDialog());
            });
        return dialog.ShowModal();
    }

    void configureOpenDialog(framework::FileDialog& dialog)
    {
        dialog.SetTitle("Wybierz plik .lit do zamiany na .html:");
        dialog.SetPromptText(
            "Możesz także wskazać w Finderze Zwojnik jako domyślny program do otwierania plików .lit");
        dialog.SetActionButtonCaption("Dalej");
        dialog.SetCancelButtonCaption("Poniechaj");
        dialog.SetFilter("text/lit");
    }

    void configureFolderDialog(framework::FileDialog& dialog)
    {
        dialog.SetTitle("Wskaż teczkę, w której mam zachować zawartość pliku .lit:");
        dialog.SetPromptText("");
        dialog.SetActionButtonCaption("Wykonaj");
        dialog.SetCancelButtonCaption("Poniechaj");
        dialog.SetFilter("text/lit");
    }

    testsupport::TempDir dir;
    Seen seen;
};

} // namespace

TEST_F(DialogsTest, OpenDialogShowsEveryPropertyAndOffersEbooksInAnyLetterCase)
{
    framework::OpenDialog dialog;
    configureOpenDialog(dialog);
    const auto chosen =
        show(dialog, [this](QFileDialog& shown) { typeAndPressEnter(shown, dir / "Book.Lit"); });

    EXPECT_EQ(seen.title, "Wybierz plik .lit do zamiany na .html:");
    EXPECT_TRUE(seen.promptShown);
    EXPECT_TRUE(seen.promptAboveList);
    EXPECT_EQ(seen.prompt,
              "Możesz także wskazać w Finderze Zwojnik jako domyślny program do otwierania plików .lit");
    EXPECT_EQ(seen.accept, "Dalej");
    EXPECT_EQ(seen.reject, "Poniechaj");
    const std::set<std::string> offered{"book.lit", "BOOK.LIT",  "Book.Lit", "książka z spacją.lit",
                                        "Teczka A", "teczka.lit"};
    EXPECT_EQ(seen.listed, offered);
    ASSERT_NE(chosen, nullptr);
    EXPECT_EQ(chosen->NativePath(), dir / "Book.Lit");
}

TEST_F(DialogsTest, OpenDialogYieldsTheTypedNameAsItIs)
{
    framework::OpenDialog dialog;
    configureOpenDialog(dialog);
    const auto chosen =
        show(dialog, [this](QFileDialog& shown) { typeAndPressEnter(shown, dir / "książka z spacją.lit"); });
    ASSERT_NE(chosen, nullptr);
    EXPECT_EQ(chosen->NativePath(), dir / "książka z spacją.lit");
    EXPECT_FALSE(chosen->Directory());
}

TEST_F(DialogsTest, FolderDialogShowsFoldersOnlyAndNoEmptyPrompt)
{
    framework::SelectFolderDialog dialog;
    configureFolderDialog(dialog);
    const auto chosen =
        show(dialog, [this](QFileDialog& shown) { typeAndPressEnter(shown, dir / "Teczka A"); });

    EXPECT_EQ(seen.title, "Wskaż teczkę, w której mam zachować zawartość pliku .lit:");
    EXPECT_FALSE(seen.promptShown);
    EXPECT_EQ(seen.accept, "Wykonaj");
    EXPECT_EQ(seen.reject, "Poniechaj");
    EXPECT_EQ(seen.listed, (std::set<std::string>{"Teczka A", "teczka.lit"}));
    ASSERT_NE(chosen, nullptr);
    EXPECT_EQ(chosen->NativePath(), dir / "Teczka A");
    EXPECT_TRUE(chosen->Directory());
    EXPECT_EQ(chosen->ShellPath().back(), '/');
}

TEST_F(DialogsTest, CancellingEitherDialogYieldsNothing)
{
    framework::OpenDialog open;
    configureOpenDialog(open);
    EXPECT_EQ(show(open,
                   [](QFileDialog& shown) {
                       QTest::mouseClick(buttonWithRole(shown, QDialogButtonBox::RejectRole), Qt::LeftButton);
                   }),
              nullptr);

    framework::SelectFolderDialog folder;
    configureFolderDialog(folder);
    EXPECT_EQ(show(folder, [](QFileDialog& shown) { QTest::keyClick(&shown, Qt::Key_Escape); }), nullptr);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}
