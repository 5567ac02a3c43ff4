// Logs of a user-described format with the description taken from the input: line
// mask, date mask, error words and highlight strings, then the analysis and the
// highlighting of a log text, and the description stored and loaded again.
//
// Input (lines end in LF): the line mask, the date mask, the error words, the
// highlight strings (tab-separated, each a colour digit 0-9, a-b followed by the
// text), then the log text.
#include "FuzzSupport.h"

#include "engine/CustomLog.h"
#include "settings/SettingsStore.h"

using namespace tarvix;

namespace {

std::string_view NextLine(std::string_view& text)
{
    std::size_t eol = text.find('\n');
    std::string_view line = text.substr(0, eol);
    text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
    return line;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Setup();
    std::string_view text = fuzz::AsText(data, size);
    TCustomLogOptions options;
    options.LineMask = NextLine(text);
    options.DateMask = NextLine(text);
    options.ErrWords = NextLine(text);
    std::string_view rows = NextLine(text);
    while (!rows.empty()) {
        std::size_t tab = rows.find('\t');
        std::string_view row = rows.substr(0, tab);
        rows.remove_prefix(tab == std::string_view::npos ? rows.size() : tab + 1);
        if (row.empty())
            continue;
        int color = row[0] >= '0' && row[0] <= '9' ? row[0] - '0' : (row[0] == 'a' ? 10 : 11);
        options.Rows.push_back(THglRow{std::string(row.substr(1)), kColorNames[static_cast<std::size_t>(color)]});
    }

    TCustomLog log;
    log.SetOptions(options);
    fuzz::AnalyseLog(log, text);

    // The description as the settings keep it.
    TIniFile ini;
    log.SaveToReg(ini, "Log1");
    TIniFile reread;
    reread.FromText(ini.ToText());
    TCustomLog loaded;
    loaded.LoadFromReg(reread, "Log1");
    TARVIX_FUZZ_CHECK(loaded.GetOptions() == log.GetOptions());
    return 0;
}
