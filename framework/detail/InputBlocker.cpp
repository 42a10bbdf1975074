#include "framework/detail/InputBlocker.h"

#include "framework/detail/MenuBarWindow.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QKeyEvent>

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
        mQuitRequested |= qobject_cast<MenuBarWindow*>(watched) != nullptr;
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
