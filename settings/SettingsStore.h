// The settings store: the program's options, colours, fonts and main address.
//
// All settings live in one INI file, $TARVIX_CONFIG when set, else
// $XDG_CONFIG_HOME/Kembrot/Tarvix.ini (or ~/.config/Kembrot/Tarvix.ini). Section
// "General" holds the program options, "Colors" the twelve display colours; the
// logs and the windows keep their own sections in the same file. Values are loaded
// once at start-up; a missing or malformed value always gives its default. Saving
// (when an options dialog is confirmed and when the program closes) writes only the
// values the program changed since they were loaded, into the file as it is then:
// what the user or another program changed in the file meanwhile is kept.
#pragma once

#include "platform/CodePage.h"
#include "platform/IniFile.h"
#include "settings/Color.h"
#include "settings/Font.h"

#include <array>
#include <memory>
#include <string>
#include <string_view>

namespace tarvix {

// The settings file with the typed values of the store: fonts and colours
// besides the strings, integers and Booleans of the INI file.
class TNVIniFile : public TIniFile {
public:
    using TIniFile::TIniFile;
    // Reads a font; an empty stored value leaves Font as it is.
    void ReadFont(std::string_view section, std::string_view ident, TFontSpec& font) const;
    void WriteFont(std::string_view section, std::string_view ident, const TFontSpec& font);
    TColor ReadColor(std::string_view section, std::string_view ident, TColor def) const;
    void WriteColor(std::string_view section, std::string_view ident, TColor color);
};

// The colour items, in their fixed order.
inline constexpr int kColorCount = 12;
enum TColorItem {
    ciNormal, ciDateTime, ciErrors, ciInfo, ciSent, ciRecd, ciSpecial, ciBackground,
    ciTLInc, ciTLOut, ciTLHuman, ciTLBad
};
extern const std::array<const char*, kColorCount> kColorNames;
extern const std::array<TColor, kColorCount> kDefaultColors;

// The index of a colour item named Name (any case); raises EConvertError
// "Invalid color item %s" for any other name.
int ColorIndex(std::string_view name);

// The values of section "General" and the colours, held in memory.
struct TGeneralSettings {
    TFontSpec LogFont;
    TFontSpec GridFont;
    int NumLogs = 0;
    bool SaveDesktop = true;
    bool ShowDomain = false;
    bool FreqRealName = false;
    bool OEMConvert = true;
    bool SkipErrors = false;
    int DayStart = 0;
    int DayEnd = 8;
    std::string DLCLeft = "[";
    std::string DLCRight = "]";
    int DLCDigits = 3;
    std::string DLCLead = "0";
    bool DLCBackupX = false;  // read only
    int TrafficLine = 1;
    int TrafficSort = 0;
    int HistoryLine = 1;
    int FreqLimSort = 0;
    bool EnableCustomHighlighting = false;  // read only
    std::string Language = "QZ_Eng.lng";
    // The code pages of mailer files (OEM) and of the text shown (ANSI), and the map
    // of DOS drive letters to host directories ("C:=/home/fido/dos_c;D:=/srv/d").
    CodePage OemCodePage = CodePage::CP866;
    CodePage AnsiCodePage = CodePage::CP1251;
    std::string DriveMap;
    std::array<TColor, kColorCount> Colors = {};
    // True when "MainAddr" was missing or unusable at load time (the main address is
    // then the default one).
    bool MainAddrDefaulted = false;
};

// The default main address.
inline constexpr const char* kDefaultMainAddr = "2:5030/999.999@fidonet";

// The settings file name as the environment gives it.
std::string DefaultSettingsPath();

// Opens the store (on the given file, or the default one). Called first at start-up.
void OpenSettings(const std::string& path = {});
// The open store; OpenSettings must have been called.
TNVIniFile& Ini();
bool SettingsOpen();
// The values in memory.
TGeneralSettings& Settings();

// Reads every value into memory, sets the main address, the default address print
// flags, the code pages and the drive map. A "MainAddr" that is no full address
// (zone, net and node) raises EAddrError after everything else is loaded, with the
// default main address in force.
void LoadSettings();
// Writes the values changed since they were loaded (or last saved) and saves the
// file (creating its folder when needed).
void SaveSettings();

}  // namespace tarvix
