#pragma once

#include "framework/Application.h"

#include <functional>
#include <memory>

namespace framework {
class Platform;
} // namespace framework

namespace app {

class App;

// Polish, as the program speaks, whatever the system's language.
inline constexpr const char* kNoDisplayMessage =
    "Zwojnik nie może się uruchomić: nie udało się połączyć z ekranem. Uruchom go w sesji graficznej "
    "(zmienna DISPLAY albo WAYLAND_DISPLAY musi wskazywać działający serwer grafiki).\n";
// Followed by what Qt said.
inline constexpr const char* kCannotStartMessage = "Zwojnik nie może się uruchomić: biblioteka Qt nie "
                                                   "uruchomiła interfejsu graficznego. Podała przyczynę:\n";

// The program as the framework shows it: its name, its desktop entry, and what it says on standard error
// when it cannot start.
framework::ProgramIdentity Identity();

// Makes the application object of a run.
using MakeApplication = std::function<std::shared_ptr<App>()>;

// The whole run of the program: start-up, the event loop, shut-down. Yields the exit status. Without a
// platform, the framework's own serves; without makeApplication, the program's own App is made.
int Run(int argc, char** argv);
int Run(int argc, char** argv, std::unique_ptr<framework::Platform>&& platform,
        const MakeApplication& makeApplication = {});

struct FileTypes;

void InitFileTypes(FileTypes& fileTypes);
void NewAppInstance(const MakeApplication& makeApplication);
void ApplicationAddMenuHandlers();

} // namespace app
