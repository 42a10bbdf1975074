#pragma once

namespace ui {

// The menu commands that tell about the program. Each yields false.
bool ShowAboutWindow();
bool ShowHelpWindow();
bool OpenMakerPage();
bool WriteFeedback();
bool OpenConverterPage();

} // namespace ui
