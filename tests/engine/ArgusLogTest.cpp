// The Argus log: line layouts of both version ranges, the session state machine,
// transfers and file requests, highlighting, options, and damaged input.

#include "engine/ArgusLog.h"
#include "engine/LogStyles.h"

#include "fido/Dialogs.h"
#include "fido/FidoAddr.h"
#include "fido/Lng.h"
#include "platform/Error.h"
#include "settings/QZIni.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

using namespace tarvix;

namespace {

constexpr const char* kMonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// Writes log lines in the layout of one version range, with a clock that moves on
// by a second per line unless told otherwise.
class Script {
public:
    explicit Script(bool longYear = false) : longYear_(longYear) {}

    // A line with the given message; the marker goes in column 1.
    Script& operator()(std::string_view message, char marker = ' ')
    {
        char stamp[40];
        if (longYear_)
            std::snprintf(stamp, sizeof stamp, "%c %02d-%s-%04d %02d:%02d:%02d ", marker, day_,
                          kMonthNames[month_ - 1], year_, secs_ / 3600, secs_ / 60 % 60, secs_ % 60);
        else
            std::snprintf(stamp, sizeof stamp, "%c %02d-%s-%02d %02d:%02d:%02d ", marker, day_,
                          kMonthNames[month_ - 1], year_ % 100, secs_ / 3600, secs_ / 60 % 60, secs_ % 60);
        text_ += stamp;
        text_ += message;
        text_ += "\r\n";
        ++lines_;
        secs_ += 1;
        return *this;
    }
    // A line as it stands (damaged lines).
    Script& Raw(std::string_view line)
    {
        text_ += line;
        text_ += "\r\n";
        ++lines_;
        return *this;
    }
    Script& Wait(int seconds)
    {
        secs_ += seconds;
        return *this;
    }
    Script& At(int h, int m, int s)
    {
        secs_ = h * 3600 + m * 60 + s;
        return *this;
    }
    Script& Date(int year, int month, int day)
    {
        year_ = year;
        month_ = month;
        day_ = day;
        return *this;
    }
    // The handshake of a remote station up to the protocol line.
    Script& Handshake(std::string_view addr = "2:5020/1042", std::string_view protocol = "Hydra")
    {
        (*this)("   Station : Hedgehog's Burrow");
        (*this)(std::string("   Address : ") + std::string(addr) + "@fidonet 2:5020/1042.5@fidonet");
        (*this)("     SysOp : Vera Orlova from Tver");
        (*this)("     Phone : 7-0822-55-1042");
        (*this)("    Mailer : Argus 3.210 (Win32)");
        return (*this)(std::string("Establishing ") + std::string(protocol) + " session");
    }

    const std::string& Text() const { return text_; }
    int Lines() const { return lines_; }

private:
    bool longYear_;
    int year_ = 2026, month_ = 3, day_ = 14;
    int secs_ = 10 * 3600;
    std::string text_;
    int lines_ = 0;
};

// A window that records the line errors and always goes on.
struct RecordingWindow : TLogWindow {
    std::vector<std::pair<std::int64_t, std::string>> errors;
    void GoToLine(std::int64_t) override {}
    void LineError(std::int64_t lineNo, const std::string& message) override { errors.emplace_back(lineNo, message); }
    bool ShowErrorLine(std::int64_t, const std::string&) override { return true; }
};

TFidoAddr Addr(std::string_view s) { return TFidoAddr::CreateStr(s); }

const TNodeStat* StatOf(const TNodeStatList& list, std::string_view addr)
{
    for (std::size_t i = 0; i < list.Count(); ++i)
        if (EqualAddr(*list.GetItems(i).Addr, Addr(addr)))
            return &list.GetItems(i);
    return nullptr;
}

class ArgusLogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetDialogs(&dialogs);
        Settings().SkipErrors = false;
        log.Window = &window;
    }
    void TearDown() override
    {
        SetDialogs(nullptr);
        ClearMainAddr();
    }

    bool Run(const Script& s)
    {
        window.errors.clear();
        log.SetText(s.Text());
        return log.Analyse({});
    }
    const TSess& OnlySession()
    {
        EXPECT_EQ(log.SessCount(), 1u);
        return log.GetSess(0);
    }

    TBatchDialogs dialogs{mrOk, true};
    RecordingWindow window;
    TArgusLog log;
};

}  // namespace

// ---------------------------------------------------------------- options

TEST(ArgusLog, FactoryCreatesTheStyle)
{
    RegisterArgusLogStyle();
    auto log = CreateLogOfStyle(lsArgus);
    auto* argus = dynamic_cast<TArgusLog*>(log.get());
    ASSERT_NE(argus, nullptr);
    EXPECT_EQ(argus->Style, lsArgus);
    EXPECT_TRUE(argus->HasOptions);
    EXPECT_EQ(argus->ArgusVersion(), 3131);
    EXPECT_EQ(argus->MsgCol, 22);
    RegisterArgusLogStyle();  // again: harmless
    EXPECT_NE(dynamic_cast<TArgusLog*>(CreateLogOfStyle(lsArgus).get()), nullptr);
}

// Each test runs in a process of its own: here only the program's registration ran.
TEST(ArgusLog, ProgramRegistersTheStyle)
{
    RegisterGenericLogStyles();
    EXPECT_NE(dynamic_cast<TArgusLog*>(CreateLogOfStyle(lsArgus).get()), nullptr);
}

TEST(ArgusLog, VersionOptionLoadsSavesAndSetsTheLayout)
{
    RegisterArgusLogStyle();
    TIniFile ini;
    ini.FromText("[Log1]\nName=Argus line 1\nStyle=8\nMailerPath=C:\\ARGUS\nArgusVersion=3132\n");
    auto log = CreateLogFromReg(lsArgus, ini, "Log1", false);
    auto& argus = dynamic_cast<TArgusLog&>(*log);
    EXPECT_EQ(argus.Name, "Argus line 1");
    EXPECT_EQ(argus.MailerPath(), "C:\\ARGUS");
    EXPECT_EQ(argus.ArgusVersion(), 3132);
    EXPECT_TRUE(argus.LongYear());
    EXPECT_EQ(argus.MsgCol, 24);

    TIniFile out;
    argus.SaveToReg(out, "Log2");
    EXPECT_EQ(out.ReadInteger("Log2", "ArgusVersion", 0), 3132);
    EXPECT_EQ(out.ReadInteger("Log2", "Style", 0), lsArgus);
    EXPECT_EQ(out.ReadString("Log2", "MailerPath", ""), "C:\\ARGUS");

    // Without the value the log reads the older layout; a value too large for an
    // integer does as well.
    TArgusLog fresh;
    fresh.SetArgusVersion(3132);
    ini.FromText("[Log1]\nStyle=8\n");
    fresh.LoadFromReg(ini, "Log1");
    EXPECT_EQ(fresh.ArgusVersion(), 3131);
    EXPECT_EQ(fresh.MsgCol, 22);
    ini.FromText("[Log1]\nArgusVersion=99999999999\n");
    fresh.LoadFromReg(ini, "Log1");
    EXPECT_EQ(fresh.ArgusVersion(), 3131);
    // Later versions than 3132 keep the four-digit layout; earlier ones the other.
    ini.FromText("[Log1]\nArgusVersion=3156\n");
    fresh.LoadFromReg(ini, "Log1");
    EXPECT_EQ(fresh.ArgusVersion(), 3156);
    EXPECT_EQ(fresh.MsgCol, 24);
    ini.FromText("[Log1]\nArgusVersion=200\n");
    fresh.LoadFromReg(ini, "Log1");
    EXPECT_EQ(fresh.MsgCol, 22);
}

TEST(ArgusLog, DialogItemsAndAssign)
{
    EXPECT_EQ(TArgusLog::VersionItem(3131), 0);
    EXPECT_EQ(TArgusLog::VersionItem(3132), 1);
    EXPECT_EQ(TArgusLog::VersionItem(3140), -1);
    EXPECT_EQ(TArgusLog::VersionOfItem(0), 3131);
    EXPECT_EQ(TArgusLog::VersionOfItem(1), 3132);

    TArgusLog a, b;
    a.SetArgusVersion(3132);
    a.SetMailerPath("D:\\FIDO");
    a.Name = "Argus";
    b.Assign(a);
    EXPECT_EQ(b.ArgusVersion(), 3132);
    EXPECT_EQ(b.MsgCol, 24);
    EXPECT_EQ(b.MailerPath(), "D:\\FIDO");
    // From a log of another style only the common settings come.
    TLog plain;
    plain.Name = "Plain";
    b.Assign(plain);
    EXPECT_EQ(b.ArgusVersion(), 3132);
    EXPECT_EQ(b.Name, "Plain");
}

// ---------------------------------------------------------------- dates and times

TEST(ArgusLog, DatesAndTimesOfBothLayouts)
{
    TArgusLog log;
    EXPECT_EQ(log.DateOfLine("  30-Dec-25 23:59:58 x"), EncodeDate(2025, 12, 30));
    EXPECT_EQ(log.TimeOfLine("  30-Dec-25 23:59:58 x"), EncodeDate(2025, 12, 30) + EncodeTime(23, 59, 58, 0));
    // The separators are not looked at.
    EXPECT_EQ(log.DateOfLine("! 01 Jan 26"), EncodeDate(2026, 1, 1));
    // Two-digit years: 80-99 are the last century, 00-79 this one.
    EXPECT_EQ(log.DateOfLine("  01-Jan-80"), EncodeDate(1980, 1, 1));
    EXPECT_EQ(log.DateOfLine("  31-Dec-99"), EncodeDate(1999, 12, 31));
    EXPECT_EQ(log.DateOfLine("  01-Jan-00"), EncodeDate(2000, 1, 1));
    EXPECT_EQ(log.DateOfLine("  29-Feb-00"), EncodeDate(2000, 2, 29));
    EXPECT_EQ(log.DateOfLine("  31-Dec-79"), EncodeDate(2079, 12, 31));

    log.SetArgusVersion(3132);
    EXPECT_EQ(log.DateOfLine("  30-Dec-1999 07:08:09 x"), EncodeDate(1999, 12, 30));
    EXPECT_EQ(log.TimeOfLine("  30-Dec-1999 07:08:09 x"), EncodeDate(1999, 12, 30) + EncodeTime(7, 8, 9, 0));
    EXPECT_EQ(log.DateOfLine("  05-Jun-2026"), EncodeDate(2026, 6, 5));
}

TEST(ArgusLog, DamagedDatesRaiseConversionErrors)
{
    TArgusLog log;
    const char* bad[] = {
        "  30-Dec-2",            // too short for the year
        "  xx-Dec-25 10:00:00",  // day
        "  30-DEC-25 10:00:00",  // month names are exact
        "  30-Dec-x5 10:00:00",  // year
        "  31-Feb-25 10:00:00",  // no such day
        "  00-Jan-25 10:00:00",
        "  30-Dec--1 10:00:00",  // a negative year
    };
    for (const char* line : bad)
        EXPECT_THROW(log.DateOfLine(line), EConvertError) << line;
    const char* badTimes[] = {
        "  30-Dec-25 10:00:0",   // too short
        "  30-Dec-25 24:00:00",  // hour
        "  30-Dec-25 10:60:00",
        "  30-Dec-25 10:00:6x",
        "  30-Dec-25 ab:cd:ef",
    };
    for (const char* line : badTimes)
        EXPECT_THROW(log.TimeOfLine(line), EConvertError) << line;
    // A line of the other layout read as this one.
    EXPECT_THROW(log.TimeOfLine("  30-Dec-2025 10:00:00 Calling"), EConvertError);
    log.SetArgusVersion(3132);
    EXPECT_THROW(log.DateOfLine("  30-Dec-25 1"), EConvertError);
    EXPECT_THROW(log.TimeOfLine("  30-Dec-25 10:00:00 Calling"), EConvertError);
}

TEST_F(ArgusLogTest, DaysFollowTheDateTextOfEachLayout)
{
    for (bool longYear : {false, true}) {
        log.SetArgusVersion(longYear ? 3132 : 3131);
        Script s(longYear);
        s.Date(1999, 12, 31)("Begin Argus 3.100")("Waiting");
        s.Date(2000, 1, 1)("Waiting");                // line 3
        s.Raw("  01-Jan");                             // too short for the date text: nothing
        s.Date(2000, 1, 1).At(23, 0, 0)("Waiting");
        s.Date(2000, 1, 2)("Waiting");                // line 6
        ASSERT_TRUE(Run(s));
        EXPECT_TRUE(window.errors.empty());
        ASSERT_EQ(log.DayCount(), 3u) << longYear;
        EXPECT_EQ(log.GetDay(0).Date, EncodeDate(1999, 12, 31));
        EXPECT_EQ(log.GetDay(1).Date, EncodeDate(2000, 1, 1));
        EXPECT_EQ(log.GetDay(1).FirstLine, 3);
        EXPECT_EQ(log.GetDay(2).FirstLine, 6);
        EXPECT_EQ(log.GetDay(2).Date, EncodeDate(2000, 1, 2));
    }
}

// ---------------------------------------------------------------- highlighting

TEST(ArgusLog, DateTimeAndErrorWords)
{
    TArgusLog log;
    EXPECT_TRUE(log.IsDateWord(2, "30-Dec-25"));
    EXPECT_TRUE(log.IsDateWord(12, "10:00:00"));
    EXPECT_FALSE(log.IsDateWord(14, "10:00:00"));
    EXPECT_FALSE(log.IsDateWord(0, "!"));
    EXPECT_FALSE(log.IsDateWord(21, "Calling"));
    log.SetArgusVersion(3132);
    EXPECT_TRUE(log.IsDateWord(2, "30-Dec-2025"));
    EXPECT_TRUE(log.IsDateWord(14, "10:00:00"));
    EXPECT_FALSE(log.IsDateWord(12, "10:00:00"));

    EXPECT_TRUE(log.IsErrorWord("!"));
    EXPECT_TRUE(log.IsErrorWord("?"));
    EXPECT_TRUE(log.IsErrorWord("aborted"));
    EXPECT_FALSE(log.IsErrorWord("Aborted"));
    EXPECT_FALSE(log.IsErrorWord("!!"));
    EXPECT_FALSE(log.IsErrorWord("aborted,"));
    EXPECT_FALSE(log.IsErrorWord(""));
}

TEST(ArgusLog, FirstWordOfTheMessageColoursTheLine)
{
    TArgusLog log;
    // "+ 30-Dec-25 10:00:00 CONNECT 33600": the marker is Normal for itself only.
    EXPECT_EQ(log.GetWordClass("+", 1, 0), hcNormal);
    EXPECT_EQ(log.GetWordClass("30-Dec-25", 1, 2), hcDateTime);
    EXPECT_EQ(log.GetWordClass("10:00:00", 1, 12), hcDateTime);
    EXPECT_EQ(log.GetWordClass("CONNECT", 1, 21), hcInfo);
    EXPECT_EQ(log.GetWordClass("33600", 1, 29), hcInfo);

    struct Case {
        const char* first;
        int col;
        int cls;
    } cases[] = {
        {"Session", 21, hcInfo},   {"Begin", 21, hcInfo},     {"End", 21, hcInfo},
        {"End", 25, hcNormal},     {"Sending", 21, hcSent},   {"Receiving", 21, hcRecd},
        {"Aborting", 21, hcErrors}, {"Failed", 21, hcErrors}, {"Sent", 21, hcNormal},
        {"Received", 21, hcNormal}, {"connect", 21, hcNormal},
    };
    std::int64_t line = 10;
    for (const Case& c : cases) {
        ++line;
        EXPECT_EQ(log.GetWordClass(" ", line, 0), hcNormal);
        EXPECT_EQ(log.GetWordClass(c.first, line, c.col), c.cls) << c.first << " at " << c.col;
        EXPECT_EQ(log.GetWordClass("next", line, c.col + 10), c.cls) << c.first;
    }

    // A class met at column 0 holds for that word only.
    EXPECT_EQ(log.GetWordClass("Sending", 50, 0), hcSent);
    EXPECT_EQ(log.GetWordClass("Calling", 50, 21), hcNormal);
    EXPECT_EQ(log.GetWordClass("x", 50, 29), hcNormal);

    // An error marker paints the whole line, date words aside; "aborted" from
    // where it stands.
    EXPECT_EQ(log.GetWordClass("!", 60, 0), hcErrors);
    EXPECT_EQ(log.GetWordClass("30-Dec-25", 60, 2), hcDateTime);
    EXPECT_EQ(log.GetWordClass("Carrier", 60, 21), hcErrors);
    EXPECT_EQ(log.GetWordClass("*****", 61, 21), hcNormal);
    EXPECT_EQ(log.GetWordClass("Session", 61, 27), hcNormal);
    EXPECT_EQ(log.GetWordClass("aborted", 61, 35), hcErrors);
    EXPECT_EQ(log.GetWordClass("*****", 61, 43), hcErrors);

    // In the four-digit-year layout the message starts two columns later.
    log.SetArgusVersion(3132);
    EXPECT_EQ(log.GetWordClass("10:00:00", 70, 14), hcDateTime);
    EXPECT_EQ(log.GetWordClass("End", 70, 23), hcInfo);
    EXPECT_EQ(log.GetWordClass("End", 71, 21), hcNormal);
}

// ---------------------------------------------------------------- calls

TEST_F(ArgusLogTest, CallsAndTheirResultsGoToTheDialStatistics)
{
    Script s;
    s("Calling 2:5020/1042")("Dialing 7-095-555-1042")("BUSY", '?');
    s("NO CARRIER", '?');  // the dial address is still known: counted as well
    s("Calling 2:5030/88.0")("NO CARRIER", '?');
    s("Answering call")("BUSY", '?')("NO CARRIER", '?');  // no call of ours: nothing
    s("Calling 1:261/38 (after a pause)")("BUSY", '?');
    ASSERT_TRUE(Run(s));
    EXPECT_TRUE(window.errors.empty());
    EXPECT_EQ(log.SessCount(), 0u);
    const TNodeStatList& stats = log.GetDayStats(0);
    ASSERT_EQ(stats.Count(), 3u);
    const TNodeStat* n1042 = StatOf(stats, "2:5020/1042");
    ASSERT_NE(n1042, nullptr);
    EXPECT_EQ(n1042->Calls, 1);
    EXPECT_EQ(n1042->Busy, 1);
    EXPECT_EQ(n1042->NoCarrier, 1);
    EXPECT_EQ(StatOf(stats, "2:5030/88")->NoCarrier, 1);
    EXPECT_EQ(StatOf(stats, "1:261/38")->Busy, 1);
    EXPECT_EQ(stats.Total.Calls, 3);
    EXPECT_EQ(stats.Total.Busy, 2);
    EXPECT_EQ(stats.Total.NoCarrier, 2);
    EXPECT_EQ(log.CallDir(), TArgusLog::cdCalling);
    ASSERT_TRUE(log.DialAddr().has_value());
    EXPECT_TRUE(EqualAddr(*log.DialAddr(), Addr("1:261/38")));
}

TEST_F(ArgusLogTest, ConnectOpensSessionsInTheDirectionOfTheLastCall)
{
    Script s;
    s("CONNECT 2400", '+')("Carrier lost", '!');  // no call seen: outgoing
    s("Answering call")("CONNECT 14400/ARQ/V32BIS", '+')("Carrier lost", '!');
    s("CONNECT 9600", '+')("Carrier lost", '!');  // the direction stays after a session
    s("Calling 2:5020/1042")("CONNECT TCP/IP", '+')("Carrier lost", '!');
    ASSERT_TRUE(Run(s));
    ASSERT_EQ(log.SessCount(), 4u);
    EXPECT_FALSE(log.GetSess(0).Has(sfIncoming));
    EXPECT_EQ(log.GetSess(0).Speed, 2400u);
    EXPECT_TRUE(log.GetSess(1).Has(sfIncoming));
    EXPECT_EQ(log.GetSess(1).Speed, 14400u);
    EXPECT_TRUE(log.GetSess(2).Has(sfIncoming));
    EXPECT_FALSE(log.GetSess(3).Has(sfIncoming));
    EXPECT_EQ(log.GetSess(3).Speed, kSpeedIP);
    EXPECT_EQ(log.GetSess(3).StartLine, 9);
    // The failed call of the last session counts under the number called.
    const TNodeStat* n = StatOf(log.GetDayStats(0), "2:5020/1042");
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(n->OutSess, 1);
    EXPECT_EQ(n->OutOK, 0);
    EXPECT_FALSE(log.DialAddr().has_value());
}

TEST_F(ArgusLogTest, AnsweringForgetsTheNumberCalledBefore)
{
    Script s;
    s("Calling 2:5030/88")("BUSY", '?');
    s("Answering call")("CONNECT 33600", '+').Handshake("2:5020/1042")("Session complete", '+');
    ASSERT_TRUE(Run(s));
    const TNodeStatList& stats = log.GetDayStats(0);
    EXPECT_EQ(StatOf(stats, "2:5030/88")->InSess, 0);
    ASSERT_NE(StatOf(stats, "2:5020/1042"), nullptr);
    EXPECT_EQ(StatOf(stats, "2:5020/1042")->InSess, 1);
    EXPECT_EQ(StatOf(stats, "2:5020/1042")->InOK, 1);
}

// ---------------------------------------------------------------- the handshake

TEST_F(ArgusLogTest, HandshakeFillsTheSessionInOrder)
{
    Script s;
    s("Calling 2:5020/1042")("CONNECT 31200/ARQ/V34/LAPM/V42BIS", '+');
    s("   Address : 2:9999/9");  // state 1 waits for the station: ignored
    s("Establishing EMSI handshake");  // no protocol of a table: none
    s("   Station : The Black Cat BBS");
    s("     SysOp : Nobody");  // state 2 waits for the address: ignored
    s("   Address : 2:5020/1042@fidonet 2:5020/1042.1@fidonet");
    s("     SysOp : Ivan Petrov from Moscow, Russia");
    s("    Mailer : too early");
    s("    Number : 7-095-555-1042");
    s("    Mailer : Argus 3.210 (Win32)");
    s("Password-protected session");
    s("Sending 'C:\\FIDO\\X.PKT', (100b)");  // no transfers before the protocol
    s("Establishing ZedZap session");
    s("Session complete", '+');
    ASSERT_TRUE(Run(s));
    EXPECT_TRUE(window.errors.empty());
    const TSess& x = OnlySession();
    EXPECT_EQ(x.System, "The Black Cat BBS");
    ASSERT_TRUE(x.Addr.has_value());
    EXPECT_TRUE(EqualAddr(*x.Addr, Addr("2:5020/1042")));
    EXPECT_EQ(x.Addr->Domain, "fidonet");
    EXPECT_EQ(x.SysOp, "Ivan Petrov");
    EXPECT_EQ(x.Phone, "7-095-555-1042");
    EXPECT_EQ(x.Mailer, "Argus 3.210 (Win32)");
    EXPECT_EQ(x.Protocol, prZedZap);
    EXPECT_EQ(x.Speed, 31200u);
    EXPECT_EQ(x.FilesSent, 0);
    EXPECT_EQ(x.Flags, sfOK | sfListed | sfFirstOfDay | sfPassword);
    EXPECT_EQ(x.StartLine, 2);
    EXPECT_EQ(x.EndLine, 15);
}

TEST_F(ArgusLogTest, AddressesEndAtTheFirstBlankOrTabWhateverTheirLength)
{
    // The address of a handshake or a call is its first word: its end is looked for
    // 16 bytes at a time, so the blank may stand before, at and after byte 16, or
    // not at all; a tab ends the word as a blank does.
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"2:5020/1042", "2:5020/1042"},                                    // short, at the end
        {"2:5020/1042 2:5020/1042.1", "2:5020/1042"},                      // blank before byte 16
        {"2:463/68@fidonet 2:463/68.13@fidonet", "2:463/68@fidonet"},      // blank as byte 17
        {"2:463/6@fidonet 2:463/68.13@fidonet", "2:463/6@fidonet"},        // blank as byte 16
        {"2:463/68.13@fidonetwork 2:463/68@fidonet", "2:463/68.13@fidonetwork"},  // after 16
        {"2:463/68.13@fidonetwork", "2:463/68.13@fidonetwork"},            // long, at the end
        {"2:463/68.13@fidonetwork\t2:463/68", "2:463/68.13@fidonetwork"},  // a tab after 16
        {"2:463/68@fido\t2:463/68.13@fidonet", "2:463/68@fido"},           // a tab before 16
        {"  \t 2:463/68.13@fidonetwork", "2:463/68.13@fidonetwork"},       // blanks in front
    };
    Script s;
    for (const auto& [text, addr] : cases) {
        std::string call = "Calling " + text;
        s(call)("CONNECT 2400", '+')("   Station : S")("   Address : " + text)("Session complete", '+');
    }
    ASSERT_TRUE(Run(s));
    EXPECT_TRUE(window.errors.empty());
    ASSERT_EQ(log.SessCount(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const TSess& x = log.GetSess(i);
        ASSERT_TRUE(x.Addr.has_value()) << cases[i].first;
        EXPECT_TRUE(EqualAddr(*x.Addr, Addr(cases[i].second))) << cases[i].first;
        EXPECT_EQ(x.Addr->Domain, Addr(cases[i].second).Domain) << cases[i].first;
    }
    EXPECT_EQ(log.GetDayStats(0).Total.Calls, static_cast<int>(cases.size()));
}

TEST_F(ArgusLogTest, SysOpNamesAndPhones)
{
    struct Case {
        const char* value;
        const char* sysop;
    } cases[] = {
        {"Anna Smirnova", "Anna Smirnova"},                  // no place: the whole value
        {"from Nowhere", ""},                                 // nothing before it
        {"Max Fromm from Berlin", "Max Fromm"},               // the word is matched exactly
        {"Ivan  from Kiev", "Ivan "},                         // one character in front is dropped
        {"", ""},
    };
    for (const Case& c : cases) {
        Script s;
        s("CONNECT 2400", '+')("   Station : S")("   Address : 2:5020/1");
        s(std::string("     SysOp : ") + c.value)("     Phone : -Unpublished-")("    Mailer : M");
        s("Session complete", '+');
        ASSERT_TRUE(Run(s));
        EXPECT_EQ(OnlySession().SysOp, c.sysop) << c.value;
        EXPECT_EQ(OnlySession().Phone, "-Unpublished-");
        EXPECT_EQ(OnlySession().Mailer, "M");
    }
}

TEST_F(ArgusLogTest, PasswordsAndTheProtocolStep)
{
    Script s;
    // A wrong password: marked, and the session is ended by the mailer.
    s("Answering call")("CONNECT 2400", '+')("   Station : S")("   Address : 2:5020/1")("     SysOp : A")
        ("     Phone : 1")("    Mailer : M");
    s("Remote presented the password of another link", '!');  // without "required": nothing
    s("Remote presented a wrong password, the right one required", '!');
    s("Password mismatch, disconnecting", '!');
    // "We have" goes on to the transfers only with a protocol agreed.
    s("Calling 2:5020/2")("CONNECT 2400", '+')("   Station : S")("   Address : 2:5020/2")("     SysOp : A")
        ("     Phone : 1")("    Mailer : M")("We have 2 files for the remote");
    s("Sending 'A.PKT', (100b)")("Sent 'A.PKT'")("Session complete", '+');
    s("Calling 2:463/68")("CONNECT TCP/IP", '+')("Establishing BinkP session")("   Station : S")
        ("   Address : 2:463/68")("     SysOp : A")("     Phone : 1")("    Mailer : M")
        ("We have 1 files for the remote");
    s("Sending 'B.PKT', (200b)")("Sent 'B.PKT'")("Session complete", '+');
    ASSERT_TRUE(Run(s));
    ASSERT_EQ(log.SessCount(), 3u);
    const TSess& bad = log.GetSess(0);
    EXPECT_TRUE(bad.Has(sfBadPassword));
    EXPECT_FALSE(bad.Has(sfBad));
    EXPECT_FALSE(bad.Has(sfOK));
    EXPECT_EQ(bad.PasswordText(), "BAD");
    const TSess& noProtocol = log.GetSess(1);
    EXPECT_EQ(noProtocol.Protocol, prNone);
    EXPECT_EQ(noProtocol.FilesSent, 0);
    EXPECT_EQ(noProtocol.BytesSent, 0);
    const TSess& binkp = log.GetSess(2);
    EXPECT_EQ(binkp.Protocol, prBinkP);
    EXPECT_EQ(binkp.FilesSent, 1);
    EXPECT_EQ(binkp.BytesSent, 200);
    EXPECT_EQ(binkp.Speed, kSpeedIP);
}

// ---------------------------------------------------------------- session ends

TEST_F(ArgusLogTest, EndingsSetTheOutcome)
{
    struct Case {
        const char* what;
        bool afterAddress;
        const char* line;
        bool bad, ok;
    } cases[] = {
        {"complete", true, "Session complete", false, true},
        {"complete early", false, "Session complete", false, true},
        {"stars", true, "***** Session aborted *****", false, false},
        {"stars early", false, "***** Session aborted *****", false, false},
        {"disconnecting", true, "Password mismatch, disconnecting", false, false},
        {"EMSI disconnecting", true, "EMSI data damaged, disconnecting", true, false},
        {"early disconnecting", false, "Nothing heard, disconnecting", true, false},
        {"carrier loss", true, "Aborting due to carrier loss", false, false},
        {"carrier loss early", false, "Aborting due to carrier loss", true, false},
        {"transfer", true, "Transfer aborted by the remote", false, false},
        {"transfer EMSI", true, "Transfer aborted by EMSI timeout", true, false},
        {"carrier", true, "Carrier lost", false, false},
        {"carrier early", false, "Carrier lost", true, false},
        {"cancel", true, "Cancel requested by the operator", false, true},
        {"cancel early", false, "Cancel requested by the operator", true, false},
    };
    for (const Case& c : cases) {
        Script s;
        s("Calling 2:5020/1042")("CONNECT 33600", '+')("   Station : S");
        if (c.afterAddress)
            s("   Address : 2:5020/1042");
        s.Wait(9)(c.line, '!');
        s("Transfer aborted by the remote");  // nothing open any more
        ASSERT_TRUE(Run(s)) << c.what;
        ASSERT_EQ(log.SessCount(), 1u) << c.what;
        const TSess& x = log.GetSess(0);
        EXPECT_EQ(x.Has(sfBad), c.bad) << c.what;
        EXPECT_EQ(x.Has(sfOK), c.ok) << c.what;
        EXPECT_EQ(x.EndLine, c.afterAddress ? 5 : 4) << c.what;
        EXPECT_EQ(x.SessLength(), c.afterAddress ? 12 : 11) << c.what;
        EXPECT_EQ(log.State, 0);
        // Booked under the number called, whatever became of the session.
        const TNodeStat* n = StatOf(log.GetDayStats(0), "2:5020/1042");
        ASSERT_NE(n, nullptr);
        EXPECT_EQ(n->OutSess, 1);
        EXPECT_EQ(n->OutOK, c.ok ? 1 : 0) << c.what;
    }
}

TEST_F(ArgusLogTest, DisconnectingEndsTheSessionWhereverItStands)
{
    // The text may stand at any place of a line of any length; the filler holds
    // its first and last letters to tempt a search into false starts.
    const std::string filler = "gd dgdisconnectin disconnectinG d g ";
    for (std::size_t lead = 0; lead <= filler.size(); ++lead) {
        for (std::size_t tail = 0; tail <= 20; ++tail) {
            for (bool whole : {true, false}) {
                std::string line = filler.substr(0, lead) + (whole ? "disconnecting" : "disconnectin") +
                                   std::string(tail, whole ? 'g' : 'x');
                Script s;
                s("Calling 2:5020/1042")("CONNECT 33600", '+')("   Station : S")(line, '!');
                s("Session complete", '+');
                ASSERT_TRUE(Run(s));
                ASSERT_EQ(log.SessCount(), 1u) << line;
                EXPECT_EQ(log.GetSess(0).EndLine, whole ? 4 : 5) << line;
                EXPECT_EQ(log.GetSess(0).Has(sfOK), !whole) << line;
            }
        }
    }
    // A damaged line of the text alone: the session is marked, but the line has no
    // date and no time to end it with.
    Script s;
    s("Calling 2:5020/1042")("CONNECT 33600", '+').Raw("disconnecting")("Session complete", '+');
    ASSERT_TRUE(Run(s));
    ASSERT_EQ(window.errors.size(), 2u);
    EXPECT_EQ(window.errors[0].first, 3);
    EXPECT_EQ(window.errors[1].first, 3);
    const TSess& x = OnlySession();
    EXPECT_EQ(x.EndLine, 4);
    EXPECT_FALSE(x.Has(sfOK));
    EXPECT_TRUE(x.Has(sfBad));
}

TEST_F(ArgusLogTest, DisconnectingInsideABrokenStampIsFoundToo)
{
    // Where the stamp has its "-" and blank, the search may start with the message;
    // a line whose stamp is broken by the text itself is searched from its start, in
    // both layouts, with the text at every place before the message.
    for (bool longYear : {false, true}) {
        log.SetArgusVersion(longYear ? TArgusLog::kVersionLongYear : TArgusLog::kVersionShortYear);
        const std::string stamp = longYear ? "  14-Mar-2026 10:00:00 " : "  14-Mar-26 10:00:00 ";
        for (std::size_t at = 0; at < stamp.size(); ++at) {
            for (const std::string& tail : {std::string("x"), std::string(40, 'x')}) {
                const std::string line = stamp.substr(0, at) + "disconnecting " + stamp.substr(at) + tail;
                Script s(longYear);
                s("Calling 2:5020/1042")("CONNECT 33600", '+')("   Station : S").Raw(line);
                s("Session complete", '+');
                ASSERT_TRUE(Run(s));
                ASSERT_EQ(log.SessCount(), 1u) << line;
                EXPECT_FALSE(log.GetSess(0).Has(sfOK)) << line;
            }
        }
    }
}

TEST_F(ArgusLogTest, SessionOverMidnightEndsOnTheNextDay)
{
    Script s;
    s.Date(2026, 3, 14).At(23, 59, 50)("Calling 2:5020/1042")("CONNECT 33600", '+').Handshake();
    s.Date(2026, 3, 15).At(0, 0, 10)("Session complete", '+');
    s.At(0, 5, 0)("Calling 2:5020/1042")("CONNECT 33600", '+')("Session complete", '+');
    s.Date(2026, 3, 14).At(23, 0, 0)("CONNECT 2400", '+')("Session complete", '+');  // the clock set back
    ASSERT_TRUE(Run(s));
    ASSERT_EQ(log.SessCount(), 3u);
    EXPECT_EQ(log.GetSess(0).StartTime, EncodeDate(2026, 3, 14) + EncodeTime(23, 59, 51, 0));
    EXPECT_EQ(log.GetSess(0).SessLength(), 19);
    EXPECT_EQ(log.GetSess(1).StartTime, EncodeDate(2026, 3, 15) + EncodeTime(0, 5, 1, 0));
    EXPECT_EQ(log.GetSess(1).SessLength(), 1);
    EXPECT_EQ(log.GetSess(2).StartTime, EncodeDate(2026, 3, 14) + EncodeTime(23, 0, 0, 0));
    EXPECT_EQ(log.GetSess(2).SessLength(), 1);
}

TEST_F(ArgusLogTest, SentAndReceivedAnywhereComeBetweenTheLineKinds)
{
    // "Sent" in a line of a later kind ends a pending send, "Received" in a line of
    // a later kind a pending receive; a line of an earlier kind stays what it is.
    Script s;
    s("CONNECT 2400", '+').Handshake();
    s("Sending 'A.PKT', (10b)");
    s("Sending 'Sent.PKT', (20b)");            // a send of its own
    s("Receiving 'Sent.TXT', (40b)");          // ends the send of Sent.PKT
    s("Receiving 'D.PKT', (40b)");
    s("Remote refused 'Received.TXT'", '?');    // ends the receive of D.PKT
    s("Sending 'B.PKT', (80b)")("Sent 'B.PKT'");
    s("Receiving 'C.PKT', (160b)")("Protocol aborted, nothing Received", '!');
    s("Received 'C.PKT'");                     // nothing pending any more
    s("Session complete", '+');
    ASSERT_TRUE(Run(s));
    EXPECT_TRUE(window.errors.empty());
    const TSess& x = OnlySession();
    EXPECT_EQ(x.FilesSent, 3);
    EXPECT_EQ(x.BytesSent, 20 + 80);
    EXPECT_EQ(x.FilesRcvd, 2);
    EXPECT_EQ(x.BytesRcvd, 40 + 160);
}

TEST_F(ArgusLogTest, IncomingFailureWithoutAddressIsNotBooked)
{
    Script s;
    s("Answering call")("CONNECT 2400", '+')("Carrier lost", '!');
    ASSERT_TRUE(Run(s));
    const TSess& x = OnlySession();
    EXPECT_TRUE(x.Has(sfBad));
    EXPECT_EQ(x.SessText(), "In Failed call");
    EXPECT_EQ(log.GetDayStats(0).Count(), 0u);
    EXPECT_EQ(log.GetDayStats(0).Total.InSess, 0);
}

TEST_F(ArgusLogTest, SessionStillOpenAtTheEndIsNotListed)
{
    Script s;
    s("CONNECT 2400", '+').Handshake()("Sending 'A', (5b)");
    ASSERT_TRUE(Run(s));
    EXPECT_EQ(log.SessCount(), 0u);
    EXPECT_EQ(log.State, 7);
    ASSERT_TRUE(log.SessionOpen());
    EXPECT_EQ(log.CurSess()->FilesSent, 1);
}

// ---------------------------------------------------------------- transfers

TEST_F(ArgusLogTest, SentFilesAreCreditedWhenReportedSent)
{
    Script s;
    s("Calling 2:5020/1042")("CONNECT 33600", '+').Handshake();
    s("Sending 'C:\\FIDO\\OUTBOUND\\0000FFFF.OUT' -> '1A2B3C4D.PKT', (1,234b)");
    EXPECT_EQ(s.Lines(), 9);
    s("Sent '1A2B3C4D.PKT'");
    s("Sending 'C:\\FIDO\\FILES\\BIG.ZIP', (2,345,678b)");
    s("Transmitting from offset 1000");  // only the rest is credited
    s("Sent 'BIG.ZIP'");
    s("Sending 'C:\\FIDO\\FILES\\HUGE.ISO', (5,000,000,000b)");  // beyond 32 bits
    s("Sent 'HUGE.ISO'");
    s("Sent 'HUGE.ISO'");  // nothing pending any more
    s("Sending 'C:\\FIDO\\FILES\\NOT.ZIP', (700b)")("Remote refused 'NOT.ZIP'", '?')("Sent 'NOT.ZIP'");
    s("Session complete", '+');
    ASSERT_TRUE(Run(s));
    EXPECT_TRUE(window.errors.empty());
    const TSess& x = OnlySession();
    EXPECT_EQ(x.FilesSent, 4);  // counted when sending starts
    EXPECT_EQ(x.BytesSent, 1234 + 2345678 - 1000 + 5000000000LL);
    EXPECT_EQ(x.BytesRcvd, 0);
    EXPECT_TRUE(log.PendingSentPath().empty());
}

TEST_F(ArgusLogTest, ReceivedFilesAreCreditedOnlyWhileStillPending)
{
    Script s;
    s("Answering call")("CONNECT 33600", '+').Handshake();
    s("Received 'EARLY.PKT'");  // nothing pending: nothing
    s("Receiving '1A2B3C4D.PKT', (4,096b)")("Received '1A2B3C4D.PKT', 2,048 cps");
    s("Receiving 'NODELIST.Z65', (300,000b)")("Receiving from offset 100,000")("Received 'NODELIST.Z65'");
    s("Receiving 'DUP.PKT', (999b)")("Receiving file was skipped (already here)", '?')("Received 'DUP.PKT'");
    s("Receiving 'GONE.PKT', (50b)")("Protocol aborted by the remote", '!')("Received 'GONE.PKT'");
    s("Receiving 'PART.ZIP', (90,000b)")("Partial file 'PART.ZIP' is temporarily stored, (40,960b)");
    s("Some text that is temporarily stored, without a size");
    s("Session complete", '+');
    ASSERT_TRUE(Run(s));
    EXPECT_TRUE(window.errors.empty());
    const TSess& x = OnlySession();
    EXPECT_EQ(x.FilesRcvd, 5);
    EXPECT_EQ(x.BytesRcvd, 4096 + 200000 + 40960);
    EXPECT_TRUE(x.Has(sfIncoming));
    EXPECT_EQ(log.PendingRcvdName(), "PART.ZIP");
}

TEST_F(ArgusLogTest, OffsetsOnlyCountWhileASizeIsPending)
{
    Script s;
    s("CONNECT 2400", '+').Handshake();
    // With nothing pending the offset text is not even read.
    s("Transmitting from offset garbage")("Receiving from offset garbage");
    s("Sending 'A', (0b)")("Transmitting from offset 500")("Sent 'A'");
    s("Sending 'B', (1,000b)")("Transmitting from offset 1,500")("Sent 'B'");  // an offset past the size
    s("Sending 'C', (1,000b)")("Transmitting from offset 100")("Transmitting from offset 100")("Sent 'C'");
    s("Receiving 'D', (1,000b)")("Receiving from offset 2,000")("Receiving from offset 5")("Received 'D'");
    s("Session complete", '+');
    ASSERT_TRUE(Run(s));
    EXPECT_TRUE(window.errors.empty());
    // Never less than nothing; a second offset counts again.
    EXPECT_EQ(OnlySession().BytesSent, 800);
    EXPECT_EQ(OnlySession().BytesRcvd, 0);
}

TEST_F(ArgusLogTest, ConnectDropsATransferLeftByTheSessionBefore)
{
    Script s;
    s("CONNECT 2400", '+').Handshake()("Sending 'A.ZIP', (5,000b)")("Receiving 'B.ZIP', (7,000b)");
    s("Carrier lost", '!');
    s("CONNECT 2400", '+').Handshake()("Sent 'A.ZIP'")("Received 'B.ZIP'")("Session complete", '+');
    ASSERT_TRUE(Run(s));
    ASSERT_EQ(log.SessCount(), 2u);
    EXPECT_EQ(log.GetSess(0).BytesSent, 0);
    EXPECT_EQ(log.GetSess(1).BytesSent, 0);
    EXPECT_EQ(log.GetSess(1).BytesRcvd, 0);
    EXPECT_EQ(log.GetSess(1).FilesSent, 0);
}

TEST_F(ArgusLogTest, ReanalysisStartsWithoutLeftovers)
{
    Script s;
    s("Answering call")("CONNECT 2400", '+').Handshake()("Sending 'A.ZIP', (5,000b)");
    ASSERT_TRUE(Run(s));
    EXPECT_EQ(log.CallDir(), TArgusLog::cdAnswering);
    EXPECT_EQ(log.PendingSendSize(), 5000);
    Script t;
    t("Sent 'A.ZIP'")("CONNECT 2400", '+')("Carrier lost", '!');
    ASSERT_TRUE(Run(t));
    EXPECT_EQ(log.CallDir(), TArgusLog::cdNone);
    EXPECT_EQ(log.PendingSendSize(), 0);
    EXPECT_TRUE(log.PendingSentPath().empty());
    EXPECT_FALSE(OnlySession().Has(sfIncoming));
}

TEST_F(ArgusLogTest, FileRequestsAndTheFilesSentForThem)
{
    Script s;
    s("Calling 2:5020/1042")("CONNECT 33600", '+').Handshake();
    s("File request \"nodelist.z65\" with a password");
    s("Sending 'C:\\FIDO\\FILES\\NODELIST.Z65', (300,000b)")("Sent 'NODELIST.Z65'");
    s("File request \"NODE*\"");
    s("Sending 'C:\\FIDO\\FILES\\NODEDIFF.A72', (20,000b)")("Sent 'NODEDIFF.A72'");
    s("Sending 'C:\\FIDO\\FILES\\NODELIST.Z65', (300,000b)")("Sent 'NODELIST.Z65'");
    s("File request \"WINDOWS.ZIP\"")("Cannot fulfill file request \"WINDOWS.ZIP\"", '?');
    s("Cannot fulfill file request \"DOOM.WAD\"", '?');
    s("File request \"\"")("File request \"   \"");  // nothing to record
    s("Sending 'C:\\FIDO\\OUTBOUND\\1.OUT' -> 'DOOM.WAD', (10b)")("Sent 'DOOM.WAD'");
    s("Session complete", '+');
    ASSERT_TRUE(Run(s));
    EXPECT_TRUE(window.errors.empty());
    ASSERT_EQ(log.FreqCount(), 5u);
    const TFreq& exact = log.GetFreq(0);
    EXPECT_EQ(exact.Name, "NODELIST.Z65");
    EXPECT_TRUE(exact.Sent);
    EXPECT_EQ(exact.Path, "C:\\FIDO\\FILES\\NODELIST.Z65");
    EXPECT_EQ(exact.LineNo, 11);  // the line that sent it
    EXPECT_TRUE(EqualAddr(*exact.Addr, Addr("2:5020/1042")));
    const TFreq& mask = log.GetFreq(1);
    EXPECT_EQ(mask.Name, "NODE*");
    EXPECT_TRUE(mask.Sent);
    EXPECT_EQ(mask.RealName, "NODEDIFF.A72");
    EXPECT_EQ(log.GetFreq(2).Name, "NODE*");
    EXPECT_EQ(log.GetFreq(2).RealName, "NODELIST.Z65");
    EXPECT_EQ(log.GetFreq(3).Name, "WINDOWS.ZIP");
    EXPECT_FALSE(log.GetFreq(3).Sent);
    EXPECT_EQ(log.GetFreq(3).LineNo, 18);
    // A request refused at first but sent later under the same name (the path is
    // then the name the file went out as).
    const TFreq& doom = log.GetFreq(4);
    EXPECT_EQ(doom.Name, "DOOM.WAD");
    EXPECT_TRUE(doom.Sent);
    EXPECT_EQ(doom.Path, "DOOM.WAD");
    EXPECT_EQ(log.Requesters().Count(), 1);
    EXPECT_EQ(OnlySession().FilesSent, 4);
}

TEST_F(ArgusLogTest, SizeTexts)
{
    auto size = [](std::string_view text, std::string_view* rest = nullptr) {
        std::int64_t n = TArgusLog::TakeSize(text);
        if (rest)
            *rest = text;
        return n;
    };
    std::string_view rest;
    EXPECT_EQ(size("FILE.ZIP', (12,345b)", &rest), 12345);
    EXPECT_EQ(rest, "FILE.ZIP'");
    EXPECT_EQ(size("no size at all", &rest), 0);
    EXPECT_EQ(rest, "no size at all");
    // A parenthesis in the name does not hide the size at the end.
    EXPECT_EQ(size("A(1).ZIP', (700bytes)", &rest), 700);
    EXPECT_EQ(rest, "A(1).ZIP'");
    EXPECT_EQ(size("(5b)", &rest), 5);
    EXPECT_EQ(rest, "");
    EXPECT_EQ(size("x(9b", &rest), 9);
    EXPECT_EQ(rest, "");
    EXPECT_EQ(size("(9,223,372,036,854,775,807b)"), INT64_MAX);
    EXPECT_THROW(size("(9,223,372,036,854,775,808b)"), EConvertError);
    EXPECT_THROW(size("('12 b)"), EConvertError);
    EXPECT_THROW(size("(12 b)"), EConvertError);  // a blank after the number
    EXPECT_THROW(size("()"), EConvertError);
    EXPECT_THROW(size("(b)"), EConvertError);
    EXPECT_THROW(size("(,b)"), EConvertError);
    // Whatever way the number is read, it is read as ParseCount reads it.
    EXPECT_EQ(size("(09b)"), 9);
    EXPECT_EQ(size("(,5b)"), 5);
    EXPECT_EQ(size("( 5b)"), 5);
    EXPECT_EQ(size("(+5b)"), 5);
    EXPECT_EQ(size("NAME', (5b) ", &rest), 5);
    EXPECT_EQ(rest, "NAME'");
    EXPECT_EQ(size("x (3b)(4b)", &rest), 4);
    EXPECT_EQ(rest, "x (3");
    EXPECT_THROW(size("(12b)(b)"), EConvertError);
    EXPECT_THROW(size("(12b)(x5b)"), EConvertError);
    EXPECT_EQ(size("(999,999,999,999,999,999b)"), 999999999999999999);
    EXPECT_EQ(size("(1,000,000,000,000,000,000b)"), 1000000000000000000);
    EXPECT_EQ(size("(0,000,000,000,000,000,000,000,012b)"), 12);
    EXPECT_EQ(TArgusLog::ParseCount(" 1,000"), 1000);
    EXPECT_EQ(TArgusLog::ParseCount("+1,0,0"), 100);
    EXPECT_THROW(TArgusLog::ParseCount("-100"), EConvertError);
    EXPECT_THROW(TArgusLog::ParseCount(""), EConvertError);
    EXPECT_THROW(TArgusLog::ParseCount("1000 "), EConvertError);
    try {
        TArgusLog::ParseCount("12x");
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "'12x' is not a valid integer value");
    }
}

// ---------------------------------------------------------------- the newer layout

TEST_F(ArgusLogTest, NewerLayoutReadsTheSameStory)
{
    auto story = [](Script& s) {
        s.Date(1999, 12, 31).At(23, 59, 40);
        s("Calling 2:5020/1042")("CONNECT 33600", '+').Handshake();
        s("File request \"README.TXT\"")("Sending 'C:\\FILES\\README.TXT', (1,000b)")("Sent 'README.TXT'");
        s.Date(2000, 1, 1).At(0, 0, 10);
        s("Receiving 'A.PKT', (2,000b)")("Received 'A.PKT'")("Session complete", '+');
    };
    Script older(false), newer(true);
    story(older);
    story(newer);
    ASSERT_TRUE(Run(older));
    ASSERT_EQ(log.SessCount(), 1u);
    const TSess a = log.GetSess(0);
    // The texts of a session belong to the analysis that read them.
    const std::string systemA(a.System);
    log.SetArgusVersion(3132);
    ASSERT_TRUE(Run(newer));
    EXPECT_TRUE(window.errors.empty());
    const TSess& b = OnlySession();
    for (const TSess* x : {&a, &b}) {
        EXPECT_EQ(x->StartTime, EncodeDate(1999, 12, 31) + EncodeTime(23, 59, 41, 0));
        EXPECT_EQ(x->EndTime, EncodeDate(2000, 1, 1) + EncodeTime(0, 0, 12, 0));
        EXPECT_EQ(x->SessLength(), 31);
        EXPECT_EQ(x->BytesSent, 1000);
        EXPECT_EQ(x->BytesRcvd, 2000);
        EXPECT_EQ(x->CPS, 2000 / 31);
        EXPECT_EQ(x == &a ? std::string_view(systemA) : x->System, "Hedgehog's Burrow");
        EXPECT_EQ(x->Protocol, prHydra);
        EXPECT_TRUE(x->Has(sfOK));
    }
    EXPECT_EQ(log.DayCount(), 2u);
    EXPECT_TRUE(log.GetFreq(0).Sent);

    // The newer log read with the older layout finds no message where it looks, and
    // takes the century digits for the year.
    log.SetArgusVersion(3131);
    ASSERT_TRUE(Run(newer));
    EXPECT_EQ(log.SessCount(), 0u);
    EXPECT_EQ(log.FreqCount(), 0u);
    EXPECT_EQ(log.GetDay(0).Date, EncodeDate(2019, 12, 31));
}

// ---------------------------------------------------------------- damaged input

TEST_F(ArgusLogTest, DamagedLinesAreReportedAndTheSessionGoesOn)
{
    LoadLng(std::string(TARVIX_SOURCE_DIR) + "/lng/QZ_Eng.lng");
    Script s;
    s("Calling 2:5020/x");                       // 1: no address
    s("Calling")("Calling ");                    // 2, 3: nothing to call
    s("CONNECT 2400", '+');                      // 4
    s("   Station : S")("   Address : ");        // 5, 6: no address: the state stays
    s("   Address : 2:5020/1042 more")("     SysOp : A")("     Phone : 1")("    Mailer : M");  // 7-10
    s("Establishing Hydra session");             // 11
    s("Sending 'A.ZIP', (12a34b)");              // 12: the size is no number
    s("Sending 'B.ZIP', (1,000b)")("Transmitting from offset 1x");  // 13, 14
    s("Sent 'B.ZIP'");                           // 15: credited in full
    s("Receiving 'C.ZIP', (oops)")("Received 'C.ZIP'");  // 16, 17
    s.Raw("  14-Mar-26 25:00:00 Partial file 'C' is temporarily stored (5b)");  // 18: the time is not needed
    s.Raw("  14-Mar-26 1");                      // 19: too short for anything
    s.Raw("  14-Mar-26 10:00:30 Session com");    // 20: a cut message
    s.Raw("  14-Mar-26 xx:00:31 Session complete");  // 21: cannot be closed at a bad time
    s("Session complete", '+');                  // 22
    ASSERT_TRUE(Run(s));
    std::vector<std::int64_t> lines;
    for (const auto& e : window.errors)
        lines.push_back(e.first);
    EXPECT_EQ(lines, (std::vector<std::int64_t>{1, 2, 3, 6, 12, 14, 16, 21}));
    EXPECT_EQ(log.ErrorCount, 8);
    EXPECT_NE(window.errors[4].second.find("12a34"), std::string::npos) << window.errors[4].second;
    const TSess& x = OnlySession();
    EXPECT_EQ(x.EndLine, 22);
    EXPECT_TRUE(EqualAddr(*x.Addr, Addr("2:5020/1042")));
    EXPECT_EQ(x.FilesSent, 1);
    EXPECT_EQ(x.BytesSent, 1000);
    EXPECT_EQ(x.FilesRcvd, 0);
    EXPECT_EQ(x.BytesRcvd, 5);
    EXPECT_EQ(log.GetDayStats(0).Total.Calls, 0);
    UnloadLng();
}

TEST_F(ArgusLogTest, EveryCutOfASessionIsReadWithoutHarm)
{
    Script s;
    s("Calling 2:5020/1042")("CONNECT 33600", '+').Handshake();
    s("File request \"NODELIST.Z65\"")("Sending 'C:\\FIDO\\FILES\\NODELIST.Z65' -> 'NL.Z65', (300,000b)");
    s("Transmitting from offset 1,024")("Sent 'NL.Z65'")("Receiving 'A.PKT', (2,000b)");
    s("Receiving from offset 1,000")("Received 'A.PKT'")("Session complete", '+');
    const std::string& text = s.Text();
    Settings().SkipErrors = true;
    // Each line cut short at every length, alone and inside the whole session.
    for (std::size_t cut = 0; cut < text.size(); ++cut) {
        std::string damaged = text.substr(0, cut);
        log.SetText(damaged);
        ASSERT_TRUE(log.Analyse({})) << cut;
        std::size_t eol = text.find('\r', cut);
        std::string holed = text.substr(0, cut) + text.substr(eol == std::string::npos ? text.size() : eol);
        log.SetText(holed);
        ASSERT_TRUE(log.Analyse({})) << cut;
        EXPECT_LE(log.SessCount(), 1u);
    }
    Settings().SkipErrors = false;
}

TEST_F(ArgusLogTest, RandomBytesNeverCrash)
{
    std::mt19937 rnd(20261230);
    Settings().SkipErrors = true;
    for (bool longYear : {false, true}) {
        log.SetArgusVersion(longYear ? 3132 : 3131);
        for (int round = 0; round < 40; ++round) {
            std::string text;
            // Random bytes, and random bytes behind a valid time stamp and message start.
            Script prefix(longYear);
            const char* starts[] = {"Sending '", "Receiving '", "Calling ", "CONNECT ", "   Address : ",
                                    "File request \"", "Cannot fulfill file request \"", "Sent '",
                                    "Transmitting from offset ", "Receiving from offset ", "     SysOp : "};
            for (int line = 0; line < 60; ++line) {
                std::string junk;
                int len = static_cast<int>(rnd() % 90);
                for (int i = 0; i < len; ++i)
                    junk += static_cast<char>(1 + rnd() % 255);
                if (rnd() % 3 == 0)
                    text += junk + "\n";
                else
                    prefix(std::string(starts[rnd() % std::size(starts)]) + junk);
                if (line == 10 || line == 30)
                    prefix("CONNECT 2400").Handshake();
            }
            text += prefix.Text();
            log.SetText(text);
            ASSERT_TRUE(log.Analyse({}));
            EXPECT_GE(log.LineNo, 60);
        }
    }
    Settings().SkipErrors = false;
}
