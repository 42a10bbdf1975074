#pragma once

#include "framework/Files.h"
#include "framework/Text.h"

#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace framework {

class MenuBar;
class Platform;
namespace detail {
struct RuntimeState;
}

// The base of the program's application class. The framework raises its events on the main thread,
// one at a time, and never while another event, menu command or control event is still running.
class Application
{
public:
    using MenuHandler = std::function<bool()>;

    virtual ~Application() = default;

    virtual void Event_Open() {}
    // The documents that arrived together: one launch's, one hand-over's, one drop's, in their order.
    // By default each is opened in turn, until the program quits.
    virtual void Event_OpenDocuments(const std::vector<FolderItemPtr>& items);
    virtual void Event_OpenDocument(const FolderItemPtr& item) { (void)item; }
    virtual void Event_Close() {}

    // Whether folders dropped on the program are taken as documents, as files of its types are.
    void SetTakesFolders(bool takes) { mTakesFolders = takes; }
    bool TakesFolders() const { return mTakesFolders; }

    // Binds the handler to every menu item whose Name is exactly this (byte for byte).
    void AddMenuHandler(const String& itemName, MenuHandler handler);
    const MenuHandler* MenuHandlerFor(const String& itemName) const;

    void SetMenuBar(std::shared_ptr<framework::MenuBar> menuBar);
    std::shared_ptr<framework::MenuBar> MenuBar() const { return mMenuBar; }

    // The running program's executable, links resolved.
    FolderItemPtr ExecutableFile() const;

    // The registered application object, or nothing before registration.
    static std::shared_ptr<Application> Instance();
    static void Register(std::shared_ptr<Application> application);

private:
    std::map<String, MenuHandler> mMenuHandlers;
    std::shared_ptr<framework::MenuBar> mMenuBar;
    bool mTakesFolders = false;
};

// Why Qt could not start: there is no display to show windows on, or Qt gave another reason.
struct StartFailure
{
    bool noDisplay = false;
    String reason; // what Qt said, a message a line
};

// What the framework shows of the program it runs.
struct ProgramIdentity
{
    String name;        // the title of its message boxes and of the window that holds its menus
    String desktopName; // its desktop entry, and its icon in the icon theme and among the resources
    // Tells the user why the program cannot start; the process then ends with status 1.
    std::function<void(const StartFailure&)> tellStartFailure;
};

// Requests the end of the program with this exit status. The first request raises Close; a request
// made while the program is already quitting raises nothing more.
void Quit(int status);

// The framework runtime: one per process run, created by the process entry before anything else.
class Runtime
{
public:
    // All arguments but the first are the documents to open; the framework takes no options. When the
    // program already runs for this user and display, the documents are handed over to it. Without a
    // platform, Qt's serves.
    Runtime(int argc, char** argv, const ProgramIdentity& program);
    Runtime(int argc, char** argv, const ProgramIdentity& program, std::unique_ptr<Platform>&& platform);
    ~Runtime();

    // Runs the event loop: raises Open, delivers the launch's documents together, then dispatches
    // until the program quits. An exception raised by a handler ends the loop and is raised again here.
    void RunEventLoop();

    // Shows one message box that names the exception. The exit status becomes 1.
    void HandleUnhandledException(std::exception_ptr exception);

    // Hands documents that arrived together to the application's OpenDocuments event, as one request, as
    // soon as no request is running.
    void OpenDocuments(std::vector<FolderItemPtr> items);
    void OpenDocument(const FolderItemPtr& item) { OpenDocuments({item}); }

    // True when the running program took this launch's documents: this process has nothing to do.
    bool HandedOver() const;

    // Releases the registered application object and returns the process exit status.
    int Exit();

    static Runtime* Current();

private:
    std::unique_ptr<detail::RuntimeState> mState;
};

// Runs a call from the framework into the program: it is one request, during which no other event,
// command or document reaches the program. An exception leaving the call ends the event loop.
void DispatchRequest(const std::function<void()>& call);
bool RequestRunning();

} // namespace framework
