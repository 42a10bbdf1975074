#pragma once

// The program as the tests drive it: scripted answers, the whole run in the test process, and the
// person at the screen.

#include "app/App.h"
#include "app/Startup.h"
#include "framework/Application.h"
#include "support/ScriptedPlatform.h"
#include "support/TempDir.h"

#include <QPointer>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

class QFileDialog;
class QMainWindow;
class QTimer;

namespace testsupport {

// Runs the program (start-up, event loop, shut-down) launched with these documents, answered by the
// script, and yields its exit status. The application object, when given, is made in the program's own
// place; the run holds it no longer than the program does. atEventLoop runs as the event loop begins,
// before the application's Open event. A run still going after a minute fails the test and is ended.
int RunProgram(Script& script, std::vector<std::string> documents,
               const std::function<void()>& atEventLoop = {},
               std::shared_ptr<app::App> application = nullptr);

// Message boxes answered and URLs recorded; nothing else scripted.
class ScriptedTest : public ::testing::Test
{
protected:
    int RunProgram(std::vector<std::string> documents, const std::function<void()>& atEventLoop = {},
                   std::shared_ptr<app::App> application = nullptr)
    {
        return testsupport::RunProgram(script, std::move(documents), atEventLoop, std::move(application));
    }

    Script script;
};

// The framework running under the script, without the program: its windows, document types and
// application object go with the test.
class RuntimeTest : public ScriptedTest
{
protected:
    framework::Runtime runtime;
    RuntimeTest();
};

// Quits from the menu once ready() holds and no request runs.
void QuitWhen(std::function<bool()> ready);

// The application object, writing down when each request for documents that arrived together begins
// and ends.
class RecordingApp : public app::App
{
public:
    void Event_OpenDocuments(const std::vector<framework::FolderItemPtr>& items) override;
    std::vector<std::string> events;
};

// The application object, as if the program's executable stood in this folder: the converter is
// looked for beside it.
class AppInFolder : public app::App
{
public:
    explicit AppInFolder(std::string folder) : mFolder(std::move(folder)) {}
    framework::FolderItemPtr ExecutableFile() const override;

private:
    std::string mFolder;
};

// RecordingApp's events for groups of documents opened whole, one group after the other.
std::vector<std::string> OpenedInTurn(const std::vector<std::vector<std::string>>& groups);

// The person at the library's dialogs: while this lives, they are answered whenever they come, the
// destination and the format as given, the other messages with OK; each report is read and closed.
class LibraryAnswers
{
public:
    explicit LibraryAnswers(std::string destination, std::string format = "HTML");
    ~LibraryAnswers();
    LibraryAnswers(const LibraryAnswers&) = delete;
    LibraryAnswers& operator=(const LibraryAnswers&) = delete;

    std::vector<std::string> destinationStarts; // the folder each destination dialog opened in
    int formatQuestions = 0;
    std::vector<std::string> messages;                 // the texts of the other message boxes
    std::vector<std::vector<std::string>> reportLines; // each report's lines

private:
    void answer();

    std::string mDestination;
    std::string mFormat;
    std::unique_ptr<QTimer> mWatch;
    QPointer<QWidget> mAnswered;
};

QMainWindow* MenuBarWindow();
// The file dialog on screen (with this title, when one is given), or nothing.
QFileDialog* ShownFileDialog(const std::string& title = {});
// Types the path into the dialog's name field and presses Return.
void TypeIntoFileDialog(QFileDialog& dialog, const std::string& path);

} // namespace testsupport
