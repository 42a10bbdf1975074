#include "framework/Windows.h"

#include "framework/Application.h"
#include "framework/Controls.h"
#include "framework/Exceptions.h"
#include "support/Program.h"

#include <QApplication>
#include <QPointer>
#include <QTest>
#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

// A window whose hooks note what they saw.
class ProbeWindow : public framework::Window
{
public:
    std::vector<std::string> calls;
    bool visibleWhileBuilding = true;
    bool throwInCreateControls = false;

protected:
    void Layout() override
    {
        calls.push_back("Layout");
        SetProperty("Visible", true);
        visibleWhileBuilding = Widget()->isVisible();
    }
    void CreateControls() override
    {
        calls.push_back("CreateControls");
        if (throwInCreateControls) {
            throw framework::NilObjectException("test");
        }
        AddControl("Button", std::make_shared<framework::PushButton>());
    }
    void AddMenuHandlers(framework::Window&) override { calls.push_back("AddMenuHandlers"); }
};

class OtherWindow : public framework::Window
{};

template <class ControlClass> std::shared_ptr<ControlClass> Place(framework::Window& window, QRect bounds)
{
    auto control = std::make_shared<ControlClass>();
    window.AddControl("C", control);
    for (const auto& [name, value] :
         {std::pair{"Left", bounds.x()}, std::pair{"Top", bounds.y()}, std::pair{"Width", bounds.width()},
          std::pair{"Height", bounds.height()}}) {
        control->SetProperty(name, std::int32_t{value});
    }
    return control;
}

class WindowsTest : public testsupport::RuntimeTest
{
protected:
    // An open, shown, resizable window of 300 by 200.
    static std::shared_ptr<framework::Window> OpenWindow()
    {
        auto window = std::make_shared<OtherWindow>();
        window->Construct();
        window->SetProperty("Width", std::int32_t{300});
        window->SetProperty("Height", std::int32_t{200});
        window->Show();
        return window;
    }
};

TEST_F(WindowsTest, ConstructRunsTheHooksOnceInOrderAndShowsOnlyACompleteWindow)
{
    auto window = std::make_shared<ProbeWindow>();
    window->Construct();
    const std::vector<std::string> expected{"Layout", "CreateControls", "AddMenuHandlers"};
    EXPECT_EQ(window->calls, expected);
    EXPECT_FALSE(window->visibleWhileBuilding);
    EXPECT_TRUE(window->Widget()->isVisible());
    EXPECT_EQ(framework::Require(window->Control("Button")).Widget()->parentWidget(), window->Widget());
    window->Construct();
    EXPECT_EQ(window->calls, expected) << "a window is built once";

    auto failing = std::make_shared<ProbeWindow>();
    failing->throwInCreateControls = true;
    EXPECT_THROW(failing->Construct(), framework::NilObjectException);
    EXPECT_FALSE(failing->Widget()->isVisible());
    EXPECT_EQ(framework::Windows(), std::vector<framework::WindowPtr>{window});
}

TEST_F(WindowsTest, AWindowClosedByItsOwnButtonGoesSafely)
{
    QPointer<QWidget> buttonWidget;
    std::weak_ptr<framework::Window> gone;
    {
        auto window = framework::ImplicitInstance<OtherWindow>();
        window->Show();
        auto button = Place<framework::PushButton>(*window, QRect(10, 10, 80, 24));
        button->SetActionHandler(
            [] { framework::Require(framework::ImplicitInstanceOf(typeid(OtherWindow))).Close(); });
        buttonWidget = button->Widget();
        gone = window;
    }
    // The framework holds the last reference, and lets go of it while the click is being delivered.
    QTest::mouseClick(buttonWidget, Qt::LeftButton);
    EXPECT_TRUE(gone.expired());
    ASSERT_FALSE(buttonWidget.isNull()) << "the widgets go once the event loop has them again";
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(buttonWidget.isNull());
}

TEST_F(WindowsTest, TheCloseButtonEscapeAndControlEventsWaitWhileARequestRuns)
{
    auto window = OpenWindow();
    framework::DispatchRequest([&] {
        EXPECT_FALSE(window->Widget()->close());
        QTest::keyClick(window->Widget(), Qt::Key_Escape);
    });
    EXPECT_TRUE(window->IsOpen()) << "a request holds the program; the close button and Escape wait";

    auto button = Place<framework::PushButton>(*window, QRect(10, 10, 80, 24));
    auto text = Place<framework::StaticText>(*window, QRect(10, 50, 50, 20));
    int actions = 0;
    bool inRequest = false;
    std::vector<std::pair<int, int>> presses;
    button->SetActionHandler([&] {
        inRequest = framework::RequestRunning();
        ++actions;
    });
    text->SetMouseDownHandler([&](std::int32_t x, std::int32_t y) {
        presses.emplace_back(x, y);
        return false;
    });
    const auto click = [&] {
        QTest::mouseClick(button->Widget(), Qt::LeftButton);
        QTest::mouseClick(text->Widget(), Qt::LeftButton, {}, QPoint(3, 4));
    };
    framework::DispatchRequest(click);
    EXPECT_EQ(actions, 0);
    EXPECT_TRUE(presses.empty());
    click();
    EXPECT_EQ(actions, 1);
    EXPECT_TRUE(inRequest);
    EXPECT_EQ(presses, (std::vector<std::pair<int, int>>{{3, 4}})) << "the position is the control's own";
    QTest::keyClick(text->Widget(), Qt::Key_Escape);
    EXPECT_FALSE(window->IsOpen());
}

} // namespace
