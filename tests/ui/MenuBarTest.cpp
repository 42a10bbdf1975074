#include "Configuration.h"
#include "app/Startup.h"
#include "framework/Application.h"
#include "framework/Controls.h"
#include "framework/Scripting.h"
#include "framework/Windows.h"
#include "framework/detail/MenuBarWindow.h"
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
    friend bool operator==(const Node&, const Node&) = default;
};

std::ostream& operator<<(std::ostream& out, const Node& node)
{
    return out << node.parent << "/" << node.name << " [" << static_cast<int>(node.role) << "] \""
               << node.text << "\" \"" << node.shortcut << "\"";
}

// The menu bar's twenty nodes, in the order they are built.
const std::vector<Node> kTree = {
    {"", "FileMenu", Role::Plain, "&Plik", ""},
    {"FileMenu", "FileQuit", Role::Quit, "Zakończ Zwojnik", "Cmd+Q"},
    {"FileMenu", "PlikOdtwarzajfilmzdysku", Role::Plain, "Zamień plik .lit na .html…", "Cmd+O"},
    {"", "EditMenu", Role::Plain, "Edycja", ""},
    {"EditMenu", "EditUndo", Role::Plain, "Cofnij", "Cmd+Z"},
    {"EditMenu", "UntitledMenu2", Role::Plain, "-", ""},
    {"EditMenu", "EditCut", Role::Plain, "Wytnij", "Cmd+X"},
    {"EditMenu", "EditCopy", Role::Plain, "Kopiuj", "Cmd+C"},
    {"EditMenu", "EditPaste", Role::Plain, "Wklej", "Cmd+V"},
    {"EditMenu", "EditClear", Role::Plain, "Usuń", ""},
    {"EditMenu", "UntitledMenu1", Role::Plain, "-", ""},
    {"EditMenu", "EditPreferences", Role::Preferences, "Preferencje", "Cmd+,"},
    {"", "PomocMenu", Role::Plain, "Pomoc", ""},
    {"PomocMenu", "PomocPomocKinolek", Role::Plain, "Pomoc Zwojnik", ""},
    {"PomocMenu", "AppleOKinolek", Role::ApplicationMenu, "Zwojnik…", ""},
    {"PomocMenu", "UntitledMenu5", Role::ApplicationMenu, "-", ""},
    {"PomocMenu", "AppleSkomentujdziałanieKinolek…", Role::ApplicationMenu, "Skomentuj działanie Zwojnik",
     ""},
    {"PomocMenu", "AppleOdwiedstronclit", Role::ApplicationMenu, "Odwiedź stronę Convert LIT", ""},
    {"PomocMenu", "AppleOdwiedźstronęOrvel", Role::ApplicationMenu, "Odwiedź stronę Orvel", ""},
    {"PomocMenu", "UntitledMenu4", Role::ApplicationMenu, "-", ""},
};

// "…" is the one character U+2026, not three full stops: a name folded to dots would miss its handler.
TEST(MenuBarTexts, TheFeedbackNameEndsInTheEllipsisCharacter)
{
    const std::string& feedback = ui::menu_names::kFeedback;
    ASSERT_GE(feedback.size(), 3u);
    EXPECT_EQ(feedback.substr(feedback.size() - 3), "\xE2\x80\xA6");
    EXPECT_EQ(ui::menu_names::kFeedback.find("..."), std::string::npos);
}

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

class MenuBarTest : public ::testing::Test
{
protected:
    void SetUp() override { framework::scripting::Reset(); }
    void TearDown() override
    {
        if (auto application = framework::Application::Instance()) {
            application->SetMenuBar(nullptr);
        }
        framework::Application::Register(nullptr);
        framework::ReleaseImplicitWindows();
        framework::ReleaseWindows();
        framework::scripting::Reset();
    }

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

    static QAction* Action(const std::string& name)
    {
        for (auto* window : QApplication::topLevelWidgets()) {
            if (auto* action = window->findChild<QAction*>(QString::fromStdString(name))) {
                return action;
            }
        }
        return nullptr;
    }

    const std::vector<std::string> kCommandNames{
        ui::menu_names::kAbout, ui::menu_names::kMakerPage,       ui::menu_names::kFeedback,
        ui::menu_names::kHelp,  ui::menu_names::kConvertFromDisk, ui::menu_names::kConverterPage};
    std::map<std::string, int> mCounts;
};

TEST_F(MenuBarTest, TheTreeHasItsTwentyNodesByteForByte)
{
    const auto bar = MenuBar1();
    ASSERT_NE(bar, nullptr);
    const auto nodes = Flatten(*bar);
    ASSERT_EQ(nodes.size(), kTree.size());
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        EXPECT_EQ(nodes[i], kTree[i]) << "node " << i + 1;
    }
    for (const auto& menu : bar->Children()) {
        EXPECT_TRUE(menu->AutoEnable()) << menu->Name();
        for (const auto& item : menu->Children()) {
            EXPECT_TRUE(item->AutoEnable()) << item->Name();
            EXPECT_EQ(item->IsSeparator(), item->Text() == "-") << item->Name();
        }
    }
    // The six command items carry exactly the names their handlers are bound under.
    for (const auto& name : kCommandNames) {
        const auto found =
            std::count_if(nodes.begin(), nodes.end(), [&](const Node& node) { return node.name == name; });
        EXPECT_EQ(found, 1) << name;
    }
}

TEST_F(MenuBarTest, TheAccessorBuildsTheTreeOnce)
{
    const auto first = MenuBar1();
    const auto menus = first->Children();
    const auto second = MenuBar1();
    EXPECT_EQ(first, second);
    EXPECT_EQ(second->Children(), menus);
    EXPECT_EQ(Flatten(*second).size(), 20u);
}

#ifndef Q_OS_MACOS
TEST_F(MenuBarTest, WithoutAnApplicationMenuItemsStayInTheirMenusAndQuitComesLast)
{
    framework::detail::MenuBarWindow window(*MenuBar1());
    std::vector<std::string> titles;
    std::map<std::string, std::vector<std::string>> shown;
    std::map<std::string, std::vector<std::string>> hidden;
    for (auto* menuAction : window.Bar()->actions()) {
        titles.push_back(menuAction->text().toStdString());
        const std::string menu = menuAction->objectName().toStdString();
        for (auto* action : menuAction->menu()->actions()) {
            const std::string name = action->isSeparator() ? "-" + action->objectName().toStdString()
                                                           : action->objectName().toStdString();
            (action->isVisible() ? shown : hidden)[menu].push_back(name);
        }
    }
    EXPECT_EQ(titles, (std::vector<std::string>{"&Plik", "Edycja", "Pomoc"}));
    EXPECT_EQ(QKeySequence::mnemonic(QStringLiteral("&Plik")), QKeySequence(Qt::ALT | Qt::Key_P));
    EXPECT_EQ(shown["FileMenu"], (std::vector<std::string>{"PlikOdtwarzajfilmzdysku", "-", "FileQuit"}));
    EXPECT_EQ(shown["EditMenu"],
              (std::vector<std::string>{"EditUndo", "-UntitledMenu2", "EditCut", "EditCopy", "EditPaste",
                                        "EditClear", "-UntitledMenu1", "EditPreferences"}));
    EXPECT_EQ(shown["PomocMenu"],
              (std::vector<std::string>{"PomocPomocKinolek", "AppleOKinolek", "-UntitledMenu5",
                                        ui::menu_names::kFeedback, "AppleOdwiedstronclit",
                                        ui::menu_names::kMakerPage}));
    EXPECT_EQ(hidden["PomocMenu"], (std::vector<std::string>{"-UntitledMenu4"})) << "no trailing separator";
    EXPECT_TRUE(hidden["FileMenu"].empty());
    EXPECT_TRUE(hidden["EditMenu"].empty());
}
#endif

TEST_F(MenuBarTest, ShortcutsUseTheCommandKeyAndSpecialItemsTakeTheirMenuRoles)
{
    framework::detail::MenuBarWindow window(*MenuBar1());
    const std::map<std::string, QKeySequence> shortcuts = {
        {"FileQuit", QKeySequence(Qt::CTRL | Qt::Key_Q)},
        {"PlikOdtwarzajfilmzdysku", QKeySequence(Qt::CTRL | Qt::Key_O)},
        {"EditUndo", QKeySequence(Qt::CTRL | Qt::Key_Z)},
        {"EditCut", QKeySequence(Qt::CTRL | Qt::Key_X)},
        {"EditCopy", QKeySequence(Qt::CTRL | Qt::Key_C)},
        {"EditPaste", QKeySequence(Qt::CTRL | Qt::Key_V)},
        {"EditPreferences", QKeySequence(Qt::CTRL | Qt::Key_Comma)},
    };
    for (const auto& node : kTree) {
        if (node.parent.empty() || node.text == "-") {
            continue;
        }
        auto* action = window.findChild<QAction*>(QString::fromStdString(node.name));
        ASSERT_NE(action, nullptr) << node.name;
        EXPECT_EQ(action->text().toStdString(), node.text);
        const auto expected = shortcuts.find(node.name);
        EXPECT_EQ(action->shortcut(), expected == shortcuts.end() ? QKeySequence() : expected->second)
            << node.name;
        if (expected != shortcuts.end()) {
            EXPECT_EQ(action->shortcutContext(), Qt::ApplicationShortcut) << node.name;
        }
        QAction::MenuRole role = QAction::NoRole;
        if (node.role == Role::Quit) {
            role = QAction::QuitRole;
        } else if (node.role == Role::Preferences) {
            role = QAction::PreferencesRole;
        } else if (node.role == Role::ApplicationMenu) {
            role = QAction::ApplicationSpecificRole;
        }
        EXPECT_EQ(action->menuRole(), role) << node.name;
    }
    EXPECT_FALSE(window.findChild<QAction*>("EditPreferences")->isEnabled())
        << "the program has no preferences";
    EXPECT_TRUE(window.findChild<QAction*>("PomocPomocKinolek")->isEnabled());
}

TEST_F(MenuBarTest, EachNamedItemRunsExactlyItsOwnHandlerOnce)
{
    InstallCountingHandlers();
    for (const auto& name : kCommandNames) {
        auto before = mCounts;
        testsupport::TriggerMenuItem(name);
        ++before[name];
        EXPECT_EQ(mCounts, before) << name;
    }
    for (const auto& name : kCommandNames) {
        EXPECT_EQ(mCounts[name], 1) << name;
    }
}

TEST_F(MenuBarTest, ItemsWithoutAHandlerRunNone)
{
    InstallCountingHandlers();
    for (const auto& node : kTree) {
        const bool command =
            std::find(kCommandNames.begin(), kCommandNames.end(), node.name) != kCommandNames.end();
        if (command || node.name == "FileQuit") {
            continue;
        }
        auto* action = Action(node.name);
        ASSERT_NE(action, nullptr) << node.name;
        action->setEnabled(true);
        action->trigger();
    }
    EXPECT_TRUE(mCounts.empty());
}

TEST_F(MenuBarTest, ItemsWaitWhileARequestRuns)
{
    InstallCountingHandlers();
    framework::DispatchRequest([] { testsupport::TriggerMenuItem(ui::menu_names::kHelp); });
    EXPECT_TRUE(mCounts.empty());
}

// Gives the keyboard focus to a widget of a shown window, as a click into it would.
void Focus(QWidget* widget)
{
    widget->window()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(widget->window()));
    widget->setFocus(Qt::MouseFocusReason);
    ASSERT_EQ(QApplication::focusWidget(), widget);
}

bool Enabled(const std::string& name)
{
    for (auto* window : QApplication::topLevelWidgets()) {
        if (auto* action = window->findChild<QAction*>(QString::fromStdString(name))) {
            // The menu checks the focused text as it opens.
            emit qobject_cast<QMenu*>(action->parent())->aboutToShow();
            return action->isEnabled();
        }
    }
    ADD_FAILURE() << "no menu item named " << name;
    return false;
}

TEST_F(MenuBarTest, CopyWorksInTheHelpTextWhichTheOtherEditingCommandsLeaveAlone)
{
    InstallCountingHandlers();
    QApplication::clipboard()->setText(QStringLiteral("schowek"));
    auto help = ::Window3();
    auto* field = qobject_cast<QTextEdit*>(help->Control("EditField1")->Widget());
    Focus(field);
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

TEST_F(MenuBarTest, EditingCommandsActOnTheFocusedWritableText)
{
    InstallCountingHandlers();
    class Editable : public framework::Window
    {};
    auto window = std::make_shared<Editable>();
    window->Construct();
    window->SetProperty("Width", std::int32_t{200});
    window->SetProperty("Height", std::int32_t{100});
    auto field = std::make_shared<framework::EditField>();
    window->AddControl("F", field);
    field->SetProperty("Width", std::int32_t{180});
    field->SetProperty("Height", std::int32_t{80});
    window->Show();
    auto* edit = qobject_cast<QTextEdit*>(field->Widget());
    Focus(edit);
    QTest::keyClicks(edit, "abc");
    edit->selectAll();

    EXPECT_TRUE(Enabled("EditCut"));
    EXPECT_TRUE(Enabled("EditClear"));
    EXPECT_TRUE(Enabled("EditUndo"));
    testsupport::TriggerMenuItem("EditCut");
    EXPECT_EQ(field->Text(), "");
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("abc"));
    EXPECT_TRUE(Enabled("EditPaste"));
    testsupport::TriggerMenuItem("EditPaste");
    testsupport::TriggerMenuItem("EditPaste");
    EXPECT_EQ(field->Text(), "abcabc");
    testsupport::TriggerMenuItem("EditUndo");
    EXPECT_EQ(field->Text(), "abc");
}

// The real program: each command item reaches its real handler through start-up's binding.
TEST(MenuCommandsInTheProgram, EachItemDoesWhatItsCaptionSays)
{
    framework::scripting::Reset();
    framework::scripting::AnswerMessages();
    framework::scripting::RecordURLs();
    framework::scripting::SetMainScreenSize(1024, 768);
    framework::scripting::QueueDialogAnswer(std::nullopt);

    bool aboutOpen = false;
    bool helpCentred = false;
    std::vector<std::string> urlsBeforeConverting;
    std::size_t dialogsBeforeConverting = 99;
    char name[] = "zwojnik";
    char* argv[] = {name, nullptr};
    const int status = app::Run(1, argv, [&](std::string_view step) {
        if (step != "event loop") {
            return;
        }
        testsupport::RunWhen([] { return true; },
                             [&] {
                                 testsupport::TriggerMenuItem(ui::menu_names::kAbout);
                                 const auto about = framework::ImplicitInstance<ui::Window2>();
                                 aboutOpen = about && about->IsVisible();

                                 testsupport::TriggerMenuItem(ui::menu_names::kHelp);
                                 const auto help = framework::ImplicitInstance<ui::Window3>();
                                 helpCentred =
                                     help && help->IsVisible() && help->Left() == 261 && help->Top() == 221;

                                 testsupport::TriggerMenuItem(ui::menu_names::kMakerPage);
                                 testsupport::TriggerMenuItem(ui::menu_names::kFeedback);
                                 testsupport::TriggerMenuItem(ui::menu_names::kConverterPage);
                                 urlsBeforeConverting = framework::scripting::ShownURLs();
                                 dialogsBeforeConverting = framework::scripting::ShownDialogs().size();

                                 testsupport::TriggerMenuItem(ui::menu_names::kConvertFromDisk);
                                 testsupport::TriggerMenuItem("FileQuit");
                             });
    });
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(aboutOpen);
    EXPECT_TRUE(helpCentred);
    EXPECT_EQ(urlsBeforeConverting,
              (std::vector<std::string>{configuration::kMakerURL, configuration::kFeedbackURL,
                                        configuration::kConverterURL}));
    EXPECT_EQ(dialogsBeforeConverting, 0u);
    ASSERT_EQ(framework::scripting::ShownDialogs().size(), 1u);
    EXPECT_EQ(framework::scripting::ShownDialogs()[0].kind, framework::FileDialog::Kind::OpenFile);
    EXPECT_TRUE(framework::scripting::ShownMessages().empty());
    EXPECT_TRUE(framework::Windows().empty()) << "finalisation closes the windows";
    framework::scripting::Reset();
}

} // namespace
