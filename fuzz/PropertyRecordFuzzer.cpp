// Feeds arbitrary bytes to the property-record decoder. The first byte picks whose property types the
// decoder is given: the program's own (so the known names and their values get explored) or a made-up
// class that knows every name (so every kind of value follows every kind of name).
#include "framework/Exceptions.h"
#include "ui/PropertyRecord.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace {

using framework::PropertyType;

// A name has the same type in every kind that has it.
std::optional<PropertyType> ProgramTypeOf(std::string_view name)
{
    using List = std::span<const framework::PropertyDeclaration>;
    using namespace framework::property_lists;
    for (const List list :
         {List(Window), List(PushButton), List(StaticText), List(Canvas), List(EditField)}) {
        if (const auto type = framework::TypeIn(list, name)) {
            return type;
        }
    }
    return std::nullopt;
}

std::optional<PropertyType> AnyNameTypeOf(std::string_view name)
{
    return static_cast<PropertyType>(name.size() % 4);
}

[[noreturn]] void Broken(const char* what)
{
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

bool LettersOnly(std::string_view name)
{
    for (const char c : name) {
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) {
            return false;
        }
    }
    return !name.empty();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) {
        return 0;
    }
    const bool programTypes = (data[0] & 1) == 0;
    const std::string_view record(reinterpret_cast<const char*>(data + 1), size - 1);
    const auto typeOf = programTypes ? ProgramTypeOf : AnyNameTypeOf;

    std::vector<ui::PropertyEntry> entries;
    try {
        entries = ui::DecodeRecord(record, typeOf);
    } catch (const framework::PropertyRecordException& error) {
        // A faulty record is reported, briefly: the message names the place, not the whole record.
        const std::string_view message = error.what();
        if (message.empty() || message.size() > 512) {
            Broken("a faulty record's message is empty or unbounded");
        }
        return 0;
    }
    // Any other exception escapes, and libFuzzer reports it as a crash.

    for (const auto& entry : entries) {
        if (!LettersOnly(entry.name)) {
            Broken("a decoded name is not ASCII letters");
        }
        if (typeOf(entry.name) != framework::TypeOf(entry.value)) {
            Broken("a decoded value does not have its property's type");
        }
    }
    // Decoding accepts only what the encoder writes, so encoding the entries gives back the record.
    if (ui::EncodeRecord(entries) != record) {
        Broken("the decoded entries do not encode back to the record");
    }
    return 0;
}
