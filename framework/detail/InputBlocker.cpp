#include "framework/detail/InputBlocker.h"

#include "framework/detail/RuntimeState.h"

#include <QAction>
#include <QApplication>
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
    const auto* state = CurrentState();
    const QWidget* window = state ? state->menuBarWindow.get() : nullptr;
    return window && (object == window || object == window->windowHandle());
}

} // namespace

bool InputBlocker::eventFilter(QObject* watched, QEvent* event)
{
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
    case QEvent::InputMethod:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return true;
    default:
        return event->isInputEvent(); // keys, the mouse, the wheel, touch, tablets, context menus
    }
}

} // namespace framework::detail
