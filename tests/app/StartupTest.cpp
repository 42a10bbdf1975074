#include "app/App.h"
#include "framework/Application.h"
#include "framework/DocumentTypes.h"
#include "framework/Exceptions.h"
#include "support/Conversion.h"
#include "support/Program.h"
#include "ui/MenuNames.h"

#include <QApplication>
#include <QMainWindow>

using namespace testsupport;

using StartupTest = ScriptedTest;

TEST_F(StartupTest, StepsRunInOrderAndEachFindsWhatTheOneBeforeMade)
{
    namespace names = ui::menu_names;
    std::vector<std::string> steps;
    QStringList shownWindows;
    const int status = RunProgram(
        {},
        [&] {
            for (const auto& name : {names::kAbout, names::kMakerPage, names::kFeedback, names::kHelp,
                                     names::kConvertFromDisk, names::kConverterPage}) {
                EXPECT_NE(App().MenuHandlerFor(name), nullptr) << name;
            }
            const auto keep = framework::Application::Instance();
            framework::Application::Register(std::make_shared<framework::Application>());
            EXPECT_THROW(App(), framework::IllegalCastException);
            framework::Application::Register(keep);
            RunWhen([] { return true; },
                    [&] {
                        for (auto* widget : QApplication::topLevelWidgets()) {
                            if (widget->isVisible()) {
                                shownWindows << widget->windowTitle();
                            }
                        }
                        TriggerMenuItem("FileQuit");
                    });
        },
        nullptr,
        [&](std::string_view step) {
            steps.emplace_back(step);
            if (step == "application object") {
                EXPECT_TRUE(framework::RegisteredDocumentType("text/lit").has_value());
                EXPECT_THROW(App(), framework::NilObjectException);
            } else if (step == "menu handlers") {
                ASSERT_NE(framework::Application::Instance(), nullptr);
                EXPECT_NE(framework::Application::Instance()->MenuBar(), nullptr);
                EXPECT_EQ(framework::Application::Instance()->MenuHandlerFor(names::kAbout), nullptr);
            } else if (step == "finalisation") {
                EXPECT_TRUE(framework::RegisteredDocumentType("text/lit").has_value());
            } else if (step == "exit") {
                EXPECT_TRUE(framework::RegisteredDocumentTypes().empty());
            }
        });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(steps, (std::vector<std::string>{"framework", "file types", "application object",
                                               "menu handlers", "event loop", "finalisation", "exit"}));
    EXPECT_EQ(shownWindows, QStringList{QStringLiteral("Zwojnik")});
    EXPECT_TRUE(script.ShownDialogs().empty());
    EXPECT_TRUE(script.ShownMessages().empty());
}

TEST_F(StartupTest, DocumentsGivenAtLaunchAreConvertedOneByOneOnceTheHandlersAreBound)
{
    TempDir dir;
    const auto first = dir / "pierwsza książka.lit";
    const auto second = dir / "druga; książka.lit";
    CopyTestBook("krotka.lit", first);
    CopyTestBook("rozdzialy.lit", second);
    std::filesystem::create_directories(dir / "do pierwszej");
    std::filesystem::create_directories(dir / "do drugiej");
    script.QueueDialogAnswer(dir / "do pierwszej");
    script.QueueDialogAnswer(dir / "do drugiej");
    auto recording = std::make_shared<RecordingApp>();

    const int status = RunProgram(
        {first, second},
        [&] {
            EXPECT_TRUE(recording->events.empty()) << "a document came before the event loop";
            QuitWhen([&] { return recording->events.size() == 4; });
        },
        recording);

    EXPECT_EQ(status, 0);
    EXPECT_EQ(recording->events, OpenedInTurn({first, second}));
    EXPECT_EQ(script.ShownMessages(), (std::vector<std::string>{"Gotowe!", "Gotowe!"}));
    EXPECT_TRUE(FileNames(dir / "do pierwszej").count("krotka.html"));
    EXPECT_FALSE(FileNames(dir / "do pierwszej").count("rozdzialy_split_000.html"));
    EXPECT_TRUE(FileNames(dir / "do drugiej").count("rozdzialy_split_000.html"));
}

namespace {
// Counts Close events; the program's own handler asks to quit again from inside.
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
} // namespace

TEST_F(StartupTest, QuittingFromTheMenuOrByClosingTheWindowRaisesCloseOnceAndExitsWithZero)
{
    const std::vector<std::function<void()>> ways{
        [] {
            TriggerMenuItem("FileQuit");
            framework::Quit(0); // asked again while already quitting
        },
        [] { MenuBarWindow()->close(); },
    };
    for (const auto& quit : ways) {
        auto counting = std::make_shared<CountingApp>();
        const int status = RunProgram(
            {}, [&] { RunWhen([] { return MenuBarWindow() != nullptr; }, quit); }, counting);
        EXPECT_EQ(status, 0);
        EXPECT_EQ(counting->closes, 1);
    }
}
