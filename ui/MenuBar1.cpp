#include "ui/MenuBar1.h"

#include "framework/Application.h"
#include "framework/Exceptions.h"
#include "ui/MenuNames.h"

namespace ui {

namespace {

using framework::MenuItem;
using framework::String;

template <typename ItemClass>
std::shared_ptr<MenuItem> makeNode(const String& name, const String& text, const String& shortcut)
{
    auto node = std::make_shared<ItemClass>();
    framework::Require(node).SetName(name);
    node->SetText(text);
    if (text != "-") {
        node->SetKeyboardShortcut(shortcut);
    }
    return node;
}

} // namespace

MenuBar1::MenuBar1()
{
    SetHint(kDropHint);
    Untitled1();
    Untitled2();
    Untitled3();
}

void MenuBar1::Untitled1()
{
    Append(makeNode<MenuItem>("FileMenu", "&Plik", ""));
    auto item = [this](auto node) { framework::Require(Child("FileMenu")).Append(node); };
    item(makeNode<framework::QuitMenuItem>("FileQuit", "Zakończ Zwojnik", "Cmd+Q"));
    item(makeNode<MenuItem>(menu_names::kConvertFromDisk, "Zamień plik .lit na .html…", "Cmd+O"));
    item(makeNode<MenuItem>(menu_names::kConvertToEpub, "Zamień plik .lit na .epub…", "Cmd+E"));
    item(makeNode<MenuItem>(menu_names::kConvertLibrary, "Zamień wiele plików .lit…", "Cmd+Shift+O"));
}

void MenuBar1::Untitled2()
{
    Append(makeNode<MenuItem>("EditMenu", "Edycja", ""));
    auto item = [this](auto node) { framework::Require(Child("EditMenu")).Append(node); };
    item(makeNode<MenuItem>("EditUndo", "Cofnij", "Cmd+Z"));
    item(makeNode<MenuItem>("UntitledMenu2", "-", ""));
    item(makeNode<MenuItem>("EditCut", "Wytnij", "Cmd+X"));
    item(makeNode<MenuItem>("EditCopy", "Kopiuj", "Cmd+C"));
    item(makeNode<MenuItem>("EditPaste", "Wklej", "Cmd+V"));
    item(makeNode<MenuItem>("EditClear", "Usuń", ""));
    item(makeNode<MenuItem>("UntitledMenu1", "-", ""));
    item(makeNode<framework::PrefsMenuItem>("EditPreferences", "Preferencje", "Cmd+,"));
}

void MenuBar1::Untitled3()
{
    using framework::AppleMenuItem;
    Append(makeNode<MenuItem>("PomocMenu", "Pomoc", ""));
    auto item = [this](auto node) { framework::Require(Child("PomocMenu")).Append(node); };
    item(makeNode<MenuItem>(menu_names::kHelp, "Pomoc Zwojnik", ""));
    item(makeNode<AppleMenuItem>(menu_names::kAbout, "Zwojnik…", ""));
    item(makeNode<AppleMenuItem>("UntitledMenu5", "-", ""));
    item(makeNode<AppleMenuItem>(menu_names::kFeedback, "Skomentuj działanie Zwojnik", ""));
    item(makeNode<AppleMenuItem>(menu_names::kConverterPage, "Odwiedź stronę Convert LIT", ""));
    item(makeNode<AppleMenuItem>(menu_names::kMakerPage, "Odwiedź stronę Orvel", ""));
    item(makeNode<AppleMenuItem>("UntitledMenu4", "-", ""));
}

std::shared_ptr<MenuBar1> MenuBar1Instance()
{
    const auto application = framework::Application::Instance();
    if (auto menuBar = std::dynamic_pointer_cast<MenuBar1>(application ? application->MenuBar() : nullptr)) {
        return menuBar;
    }
    return std::make_shared<MenuBar1>();
}

} // namespace ui
