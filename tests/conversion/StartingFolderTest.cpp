// Where the real dialogs open: at home, where the user last chose a book in this run, beside the book;
// never in the working folder.
#include "app/App.h"
#include "app/FileType.h"
#include "framework/Application.h"
#include "support/Conversion.h"
#include "support/Program.h"

#include <QFileDialog>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace fs = std::filesystem;

using namespace testsupport;

namespace {

const std::string kOpenTitle = "Wybierz plik .lit do zamiany na .html:";
const std::string kFolderTitle = "Wskaż teczkę, w której mam zachować zawartość pliku .lit:";

class StartingFolderTest : public RuntimeTest
{
protected:
    void SetUp() override
    {
        ScriptedTest::SetUp();
        fs::create_directories(home);
        fs::create_directories(workingFolder);
        CopyTestBook("krotka.lit", firstBook);
        CopyTestBook("krotka.lit", secondBook);
        savedHome = std::getenv("HOME");
        setenv("HOME", home.c_str(), 1);
        savedWorkingFolder = fs::current_path();
        fs::current_path(workingFolder);
        app::FileTypes::Initialize();
        framework::Application::Register(std::make_shared<app::App>());
    }
    void TearDown() override
    {
        fs::current_path(savedWorkingFolder);
        setenv("HOME", savedHome.c_str(), 1);
        ScriptedTest::TearDown();
    }

    // Once the dialog with this title shows, notes the folder it shows first, then chooses the path or,
    // without one, cancels.
    static void whenShown(const std::string& title, std::string& startedIn, const std::string& choice = {})
    {
        RunWhen([title] { return ShownFileDialog(title) != nullptr; },
                [title, &startedIn, choice] {
                    auto* dialog = ShownFileDialog(title);
                    startedIn = dialog->directory().absolutePath().toStdString();
                    if (choice.empty()) {
                        dialog->reject();
                    } else {
                        TypeIntoFileDialog(*dialog, choice);
                    }
                });
    }

    TempDir dir;
    const std::string home = dir / "dom";
    const std::string workingFolder = dir / "program";
    const std::string firstBook = dir / "Książki/Pierwsza półka/krótka.lit";
    const std::string secondBook = dir / "Inne/druga.lit";
    std::string savedHome;
    fs::path savedWorkingFolder;
};

} // namespace

TEST_F(StartingFolderTest,
       TheOpenDialogStartsAtHomeThenWhereABookWasLastChosenAndTheFolderDialogBesideTheBook)
{
    std::string openAt, folderAt;
    whenShown(kOpenTitle, openAt, firstBook);
    whenShown(kFolderTitle, folderAt);
    App().PlikOdtwarzajfilmzdysku_Action();
    EXPECT_EQ(openAt, home) << "the first time, at home";
    EXPECT_EQ(folderAt, fs::path(firstBook).parent_path()) << "beside the book chosen";

    whenShown(kOpenTitle, openAt, secondBook);
    whenShown(kFolderTitle, folderAt);
    App().PlikOdtwarzajfilmzdysku_Action();
    EXPECT_EQ(openAt, fs::path(firstBook).parent_path()) << "where the last book was chosen";
    EXPECT_EQ(folderAt, fs::path(secondBook).parent_path());

    whenShown(kOpenTitle, openAt);
    App().PlikOdtwarzajfilmzdysku_Action();
    EXPECT_EQ(openAt, fs::path(secondBook).parent_path()) << "a cancelled dialog changes nothing";

    // A book handed over by the file manager is not chosen in the open dialog.
    whenShown(kFolderTitle, folderAt);
    App().Event_OpenDocument(framework::FolderItem::FromPath(firstBook));
    EXPECT_EQ(folderAt, fs::path(firstBook).parent_path());
    whenShown(kOpenTitle, openAt);
    App().PlikOdtwarzajfilmzdysku_Action();
    EXPECT_EQ(openAt, fs::path(secondBook).parent_path());

    // Nothing is kept for the next run.
    framework::Application::Register(std::make_shared<app::App>());
    whenShown(kOpenTitle, openAt);
    App().PlikOdtwarzajfilmzdysku_Action();
    EXPECT_EQ(openAt, home);
}
