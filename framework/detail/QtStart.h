#pragma once

#include "framework/Application.h"

#include <functional>
#include <memory>

class QApplication;

namespace framework::detail {

// Qt's application object for a program whose only argument Qt sees is its name; nothing when one exists
// already. When Qt cannot start, tellFailure is told whether it found no display to show windows on or
// what else it said, and the process ends with status 1. The settings that Qt's own parts keep (the file
// dialogs' history and last folder) are written nowhere: the program keeps no files of its own.
std::unique_ptr<QApplication> StartQt(char* programName,
                                      const std::function<void(const StartFailure&)>& tellFailure);

} // namespace framework::detail
