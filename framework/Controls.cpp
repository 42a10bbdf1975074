#include "framework/Controls.h"

#include "framework/Application.h"
#include "framework/Exceptions.h"
#include "framework/detail/QtValues.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTextEdit>
#include <algorithm>

namespace framework {

namespace {

using namespace detail;

class EventRelay : public QObject
{
public:
    std::function<bool(QEvent& event)> filter;

protected:
    bool eventFilter(QObject*, QEvent* event) override { return filter && filter(*event); }
};

// Texts break lines with a carriage return; Qt takes a line feed.
QString qtText(const String& text)
{
    QString converted = qt(text);
    converted.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    converted.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return converted;
}

// The design's sizes are those of a 72-dpi screen, where a point is a pixel; font sizes follow the
// pixel geometry of the windows so that every text keeps its place in them.
constexpr int kLargestFontSize = 1000;

} // namespace

// ---------------------------------------------------------------------------------------------------
// Control

Control::Control(QWidget* widget, std::span<const PropertyDeclaration> properties)
    : PropertyTarget(properties), mWidget(widget), mRelay(std::make_unique<EventRelay>())
{
    QObject::connect(mWidget, &QObject::destroyed, mRelay.get(), [this] { mWidget = nullptr; });
}

Control::~Control()
{
    // Until it joins a window the control owns its widget; afterwards the window does.
    if (mWidget && !mWidget->parent()) {
        delete mWidget;
    }
}

void Control::Apply(std::string_view name, const PropertyValue& value)
{
    if (!mWidget) {
        throw NilObjectException("the control's window is gone");
    }
    ApplyProperty(name, value);
}

// Index, TabPanelIndex, AutoDeactivate, InitialParent and the data bindings ask nothing of a window
// without tab panels or data sources, whose inactive controls Qt draws inactive by itself; no text of
// the program is italic or underlined.
void Control::ApplyProperty(std::string_view name, const PropertyValue& value)
{
    if (name == "Name") {
        mName = std::get<std::string>(value);
    } else if (name == "Left" || name == "Top" || name == "Width" || name == "Height") {
        (name == "Left"    ? mLeft
         : name == "Top"   ? mTop
         : name == "Width" ? mWidth
                           : mHeight) = std::get<std::int32_t>(value);
        ApplyGeometry();
    } else if (name == "LockRight") {
        mLockRight = std::get<bool>(value);
    } else if (name == "LockBottom") {
        mLockBottom = std::get<bool>(value);
    } else if (name == "Enabled") {
        mWidget->setEnabled(std::get<bool>(value));
    } else if (name == "Visible") {
        mVisible = std::get<bool>(value);
        // A widget without a parent would show as a window of its own.
        if (mWidget->parentWidget()) {
            mWidget->setVisible(mVisible);
        }
    } else if (name == "HelpTag") {
        mWidget->setToolTip(qt(std::get<std::string>(value)));
    } else if (name == "UseFocusRing") {
        mWidget->setAttribute(Qt::WA_MacShowFocusRect, std::get<bool>(value));
    } else if (name == "TextFont" || name == "TextSize" || name == "Bold") {
        ApplyFont(name, value);
    }
}

void Control::AttachTo(QWidget* content)
{
    if (!mWidget) {
        throw NilObjectException("the control's window is gone");
    }
    mWidget->setParent(content);
    ApplyGeometry();
    mWidget->setVisible(mVisible);
}

void Control::FollowWindow(int dx, int dy)
{
    mWidth += mLockRight ? dx : 0;
    mHeight += mLockBottom ? dy : 0;
    ApplyGeometry();
}

void Control::ApplyGeometry()
{
    if (mWidget) {
        mWidget->setGeometry(ClampedPosition(mLeft), ClampedPosition(mTop), ClampedExtent(mWidth),
                             ClampedExtent(mHeight));
    }
}

// "Lucida Grande" where the system has it, the closest sans-serif otherwise; a size of 0 keeps the
// system's size.
void Control::ApplyFont(std::string_view name, const PropertyValue& value)
{
    QFont font = mWidget->font();
    if (name == "TextFont" && !std::get<std::string>(value).empty()) {
        font.setFamily(qt(std::get<std::string>(value)));
        font.setStyleHint(QFont::SansSerif);
    } else if (name == "TextSize" && std::get<std::int32_t>(value) > 0) {
        font.setPixelSize(std::min(std::get<std::int32_t>(value), kLargestFontSize));
    } else if (name == "Bold") {
        font.setBold(std::get<bool>(value));
    }
    mWidget->setFont(font);
}

// ---------------------------------------------------------------------------------------------------
// PushButton

PushButton::PushButton() : Control(new QPushButton, property_lists::PushButton)
{
    QObject::connect(static_cast<QPushButton*>(Widget()), &QPushButton::clicked, Relay(), [this] {
        if (mAction && !RequestRunning()) {
            // A copy: the handler may close the window, and with it this control.
            DispatchRequest(ActionHandler(mAction));
        }
    });
}

// No window of the program has a cancel button.
void PushButton::ApplyProperty(std::string_view name, const PropertyValue& value)
{
    auto* button = static_cast<QPushButton*>(Widget());
    if (name == "Caption") {
        button->setText(qt(std::get<std::string>(value)));
    } else if (name == "Default") {
        button->setDefault(std::get<bool>(value));
    } else {
        Control::ApplyProperty(name, value);
    }
}

// ---------------------------------------------------------------------------------------------------
// StaticText

StaticText::StaticText() : Control(new QLabel, property_lists::StaticText)
{
    auto* label = static_cast<QLabel*>(Widget());
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* relay = static_cast<EventRelay*>(Relay());
    relay->filter = [this](QEvent& event) {
        const bool press =
            event.type() == QEvent::MouseButtonPress || event.type() == QEvent::MouseButtonDblClick;
        if (!press || !mMouseDown || RequestRunning()) {
            return false;
        }
        const QPoint at = static_cast<QMouseEvent&>(event).position().toPoint();
        const auto handler = mMouseDown;
        bool claimed = false;
        DispatchRequest([&] { claimed = handler(at.x(), at.y()); });
        return claimed;
    };
    label->installEventFilter(relay);
}

void StaticText::ApplyProperty(std::string_view name, const PropertyValue& value)
{
    auto* label = static_cast<QLabel*>(Widget());
    if (name == "Text") {
        label->setText(qtText(std::get<std::string>(value)));
    } else if (name == "TextAlign") {
        // 0 left, 1 centred, 2 right; the text starts at the top of the control.
        const auto align = std::get<std::int32_t>(value);
        label->setAlignment((align == 1   ? Qt::AlignHCenter
                             : align == 2 ? Qt::AlignRight
                                          : Qt::AlignLeft) |
                            Qt::AlignTop);
    } else if (name == "TextColor") {
        // Black is the theme's text colour: under a dark scheme black text would not be read.
        const auto colour = std::get<Color>(value);
        if (colour == Color{}) {
            label->setPalette(QPalette());
            return;
        }
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, detail::QtColor(colour));
        label->setPalette(palette);
    } else if (name == "Multiline") {
        label->setWordWrap(std::get<bool>(value));
    } else {
        Control::ApplyProperty(name, value);
    }
}

// ---------------------------------------------------------------------------------------------------
// Canvas

Canvas::Canvas() : Control(new QWidget, property_lists::Canvas) {}

void Canvas::ApplyProperty(std::string_view name, const PropertyValue& value)
{
    if (name == "EraseBackground") {
        Widget()->setAutoFillBackground(std::get<bool>(value));
    } else {
        Control::ApplyProperty(name, value);
    }
}

// ---------------------------------------------------------------------------------------------------
// EditField

// The program's one field is a multiline QTextEdit with a border, left-aligned, without a limit, a
// mask or a format.
EditField::EditField() : Control(new QTextEdit, property_lists::EditField) {}

void EditField::ApplyProperty(std::string_view name, const PropertyValue& value)
{
    auto* field = static_cast<QTextEdit*>(Widget());
    const auto scrollBar = [&] {
        return std::get<bool>(value) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff;
    };
    if (name == "ScrollbarHorizontal") {
        field->setHorizontalScrollBarPolicy(scrollBar());
    } else if (name == "ScrollbarVertical") {
        field->setVerticalScrollBarPolicy(scrollBar());
    } else if (name == "TextColor" || name == "BackColor") {
        QPalette palette = field->palette();
        palette.setColor(name == "TextColor" ? QPalette::Text : QPalette::Base,
                         QtColor(std::get<Color>(value)));
        field->setPalette(palette);
    } else if (name == "Text") {
        field->setPlainText(qtText(std::get<std::string>(value)));
    } else if (name == "ReadOnly") {
        field->setReadOnly(std::get<bool>(value));
        if (field->isReadOnly()) {
            // The reader can still select with the keyboard and copy.
            field->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        }
    } else if (name == "AcceptTabs") {
        field->setTabChangesFocus(!std::get<bool>(value));
    } else {
        Control::ApplyProperty(name, value);
    }
}

} // namespace framework
