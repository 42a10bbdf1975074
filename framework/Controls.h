#pragma once

#include "framework/Properties.h"
#include "framework/Text.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string_view>

class QObject;
class QWidget;

namespace framework {

class Window;

// A control of a window. Its properties come from a property record; Left and Top are measured from
// the window's content area. A control locked to the right edge grows in width with its window, one
// locked to the bottom edge in height (every locked control of the program is locked left and top too).
//
// Events reach the program as requests of the framework and are not raised while a request runs.
class Control : public PropertyTarget
{
public:
    ~Control() override;

    const String& Name() const { return mName; }

    // The window system's widget; it belongs to the window once the control is added to one.
    QWidget* Widget() const { return mWidget; }

protected:
    Control(QWidget* widget, std::span<const PropertyDeclaration> properties);

    // Sets a property of the control's own kind; the base class takes the ones all controls share.
    virtual void ApplyProperty(std::string_view name, const PropertyValue& value);
    // Owner of the connections and event filters that carry the widget's events to the control.
    QObject* Relay() const { return mRelay.get(); }

private:
    friend class Window;
    void AttachTo(QWidget* content);
    void FollowWindow(int dx, int dy);
    void ApplyGeometry();
    void Apply(std::string_view name, const PropertyValue& value) final;
    void ApplyFont(std::string_view name, const PropertyValue& value);

    QWidget* mWidget;
    std::unique_ptr<QObject> mRelay;
    String mName;
    std::int64_t mLeft = 0;
    std::int64_t mTop = 0;
    std::int64_t mWidth = 0;
    std::int64_t mHeight = 0;
    bool mLockRight = false;
    bool mLockBottom = false;
    bool mVisible = true;
};

// A push button. Action: a click, or Return when it is the window's default button.
class PushButton : public Control
{
public:
    using ActionHandler = std::function<void()>;

    PushButton();

    void SetActionHandler(ActionHandler handler) { mAction = std::move(handler); }

private:
    void ApplyProperty(std::string_view name, const PropertyValue& value) override;

    ActionHandler mAction;
};

// A label. MouseDown: a press of a mouse button on the text, with its position in the control; the
// handler's true claims the press.
class StaticText : public Control
{
public:
    using MouseDownHandler = std::function<bool(std::int32_t x, std::int32_t y)>;

    StaticText();

    void SetMouseDownHandler(MouseDownHandler handler) { mMouseDown = std::move(handler); }

private:
    void ApplyProperty(std::string_view name, const PropertyValue& value) override;

    MouseDownHandler mMouseDown;
};

// An area the program may draw in; the program draws nothing, so it shows the window's background.
class Canvas : public Control
{
public:
    Canvas();

private:
    void ApplyProperty(std::string_view name, const PropertyValue& value) override;
};

// A text field. Its text breaks lines with carriage returns; each line is a paragraph of the field.
class EditField : public Control
{
public:
    EditField();

private:
    void ApplyProperty(std::string_view name, const PropertyValue& value) override;
};

} // namespace framework
