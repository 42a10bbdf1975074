#pragma once

#include "framework/Menus.h"

#include <QMainWindow>
#include <QPointer>

class QMenuBar;
class QAction;

namespace framework::detail {

// Shows the program's menu tree. Where the platform has a global menu bar (macOS) that bar serves;
// elsewhere a small window titled with the program's name holds the menu bar and nothing else, and
// closing it is a request to quit. Menu actions carry their item's Name as object name. The window
// stands in for the program's icon too: the documents of one drop are opened together.
class MenuBarWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MenuBarWindow(const MenuBar& tree);

    void Present();
    QMenuBar* Bar() const { return mBar; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void addMenu(const MenuItem& menu);
    QAction* makeAction(const MenuItem& item, QObject* parent);
    void trigger(const String& name, MenuItem::Role role);

    QMenuBar* mBar = nullptr;
    QPointer<QWidget> mLastText;
    QPointer<QAction> mCopy;
};

} // namespace framework::detail
