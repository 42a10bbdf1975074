#include "ui/PropertyRecord.h"

#include "framework/Exceptions.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <type_traits>

namespace ui {

namespace {

bool IsAsciiLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

void AppendUint32(std::string& out, std::uint32_t value)
{
    out.push_back(static_cast<char>((value >> 24) & 0xFF));
    out.push_back(static_cast<char>((value >> 16) & 0xFF));
    out.push_back(static_cast<char>((value >> 8) & 0xFF));
    out.push_back(static_cast<char>(value & 0xFF));
}

std::string Hex(unsigned char byte)
{
    const char* digits = "0123456789ABCDEF";
    return std::string("0x") + digits[byte >> 4] + digits[byte & 0x0F];
}

// Names in messages are letters only (checked before quoting), but may be arbitrarily long.
std::string Quoted(std::string_view name)
{
    constexpr std::size_t shown = 64;
    if (name.size() <= shown) {
        return "\"" + std::string(name) + "\"";
    }
    return "\"" + std::string(name.substr(0, shown)) + "...\"";
}

[[noreturn]] void Fail(const std::string& what)
{
    throw framework::PropertyRecordException("property record: " + what);
}

class Reader
{
public:
    explicit Reader(std::string_view record) : record_(record) {}

    bool AtEnd() const { return pos_ == record_.size(); }
    std::size_t Position() const { return pos_; }
    std::size_t Remaining() const { return record_.size() - pos_; }

    std::string_view ReadName()
    {
        const std::size_t start = pos_;
        std::size_t end = start;
        while (end < record_.size() && IsAsciiLetter(record_[end])) {
            ++end;
        }
        const std::string_view name = record_.substr(start, end - start);
        if (end == record_.size()) {
            Fail("property name " + Quoted(name) + " at byte " + std::to_string(start) +
                 " has no following space");
        }
        if (record_[end] != ' ') {
            const std::string letters = name.empty() ? "" : " starting " + Quoted(name);
            Fail("property name" + letters + " at byte " + std::to_string(start) + " contains byte " +
                 Hex(static_cast<unsigned char>(record_[end])) + " at byte " + std::to_string(end) +
                 "; names are ASCII letters only");
        }
        if (name.empty()) {
            Fail("empty property name at byte " + std::to_string(start));
        }
        pos_ = end + 1;
        return name;
    }

    // The caller has checked that count bytes remain.
    std::string_view Take(std::size_t count)
    {
        const std::string_view taken = record_.substr(pos_, count);
        pos_ += count;
        return taken;
    }

    std::uint32_t TakeUint32()
    {
        const std::string_view bytes = Take(4);
        std::uint32_t value = 0;
        for (const char byte : bytes) {
            value = (value << 8) | static_cast<unsigned char>(byte);
        }
        return value;
    }

private:
    std::string_view record_;
    std::size_t pos_ = 0;
};

void RequireBytes(const Reader& reader, std::string_view name, std::size_t needed, std::size_t valueStart,
                  const char* what = "value")
{
    if (reader.Remaining() < needed) {
        Fail(std::string(what) + " of " + Quoted(name) + " runs past the end of the record at byte " +
             std::to_string(valueStart) + " (needs " + std::to_string(needed) + " bytes, " +
             std::to_string(reader.Remaining()) + " remain)");
    }
}

framework::PropertyValue ReadValue(Reader& reader, std::string_view name, framework::PropertyType type)
{
    const std::size_t start = reader.Position();
    switch (type) {
    case framework::PropertyType::Integer:
        RequireBytes(reader, name, 4, start);
        // Converting an out-of-range unsigned value to a signed type wraps modulo 2^32 since C++20.
        return static_cast<std::int32_t>(reader.TakeUint32());
    case framework::PropertyType::Boolean: {
        RequireBytes(reader, name, 1, start);
        const auto byte = static_cast<unsigned char>(reader.Take(1)[0]);
        if (byte > 1) {
            Fail("boolean value of " + Quoted(name) + " at byte " + std::to_string(start) + " is " +
                 Hex(byte) + "; only 0x00 (false) and 0x01 (true) are allowed");
        }
        return byte == 1;
    }
    case framework::PropertyType::Color: {
        RequireBytes(reader, name, 3, start);
        const std::string_view bytes = reader.Take(3);
        return framework::Color{static_cast<std::uint8_t>(bytes[0]), static_cast<std::uint8_t>(bytes[1]),
                                static_cast<std::uint8_t>(bytes[2])};
    }
    case framework::PropertyType::String: {
        RequireBytes(reader, name, 4, start, "byte count");
        const std::uint32_t length = reader.TakeUint32();
        // Compared against what remains, never added to the position, so no count can overflow.
        RequireBytes(reader, name, length, start, "text");
        return std::string(reader.Take(length));
    }
    }
    Fail("property " + Quoted(name) + " at byte " + std::to_string(start) + " has an unsupported type");
}

} // namespace

std::string EncodeRecord(const std::vector<PropertyEntry>& entries)
{
    std::string out;
    for (const PropertyEntry& entry : entries) {
        if (entry.name.empty()) {
            throw std::invalid_argument("property record: empty property name");
        }
        for (const char c : entry.name) {
            if (!IsAsciiLetter(c)) {
                throw std::invalid_argument("property record: property name \"" + entry.name +
                                            "\" is not ASCII letters only");
            }
        }
        out += entry.name;
        out += ' ';
        std::visit(
            [&](const auto& value) {
                using Held = std::decay_t<decltype(value)>;
                if constexpr (std::is_same_v<Held, std::int32_t>) {
                    AppendUint32(out, static_cast<std::uint32_t>(value));
                } else if constexpr (std::is_same_v<Held, bool>) {
                    out += value ? '\x01' : '\x00';
                } else if constexpr (std::is_same_v<Held, framework::Color>) {
                    out += static_cast<char>(value.red);
                    out += static_cast<char>(value.green);
                    out += static_cast<char>(value.blue);
                } else {
                    static_assert(std::is_same_v<Held, std::string>);
                    if (value.size() > std::numeric_limits<std::uint32_t>::max()) {
                        throw std::length_error("property record: text of \"" + entry.name +
                                                "\" is too long for a 32-bit byte count");
                    }
                    AppendUint32(out, static_cast<std::uint32_t>(value.size()));
                    out += value;
                }
            },
            entry.value);
    }
    return out;
}

std::vector<PropertyEntry>
DecodeRecord(std::string_view record,
             const std::function<std::optional<framework::PropertyType>(std::string_view)>& typeOf)
{
    std::vector<PropertyEntry> entries;
    Reader reader(record);
    while (!reader.AtEnd()) {
        const std::size_t start = reader.Position();
        const std::string_view name = reader.ReadName();
        const std::optional<framework::PropertyType> type = typeOf(name);
        if (!type) {
            Fail("unknown property " + Quoted(name) + " at byte " + std::to_string(start));
        }
        framework::PropertyValue value = ReadValue(reader, name, *type);
        entries.push_back(PropertyEntry{std::string(name), std::move(value)});
    }
    return entries;
}

void SetProperties(framework::PropertyTarget& target, std::string_view record)
{
    // Decoding everything before setting anything means a faulty record leaves the target untouched
    // instead of half-configured.
    const std::vector<PropertyEntry> entries =
        DecodeRecord(record, [&target](std::string_view name) { return target.PropertyTypeOf(name); });
    for (const PropertyEntry& entry : entries) {
        target.SetProperty(entry.name, entry.value);
    }
}

} // namespace ui
