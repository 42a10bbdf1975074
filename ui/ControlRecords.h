#pragma once

#include "framework/Exceptions.h"
#include "framework/Windows.h"
#include "ui/PropertyRecord.h"

#include <memory>
#include <string>

namespace ui {

// Builds one control of a window: creates it, adds it to the window under its name, finds it again by
// that name as the class expected, and applies its property record.
template <class ControlClass>
std::shared_ptr<ControlClass> AddControlFromRecord(framework::Window& window, const framework::String& name,
                                                   const std::string& record)
{
    window.AddControl(name, std::make_shared<ControlClass>());
    auto control = framework::Cast<ControlClass>(window.Control(name));
    SetProperties(*control, record);
    return control;
}

} // namespace ui
