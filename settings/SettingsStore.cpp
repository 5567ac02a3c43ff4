#include "settings/SettingsStore.h"

#include "fido/FidoAddr.h"
#include "fido/StrDict.h"
#include "platform/Error.h"
#include "platform/HostPath.h"

#include <cstdlib>
#include <filesystem>
#include <optional>

namespace tarvix {

const std::array<const char*, kColorCount> kColorNames = {
    "Normal", "DateTime", "Errors", "Info", "Sent", "Recd", "Special", "Background",
    "TLInc", "TLOut", "TLHuman", "TLBad"};

const std::array<TColor, kColorCount> kDefaultColors = {
    clBlack, clBlue, clRed, clMaroon, clGreen, clNavy, clTeal, clSilver,
    clGreen, clBlue, clFuchsia, clRed};

namespace {

const char* const kGeneral = "General";
const char* const kColors = "Colors";

struct Store {
    std::unique_ptr<TNVIniFile> ini;
    TGeneralSettings values;
    // The values as they were loaded or last saved, and the main address then
    // ("" when it was not in the file): SaveSettings writes only what differs.
    TGeneralSettings saved;
    std::string savedMainAddr;
    Store() { values.Colors = saved.Colors = kDefaultColors; }
};

std::string MainAddrText()
{
    const TFidoAddr* main = MainAddr();
    return main ? main->ToStr() : std::string();
}

Store& TheStore()
{
    static Store s;
    return s;
}

std::string Env(const char* name)
{
    const char* v = std::getenv(name);
    return v ? v : "";
}

}  // namespace

void TNVIniFile::ReadFont(std::string_view section, std::string_view ident, TFontSpec& font) const
{
    std::string text = ReadString(section, ident, "");
    if (!text.empty())
        ReadFontString(text, font);
}

void TNVIniFile::WriteFont(std::string_view section, std::string_view ident, const TFontSpec& font)
{
    WriteString(section, ident, FontToString(font));
}

TColor TNVIniFile::ReadColor(std::string_view section, std::string_view ident, TColor def) const
{
    return StringToColor(ReadString(section, ident, "")).value_or(def);
}

void TNVIniFile::WriteColor(std::string_view section, std::string_view ident, TColor color)
{
    WriteString(section, ident, ColorToString(color));
}

int ColorIndex(std::string_view name)
{
    for (int i = 0; i < kColorCount; ++i)
        if (SameText(name, kColorNames[static_cast<std::size_t>(i)]))
            return i;
    // Quoted: an empty or blank name must show as such.
    throw EConvertError("Invalid color item \"" + std::string(name) + "\"");
}

std::string DefaultSettingsPath()
{
    std::string explicitPath = Env("TARVIX_CONFIG");
    if (!explicitPath.empty())
        return explicitPath;
    std::string base = Env("XDG_CONFIG_HOME");
    if (base.empty()) {
        std::string home = Env("HOME");
        base = (home.empty() ? std::string(".") : home) + "/.config";
    }
    return base + "/Kembrot/Tarvix.ini";
}

void OpenSettings(const std::string& path)
{
    TheStore().ini = std::make_unique<TNVIniFile>(path.empty() ? DefaultSettingsPath() : path);
}

bool SettingsOpen() { return TheStore().ini != nullptr; }

TNVIniFile& Ini()
{
    if (!TheStore().ini)
        throw Exception("Settings store used before OpenSettings");
    return *TheStore().ini;
}

TGeneralSettings& Settings() { return TheStore().values; }

void LoadSettings()
{
    TNVIniFile& ini = Ini();
    TGeneralSettings& s = Settings();
    s.LogFont = TFontSpec{};
    ini.ReadFont(kGeneral, "LogFont", s.LogFont);
    s.GridFont = TFontSpec{};
    ini.ReadFont(kGeneral, "GridFont", s.GridFont);

    auto integer = [&ini](const char* ident, int def) {
        long long v = ini.ReadInteger(kGeneral, ident, def);
        return (v < -2147483647LL || v > 2147483647LL) ? def : static_cast<int>(v);
    };
    auto boolean = [&ini](const char* ident, bool def) { return ini.ReadBool(kGeneral, ident, def); };
    auto string = [&ini](const char* ident, const char* def) { return ini.ReadString(kGeneral, ident, def); };

    s.NumLogs = integer("NumLogs", 0);
    s.SaveDesktop = boolean("SaveDesktop", true);
    s.ShowDomain = boolean("ShowDomain", false);
    SetDefaultAddrFlags(s.ShowDomain ? pfDomain : 0);
    s.FreqRealName = boolean("FreqRealName", false);
    s.OEMConvert = boolean("OEMConvert", true);
    s.SkipErrors = boolean("SkipErrors", false);
    // The hours of the timeline are 16-bit values; anything else is no hour at all.
    s.DayStart = integer("DayStart", 0);
    if (s.DayStart < 0 || s.DayStart > 24)
        s.DayStart = 0;
    s.DayEnd = integer("DayEnd", 8);
    if (s.DayEnd < 0 || s.DayEnd > 24)
        s.DayEnd = 8;
    s.DLCLeft = string("DLCLeft", "[");
    s.DLCRight = string("DLCRight", "]");
    s.DLCDigits = integer("DLCDigits", 3);
    s.DLCLead = string("DLCLead", "0");
    s.DLCBackupX = boolean("DLCBackupX", false);
    s.TrafficLine = integer("TrafficLine", 1);
    s.TrafficSort = integer("TrafficSort", 0);
    s.HistoryLine = integer("HistoryLine", 1);
    s.FreqLimSort = integer("FreqLimSort", 0);
    s.EnableCustomHighlighting = boolean("EnableCustomHighlighting", false);
    s.Language = string("Language", "QZ_Eng.lng");
    if (s.Language.empty())
        s.Language = "QZ_Eng.lng";

    s.OemCodePage = CodePageFromName(string("OemCodePage", "CP866")).value_or(CodePage::CP866);
    s.AnsiCodePage = CodePageFromName(string("AnsiCodePage", "CP1251")).value_or(CodePage::CP1251);
    SetOemAnsiPages(s.OemCodePage, s.AnsiCodePage);
    s.DriveMap = string("DriveMap", "");
    SetDriveMap(ParseDriveMap(s.DriveMap));

    // The stored text alone gives the main address: parts it leaves out are not taken
    // from a main address of an earlier load. An unusable text still leaves the
    // program with the default address and every other value loaded; its error is
    // raised at the end.
    ClearMainAddr();
    std::optional<EAddrError> mainAddrError;
    std::string mainAddr = string("MainAddr", "");
    s.MainAddrDefaulted = mainAddr.empty();
    if (!mainAddr.empty()) {
        try {
            TFidoAddr main = TFidoAddr::CreateStr(mainAddr);
            // "12" or ".5" names no station without a main address to fill it in.
            if (main.Zone == kAddrMissing || main.Net == kAddrMissing || main.Node == kAddrMissing)
                throw EAddrError("FidoAddr.InvAddr", {mainAddr});
            SetMainAddr(main);
        } catch (const EAddrError& e) {
            mainAddrError = e;
            s.MainAddrDefaulted = true;
        }
    }
    if (s.MainAddrDefaulted)
        SetMainAddr(TFidoAddr::CreateStr(kDefaultMainAddr));

    for (int i = 0; i < kColorCount; ++i) {
        auto idx = static_cast<std::size_t>(i);
        s.Colors[idx] = ini.ReadColor(kColors, kColorNames[idx], kDefaultColors[idx]);
    }

    TheStore().saved = s;
    TheStore().savedMainAddr = s.MainAddrDefaulted ? std::string() : MainAddrText();
    if (mainAddrError)
        throw *mainAddrError;
}

void SaveSettings()
{
    // Only the values this run changed are written: a value the user or another
    // program put into the file meanwhile stays (the file's own merge keeps it), and
    // a value the program could not read stays as it was written, not replaced by
    // its default.
    TNVIniFile& ini = Ini();
    const TGeneralSettings& s = Settings();
    TGeneralSettings& was = TheStore().saved;
    auto font = [&](const char* ident, TFontSpec TGeneralSettings::*f) {
        if (s.*f != was.*f)
            ini.WriteFont(kGeneral, ident, s.*f);
    };
    auto integer = [&](const char* ident, int TGeneralSettings::*f) {
        if (s.*f != was.*f)
            ini.WriteInteger(kGeneral, ident, s.*f);
    };
    auto boolean = [&](const char* ident, bool TGeneralSettings::*f) {
        if (s.*f != was.*f)
            ini.WriteBool(kGeneral, ident, s.*f);
    };
    auto string = [&](const char* ident, std::string TGeneralSettings::*f) {
        if (s.*f != was.*f)
            ini.WriteString(kGeneral, ident, s.*f);
    };
    font("LogFont", &TGeneralSettings::LogFont);
    font("GridFont", &TGeneralSettings::GridFont);
    integer("NumLogs", &TGeneralSettings::NumLogs);
    boolean("SaveDesktop", &TGeneralSettings::SaveDesktop);
    boolean("ShowDomain", &TGeneralSettings::ShowDomain);
    boolean("FreqRealName", &TGeneralSettings::FreqRealName);
    boolean("OEMConvert", &TGeneralSettings::OEMConvert);
    boolean("SkipErrors", &TGeneralSettings::SkipErrors);
    integer("DayStart", &TGeneralSettings::DayStart);
    integer("DayEnd", &TGeneralSettings::DayEnd);
    string("DLCLeft", &TGeneralSettings::DLCLeft);
    string("DLCRight", &TGeneralSettings::DLCRight);
    integer("DLCDigits", &TGeneralSettings::DLCDigits);
    string("DLCLead", &TGeneralSettings::DLCLead);
    // Set by the user in the general options; never written otherwise.
    boolean("DLCBackupX", &TGeneralSettings::DLCBackupX);
    integer("TrafficLine", &TGeneralSettings::TrafficLine);
    integer("TrafficSort", &TGeneralSettings::TrafficSort);
    integer("HistoryLine", &TGeneralSettings::HistoryLine);
    integer("FreqLimSort", &TGeneralSettings::FreqLimSort);
    boolean("EnableCustomHighlighting", &TGeneralSettings::EnableCustomHighlighting);
    if (s.OemCodePage != was.OemCodePage)
        ini.WriteString(kGeneral, "OemCodePage", CodePageName(s.OemCodePage));
    if (s.AnsiCodePage != was.AnsiCodePage)
        ini.WriteString(kGeneral, "AnsiCodePage", CodePageName(s.AnsiCodePage));
    string("DriveMap", &TGeneralSettings::DriveMap);
    // Printed with the default print flags: with its domain only while ShowDomain is on.
    const std::string mainAddr = MainAddrText();
    if (!mainAddr.empty() && mainAddr != TheStore().savedMainAddr)
        ini.WriteString(kGeneral, "MainAddr", mainAddr);
    for (std::size_t i = 0; i < kColorCount; ++i)
        if (s.Colors[i] != was.Colors[i])
            ini.WriteColor(kColors, kColorNames[i], s.Colors[i]);
    ini.DeleteKey(kColors, "Transfers");

    std::filesystem::path dir = std::filesystem::path(ini.FileName()).parent_path();
    if (!dir.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(dir, ec);
    }
    ini.UpdateFile();
    was = s;
    TheStore().savedMainAddr = mainAddr;
}

}  // namespace tarvix
