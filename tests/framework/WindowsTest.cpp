#include "framework/Windows.h"

#include "app/Startup.h"
#include "framework/Application.h"
#include "framework/Controls.h"
#include "framework/Exceptions.h"
#include "framework/Scripting.h"
#include "support/TempDir.h"
#include "ui/PropertyRecord.h"
#include "ui/RecordBuilders.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <cstdint>
#include <gtest/gtest.h>
#include <limits>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

using framework::PropertyType;
using framework::PropertyValue;
using namespace std::string_literals;

constexpr std::int32_t kIntMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kIntMax = std::numeric_limits<std::int32_t>::max();

// Records of each kind, with the values a test cares about and the builders' defaults for the rest.
std::string WindowRecordOf(std::int32_t width, std::int32_t height, const std::string& title)
{
    ui::records::WindowDesign design;
    design.width = width;
    design.height = height;
    design.title = title;
    return ui::records::WindowRecord(design);
}

std::string ButtonRecordOf(const std::string& name, ui::records::Bounds bounds, const std::string& caption)
{
    ui::records::PushButtonDesign design;
    design.name = name;
    design.bounds = bounds;
    design.caption = caption;
    design.isDefault = true;
    return ui::records::PushButtonRecord(design);
}

std::string TextRecordOf(const std::string& name, const std::string& text)
{
    ui::records::StaticTextDesign design;
    design.name = name;
    design.bounds = {1, 1, 9, 9};
    design.text = text;
    design.multiline = true;
    return ui::records::StaticTextRecord(design);
}

std::string CanvasRecordOf(const std::string& name)
{
    ui::records::CanvasDesign design;
    design.name = name;
    design.bounds = {1, 1, 9, 9};
    return ui::records::CanvasRecord(design);
}

std::string FieldRecordOf(const std::string& name, ui::records::Bounds bounds, const std::string& text,
                          std::int32_t textSize, std::int32_t limitText, std::int32_t alignment)
{
    ui::records::EditFieldDesign design;
    design.name = name;
    design.bounds = bounds;
    design.locks = {true, true, true, true};
    design.style.size = textSize;
    design.text = text;
    design.limitText = limitText;
    design.alignment = alignment;
    return ui::records::EditFieldRecord(design);
}

// A window whose hooks note what they saw.
class ProbeWindow : public framework::Window
{
public:
    std::vector<std::string> calls;
    bool visibleWhileBuilding = true;
    bool throwInCreateControls = false;
    framework::Window* menuHandlerArgument = nullptr;

protected:
    void Layout() override
    {
        calls.push_back("Layout");
        SetProperty("Width", std::int32_t{200});
        SetProperty("Height", std::int32_t{100});
        SetProperty("Title", "Próba"s);
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
    void AddMenuHandlers(framework::Window& window) override
    {
        calls.push_back("AddMenuHandlers");
        menuHandlerArgument = &window;
    }
};

class OtherWindow : public framework::Window
{};

std::shared_ptr<ProbeWindow> BuildProbe()
{
    auto window = std::make_shared<ProbeWindow>();
    window->Construct();
    return window;
}

// Places a control with the given locks on a window of 300 by 200.
template <class ControlClass>
std::shared_ptr<ControlClass> Place(framework::Window& window, const std::string& name, QRect bounds,
                                    bool left, bool top, bool right, bool bottom)
{
    auto control = std::make_shared<ControlClass>();
    window.AddControl(name, control);
    control->SetProperty("Left", std::int32_t{bounds.x()});
    control->SetProperty("Top", std::int32_t{bounds.y()});
    control->SetProperty("Width", std::int32_t{bounds.width()});
    control->SetProperty("Height", std::int32_t{bounds.height()});
    control->SetProperty("LockLeft", left);
    control->SetProperty("LockTop", top);
    control->SetProperty("LockRight", right);
    control->SetProperty("LockBottom", bottom);
    return control;
}

class WindowsTest : public ::testing::Test
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

    // An open, shown, resizable window of 300 by 200.
    std::shared_ptr<framework::Window> OpenWindow()
    {
        auto window = std::make_shared<OtherWindow>();
        window->Construct();
        window->SetProperty("Width", std::int32_t{300});
        window->SetProperty("Height", std::int32_t{200});
        window->Show();
        return window;
    }
};

// ---------------------------------------------------------------------------------------------------
// Building, showing and closing

TEST_F(WindowsTest, ConstructRunsTheHooksOnceInOrderAndShowsTheWindowAfterThem)
{
    auto window = BuildProbe();
    const std::vector<std::string> expected{"Layout", "CreateControls", "AddMenuHandlers"};
    EXPECT_EQ(window->calls, expected);
    EXPECT_FALSE(window->visibleWhileBuilding) << "a window is shown only once it is complete";
    EXPECT_EQ(window->menuHandlerArgument, window.get());
    EXPECT_TRUE(window->IsOpen());
    EXPECT_TRUE(window->IsVisible());
    EXPECT_EQ(window->Widget()->windowTitle(), QString::fromUtf8("Próba"));
    ASSERT_NE(window->Control("Button"), nullptr);
    EXPECT_EQ(window->Control("Button")->Widget()->parentWidget(), window->Widget());

    window->Construct();
    EXPECT_EQ(window->calls, expected) << "a window is built once";
    EXPECT_EQ(framework::Windows().size(), 1u);
}

TEST_F(WindowsTest, AWindowIsBuiltOnlyWhenASharedPointerHoldsIt)
{
    ProbeWindow unshared;
    EXPECT_THROW(unshared.Construct(), framework::NilObjectException);
    EXPECT_FALSE(unshared.IsOpen());
    EXPECT_TRUE(framework::Windows().empty());
}

TEST_F(WindowsTest, AFailingHookLeavesNoOpenWindow)
{
    auto window = std::make_shared<ProbeWindow>();
    window->throwInCreateControls = true;
    EXPECT_THROW(window->Construct(), framework::NilObjectException);
    EXPECT_FALSE(window->IsOpen());
    EXPECT_FALSE(window->Widget()->isVisible());
    EXPECT_TRUE(framework::Windows().empty());
    EXPECT_THROW(window->Show(), framework::NilObjectException);
}

TEST_F(WindowsTest, CloseHidesTheWindowForGoodAndShowThenRaisesNilObject)
{
    auto window = BuildProbe();
    framework::SetImplicitInstance(window);
    window->Close();
    EXPECT_FALSE(window->IsOpen());
    EXPECT_FALSE(window->Widget()->isVisible());
    EXPECT_TRUE(framework::Windows().empty());
    EXPECT_EQ(framework::ImplicitInstance<ProbeWindow>(), nullptr);
    EXPECT_THROW(window->Show(), framework::NilObjectException);
    window->Close(); // closing again does nothing
    EXPECT_FALSE(window->IsOpen());
}

TEST_F(WindowsTest, TheCloseButtonClosesTheWindowUnlessARequestRuns)
{
    auto window = BuildProbe();
    framework::SetImplicitInstance(window);

    framework::DispatchRequest([&] { EXPECT_FALSE(window->Widget()->close()); });
    EXPECT_TRUE(window->IsOpen()) << "a request holds the program; the window waits";

    EXPECT_TRUE(window->Widget()->close());
    EXPECT_FALSE(window->IsOpen());
    EXPECT_EQ(framework::ImplicitInstance<ProbeWindow>(), nullptr);
}

TEST_F(WindowsTest, AWindowClosedByItsOwnButtonGoesSafely)
{
    QPointer<QWidget> buttonWidget;
    std::weak_ptr<framework::Window> gone;
    {
        auto window = OpenWindow();
        framework::SetImplicitInstance(window);
        auto button =
            Place<framework::PushButton>(*window, "Close", QRect(10, 10, 80, 24), false, false, false, false);
        button->SetActionHandler(
            [] { framework::Require(framework::ImplicitInstance<OtherWindow>()).Close(); });
        buttonWidget = button->Widget();
        gone = window;
    }
    // The framework holds the last reference, and lets go of it while the click is being delivered.
    QTest::mouseClick(buttonWidget, Qt::LeftButton);
    EXPECT_TRUE(gone.expired());
    EXPECT_TRUE(framework::Windows().empty());
    ASSERT_FALSE(buttonWidget.isNull()) << "the widgets go once the event loop has them again";
    EXPECT_FALSE(buttonWidget->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(buttonWidget.isNull());
}

TEST_F(WindowsTest, ImplicitInstancesAreOnePerClassAndOnlyWhileOpen)
{
    EXPECT_EQ(framework::ImplicitInstance<ProbeWindow>(), nullptr);
    auto probe = BuildProbe();
    auto other = OpenWindow();
    EXPECT_EQ(framework::ImplicitInstance<ProbeWindow>(), nullptr)
        << "building alone makes no implicit instance";

    framework::SetImplicitInstance(probe);
    framework::SetImplicitInstance(other);
    EXPECT_EQ(framework::ImplicitInstance<ProbeWindow>(), probe);
    EXPECT_EQ(framework::ImplicitInstance<OtherWindow>(), other);

    auto secondProbe = BuildProbe();
    framework::SetImplicitInstance(secondProbe);
    EXPECT_EQ(framework::ImplicitInstance<ProbeWindow>(), secondProbe);

    secondProbe->Close();
    EXPECT_EQ(framework::ImplicitInstance<ProbeWindow>(), nullptr);
    EXPECT_THROW(framework::SetImplicitInstance(secondProbe), framework::NilObjectException);
    EXPECT_THROW(framework::SetImplicitInstance(nullptr), framework::NilObjectException);
}

TEST_F(WindowsTest, ReleaseForgetsImplicitInstancesThenClosesEveryWindow)
{
    auto probe = BuildProbe();
    framework::SetImplicitInstance(probe);
    auto other = OpenWindow();

    framework::ReleaseImplicitWindows();
    EXPECT_EQ(framework::ImplicitInstance<ProbeWindow>(), nullptr);
    EXPECT_TRUE(probe->IsOpen()) << "forgetting an implicit instance does not close it";
    EXPECT_EQ(framework::Windows().size(), 2u);

    framework::ReleaseWindows();
    EXPECT_TRUE(framework::Windows().empty());
    EXPECT_FALSE(probe->IsOpen());
    EXPECT_FALSE(other->IsOpen());
}

// ---------------------------------------------------------------------------------------------------
// Window properties

TEST_F(WindowsTest, LeftAndTopPlaceTheContentArea)
{
    auto window = OpenWindow();
    window->SetLeft(123);
    window->SetTop(-45);
    EXPECT_EQ(window->Left(), 123);
    EXPECT_EQ(window->Top(), -45);
    EXPECT_EQ(window->Widget()->geometry(), QRect(123, -45, 300, 200));
}

TEST_F(WindowsTest, AFixedSizeWindowTakesOnlyTheSizeTheProgramGives)
{
    auto window = OpenWindow();
    window->SetProperty("Resizeable", false);
    EXPECT_EQ(window->Widget()->minimumSize(), QSize(300, 200));
    EXPECT_EQ(window->Widget()->maximumSize(), QSize(300, 200));
    EXPECT_FALSE(window->Widget()->windowFlags() & Qt::WindowMaximizeButtonHint);

    window->Widget()->resize(500, 500);
    EXPECT_EQ(window->Widget()->size(), QSize(300, 200));

    window->SetWidth(320);
    EXPECT_EQ(window->Widget()->minimumSize(), QSize(320, 200));
    EXPECT_EQ(window->Width(), 320);
}

TEST_F(WindowsTest, TitleBarButtonsFollowTheRecord)
{
    auto window = OpenWindow();
    const auto flags = [&] { return window->Widget()->windowFlags(); };
    EXPECT_TRUE(flags() & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(flags() & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(flags() & Qt::WindowMaximizeButtonHint);

    window->SetProperty("CloseButton", false);
    window->SetProperty("MinimizeButton", false);
    EXPECT_FALSE(flags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags() & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(flags() & Qt::WindowTitleHint);
    EXPECT_TRUE(window->Widget()->isVisible()) << "changing the title bar keeps a shown window shown";

    window->SetProperty("MaximizeButton", false);
    EXPECT_FALSE(flags() & Qt::WindowMaximizeButtonHint);
}

TEST_F(WindowsTest, BackColorIsInForceOnlyWithHasBackColor)
{
    auto window = OpenWindow();
    window->SetProperty("BackColor", framework::Color{0x12, 0x34, 0x56});
    EXPECT_FALSE(window->Widget()->autoFillBackground());
    EXPECT_NE(window->Widget()->palette().color(QPalette::Window), QColor(0x12, 0x34, 0x56));
    window->SetProperty("HasBackColor", true);
    EXPECT_TRUE(window->Widget()->autoFillBackground());
    EXPECT_EQ(window->Widget()->palette().color(QPalette::Window), QColor(0x12, 0x34, 0x56));
}

TEST_F(WindowsTest, SizeLimitsNeverInvertAndOutlandishValuesAreClamped)
{
    auto window = OpenWindow();
    window->SetProperty("MinWidth", std::int32_t{400});
    window->SetProperty("MaxWidth", std::int32_t{100});
    EXPECT_EQ(window->Widget()->minimumWidth(), 400);
    EXPECT_GE(window->Widget()->maximumWidth(), 400);
    EXPECT_EQ(window->Width(), 400);

    window->SetProperty("MinWidth", kIntMin);
    window->SetProperty("MaxWidth", kIntMax);
    window->SetProperty("Width", kIntMin);
    EXPECT_EQ(window->Width(), 0);
    window->SetLeft(kIntMax);
    window->SetTop(kIntMin);
    EXPECT_GT(window->Left(), 0);
    EXPECT_LT(window->Top(), 0);
}

// ---------------------------------------------------------------------------------------------------
// Property records on windows and controls

const std::vector<std::string> kCommon = {"Name",      "Index",      "Left",           "Top",
                                          "Width",     "Height",     "LockLeft",       "LockTop",
                                          "LockRight", "LockBottom", "TabPanelIndex",  "Enabled",
                                          "Visible",   "HelpTag",    "AutoDeactivate", "InitialParent"};
const std::vector<std::string> kFont = {"TextFont", "TextSize", "Bold", "Italic", "Underline"};

std::set<std::string> Names(std::vector<std::string> own, bool font)
{
    std::set<std::string> names(kCommon.begin(), kCommon.end());
    names.insert(own.begin(), own.end());
    if (font) {
        names.insert(kFont.begin(), kFont.end());
    }
    return names;
}

// Every name any record of the program uses, with its one type.
const std::map<std::string, PropertyType> kAllTypes = [] {
    std::map<std::string, PropertyType> types;
    for (const char* name : {"Name", "Title", "BalloonHelp", "Caption", "HelpTag", "TextFont",
                             "InitialParent", "Text", "DataSource", "DataField", "Format", "Mask"}) {
        types[name] = PropertyType::String;
    }
    for (const char* name :
         {"Index", "Left", "Top", "Width", "Height", "TabPanelIndex", "TextSize", "TextAlign", "LimitText",
          "Alignment", "Placement", "MinWidth", "MinHeight", "MaxWidth", "MaxHeight", "Frame", "MacProcID"}) {
        types[name] = PropertyType::Integer;
    }
    types["BackColor"] = types["TextColor"] = PropertyType::Color;
    for (const char* name : {"Composite",         "HasBackColor",    "Visible",      "FullScreen",
                             "MenuBarVisible",    "CloseButton",     "Resizeable",   "LiveResize",
                             "MaximizeButton",    "MinimizeButton",  "LockLeft",     "LockTop",
                             "LockRight",         "LockBottom",      "Default",      "Cancel",
                             "Enabled",           "AutoDeactivate",  "Bold",         "Italic",
                             "Underline",         "Multiline",       "UseFocusRing", "AcceptFocus",
                             "AcceptTabs",        "EraseBackground", "Border",       "ScrollbarHorizontal",
                             "ScrollbarVertical", "Styled",          "Password",     "ReadOnly"}) {
        types[name] = PropertyType::Boolean;
    }
    return types;
}();

void ExpectDeclares(const framework::PropertyTarget& target, const std::set<std::string>& expected,
                    const char* kind)
{
    for (const auto& [name, type] : kAllTypes) {
        const auto declared = target.PropertyTypeOf(name);
        if (expected.count(name)) {
            ASSERT_TRUE(declared.has_value()) << kind << " lacks " << name;
            EXPECT_EQ(*declared, type) << kind << "." << name;
        } else {
            EXPECT_FALSE(declared.has_value()) << kind << " should not have " << name;
        }
    }
    EXPECT_FALSE(target.PropertyTypeOf("").has_value());
    EXPECT_FALSE(target.PropertyTypeOf("width").has_value()) << "names are case-sensitive";
}

TEST_F(WindowsTest, EachClassDeclaresExactlyThePropertiesOfItsKindOfRecord)
{
    OtherWindow window;
    ExpectDeclares(window, {"Placement",   "Width",      "Height",     "MinWidth",       "MinHeight",
                            "MaxWidth",    "MaxHeight",  "Frame",      "Composite",      "HasBackColor",
                            "BackColor",   "Title",      "Visible",    "FullScreen",     "MenuBarVisible",
                            "CloseButton", "Resizeable", "LiveResize", "MaximizeButton", "MinimizeButton",
                            "BalloonHelp", "MacProcID"},
                   "Window");
    ExpectDeclares(framework::PushButton(), Names({"Caption", "Default", "Cancel"}, true), "PushButton");
    ExpectDeclares(framework::StaticText(),
                   Names({"Text", "TextAlign", "TextColor", "Multiline", "DataSource", "DataField"}, true),
                   "StaticText");
    ExpectDeclares(framework::Canvas(),
                   Names({"UseFocusRing", "AcceptFocus", "AcceptTabs", "EraseBackground"}, false), "Canvas");
    ExpectDeclares(framework::EditField(),
                   Names({"Border", "Multiline", "ScrollbarHorizontal", "ScrollbarVertical", "Styled",
                          "Password", "UseFocusRing", "TextColor", "BackColor", "Format", "Text", "Mask",
                          "ReadOnly", "LimitText", "AcceptTabs", "Alignment", "DataSource", "DataField"},
                         true),
                   "EditField");
}

TEST_F(WindowsTest, ARecordForAnotherKindOfObjectIsRefusedAndChangesNothing)
{
    const std::string buttonRecord = ButtonRecordOf("B", {1, 2, 3, 4}, "Nie");
    const std::string windowRecord = WindowRecordOf(10, 10, "X");

    auto window = OpenWindow();
    EXPECT_THROW(ui::SetProperties(*window, buttonRecord), framework::PropertyRecordException);
    EXPECT_EQ(window->Width(), 300) << "nothing of a refused record is applied";

    framework::StaticText text;
    EXPECT_THROW(ui::SetProperties(text, buttonRecord), framework::PropertyRecordException);
    EXPECT_THROW(ui::SetProperties(text, windowRecord), framework::PropertyRecordException);
    EXPECT_EQ(text.Name(), "");

    framework::PushButton button;
    ui::SetProperties(button, buttonRecord);
    EXPECT_EQ(button.Caption(), "Nie");
    EXPECT_EQ(button.Width(), 3);
}

TEST_F(WindowsTest, AValueOfTheWrongTypeIsRefused)
{
    framework::PushButton button;
    EXPECT_THROW(button.SetProperty("Caption", std::int32_t{5}), framework::PropertyRecordException);
    EXPECT_THROW(button.SetProperty("Left", "5"s), framework::PropertyRecordException);
    EXPECT_THROW(button.SetProperty("Nothing", true), framework::PropertyRecordException);
    OtherWindow window;
    EXPECT_THROW(window.SetProperty("Title", true), framework::PropertyRecordException);
    EXPECT_FALSE(button.Property("Caption").has_value());
}

// Any byte string either applies or raises the record exception: real records cut, flipped and
// filled with random bytes, on every kind of target.
TEST_F(WindowsTest, AnyByteStringEitherAppliesOrRaisesTheRecordException)
{
    const std::vector<std::string> seeds = {
        WindowRecordOf(301, 298, "Zwojnik"),
        ButtonRecordOf("PushButton1", {116, 227, 69, 21}, "OK"),
        TextRecordOf("S", "ł\rż"),
        CanvasRecordOf("C"),
        FieldRecordOf("E", {1, 1, 9, 9}, "a\r\rb", 12, 3, 0),
    };
    auto window = OpenWindow();
    std::vector<std::shared_ptr<framework::PropertyTarget>> targets{
        std::make_shared<framework::PushButton>(), std::make_shared<framework::StaticText>(),
        std::make_shared<framework::Canvas>(), std::make_shared<framework::EditField>()};
    for (const auto& target : targets) {
        window->AddControl("T", std::static_pointer_cast<framework::Control>(target));
    }
    targets.push_back(window);

    std::mt19937 random(20240601);
    int applied = 0;
    int refused = 0;
    for (int round = 0; round < 400; ++round) {
        std::string bytes = seeds[round % seeds.size()];
        const int mutation = round % 4;
        if (mutation == 0) {
            bytes.resize(random() % (bytes.size() + 1));
        } else if (mutation == 1) {
            for (int flips = 0; flips < 4; ++flips) {
                bytes[random() % bytes.size()] = static_cast<char>(random());
            }
        } else if (mutation == 2) {
            bytes.assign(random() % 64, '\0');
            for (auto& byte : bytes) {
                byte = static_cast<char>(random());
            }
        }
        for (const auto& target : targets) {
            try {
                ui::SetProperties(*target, bytes);
                ++applied;
            } catch (const framework::PropertyRecordException&) {
                ++refused;
            }
        }
    }
    EXPECT_GT(applied, 0);
    EXPECT_GT(refused, 0);
}

TEST_F(WindowsTest, ExtremeValuesInAWellFormedRecordAreClampedNotTrusted)
{
    auto window = OpenWindow();
    auto field = std::make_shared<framework::EditField>();
    window->AddControl("F", field);
    ui::SetProperties(
        *field, FieldRecordOf("F", {kIntMax, kIntMin, kIntMin, kIntMax}, "x", kIntMax, kIntMin, kIntMax));
    EXPECT_EQ(field->Left(), kIntMax);
    EXPECT_EQ(field->Width(), 0);
    EXPECT_GE(field->Widget()->width(), 0);
    EXPECT_GT(field->Widget()->font().pixelSize(), 0);
    window->SetWidth(1000); // stretching from the extremes may not overflow
    window->SetHeight(1000);
    EXPECT_EQ(field->Left(), kIntMax);
    EXPECT_EQ(field->Width(), 0);
    EXPECT_EQ(field->Height(), kIntMax);
}

// ---------------------------------------------------------------------------------------------------
// Locked edges

TEST_F(WindowsTest, LockedEdgesKeepTheirDistanceToTheWindowsEdges)
{
    auto window = OpenWindow(); // 300 by 200
    const QRect bounds(20, 30, 100, 50);
    auto none = Place<framework::Canvas>(*window, "none", bounds, false, false, false, false);
    auto topLeft = Place<framework::Canvas>(*window, "topLeft", bounds, true, true, false, false);
    auto right = Place<framework::Canvas>(*window, "right", bounds, false, false, true, false);
    auto bottom = Place<framework::Canvas>(*window, "bottom", bounds, false, false, false, true);
    auto wide = Place<framework::Canvas>(*window, "wide", bounds, true, false, true, false);
    auto tall = Place<framework::Canvas>(*window, "tall", bounds, false, true, false, true);
    auto all = Place<framework::EditField>(*window, "all", bounds, true, true, true, true);

    window->Widget()->resize(400, 260); // as the user drags the corner: +100, +60
    EXPECT_EQ(none->Widget()->geometry(), bounds);
    EXPECT_EQ(topLeft->Widget()->geometry(), bounds);
    EXPECT_EQ(right->Widget()->geometry(), QRect(120, 30, 100, 50));
    EXPECT_EQ(bottom->Widget()->geometry(), QRect(20, 90, 100, 50));
    EXPECT_EQ(wide->Widget()->geometry(), QRect(20, 30, 200, 50));
    EXPECT_EQ(tall->Widget()->geometry(), QRect(20, 30, 100, 110));
    EXPECT_EQ(all->Widget()->geometry(), QRect(20, 30, 200, 110));
    EXPECT_EQ(all->Width(), 200);
    EXPECT_EQ(all->Height(), 110);

    // Far smaller than the control, then back: nothing is lost on the way.
    window->SetWidth(10);
    window->SetHeight(10);
    EXPECT_EQ(all->Widget()->size(), QSize(0, 0));
    window->SetWidth(300);
    window->SetHeight(200);
    for (const auto& control : window->Controls()) {
        EXPECT_EQ(control->Widget()->geometry(), bounds) << control->Name();
    }
}

TEST_F(WindowsTest, AControlAddedToAResizedWindowStretchesFromWhereItWasPut)
{
    auto window = OpenWindow();
    window->SetWidth(500);
    auto field = Place<framework::EditField>(*window, "F", QRect(10, 10, 480, 100), true, false, true, false);
    window->SetWidth(300);
    EXPECT_EQ(field->Widget()->geometry(), QRect(10, 10, 280, 100));
}

// ---------------------------------------------------------------------------------------------------
// Controls and their events

TEST_F(WindowsTest, ReturnPressesTheDefaultButtonAndEscapeTheCancelButton)
{
    auto window = OpenWindow();
    int defaults = 0;
    int cancels = 0;
    auto ok = std::make_shared<framework::PushButton>();
    window->AddControl("OK", ok);
    ok->SetProperty("Default", true);
    ok->SetActionHandler([&] { ++defaults; });
    auto cancel = std::make_shared<framework::PushButton>();
    window->AddControl("Cancel", cancel);
    cancel->SetProperty("Cancel", true);
    cancel->SetActionHandler([&] { ++cancels; });
    auto label = std::make_shared<framework::StaticText>();
    window->AddControl("Label", label);

    QTest::keyClick(label->Widget(), Qt::Key_Return);
    QTest::keyClick(window->Widget(), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(defaults, 2);
    EXPECT_EQ(cancels, 0);
    QTest::keyClick(window->Widget(), Qt::Key_Escape);
    EXPECT_EQ(cancels, 1);
    QTest::keyClick(window->Widget(), Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(defaults, 2) << "Ctrl+Return is not Return";

    ok->SetProperty("Enabled", false);
    QTest::keyClick(window->Widget(), Qt::Key_Return);
    EXPECT_EQ(defaults, 2) << "a disabled default button is not pressed";
}

TEST_F(WindowsTest, ReturnInAFieldBreaksALineOnlyWhenTheFieldIsMultiline)
{
    auto window = OpenWindow();
    int defaults = 0;
    auto ok = std::make_shared<framework::PushButton>();
    window->AddControl("OK", ok);
    ok->SetProperty("Default", true);
    ok->SetActionHandler([&] { ++defaults; });
    auto field = std::make_shared<framework::EditField>();
    window->AddControl("Field", field);

    field->SetProperty("Multiline", true);
    QTest::keyClicks(field->Widget(), "ab");
    QTest::keyClick(field->Widget(), Qt::Key_Return);
    EXPECT_EQ(field->Text(), "ab\r");
    EXPECT_EQ(defaults, 0);

    field->SetProperty("Multiline", false);
    QTest::keyClick(field->Widget(), Qt::Key_Return);
    EXPECT_EQ(field->Text(), "ab\r");
    EXPECT_EQ(defaults, 1);
}

TEST_F(WindowsTest, ControlEventsAreRequestsAndWaitWhileOneRuns)
{
    auto window = OpenWindow();
    auto button =
        Place<framework::PushButton>(*window, "B", QRect(10, 10, 80, 24), false, false, false, false);
    auto text = Place<framework::StaticText>(*window, "T", QRect(10, 50, 50, 20), false, false, false, false);
    int actions = 0;
    std::vector<std::pair<int, int>> presses;
    bool inRequest = false;
    button->SetActionHandler([&] {
        inRequest = framework::RequestRunning();
        ++actions;
    });
    text->SetMouseDownHandler([&](std::int32_t x, std::int32_t y) {
        presses.emplace_back(x, y);
        return false;
    });

    framework::DispatchRequest([&] {
        QTest::mouseClick(button->Widget(), Qt::LeftButton);
        QTest::mouseClick(text->Widget(), Qt::LeftButton, {}, QPoint(3, 4));
    });
    EXPECT_EQ(actions, 0);
    EXPECT_TRUE(presses.empty());

    QTest::mouseClick(button->Widget(), Qt::LeftButton);
    QTest::mouseClick(text->Widget(), Qt::LeftButton, {}, QPoint(3, 4));
    EXPECT_EQ(actions, 1);
    EXPECT_TRUE(inRequest);
    ASSERT_EQ(presses.size(), 1u);
    EXPECT_EQ(presses[0], std::make_pair(3, 4)) << "the position is the control's own";
}

TEST_F(WindowsTest, AnExceptionInAControlEventReachesTheUnhandledExceptionRoutine)
{
    std::vector<std::string> steps;
    char name[] = "zwojnik";
    char* argv[] = {name, nullptr};
    const int status = app::Run(1, argv, [&](std::string_view step) {
        steps.emplace_back(step);
        if (step == "event loop") {
            auto window = OpenWindow();
            auto button = std::make_shared<framework::PushButton>();
            window->AddControl("B", button);
            button->SetActionHandler([] { throw framework::IllegalCastException("test"); });
            testsupport::RunWhen([] { return true; }, [button] { button->Push(); });
        }
    });
    EXPECT_EQ(status, 1);
    ASSERT_EQ(framework::scripting::ShownMessages().size(), 1u);
    EXPECT_NE(framework::scripting::ShownMessages()[0].find("IllegalCastException"), std::string::npos);
    EXPECT_TRUE(framework::Windows().empty()) << "finalisation closes the windows";
}

TEST_F(WindowsTest, FontsAreTheNamedFamilyWhereTheSystemHasItElseTheClosestSansSerif)
{
    QFont probe(QStringLiteral("sans-serif"));
    probe.setStyleHint(QFont::SansSerif);
    const QString sans = QFontInfo(probe).family();

    framework::StaticText text;
    text.SetProperty("TextFont", "Lucida Grande"s);
    text.SetProperty("TextSize", std::int32_t{14});
    text.SetProperty("Bold", true);
    const QFont font = text.Widget()->font();
    const QString expected =
        QFontDatabase::hasFamily("Lucida Grande") ? QStringLiteral("Lucida Grande") : sans;
    EXPECT_EQ(QFontInfo(font).family(), expected);
    EXPECT_FALSE(QFontInfo(font).fixedPitch());
    EXPECT_EQ(font.pixelSize(), 14) << "sizes are those of the window's pixel grid";
    EXPECT_TRUE(font.bold());
    EXPECT_FALSE(font.italic());

    const QString installed = QFontDatabase::families().value(0);
    ASSERT_FALSE(installed.isEmpty());
    text.SetProperty("TextFont", installed.toStdString());
    text.SetProperty("Italic", true);
    text.SetProperty("Underline", true);
    EXPECT_EQ(text.Widget()->font().family(), installed);
    EXPECT_TRUE(text.Widget()->font().italic());
    EXPECT_TRUE(text.Widget()->font().underline());

    framework::PushButton button;
    const int systemSize = QApplication::font(button.Widget()).pixelSize();
    button.SetProperty("TextSize", std::int32_t{0});
    EXPECT_EQ(button.Widget()->font().pixelSize(), systemSize) << "size 0 keeps the system's size";
}

TEST_F(WindowsTest, StaticTextsShowLineBreaksAlignmentAndColour)
{
    framework::StaticText text;
    text.SetProperty("Text", "jeden\rdwa <b>trzy</b>"s);
    text.SetProperty("TextAlign", std::int32_t{2});
    text.SetProperty("TextColor", framework::Color{1, 2, 3});
    text.SetProperty("Multiline", true);
    auto* label = static_cast<QLabel*>(text.Widget());
    EXPECT_EQ(label->text(), QStringLiteral("jeden\ndwa <b>trzy</b>"));
    EXPECT_EQ(label->textFormat(), Qt::PlainText) << "markup in a text is shown as it is";
    EXPECT_EQ(text.Text(), "jeden\rdwa <b>trzy</b>");
    EXPECT_EQ(label->alignment(), Qt::AlignRight | Qt::AlignTop);
    EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(1, 2, 3));
    EXPECT_TRUE(label->wordWrap());
    text.SetProperty("TextAlign", std::int32_t{0});
    EXPECT_EQ(label->alignment(), Qt::AlignLeft | Qt::AlignTop);
}

TEST_F(WindowsTest, EditFieldsLimitWhatTheUserAddsNotWhatTheProgramSets)
{
    auto window = OpenWindow();
    auto field = std::make_shared<framework::EditField>();
    window->AddControl("F", field);
    field->SetProperty("LimitText", std::int32_t{5});
    field->SetProperty("Text", "abcdefg"s);
    EXPECT_EQ(field->Text(), "abcdefg");

    field->SetProperty("Text", "ab"s);
    auto* edit = static_cast<QTextEdit*>(field->Widget());
    edit->moveCursor(QTextCursor::End);
    QTest::keyClicks(edit, "cdefgh");
    EXPECT_EQ(field->Text(), "abcde");

    QApplication::clipboard()->setText(QStringLiteral("XYZ"));
    edit->moveCursor(QTextCursor::Start);
    edit->moveCursor(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
    edit->paste();
    EXPECT_EQ(field->Text(), "Xbcde") << "a paste fills only the room left";
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(field->Text(), "bcde");
}

TEST_F(WindowsTest, ReadOnlyFieldsCanBeReadAndSelectedButNotChanged)
{
    auto window = OpenWindow();
    auto field = std::make_shared<framework::EditField>();
    window->AddControl("F", field);
    field->SetProperty("Text", "pierwszy\r\rdrugi"s);
    field->SetProperty("ReadOnly", true);
    auto* edit = static_cast<QTextEdit*>(field->Widget());
    EXPECT_EQ(edit->document()->blockCount(), 3);
    EXPECT_EQ(edit->document()->findBlockByNumber(2).text(), QStringLiteral("drugi"));

    QTest::keyClicks(edit, "xyz");
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClick(edit, Qt::Key_Return);
    QTest::keyClick(edit, Qt::Key_End, Qt::ShiftModifier);
    EXPECT_EQ(field->Text(), "pierwszy\r\rdrugi");
    EXPECT_TRUE(edit->textCursor().hasSelection()) << "the keyboard still selects";
    EXPECT_TRUE(field->ReadOnly());
    EXPECT_FALSE(edit->document()->isUndoAvailable());
}

TEST_F(WindowsTest, EditFieldAlignmentAndNonBreakingSpacesSurviveTheTextsRoundTrip)
{
    framework::EditField field;
    field.SetProperty("Text", "a\xC2\xA0"
                              "b\rc"s);
    field.SetProperty("Alignment", std::int32_t{2});
    EXPECT_EQ(field.Text(), "a\xC2\xA0"
                            "b\rc");
    auto* edit = static_cast<QTextEdit*>(field.Widget());
    for (auto block = edit->document()->begin(); block.isValid(); block = block.next()) {
        EXPECT_EQ(block.blockFormat().alignment(), Qt::AlignHCenter);
    }
    EXPECT_FALSE(edit->document()->isUndoAvailable()) << "the design's alignment is no user edit";
}

TEST_F(WindowsTest, ScreenZeroIsTheMainScreenInFullAndOtherIndexesMayBeNil)
{
    const auto screens = QGuiApplication::screens();
    ASSERT_FALSE(screens.isEmpty());
    auto main = framework::Screen(0);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(main->Width(), screens[0]->geometry().width());
    EXPECT_EQ(main->Height(), screens[0]->geometry().height());
    EXPECT_EQ(framework::Screen(-1), nullptr);
    EXPECT_EQ(framework::Screen(static_cast<int>(screens.size())), nullptr);

    framework::scripting::SetMainScreenSize(1024, 768);
    EXPECT_EQ(framework::Screen(0)->Width(), 1024);
    EXPECT_EQ(framework::Screen(0)->Height(), 768);
}

} // namespace
