#include "app/Startup.h"

#include "app/App.h"
#include "app/FileType.h"
#include "conversion/WorkingFolder.h"
#include "framework/Application.h"
#include "framework/Exceptions.h"
#include "framework/Windows.h"
#include "ui/MenuBar1.h"
#include "ui/MenuNames.h"

#include <array>
#include <iostream>

namespace app {

namespace {

struct MenuHandlerBinding
{
    const framework::String& itemName;
    bool (App::*handler)();
};

// Bound in this order.
const std::array<MenuHandlerBinding, 8> kMenuHandlers{{
    {ui::menu_names::kAbout, &App::AppleOKinolek_Action},
    {ui::menu_names::kMakerPage, &App::AppleOdwiedźstronęOrvel_Action},
    {ui::menu_names::kFeedback, &App::AppleSkomentujdziałanieKinolek_Action},
    {ui::menu_names::kHelp, &App::PomocPomocKinolek_Action},
    {ui::menu_names::kConvertFromDisk, &App::PlikOdtwarzajfilmzdysku_Action},
    {ui::menu_names::kConverterPage, &App::AppleOdwiedstronclit_Action},
    {ui::menu_names::kConvertToEpub, &App::PlikZamienNaEpub_Action},
    {ui::menu_names::kConvertLibrary, &App::PlikZamienwieleplikow_Action},
}};

void Main(framework::Runtime& runtime, FileTypes& fileTypes, const MakeApplication& makeApplication)
{
    try {
        InitFileTypes(fileTypes);
        conversion::WorkingFolder::RemoveStale();
        NewAppInstance(makeApplication);
        ApplicationAddMenuHandlers();
        runtime.RunEventLoop();
    } catch (...) {
        runtime.HandleUnhandledException(std::current_exception());
    }
}

void FinaliseModules(FileTypes& fileTypes)
{
    framework::ReleaseWindows();
    fileTypes.pTextLit.reset();
}

void tellStartFailure(const framework::StartFailure& failure)
{
    if (failure.noDisplay) {
        std::cerr << kNoDisplayMessage;
    } else {
        std::cerr << kCannotStartMessage << failure.reason;
    }
}

int RunIn(framework::Runtime& runtime, const MakeApplication& makeApplication)
{
    if (runtime.HandedOver()) {
        return runtime.Exit(); // the program already running opens this launch's documents
    }
    FileTypes fileTypes;
    Main(runtime, fileTypes, makeApplication);
    FinaliseModules(fileTypes);
    return runtime.Exit();
}

} // namespace

framework::ProgramIdentity Identity()
{
    return {"Zwojnik", "zwojnik", tellStartFailure};
}

int Run(int argc, char** argv)
{
    framework::Runtime runtime(argc, argv, Identity());
    return RunIn(runtime, {});
}

int Run(int argc, char** argv, std::unique_ptr<framework::Platform>&& platform,
        const MakeApplication& makeApplication)
{
    framework::Runtime runtime(argc, argv, Identity(), std::move(platform));
    return RunIn(runtime, makeApplication);
}

void InitFileTypes(FileTypes& fileTypes)
{
    fileTypes.Initialize();
}

void NewAppInstance(const MakeApplication& makeApplication)
{
    auto application = makeApplication ? makeApplication() : std::make_shared<App>();
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
