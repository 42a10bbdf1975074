#include "Configuration.h"
#include "framework/Application.h"
#include "framework/Controls.h"
#include "framework/Windows.h"
#include "framework/detail/MenuBarWindow.h"
#include "support/Conversion.h"
#include "support/Program.h"
#include "support/TempDir.h"
#include "ui/MenuBar1.h"
#include "ui/MenuNames.h"
#include "ui/Window2.h"
#include "ui/Window3.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QTextEdit>
#include <QUrl>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

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

using MenuBarTest = testsupport::RuntimeTest;

TEST_F(MenuBarTest, TheMenusShowTheItemsWithTheirShortcutsAndPreferencesDisabled)
{
    const auto bar = MenuBar1();
    framework::detail::MenuBarWindow window(*bar);
    EXPECT_FALSE(window.findChild<QAction*>("EditPreferences")->isEnabled()) << "the program has none";
    // The window says what to do with it, and the whole line shows.
    const auto* hint = window.findChild<QLabel*>("hint");
    ASSERT_NE(hint, nullptr);
    EXPECT_EQ(hint->text().toStdString(), ui::kDropHint);
    window.Present();
    EXPECT_GE(window.centralWidget()->width(), hint->sizeHint().width());
    EXPECT_GE(window.centralWidget()->height(), hint->sizeHint().height());
#ifndef Q_OS_MACOS
    // Without an application menu every item stays in its menu, quitting comes last in Plik and no
    // separator is left last in a menu.
    std::vector<std::string> menus;
    for (auto* menuAction : window.Bar()->actions()) {
        std::string shown = menuAction->text().toStdString() + ":";
        for (auto* action : menuAction->menu()->actions()) {
            if (action->isVisible()) {
                shown += " " + (action->isSeparator() ? "-" : action->objectName().toStdString());
                shown +=
                    action->shortcut().isEmpty() ? "" : " " + action->shortcut().toString().toStdString();
            }
        }
        menus.push_back(shown);
    }
    EXPECT_EQ(menus,
              (std::vector<std::string>{
                  "&Plik: PlikOdtwarzajfilmzdysku Ctrl+O PlikZamienNaEpub Ctrl+E PlikZamienwieleplikow "
                  "Ctrl+Shift+O - FileQuit Ctrl+Q",
                  "Edycja: EditUndo Ctrl+Z - EditCut Ctrl+X EditCopy Ctrl+C EditPaste Ctrl+V EditClear - "
                  "EditPreferences Ctrl+,",
                  "Pomoc: PomocPomocKinolek AppleOKinolek - AppleSkomentujdziałanieKinolek… "
                  "AppleOdwiedstronclit AppleOdwiedźstronęOrvel"}));
#endif
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
    auto application = std::make_shared<framework::Application>();
    application->SetMenuBar(MenuBar1());
    framework::Application::Register(application);
    QApplication::clipboard()->setText(QStringLiteral("schowek"));
    auto help = ::Window3();
    auto* field = qobject_cast<QTextEdit*>(help->Control("EditField1")->Widget());
    help->Widget()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(help->Widget()));
    field->setFocus(Qt::MouseFocusReason); // as a click into the text would
    field->selectAll();

    // Even when chosen, however the item got enabled, the others change nothing (before the copy, so that
    // a paste would bring other text).
    const QString before = field->document()->toRawText();
    for (const char* name : {"EditUndo", "EditCut", "EditPaste", "EditClear"}) {
        EXPECT_FALSE(Enabled(name)) << name;
        Action(name)->setEnabled(true);
        testsupport::TriggerMenuItem(name);
    }
    EXPECT_EQ(field->document()->toRawText(), before);

    EXPECT_TRUE(Enabled("EditCopy"));
    testsupport::TriggerMenuItem("EditCopy");
    EXPECT_EQ(QApplication::clipboard()->text(), field->toPlainText());
}

// Presses the keys in the window, as the person at the keyboard would with the window active.
void press(QWidget* window, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    window->activateWindow();
    QApplication::setActiveWindow(window);
    QTest::keyClick(window->focusWidget() ? window->focusWidget() : window, key, modifiers);
}

using ProgramMenuTest = testsupport::ScriptedTest;

// The real program: each item reaches its handler through start-up's binding and does what its caption
// says, and the shortcuts serve every window of the program: Ctrl+O asks for a book and F10 opens the first
// menu from the About and the Help window as well. Escape and Ctrl+W close either window.
TEST_F(ProgramMenuTest, InTheProgramEachItemDoesWhatItsCaptionSaysAndShortcutsServeEveryWindow)
{
    for (int dialog = 0; dialog < 3; ++dialog) {
        script.QueueDialogAnswer(std::nullopt);
    }
    const int status = RunProgram({}, [&] {
        testsupport::RunWhen(
            [] { return testsupport::MenuBarWindow() != nullptr; },
            [&] {
                using namespace ui::menu_names;
                const std::vector<std::pair<std::string, const std::type_info*>> windows{
                    {kAbout, &typeid(ui::Window2)}, {kHelp, &typeid(ui::Window3)}};
                const auto open = [](const auto& each) {
                    testsupport::TriggerMenuItem(each.first);
                    return framework::ImplicitInstanceOf(*each.second);
                };
                for (const auto& each : windows) {
                    QWidget* window = framework::Require(open(each)).Widget();
                    EXPECT_TRUE(QTest::qWaitForWindowActive(window));
                    const auto dialogsBefore = script.ShownDialogs().size();
                    QTest::keyClick(window, Qt::Key_O, Qt::ControlModifier);
                    EXPECT_EQ(script.ShownDialogs().size(), dialogsBefore + 1) << each.first;
                    press(window, Qt::Key_F10);
                    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
                    EXPECT_EQ(menu ? menu->title().toStdString() : "", "&Plik") << each.first;
                    if (menu) {
                        menu->close();
                    }
                }
                for (const auto& item : {kMakerPage, kFeedback, kConverterPage, kConvertFromDisk}) {
                    testsupport::TriggerMenuItem(item);
                }
                for (const auto& each : windows) {
                    for (const auto& [key, modifiers] : {std::pair{Qt::Key_Escape, Qt::KeyboardModifiers()},
                                                         {Qt::Key_W, Qt::ControlModifier}}) {
                        const auto window = open(each);
                        press(framework::Require(window).Widget(), key, modifiers);
                        EXPECT_FALSE(window->IsOpen()) << each.first << " " << key;
                    }
                }
                testsupport::TriggerMenuItem("FileQuit");
            });
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(script.ShownURLs(),
              (std::vector<std::string>{configuration::kMakerURL, configuration::kFeedbackURL,
                                        configuration::kConverterURL}));
    ASSERT_EQ(script.ShownDialogs().size(), 3u);
    EXPECT_EQ(script.ShownDialogs()[2].title, script.ShownDialogs()[0].title) << "the book is asked for";
    EXPECT_TRUE(script.ShownMessages().empty());
    EXPECT_TRUE(framework::Windows().empty()) << "finalisation closes the windows";
}

// Where no program takes them, the book's first page and its folder after a conversion, the pages and the
// mail the menu offers are each told of in a box that shows the path or the address, to be selected and
// copied. A page that opens is not told of.
TEST_F(ProgramMenuTest, WhatNoProgramOpensIsShownWithItsPathOrAddressToCopy)
{
    namespace fs = std::filesystem;
    testsupport::TempDir dir;
    // The system's opener, which finds a program for pages over HTTPS only.
    fs::create_directories(dir / "bin");
    std::ofstream(dir / "bin/xdg-open") << "#!/bin/sh\nprintf '%s\\n' \"$1\" >>'" << dir / "opened"
                                        << "'\ncase \"$1\" in https://*) exit 0 ;; esac\nexit 3\n";
    fs::permissions(dir / "bin/xdg-open", fs::perms::owner_all);
    const testsupport::ScopedVariable path("PATH", dir / "bin:" + std::getenv("PATH"));
    script.OpenURLs();
    const auto programFolder = dir / "program";
    testsupport::MakeConverterFolder(programFolder);
    const auto book = dir / "Moje książki/krótka.lit";
    testsupport::CopyTestBook("krotka.lit", book);
    for (const auto* folder : {"HTML 1", "HTML 2"}) {
        fs::create_directories(dir / folder);
        script.QueueDialogAnswer(book);
        script.QueueDialogAnswer(dir / folder);
    }
    script.PressInNextMessage("Otwórz książkę");
    script.PressInNextMessage("Otwórz teczkę");
    const auto opened = [&] { return testsupport::ReadFile(dir / "opened"); };
    const auto boxes = [&](std::size_t count) {
        return
            [&, count] { return script.ShownMessageBoxes().size() == count && !framework::RequestRunning(); };
    };

    using namespace ui::menu_names;
    const int status = RunProgram(
        {},
        [&] {
            testsupport::RunWhen(boxes(0), [] { testsupport::TriggerMenuItem(kConvertFromDisk); });
            testsupport::RunWhen(boxes(2), [] { testsupport::TriggerMenuItem(kConvertFromDisk); });
            testsupport::RunWhen(boxes(4), [] { testsupport::TriggerMenuItem(kMakerPage); });
            testsupport::RunWhen([&] { return opened().find(configuration::kMakerURL) != std::string::npos; },
                                 [] { testsupport::TriggerMenuItem(kConverterPage); });
            testsupport::RunWhen(boxes(5), [] { testsupport::TriggerMenuItem(kFeedback); });
            testsupport::QuitWhen(boxes(6));
        },
        std::make_shared<testsupport::AppInFolder>(programFolder));
    EXPECT_EQ(status, 0);

    const auto page = dir / "HTML 1/krotka.html";
    std::vector<std::string> told;
    for (const auto& box : script.ShownMessageBoxes()) {
        told.push_back(box.text + "\n" + box.explanation);
        EXPECT_TRUE(box.selectable) << box.text;
    }
    const std::string copyPage = "Żaden program jej nie otworzył. Oto jej adres, do skopiowania:\n";
    ASSERT_EQ(told.size(), 6u);
    EXPECT_EQ(told[1], "Nie udało się otworzyć książki.\nŻaden program jej nie otworzył. Oto ścieżka jej "
                       "pierwszej strony, do skopiowania:\n" +
                           page);
    EXPECT_EQ(told[3], "Nie udało się otworzyć teczki.\nŻaden program jej nie otworzył. Oto jej ścieżka, do "
                       "skopiowania:\n" +
                           dir / "HTML 2");
    EXPECT_EQ(told[4], "Nie udało się otworzyć strony.\n" + copyPage + configuration::kConverterURL);
    EXPECT_EQ(told[5], "Nie udało się otworzyć programu pocztowego.\nUwagi można wysłać na ten adres, do "
                       "skopiowania:\njan.wisniewski@orvel.pl");
    // The opener is given URLs, encoded as URLs are.
    EXPECT_EQ(opened(),
              QUrl::fromLocalFile(QString::fromStdString(page)).toEncoded().toStdString() + "\n" +
                  QUrl::fromLocalFile(QString::fromStdString(dir / "HTML 2")).toEncoded().toStdString() +
                  "\n" + configuration::kMakerURL + "\n" + configuration::kConverterURL + "\n" +
                  configuration::kFeedbackURL + "\n");
}

} // namespace
