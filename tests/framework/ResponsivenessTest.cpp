// While the converter runs the program keeps to one thread and takes nothing new, yet its windows stay
// alive: timers fire, windows repaint, the pointer says it is busy, and input is dropped for good. Quitting
// asks first.
#include "framework/Application.h"
#include "support/Conversion.h"
#include "support/Program.h"
#include "ui/MenuNames.h"

#include <QApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>
#include <filesystem>
#include <fstream>

using framework::FileDialog;
using namespace testsupport;

namespace {

// A window of the program's own, with a text field, a button and an eye on its painting.
class WatchedWindow : public QWidget
{
public:
    WatchedWindow()
    {
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(edit);
        layout->addWidget(button);
        connect(button, &QPushButton::clicked, this, [this] { ++clicks; });
        connect(edit, &QLineEdit::returnPressed, this, [this] { ++returns; });
    }
    QLineEdit* edit = new QLineEdit(this);
    QPushButton* button = new QPushButton(QStringLiteral("Naciśnij"), this);
    int clicks = 0;
    int returns = 0;
    int paints = 0;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        ++paints;
        QWidget::paintEvent(event);
    }
};

// A converter that takes this long (unless ended) and writes down its process, when it starts and ends.
class ResponsivenessTest : public ScriptedTest
{
protected:
    void slowConverter(int seconds)
    {
        MakeConverterScript(dir / "konwerter", "echo $$ > '" + (dir / "pid") + "'\necho start >> '" + runs +
                                                   "'\nsleep " + std::to_string(seconds) +
                                                   " &\nwait\necho koniec >> '" + runs + "'");
        std::filesystem::create_directories(dir / "wynik");
        std::ofstream(dir / "książka.lit") << "nie jest to prawdziwa książka";
    }
    bool converterRunning() const { return ReadFile(runs) == "start\n"; }

    // Chooses the book and the destination from the menu command, once the event loop runs.
    void convertFromMenu()
    {
        script.QueueDialogAnswer(dir / "książka.lit");
        script.QueueDialogAnswer(dir / "wynik");
        RunWhen([] { return true; }, [] { TriggerMenuItem(ui::menu_names::kConvertFromDisk); });
    }

    enum class Request
    {
        Shortcut,    // Ctrl+Q
        CloseWindow, // the menu bar's window closed, as from its title bar
        Session,     // from outside the program's handlers, as when the session ends
    };

    // Asks to quit once the converter runs, and answers a question with the button; meanwhile counts the
    // ticks of a timer from the request on while the converter runs.
    int quitWhileConverting(Request request, QMessageBox::StandardButton answer = QMessageBox::NoButton)
    {
        std::filesystem::remove(runs);
        script = Script{};
        script.AnswerQuestions(answer);
        ticksAfterRequest = 0;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            if (!converterRunning() || ticksAfterRequest++ > 0) {
                return;
            }
            if (request == Request::Shortcut) {
                QTest::keyClick(MenuBarWindow()->windowHandle(), Qt::Key_Q, Qt::ControlModifier);
            } else if (request == Request::CloseWindow) {
                MenuBarWindow()->windowHandle()->close();
            } else {
                QCoreApplication::exit(0);
            }
        });
        const int status = RunProgram(
            {},
            [&] {
                ticker.start(50);
                convertFromMenu();
                if (answer == QMessageBox::No) {
                    QuitWhen([this] { return script.ShownMessages().size() == 2; });
                }
            },
            standIn);
        ticker.stop();
        return status;
    }

    TempDir dir;
    const std::string runs = dir / "przebiegi";
    int ticksAfterRequest = 0;
    std::shared_ptr<app::App> standIn = std::make_shared<AppInFolder>(dir / "konwerter");
};

const std::string kQuitQuestion = "Zamiana pliku .lit jeszcze trwa. Przerwać ją i zamknąć Zwojnik?";

} // namespace

TEST_F(ResponsivenessTest, WhileTheConverterRunsNothingNewStartsAndInputIsDroppedYetTheProgramLives)
{
    script.messagesAnswered = false; // the real message box
    slowConverter(3);
    WatchedWindow window;
    int ticksDuringRun = 0;
    int busyPointerTicks = 0;
    int paintsBeforeUpdate = -1;
    bool repaintedDuringRun = false;
    int ticksWithMessage = 0;
    std::string message;
    std::size_t dialogsWhenMessageShown = 0;
    bool idleShortcutWorked = false;
    const auto menuBarWindow = [] { return MenuBarWindow()->windowHandle(); };
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        if (converterRunning()) {
            ++ticksDuringRun;
            busyPointerTicks +=
                QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
            repaintedDuringRun |= paintsBeforeUpdate >= 0 && window.paints > paintsBeforeUpdate;
            if (ticksDuringRun == 4) {
                paintsBeforeUpdate = window.paints;
                window.update();
                // A second conversion asked for from the menu and by its shortcut, typing, a click, a
                // Return in the text field (sent and queued), and a document from the system.
                TriggerMenuItem(ui::menu_names::kConvertFromDisk);
                QTest::keyClick(menuBarWindow(), Qt::Key_O, Qt::ControlModifier);
                QTest::keyClicks(window.edit, QStringLiteral("abc"));
                QTest::mouseClick(window.button, Qt::LeftButton);
                QTest::keyClick(window.windowHandle(), Qt::Key_Return);
                QCoreApplication::postEvent(window.edit,
                                            new QKeyEvent(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier));
                framework::Runtime::Current()->OpenDocument(
                    framework::FolderItem::FromPath(dir / "książka.lit"));
            }
        }
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            if (++ticksWithMessage == 1) {
                message = box->text().toStdString();
                dialogsWhenMessageShown = script.ShownDialogs().size();
            } else if (ticksWithMessage == 3) {
                QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
            }
        }
    });

    const int status = RunProgram(
        {},
        [&] {
            window.show();
            QApplication::setActiveWindow(&window);
            window.edit->setFocus();
            ticker.start(50);
            RunWhen([] { return MenuBarWindow() != nullptr; },
                    [&] {
                        // Idle, the shortcut reaches the command: the open dialog is asked for and cancelled.
                        script.QueueDialogAnswer(std::nullopt);
                        QTest::keyClick(menuBarWindow(), Qt::Key_O, Qt::ControlModifier);
                        idleShortcutWorked = script.ShownDialogs().size() == 1;
                        // The conversion: the book, then the folder; the document that comes meanwhile gets
                        // its folder dialog afterwards, and is cancelled.
                        script.QueueDialogAnswer(dir / "książka.lit");
                        script.QueueDialogAnswer(dir / "wynik");
                        script.QueueDialogAnswer(std::nullopt);
                        TriggerMenuItem(ui::menu_names::kConvertFromDisk);
                        QuitWhen([this] { return script.ShownDialogs().size() == 4; });
                    });
        },
        standIn);
    ticker.stop();

    EXPECT_EQ(status, 0);
    EXPECT_TRUE(idleShortcutWorked) << "the shortcut does not reach the command even when idle";
    EXPECT_EQ(ReadFile(runs), "start\nkoniec\n") << "the converter ran once, whole";
    EXPECT_GE(ticksDuringRun, 10) << "the program's timers stopped while the converter ran";
    EXPECT_EQ(busyPointerTicks, ticksDuringRun) << "the pointer did not show that the program was busy";
    EXPECT_TRUE(repaintedDuringRun) << "the window did not repaint while the converter ran";
    EXPECT_TRUE(window.edit->text().isEmpty()) << "typing reached the text field";
    EXPECT_EQ(window.clicks, 0) << "a click reached the button";
    EXPECT_EQ(window.returns, 0) << "a Return reached the text field";
    EXPECT_EQ(message, "Gotowe!");
    EXPECT_GE(ticksWithMessage, 3) << "input from the run dismissed the outcome message";
    EXPECT_EQ(dialogsWhenMessageShown, 3u) << "a dialog came between the conversion and its message";
    ASSERT_EQ(script.ShownDialogs().size(), 4u);
    EXPECT_EQ(script.ShownDialogs()[1].kind, FileDialog::Kind::OpenFile);
    EXPECT_EQ(script.ShownDialogs()[3].kind, FileDialog::Kind::SelectFolder)
        << "the document came after, not before";
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// Quitting while the converter runs asks first: yes ends the converter and the program without an
// outcome, no lets the converter finish and report. A request to quit from outside the program's handlers
// does not freeze the windows: they live on until the converter has ended, whose message still comes.
TEST_F(ResponsivenessTest, QuittingWhileConvertingAsksFirstAndYesEndsTheConverterWhileNoLetsItReport)
{
    slowConverter(2);
    EXPECT_EQ(quitWhileConverting(Request::CloseWindow, QMessageBox::Yes), 0);
    EXPECT_FALSE(ProcessRunning(std::stoi(ReadFile(dir / "pid"))));
    EXPECT_EQ(ReadFile(runs), "start\n") << "the converter was not ended";
    EXPECT_EQ(script.ShownMessages(), std::vector<std::string>{kQuitQuestion}) << "an outcome was shown";

    EXPECT_EQ(quitWhileConverting(Request::Shortcut, QMessageBox::No), 0);
    EXPECT_EQ(ReadFile(runs), "start\nkoniec\n") << "the converter was ended";
    EXPECT_EQ(script.ShownMessages(), (std::vector<std::string>{kQuitQuestion, "Gotowe!"}));

    EXPECT_EQ(quitWhileConverting(Request::Session), 0);
    EXPECT_EQ(ReadFile(runs), "start\nkoniec\n");
    EXPECT_GE(ticksAfterRequest, 10) << "the windows froze once quitting was asked for";
    EXPECT_EQ(script.ShownMessages(), std::vector<std::string>{"Gotowe!"});
}
