#include "ui/AboutWindowRecords.h"

#include "Configuration.h"
#include "ui/RecordBuilders.h"

namespace ui::about {

using namespace ui::records;

const std::string& Window2Record()
{
    static const std::string record = WindowRecord({
        .width = 301,
        .height = 298,
        .minWidth = 64,
        .minHeight = 64,
        .maxWidth = 32000,
        .maxHeight = 32000,
        .frame = 1,
        .backColor = {0xFF, 0xFF, 0xFF},
        .title = "Zwojnik",
        .resizeable = false,
        .liveResize = false,
        .maximizeButton = false,
    });
    return record;
}

const std::string& PushButton1Record()
{
    static const std::string record = PushButtonRecord({
        .name = "PushButton1",
        .bounds = {116, 227, 69, 21},
        .locks = {},
        .caption = "OK",
        .isDefault = true,
        .isCancel = false,
        .style = {.size = 12, .bold = false},
    });
    return record;
}

const std::string& StaticText1Record()
{
    static const std::string record = StaticTextRecord({
        .name = "StaticText1",
        .bounds = {20, 260, 261, 31},
        .locks = {},
        .text = "Graficzna nakładka na program Convert LIT\rAutor: Jan Wiśniewski",
        .textAlign = 1,
        .textColor = {0x72, 0x72, 0x72},
        .multiline = true,
        .style = {.size = 10, .bold = false},
    });
    return record;
}

const std::string& StaticText2Record()
{
    static const std::string record = StaticTextRecord({
        .name = "StaticText2",
        .bounds = {20, 153, 261, 20},
        .locks = {},
        .text = std::string("Zwojnik ") + configuration::kVersion,
        .textAlign = 1,
        .textColor = {0x00, 0x00, 0x00},
        .multiline = false,
        .style = {.size = 14, .bold = true},
    });
    return record;
}

const std::string& StaticText3Record()
{
    static const std::string record = StaticTextRecord({
        .name = "StaticText3",
        .bounds = {20, 185, 261, 31},
        .locks = {},
        .text = "Program do zamiany plików .lit na format .html\rza pomocą Convert-LIT",
        .textAlign = 1,
        .textColor = {0x00, 0x00, 0x00},
        .multiline = true,
        .style = {.size = 10, .bold = false},
    });
    return record;
}

const std::string& Canvas1Record()
{
    static const std::string record = CanvasRecord({
        .name = "Canvas1",
        .bounds = {86, 14, 128, 128},
        .locks = {},
        .useFocusRing = true,
        .acceptFocus = false,
        .acceptTabs = false,
        .eraseBackground = true,
    });
    return record;
}

} // namespace ui::about
