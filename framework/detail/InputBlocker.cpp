#include "framework/detail/InputBlocker.h"

#include <QApplication>
#include <QEvent>

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

bool InputBlocker::eventFilter(QObject*, QEvent* event)
{
    switch (event->type()) {
    // A window closed from its title bar would reach the program's handlers like a command.
    case QEvent::Close:
        if (!event->spontaneous()) {
            return false;
        }
        event->ignore(); // an accepted close event closes the window even when nobody receives it
        return true;
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
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
