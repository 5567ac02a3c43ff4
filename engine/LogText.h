// Texts taken from a log leave the engine as UTF-8: decoded with the OEM code page
// while the option "OEMConvert" is on (the DOS mailers' logs), else with the ANSI page.
#pragma once

#include "platform/CodePage.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tarvix {

// The code page the log's bytes are decoded with.
CodePage LogCodePage();
std::string DisplayText(std::string_view logBytes);

// A number with "," between groups of three digits from the right (1,234,567).
std::string GroupThousands(std::int64_t value);

}  // namespace tarvix
