#include "ui/InformationCommands.h"

#include "Configuration.h"
#include "framework/Scripting.h"
#include "framework/Windows.h"
#include "ui/Window2.h"
#include "ui/Window3.h"

#include <QWidget>
#include <gtest/gtest.h>

namespace {

class InformationCommandsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        framework::scripting::Reset();
        framework::scripting::RecordURLs();
    }
    void TearDown() override
    {
        framework::ReleaseImplicitWindows();
        framework::ReleaseWindows();
        framework::scripting::Reset();
    }
};

TEST_F(InformationCommandsTest, AboutShowsTheOneAboutWindowAndLeavesItWhereItIs)
{
    EXPECT_FALSE(ui::ShowAboutWindow());
    auto about = framework::ImplicitInstance<ui::Window2>();
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(about->IsVisible());
    about->SetLeft(17);
    about->SetTop(23);
    about->Widget()->showMinimized();

    EXPECT_FALSE(ui::ShowAboutWindow());
    EXPECT_EQ(framework::ImplicitInstance<ui::Window2>(), about);
    EXPECT_EQ(framework::Windows().size(), 1u);
    EXPECT_EQ(about->Left(), 17);
    EXPECT_EQ(about->Top(), 23);
    EXPECT_TRUE(about->IsVisible());
    EXPECT_FALSE(about->Widget()->isMinimized()) << "Show brings it back to the front";
}

TEST_F(InformationCommandsTest, HelpCentresTheWindowOnTheWholeMainScreen)
{
    framework::scripting::SetMainScreenSize(1024, 768);
    EXPECT_FALSE(ui::ShowHelpWindow());
    auto help = framework::ImplicitInstance<ui::Window3>();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->IsVisible());
    EXPECT_EQ(help->Left(), 261);
    EXPECT_EQ(help->Top(), 221) << "443 / 2.0 is 221.5; the conversion drops the fraction";
    EXPECT_EQ(help->Widget()->geometry(), QRect(261, 221, 502, 325)) << "the content area is what is centred";
}

TEST_F(InformationCommandsTest, AWindowLargerThanTheScreenStartsLeftOfOrAboveIt)
{
    framework::scripting::SetMainScreenSize(400, 300);
    ui::ShowHelpWindow();
    auto help = framework::ImplicitInstance<ui::Window3>();
    EXPECT_EQ(help->Left(), -51);
    EXPECT_EQ(help->Top(), -12) << "-12.5 loses its fraction towards zero";
}

TEST_F(InformationCommandsTest, HelpCentresTheWindowAgainAfterTheUserMovedAndResizedIt)
{
    framework::scripting::SetMainScreenSize(1024, 768);
    ui::ShowHelpWindow();
    auto help = framework::ImplicitInstance<ui::Window3>();
    help->SetLeft(3);
    help->SetTop(5);
    ui::ShowHelpWindow();
    EXPECT_EQ(framework::ImplicitInstance<ui::Window3>(), help);
    EXPECT_EQ(framework::Windows().size(), 1u);
    EXPECT_EQ(help->Left(), 261);
    EXPECT_EQ(help->Top(), 221);

    help->Widget()->resize(600, 400); // as the user left it
    ui::ShowHelpWindow();
    EXPECT_EQ(help->Left(), 212);
    EXPECT_EQ(help->Top(), 184);
}

TEST_F(InformationCommandsTest, HelpAfterTheUserClosedTheWindowBuildsANewOneAtItsRecordSize)
{
    framework::scripting::SetMainScreenSize(1024, 768);
    ui::ShowHelpWindow();
    auto first = framework::ImplicitInstance<ui::Window3>();
    first->Widget()->resize(620, 676);
    first->Widget()->close();
    ui::ShowHelpWindow();
    auto second = framework::ImplicitInstance<ui::Window3>();
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, first);
    EXPECT_EQ(second->Width(), 502);
    EXPECT_EQ(second->Left(), 261);
}

TEST_F(InformationCommandsTest, TheWebCommandsHandTheirURLsToTheSystem)
{
    EXPECT_FALSE(ui::OpenMakerPage());
    EXPECT_FALSE(ui::WriteFeedback());
    EXPECT_FALSE(ui::OpenConverterPage());
    const std::vector<std::string> expected{configuration::kMakerURL, configuration::kFeedbackURL,
                                            configuration::kConverterURL};
    EXPECT_EQ(framework::scripting::ShownURLs(), expected);
    EXPECT_EQ(std::string(configuration::kFeedbackURL).rfind("mailto:", 0), 0u);
    EXPECT_EQ(std::string(configuration::kFeedbackURL).find_first_of("?&,"), std::string::npos)
        << "the address alone: no subject, no body, no further recipients";
    EXPECT_TRUE(framework::Windows().empty());
}

} // namespace
