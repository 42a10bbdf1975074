#pragma once

#include <functional>
#include <string_view>

namespace framework {
class Runtime;
}

namespace app {

// Told the name of each start-up and shut-down step as it begins; for tests.
using StepObserver = std::function<void(std::string_view step)>;

// The whole run of the program: start-up, the event loop, shut-down. Yields the exit status.
int Run(int argc, char** argv, const StepObserver& observe = {});

void InitFileTypes();
void NewAppInstance();
void ApplicationAddMenuHandlers();

} // namespace app
