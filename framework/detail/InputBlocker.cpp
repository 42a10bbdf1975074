#include "framework/detail/InputBlocker.h"

#include "framework/detail/MenuBarWindow.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QWindow>

namespace framework::detail {

InputBlocker::InputBlocker()
{
    qApp->installEventFilter(this);
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

InputBlocker::~InputBlocker()
{
    QApplication::restoreOverrideCursor();
    qApp->removeEventFilter(this);
}

namespace {

// Closing the menu bar's window quits the program. The close comes to its native window first.
bool isMenuBarWindow(QObject* object)
{
    if (const auto* window = qobject_cast<QWindow*>(object)) {
        for (auto* widget : QApplication::topLevelWidgets()) {
            if (widget->windowHandle() == window) {
                return qobject_cast<MenuBarWindow*>(widget) != nullptr;
            }
        }
    }
    return qobject_cast<MenuBarWindow*>(object) != nullptr;
}

} // namespace

bool InputBlocker::eventFilter(QObject* watched, QEvent* event)
{
    if (mPaused) {
        return false;
    }
    switch (event->type()) {
    // A window closed from its title bar would reach the program's handlers like a command.
    case QEvent::Close:
        if (!event->spontaneous()) {
            return false;
        }
        mQuitRequested |= isMenuBarWindow(watched);
        event->ignore(); // an accepted close event closes the window even when nobody receives it
        return true;
    // The Quit item's shortcut comes to its action; the system's Quit keys as a key otherwise.
    case QEvent::Shortcut:
        if (const auto* action = qobject_cast<QAction*>(watched)) {
            mQuitRequested |= action->menuRole() == QAction::QuitRole;
        }
        return true;
    case QEvent::KeyPress:
        mQuitRequested |= static_cast<QKeyEvent*>(event)->matches(QKeySequence::Quit);
        return true;
    case QEvent::ShortcutOverride:
    case QEvent::KeyRelease:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::ContextMenu:
    case QEvent::InputMethod:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return true;
    default:
        return false;
    }
}

} // namespace framework::detail
