#include "support/Program.h"

#include "framework/Application.h"
#include "library_window/Questions.h"
#include "library_window/ReportWindow.h"
#include "support/FileDialogs.h"
#include "support/TempDir.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMainWindow>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

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

namespace {
std::string joined(const std::vector<std::string>& paths)
{
    std::string text;
    for (const auto& path : paths) {
        text += (text.empty() ? "" : " | ") + path;
    }
    return text;
}
} // namespace

void RecordingApp::Event_OpenDocuments(const std::vector<framework::FolderItemPtr>& items)
{
    std::vector<std::string> paths;
    for (const auto& item : items) {
        paths.push_back(item->NativePath());
    }
    events.push_back("begin " + joined(paths));
    app::App::Event_OpenDocuments(items);
    events.push_back("end " + joined(paths));
}

framework::FolderItemPtr AppInFolder::ExecutableFile() const
{
    return framework::FolderItem::FromPath(mFolder + "/zwojnik");
}

std::vector<std::string> OpenedInTurn(const std::vector<std::vector<std::string>>& groups)
{
    std::vector<std::string> events;
    for (const auto& group : groups) {
        events.push_back("begin " + joined(group));
        events.push_back("end " + joined(group));
    }
    return events;
}

LibraryAnswers::LibraryAnswers(std::string destination, std::string format)
    : mDestination(std::move(destination)), mFormat(std::move(format)), mWatch(std::make_unique<QTimer>())
{
    QObject::connect(mWatch.get(), &QTimer::timeout, [this] { answer(); });
    mWatch->start(5);
}

LibraryAnswers::~LibraryAnswers() = default;

void LibraryAnswers::answer()
{
    auto* shown = QApplication::activeModalWidget();
    if (!shown || !shown->isVisible() || shown == mAnswered) {
        return;
    }
    if (auto* dialog = qobject_cast<QFileDialog*>(shown);
        dialog && dialog->windowTitle() == library_window::kDestinationTitle) {
        mAnswered = dialog;
        destinationStarts.push_back(dialog->directory().absolutePath().toStdString());
        TypePath(*dialog, mDestination);
    } else if (auto* box = qobject_cast<QMessageBox*>(shown)) {
        mAnswered = box;
        if (box->text() != library_window::kFormatQuestion) {
            messages.push_back(box->text().toStdString());
            box->button(QMessageBox::Ok)->click();
            return;
        }
        ++formatQuestions;
        for (auto* button : box->buttons()) {
            if (button->text() == QString::fromStdString(mFormat)) {
                button->click();
            }
        }
    } else if (auto* report = dynamic_cast<library_window::ReportWindow*>(shown)) {
        mAnswered = report;
        auto& lines = reportLines.emplace_back();
        for (int row = 0; row < report->Books()->topLevelItemCount(); ++row) {
            lines.push_back(report->Books()->topLevelItem(row)->text(0).toStdString());
        }
        report->accept();
    }
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
