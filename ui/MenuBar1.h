#pragma once

#include "framework/Menus.h"

#include <memory>

namespace ui {

// Below the menus, for whoever sees the window for the first time.
inline const framework::String kDropHint = "Upuść tu pliki .lit albo wybierz Plik → Zamień…";

// The program's one menu bar: Plik, Edycja and Pomoc.
class MenuBar1 : public framework::MenuBar
{
public:
    MenuBar1();

    void Untitled1(); // Plik
    void Untitled2(); // Edycja
    void Untitled3(); // Pomoc
};

// The application's menu bar; a new one while the application has none.
std::shared_ptr<MenuBar1> MenuBar1Instance();

} // namespace ui

// The accessor by the class's name.
inline std::shared_ptr<ui::MenuBar1> MenuBar1()
{
    return ui::MenuBar1Instance();
}
