#include "Configuration.h"
#include "framework/Application.h"
#include "framework/Controls.h"
#include "framework/Windows.h"
#include "framework/detail/MenuBarWindow.h"
#include "support/Program.h"
#include "support/TempDir.h"
#include "ui/MenuBar1.h"
#include "ui/MenuNames.h"
#include "ui/Window2.h"
#include "ui/Window3.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QTextEdit>
#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

namespace {

using framework::MenuItem;
using Role = framework::MenuItem::Role;

struct Node
{
    std::string parent;
    std::string name;
    Role role;
    std::string text;
    std::string shortcut;
};

std::vector<Node> Flatten(const MenuItem& bar)
{
    std::vector<Node> nodes;
    for (const auto& menu : bar.Children()) {
        nodes.push_back({"", menu->Name(), menu->ItemRole(), menu->Text(), menu->KeyboardShortcut()});
        for (const auto& item : menu->Children()) {
            nodes.push_back(
                {menu->Name(), item->Name(), item->ItemRole(), item->Text(), item->KeyboardShortcut()});
            EXPECT_TRUE(item->Children().empty()) << item->Name();
        }
    }
    return nodes;
}

QAction* Action(const std::string& name)
{
    for (auto* window : QApplication::topLevelWidgets()) {
        if (auto* action = window->findChild<QAction*>(QString::fromStdString(name))) {
            return action;
        }
    }
    ADD_FAILURE() << "no menu item named " << name;
    return nullptr;
}

class MenuBarTest : public testsupport::RuntimeTest
{
protected:
    // The application object with the program's menu bar, and a handler that counts under each name.
    void InstallCountingHandlers()
    {
        auto application = std::make_shared<framework::Application>();
        application->SetMenuBar(MenuBar1());
        for (const auto& name : kCommandNames) {
            application->AddMenuHandler(name, [this, name] {
                ++mCounts[name];
                return false;
            });
        }
        framework::Application::Register(application);
    }

    const std::vector<std::string> kCommandNames{
        ui::menu_names::kAbout, ui::menu_names::kMakerPage,       ui::menu_names::kFeedback,
        ui::menu_names::kHelp,  ui::menu_names::kConvertFromDisk, ui::menu_names::kConverterPage};
    std::map<std::string, int> mCounts;
};

TEST_F(MenuBarTest, TheMenusShowTheItemsWithTheirShortcutsAndPreferencesDisabled)
{
    framework::detail::MenuBarWindow window(*MenuBar1());
    for (const auto& node : Flatten(*MenuBar1())) {
        if (!node.parent.empty() && node.text != "-") {
            auto* action = window.findChild<QAction*>(QString::fromStdString(node.name));
            ASSERT_NE(action, nullptr) << node.name;
            const QString shortcut = QString::fromStdString(node.shortcut).replace("Cmd", "Ctrl");
            EXPECT_EQ(action->shortcut(), QKeySequence(shortcut, QKeySequence::PortableText)) << node.name;
        }
    }
    EXPECT_FALSE(window.findChild<QAction*>("EditPreferences")->isEnabled()) << "the program has none";

#ifndef Q_OS_MACOS
    // Without an application menu every item stays in its menu, quitting comes last in Plik and no
    // separator is left last in a menu.
    std::vector<std::string> menus;
    for (auto* menuAction : window.Bar()->actions()) {
        std::string shown = menuAction->text().toStdString() + ":";
        for (auto* action : menuAction->menu()->actions()) {
            if (action->isVisible()) {
                shown += " " + (action->isSeparator() ? "-" : action->objectName().toStdString());
            }
        }
        menus.push_back(shown);
    }
    EXPECT_EQ(menus, (std::vector<std::string>{
                         "&Plik: PlikOdtwarzajfilmzdysku - FileQuit",
                         "Edycja: EditUndo - EditCut EditCopy EditPaste EditClear - EditPreferences",
                         "Pomoc: PomocPomocKinolek AppleOKinolek - AppleSkomentujdziałanieKinolek… "
                         "AppleOdwiedstronclit AppleOdwiedźstronęOrvel"}));
#endif
}

TEST_F(MenuBarTest, EachNamedItemRunsExactlyItsOwnHandlerOnceAndNoOtherItemRunsAny)
{
    InstallCountingHandlers();
    for (const auto& name : kCommandNames) {
        auto before = mCounts;
        testsupport::TriggerMenuItem(name);
        ++before[name];
        EXPECT_EQ(mCounts, before) << name;
    }
    framework::DispatchRequest([] { testsupport::TriggerMenuItem(ui::menu_names::kHelp); });
    EXPECT_EQ(mCounts[ui::menu_names::kHelp], 1) << "items wait while a request runs";

    mCounts.clear();
    for (const auto& node : Flatten(*MenuBar1())) {
        const bool command =
            std::find(kCommandNames.begin(), kCommandNames.end(), node.name) != kCommandNames.end();
        if (!command && node.name != "FileQuit") {
            auto* action = Action(node.name);
            ASSERT_NE(action, nullptr);
            action->setEnabled(true);
            action->trigger();
        }
    }
    EXPECT_TRUE(mCounts.empty());
}

// Whether the item is enabled as its menu opens, when the menu checks the focused text.
bool Enabled(const std::string& name)
{
    QAction* action = Action(name);
    emit qobject_cast<QMenu*>(action->parent())->aboutToShow();
    return action->isEnabled();
}

TEST_F(MenuBarTest, CopyWorksInTheHelpTextWhichTheOtherEditingCommandsLeaveAlone)
{
    InstallCountingHandlers();
    QApplication::clipboard()->setText(QStringLiteral("schowek"));
    auto help = ::Window3();
    auto* field = qobject_cast<QTextEdit*>(help->Control("EditField1")->Widget());
    help->Widget()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(help->Widget()));
    field->setFocus(Qt::MouseFocusReason); // as a click into the text would
    field->selectAll();

    EXPECT_TRUE(Enabled("EditCopy"));
    for (const char* name : {"EditUndo", "EditCut", "EditPaste", "EditClear"}) {
        EXPECT_FALSE(Enabled(name)) << name;
    }

    testsupport::TriggerMenuItem("EditCopy");
    EXPECT_EQ(QApplication::clipboard()->text(), field->toPlainText());

    // Even when chosen, however the item got enabled, they change nothing.
    const QString before = field->document()->toRawText();
    for (const char* name : {"EditUndo", "EditCut", "EditPaste", "EditClear"}) {
        Action(name)->setEnabled(true);
        testsupport::TriggerMenuItem(name);
    }
    EXPECT_EQ(field->document()->toRawText(), before);
    EXPECT_TRUE(mCounts.empty());
}

// The real program: each command item reaches its real handler through start-up's binding.
using ProgramMenuTest = testsupport::ScriptedTest;

// The shortcuts serve every window of the program: Ctrl+O asks for a book from the About and the Help
// window as well.
TEST_F(ProgramMenuTest, ShortcutsReachTheirCommandsFromEveryWindow)
{
    script.QueueDialogAnswer(std::nullopt);
    script.QueueDialogAnswer(std::nullopt);
    std::vector<std::size_t> dialogsAfter;
    const int status = RunProgram({}, [&] {
        testsupport::RunWhen(
            [] { return testsupport::MenuBarWindow() != nullptr; },
            [&] {
                for (const auto& [item, windowClass] :
                     {std::pair{ui::menu_names::kAbout, &typeid(ui::Window2)},
                      std::pair{ui::menu_names::kHelp, &typeid(ui::Window3)}}) {
                    testsupport::TriggerMenuItem(item);
                    QWidget* window =
                        framework::Require(framework::ImplicitInstanceOf(*windowClass)).Widget();
                    EXPECT_TRUE(QTest::qWaitForWindowActive(window));
                    QTest::keyClick(window, Qt::Key_O, Qt::ControlModifier);
                    dialogsAfter.push_back(script.ShownDialogs().size());
                }
                testsupport::TriggerMenuItem("FileQuit");
            });
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(dialogsAfter, (std::vector<std::size_t>{1, 2}));
}

TEST_F(ProgramMenuTest, InTheProgramEachItemDoesWhatItsCaptionSays)
{
    // A task bar on the left and one at the top: the available area is not the whole screen.
    script.SetMainScreen(QRect(0, 0, 1024, 768), QRect(60, 28, 964, 700));
    script.QueueDialogAnswer(std::nullopt);
    bool windowsShown = false;
    const int status = RunProgram({}, [&] {
        testsupport::RunWhen([] { return true; },
                             [&] {
                                 using namespace ui::menu_names;
                                 for (const auto& item : {kAbout, kHelp, kMakerPage, kFeedback,
                                                          kConverterPage, kConvertFromDisk}) {
                                     testsupport::TriggerMenuItem(item);
                                 }
                                 const auto about = framework::ImplicitInstanceOf(typeid(ui::Window2));
                                 const auto help = framework::ImplicitInstanceOf(typeid(ui::Window3));
                                 windowsShown = about && about->IsVisible() && help && help->IsVisible() &&
                                                help->Left() == 261;
                                 testsupport::TriggerMenuItem("FileQuit");
                             });
    });
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(windowsShown);
    EXPECT_EQ(script.ShownURLs(),
              (std::vector<std::string>{configuration::kMakerURL, configuration::kFeedbackURL,
                                        configuration::kConverterURL}));
    ASSERT_EQ(script.ShownDialogs().size(), 1u);
    EXPECT_EQ(script.ShownDialogs()[0].kind, framework::FileDialog::Kind::OpenFile);
    EXPECT_EQ(script.ShownDialogs()[0].prompt,
              "Możesz także wskazać w Finderze Zwojnik jako domyślny program do otwierania plików .lit");
    EXPECT_EQ(script.ShownDialogs()[0].actionButtonCaption, "Dalej");
    EXPECT_EQ(script.ShownDialogs()[0].cancelButtonCaption, "Poniechaj");
    EXPECT_TRUE(script.ShownMessages().empty());
    EXPECT_TRUE(framework::Windows().empty()) << "finalisation closes the windows";
}

} // namespace
