#pragma once

#include "framework/Text.h"

#include <cstdint>
#include <optional>

namespace conversion {

using framework::String;

inline constexpr std::int32_t kPowerPCArchitecture = 2;

// The converter executable for the processor family: clit-ppc or clit-intel.
String ConverterName(std::int32_t architecture);

// The converter command line before quoting: the shell runs what printf prints.
String CommandText(std::int32_t architecture, const String& appFolderPath, const String& sourcePath,
                   const String& targetFolderPath);

// The command text as the shell gets it: CommandText with its paths quoted.
String ConverterCommand(std::int32_t architecture, const String& appFolderPath, const String& sourcePath,
                        const String& targetFolderPath);

// The first of the paths in a quoted command whose wildcards match more than one existing name, as
// the system names it; nothing when each matches one name or none.
std::optional<String> AmbiguousPath(std::int32_t architecture, const String& appFolderPath,
                                    const String& sourcePath, const String& targetFolderPath);
String AmbiguityMessage(const String& path);

} // namespace conversion
