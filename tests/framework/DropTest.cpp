#include "support/Conversion.h"
#include "support/Program.h"

#include <QApplication>
#include <QDropEvent>
#include <QMainWindow>
#include <QMimeData>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

using namespace testsupport;

namespace {

// Drags the files over the menu-bar window and lets go, as a file manager does; yields whether the
// window took the drag and the drop.
std::pair<bool, bool> dropOnMenuBarWindow(const std::vector<std::string>& paths, const QUrl& remote = {})
{
    QList<QUrl> urls{remote};
    for (const auto& path : paths) {
        urls << QUrl::fromLocalFile(QString::fromStdString(path));
    }
    QMimeData data;
    data.setUrls(urls);
    const QPoint middle = MenuBarWindow()->rect().center();
    QDragEnterEvent enter(middle, Qt::CopyAction | Qt::LinkAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(MenuBarWindow(), &enter);
    QDropEvent drop(middle, Qt::CopyAction | Qt::LinkAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(MenuBarWindow(), &drop);
    return {enter.isAccepted(), drop.isAccepted()};
}

} // namespace

using DropTest = ScriptedTest;

TEST_F(DropTest, BooksDroppedTogetherAreConvertedOneAfterTheOtherAndNothingElseIsTaken)
{
    TempDir dir;
    const auto shortBook = dir / "krótka książka.lit";
    const auto longBook = dir / "ROZDZIAŁY.LIT";
    CopyTestBook("krotka.lit", shortBook);
    CopyTestBook("rozdzialy.lit", longBook);
    std::ofstream(dir / "notatki.txt") << "nie książka";
    fs::create_directories(dir / "teczka.lit");
    fs::create_directories(dir / "wynik 1");
    fs::create_directories(dir / "wynik 2");
    script.QueueDialogAnswer(dir / "wynik 1");
    script.QueueDialogAnswer(dir / "wynik 2");
    // Whether the second book's last chapter was there as each outcome was reported.
    std::vector<std::size_t> lastChapterAtMessage;
    script.AnswerMessages([&](const std::string&) {
        lastChapterAtMessage.push_back(FileNames(dir / "wynik 2").count("rozdzialy_split_023.html"));
    });
    std::pair<bool, bool> nothingToTake;
    std::pair<bool, bool> books;
    auto recording = std::make_shared<RecordingApp>();

    const int status = RunProgram(
        {},
        [&] {
            RunWhen([] { return MenuBarWindow() != nullptr; },
                    [&] {
                        nothingToTake =
                            dropOnMenuBarWindow({dir / "notatki.txt", dir / "teczka.lit", dir / "brak.lit"},
                                                QUrl(QStringLiteral("https://example.com/zdalna.lit")));
                        books = dropOnMenuBarWindow({shortBook, dir / "notatki.txt", longBook});
                    });
            QuitWhen([&] { return recording->events.size() == 4; });
        },
        recording);

    EXPECT_EQ(status, 0);
    EXPECT_EQ(nothingToTake, std::pair(false, false))
        << "a text file, a folder, a missing file, a remote book";
    EXPECT_EQ(books, std::pair(true, true));
    EXPECT_EQ(recording->events, OpenedInTurn({shortBook, longBook}));
    EXPECT_EQ(script.ShownMessages(), (std::vector<std::string>{"Gotowe!", "Gotowe!"}));
    EXPECT_TRUE(FileNames(dir / "wynik 1").count("krotka.html"));
    EXPECT_EQ(lastChapterAtMessage, (std::vector<std::size_t>{0, 1}))
        << "the second book waits for the first";
}
