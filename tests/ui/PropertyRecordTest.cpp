#include "ui/PropertyRecord.h"

#include "framework/Controls.h"
#include "framework/Exceptions.h"
#include "ui/AboutWindowRecords.h"
#include "ui/HelpWindowRecords.h"

#include <QPalette>
#include <QPushButton>
#include <QWidget>
#include <algorithm>
#include <gtest/gtest.h>
#include <span>
#include <string>
#include <vector>

namespace {

using framework::PropertyRecordException;
using ui::PropertyEntry;

using namespace std::string_literals;

// Names of a push button.
std::vector<PropertyEntry> Decode(std::string_view record)
{
    return ui::DecodeRecord(record, [](std::string_view name) {
        return framework::TypeIn(framework::property_lists::PushButton, name);
    });
}

// A record cut short anywhere shows in the records' own prefixes below.
TEST(PropertyRecord, FaultyRecordsRaiseTheRecordExceptionSayingWhatAndWhere)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"Left \x00\x00\x00\x01"
         "Foo \x00"s,
         "unknown property \"Foo\" at byte 9"},
        {"Visible \x01 \x01"s, "empty property name at byte 9"},
        {"Visible \x02"s, "\"Visible\" at byte 8 is 0x02"},
        {"Left1 \x00\x00\x00\x01"s, "byte 0x31 at byte 4"},
        {"\xC5\x9B \x01"s, "byte 0xC5 at byte 0"},
        // Huge counts are compared with what remains and never wrap around.
        {"Caption \xFF\xFF\xFF\xFFOK"s, "\"Caption\" runs past the end of the record at byte 8"},
    };
    for (const auto& [record, message] : cases) {
        try {
            Decode(record);
            ADD_FAILURE() << "accepted; expected: " << message;
        } catch (const PropertyRecordException& error) {
            EXPECT_NE(std::string(error.what()).find(message), std::string::npos) << error.what();
        }
    }
}

TEST(PropertyRecord, SetPropertiesSetsEveryEntryInOrderOrNothingAtAll)
{
    const std::string good = "Caption \x00\x00\x00\x01X"
                             "Left \x00\x00\x00\x56"
                             "Caption \x00\x00\x00\x02OK"s;
    framework::PushButton button;
    ui::SetProperties(button, good);
    const auto* widget = qobject_cast<QPushButton*>(button.Widget());
    EXPECT_EQ(widget->text(), "OK") << "the later entry is set last";
    EXPECT_EQ(widget->x(), 86);

    framework::PushButton untouched;
    EXPECT_THROW(ui::SetProperties(untouched, good + "Visible \x07"s), PropertyRecordException);
    EXPECT_EQ(qobject_cast<QPushButton*>(untouched.Widget())->text(), "");

    // A colour's three bytes are red, green and blue, in that order.
    framework::StaticText text;
    ui::SetProperties(text, "TextColor \x12\x34\x56"s);
    EXPECT_EQ(text.Widget()->palette().color(QPalette::WindowText).name(), "#123456");
}

// ---------------------------------------------------------------------------------------------------
// The records of the program's windows

struct RecordCase
{
    const char* label;
    const std::string& record;
    std::span<const framework::PropertyDeclaration> names; // of its kind, with their types
};

std::vector<RecordCase> AllRecords()
{
    using namespace framework::property_lists;
    return {
        {"about Window2", ui::about::Window2Record(), Window},
        {"about PushButton1", ui::about::PushButton1Record(), PushButton},
        {"about StaticText1", ui::about::StaticText1Record(), StaticText},
        {"about StaticText2", ui::about::StaticText2Record(), StaticText},
        {"about StaticText3", ui::about::StaticText3Record(), StaticText},
        {"about Canvas1", ui::about::Canvas1Record(), Canvas},
        {"help Window3", ui::help::Window3Record(), Window},
        {"help EditField1", ui::help::EditField1Record(), EditField},
        {"help StaticText1", ui::help::StaticText1Record(), StaticText},
    };
}

std::vector<ui::PropertyEntry> Decode(const RecordCase& each, std::string_view bytes)
{
    return ui::DecodeRecord(bytes,
                            [&](std::string_view name) { return framework::TypeIn(each.names, name); });
}

bool Contains(const std::string& record, const std::string& bytes)
{
    return record.find(bytes) != std::string::npos;
}

TEST(WindowRecords, BytesAreThoseWorkedOutByHand)
{
    const std::string canvasOpening = "Name \x00\x00\x00\x07"
                                      "Canvas1"
                                      "Index \x80\x00\x00\x00"
                                      "Left \x00\x00\x00\x56"s;
    EXPECT_TRUE(ui::about::Canvas1Record().starts_with(canvasOpening));

    const std::string caption = "Caption \x00\x00\x00\x02OK"s;
    EXPECT_TRUE(Contains(ui::about::PushButton1Record(), "TabPanelIndex \x00\x00\x00\x00"s + caption +
                                                             "Default \x01"
                                                             "Cancel \x00"s));

    // 47 bytes ("plików" is 7), 1 carriage return, then 22 ("pomocą" is 7): 70 = 0x46.
    EXPECT_TRUE(Contains(ui::about::StaticText3Record(),
                         "Text \x00\x00\x00\x46Program do zamiany plik\xC3\xB3w .lit na format .html\x0D"
                         "za pomoc\xC4\x85 Convert-LIT"
                         "TextAlign \x00\x00\x00\x01"s));

    // An empty string is its four zero bytes, and the next name follows at once.
    for (const RecordCase& each : AllRecords()) {
        if (each.names.data() != framework::property_lists::Window) {
            EXPECT_TRUE(Contains(each.record, "HelpTag \x00\x00\x00\x00"
                                              "AutoDeactivate \x01"s))
                << each.label;
        }
    }
    // A colour is three bytes, and the title follows at once.
    EXPECT_TRUE(Contains(ui::about::Window2Record(), "BackColor \xFF\xFF\xFF"
                                                     "Title \x00\x00\x00\x07Zwojnik"s));
    EXPECT_TRUE(Contains(ui::help::Window3Record(), "BackColor \xB2\xB2\xB2"
                                                    "Title \x00\x00\x00\x0DPomoc Zwojnik"s));
}

// Each record lists every name of its kind in order; every prefix decodes iff it ends on an entry boundary.
TEST(WindowRecords, EachRecordIsItsKindsWholeListAndEveryPrefixDecodesIffItEndsOnAnEntryBoundary)
{
    for (const RecordCase& each : AllRecords()) {
        std::vector<std::string> names, expected;
        std::vector<std::size_t> boundaries = {0};
        for (const auto& entry : Decode(each, each.record)) {
            names.push_back(entry.name);
            boundaries.push_back(boundaries.back() + ui::EncodeRecord({entry}).size());
        }
        for (const auto& declared : each.names) {
            expected.emplace_back(declared.name);
        }
        EXPECT_EQ(names, expected) << each.label;
        ASSERT_EQ(boundaries.back(), each.record.size()) << each.label;
        for (std::size_t length = 0; length < each.record.size(); ++length) {
            const auto boundary = std::find(boundaries.begin(), boundaries.end(), length);
            const std::string_view prefix(each.record.data(), length);
            if (boundary != boundaries.end()) {
                EXPECT_EQ(Decode(each, prefix).size(), std::size_t(boundary - boundaries.begin()))
                    << each.label << ", " << length << " bytes";
            } else {
                EXPECT_THROW(Decode(each, prefix), framework::PropertyRecordException)
                    << each.label << ", " << length << " bytes";
            }
        }
    }
}

} // namespace
