#include "ui/PropertyRecord.h"

#include "framework/Exceptions.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <limits>
#include <map>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using framework::Color;
using framework::PropertyRecordException;
using framework::PropertyType;
using framework::PropertyValue;
using ui::DecodeRecord;
using ui::EncodeRecord;
using ui::PropertyEntry;

using namespace std::string_literals;

using TypeTable = std::map<std::string, PropertyType, std::less<>>;

auto LookUpIn(const TypeTable& table)
{
    return [&table](std::string_view name) -> std::optional<PropertyType> {
        const auto found = table.find(name);
        if (found == table.end()) {
            return std::nullopt;
        }
        return found->second;
    };
}

const TypeTable sampleTypes = {
    {"Left", PropertyType::Integer},   {"Visible", PropertyType::Boolean}, {"TextColor", PropertyType::Color},
    {"Caption", PropertyType::String}, {"Width", PropertyType::Integer},
};

// The message of the PropertyRecordException that decoding throws, or a failure when it throws none.
std::string DecodeError(std::string_view record, const TypeTable& types = sampleTypes)
{
    try {
        DecodeRecord(record, LookUpIn(types));
    } catch (const PropertyRecordException& error) {
        return error.what();
    }
    ADD_FAILURE() << "no PropertyRecordException for a faulty record";
    return {};
}

void ExpectMentions(const std::string& message, const std::string& part)
{
    EXPECT_NE(message.find(part), std::string::npos) << "\"" << message << "\" lacks \"" << part << "\"";
}

TEST(TypeOf, NamesTheTypeOfTheHeldValue)
{
    EXPECT_EQ(framework::TypeOf(PropertyValue{std::int32_t{-5}}), PropertyType::Integer);
    EXPECT_EQ(framework::TypeOf(PropertyValue{false}), PropertyType::Boolean);
    EXPECT_EQ(framework::TypeOf(PropertyValue{Color{1, 2, 3}}), PropertyType::Color);
    EXPECT_EQ(framework::TypeOf(PropertyValue{"x"s}), PropertyType::String);
}

TEST(EncodeRecord, IntegersAreFourBytesBigEndianTwosComplement)
{
    EXPECT_EQ(EncodeRecord({{"Left", std::int32_t{86}}}), "Left \x00\x00\x00\x56"s);
    EXPECT_EQ(EncodeRecord({{"Left", std::int32_t{0x01020304}}}), "Left \x01\x02\x03\x04"s);
    EXPECT_EQ(EncodeRecord({{"Left", std::int32_t{-2}}}), "Left \xFF\xFF\xFF\xFE"s);
    EXPECT_EQ(EncodeRecord({{"Left", std::numeric_limits<std::int32_t>::min()}}), "Left \x80\x00\x00\x00"s);
    EXPECT_EQ(EncodeRecord({{"Left", std::numeric_limits<std::int32_t>::max()}}), "Left \x7F\xFF\xFF\xFF"s);
}

TEST(EncodeRecord, BooleansAndColoursAreOneAndThreeBytes)
{
    EXPECT_EQ(EncodeRecord({{"Visible", true}}), "Visible \x01"s);
    EXPECT_EQ(EncodeRecord({{"Visible", false}}), "Visible \x00"s);
    EXPECT_EQ(EncodeRecord({{"TextColor", Color{0x72, 0x00, 0xFF}}}), "TextColor \x72\x00\xFF"s);
}

TEST(EncodeRecord, StringsCountTheirUtf8BytesAndHaveNoTerminator)
{
    EXPECT_EQ(EncodeRecord({{"Caption", "OK"s}}), "Caption \x00\x00\x00\x02OK"s);
    // "plików": ó is two bytes in UTF-8, so 7 bytes for 6 letters.
    EXPECT_EQ(EncodeRecord({{"Caption", "plików"s}}), "Caption \x00\x00\x00\x07plik\xC3\xB3w"s);
    EXPECT_EQ(EncodeRecord({{"Caption", "a\rb"s}}), "Caption \x00\x00\x00\x03\x61\x0D\x62"s);
    EXPECT_EQ(EncodeRecord({{"Caption", ""s}}), "Caption \x00\x00\x00\x00"s);
}

TEST(EncodeRecord, EntriesFollowEachOtherWithNothingInBetween)
{
    EXPECT_EQ(EncodeRecord({}), "");
    EXPECT_EQ(EncodeRecord({{"Caption", ""s}, {"Visible", true}, {"Left", std::int32_t{1}}}),
              "Caption \x00\x00\x00\x00Visible \x01Left \x00\x00\x00\x01"s);
}

TEST(EncodeRecord, RejectsNamesThatAreNotAsciiLetters)
{
    EXPECT_THROW(EncodeRecord({{"", true}}), std::invalid_argument);
    EXPECT_THROW(EncodeRecord({{"Text Color", true}}), std::invalid_argument);
    EXPECT_THROW(EncodeRecord({{"Tab1", true}}), std::invalid_argument);
    EXPECT_THROW(EncodeRecord({{"Wid\xC5\x9B", true}}), std::invalid_argument);
}

TEST(DecodeRecord, ReadsEachValueByTheTypeOfItsName)
{
    const std::string record = "Left \xFF\xFF\xFF\xFE"
                               "Visible \x01"
                               "TextColor \x01\x02\x03"
                               "Caption \x00\x00\x00\x07plik\xC3\xB3w"
                               "Visible \x00"
                               "Caption \x00\x00\x00\x00"s;
    const std::vector<PropertyEntry> expected = {
        {"Left", std::int32_t{-2}},    {"Visible", true},  {"TextColor", Color{1, 2, 3}},
        {"Caption", "plik\xC3\xB3w"s}, {"Visible", false}, {"Caption", ""s},
    };
    EXPECT_EQ(DecodeRecord(record, LookUpIn(sampleTypes)), expected);
}

TEST(DecodeRecord, TheSameBytesReadDifferentlyForADifferentType)
{
    // Values are not tagged: four bytes are an integer or the start of a string by the name's type.
    const std::string record = "Caption \x00\x00\x00\x01X"s;
    const TypeTable asInteger = {{"Caption", PropertyType::Integer}, {"X", PropertyType::Integer}};
    EXPECT_EQ(DecodeRecord(record, LookUpIn(sampleTypes)), (std::vector<PropertyEntry>{{"Caption", "X"s}}));
    ExpectMentions(DecodeError(record, asInteger), "\"X\" at byte 12 has no following space");
}

TEST(DecodeRecord, EmptyRecordHasNoEntries)
{
    EXPECT_TRUE(DecodeRecord("", LookUpIn(sampleTypes)).empty());
}

TEST(DecodeRecord, RoundTripsEncodedEntries)
{
    const std::vector<PropertyEntry> entries = {
        {"Width", std::numeric_limits<std::int32_t>::min()},
        {"Left", std::numeric_limits<std::int32_t>::max()},
        {"Visible", true},
        {"TextColor", Color{0xFF, 0x20, 0x00}},
        {"Caption", "Pomoc\r\rZwojnik \x00 end"s},
        {"Caption", ""s},
    };
    EXPECT_EQ(DecodeRecord(EncodeRecord(entries), LookUpIn(sampleTypes)), entries);
}

TEST(DecodeRecordErrors, UnknownNameIsNamedWithItsOffset)
{
    const std::string message = DecodeError("Left \x00\x00\x00\x01"
                                            "Foo \x00"s);
    ExpectMentions(message, "property record: unknown property \"Foo\" at byte 9");
}

TEST(DecodeRecordErrors, NameWithoutFollowingSpace)
{
    ExpectMentions(DecodeError("Left"), "\"Left\" at byte 0 has no following space");
    ExpectMentions(DecodeError("Visible \x01Left"s), "\"Left\" at byte 9 has no following space");
}

TEST(DecodeRecordErrors, EmptyName)
{
    ExpectMentions(DecodeError(" \x00\x00\x00\x01"s), "empty property name at byte 0");
    ExpectMentions(DecodeError("Visible \x01 \x01"s), "empty property name at byte 9");
}

TEST(DecodeRecordErrors, NamesMustBeAsciiLetters)
{
    ExpectMentions(DecodeError("Left1 \x00\x00\x00\x01"s), "byte 0x31 at byte 4");
    ExpectMentions(DecodeError("Le\tft \x00\x00\x00\x01"s), "byte 0x09 at byte 2");
    ExpectMentions(DecodeError("\xC5\x9B \x01"s), "byte 0xC5 at byte 0");
    ExpectMentions(DecodeError("Visible \x01\x00Left \x00\x00\x00\x01"s), "byte 0x00 at byte 9");
}

TEST(DecodeRecordErrors, FixedSizeValuesRunningPastTheEnd)
{
    ExpectMentions(DecodeError("Width \x00\x00\x01"s),
                   "value of \"Width\" runs past the end of the record at byte 6");
    ExpectMentions(DecodeError("Visible \x01Visible "s),
                   "value of \"Visible\" runs past the end of the record at byte 17");
    ExpectMentions(DecodeError("TextColor \xFF\xFF"s),
                   "value of \"TextColor\" runs past the end of the record at byte 10");
}

TEST(DecodeRecordErrors, StringCountOrTextRunningPastTheEnd)
{
    ExpectMentions(DecodeError("Caption \x00\x00\x00"s),
                   "\"Caption\" runs past the end of the record at byte 8");
    ExpectMentions(DecodeError("Caption \x00\x00\x00\x03OK"s),
                   "\"Caption\" runs past the end of the record at byte 8");
}

TEST(DecodeRecordErrors, HugeStringCountsDoNotWrapAround)
{
    ExpectMentions(DecodeError("Caption \xFF\xFF\xFF\xFFOK"s), "\"Caption\" runs past the end of the record");
    ExpectMentions(DecodeError("Caption \xFF\xFF\xFF\xFF"s), "\"Caption\" runs past the end of the record");
    ExpectMentions(DecodeError("Visible \x01"
                               "Caption \x80\x00\x00\x00xyz"s),
                   "\"Caption\" runs past the end of the record at byte 17");
}

TEST(DecodeRecordErrors, BooleanBytesOtherThanZeroOrOne)
{
    const std::string message = DecodeError("Left \x00\x00\x00\x01Visible \x02"s);
    ExpectMentions(message, "\"Visible\" at byte 17 is 0x02");
    ExpectMentions(DecodeError("Visible \xFF"s), "\"Visible\" at byte 8 is 0xFF");
}

TEST(DecodeRecordErrors, ArbitraryBytesEitherDecodeOrThrowTheRecordException)
{
    // Run under the address and undefined-behaviour sanitizers this also checks for out-of-bounds reads.
    const std::string seed = EncodeRecord(
        {{"Left", std::int32_t{3}}, {"Caption", "ab"s}, {"TextColor", Color{1, 2, 3}}, {"Visible", true}});
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<std::size_t> position(0, seed.size() - 1);
    for (int round = 0; round < 20000; ++round) {
        std::string mutated = seed;
        for (int flips = round % 4 + 1; flips > 0; --flips) {
            mutated[position(random)] = static_cast<char>(byte(random));
        }
        mutated.resize(position(random) + 1);
        try {
            DecodeRecord(mutated, LookUpIn(sampleTypes));
        } catch (const PropertyRecordException&) {
        } catch (...) {
            FAIL() << "unexpected exception type for round " << round;
        }
    }
}

// Records every property it is given, and knows the sample types.
class RecordingTarget : public framework::PropertyTarget
{
public:
    std::optional<PropertyType> PropertyTypeOf(std::string_view name) const override
    {
        return LookUpIn(sampleTypes)(name);
    }
    void SetProperty(std::string_view name, const PropertyValue& value) override
    {
        set.push_back({std::string(name), value});
    }

    std::vector<PropertyEntry> set;
};

TEST(SetProperties, SetsEveryEntryInRecordOrderWithTheTargetsTypes)
{
    RecordingTarget target;
    ui::SetProperties(target, "Visible \x00"
                              "Caption \x00\x00\x00\x02OK"
                              "Left \x00\x00\x00\x56"
                              "Visible \x01"s);
    const std::vector<PropertyEntry> expected = {
        {"Visible", false}, {"Caption", "OK"s}, {"Left", std::int32_t{86}}, {"Visible", true}};
    EXPECT_EQ(target.set, expected);
}

TEST(SetProperties, FaultyRecordSetsNothing)
{
    const std::string good = "Visible \x01"
                             "Caption \x00\x00\x00\x02OK"s;
    for (const std::string& faulty : {good + "Left \x00\x00"s, good + "Height \x00\x00\x00\x01"s,
                                      good + "Visible \x07"s, good + "Caption \xFF\xFF\xFF\xFF"s}) {
        RecordingTarget target;
        EXPECT_THROW(ui::SetProperties(target, faulty), PropertyRecordException);
        EXPECT_TRUE(target.set.empty()) << target.set.size() << " properties set";
    }
}

} // namespace
