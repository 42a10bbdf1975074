#include "app/App.h"

#include "conversion/Konwertuj.h"
#include "conversion/KonwertujEpub.h"
#include "framework/Exceptions.h"
#include "library_window/LibraryCommand.h"
#include "ui/InformationCommands.h"

namespace app {

void App::Event_Open()
{
    conversion::StagingFolder::RemoveStale();
}

void App::Event_OpenDocument(const framework::FolderItemPtr& item)
{
    conversion::ConvertOpenedDocument(*this, item);
}

void App::Event_Close()
{
    framework::Quit(0);
}

bool App::AppleOKinolek_Action()
{
    return ui::ShowAboutWindow();
}

bool App::AppleOdwiedźstronęOrvel_Action()
{
    return ui::OpenMakerPage();
}

bool App::AppleSkomentujdziałanieKinolek_Action()
{
    return ui::WriteFeedback();
}

bool App::PomocPomocKinolek_Action()
{
    return ui::ShowHelpWindow();
}

bool App::PlikOdtwarzajfilmzdysku_Action()
{
    return conversion::ConvertFileFromDisk(*this);
}

bool App::AppleOdwiedstronclit_Action()
{
    return ui::OpenConverterPage();
}

bool App::PlikZamienNaEpub_Action()
{
    return conversion::ConvertFileFromDiskToEpub(*this);
}

bool App::PlikZamienwieleplikow_Action()
{
    return library_window::ConvertLibraryFromDisk(
        framework::Require(ExecutableFile()->Parent()).NativePath());
}

void App::konwertuj(const String& appFolderPath, const String& sourcePath, const String& targetFolderPath)
{
    conversion::Konwertuj(appFolderPath, sourcePath, targetFolderPath);
}

void App::konwertujEpub(const String& appFolderPath, const String& sourcePath, const String& targetFolderPath)
{
    conversion::KonwertujEpub(appFolderPath, sourcePath, targetFolderPath);
}

} // namespace app

app::App& App()
{
    return *framework::Cast<app::App>(framework::Application::Instance());
}
