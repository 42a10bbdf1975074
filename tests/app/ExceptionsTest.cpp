// A programming fault (a nil object, a failed cast) raised inside any kind of handler ends the program
// one way: the unhandled-exception routine once, finalisation all the same, and the exit status 1.
#include "framework/Exceptions.h"

#include "framework/Controls.h"
#include "framework/DocumentTypes.h"
#include "framework/Windows.h"
#include "support/Conversion.h"
#include "support/Program.h"
#include "ui/MenuNames.h"
#include "ui/Window2.h"

#include <QTest>
#include <cstdlib>

using namespace testsupport;

namespace {

enum class Handler
{
    Menu,         // the convert-from-disk command, which meets a nil executable once the book is chosen
    Document,     // a failed cast as a document opens
    ButtonAction, // a nil object used by the About window's button
};

class FaultyApp : public app::App
{
public:
    explicit FaultyApp(Handler handler) : mHandler(handler) {}
    void Event_OpenDocument(const framework::FolderItemPtr& item) override
    {
        framework::Cast<app::App>(std::make_shared<framework::Application>());
        app::App::Event_OpenDocument(item);
    }
    framework::FolderItemPtr ExecutableFile() const override
    {
        return mHandler == Handler::Menu ? nullptr : app::App::ExecutableFile();
    }

private:
    Handler mHandler;
};

// Brings about the fault as the user would: a menu command, a document opened, a click on the About
// window's button.
void provoke(Script& script, Handler handler)
{
    const auto aboutButton = [] {
        auto window = framework::ImplicitInstanceOf(typeid(ui::Window2));
        return window ? window->Control("PushButton1") : nullptr;
    };
    switch (handler) {
    case Handler::Menu:
        script.QueueDialogAnswer(TestBook("krotka.lit"));
        TriggerMenuItem(ui::menu_names::kConvertFromDisk);
        break;
    case Handler::Document:
        framework::Runtime::Current()->OpenDocument(framework::FolderItem::FromPath(TestBook("krotka.lit")));
        break;
    case Handler::ButtonAction:
        TriggerMenuItem(ui::menu_names::kAbout);
        RunWhen([aboutButton] { return aboutButton() && !framework::RequestRunning(); },
                [aboutButton] {
                    auto button = framework::Cast<framework::PushButton>(aboutButton());
                    button->SetActionHandler(
                        [] { framework::Require(std::shared_ptr<framework::Window>()); });
                    QTest::mouseClick(button->Widget(), Qt::LeftButton);
                });
        break;
    }
}

// Each step as it begins; at the last, "left" when the program still holds a window or a document type.
int runWithFault(Script& script, Handler handler, std::vector<std::string>& steps)
{
    return RunProgram(
        script, {},
        [&script, handler] {
            RunWhen([] { return true; }, [&script, handler] { provoke(script, handler); });
        },
        std::make_shared<FaultyApp>(handler),
        [&](std::string_view step) {
            steps.emplace_back(step);
            if (step == "exit" &&
                !(framework::RegisteredDocumentTypes().empty() && framework::Windows().empty())) {
                steps.emplace_back("left");
            }
        });
}

} // namespace

using ExceptionsTest = ScriptedTest;

TEST_F(ExceptionsTest, FaultInAnyHandlerReachesTheUnhandledRoutineOnceAndTheProgramStillFinalises)
{
    for (const auto& [handler, exception] : {std::pair{Handler::Menu, "NilObjectException"},
                                             std::pair{Handler::Document, "IllegalCastException"},
                                             std::pair{Handler::ButtonAction, "NilObjectException"}}) {
        SCOPED_TRACE(exception);
        script = Script{};
        std::vector<std::string> steps;
        EXPECT_EQ(runWithFault(script, handler, steps), 1);
        EXPECT_EQ(steps,
                  (std::vector<std::string>{"framework", "file types", "application object", "menu handlers",
                                            "event loop", "unhandled exception", "finalisation", "exit"}));
        ASSERT_EQ(script.ShownMessages().size(), 1u) << "one unhandled-exception message and nothing else";
        EXPECT_NE(script.ShownMessages()[0].find(exception), std::string::npos) << script.ShownMessages()[0];
    }
}

// In a process of its own, as the program runs: nothing the process does on its way out (static
// destructors, the sanitizers' leak check) changes the status 1.
TEST_F(ExceptionsTest, ProcessEndsWithStatus1)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            std::vector<std::string> steps;
            std::exit(runWithFault(script, Handler::ButtonAction, steps));
        },
        ::testing::ExitedWithCode(1), "");
}
