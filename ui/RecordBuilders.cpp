#include "ui/RecordBuilders.h"

#include "ui/PropertyRecord.h"

#include <limits>
#include <utility>
#include <vector>

namespace ui::records {

namespace {

// The typed setters fix each property's type, since the record itself carries no type tags.
class Entries
{
public:
    Entries& Integer(std::string name, std::int32_t value) { return Add(std::move(name), value); }
    Entries& Boolean(std::string name, bool value) { return Add(std::move(name), value); }
    Entries& Colour(std::string name, framework::Color value) { return Add(std::move(name), value); }
    Entries& Text(std::string name, std::string value) { return Add(std::move(name), std::move(value)); }

    std::string Encode() const { return EncodeRecord(entries_); }

private:
    Entries& Add(std::string name, framework::PropertyValue value)
    {
        entries_.push_back(PropertyEntry{std::move(name), std::move(value)});
        return *this;
    }

    std::vector<PropertyEntry> entries_;
};

// Name through TabPanelIndex, the opening of every control record.
Entries ControlHead(const std::string& name, const Bounds& bounds, const Locks& locks)
{
    Entries entries;
    entries.Text("Name", name)
        .Integer("Index", std::numeric_limits<std::int32_t>::min())
        .Integer("Left", bounds.left)
        .Integer("Top", bounds.top)
        .Integer("Width", bounds.width)
        .Integer("Height", bounds.height)
        .Boolean("LockLeft", locks.left)
        .Boolean("LockTop", locks.top)
        .Boolean("LockRight", locks.right)
        .Boolean("LockBottom", locks.bottom)
        .Integer("TabPanelIndex", 0);
    return entries;
}

void VisibleAndHelp(Entries& entries)
{
    entries.Boolean("Visible", true).Text("HelpTag", "").Boolean("AutoDeactivate", true);
}

void Font(Entries& entries, const TextStyle& style)
{
    entries.Text("TextFont", "Lucida Grande")
        .Integer("TextSize", style.size)
        .Boolean("Bold", style.bold)
        .Boolean("Italic", false)
        .Boolean("Underline", false);
}

void DataBinding(Entries& entries)
{
    entries.Text("DataSource", "").Text("DataField", "");
}

std::string WithParent(Entries& entries)
{
    entries.Text("InitialParent", "");
    return entries.Encode();
}

} // namespace

std::string WindowRecord(const WindowDesign& design)
{
    Entries entries;
    entries.Integer("Placement", 0)
        .Integer("Width", design.width)
        .Integer("Height", design.height)
        .Integer("MinWidth", design.minWidth)
        .Integer("MinHeight", design.minHeight)
        .Integer("MaxWidth", design.maxWidth)
        .Integer("MaxHeight", design.maxHeight)
        .Integer("Frame", design.frame)
        .Boolean("Composite", false)
        .Boolean("HasBackColor", false)
        .Colour("BackColor", design.backColor)
        .Text("Title", design.title)
        .Boolean("Visible", true)
        .Boolean("FullScreen", false)
        .Boolean("MenuBarVisible", true)
        .Boolean("CloseButton", true)
        .Boolean("Resizeable", design.resizeable)
        .Boolean("LiveResize", design.liveResize)
        .Boolean("MaximizeButton", design.maximizeButton)
        .Boolean("MinimizeButton", true)
        .Text("BalloonHelp", "")
        .Integer("MacProcID", 0);
    return entries.Encode();
}

std::string PushButtonRecord(const PushButtonDesign& design)
{
    Entries entries = ControlHead(design.name, design.bounds, design.locks);
    entries.Text("Caption", design.caption)
        .Boolean("Default", design.isDefault)
        .Boolean("Cancel", design.isCancel)
        .Boolean("Enabled", true);
    VisibleAndHelp(entries);
    Font(entries, design.style);
    return WithParent(entries);
}

std::string StaticTextRecord(const StaticTextDesign& design)
{
    Entries entries = ControlHead(design.name, design.bounds, design.locks);
    entries.Text("Text", design.text)
        .Integer("TextAlign", design.textAlign)
        .Colour("TextColor", design.textColor)
        .Boolean("Multiline", design.multiline)
        .Boolean("Enabled", true);
    VisibleAndHelp(entries);
    Font(entries, design.style);
    DataBinding(entries);
    return WithParent(entries);
}

std::string CanvasRecord(const CanvasDesign& design)
{
    Entries entries = ControlHead(design.name, design.bounds, design.locks);
    VisibleAndHelp(entries);
    entries.Boolean("Enabled", true)
        .Boolean("UseFocusRing", design.useFocusRing)
        .Boolean("AcceptFocus", design.acceptFocus)
        .Boolean("AcceptTabs", design.acceptTabs)
        .Boolean("EraseBackground", design.eraseBackground);
    return WithParent(entries);
}

std::string EditFieldRecord(const EditFieldDesign& design)
{
    Entries entries = ControlHead(design.name, design.bounds, design.locks);
    entries.Boolean("Border", design.border)
        .Boolean("Multiline", design.multiline)
        .Boolean("ScrollbarHorizontal", design.scrollbarHorizontal)
        .Boolean("ScrollbarVertical", design.scrollbarVertical)
        .Boolean("Styled", design.styled)
        .Boolean("Password", design.password)
        .Boolean("UseFocusRing", design.useFocusRing)
        .Colour("TextColor", design.textColor)
        .Colour("BackColor", design.backColor)
        .Boolean("Enabled", true)
        .Text("Format", design.format);
    VisibleAndHelp(entries);
    Font(entries, design.style);
    entries.Text("Text", design.text)
        .Text("Mask", design.mask)
        .Boolean("ReadOnly", design.readOnly)
        .Integer("LimitText", design.limitText)
        .Boolean("AcceptTabs", design.acceptTabs)
        .Integer("Alignment", design.alignment);
    DataBinding(entries);
    return WithParent(entries);
}

} // namespace ui::records
