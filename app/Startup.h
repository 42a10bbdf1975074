#pragma once

#include <functional>
#include <memory>
#include <string_view>

namespace framework {
class Platform;
class Runtime;
} // namespace framework

namespace app {

// Told the name of each start-up and shut-down step as it begins; for tests.
using StepObserver = std::function<void(std::string_view step)>;

// The whole run of the program: start-up, the event loop, shut-down. Yields the exit status. Without a
// platform, the framework's own serves.
int Run(int argc, char** argv, const StepObserver& observe = {});
int Run(int argc, char** argv, const StepObserver& observe, std::unique_ptr<framework::Platform>&& platform);

struct FileTypes;

void InitFileTypes(FileTypes& fileTypes);
void NewAppInstance();
void ApplicationAddMenuHandlers();

} // namespace app
