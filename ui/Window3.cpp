#include "ui/Window3.h"

#include "framework/Controls.h"
#include "framework/Exceptions.h"
#include "ui/ControlRecords.h"
#include "ui/HelpWindowRecords.h"
#include "ui/PropertyRecord.h"

namespace ui {

void Window3::Layout()
{
    SetProperties(*this, help::Window3Record());
}

void Window3::CreateControls()
{
    CreateControls0();
}

void Window3::CreateControls0()
{
    AddControlFromRecord<framework::EditField>(*this, "EditField1", help::EditField1Record());
    AddControlFromRecord<framework::StaticText>(*this, "StaticText1", help::StaticText1Record());
}

// The Help window has no menu handlers of its own; only the class of the window is checked.
void Window3::AddMenuHandlers(framework::Window& window)
{
    framework::Cast<Window3>(window.shared_from_this());
}

std::shared_ptr<Window3> Window3Instance()
{
    return framework::ImplicitInstance<Window3>();
}

} // namespace ui
