#include "framework/detail/MenuBarWindow.h"

#include "framework/Application.h"
#include "framework/DocumentTypes.h"
#include "framework/Platform.h"
#include "framework/detail/QtValues.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QShortcut>
#include <QTextEdit>

namespace framework::detail {

namespace {

// The dropped files that are documents of a registered type, and the dropped folders when the application
// takes folders, in the order dropped. As with the icon of a program in the Dock, anything else is not
// taken.
std::vector<String> droppedDocuments(const QMimeData* data)
{
    std::vector<String> paths;
    const auto types = RegisteredDocumentTypes();
    const auto application = Application::Instance();
    const bool takesFolders = application && application->TakesFolders();
    for (const auto& url : data->urls()) {
        const QFileInfo file(url.toLocalFile());
        const bool document = std::any_of(types.begin(), types.end(), [&](const DocumentType& type) {
            return !type.extension.empty() &&
                   file.fileName().endsWith(qt(type.extension), Qt::CaseInsensitive);
        });
        if (url.isLocalFile() && ((document && file.isFile()) || (takesFolders && file.isDir()))) {
            paths.push_back(file.absoluteFilePath().toStdString());
        }
    }
    return paths;
}

} // namespace

MenuBarWindow::MenuBarWindow(const MenuBar& tree)
{
    setWindowTitle(QGuiApplication::applicationDisplayName());
    setAcceptDrops(true);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::WindowMinimizeButtonHint);
#ifdef Q_OS_MACOS
    mBar = new QMenuBar(nullptr); // the global menu bar, whichever window is active
    connect(this, &QObject::destroyed, [bar = mBar] { delete bar; });
#else
    mBar = menuBar();
    mBar->setNativeMenuBar(false);
    auto* hint = new QLabel(qt(tree.Hint()), this);
    hint->setObjectName(QStringLiteral("hint"));
    hint->setContentsMargins(8, 4, 8, 6);
    hint->setVisible(!tree.Hint().empty());
    setCentralWidget(hint);
    // F10 opens the first menu, from any of the program's windows.
    auto* openFirstMenu = new QShortcut(Qt::Key_F10, this);
    openFirstMenu->setContext(Qt::ApplicationShortcut);
    connect(openFirstMenu, &QShortcut::activated, this, [this] {
        activateWindow();
        mBar->setActiveAction(mBar->actions().first());
    });
#endif
    for (const auto& menu : tree.Children()) {
        addMenu(*menu);
    }
    // The text that Copy copies from: the one last focused, while the focus stays in it or in this window.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (qobject_cast<QTextEdit*>(now)) {
            mLastText = now;
        } else if (now && now->window() != this) {
            mLastText = nullptr;
        }
    });
}

void MenuBarWindow::Present()
{
#ifndef Q_OS_MACOS
    const auto barSize = mBar->sizeHint();
    const auto* hint = centralWidget();
    const auto hintSize = hint->isVisibleTo(this) ? hint->sizeHint() : QSize(0, 0);
    setFixedSize(std::max({barSize.width() + 40, hintSize.width(), 320}),
                 barSize.height() + hintSize.height());
    // Where a menu bar is expected: the top left corner, clear of centred windows and dialogs.
    if (const auto screens = CurrentPlatform().Screens(); !screens.empty()) {
        move(screens.front().available.topLeft());
    }
    show();
#endif
}

void MenuBarWindow::closeEvent(QCloseEvent* event)
{
    event->ignore();
    if (!RequestRunning()) {
        DispatchRequest([] { Quit(0); });
    }
}

// Qt takes the moves of a drag that was taken as it entered.
void MenuBarWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (!droppedDocuments(event->mimeData()).empty()) {
        event->acceptProposedAction();
    }
}

void MenuBarWindow::dropEvent(QDropEvent* event)
{
    const auto paths = droppedDocuments(event->mimeData());
    if (paths.empty()) {
        return;
    }
    event->acceptProposedAction();
    // They arrive together, when no request runs: a drop during a conversion waits.
    std::vector<FolderItemPtr> items;
    for (const auto& path : paths) {
        items.push_back(FolderItem::FromPath(path));
    }
    Runtime::Current()->OpenDocuments(std::move(items));
}

void MenuBarWindow::addMenu(const MenuItem& menuItem)
{
    auto* menu = mBar->addMenu(qt(menuItem.Text()));
    menu->menuAction()->setObjectName(qt(menuItem.Name()));
    connect(menu, &QMenu::aboutToShow, this, [this] {
        const auto* text = qobject_cast<QTextEdit*>(mLastText.data());
        if (mCopy) {
            mCopy->setEnabled(text && text->textCursor().hasSelection());
        }
    });

    for (const auto& item : menuItem.Children()) {
        menu->addAction(makeAction(*item, menu));
    }
    // Without an application menu, quitting goes where people look for it: last in its menu (on macOS Qt
    // moves it to the application menu).
    for (auto* action : menu->actions()) {
        if (action->menuRole() == QAction::QuitRole) {
            menu->removeAction(action);
            menu->addSeparator();
            menu->addAction(action);
        }
    }
    auto actions = menu->actions();
    while (!actions.isEmpty() && actions.last()->isSeparator()) {
        actions.takeLast()->setVisible(false);
    }
}

QAction* MenuBarWindow::makeAction(const MenuItem& item, QObject* parent)
{
    auto* action = new QAction(parent);
    action->setObjectName(qt(item.Name()));
    if (item.IsSeparator()) {
        action->setSeparator(true);
        return action;
    }
    action->setText(qt(item.Text()));
    if (!item.KeyboardShortcut().empty()) {
        // "Cmd+Q" names the command key; Qt's Ctrl is the command key on macOS and Control elsewhere.
        action->setShortcut(QKeySequence(
            qt(item.KeyboardShortcut()).replace(QStringLiteral("Cmd+"), QStringLiteral("Ctrl+"))));
        // The menu bar serves every window of the program, not only its own.
        action->setShortcutContext(Qt::ApplicationShortcut);
    }
    const auto role = item.ItemRole();
    action->setMenuRole(role == MenuItem::Role::Quit              ? QAction::QuitRole
                        : role == MenuItem::Role::Preferences     ? QAction::PreferencesRole
                        : role == MenuItem::Role::ApplicationMenu ? QAction::ApplicationSpecificRole
                                                                  : QAction::NoRole);
    if (item.Name() == "EditCopy") {
        mCopy = action;
    }
    // The program has no preferences. Its one text, the Help text, is read-only: of the editing commands
    // only Copy ever acts, and only on a selection.
    action->setEnabled(role != MenuItem::Role::Preferences && !item.Name().starts_with("Edit"));
    connect(action, &QAction::triggered, this, [this, name = item.Name(), role] { trigger(name, role); });
    return action;
}

void MenuBarWindow::trigger(const String& name, MenuItem::Role role)
{
    if (RequestRunning()) {
        return;
    }
    if (role == MenuItem::Role::Quit) {
        DispatchRequest([] { Quit(0); });
        return;
    }
    auto application = Application::Instance();
    if (const auto* handler = application ? application->MenuHandlerFor(name) : nullptr) {
        const auto call = *handler;
        DispatchRequest([call] { call(); });
    } else if (auto* text = qobject_cast<QTextEdit*>(mLastText.data()); text && name == "EditCopy") {
        text->copy();
    }
}

} // namespace framework::detail
