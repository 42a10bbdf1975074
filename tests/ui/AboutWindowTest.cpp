#include "framework/Application.h"
#include "framework/Controls.h"
#include "framework/Scripting.h"
#include "framework/Windows.h"
#include "ui/Window2.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using framework::scripting::ShownMessages;

const std::string kDedication = "...z specjalną dedykacją dla Miraldy :-)";

class AboutWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        framework::scripting::Reset();
        framework::scripting::AnswerMessages();
    }
    void TearDown() override
    {
        framework::ReleaseImplicitWindows();
        framework::ReleaseWindows();
        framework::scripting::Reset();
    }

    static QWidget* WidgetOf(const std::shared_ptr<ui::Window2>& window, const std::string& name)
    {
        auto control = window->Control(name);
        return control ? control->Widget() : nullptr;
    }
};

QString ClosestSansSerif()
{
    QFont probe(QStringLiteral("sans-serif"));
    probe.setStyleHint(QFont::SansSerif);
    return QFontInfo(probe).family();
}

struct Placement
{
    std::string name;
    QRect bounds;
};

const std::vector<Placement> kLayout = {
    {"PushButton1", QRect(116, 227, 69, 21)}, {"StaticText1", QRect(20, 260, 261, 31)},
    {"StaticText2", QRect(20, 153, 261, 20)}, {"StaticText3", QRect(20, 185, 261, 31)},
    {"Canvas1", QRect(86, 14, 128, 128)},
};

TEST_F(AboutWindowTest, IsAShownFixedSizeWindowWithCloseAndMinimiseButtonsButNoMaximise)
{
    auto window = ::Window2();
    QWidget* widget = window->Widget();
    EXPECT_TRUE(widget->isVisible()) << "the record makes it visible";
    EXPECT_EQ(widget->windowTitle(), QStringLiteral("Zwojnik"));
    EXPECT_EQ(widget->size(), QSize(301, 298));
    EXPECT_EQ(widget->minimumSize(), QSize(301, 298));
    EXPECT_EQ(widget->maximumSize(), QSize(301, 298));
    const auto flags = widget->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowTitleHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(widget->windowModality(), Qt::NonModal) << "the menu bar stays usable beside it";

    widget->resize(500, 400);
    EXPECT_EQ(widget->size(), QSize(301, 298));
    EXPECT_EQ(window->Width(), 301);
    EXPECT_EQ(window->Height(), 298);
}

TEST_F(AboutWindowTest, TheFiveControlsAreBuiltInOrderWhereTheRecordsPutThem)
{
    auto window = ::Window2();
    std::vector<std::string> names;
    for (const auto& control : window->Controls()) {
        names.push_back(control->Name());
    }
    const std::vector<std::string> expected{"PushButton1", "StaticText1", "StaticText2", "StaticText3",
                                            "Canvas1"};
    EXPECT_EQ(names, expected);

    EXPECT_NE(std::dynamic_pointer_cast<framework::PushButton>(window->Control("PushButton1")), nullptr);
    EXPECT_NE(std::dynamic_pointer_cast<framework::Canvas>(window->Control("Canvas1")), nullptr);
    EXPECT_NE(qobject_cast<QPushButton*>(WidgetOf(window, "PushButton1")), nullptr);
    for (const char* name : {"StaticText1", "StaticText2", "StaticText3"}) {
        EXPECT_NE(std::dynamic_pointer_cast<framework::StaticText>(window->Control(name)), nullptr) << name;
        EXPECT_NE(qobject_cast<QLabel*>(WidgetOf(window, name)), nullptr) << name;
    }
    for (const auto& [name, bounds] : kLayout) {
        QWidget* widget = WidgetOf(window, name);
        ASSERT_NE(widget, nullptr) << name;
        EXPECT_EQ(widget->parentWidget(), window->Widget()) << name;
        EXPECT_EQ(widget->geometry(), bounds) << name;
        EXPECT_TRUE(widget->isVisible()) << name;
        EXPECT_TRUE(widget->isEnabled()) << name;
        EXPECT_TRUE(widget->toolTip().isEmpty()) << name;
    }
}

TEST_F(AboutWindowTest, TextsAreCentredAndSetInLucidaGrandeOrTheClosestSansSerif)
{
    auto window = ::Window2();
    const QString family =
        QFontDatabase::hasFamily("Lucida Grande") ? QStringLiteral("Lucida Grande") : ClosestSansSerif();
    struct Expected
    {
        const char* name;
        QString text;
        QColor colour;
        int size;
        bool bold;
        bool wraps;
    };
    const std::vector<Expected> texts = {
        {"StaticText1", QString::fromUtf8("Graficzna nakładka na program Convert LIT\nAutor: Jan Wiśniewski"),
         QColor(0x72, 0x72, 0x72), 10, false, true},
        {"StaticText2", QStringLiteral("Zwojnik 0.1.1"), QColor(0, 0, 0), 14, true, false},
        {"StaticText3",
         QString::fromUtf8("Program do zamiany plików .lit na format .html\nza pomocą Convert-LIT"),
         QColor(0, 0, 0), 10, false, true},
    };
    for (const auto& expected : texts) {
        auto* label = qobject_cast<QLabel*>(WidgetOf(window, expected.name));
        ASSERT_NE(label, nullptr) << expected.name;
        EXPECT_EQ(label->text(), expected.text) << expected.name;
        EXPECT_EQ(label->alignment(), Qt::AlignHCenter | Qt::AlignTop) << expected.name;
        EXPECT_EQ(label->palette().color(QPalette::WindowText), expected.colour) << expected.name;
        EXPECT_EQ(label->wordWrap(), expected.wraps) << expected.name;
        const QFont font = label->font();
        EXPECT_EQ(QFontInfo(font).family(), family) << expected.name;
        EXPECT_EQ(font.pixelSize(), expected.size) << expected.name;
        EXPECT_EQ(font.bold(), expected.bold) << expected.name;
        EXPECT_FALSE(font.italic() || font.underline()) << expected.name;

        // Each text fits its box, so nothing of it is cut off.
        const QRect needed = QFontMetrics(font).boundingRect(
            QRect(QPoint(0, 0), label->size()), int(label->alignment()) | Qt::TextWordWrap, label->text());
        EXPECT_LE(needed.width(), label->width()) << expected.name;
        EXPECT_LE(needed.height(), label->height()) << expected.name;
    }
    EXPECT_EQ(framework::Cast<framework::StaticText>(window->Control("StaticText3"))->Text(),
              "Program do zamiany plików .lit na format .html\rza pomocą Convert-LIT");

    auto* button = qobject_cast<QPushButton*>(WidgetOf(window, "PushButton1"));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), QStringLiteral("OK"));
    EXPECT_TRUE(button->isDefault());
    EXPECT_EQ(QFontInfo(button->font()).family(), family);
    EXPECT_EQ(button->font().pixelSize(), 12);
    EXPECT_FALSE(button->font().bold());
}

TEST_F(AboutWindowTest, TheAccessorKeepsOneWindowWhileItIsOpen)
{
    auto first = ::Window2();
    auto second = ::Window2();
    EXPECT_EQ(first, second);
    EXPECT_EQ(framework::Windows().size(), 1u);
    EXPECT_EQ(first->Controls().size(), 5u) << "the controls are not built twice";
}

TEST_F(AboutWindowTest, OKClosesTheWindowAndTheNextAccessorBuildsAnIdenticalFreshOne)
{
    auto first = ::Window2();
    const auto snapshot = [](const std::shared_ptr<ui::Window2>& window) {
        std::vector<std::pair<QRect, QString>> controls;
        for (const auto& control : window->Controls()) {
            auto* label = qobject_cast<QLabel*>(control->Widget());
            controls.emplace_back(control->Widget()->geometry(), label ? label->text() : QString());
        }
        return controls;
    };
    const auto before = snapshot(first);

    QTest::mouseClick(WidgetOf(first, "PushButton1"), Qt::LeftButton);
    EXPECT_FALSE(first->IsOpen());
    EXPECT_FALSE(first->Widget()->isVisible());
    EXPECT_EQ(framework::ImplicitInstance<ui::Window2>(), nullptr);
    EXPECT_TRUE(framework::Windows().empty());
    EXPECT_TRUE(ShownMessages().empty());

    auto second = ::Window2();
    EXPECT_NE(second, first);
    EXPECT_TRUE(second->IsVisible());
    EXPECT_EQ(snapshot(second), before);
}

TEST_F(AboutWindowTest, ReturnPressesOKButEscapeDoesNothing)
{
    auto window = ::Window2();
    QTest::keyClick(WidgetOf(window, "StaticText3"), Qt::Key_Escape);
    EXPECT_TRUE(window->IsOpen()) << "the window has no cancel button";
    QTest::keyClick(WidgetOf(window, "StaticText3"), Qt::Key_Return);
    EXPECT_FALSE(window->IsOpen());
}

TEST_F(AboutWindowTest, TheCloseButtonEndsTheImplicitInstanceToo)
{
    auto window = ::Window2();
    EXPECT_TRUE(window->Widget()->close());
    EXPECT_FALSE(window->IsOpen());
    EXPECT_NE(::Window2(), window);
}

TEST_F(AboutWindowTest, EachClickOnTheProductNameShowsTheDedication)
{
    auto window = ::Window2();
    QWidget* name = WidgetOf(window, "StaticText2");
    QTest::mouseClick(name, Qt::LeftButton, {}, QPoint(130, 10));
    QTest::mouseClick(name, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_EQ(ShownMessages(), std::vector<std::string>(2, kDedication));
    // A double click comes as a click, then a double-click press in place of the second press.
    QTest::mouseClick(name, Qt::LeftButton, {}, QPoint(50, 5));
    QTest::mouseDClick(name, Qt::LeftButton, {}, QPoint(50, 5));
    EXPECT_EQ(ShownMessages().size(), 4u) << "a double click is two clicks";
    EXPECT_TRUE(window->IsOpen());

    EXPECT_FALSE(window->StaticText2_MouseDown(0, 0));
    EXPECT_EQ(ShownMessages().size(), 5u);
}

TEST_F(AboutWindowTest, ClicksOnTheOtherTextsTheCanvasOrTheBackgroundShowNothing)
{
    auto window = ::Window2();
    for (const char* name : {"StaticText1", "StaticText3", "Canvas1"}) {
        QTest::mouseClick(WidgetOf(window, name), Qt::LeftButton, {}, QPoint(5, 5));
    }
    QTest::mouseClick(window->Widget(), Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseClick(window->Widget(), Qt::LeftButton, {}, QPoint(150, 150));
    EXPECT_TRUE(ShownMessages().empty());
    EXPECT_TRUE(window->IsOpen());
}

TEST_F(AboutWindowTest, ClicksWaitForNoRequestToRun)
{
    auto window = ::Window2();
    framework::DispatchRequest([&] {
        QTest::mouseClick(WidgetOf(window, "StaticText2"), Qt::LeftButton);
        QTest::mouseClick(WidgetOf(window, "PushButton1"), Qt::LeftButton);
    });
    EXPECT_TRUE(ShownMessages().empty());
    EXPECT_TRUE(window->IsOpen());
}

} // namespace
