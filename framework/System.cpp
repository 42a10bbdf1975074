#include "framework/System.h"

#include "framework/Platform.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>

namespace framework {

namespace {
constexpr std::int32_t kPowerPC = 2;
constexpr std::int32_t kIntel = 10;
constexpr std::int32_t kOther = 0;

bool startsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

// i386 to i686 and their kin.
bool isIntel32(std::string_view machine)
{
    return machine.size() == 4 && machine[0] == 'i' && machine[1] >= '3' && machine[1] <= '9' &&
           machine.substr(2) == "86";
}
} // namespace

namespace detail {
std::int32_t ProcessorFamily(const String& machine)
{
    constexpr std::array<std::string_view, 3> powerPCPrefixes{"ppc", "powerpc", "Power Macintosh"};
    constexpr std::array<std::string_view, 4> intelNames{"x86_64", "amd64", "x86", "i86pc"};
    if (std::any_of(powerPCPrefixes.begin(), powerPCPrefixes.end(),
                    [&](std::string_view prefix) { return startsWith(machine, prefix); })) {
        return kPowerPC;
    }
    if (isIntel32(machine) ||
        std::find(intelNames.begin(), intelNames.end(), std::string_view(machine)) != intelNames.end()) {
        return kIntel;
    }
    return kOther;
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
