#include "ConversionSupport.h"
#include "app/App.h"
#include "app/FileType.h"
#include "app/Startup.h"
#include "framework/Application.h"
#include "framework/Scripting.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

using conversiontest::CopyTestBook;
using conversiontest::FileNames;
using conversiontest::ShellPathOf;
using framework::FileDialog;
using framework::scripting::QueueDialogAnswer;
using framework::scripting::ShownDialogs;
using framework::scripting::ShownMessages;
using testsupport::RunWhen;

namespace {

const std::string kOpenTitle = "Wybierz plik .lit do zamiany na .html:";
const std::string kOpenPrompt =
    "Możesz także wskazać w Finderze Zwojnik jako domyślny program do otwierania plików .lit";
const std::string kFolderTitle = "Wskaż teczkę, w której mam zachować zawartość pliku .lit:";

using Call = std::vector<std::string>;

// The application object, with an eye on the calls of konwertuj; each call still converts.
class WatchedApp : public app::App
{
public:
    void konwertuj(const std::string& appFolderPath, const std::string& sourcePath,
                   const std::string& targetFolderPath) override
    {
        calls.push_back({appFolderPath, sourcePath, targetFolderPath});
        app::App::konwertuj(appFolderPath, sourcePath, targetFolderPath);
    }
    std::vector<Call> calls;
};

void expectOpenDialog(const framework::scripting::ShownDialog& shown)
{
    EXPECT_EQ(shown.kind, FileDialog::Kind::OpenFile);
    EXPECT_EQ(shown.title, kOpenTitle);
    EXPECT_EQ(shown.promptText, kOpenPrompt);
    EXPECT_EQ(shown.actionButtonCaption, "Dalej");
    EXPECT_EQ(shown.cancelButtonCaption, "Poniechaj");
    EXPECT_EQ(shown.filter, "text/lit");
}

void expectFolderDialog(const framework::scripting::ShownDialog& shown)
{
    EXPECT_EQ(shown.kind, FileDialog::Kind::SelectFolder);
    EXPECT_EQ(shown.title, kFolderTitle);
    EXPECT_EQ(shown.promptText, "");
    EXPECT_EQ(shown.actionButtonCaption, "Wykonaj");
    EXPECT_EQ(shown.cancelButtonCaption, "Poniechaj");
    EXPECT_EQ(shown.filter, "text/lit");
}

// The folder of the running test program, where the build links the converter.
std::string programFolder()
{
    return fs::canonical("/proc/self/exe").parent_path().string();
}

class RequestsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        framework::scripting::Reset();
        framework::scripting::AnswerMessages();
        app::FileTypes::Initialize();
        framework::Application::Register(application);
        book = dir / "Moje książki (nowe)/it's & $(touch znacznik).lit";
        destination = dir / "Wynik `touch$IFS.znacznik` [1]";
        CopyTestBook("krotka.lit", book);
        fs::create_directories(destination);
    }
    void TearDown() override
    {
        framework::Application::Register(nullptr);
        app::FileTypes::pTextLit.reset();
        framework::scripting::Reset();
    }

    Call expectedCall(const std::string& source, const std::string& target)
    {
        return {ShellPathOf(programFolder()), ShellPathOf(source), ShellPathOf(target)};
    }

    std::shared_ptr<WatchedApp> application = std::make_shared<WatchedApp>();
    testsupport::TempDir dir;
    std::string book;
    std::string destination;
};

} // namespace

TEST_F(RequestsTest, MenuCommandAsksForBookThenFolderAndConvertsBesideTheProgram)
{
    QueueDialogAnswer(book);
    QueueDialogAnswer(destination);

    EXPECT_FALSE(App().PlikOdtwarzajfilmzdysku_Action());

    ASSERT_EQ(ShownDialogs().size(), 2u);
    expectOpenDialog(ShownDialogs()[0]);
    expectFolderDialog(ShownDialogs()[1]);
    EXPECT_EQ(application->calls, std::vector<Call>{expectedCall(book, destination)});
    EXPECT_EQ(ShownMessages(), std::vector<std::string>{"Gotowe!"});
    EXPECT_TRUE(FileNames(destination).count("krotka.html"));
    EXPECT_TRUE(conversiontest::FindNamed(dir.path(), ".znacznik").empty());
}

TEST_F(RequestsTest, CancellingTheBookEndsTheMenuCommandSilently)
{
    QueueDialogAnswer(std::nullopt);
    QueueDialogAnswer(destination);

    EXPECT_FALSE(App().PlikOdtwarzajfilmzdysku_Action());

    ASSERT_EQ(ShownDialogs().size(), 1u);
    expectOpenDialog(ShownDialogs()[0]);
    EXPECT_TRUE(application->calls.empty());
    EXPECT_TRUE(ShownMessages().empty());
    EXPECT_TRUE(FileNames(destination).empty());
}

TEST_F(RequestsTest, CancellingTheFolderEndsEitherRequestSilently)
{
    QueueDialogAnswer(book);
    QueueDialogAnswer(std::nullopt);
    EXPECT_FALSE(App().PlikOdtwarzajfilmzdysku_Action());
    QueueDialogAnswer(std::nullopt);
    App().Event_OpenDocument(framework::FolderItem::FromPath(book));

    ASSERT_EQ(ShownDialogs().size(), 3u);
    expectOpenDialog(ShownDialogs()[0]);
    expectFolderDialog(ShownDialogs()[1]);
    expectFolderDialog(ShownDialogs()[2]);
    EXPECT_TRUE(application->calls.empty());
    EXPECT_TRUE(ShownMessages().empty());
    EXPECT_TRUE(FileNames(destination).empty());
    EXPECT_EQ(FileNames(fs::path(book).parent_path()), std::set<std::string>{fs::path(book).filename()});
}

TEST_F(RequestsTest, OpenedDocumentAsksOnlyForTheFolder)
{
    QueueDialogAnswer(destination);

    App().Event_OpenDocument(framework::FolderItem::FromPath(book));

    ASSERT_EQ(ShownDialogs().size(), 1u);
    expectFolderDialog(ShownDialogs()[0]);
    EXPECT_EQ(application->calls, std::vector<Call>{expectedCall(book, destination)});
    EXPECT_EQ(ShownMessages(), std::vector<std::string>{"Gotowe!"});
    EXPECT_TRUE(FileNames(destination).count("krotka.html"));
}

TEST_F(RequestsTest, OpenedItemIsNotExamined)
{
    QueueDialogAnswer(std::nullopt);
    App().Event_OpenDocument(framework::FolderItem::FromPath(dir / "nie ma mnie.txt"));
    QueueDialogAnswer(std::nullopt);
    App().Event_OpenDocument(framework::FolderItem::FromPath(destination));

    ASSERT_EQ(ShownDialogs().size(), 2u);
    expectFolderDialog(ShownDialogs()[0]);
    expectFolderDialog(ShownDialogs()[1]);
    EXPECT_TRUE(ShownMessages().empty());
}

// The real dialogs, answered as a user would: the path typed into each, then Enter.
TEST_F(RequestsTest, MenuCommandWithTheRealDialogs)
{
    const auto typeInto = [](const std::string& title, const std::string& path) {
        RunWhen(
            [title] {
                auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
                return dialog && dialog->isVisible() && dialog->windowTitle().toStdString() == title;
            },
            [path] {
                auto* edit =
                    QApplication::activeModalWidget()->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                ASSERT_NE(edit, nullptr);
                edit->setText(QString::fromStdString(path));
                QTest::keyClick(edit, Qt::Key_Return);
            });
    };
    typeInto(kOpenTitle, book);
    // The folder dialog comes only after the book has been chosen: its waiting starts now but finds it later.
    typeInto(kFolderTitle, destination);

    EXPECT_FALSE(App().PlikOdtwarzajfilmzdysku_Action());

    EXPECT_EQ(application->calls, std::vector<Call>{expectedCall(book, destination)});
    EXPECT_EQ(ShownMessages(), std::vector<std::string>{"Gotowe!"});
    EXPECT_TRUE(FileNames(destination).count("krotka.html"));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

namespace {

int runProgram(std::vector<std::string> documents)
{
    documents.insert(documents.begin(), "zwojnik");
    std::vector<char*> argv;
    for (auto& argument : documents) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    return app::Run(static_cast<int>(documents.size()), argv.data());
}

class ProgramRunTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        framework::scripting::Reset();
        framework::scripting::AnswerMessages();
    }
    void TearDown() override { framework::scripting::Reset(); }
    testsupport::TempDir dir;
};

} // namespace

TEST_F(ProgramRunTest, SeveralOpenedDocumentsAreConvertedOneAfterAnother)
{
    const auto first = dir / "pierwsza książka.lit";
    const auto second = dir / "druga; książka.lit";
    CopyTestBook("krotka.lit", first);
    CopyTestBook("rozdzialy.lit", second);
    fs::create_directories(dir / "do pierwszej");
    fs::create_directories(dir / "do drugiej");
    QueueDialogAnswer(dir / "do pierwszej");
    QueueDialogAnswer(dir / "do drugiej");
    // How many folder dialogs had been shown when each outcome came.
    std::vector<std::size_t> dialogsAtMessage;
    framework::scripting::AnswerMessages(
        [&](const std::string&) { dialogsAtMessage.push_back(ShownDialogs().size()); });

    // Quits once both are through; the application object only exists inside the run.
    RunWhen([] { return ShownMessages().size() == 2 && !framework::RequestRunning(); },
            [] { framework::Quit(0); });
    const int status = runProgram({first, second});

    EXPECT_EQ(status, 0);
    ASSERT_EQ(ShownDialogs().size(), 2u);
    expectFolderDialog(ShownDialogs()[0]);
    expectFolderDialog(ShownDialogs()[1]);
    EXPECT_EQ(ShownMessages(), (std::vector<std::string>{"Gotowe!", "Gotowe!"}));
    EXPECT_EQ(dialogsAtMessage, (std::vector<std::size_t>{1, 2}));
    EXPECT_TRUE(FileNames(dir / "do pierwszej").count("krotka.html"));
    EXPECT_FALSE(FileNames(dir / "do pierwszej").count("rozdzialy_split_000.html"));
    EXPECT_TRUE(FileNames(dir / "do drugiej").count("rozdzialy_split_000.html"));
    EXPECT_FALSE(FileNames(dir / "do drugiej").count("krotka.html"));
}

TEST_F(ProgramRunTest, UnknownProcessorSaysSoOnceAndEndsTheRunWithZero)
{
    const auto book = dir / "książka.lit";
    CopyTestBook("krotka.lit", book);
    fs::create_directories(dir / "wynik");
    framework::scripting::SetProcessorAnswer(std::nullopt);
    QueueDialogAnswer(dir / "wynik");
    QueueDialogAnswer(dir / "wynik");

    // Nothing here quits: the failure itself must end the run, before the second document.
    const int status = runProgram({book, book});

    EXPECT_EQ(status, 0);
    EXPECT_EQ(ShownMessages(), std::vector<std::string>{"Błąd rozpoznawania procesora."});
    EXPECT_EQ(ShownDialogs().size(), 1u);
    EXPECT_TRUE(FileNames(dir / "wynik").empty());
}
