// The INI-file store over a text of any content: everything it read is written out
// and read back the same, values of any bytes survive a write, and a second round
// trip changes nothing.
#include "FuzzSupport.h"

#include "platform/IniFile.h"

using namespace tarvix;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Setup();
    const std::string_view text = fuzz::AsText(data, size);
    TIniFile ini;
    ini.FromText(text);
    TARVIX_FUZZ_CHECK(!ini.Modified());

    const std::string first = ini.ToText();
    TIniFile again;
    again.FromText(first);
    TARVIX_FUZZ_CHECK(again.ToText() == first);

    const std::vector<std::string> sections = ini.ReadSections();
    TARVIX_FUZZ_CHECK(again.ReadSections() == sections);
    for (const std::string& section : sections) {
        TARVIX_FUZZ_CHECK(ini.SectionExists(section));
        const auto values = ini.ReadSectionValues(section);
        TARVIX_FUZZ_CHECK(again.ReadSectionValues(section) == values);
        TARVIX_FUZZ_CHECK(ini.ReadSection(section).size() == values.size());
        for (const auto& [ident, value] : values) {
            TARVIX_FUZZ_CHECK(ini.ValueExists(section, ident));
            TARVIX_FUZZ_CHECK(ini.ReadString(section, ident, "?") == value);
            (void)ini.ReadInteger(section, ident, -7);
            (void)ini.ReadBool(section, ident, true);
            ini.WriteString(section, ident, value);  // the same value: no change
        }
    }
    TARVIX_FUZZ_CHECK(!ini.Modified());
    TARVIX_FUZZ_CHECK(ini.ToText() == first);

    // Values of any bytes, written into every section, read back the same.
    std::vector<std::pair<std::string, std::string>> written;
    std::size_t n = 0;
    for (const std::string& section : sections) {
        if (n >= 8)
            break;
        std::string value(text.substr(n * 13 % (size + 1), 40));
        std::string ident = "Fuzz" + std::to_string(n++);
        ini.WriteString(section, ident, value);
        written.emplace_back(section, value);
        ini.WriteInteger(section, ident + "i", -static_cast<long long>(n) * 1000003);
    }
    TIniFile reread;
    reread.FromText(ini.ToText());
    for (std::size_t i = 0; i < written.size(); ++i) {
        const std::string ident = "Fuzz" + std::to_string(i);
        TARVIX_FUZZ_CHECK(reread.ReadString(written[i].first, ident, "?") == written[i].second);
        TARVIX_FUZZ_CHECK(reread.ReadInteger(written[i].first, ident + "i", 0) ==
                          -static_cast<long long>(i + 1) * 1000003);
    }
    for (const std::string& section : sections)
        reread.EraseSection(section);
    TARVIX_FUZZ_CHECK(reread.ReadSections().empty());
    return 0;
}
