// A programming fault (a nil object, a failed cast) raised inside any kind of handler ends the program
// one way: the unhandled-exception routine once, finalisation all the same, and the exit status 1.
#include "framework/Exceptions.h"

#include "app/App.h"
#include "app/Startup.h"
#include "framework/Application.h"
#include "framework/Controls.h"
#include "framework/DocumentTypes.h"
#include "framework/Files.h"
#include "framework/Scripting.h"
#include "framework/Windows.h"
#include "support/TempDir.h"
#include "ui/MenuNames.h"
#include "ui/Window2.h"

#include <QTest>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <vector>

using framework::scripting::ShownMessages;
using testsupport::RunWhen;
using testsupport::TriggerMenuItem;

namespace {

enum class Handler
{
    Menu,
    Document,
    ButtonAction,
    TextMouseDown,
};

enum class Fault
{
    NilObject,
    FailedCast,
};

const char* className(Fault fault)
{
    return fault == Fault::NilObject ? "NilObjectException" : "IllegalCastException";
}

// Raises the fault the way the framework does: by using a missing object, or by a cast that fails.
void raiseFault(Fault fault)
{
    if (fault == Fault::NilObject) {
        framework::Require(std::shared_ptr<framework::Window>());
    } else {
        framework::Cast<app::App>(std::make_shared<framework::Application>());
    }
    throw std::logic_error("the framework raised nothing");
}

// The application object, faulty where the test says.
class FaultyApp : public app::App
{
public:
    FaultyApp(Handler handler, Fault fault) : mHandler(handler), mFault(fault) {}

    void Event_OpenDocument(const framework::FolderItemPtr& item) override
    {
        if (mHandler == Handler::Document) {
            raiseFault(mFault);
        }
        app::App::Event_OpenDocument(item);
    }

    // The convert-from-disk command asks for it once the book is chosen: no executable file makes the
    // command itself meet a nil object.
    framework::FolderItemPtr ExecutableFile() const override
    {
        if (mHandler == Handler::Menu) {
            if (mFault == Fault::NilObject) {
                return nullptr;
            }
            raiseFault(mFault);
        }
        return app::App::ExecutableFile();
    }

private:
    Handler mHandler;
    Fault mFault;
};

std::shared_ptr<framework::Control> aboutWindowControl(const std::string& name)
{
    auto window = framework::ImplicitInstance<ui::Window2>();
    return window ? window->Control(name) : nullptr;
}

// Brings about the fault in the handler as the user would: a menu command, a document opened, a click
// on the About window's button, a press on its text.
void provoke(Handler handler, Fault fault)
{
    switch (handler) {
    case Handler::Menu:
        framework::scripting::QueueDialogAnswer(std::string(ZWOJNIK_TEST_DATA) + "/krotka.lit");
        TriggerMenuItem(ui::menu_names::kConvertFromDisk);
        break;
    case Handler::Document:
        framework::Runtime::Current()->OpenDocument(
            framework::FolderItem::FromPath(std::string(ZWOJNIK_TEST_DATA) + "/krotka.lit"));
        break;
    case Handler::ButtonAction:
        TriggerMenuItem(ui::menu_names::kAbout);
        RunWhen([] { return aboutWindowControl("PushButton1") != nullptr && !framework::RequestRunning(); },
                [fault] {
                    auto button = framework::Cast<framework::PushButton>(aboutWindowControl("PushButton1"));
                    button->SetActionHandler([fault] { raiseFault(fault); });
                    QTest::mouseClick(button->Widget(), Qt::LeftButton);
                });
        break;
    case Handler::TextMouseDown:
        TriggerMenuItem(ui::menu_names::kAbout);
        RunWhen([] { return aboutWindowControl("StaticText2") != nullptr && !framework::RequestRunning(); },
                [fault] {
                    auto text = framework::Cast<framework::StaticText>(aboutWindowControl("StaticText2"));
                    text->SetMouseDownHandler([fault](std::int32_t, std::int32_t) -> bool {
                        raiseFault(fault);
                        return false;
                    });
                    QTest::mousePress(text->Widget(), Qt::LeftButton, {}, QPoint(2, 2));
                });
        break;
    }
}

struct Outcome
{
    int status = -1;
    std::vector<std::string> steps;
};

Outcome runProgram(Handler handler, Fault fault)
{
    framework::scripting::Reset();
    framework::scripting::AnswerMessages();
    framework::scripting::RecordURLs();
    Outcome outcome;
    // Should the fault not end the program, this does, and the test fails instead of waiting for ever.
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] {
        ADD_FAILURE() << "the fault did not end the program";
        framework::Quit(0);
    });
    guard.start(20000);
    std::string name = "zwojnik";
    char* argv[] = {name.data(), nullptr};
    outcome.status = app::Run(1, argv, [&](std::string_view step) {
        outcome.steps.emplace_back(step);
        if (step == "menu handlers") {
            auto faulty = std::make_shared<FaultyApp>(handler, fault);
            faulty->SetMenuBar(framework::Application::Instance()->MenuBar());
            framework::Application::Register(faulty);
        } else if (step == "event loop") {
            RunWhen([] { return true; }, [handler, fault] { provoke(handler, fault); });
        }
    });
    return outcome;
}

std::string handlerName(Handler handler)
{
    switch (handler) {
    case Handler::Menu:
        return "Menu";
    case Handler::Document:
        return "Document";
    case Handler::ButtonAction:
        return "ButtonAction";
    case Handler::TextMouseDown:
        return "TextMouseDown";
    }
    return {};
}

class ExceptionsTest : public ::testing::TestWithParam<std::tuple<Handler, Fault>>
{
protected:
    void TearDown() override { framework::scripting::Reset(); }
};

} // namespace

TEST_P(ExceptionsTest, ReachesTheUnhandledRoutineOnceAndTheProgramStillFinalises)
{
    const auto [handler, fault] = GetParam();
    const auto outcome = runProgram(handler, fault);

    EXPECT_EQ(outcome.status, 1);
    const std::vector<std::string> expected{"framework",     "file types", "application object",
                                            "menu handlers", "event loop", "unhandled exception",
                                            "finalisation",  "exit"};
    EXPECT_EQ(outcome.steps, expected);
    ASSERT_EQ(ShownMessages().size(), 1u) << "one unhandled-exception message and nothing else";
    EXPECT_NE(ShownMessages()[0].find(className(fault)), std::string::npos) << ShownMessages()[0];
    EXPECT_TRUE(framework::RegisteredDocumentTypes().empty()) << "the document type stayed registered";
    EXPECT_TRUE(framework::Windows().empty()) << "a window outlived the program";
}

INSTANTIATE_TEST_SUITE_P(EveryKindOfHandler, ExceptionsTest,
                         ::testing::Combine(::testing::Values(Handler::Menu, Handler::Document,
                                                              Handler::ButtonAction, Handler::TextMouseDown),
                                            ::testing::Values(Fault::NilObject, Fault::FailedCast)),
                         [](const auto& info) {
                             return handlerName(std::get<0>(info.param)) +
                                    (std::get<1>(info.param) == Fault::NilObject ? "NilObject"
                                                                                 : "FailedCast");
                         });

// The same in a process of its own, as the program runs: its exit status is 1, and nothing the process
// does on its way out (static destructors, the sanitizers' leak check) changes that.
class ExceptionsProcessTest : public ::testing::TestWithParam<Handler>
{};

TEST_P(ExceptionsProcessTest, ProcessExitsWithStatus1)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const Handler handler = GetParam();
    EXPECT_EXIT(std::exit(runProgram(handler, Fault::NilObject).status), ::testing::ExitedWithCode(1), "");
}

INSTANTIATE_TEST_SUITE_P(EveryKindOfHandler, ExceptionsProcessTest,
                         ::testing::Values(Handler::Menu, Handler::Document, Handler::ButtonAction,
                                           Handler::TextMouseDown),
                         [](const auto& info) { return handlerName(info.param); });
