#include "cli/Run.h"

#include "engine/LogStyles.h"
#include "engine/LogText.h"
#include "engine/LogValues.h"
#include "engine/MailerLog.h"
#include "fido/DateTime.h"
#include "fido/Dialogs.h"
#include "fido/FidoAddr.h"
#include "fido/Lng.h"
#include "platform/HostPath.h"
#include "platform/Text.h"
#include "settings/SettingsStore.h"

#include <cstdio>
#include <iostream>
#include <algorithm>
#include <regex>
#include <set>

namespace tarvix::cli {

namespace {

constexpr const char* kStyleNames[kLogStyleCount] = {"plain", "tmail", "bink", "frontdoor", "brake",
                                                     "binkplus", "fhmail", "sfmail", "argus", "custom", "binkd"};

// The window of a run without a screen: line errors go to standard error as
// FILE:LINE: message, and the analysis always goes on. The errors are written in
// blocks (a damaged log has an error every few lines, and a write each would cost
// more than the lines' analysis): the block is written when it is full, before a
// dialog's message and when the window goes, which is before any report output.
class TCliWindow : public TLogWindow {
public:
    TCliWindow(const std::string& file, std::int64_t& errors) : file_(OneLine(file)), errors_(errors) {}
    ~TCliWindow() override { Flush(); }
    TCliWindow(const TCliWindow&) = delete;
    TCliWindow& operator=(const TCliWindow&) = delete;
    void GoToLine(std::int64_t) override {}
    void LineError(std::int64_t lineNo, const std::string& message) override
    {
        ++errors_;
        // Messages may quote the log's own bytes: those are shown decoded.
        std::string oneLine = IsValidUtf8(message) ? message : DisplayText(message);
        for (char& c : oneLine)
            if (c == '\n' || c == '\r')
                c = ' ';
        pending_ += file_;
        pending_ += ':';
        pending_ += std::to_string(lineNo);
        pending_ += ": ";
        pending_ += oneLine;
        pending_ += '\n';
        if (pending_.size() >= kBlock)
            Flush();
    }
    bool ShowErrorLine(std::int64_t, const std::string&) override { return true; }
    void Flush()
    {
        if (pending_.empty())
            return;
        std::cerr.write(pending_.data(), static_cast<std::streamsize>(pending_.size()));
        std::cerr.flush();
        pending_.clear();
    }

private:
    static constexpr std::size_t kBlock = 64 * 1024;
    std::string file_;
    std::int64_t& errors_;
    std::string pending_;
};

// The dialogs of a run without a screen: answered at once, their messages written
// after the line errors that came before them.
class TCliDialogs : public TBatchDialogs {
public:
    explicit TCliDialogs(TCliWindow& window) : TBatchDialogs(mrOk, false), window_(window) {}
    int MessageDlg(const TDialogRequest& request) override
    {
        window_.Flush();
        return TBatchDialogs::MessageDlg(request);
    }

private:
    TCliWindow& window_;
};

// Finds the section of a registered log by its name.
std::string FindLogSection(const TIniFile& ini, const std::string& name)
{
    long long count = ini.ReadInteger("General", "NumLogs", 0);
    for (long long i = 1; i <= count && i < 100000; ++i) {
        std::string section = "Log" + std::to_string(i);
        if (ini.ReadString(section, "Name", "") == name)
            return section;
    }
    return {};
}

// Applies KEY=VALUE settings through the log's own loading, so that each value is
// read exactly as a "Log" section stores it.
void ApplySets(TLog& log, const std::vector<std::string>& sets)
{
    if (sets.empty())
        return;
    TIniFile ini;
    log.SaveToReg(ini, "Log");
    std::set<std::string> known, given;
    for (const std::string& k : ini.ReadSection("Log"))
        known.insert(UpperCaseAscii(k));
    static const std::regex numbered("^HSTRING[0-9]+$");
    for (const std::string& set : sets) {
        std::size_t eq = set.find('=');
        if (eq == std::string::npos || eq == 0)
            throw EUsage("--set " + set + ": expected KEY=VALUE");
        std::string key = set.substr(0, eq);
        std::string upper = UpperCaseAscii(key);
        if (!known.count(upper) && !std::regex_match(upper, numbered) && upper != "HSTRINGCNT")
            throw EUsage("--set " + set + ": the log style " + StyleName(log.Style) + " has no value " + key);
        ini.WriteString("Log", key, set.substr(eq + 1));
        given.insert(upper);
    }
    log.LoadFromReg(ini, "Log");
    // A value the log could not take (a number that is none, a version it does not
    // know) would quietly become a default: on the command line that is a mistake.
    for (const TBadValue& bad : BadLogValues(ini, "Log", log))
        if (given.count(UpperCaseAscii(bad.key)))
            throw EUsage("--set " + bad.key + "=" + bad.value + ": not a valid value of " + bad.key +
                         " for the log style " + StyleName(log.Style) + " (it would be " + bad.used + ")");
}

// A value of the settings file that the log could not take: a warning, and the
// analysis goes on with the value used instead.
void WarnBadValue(const std::string& section, const std::string& key, const std::string& value,
                  const std::string& used)
{
    std::cerr << OneLine("tarvix-report: warning: " + Ini().FileName() + ": [" + section + "] " + key + '=' + value +
                         " is not a valid value; " + used + " is used")
              << '\n';
}

}  // namespace

std::string OneLine(std::string_view text)
{
    std::string line;
    for (char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (c == '\n')
            line += "\\n";
        else if (c == '\r')
            line += "\\r";
        else if (b < 0x20 && c != '\t') {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", b);
            line += hex;
        } else
            line += c;
    }
    return line;
}

int StyleOfName(const std::string& name)
{
    for (int i = 0; i < kLogStyleCount; ++i)
        if (SameText(name, kStyleNames[i]))
            return i;
    int number = 0;
    if (!name.empty() && name.size() <= 2 && std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        number = std::stoi(name);
        if (number < kLogStyleCount)
            return number;
    }
    return -1;
}

const char* StyleName(int style) { return style >= 0 && style < kLogStyleCount ? kStyleNames[style] : "?"; }

TRun Analyse(const TOptions& o, bool analyse)
{
    RegisterGenericLogStyles();

    // Settings, as the desktop program has them, then what the options change.
    try {
        OpenSettings(o.config);
        LoadSettings();
    } catch (const std::exception& e) {
        throw ECannotRun(std::string("settings: ") + e.what());
    }
    TGeneralSettings& settings = Settings();
    settings.SkipErrors = true;
    auto cp = CodePageFromName(o.codepage);
    if (!cp)
        throw EUsage("--codepage " + o.codepage + ": unknown code page");
    settings.OEMConvert = true;
    settings.OemCodePage = *cp;
    DriveMap drives = GetDriveMap();
    for (const std::string& d : o.drives) {
        std::size_t eq = d.find('=');
        bool letter = eq == 1 || (eq == 2 && d[1] == ':');
        if (!letter || !std::isalpha(static_cast<unsigned char>(d[0])) || eq + 1 >= d.size())
            throw EUsage("--drive " + d + ": expected X=DIR");
        drives[static_cast<char>(std::toupper(static_cast<unsigned char>(d[0])))] = d.substr(eq + 1);
    }
    SetDriveMap(drives);
    if (o.year != 0) {
        if (o.year < 1 || o.year > 9999)
            throw EUsage("--year " + std::to_string(o.year) + ": not a year");
        SetCurrentYear(o.year);
    }

    // The report texts are the English ones, whatever the desktop program shows.
    try {
        LoadLng("QZ_Eng.lng");
    } catch (const std::exception& e) {
        throw ECannotRun(e.what());
    }
    if (!o.mainAddr.empty()) {
        TFidoAddr main;
        if (!TFidoAddr::TryParse(o.mainAddr, 0, main) || main.Net < 0 || main.Node < 0)
            throw EUsage("--main-addr " + o.mainAddr + ": not a Fidonet address");
        ClearMainAddr();
        SetMainAddr(TFidoAddr::CreateStr(o.mainAddr));
    }

    TRun run;
    bool customOff = false;
    if (!o.logName.empty()) {
        std::string section = FindLogSection(Ini(), o.logName);
        if (section.empty())
            throw EUsage("--log " + o.logName + ": no log of that name in " + Ini().FileName());
        bool valid = true;
        int style = LogStyleOf(Ini(), section, valid);
        if (!valid)
            WarnBadValue(section, "Style", Ini().ReadString(section, "Style", ""), std::to_string(style));
        customOff = style == lsCustom && !settings.EnableCustomHighlighting;
        run.log = CreateLogFromReg(style, Ini(), section, settings.EnableCustomHighlighting);
        for (const TBadValue& bad : BadLogValues(Ini(), section, *run.log))
            WarnBadValue(section, bad.key, bad.value, bad.used);
    } else {
        int style = StyleOfName(o.style);
        if (style < 0)
            throw EUsage("--style " + o.style + ": unknown style");
        // A custom log is only read as one while the settings enable custom
        // highlighting, as for a registered log; otherwise it is a plain log.
        if (style == lsCustom && !settings.EnableCustomHighlighting) {
            style = lsPlain;
            customOff = true;
        }
        run.log = CreateLogOfStyle(style);
        run.log->Path = o.logFile;
        run.log->Name = o.logFile;
        run.log->Temporary = true;
    }
    TLog& log = *run.log;
    auto* mailer = dynamic_cast<TMailerLog*>(&log);
    if (!o.mailerDir.empty() && mailer)
        mailer->SetMailerPath(o.mailerDir);
    try {
        ApplySets(log, o.sets);
    } catch (const EUsage& e) {
        if (!customOff)
            throw;
        throw EUsage(std::string(e.what()) + " (custom logs are off: the settings file does not set "
                                             "General/EnableCustomHighlighting=1)");
    }
    if (mailer && o.updateDlc)
        mailer->UpdateDLC = true;
    if (!analyse)
        return run;

    run.displayPath = o.logFile.empty() ? log.Path : o.logFile;
    TCliWindow window(run.displayPath, run.errors);
    TCliDialogs dialogs(window);
    SetDialogs(&dialogs);
    try {
        log.ReadFile();
    } catch (const std::exception& e) {
        SetDialogs(nullptr);
        throw ECannotRun(e.what());
    }
    log.Window = &window;
    bool done = log.Analyse({});
    log.Window = nullptr;
    const bool changed = log.FileChanged();
    log.ReleaseFile();
    if (mailer)
        run.dlc = mailer->DLCList();
    if (done && !changed && mailer && o.updateDlc) {
        try {
            mailer->UpdateCounters();
        } catch (const std::exception& e) {
            SetDialogs(nullptr);
            throw ECannotRun(std::string("download counters: ") + e.what());
        }
    }
    SetDialogs(nullptr);
    if (changed)
        throw ECannotRun(run.displayPath + ": the log changed during the analysis");
    if (!done)
        throw ECannotRun("the analysis of " + run.displayPath + " could not be completed");
    return run;
}

}  // namespace tarvix::cli
