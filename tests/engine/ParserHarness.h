// The harness of the mailer parsers' tests: a temporary mailer installation, a run of
// log lines, and the results of an analysis as lines of text that a test compares
// whole (one session, one request, one row of the dial statistics a line).
#pragma once

#include "TestSupport.h"

#include "engine/MailerLog.h"
#include "fido/Dialogs.h"
#include "fido/FidoAddr.h"
#include "platform/CodePage.h"
#include "platform/FileRead.h"
#include "settings/SettingsStore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace tarvix::test {

// A window that keeps the failed lines and always goes on.
struct ErrorWindow : TLogWindow {
    std::vector<std::pair<std::int64_t, std::string>> errors;
    void GoToLine(std::int64_t) override {}
    void LineError(std::int64_t lineNo, const std::string& message) override { errors.emplace_back(lineNo, message); }
    bool ShowErrorLine(std::int64_t, const std::string&) override { return true; }
};

inline std::string AddrText(const std::optional<TFidoAddr>& a) { return a ? a->ToStrFlags(0) : "-"; }

inline std::string StampText(TDateTime t, bool withDate = true)
{
    int y, mo, d, h, mi, s, ms;
    DecodeDate(t, y, mo, d);
    DecodeTime(t, h, mi, s, ms);
    char buf[32];
    if (withDate)
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", y, mo, d, h, mi, s);
    else
        std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", h, mi, s);
    return buf;
}

// The row of an address in a day's statistics, or nullptr.
inline const TNodeStat* StatOf(const TNodeStatList& list, std::string_view addr)
{
    const TFidoAddr a = TFidoAddr::CreateStr(addr);
    for (std::size_t i = 0; i < list.Count(); ++i)
        if (list.GetItems(i).Addr && EqualAddr(*list.GetItems(i).Addr, a))
            return &list.GetItems(i);
    return nullptr;
}

// A session in one line: lines|start|end|address|mailer|sysop|phone|system|speed|
// protocol|flags|files sent/received|bytes sent/received|cps. The end shows its date
// only when it is another day than the start.
inline std::string SessText(const TSess& s)
{
    std::string flags;
    for (int b = 0; b < kSessFlagCount; ++b)
        if (s.Flags & (1u << b))
            flags += (flags.empty() ? "" : " ") + std::string(SessFlagName(b) + 2);
    const bool sameDay = static_cast<int>(s.StartTime) == static_cast<int>(s.EndTime);
    return std::to_string(s.StartLine) + "-" + std::to_string(s.EndLine) + "|" + StampText(s.StartTime) + "|" +
           StampText(s.EndTime, !sameDay) + "|" + AddrText(s.Addr) + "|" + std::string(s.Mailer.View()) + "|" +
           std::string(s.SysOp.View()) + "|" + std::string(s.Phone.View()) + "|" + std::string(s.System.View()) +
           "|" + std::to_string(s.Speed) + "|" + ProtocolName(s.Protocol) + "|" + flags + "|" +
           std::to_string(s.FilesSent) + "/" + std::to_string(s.FilesRcvd) + "|" + std::to_string(s.BytesSent) +
           "/" + std::to_string(s.BytesRcvd) + "|" + std::to_string(s.CPS);
}

// Field n (from 0) of a line of fields parted by "|".
inline std::string FieldOf(const std::string& line, int n)
{
    std::size_t at = 0;
    for (; n > 0 && at != std::string::npos; --n)
        at = line.find('|', at) == std::string::npos ? std::string::npos : line.find('|', at) + 1;
    return at == std::string::npos ? "" : line.substr(at, line.find('|', at) - at);
}

// A request in one line: name|real name|requester|line|sent|path.
inline std::string FreqText(const TFreq& f)
{
    return f.Name + "|" + f.RealName + "|" + AddrText(f.Addr) + "|" + std::to_string(f.LineNo) + "|" +
           (f.Sent ? "sent" : "-") + "|" + std::string(f.Path);
}

// A row of the dial statistics: the address, then its counts that are not zero.
inline std::string StatText(const TNodeStat& n)
{
    std::string s = AddrText(n.Addr);
    auto put = [&](const char* name, std::int64_t v) {
        if (v != 0)
            s += std::string(" ") + name + "=" + std::to_string(v);
    };
    put("calls", n.Calls);
    put("busy", n.Busy);
    put("nc", n.NoCarrier);
    put("out", n.OutSess);
    put("outok", n.OutOK);
    put("in", n.InSess);
    put("inok", n.InOK);
    put("sent", n.BytesSent);
    put("rcvd", n.BytesRcvd);
    put("time", n.Time);
    put("cps", n.CPS);
    return s;
}

// The lines of a log joined with CR LF.
inline std::string Join(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& l : lines)
        text += l + "\r\n";
    return text;
}

inline std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A mailer installation in a temporary directory with its log object, the dialogs
// answered at once and the line errors kept.
template <class Log>
class ParserTest : public ::testing::Test {
protected:
    ParserTest()
    {
        savedYear_ = CurrentYear();
        SetCurrentYear(2026);
        Settings().SkipErrors = false;
        SetDialogs(&dialogs);
        ClearAliases();
        log.Window = &window;
    }
    ~ParserTest() override
    {
        SetDialogs(nullptr);
        ClearAliases();
        ClearMainAddr();
        SetCurrentYear(savedYear_);
    }
    // The log looks for its files in the temporary directory.
    void Install() { log.SetMailerPath(dir.path.string()); }

    std::string Write(const std::string& name, const std::string& bytes)
    {
        const std::filesystem::path p = dir.path / name;
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return p.string();
    }
    std::string Read(const std::string& name) { return ReadWholeFile(dir / name); }

    bool Run(const std::vector<std::string>& lines) { return RunText(Join(lines)); }
    bool RunText(const std::string& text)
    {
        window.errors.clear();
        log.SetText(text);
        return log.Analyse({});
    }

    // Every session, request and row of a day's statistics, one a line.
    std::string Sessions() const
    {
        std::string s;
        for (std::size_t i = 0; i < log.SessCount(); ++i)
            s += SessText(log.GetSess(i)) + "\n";
        return s;
    }
    std::string Sess(std::size_t i) const { return i < log.SessCount() ? SessText(log.GetSess(i)) : "none"; }
    std::string Freqs() const
    {
        std::string s;
        for (std::size_t i = 0; i < log.FreqCount(); ++i)
            s += FreqText(log.GetFreq(i)) + "\n";
        return s;
    }
    std::string Stats(std::size_t day = 0) const
    {
        if (day >= log.DayStatCount())
            return "no day";
        const TNodeStatList& list = log.GetDayStats(day);
        std::string s;
        for (std::size_t i = 0; i < list.Count(); ++i)
            s += StatText(list.GetItems(i)) + "\n";
        return s;
    }
    // All that an analysis gives: sessions, requests, days with their statistics.
    std::string Everything() const
    {
        std::string s = Sessions() + "--\n" + Freqs();
        for (std::size_t d = 0; d < log.DayCount(); ++d)
            s += "day " + std::to_string(log.GetDay(d).FirstLine) + " " + StampText(log.GetDay(d).Date) + "\n" +
                 Stats(d);
        return s;
    }
    // Analyses the text up to the first cut, then goes on at each further cut and at
    // the end (analysing all of it again where the log cannot go on), and expects what
    // an analysis of the whole text gives. The number of times it went on.
    int ExpectContinuedAsWhole(const std::string& text, const std::vector<std::size_t>& cuts)
    {
        EXPECT_TRUE(RunText(text));
        const std::string whole = Everything();
        int continued = 0;
        log.SetText(text.substr(0, cuts.front()));
        EXPECT_TRUE(log.Analyse({}));
        for (std::size_t i = 1; i <= cuts.size(); ++i) {
            log.SetText(text.substr(0, i < cuts.size() ? cuts[i] : text.size()));
            if (log.ContinueAnalysis({}))
                ++continued;
            else
                EXPECT_TRUE(log.Analyse({}));
            EXPECT_FALSE(log.AnalysisRunning);
        }
        EXPECT_EQ(Everything(), whole) << "cuts from " << cuts.front();
        return continued;
    }
    // The line numbers of the line errors, blank-separated.
    std::string ErrorLines() const
    {
        std::string s;
        for (const auto& e : window.errors)
            s += (s.empty() ? "" : " ") + std::to_string(e.first);
        return s;
    }
    // The texts of the dialogs shown so far.
    std::vector<std::string> Shown() const
    {
        std::vector<std::string> out;
        for (const TDialogRequest& r : dialogs.Shown)
            out.push_back(r.text);
        return out;
    }

    TempDir dir;
    TBatchDialogs dialogs{mrOk, true};
    ErrorWindow window;
    Log log;

private:
    int savedYear_ = 0;
};

}  // namespace tarvix::test
