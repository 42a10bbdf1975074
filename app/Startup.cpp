#include "app/Startup.h"

#include "app/App.h"
#include "app/FileType.h"
#include "framework/Application.h"
#include "framework/Exceptions.h"
#include "framework/Windows.h"
#include "ui/MenuBar1.h"
#include "ui/MenuNames.h"

#include <array>

namespace app {

namespace {

struct MenuHandlerBinding
{
    const framework::String& itemName;
    bool (App::*handler)();
};

// Bound in this order.
const std::array<MenuHandlerBinding, 6> kMenuHandlers{{
    {ui::menu_names::kAbout, &App::AppleOKinolek_Action},
    {ui::menu_names::kMakerPage, &App::AppleOdwiedźstronęOrvel_Action},
    {ui::menu_names::kFeedback, &App::AppleSkomentujdziałanieKinolek_Action},
    {ui::menu_names::kHelp, &App::PomocPomocKinolek_Action},
    {ui::menu_names::kConvertFromDisk, &App::PlikOdtwarzajfilmzdysku_Action},
    {ui::menu_names::kConverterPage, &App::AppleOdwiedstronclit_Action},
}};

void Main(framework::Runtime& runtime, FileTypes& fileTypes, const StepObserver& observe)
{
    try {
        observe("file types");
        InitFileTypes(fileTypes);
        observe("application object");
        NewAppInstance();
        observe("menu handlers");
        ApplicationAddMenuHandlers();
        observe("event loop");
        runtime.RunEventLoop();
    } catch (...) {
        observe("unhandled exception");
        runtime.HandleUnhandledException(std::current_exception());
    }
}

void FinaliseModules(FileTypes& fileTypes, const StepObserver& observe)
{
    observe("finalisation");
    framework::ReleaseWindows();
    fileTypes.pTextLit.reset();
}

int RunIn(framework::Runtime& runtime, const StepObserver& observe)
{
    if (runtime.HandedOver()) {
        return runtime.Exit(); // the program already running opens this launch's documents
    }
    FileTypes fileTypes;
    Main(runtime, fileTypes, observe);
    FinaliseModules(fileTypes, observe);
    observe("exit");
    return runtime.Exit();
}

StepObserver orNothing(const StepObserver& observer)
{
    return observer ? observer : [](std::string_view) {};
}

} // namespace

int Run(int argc, char** argv, const StepObserver& observer)
{
    const auto observe = orNothing(observer);
    observe("framework");
    framework::Runtime runtime(argc, argv);
    return RunIn(runtime, observe);
}

int Run(int argc, char** argv, const StepObserver& observer, std::unique_ptr<framework::Platform>&& platform)
{
    const auto observe = orNothing(observer);
    observe("framework");
    framework::Runtime runtime(argc, argv, std::move(platform));
    return RunIn(runtime, observe);
}

void InitFileTypes(FileTypes& fileTypes)
{
    fileTypes.Initialize();
}

void NewAppInstance()
{
    auto application = std::make_shared<App>();
    framework::Require(application).SetMenuBar(MenuBar1());
    framework::Application::Register(application);
}

void ApplicationAddMenuHandlers()
{
    for (const auto& binding : kMenuHandlers) {
        auto& application = ::App();
        application.AddMenuHandler(
            binding.itemName, [&application, handler = binding.handler] { return (application.*handler)(); });
    }
}

} // namespace app
