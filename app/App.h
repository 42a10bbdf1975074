#pragma once

#include "conversion/Requests.h"
#include "framework/Application.h"

namespace app {

using framework::String;

// The application object: one per run, reached through the accessor App().
class App : public framework::Application, public conversion::ConversionTarget
{
public:
    App();

    void Event_Open() override;
    // One book opened alone is converted as the menu converts one; several, or folders, as a library.
    void Event_OpenDocuments(const std::vector<framework::FolderItemPtr>& items) override;
    void Event_OpenDocument(const framework::FolderItemPtr& item) override;
    void Event_Close() override;

    // Menu commands, named after the Name of their menu item.
    bool AppleOKinolek_Action();
    bool AppleOdwiedźstronęOrvel_Action();
    bool AppleSkomentujdziałanieKinolek_Action();
    bool PomocPomocKinolek_Action();
    bool PlikOdtwarzajfilmzdysku_Action();
    bool AppleOdwiedstronclit_Action();
    bool PlikZamienNaEpub_Action();
    bool PlikZamienwieleplikow_Action();

    framework::FolderItemPtr ExecutableFile() const override { return Application::ExecutableFile(); }
    void konwertuj(const String& appFolderPath, const String& sourcePath,
                   const String& targetFolderPath) override;
    void konwertujEpub(const String& appFolderPath, const String& sourcePath,
                       const String& targetFolderPath) override;
};

} // namespace app

// The registered application object. Raises the nil-object exception before there is one and the
// failed-cast exception when it is of another class.
app::App& App();
