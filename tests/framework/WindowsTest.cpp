#include "framework/Windows.h"

#include "framework/Controls.h"
#include "framework/Exceptions.h"
#include "support/Program.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

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

using WindowsTest = testsupport::RuntimeTest;

TEST_F(WindowsTest, ConstructRunsTheHooksOnceInOrderAndShowsOnlyACompleteWindow)
{
    auto window = std::make_shared<ProbeWindow>();
    window->Construct();
    const std::vector<std::string> expected{"Layout", "CreateControls", "AddMenuHandlers"};
    EXPECT_EQ(window->calls, expected);
    EXPECT_FALSE(window->visibleWhileBuilding);
    EXPECT_TRUE(window->Widget()->isVisible());
    window->Construct();
    EXPECT_EQ(window->calls, expected) << "a window is built once";

    auto failing = std::make_shared<ProbeWindow>();
    failing->throwInCreateControls = true;
    EXPECT_THROW(failing->Construct(), framework::NilObjectException);
    EXPECT_FALSE(failing->Widget()->isVisible());
    EXPECT_EQ(framework::Windows(), std::vector<framework::WindowPtr>{window});
}

} // namespace
