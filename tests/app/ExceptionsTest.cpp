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
    Menu,
    Document,
    ButtonAction
};

// Raises the fault the way the framework does: by using a missing object, or by a cast that fails.
void raiseFault(bool nilObject)
{
    if (nilObject) {
        framework::Require(std::shared_ptr<framework::Window>());
    }
    framework::Cast<app::App>(std::make_shared<framework::Application>());
}

// The application object, faulty where the test says. The convert-from-disk command asks for the
// executable once the book is chosen: with none, the command itself meets a nil object.
class FaultyApp : public app::App
{
public:
    FaultyApp(Handler handler, bool nilObject) : mHandler(handler), mNilObject(nilObject) {}
    void Event_OpenDocument(const framework::FolderItemPtr& item) override
    {
        if (mHandler == Handler::Document) {
            raiseFault(mNilObject);
        }
        app::App::Event_OpenDocument(item);
    }
    framework::FolderItemPtr ExecutableFile() const override
    {
        if (mHandler == Handler::Menu && !mNilObject) {
            raiseFault(false);
        }
        return mHandler == Handler::Menu ? nullptr : app::App::ExecutableFile();
    }

private:
    Handler mHandler;
    bool mNilObject;
};

// Brings about the fault as the user would: a menu command, a document opened, a click on the About
// window's button.
void provoke(Script& script, Handler handler, bool nilObject)
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
                [aboutButton, nilObject] {
                    auto button = framework::Cast<framework::PushButton>(aboutButton());
                    button->SetActionHandler([nilObject] { raiseFault(nilObject); });
                    QTest::mouseClick(button->Widget(), Qt::LeftButton);
                });
        break;
    }
}

// Each step as it begins; at the last, what the program still holds as "left" when anything.
int runWithFault(Script& script, Handler handler, bool nilObject, std::vector<std::string>& steps)
{
    return RunProgram(
        script, {},
        [&script, handler, nilObject] {
            RunWhen([] { return true; },
                    [&script, handler, nilObject] { provoke(script, handler, nilObject); });
        },
        std::make_shared<FaultyApp>(handler, nilObject),
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
    for (const auto handler : {Handler::Menu, Handler::Document, Handler::ButtonAction}) {
        for (const bool nilObject : {true, false}) {
            const std::string exception = nilObject ? "NilObjectException" : "IllegalCastException";
            SCOPED_TRACE("handler " + std::to_string(static_cast<int>(handler)) + ", " + exception);
            script = Script{};
            std::vector<std::string> steps;
            EXPECT_EQ(runWithFault(script, handler, nilObject, steps), 1);
            EXPECT_EQ(steps, (std::vector<std::string>{"framework", "file types", "application object",
                                                       "menu handlers", "event loop", "unhandled exception",
                                                       "finalisation", "exit"}));
            ASSERT_EQ(script.ShownMessages().size(), 1u)
                << "one unhandled-exception message and nothing else";
            EXPECT_NE(script.ShownMessages()[0].find(exception), std::string::npos)
                << script.ShownMessages()[0];
        }
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
            std::exit(runWithFault(script, Handler::ButtonAction, true, steps));
        },
        ::testing::ExitedWithCode(1), "");
}
