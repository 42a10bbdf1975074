// The keys people expect: Escape and Ctrl+W close the About and Help windows, F10 opens the first menu.
#include "framework/Windows.h"
#include "support/Program.h"
#include "ui/MenuNames.h"
#include "ui/Window2.h"
#include "ui/Window3.h"

#include <QApplication>
#include <QMenu>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class KeyboardTest : public testsupport::ScriptedTest
{};

// Presses the keys in the window, as the person at the keyboard would with the window active.
void press(QWidget* window, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    window->activateWindow();
    QApplication::setActiveWindow(window);
    QWidget* target = window->focusWidget() ? window->focusWidget() : window;
    QTest::keyClick(target, key, modifiers);
}

} // namespace

TEST_F(KeyboardTest, EscapeAndCtrlWCloseAboutAndHelpAndF10OpensTheFirstMenu)
{
    std::string openedMenu;
    bool aboutClosedByEscape = false, helpClosedByCtrlW = false, aboutClosedByCtrlW = false,
         helpClosedByEscape = false;
    const int status = RunProgram({}, [&] {
        testsupport::RunWhen([] { return true; },
                             [&] {
                                 using namespace ui::menu_names;
                                 testsupport::TriggerMenuItem(kAbout);
                                 auto about = framework::ImplicitInstance<ui::Window2>();
                                 press(about->Widget(), Qt::Key_F10);
                                 if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                                     openedMenu = menu->title().toStdString();
                                     menu->close();
                                 }
                                 press(about->Widget(), Qt::Key_Escape);
                                 aboutClosedByEscape = !about->IsOpen();

                                 testsupport::TriggerMenuItem(kHelp);
                                 auto help = framework::ImplicitInstance<ui::Window3>();
                                 press(help->Widget(), Qt::Key_W, Qt::ControlModifier);
                                 helpClosedByCtrlW = !help->IsOpen();

                                 testsupport::TriggerMenuItem(kAbout);
                                 about = framework::ImplicitInstance<ui::Window2>();
                                 press(about->Widget(), Qt::Key_W, Qt::ControlModifier);
                                 aboutClosedByCtrlW = !about->IsOpen();
                                 testsupport::TriggerMenuItem(kHelp);
                                 help = framework::ImplicitInstance<ui::Window3>();
                                 press(help->Widget(), Qt::Key_Escape);
                                 helpClosedByEscape = !help->IsOpen();
                                 testsupport::TriggerMenuItem("FileQuit");
                             });
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(openedMenu, "&Plik");
    EXPECT_TRUE(aboutClosedByEscape);
    EXPECT_TRUE(helpClosedByCtrlW);
    EXPECT_TRUE(aboutClosedByCtrlW);
    EXPECT_TRUE(helpClosedByEscape);
}
