#pragma once

#include "framework/Windows.h"

#include <cstdint>
#include <memory>

namespace ui {

// The About window: the program's name and version, what it does, who made it, and OK.
class Window2 : public framework::Window
{
public:
    void PushButton1_Action();
    bool StaticText2_MouseDown(std::int32_t x, std::int32_t y);

protected:
    void Layout() override;
    void CreateControls() override;
    void CreateControls0();
    void AddMenuHandlers(framework::Window& window) override;
};

// The open About window, built first when there is none.
std::shared_ptr<Window2> Window2Instance();

} // namespace ui

// The accessor by the class's name.
inline std::shared_ptr<ui::Window2> Window2()
{
    return ui::Window2Instance();
}
