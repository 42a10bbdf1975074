#include "framework/Windows.h"

#include "framework/Application.h"
#include "framework/Controls.h"
#include "framework/Exceptions.h"
#include "support/Program.h"
#include "support/TempDir.h"
#include "ui/PropertyRecord.h"
#include "ui/RecordBuilders.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QPointer>
#include <QTest>
#include <cstdint>
#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

constexpr std::int32_t kIntMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kIntMax = std::numeric_limits<std::int32_t>::max();

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

std::shared_ptr<ProbeWindow> BuildProbe()
{
    auto window = std::make_shared<ProbeWindow>();
    window->Construct();
    return window;
}

struct Locks
{
    bool left, top, right, bottom;
};

template <class ControlClass>
std::shared_ptr<ControlClass> Place(framework::Window& window, QRect bounds, Locks locks = {})
{
    auto control = std::make_shared<ControlClass>();
    window.AddControl("C", control);
    const std::pair<const char*, framework::PropertyValue> values[] = {
        {"Left", bounds.x()},        {"Top", bounds.y()},         {"Width", bounds.width()},
        {"Height", bounds.height()}, {"LockLeft", locks.left},    {"LockTop", locks.top},
        {"LockRight", locks.right},  {"LockBottom", locks.bottom}};
    for (const auto& [name, value] : values) {
        control->SetProperty(name, value);
    }
    return control;
}

// A control design of the builders with every edge locked.
template <class Design> Design Locked()
{
    Design design;
    design.name = "X";
    design.locks = {true, true, true, true};
    return design;
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
    auto window = BuildProbe();
    const std::vector<std::string> expected{"Layout", "CreateControls", "AddMenuHandlers"};
    EXPECT_EQ(window->calls, expected);
    EXPECT_FALSE(window->visibleWhileBuilding);
    EXPECT_TRUE(window->IsVisible());
    EXPECT_EQ(framework::Require(window->Control("Button")).Widget()->parentWidget(), window->Widget());
    window->Construct();
    EXPECT_EQ(window->calls, expected) << "a window is built once";

    ProbeWindow unshared;
    EXPECT_THROW(unshared.Construct(), framework::NilObjectException);
    auto failing = std::make_shared<ProbeWindow>();
    failing->throwInCreateControls = true;
    EXPECT_THROW(failing->Construct(), framework::NilObjectException);
    EXPECT_FALSE(failing->Widget()->isVisible());
    EXPECT_THROW(failing->Show(), framework::NilObjectException);
    EXPECT_EQ(framework::Windows(), std::vector<framework::WindowPtr>{window});
}

TEST_F(WindowsTest, AWindowClosedByItsOwnButtonGoesSafely)
{
    QPointer<QWidget> buttonWidget;
    std::weak_ptr<framework::Window> gone;
    {
        auto window = OpenWindow();
        framework::SetImplicitInstance(window);
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

TEST_F(WindowsTest, ImplicitInstancesAreOnePerClassAndEndWithTheirWindow)
{
    auto probe = BuildProbe();
    auto other = OpenWindow();
    EXPECT_EQ(framework::ImplicitInstanceOf(typeid(ProbeWindow)), nullptr) << "building alone makes none";
    framework::SetImplicitInstance(probe);
    framework::SetImplicitInstance(other);
    EXPECT_EQ(framework::ImplicitInstanceOf(typeid(OtherWindow)), other);
    auto second = BuildProbe();
    framework::SetImplicitInstance(second);
    EXPECT_EQ(framework::ImplicitInstanceOf(typeid(ProbeWindow)), second);
    EXPECT_THROW(framework::SetImplicitInstance(nullptr), framework::NilObjectException);

    framework::DispatchRequest([&] { EXPECT_FALSE(second->Widget()->close()); });
    EXPECT_TRUE(second->IsOpen()) << "a request holds the program; the close button waits";
    EXPECT_TRUE(second->Widget()->close());
    EXPECT_FALSE(second->Widget()->isVisible());
    EXPECT_EQ(framework::ImplicitInstanceOf(typeid(ProbeWindow)), nullptr);
    EXPECT_THROW(second->Show(), framework::NilObjectException);
    EXPECT_THROW(framework::SetImplicitInstance(second), framework::NilObjectException);
    second->Close(); // closing again does nothing
    EXPECT_EQ(framework::Windows().size(), 2u);
}

TEST_F(WindowsTest, WindowPropertiesTakeEffectWithinSaneLimits)
{
    auto window = OpenWindow();
    QWidget* widget = window->Widget();
    window->SetProperty("BackColor", framework::Color{0x12, 0x34, 0x56});
    EXPECT_NE(widget->palette().color(QPalette::Window), QColor(0x12, 0x34, 0x56))
        << "not without HasBackColor";
    window->SetProperty("HasBackColor", true);
    EXPECT_EQ(widget->palette().color(QPalette::Window), QColor(0x12, 0x34, 0x56));

    window->SetLeft(123);
    window->SetTop(-45);
    EXPECT_EQ(widget->geometry(), QRect(123, -45, 300, 200)) << "Left and Top place the content area";

    window->SetProperty("MinWidth", std::int32_t{400});
    window->SetProperty("MaxWidth", std::int32_t{100});
    EXPECT_EQ(window->Width(), 400) << "limits never invert";
    EXPECT_GE(widget->maximumWidth(), 400);
    window->SetProperty("MinWidth", kIntMin);
    window->SetProperty("MaxWidth", kIntMax);
    window->SetProperty("Width", kIntMin);
    EXPECT_EQ(window->Width(), 0);
    window->SetLeft(kIntMax);
    EXPECT_GT(window->Left(), 0);
}

TEST_F(WindowsTest, AWrongNameOrTypeRaisesTheRecordExceptionAndNothingIsApplied)
{
    auto design = Locked<ui::records::PushButtonDesign>();
    design.caption = "Nie";
    const std::string buttonRecord = ui::records::PushButtonRecord(design);

    auto window = OpenWindow();
    EXPECT_THROW(ui::SetProperties(*window, buttonRecord), framework::PropertyRecordException);
    EXPECT_EQ(window->Width(), 300);
    framework::StaticText text;
    EXPECT_THROW(ui::SetProperties(text, buttonRecord), framework::PropertyRecordException);
    EXPECT_EQ(text.Name(), "") << "the record's Name, the first entry, is not applied either";

    framework::PushButton button;
    EXPECT_THROW(button.SetProperty("Caption", std::int32_t{5}), framework::PropertyRecordException);
    EXPECT_THROW(button.SetProperty("Nothing", true), framework::PropertyRecordException);
    EXPECT_THROW(window->SetProperty("Title", true), framework::PropertyRecordException);
    EXPECT_EQ(button.Caption(), "");
    ui::SetProperties(button, buttonRecord);
    EXPECT_EQ(button.Caption(), "Nie");
}

// Every integer of every kind of control record set to an extreme: the window system gets clamped
// values, the control keeps what it was given, and stretching from there does not overflow.
TEST_F(WindowsTest, ExtremeIntegersInWellFormedRecordsAreClampedNotTrusted)
{
    using namespace ui::records;
    for (const std::int32_t extreme : {kIntMin, kIntMax}) {
        auto window = OpenWindow();
        const std::vector<std::pair<framework::ControlPtr, std::string>> controls = {
            {std::make_shared<framework::PushButton>(), PushButtonRecord(Locked<PushButtonDesign>())},
            {std::make_shared<framework::StaticText>(), StaticTextRecord(Locked<StaticTextDesign>())},
            {std::make_shared<framework::Canvas>(), CanvasRecord(Locked<CanvasDesign>())},
            {std::make_shared<framework::EditField>(), EditFieldRecord(Locked<EditFieldDesign>())},
        };
        for (const auto& [control, record] : controls) {
            auto entries = ui::DecodeRecord(
                record, [&](std::string_view name) { return control->PropertyTypeOf(name); });
            for (auto& entry : entries) {
                if (std::holds_alternative<std::int32_t>(entry.value)) {
                    entry.value = extreme;
                }
            }
            window->AddControl("X", control);
            ui::SetProperties(*control, ui::EncodeRecord(entries));
        }
        window->SetWidth(1000);
        window->SetHeight(1000);
        for (const auto& [control, record] : controls) {
            SCOPED_TRACE(control->Widget()->metaObject()->className());
            EXPECT_EQ(control->Left(), extreme);
            EXPECT_EQ(control->Width(), extreme < 0 ? 0 : kIntMax);
            EXPECT_EQ(control->Height(), extreme < 0 ? 0 : kIntMax);
            EXPECT_GE(control->Widget()->width(), 0);
            if (extreme > 0 && control->PropertyTypeOf("TextSize")) {
                EXPECT_GT(control->Widget()->font().pixelSize(), 0);
            }
        }
    }
}

TEST_F(WindowsTest, LockedEdgesKeepTheirDistanceToTheWindowsEdges)
{
    auto window = OpenWindow(); // 300 by 200
    const QRect bounds(20, 30, 100, 50);
    const std::vector<std::pair<Locks, QRect>> cases = {
        // After the window grows by 100 by 60.
        {{false, false, false, false}, bounds},
        {{true, true, false, false}, bounds},
        {{false, false, true, false}, QRect(120, 30, 100, 50)},
        {{false, false, false, true}, QRect(20, 90, 100, 50)},
        {{true, false, true, false}, QRect(20, 30, 200, 50)},
        {{false, true, false, true}, QRect(20, 30, 100, 110)},
        {{true, true, true, true}, QRect(20, 30, 200, 110)},
    };
    std::vector<framework::ControlPtr> controls;
    for (const auto& [locks, grown] : cases) {
        controls.push_back(Place<framework::EditField>(*window, bounds, locks));
    }
    window->Widget()->resize(400, 260); // as the user drags the corner
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(controls[i]->Widget()->geometry(), cases[i].second) << "case " << i;
    }
    EXPECT_EQ(controls.back()->Width(), 200);

    // Far smaller than the control, then back: nothing is lost on the way.
    window->SetWidth(10);
    window->SetHeight(10);
    EXPECT_EQ(controls.back()->Widget()->size(), QSize(0, 0));
    window->SetWidth(300);
    window->SetHeight(200);
    for (const auto& control : controls) {
        EXPECT_EQ(control->Widget()->geometry(), bounds);
    }

    // A control added to a resized window stretches from where it was put.
    window->SetWidth(500);
    auto late = Place<framework::Canvas>(*window, QRect(10, 10, 480, 100), {true, false, true, false});
    window->SetWidth(300);
    EXPECT_EQ(late->Widget()->geometry(), QRect(10, 10, 280, 100));
}

TEST_F(WindowsTest, ControlEventsAreRequestsAndWaitWhileOneRuns)
{
    auto window = OpenWindow();
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

    // Return and Enter press the default button wherever the focus is; Ctrl+Return and Escape do not.
    QTest::keyClick(window->Widget(), Qt::Key_Return);
    EXPECT_EQ(actions, 1) << "a button is pressed by Return only when it is the default button";
    button->SetProperty("Default", true);
    QTest::keyClick(text->Widget(), Qt::Key_Return);
    QTest::keyClick(window->Widget(), Qt::Key_Enter, Qt::KeypadModifier);
    QTest::keyClick(window->Widget(), Qt::Key_Return, Qt::ControlModifier);
    QTest::keyClick(window->Widget(), Qt::Key_Escape);
    EXPECT_EQ(actions, 3);
    button->SetProperty("Enabled", false);
    QTest::keyClick(window->Widget(), Qt::Key_Return);
    EXPECT_EQ(actions, 3) << "a disabled default button is not pressed";
}

using ProgramWindowsTest = testsupport::ScriptedTest;

TEST_F(ProgramWindowsTest, AnExceptionInAControlEventReachesTheUnhandledExceptionRoutine)
{
    const int status = RunProgram({}, [&] {
        auto window = std::make_shared<OtherWindow>();
        window->Construct();
        window->Show();
        auto button = std::make_shared<framework::PushButton>();
        window->AddControl("B", button);
        button->SetActionHandler([] { throw framework::IllegalCastException("test"); });
        testsupport::RunWhen([] { return true; }, [button] { button->Push(); });
    });
    EXPECT_EQ(status, 1);
    ASSERT_EQ(script.ShownMessages().size(), 1u);
    EXPECT_NE(script.ShownMessages()[0].find("IllegalCastException"), std::string::npos);
    EXPECT_TRUE(framework::Windows().empty()) << "finalisation closes the windows";
}

TEST_F(WindowsTest, FontsAreTheNamedFamilyWhereTheSystemHasItElseTheClosestSansSerif)
{
    framework::StaticText text;
    text.SetProperty("TextFont", "Lucida Grande"s);
    text.SetProperty("TextSize", std::int32_t{14});
    const QFont font = text.Widget()->font();
    if (QFontDatabase::hasFamily("Lucida Grande")) {
        EXPECT_EQ(QFontInfo(font).family(), QStringLiteral("Lucida Grande"));
    }
    EXPECT_TRUE(QFontDatabase::hasFamily(QFontInfo(font).family()));
    EXPECT_FALSE(QFontInfo(font).fixedPitch()) << "a sans-serif stands in";
    EXPECT_EQ(font.pixelSize(), 14) << "sizes are those of the window's pixel grid";

    const QString installed = QFontDatabase::families().value(0);
    text.SetProperty("TextFont", installed.toStdString());
    EXPECT_EQ(text.Widget()->font().family(), installed);
}

TEST_F(WindowsTest, ScreenZeroIsTheMainScreenAndOtherIndexesMayBeNil)
{
    const auto screens = QGuiApplication::screens();
    EXPECT_EQ(framework::Require(framework::Screen(0)).Width(), screens[0]->geometry().width());
    EXPECT_FALSE(framework::Screen(-1));
    EXPECT_FALSE(framework::Screen(static_cast<int>(screens.size())));
}

} // namespace
