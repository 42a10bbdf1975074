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
    FaultyApp(Handler handler, bool& finalised) : mHandler(handler), mFinalised(finalised) {}
    // The run lets go of its application object last: by then no window and no document type is left.
    ~FaultyApp() override
    {
        mFinalised = framework::Windows().empty() && framework::RegisteredDocumentTypes().empty();
    }
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
    bool& mFinalised;
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

int runWithFault(Script& script, Handler handler, bool& finalised)
{
    return RunProgram(
        script, {},
        [&script, handler] {
            RunWhen([] { return true; }, [&script, handler] { provoke(script, handler); });
        },
        std::make_shared<FaultyApp>(handler, finalised));
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
        bool finalised = false;
        EXPECT_EQ(runWithFault(script, handler, finalised), 1);
        EXPECT_TRUE(finalised);
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
            bool finalised = false;
            std::exit(runWithFault(script, Handler::ButtonAction, finalised));
        },
        ::testing::ExitedWithCode(1), "");
}
