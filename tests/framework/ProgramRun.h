#pragma once

// What the tests of opening documents share: the whole program run in the test process, with an
// application object that writes down when each document's request begins and ends.

#include "app/App.h"
#include "app/Startup.h"
#include "framework/Application.h"

#include <QApplication>
#include <QFileDialog>
#include <QMainWindow>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace desktoptest {

class RecordingApp : public app::App
{
public:
    void Event_OpenDocument(const framework::FolderItemPtr& item) override
    {
        events.push_back("begin " + item->NativePath());
        app::App::Event_OpenDocument(item);
        events.push_back("end " + item->NativePath());
    }

    std::vector<std::string> events;
};

// The events of documents opened whole, one after the other.
inline std::vector<std::string> OpenedInTurn(const std::vector<std::string>& paths)
{
    std::vector<std::string> events;
    for (const auto& path : paths) {
        events.push_back("begin " + path);
        events.push_back("end " + path);
    }
    return events;
}

// Runs the program (start-up, event loop, shut-down) with these launch documents; its application
// object is the recording one, and atEventLoop runs as the event loop begins. Yields the exit status.
inline int RunProgram(std::vector<std::string> documents, std::shared_ptr<RecordingApp>& recording,
                      const std::function<void()>& atEventLoop)
{
    documents.insert(documents.begin(), "zwojnik");
    std::vector<char*> argv;
    for (auto& argument : documents) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    return app::Run(static_cast<int>(documents.size()), argv.data(), [&](std::string_view step) {
        if (step == "menu handlers") {
            recording = std::make_shared<RecordingApp>();
            recording->SetMenuBar(framework::Application::Instance()->MenuBar());
            framework::Application::Register(recording);
        } else if (step == "event loop") {
            atEventLoop();
        }
    });
}

// The program built beside the test programs.
inline std::string ProgramPath()
{
    return std::string(ZWOJNIK_BUILD_DIR) + "/zwojnik";
}

inline std::string TestBook(const std::string& name)
{
    return std::string(ZWOJNIK_TEST_DATA) + "/" + name;
}

inline QMainWindow* MenuBarWindow()
{
    for (auto* widget : QApplication::topLevelWidgets()) {
        if (auto* window = qobject_cast<QMainWindow*>(widget); window && window->isVisible()) {
            return window;
        }
    }
    return nullptr;
}

// The file dialog on screen, if one is.
inline QFileDialog* ShownFileDialog()
{
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    return dialog && dialog->isVisible() ? dialog : nullptr;
}

inline bool HasFile(const std::filesystem::path& path)
{
    return std::filesystem::is_regular_file(path);
}

} // namespace desktoptest
