#pragma once

#include "framework/Properties.h"
#include "framework/Text.h"
#include "framework/detail/PropertyTable.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string_view>

class QObject;
class QWidget;

namespace framework {

class Window;

// A control of a window. Its properties come from a property record; Left and Top are measured from
// the window's content area. The Lock edges keep the control's distance to those window edges when the
// window is resized: locked on opposite edges, the control stretches with the window.
//
// Events reach the program as requests of the framework and are not raised while a request runs.
class Control : public PropertyTarget
{
public:
    ~Control() override;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    const String& Name() const { return mName; }
    std::int32_t Left() const;
    std::int32_t Top() const;
    std::int32_t Width() const;
    std::int32_t Height() const;
    bool Enabled() const;
    bool Visible() const;

    std::optional<PropertyType> PropertyTypeOf(std::string_view name) const override;
    void SetProperty(std::string_view name, const PropertyValue& value) final;

    // The window system's widget; it belongs to the window once the control is added to one.
    QWidget* Widget() const;

protected:
    explicit Control(QWidget* widget);

    // Sets a property of the control's own kind; the base class takes the ones all controls share.
    virtual void ApplyProperty(std::string_view name, const PropertyValue& value);
    void ApplyFont();
    const PropertyValue* Stored(std::string_view name) const;
    // Owner of the connections and event filters that carry the widget's events to the control.
    QObject* Relay() const;

private:
    friend class Window;
    static std::span<const detail::PropertyDefinition<Control>> CommonProperties();
    void AttachTo(QWidget* content);
    void FollowWindow(int dx, int dy);
    void ApplyGeometry();

    QWidget* mWidget;
    std::unique_ptr<QObject> mRelay;
    String mName;
    std::map<std::string, PropertyValue, std::less<>> mValues;
    std::int64_t mLeft = 0;
    std::int64_t mTop = 0;
    std::int64_t mWidth = 0;
    std::int64_t mHeight = 0;
    bool mLockLeft = false;
    bool mLockTop = false;
    bool mLockRight = false;
    bool mLockBottom = false;
    bool mVisible = true;
};

// A kind of control with a property table of its own, which is searched before the one that all
// controls share.
template <class Kind> class ControlOfKind : public Control
{
public:
    std::optional<PropertyType> PropertyTypeOf(std::string_view name) const override
    {
        if (const auto* property = detail::FindProperty(Kind::Properties(), name)) {
            return property->type;
        }
        return Control::PropertyTypeOf(name);
    }

protected:
    using Control::Control;

    void ApplyProperty(std::string_view name, const PropertyValue& value) override
    {
        if (const auto* property = detail::FindProperty(Kind::Properties(), name)) {
            property->apply(static_cast<Kind&>(*this), value);
            return;
        }
        Control::ApplyProperty(name, value);
    }
};

// A push button. Action: a click, or Return when it is the window's default button.
class PushButton : public ControlOfKind<PushButton>
{
public:
    using ActionHandler = std::function<void()>;

    PushButton();

    void SetActionHandler(ActionHandler handler) { mAction = std::move(handler); }
    // Acts as a click of the button.
    void Push();
    String Caption() const;

private:
    friend class ControlOfKind<PushButton>;
    static std::span<const detail::PropertyDefinition<PushButton>> Properties();
    void RaiseAction();

    ActionHandler mAction;
};

// A label. MouseDown: a press of a mouse button on the text, with its position in the control; the
// handler's true claims the press.
class StaticText : public ControlOfKind<StaticText>
{
public:
    using MouseDownHandler = std::function<bool(std::int32_t x, std::int32_t y)>;

    StaticText();

    void SetMouseDownHandler(MouseDownHandler handler) { mMouseDown = std::move(handler); }
    // Line breaks are carriage returns.
    String Text() const;

private:
    friend class ControlOfKind<StaticText>;
    static std::span<const detail::PropertyDefinition<StaticText>> Properties();
    void ApplyAlignment();
    bool RaiseMouseDown(std::int32_t x, std::int32_t y);

    MouseDownHandler mMouseDown;
    std::int32_t mTextAlign = 0;
};

// An area the program may draw in; the program draws nothing, so it shows the window's background.
class Canvas : public ControlOfKind<Canvas>
{
public:
    Canvas();

private:
    friend class ControlOfKind<Canvas>;
    static std::span<const detail::PropertyDefinition<Canvas>> Properties();
};

// A text field. Its text breaks lines with carriage returns; each line is a paragraph of the field.
class EditField : public ControlOfKind<EditField>
{
public:
    EditField();

    String Text() const;
    bool ReadOnly() const;

private:
    friend class ControlOfKind<EditField>;
    static std::span<const detail::PropertyDefinition<EditField>> Properties();
    void ApplyAlignment();
    void ApplyColours();

    std::int32_t mAlignment = 0;
};

} // namespace framework
