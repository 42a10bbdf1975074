// While the converter runs the program keeps to one thread and takes nothing new, yet its windows stay
// alive: timers fire, windows repaint, the pointer says it is busy, and input is dropped for good.
#include "app/App.h"
#include "app/Startup.h"
#include "framework/Application.h"
#include "framework/Files.h"
#include "framework/Scripting.h"
#include "support/TempDir.h"
#include "ui/MenuNames.h"

#include <QApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;

using framework::FileDialog;
using framework::scripting::QueueDialogAnswer;
using framework::scripting::ShownDialogs;
using testsupport::RunWhen;
using testsupport::TempDir;
using testsupport::TriggerMenuItem;

namespace {

// The application object, with the converter taken from a folder of the test's own.
class StandInConverterApp : public app::App
{
public:
    explicit StandInConverterApp(std::string converterFolder) : mConverterFolder(std::move(converterFolder))
    {}
    void konwertuj(const std::string&, const std::string& sourcePath,
                   const std::string& targetFolderPath) override
    {
        app::App::konwertuj(framework::FolderItem::FromPath(mConverterFolder)->ShellPath(), sourcePath,
                            targetFolderPath);
    }

private:
    std::string mConverterFolder;
};

// A window of the program's own, with a text field, a button and an eye on its painting.
class WatchedWindow : public QWidget
{
public:
    WatchedWindow()
    {
        auto* layout = new QVBoxLayout(this);
        edit = new QLineEdit(this);
        button = new QPushButton(QStringLiteral("Naciśnij"), this);
        layout->addWidget(edit);
        layout->addWidget(button);
        connect(button, &QPushButton::clicked, this, [this] { ++clicks; });
        connect(edit, &QLineEdit::returnPressed, this, [this] { ++returns; });
    }
    QLineEdit* edit = nullptr;
    QPushButton* button = nullptr;
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

// Notes every message box that appears and whether it went away by itself.
class MessageBoxWatch : public QObject
{
public:
    MessageBoxWatch() { qApp->installEventFilter(this); }
    ~MessageBoxWatch() override { qApp->removeEventFilter(this); }
    int shown = 0;
    int hiddenUnasked = 0;
    bool closing = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (qobject_cast<QMessageBox*>(watched)) {
            if (event->type() == QEvent::Show) {
                ++shown;
            } else if (event->type() == QEvent::Hide && !closing) {
                ++hiddenUnasked;
            }
        }
        return false;
    }
};

QWindow* menuBarWindow()
{
    for (auto* widget : QApplication::topLevelWidgets()) {
        if (qobject_cast<QMainWindow*>(widget) && widget->isVisible()) {
            return widget->windowHandle();
        }
    }
    return nullptr;
}

std::vector<std::string> lines(const std::string& path)
{
    std::ifstream in(path);
    std::vector<std::string> read;
    for (std::string line; std::getline(in, line);) {
        read.push_back(line);
    }
    return read;
}

int run(const app::StepObserver& observe)
{
    std::string name = "zwojnik";
    char* argv[] = {name.data(), nullptr};
    return app::Run(1, argv, observe);
}

} // namespace

TEST(Responsiveness, WhileTheConverterRunsNothingNewStartsAndInputIsDroppedYetTheProgramLives)
{
    framework::scripting::Reset();
    TempDir dir;
    const auto converterFolder = dir / "konwerter";
    const auto runs = dir / "przebiegi";
    const auto book = dir / "książka.lit";
    const auto destination = dir / "wynik";
    fs::create_directories(converterFolder);
    fs::create_directories(destination);
    std::ofstream(book) << "nie jest to prawdziwa książka";
    {
        std::ofstream script(converterFolder + "/clit-intel");
        script << "#!/bin/sh\necho start >> '" << runs << "'\nsleep 3\necho koniec >> '" << runs << "'\n";
    }
    fs::permissions(converterFolder + "/clit-intel", fs::perms::owner_all);
    const auto converterRunning = [&runs] { return lines(runs) == std::vector<std::string>{"start"}; };

    WatchedWindow window;
    MessageBoxWatch messageBoxes;
    int ticksDuringRun = 0;
    int busyPointerTicks = 0;
    int paintsBeforeUpdate = -1;
    bool repaintedDuringRun = false;
    int ticksWithMessage = 0;
    std::string message;
    std::size_t dialogsWhenMessageShown = 0;
    bool idleShortcutWorked = false;
    QTimer ticker;
    ticker.setInterval(50);

    QObject::connect(&ticker, &QTimer::timeout, [&] {
        if (converterRunning()) {
            ++ticksDuringRun;
            if (QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor) {
                ++busyPointerTicks;
            }
            if (paintsBeforeUpdate >= 0 && window.paints > paintsBeforeUpdate) {
                repaintedDuringRun = true;
            }
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
                framework::Runtime::Current()->OpenDocument(framework::FolderItem::FromPath(book));
            }
        }
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            if (++ticksWithMessage == 1) {
                message = box->text().toStdString();
                dialogsWhenMessageShown = ShownDialogs().size();
            } else if (ticksWithMessage == 3) {
                messageBoxes.closing = true;
                QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
                messageBoxes.closing = false;
            }
        }
    });

    const int status = run([&](std::string_view step) {
        if (step == "menu handlers") {
            auto standIn = std::make_shared<StandInConverterApp>(converterFolder);
            standIn->SetMenuBar(framework::Application::Instance()->MenuBar());
            framework::Application::Register(standIn);
        } else if (step == "event loop") {
            window.show();
            QApplication::setActiveWindow(&window);
            window.edit->setFocus();
            ticker.start();
            RunWhen([] { return menuBarWindow() != nullptr; },
                    [&] {
                        // Idle, the shortcut reaches the command: the open dialog is asked for and cancelled.
                        QueueDialogAnswer(std::nullopt);
                        QTest::keyClick(menuBarWindow(), Qt::Key_O, Qt::ControlModifier);
                        idleShortcutWorked = ShownDialogs().size() == 1;
                        // The conversion: the book, then the folder; the document that comes meanwhile gets
                        // its folder dialog afterwards, and is cancelled.
                        QueueDialogAnswer(book);
                        QueueDialogAnswer(destination);
                        QueueDialogAnswer(std::nullopt);
                        TriggerMenuItem(ui::menu_names::kConvertFromDisk);
                        RunWhen([] { return ShownDialogs().size() == 4 && !framework::RequestRunning(); },
                                [] { TriggerMenuItem("FileQuit"); });
                    });
        }
    });
    ticker.stop();

    EXPECT_EQ(status, 0);
    EXPECT_TRUE(idleShortcutWorked) << "the shortcut does not reach the command even when idle";
    EXPECT_EQ(lines(runs), (std::vector<std::string>{"start", "koniec"})) << "the converter ran once, whole";

    EXPECT_GE(ticksDuringRun, 10) << "the program's timers stopped while the converter ran";
    EXPECT_EQ(busyPointerTicks, ticksDuringRun) << "the pointer did not show that the program was busy";
    EXPECT_TRUE(repaintedDuringRun) << "the window did not repaint while the converter ran";

    EXPECT_TRUE(window.edit->text().isEmpty()) << "typing reached the text field";
    EXPECT_EQ(window.clicks, 0) << "a click reached the button";
    EXPECT_EQ(window.returns, 0) << "a Return reached the text field";

    EXPECT_EQ(message, "Gotowe!");
    EXPECT_EQ(messageBoxes.shown, 1);
    EXPECT_EQ(messageBoxes.hiddenUnasked, 0) << "input from the run dismissed the outcome message";
    EXPECT_GE(ticksWithMessage, 3);
    ASSERT_EQ(dialogsWhenMessageShown, 3u) << "a dialog came between the conversion and its message";
    ASSERT_EQ(ShownDialogs().size(), 4u);
    EXPECT_EQ(ShownDialogs()[1].kind, FileDialog::Kind::OpenFile);
    EXPECT_EQ(ShownDialogs()[2].kind, FileDialog::Kind::SelectFolder);
    EXPECT_EQ(ShownDialogs()[3].kind, FileDialog::Kind::SelectFolder)
        << "the document came after, not before";
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    framework::scripting::Reset();
}

// A request to quit that comes from outside the program's handlers while the converter runs (the
// system's session ending) does not freeze the windows: they live on until the converter has ended,
// and the conversion still ends with its message.
TEST(Responsiveness, QuitRequestedWhileTheConverterRunsLeavesTheWindowsAliveUntilItEnds)
{
    framework::scripting::Reset();
    framework::scripting::AnswerMessages();
    TempDir dir;
    const auto converterFolder = dir / "konwerter";
    const auto runs = dir / "przebiegi";
    fs::create_directories(converterFolder);
    fs::create_directories(dir / "wynik");
    std::ofstream(dir / "książka.lit") << "nie jest to prawdziwa książka";
    {
        std::ofstream script(converterFolder + "/clit-intel");
        script << "#!/bin/sh\necho start >> '" << runs << "'\nsleep 2\necho koniec >> '" << runs << "'\n";
    }
    fs::permissions(converterFolder + "/clit-intel", fs::perms::owner_all);

    int ticksAfterQuitRequest = -1;
    QTimer ticker;
    ticker.setInterval(50);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        if (lines(runs) != std::vector<std::string>{"start"}) {
            return;
        }
        if (ticksAfterQuitRequest < 0) {
            QCoreApplication::exit(0);
        }
        ++ticksAfterQuitRequest;
    });

    const int status = run([&](std::string_view step) {
        if (step == "menu handlers") {
            auto standIn = std::make_shared<StandInConverterApp>(converterFolder);
            standIn->SetMenuBar(framework::Application::Instance()->MenuBar());
            framework::Application::Register(standIn);
        } else if (step == "event loop") {
            ticker.start();
            RunWhen([] { return true; },
                    [&] {
                        QueueDialogAnswer(dir / "książka.lit");
                        QueueDialogAnswer(dir / "wynik");
                        TriggerMenuItem(ui::menu_names::kConvertFromDisk);
                    });
        }
    });
    ticker.stop();

    EXPECT_EQ(status, 0);
    EXPECT_EQ(lines(runs), (std::vector<std::string>{"start", "koniec"}));
    EXPECT_GE(ticksAfterQuitRequest, 10) << "the windows froze once quitting was asked for";
    EXPECT_EQ(framework::scripting::ShownMessages(), std::vector<std::string>{"Gotowe!"});
    framework::scripting::Reset();
}
