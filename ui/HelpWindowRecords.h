#pragma once

#include <string>

// The encoded property records of the Help window and its controls.
namespace ui::help {

const std::string& Window3Record();
const std::string& EditField1Record();  // the help text
const std::string& StaticText1Record(); // heading

} // namespace ui::help
