#include "framework/Controls.h"

#include "framework/Application.h"
#include "framework/Exceptions.h"
#include "framework/detail/PropertyTable.h"
#include "framework/detail/QtValues.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <algorithm>
#include <array>

namespace framework {

namespace {

using detail::BooleanOf;
using detail::ClampedExtent;
using detail::ClampedPosition;
using detail::ColorOf;
using detail::IntegerOf;
using detail::PropertyDefinition;
using detail::StringOf;

class EventRelay : public QObject
{
public:
    std::function<bool(QEvent& event)> filter;

protected:
    bool eventFilter(QObject*, QEvent* event) override { return filter && filter(*event); }
};

// The family Qt falls back on for a sans-serif font on this system.
QString closestSansSerif()
{
    QFont probe(QStringLiteral("sans-serif"));
    probe.setStyleHint(QFont::SansSerif);
    return QFontInfo(probe).family();
}

QString resolvedFamily(const String& family)
{
    const QString wanted = QString::fromStdString(family);
    return QFontDatabase::hasFamily(wanted) ? wanted : closestSansSerif();
}

// Texts break lines with a carriage return; Qt takes a line feed.
QString qtText(const String& text)
{
    QString converted = QString::fromStdString(text);
    converted.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    converted.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return converted;
}

String programText(QString text)
{
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\r'));
    text.replace(QChar::LineSeparator, QLatin1Char('\r'));
    text.replace(QLatin1Char('\n'), QLatin1Char('\r'));
    return text.toStdString();
}

// The design's sizes are those of a 72-dpi screen, where a point is a pixel; font sizes follow the
// pixel geometry of the windows so that every text keeps its place in them.
constexpr int kLargestFontSize = 1000;

using FieldWidget = QTextEdit;

} // namespace

// ---------------------------------------------------------------------------------------------------
// Control

Control::Control(QWidget* widget) : mWidget(widget), mRelay(std::make_unique<EventRelay>())
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

std::span<const PropertyDefinition<Control>> Control::CommonProperties()
{
    static const std::array<PropertyDefinition<Control>, 16> table{{
        {"Name", PropertyType::String, [](Control& c, const PropertyValue& v) { c.mName = StringOf(v); }},
        {"Index", PropertyType::Integer, [](Control&, const PropertyValue&) {}},
        {"Left", PropertyType::Integer,
         [](Control& c, const PropertyValue& v) {
             c.mLeft = IntegerOf(v);
             c.ApplyGeometry();
         }},
        {"Top", PropertyType::Integer,
         [](Control& c, const PropertyValue& v) {
             c.mTop = IntegerOf(v);
             c.ApplyGeometry();
         }},
        {"Width", PropertyType::Integer,
         [](Control& c, const PropertyValue& v) {
             c.mWidth = IntegerOf(v);
             c.ApplyGeometry();
         }},
        {"Height", PropertyType::Integer,
         [](Control& c, const PropertyValue& v) {
             c.mHeight = IntegerOf(v);
             c.ApplyGeometry();
         }},
        {"LockLeft", PropertyType::Boolean,
         [](Control& c, const PropertyValue& v) { c.mLockLeft = BooleanOf(v); }},
        {"LockTop", PropertyType::Boolean,
         [](Control& c, const PropertyValue& v) { c.mLockTop = BooleanOf(v); }},
        {"LockRight", PropertyType::Boolean,
         [](Control& c, const PropertyValue& v) { c.mLockRight = BooleanOf(v); }},
        {"LockBottom", PropertyType::Boolean,
         [](Control& c, const PropertyValue& v) { c.mLockBottom = BooleanOf(v); }},
        // The program's windows have no tab panels.
        {"TabPanelIndex", PropertyType::Integer, [](Control&, const PropertyValue&) {}},
        {"Enabled", PropertyType::Boolean,
         [](Control& c, const PropertyValue& v) { c.mWidget->setEnabled(BooleanOf(v)); }},
        {"Visible", PropertyType::Boolean,
         [](Control& c, const PropertyValue& v) {
             c.mVisible = BooleanOf(v);
             // A widget without a parent would show as a window of its own.
             if (c.mWidget->parentWidget()) {
                 c.mWidget->setVisible(c.mVisible);
             }
         }},
        {"HelpTag", PropertyType::String,
         [](Control& c, const PropertyValue& v) {
             c.mWidget->setToolTip(QString::fromStdString(StringOf(v)));
         }},
        // Qt draws controls of an inactive window inactive by itself.
        {"AutoDeactivate", PropertyType::Boolean, [](Control&, const PropertyValue&) {}},
        {"InitialParent", PropertyType::String, [](Control&, const PropertyValue&) {}},
    }};
    return table;
}

std::optional<PropertyType> Control::PropertyTypeOf(std::string_view name) const
{
    if (const auto* property = detail::FindProperty(CommonProperties(), name)) {
        return property->type;
    }
    return std::nullopt;
}

void Control::SetProperty(std::string_view name, const PropertyValue& value)
{
    detail::RequireSettable(PropertyTypeOf(name), name, value);
    if (!mWidget) {
        throw NilObjectException("the control's window is gone");
    }
    mValues.insert_or_assign(std::string(name), value);
    ApplyProperty(name, value);
}

void Control::ApplyProperty(std::string_view name, const PropertyValue& value)
{
    if (const auto* property = detail::FindProperty(CommonProperties(), name)) {
        property->apply(*this, value);
    }
}

const PropertyValue* Control::Stored(std::string_view name) const
{
    const auto found = mValues.find(name);
    return found == mValues.end() ? nullptr : &found->second;
}

std::int32_t Control::Left() const
{
    return detail::ClampedToInt32(mLeft);
}

std::int32_t Control::Top() const
{
    return detail::ClampedToInt32(mTop);
}

std::int32_t Control::Width() const
{
    return detail::ClampedToInt32(std::max<std::int64_t>(mWidth, 0));
}

std::int32_t Control::Height() const
{
    return detail::ClampedToInt32(std::max<std::int64_t>(mHeight, 0));
}

bool Control::Enabled() const
{
    return mWidget && mWidget->isEnabled();
}

bool Control::Visible() const
{
    return mVisible;
}

QWidget* Control::Widget() const
{
    return mWidget;
}

QObject* Control::Relay() const
{
    return mRelay.get();
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
    if (mLockRight) {
        (mLockLeft ? mWidth : mLeft) += dx;
    }
    if (mLockBottom) {
        (mLockTop ? mHeight : mTop) += dy;
    }
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
void Control::ApplyFont()
{
    QFont font = QApplication::font(mWidget);
    if (const auto* family = Stored("TextFont"); family && !StringOf(*family).empty()) {
        font.setFamily(resolvedFamily(StringOf(*family)));
    }
    if (const auto* size = Stored("TextSize"); size && IntegerOf(*size) > 0) {
        font.setPixelSize(std::min(IntegerOf(*size), kLargestFontSize));
    }
    if (const auto* bold = Stored("Bold")) {
        font.setBold(BooleanOf(*bold));
    }
    if (const auto* italic = Stored("Italic")) {
        font.setItalic(BooleanOf(*italic));
    }
    if (const auto* underline = Stored("Underline")) {
        font.setUnderline(BooleanOf(*underline));
    }
    mWidget->setFont(font);
}

// ---------------------------------------------------------------------------------------------------
// PushButton

PushButton::PushButton() : ControlOfKind(new QPushButton)
{
    QObject::connect(static_cast<QPushButton*>(Widget()), &QPushButton::clicked, Relay(),
                     [this] { RaiseAction(); });
}

std::span<const PropertyDefinition<PushButton>> PushButton::Properties()
{
    static const std::array<PropertyDefinition<PushButton>, 8> table{{
        {"Caption", PropertyType::String,
         [](PushButton& b, const PropertyValue& v) {
             static_cast<QPushButton*>(b.Widget())->setText(QString::fromStdString(StringOf(v)));
         }},
        {"Default", PropertyType::Boolean,
         [](PushButton& b, const PropertyValue& v) {
             static_cast<QPushButton*>(b.Widget())->setDefault(BooleanOf(v));
         }},
        // No window of the program has a cancel button.
        {"Cancel", PropertyType::Boolean, [](PushButton&, const PropertyValue&) {}},
        {"TextFont", PropertyType::String, [](PushButton& b, const PropertyValue&) { b.ApplyFont(); }},
        {"TextSize", PropertyType::Integer, [](PushButton& b, const PropertyValue&) { b.ApplyFont(); }},
        {"Bold", PropertyType::Boolean, [](PushButton& b, const PropertyValue&) { b.ApplyFont(); }},
        {"Italic", PropertyType::Boolean, [](PushButton& b, const PropertyValue&) { b.ApplyFont(); }},
        {"Underline", PropertyType::Boolean, [](PushButton& b, const PropertyValue&) { b.ApplyFont(); }},
    }};
    return table;
}

void PushButton::Push()
{
    if (auto* button = static_cast<QPushButton*>(Widget())) {
        button->click();
    }
}

String PushButton::Caption() const
{
    const auto* button = static_cast<QPushButton*>(Widget());
    return button ? button->text().toStdString() : String();
}

void PushButton::RaiseAction()
{
    if (!mAction || RequestRunning()) {
        return;
    }
    const auto action = mAction;
    DispatchRequest(action);
}

// ---------------------------------------------------------------------------------------------------
// StaticText

StaticText::StaticText() : ControlOfKind(new QLabel)
{
    auto* label = static_cast<QLabel*>(Widget());
    label->setTextFormat(Qt::PlainText);
    ApplyAlignment();
    auto* relay = static_cast<EventRelay*>(Relay());
    relay->filter = [this](QEvent& event) {
        if (event.type() != QEvent::MouseButtonPress && event.type() != QEvent::MouseButtonDblClick) {
            return false;
        }
        const QPoint at = static_cast<QMouseEvent&>(event).position().toPoint();
        return RaiseMouseDown(at.x(), at.y());
    };
    label->installEventFilter(relay);
}

std::span<const PropertyDefinition<StaticText>> StaticText::Properties()
{
    static const std::array<PropertyDefinition<StaticText>, 11> table{{
        {"Text", PropertyType::String,
         [](StaticText& t, const PropertyValue& v) {
             static_cast<QLabel*>(t.Widget())->setText(qtText(StringOf(v)));
         }},
        {"TextAlign", PropertyType::Integer,
         [](StaticText& t, const PropertyValue& v) {
             t.mTextAlign = IntegerOf(v);
             t.ApplyAlignment();
         }},
        {"TextColor", PropertyType::Color,
         [](StaticText& t, const PropertyValue& v) {
             // Black is the text colour of a light theme. On a window of no colour of its own the text
             // takes the theme's, which keeps it readable on a dark one.
             const auto colour = ColorOf(v);
             if (colour == framework::Color{} && !t.Widget()->window()->autoFillBackground()) {
                 t.Widget()->setPalette(QPalette());
                 return;
             }
             QPalette palette = t.Widget()->palette();
             palette.setColor(QPalette::WindowText, detail::QtColor(colour));
             t.Widget()->setPalette(palette);
         }},
        {"Multiline", PropertyType::Boolean,
         [](StaticText& t, const PropertyValue& v) {
             static_cast<QLabel*>(t.Widget())->setWordWrap(BooleanOf(v));
         }},
        {"TextFont", PropertyType::String, [](StaticText& t, const PropertyValue&) { t.ApplyFont(); }},
        {"TextSize", PropertyType::Integer, [](StaticText& t, const PropertyValue&) { t.ApplyFont(); }},
        {"Bold", PropertyType::Boolean, [](StaticText& t, const PropertyValue&) { t.ApplyFont(); }},
        {"Italic", PropertyType::Boolean, [](StaticText& t, const PropertyValue&) { t.ApplyFont(); }},
        {"Underline", PropertyType::Boolean, [](StaticText& t, const PropertyValue&) { t.ApplyFont(); }},
        // The program binds no control to a data source.
        {"DataSource", PropertyType::String, [](StaticText&, const PropertyValue&) {}},
        {"DataField", PropertyType::String, [](StaticText&, const PropertyValue&) {}},
    }};
    return table;
}

String StaticText::Text() const
{
    const auto* label = static_cast<QLabel*>(Widget());
    return label ? programText(label->text()) : String();
}

// 0 left, 1 centred, 2 right; the text starts at the top of the control.
void StaticText::ApplyAlignment()
{
    Qt::Alignment horizontal = Qt::AlignLeft;
    if (mTextAlign == 1) {
        horizontal = Qt::AlignHCenter;
    } else if (mTextAlign == 2) {
        horizontal = Qt::AlignRight;
    }
    static_cast<QLabel*>(Widget())->setAlignment(horizontal | Qt::AlignTop);
}

bool StaticText::RaiseMouseDown(std::int32_t x, std::int32_t y)
{
    if (!mMouseDown || RequestRunning()) {
        return false;
    }
    const auto handler = mMouseDown;
    bool claimed = false;
    DispatchRequest([&] { claimed = handler(x, y); });
    return claimed;
}

// ---------------------------------------------------------------------------------------------------
// Canvas

Canvas::Canvas() : ControlOfKind(new QWidget)
{
    Widget()->setFocusPolicy(Qt::NoFocus);
}

std::span<const PropertyDefinition<Canvas>> Canvas::Properties()
{
    static const std::array<PropertyDefinition<Canvas>, 4> table{{
        {"UseFocusRing", PropertyType::Boolean,
         [](Canvas& c, const PropertyValue& v) {
             c.Widget()->setAttribute(Qt::WA_MacShowFocusRect, BooleanOf(v));
         }},
        {"AcceptFocus", PropertyType::Boolean,
         [](Canvas& c, const PropertyValue& v) {
             c.Widget()->setFocusPolicy(BooleanOf(v) ? Qt::StrongFocus : Qt::NoFocus);
         }},
        // The program's canvas takes no focus, so no Tab either.
        {"AcceptTabs", PropertyType::Boolean, [](Canvas&, const PropertyValue&) {}},
        {"EraseBackground", PropertyType::Boolean,
         [](Canvas& c, const PropertyValue& v) { c.Widget()->setAutoFillBackground(BooleanOf(v)); }},
    }};
    return table;
}

// ---------------------------------------------------------------------------------------------------
// EditField

EditField::EditField() : ControlOfKind(new FieldWidget) {}

std::span<const PropertyDefinition<EditField>> EditField::Properties()
{
    static const std::array<PropertyDefinition<EditField>, 23> table{{
        {"Border", PropertyType::Boolean,
         [](EditField& f, const PropertyValue& v) {
             auto* field = static_cast<FieldWidget*>(f.Widget());
             field->setFrameShape(BooleanOf(v) ? QFrame::StyledPanel : QFrame::NoFrame);
             field->setFrameShadow(QFrame::Sunken);
         }},
        // The program's one field is multiline, as a QTextEdit is, and has no limit.
        {"Multiline", PropertyType::Boolean, [](EditField&, const PropertyValue&) {}},
        {"ScrollbarHorizontal", PropertyType::Boolean,
         [](EditField& f, const PropertyValue& v) {
             static_cast<FieldWidget*>(f.Widget())
                 ->setHorizontalScrollBarPolicy(BooleanOf(v) ? Qt::ScrollBarAlwaysOn
                                                             : Qt::ScrollBarAlwaysOff);
         }},
        {"ScrollbarVertical", PropertyType::Boolean,
         [](EditField& f, const PropertyValue& v) {
             static_cast<FieldWidget*>(f.Widget())
                 ->setVerticalScrollBarPolicy(BooleanOf(v) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
         }},
        {"Styled", PropertyType::Boolean,
         [](EditField& f, const PropertyValue& v) {
             static_cast<FieldWidget*>(f.Widget())->setAcceptRichText(BooleanOf(v));
         }},
        // A QTextEdit cannot mask its text; the program has no password fields.
        {"Password", PropertyType::Boolean, [](EditField&, const PropertyValue&) {}},
        {"UseFocusRing", PropertyType::Boolean,
         [](EditField& f, const PropertyValue& v) {
             f.Widget()->setAttribute(Qt::WA_MacShowFocusRect, BooleanOf(v));
         }},
        {"TextColor", PropertyType::Color, [](EditField& f, const PropertyValue&) { f.ApplyColours(); }},
        {"BackColor", PropertyType::Color, [](EditField& f, const PropertyValue&) { f.ApplyColours(); }},
        {"Format", PropertyType::String, [](EditField&, const PropertyValue&) {}},
        {"TextFont", PropertyType::String, [](EditField& f, const PropertyValue&) { f.ApplyFont(); }},
        {"TextSize", PropertyType::Integer, [](EditField& f, const PropertyValue&) { f.ApplyFont(); }},
        {"Bold", PropertyType::Boolean, [](EditField& f, const PropertyValue&) { f.ApplyFont(); }},
        {"Italic", PropertyType::Boolean, [](EditField& f, const PropertyValue&) { f.ApplyFont(); }},
        {"Underline", PropertyType::Boolean, [](EditField& f, const PropertyValue&) { f.ApplyFont(); }},
        {"Text", PropertyType::String,
         [](EditField& f, const PropertyValue& v) {
             static_cast<FieldWidget*>(f.Widget())->setPlainText(qtText(StringOf(v)));
             f.ApplyAlignment();
         }},
        {"Mask", PropertyType::String, [](EditField&, const PropertyValue&) {}},
        {"ReadOnly", PropertyType::Boolean,
         [](EditField& f, const PropertyValue& v) {
             auto* field = static_cast<FieldWidget*>(f.Widget());
             field->setReadOnly(BooleanOf(v));
             if (field->isReadOnly()) {
                 // The reader can still select with the keyboard and copy.
                 field->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
             }
         }},
        {"LimitText", PropertyType::Integer, [](EditField&, const PropertyValue&) {}},
        {"AcceptTabs", PropertyType::Boolean,
         [](EditField& f, const PropertyValue& v) {
             static_cast<FieldWidget*>(f.Widget())->setTabChangesFocus(!BooleanOf(v));
         }},
        {"Alignment", PropertyType::Integer,
         [](EditField& f, const PropertyValue& v) {
             f.mAlignment = IntegerOf(v);
             f.ApplyAlignment();
         }},
        {"DataSource", PropertyType::String, [](EditField&, const PropertyValue&) {}},
        {"DataField", PropertyType::String, [](EditField&, const PropertyValue&) {}},
    }};
    return table;
}

String EditField::Text() const
{
    const auto* field = static_cast<FieldWidget*>(Widget());
    return field ? programText(field->document()->toRawText()) : String();
}

bool EditField::ReadOnly() const
{
    const auto* field = static_cast<FieldWidget*>(Widget());
    return field && field->isReadOnly();
}

// 0 the field's standard alignment, 1 left, 2 centred, 3 right; for every paragraph of the text.
void EditField::ApplyAlignment()
{
    Qt::Alignment alignment = Qt::AlignLeft;
    if (mAlignment == 2) {
        alignment = Qt::AlignHCenter;
    } else if (mAlignment == 3) {
        alignment = Qt::AlignRight;
    }
    auto* document = static_cast<FieldWidget*>(Widget())->document();
    // Setting the design's alignment is not an edit the user could undo.
    const bool undo = document->isUndoRedoEnabled();
    document->setUndoRedoEnabled(false);
    QTextCursor cursor(document);
    cursor.select(QTextCursor::Document);
    QTextBlockFormat format;
    format.setAlignment(alignment);
    cursor.mergeBlockFormat(format);
    document->setUndoRedoEnabled(undo);
}

void EditField::ApplyColours()
{
    auto* field = Widget();
    QPalette palette = field->palette();
    if (const auto* text = Stored("TextColor")) {
        palette.setColor(QPalette::Text, detail::QtColor(ColorOf(*text)));
    }
    if (const auto* back = Stored("BackColor")) {
        palette.setColor(QPalette::Base, detail::QtColor(ColorOf(*back)));
    }
    field->setPalette(palette);
}

} // namespace framework
