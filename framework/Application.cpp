#include "framework/Application.h"

#include "framework/Exceptions.h"
#include "framework/Menus.h"
#include "framework/Messages.h"
#include "framework/detail/QtStart.h"
#include "framework/detail/QtValues.h"
#include "framework/detail/RuntimeState.h"

#include <QIcon>
#include <QLibraryInfo>
#include <QTimer>

namespace framework {

using detail::qt;
using detail::RuntimeState;

namespace {

RuntimeState* current = nullptr;

// Each call and group of documents waiting runs as a request of its own, the next once this one has ended.
void schedulePump()
{
    QTimer::singleShot(0, qApp, [] {
        auto* s = current;
        if (!s || s->requestDepth != 0 || s->quitting || s->pendingException) {
            return;
        }
        if (!s->pendingCalls.empty()) {
            const auto call = std::move(s->pendingCalls.front());
            s->pendingCalls.pop_front();
            DispatchRequest(call);
        } else if (!s->pendingDocuments.empty() && s->application && s->opened) {
            auto items = std::move(s->pendingDocuments.front());
            s->pendingDocuments.pop_front();
            DispatchRequest([&] { s->application->Event_OpenDocuments(items); });
        }
    });
}

// A launch without documents asks the running program to show itself.
void receiveHandedOverDocuments(const std::vector<String>& paths)
{
    auto& s = detail::RequireState();
    if (paths.empty() && s.menuBarWindow && s.menuBarWindow->isVisible()) {
        s.menuBarWindow->setWindowState(s.menuBarWindow->windowState() & ~Qt::WindowMinimized);
        s.menuBarWindow->raise();
        s.menuBarWindow->activateWindow();
    }
    std::vector<FolderItemPtr> items;
    for (const auto& path : paths) {
        items.push_back(FolderItem::FromPath(path));
    }
    s.runtime->OpenDocuments(std::move(items));
}

} // namespace

void Application::Event_OpenDocuments(const std::vector<FolderItemPtr>& items)
{
    for (const auto& item : items) {
        if (current && current->quitting) {
            return;
        }
        Event_OpenDocument(item);
    }
}

void Application::AddMenuHandler(const String& itemName, MenuHandler handler)
{
    mMenuHandlers.emplace(itemName, std::move(handler));
}

const Application::MenuHandler* Application::MenuHandlerFor(const String& itemName) const
{
    const auto found = mMenuHandlers.find(itemName);
    return found == mMenuHandlers.end() ? nullptr : &found->second;
}

void Application::SetMenuBar(std::shared_ptr<framework::MenuBar> menuBar)
{
    mMenuBar = std::move(menuBar);
    auto& s = detail::RequireState();
    s.menuBarWindow = mMenuBar ? std::make_unique<detail::MenuBarWindow>(*mMenuBar) : nullptr;
}

FolderItemPtr Application::ExecutableFile() const
{
    // Qt resolves its links.
    const auto path = QCoreApplication::applicationFilePath();
    return path.isEmpty() ? nullptr : FolderItem::FromPath(path.toStdString());
}

std::shared_ptr<Application> Application::Instance()
{
    return current ? current->application : nullptr;
}

void Application::Register(std::shared_ptr<Application> application)
{
    detail::RequireState().application = std::move(application);
}

void Quit(int status)
{
    auto& s = detail::RequireState();
    s.exitStatus = status;
    if (!std::exchange(s.quitting, true) && s.application) {
        s.application->Event_Close();
    }
    QCoreApplication::exit(s.exitStatus);
}

namespace detail {
RuntimeState* CurrentState()
{
    return current;
}

RuntimeState& RequireState()
{
    if (!current) {
        throw NilObjectException("the framework runtime is not running");
    }
    return *current;
}

void DispatchWhenIdle(std::function<void()> call)
{
    if (current && !current->quitting) {
        current->pendingCalls.push_back(std::move(call));
        schedulePump();
    }
}
} // namespace detail

Platform& CurrentPlatform()
{
    return *detail::RequireState().platform;
}

Runtime::Runtime(int argc, char** argv, const ProgramIdentity& program)
    : Runtime(argc, argv, program, nullptr)
{}

Runtime::Runtime(int argc, char** argv, const ProgramIdentity& program, std::unique_ptr<Platform>&& platform)
    : mState(std::make_unique<RuntimeState>())
{
    if (current) {
        throw std::logic_error("one framework runtime at a time");
    }
    auto& s = *mState;
    s.runtime = this;
    s.platform = platform ? std::move(platform) : std::make_unique<QtPlatform>();
    // The launch's own documents come before any that a later launch hands over.
    std::vector<FolderItemPtr> launched;
    std::vector<String> paths;
    for (int i = 1; i < argc; ++i) {
        launched.push_back(FolderItem::FromPath(argv[i]));
        paths.push_back(launched.back()->NativePath());
    }
    // Qt sees only the program's name: every argument is a document, none an option.
    s.qtApplication = detail::StartQt(argv[0], program.tellStartFailure);
    // The program speaks Polish whatever the system's language: so do Qt's own dialogs.
    s.translator = std::make_unique<QTranslator>();
    if (s.translator->load(QStringLiteral("qtbase_pl"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(s.translator.get());
    }
    QApplication::setApplicationName(qt(program.name));
    QGuiApplication::setDesktopFileName(qt(program.desktopName));
    QApplication::setWindowIcon(QIcon::fromTheme(
        qt(program.desktopName), QIcon(QStringLiteral(":/icons/%1.svg").arg(qt(program.desktopName)))));
    QApplication::setQuitOnLastWindowClosed(false);

    s.channel = std::make_unique<detail::InstanceChannel>(detail::InstanceChannel::SocketPathForThisSession(),
                                                          receiveHandedOverDocuments);
    const auto handOver = s.channel->HandOverOrListen(paths);
    s.handedOver = handOver.whole;
    // Those the running program took before it stopped answering are its own; the rest stay together.
    launched.erase(launched.begin(), launched.begin() + static_cast<std::ptrdiff_t>(handOver.taken));
    if (!launched.empty()) {
        s.pendingDocuments.push_back(std::move(launched));
    }
    current = &s;
}

// The rest of the state goes in the reverse order of its members.
Runtime::~Runtime()
{
    ReleaseWindows();
    current = nullptr;
}

Runtime* Runtime::Current()
{
    return current ? current->runtime : nullptr;
}

void Runtime::RunEventLoop()
{
    auto& s = *mState;
    if (s.menuBarWindow) {
        s.menuBarWindow->Present();
    }
    QTimer::singleShot(0, qApp, [&s] {
        DispatchRequest([&s] {
            if (s.application) {
                s.application->Event_Open();
            }
        });
        s.opened = true;
        schedulePump();
    });
    QApplication::exec();
    s.channel->StopListening();
    if (s.menuBarWindow) {
        s.menuBarWindow->hide();
    }
    if (auto exception = std::exchange(s.pendingException, nullptr)) {
        std::rethrow_exception(exception);
    }
}

void Runtime::OpenDocuments(std::vector<FolderItemPtr> items)
{
    if (!items.empty()) {
        mState->pendingDocuments.push_back(std::move(items));
        schedulePump();
    }
}

bool Runtime::HandedOver() const
{
    return mState->handedOver;
}

void Runtime::HandleUnhandledException(std::exception_ptr exception)
{
    mState->exitStatus = 1;
    String name = "unknown";
    String detail;
    try {
        std::rethrow_exception(exception);
    } catch (const RuntimeException& e) {
        name = e.className();
        detail = e.what();
    } catch (const std::exception& e) {
        name = typeid(e).name();
        detail = e.what();
    } catch (...) {
    }
    MsgBox("Nieobsłużony wyjątek " + name + (detail.empty() ? "" : " (" + detail + ")") + ". " +
           QApplication::applicationName().toStdString() + " zostanie zamknięty.");
}

int Runtime::Exit()
{
    auto& s = *mState;
    s.application.reset();
    return s.exitStatus;
}

void DispatchRequest(const std::function<void()>& call)
{
    if (!current) {
        call();
        return;
    }
    auto& s = *current;
    if (s.pendingException) {
        return;
    }
    ++s.requestDepth;
    try {
        call();
    } catch (...) {
        if (!s.pendingException) {
            s.pendingException = std::current_exception();
        }
        QCoreApplication::exit(1);
    }
    --s.requestDepth;
    if (s.requestDepth == 0) {
        schedulePump();
    }
}

bool RequestRunning()
{
    return current && current->requestDepth > 0;
}

} // namespace framework
