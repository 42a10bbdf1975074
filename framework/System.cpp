#include "framework/System.h"

#include "framework/Platform.h"

#include <optional>
#include <regex>

namespace framework {

namespace detail {
std::int32_t ProcessorFamily(const String& machine)
{
    // i386 to i686 and their kin are Intel too.
    static const std::regex powerPC(R"((ppc|powerpc|Power Macintosh)[\s\S]*)");
    static const std::regex intel("x86_64|amd64|x86|i86pc|i[3-9]86");
    return std::regex_match(machine, powerPC) ? 2 : std::regex_match(machine, intel) ? 10 : 0;
}
} // namespace detail

bool System::Gestalt(const String& selector, std::int32_t& answer)
{
    if (selector != "sysa") {
        return false;
    }
    const auto machine = CurrentPlatform().MachineName();
    if (!machine) {
        return false;
    }
    answer = detail::ProcessorFamily(*machine);
    return true;
}

} // namespace framework
