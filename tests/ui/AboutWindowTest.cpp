#include "framework/Controls.h"
#include "framework/Windows.h"
#include "support/Program.h"
#include "ui/InformationCommands.h"
#include "ui/Window2.h"

#include <QFontMetrics>
#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using Layout = std::vector<std::pair<std::string, QRect>>;

const Layout kLayout = {
    {"PushButton1", QRect(116, 227, 69, 21)}, {"StaticText1", QRect(20, 260, 261, 31)},
    {"StaticText2", QRect(20, 153, 261, 20)}, {"StaticText3", QRect(20, 185, 261, 31)},
    {"Canvas1", QRect(86, 14, 128, 128)},
};

Layout LayoutOf(const framework::Window& window)
{
    Layout layout;
    for (const auto& control : window.Controls()) {
        layout.emplace_back(control->Name(), control->Widget()->geometry());
    }
    return layout;
}

class AboutWindowTest : public testsupport::RuntimeTest
{
protected:
    static QWidget* WidgetOf(const framework::WindowPtr& window, const std::string& name)
    {
        return framework::Require(window->Control(name)).Widget();
    }
};

TEST_F(AboutWindowTest, IsAFixedSizeWindowWithItsFiveControlsWhereTheRecordsPutThem)
{
    auto window = ::Window2();
    QWidget* widget = window->Widget();
    EXPECT_TRUE(widget->isVisible()) << "the record makes it visible";
    EXPECT_EQ(widget->windowTitle(), QStringLiteral("Zwojnik"));
    EXPECT_TRUE(widget->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(widget->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(widget->windowFlags() & Qt::WindowMaximizeButtonHint);
    widget->resize(500, 400);
    EXPECT_EQ(widget->size(), QSize(301, 298));
    EXPECT_EQ(LayoutOf(*window), kLayout);
}

TEST_F(AboutWindowTest, TheTextsAreCentredInTheirLinesAndFitTheirBoxes)
{
    auto window = ::Window2();
    for (const char* name : {"StaticText1", "StaticText2", "StaticText3"}) {
        auto* label = qobject_cast<QLabel*>(WidgetOf(window, name));
        ASSERT_NE(label, nullptr) << name;
        EXPECT_EQ(label->alignment(), Qt::AlignHCenter | Qt::AlignTop) << name;
        EXPECT_EQ(label->text().count('\n'), name == std::string("StaticText2") ? 0 : 1) << name;
        const QRect needed = QFontMetrics(label->font())
                                 .boundingRect(QRect(QPoint(0, 0), label->size()),
                                               int(label->alignment()) | Qt::TextWordWrap, label->text());
        EXPECT_LE(needed.width(), label->width()) << name;
        EXPECT_LE(needed.height(), label->height()) << name;
    }
}

TEST_F(AboutWindowTest, OKAndReturnCloseTheWindowAndTheNextCommandBuildsAFreshOne)
{
    auto first = ::Window2();
    QTest::keyClick(WidgetOf(first, "StaticText3"), Qt::Key_Escape);
    EXPECT_TRUE(first->IsOpen()) << "the window has no cancel button";
    QTest::mouseClick(WidgetOf(first, "PushButton1"), Qt::LeftButton);
    EXPECT_FALSE(first->IsOpen());
    EXPECT_FALSE(first->Widget()->isVisible());
    EXPECT_TRUE(framework::Windows().empty());

    ui::ShowAboutWindow();
    auto second = framework::ImplicitInstance<ui::Window2>();
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, first);
    EXPECT_TRUE(second->IsVisible());
    EXPECT_EQ(LayoutOf(*second), kLayout);
    QTest::keyClick(WidgetOf(second, "StaticText3"), Qt::Key_Return);
    EXPECT_FALSE(second->IsOpen());
    EXPECT_TRUE(script.ShownMessages().empty());
}

TEST_F(AboutWindowTest, AboutTwiceBringsTheOneWindowToTheFrontWhereItWas)
{
    EXPECT_FALSE(ui::ShowAboutWindow());
    auto about = framework::ImplicitInstance<ui::Window2>();
    ASSERT_NE(about, nullptr);
    about->SetLeft(17);
    about->SetTop(23);
    about->Widget()->showMinimized();

    EXPECT_FALSE(ui::ShowAboutWindow());
    EXPECT_EQ(framework::ImplicitInstance<ui::Window2>(), about);
    EXPECT_EQ(framework::Windows().size(), 1u);
    EXPECT_EQ(QPoint(about->Left(), about->Top()), QPoint(17, 23));
    EXPECT_FALSE(about->Widget()->isMinimized());
}

TEST_F(AboutWindowTest, EachClickOnTheProductNameShowsTheDedicationAndNoOtherClickDoes)
{
    auto window = ::Window2();
    for (const char* name : {"StaticText1", "StaticText3", "Canvas1"}) {
        QTest::mouseClick(WidgetOf(window, name), Qt::LeftButton, {}, QPoint(5, 5));
    }
    QTest::mouseClick(window->Widget(), Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseClick(window->Widget(), Qt::LeftButton, {}, QPoint(150, 150));
    EXPECT_TRUE(script.ShownMessages().empty());

    QWidget* name = WidgetOf(window, "StaticText2");
    QTest::mouseClick(name, Qt::LeftButton, {}, QPoint(130, 10));
    QTest::mouseClick(name, Qt::LeftButton, {}, QPoint(2, 2));
    // A double click comes as a click, then a double-click press in place of the second press.
    QTest::mouseClick(name, Qt::LeftButton, {}, QPoint(50, 5));
    QTest::mouseDClick(name, Qt::LeftButton, {}, QPoint(50, 5));
    EXPECT_EQ(script.ShownMessages(),
              std::vector<std::string>(4, "...z specjalną dedykacją dla Miraldy :-)"));
    EXPECT_TRUE(window->IsOpen());
}

} // namespace
