#include "framework/Windows.h"

#include "framework/Application.h"
#include "framework/Controls.h"
#include "framework/Platform.h"
#include "framework/detail/PropertyTable.h"
#include "framework/detail/QtValues.h"
#include "framework/detail/RuntimeState.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QPalette>
#include <QPushButton>
#include <QResizeEvent>
#include <QShortcut>
#include <QWidget>
#include <algorithm>
#include <map>
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

void forget(const Window* window)
{
    if (auto* state = detail::CurrentState()) {
        std::erase_if(state->windows, [window](const WindowPtr& held) { return held.get() == window; });
    }
}

} // namespace

struct Window::State
{
    // The content area of the window, which it holds weakly: the widget may outlive it by a moment.
    // Return presses the default button.
    class Widget : public QWidget
    {
    public:
        std::weak_ptr<Window> window;

    protected:
        void closeEvent(QCloseEvent* event) override
        {
            const auto owner = window.lock();
            if (owner && RequestRunning()) {
                event->ignore();
                return;
            }
            if (owner) {
                owner->Close();
            }
            event->accept();
        }

        void resizeEvent(QResizeEvent* event) override
        {
            QWidget::resizeEvent(event);
            if (const auto owner = window.lock()) {
                owner->FollowSize();
            }
        }

        void keyPressEvent(QKeyEvent* event) override
        {
            const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
            if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
                for (auto* button : findChildren<QPushButton*>()) {
                    if (button->isDefault() && button->isEnabled() && button->isVisible()) {
                        button->click();
                        return;
                    }
                }
            }
            QWidget::keyPressEvent(event);
        }
    };

    std::unique_ptr<Widget, DisposeLater> widget{new Widget};
    std::vector<ControlPtr> controls;
    QSize laidOut;
    bool constructing = false;
    bool constructed = false;
    bool closed = false;
    bool visible = false;
    // The frame, size limits and background from the record, taken in once it has been read.
    std::map<std::string, PropertyValue, std::less<>> design;
};

Window::Window() : mState(std::make_unique<State>())
{
    mState->laidOut = mState->widget->size();
}

Window::~Window() = default;

void Window::Construct()
{
    if (mState->constructed || mState->constructing || mState->closed) {
        return;
    }
    const std::weak_ptr<Window> self = weak_from_this();
    if (self.expired()) {
        throw NilObjectException("a window is built only while a shared pointer holds it");
    }
    auto& widget = *mState->widget;
    widget.window = self;
    // Escape and the system's Close keys (Ctrl+W) close a window as its close button does.
    for (auto* shortcut :
         {new QShortcut(Qt::Key_Escape, &widget), new QShortcut(QKeySequence::Close, &widget)}) {
        QObject::connect(shortcut, &QShortcut::activated, &widget, &QWidget::close);
    }

    mState->constructing = true;
    try {
        Layout();
        CreateControls();
        AddMenuHandlers(*this);
    } catch (...) {
        mState->constructing = false;
        mState->closed = true;
        throw;
    }
    mState->constructing = false;
    mState->constructed = true;
    ApplyDesign();
    detail::RequireState().windows.push_back(shared_from_this());
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
    if (widget.isMinimized()) {
        widget.showNormal();
    } else {
        widget.show();
    }
    widget.raise();
    widget.activateWindow();
}

void Window::Close()
{
    if (mState->closed) {
        return;
    }
    const auto keepUntilDone = weak_from_this().lock();
    mState->closed = true;
    mState->widget->hide();
    forget(this);
}

bool Window::IsOpen() const
{
    return mState->constructed && !mState->closed;
}

bool Window::IsVisible() const
{
    return IsOpen() && mState->widget->isVisible();
}

std::int32_t Window::Left() const
{
    return mState->widget->geometry().x();
}

std::int32_t Window::Top() const
{
    return mState->widget->geometry().y();
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

void Window::Resize(QSize size)
{
    auto& widget = *mState->widget;
    if (widget.minimumSize() == widget.maximumSize()) {
        widget.setFixedSize(size);
    } else {
        widget.resize(size);
    }
    FollowSize();
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

const std::vector<ControlPtr>& Window::Controls() const
{
    return mState->controls;
}

QWidget* Window::Widget() const
{
    return mState->widget.get();
}

std::optional<PropertyType> Window::PropertyTypeOf(std::string_view name) const
{
    return TypeIn(PropertyLists::Window(), name);
}

void Window::SetProperty(std::string_view name, const PropertyValue& value)
{
    detail::RequireSettable(PropertyTypeOf(name), name, value);
    Apply(name, value);
}

// Placement 0 leaves the position to the window system; Composite, LiveResize (Qt redraws while the
// user resizes), FullScreen, MenuBarVisible and MacProcID ask nothing of the program's windows.
void Window::Apply(std::string_view name, const PropertyValue& value)
{
    auto& s = *mState;
    auto& widget = *s.widget;
    if (name == "Width") {
        Resize(QSize(ClampedExtent(std::get<std::int32_t>(value)), widget.height()));
    } else if (name == "Height") {
        Resize(QSize(widget.width(), ClampedExtent(std::get<std::int32_t>(value))));
    } else if (name == "Title") {
        widget.setWindowTitle(QString::fromStdString(std::get<std::string>(value)));
    } else if (name == "BalloonHelp") {
        widget.setToolTip(QString::fromStdString(std::get<std::string>(value)));
    } else if (name == "Visible") {
        s.visible = std::get<bool>(value);
        // While the window is being built it stays hidden; Construct shows it at the end.
        if (IsOpen()) {
            if (s.visible) {
                Show();
            } else {
                widget.hide();
            }
        }
    } else {
        s.design.insert_or_assign(std::string(name), value);
        if (s.constructed) {
            ApplyDesign();
        }
    }
}

void Window::ApplyDesign()
{
    const auto& design = mState->design;
    const auto stated = [&](const char* name, auto otherwise) {
        const auto found = design.find(name);
        return found == design.end() ? otherwise : std::get<decltype(otherwise)>(found->second);
    };
    auto& widget = *mState->widget;
    const bool resizeable = stated("Resizeable", true);
    Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (stated("CloseButton", true)) {
        flags |= Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint;
    }
    if (stated("MinimizeButton", true)) {
        flags |= Qt::WindowMinimizeButtonHint;
    }
    if (stated("MaximizeButton", true) && resizeable) {
        flags |= Qt::WindowMaximizeButtonHint;
    }
    if (widget.windowFlags() != flags) {
        const bool shown = widget.isVisible();
        widget.setWindowFlags(flags);
        widget.setVisible(shown);
    }

    if (resizeable) {
        const QSize smallest(ClampedExtent(stated("MinWidth", 0)), ClampedExtent(stated("MinHeight", 0)));
        const auto largest = static_cast<std::int32_t>(detail::kLargestExtent);
        widget.setMinimumSize(smallest);
        widget.setMaximumSize(
            QSize(ClampedExtent(stated("MaxWidth", largest)), ClampedExtent(stated("MaxHeight", largest)))
                .expandedTo(smallest));
    } else {
        widget.setFixedSize(widget.size());
    }
    FollowSize();

    const bool hasBackColor = stated("HasBackColor", false);
    QPalette palette = QApplication::palette(&widget);
    if (hasBackColor) {
        palette.setColor(QPalette::Window, detail::QtColor(stated("BackColor", Color{0xFF, 0xFF, 0xFF})));
        // Its texts were designed black on it, whatever the theme.
        palette.setColor(QPalette::WindowText, Qt::black);
    }
    widget.setPalette(palette);
    widget.setAutoFillBackground(hasBackColor);
}

void Window::FollowSize()
{
    const QSize now = mState->widget->size();
    const int dx = now.width() - mState->laidOut.width();
    const int dy = now.height() - mState->laidOut.height();
    mState->laidOut = now;
    if (dx == 0 && dy == 0) {
        return;
    }
    for (const auto& control : mState->controls) {
        control->FollowWindow(dx, dy);
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
    return Display(whole.width(), whole.height());
}

} // namespace framework
