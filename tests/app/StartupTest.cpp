#include "app/App.h"
#include "app/Startup.h"
#include "framework/Application.h"
#include "framework/DocumentTypes.h"
#include "framework/Exceptions.h"
#include "framework/Scripting.h"
#include "support/TempDir.h"
#include "ui/MenuNames.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>

using framework::scripting::ShownDialogs;
using framework::scripting::ShownMessages;
using testsupport::RunWhen;
using testsupport::TriggerMenuItem;

namespace {

const std::vector<std::string> kAllNames{ui::menu_names::kAbout,     ui::menu_names::kMakerPage,
                                         ui::menu_names::kFeedback,  ui::menu_names::kHelp,
                                         ui::menu_names::kConvertFromDisk, ui::menu_names::kConverterPage};

class StartupTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        framework::scripting::Reset();
        framework::scripting::AnswerMessages();
        framework::scripting::RecordURLs();
    }
    void TearDown() override { framework::scripting::Reset(); }

    int run(std::vector<std::string> arguments, const app::StepObserver& observe)
    {
        arguments.insert(arguments.begin(), "zwojnik");
        std::vector<char*> argv;
        for (auto& argument : arguments) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        return app::Run(static_cast<int>(arguments.size()), argv.data(), observe);
    }
};

// Counts Close events and asks to quit again from inside the handler, as the program's handler does.
class CountingApp : public app::App
{
public:
    void Event_Close() override
    {
        ++closes;
        app::App::Event_Close();
    }
    int closes = 0;
};

class ThrowingApp : public app::App
{
public:
    void Event_OpenDocument(const framework::FolderItemPtr&) override
    {
        throw framework::NilObjectException("test");
    }
};

} // namespace

TEST_F(StartupTest, StepsRunInOrderAndEachFindsWhatTheOneBeforeMade)
{
    std::vector<std::string> steps;
    const int status = run({}, [&](std::string_view step) {
        steps.emplace_back(step);
        if (step == "application object") {
            EXPECT_TRUE(framework::RegisteredDocumentType("text/lit").has_value());
            EXPECT_EQ(framework::Application::Instance(), nullptr);
        } else if (step == "menu handlers") {
            ASSERT_NE(framework::Application::Instance(), nullptr);
            EXPECT_NE(framework::Application::Instance()->MenuBar(), nullptr);
            EXPECT_EQ(framework::Application::Instance()->MenuHandlerFor(ui::menu_names::kAbout), nullptr);
        } else if (step == "event loop") {
            for (const auto& name : kAllNames) {
                EXPECT_NE(App().MenuHandlerFor(name), nullptr) << name;
            }
            RunWhen([] { return true; }, [] { TriggerMenuItem("FileQuit"); });
        } else if (step == "finalisation") {
            EXPECT_TRUE(framework::RegisteredDocumentType("text/lit").has_value());
        } else if (step == "exit") {
            EXPECT_TRUE(framework::RegisteredDocumentTypes().empty());
        }
    });
    EXPECT_EQ(status, 0);
    const std::vector<std::string> expected{"framework",  "file types",   "application object", "menu handlers",
                                            "event loop", "finalisation", "exit"};
    EXPECT_EQ(steps, expected);
    EXPECT_TRUE(ShownMessages().empty());
}

TEST_F(StartupTest, LaunchShowsOnlyTheMenuBarWindow)
{
    QStringList shown;
    run({}, [&](std::string_view step) {
        if (step == "event loop") {
            RunWhen([] { return true; }, [&] {
                for (auto* widget : QApplication::topLevelWidgets()) {
                    if (widget->isVisible()) {
                        shown << widget->windowTitle();
                    }
                }
                TriggerMenuItem("FileQuit");
            });
        }
    });
    EXPECT_EQ(shown, QStringList{QStringLiteral("Zwojnik")});
    EXPECT_TRUE(ShownDialogs().empty());
}

TEST_F(StartupTest, DocumentsGivenAtLaunchArriveOneByOneAfterStartUp)
{
    testsupport::TempDir dir;
    framework::scripting::QueueDialogAnswer(std::nullopt);
    framework::scripting::QueueDialogAnswer(std::nullopt);
    run({dir / "first.lit", dir / "second book.lit"}, [&](std::string_view step) {
        if (step == "event loop") {
            EXPECT_TRUE(ShownDialogs().empty());
            RunWhen([] { return ShownDialogs().size() == 2 && !framework::RequestRunning(); },
                    [] { TriggerMenuItem("FileQuit"); });
        }
    });
    ASSERT_EQ(ShownDialogs().size(), 2u);
    for (const auto& dialog : ShownDialogs()) {
        EXPECT_EQ(dialog.kind, framework::FileDialog::Kind::SelectFolder);
    }
    EXPECT_TRUE(ShownMessages().empty()) << "cancelling the folder dialog says nothing";
}

TEST_F(StartupTest, QuittingRaisesCloseOnceAndExitsWithZero)
{
    std::shared_ptr<CountingApp> counting;
    const int status = run({}, [&](std::string_view step) {
        if (step == "menu handlers") {
            counting = std::make_shared<CountingApp>();
            counting->SetMenuBar(framework::Application::Instance()->MenuBar());
            framework::Application::Register(counting);
        } else if (step == "event loop") {
            RunWhen([] { return true; }, [] {
                TriggerMenuItem("FileQuit");
                framework::Quit(0); // a second request while already quitting
            });
        }
    });
    EXPECT_EQ(status, 0);
    ASSERT_NE(counting, nullptr);
    EXPECT_EQ(counting->closes, 1);
}

TEST_F(StartupTest, ClosingTheMenuBarWindowQuits)
{
    const int status = run({}, [&](std::string_view step) {
        if (step == "event loop") {
            RunWhen([] { return true; }, [] {
                for (auto* widget : QApplication::topLevelWidgets()) {
                    if (qobject_cast<QMainWindow*>(widget) && widget->isVisible()) {
                        widget->close();
                    }
                }
            });
        }
    });
    EXPECT_EQ(status, 0);
}

TEST_F(StartupTest, ExceptionInAHandlerReachesTheUnhandledRoutineAndFinalisationStillRuns)
{
    std::vector<std::string> steps;
    const int status = run({"/tmp/any.lit"}, [&](std::string_view step) {
        steps.emplace_back(step);
        if (step == "menu handlers") {
            auto throwing = std::make_shared<ThrowingApp>();
            framework::Application::Register(throwing);
        }
    });
    EXPECT_EQ(status, 1);
    ASSERT_EQ(ShownMessages().size(), 1u);
    EXPECT_NE(ShownMessages()[0].find("NilObjectException"), std::string::npos) << ShownMessages()[0];
    EXPECT_TRUE(framework::RegisteredDocumentTypes().empty());
    const std::vector<std::string> expected{"framework",  "file types",          "application object", "menu handlers",
                                            "event loop", "unhandled exception", "finalisation",       "exit"};
    EXPECT_EQ(steps, expected);
}

TEST_F(StartupTest, AccessorRaisesCastFailureForAForeignApplicationObject)
{
    run({}, [&](std::string_view step) {
        if (step == "event loop") {
            auto keep = framework::Application::Instance();
            framework::Application::Register(std::make_shared<framework::Application>());
            EXPECT_THROW(App(), framework::IllegalCastException);
            framework::Application::Register(nullptr);
            EXPECT_THROW(App(), framework::NilObjectException);
            framework::Application::Register(keep);
            RunWhen([] { return true; }, [] { TriggerMenuItem("FileQuit"); });
        }
    });
}
