#include "ui/Window2.h"

#include "framework/Controls.h"
#include "framework/Exceptions.h"
#include "framework/Messages.h"
#include "ui/AboutWindowRecords.h"
#include "ui/ControlRecords.h"
#include "ui/PropertyRecord.h"

namespace ui {

void Window2::Layout()
{
    SetProperties(*this, about::Window2Record());
}

void Window2::CreateControls()
{
    CreateControls0();
}

void Window2::CreateControls0()
{
    using framework::Canvas;
    using framework::PushButton;
    using framework::StaticText;

    AddControlFromRecord<PushButton>(*this, "PushButton1", about::PushButton1Record())
        ->SetActionHandler(framework::MethodHandler(*this, &Window2::PushButton1_Action));
    AddControlFromRecord<StaticText>(*this, "StaticText1", about::StaticText1Record());
    AddControlFromRecord<StaticText>(*this, "StaticText2", about::StaticText2Record())
        ->SetMouseDownHandler(framework::MethodHandler(*this, &Window2::StaticText2_MouseDown));
    AddControlFromRecord<StaticText>(*this, "StaticText3", about::StaticText3Record());
    AddControlFromRecord<Canvas>(*this, "Canvas1", about::Canvas1Record());
}

// The About window has no menu handlers of its own; only the class of the window is checked.
void Window2::AddMenuHandlers(framework::Window& window)
{
    framework::Cast<Window2>(window.shared_from_this());
}

// The button closes the window it sits in, which is always the implicit instance.
void Window2::PushButton1_Action()
{
    framework::Require(::Window2()).Close();
}

bool Window2::StaticText2_MouseDown(std::int32_t x, std::int32_t y)
{
    (void)x;
    (void)y;
    framework::MsgBox("...z specjalną dedykacją dla Miraldy :-)");
    return false;
}

std::shared_ptr<Window2> Window2Instance()
{
    return framework::ImplicitInstance<Window2>();
}

} // namespace ui
