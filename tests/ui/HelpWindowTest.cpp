#include "framework/Controls.h"
#include "framework/Scripting.h"
#include "framework/Windows.h"
#include "ui/HelpWindowRecords.h"
#include "ui/PropertyRecord.h"
#include "ui/Window3.h"

#include <QApplication>
#include <QClipboard>
#include <QFontInfo>
#include <QLabel>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

class HelpWindowTest : public ::testing::Test
{
protected:
    void SetUp() override { framework::scripting::Reset(); }
    void TearDown() override
    {
        framework::ReleaseImplicitWindows();
        framework::ReleaseWindows();
        framework::scripting::Reset();
    }

    static QTextEdit* FieldOf(const std::shared_ptr<ui::Window3>& window)
    {
        return qobject_cast<QTextEdit*>(framework::Require(window->Control("EditField1")).Widget());
    }
    static QLabel* HeadingOf(const std::shared_ptr<ui::Window3>& window)
    {
        return qobject_cast<QLabel*>(framework::Require(window->Control("StaticText1")).Widget());
    }
};

// The help text as its record carries it.
std::string RecordedHelpText()
{
    framework::EditField field;
    for (const auto& entry : ui::DecodeRecord(ui::help::EditField1Record(), [&](std::string_view name) {
             return field.PropertyTypeOf(name);
         })) {
        if (entry.name == "Text") {
            return std::get<std::string>(entry.value);
        }
    }
    ADD_FAILURE() << "the record has no text";
    return {};
}

TEST_F(HelpWindowTest, IsAResizableWindowWithAllThreeTitleBarButtons)
{
    auto window = ::Window3();
    QWidget* widget = window->Widget();
    EXPECT_TRUE(widget->isVisible());
    EXPECT_EQ(widget->windowTitle(), QStringLiteral("Pomoc Zwojnik"));
    EXPECT_EQ(widget->size(), QSize(502, 325));
    EXPECT_EQ(widget->minimumSize(), QSize(300, 197));
    EXPECT_EQ(widget->maximumSize(), QSize(620, 676));
    const auto flags = widget->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowMaximizeButtonHint);

    std::vector<std::string> names;
    for (const auto& control : window->Controls()) {
        names.push_back(control->Name());
    }
    EXPECT_EQ(names, (std::vector<std::string>{"EditField1", "StaticText1"}));
}

TEST_F(HelpWindowTest, TheTextFieldFollowsTheWindowToBothLimitsAndTheHeadingStays)
{
    auto window = ::Window3();
    QTextEdit* field = FieldOf(window);
    QLabel* heading = HeadingOf(window);
    ASSERT_NE(field, nullptr);
    ASSERT_NE(heading, nullptr);
    EXPECT_EQ(field->geometry(), QRect(20, 44, 462, 261));
    EXPECT_EQ(heading->geometry(), QRect(20, 14, 100, 20));

    window->Widget()->resize(100, 100);
    EXPECT_EQ(window->Widget()->size(), QSize(300, 197));
    EXPECT_EQ(field->geometry(), QRect(20, 44, 260, 133));
    EXPECT_EQ(heading->geometry(), QRect(20, 14, 100, 20));

    window->Widget()->resize(2000, 2000);
    EXPECT_EQ(window->Widget()->size(), QSize(620, 676));
    EXPECT_EQ(field->geometry(), QRect(20, 44, 580, 612));
    EXPECT_EQ(heading->geometry(), QRect(20, 14, 100, 20));

    window->SetWidth(502);
    window->SetHeight(325);
    EXPECT_EQ(field->geometry(), QRect(20, 44, 462, 261)) << "back at the start, nothing has drifted";
}

TEST_F(HelpWindowTest, TheHeadingIsBoldFourteenOnTheLeft)
{
    auto window = ::Window3();
    QLabel* heading = HeadingOf(window);
    EXPECT_EQ(heading->text(), QStringLiteral("Zwojnik"));
    EXPECT_EQ(heading->alignment(), Qt::AlignLeft | Qt::AlignTop);
    EXPECT_TRUE(heading->font().bold());
    EXPECT_EQ(heading->font().pixelSize(), 14);
    EXPECT_EQ(heading->palette().color(QPalette::WindowText), QColor(0, 0, 0));
}

TEST_F(HelpWindowTest, TheHelpTextIsFourParagraphsWithAnEmptyLineBetweenThem)
{
    auto window = ::Window3();
    QTextEdit* field = FieldOf(window);
    const std::string text = RecordedHelpText();
    EXPECT_EQ(framework::Cast<framework::EditField>(window->Control("EditField1"))->Text(), text);

    std::vector<std::string> blocks;
    for (auto block = field->document()->begin(); block.isValid(); block = block.next()) {
        blocks.push_back(block.text().toStdString());
    }
    ASSERT_EQ(blocks.size(), 7u);
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        EXPECT_EQ(blocks[i].empty(), i % 2 == 1) << "block " << i;
    }
    EXPECT_EQ(blocks[0] + "\r\r" + blocks[2] + "\r\r" + blocks[4] + "\r\r" + blocks[6], text);
    EXPECT_EQ(blocks[0].rfind("Zwojnik to graficzna nakładka", 0), 0u);
    EXPECT_EQ(blocks[6].substr(blocks[6].size() - 8), "Wykonaj.");
}

TEST_F(HelpWindowTest, TheFieldShowsTheTextAsTheRecordSays)
{
    auto window = ::Window3();
    QTextEdit* field = FieldOf(window);
    EXPECT_TRUE(field->isReadOnly());
    EXPECT_EQ(field->lineWrapMode(), QTextEdit::WidgetWidth);
    EXPECT_EQ(field->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(field->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_NE(field->frameShape(), QFrame::NoFrame);
    EXPECT_EQ(field->palette().color(QPalette::Base), QColor(0xFF, 0xFF, 0xFF));
    EXPECT_EQ(field->palette().color(QPalette::Text), QColor(0, 0, 0));
    EXPECT_EQ(field->font().pixelSize(), 12);
    EXPECT_FALSE(field->font().bold());
    EXPECT_TRUE(field->tabChangesFocus());
}

TEST_F(HelpWindowTest, TypingChangesNothingAndTheScrollBarReachesTheLastParagraph)
{
    auto window = ::Window3();
    QTextEdit* field = FieldOf(window);
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
    const QRect view = field->viewport()->rect();
    const QTextCursor bottom = field->cursorForPosition(QPoint(view.left() + 5, view.bottom() - 5));
    EXPECT_EQ(bottom.blockNumber(), field->document()->blockCount() - 1);
    QTextCursor last(field->document());
    last.movePosition(QTextCursor::End);
    EXPECT_TRUE(view.contains(field->cursorRect(last))) << "the end of the fourth paragraph is in sight";
}

TEST_F(HelpWindowTest, TheAccessorKeepsOneWindowUntilTheUserClosesIt)
{
    auto first = ::Window3();
    EXPECT_EQ(::Window3(), first);
    EXPECT_EQ(framework::Windows().size(), 1u);
    EXPECT_TRUE(first->Widget()->close());
    auto second = ::Window3();
    EXPECT_NE(second, first);
    EXPECT_EQ(second->Widget()->size(), QSize(502, 325));
}

} // namespace
