// The mailer log framework, driven through whole analyses of an invented log
// format: "YYYY-MM-DD hh:mm:ss MESSAGE", one command per line (see TestLog).
#include "ParserHarness.h"

#include "fido/Lng.h"
#include "fido/NVUtils.h"
#include "fido/ConfigParser.h"
#include "platform/Error.h"
#include "platform/IniFile.h"
#include "platform/Text.h"

#include <deque>
#include <map>
#include <random>
#include <tuple>
#include <sys/wait.h>

using namespace tarvix;
using namespace tarvix::test;
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
//   CALL addr            a call is placed            BUSY              its outcome
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

TFidoAddr Addr(std::string_view s) { return TFidoAddr::CreateStr(s); }

// A line of the invented log on 1 March, or on the date given.
std::string M(const std::string& hms, const std::string& msg, const std::string& date = "2026-03-01")
{
    return date + " " + hms + " " + msg;
}

// A day with an outgoing call that fails, one that succeeds and an incoming session.
const std::vector<std::string> kOneDay = {
    M("10:00:00", "CALL 2:5030/1"), M("10:00:30", "BUSY"), M("10:05:00", "CALL 2:5030/1"), M("10:05:20", "START out"),
    M("10:05:21", "ADDR 2:5030/1"), M("10:05:22", "SENT 1000"), M("10:05:23", "RCVD 5000"), M("10:05:30", "END"),
    M("11:00:00", "PHONE 7-095-123-4567"), M("11:00:01", "START in"), M("11:00:02", "ADDR 2:463/68"),
    M("11:00:03", "SPEED 33600TX/V42"), M("11:00:04", "PROTO Hydra-8k"), M("11:00:05", "CPS 1234"), M("11:01:00", "END"),
};

class MailerLog : public ParserTest<TestLog> {
protected:
    MailerLog() { log.Window = &recorder; }
    ~MailerLog() override { UnloadLng(); }
    bool RunRecorded(const std::vector<std::string>& lines)
    {
        recorder.errors.clear();
        recorder.asked.clear();
        log.SetText(Join(lines));
        return log.Analyse({});
    }
    std::string DLCNames()
    {
        std::string names;
        for (const TDLCFreq& r : log.DLCList())
            names += r.FileName + "@" + r.Dir + " ";
        return names;
    }
    RecordingWindow recorder;
};

struct MailerCase {
    const char* name;
    std::vector<std::string> lines;
    const char* sessions;
    const char* stats;
    const char* freqs = "";
};

class MailerLogs : public MailerLog, public ::testing::WithParamInterface<MailerCase> {};

}  // namespace

TEST_P(MailerLogs, GiveTheirSessions)
{
    ASSERT_TRUE(RunRecorded(GetParam().lines));
    EXPECT_EQ(Sessions(), GetParam().sessions);
    EXPECT_EQ(Stats(), GetParam().stats);
    EXPECT_EQ(Freqs(), GetParam().freqs);
    // Analysing again, from the text in memory, gives the same.
    const std::string first = Sessions() + Stats() + Freqs();
    ASSERT_TRUE(log.Analyse({}));
    EXPECT_EQ(Sessions() + Stats() + Freqs(), first);
}

INSTANTIATE_TEST_SUITE_P(
    M, MailerLogs,
    ::testing::Values(
        // The day's sessions and statistics, sorted by address; only the day's first
        // session is marked; a rate given by the log is kept.
        MailerCase{"WholeDay", kOneDay,
                   "4-8|2026-03-01 10:05:20|10:05:30|2:5030/1|||||0|???|OK FirstOfDay Listed|0/0|1000/5000|500\n10-15|2026-03-01 11:00:01|11:01:00|2:463/68|||7-095-123-4567||33600|Hydra|Incoming OK Listed|0/0|0/0|1234\n",
                   "2:463/68 in=1 inok=1 time=59\n2:5030/1 calls=2 busy=1 out=1 outok=1 sent=1000 rcvd=5000 time=10 cps=500\n"},
        // Sessions close once; an abandoned one is nowhere; a closed one can still be
        // completed; a session without an address, or of zero length, has no rate.
        MailerCase{"SessionsCloseOnce",
                   {M("09:00:00", "END"), M("10:00:00", "START out"), M("10:00:10", "START in"),
                    M("10:00:11", "ADDR 2:5030/1"), M("10:00:20", "END"), M("10:00:21", "END"), M("10:00:22", "FLAG mo"),
                    M("10:01:00", "START in"), M("10:01:05", "FLAG bad"), M("10:01:06", "END"), M("10:02:00", "START out"),
                    M("10:02:00", "ADDR 2:5030/3"), M("10:02:00", "SENT 700"), M("10:02:00", "END"),
                    M("10:03:00", "START out"), M("10:03:01", "ADDR 2:5030/5"), M("10:03:02", "SPEED TCP/IP"),
                    M("10:03:03", "SENT 5000000000"), M("10:03:04", "RCVD 3000000000"), M("10:19:40", "END")},
                   "3-5|2026-03-01 10:00:10|10:00:20|2:5030/1|||||0|???|Incoming OK Listed MailOnly|0/0|0/0|0\n8-10|2026-03-01 10:01:00|10:01:06|-|||||0|???|Incoming Bad Listed|0/0|0/0|0\n11-14|2026-03-01 10:02:00|10:02:00|2:5030/3|||||0|???|OK Listed|0/0|700/0|0\n15-20|2026-03-01 10:03:00|10:19:40|2:5030/5|||||1234|???|OK Listed|0/0|5000000000/3000000000|5000000\n",
                   "2:5030/1 in=1 inok=1 time=10\n2:5030/3 out=1 outok=1 sent=700\n2:5030/5 out=1 outok=1 sent=5000000000 rcvd=3000000000 time=1000 cps=5000000\n"},
        // The clock went back an hour during the session: no negative time or rate.
        MailerCase{"SessionEndingBeforeItStarted",
                   {M("02:59:50", "START out", "2026-10-25"), M("02:59:51", "ADDR 2:5030/3", "2026-10-25"),
                    M("02:00:05", "SENT 10000", "2026-10-25"), M("02:00:06", "RCVD 20000", "2026-10-25"),
                    M("02:00:10", "END", "2026-10-25")},
                   "1-5|2026-10-25 02:59:50|02:00:10|2:5030/3|||||0|???|OK FirstOfDay Listed|0/0|10000/20000|0\n",
                   "2:5030/3 out=1 outok=1 sent=10000 rcvd=20000\n"},
        // A session is counted on the day it closes; the next one opened is that day's first.
        MailerCase{"EachDayGetsItsListAndFirstSession",
                   {M("23:59:00", "START in"), M("23:59:01", "ADDR 2:5030/1"), M("00:00:40", "END", "2026-03-02"),
                    M("00:05:00", "START out", "2026-03-02"), M("00:05:01", "ADDR 2:5030/2", "2026-03-02"),
                    M("00:06:00", "END", "2026-03-02"), "garbage line without a date",
                    M("08:00:00", "CALL 2:5030/3", "2026-03-04")},
                   "1-3|2026-03-01 23:59:00|2026-03-02 00:00:40|2:5030/1|||||0|???|Incoming OK FirstOfDay Listed|0/0|0/0|0\n4-6|2026-03-02 00:05:00|00:06:00|2:5030/2|||||0|???|OK FirstOfDay Listed|0/0|0/0|0\n",
                   ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MailerLog, SessionRecordsAndTheirDay)
{
    ASSERT_TRUE(RunRecorded(kOneDay));
    EXPECT_EQ(log.configReads * 10 + log.lngLoads, 11);
    EXPECT_TRUE(log.PendingPhone.empty());
    EXPECT_EQ(log.GetDay(0).NodeStats, &log.GetDayStats(0));
    EXPECT_EQ(log.GetDayStats(0).Total.Time * 1000 + log.GetDayStats(0).Total.CPS, 69072);  // 5000 bytes in 69 s
    ASSERT_EQ(log.ended.size(), 2u);  // each END got back the record it updated
    EXPECT_EQ(AddrText(log.ended[0]->Addr), "2:5030/1");
    std::string sessOfLine;
    for (std::int64_t line : {-5, 3, 4, 8, 9, 12, 15, 16})
        sessOfLine += std::to_string(log.SessOfLine(line)) + " ";
    EXPECT_EQ(sessOfLine, "-1 -1 0 0 -1 1 1 -1 ");
    EXPECT_THROW(log.GetSess(2), ELogError);
    EXPECT_THROW(log.GetFreq(0), ELogError);
    EXPECT_THROW(log.GetDayStats(1), ELogError);
    // An open session is the current one; State tells the parser.
    ASSERT_TRUE(RunRecorded({M("10:00:00", "START out")}));
    EXPECT_EQ(log.SessCount(), 0u);
    EXPECT_EQ(SessText(*log.CurSess()), "1-0|2026-03-01 10:00:00|1899-12-30 00:00:00|-|||||0|???|OK FirstOfDay Listed|0/0|0/0|0");
    EXPECT_EQ(log.State, 1);
}

TEST_F(MailerLog, SecondNewDayOfTheSameDateGetsAFreshList)
{
    log.SetDateLen(13);  // date and hour: each hour asks for a new day
    ASSERT_TRUE(RunRecorded({M("10:00:00", "START out"), M("10:00:01", "ADDR 2:5030/9"), M("10:00:09", "RCVD 1000"),
                             M("10:00:10", "END"), M("10:30:00", "START out"), M("10:30:01", "ADDR 2:5030/2"),
                             M("10:30:10", "END"), M("11:00:00", "CALL 2:5030/4"), M("11:00:01", "START out"),
                             M("11:00:02", "END")}));
    EXPECT_EQ(log.DayCount(), 1u);
    EXPECT_EQ(Stats(0) + Stats(1), "2:5030/2 out=1 outok=1 time=10\n2:5030/9 out=1 outok=1 rcvd=1000 time=10 cps=100\n"
                                   "2:5030/4 calls=1 out=1 outok=1 time=1\n");
    EXPECT_EQ(log.GetDay(0).NodeStats, &log.GetDayStats(1));
    // The new list marks the next session as the day's first again.
    EXPECT_EQ(Sessions(), "1-4|2026-03-01 10:00:00|10:00:10|2:5030/9|||||0|???|OK FirstOfDay Listed|0/0|0/1000|100\n"
                          "5-7|2026-03-01 10:30:00|10:30:10|2:5030/2|||||0|???|OK Listed|0/0|0/0|0\n"
                          "9-10|2026-03-01 11:00:01|11:00:02|-|||||0|???|OK FirstOfDay Listed|0/0|0/0|0\n");
    TLogDay& day = log.NewDay(99, EncodeDate(2026, 3, 1) + 0.9);  // the same day, another list
    EXPECT_EQ(&day, &log.GetDay(0));
    EXPECT_EQ(day.NodeStats, log.NodeStats);
    EXPECT_EQ(log.DayStatCount(), 3u);
}

TEST_F(MailerLog, LineErrorsAreCountedReportedAndAsked)
{
    const std::vector<std::string> lines = {M("10:00:00", "START in"), M("10:00:01", "BOOM parser lost its way"),
                                            "2026-13-45 10:00:02 START out", M("10:00:03", "ADDR 2:5030/1"),
                                            M("10:00:04", "END")};
    ASSERT_TRUE(RunRecorded(lines));
    // The bad date fails in the day split and again in the parser's time stamp.
    EXPECT_EQ(log.ErrorCount, 3);
    ASSERT_EQ(recorder.errors.size(), 3u);
    EXPECT_EQ(recorder.errors[0], (std::pair<std::int64_t, std::string>{2, "parser lost its way"}));
    EXPECT_EQ(recorder.asked, recorder.errors);
    EXPECT_EQ(log.SessCount(), 1u);  // the rest of the log was still read
    LoadLng(kEngLng);
    ASSERT_TRUE(RunRecorded(lines));
    EXPECT_EQ(recorder.errors[1].second, "Line 3 could not be analysed: its date cannot be read.");
    // Stop at the first one; the next analysis reads the whole text again.
    recorder.goOn = false;
    log.parsed.clear();
    EXPECT_FALSE(RunRecorded(lines));
    EXPECT_FALSE(log.AnalysisRunning);
    EXPECT_EQ(log.parsed, (std::vector<std::int64_t>{1, 2}));
    recorder.goOn = true;
    log.parsed.clear();
    ASSERT_TRUE(log.Analyse({}));
    EXPECT_EQ(log.parsed.size(), 5u);
    // SkipErrors counts without asking, afresh each time.
    Settings().SkipErrors = true;
    recorder.goOn = false;
    ASSERT_TRUE(RunRecorded(lines));
    EXPECT_EQ(log.ErrorCount, 3);
    EXPECT_TRUE(recorder.asked.empty());
    ASSERT_TRUE(RunRecorded({M("10:00:00", "START in")}));
    EXPECT_EQ(log.ErrorCount, 0);
}

TEST_F(MailerLog, DefaultQuestionNoWindowAndAbort)
{
    struct AskingWindow : TLogWindow {
        std::int64_t wentTo = 0;
        void GoToLine(std::int64_t lineNo) override { wentTo = lineNo; }
    } asking;
    log.Window = &asking;
    TBatchDialogs cancel(mrCancel, true);
    SetDialogs(&cancel);
    log.SetText(Join({M("10:00:00", "START in"), M("10:00:01", "BOOM broken record")}));
    EXPECT_FALSE(log.Analyse({}));
    EXPECT_EQ(asking.wentTo, 2);
    ASSERT_EQ(cancel.Shown.size(), 1u);
    EXPECT_EQ(cancel.Shown[0].buttons, mbOKCancel);
    EXPECT_NE(cancel.Shown[0].text.find("broken record"), std::string::npos);
    SetDialogs(&dialogs);
    // The window goes away while a line fails: stop, nothing counted or asked.
    log.Window = &recorder;
    log.parsed.clear();
    EXPECT_FALSE(RunRecorded({M("10:00:00", "START in"), M("10:00:01", "DROPWINDOW"), M("10:00:02", "END")}));
    EXPECT_EQ(log.ErrorCount, 0);
    EXPECT_EQ(log.parsed.size(), 2u);
    log.parsed.clear();
    EXPECT_FALSE(RunRecorded(kOneDay));  // still no window
    EXPECT_TRUE(log.parsed.empty());
    log.Window = &recorder;
    EXPECT_FALSE(RunRecorded({M("10:00:00", "ABORT"), M("10:00:01", "START in")}));
    EXPECT_EQ(log.parsed.size(), 1u);
    EXPECT_FALSE(log.AbortRequest);
}

TEST_F(MailerLog, ConfigurationAndLanguageErrorsEndWithOneErrorBox)
{
    LoadLng(kEngLng);
    ASSERT_TRUE(RunRecorded(kOneDay));
    const std::vector<std::pair<TestLog::Config, std::string>> cases = {
        {TestLog::Config::ParserErrorAtLine, "Error in configuration file /etc/fido/t-mail.ctl, line 12:\nUnknown keyword Foo"},
        {TestLog::Config::ParserErrorNoLine, "Error reading the mailer configuration:\nCannot open file /etc/fido/t-mail.ctl"},
        {TestLog::Config::OtherError, "Error reading the mailer configuration:\ndisk on fire"}};
    for (const auto& [config, text] : cases) {
        log.config = config;
        dialogs.Shown.clear();
        EXPECT_FALSE(RunRecorded(kOneDay));
        ASSERT_EQ(dialogs.Shown.size(), 1u);
        EXPECT_EQ(dialogs.Shown[0].text, text);
        EXPECT_EQ(dialogs.Shown[0].type, TMsgDlgType::mtError);
        EXPECT_EQ(log.SessCount() + log.DayStatCount(), 0u);  // the failed one starts with a reset
    }
    // Without a language file the messages still say what happened.
    UnloadLng();
    log.config = TestLog::Config::ParserErrorAtLine;
    EXPECT_FALSE(RunRecorded(kOneDay));
    EXPECT_NE(dialogs.Shown.back().text.find("Unknown keyword Foo"), std::string::npos);
    // The user must learn which language file is missing or damaged: one error box.
    log.config = TestLog::Config::Ok;
    log.lngFails = true;
    dialogs.Shown.clear();
    EXPECT_FALSE(RunRecorded(kOneDay));
    ASSERT_EQ(dialogs.Shown.size(), 1u);
    EXPECT_EQ(dialogs.Shown[0].type, TMsgDlgType::mtError);
    EXPECT_TRUE(recorder.asked.empty());
}

// A call placed and a phone read at the end of one analysis leak into no other.
TEST_F(MailerLog, AnalysingAgainLeavesNothingWaiting)
{
    const std::vector<std::string> lines = {M("10:00:00", "START in"), M("10:00:01", "ADDR 2:463/68"),
                                            M("10:00:11", "END"), M("10:00:12", "FREQ FILES 2:463/68"),
                                            M("10:00:13", "CALL 2:5030/1"), M("10:00:14", "PHONE 7-095-111")};
    ASSERT_TRUE(RunRecorded(lines));
    const std::string first = Sessions() + Stats() + Freqs();
    ASSERT_TRUE(RunRecorded(lines));
    EXPECT_EQ(Sessions() + Stats() + Freqs(), first);
    EXPECT_EQ(Sessions(), "1-3|2026-03-01 10:00:00|10:00:11|2:463/68|||||0|???|Incoming OK FirstOfDay Listed|0/0|0/0|0\n");
    EXPECT_EQ(Stats(), "2:463/68 in=1 inok=1 time=11\n2:5030/1 calls=1\n");
}

TEST_F(MailerLog, DownloadCountersFromTheRememberedLine)
{
    const std::vector<std::string> lines = {
        M("10:00:00", "START in"), M("10:00:01", "ADDR 2:5030/1"), M("10:00:02", "FREQ A.ZIP 2:5030/1"),
        M("10:00:03", "FREQ B.ZIP 2:5030/1"), M("10:00:04", "SENDFILE A.ZIP C:\\F\\A.ZIP 2:5030/1"), M("10:00:05", "END"),
        M("11:00:00", "START in"), M("11:00:01", "ADDR 2:5030/1"), M("11:00:02", "SENDFILE B.ZIP C:\\F\\B.ZIP 2:5030/1"),
        M("11:00:03", "FREQ C.ZIP 2:5030/1"), M("11:00:04", "SENDFILE C.ZIP C:\\G\\C.ZIP 2:5030/1"),
        M("11:00:05", "SENDFILE A.ZIP C:\\F\\A.ZIP 2:5030/1"), M("11:00:06", "END")};
    log.UpdateDLC = true;
    // Without the remembered line: one increment per sent request, in request order.
    log.LastStr = "no line starts so";
    ASSERT_TRUE(RunRecorded(lines));
    EXPECT_EQ(log.NewPartLine * 100 + log.FirstNewSess * 10 + log.FirstNewFreq, -11);
    EXPECT_EQ(DLCNames(), "A.ZIP@C:\\F\\ B.ZIP@C:\\F\\ C.ZIP@C:\\G\\ ");
    // From the remembered line: the new part's sends only.
    log.AutoNew = true;
    log.LastStr = "2026-03-01 11:00:02 ";
    ASSERT_TRUE(RunRecorded(lines));
    EXPECT_EQ(log.NewPartLine * 100 + log.FirstNewSess * 10 + log.FirstNewFreq, 912);
    EXPECT_EQ(DLCNames(), "B.ZIP@C:\\F\\ C.ZIP@C:\\G\\ ");
    // A later analysis that does not find the line keeps the counts and makes no
    // whole-log increments; Reset forgets the results but not the remembered counts.
    ASSERT_TRUE(RunRecorded({M("10:00:00", "FREQ X.ZIP 2:5030/1", "2026-03-02"),
                             M("10:00:01", "SENDFILE X.ZIP C:\\X.ZIP 2:5030/1", "2026-03-02")}));
    EXPECT_EQ(log.NewPartLine * 100 + log.FirstNewSess * 10 + log.FirstNewFreq, 912);
    EXPECT_EQ(DLCNames(), "");
    log.Reset();
    EXPECT_EQ(log.FreqCount() + log.SessCount() + log.DayStatCount() + log.Requesters().Count(), 0u);
    EXPECT_EQ(log.NewPartLine * 100 + log.FirstNewSess * 10 + log.FirstNewFreq, 912);
    log.UpdateDLC = false;
    log.LastStr = "no line starts so";
    ASSERT_TRUE(RunRecorded(lines));
    EXPECT_TRUE(log.DLCList().empty());
}

TEST_F(MailerLog, AliasFilesAndTheirDamage)
{
    LoadLng(kEngLng);
    log.AddFreqAlias("magic", "c:\\dir\\sub\\file.zip");
    log.AddFreqAlias("MAGIC", "plain.zip");  // replaces the target
    log.AddFreqAlias("", "x");
    log.AddFreqAlias("y", "");
    EXPECT_EQ(log.Aliases().size(), 1u);
    EXPECT_EQ(log.Aliases().at("MAGIC").FileName, "PLAIN.ZIP");
    log.ReadAliasFile(Write("alias.lst", "; freq aliases\r\n\r\n   FILES   C:\\LISTS\\ALLFILES.ZIP\r\n"
                                         "@nodelist\tc:\\nl\\nodelist.zip ; comment\nNEWS (the daily news) C:\\NEWS\\NEWS.TXT\r"
                                         "LONELY\r\n(only a comment)\n@\nopen (never closed c:\\x\\y.zip\n"
                                         "files c:\\lists\\files.rar\n"));
    std::string aliases;
    for (const char* name : {"FILES", "NODELIST", "NEWS", "OPEN"})
        aliases += log.Aliases().at(name).Target + " ";
    EXPECT_EQ(aliases, "C:\\LISTS\\FILES.RAR C:\\NL\\NODELIST.ZIP C:\\NEWS\\NEWS.TXT (NEVER ");
    // Three bad lines, each a warning; the rest is still read.
    ASSERT_EQ(dialogs.Shown.size(), 3u);
    EXPECT_EQ(dialogs.Shown[0].text, "Invalid line in the file-request alias file:\nLONELY");
    EXPECT_EQ(dialogs.Shown[2].type, TMsgDlgType::mtWarning);
    // Missing or unreadable: a warning, and the analysis goes on.
    log.ReadAliasFile(dir / "no-such-file.lst");
    EXPECT_EQ(dialogs.Shown.back().text, "Cannot open file-request alias file " + dir / "no-such-file.lst");
    log.ReadAliasFile(dir.path.string());
    EXPECT_EQ(dialogs.Shown.size(), 5u);
    log.aliasFile = dir / "no-such-file.lst";
    EXPECT_TRUE(RunRecorded(kOneDay));
    EXPECT_EQ(dialogs.Shown.size(), 6u);
    log.Reset();
    const std::size_t before = dialogs.Shown.size();
    log.ReadAliasFile(Write("blank.lst", "\r\n\n\r   \t\n"));  // quietly nothing
    EXPECT_TRUE(log.Aliases().empty());
    EXPECT_EQ(dialogs.Shown.size(), before);
}

TEST_F(MailerLog, PathListsAndTheirDamage)
{
    EXPECT_EQ(log.ReadPathList(Write("paths.lst", "; file areas\r\nC:\\FILES\r\n  d:\\new\\   extra words\n\n"
                                                  "@C:\\FILES\\INDEX.IDX\n\t/srv/fido/files\t; host directory\rx")),
              (std::vector<std::string>{"C:\\FILES\\", "d:\\new\\", "@C:\\FILES\\INDEX.IDX", "/srv/fido/files\\", "x\\"}));
    EXPECT_TRUE(log.ReadPathList(Write("empty.lst", "")).empty());
    EXPECT_THROW(log.ReadPathList(dir / "missing.lst"), EInOutError);
}

// The requests and the files sent for them, checked against a model that looks at
// every request in turn: the last request of the node (or of an address mask that
// covers it) that has the name, or that a sent file answers by its real name or
// its name as a mask. Random requests and sends of a few names, nodes and masks.
TEST_F(MailerLog, RequestsAndSendsAgreeWithAFullScanOfTheRequests)
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

namespace {
int g_writesLeft = 0;
void StopAtWrite(const std::string&)
{
    if (--g_writesLeft == 0)
        ::_exit(7);
}
}  // namespace

// Each send raises its counter once, whichever write of the update a run is stopped
// before (the files.bbs of three directories, the state with the journal, the state
// without it), with the log growing between runs: a rerun finishes the work.
TEST_F(MailerLog, DownloadCountersCountEachSendOnceWhereverARunStops)
{
    TempDir dir;
    auto session = [&](const std::string& h, const std::vector<std::string>& sends) {
        const std::string node = " 2:5030/" + h;
        std::vector<std::string> lines = {M(h + ":00:00", "START in"), M(h + ":00:01", "ADDR" + node)};
        for (const std::string& s : sends)
            lines.push_back(M(h + ":00:02", "FREQ " + s.substr(3) + node));
        for (const std::string& s : sends)
            lines.push_back(M(h + ":00:03", "SENDFILE " + s.substr(3) + " " + (dir / s) + node));
        lines.push_back(M(h + ":00:09", "END"));
        return lines;
    };
    const std::vector<std::string> part1 = session("10", {"F1/A.ZIP", "F2/B.ZIP", "F3/C.ZIP"});
    std::vector<std::string> both = part1;
    for (const std::string& l : session("11", {"F1/A.ZIP", "F2/C.ZIP", "F3/B.ZIP"}))
        both.push_back(l);
    log.UpdateDLC = true;
    log.Path = dir / "t-mail.log";
    log.DLCStateFile = dir / "Tarvix.dlc";
    auto runAndCount = [&](const std::vector<std::string>& lines) {
        ASSERT_TRUE(RunRecorded(lines));
        log.UpdateCounters();
    };
    for (int stopAt = 1; stopAt <= 11; ++stopAt) {
        for (const char* area : {"F1", "F2", "F3"})
            dir.Write(std::string(area) + "/files.bbs", "A.ZIP [000] a\r\nB.ZIP b\r\nC.ZIP [009] c\r\n");
        fs::remove(log.DLCStateFile);
        const pid_t pid = ::fork();
        if (pid == 0) {
            g_writesLeft = stopAt;
            SetAtomicWriteHook(StopAtWrite);
            runAndCount(part1);
            runAndCount(both);
            ::_exit(0);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), stopAt <= 10 ? 7 : 0);
        runAndCount(both);
        runAndCount(both);
        const std::string counted = ReadWholeFile(dir / "F1/files.bbs") + ReadWholeFile(dir / "F2/files.bbs") +
                                    ReadWholeFile(dir / "F3/files.bbs");
        const std::string b1 = "B.ZIP         [001] b\r\n";
        EXPECT_EQ(counted, "A.ZIP [002] a\r\nB.ZIP b\r\nC.ZIP [009] c\r\n"
                           "A.ZIP [000] a\r\n" + b1 + "C.ZIP [010] c\r\n" +
                           "A.ZIP [000] a\r\n" + b1 + "C.ZIP [010] c\r\n")
            << "stopped before write " << stopAt;
    }
    // The log loses its head (a cut) and grows: the counted line is found where it
    // moved to, and a send line the mailer is still writing waits until it is whole.
    std::vector<std::string> grown(both.begin() + static_cast<std::ptrdiff_t>(part1.size()), both.end());
    for (const std::string& l : session("12", {"F1/A.ZIP"}))
        grown.push_back(l);
    const std::string text = Join(grown);
    log.SetText(text.substr(0, text.find("\r\n", text.rfind("SENDFILE"))));
    ASSERT_TRUE(log.Analyse({}));
    log.UpdateCounters();
    EXPECT_EQ(ReadWholeFile(dir / "F1/files.bbs").substr(0, 13), "A.ZIP [002] a");
    runAndCount(grown);
    runAndCount(grown);
    EXPECT_EQ(ReadWholeFile(dir / "F1/files.bbs").substr(0, 13), "A.ZIP [003] a");
}
