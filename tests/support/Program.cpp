#include "support/Program.h"

#include "framework/Application.h"
#include "support/FileDialogs.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QFileDialog>
#include <QMainWindow>
#include <QTest>
#include <QTimer>

namespace testsupport {

namespace {
char programName[] = "zwojnik";
char* programArguments[] = {programName, nullptr};
} // namespace

RuntimeTest::RuntimeTest()
    : runtime(1, programArguments, app::Identity(), std::make_unique<ScriptedPlatform>(script))
{}

int RunProgram(Script& script, std::vector<std::string> documents, const std::function<void()>& atEventLoop,
               std::shared_ptr<app::App> application)
{
    documents.insert(documents.begin(), "zwojnik");
    std::vector<char*> argv;
    for (auto& argument : documents) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    // Should the run not end, this ends it, and the test fails instead of waiting for ever.
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] {
        ADD_FAILURE() << "the program did not end";
        QCoreApplication::exit(99);
    });
    guard.start(60000);
    return app::Run(
        static_cast<int>(documents.size()), argv.data(), std::make_unique<ScriptedPlatform>(script), [&] {
            // Made at start-up, before the event loop: the loop's first event is the test's.
            if (atEventLoop) {
                QTimer::singleShot(0, qApp, atEventLoop);
            }
            return application ? std::exchange(application, nullptr) : std::make_shared<app::App>();
        });
}

void QuitWhen(std::function<bool()> ready)
{
    RunWhen([ready] { return ready() && !framework::RequestRunning(); }, [] { TriggerMenuItem("FileQuit"); });
}

void RecordingApp::Event_OpenDocument(const framework::FolderItemPtr& item)
{
    events.push_back("begin " + item->NativePath());
    app::App::Event_OpenDocument(item);
    events.push_back("end " + item->NativePath());
}

framework::FolderItemPtr AppInFolder::ExecutableFile() const
{
    return framework::FolderItem::FromPath(mFolder + "/zwojnik");
}

std::vector<std::string> OpenedInTurn(const std::vector<std::string>& paths)
{
    std::vector<std::string> events;
    for (const auto& path : paths) {
        events.push_back("begin " + path);
        events.push_back("end " + path);
    }
    return events;
}

QMainWindow* MenuBarWindow()
{
    for (auto* widget : QApplication::topLevelWidgets()) {
        if (auto* window = qobject_cast<QMainWindow*>(widget); window && window->isVisible()) {
            return window;
        }
    }
    return nullptr;
}

QFileDialog* ShownFileDialog(const std::string& title)
{
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    const bool shown = dialog && dialog->isVisible() &&
                       (title.empty() || dialog->windowTitle() == QString::fromStdString(title));
    return shown ? dialog : nullptr;
}

void TypeIntoFileDialog(QFileDialog& dialog, const std::string& path)
{
    TypePath(dialog, path);
}

} // namespace testsupport
