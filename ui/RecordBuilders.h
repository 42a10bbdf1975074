#pragma once

#include "framework/Properties.h"

#include <cstdint>
#include <string>

// Builders for the property records of the program's windows and controls. Each writes every property
// of its kind in the kind's fixed order; the values that all the program's designs share are filled in
// here, so a design names only what sets it apart.
namespace ui::records {

struct Bounds
{
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// The window edges a control keeps its distance to when the window is resized.
struct Locks
{
    bool left = false;
    bool top = false;
    bool right = false;
    bool bottom = false;
};

struct TextStyle
{
    std::int32_t size = 12;
    bool bold = false;
};

struct WindowDesign
{
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t minWidth = 0;
    std::int32_t minHeight = 0;
    std::int32_t maxWidth = 0;
    std::int32_t maxHeight = 0;
    std::int32_t frame = 0;
    framework::Color backColor;
    std::string title;
    bool resizeable = false;
    bool liveResize = false;
    bool maximizeButton = false;
};

struct PushButtonDesign
{
    std::string name;
    Bounds bounds;
    Locks locks;
    std::string caption;
    bool isDefault = false;
    bool isCancel = false;
    TextStyle style;
};

struct StaticTextDesign
{
    std::string name;
    Bounds bounds;
    Locks locks;
    std::string text;
    std::int32_t textAlign = 0;
    framework::Color textColor;
    bool multiline = false;
    TextStyle style;
};

struct CanvasDesign
{
    std::string name;
    Bounds bounds;
    Locks locks;
    bool useFocusRing = false;
    bool acceptFocus = false;
    bool acceptTabs = false;
    bool eraseBackground = false;
};

struct EditFieldDesign
{
    std::string name;
    Bounds bounds;
    Locks locks;
    bool border = false;
    bool multiline = false;
    bool scrollbarHorizontal = false;
    bool scrollbarVertical = false;
    bool styled = false;
    bool password = false;
    bool useFocusRing = false;
    framework::Color textColor;
    framework::Color backColor;
    std::string format;
    TextStyle style;
    std::string text;
    std::string mask;
    bool readOnly = false;
    std::int32_t limitText = 0;
    bool acceptTabs = false;
    std::int32_t alignment = 0;
};

std::string WindowRecord(const WindowDesign& design);
std::string PushButtonRecord(const PushButtonDesign& design);
std::string StaticTextRecord(const StaticTextDesign& design);
std::string CanvasRecord(const CanvasDesign& design);
std::string EditFieldRecord(const EditFieldDesign& design);

} // namespace ui::records
