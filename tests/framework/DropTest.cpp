#include "framework/Scripting.h"
#include "support/TempDir.h"
#include "tests/framework/ProgramRun.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <set>

namespace fs = std::filesystem;

using desktoptest::HasFile;
using desktoptest::OpenedInTurn;
using desktoptest::RecordingApp;
using desktoptest::RunProgram;
using framework::scripting::ShownDialogs;
using framework::scripting::ShownMessages;
using testsupport::RunWhen;
using testsupport::TriggerMenuItem;

namespace {

class DropTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        framework::scripting::Reset();
        framework::scripting::RecordURLs();
    }
    void TearDown() override { framework::scripting::Reset(); }

    testsupport::TempDir dir;
};

struct DropOutcome
{
    bool enterAccepted = false;
    bool dropAccepted = false;
};

// Drags the URLs over the menu-bar window and lets go, as a file manager does.
DropOutcome dropOnMenuBarWindow(const QList<QUrl>& urls)
{
    auto* window = desktoptest::MenuBarWindow();
    if (!window) {
        ADD_FAILURE() << "no menu-bar window";
        return {};
    }
    QMimeData data;
    data.setUrls(urls);
    const QPoint middle = window->rect().center();
    QDragEnterEvent enter(middle, Qt::CopyAction | Qt::LinkAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &enter);
    QDropEvent drop(middle, Qt::CopyAction | Qt::LinkAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &drop);
    return {enter.isAccepted(), drop.isAccepted()};
}

QUrl fileUrl(const std::string& path)
{
    return QUrl::fromLocalFile(QString::fromStdString(path));
}

std::set<std::string> htmlFilesIn(const fs::path& folder)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().extension() == ".html") {
            names.insert(entry.path().filename().string());
        }
    }
    return names;
}

} // namespace

TEST_F(DropTest, TwoBooksDroppedTogetherAreConvertedOneAfterTheOther)
{
    const auto shortBook = dir / "krótka książka.lit";
    const auto longBook = dir / "rozdziały.lit";
    const fs::path firstOutput = dir / "wynik 1";
    const fs::path secondOutput = dir / "wynik 2";
    fs::copy_file(desktoptest::TestBook("krotka.lit"), shortBook);
    fs::copy_file(desktoptest::TestBook("rozdzialy.lit"), longBook);
    fs::create_directory(firstOutput);
    fs::create_directory(secondOutput);
    framework::scripting::QueueDialogAnswer(firstOutput.string());
    framework::scripting::QueueDialogAnswer(secondOutput.string());

    // What was on disk as each outcome was reported.
    std::vector<std::pair<std::set<std::string>, std::set<std::string>>> onDisk;
    framework::scripting::AnswerMessages([&](const std::string&) {
        onDisk.emplace_back(htmlFilesIn(firstOutput), htmlFilesIn(secondOutput));
    });
    DropOutcome outcome;
    std::shared_ptr<RecordingApp> recording;
    const int status = RunProgram({}, recording, [&] {
        RunWhen([] { return desktoptest::MenuBarWindow() != nullptr; },
                [&] {
                    outcome = dropOnMenuBarWindow({fileUrl(shortBook), fileUrl(longBook)});
                });
        RunWhen([&] { return recording->events.size() == 4 && !framework::RequestRunning(); },
                [] { TriggerMenuItem("FileQuit"); });
    });

    EXPECT_EQ(status, 0);
    EXPECT_TRUE(outcome.enterAccepted);
    EXPECT_TRUE(outcome.dropAccepted);
    EXPECT_EQ(recording->events, OpenedInTurn({shortBook, longBook}));
    EXPECT_EQ(ShownMessages(), (std::vector<std::string>{"Gotowe!", "Gotowe!"}));
    ASSERT_EQ(onDisk.size(), 2u);
    EXPECT_EQ(onDisk[0].first, std::set<std::string>{"krotka.html"});
    EXPECT_TRUE(onDisk[0].second.empty()) << "the second book waits until the first one is done";
    EXPECT_EQ(onDisk[1].second.size(), 24u) << "all chapters of the second book";
    EXPECT_EQ(onDisk[1].second.count("rozdzialy_split_023.html"), 1u);
}

TEST_F(DropTest, OnlyBooksOfTheRegisteredTypeAreTakenFromADrop)
{
    const auto upperCaseBook = dir / "KROTKA.LIT";
    fs::copy_file(desktoptest::TestBook("krotka.lit"), upperCaseBook);
    std::ofstream(dir / "notatki.txt") << "nie książka";
    fs::create_directory(dir / "teczka.lit");
    framework::scripting::AnswerMessages();
    framework::scripting::QueueDialogAnswer(std::nullopt);

    DropOutcome mixed;
    DropOutcome nothingToTake;
    std::shared_ptr<RecordingApp> recording;
    const int status = RunProgram({}, recording, [&] {
        RunWhen([] { return desktoptest::MenuBarWindow() != nullptr; },
                [&] {
                    nothingToTake = dropOnMenuBarWindow(
                        {fileUrl(dir / "notatki.txt"), fileUrl(dir / "teczka.lit"), fileUrl(dir / "brak.lit"),
                         QUrl(QStringLiteral("https://example.com/zdalna.lit"))});
                    mixed = dropOnMenuBarWindow({fileUrl(dir / "notatki.txt"), fileUrl(upperCaseBook)});
                });
        RunWhen([&] { return recording->events.size() == 2 && !framework::RequestRunning(); },
                [] { TriggerMenuItem("FileQuit"); });
    });

    EXPECT_EQ(status, 0);
    EXPECT_FALSE(nothingToTake.enterAccepted) << "a folder, a missing file, a text file and a remote book";
    EXPECT_FALSE(nothingToTake.dropAccepted);
    EXPECT_TRUE(mixed.enterAccepted);
    EXPECT_TRUE(mixed.dropAccepted);
    EXPECT_EQ(recording->events, OpenedInTurn({upperCaseBook}));
    ASSERT_EQ(ShownDialogs().size(), 1u);
    EXPECT_EQ(ShownDialogs()[0].kind, framework::FileDialog::Kind::SelectFolder);
    EXPECT_TRUE(ShownMessages().empty());
}
