// The About and Help windows as their records build them, and the commands that show them.
#include "framework/Application.h"
#include "framework/Controls.h"
#include "framework/Windows.h"
#include "support/Program.h"
#include "ui/InformationCommands.h"
#include "ui/Window2.h"
#include "ui/Window3.h"

#include <QApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QPointer>
#include <QScrollBar>
#include <QStyle>
#include <QTest>
#include <QTextEdit>
#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <vector>

namespace {

QWidget* WidgetOf(const framework::WindowPtr& window, const std::string& name)
{
    return framework::Require(window->Control(name)).Widget();
}

QPalette darkPalette()
{
    QPalette palette = QApplication::style()->standardPalette();
    palette.setColor(QPalette::Window, QColor(0x2b, 0x2b, 0x2b));
    palette.setColor(QPalette::WindowText, QColor(0xee, 0xee, 0xee));
    return palette;
}

class InformationWindowsTest : public testsupport::RuntimeTest
{
protected:
    void TearDown() override { QApplication::setPalette(QApplication::style()->standardPalette()); }
};

// Under a light and a dark scheme: the texts the records make black take the scheme's text colour, on
// the scheme's background; the About window's grey credits stay grey. Every text fits its box. Where the
// records put the controls shows in the Help window's steps below.
TEST_F(InformationWindowsTest, EachWindowShowsItsTextsInTheSchemesColoursAndEachFitsItsBox)
{
    const std::vector<std::tuple<std::string, bool, Qt::Alignment, std::vector<std::string>>> designs = {
        {"Zwojnik", false, Qt::AlignHCenter, {"PushButton1", "StaticText1", "StaticText2", "StaticText3"}},
        {"Pomoc Zwojnik", true, Qt::AlignLeft, {"EditField1", "StaticText1"}},
    };
    for (const bool dark : {false, true}) {
        QApplication::setPalette(dark ? darkPalette() : QApplication::style()->standardPalette());
        const QPalette scheme = QApplication::palette();
        const std::vector<framework::WindowPtr> windows{::Window2(), ::Window3()};
        for (std::size_t i = 0; i < windows.size(); ++i) {
            const auto& [title, maximizable, alignment, names] = designs[i];
            const QWidget* widget = windows[i]->Widget();
            EXPECT_TRUE(widget->isVisible()) << title << ": the record makes it visible";
            EXPECT_EQ(widget->windowTitle().toStdString(), title);
            EXPECT_TRUE(
                widget->windowFlags().testFlags(Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint));
            EXPECT_EQ(bool(widget->windowFlags() & Qt::WindowMaximizeButtonHint), maximizable) << title;
            EXPECT_EQ(widget->palette().color(QPalette::Window), scheme.color(QPalette::Window)) << title;
            for (const auto& name : names) {
                const auto what = title + " " + name + (dark ? " (dark)" : " (light)");
                QWidget* control = WidgetOf(windows[i], name);
                // The design's sizes are pixels, its headings bold; where the system lacks its font a
                // sans-serif stands in.
                EXPECT_GT(control->font().pixelSize(), 0) << what;
                EXPECT_EQ(control->font().bold(), control->font().pixelSize() == 14) << what;
                EXPECT_FALSE(QFontInfo(control->font()).fixedPitch()) << what;
                auto* label = qobject_cast<QLabel*>(control);
                if (!label) {
                    continue;
                }
                const bool grey = i == 0 && name == "StaticText1";
                EXPECT_EQ(label->palette().color(QPalette::WindowText),
                          grey ? QColor(0x72, 0x72, 0x72) : scheme.color(QPalette::WindowText))
                    << what;
                EXPECT_EQ(label->alignment(), alignment | Qt::AlignTop) << what;
                EXPECT_FALSE(label->text().contains('\r')) << what << ": lines break as Qt's do";
                const QRect needed =
                    QFontMetrics(label->font())
                        .boundingRect(label->rect(), int(label->alignment()) | Qt::TextWordWrap,
                                      label->text());
                EXPECT_TRUE(label->rect().contains(needed)) << what << ": the text fits its box";
            }
            windows[i]->Close();
        }
    }
}

// About twice brings the one window to the front where it was; each click on the product name shows the
// dedication, no other click does, nor any click, key or close while a request runs (a message box, a
// conversion). OK and Return close it (Escape in MenuBarTest), and the next command builds a fresh one. OK
// lets go of the window while its click is delivered, and of its widgets once the event loop has them again.
TEST_F(InformationWindowsTest, AboutBringsTheOneFixedSizeWindowForwardShowsTheDedicationAndClosesOnOK)
{
    EXPECT_FALSE(ui::ShowAboutWindow());
    std::weak_ptr<ui::Window2> first = framework::ImplicitInstance<ui::Window2>();
    QWidget* widget = first.lock()->Widget();
    QWidget plain;
    plain.show();
    EXPECT_EQ(widget->pos(), plain.pos()) << "placed by the window system, as any window";
    widget->resize(500, 400);
    EXPECT_EQ(widget->size(), QSize(301, 298));
    first.lock()->SetLeft(17);
    first.lock()->SetTop(23);
    widget->showMinimized();
    EXPECT_FALSE(ui::ShowAboutWindow());
    EXPECT_EQ(framework::ImplicitInstance<ui::Window2>(), first.lock());
    EXPECT_EQ(framework::Windows().size(), 1u);
    EXPECT_EQ(widget->geometry().topLeft(), QPoint(17, 23));
    EXPECT_FALSE(widget->isMinimized());
    {
        auto window = first.lock();
        framework::DispatchRequest([&] {
            QTest::mouseClick(WidgetOf(window, "StaticText2"), Qt::LeftButton);
            QTest::mouseClick(WidgetOf(window, "PushButton1"), Qt::LeftButton);
            QTest::keyClick(window->Widget(), Qt::Key_Escape);
            EXPECT_FALSE(window->Widget()->close());
        });
        EXPECT_TRUE(window->IsOpen());
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
    QPointer<QWidget> button = WidgetOf(first.lock(), "PushButton1");
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_TRUE(first.expired());
    EXPECT_TRUE(framework::Windows().empty());
    ASSERT_FALSE(button.isNull());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(button.isNull());

    ui::ShowAboutWindow();
    auto next = framework::ImplicitInstance<ui::Window2>();
    EXPECT_TRUE(next->Widget()->isVisible());
    QTest::keyClick(WidgetOf(next, "StaticText3"), Qt::Key_Return);
    EXPECT_FALSE(next->IsOpen());
    EXPECT_EQ(script.ShownMessages().size(), 4u);
}

TEST_F(InformationWindowsTest, HelpIsCentredOnTheWholeMainScreenEveryTimeAndItsTextFollowsTheWindow)
{
    // A task bar on the left and one at the top: the available area is not the whole screen.
    const auto setMainScreen = [this](int width, int height) {
        script.mainScreen = {QRect(0, 0, width, height), QRect(60, 28, width - 60, height - 68)};
    };
    setMainScreen(1024, 768);
    EXPECT_FALSE(ui::ShowHelpWindow());
    auto help = framework::ImplicitInstanceOf(typeid(ui::Window3));
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->Widget()->isVisible());
    // 443 / 2.0 is 221.5; the conversion drops the fraction. The content area is what is centred.
    EXPECT_EQ(help->Widget()->geometry(), QRect(261, 221, 502, 325));

    help->SetLeft(3);
    help->SetTop(5);
    ui::ShowHelpWindow();
    EXPECT_EQ(framework::ImplicitInstanceOf(typeid(ui::Window3)), help);
    EXPECT_EQ(help->Widget()->geometry().topLeft(), QPoint(261, 221));

    help->Widget()->resize(600, 400); // as the user left it
    ui::ShowHelpWindow();
    EXPECT_EQ(help->Widget()->geometry().topLeft(), QPoint(212, 184));

    // Larger than the screen it starts left of and above it; -99.5 and -49.5 lose their fractions.
    setMainScreen(401, 301);
    ui::ShowHelpWindow();
    EXPECT_EQ(help->Widget()->geometry().topLeft(), QPoint(-99, -49));

    // Five paragraphs the reader can scroll to the end of but not change, in a field that follows the
    // window to both its limits while the heading stays.
    auto* field = qobject_cast<QTextEdit*>(WidgetOf(help, "EditField1"));
    const QStringList blocks = field->toPlainText().split('\n');
    ASSERT_EQ(blocks.size(), 9) << "five paragraphs with an empty line between each two";
    for (int i = 0; i < blocks.size(); ++i) {
        EXPECT_EQ(blocks[i].isEmpty(), i % 2 == 1) << "block " << i;
    }
    EXPECT_TRUE(blocks[0].startsWith(QStringLiteral("Zwojnik to graficzna nakładka")));
    EXPECT_TRUE(blocks[6].endsWith(QStringLiteral("kliknąć w przycisk Wykonaj.")));
    EXPECT_TRUE(blocks[8].startsWith(QStringLiteral("Polecenie Plik → Zamień plik .lit na .epub…")));
    const QString before = field->document()->toRawText();
    QTest::keyClicks(field, "abc");
    QTest::keyClick(field, Qt::Key_Backspace);
    EXPECT_EQ(field->document()->toRawText(), before);

    const std::vector<std::tuple<QSize, QSize, QRect>> steps = {
        // asked for, the window's size, the field's bounds
        {QSize(2000, 2000), QSize(620, 676), QRect(20, 44, 580, 612)},
        {QSize(502, 325), QSize(502, 325), QRect(20, 44, 462, 261)},
        {QSize(100, 100), QSize(300, 197), QRect(20, 44, 260, 133)},
    };
    for (const auto& [asked, size, bounds] : steps) {
        help->Widget()->resize(asked);
        EXPECT_EQ(help->Widget()->size(), size);
        EXPECT_EQ(field->geometry(), bounds) << "window " << size.width() << "x" << size.height();
        EXPECT_EQ(WidgetOf(help, "StaticText1")->geometry(), QRect(20, 14, 100, 20));
    }
    // The smallest window shows the least of the text.
    QScrollBar* bar = field->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0) << "the text is longer than the field";
    bar->setValue(bar->maximum());
    QTextCursor end(field->document());
    end.movePosition(QTextCursor::End);
    EXPECT_TRUE(field->viewport()->rect().contains(field->cursorRect(end))) << "the end is in sight";
}

} // namespace
