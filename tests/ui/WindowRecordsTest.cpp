#include "framework/Exceptions.h"
#include "ui/AboutWindowRecords.h"
#include "ui/HelpWindowRecords.h"
#include "ui/PropertyRecord.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <iterator>
#include <limits>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace {

using framework::Color;
using framework::PropertyType;
using framework::PropertyValue;
using ui::PropertyEntry;

using namespace std::string_literals;

constexpr std::int32_t noIndex = std::numeric_limits<std::int32_t>::min();

// The type of every property the program's records use, as the windows' and controls' classes define them.
std::optional<PropertyType> TypeOf(std::string_view name)
{
    static const std::map<std::string, PropertyType, std::less<>> types = [] {
        std::map<std::string, PropertyType, std::less<>> table;
        for (const char* name : {"Name", "Title", "BalloonHelp", "Caption", "HelpTag", "TextFont",
                                 "InitialParent", "Text", "DataSource", "DataField", "Format", "Mask"}) {
            table[name] = PropertyType::String;
        }
        for (const char* name : {"Index", "Left", "Top", "Width", "Height", "TabPanelIndex", "TextSize",
                                 "TextAlign", "LimitText", "Alignment", "Placement", "MinWidth", "MinHeight",
                                 "MaxWidth", "MaxHeight", "Frame", "MacProcID"}) {
            table[name] = PropertyType::Integer;
        }
        for (const char* name : {"BackColor", "TextColor"}) {
            table[name] = PropertyType::Color;
        }
        for (const char* name :
             {"Composite",         "HasBackColor",    "Visible",      "FullScreen",
              "MenuBarVisible",    "CloseButton",     "Resizeable",   "LiveResize",
              "MaximizeButton",    "MinimizeButton",  "LockLeft",     "LockTop",
              "LockRight",         "LockBottom",      "Default",      "Cancel",
              "Enabled",           "AutoDeactivate",  "Bold",         "Italic",
              "Underline",         "Multiline",       "UseFocusRing", "AcceptFocus",
              "AcceptTabs",        "EraseBackground", "Border",       "ScrollbarHorizontal",
              "ScrollbarVertical", "Styled",          "Password",     "ReadOnly"}) {
            table[name] = PropertyType::Boolean;
        }
        return table;
    }();
    const auto found = types.find(name);
    if (found == types.end()) {
        return std::nullopt;
    }
    return found->second;
}

std::vector<PropertyEntry> Decode(const std::string& record)
{
    return ui::DecodeRecord(record, TypeOf);
}

const std::vector<std::string> windowOrder = {
    "Placement",      "Width",          "Height",         "MinWidth",     "MinHeight",  "MaxWidth",
    "MaxHeight",      "Frame",          "Composite",      "HasBackColor", "BackColor",  "Title",
    "Visible",        "FullScreen",     "MenuBarVisible", "CloseButton",  "Resizeable", "LiveResize",
    "MaximizeButton", "MinimizeButton", "BalloonHelp",    "MacProcID"};

const std::vector<std::string> pushButtonOrder = {
    "Name",     "Index",    "Left",      "Top",        "Width",         "Height",
    "LockLeft", "LockTop",  "LockRight", "LockBottom", "TabPanelIndex", "Caption",
    "Default",  "Cancel",   "Enabled",   "Visible",    "HelpTag",       "AutoDeactivate",
    "TextFont", "TextSize", "Bold",      "Italic",     "Underline",     "InitialParent"};

const std::vector<std::string> staticTextOrder = {
    "Name",      "Index",     "Left",       "Top",           "Width",          "Height",       "LockLeft",
    "LockTop",   "LockRight", "LockBottom", "TabPanelIndex", "Text",           "TextAlign",    "TextColor",
    "Multiline", "Enabled",   "Visible",    "HelpTag",       "AutoDeactivate", "TextFont",     "TextSize",
    "Bold",      "Italic",    "Underline",  "DataSource",    "DataField",      "InitialParent"};

const std::vector<std::string> canvasOrder = {"Name",
                                              "Index",
                                              "Left",
                                              "Top",
                                              "Width",
                                              "Height",
                                              "LockLeft",
                                              "LockTop",
                                              "LockRight",
                                              "LockBottom",
                                              "TabPanelIndex",
                                              "Visible",
                                              "HelpTag",
                                              "AutoDeactivate",
                                              "Enabled",
                                              "UseFocusRing",
                                              "AcceptFocus",
                                              "AcceptTabs",
                                              "EraseBackground",
                                              "InitialParent"};

const std::vector<std::string> editFieldOrder = {"Name",
                                                 "Index",
                                                 "Left",
                                                 "Top",
                                                 "Width",
                                                 "Height",
                                                 "LockLeft",
                                                 "LockTop",
                                                 "LockRight",
                                                 "LockBottom",
                                                 "TabPanelIndex",
                                                 "Border",
                                                 "Multiline",
                                                 "ScrollbarHorizontal",
                                                 "ScrollbarVertical",
                                                 "Styled",
                                                 "Password",
                                                 "UseFocusRing",
                                                 "TextColor",
                                                 "BackColor",
                                                 "Enabled",
                                                 "Format",
                                                 "Visible",
                                                 "HelpTag",
                                                 "AutoDeactivate",
                                                 "TextFont",
                                                 "TextSize",
                                                 "Bold",
                                                 "Italic",
                                                 "Underline",
                                                 "Text",
                                                 "Mask",
                                                 "ReadOnly",
                                                 "LimitText",
                                                 "AcceptTabs",
                                                 "Alignment",
                                                 "DataSource",
                                                 "DataField",
                                                 "InitialParent"};

struct RecordCase
{
    const char* label;
    const std::string& record;
    const std::vector<std::string>& order;
};

std::vector<RecordCase> AllRecords()
{
    return {
        {"about Window2", ui::about::Window2Record(), windowOrder},
        {"about PushButton1", ui::about::PushButton1Record(), pushButtonOrder},
        {"about StaticText1", ui::about::StaticText1Record(), staticTextOrder},
        {"about StaticText2", ui::about::StaticText2Record(), staticTextOrder},
        {"about StaticText3", ui::about::StaticText3Record(), staticTextOrder},
        {"about Canvas1", ui::about::Canvas1Record(), canvasOrder},
        {"help Window3", ui::help::Window3Record(), windowOrder},
        {"help EditField1", ui::help::EditField1Record(), editFieldOrder},
        {"help StaticText1", ui::help::StaticText1Record(), staticTextOrder},
    };
}

std::vector<RecordCase> ControlRecords()
{
    std::vector<RecordCase> controls;
    for (const RecordCase& each : AllRecords()) {
        if (&each.order != &windowOrder) {
            controls.push_back(each);
        }
    }
    return controls;
}

bool Contains(const std::string& record, const std::string& bytes)
{
    return record.find(bytes) != std::string::npos;
}

bool EndsWith(const std::string& record, const std::string& bytes)
{
    return record.size() >= bytes.size() &&
           record.compare(record.size() - bytes.size(), bytes.size(), bytes) == 0;
}

// Checks the named values; each name occurs once in a record.
void ExpectValues(const std::string& record, const std::vector<PropertyEntry>& expected)
{
    std::map<std::string, PropertyValue> values;
    for (PropertyEntry& entry : Decode(record)) {
        values.emplace(std::move(entry.name), std::move(entry.value));
    }
    for (const PropertyEntry& entry : expected) {
        const auto found = values.find(entry.name);
        ASSERT_NE(found, values.end()) << entry.name;
        EXPECT_TRUE(found->second == entry.value) << entry.name;
    }
}

std::size_t EncodedSize(const PropertyEntry& entry)
{
    std::size_t valueSize = 0;
    switch (framework::TypeOf(entry.value)) {
    case PropertyType::Integer:
        valueSize = 4;
        break;
    case PropertyType::Boolean:
        valueSize = 1;
        break;
    case PropertyType::Color:
        valueSize = 3;
        break;
    case PropertyType::String:
        valueSize = 4 + std::get<std::string>(entry.value).size();
        break;
    }
    return entry.name.size() + 1 + valueSize;
}

TEST(WindowRecordsLayout, EachRecordListsEveryPropertyOfItsKindInOrder)
{
    EXPECT_EQ(windowOrder.size(), 22u);
    EXPECT_EQ(pushButtonOrder.size(), 24u);
    EXPECT_EQ(staticTextOrder.size(), 27u);
    EXPECT_EQ(canvasOrder.size(), 20u);
    EXPECT_EQ(editFieldOrder.size(), 39u);
    for (const RecordCase& each : AllRecords()) {
        std::vector<std::string> names;
        for (const PropertyEntry& entry : Decode(each.record)) {
            names.push_back(entry.name);
        }
        EXPECT_EQ(names, each.order) << each.label;
    }
}

TEST(WindowRecordsLayout, EachRecordReEncodesToItself)
{
    for (const RecordCase& each : AllRecords()) {
        EXPECT_EQ(ui::EncodeRecord(Decode(each.record)), each.record) << each.label;
    }
}

TEST(WindowRecordsLayout, RecordsEndWithTheLastEntryOfTheirKind)
{
    for (const RecordCase& each : AllRecords()) {
        const std::string last =
            &each.order == &windowOrder ? "MacProcID \x00\x00\x00\x00"s : "InitialParent \x00\x00\x00\x00"s;
        EXPECT_TRUE(EndsWith(each.record, last)) << each.label;
    }
}

TEST(WindowRecordsBytes, CanvasOpensWithNameIndexAndLeft)
{
    const std::string opening = "Name \x00\x00\x00\x07"
                                "Canvas1"
                                "Index \x80\x00\x00\x00"
                                "Left \x00\x00\x00\x56"s;
    ASSERT_EQ(opening.size(), 35u);
    EXPECT_EQ(ui::about::Canvas1Record().substr(0, opening.size()), opening);
}

TEST(WindowRecordsBytes, ButtonCaptionIsFourteenBytes)
{
    const std::string caption = "Caption \x00\x00\x00\x02OK"s;
    ASSERT_EQ(caption.size(), 14u);
    EXPECT_TRUE(Contains(ui::about::PushButton1Record(), "TabPanelIndex \x00\x00\x00\x00"s + caption +
                                                             "Default \x01"
                                                             "Cancel \x00"s));
}

TEST(WindowRecordsBytes, EmptyHelpTagIsFourZeroBytesThenTheNextName)
{
    for (const RecordCase& each : ControlRecords()) {
        EXPECT_TRUE(Contains(each.record, "HelpTag \x00\x00\x00\x00"
                                          "AutoDeactivate \x01"s))
            << each.label;
    }
}

TEST(WindowRecordsBytes, TextLengthsCountUtf8BytesAndCarriageReturns)
{
    // 47 bytes ("plików" is 7), 1 CR, then 22 ("pomocą" is 7): 70 = 0x46.
    EXPECT_TRUE(Contains(ui::about::StaticText3Record(),
                         "Text \x00\x00\x00\x46Program do zamiany plik\xC3\xB3w .lit na format .html\x0D"
                         "za pomoc\xC4\x85 Convert-LIT"
                         "TextAlign \x00\x00\x00\x01"s));
    // 42 bytes ("nakładka" is 9), 1 CR, then 22 ("Wiśniewski" is 11): 65 = 0x41.
    EXPECT_TRUE(Contains(ui::about::StaticText1Record(), "Text \x00\x00\x00\x41Graficzna nak\xC5\x82"
                                                         "adka na program Convert LIT\x0D"
                                                         "Autor: Jan Wi\xC5\x9Bniewski"
                                                         "TextAlign \x00\x00\x00\x01"
                                                         "TextColor \x72\x72\x72"
                                                         "Multiline \x01"s));
    EXPECT_TRUE(Contains(ui::about::StaticText2Record(), "Text \x00\x00\x00\x0DZwojnik 0.1.1"
                                                         "TextAlign \x00\x00\x00\x01"
                                                         "TextColor \x00\x00\x00"
                                                         "Multiline \x00"s));
}

TEST(WindowRecordsBytes, WindowColourIsThreeBytesThenTitle)
{
    EXPECT_TRUE(Contains(ui::about::Window2Record(), "HasBackColor \x00"
                                                     "BackColor \xFF\xFF\xFF"
                                                     "Title \x00\x00\x00\x07Zwojnik"
                                                     "Visible \x01"s));
    EXPECT_TRUE(Contains(ui::help::Window3Record(), "BackColor \xB2\xB2\xB2"
                                                    "Title \x00\x00\x00\x0DPomoc Zwojnik"
                                                    "Visible \x01"s));
}

TEST(WindowRecordsBytes, WindowSizesAreBigEndian)
{
    // 301 = 0x012D, 298 = 0x012A, 32000 = 0x7D00.
    const std::string aboutOpening = "Placement \x00\x00\x00\x00"
                                     "Width \x00\x00\x01\x2D"
                                     "Height \x00\x00\x01\x2A"s;
    EXPECT_EQ(ui::about::Window2Record().substr(0, aboutOpening.size()), aboutOpening);
    EXPECT_TRUE(Contains(ui::about::Window2Record(), "MaxWidth \x00\x00\x7D\x00"
                                                     "MaxHeight \x00\x00\x7D\x00"
                                                     "Frame \x00\x00\x00\x01"s));
    // 502 = 0x01F6, 325 = 0x0145, 300 = 0x012C, 197 = 0xC5, 620 = 0x026C, 676 = 0x02A4.
    const std::string helpOpening = "Placement \x00\x00\x00\x00"
                                    "Width \x00\x00\x01\xF6"
                                    "Height \x00\x00\x01\x45"
                                    "MinWidth \x00\x00\x01\x2C"
                                    "MinHeight \x00\x00\x00\xC5"
                                    "MaxWidth \x00\x00\x02\x6C"
                                    "MaxHeight \x00\x00\x02\xA4"
                                    "Frame \x00\x00\x00\x07"
                                    "Composite \x00"
                                    "HasBackColor \x00"s;
    EXPECT_EQ(ui::help::Window3Record().substr(0, helpOpening.size()), helpOpening);
}

TEST(WindowRecordsValues, ControlsShareTheirCommonValues)
{
    for (const RecordCase& each : ControlRecords()) {
        SCOPED_TRACE(each.label);
        ExpectValues(each.record, {{"Index", noIndex},
                                   {"TabPanelIndex", 0},
                                   {"Enabled", true},
                                   {"Visible", true},
                                   {"HelpTag", ""s},
                                   {"AutoDeactivate", true},
                                   {"InitialParent", ""s}});
        if (&each.order != &canvasOrder) {
            ExpectValues(each.record,
                         {{"TextFont", "Lucida Grande"s}, {"Italic", false}, {"Underline", false}});
        }
        if (&each.order == &staticTextOrder || &each.order == &editFieldOrder) {
            ExpectValues(each.record, {{"DataSource", ""s}, {"DataField", ""s}});
        }
    }
}

TEST(WindowRecordsValues, AboutWindow)
{
    ExpectValues(ui::about::Window2Record(), {{"Placement", 0},
                                              {"Width", 301},
                                              {"Height", 298},
                                              {"MinWidth", 64},
                                              {"MinHeight", 64},
                                              {"MaxWidth", 32000},
                                              {"MaxHeight", 32000},
                                              {"Frame", 1},
                                              {"Composite", false},
                                              {"HasBackColor", false},
                                              {"BackColor", Color{0xFF, 0xFF, 0xFF}},
                                              {"Title", "Zwojnik"s},
                                              {"Visible", true},
                                              {"FullScreen", false},
                                              {"MenuBarVisible", true},
                                              {"CloseButton", true},
                                              {"Resizeable", false},
                                              {"LiveResize", false},
                                              {"MaximizeButton", false},
                                              {"MinimizeButton", true},
                                              {"BalloonHelp", ""s},
                                              {"MacProcID", 0}});
}

TEST(WindowRecordsValues, AboutControls)
{
    const std::vector<PropertyEntry> noLocks = {
        {"LockLeft", false}, {"LockTop", false}, {"LockRight", false}, {"LockBottom", false}};
    for (const std::string* record :
         {&ui::about::PushButton1Record(), &ui::about::StaticText1Record(), &ui::about::StaticText2Record(),
          &ui::about::StaticText3Record(), &ui::about::Canvas1Record()}) {
        ExpectValues(*record, noLocks);
    }
    ExpectValues(ui::about::PushButton1Record(), {{"Name", "PushButton1"s},
                                                  {"Left", 116},
                                                  {"Top", 227},
                                                  {"Width", 69},
                                                  {"Height", 21},
                                                  {"Caption", "OK"s},
                                                  {"Default", true},
                                                  {"Cancel", false},
                                                  {"TextSize", 12},
                                                  {"Bold", false}});
    ExpectValues(ui::about::StaticText1Record(),
                 {{"Name", "StaticText1"s},
                  {"Left", 20},
                  {"Top", 260},
                  {"Width", 261},
                  {"Height", 31},
                  {"Text", "Graficzna nakładka na program Convert LIT\rAutor: Jan Wiśniewski"s},
                  {"TextAlign", 1},
                  {"TextColor", Color{0x72, 0x72, 0x72}},
                  {"Multiline", true},
                  {"TextSize", 10},
                  {"Bold", false}});
    ExpectValues(ui::about::StaticText2Record(), {{"Name", "StaticText2"s},
                                                  {"Left", 20},
                                                  {"Top", 153},
                                                  {"Width", 261},
                                                  {"Height", 20},
                                                  {"Text", "Zwojnik 0.1.1"s},
                                                  {"TextAlign", 1},
                                                  {"TextColor", Color{0, 0, 0}},
                                                  {"Multiline", false},
                                                  {"TextSize", 14},
                                                  {"Bold", true}});
    ExpectValues(ui::about::StaticText3Record(),
                 {{"Name", "StaticText3"s},
                  {"Left", 20},
                  {"Top", 185},
                  {"Width", 261},
                  {"Height", 31},
                  {"Text", "Program do zamiany plików .lit na format .html\rza pomocą Convert-LIT"s},
                  {"TextAlign", 1},
                  {"TextColor", Color{0, 0, 0}},
                  {"Multiline", true},
                  {"TextSize", 10},
                  {"Bold", false}});
    ExpectValues(ui::about::Canvas1Record(), {{"Name", "Canvas1"s},
                                              {"Left", 86},
                                              {"Top", 14},
                                              {"Width", 128},
                                              {"Height", 128},
                                              {"UseFocusRing", true},
                                              {"AcceptFocus", false},
                                              {"AcceptTabs", false},
                                              {"EraseBackground", true}});
}

TEST(WindowRecordsValues, HelpWindow)
{
    ExpectValues(ui::help::Window3Record(), {{"Placement", 0},
                                             {"Width", 502},
                                             {"Height", 325},
                                             {"MinWidth", 300},
                                             {"MinHeight", 197},
                                             {"MaxWidth", 620},
                                             {"MaxHeight", 676},
                                             {"Frame", 7},
                                             {"Composite", false},
                                             {"HasBackColor", false},
                                             {"BackColor", Color{0xB2, 0xB2, 0xB2}},
                                             {"Title", "Pomoc Zwojnik"s},
                                             {"Visible", true},
                                             {"FullScreen", false},
                                             {"MenuBarVisible", true},
                                             {"CloseButton", true},
                                             {"Resizeable", true},
                                             {"LiveResize", true},
                                             {"MaximizeButton", true},
                                             {"MinimizeButton", true},
                                             {"BalloonHelp", ""s},
                                             {"MacProcID", 0}});
}

TEST(WindowRecordsValues, HelpControls)
{
    ExpectValues(ui::help::EditField1Record(), {{"Name", "EditField1"s},
                                                {"Left", 20},
                                                {"Top", 44},
                                                {"Width", 462},
                                                {"Height", 261},
                                                {"LockLeft", true},
                                                {"LockTop", true},
                                                {"LockRight", true},
                                                {"LockBottom", true},
                                                {"Border", true},
                                                {"Multiline", true},
                                                {"ScrollbarHorizontal", false},
                                                {"ScrollbarVertical", true},
                                                {"Styled", true},
                                                {"Password", false},
                                                {"UseFocusRing", false},
                                                {"TextColor", Color{0, 0, 0}},
                                                {"BackColor", Color{0xFF, 0xFF, 0xFF}},
                                                {"Format", ""s},
                                                {"TextSize", 12},
                                                {"Bold", false},
                                                {"Mask", ""s},
                                                {"ReadOnly", true},
                                                {"LimitText", 0},
                                                {"AcceptTabs", false},
                                                {"Alignment", 0}});
    ExpectValues(ui::help::StaticText1Record(), {{"Name", "StaticText1"s},
                                                 {"Left", 20},
                                                 {"Top", 14},
                                                 {"Width", 100},
                                                 {"Height", 20},
                                                 {"LockLeft", false},
                                                 {"LockTop", false},
                                                 {"LockRight", false},
                                                 {"LockBottom", false},
                                                 {"Text", "Zwojnik"s},
                                                 {"TextAlign", 0},
                                                 {"TextColor", Color{0, 0, 0}},
                                                 {"Multiline", false},
                                                 {"TextSize", 14},
                                                 {"Bold", true}});
}

std::string HelpText()
{
    for (const PropertyEntry& entry : Decode(ui::help::EditField1Record())) {
        if (entry.name == "Text") {
            return std::get<std::string>(entry.value);
        }
    }
    ADD_FAILURE() << "the help field has no Text";
    return {};
}

TEST(HelpText, HasFourParagraphsSeparatedByEmptyLines)
{
    const std::string text = HelpText();
    std::vector<std::string> paragraphs;
    std::size_t start = 0;
    for (std::size_t separator = text.find("\r\r"); separator != std::string::npos;
         separator = text.find("\r\r", start)) {
        paragraphs.push_back(text.substr(start, separator - start));
        start = separator + 2;
    }
    paragraphs.push_back(text.substr(start));

    ASSERT_EQ(paragraphs.size(), 4u);
    for (const std::string& paragraph : paragraphs) {
        EXPECT_EQ(paragraph.find('\r'), std::string::npos) << "lone carriage return in: " << paragraph;
        EXPECT_EQ(paragraph.find('\n'), std::string::npos) << "line feed in: " << paragraph;
        EXPECT_FALSE(paragraph.empty());
    }
    EXPECT_EQ(paragraphs[0],
              "Zwojnik to graficzna nakładka na program Convert-LIT, służący do zamiany plików .lit "
              "na format. html.");
    EXPECT_EQ(paragraphs[1], "Do odczytania plików w formacie .lit niezbędny jest program Microsoft Reader. "
                             "Niestety, firma Microsoft nie udostępniła jak dotąd czytnika tego formatu "
                             "działającego w systemie Mac OS X.");
    EXPECT_EQ(paragraphs[2],
              "Jedynym sposobem odczytania tych plików na Macintoshu jest ich zamiana na inny "
              "format. Zamiany tej można dokonać za pomocą programu Convert-LIT (znanego także "
              "pod frywolną nazwą clit), udostępnianego na licencji GNU. Program ten wymaga "
              "ręcznego podania ścieżek dostępu i parametrów z linii poleceń.");
    EXPECT_EQ(paragraphs[3],
              "Zwojnik wzbogaca Convert-LIT o możliwość łatwej obsługi za pomocą myszy w systemie "
              "Mac OS X. Wystarczy przeciągnąć do tego programu plik .lit, wskazać katalog "
              "docelowy i kliknąć w przycisk Wykonaj.");
}

TEST(WindowRecordsTruncation, EveryPrefixDecodesIffItEndsOnAnEntryBoundary)
{
    for (const RecordCase& each : AllRecords()) {
        SCOPED_TRACE(each.label);
        std::set<std::size_t> boundaries = {0};
        std::size_t end = 0;
        for (const PropertyEntry& entry : Decode(each.record)) {
            end += EncodedSize(entry);
            boundaries.insert(end);
        }
        ASSERT_EQ(end, each.record.size());
        for (std::size_t length = 0; length < each.record.size(); ++length) {
            const std::string prefix = each.record.substr(0, length);
            const auto boundary = boundaries.find(length);
            if (boundary != boundaries.end()) {
                const auto entries = static_cast<std::size_t>(std::distance(boundaries.begin(), boundary));
                EXPECT_EQ(Decode(prefix).size(), entries) << "prefix of " << length << " bytes";
            } else {
                EXPECT_THROW(Decode(prefix), framework::PropertyRecordException)
                    << "prefix of " << length << " bytes";
            }
        }
    }
}

} // namespace
