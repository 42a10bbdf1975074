#include "framework/Application.h"

#include "framework/Exceptions.h"
#include "framework/Menus.h"
#include "framework/Messages.h"
#include "framework/detail/InputBlocker.h"
#include "framework/detail/InstanceChannel.h"
#include "framework/detail/MenuBarWindow.h"
#include "framework/detail/QtStart.h"

#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QLibraryInfo>
#include <QTimer>
#include <QTranslator>
#include <deque>

namespace framework {

namespace {

struct RuntimeState
{
    Runtime* runtime = nullptr;
    std::unique_ptr<QApplication> qtApplication;
    std::unique_ptr<QTranslator> translator;
    std::shared_ptr<Application> application;
    std::unique_ptr<detail::MenuBarWindow> menuBarWindow;
    std::unique_ptr<detail::InstanceChannel> channel;
    bool handedOver = false;
    std::vector<FolderItemPtr> launchDocuments;
    std::deque<FolderItemPtr> pendingDocuments;
    std::exception_ptr pendingException;
    bool unhandledException = false;
    bool quitting = false;
    int exitStatus = 0;
    int requestDepth = 0;
    bool pumpScheduled = false;
    bool opened = false; // Open has been raised: documents may follow
};

RuntimeState& state()
{
    static RuntimeState instance;
    return instance;
}

void schedulePump();

void pumpDocuments()
{
    auto& s = state();
    s.pumpScheduled = false;
    if (s.requestDepth > 0 || s.quitting || s.pendingException || s.pendingDocuments.empty() ||
        !s.application || !s.opened) {
        return;
    }
    auto item = s.pendingDocuments.front();
    s.pendingDocuments.pop_front();
    DispatchRequest([&] { s.application->Event_OpenDocument(item); });
    schedulePump();
}

void schedulePump()
{
    auto& s = state();
    if (!s.pumpScheduled && !s.pendingDocuments.empty()) {
        s.pumpScheduled = true;
        QTimer::singleShot(0, qApp, pumpDocuments);
    }
}

// A launch without documents asks the running program to show itself.
void receiveHandedOverDocuments(const std::vector<String>& paths)
{
    auto& s = state();
    if (paths.empty() && s.menuBarWindow && s.menuBarWindow->isVisible()) {
        s.menuBarWindow->setWindowState(s.menuBarWindow->windowState() & ~Qt::WindowMinimized);
        s.menuBarWindow->raise();
        s.menuBarWindow->activateWindow();
    }
    for (const auto& path : paths) {
        s.runtime->OpenDocument(FolderItem::FromPath(path));
    }
}

void requestQuit()
{
    auto& s = state();
    if (!s.quitting) {
        s.quitting = true;
        if (s.application) {
            s.application->Event_Close();
        }
    }
    QCoreApplication::exit(s.exitStatus);
}

} // namespace

Application::~Application() = default;

void Application::AddMenuHandler(const String& itemName, MenuHandler handler)
{
    mMenuHandlers.emplace_back(itemName, std::move(handler));
}

const Application::MenuHandler* Application::MenuHandlerFor(const String& itemName) const
{
    for (const auto& [name, handler] : mMenuHandlers) {
        if (name == itemName) {
            return &handler;
        }
    }
    return nullptr;
}

void Application::SetMenuBar(std::shared_ptr<framework::MenuBar> menuBar)
{
    mMenuBar = std::move(menuBar);
    auto& s = state();
    s.menuBarWindow = mMenuBar ? std::make_unique<detail::MenuBarWindow>(*mMenuBar) : nullptr;
}

FolderItemPtr Application::ExecutableFile() const
{
    const auto path = QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath();
    if (path.isEmpty()) {
        return nullptr;
    }
    return FolderItem::FromPath(path.toStdString());
}

std::shared_ptr<Application> Application::Instance()
{
    return state().application;
}

void Application::Register(std::shared_ptr<Application> application)
{
    state().application = std::move(application);
}

void Quit(int status)
{
    state().exitStatus = status;
    requestQuit();
}

namespace detail {
void RequestQuit()
{
    requestQuit();
}
} // namespace detail

Runtime::Runtime(int argc, char** argv)
{
    auto& s = state();
    s = RuntimeState{};
    s.runtime = this;
    for (int i = 1; i < argc; ++i) {
        s.launchDocuments.push_back(FolderItem::FromPath(argv[i]));
    }
    // Qt sees only the program's name: every argument is a document, none an option.
    s.qtApplication = detail::StartQt(argv[0]);
    // The program speaks Polish whatever the system's language: so do Qt's own dialogs.
    if (!s.translator) {
        s.translator = std::make_unique<QTranslator>();
        if (s.translator->load(QStringLiteral("qtbase_pl"),
                               QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
            QCoreApplication::installTranslator(s.translator.get());
        }
    }
    QApplication::setApplicationName(QStringLiteral("Zwojnik"));
    QApplication::setApplicationVersion(QStringLiteral(ZWOJNIK_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("zwojnik"));
    QApplication::setWindowIcon(
        QIcon::fromTheme(QStringLiteral("zwojnik"), QIcon(QStringLiteral(":/icons/zwojnik.svg"))));
    QApplication::setQuitOnLastWindowClosed(false);

    std::vector<String> paths;
    for (const auto& item : s.launchDocuments) {
        paths.push_back(item->NativePath());
    }
    s.channel = std::make_unique<detail::InstanceChannel>(detail::InstanceChannel::SocketPathForThisSession(),
                                                          receiveHandedOverDocuments);
    s.handedOver = s.channel->HandOverOrListen(paths);
}

Runtime::~Runtime()
{
    auto& s = state();
    s.menuBarWindow.reset();
    s.application.reset();
    s.channel.reset();
    if (s.translator) {
        QCoreApplication::removeTranslator(s.translator.get());
        s.translator.reset();
    }
    s.qtApplication.reset();
    s.runtime = nullptr;
}

Runtime* Runtime::Current()
{
    return state().runtime;
}

void Runtime::RunEventLoop()
{
    auto& s = state();
    s.quitting = false;
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
        // The launch's own documents come before any that a later launch handed over meanwhile.
        s.pendingDocuments.insert(s.pendingDocuments.begin(), s.launchDocuments.begin(),
                                  s.launchDocuments.end());
        s.launchDocuments.clear();
        schedulePump();
    });
    QApplication::exec();
    if (s.channel) {
        s.channel->StopListening();
    }
    if (s.menuBarWindow) {
        s.menuBarWindow->hide();
    }
    if (auto exception = std::exchange(s.pendingException, nullptr)) {
        std::rethrow_exception(exception);
    }
}

void Runtime::OpenDocument(const FolderItemPtr& item)
{
    state().pendingDocuments.push_back(item);
    schedulePump();
}

bool Runtime::HandedOver() const
{
    return state().handedOver;
}

void Runtime::HandleUnhandledException(std::exception_ptr exception)
{
    state().unhandledException = true;
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
    MsgBox("Nieobsłużony wyjątek " + name + (detail.empty() ? "" : " (" + detail + ")") +
           ". Zwojnik zostanie zamknięty.");
}

int Runtime::Exit()
{
    auto& s = state();
    s.application.reset();
    return s.unhandledException ? 1 : s.exitStatus;
}

void DispatchRequest(const std::function<void()>& call)
{
    auto& s = state();
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
    return state().requestDepth > 0;
}

} // namespace framework
