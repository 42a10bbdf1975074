#pragma once

#include "framework/Properties.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ui {

// One "name value" pair of a property record.
struct PropertyEntry
{
    std::string name;
    framework::PropertyValue value;
    friend bool operator==(const PropertyEntry&, const PropertyEntry&) = default;
};

// Encodes the entries back to back: the name, one space, then the value in the encoding of its type
// (integers 4 bytes big-endian, booleans 1 byte, colours 3 bytes RGB, strings a 4-byte big-endian byte
// count and the UTF-8 bytes). Throws std::invalid_argument for a name that is not 1+ ASCII letters and
// std::length_error for a string too long for its count.
std::string EncodeRecord(const std::vector<PropertyEntry>& entries);

// Decodes a record; the record does not tag its values, so typeOf gives each name's type in the target's
// class. Throws framework::PropertyRecordException, naming the property and the byte offset, for any
// record that is not a well-formed sequence of known entries.
std::vector<PropertyEntry>
DecodeRecord(std::string_view record,
             const std::function<std::optional<framework::PropertyType>(std::string_view)>& typeOf);

// Decodes the record with the target's property types and sets each property in record order.
void SetProperties(framework::PropertyTarget& target, std::string_view record);

} // namespace ui
