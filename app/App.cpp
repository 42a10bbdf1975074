#include "app/App.h"

#include "conversion/Konwertuj.h"
#include "conversion/KonwertujEpub.h"
#include "framework/Exceptions.h"
#include "library_window/LibraryCommand.h"
#include "ui/InformationCommands.h"

#include <algorithm>
#include <filesystem>

namespace app {

namespace {

String programFolder(const App& app)
{
    return framework::Require(app.ExecutableFile()->Parent()).NativePath();
}

} // namespace

App::App()
{
    SetTakesFolders(true);
}

void App::Event_Open()
{
    conversion::StagingFolder::RemoveStale();
}

void App::Event_OpenDocuments(const std::vector<framework::FolderItemPtr>& items)
{
    // A book named twice is one book.
    std::vector<std::filesystem::path> paths;
    for (const auto& item : items) {
        if (std::ranges::find(paths, std::filesystem::path(item->NativePath())) == paths.end()) {
            paths.emplace_back(item->NativePath());
        }
    }
    if (paths.size() == 1 && !std::filesystem::is_directory(paths.front())) {
        Event_OpenDocument(items.front());
    } else if (!paths.empty()) {
        library_window::ConvertBooks(programFolder(*this), paths);
    }
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
    return library_window::ConvertLibraryFromDisk(programFolder(*this));
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
