#include "framework/System.h"

#include "framework/Scripting.h"

#include <QString>
#include <QSysInfo>

namespace framework {

namespace {
constexpr std::int32_t kPowerPC = 2;
constexpr std::int32_t kIntel = 10;
constexpr std::int32_t kOther = 0;

std::optional<std::int32_t> processorFamily()
{
    if (scripting::detail::ProcessorScripted()) {
        return scripting::detail::ProcessorAnswer();
    }
    const auto architecture = QSysInfo::currentCpuArchitecture();
    if (architecture.isEmpty()) {
        return std::nullopt;
    }
    if (architecture.startsWith(QLatin1String("power"))) {
        return kPowerPC;
    }
    if (architecture == QLatin1String("x86_64") || architecture == QLatin1String("i386")) {
        return kIntel;
    }
    return kOther;
}
} // namespace

bool System::Gestalt(const String& selector, std::int32_t& answer)
{
    if (selector != "sysa") {
        return false;
    }
    const auto family = processorFamily();
    if (!family) {
        return false;
    }
    answer = *family;
    return true;
}

} // namespace framework
