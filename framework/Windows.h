#pragma once

#include "framework/Exceptions.h"
#include "framework/Properties.h"
#include "framework/Text.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <typeinfo>
#include <vector>

class QWidget;

namespace framework {

class Control;
using ControlPtr = std::shared_ptr<Control>;

// A window of the program. A subclass describes its window in three hooks that Construct calls while it
// builds the window: Layout (the window's own properties), CreateControls and AddMenuHandlers. Sizes are
// those of the content area; Left and Top place the content area's top-left corner on the screen.
//
// Every window is a modeless top-level window with a title bar, placed first by the window system, with
// a close and a minimize button and a maximize button when MaximizeButton says so. Resizeable false fixes
// the window at the size it has then. Return presses the default button; Escape and Ctrl+W close it.
class Window : public PropertyTarget, public std::enable_shared_from_this<Window>
{
public:
    Window();
    ~Window() override;

    // The framework's window constructor: runs the hooks, opens the window and shows it when its Visible
    // property says so. The window must be held by a shared pointer; it is built once.
    void Construct();

    // Shows the window and brings it to the front. A closed window raises the nil-object exception.
    void Show();
    // Hides the window for good: it leaves the framework's windows and is no longer any class's implicit
    // instance. The close button does the same.
    void Close();
    bool IsOpen() const;

    std::int32_t Width() const;
    std::int32_t Height() const;
    void SetLeft(std::int32_t left);
    void SetTop(std::int32_t top);

    // The control takes the name and becomes part of the window.
    void AddControl(const String& name, const ControlPtr& control);
    // The first control with this name, or nothing.
    ControlPtr Control(const String& name) const;

    // The window system's window: the content area, parent of the controls' widgets.
    QWidget* Widget() const;

protected:
    virtual void Layout() {}
    virtual void CreateControls() {}
    virtual void AddMenuHandlers(Window& window) { (void)window; }

private:
    struct State;
    void Apply(std::string_view name, const PropertyValue& value) final;
    void FollowSize();
    friend std::shared_ptr<Window> ImplicitInstanceOf(const std::type_info& windowClass);
    template <class W> friend std::shared_ptr<W> ImplicitInstance();

    std::unique_ptr<State> mState;
    bool mImplicit = false;
};

using WindowPtr = std::shared_ptr<Window>;

// The open window that is the implicit instance of the class, or nothing.
WindowPtr ImplicitInstanceOf(const std::type_info& windowClass);

// The implicit instance of the class, built and opened first when there is none.
template <class W> std::shared_ptr<W> ImplicitInstance()
{
    if (auto window = ImplicitInstanceOf(typeid(W))) {
        return std::static_pointer_cast<W>(window);
    }
    auto window = std::make_shared<W>();
    window->Construct();
    window->mImplicit = true;
    return window;
}

// The open windows, oldest first.
std::vector<WindowPtr> Windows();

// For module finalisation: close and let go of every window.
void ReleaseWindows();

// A handler that calls the method on the window for as long as the window exists.
template <class W, class R, class... Args>
std::function<R(Args...)> MethodHandler(W& window, R (W::*method)(Args...))
{
    std::weak_ptr<W> target = std::static_pointer_cast<W>(window.shared_from_this());
    return [target, method](Args... args) -> R {
        if (auto object = target.lock()) {
            return ((*object).*method)(args...);
        }
        return R();
    };
}

// A screen attached to the system, measured in full: menu bars and task bars included.
struct Display
{
    std::int32_t width;
    std::int32_t height;
};

// The screen with this index, 0 being the main screen; nothing when there is no such screen.
std::optional<Display> Screen(int index);

} // namespace framework
