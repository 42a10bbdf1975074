// The About and Help texts under the user's colour scheme: as designed on a light one, readable on a dark
// one, as the pixels show.
#include "framework/Controls.h"
#include "framework/Windows.h"
#include "support/Program.h"
#include "ui/Window2.h"
#include "ui/Window3.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QStyle>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <set>
#include <string>

namespace {

// WCAG's relative luminance and contrast ratio.
double luminance(QColor colour)
{
    const auto channel = [](double value) {
        return value <= 0.03928 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) +
           0.0722 * channel(colour.blueF());
}

double contrast(QColor a, QColor b)
{
    const double first = luminance(a);
    const double second = luminance(b);
    return (std::max(first, second) + 0.05) / (std::min(first, second) + 0.05);
}

QPalette darkPalette()
{
    QPalette palette = QApplication::style()->standardPalette();
    for (const auto& [role, colour] : {std::pair{QPalette::Window, QColor(0x2b, 0x2b, 0x2b)},
                                       {QPalette::WindowText, QColor(0xee, 0xee, 0xee)},
                                       {QPalette::Base, QColor(0x1e, 0x1e, 0x1e)},
                                       {QPalette::Text, QColor(0xee, 0xee, 0xee)},
                                       {QPalette::Button, QColor(0x35, 0x35, 0x35)},
                                       {QPalette::ButtonText, QColor(0xee, 0xee, 0xee)}}) {
        palette.setColor(role, colour);
    }
    return palette;
}

// The colour of the label's drawn text that stands out most from the window's background.
QColor drawnTextColour(QLabel& label, QColor background)
{
    const QImage image = label.grab().toImage();
    QColor best = background;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (contrast(pixel, background) > contrast(best, background)) {
                best = pixel;
            }
        }
    }
    return best;
}

class ThemeTest : public testsupport::RuntimeTest
{
protected:
    void TearDown() override { QApplication::setPalette(QApplication::style()->standardPalette()); }

    // The window's static texts, by name, with their widgets.
    static std::vector<std::pair<std::string, QLabel*>> textsOf(const framework::Window& window)
    {
        std::vector<std::pair<std::string, QLabel*>> texts;
        for (const auto& control : window.Controls()) {
            if (auto* label = qobject_cast<QLabel*>(control->Widget())) {
                texts.emplace_back(control->Name(), label);
            }
        }
        return texts;
    }
};

} // namespace

TEST_F(ThemeTest, BlackTextsTakeTheSchemesColourAndStayReadableOnADarkOne)
{
    // The texts whose records make them black; the About window's credits are grey by design.
    const std::set<std::string> black{"About StaticText2", "About StaticText3", "Help StaticText1"};
    for (const bool dark : {false, true}) {
        QApplication::setPalette(dark ? darkPalette() : QApplication::style()->standardPalette());
        const std::vector<std::pair<std::string, framework::WindowPtr>> windows{{"About", ::Window2()},
                                                                                {"Help", ::Window3()}};
        for (const auto& [windowName, window] : windows) {
            const QColor background = window->Widget()->palette().color(QPalette::Window);
            for (const auto& [name, label] : textsOf(*window)) {
                const auto what = windowName + " " + name + (dark ? " (dark)" : " (light)");
                const QColor text = label->palette().color(QPalette::WindowText);
                if (!black.count(windowName + " " + name)) {
                    EXPECT_EQ(text, QColor(0x72, 0x72, 0x72)) << what << ": a colour of the design stays";
                } else if (dark) {
                    EXPECT_GE(contrast(text, background), 7.0) << what;
                    EXPECT_GE(contrast(drawnTextColour(*label, background), background), 7.0) << what;
                } else {
                    EXPECT_EQ(text, QColor(Qt::black)) << what << ": a light scheme looks as before";
                }
            }
        }
        for (const auto& [windowName, window] : windows) {
            window->Close();
        }
    }
}

TEST_F(ThemeTest, OnAWindowWithABackgroundOfItsOwnBlackStaysBlack)
{
    class ColouredWindow : public framework::Window
    {
    protected:
        void Layout() override
        {
            SetProperty("HasBackColor", true);
            SetProperty("BackColor", framework::Color{0xFF, 0xFF, 0xE0});
        }
        void CreateControls() override
        {
            auto text = std::make_shared<framework::StaticText>();
            AddControl("Text", text);
            text->SetProperty("TextColor", framework::Color{});
        }
    };
    QApplication::setPalette(darkPalette());
    auto window = std::make_shared<ColouredWindow>();
    window->Construct();
    auto* label = qobject_cast<QLabel*>(window->Control("Text")->Widget());
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(Qt::black));
    window->Close();
}
