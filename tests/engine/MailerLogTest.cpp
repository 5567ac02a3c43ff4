// The mailer log framework, driven through whole analyses of an invented log
// format: "YYYY-MM-DD hh:mm:ss MESSAGE", one command per line (see TestLog).

#include "engine/MailerLog.h"

#include "fido/Dialogs.h"
#include "fido/FidoAddr.h"
#include "fido/Lng.h"
#include "fido/NVUtils.h"
#include "fido/QParser.h"
#include "platform/Error.h"
#include "platform/FileRead.h"
#include "platform/Text.h"
#include "settings/QZIni.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <tuple>
#include <optional>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

using namespace tarvix;
namespace fs = std::filesystem;

namespace {

const std::string kEngLng = std::string(TARVIX_SOURCE_DIR) + "/lng/QZ_Eng.lng";

int Digits(std::string_view line, std::size_t pos, std::size_t len)
{
    if (line.size() < pos + len)
        throw Exception("line too short for its time stamp");
    int v = 0;
    for (std::size_t i = pos; i < pos + len; ++i) {
        if (line[i] < '0' || line[i] > '9')
            throw Exception("bad time stamp");
        v = v * 10 + (line[i] - '0');
    }
    return v;
}

// A mailer whose log lines are "YYYY-MM-DD hh:mm:ss MESSAGE". Its messages:
//   CALL addr            a call is placed            BUSY, NOCARRIER   its outcome
//   START in|out         a session opens             END               it closes
//   ADDR addr            the remote's address        SENT n, RCVD n, CPS n
//   FLAG bad|human|mo|fts1|nook                      SPEED text, PROTO text
//   PHONE text           a phone read before its session
//   FREQ name addr       a request                   SENDFILE name path addr
//   BOOM text            the line cannot be parsed   DROPWINDOW, ABORT
class TestLog : public TMailerLog {
public:
    enum class Config { Ok, ParserErrorAtLine, ParserErrorNoLine, OtherError };

    TestLog()
    {
        DatePos = 1;
        DateLen = 10;
        MsgCol = 21;
    }
    void SetDateLen(int len) { DateLen = len; }

    Config config = Config::Ok;
    std::vector<std::pair<std::string, std::string>> configAliases;
    std::string aliasFile;
    bool lngFails = false;
    int configReads = 0;
    int lngLoads = 0;
    std::vector<std::int64_t> parsed;  // the line numbers given to ParseMailerLine
    std::vector<std::optional<TNodeStat>> ended;  // what each END got back

    void ReadConfig() override
    {
        ++configReads;
        switch (config) {
        case Config::ParserErrorAtLine: throw EQParserError("Unknown keyword Foo", "/etc/fido/t-mail.ctl", 12);
        case Config::ParserErrorNoLine: throw EQParserError("Cannot open file /etc/fido/t-mail.ctl", "", 0);
        case Config::OtherError: throw Exception("disk on fire");
        case Config::Ok: break;
        }
        for (const auto& [alias, target] : configAliases)
            AddFreqAlias(alias, target);
        if (!aliasFile.empty())
            ReadAliasFile(aliasFile);
    }
    void LoadLng() override
    {
        ++lngLoads;
        if (lngFails)
            throw ELngError("Cannot find .LNG file t-mail.lng");
    }
    TDateTime DateOfLine(std::string_view line) override
    {
        return EncodeDate(Digits(line, 0, 4), Digits(line, 5, 2), Digits(line, 8, 2));
    }
    TDateTime TimeOfLine(std::string_view line) override
    {
        return DateOfLine(line) + EncodeTime(Digits(line, 11, 2), Digits(line, 14, 2), Digits(line, 17, 2), 0);
    }

    void ParseMailerLine(std::string_view line) override
    {
        parsed.push_back(LineNo);
        auto rest = [&](std::string_view msg) { return std::string(MsgAfter(line, msg)); };
        const TFidoAddr* dial = DialAddr() ? &*DialAddr() : nullptr;
        if (MsgIs(line, "CALL ")) {
            TFidoAddr a = TFidoAddr::CreateStr(rest("CALL "));
            SetDialAddr(a);
            if (NodeStats)
                NodeStats->AddCall(a);
        } else if (MsgIs(line, "BUSY")) {
            if (NodeStats)
                NodeStats->AddResult(dial, 0);
            SetDialAddr(std::nullopt);
        } else if (MsgIs(line, "NOCARRIER")) {
            if (NodeStats)
                NodeStats->AddResult(dial, 1);
            SetDialAddr(std::nullopt);
        } else if (MsgIs(line, "START ")) {
            StartSession(line, rest("START ") == "in");
        } else if (MsgIs(line, "ADDR ")) {
            Cur().Addr = TFidoAddr::CreateStr(rest("ADDR "));
        } else if (MsgIs(line, "SENT ")) {
            Cur().BytesSent = std::stoll(rest("SENT "));
        } else if (MsgIs(line, "RCVD ")) {
            Cur().BytesRcvd = std::stoll(rest("RCVD "));
        } else if (MsgIs(line, "CPS ")) {
            Cur().CPS = std::stoll(rest("CPS "));
        } else if (MsgIs(line, "SPEED ")) {
            Cur().SetConnect(rest("SPEED "));
        } else if (MsgIs(line, "PROTO ")) {
            Cur().SetProtocol(rest("PROTO "));
        } else if (MsgIs(line, "FLAG ")) {
            std::string f = rest("FLAG ");
            if (f == "nook")
                Cur().Set(sfOK, false);
            else
                Cur().Set(f == "bad" ? sfBad : f == "human" ? sfHuman : f == "mo" ? sfMailOnly : sfFTS1, true);
        } else if (MsgIs(line, "PHONE ")) {
            PendingPhone = rest("PHONE ");
        } else if (MsgIs(line, "END")) {
            TNodeStat* r = EndSession(line);
            ended.push_back(r ? std::optional<TNodeStat>(*r) : std::nullopt);
        } else if (MsgIs(line, "FREQ ")) {
            std::string_view args = MsgAfter(line, "FREQ "), tail;
            std::string name(FirstWord(args, &tail));
            AddFreq(name, TFidoAddr::CreateStr(FirstWord(tail)));
        } else if (MsgIs(line, "SENDFILE ")) {
            std::string_view args = MsgAfter(line, "SENDFILE "), tail, tail2;
            std::string name(FirstWord(args, &tail));
            std::string path(FirstWord(tail, &tail2));
            FreqSent(name, path, TFidoAddr::CreateStr(FirstWord(tail2)));
        } else if (MsgIs(line, "BOOM")) {
            throw Exception(rest("BOOM"));
        } else if (MsgIs(line, "DROPWINDOW")) {
            Window = nullptr;
            throw Exception("the window went away");
        } else if (MsgIs(line, "ABORT")) {
            AbortRequest = true;
        }
    }

private:
    TSess& Cur()
    {
        if (!CurSess())
            throw Exception("no session");
        return *CurSess();
    }
};

// A window that records what the analysis reports and answers with goOn.
struct RecordingWindow : TLogWindow {
    std::vector<std::pair<std::int64_t, std::string>> errors;  // LineError
    std::vector<std::pair<std::int64_t, std::string>> asked;   // ShowErrorLine
    bool goOn = true;
    std::int64_t wentTo = 0;
    void GoToLine(std::int64_t lineNo) override { wentTo = lineNo; }
    void LineError(std::int64_t lineNo, const std::string& message) override { errors.emplace_back(lineNo, message); }
    bool ShowErrorLine(std::int64_t lineNo, const std::string& message) override
    {
        asked.emplace_back(lineNo, message);
        return goOn;
    }
};

// A window that keeps the default question (interface message 95).
struct AskingWindow : TLogWindow {
    std::int64_t wentTo = 0;
    void GoToLine(std::int64_t lineNo) override { wentTo = lineNo; }
};

std::string Lines(std::initializer_list<std::string_view> lines)
{
    std::string text;
    for (std::string_view l : lines) {
        text += l;
        text += "\r\n";
    }
    return text;
}

TFidoAddr Addr(std::string_view s) { return TFidoAddr::CreateStr(s); }

// The record of an address in a day's list, or nullptr.
const TNodeStat* StatOf(const TNodeStatList& list, std::string_view addr)
{
    for (std::size_t i = 0; i < list.Count(); ++i)
        if (EqualAddr(*list.GetItems(i).Addr, Addr(addr)))
            return &list.GetItems(i);
    return nullptr;
}

class MailerLogFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetDialogs(&dialogs);
        Settings().SkipErrors = false;
        log.Window = &window;
        dir = fs::temp_directory_path() / ("tarvix-mailerlog-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override
    {
        SetDialogs(nullptr);
        UnloadLng();
        ClearMainAddr();
        Settings().SkipErrors = false;
        fs::remove_all(dir);
    }

    bool Run(const std::string& text)
    {
        log.SetText(text);
        return log.Analyse({});
    }
    std::string Write(const std::string& name, const std::string& bytes)
    {
        fs::path p = dir / name;
        std::ofstream(p, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return p.string();
    }
    std::vector<std::string> DLCNames()
    {
        std::vector<std::string> names;
        for (const TDLCFreq& r : log.DLCList())
            names.push_back(r.FileName);
        return names;
    }

    TBatchDialogs dialogs{mrOk, true};
    RecordingWindow window;
    TestLog log;
    fs::path dir;
};

// A day with an outgoing call that fails, one that succeeds and an incoming session.
const std::string kOneDay = Lines({
    "2026-03-01 10:00:00 CALL 2:5030/1",       // 1
    "2026-03-01 10:00:30 BUSY",                // 2
    "2026-03-01 10:05:00 CALL 2:5030/1",       // 3
    "2026-03-01 10:05:20 START out",           // 4
    "2026-03-01 10:05:21 ADDR 2:5030/1",       // 5
    "2026-03-01 10:05:22 SENT 1000",           // 6
    "2026-03-01 10:05:23 RCVD 5000",           // 7
    "2026-03-01 10:05:30 END",                 // 8
    "2026-03-01 11:00:00 PHONE 7-095-123-4567",  // 9
    "2026-03-01 11:00:01 START in",            // 10
    "2026-03-01 11:00:02 ADDR 2:463/68",       // 11
    "2026-03-01 11:00:03 SPEED 33600TX/V42",   // 12
    "2026-03-01 11:00:04 PROTO Hydra-8k",      // 13
    "2026-03-01 11:00:05 CPS 1234",            // 14
    "2026-03-01 11:01:00 END",                 // 15
});

}  // namespace

TEST_F(MailerLogFixture, WholeDayGivesSessionsAndStatistics)
{
    ASSERT_TRUE(Run(kOneDay));
    EXPECT_FALSE(log.AnalysisRunning);
    EXPECT_EQ(log.ErrorCount, 0);
    EXPECT_EQ(log.configReads, 1);
    EXPECT_EQ(log.lngLoads, 1);
    ASSERT_EQ(log.SessCount(), 2u);

    const TSess& out = log.GetSess(0);
    EXPECT_EQ(out.StartLine, 4);
    EXPECT_EQ(out.EndLine, 8);
    EXPECT_EQ(out.Flags, sfOK | sfListed | sfFirstOfDay);
    EXPECT_EQ(out.SessLength(), 10);
    EXPECT_EQ(out.CPS, 500);  // the larger of 1000 and 5000 bytes over 10 seconds
    EXPECT_TRUE(out.Phone.empty());

    const TSess& in = log.GetSess(1);
    EXPECT_EQ(in.Flags, sfOK | sfListed | sfIncoming);  // only the day's first session is marked
    EXPECT_EQ(in.Phone, "7-095-123-4567");
    EXPECT_EQ(in.Speed, 33600u);
    EXPECT_EQ(in.Protocol, prHydra);
    EXPECT_EQ(in.CPS, 1234);  // given by the log, kept
    EXPECT_TRUE(log.PendingPhone.empty());

    ASSERT_EQ(log.DayCount(), 1u);
    ASSERT_EQ(log.DayStatCount(), 1u);
    const TNodeStatList& stats = log.GetDayStats(0);
    EXPECT_EQ(log.GetDay(0).NodeStats, &stats);
    EXPECT_EQ(stats.SortOrder, nsoAddr);
    ASSERT_EQ(stats.Count(), 2u);
    // Sorted by address: net 463 before net 5030.
    EXPECT_TRUE(EqualAddr(*stats.GetItems(0).Addr, Addr("2:463/68")));
    const TNodeStat& called = stats.GetItems(1);
    EXPECT_EQ(called.Calls, 2);
    EXPECT_EQ(called.Busy, 1);
    EXPECT_EQ(called.OutSess, 1);
    EXPECT_EQ(called.OutOK, 1);
    EXPECT_EQ(called.FirstSess, 0);
    EXPECT_EQ(stats.GetItems(0).InSess, 1);
    EXPECT_EQ(stats.GetItems(0).FirstSess, 1);
    // The total's rate: 5000 bytes received in the 10 + 59 seconds of the two sessions.
    EXPECT_EQ(stats.Total.Time, 69);
    EXPECT_EQ(stats.Total.CPS, 5000 / 69);
    EXPECT_EQ(stats.Total.Calls, 2);

    // Each END got back the statistics record it updated.
    ASSERT_EQ(log.ended.size(), 2u);
    ASSERT_TRUE(log.ended[0].has_value());
    EXPECT_TRUE(EqualAddr(*log.ended[0]->Addr, Addr("2:5030/1")));
    ASSERT_TRUE(log.ended[1].has_value());
    EXPECT_EQ(log.ended[1]->InSess, 1);
}

TEST_F(MailerLogFixture, NodeCalledThreeTimesReachedAtLast)
{
    ASSERT_TRUE(Run(Lines({
        "2026-03-01 10:00:00 CALL 2:5030/7",
        "2026-03-01 10:00:10 BUSY",
        "2026-03-01 10:01:00 CALL 2:5030/7",
        "2026-03-01 10:01:10 BUSY",
        "2026-03-01 10:02:00 CALL 2:5030/7",
        "2026-03-01 10:02:00 START out",
        // The node answers with another address of its own: the call counts.
        "2026-03-01 10:02:01 ADDR 2:5030/700",
        "2026-03-01 10:02:02 SENT 5000",
        "2026-03-01 10:02:03 RCVD 20000",
        "2026-03-01 10:03:40 END",
        "2026-03-01 10:05:00 CALL 2:5030/8",
        "2026-03-01 10:05:10 NOCARRIER",
    })));
    const TNodeStatList& stats = log.GetDayStats(0);
    ASSERT_EQ(stats.Count(), 2u);
    const TNodeStat& n7 = stats.GetItems(0);
    EXPECT_TRUE(EqualAddr(*n7.Addr, Addr("2:5030/7")));
    EXPECT_EQ(n7.Calls, 3);
    EXPECT_EQ(n7.Busy, 2);
    EXPECT_EQ(n7.NoCarrier, 0);
    EXPECT_EQ(n7.OutSess, 1);
    EXPECT_EQ(n7.OutOK, 1);
    EXPECT_EQ(n7.Time, 100);
    EXPECT_EQ(n7.CPS, 200);
    EXPECT_EQ(stats.GetItems(1).NoCarrier, 1);
    EXPECT_EQ(stats.Total.NoCarrier, 1);
    EXPECT_FALSE(log.DialAddr().has_value());
}

TEST_F(MailerLogFixture, SessionsCloseOnceAndCurSessFollowsThem)
{
    EXPECT_EQ(log.CurSess(), nullptr);
    ASSERT_TRUE(Run(Lines({
        "2026-03-01 09:00:00 END",          // nothing open: nothing listed
        "2026-03-01 10:00:00 START out",
        "2026-03-01 10:00:10 START in",     // the first one is abandoned
        "2026-03-01 10:00:11 ADDR 2:5030/1",
        "2026-03-01 10:00:20 END",
        "2026-03-01 10:00:21 END",          // closing twice lists it once
        "2026-03-01 10:00:22 FLAG mo",      // the closed session can still be completed
    })));
    ASSERT_EQ(log.SessCount(), 1u);
    const TSess& s = log.GetSess(0);
    EXPECT_EQ(s.StartLine, 3);
    EXPECT_EQ(s.EndLine, 5);
    EXPECT_TRUE(s.Has(sfIncoming));
    EXPECT_TRUE(s.Has(sfMailOnly));
    EXPECT_EQ(log.CurSess(), &s);
    EXPECT_EQ(log.SessOfLine(2), -1);  // the abandoned session is nowhere
    EXPECT_EQ(log.SessOfLine(3), 0);
    EXPECT_EQ(log.State, 0);
    EXPECT_FALSE(log.SessionOpen());
    ASSERT_EQ(log.ended.size(), 3u);
    EXPECT_FALSE(log.ended[0].has_value());
    EXPECT_TRUE(log.ended[1].has_value());
    EXPECT_FALSE(log.ended[2].has_value());
    ASSERT_EQ(log.GetDayStats(0).Count(), 1u);
    EXPECT_EQ(log.GetDayStats(0).GetItems(0).InSess, 1);

    // An open session is the current one; State tells the parser.
    log.SetText(Lines({"2026-03-01 10:00:00 START out"}));
    ASSERT_TRUE(log.Analyse({}));
    EXPECT_EQ(log.SessCount(), 0u);
    ASSERT_NE(log.CurSess(), nullptr);
    EXPECT_EQ(log.CurSess()->StartLine, 1);
    EXPECT_EQ(log.CurSess()->Flags, sfOK | sfListed | sfFirstOfDay);
    EXPECT_EQ(log.CurSess()->OKText(), "OK");
    EXPECT_EQ(log.CurSess()->ListedText(), "Listed");
    EXPECT_EQ(log.State, 1);
    EXPECT_TRUE(log.SessionOpen());
}

TEST_F(MailerLogFixture, FailedAndZeroLengthSessions)
{
    ASSERT_TRUE(Run(Lines({
        "2026-03-01 10:00:00 START in",
        "2026-03-01 10:00:05 FLAG bad",   // the parser leaves sfOK set
        "2026-03-01 10:00:06 END",
        "2026-03-01 10:01:00 START out",
        "2026-03-01 10:01:00 ADDR 2:5030/3",
        "2026-03-01 10:01:00 SENT 700",
        "2026-03-01 10:01:00 END",
    })));
    ASSERT_EQ(log.SessCount(), 2u);
    EXPECT_FALSE(log.GetSess(0).Has(sfOK));
    EXPECT_EQ(log.GetSess(0).OKText(), "Err");
    EXPECT_EQ(log.GetSess(1).SessLength(), 0);
    EXPECT_EQ(log.GetSess(1).CPS, 0);
    // A session without any address does not reach the statistics.
    const TNodeStatList& stats = log.GetDayStats(0);
    ASSERT_EQ(stats.Count(), 1u);
    EXPECT_EQ(stats.GetItems(0).BytesSent, 700);
    EXPECT_EQ(stats.GetItems(0).CPS, 0);
    EXPECT_EQ(stats.Total.CPS, 0);
    EXPECT_EQ(stats.Total.InSess, 0);
}

TEST_F(MailerLogFixture, LargeTransfersKeepTheirBytes)
{
    ASSERT_TRUE(Run(Lines({
        "2026-03-01 10:00:00 START out",
        "2026-03-01 10:00:01 ADDR 2:5030/5",
        "2026-03-01 10:00:02 SPEED TCP/IP",
        "2026-03-01 10:00:03 SENT 5000000000",
        "2026-03-01 10:00:04 RCVD 3000000000",
        "2026-03-01 10:16:40 END",
    })));
    const TSess& s = log.GetSess(0);
    EXPECT_EQ(s.Speed, kSpeedIP);
    EXPECT_EQ(s.BytesSent, 5'000'000'000);
    EXPECT_EQ(s.CPS, 5'000'000);
    const TNodeStatList& stats = log.GetDayStats(0);
    EXPECT_EQ(stats.GetItems(0).BytesRcvd, 3'000'000'000);
    EXPECT_EQ(stats.Total.CPS, 5'000'000);
    EXPECT_EQ(log.ResolveFreqName("NODELIST.ZIP"), "NODELIST.ZIP");
}

TEST_F(MailerLogFixture, SessionEndingBeforeItStartedGetsNoRate)
{
    // The clock went back an hour during the session (end of summer time).
    ASSERT_TRUE(Run(Lines({
        "2026-10-25 02:59:50 START out",
        "2026-10-25 02:59:51 ADDR 2:5030/3",
        "2026-10-25 02:00:05 SENT 10000",
        "2026-10-25 02:00:06 RCVD 20000",
        "2026-10-25 02:00:10 END",
    })));
    ASSERT_EQ(log.SessCount(), 1u);
    EXPECT_EQ(log.GetSess(0).SessLength(), -3580);
    EXPECT_EQ(log.GetSess(0).CPS, 0);
    const TNodeStatList& stats = log.GetDayStats(0);
    ASSERT_EQ(stats.Count(), 1u);
    EXPECT_EQ(stats.GetItems(0).BytesSent, 10000);
    EXPECT_EQ(stats.GetItems(0).Time, 0);
    EXPECT_EQ(stats.GetItems(0).CPS, 0);
    EXPECT_EQ(stats.Total.CPS, 0);
}

TEST_F(MailerLogFixture, EachDayGetsItsListAndFirstSession)
{
    ASSERT_TRUE(Run(Lines({
        "2026-03-01 23:59:00 START in",
        "2026-03-01 23:59:01 ADDR 2:5030/1",
        "2026-03-02 00:00:40 END",          // closes on the next day: counted there
        "2026-03-02 00:05:00 START out",
        "2026-03-02 00:05:01 ADDR 2:5030/2",
        "2026-03-02 00:06:00 END",
        "garbage line without a date",     // no day: one error, nothing else
        "2026-03-04 08:00:00 CALL 2:5030/3",
    })));
    ASSERT_EQ(log.SessCount(), 2u);
    EXPECT_TRUE(log.GetSess(0).Has(sfFirstOfDay));
    EXPECT_EQ(log.GetSess(0).SessLength(), 100);
    // The day began while the first session was open: the next one opened is the first.
    EXPECT_TRUE(log.GetSess(1).Has(sfFirstOfDay));
    ASSERT_EQ(log.DayCount(), 3u);
    ASSERT_EQ(log.DayStatCount(), 3u);
    EXPECT_EQ(log.GetDayStats(0).Count(), 0u);
    EXPECT_EQ(log.GetDayStats(1).Count(), 2u);
    EXPECT_EQ(log.GetDayStats(2).Total.Calls, 1);
    EXPECT_EQ(log.GetDay(2).NodeStats, &log.GetDayStats(2));
    EXPECT_TRUE(log.NewDayMark);
    EXPECT_EQ(log.ErrorCount, 1);
}

TEST_F(MailerLogFixture, SecondNewDayOfTheSameDateGetsAFreshList)
{
    log.SetDateLen(13);  // date and hour: each hour asks for a new day
    ASSERT_TRUE(Run(Lines({
        "2026-03-01 10:00:00 START out",
        "2026-03-01 10:00:01 ADDR 2:5030/9",
        "2026-03-01 10:00:09 RCVD 1000",
        "2026-03-01 10:00:10 END",
        "2026-03-01 10:30:00 START out",
        "2026-03-01 10:30:01 ADDR 2:5030/2",
        "2026-03-01 10:30:10 END",
        "2026-03-01 11:00:00 CALL 2:5030/4",
        "2026-03-01 11:00:01 START out",
        "2026-03-01 11:00:02 END",
    })));
    EXPECT_EQ(log.DayCount(), 1u);
    ASSERT_EQ(log.DayStatCount(), 2u);
    EXPECT_EQ(log.GetDay(0).NodeStats, &log.GetDayStats(1));
    const TNodeStatList& first = log.GetDayStats(0);
    ASSERT_EQ(first.Count(), 2u);
    EXPECT_EQ(first.SortOrder, nsoAddr);
    EXPECT_TRUE(EqualAddr(*first.GetItems(0).Addr, Addr("2:5030/2")));
    EXPECT_EQ(first.Total.CPS, 50);  // 1000 bytes in 20 seconds
    const TNodeStatList& second = log.GetDayStats(1);
    ASSERT_EQ(second.Count(), 1u);
    EXPECT_EQ(second.GetItems(0).Calls, 1);
    EXPECT_EQ(second.GetItems(0).OutSess, 1);
    // The new list marks the next session as the day's first again.
    EXPECT_TRUE(log.GetSess(2).Has(sfFirstOfDay));
    EXPECT_FALSE(log.GetSess(1).Has(sfFirstOfDay));

    // Called directly: the same day, another list.
    TNodeStatList* before = log.NodeStats;
    TLogDay& day = log.NewDay(99, EncodeDate(2026, 3, 1) + 0.9);
    EXPECT_EQ(&day, &log.GetDay(0));
    EXPECT_NE(log.NodeStats, before);
    EXPECT_EQ(day.NodeStats, log.NodeStats);
    EXPECT_EQ(log.NodeStats->Count(), 0u);
    EXPECT_EQ(log.DayStatCount(), 3u);
}

TEST_F(MailerLogFixture, SessOfLineAndIndexErrors)
{
    ASSERT_TRUE(Run(kOneDay));
    EXPECT_EQ(log.SessOfLine(3), -1);
    EXPECT_EQ(log.SessOfLine(4), 0);
    EXPECT_EQ(log.SessOfLine(8), 0);
    EXPECT_EQ(log.SessOfLine(9), -1);
    EXPECT_EQ(log.SessOfLine(12), 1);
    EXPECT_EQ(log.SessOfLine(15), 1);
    EXPECT_EQ(log.SessOfLine(16), -1);
    EXPECT_EQ(log.SessOfLine(-5), -1);

    try {
        log.GetSess(2);
        FAIL();
    } catch (const ELogError& e) {
        EXPECT_STREQ(e.what(), "TMailerLog.GetSess: session index out of bounds");
    }
    EXPECT_THROW(log.GetSess(static_cast<std::size_t>(-1)), ELogError);
    EXPECT_EQ(log.FreqCount(), 0u);
    try {
        log.GetFreq(0);
        FAIL();
    } catch (const ELogError& e) {
        EXPECT_STREQ(e.what(), "TMailerLog.GetFreq: freq index out of bounds");
    }
    EXPECT_THROW(log.GetFreqName(0), ELogError);
    EXPECT_THROW(log.GetDayStats(1), ELogError);
}

TEST_F(MailerLogFixture, MessagePrefixesFromTheMessageColumn)
{
    const std::string line = "2026-03-01 10:00:00 CALL 2:5030/1";
    EXPECT_TRUE(log.MsgIs(line, "CALL"));
    EXPECT_TRUE(log.MsgIs(line, "CALL 2:5030/1"));
    EXPECT_FALSE(log.MsgIs(line, "CALL 2:5030/12"));
    EXPECT_FALSE(log.MsgIs(line, "call"));
    EXPECT_FALSE(log.MsgIs(line, "10:00:00"));
    EXPECT_FALSE(log.MsgIs("short", "CALL"));
    EXPECT_FALSE(log.MsgIs("", "CALL"));
    EXPECT_TRUE(log.MsgIs(line.substr(0, 20), ""));
    // The blank after a prefix that does not end in one goes too.
    EXPECT_EQ(log.MsgAfter(line, "CALL"), "2:5030/1");
    EXPECT_EQ(log.MsgAfter(line, "CALL "), "2:5030/1");
    EXPECT_EQ(log.MsgAfter(line, "CALL 2:5030/1"), "");
    EXPECT_EQ(log.MsgAfter("2026", "CALL"), "");
    EXPECT_EQ(log.MsgAfter(line, ""), "ALL 2:5030/1");  // an empty prefix still takes its separator
    log.MsgCol = 1;
    EXPECT_TRUE(log.MsgIs("BUSY", "BUSY"));
    EXPECT_EQ(log.MsgAfter("Connect 9600", "Connect"), "9600");
}

TEST_F(MailerLogFixture, LineErrorsAreCountedReportedAndAsked)
{
    const std::string text = Lines({
        "2026-03-01 10:00:00 START in",
        "2026-03-01 10:00:01 BOOM parser lost its way",
        "2026-13-45 10:00:02 START out",  // the date cannot be read
        "2026-03-01 10:00:03 ADDR 2:5030/1",
        "2026-03-01 10:00:04 END",
    });
    ASSERT_TRUE(Run(text));
    // The bad date fails in the day split and again in the parser's time stamp.
    EXPECT_EQ(log.ErrorCount, 3);
    ASSERT_EQ(window.errors.size(), 3u);
    EXPECT_EQ(window.errors[0], (std::pair<std::int64_t, std::string>{2, "parser lost its way"}));
    EXPECT_EQ(window.errors[1].first, 3);
    EXPECT_NE(window.errors[1].second.find("3"), std::string::npos);
    EXPECT_EQ(window.errors[2].first, 3);
    EXPECT_EQ(window.asked, window.errors);
    EXPECT_EQ(log.SessCount(), 1u);  // the rest of the log was still read
    EXPECT_EQ(log.parsed.size(), 5u);

    // With the language file the day split reports text 94.
    LoadLng(kEngLng);
    window.errors.clear();
    window.asked.clear();
    ASSERT_TRUE(Run(text));
    EXPECT_EQ(window.errors[1].second, "Line 3 could not be analysed: its date cannot be read.");

    // Stop at the first one.
    window.goOn = false;
    window.errors.clear();
    window.asked.clear();
    log.parsed.clear();
    EXPECT_FALSE(Run(text));
    EXPECT_FALSE(log.AnalysisRunning);
    EXPECT_EQ(log.ErrorCount, 1);
    EXPECT_EQ(window.asked.size(), 1u);
    EXPECT_EQ(log.parsed, (std::vector<std::int64_t>{1, 2}));
    EXPECT_EQ(log.SessCount(), 0u);
}

TEST_F(MailerLogFixture, SkipErrorsCountsWithoutAsking)
{
    Settings().SkipErrors = true;
    window.goOn = false;  // would stop, if asked
    std::string text;
    for (int i = 0; i < 5; ++i)
        text += "2026-03-01 10:00:0" + std::to_string(i) + " BOOM number " + std::to_string(i) + "\n";
    ASSERT_TRUE(Run(text + "2026-03-01 10:00:09 START in\n2026-03-01 10:00:10 END\n"));
    EXPECT_EQ(log.ErrorCount, 5);
    EXPECT_EQ(window.errors.size(), 5u);
    EXPECT_EQ(window.errors[4], (std::pair<std::int64_t, std::string>{5, "number 4"}));
    EXPECT_TRUE(window.asked.empty());
    EXPECT_EQ(log.SessCount(), 1u);
    EXPECT_TRUE(dialogs.Shown.empty());
    // The next analysis counts afresh.
    ASSERT_TRUE(Run("2026-03-01 10:00:00 START in\n"));
    EXPECT_EQ(log.ErrorCount, 0);
}

TEST_F(MailerLogFixture, DefaultQuestionGoesToTheLineAndAsks)
{
    AskingWindow asking;
    log.Window = &asking;
    TBatchDialogs cancel(mrCancel, true);
    SetDialogs(&cancel);
    EXPECT_FALSE(Run(Lines({"2026-03-01 10:00:00 START in", "2026-03-01 10:00:01 BOOM broken record"})));
    EXPECT_EQ(asking.wentTo, 2);
    ASSERT_EQ(cancel.Shown.size(), 1u);
    EXPECT_EQ(cancel.Shown[0].type, TMsgDlgType::mtError);
    EXPECT_EQ(cancel.Shown[0].buttons, mbOKCancel);
    EXPECT_NE(cancel.Shown[0].text.find("broken record"), std::string::npos);
    EXPECT_NE(cancel.Shown[0].text.find("2"), std::string::npos);
    EXPECT_EQ(log.ErrorCount, 1);

    TBatchDialogs ok(mrOk, true);
    SetDialogs(&ok);
    EXPECT_TRUE(Run(Lines({"2026-03-01 10:00:01 BOOM one", "2026-03-01 10:00:02 BOOM two"})));
    EXPECT_EQ(ok.Shown.size(), 2u);
    EXPECT_EQ(log.ErrorCount, 2);
}

TEST_F(MailerLogFixture, NoWindowOrAbortStopsTheAnalysis)
{
    // The window goes away while a line fails: stop, nothing counted or asked.
    EXPECT_FALSE(Run(Lines({"2026-03-01 10:00:00 START in", "2026-03-01 10:00:01 DROPWINDOW",
                            "2026-03-01 10:00:02 END"})));
    EXPECT_EQ(log.ErrorCount, 0);
    EXPECT_TRUE(window.asked.empty());
    EXPECT_EQ(log.parsed.size(), 2u);
    EXPECT_FALSE(log.AnalysisRunning);

    log.parsed.clear();
    EXPECT_FALSE(Run(kOneDay));  // still no window
    EXPECT_TRUE(log.parsed.empty());

    log.Window = &window;
    log.parsed.clear();
    EXPECT_FALSE(Run(Lines({"2026-03-01 10:00:00 ABORT", "2026-03-01 10:00:01 START in"})));
    EXPECT_EQ(log.parsed.size(), 1u);
    EXPECT_FALSE(log.AbortRequest);
    EXPECT_FALSE(log.AnalysisRunning);
}

TEST_F(MailerLogFixture, ConfigErrorWithALineEndsAfterOneDialog)
{
    LoadLng(kEngLng);
    log.config = TestLog::Config::ParserErrorAtLine;
    EXPECT_FALSE(Run(kOneDay));
    ASSERT_EQ(dialogs.Shown.size(), 1u);
    EXPECT_EQ(dialogs.Shown[0].type, TMsgDlgType::mtError);
    EXPECT_EQ(dialogs.Shown[0].buttons, static_cast<unsigned>(mbOK));
    EXPECT_EQ(dialogs.Shown[0].text, "Error in configuration file /etc/fido/t-mail.ctl, line 12:\nUnknown keyword Foo");
    EXPECT_EQ(log.lngLoads, 0);
    EXPECT_TRUE(log.parsed.empty());
    EXPECT_EQ(log.SessCount(), 0u);
    EXPECT_FALSE(log.AnalysisRunning);
}

TEST_F(MailerLogFixture, ConfigErrorWithoutALineAndOtherErrors)
{
    LoadLng(kEngLng);
    // Results of an earlier analysis go: the failed one starts with a reset.
    ASSERT_TRUE(Run(kOneDay));
    ASSERT_EQ(log.SessCount(), 2u);
    log.config = TestLog::Config::ParserErrorNoLine;
    EXPECT_FALSE(Run(kOneDay));
    ASSERT_EQ(dialogs.Shown.size(), 1u);
    EXPECT_EQ(dialogs.Shown[0].text, "Error reading the mailer configuration:\nCannot open file /etc/fido/t-mail.ctl");
    EXPECT_EQ(log.SessCount(), 0u);
    EXPECT_EQ(log.DayStatCount(), 0u);

    log.config = TestLog::Config::OtherError;
    EXPECT_FALSE(Run(kOneDay));
    ASSERT_EQ(dialogs.Shown.size(), 2u);
    EXPECT_EQ(dialogs.Shown[1].text, "Error reading the mailer configuration:\ndisk on fire");
    EXPECT_EQ(dialogs.Shown[1].type, TMsgDlgType::mtError);

    // Without a language file the messages still say what happened.
    UnloadLng();
    log.config = TestLog::Config::ParserErrorAtLine;
    EXPECT_FALSE(Run(kOneDay));
    ASSERT_EQ(dialogs.Shown.size(), 3u);
    const std::string& t = dialogs.Shown[2].text;
    EXPECT_NE(t.find("/etc/fido/t-mail.ctl"), std::string::npos);
    EXPECT_NE(t.find("12"), std::string::npos);
    EXPECT_NE(t.find("Unknown keyword Foo"), std::string::npos);
}

// The user must learn which language file is missing or damaged: one error box.
TEST_F(MailerLogFixture, LanguageFileErrorEndsWithOneErrorBox)
{
    log.lngFails = true;
    EXPECT_FALSE(Run(kOneDay));
    ASSERT_EQ(dialogs.Shown.size(), 1u);
    EXPECT_EQ(dialogs.Shown[0].type, TMsgDlgType::mtError);
    EXPECT_TRUE(log.parsed.empty());
    EXPECT_EQ(log.configReads, 1);
    EXPECT_TRUE(window.asked.empty());
    log.lngFails = false;
    EXPECT_TRUE(Run(kOneDay));
}

TEST_F(MailerLogFixture, ProgressEveryHundredLines)
{
    std::string text;
    for (int i = 0; i < 250; ++i)
        text += "2026-03-01 10:00:00 nothing\n";
    std::vector<std::int64_t> progress;
    log.SetText(text);
    ASSERT_TRUE(log.Analyse([&](std::int64_t n) { progress.push_back(n); }));
    EXPECT_EQ(progress, (std::vector<std::int64_t>{100, 200}));
}

TEST_F(MailerLogFixture, AnalysingAgainGivesTheSameResults)
{
    // The log ends with a call placed and a phone read, both waiting for a session.
    const std::string text = Lines({
        "2026-03-01 10:00:00 START in",
        "2026-03-01 10:00:01 ADDR 2:463/68",
        "2026-03-01 10:00:11 END",
        "2026-03-01 10:00:12 FREQ FILES 2:463/68",
        "2026-03-01 10:00:13 CALL 2:5030/1",
        "2026-03-01 10:00:14 PHONE 7-095-111",
    });
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        // Round 1 analyses the text still in memory; round 2 reads it afresh.
        if (round == 1)
            ASSERT_TRUE(log.Analyse({}));
        else
            ASSERT_TRUE(Run(text));
        ASSERT_EQ(log.SessCount(), 1u);
        EXPECT_EQ(log.FreqCount(), 1u);
        EXPECT_EQ(log.Requesters().Count(), 1);
        // Nothing of an earlier analysis leaks into the next one.
        EXPECT_TRUE(log.GetSess(0).Phone.empty());
        EXPECT_TRUE(log.GetSess(0).Has(sfFirstOfDay));
        ASSERT_EQ(log.DayStatCount(), 1u);
        const TNodeStat* in = StatOf(log.GetDayStats(0), "2:463/68");
        ASSERT_NE(in, nullptr);
        EXPECT_EQ(in->InSess, 1);
        const TNodeStat* called = StatOf(log.GetDayStats(0), "2:5030/1");
        ASSERT_NE(called, nullptr);
        EXPECT_EQ(called->InSess, 0);
        EXPECT_EQ(called->Calls, 1);
    }
}

TEST_F(MailerLogFixture, AnalysisAfterAStopReadsTheWholeText)
{
    window.goOn = false;
    const std::string text = Lines({
        "2026-03-01 10:00:00 START in",
        "2026-03-01 10:00:01 ADDR 2:463/68",
        "2026-03-01 10:00:02 BOOM once",
        "2026-03-01 10:00:11 END",
    });
    EXPECT_FALSE(Run(text));
    window.goOn = true;
    log.parsed.clear();
    ASSERT_TRUE(log.Analyse({}));
    EXPECT_EQ(log.parsed, (std::vector<std::int64_t>{1, 2, 3, 4}));
    EXPECT_EQ(log.SessCount(), 1u);
}

TEST_F(MailerLogFixture, RepeatedRequestIsOneRecordWithTheLaterLine)
{
    ASSERT_TRUE(Run(Lines({
        "2026-03-01 10:00:00 FREQ  nodelist.zip 2:5030/1",
        "2026-03-01 10:00:01 FREQ FILES 2:5030/2",
        "2026-03-01 10:00:02 FREQ NODELIST.ZIP 2:5030/1",
        "2026-03-01 10:00:03 FREQ NodeList.Zip 2:5030/1.0",
        "2026-03-01 10:00:04 FREQ NODELIST.ZIP 2:5030/1.1",
    })));
    ASSERT_EQ(log.FreqCount(), 3u);
    EXPECT_EQ(log.GetFreqName(0), "NODELIST.ZIP");
    EXPECT_EQ(log.GetFreq(0).LineNo, 4);
    EXPECT_EQ(log.GetFreq(0).RealName, "NODELIST.ZIP");
    EXPECT_FALSE(log.GetFreq(0).Sent);
    EXPECT_TRUE(log.GetFreq(0).Path.empty());
    EXPECT_EQ(log.GetFreq(1).Name, "FILES");
    EXPECT_EQ(log.GetFreq(2).LineNo, 5);
    EXPECT_TRUE(EqualAddr(*log.GetFreq(2).Addr, Addr("2:5030/1.1")));
    ASSERT_EQ(log.Requesters().Count(), 3);
    EXPECT_TRUE(EqualAddr(log.Requesters().GetAddr(0), Addr("2:5030/1")));
    EXPECT_TRUE(EqualAddr(log.Requesters().GetAddr(1), Addr("2:5030/2")));

    // Names are trimmed and upper-cased; a blank name is no request.
    log.AddFreq(" \tfiles\r ", Addr("2:5030/2"));
    EXPECT_EQ(log.FreqCount(), 3u);
    EXPECT_EQ(log.GetFreq(1).LineNo, log.LineNo);
    log.AddFreq("  \t ", Addr("2:5030/1"));
    EXPECT_EQ(log.FreqCount(), 3u);
    // Only ASCII letters change: not the bytes next to them, nor those above 127.
    for (std::string name : {std::string("`az{@AZ[\xE1\xFA mixed-Case.name"), std::string("b`z{\xE1")}) {
        SCOPED_TRACE(name);
        log.AddFreq(name, Addr("2:5030/3"));
        EXPECT_EQ(log.GetFreq(log.FreqCount() - 1).Name, UpperCaseAscii(name));
    }
    EXPECT_EQ(log.FreqCount(), 5u);
}

TEST_F(MailerLogFixture, AliasesResolveRequestsAndSends)
{
    log.configAliases = {{"files", "c:\\lists\\allfiles.zip"}, {"NODELIST", "NODELIST.ZIP"},
                         {"Files", "D:\\NEW\\FILES.RAR"}};  // the later one wins
    log.AutoNew = true;
    log.LastStr = "2026-03-01 10:00:00 ";
    ASSERT_TRUE(Run(Lines({
        "2026-03-01 10:00:00 FREQ Files 2:5030/1",
        "2026-03-01 10:00:01 FREQ nodelist 2:5030/1",
        "2026-03-01 10:00:02 SENDFILE files.rar D:\\NEW\\FILES.RAR 2:5030/1",
        "2026-03-01 10:00:03 SENDFILE FILES.RAR D:\\NEW\\FILES.RAR 2:5030/1",  // again: no new record
    })));
    ASSERT_EQ(log.Aliases().size(), 2u);
    const TFreqAlias& files = log.Aliases().at("FILES");
    EXPECT_EQ(files.Target, "D:\\NEW\\FILES.RAR");
    EXPECT_EQ(files.FileName, "FILES.RAR");
    EXPECT_EQ(log.Aliases().at("NODELIST").FileName, "NODELIST.ZIP");

    ASSERT_EQ(log.FreqCount(), 2u);
    EXPECT_EQ(log.GetFreq(0).Name, "FILES");
    EXPECT_EQ(log.GetFreq(0).RealName, "FILES.RAR");
    EXPECT_TRUE(log.GetFreq(0).Sent);
    EXPECT_TRUE(log.GetFreq(0).IsNew);
    EXPECT_EQ(log.GetFreq(0).LineNo, 4);
    EXPECT_EQ(log.GetFreq(0).Path, "D:\\NEW\\FILES.RAR");
    EXPECT_EQ(log.GetFreq(1).RealName, "NODELIST.ZIP");
    EXPECT_FALSE(log.GetFreq(1).Sent);
    ASSERT_EQ(log.DLCList().size(), 1u);
    EXPECT_EQ(log.DLCList()[0].FileName, "FILES.RAR");
    EXPECT_EQ(log.DLCList()[0].Dir, "D:\\NEW\\");
    EXPECT_EQ(log.DLCList()[0].Log, &log);
}

TEST_F(MailerLogFixture, MaskServedWithThreeFiles)
{
    log.AutoNew = true;
    log.LastStr = "2026-03-01 10:00:00 ";
    ASSERT_TRUE(Run(Lines({
        "2026-03-01 10:00:00 FREQ *.zip 2:5030/1",
        "2026-03-01 10:00:01 SENDFILE a.zip /srv/files/a.zip 2:5030/1",
        "2026-03-01 10:00:02 SENDFILE B.ZIP /srv/files/B.ZIP 2:5030/1",
        "2026-03-01 10:00:03 SENDFILE C.ZIP /srv/other/C.ZIP 2:5030/1",
        "2026-03-01 10:00:04 SENDFILE D.ARJ /srv/files/D.ARJ 2:5030/1",  // the mask does not match
        "2026-03-01 10:00:05 SENDFILE E.ZIP /srv/files/E.ZIP 2:5030/2",  // nor does the node
    })));
    ASSERT_EQ(log.FreqCount(), 3u);
    const char* names[] = {"A.ZIP", "B.ZIP", "C.ZIP"};
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(log.GetFreqName(i), "*.ZIP");
        EXPECT_EQ(log.GetFreq(i).RealName, names[i]);
        EXPECT_TRUE(log.GetFreq(i).Sent);
        EXPECT_TRUE(log.GetFreq(i).IsNew);
        EXPECT_EQ(log.GetFreq(i).LineNo, static_cast<std::int64_t>(i) + 2);
        EXPECT_TRUE(EqualAddr(*log.GetFreq(i).Addr, Addr("2:5030/1")));
    }
    EXPECT_EQ(log.GetFreq(0).Path, "/srv/files/a.zip");
    EXPECT_EQ(log.GetFreq(2).Path, "/srv/other/C.ZIP");
    EXPECT_EQ(DLCNames(), (std::vector<std::string>{"A.ZIP", "B.ZIP", "C.ZIP"}));
    EXPECT_EQ(log.DLCList()[2].Dir, "/srv/other/");
    EXPECT_EQ(log.Requesters().Count(), 1);
}

TEST_F(MailerLogFixture, QuestionMarkMaskAndLastMatchingRequest)
{
    ASSERT_TRUE(Run(Lines({
        "2026-03-01 10:00:00 FREQ *.ZIP 2:5030/1",
        "2026-03-01 10:00:01 FREQ A.ZIP 2:5030/1",
        "2026-03-01 10:00:02 FREQ NL.Z?? 2:5030/1",
        "2026-03-01 10:00:03 SENDFILE A.ZIP A.ZIP 2:5030/1",
        "2026-03-01 10:00:04 SENDFILE NL.Z10 C:\\NL\\NL.Z10 2:5030/1",
        "2026-03-01 10:00:05 SENDFILE NL.Z11 C:\\NL\\NL.Z11 2:5030/1",
        "2026-03-01 10:00:06 SENDFILE A.ZIP A.ZIP 2:5030/1.3",  // another point: no request
    })));
    ASSERT_EQ(log.FreqCount(), 4u);
    // The send goes to the latest request that covers it: the exact one, not the mask.
    EXPECT_FALSE(log.GetFreq(0).Sent);
    EXPECT_TRUE(log.GetFreq(1).Sent);
    EXPECT_EQ(log.GetFreq(1).LineNo, 4);
    EXPECT_EQ(log.GetFreq(2).RealName, "NL.Z10");
    EXPECT_EQ(log.GetFreq(3).Name, "NL.Z??");
    EXPECT_EQ(log.GetFreq(3).RealName, "NL.Z11");
    // No new part was found: nothing is new, and UpdateDLC is off.
    EXPECT_TRUE(log.DLCList().empty());
    EXPECT_FALSE(log.GetFreq(1).IsNew);
}

TEST_F(MailerLogFixture, MasksEndingInAStarOrAQuestionMark)
{
    ASSERT_TRUE(Run(Lines({
        "2026-03-01 10:00:00 FREQ F* 2:5030/2",
        "2026-03-01 10:00:01 FREQ *.Z?P 2:5030/3",
        "2026-03-01 10:00:02 SENDFILE FILE.ARJ FILE.ARJ 2:5030/2",
        "2026-03-01 10:00:03 SENDFILE B.ZAPX B.ZAPX 2:5030/3",  // longer than the mask's end
        "2026-03-01 10:00:04 SENDFILE B.ZOP B.ZOP 2:5030/3",
        "2026-03-01 10:00:05 SENDFILE ZOP ZOP 2:5030/3",  // shorter than the mask's end
    })));
    ASSERT_EQ(log.FreqCount(), 2u);
    EXPECT_TRUE(log.GetFreq(0).Sent);
    EXPECT_EQ(log.GetFreq(0).RealName, "FILE.ARJ");
    EXPECT_TRUE(log.GetFreq(1).Sent);
    EXPECT_EQ(log.GetFreq(1).RealName, "B.ZOP");
    EXPECT_EQ(log.GetFreq(1).LineNo, 5);
}

// A sent file is tested against a node's requests by its first and last bytes in
// any case before its name is upper-cased and looked up: names and masks that agree
// there but not elsewhere, or only when case is ignored, must still be told apart.
TEST_F(MailerLogFixture, SentFilesAlikeAtTheirEndsOrInAnotherCase)
{
    ASSERT_TRUE(Run(Lines({
        "2026-03-01 10:00:00 FREQ fidonews-2026-01-issue.zip 2:5030/1",  // 1
        "2026-03-01 10:00:01 FREQ FILE@LIST.ZIP 2:5030/1",               // 2
        "2026-03-01 10:00:02 FREQ NEWS@*.TXT 2:5030/2",                  // 3
        "2026-03-01 10:00:03 FREQ ?ODE*.A?2 2:5030/3",                   // 4
        "2026-03-01 10:00:04 FREQ FIDONEWS-2026* 2:5030/4",              // 5: more than a word before the "*"
        "2026-03-01 10:00:05 FREQ N*D*.* 2:5030/5",                      // 6: two stars
        "2026-03-01 10:00:06 FREQ NODELIST.Z?? 2:5030/6",                // 7: no star
        // Alike in their first and last eight bytes, or alike with bit 5 set in every byte.
        "2026-03-01 10:00:07 SENDFILE FIDONEWS-2026-02-ISSUE.ZIP x 2:5030/1",
        "2026-03-01 10:00:08 SENDFILE FILE`LIST.ZIP x 2:5030/1",
        "2026-03-01 10:00:09 SENDFILE NEWS`2026.TXT x 2:5030/2",
        "2026-03-01 10:00:10 SENDFILE MODEDIFF.A53 x 2:5030/3",
        "2026-03-01 10:00:11 SENDFILE FIDONEWS-2025-01.ZIP x 2:5030/4",
        "2026-03-01 10:00:12 SENDFILE NODELIST.Z451 x 2:5030/6",
        "2026-03-01 10:00:13 SENDFILE NOWHERE.TXT x 2:5030/5",  // no "D" between the stars
        // The files asked for, in other cases.
        "2026-03-01 10:00:14 SENDFILE FidoNews-2026-01-Issue.Zip a 2:5030/1",  // 15
        "2026-03-01 10:00:15 SENDFILE file@list.zip b 2:5030/1",               // 16
        "2026-03-01 10:00:16 SENDFILE news@2026.txt c 2:5030/2",               // 17
        "2026-03-01 10:00:17 SENDFILE nodediff.a52 d 2:5030/3",                // 18
        "2026-03-01 10:00:18 SENDFILE fidonews-2026-01.zip e 2:5030/4",        // 19
        "2026-03-01 10:00:19 SENDFILE nodelist.z45 f 2:5030/5",                // 20
        "2026-03-01 10:00:20 SENDFILE nodelist.z45 g 2:5030/6",                // 21
    })));
    ASSERT_EQ(log.FreqCount(), 7u);
    EXPECT_EQ(log.GetFreq(0).Name, "FIDONEWS-2026-01-ISSUE.ZIP");
    const char* realNames[] = {"FIDONEWS-2026-01-ISSUE.ZIP", "FILE@LIST.ZIP", "NEWS@2026.TXT", "NODEDIFF.A52",
                               "FIDONEWS-2026-01.ZIP", "NODELIST.Z45", "NODELIST.Z45"};
    const char* paths[] = {"a", "b", "c", "d", "e", "f", "g"};
    for (std::size_t i = 0; i < 7; ++i) {
        SCOPED_TRACE(i);
        const TFreq& f = log.GetFreq(i);
        EXPECT_TRUE(f.Sent);
        EXPECT_EQ(f.RealName, realNames[i]);
        EXPECT_EQ(f.LineNo, static_cast<std::int64_t>(i) + 15);
        EXPECT_EQ(f.Path, paths[i]);
    }

    // Blanks and control characters around the name, and names of one to three bytes.
    log.AddFreq("F*", Addr("2:5030/7"));
    log.FreqSent(" \tf\r ", "h", Addr("2:5030/7"));
    log.FreqSent("FAB", "i", Addr("2:5030/7"));
    log.FreqSent("X", "j", Addr("2:5030/7"));
    ASSERT_EQ(log.FreqCount(), 9u);
    EXPECT_EQ(log.GetFreq(7).RealName, "F");
    EXPECT_EQ(log.GetFreq(8).Name, "F*");
    EXPECT_EQ(log.GetFreq(8).RealName, "FAB");
}

// A request under an address mask and the node's own requests of the same mask: a
// file goes to the latest of them, and the records of further files join the node's.
TEST_F(MailerLogFixture, MaskRequestsOfTheNodeAndUnderAnAddressMask)
{
    TFidoAddr net = Addr("2:5030/1");
    net.Node = kAddrAny;
    net.Point = kAddrAny;  // 2:5030/*
    log.AddFreqAlias("NEWFILES", "C:\\LISTS\\ALLFILES.ZIP");
    log.LineNo = 1;
    log.AddFreq("*.zip", Addr("2:5030/1"));   // 0
    log.LineNo = 2;
    log.AddFreq("*.ZIP", net);                // 1
    log.LineNo = 3;
    log.AddFreq("newfiles", Addr("2:5030/2"));  // 2
    log.LineNo = 4;
    log.FreqSent("a.zip", "A", Addr("2:5030/1"));   // the later request, under the mask
    log.LineNo = 5;
    log.FreqSent("b.zip", "B", Addr("2:5030/1"));   // 3: another file for it, the node's now
    log.LineNo = 6;
    log.FreqSent("c.zip", "C", Addr("2:5030/1"));   // 4: after the node's record 3
    log.LineNo = 7;
    log.FreqSent("AllFiles.Zip", "D", Addr("2:5030/2"));  // the alias's file, not the mask
    log.LineNo = 8;
    log.FreqSent("E.ZIP", "E", Addr("2:5030/9"));   // a node that asked for nothing itself
    log.LineNo = 9;
    log.FreqSent("F.ZIP", "F", Addr("2:463/1"));    // outside the mask
    ASSERT_EQ(log.FreqCount(), 6u);
    EXPECT_FALSE(log.GetFreq(0).Sent);
    EXPECT_EQ(log.GetFreq(0).RealName, "*.ZIP");
    EXPECT_EQ(log.GetFreq(1).RealName, "A.ZIP");
    EXPECT_EQ(log.GetFreq(1).LineNo, 4);
    EXPECT_EQ(log.GetFreq(2).RealName, "ALLFILES.ZIP");
    EXPECT_EQ(log.GetFreq(2).Path, "D");
    EXPECT_EQ(log.GetFreq(3).RealName, "B.ZIP");
    EXPECT_EQ(log.GetFreq(4).RealName, "C.ZIP");
    EXPECT_EQ(log.GetFreq(5).RealName, "E.ZIP");
    for (std::size_t i : {3u, 4u, 5u}) {
        SCOPED_TRACE(i);
        EXPECT_EQ(log.GetFreq(i).Name, "*.ZIP");
        EXPECT_TRUE(log.GetFreq(i).Sent);
    }
    EXPECT_TRUE(EqualAddr(*log.GetFreq(3).Addr, Addr("2:5030/1")));
    EXPECT_TRUE(EqualAddr(*log.GetFreq(5).Addr, Addr("2:5030/9")));
    // The node asks again: its latest record of the mask gets the line.
    log.LineNo = 10;
    log.AddFreq("*.ZIP", Addr("2:5030/1"));
    EXPECT_EQ(log.GetFreq(4).LineNo, 10);
    EXPECT_EQ(log.FreqCount(), 6u);
}

TEST_F(MailerLogFixture, UpdateDLCWithoutTheRememberedLine)
{
    const std::string text = Lines({
        "2026-03-01 10:00:00 FREQ *.ZIP 2:5030/1",
        "2026-03-01 10:00:01 FREQ UNSENT.TXT 2:5030/1",
        "2026-03-01 10:00:02 FREQ LIST.TXT 2:5030/2",
        "2026-03-01 10:00:03 SENDFILE A.ZIP C:\\F\\A.ZIP 2:5030/1",
        "2026-03-01 10:00:04 SENDFILE B.ZIP C:\\F\\B.ZIP 2:5030/1",
        "2026-03-01 10:00:05 SENDFILE LIST.TXT C:\\L\\LIST.TXT 2:5030/2",
        "2026-03-01 10:00:06 SENDFILE LIST.TXT C:\\L\\LIST.TXT 2:5030/2",
    });
    log.UpdateDLC = true;
    for (bool autoNew : {false, true}) {
        SCOPED_TRACE(autoNew);
        log.AutoNew = autoNew;
        log.LastStr = "no line starts so";
        ASSERT_TRUE(Run(text));
        EXPECT_EQ(log.NewPartLine, 0);
        EXPECT_EQ(log.FirstNewSess, -1);
        EXPECT_EQ(log.FirstNewFreq, -1);
        // One increment per sent request, in request order.
        EXPECT_EQ(DLCNames(), (std::vector<std::string>{"A.ZIP", "LIST.TXT", "B.ZIP"}));
        EXPECT_EQ(log.DLCList()[1].Dir, "C:\\L\\");
    }
    log.UpdateDLC = false;
    ASSERT_TRUE(Run(text));
    EXPECT_TRUE(log.DLCList().empty());
}

TEST_F(MailerLogFixture, NewPartCountsAndIncrementsFromTheRememberedLine)
{
    const std::string text = Lines({
        "2026-03-01 10:00:00 START in",
        "2026-03-01 10:00:01 ADDR 2:5030/1",
        "2026-03-01 10:00:02 FREQ A.ZIP 2:5030/1",
        "2026-03-01 10:00:03 FREQ B.ZIP 2:5030/1",
        "2026-03-01 10:00:04 SENDFILE A.ZIP C:\\F\\A.ZIP 2:5030/1",
        "2026-03-01 10:00:05 END",
        "2026-03-01 11:00:00 START in",        // still open at the remembered line
        "2026-03-01 11:00:01 ADDR 2:5030/1",
        "2026-03-01 11:00:02 SENDFILE B.ZIP C:\\F\\B.ZIP 2:5030/1",  // the remembered line
        "2026-03-01 11:00:03 FREQ C.ZIP 2:5030/1",
        "2026-03-01 11:00:04 SENDFILE C.ZIP C:\\G\\C.ZIP 2:5030/1",
        "2026-03-01 11:00:05 SENDFILE A.ZIP C:\\F\\A.ZIP 2:5030/1",  // sent before: no increment
        "2026-03-01 11:00:06 END",
    });
    log.AutoNew = true;
    log.UpdateDLC = true;
    log.LastStr = "2026-03-01 11:00:02 ";
    ASSERT_TRUE(Run(text));
    EXPECT_EQ(log.NewPartLine, 9);
    EXPECT_TRUE(log.IsNew);
    EXPECT_EQ(log.FirstNewSess, 1);
    EXPECT_EQ(log.FirstNewFreq, 2);
    EXPECT_EQ(DLCNames(), (std::vector<std::string>{"B.ZIP", "C.ZIP"}));
    EXPECT_TRUE(log.GetFreq(0).IsNew);  // its second send was in the new part
    EXPECT_TRUE(log.GetFreq(1).IsNew);

    // A later analysis that does not find the line keeps the counts; with a line
    // once found, the whole-log increments are not made.
    ASSERT_TRUE(Run(Lines({"2026-03-02 10:00:00 FREQ X.ZIP 2:5030/1",
                           "2026-03-02 10:00:01 SENDFILE X.ZIP C:\\X.ZIP 2:5030/1"})));
    EXPECT_EQ(log.NewPartLine, 9);
    EXPECT_EQ(log.FirstNewSess, 1);
    EXPECT_EQ(log.FirstNewFreq, 2);
    EXPECT_FALSE(log.IsNew);
    EXPECT_TRUE(log.DLCList().empty());

    // Reset forgets the results but not the remembered counts.
    log.Reset();
    EXPECT_EQ(log.FreqCount(), 0u);
    EXPECT_EQ(log.SessCount(), 0u);
    EXPECT_EQ(log.DayStatCount(), 0u);
    EXPECT_EQ(log.NodeStats, nullptr);
    EXPECT_EQ(log.Requesters().Count(), 0);
    EXPECT_EQ(log.FirstNewFreq, 2);
    EXPECT_EQ(log.NewPartLine, 9);
}

TEST_F(MailerLogFixture, AliasRegistrationReplacesTargets)
{
    log.AddFreqAlias("magic", "c:\\dir\\sub\\file.zip");
    log.AddFreqAlias("MAGIC", "plain.zip");
    log.AddFreqAlias("other", "c:\\trailing\\");
    log.AddFreqAlias("", "x");
    log.AddFreqAlias("y", "");
    ASSERT_EQ(log.Aliases().size(), 2u);
    EXPECT_EQ(log.Aliases().at("MAGIC").Target, "PLAIN.ZIP");
    EXPECT_EQ(log.Aliases().at("MAGIC").FileName, "PLAIN.ZIP");
    EXPECT_EQ(log.Aliases().at("OTHER").FileName, "");
}

TEST_F(MailerLogFixture, AliasFileWithCommentsParenthesesAndBadLines)
{
    LoadLng(kEngLng);
    const std::string path = Write("alias.lst", "; freq aliases\r\n"
                                                "\r\n"
                                                "   FILES   C:\\LISTS\\ALLFILES.ZIP\r\n"
                                                "@nodelist\tc:\\nl\\nodelist.zip ; comment\n"
                                                "NEWS (the daily news) C:\\NEWS\\NEWS.TXT\r"
                                                "LONELY\r\n"
                                                "(only a comment)\n"
                                                "@\n"
                                                "open (never closed c:\\x\\y.zip\n"
                                                "files c:\\lists\\files.rar\n");
    log.ReadAliasFile(path);
    EXPECT_EQ(log.Aliases().size(), 4u);
    EXPECT_EQ(log.Aliases().at("FILES").Target, "C:\\LISTS\\FILES.RAR");
    EXPECT_EQ(log.Aliases().at("NODELIST").FileName, "NODELIST.ZIP");
    EXPECT_EQ(log.Aliases().at("NEWS").Target, "C:\\NEWS\\NEWS.TXT");
    EXPECT_EQ(log.Aliases().at("OPEN").Target, "(NEVER");
    // Three bad lines, each a warning; the rest is still read.
    ASSERT_EQ(dialogs.Shown.size(), 3u);
    for (const TDialogRequest& d : dialogs.Shown) {
        EXPECT_EQ(d.type, TMsgDlgType::mtWarning);
        EXPECT_EQ(d.buttons, static_cast<unsigned>(mbOK));
    }
    EXPECT_EQ(dialogs.Shown[0].text, "Invalid line in the file-request alias file:\nLONELY");
    EXPECT_NE(dialogs.Shown[1].text.find("(only a comment)"), std::string::npos);
}

TEST_F(MailerLogFixture, AliasFileMissingOrUnreadable)
{
    LoadLng(kEngLng);
    const std::string missing = (dir / "no-such-file.lst").string();
    log.ReadAliasFile(missing);
    ASSERT_EQ(dialogs.Shown.size(), 1u);
    EXPECT_EQ(dialogs.Shown[0].text, "Cannot open file-request alias file " + missing);
    EXPECT_EQ(dialogs.Shown[0].type, TMsgDlgType::mtWarning);
    EXPECT_TRUE(log.Aliases().empty());

    log.ReadAliasFile(dir.string());  // a directory cannot be read as a file
    EXPECT_EQ(dialogs.Shown.size(), 2u);
    EXPECT_TRUE(log.Aliases().empty());

    // Read from the configuration: the analysis goes on after the warning.
    log.aliasFile = missing;
    EXPECT_TRUE(Run(kOneDay));
    EXPECT_EQ(dialogs.Shown.size(), 3u);
    EXPECT_EQ(log.SessCount(), 2u);
}

TEST_F(MailerLogFixture, AliasFileWithLongLinesAndGarbage)
{
    const std::string longTarget = "C:\\" + std::string(100000, 'd') + "\\BIG.ZIP";
    std::string bytes = "BIG " + longTarget + "\n" + std::string(300000, 'x') + "\n" + "SMALL s.zip\n";
    std::mt19937 rng(12345);
    for (int i = 0; i < 20000; ++i)
        bytes += static_cast<char>(rng() & 0xff);
    bytes += "\nLAST last.zip";  // no final line end
    log.ReadAliasFile(Write("garbage.lst", bytes));
    EXPECT_EQ(log.Aliases().at("BIG").FileName, "BIG.ZIP");
    EXPECT_EQ(log.Aliases().at("BIG").Target.size(), longTarget.size());
    EXPECT_EQ(log.Aliases().at("SMALL").Target, "S.ZIP");
    EXPECT_EQ(log.Aliases().at("LAST").Target, "LAST.ZIP");
    EXPECT_GE(dialogs.Shown.size(), 1u);
    for (const auto& [alias, a] : log.Aliases()) {
        EXPECT_FALSE(alias.empty());
        EXPECT_FALSE(a.Target.empty());
        EXPECT_EQ(alias.find_first_of(" \t\r\n"), std::string::npos);
        EXPECT_EQ(a.Target.find_first_of(" \t\r\n"), std::string::npos);
        EXPECT_EQ(alias, UpperCaseAscii(alias));
    }

    // An empty file and one of line ends only give nothing, quietly.
    const std::size_t before = dialogs.Shown.size();
    log.Reset();
    log.ReadAliasFile(Write("empty.lst", ""));
    log.ReadAliasFile(Write("blank.lst", "\r\n\n\r   \t\n"));
    EXPECT_TRUE(log.Aliases().empty());
    EXPECT_EQ(dialogs.Shown.size(), before);
}

TEST_F(MailerLogFixture, PathListAddsBackslashesExceptToIndexEntries)
{
    const std::string path = Write("paths.lst", "; file areas\r\n"
                                                "C:\\FILES\r\n"
                                                "  d:\\new\\   extra words\n"
                                                "\n"
                                                "@C:\\FILES\\INDEX.IDX\n"
                                                "\t/srv/fido/files\t; host directory\r"
                                                "x");
    std::vector<std::string> list = log.ReadPathList(path);
    EXPECT_EQ(list, (std::vector<std::string>{"C:\\FILES\\", "d:\\new\\", "@C:\\FILES\\INDEX.IDX",
                                              "/srv/fido/files\\", "x\\"}));
    EXPECT_TRUE(log.ReadPathList(Write("empty.lst", "")).empty());
    EXPECT_THROW(log.ReadPathList((dir / "missing.lst").string()), EInOutError);
}

TEST_F(MailerLogFixture, PathListWithLongLinesAndGarbage)
{
    std::string bytes = std::string(200000, 'p') + "\n";
    std::mt19937 rng(777);
    for (int i = 0; i < 20000; ++i)
        bytes += static_cast<char>(rng() & 0xff);
    bytes += "\n;last\n@\n";
    std::vector<std::string> list = log.ReadPathList(Write("garbage.lst", bytes));
    ASSERT_GE(list.size(), 2u);
    EXPECT_EQ(list.front(), std::string(200000, 'p') + "\\");
    EXPECT_EQ(list.back(), "@");
    for (const std::string& p : list) {
        EXPECT_FALSE(p.empty());
        EXPECT_NE(p.front(), ';');
        EXPECT_EQ(p.find_first_of(" \t\r\n"), std::string::npos);
        EXPECT_TRUE(p.front() == '@' || p.back() == '\\');
    }
}

TEST_F(MailerLogFixture, SettingsAreLoadedSavedAndAssigned)
{
    TIniFile ini;
    ini.FromText("[Log1]\nName=T-Mail\nPath=/var/log/t-mail.log\nAutoNew=1\nMailerPath=/opt/tmail\n"
                 "UpdateDLC=1\nDSSort=5\n[Log2]\nDSSort=99\n[Log3]\nDSSort=-1\n");
    log.LoadFromReg(ini, "Log1");
    EXPECT_EQ(log.MailerPath(), "/opt/tmail");
    EXPECT_TRUE(log.UpdateDLC);
    EXPECT_EQ(log.DSSort, 5);
    TIniFile out;
    log.SaveToReg(out, "S");
    EXPECT_EQ(out.ReadSection("S"),
              (std::vector<std::string>{"Name", "Path", "Style", "AutoNew", "LastStr", "CutMode", "CutSize",
                                        "Highlight", "MailerPath", "UpdateDLC", "DSSort"}));
    TestLog copy;
    copy.LoadFromReg(out, "S");
    EXPECT_EQ(copy.MailerPath(), "/opt/tmail");
    EXPECT_TRUE(copy.UpdateDLC);
    EXPECT_EQ(copy.DSSort, 5);

    // Absent and unusable values give the defaults.
    TestLog other;
    other.LoadFromReg(ini, "Log2");
    EXPECT_EQ(other.DSSort, 0);
    EXPECT_EQ(other.MailerPath(), "");
    EXPECT_FALSE(other.UpdateDLC);
    other.LoadFromReg(ini, "Log3");
    EXPECT_EQ(other.DSSort, 0);

    other.Assign(log);
    EXPECT_EQ(other.MailerPath(), "/opt/tmail");
    EXPECT_TRUE(other.UpdateDLC);
    EXPECT_EQ(other.Name, "T-Mail");
    EXPECT_EQ(other.DSSort, 0);
    TLog plain;
    plain.Name = "plain";
    other.Assign(plain);
    EXPECT_EQ(other.Name, "plain");
    EXPECT_EQ(other.MailerPath(), "/opt/tmail");
}

// The requests and the files sent for them, checked against a model that looks at
// every request in turn: the last request of the node (or of an address mask that
// covers it) that has the name, or that a sent file answers by its real name or
// its name as a mask. Random requests and sends of a few names, nodes and masks.
TEST_F(MailerLogFixture, RequestsAndSendsAgreeWithAFullScanOfTheRequests)
{
    struct Model {
        std::vector<TFreq> freqs;
        std::vector<std::string> dlc;
        std::map<std::string, std::string> aliases;  // upper-case alias -> file name
        std::deque<std::string> paths;  // the texts the model's requests view
    };
    auto nodeKey = [](const TFidoAddr& a) { return std::tuple(a.Zone, a.Net, a.Node, a.Point); };
    auto wild = [](const TFidoAddr& a) {
        return a.Zone == kAddrAny || a.Net == kAddrAny || a.Node == kAddrAny || a.Point == kAddrAny;
    };
    auto covers = [&](const TFreq& f, const TFidoAddr& addr) {
        return wild(*f.Addr) ? MatchAddr(*f.Addr, addr) : !wild(addr) && nodeKey(*f.Addr) == nodeKey(addr);
    };
    auto last = [&](Model& m, const TFidoAddr& addr, auto match) -> TFreq* {
        for (std::size_t i = m.freqs.size(); i-- > 0;)
            if (covers(m.freqs[i], addr) && match(m.freqs[i]))
                return &m.freqs[i];
        return nullptr;
    };

    // Short and long names, masks with their stars and question marks anywhere, and
    // names alike in their first and last eight bytes or in bit 5 of their bytes.
    const std::vector<std::string> names = {"a.zip", "B.ZIP", "*.ZIP", "?.ZIP", "NL.Z??", "files", "nodelist",
                                            "C.ARJ", "*", "NL.Z10", "NL.Z11", "NODELIST.Z??", "?ODE*.Z4?",
                                            "N*D*.*", "FIDONEWS-2026*", "fidonews-2026-01-issue.zip", "LIST@*",
                                            "*-ISSUE.ZIP", "0000FC66.PKT"};
    const std::vector<std::string> sent = {"A.ZIP", "b.zip", "C.ZIP", "FILES.RAR", "NL.Z10", "nl.z11", "C.ARJ",
                                           "NODELIST.ZIP", "X.TXT", "NodeList.Z45", "NODEDIFF.Z45",
                                           "FIDONEWS-2026-01-ISSUE.ZIP", "FIDONEWS-2026-02-ISSUE.ZIP",
                                           "FIDONEWS-2025-01-ISSUE.ZIP", "LIST`2026.TXT", "list@2026.txt",
                                           " 0000fc66.pkt\r", "0000FC67.PKT", "NOWHERE.TXT"};
    std::vector<TFidoAddr> addrs = {Addr("2:5030/1"), Addr("2:5030/2"), Addr("2:5030/1.1"), Addr("1:2/3")};
    TFidoAddr mask = Addr("2:5030/1");
    mask.Point = kAddrAny;  // 2:5030/1.*
    TFidoAddr netMask = Addr("2:5030/1");
    netMask.Node = kAddrAny;
    netMask.Point = kAddrAny;  // 2:5030/*

    for (unsigned seed = 1; seed <= 20; ++seed) {
        SCOPED_TRACE(seed);
        TestLog log;
        log.AddFreqAlias("files", "D:\\NEW\\FILES.RAR");
        log.AddFreqAlias("NODELIST", "NODELIST.ZIP");
        Model m;
        m.aliases = {{"FILES", "FILES.RAR"}, {"NODELIST", "NODELIST.ZIP"}};
        std::mt19937 rng(seed);
        auto pick = [&rng](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
        for (int step = 0; step < 400; ++step) {
            log.LineNo = step + 1;
            log.IsNew = step > 200;
            const std::size_t a = pick(addrs.size() + (seed % 4 == 0 ? 2 : 0));
            const TFidoAddr addr = a < addrs.size() ? addrs[a] : a == addrs.size() ? mask : netMask;
            if (pick(2) == 0) {
                const std::string name = names[pick(names.size())];
                log.AddFreq(name, addr);
                std::string key = UpperCaseAscii(name);
                if (TFreq* same = last(m, addr, [&](const TFreq& f) { return f.Name == key; })) {
                    same->LineNo = step + 1;
                    continue;
                }
                TFreq f;
                f.Name = key;
                f.Addr = addr;
                f.LineNo = step + 1;
                f.RealName = m.aliases.count(key) ? m.aliases[key] : key;
                m.freqs.push_back(f);
            } else {
                const std::string given = sent[pick(sent.size())];
                const std::string name = UpperCaseAscii(TrimControls(given));
                const std::string path = "C:\\OUT\\" + name;
                const TFidoAddr& to = addrs[pick(addrs.size())];
                log.FreqSent(given, path, to);
                TFreq* c = last(m, to, [&](const TFreq& f) { return f.RealName == name || MatchWild(name, f.Name, false); });
                if (!c)
                    continue;
                if (c->Sent && c->Name.find_first_of("*?") != std::string::npos) {
                    TFreq f;
                    f.Name = c->Name;
                    f.Addr = to;
                    f.LineNo = step + 1;
                    f.IsNew = step > 200;
                    f.Sent = true;
                    f.RealName = name;
                    f.Path = m.paths.emplace_back(path);
                    m.freqs.push_back(f);
                    if (f.IsNew)
                        m.dlc.push_back(name);
                    continue;
                }
                if (!c->Sent && step > 200)
                    m.dlc.push_back(name);
                c->RealName = name;
                c->Sent = true;
                c->LineNo = step + 1;
                c->IsNew = step > 200;
                c->Path = m.paths.emplace_back(path);
            }
        }
        ASSERT_EQ(log.FreqCount(), m.freqs.size());
        for (std::size_t i = 0; i < m.freqs.size(); ++i) {
            SCOPED_TRACE(i);
            const TFreq& got = log.GetFreq(i);
            const TFreq& want = m.freqs[i];
            EXPECT_EQ(got.Name, want.Name);
            EXPECT_EQ(got.RealName, want.RealName);
            EXPECT_EQ(got.Sent, want.Sent);
            EXPECT_EQ(got.LineNo, want.LineNo);
            EXPECT_EQ(got.IsNew, want.IsNew);
            EXPECT_EQ(got.Path, want.Path);
            EXPECT_EQ(CompareAddr(*got.Addr, *want.Addr), 0);
        }
        std::vector<std::string> dlc;
        for (const TDLCFreq& r : log.DLCList())
            dlc.push_back(r.FileName);
        EXPECT_EQ(dlc, m.dlc);
    }
}
