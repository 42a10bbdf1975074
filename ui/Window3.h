#pragma once

#include "framework/Windows.h"

#include <memory>

namespace ui {

// The Help window: a heading and the read-only help text, which follows the window's size.
class Window3 : public framework::Window
{
protected:
    void Layout() override;
    void CreateControls() override;
    void CreateControls0();
    void AddMenuHandlers(framework::Window& window) override;
};

// The open Help window, built first when there is none.
std::shared_ptr<Window3> Window3Instance();

} // namespace ui

// The accessor by the class's name.
inline std::shared_ptr<ui::Window3> Window3()
{
    return ui::Window3Instance();
}
