#include "framework/Windows.h"

#include "framework/Application.h"
#include "framework/Controls.h"
#include "framework/Platform.h"
#include "framework/detail/QtValues.h"
#include "framework/detail/RuntimeState.h"

#include <QCloseEvent>
#include <QDialog>
#include <QResizeEvent>
#include <QShortcut>
#include <algorithm>
#include <utility>

namespace framework {

namespace {

using namespace detail;

// The widget may be inside one of its own event handlers when its window goes (the close button, a
// button that closes its window), so it is deleted once control is back in the event loop.
struct DisposeLater
{
    void operator()(QWidget* widget) const
    {
        if (QCoreApplication::instance()) {
            widget->hide();
            widget->deleteLater();
        }
    }
};

} // namespace

struct Window::State
{
    // The content area of the window, which it holds weakly: the widget may outlive it by a moment. A
    // dialog for Qt's default button and Escape, yet a window of its own kind.
    class Widget : public QDialog
    {
    public:
        Widget()
            : QDialog(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                                   Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)
        {}
        std::weak_ptr<Window> window;

        // Escape closes the window as its close button does.
        void reject() override { close(); }

    protected:
        // The window system places the window, instead of the dialog centring itself.
        void showEvent(QShowEvent* event) override { QWidget::showEvent(event); }

        void closeEvent(QCloseEvent* event) override
        {
            const auto owner = window.lock();
            event->setAccepted(!owner || !RequestRunning());
            if (owner && event->isAccepted()) {
                owner->Close();
            }
        }

        void resizeEvent(QResizeEvent* event) override
        {
            QDialog::resizeEvent(event);
            if (const auto owner = window.lock()) {
                owner->FollowSize();
            }
        }
    };

    std::unique_ptr<Widget, DisposeLater> widget{new Widget};
    std::vector<ControlPtr> controls;
    QSize laidOut = widget->size();
    enum class Stage
    {
        New,
        Building,
        Open,
        Closed,
    } stage = Stage::New;
    bool visible = false;
};

Window::Window() : PropertyTarget(property_lists::Window), mState(std::make_unique<State>()) {}

Window::~Window() = default;

void Window::Construct()
{
    if (mState->stage != State::Stage::New) {
        return;
    }
    const auto self = shared_from_this();
    auto& widget = *mState->widget;
    widget.window = self;
    // The system's Close keys (Ctrl+W) close a window as its close button does.
    QObject::connect(new QShortcut(QKeySequence::Close, &widget), &QShortcut::activated, &widget,
                     &QWidget::close);

    mState->stage = State::Stage::Building;
    try {
        Layout();
        // The controls' bounds are those of the window's size now; they follow it from here on.
        mState->laidOut = widget.size();
        CreateControls();
        AddMenuHandlers(*this);
    } catch (...) {
        mState->stage = State::Stage::Closed;
        throw;
    }
    mState->stage = State::Stage::Open;
    detail::RequireState().windows.push_back(self);
    if (mState->visible) {
        Show();
    }
}

void Window::Show()
{
    if (!IsOpen()) {
        throw NilObjectException("the window is closed");
    }
    mState->visible = true;
    auto& widget = *mState->widget;
    widget.setWindowState(widget.windowState() & ~Qt::WindowMinimized);
    widget.show();
    widget.raise();
    widget.activateWindow();
}

void Window::Close()
{
    if (mState->stage == State::Stage::Closed) {
        return;
    }
    const auto keepUntilDone = weak_from_this().lock();
    mState->stage = State::Stage::Closed;
    mState->widget->hide();
    if (auto* state = detail::CurrentState()) {
        std::erase_if(state->windows, [this](const WindowPtr& held) { return held.get() == this; });
    }
}

bool Window::IsOpen() const
{
    return mState->stage == State::Stage::Open;
}

std::int32_t Window::Width() const
{
    return mState->widget->width();
}

std::int32_t Window::Height() const
{
    return mState->widget->height();
}

void Window::SetLeft(std::int32_t left)
{
    auto& widget = *mState->widget;
    widget.setGeometry(QRect(QPoint(ClampedPosition(left), widget.geometry().y()), widget.size()));
}

void Window::SetTop(std::int32_t top)
{
    auto& widget = *mState->widget;
    widget.setGeometry(QRect(QPoint(widget.geometry().x(), ClampedPosition(top)), widget.size()));
}

void Window::AddControl(const String& name, const ControlPtr& control)
{
    auto& added = Require(control);
    added.mName = name;
    added.AttachTo(mState->widget.get());
    mState->controls.push_back(control);
}

ControlPtr Window::Control(const String& name) const
{
    const auto& controls = mState->controls;
    const auto found = std::find_if(controls.begin(), controls.end(),
                                    [&](const auto& control) { return control->Name() == name; });
    return found == controls.end() ? nullptr : *found;
}

QWidget* Window::Widget() const
{
    return mState->widget.get();
}

// Placement 0 leaves the position to the window system; every window has the close and minimize buttons
// that every record asks for. Frame, Composite, HasBackColor and BackColor (no window of the program has
// a background of its own), LiveResize (Qt redraws while the user resizes), FullScreen, MenuBarVisible
// and MacProcID ask nothing of the program's windows.
void Window::Apply(std::string_view name, const PropertyValue& value)
{
    auto& s = *mState;
    auto& widget = *s.widget;
    const auto extent = [&] { return ClampedExtent(std::get<std::int32_t>(value)); };
    const auto on = [&] { return std::get<bool>(value); };
    if (name == "Width") {
        widget.resize(extent(), widget.height());
    } else if (name == "Height") {
        widget.resize(widget.width(), extent());
    } else if (name == "MinWidth") {
        widget.setMinimumWidth(extent());
    } else if (name == "MinHeight") {
        widget.setMinimumHeight(extent());
    } else if (name == "MaxWidth") {
        widget.setMaximumWidth(extent());
    } else if (name == "MaxHeight") {
        widget.setMaximumHeight(extent());
    } else if (name == "Resizeable" && !on()) {
        widget.setFixedSize(widget.size());
    } else if (name == "MaximizeButton") {
        // A change of flags hides a window; it is shown again when it was shown.
        const bool shown = widget.isVisible();
        widget.setWindowFlag(Qt::WindowMaximizeButtonHint, on());
        widget.setVisible(shown);
    } else if (name == "Title") {
        widget.setWindowTitle(qt(std::get<std::string>(value)));
    } else if (name == "BalloonHelp") {
        widget.setToolTip(qt(std::get<std::string>(value)));
    } else if (name == "Visible") {
        s.visible = on();
        // While the window is being built it stays hidden; Construct shows it at the end.
        if (IsOpen()) {
            if (s.visible) {
                Show();
            } else {
                widget.hide();
            }
        }
    }
}

void Window::FollowSize()
{
    const QSize now = mState->widget->size();
    const QSize change = now - std::exchange(mState->laidOut, now);
    for (const auto& control : mState->controls) {
        control->FollowWindow(change.width(), change.height());
    }
}

WindowPtr ImplicitInstanceOf(const std::type_info& windowClass)
{
    for (const auto& window : Windows()) {
        if (window->mImplicit && typeid(*window) == windowClass) {
            return window;
        }
    }
    return nullptr;
}

std::vector<WindowPtr> Windows()
{
    const auto* state = detail::CurrentState();
    return state ? state->windows : std::vector<WindowPtr>{};
}

void ReleaseWindows()
{
    auto* state = detail::CurrentState();
    if (!state) {
        return;
    }
    for (const auto& window : std::exchange(state->windows, {})) {
        window->Close();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

std::optional<Display> Screen(int index)
{
    const auto screens = CurrentPlatform().Screens();
    if (index < 0 || index >= static_cast<int>(screens.size())) {
        return std::nullopt;
    }
    const QRect whole = screens[static_cast<std::size_t>(index)].whole;
    return Display{whole.width(), whole.height()};
}

} // namespace framework
