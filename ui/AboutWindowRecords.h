#pragma once

#include <string>

// The encoded property records of the About window and its controls.
namespace ui::about {

const std::string& Window2Record();
const std::string& PushButton1Record();
const std::string& StaticText1Record(); // credit
const std::string& StaticText2Record(); // program name and version
const std::string& StaticText3Record(); // what the program does
const std::string& Canvas1Record();     // the program's icon

} // namespace ui::about
