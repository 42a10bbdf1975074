#include "framework/Controls.h"
#include "framework/Windows.h"
#include "support/Program.h"
#include "ui/InformationCommands.h"
#include "ui/Window3.h"

#include <QApplication>
#include <QClipboard>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <vector>

namespace {

class HelpWindowTest : public testsupport::RuntimeTest
{
protected:
    // A task bar on the left and one at the top: the available area is not the whole screen.
    void SetMainScreenSize(int width, int height)
    {
        script.SetMainScreen(QRect(0, 0, width, height), QRect(60, 28, width - 60, height - 68));
    }

    static QTextEdit* FieldOf(const std::shared_ptr<ui::Window3>& window)
    {
        return qobject_cast<QTextEdit*>(framework::Require(window->Control("EditField1")).Widget());
    }
};

TEST_F(HelpWindowTest, TheTextFieldFollowsTheWindowToBothLimitsAndTheHeadingStays)
{
    auto window = ::Window3();
    QWidget* widget = window->Widget();
    EXPECT_EQ(widget->windowTitle(), QStringLiteral("Pomoc Zwojnik"));
    EXPECT_TRUE(widget->windowFlags() & Qt::WindowMaximizeButtonHint);
    QWidget* heading = framework::Require(window->Control("StaticText1")).Widget();
    const std::vector<std::tuple<QSize, QSize, QRect>> steps = {
        // asked for, the window's size, the field's bounds
        {QSize(502, 325), QSize(502, 325), QRect(20, 44, 462, 261)},
        {QSize(100, 100), QSize(300, 197), QRect(20, 44, 260, 133)},
        {QSize(2000, 2000), QSize(620, 676), QRect(20, 44, 580, 612)},
        {QSize(502, 325), QSize(502, 325), QRect(20, 44, 462, 261)},
    };
    for (const auto& [asked, size, field] : steps) {
        widget->resize(asked);
        EXPECT_EQ(widget->size(), size);
        EXPECT_EQ(FieldOf(window)->geometry(), field) << "window " << size.width() << "x" << size.height();
        EXPECT_EQ(heading->geometry(), QRect(20, 14, 100, 20));
    }
}

TEST_F(HelpWindowTest, TheTextIsFourParagraphsTheUserCanScrollButNotChange)
{
    auto window = ::Window3();
    QTextEdit* field = FieldOf(window);
    std::vector<std::string> blocks;
    for (auto block = field->document()->begin(); block.isValid(); block = block.next()) {
        blocks.push_back(block.text().toStdString());
    }
    ASSERT_EQ(blocks.size(), 7u) << "four paragraphs with an empty line between each two";
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        EXPECT_EQ(blocks[i].empty(), i % 2 == 1) << "block " << i;
    }
    EXPECT_TRUE(blocks[0].starts_with("Zwojnik to graficzna nakładka"));
    EXPECT_TRUE(blocks[6].ends_with("kliknąć w przycisk Wykonaj."));

    const QString before = field->document()->toRawText();
    QTest::keyClicks(field, "abc");
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClick(field, Qt::Key_Return);
    QApplication::clipboard()->setText(QStringLiteral("wklejone"));
    QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(field, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(field->document()->toRawText(), before);

    window->Widget()->resize(300, 197); // the smallest window shows the least of the text
    QScrollBar* bar = field->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0) << "the text is longer than the field";
    bar->setValue(bar->maximum());
    QTextCursor end(field->document());
    end.movePosition(QTextCursor::End);
    EXPECT_TRUE(field->viewport()->rect().contains(field->cursorRect(end))) << "the end is in sight";
}

QPoint Place(const framework::WindowPtr& window)
{
    return {window->Left(), window->Top()};
}

TEST_F(HelpWindowTest, TheHelpCommandCentresTheWindowOnTheWholeMainScreenEveryTime)
{
    SetMainScreenSize(1024, 768);
    EXPECT_FALSE(ui::ShowHelpWindow());
    auto help = std::dynamic_pointer_cast<ui::Window3>(framework::ImplicitInstanceOf(typeid(ui::Window3)));
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->IsVisible());
    // 443 / 2.0 is 221.5; the conversion drops the fraction. The content area is what is centred.
    EXPECT_EQ(help->Widget()->geometry(), QRect(261, 221, 502, 325));

    help->SetLeft(3);
    help->SetTop(5);
    ui::ShowHelpWindow();
    EXPECT_EQ(framework::ImplicitInstanceOf(typeid(ui::Window3)), help);
    EXPECT_EQ(Place(help), QPoint(261, 221));

    help->Widget()->resize(600, 400); // as the user left it
    ui::ShowHelpWindow();
    EXPECT_EQ(Place(help), QPoint(212, 184));

    // Larger than the screen it starts left of and above it; -99.5 and -49.5 lose their fractions.
    SetMainScreenSize(401, 301);
    ui::ShowHelpWindow();
    EXPECT_EQ(Place(help), QPoint(-99, -49));

    help->Widget()->close();
    SetMainScreenSize(1024, 768);
    ui::ShowHelpWindow();
    auto fresh = framework::ImplicitInstanceOf(typeid(ui::Window3));
    EXPECT_NE(fresh, help);
    EXPECT_EQ(fresh->Widget()->geometry(), QRect(261, 221, 502, 325)) << "built anew at its record size";
}

} // namespace
