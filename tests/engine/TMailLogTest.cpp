#include "engine/TMailLog.h"

#include "fido/Dialogs.h"
#include "fido/FidoAddr.h"
#include "fido/Lng.h"
#include "fido/QParser.h"
#include "platform/Bytes.h"
#include "platform/FileRead.h"
#include "platform/IniFile.h"
#include "settings/QZIni.h"
#include "tools/lngwriters/MailerLngWriter.h"
#include "tools/ndxwriters/NdxWriter.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

using namespace tarvix;
using namespace std::string_literals;
namespace fs = std::filesystem;

namespace {

// This project's own wording for the language entries the parser reads.
const std::map<int, std::string>& DefaultTexts()
{
    static const std::map<int, std::string> texts = {
        {2, "\xFE Incoming: %s"},
        {3, "Failure: session aborted %s"},
        {4, "Remote refused %s"},
        {15, "Calling %s"},
        {16, "Dial out %s"},
        {21, "Chat ended %s"},
        {26, "FTS-1 session done %s"},
        {32, "Sysop: %s"},
        {33, "System: %s"},
        {34, "Options: %s"},
        {42, "FTS-1 link %s"},
        {47, "Human caller detected %s"},
        {56, "Not in nodelist %s"},
        {58, "Password mismatch %s"},
        {60, "Password protected %s"},
        {62, "Carrier lost %s"},
        {65, "Link protocol:%s"},
        {147, "Error %d on the line"},
        {159, "File request: %s"},
        {199, "Closed human session %s"},
        {203, "Caller hung up %s"},
        {240, "Call to %s, held by schedule (%d)"},
        {422, "File %s transfer FAILED: %s"},
        {424, "Transfer incomplete %s"},
        {467, "\xFE Traffic:%s"},
        {587, "Timeout waiting %s"},
        {591, "FTS-1 received %s %d bytes"},
        {594, "Remote mailer: %s"},
        {608, "Dialling node %s (%s)"},
    };
    return texts;
}

std::string BuildLng(std::size_t count = 610, const std::map<int, std::string>& overrides = {})
{
    std::vector<std::string> entries(count);
    for (std::size_t i = 0; i < count; ++i)
        entries[i] = "Spare entry " + std::to_string(i + 1) + " %d";
    for (const auto& [n, text] : DefaultTexts())
        if (static_cast<std::size_t>(n) <= count)
            entries[static_cast<std::size_t>(n) - 1] = text;
    for (const auto& [n, text] : overrides)
        entries[static_cast<std::size_t>(n) - 1] = text;
    return lngwriters::BuildTMailLng(entries);
}

// A dated line of 12 March.
std::string At(const std::string& hms, const std::string& msg) { return "12/03 " + hms + " " + msg; }

std::string Join(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& l : lines)
        text += l + "\r\n";
    return text;
}

// A window that keeps the failed lines and always goes on.
struct RecWindow : TLogWindow {
    std::vector<std::pair<std::int64_t, std::string>> errors;
    void GoToLine(std::int64_t) override {}
    void LineError(std::int64_t lineNo, const std::string& message) override { errors.emplace_back(lineNo, message); }
    bool ShowErrorLine(std::int64_t, const std::string&) override { return true; }
};

const TNodeStat* StatOf(const TNodeStatList& list, const std::string& addr)
{
    TFidoAddr a = TFidoAddr::CreateStr(addr);
    for (std::size_t i = 0; i < list.Count(); ++i)
        if (list.GetItems(i).Addr && EqualAddr(*list.GetItems(i).Addr, a))
            return &list.GetItems(i);
    return nullptr;
}

bool Same(const TFidoAddr& a, const std::string& b) { return EqualAddr(a, TFidoAddr::CreateStr(b)); }

class TMailFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("tarvix-tmail-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        LoadLng(std::string(TARVIX_SOURCE_DIR) + "/lng/QZ_Eng.lng");
        SetMainAddr(TFidoAddr::CreateStr("2:5030/999.999@fidonet"));
        SetCurrentYear(2024);
        Settings().SkipErrors = false;
        SetOemAnsiPages(CodePage::CP866, CodePage::CP1251);
        SetDialogs(&dialogs);
        ClearAliases();
        Write("t-mail.lng", BuildLng());
        Write("t-mail.ctl", "; test configuration\r\n");
        Write("dir.frq", "");
        Write("index.frq", "");
        log.SetMailerPath(dir.string());
        log.Window = &window;
    }
    void TearDown() override
    {
        SetDialogs(nullptr);
        SetAtomicWriteHook(nullptr);
        ClearAliases();
        fs::remove_all(dir);
    }

    std::string Write(const std::string& name, const std::string& bytes)
    {
        fs::path p = dir / name;
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return p.string();
    }
    std::string Read(const std::string& name) { return ReadWholeFile((dir / name).string()); }

    bool Run(const std::vector<std::string>& lines)
    {
        window.errors.clear();
        log.SetText(Join(lines));
        return log.Analyse({});
    }
    // The texts of the dialogs shown so far.
    std::vector<std::string> Shown() const
    {
        std::vector<std::string> out;
        for (const TDialogRequest& r : dialogs.Shown)
            out.push_back(r.text);
        return out;
    }

    fs::path dir;
    TBatchDialogs dialogs{mrOk, true};
    RecWindow window;
    TTMailLog log;
};

// An outgoing session through every state from the call to the traffic totals.
std::vector<std::string> OutgoingSession()
{
    return {
        At("10:00:00", "Calling 2:5030/1, dialing, CONNECT"),
        At("10:00:10", "\xFE Line: CONNECT 33600/ARQ/V42BIS"),
        At("10:00:12", "2:5030/1.0@fidonet, mailer T-Mail/2605"),
        At("10:00:13", "Sysop: John Smith, 7-095-123-4567"),
        At("10:00:14", "System: Test Station, Moscow"),
        At("10:00:15", "Password protected session"),
        At("10:00:16", "Link protocol: ZModem, 8k blocks"),
        At("10:00:17", "File request: FILES.ZIP"),
        At("10:00:20", "ZS-File C:\\FILES\\FILES.ZIP 1000 OK"),
        At("10:00:25", "ZR-File 2B5030.PKT 5000 OK"),
        At("10:00:30", "\xFE Traffic: 5000/1000, 2 files"),
    };
}

}  // namespace

// ------------------------------------------------------------------ layout and dates

TEST_F(TMailFixture, DateAndTimeOfLinesInTheCurrentYear)
{
    EXPECT_EQ(log.DateOfLine("29/02 23:59:58 leap day"), EncodeDate(2024, 2, 29));
    EXPECT_DOUBLE_EQ(log.TimeOfLine("05/11 07:08:09 text"), EncodeDate(2024, 11, 5) + EncodeTime(7, 8, 9, 0));
    // Lines that are no dated lines get the last date.
    EXPECT_EQ(log.DateOfLine("   continuation of a line"), EncodeDate(2024, 11, 5));
    EXPECT_EQ(log.DateOfLine("06/11 07:08"), EncodeDate(2024, 11, 5));
    // Fields that are no numbers or no date raise the conversion error.
    EXPECT_THROW(log.DateOfLine("ab/11 07:08:09 text"), EConvertError);
    EXPECT_THROW(log.DateOfLine("31/02 07:08:09 text"), EConvertError);
    EXPECT_THROW(log.TimeOfLine("05/11 xx:08:09 text"), EConvertError);
    EXPECT_THROW(log.TimeOfLine("05/11 25:08:09 text"), EConvertError);
    EXPECT_THROW(log.TimeOfLine("not dated"), EConvertError);
    SetCurrentYear(2023);
    EXPECT_THROW(log.DateOfLine("29/02 23:59:58 no leap day"), EConvertError);
}

TEST_F(TMailFixture, StampFieldsReadAsNumbersWhateverTheirForm)
{
    const TDateTime nov5 = EncodeDate(2024, 11, 5);
    // Blanks before a number and a plus sign are read as the classic conversion reads them.
    EXPECT_DOUBLE_EQ(log.TimeOfLine(" 5/11  7:08:09 text"), nov5 + EncodeTime(7, 8, 9, 0));
    EXPECT_DOUBLE_EQ(log.TimeOfLine("+5/11 07:+8: 9 text"), nov5 + EncodeTime(7, 8, 9, 0));
    EXPECT_DOUBLE_EQ(log.TimeOfLine("05/11 23:59:59 text"), nov5 + EncodeTime(23, 59, 59, 0));
    // The bytes next to the digits ("/" before "0", ":" after "9") in any field are no digits.
    for (const char* bad : {"0//11 07:08:09 x", "05/1: 07:08:09 x", "05/11 /7:08:09 x", "05/11 07:0::09 x",
                            "05/11 07:08:0/ x", "05/11 07:08:9: x"})
        EXPECT_THROW(log.TimeOfLine(bad), EConvertError) << bad;
    // A line of the day read last without the ":" of a dated line has no time.
    EXPECT_DOUBLE_EQ(log.TimeOfLine("05/11 07:08:09 text"), nov5 + EncodeTime(7, 8, 9, 0));
    EXPECT_THROW(log.TimeOfLine("05/11 07x08:09 text"), EConvertError);
    // The date read with the time is the date of the lines that follow.
    log.TimeOfLine("17/06 01:02:03 text");
    EXPECT_EQ(log.DateOfLine("   continuation"), EncodeDate(2024, 6, 17));
    // The same day and month in another year, and back.
    SetCurrentYear(2023);
    EXPECT_DOUBLE_EQ(log.TimeOfLine("05/11 07:08:09 text"), EncodeDate(2023, 11, 5) + EncodeTime(7, 8, 9, 0));
    SetCurrentYear(2024);
    EXPECT_DOUBLE_EQ(log.TimeOfLine("05/11 07:08:09 text"), nov5 + EncodeTime(7, 8, 9, 0));
    // Every value of a two-digit field.
    for (int n = 0; n < 60; ++n) {
        char line[32];
        std::snprintf(line, sizeof line, "%02d/%02d %02d:%02d:%02d x", n % 28 + 1, n % 12 + 1, n % 24, n, 59 - n);
        EXPECT_DOUBLE_EQ(log.TimeOfLine(line), EncodeDate(2024, n % 12 + 1, n % 28 + 1) + EncodeTime(n % 24, n, 59 - n, 0))
            << line;
    }
}

TEST_F(TMailFixture, DaysSplitOnTheDayAndMonthOfDatedLinesOnly)
{
    ASSERT_TRUE(Run({
        At("23:59:00", "first day"),
        "   a continuation without a date",
        "13/03 00:01",              // too short to be a dated line
        "13/03 00-01-00 damaged",  // no ":" in column 9
        At("23:59:30", "still the first day"),
        "13/03 00:00:01 second day",
        "ab/03 00:00:02 a date that cannot be read",
        "ab/03 00:00:03 read again",
        "13/03 00:00:04 still the second day",
        "14/03 08:00:00 third day",
    }));
    ASSERT_EQ(log.DayCount(), 3u);
    EXPECT_EQ(log.GetDay(0).Date, EncodeDate(2024, 3, 12));
    EXPECT_EQ(log.GetDay(1).FirstLine, 6);
    EXPECT_EQ(log.GetDay(1).Date, EncodeDate(2024, 3, 13));
    EXPECT_EQ(log.GetDay(2).FirstLine, 10);
    EXPECT_EQ(log.DayStatCount(), 3u);
    // Each line of the unreadable date is a line error; the analysis goes on, and
    // the day before is the day of the lines that follow.
    EXPECT_EQ(log.ErrorCount, 2);
    ASSERT_EQ(window.errors.size(), 2u);
    EXPECT_EQ(window.errors[0].first, 7);
    EXPECT_EQ(window.errors[1].first, 8);
}

// ------------------------------------------------------------------ sessions

TEST_F(TMailFixture, OutgoingSessionThroughEveryState)
{
    ASSERT_TRUE(Run(OutgoingSession()));
    EXPECT_TRUE(window.errors.empty());
    ASSERT_EQ(log.SessCount(), 1u);
    const TSess& s = log.GetSess(0);
    EXPECT_EQ(s.StartLine, 2);
    EXPECT_EQ(s.EndLine, 11);
    EXPECT_DOUBLE_EQ(s.StartTime, EncodeDate(2024, 3, 12) + EncodeTime(10, 0, 10, 0));
    EXPECT_DOUBLE_EQ(s.EndTime, EncodeDate(2024, 3, 12) + EncodeTime(10, 0, 30, 0));
    EXPECT_EQ(s.Speed, 33600u);
    ASSERT_TRUE(s.Addr);
    EXPECT_TRUE(Same(*s.Addr, "2:5030/1"));
    EXPECT_EQ(s.Mailer, "T-Mail/2605");
    EXPECT_EQ(s.SysOp, "John Smith");
    EXPECT_EQ(s.Phone, "7-095-123-4567");
    EXPECT_EQ(s.System, "Test Station");
    EXPECT_EQ(s.Protocol, prZModem);
    EXPECT_EQ(s.Flags, sfOK | sfListed | sfPassword | sfFirstOfDay);
    EXPECT_EQ(s.FilesSent, 1);
    EXPECT_EQ(s.FilesRcvd, 1);
    EXPECT_EQ(s.BytesRcvd, 5000);
    EXPECT_EQ(s.BytesSent, 1000);
    EXPECT_EQ(s.CPS, 250);  // 5000 bytes in 20 seconds

    ASSERT_EQ(log.FreqCount(), 1u);
    EXPECT_EQ(log.GetFreqName(0), "FILES.ZIP");
    EXPECT_TRUE(log.GetFreq(0).Sent);
    EXPECT_EQ(log.GetFreq(0).Path, "C:\\FILES\\FILES.ZIP");
    EXPECT_EQ(log.GetFreq(0).LineNo, 9);
    EXPECT_EQ(log.Requesters().Count(), 1u);

    const TNodeStat* st = StatOf(log.GetDayStats(0), "2:5030/1");
    ASSERT_NE(st, nullptr);
    EXPECT_EQ(st->Calls, 1);
    EXPECT_EQ(st->OutSess, 1);
    EXPECT_EQ(st->OutOK, 1);
    EXPECT_EQ(log.State, 0);
}

TEST_F(TMailFixture, FirstSessionOfEachDayAndOneStatisticsListPerDay)
{
    ASSERT_TRUE(Run({
        At("10:00:00", "\xFE Line: CONNECT 2400"),
        At("10:00:01", "2:5030/1, mailer M"),
        At("10:00:02", "\xFE end"),
        At("11:00:00", "\xFE Line: CONNECT 2400"),
        At("11:00:01", "2:5030/1, mailer M"),
        At("11:00:02", "\xFE end"),
        "13/03 00:00:05 Calling 2:5030/2, dialing, BUSY",
        "13/03 00:10:00 \xFE Line: CONNECT 2400",
        "13/03 00:10:01 2:5030/1, mailer M",
        "13/03 00:10:02 \xFE end",
    }));
    ASSERT_EQ(log.SessCount(), 3u);
    EXPECT_TRUE(log.GetSess(0).Has(sfFirstOfDay));
    EXPECT_FALSE(log.GetSess(1).Has(sfFirstOfDay));
    EXPECT_TRUE(log.GetSess(2).Has(sfFirstOfDay));
    EXPECT_DOUBLE_EQ(log.GetSess(2).StartTime, EncodeDate(2024, 3, 13) + EncodeTime(0, 10, 0, 0));
    ASSERT_EQ(log.DayStatCount(), 2u);
    EXPECT_EQ(StatOf(log.GetDayStats(0), "2:5030/1")->OutSess, 2);
    EXPECT_EQ(StatOf(log.GetDayStats(1), "2:5030/1")->OutSess, 1);
    EXPECT_EQ(StatOf(log.GetDayStats(1), "2:5030/2")->Busy, 1);
    EXPECT_EQ(log.SessOfLine(5), 1);
    EXPECT_EQ(log.SessOfLine(7), -1);
}

TEST_F(TMailFixture, IncomingSessionForgetsTheCallAndIsBookedUnderTheRemoteAddress)
{
    ASSERT_TRUE(Run({
        At("10:00:00", "Calling 2:5030/7, dialing, RING"),
        At("10:00:05", "\xFE Incoming: CONNECT 28800/ARQ"),
        At("10:00:06", "2:5030/8, mailer SomeMailer 1.0"),
        At("10:00:07", "Not in nodelist yet"),  // state 2 now: changes nothing
        At("10:00:40", "\xFE Traffic: 0/0, nothing"),
    }));
    ASSERT_EQ(log.SessCount(), 1u);
    const TSess& s = log.GetSess(0);
    EXPECT_TRUE(s.Has(sfIncoming));
    EXPECT_TRUE(s.Has(sfListed));
    EXPECT_EQ(s.Speed, 28800u);
    EXPECT_EQ(s.Mailer, "SomeMailer 1.0");
    const TNodeStatList& day = log.GetDayStats(0);
    ASSERT_NE(StatOf(day, "2:5030/7"), nullptr);
    EXPECT_EQ(StatOf(day, "2:5030/7")->Calls, 1);
    EXPECT_EQ(StatOf(day, "2:5030/7")->OutSess, 0);
    ASSERT_NE(StatOf(day, "2:5030/8"), nullptr);
    EXPECT_EQ(StatOf(day, "2:5030/8")->InSess, 1);
}

TEST_F(TMailFixture, OutgoingSessionIsBookedUnderTheDialledAddress)
{
    // The remote presents another address than the one dialled.
    ASSERT_TRUE(Run({
        At("10:00:00", "Dial out 2:5030/1, ringing, NO DIALTONE"),
        At("10:00:10", "\xFE Line: CONNECT 9600"),
        At("10:00:12", "2:5030/11, mailer X 1"),
        At("10:00:30", "\xFE Traffic: 1/1, done"),
    }));
    const TNodeStatList& day = log.GetDayStats(0);
    ASSERT_NE(StatOf(day, "2:5030/1"), nullptr);
    EXPECT_EQ(StatOf(day, "2:5030/1")->OutSess, 1);
    EXPECT_EQ(StatOf(day, "2:5030/11"), nullptr);
    EXPECT_TRUE(Same(*log.GetSess(0).Addr, "2:5030/11"));
    EXPECT_FALSE(log.DialAddr());
}

TEST_F(TMailFixture, State1Rows)
{
    ASSERT_TRUE(Run({
        // Unlisted, mail-only.
        At("10:00:00", "\xFE Line: CONNECT 2400"),
        At("10:00:01", "Not in nodelist 2:5030/1"),
        At("10:00:02", "Options: MAIL-ONLY,NO-FREQ"),
        At("10:00:03", "2:5030/1, mailer M 1"),
        At("10:00:04", "\xFE Traffic: 0/0"),
        // Options without MAIL-ONLY.
        At("10:01:00", "\xFE Line: CONNECT 2400"),
        At("10:01:02", "Options: NO-FREQ"),
        At("10:01:04", "\xFE end"),
        // A human caller: state 6, ended by entry 203, 21 or 199.
        At("10:02:00", "\xFE Line: CONNECT 2400"),
        At("10:02:01", "Human caller detected on the line"),
        At("10:02:02", "2:5030/1, this is not read in state 6"),
        At("10:02:03", "Caller hung up now"),
        At("10:03:00", "\xFE Line: CONNECT 2400"),
        At("10:03:01", "Human caller detected on the line"),
        At("10:03:03", "Chat ended now"),
        At("10:04:00", "\xFE Line: CONNECT 2400"),
        At("10:04:01", "Human caller detected on the line"),
        At("10:04:03", "Closed human session now"),
        // FTS-1: state 7.
        At("10:05:00", "\xFE Line: CONNECT 2400"),
        At("10:05:01", "FTS-1 link established"),
        At("10:05:02", "FTS-1 session done with 2 packets"),
    }));
    ASSERT_EQ(log.SessCount(), 6u);
    EXPECT_FALSE(log.GetSess(0).Has(sfListed));
    EXPECT_TRUE(log.GetSess(0).Has(sfMailOnly));
    EXPECT_EQ(log.GetSess(0).EndLine, 5);
    EXPECT_FALSE(log.GetSess(1).Has(sfMailOnly));
    EXPECT_TRUE(log.GetSess(1).Has(sfListed));
    for (std::size_t i : {2u, 3u, 4u}) {
        EXPECT_TRUE(log.GetSess(i).Has(sfHuman)) << i;
        EXPECT_FALSE(log.GetSess(i).Addr) << i;
    }
    EXPECT_EQ(log.GetSess(2).EndLine, 12);
    EXPECT_EQ(log.GetSess(3).EndLine, 15);
    EXPECT_EQ(log.GetSess(4).EndLine, 18);
    EXPECT_TRUE(log.GetSess(5).Has(sfFTS1));
    EXPECT_EQ(log.GetSess(5).Protocol, 1);
    EXPECT_EQ(log.GetSess(5).EndLine, 21);
    EXPECT_EQ(log.State, 0);
}

TEST_F(TMailFixture, SysopValuesWithAndWithoutCommas)
{
    auto sysop = [&](const std::string& value) {
        EXPECT_TRUE(Run({
            At("10:00:00", "\xFE Line: CONNECT 2400"),
            At("10:00:01", "2:5030/1, mailer M"),
            At("10:00:02", "Sysop: " + value),
            At("10:00:03", "\xFE end"),
        }));
        return std::make_pair(std::string(log.GetSess(0).SysOp), std::string(log.GetSess(0).Phone));
    };
    EXPECT_EQ(sysop("Ann Lee, 7-095-1"), std::make_pair("Ann Lee"s, "7-095-1"s));
    EXPECT_EQ(sysop("Lee, Ann, 7-095-2"), std::make_pair("Lee, Ann"s, "7-095-2"s));
    EXPECT_EQ(sysop("Nobody"), std::make_pair("Nobody"s, ""s));
    EXPECT_EQ(sysop("Comma at the end,"), std::make_pair("Comma at the end"s, ""s));
    EXPECT_EQ(sysop("Blank after,x"), std::make_pair("Blank after"s, ""s));
}

TEST_F(TMailFixture, SysopPhoneFollowsTheLastCommaWhereverItStands)
{
    auto sysop = [&](const std::string& value) {
        EXPECT_TRUE(Run({
            At("10:00:00", "\xFE Line: CONNECT 2400"),
            At("10:00:01", "2:5030/1, mailer M"),
            At("10:00:02", "Sysop: " + value),
            At("10:00:03", "\xFE end"),
        }));
        return std::make_pair(std::string(log.GetSess(0).SysOp), std::string(log.GetSess(0).Phone));
    };
    // Values of up to 20 bytes with the last comma at each place; the other bytes
    // differ from a comma in one bit only, and an earlier comma must not be taken.
    for (std::size_t len = 1; len <= 20; ++len) {
        for (std::size_t at = 0; at < len; ++at) {
            std::string value;
            for (std::size_t i = 0; i < len; ++i)
                value += i % 2 ? '\xAC' : '-';
            if (at >= 2)
                value[0] = value[at - 2] = ',';
            value[at] = ',';
            const std::string phone = at + 2 < len ? value.substr(at + 2) : "";
            EXPECT_EQ(sysop(value), std::make_pair(value.substr(0, at), phone)) << len << " " << at;
        }
    }
}

TEST_F(TMailFixture, State2To4RowsAndTheirOrder)
{
    ASSERT_TRUE(Run({
        At("10:00:00", "\xFE Line: CONNECT 2400"),
        At("10:00:01", "2:5030/1, mailer M"),
        At("10:00:02", "System: too early, state 2 waits for the sysop"),
        At("10:00:03", "Sysop: Ann"),
        At("10:00:04", "Sysop: again, not read in state 3"),
        At("10:00:05", "System: The Station, City, Country"),
        At("10:00:06", "Password mismatch on the session"),
        At("10:00:07", "File request: EARLY.ZIP"),  // state 4 does not read requests
        At("10:00:08", "Now the Link protocol: Hydra-8k, flags"),
        At("10:00:09", "Password protected too late"),  // state 5: nothing
        At("10:00:10", "\xFE end"),
    }));
    const TSess& s = log.GetSess(0);
    EXPECT_EQ(s.SysOp, "Ann");
    EXPECT_EQ(s.System, "The Station");
    EXPECT_TRUE(s.Has(sfBadPassword));
    EXPECT_FALSE(s.Has(sfPassword));
    EXPECT_EQ(s.Protocol, prHydra);
    EXPECT_EQ(log.FreqCount(), 0u);
}

TEST_F(TMailFixture, TransfersRequestsAndErrorLines)
{
    Write("index.frq", "; magic names\r\n@MAGIC C:\\FILES\\REAL.ZIP (the real file)\r\nONLYONE\r\n");
    ASSERT_TRUE(Run({
        At("10:00:00", "\xFE Line: CONNECT 2400"),
        At("10:00:01", "2:5030/1, mailer M"),
        At("10:00:02", "Sysop: Ann"),
        At("10:00:03", "System: Station"),
        At("10:00:04", "Link protocol: ZModem"),
        At("10:00:05", "File request: MAGIC"),
        At("10:00:06", "File request: NOTSENT.ZIP"),
        At("10:00:07", "File request: *.TXT"),
        // Without "OK": counted, but no request is served.
        At("10:00:08", "ZS-File C:\\FILES\\NOTSENT.ZIP 100 skipped"),
        At("10:00:09", "HS-File C:\\FILES\\REAL.ZIP 100 OK"),
        At("10:00:10", "JS-File A.TXT 10 OK"),
        At("10:00:11", "ZS-File C:\\DOCS\\B.TXT 10 OK"),
        At("10:00:12", "ZS-File"),  // no fourth word
        At("10:00:13", "ZR-File IN.PKT 10 OK"),
        At("10:00:14", "\xFE Traffic: 10/220, done"),
    }));
    EXPECT_TRUE(window.errors.empty());
    const TSess& s = log.GetSess(0);
    EXPECT_EQ(s.FilesSent, 5);
    EXPECT_EQ(s.FilesRcvd, 1);
    EXPECT_TRUE(s.Has(sfOK));

    ASSERT_EQ(log.FreqCount(), 4u);
    EXPECT_EQ(log.GetFreqName(0), "MAGIC");
    EXPECT_TRUE(log.GetFreq(0).Sent);
    EXPECT_EQ(log.GetFreq(0).RealName, "REAL.ZIP");
    EXPECT_EQ(log.GetFreq(0).Path, "C:\\FILES\\REAL.ZIP");
    EXPECT_FALSE(log.GetFreq(1).Sent);
    // A request of several files: one record per file sent.
    EXPECT_EQ(log.GetFreqName(2), "*.TXT");
    EXPECT_EQ(log.GetFreq(2).RealName, "A.TXT");
    EXPECT_EQ(log.GetFreq(2).Path, "");
    EXPECT_EQ(log.GetFreqName(3), "*.TXT");
    EXPECT_EQ(log.GetFreq(3).RealName, "B.TXT");
    EXPECT_EQ(log.GetFreq(3).Path, "C:\\DOCS\\B.TXT");
    // The bad alias line was reported.
    ASSERT_EQ(Shown().size(), 1u);
    EXPECT_NE(Shown()[0].find("ONLYONE"), std::string::npos);

    // The error-line word in a transfer line clears sfOK, for sent and received files.
    for (const std::string& transfer : {"ZS-File C:\\F\\X.ZIP transfer FAILED: carrier"s, "ZR-File X.PKT FAILED: crc"s}) {
        ASSERT_TRUE(Run({
            At("10:00:00", "\xFE Line: CONNECT 2400"),
            At("10:00:01", "2:5030/1, mailer M"),
            At("10:00:02", "Sysop: Ann"),
            At("10:00:03", "System: Station"),
            At("10:00:04", "Link protocol: ZModem"),
            At("10:00:05", transfer),
            At("10:00:06", "\xFE Traffic: 0/0, done"),
        }));
        EXPECT_FALSE(log.GetSess(0).Has(sfOK)) << transfer;
        EXPECT_FALSE(log.GetSess(0).Has(sfBad)) << transfer;
    }
}

// A line is compared only with the texts that begin with the first byte of its
// message: texts of other languages, texts that share their first bytes and texts that
// begin like the other kinds of lines must keep the order in which they are tried.
TEST_F(TMailFixture, LanguageTextsSharingTheirFirstBytes)
{
    const std::string password = "\x8F\xA0\xE0\xAE\xAB\xEC ";  // CP866 "Parol' "
    Write("t-mail.lng", BuildLng(610, {
                                          {60, password + "\xA5\xE1\xE2\xEC %s"},              // "... is set"
                                          {58, password + "\xAD\xA5\xA2\xA5\xE0\xA5\xAD %s"},  // "... is wrong"
                                          {56, "404 unlisted %s"},        // begins like an address
                                          {3, "\xFE Aborted: %s"},       // begins like a status line
                                          {424, "System failure %s"},     // shares "Sy" with entries 32 and 33
                                      }));
    auto session = [](const std::string& hms, const std::vector<std::string>& body) {
        std::vector<std::string> lines = {At(hms, "\xFE Line: CONNECT 2400")};
        lines.insert(lines.end(), body.begin(), body.end());
        lines.push_back(At(hms, "\xFE Traffic: 0/0"));
        return lines;
    };
    std::vector<std::string> lines;
    for (const auto& part : {
             session("10:00:00", {At("10:00:01", "404 unlisted 2:5030/1"), At("10:00:02", "2:5030/1, mailer M"),
                                  At("10:00:03", "Sysop: Ann"), At("10:00:04", "System: S"),
                                  At("10:00:05", password + "\xAD\xA5\xA2\xA5\xE0\xA5\xAD from 2:5030/1")}),
             session("10:01:00", {At("10:01:01", "2:5030/2, mailer M"), At("10:01:02", "Sysop: Bob"),
                                  At("10:01:03", "System: T"), At("10:01:04", password + "\xA5\xE1\xE2\xEC for 2:5030/2")}),
             session("10:02:00", {At("10:02:01", "2:5030/3, mailer M"), At("10:02:02", "System failure on the disk"),
                                  At("10:02:03", "Sysop: Cid"), At("10:02:04", "System: U")}),
             std::vector<std::string>{At("10:03:00", "\xFE Line: CONNECT 2400"), At("10:03:01", "2:5030/4, mailer M"),
                                      At("10:03:02", "\xFE Aborted: by remote"), At("10:03:03", "Sysop: not read")},
         })
        lines.insert(lines.end(), part.begin(), part.end());
    ASSERT_TRUE(Run(lines));
    EXPECT_TRUE(window.errors.empty());
    ASSERT_EQ(log.SessCount(), 4u);

    const TSess& wrong = log.GetSess(0);
    EXPECT_FALSE(wrong.Has(sfListed));
    ASSERT_TRUE(wrong.Addr);
    EXPECT_TRUE(Same(*wrong.Addr, "2:5030/1"));
    EXPECT_TRUE(wrong.Has(sfBadPassword));
    EXPECT_FALSE(wrong.Has(sfPassword));

    const TSess& set = log.GetSess(1);
    EXPECT_TRUE(set.Has(sfListed));
    EXPECT_TRUE(set.Has(sfPassword));
    EXPECT_FALSE(set.Has(sfBadPassword));

    // Entry 424 spoils the session in any state; the sysop and system lines that
    // follow are still read.
    const TSess& spoiled = log.GetSess(2);
    EXPECT_FALSE(spoiled.Has(sfOK));
    EXPECT_EQ(spoiled.SysOp, "Cid");
    EXPECT_EQ(spoiled.System, "U");

    // A status line ends the session before entry 3 could mark it failed.
    const TSess& status = log.GetSess(3);
    EXPECT_FALSE(status.Has(sfBad));
    EXPECT_EQ(status.EndLine, 22);
    EXPECT_EQ(log.State, 0);
}

// The name of a file sent is the fourth word of the line, wherever the transfer mark
// has its "OK" and however many blanks the stamp holds.
TEST_F(TMailFixture, SentFileNamesAreTheFourthWordOfTheLine)
{
    auto sent = [&](const std::string& transfer) {
        EXPECT_TRUE(Run({
            At("10:00:00", "\xFE Line: CONNECT 2400"),
            At("10:00:01", "2:5030/1, mailer M"),
            At("10:00:02", "Sysop: Ann"),
            At("10:00:03", "System: Station"),
            At("10:00:04", "Link protocol: ZModem"),
            At("10:00:05", "File request: FILES.ZIP"),
            transfer,
            At("10:00:07", "\xFE Traffic: 0/0"),
        }));
        EXPECT_EQ(log.GetSess(0).FilesSent, 1) << transfer;
        return log.FreqCount() == 1 && log.GetFreq(0).Sent;
    };
    EXPECT_TRUE(sent(At("10:00:06", "HS-OK FILES.ZIP 1000 bytes, 100 cps")));
    EXPECT_TRUE(sent(At("10:00:06", "HS-OK   C:\\PUB\\FILES.ZIP 1000 bytes")));
    EXPECT_TRUE(sent(At("10:00:06", "HS- FILES.ZIP sent, transfer OK")));
    EXPECT_FALSE(sent(At("10:00:06", "HS- FILES.ZIP skipped: busy")));
    // A blank inside the time makes the transfer mark the fourth word.
    EXPECT_FALSE(sent("12/03 10:00: 6 HS-OK FILES.ZIP 1000 bytes"));
    EXPECT_TRUE(sent("12/03  0:00:06 HS-OK FILES.ZIP"));  // a run of blanks parts two words
    // Stamps with blanks elsewhere, or a byte that is a blank with its top bit set, do
    // not leave the mark and the name as words 3 and 4.
    EXPECT_FALSE(sent("12/ 3 10:00:06 HS-OK FILES.ZIP NEWS.ZIP"));
    EXPECT_FALSE(sent("12/03\xA0" "10:00:06 HS-OK FILES.ZIP NEWS.ZIP"));
    EXPECT_FALSE(sent("12/03 10:00:06\xA0HS-OK FILES.ZIP NEWS.ZIP"));
    EXPECT_TRUE(sent("12/03 10:00:06 HS-OK  FILES.ZIP 1000 bytes"));
}

// The name of a file sent, and its path, for names of every length around the 16
// bytes read at once after a five-byte mark, with and without a path and with the
// line ending right after the name.
TEST_F(TMailFixture, SentFileNamesAndPathsOfEveryLength)
{
    const std::vector<std::string> paths = {"", "P\\", "C:\\FILES\\SOFT\\"};
    std::vector<std::string> lines = {
        At("10:00:00", "\xFE Line: CONNECT 2400"), At("10:00:01", "2:5030/1, mailer M"),
        At("10:00:02", "Sysop: Ann"),              At("10:00:03", "System: Station"),
        At("10:00:04", "Link protocol: ZModem"),
    };
    std::vector<std::pair<std::string, std::string>> sent;  // name, path
    for (std::size_t n = 1; n <= 40; ++n) {
        for (std::size_t p = 0; p < paths.size(); ++p) {
            std::string name = std::to_string(n) + "-" + std::to_string(p) + "_";
            name.resize(std::max(n, name.size()), 'X');
            const std::string word = paths[p] + name;
            lines.push_back(At("10:00:05", "File request: " + name));
            // Every third line ends with the name.
            lines.push_back(At("10:00:06", "HS-OK " + word + (sent.size() % 3 == 0 ? "" : " 100 bytes, 10 cps")));
            sent.emplace_back(name, paths[p].empty() ? "" : word);
        }
    }
    lines.push_back(At("10:00:07", "\xFE Traffic: 0/0"));
    ASSERT_TRUE(Run(lines));
    EXPECT_TRUE(window.errors.empty());
    ASSERT_EQ(log.FreqCount(), sent.size());
    for (std::size_t i = 0; i < sent.size(); ++i) {
        EXPECT_EQ(log.GetFreqName(i), sent[i].first);
        EXPECT_TRUE(log.GetFreq(i).Sent) << sent[i].first;
        EXPECT_EQ(log.GetFreq(i).Path, sent[i].second) << sent[i].first;
    }
}

TEST_F(TMailFixture, FtsOneSessionsByVersion)
{
    std::vector<std::string> lines = {
        At("10:00:00", "\xFE Line: CONNECT 2400"),
        At("10:00:01", "FTS-1 link established"),
        At("10:00:02", "Remote mailer: Old Mailer 2.1"),
        At("10:00:03", "FTS-1 received 0001.PKT 1234 bytes"),
        At("10:00:04", "FTS-1 received 0002.PKT 66 bytes"),
        At("10:00:05", "FTS-1 received NOCOUNT.PKT"),  // no byte count
        At("10:00:06", "FTS-1 session done with 2 packets"),
    };
    log.TMVersion = 2599;
    ASSERT_TRUE(Run(lines));
    EXPECT_EQ(log.GetSess(0).FilesRcvd, 0);
    EXPECT_EQ(log.GetSess(0).BytesRcvd, 0);
    EXPECT_EQ(log.GetSess(0).Mailer, "");

    log.TMVersion = 2602;
    ASSERT_TRUE(Run(lines));
    EXPECT_TRUE(window.errors.empty());
    EXPECT_EQ(log.GetSess(0).FilesRcvd, 3);
    EXPECT_EQ(log.GetSess(0).BytesRcvd, 1300);
    EXPECT_EQ(log.GetSess(0).Mailer, "Old Mailer 2.1");
    EXPECT_EQ(log.GetSess(0).CPS, 216);  // 1300 bytes in 6 seconds
    EXPECT_TRUE(log.GetSess(0).Has(sfOK));

    // A failed file counts but adds no bytes; a count that is no number is a line error.
    ASSERT_TRUE(Run({
        At("10:00:00", "\xFE Line: CONNECT 2400"),
        At("10:00:01", "FTS-1 link established"),
        At("10:00:03", "FTS-1 received 0001.PKT 1234 bytes, transfer FAILED: crc"),
        At("10:00:04", "FTS-1 received 0002.PKT many bytes"),
        At("10:00:06", "FTS-1 session done with 2 packets"),
    }));
    EXPECT_EQ(log.GetSess(0).FilesRcvd, 2);
    EXPECT_EQ(log.GetSess(0).BytesRcvd, 0);
    EXPECT_FALSE(log.GetSess(0).Has(sfOK));
    ASSERT_EQ(window.errors.size(), 1u);
    EXPECT_EQ(window.errors[0].first, 4);
}

TEST_F(TMailFixture, LinesInsideASessionThatEndOrSpoilIt)
{
    ASSERT_TRUE(Run({
        // Entry 3: failed, ended.
        At("10:00:00", "\xFE Line: CONNECT 2400"),
        At("10:00:01", "2:5030/1, mailer M"),
        At("10:00:02", "Failure: session aborted by remote"),
        At("10:00:03", "Sysop: not read, no session"),
        // Entries 424, 587 and 4 clear sfOK; the session goes on.
        At("10:01:00", "\xFE Line: CONNECT 2400"),
        At("10:01:01", "Transfer incomplete on a file"),
        At("10:01:02", "2:5030/2, mailer M"),
        At("10:01:03", "\xFE end"),
        At("10:02:00", "\xFE Line: CONNECT 2400"),
        At("10:02:01", "Timeout waiting for the remote"),
        At("10:02:02", "\xFE end"),
        At("10:03:00", "\xFE Line: CONNECT 2400"),
        At("10:03:01", "Remote refused the files"),
        At("10:03:02", "\xFE end"),
        // A CONNECT status line in a session ends it and opens none.
        At("10:04:00", "\xFE Line: CONNECT 2400"),
        At("10:04:01", "2:5030/3, mailer M"),
        At("10:04:02", "\xFE Line: CONNECT 14400"),
        At("10:04:03", "Sysop: not read, no session"),
    }));
    ASSERT_EQ(log.SessCount(), 5u);
    const TSess& failed = log.GetSess(0);
    EXPECT_TRUE(failed.Has(sfBad));
    EXPECT_FALSE(failed.Has(sfOK));
    EXPECT_EQ(failed.EndLine, 3);
    EXPECT_EQ(failed.SysOp, "");
    for (std::size_t i : {1u, 2u, 3u}) {
        EXPECT_FALSE(log.GetSess(i).Has(sfOK)) << i;
        EXPECT_FALSE(log.GetSess(i).Has(sfBad)) << i;
    }
    EXPECT_TRUE(Same(*log.GetSess(1).Addr, "2:5030/2"));
    EXPECT_EQ(log.GetSess(4).EndLine, 17);
    EXPECT_EQ(log.GetSess(4).Speed, 2400u);
    EXPECT_EQ(log.GetSess(4).SysOp, "");
    EXPECT_EQ(log.State, 0);
}

TEST_F(TMailFixture, DamagedTrafficTotalsStillEndTheSession)
{
    ASSERT_TRUE(Run({
        At("10:00:00", "\xFE Line: CONNECT 2400"),
        At("10:00:10", "\xFE Traffic: 77/lots, done"),
        At("10:01:00", "\xFE Line: CONNECT 2400"),
        At("10:01:10", "\xFE Traffic: 4294967296/12"),  // above 32 bits: kept
        At("10:02:00", "\xFE Line: CONNECT 2400"),
        At("10:02:10", "\xFE Traffic:"),  // the totals are missing
    }));
    ASSERT_EQ(log.SessCount(), 3u);
    EXPECT_EQ(log.GetSess(0).BytesRcvd, 77);
    EXPECT_EQ(log.GetSess(0).BytesSent, 0);
    EXPECT_EQ(log.GetSess(1).BytesRcvd, 4294967296LL);
    EXPECT_EQ(log.GetSess(1).BytesSent, 12);
    EXPECT_EQ(log.ErrorCount, 2);
    ASSERT_EQ(window.errors.size(), 2u);
    EXPECT_EQ(window.errors[0].first, 2);
    EXPECT_NE(window.errors[0].second.find("lots"), std::string::npos);
    EXPECT_EQ(window.errors[1].first, 6);
}

// The CONNECT of a call, the protocol text and the traffic text are read at their
// first place in the line. That is mostly right after the lead of the entry whose
// "%s" they fill (entries 2 and 17, 64, 466), but may be inside that lead or in the
// stamp.
TEST_F(TMailFixture, SearchedTextsAtTheirFirstPlaceWhereverTheLeadsLeaveThem)
{
    const std::map<int, std::string> mailer = {
        {2, "\xFE Incoming call: %s"},
        {17, "\xFE Outgoing call: %s"},
        {64, "Handshake complete, %s %s, %d AKA(s)"},
        {65, "Protocol:"},
        {466, "\xFE End of session, %s %lu/%lu, %s online"},
        {467, "bytes in/out:"},
    };
    Write("t-mail.lng", BuildLng(610, mailer));
    ASSERT_TRUE(Run({
        At("10:00:00", "\xFE Outgoing call: CONNECT 14400/ARQ"),
        At("10:00:01", "2:5030/1, using M"),
        At("10:00:02", "Sysop: Ann"),
        At("10:00:03", "System: S"),
        At("10:00:04", "Handshake complete, Protocol: Hydra, 1 AKA(s)"),
        At("10:00:09", "\xFE End of session, bytes in/out: 100/200, 00:00:09 online"),
        At("10:01:00", "\xFE Incoming call: CONNECT 9600 (CONNECT 2400)"),
        At("10:01:01", "2:5030/2, using M"),
        At("10:01:02", "Sysop: Bob"),
        At("10:01:03", "System: T"),
        At("10:01:04", "Handshake failed, Protocol: Janus"),  // another lead: searched
        At("10:01:09", "\xFE Session closed, bytes in/out: 3/4"),
    }));
    EXPECT_TRUE(window.errors.empty());
    ASSERT_EQ(log.SessCount(), 2u);
    EXPECT_EQ(log.GetSess(0).Speed, 14400u);
    EXPECT_FALSE(log.GetSess(0).Has(sfIncoming));
    EXPECT_EQ(log.GetSess(0).Protocol, prHydra);
    EXPECT_EQ(log.GetSess(0).BytesRcvd, 100);
    EXPECT_EQ(log.GetSess(0).BytesSent, 200);
    EXPECT_EQ(log.GetSess(1).Speed, 9600u);
    EXPECT_TRUE(log.GetSess(1).Has(sfIncoming));
    EXPECT_EQ(log.GetSess(1).Protocol, prJanus);
    EXPECT_EQ(log.GetSess(1).BytesRcvd, 3);
    EXPECT_EQ(log.GetSess(1).BytesSent, 4);

    // A lead that holds the text, and texts that a stamp can hold.
    std::map<int, std::string> odd = mailer;
    odd[17] = "\xFE CONNECT out: %s";
    odd[65] = "0:0";
    odd[467] = "2/0";
    Write("t-mail.lng", BuildLng(610, odd));
    ASSERT_TRUE(Run({
        At("10:00:00", "\xFE CONNECT out: CONNECT 2400"),  // "out: ..." is no speed
        At("10:00:01", "2:5030/1, using M"),
        At("10:00:02", "Sysop: Ann"),
        At("10:00:03", "System: S"),
        At("10:00:05", "Handshake complete, 0:0 Hydra, 1 AKA(s)"),  // "0:0" of the time first
        At("10:00:09", "\xFE End of session, 2/0 5/6, 00:00:09 online"),  // "2/0" of the date
        At("11:11:11", "\xFE CONNECT out: CONNECT 2400"),
        At("11:11:11", "2:5030/2, using M"),
        At("11:11:11", "Sysop: Bob"),
        At("11:11:11", "System: T"),
        At("11:11:11", "Handshake complete, 0:0 Hydra, 1 AKA(s)"),
        "13/04 11:11:11 \xFE End of session, 2/0 5/6, 00:00:09 online",
    }));
    ASSERT_EQ(log.SessCount(), 2u);
    EXPECT_EQ(log.GetSess(0).Speed, 0u);
    EXPECT_FALSE(log.GetSess(0).Has(sfIncoming));
    EXPECT_EQ(log.GetSess(0).Protocol, prNone);
    EXPECT_EQ(log.GetSess(1).Protocol, prHydra);
    EXPECT_EQ(log.GetSess(1).BytesRcvd, 5);
    EXPECT_EQ(log.GetSess(1).BytesSent, 6);
    // The totals after the date's "2/0" are no numbers: the line is reported.
    ASSERT_EQ(window.errors.size(), 1u);
    EXPECT_EQ(window.errors[0].first, 6);
}

TEST_F(TMailFixture, TrafficTotalsInEveryForm)
{
    auto totals = [&](const std::string& traffic) {
        EXPECT_TRUE(Run({
            At("10:00:00", "\xFE Line: CONNECT 2400"),
            At("10:00:10", "\xFE Traffic: " + traffic),
        }));
        EXPECT_EQ(log.SessCount(), 1u) << traffic;
        return std::make_pair(log.GetSess(0).BytesRcvd, log.GetSess(0).BytesSent);
    };
    using P = std::pair<std::int64_t, std::int64_t>;
    EXPECT_EQ(totals("5000/1000, 2 files"), P(5000, 1000));
    EXPECT_EQ(totals("0/0,"), P(0, 0));
    EXPECT_EQ(totals("5000/1000"), P(5000, 1000));  // no comma: the rest of the line
    EXPECT_EQ(totals("77/ 12, x"), P(77, 12));       // blanks around a count are dropped
    EXPECT_EQ(totals("+5/6, x"), P(5, 6));
    EXPECT_EQ(totals("123456789012345678/876543210987654321, x"), P(123456789012345678, 876543210987654321));
    EXPECT_EQ(totals("1234567890123456789/9, x"), P(1234567890123456789, 9));  // 19 digits
    EXPECT_EQ(totals("9/1234567890123456789, x"), P(9, 1234567890123456789));
    // Counts of every length up to 18 digits, with and without the rest of the line.
    const std::string digits = "908172635445362718";
    for (std::size_t len = 1; len <= digits.size(); ++len) {
        const std::string a = digits.substr(0, len), b = digits.substr(digits.size() - len);
        const P want(std::stoll(a), std::stoll(b));
        EXPECT_EQ(totals(a + "/" + b + ", 00:01:00 online"), want) << len;
        EXPECT_EQ(totals(a + "/" + b + ","), want) << len;
        EXPECT_EQ(totals(b + "/" + a + "x, x").first, want.second) << len;  // the second is damaged
    }
    EXPECT_EQ(log.ErrorCount, 1);
    // A count that is no number is a line error; the session still ends.
    for (const char* bad : {"/5, x", "5/, x", "5//6, x", "5x/6, x", "5/6x, x", "5:/6, 00:01:00", "5/6:, 00:01:00",
                            "1234567:/6, 00:01:00", "5/1234567:, 00:01:00", "99999999999999999999/1, x"}) {
        totals(bad);
        EXPECT_EQ(log.ErrorCount, 1) << bad;
    }
}

TEST_F(TMailFixture, LinesThatChangeNothing)
{
    std::vector<std::string> noise = {
        "12/03 10:00:0",          // 13 characters
        "12/03 10:00:00",         // 14 characters
        "12.03 10:00:00 Failure: session aborted by remote",
        "12/03 10.00.00 Failure: session aborted by remote",
        "  12/03 10:00:00 Failure: session aborted",
        "Failure: session aborted",
        "12/03 10:00:00 ",        // a message of nothing
        "12/03 10:00:00 ZS",
        "12/03 10:00:00 unknown text",
        "12/03 10:00:00 CONNECT 2400 without the marker",
    };
    for (int state = 1; state <= 7; ++state) {
        std::vector<std::string> lines = {At("10:00:00", "\xFE Line: CONNECT 2400")};
        const std::vector<std::vector<std::string>> steps = {
            {},
            {At("10:00:01", "2:5030/1, mailer M")},
            {At("10:00:02", "Sysop: Ann")},
            {At("10:00:03", "System: S")},
            {At("10:00:04", "Link protocol: ZModem")},
            {},
            {},
        };
        for (int k = 1; k < state && k <= 4 && state <= 5; ++k)
            lines.insert(lines.end(), steps[k].begin(), steps[k].end());
        if (state == 6)
            lines.push_back(At("10:00:01", "Human caller detected here"));
        if (state == 7)
            lines.push_back(At("10:00:01", "FTS-1 link up"));
        TTMailLog probe;
        probe.SetMailerPath(dir.string());
        probe.Window = &window;
        probe.SetText(Join(lines));
        ASSERT_TRUE(probe.Analyse({}));
        ASSERT_EQ(probe.State, state);

        std::vector<std::string> withNoise = lines;
        withNoise.insert(withNoise.end(), noise.begin(), noise.end());
        TTMailLog other;
        other.SetMailerPath(dir.string());
        other.Window = &window;
        other.SetText(Join(withNoise));
        window.errors.clear();
        ASSERT_TRUE(other.Analyse({}));
        EXPECT_TRUE(window.errors.empty()) << state;
        EXPECT_EQ(other.State, state);
        EXPECT_EQ(other.SessCount(), 0u) << state;
        const TSess* s = other.CurSess();
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->Flags, probe.CurSess()->Flags) << state;
        EXPECT_EQ(s->FilesSent + s->FilesRcvd, 0) << state;
        EXPECT_EQ(other.DayCount(), 1u);
    }
    // Outside a session: no call, no session, no statistics; a bare marker neither.
    noise.push_back("12/03 10:00:00 \xFE");
    ASSERT_TRUE(Run(noise));
    EXPECT_TRUE(window.errors.empty());
    EXPECT_EQ(log.SessCount(), 0u);
    ASSERT_EQ(log.DayStatCount(), 1u);
    EXPECT_EQ(log.GetDayStats(0).Count(), 0u);
}

// ------------------------------------------------------------------ calls

TEST_F(TMailFixture, CallAttemptsAndTheirResults)
{
    ASSERT_TRUE(Run({
        At("09:00:00", "Calling 2:5030/1, dialing, BUSY"),
        At("09:01:00", "Dial out 2:5030/1, dialing,  NO CARRIER"),
        At("09:02:00", "Calling 2:5030/2, dialing, LINE BUSY"),  // not at the start of the word
        At("09:03:00", "Calling 2:5030/2, dialing"),               // no result
        At("09:04:00", "Calling ?unknown, dialing, BUSY"),       // no call counted
        At("09:05:00", "Calling 2:5030/3, held by schedule (2), BUSY"),  // the dial-skip text
        At("09:06:00", "Calling 2:5030/4,,dialing,,BUSY"),       // empty words do not exist
        At("09:07:00", "Calling 2:5030/5, dialing, NO CAR,RIER"),  // the word ends at the comma
        At("09:08:00", "Calling 2:5030/5, dialing, \x01,BUSY"),     // a word of a control byte
        At("09:09:00", "Calling 2:5030/5, dialing, BUS"),
        At("09:10:00", "Calling 2:5030/5, dialing, NO CARRIER, after 30 s"),
    }));
    EXPECT_TRUE(window.errors.empty());
    const TNodeStatList& day = log.GetDayStats(0);
    ASSERT_NE(StatOf(day, "2:5030/1"), nullptr);
    EXPECT_EQ(StatOf(day, "2:5030/1")->Calls, 2);
    EXPECT_EQ(StatOf(day, "2:5030/1")->Busy, 1);
    EXPECT_EQ(StatOf(day, "2:5030/1")->NoCarrier, 1);
    ASSERT_NE(StatOf(day, "2:5030/2"), nullptr);
    EXPECT_EQ(StatOf(day, "2:5030/2")->Calls, 2);
    EXPECT_EQ(StatOf(day, "2:5030/2")->Busy, 0);
    EXPECT_EQ(StatOf(day, "2:5030/3"), nullptr);
    ASSERT_NE(StatOf(day, "2:5030/4"), nullptr);
    EXPECT_EQ(StatOf(day, "2:5030/4")->Busy, 1);
    ASSERT_NE(StatOf(day, "2:5030/5"), nullptr);
    EXPECT_EQ(StatOf(day, "2:5030/5")->Calls, 4);
    EXPECT_EQ(StatOf(day, "2:5030/5")->Busy, 0);
    EXPECT_EQ(StatOf(day, "2:5030/5")->NoCarrier, 1);
    EXPECT_EQ(day.Count(), 4u);
    EXPECT_EQ(day.Total.Calls, 9);
    EXPECT_EQ(day.Total.Busy, 2);
    EXPECT_EQ(day.Total.NoCarrier, 2);
}

TEST_F(TMailFixture, DialAddressIsForgottenBySkippedAndUnknownCalls)
{
    for (const std::string& forget : {"Calling ?, dialing"s, "Calling 2:5030/3, held by schedule (9)"s,
                                      "Calling 2:5030/1, dialing, BUSY"s}) {
        ASSERT_TRUE(Run({
            At("09:00:00", "Calling 2:5030/1, dialing"),
            At("09:00:05", forget),
            At("09:00:10", "\xFE Line: CONNECT 2400"),
            At("09:00:11", "2:5030/9, mailer M"),
            At("09:00:20", "\xFE Traffic: 0/0"),
        }));
        const TNodeStat* st = StatOf(log.GetDayStats(0), "2:5030/9");
        ASSERT_NE(st, nullptr) << forget;
        EXPECT_EQ(st->OutSess, 1) << forget;
    }
}

TEST_F(TMailFixture, CallLinesOfEntry608FromVersion2605)
{
    std::vector<std::string> lines = {
        At("09:00:00", "Dialling node 2:5030/2 (Station Moscow), dialing, BUSY"),
        At("09:01:00", "Dialling node 2:5030/5, dialing"),
    };
    log.TMVersion = 2604;
    ASSERT_TRUE(Run(lines));
    EXPECT_EQ(log.GetDayStats(0).Count(), 0u);

    log.TMVersion = 2605;
    ASSERT_TRUE(Run(lines));
    EXPECT_TRUE(window.errors.empty());
    const TNodeStatList& day = log.GetDayStats(0);
    ASSERT_NE(StatOf(day, "2:5030/2"), nullptr);  // cut before the last "("
    EXPECT_EQ(StatOf(day, "2:5030/2")->Calls, 1);
    EXPECT_EQ(StatOf(day, "2:5030/2")->Busy, 0);  // never counted for entry 608
    ASSERT_NE(StatOf(day, "2:5030/5"), nullptr);
    EXPECT_TRUE(log.DialAddr());
    EXPECT_TRUE(Same(*log.DialAddr(), "2:5030/5"));
}

TEST_F(TMailFixture, BadAddressesAreLineErrorsAndTheAnalysisGoesOn)
{
    ASSERT_TRUE(Run({
        At("09:00:00", "Calling 2:5030/1, dialing"),
        At("09:00:01", "Calling not an address, dialing, BUSY"),
        At("09:00:02", "Calling , dialing"),
        At("09:00:03", "Calling    "),
        At("09:00:10", "\xFE Line: CONNECT 2400"),
        At("09:00:11", "2:99999/1, mailer M"),
        At("09:00:12", "2:5030/8, mailer M"),
        At("09:00:20", "\xFE Traffic: 0/0"),
    }));
    EXPECT_EQ(log.ErrorCount, 4);
    ASSERT_EQ(window.errors.size(), 4u);
    EXPECT_EQ(window.errors[0].first, 2);
    EXPECT_NE(window.errors[0].second.find("not an address"), std::string::npos);
    EXPECT_EQ(window.errors[1].first, 3);
    EXPECT_EQ(window.errors[2].first, 4);
    EXPECT_EQ(window.errors[3].first, 6);
    ASSERT_EQ(log.SessCount(), 1u);
    EXPECT_TRUE(Same(*log.GetSess(0).Addr, "2:5030/8"));
    // The bad call made the earlier dial address stale: the session is booked by its own address.
    EXPECT_EQ(StatOf(log.GetDayStats(0), "2:5030/8")->OutSess, 1);
    EXPECT_EQ(StatOf(log.GetDayStats(0), "2:5030/1")->OutSess, 0);
}

// ------------------------------------------------------------------ address aliases

TEST_F(TMailFixture, AddressAliasesFromVersion2603)
{
    Write("t-mail.ctl", "AddressAliases aliases.txt\r\n");
    Write("aliases.txt",
          "; aliases\r\n"
          "2:5030/1     Uplink\r\n"
          "\r\n"
          "lonely\r\n"
          "bad/address  Foo\r\n"
          "2:5030/*     Masked\r\n"
          "2:5030/2\tBoss Node  \r\n"
          "2:5030/3 \x8C\xAE\xE1\xAA\xA2\xA0\r\n");
    std::vector<std::string> lines = {
        At("09:00:00", "Calling Uplink, dialing, BUSY"),
        At("09:01:00", "Calling boss node, dialing, BUSY"),
        At("09:02:00", "Calling \x8C\xAE\xE1\xAA\xA2\xA0, dialing, BUSY"),
    };
    log.TMVersion = 2603;
    ASSERT_TRUE(Run(lines));
    EXPECT_TRUE(window.errors.empty());
    const TNodeStatList& day = log.GetDayStats(0);
    for (const char* a : {"2:5030/1", "2:5030/2", "2:5030/3"}) {
        ASSERT_NE(StatOf(day, a), nullptr) << a;
        EXPECT_EQ(StatOf(day, a)->Busy, 1) << a;
    }
    const TStrDict& dict = log.AddressAliasDict();
    ASSERT_EQ(dict.Count(), 3u);
    EXPECT_EQ(dict.Lookup("Uplink"), "2:5030/1");
    EXPECT_EQ(dict.Lookup("Boss Node"), "2:5030/2");
    // The screen gets the names as text.
    ASSERT_EQ(Aliases().size(), 3u);
    EXPECT_EQ(Aliases()[1].Name, "Boss Node");
    EXPECT_EQ(Aliases()[2].Name, "Москва");
    // Message 112 for each bad address, with the line.
    std::vector<std::string> shown = Shown();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0], "Invalid address in the address alias file:\nbad/address  Foo");
    EXPECT_EQ(shown[1], "Invalid address in the address alias file:\n2:5030/*     Masked");

    // Older versions write addresses only: an alias name is no address.
    log.TMVersion = 2602;
    ASSERT_TRUE(Run(lines));
    EXPECT_EQ(log.ErrorCount, 3);

    // A configuration without the file takes the aliases away again.
    Write("t-mail.ctl", "");
    log.TMVersion = 2603;
    ASSERT_TRUE(Run(lines));
    EXPECT_EQ(log.AddressAliasDict().Count(), 0u);
    EXPECT_TRUE(Aliases().empty());
    EXPECT_EQ(log.ErrorCount, 3);
}

TEST_F(TMailFixture, MissingAddressAliasFileEndsTheAnalysis)
{
    Write("t-mail.ctl", "AddressAliases nowhere.txt\r\n");
    EXPECT_FALSE(Run({At("09:00:00", "text")}));
    ASSERT_EQ(Shown().size(), 1u);
    EXPECT_NE(Shown()[0].find("nowhere.txt"), std::string::npos);
}

// ------------------------------------------------------------------ highlighting

TEST_F(TMailFixture, HighlightingRules)
{
    ASSERT_TRUE(Run({At("09:00:00", "load the language file")}));
    EXPECT_TRUE(log.IsDateWord(0, "12/03"));
    EXPECT_TRUE(log.IsDateWord(6, "10:00:00"));
    EXPECT_FALSE(log.IsDateWord(6, "12/03"));
    EXPECT_FALSE(log.IsDateWord(0, "10:00:00"));
    EXPECT_FALSE(log.IsDateWord(0, "12"));
    EXPECT_FALSE(log.IsDateWord(15, "10:00:00"));

    EXPECT_TRUE(log.IsErrorWord("FAILED:"));
    EXPECT_TRUE(log.IsErrorWord("FAILED:xyz"));
    EXPECT_FALSE(log.IsErrorWord("FAILED"));
    EXPECT_FALSE(log.IsErrorWord(""));

    std::int64_t lineNo = 1000;
    auto cls = [&](std::string_view word, int col) {
        EXPECT_TRUE(log.WordClass(word, col));
        return log.GetWordClass(word, ++lineNo, col);
    };
    EXPECT_EQ(cls("continued", 0), hcSpecial);
    EXPECT_EQ(cls("\xFE", 15), hcInfo);
    EXPECT_EQ(cls("\xFETraffic", 15), hcInfo);
    EXPECT_EQ(cls("T-Mail", 15), hcInfo);
    EXPECT_EQ(cls("T-Mail", 20), hcNormal);
    EXPECT_EQ(cls("Closed", 15), hcInfo);
    EXPECT_EQ(cls("ZS-File", 15), hcSent);
    EXPECT_EQ(cls("HR-File", 15), hcRecd);
    EXPECT_EQ(cls("JX-File", 15), hcNormal);
    EXPECT_EQ(cls("XS-File", 15), hcNormal);
    EXPECT_EQ(cls("XR", 15), hcRecd);
    EXPECT_EQ(cls("Human", 15), hcSpecial);
    EXPECT_EQ(cls("Failure:", 15), hcErrors);
    EXPECT_EQ(cls("Error", 15), hcErrors);
    EXPECT_EQ(cls("Carrier", 15), hcErrors);
    EXPECT_EQ(cls("Calling", 15), hcNormal);
    EXPECT_EQ(cls("", 15), hcNormal);
    EXPECT_EQ(cls("Z", 15), hcNormal);
    // The class holds for the rest of the line.
    EXPECT_EQ(log.GetWordClass("Carrier", 7, 15), hcErrors);
    EXPECT_EQ(log.GetWordClass("plain", 7, 23), hcErrors);
    EXPECT_EQ(log.GetWordClass("12/03", 8, 0), hcDateTime);
    EXPECT_EQ(log.GetWordClass("FAILED:", 8, 30), hcErrors);

    // Without a language file no word of it matches anything.
    TTMailLog fresh;
    EXPECT_FALSE(fresh.IsErrorWord("FAILED:"));
    EXPECT_FALSE(fresh.IsErrorWord("x"));
    fresh.WordClass("Human", 15);
    EXPECT_EQ(fresh.GetWordClass("Human", 1, 15), hcNormal);
}

// The texts that spoil a session in any state are tried for the lines whose first two
// bytes are those of one of them; a text of one byte is tried for the lines its byte
// begins, and a line that begins like such a text but goes on otherwise spoils
// nothing.
TEST_F(TMailFixture, LinesThatSpoilBySharingTheHeadOfTheirText)
{
    const std::vector<std::string> session = {
        At("10:00:00", "\xFE Line: CONNECT 2400"),
        At("10:00:01", "2:5030/1, mailer M"),
        At("10:00:02", "Sysop: Ann"),
        At("10:00:03", "System: S"),
        At("10:00:04", "Link protocol: ZModem"),
        At("10:00:05", "File request: FILES"),
        At("10:00:06", "Tally of the remote: slow"),  // "T" as entries 424 and 587
        At("10:00:07", "ZR-OK IN.PKT 10 bytes"),
        At("10:00:08", "\xFE Traffic: 10/0"),
    };
    ASSERT_TRUE(Run(session));
    ASSERT_EQ(log.SessCount(), 1u);
    EXPECT_TRUE(log.GetSess(0).Has(sfOK));
    EXPECT_EQ(log.FreqCount(), 1u);

    // Entry 424 with the head of the request lines: they spoil the session and are
    // read as requests.
    Write("t-mail.lng", BuildLng(610, {{424, "Fi%s"}}));
    ASSERT_TRUE(Run(session));
    ASSERT_EQ(log.SessCount(), 1u);
    EXPECT_FALSE(log.GetSess(0).Has(sfOK));
    EXPECT_EQ(log.FreqCount(), 1u);
    EXPECT_EQ(log.GetSess(0).FilesRcvd, 1);

    // Entry 4 of one byte: every line of that byte spoils the session.
    Write("t-mail.lng", BuildLng(610, {{4, "T%s"}}));
    ASSERT_TRUE(Run(session));
    ASSERT_EQ(log.SessCount(), 1u);
    EXPECT_FALSE(log.GetSess(0).Has(sfOK));
    EXPECT_FALSE(log.GetSess(0).Has(sfBad));
    EXPECT_EQ(log.GetSess(0).FilesRcvd, 1);
}

TEST_F(TMailFixture, LanguageTextsThatComeOutEmptyMatchNothing)
{
    // Entries that begin with a parameter have no constant text; short whole entries
    // give no error-line word and no dial-skip text.
    std::map<int, std::string> overrides = {{3, "%s"}, {15, "%s calling"}, {56, "%s"}, {422, "Failed"},
                                            {240, "%s,ab"}, {467, "%d"}, {65, ""}};
    Write("t-mail.lng", BuildLng(610, overrides));
    ASSERT_TRUE(Run({
        At("09:00:00", "2:5030/1 calling, dialing, BUSY"),
        At("10:00:00", "\xFE Line: CONNECT 2400"),
        At("10:00:01", "2:5030/1, mailer M"),
        At("10:00:02", "Sysop: Ann"),
        At("10:00:03", "System: S"),
        At("10:00:04", "Link protocol: ZModem"),
        At("10:00:05", "ZS-File C:\\X.ZIP 10 OK"),
        At("10:00:06", "\xFE Traffic: 1/2"),
    }));
    EXPECT_TRUE(window.errors.empty());
    EXPECT_EQ(log.GetDayStats(0).Count(), 1u);  // only the session
    ASSERT_EQ(log.SessCount(), 1u);
    const TSess& s = log.GetSess(0);
    EXPECT_TRUE(s.Has(sfOK));
    EXPECT_TRUE(s.Has(sfListed));
    EXPECT_EQ(s.Protocol, prNone);  // no protocol line: state 4 stays
    EXPECT_EQ(s.FilesSent, 0);
    EXPECT_EQ(s.BytesRcvd, 0);
    EXPECT_FALSE(log.IsErrorWord("anything"));
}

// ------------------------------------------------------------------ options

TEST_F(TMailFixture, OptionsInTheSettingsStore)
{
    TIniFile ini;
    TTMailLog a;
    a.LoadFromReg(ini, "Log1");
    EXPECT_EQ(a.TMVersion, 2599);
    EXPECT_EQ(a.TaskNo, 1);
    EXPECT_EQ(a.Style, lsTMail);
    EXPECT_TRUE(a.HasOptions);

    a.TMVersion = 2604;
    a.TaskNo = 10;
    a.SaveToReg(ini, "Log1");
    EXPECT_EQ(ini.ReadInteger("Log1", "TMVersion", 0), 2604);
    EXPECT_EQ(ini.ReadInteger("Log1", "TaskNo", 0), 10);
    EXPECT_EQ(ini.ReadInteger("Log1", "Style", 0), lsTMail);
    TTMailLog b;
    b.LoadFromReg(ini, "Log1");
    EXPECT_EQ(b.TMVersion, 2604);
    EXPECT_EQ(b.TaskNo, 10);
    EXPECT_EQ(b.MailerPath(), "");

    ini.WriteInteger("Log1", "TMVersion", 2601);  // an old stored value stays as it is
    ini.WriteInteger("Log1", "TaskNo", 0);  // the options take 0 to 255
    b.LoadFromReg(ini, "Log1");
    EXPECT_EQ(b.TMVersion, 2601);
    EXPECT_EQ(b.TaskNo, 0);
    ini.WriteInteger("Log1", "TaskNo", -1);
    b.LoadFromReg(ini, "Log1");
    EXPECT_EQ(b.TaskNo, 1);
    ini.WriteString("Log1", "TaskNo", "lots");
    ini.WriteInteger("Log1", "TMVersion", -5);
    b.LoadFromReg(ini, "Log1");
    EXPECT_EQ(b.TaskNo, 1);
    EXPECT_EQ(b.TMVersion, 2599);
    ini.WriteInteger("Log1", "TaskNo", 256);
    b.LoadFromReg(ini, "Log1");
    EXPECT_EQ(b.TaskNo, 1);

    TTMailLog c;
    c.Assign(a);
    EXPECT_EQ(c.TMVersion, 2604);
    EXPECT_EQ(c.TaskNo, 10);
}

TEST(TMailLogStyle, RegisteredWithTheFactory)
{
    RegisterTMailLogStyle();
    std::unique_ptr<TLog> log = CreateLogOfStyle(lsTMail);
    auto* t = dynamic_cast<TTMailLog*>(log.get());
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->Style, lsTMail);
    EXPECT_EQ(t->MsgCol, 16);
}

// ------------------------------------------------------------------ language file

TEST_F(TMailFixture, LanguageFileErrorsEndTheAnalysisNamingTheFile)
{
    fs::remove(dir / "t-mail.lng");
    dialogs.Shown.clear();
    EXPECT_FALSE(Run({At("09:00:00", "text")}));
    ASSERT_EQ(dialogs.Shown.size(), 1u);
    EXPECT_EQ(dialogs.Shown[0].type, TMsgDlgType::mtError);
    EXPECT_NE(dialogs.Shown[0].text.find("t-mail.lng"), std::string::npos);

    // Long enough for the entries every version reads, not for those of 2602.
    Write("t-mail.lng", BuildLng(590));
    log.TMVersion = 2599;
    EXPECT_TRUE(Run({At("09:00:00", "text")}));
    log.TMVersion = 2602;
    dialogs.Shown.clear();
    EXPECT_FALSE(Run({At("09:00:00", "text")}));
    ASSERT_EQ(dialogs.Shown.size(), 1u);
    EXPECT_NE(dialogs.Shown[0].text.find(".LNG index 591 too large"), std::string::npos);
    EXPECT_NE(dialogs.Shown[0].text.find("t-mail.lng"), std::string::npos);
    Write("t-mail.lng", BuildLng(600));
    EXPECT_TRUE(Run({At("09:00:00", "text")}));
    log.TMVersion = 2605;
    dialogs.Shown.clear();
    EXPECT_FALSE(Run({At("09:00:00", "text")}));
    EXPECT_NE(dialogs.Shown[0].text.find(".LNG index 608 too large"), std::string::npos);

    // Truncated files, an empty file and garbage.
    const std::string whole = BuildLng();
    for (std::size_t size : {std::size_t{0}, std::size_t{1}, whole.size() / 2, whole.size() / 4}) {
        Write("t-mail.lng", whole.substr(0, size));
        dialogs.Shown.clear();
        EXPECT_FALSE(Run({At("09:00:00", "text")})) << size;
        ASSERT_EQ(dialogs.Shown.size(), 1u);
        EXPECT_NE(dialogs.Shown[0].text.find("too large"), std::string::npos);
    }
    std::mt19937 rng(7);
    std::string garbage(20000, '\0');
    for (char& c : garbage)
        c = static_cast<char>(rng() % 8 == 0 ? 0 : rng() % 256);
    Write("t-mail.lng", garbage);
    log.TMVersion = 2599;
    EXPECT_TRUE(Run({At("09:00:00", "text"), At("09:00:01", garbage.substr(0, 200))}));
}

// ------------------------------------------------------------------ configuration

TEST_F(TMailFixture, ControlFileMacrosPrefixesAndIncludes)
{
    ::setenv("TARVIX_TM_LISTS", "lists", 1);
    Write("t-mail.ctl",
          "; T-Mail configuration\r\n"
          "  [3]Freq_Dir %TARVIX_TM_LISTS%\\dir%TASKNO%.frq   ; per task\r\n"
          "Freq_Ndx magic.frq\r\n"
          "Unknown_Keyword whatever\r\n"
          "[1] Sys_Path sys\\\r\n"
          "Include more.ctl\r\n");
    Write("more.ctl", "Chat_Log logs\\chat.log\r\n");
    Write("lists/dir3.frq", "; directories\r\nfiles\\pub\r\nC:\\ABS\\DIR\\ comment\r\n");
    Write("magic.frq", "LIST C:\\FILES\\LIST.ZIP\r\n");
    log.TaskNo = 3;
    ASSERT_TRUE(Run({At("09:00:00", "text")}));
    EXPECT_TRUE(dialogs.Shown.empty());
    const std::string base = dir.string();
    EXPECT_EQ(log.Config().FreqDir, "lists\\dir3.frq");
    EXPECT_EQ(log.Config().FreqNdx, "magic.frq");
    EXPECT_EQ(log.Config().SysPath, base + "\\sys");
    EXPECT_EQ(log.SystemDir(), base + "\\sys");
    EXPECT_EQ(log.ChatLogFile(), base + "\\logs\\chat.log");
    EXPECT_EQ(log.DirList(), (std::vector<std::string>{base + "\\files\\pub\\", "C:\\ABS\\DIR\\"}));
    ASSERT_EQ(log.Aliases().count("LIST"), 1u);
    EXPECT_EQ(log.Aliases().at("LIST").FileName, "LIST.ZIP");
    ::unsetenv("TARVIX_TM_LISTS");

    // The file is read again at the next analysis.
    Write("t-mail.ctl", "Freq_Dir dir.frq\r\n");
    ASSERT_TRUE(Run({At("09:00:00", "text")}));
    EXPECT_EQ(log.Config().FreqDir, "dir.frq");
    EXPECT_EQ(log.Config().SysPath, "");
    EXPECT_EQ(log.SystemDir(), base);
    EXPECT_EQ(log.ChatLogFile(), "");
}

TEST_F(TMailFixture, SystemDirAndChatLogReadTheControlFileOnDemand)
{
    Write("t-mail.ctl", "Sys_Path C:\\TM\\SYS%TASKNO%\\\r\nChat_Log D:\\CHAT.LOG\r\n");
    log.TaskNo = 2;
    EXPECT_EQ(log.SystemDir(), "C:\\TM\\SYS2");
    EXPECT_EQ(log.ChatLogFile(), "D:\\CHAT.LOG");
    log.TaskNo = 5;  // another task: the file is read again
    EXPECT_EQ(log.SystemDir(), "C:\\TM\\SYS5");

    TTMailLog none;
    none.SetMailerPath((dir / "empty").string());
    EXPECT_THROW(none.SystemDir(), EQParserError);
}

TEST_F(TMailFixture, ControlFileErrorsEndTheAnalysisWithAMessage)
{
    Write("t-mail.ctl", "Freq_Dir dir.frq\r\nInclude t-mail.ctl\r\n");
    EXPECT_FALSE(Run({At("09:00:00", "text")}));
    ASSERT_EQ(Shown().size(), 1u);
    EXPECT_NE(Shown()[0].find("includes itself"), std::string::npos);
    EXPECT_NE(Shown()[0].find("line 2"), std::string::npos);

    // Two files that include each other.
    Write("t-mail.ctl", "Include a.ctl\r\n");
    Write("a.ctl", "Include t-mail.ctl\r\n");
    dialogs.Shown.clear();
    EXPECT_FALSE(Run({At("09:00:00", "text")}));
    ASSERT_EQ(Shown().size(), 1u);
    EXPECT_NE(Shown()[0].find("includes itself"), std::string::npos);

    Write("t-mail.ctl", "Sys_Path\r\n");  // no value
    dialogs.Shown.clear();
    EXPECT_FALSE(Run({At("09:00:00", "text")}));
    ASSERT_EQ(Shown().size(), 1u);
    EXPECT_NE(Shown()[0].find("line 1"), std::string::npos);

    fs::remove(dir / "t-mail.ctl");
    dialogs.Shown.clear();
    EXPECT_FALSE(Run({At("09:00:00", "text")}));
    ASSERT_EQ(Shown().size(), 1u);
    EXPECT_EQ(Shown()[0].rfind("Error reading the mailer configuration:", 0), 0u);
    EXPECT_NE(Shown()[0].find("t-mail.ctl"), std::string::npos);

    // A missing directory list is a configuration error too.
    Write("t-mail.ctl", "Freq_Dir nolist.frq\r\n");
    dialogs.Shown.clear();
    EXPECT_FALSE(Run({At("09:00:00", "text")}));
    ASSERT_EQ(Shown().size(), 1u);
    EXPECT_NE(Shown()[0].find("nolist.frq"), std::string::npos);

    // A missing alias file is only a warning.
    Write("t-mail.ctl", "Freq_Ndx nomagic.frq\r\n");
    dialogs.Shown.clear();
    EXPECT_TRUE(Run({At("09:00:00", "text")}));
    ASSERT_EQ(Shown().size(), 1u);
    EXPECT_NE(Shown()[0].find("nomagic.frq"), std::string::npos);
    EXPECT_EQ(dialogs.Shown[0].type, TMsgDlgType::mtWarning);

    // Damaged control files: truncated in a line, binary garbage.
    std::mt19937 rng(11);
    std::string garbage(4000, ' ');
    for (char& c : garbage)
        c = static_cast<char>(rng() % 256);
    Write("t-mail.ctl", "Freq_Dir dir.frq\r\nSys_Pa");
    EXPECT_TRUE(Run({At("09:00:00", "text")}));
    Write("t-mail.ctl", garbage);
    Run({At("09:00:00", "text")});  // either outcome, but no crash and no hang
}

TEST_F(TMailFixture, IndexFilesOfBothFormats)
{
    Write("files/pub/ONDISK.ZIP", "x");
    Write("n2600.ndx", ndxwriters::BuildNdx2600({{"OLD.ZIP", "C:\\OLD"}, {"BOTH.ZIP", "C:\\FROM2600"}}));
    Write("n2604.ndx", ndxwriters::BuildNdx2604({{"NEW.ZIP", "C:\\NEW"}, {"BOTH.ZIP", "C:\\FROM2604"}}));
    Write("dir.frq", "files\\pub\r\n@n2604.ndx\r\n; comment\r\n@n2600.ndx\r\nC:\\OTHER\r\n@missing.ndx\r\n");

    // 2604: the 2600 file has no signature and is skipped with a warning, as is the
    // missing one; the analysis goes on.
    log.TMVersion = 2604;
    ASSERT_TRUE(Run({At("09:00:00", "text")}));
    const std::string base = dir.string();
    EXPECT_EQ(log.DirList(), (std::vector<std::string>{base + "\\files\\pub\\", "C:\\OTHER\\"}));
    EXPECT_EQ(log.IndexNames(), (std::vector<std::string>{base + "\\n2604.ndx"}));
    std::vector<std::string> shown = Shown();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_NE(shown[0].find("missing.ndx"), std::string::npos);
    EXPECT_NE(shown[1].find("n2600.ndx"), std::string::npos);
    EXPECT_NE(shown[1].find("unsupported format"), std::string::npos);
    EXPECT_EQ(dialogs.Shown[1].type, TMsgDlgType::mtWarning);
    EXPECT_EQ(log.ResolveFreqName("NEW.ZIP"), "C:\\NEW\\NEW.ZIP");
    EXPECT_EQ(log.ResolveFreqName("BOTH.ZIP"), "C:\\FROM2604\\BOTH.ZIP");
    EXPECT_EQ(log.ResolveFreqName("ONDISK.ZIP"), base + "\\files\\pub\\ONDISK.ZIP");
    EXPECT_EQ(log.ResolveFreqName("NOWHERE.ZIP"), "");

    // 2603: both files open as 2600 indexes (that format has no signature), in the
    // order of the list.
    log.TMVersion = 2603;
    dialogs.Shown.clear();
    ASSERT_TRUE(Run({At("09:00:00", "text")}));
    EXPECT_EQ(log.IndexNames(), (std::vector<std::string>{base + "\\n2604.ndx", base + "\\n2600.ndx"}));
    EXPECT_EQ(log.ResolveFreqName("OLD.ZIP"), "C:\\OLD\\OLD.ZIP");
    EXPECT_EQ(log.ResolveFreqName("BOTH.ZIP"), "C:\\FROM2600\\BOTH.ZIP");
    ASSERT_EQ(Shown().size(), 1u);  // only the missing one

    // A damaged 2604 index (truncated header) is skipped as well.
    std::string good = ndxwriters::BuildNdx2604({{"NEW.ZIP", "C:\\NEW"}});
    Write("n2604.ndx", good.substr(0, 100));
    log.TMVersion = 2604;
    dialogs.Shown.clear();
    ASSERT_TRUE(Run({At("09:00:00", "text")}));
    EXPECT_TRUE(log.IndexNames().empty());
}

// T-Mail writes the paths of the files it sends, and its indexer the directories of
// its index, as T-Mail sees them from its own directory: the download counters
// are found there wherever the program runs.
TEST_F(TMailFixture, DownloadCountersOfRelativePathsAreInTheMailerDirectory)
{
    Write("files/soft/files.bbs", "TOOL.ZIP      [004] a tool\r\nEDIT.ZIP      an editor\r\n");
    Write("files/lists/files.bbs", "ALL.ZIP       [010] all files\r\n");
    Write("files/soft/TOOL.ZIP", "x");
    Write("files/soft/EDIT.ZIP", "x");
    Write("files/lists/ALL.ZIP", "x");
    Write("n2604.ndx", ndxwriters::BuildNdx2604({{"TOOL.ZIP", "FILES\\SOFT"}}));
    Write("dir.frq", "@n2604.ndx\r\nFILES\\SOFT\\\r\n");
    // The current directory must not hold the mailer's files.
    ASSERT_NE(fs::current_path(), dir);
    ASSERT_FALSE(fs::exists("files/soft/files.bbs"));

    log.TMVersion = 2604;
    log.UpdateDLC = true;
    ASSERT_TRUE(Run({
        At("10:00:00", "\xFE Incoming: CONNECT 33600"),
        At("10:00:01", "2:5030/1, mailer T-Mail/2605"),
        At("10:00:02", "Sysop: John Smith, 7-095-123-4567"),
        At("10:00:03", "System: Test Station, Moscow"),
        At("10:00:04", "Link protocol: ZModem, 8k blocks"),
        At("10:00:05", "File request: TOOL.ZIP"),
        At("10:00:05", "File request: EDIT.ZIP"),
        At("10:00:05", "File request: ALL.ZIP"),
        At("10:00:10", "ZS-File TOOL.ZIP 1000 OK"),        // no directory: the index knows it
        At("10:00:20", "ZS-File EDIT.ZIP 1000 OK"),        // no directory: found in the directory list
        At("10:00:30", "ZS-File FILES\\LISTS\\ALL.ZIP 1000 OK"),  // relative to T-Mail's directory
        At("10:00:40", "\xFE Traffic: 0/3000, 3 files"),
    }));
    EXPECT_EQ(log.ResolveFreqName("TOOL.ZIP"), dir.string() + "\\FILES\\SOFT\\TOOL.ZIP");
    ASSERT_EQ(log.DLCList().size(), 3u);
    log.UpdateCounters();
    EXPECT_EQ(Read("files/soft/files.bbs"), "TOOL.ZIP      [005] a tool\r\nEDIT.ZIP      [001] an editor\r\n");
    EXPECT_EQ(Read("files/lists/files.bbs"), "ALL.ZIP       [011] all files\r\n");
    EXPECT_TRUE(log.DLCList().empty());
}

TEST_F(TMailFixture, ChangingTheMailerDirectoryDropsWhatWasRead)
{
    Write("t-mail.ctl", "AddressAliases aliases.txt\r\n");
    Write("aliases.txt", "2:5030/1 Uplink\r\n");
    Write("dir.frq", "files\r\n");
    ASSERT_TRUE(Run({At("09:00:00", "text")}));
    EXPECT_EQ(log.DirList().size(), 1u);
    EXPECT_EQ(log.AddressAliasDict().Count(), 1u);
    EXPECT_EQ(Aliases().size(), 1u);

    log.SetMailerPath(dir.string());  // the same directory: nothing changes
    EXPECT_EQ(log.DirList().size(), 1u);
    EXPECT_EQ(Aliases().size(), 1u);

    log.SetMailerPath((dir / "other").string());
    EXPECT_TRUE(log.DirList().empty());
    EXPECT_EQ(log.AddressAliasDict().Count(), 0u);
    EXPECT_TRUE(Aliases().empty());
    EXPECT_FALSE(Run({At("09:00:00", "text")}));  // nothing there
}

// ------------------------------------------------------------------ history

namespace {

std::string HistoryFile(const std::vector<std::pair<std::int32_t, std::int32_t>>& positions)
{
    std::string data("\xF1\x00", 2);
    for (std::size_t r = 0; r < positions.size(); ++r) {
        std::string rec(100, '\0');
        for (std::size_t i = 0; i < 100; ++i)
            rec[i] = static_cast<char>(r * 7 + i);
        auto put = [&](std::size_t at, std::int32_t v) {
            for (int b = 0; b < 4; ++b)
                rec[at + static_cast<std::size_t>(b)] = static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * b)) & 0xFF);
        };
        put(28, positions[r].first);
        put(32, positions[r].second);
        data += rec;
    }
    return data;
}

std::int32_t Pos(const std::string& data, std::size_t record, std::size_t field)
{
    return static_cast<std::int32_t>(LoadU32LE(data, 2 + record * 100 + field));
}

}  // namespace

TEST_F(TMailFixture, HistoryFileNames)
{
    log.TaskNo = 1;
    EXPECT_EQ(log.HistoryFileName(), "t-hist.$01");
    log.TaskNo = 10;
    EXPECT_EQ(log.HistoryFileName(), "t-hist.$0A");
    log.TaskNo = 255;
    EXPECT_EQ(log.HistoryFileName(), "t-hist.$FF");
}

TEST_F(TMailFixture, AdjustHistoryLowersThePositionsNeverBelowZero)
{
    Write("t-mail.ctl", "Sys_Path sys\r\n");
    const std::string original = HistoryFile({{5000, 7000}, {100, 1000}, {-3, 1001}, {0x7FFFFFFF, 999}});
    Write("sys/t-hist.$0A", original);
    Write("sys/t-hist.$01", original);
    log.TaskNo = 10;
    log.TMVersion = 2603;
    ASSERT_TRUE(log.AdjustHistory(1000));
    const std::string data = Read("sys/t-hist.$0A");
    ASSERT_EQ(data.size(), original.size());
    EXPECT_EQ(Pos(data, 0, 28), 4000);
    EXPECT_EQ(Pos(data, 0, 32), 6000);
    EXPECT_EQ(Pos(data, 1, 28), 0);
    EXPECT_EQ(Pos(data, 1, 32), 0);
    EXPECT_EQ(Pos(data, 2, 28), 0);
    EXPECT_EQ(Pos(data, 2, 32), 1);
    EXPECT_EQ(Pos(data, 3, 28), 0x7FFFFFFF - 1000);
    EXPECT_EQ(Pos(data, 3, 32), 0);
    // Every other byte stays.
    for (std::size_t i = 0; i < data.size(); ++i) {
        std::size_t inRec = (i - 2) % 100;
        if (i >= 2 && inRec >= 28 && inRec < 36)
            continue;
        ASSERT_EQ(data[i], original[i]) << i;
    }
    EXPECT_EQ(Read("sys/t-hist.$01"), original);  // another task's file

    // Nothing to do: no bytes removed, or a version without positions.
    EXPECT_FALSE(log.AdjustHistory(0));
    EXPECT_FALSE(log.AdjustHistory(-5));
    log.TMVersion = 2602;
    EXPECT_FALSE(log.AdjustHistory(1000));
    EXPECT_EQ(Read("sys/t-hist.$0A"), data);
    EXPECT_TRUE(dialogs.Shown.empty());

    // A header-only file is valid and stays as it is.
    log.TMVersion = 2605;
    Write("sys/t-hist.$0A", std::string("\xF1\x00", 2));
    EXPECT_TRUE(log.AdjustHistory(5));
    EXPECT_EQ(Read("sys/t-hist.$0A"), std::string("\xF1\x00", 2));

    fs::remove(dir / "sys/t-hist.$0A");
    EXPECT_THROW(log.AdjustHistory(5), EFOpenError);
}

TEST_F(TMailFixture, DamagedHistoryFilesStayAsTheyWere)
{
    log.TaskNo = 1;
    log.TMVersion = 2603;
    const std::string good = HistoryFile({{5000, 7000}, {100, 1000}});
    std::string wrongHeader = good;
    wrongHeader[0] = '\xF2';
    std::string bigHeader = good;
    bigHeader[1] = '\x01';  // 241 + 256
    std::vector<std::string> damaged = {
        "", "\xF1", good.substr(0, good.size() - 1), good + "x", wrongHeader, bigHeader, std::string(202, '\xFF'),
    };
    for (const std::string& bytes : damaged) {
        Write("t-hist.$01", bytes);
        dialogs.Shown.clear();
        EXPECT_FALSE(log.AdjustHistory(10)) << bytes.size();
        EXPECT_EQ(Read("t-hist.$01"), bytes);
        ASSERT_EQ(Shown().size(), 1u);
        EXPECT_NE(Shown()[0].find("not adjusted"), std::string::npos);
    }
    // Only the history file itself is in the directory: no temporary file was left.
    std::size_t files = 0;
    for (const auto& e : fs::directory_iterator(dir))
        files += e.path().filename().string().rfind("t-hist", 0) == 0;
    EXPECT_EQ(files, 1u);
}

TEST_F(TMailFixture, AnInterruptedHistoryWriteLeavesTheOldFile)
{
    log.TaskNo = 1;
    log.TMVersion = 2603;
    const std::string good = HistoryFile({{5000, 7000}});
    Write("t-hist.$01", good);
    SetAtomicWriteHook([](const std::string& temp) {
        fs::remove(temp);
        throw EWriteError("simulated crash");
    });
    EXPECT_THROW(log.AdjustHistory(10), EWriteError);
    SetAtomicWriteHook(nullptr);
    EXPECT_EQ(Read("t-hist.$01"), good);
    ASSERT_TRUE(log.AdjustHistory(10));
    EXPECT_EQ(Pos(Read("t-hist.$01"), 0, 28), 4990);
}

// ------------------------------------------------------------------ fields anywhere in a line

// A session of the given body lines, from the status line that opens it to the one
// that ends it.
std::vector<std::string> SessionOf(const std::vector<std::string>& body)
{
    std::vector<std::string> lines = {At("10:00:00", "\xFE Line: CONNECT 2400")};
    lines.insert(lines.end(), body.begin(), body.end());
    lines.push_back(At("10:00:59", "\xFE Traffic: 0/0, done"));
    return lines;
}

// The word of failed transfers may stand anywhere in a transfer line: first in the
// message, as the last bytes of a short or a long line, across the 64th byte.
TEST_F(TMailFixture, FailedTransferWordAnywhereInTheLine)
{
    const std::vector<std::string> start = {At("10:00:01", "2:5030/1, mailer M"), At("10:00:02", "Sysop: Ann"),
                                            At("10:00:03", "System: S"), At("10:00:04", "Link protocol: ZModem")};
    auto spoils = [&](const std::string& transfer) {
        std::vector<std::string> body = start;
        body.push_back(At("10:00:05", transfer));
        EXPECT_TRUE(Run(SessionOf(body)));
        EXPECT_EQ(log.SessCount(), 1u) << transfer;
        return !log.GetSess(0).Has(sfOK);
    };
    for (const std::string mark : {"ZS-File ", "ZR-File "}) {
        EXPECT_TRUE(spoils(mark + "FAILED: at once"));
        // The last bytes of lines of 31 to 120 bytes; the filler holds the byte the
        // word is searched by ("L") and the word but its last byte.
        for (std::size_t n = 31; n <= 120; ++n) {
            std::string filler = "FILE.ZIP L FAILED L";
            filler.resize(n - 15 - mark.size() - 7, 'L');
            const std::string with = mark + filler + "FAILED:";
            ASSERT_EQ(At("10:00:05", with).size(), n);
            EXPECT_TRUE(spoils(with)) << with;
            EXPECT_FALSE(spoils(mark + filler + "FAILED;")) << with;
        }
    }
}

TEST_F(TMailFixture, FieldsFarIntoLongLines)
{
    const std::string far(70, 'w');
    ASSERT_TRUE(Run(SessionOf({
        At("10:00:01", "2:5030/1.2345@fidonet, " + far + " Mailer X"),
        At("10:00:02", "Sysop: " + far + ", 7-095-" + far),
        At("10:00:03", "System: " + far + ", Moscow"),
        At("10:00:04", "Handshake " + far + " Link protocol: ZModem, 1 AKA"),
    })));
    EXPECT_TRUE(window.errors.empty());
    const TSess& s = log.GetSess(0);
    ASSERT_TRUE(s.Addr);
    EXPECT_TRUE(Same(*s.Addr, "2:5030/1.2345"));
    EXPECT_EQ(s.Mailer, "Mailer X");
    EXPECT_EQ(s.SysOp, far);
    EXPECT_EQ(s.Phone, "7-095-" + far);
    EXPECT_EQ(s.System, far);
    EXPECT_EQ(s.Protocol, prZModem);
}

// The mailer of the address line follows the first word after the comma and the byte
// after it; words end at a blank or a tab.
TEST_F(TMailFixture, RemoteAddressAndMailerInEveryForm)
{
    auto read = [&](const std::string& msg) {
        EXPECT_TRUE(Run(SessionOf({At("10:00:01", msg)})));
        EXPECT_TRUE(window.errors.empty()) << msg;
        EXPECT_EQ(log.SessCount(), 1u) << msg;
        const TSess& s = log.GetSess(0);
        EXPECT_TRUE(s.Addr && Same(*s.Addr, "2:5030/1")) << msg;
        return std::string(s.Mailer);
    };
    EXPECT_EQ(read("2:5030/1, mailer T-Mail/2605"), "T-Mail/2605");
    EXPECT_EQ(read("2:5030/1, mailer\tT-Mail 2605"), "T-Mail 2605");
    EXPECT_EQ(read("2:5030/1,  mailer M"), "M");  // blanks before the word are skipped
    EXPECT_EQ(read("2:5030/1, mailer \t \x01M"), "M");
    EXPECT_EQ(read("2:5030/1, usingawordofmorethansixteenbytes Mailer X"), "Mailer X");
    EXPECT_EQ(read("2:5030/1 , mailer M"), "M");
    EXPECT_EQ(read("2:5030/1, mailer"), "");
    EXPECT_EQ(read("2:5030/1,x"), "");
    EXPECT_EQ(read("2:5030/1,"), "");
    EXPECT_EQ(read("2:5030/1"), "");
}

// A message that is the text of an entry and nothing more, in lines too short to
// compare a machine word of it, and a message one byte short of the text.
TEST_F(TMailFixture, EntryTextsAtTheVeryEndOfShortLines)
{
    ASSERT_TRUE(Run({
        At("10:00:00", "\xFE Line: CONNECT 2400"),
        At("10:00:01", "2:5030/1"),
        At("10:00:02", "Sysop:"),
        At("10:00:03", "Sysop: "),
        At("10:00:04", "System:"),
        At("10:00:05", "System: "),
        At("10:00:06", "Password protected"),
        At("10:00:07", "Password protected "),
        At("10:00:08", "Link protocol"),
        At("10:00:09", "Link protocol:"),
    }));
    EXPECT_TRUE(window.errors.empty());
    EXPECT_EQ(log.State, 5);
    const TSess* s = log.CurSess();
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->SysOp, "");
    EXPECT_EQ(s->System, "");
    EXPECT_TRUE(s->Has(sfPassword));
    EXPECT_EQ(s->Protocol, prNone);
}

// ------------------------------------------------------------------ addresses read again

// An address is read once and kept; what a text leaves out comes from the main address
// of the time it is read.
TEST_F(TMailFixture, AddressesTakeWhatTheyLeaveOutFromTheMainAddressOfTheirTime)
{
    const std::vector<std::string> lines = SessionOf({At("10:00:01", "5030/123, mailer M")});
    const std::vector<std::string> call = {At("09:00:00", "Calling 5030/1234, dialing, BUSY")};
    ASSERT_TRUE(Run(lines));
    ASSERT_TRUE(log.GetSess(0).Addr);
    EXPECT_EQ(log.GetSess(0).Addr->ToStrFlags(pfDomain), "2:5030/123@fidonet");
    ASSERT_TRUE(Run(call));
    EXPECT_NE(StatOf(log.GetDayStats(0), "2:5030/1234"), nullptr);

    SetMainAddr(TFidoAddr::CreateStr("3:5030/999@othernet"));
    ASSERT_TRUE(Run(lines));
    EXPECT_EQ(log.GetSess(0).Addr->ToStrFlags(pfDomain), "3:5030/123@othernet");
    ASSERT_TRUE(Run(call));
    EXPECT_NE(StatOf(log.GetDayStats(0), "3:5030/1234"), nullptr);

    // Another zone in the same domain, and another domain of the same zone.
    SetMainAddr(TFidoAddr::CreateStr("4:5030/999@othernet"));
    ASSERT_TRUE(Run(lines));
    EXPECT_EQ(log.GetSess(0).Addr->ToStrFlags(pfDomain), "4:5030/123@othernet");
    SetMainAddr(TFidoAddr::CreateStr("4:5030/999@thirdnet"));
    ASSERT_TRUE(Run(lines));
    EXPECT_EQ(log.GetSess(0).Addr->ToStrFlags(pfDomain), "4:5030/123@thirdnet");
    // No main address: the zone stays unknown.
    ClearMainAddr();
    ASSERT_TRUE(Run(lines));
    EXPECT_EQ(log.GetSess(0).Addr->Zone, kAddrMissing);
    EXPECT_TRUE(log.GetSess(0).Addr->Domain.empty());
    SetMainAddr(TFidoAddr::CreateStr("2:5030/999.999@fidonet"));
}

TEST_F(TMailFixture, ManyAddressesEachBookedUnderItsOwn)
{
    // Texts of 8 to 16 bytes that differ in one byte anywhere, and longer ones.
    std::vector<std::string> addrs;
    for (int node = 1; node <= 150; ++node)
        addrs.push_back("2:5030/" + std::to_string(node));
    for (const char* a : {"2:5030/1.12345", "2:5030/1.12346", "2:30301/1.1234", "2:30302/1.1234", "3:30301/1.1234",
                          "2:5030/1234.5678@fido", "2:5030/1234.5678@fidx", "12:5030/12", "22:5030/12"})
        addrs.push_back(a);
    std::vector<std::string> lines;
    for (int round = 0; round < 2; ++round)
        for (std::size_t i = 0; i < addrs.size(); ++i) {
            const std::string& a = addrs[(i * 7 + static_cast<std::size_t>(round) * 3) % addrs.size()];
            lines.push_back(At("09:00:00", "Calling " + a + ", dialing, BUSY"));
        }
    ASSERT_TRUE(Run(lines));
    EXPECT_TRUE(window.errors.empty());
    const TNodeStatList& day = log.GetDayStats(0);
    for (const std::string& a : addrs) {
        const std::string plain = a.substr(0, a.find('@'));
        const TNodeStat* st = StatOf(day, plain);
        ASSERT_NE(st, nullptr) << a;
        EXPECT_EQ(st->Busy, a.find('@') == std::string::npos ? 2 : 4) << a;  // the domain is not told apart
    }
}

// The alias file may name an alias like an address, and the names are found without
// regard to the case of ASCII letters.
TEST_F(TMailFixture, AliasNamesThatLookLikeAddresses)
{
    Write("t-mail.ctl", "AddressAliases aliases.txt\r\n");
    Write("aliases.txt", "2:5030/4  2:463/45\r\n2:5030/5  9x\r\n");
    log.TMVersion = 2603;
    ASSERT_TRUE(Run({
        At("09:00:00", "Calling 2:463/45, dialing, BUSY"),
        At("09:01:00", "Calling 2:463/46, dialing, BUSY"),
        At("09:02:00", "Calling 9X, dialing, BUSY"),
    }));
    EXPECT_TRUE(window.errors.empty());
    const TNodeStatList& day = log.GetDayStats(0);
    for (const char* a : {"2:5030/4", "2:463/46", "2:5030/5"}) {
        ASSERT_NE(StatOf(day, a), nullptr) << a;
        EXPECT_EQ(StatOf(day, a)->Busy, 1) << a;
    }
    EXPECT_EQ(StatOf(day, "2:463/45"), nullptr);
}

// The dial-skip text must begin the second word: the word ends at its comma.
TEST_F(TMailFixture, DialSkipTextWithinTheSecondWordOnly)
{
    ASSERT_TRUE(Run({
        At("09:00:00", "Calling 2:5030/6, held by,BUSY"),
        At("09:01:00", "Calling 2:5030/7, held by schedule (1), BUSY"),
        At("09:02:00", "Calling 2:5030/8,, held by schedule ("),
    }));
    const TNodeStatList& day = log.GetDayStats(0);
    ASSERT_NE(StatOf(day, "2:5030/6"), nullptr);
    EXPECT_EQ(StatOf(day, "2:5030/6")->Busy, 1);
    EXPECT_EQ(StatOf(day, "2:5030/7"), nullptr);
    EXPECT_EQ(StatOf(day, "2:5030/8"), nullptr);
}

// Every analysis splits its own days: the day text of the line before does not carry
// over, and days that differ in any byte of "DD/MM" are told apart.
TEST_F(TMailFixture, DaysOfEveryAnalysisFromItsFirstLine)
{
    const std::vector<std::string> lines = {
        "12/03 10:00:00 one", "12/03", "12/0", "12/03 no time", "22/03 10:00:00 two", "22/04 10:00:00 three",
        "22/04 10:00:01 still three",
    };
    for (int run = 0; run < 2; ++run) {
        ASSERT_TRUE(Run(lines));
        ASSERT_EQ(log.DayCount(), 3u) << run;
        EXPECT_EQ(log.GetDay(0).FirstLine, 1) << run;
        EXPECT_EQ(log.GetDay(1).FirstLine, 5) << run;
        EXPECT_EQ(log.GetDay(1).Date, EncodeDate(2024, 3, 22)) << run;
        EXPECT_EQ(log.GetDay(2).FirstLine, 6) << run;
        EXPECT_EQ(log.GetDay(2).Date, EncodeDate(2024, 4, 22)) << run;
    }
}

// ------------------------------------------------------------------ damaged logs

TEST_F(TMailFixture, RandomBytesAndRandomMessagesNeverCrash)
{
    std::mt19937 rng(20240312);
    auto randomBytes = [&](std::size_t n) {
        std::string s(n, ' ');
        for (char& c : s)
            c = static_cast<char>(rng() % 256);
        return s;
    };
    // Whole lines of random bytes.
    std::string text = randomBytes(50000);
    log.SetText(text);
    EXPECT_TRUE(log.Analyse({}));

    // Dated lines whose messages begin like the mailer's and go on at random, cut
    // at every length.
    std::vector<std::string> starts;
    for (const auto& [n, t] : DefaultTexts())
        starts.push_back(t.substr(0, t.find('%')));
    for (std::string s : {"ZS-", "HR-", "2:5030/1,", "1", "\xFE CONNECT", "\xFE Traffic:", "CONNECT"})
        starts.push_back(s);
    for (int version : {2599, 2602, 2603, 2604, 2605}) {
        log.TMVersion = version;
        std::vector<std::string> lines;
        for (int i = 0; i < 4000; ++i) {
            std::string msg = starts[rng() % starts.size()] + randomBytes(rng() % 12);
            std::string line = At("10:00:0" + std::to_string(rng() % 10), msg);
            line.resize(rng() % (line.size() + 1));
            lines.push_back(line);
        }
        window.errors.clear();
        log.SetText(Join(lines));
        EXPECT_TRUE(log.Analyse({})) << version;
        EXPECT_EQ(log.ErrorCount, static_cast<std::int64_t>(window.errors.size()));
    }
}
