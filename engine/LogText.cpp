#include "engine/LogText.h"

#include "settings/SettingsStore.h"

namespace tarvix {

CodePage LogCodePage()
{
    const TGeneralSettings& s = Settings();
    return s.OEMConvert ? s.OemCodePage : s.AnsiCodePage;
}

std::string DisplayText(std::string_view logBytes)
{
    // Plain ASCII, the common case, needs no decoding.
    for (char c : logBytes)
        if (static_cast<unsigned char>(c) >= 0x80)
            return DecodeToUtf8(logBytes, LogCodePage());
    return std::string(logBytes);
}

std::string GroupThousands(std::int64_t value)
{
    std::string digits = std::to_string(value < 0 ? -(value + 1) + 1ULL : static_cast<unsigned long long>(value));
    std::string out;
    int n = static_cast<int>(digits.size());
    for (int i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out += ',';
        out += digits[static_cast<std::size_t>(i)];
    }
    return value < 0 ? "-" + out : out;
}

}  // namespace tarvix
