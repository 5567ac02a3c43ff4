#include "engine/SFMailLog.h"
#include "fido/Dialogs.h"
#include "fido/FidoAddr.h"
#include "platform/Error.h"
#include "tools/lngwriters/MailerLngWriter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

using namespace tarvix;
namespace fs = std::filesystem;

namespace {

// This test's own wording of the SF-Mail messages, with their marker fields.
std::vector<std::pair<std::uint16_t, std::string>> TestEntries()
{
    return {
        {1027, "(#) Request list (%1 names):"},
        {1030, "(#) %1"},
        {1037, "    Nodelist: %1"},
        {1039, "(#) Mail only session"},
        {1060, "(+) Ring, picking up"},
        {1081, "(+) Dialling %1, %2, %3"},
        {1082, "(#) VISITOR detected, no EMSI from %1"},
        {1084, "    Station: %1"},
        {1085, "    AKA: %1"},
        {1087, "    Operator: %1"},
        {1089, "    Number: %1"},
        {1091, "    Software: %1"},
        {1094, "(#) Protected by password"},
        {1115, "    VISITOR left the line"},
        {1125, "(+) Delivered: %1"},
        {1135, "(+) Delivered partly: %1"},
        {1153, "(+) Manual call %1"},
        {1155, "    Transfer protocol: %1"},
        {1157, "(+) End of session, %1"},
        {1158, "(?) Remote aborted: %1"},
        {1159, "    Bytes out/in: %1/%2, %3"},
        {1160, "    Rate: %1"},
        {2012, "(#) Nothing found for the request"},
        {2032, "(!) No carrier"},
        {2034, "(!) Busy"},
        {2035, "(!) EMSI failure: %1"},
        {2038, "(!) Lost the carrier"},
        {2040, "(?) Bad password from %1"},
    };
}

// A line of the log: the time stamp, two blanks, the message.
std::string L(const std::string& time, const std::string& msg) { return time + "  " + msg; }

// A day separator line: twelve line-drawing bytes, then the date.
std::string Sep(const std::string& date) { return std::string(12, '\xC4') + " " + date + ", Monday " + std::string(8, '\xC4'); }

struct TestWindow : TLogWindow {
    std::vector<std::pair<std::int64_t, std::string>> errors;
    void GoToLine(std::int64_t) override {}
    void LineError(std::int64_t lineNo, const std::string& message) override { errors.emplace_back(lineNo, message); }
    bool ShowErrorLine(std::int64_t, const std::string&) override { return true; }
};

void WriteBytes(const fs::path& path, const std::string& bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string Join(const std::vector<std::string>& lines)
{
    std::string s;
    for (const std::string& l : lines)
        s += l + "\r\n";
    return s;
}

class SFMailLogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        static int n = 0;
        dir = fs::temp_directory_path() / ("tarvix-sfmail-" + std::to_string(::getpid()) + "-" + std::to_string(++n));
        fs::remove_all(dir);
        WriteBytes(dir / "sf-mail.lng", lngwriters::BuildSFMailLng(TestEntries()));
        WriteBytes(dir / "cfg" / "sf-mail.cfg", "Fr_Alias freq.als\r\n");
        WriteBytes(dir / "freq.als", "NODELIST  C:\\FILES\\NODELIST.Z26\r\n");
        SetDialogs(&dialogs);
        log.SetMailerPath(dir.string());
        log.Window = &window;
        ClearMainAddr();
        SetMainAddr(TFidoAddr(2, 5030, 999, 0));
    }
    void TearDown() override
    {
        SetDialogs(nullptr);
        ClearMainAddr();
        std::error_code ec;
        fs::remove_all(dir, ec);
    }

    bool Run(const std::vector<std::string>& lines)
    {
        log.SetText(Join(lines));
        return log.Analyse({});
    }
    const TSess& Sess(std::size_t i) const { return log.GetSess(i); }
    std::string FreqText(std::size_t i) const
    {
        const TFreq& f = log.GetFreq(i);
        return f.Name + "|" + f.RealName + "|" + (f.Sent ? "sent" : "-") + "|" + std::string(f.Path) + "|" +
               std::to_string(f.LineNo);
    }

    fs::path dir;
    TBatchDialogs dialogs{mrOk, true};
    TestWindow window;
    TSFMailLog log;
};

// The lines of an outgoing session to 2:5020/52 that goes through every state.
std::vector<std::string> OutgoingSession()
{
    return {
        Sep("13 Apr 2026"),                                         // 1
        L("10:00:00", "(+) Dialling Dark_Tower, 2:5020/52, 7-095-555"),  // 2
        L("10:00:30", "(+) CONNECT 33600/ARQ/V42BIS"),              // 3
        L("10:00:31", "(#) EMSI handshake"),                        // 4 nothing
        L("10:00:32", "    Station: Dark Tower (Moscow)"),          // 5
        L("10:00:32", "    AKA: 2:5020/52@fidonet 2:5020/0@fidonet"),  // 6
        L("10:00:32", "    Operator: Ivan Petrov"),                 // 7
        L("10:00:32", "    Number: 7-095-555-0101"),                // 8
        L("10:00:32", "    Software: T-Mail/2608"),                 // 9
        L("10:00:32", "(#) Protected by password"),                 // 10
        L("10:00:32", "    Nodelist: listed"),                      // 11
        L("10:00:33", "(#) Mail only session"),                     // 12
        L("10:00:33", "    Transfer protocol: Hydra"),              // 13
        L("10:00:34", "+Send-HY: 0000ABCD.PKT (1000 bytes)"),       // 14
        L("10:00:35", "-Recv-HY: 1111ABCD.SU0 (3000 bytes)"),       // 15
        L("10:00:36", "-Recv-HY: 2222ABCD.SU0 (3000 bytes)"),       // 16
        L("10:00:50", "(+) End of session, 0:00:20"),               // 17
        L("10:00:50", "    Bytes out/in: 1000/6000, 1/2"),          // 18
        L("10:00:50", "    Rate: 300"),                             // 19
    };
}

}  // namespace

// --- the class and its settings ---------------------------------------------------

TEST(SFMailLogClass, FactoryCreatesTheStyleWithItsOptions)
{
    RegisterSFMailLogStyle();
    auto log = CreateLogOfStyle(lsSFMail);
    auto* sf = dynamic_cast<TSFMailLog*>(log.get());
    ASSERT_NE(sf, nullptr);
    EXPECT_EQ(sf->Style, lsSFMail);
    EXPECT_TRUE(sf->HasOptions);
    EXPECT_EQ(sf->MsgCol, 11);
    EXPECT_EQ(sf->FrAlias(), "freq.als");
}

TEST(SFMailLogClass, CfgPathIsStoredAfterTheMailerValues)
{
    TSFMailLog log;
    log.Name = "SF";
    log.CfgPath = "D:\\SF\\CFG\\OTHER.CFG";
    log.SetMailerPath("D:\\SF");
    TIniFile ini;
    log.SaveToReg(ini, "Log1");
    auto keys = ini.ReadSection("Log1");
    ASSERT_GE(keys.size(), 4u);
    EXPECT_EQ(keys.back(), "CfgPath");
    EXPECT_EQ(keys[keys.size() - 2], "DSSort");

    TSFMailLog back;
    back.LoadFromReg(ini, "Log1");
    EXPECT_EQ(back.CfgPath, "D:\\SF\\CFG\\OTHER.CFG");
    EXPECT_EQ(back.MailerPath(), "D:\\SF");
    EXPECT_EQ(back.Name, "SF");

    TIniFile empty;
    back.LoadFromReg(empty, "Log1");
    EXPECT_EQ(back.CfgPath, "");
}

TEST(SFMailLogClass, ConfigFileComesFromCfgPathOrTheMailerDirectory)
{
    TSFMailLog log;
    log.SetMailerPath("C:\\SF");
    EXPECT_EQ(log.ConfigFileName(), "C:\\SF\\cfg\\sf-mail.cfg");
    log.CfgPath = "D:\\ELSE\\MY.CFG";
    EXPECT_EQ(log.ConfigFileName(), "D:\\ELSE\\MY.CFG");
    log.CfgPath = "alt\\my.cfg";  // relative: against the mailer directory
    EXPECT_EQ(log.ConfigFileName(), "C:\\SF\\alt\\my.cfg");
    log.CfgPath = "/home/fido/sf.cfg";  // a path of this host
    EXPECT_EQ(log.ConfigFileName(), "/home/fido/sf.cfg");
}

// --- highlighting -----------------------------------------------------------------

TEST_F(SFMailLogTest, HighlightingFollowsTheFirstWordOfTheMessage)
{
    ASSERT_TRUE(Run({}));
    EXPECT_EQ(log.SpecialWord(), "VISITOR");

    EXPECT_TRUE(log.IsDateWord(0, "10:00:00"));
    EXPECT_FALSE(log.IsDateWord(10, "10:00:00"));
    EXPECT_FALSE(log.IsDateWord(0, "10"));
    EXPECT_FALSE(log.IsDateWord(0, "1000:00"));

    EXPECT_TRUE(log.IsErrorWord("(!)"));
    EXPECT_TRUE(log.IsErrorWord("(?)"));
    EXPECT_FALSE(log.IsErrorWord("(+)"));

    struct Case {
        std::string word;
        int cls;
    };
    const std::vector<Case> cases = {
        {"\xC4\xC4\xC4\xC4", hcInfo}, {"(\x0F)", hcInfo},      {"(+)", hcInfo},      {"(#)", hcInfo},
        {"+Send-HY:", hcSent},        {"-Recv-ZM:", hcRecd},   {"xSend", hcSent},    {"Send-HY:", hcNormal},
        {"VISITOR", hcSpecial},       {"visitor", hcNormal},   {"Station:", hcNormal}, {"(x)", hcNormal},
        {"+Sen", hcNormal},
    };
    std::int64_t lineNo = 1000;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.word);
        EXPECT_TRUE(log.WordClass(c.word, 10));
        EXPECT_EQ(log.GetWordClass(c.word, ++lineNo, 10), c.cls);
    }

    // One decision per line: the class of the first message word holds to its end,
    // an error marker paints the rest of the line.
    EXPECT_EQ(log.GetWordClass("10:00:01", 7, 0), hcDateTime);
    EXPECT_EQ(log.GetWordClass("+Send-HY:", 7, 10), hcSent);
    EXPECT_EQ(log.GetWordClass("VISITOR", 7, 20), hcSent);
    EXPECT_EQ(log.GetWordClass("(!)", 8, 10), hcErrors);
    EXPECT_EQ(log.GetWordClass("Busy", 8, 14), hcErrors);
}

// --- days and times -----------------------------------------------------------------

TEST_F(SFMailLogTest, SeparatorLinesMakeTheDays)
{
    ASSERT_TRUE(Run({
        L("09:00:00", "    before any separator"),  // 1
        Sep("13 Apr 2026"),                        // 2
        L("10:00:00", "    a line"),                // 3
        Sep("13 Apr 2026"),                        // 4 same date: no new day
        Sep("14 Apr 2026"),                        // 5
        std::string(12, '\xC4') + " 1 Jan 1999,",  // 6 a one-digit day, nothing after the year
    }));
    ASSERT_EQ(log.DayCount(), 3u);
    EXPECT_EQ(log.GetDay(0).FirstLine, 2);
    EXPECT_EQ(log.GetDay(0).Date, EncodeDate(2026, 4, 13));
    EXPECT_EQ(log.GetDay(1).FirstLine, 5);
    EXPECT_EQ(log.GetDay(2).Date, EncodeDate(1999, 1, 1));
    EXPECT_EQ(log.DayOfLine(1), -1);
    EXPECT_EQ(log.DayOfLine(4), 0);
    EXPECT_EQ(log.CurrentDate(), EncodeDate(1999, 1, 1));
    EXPECT_EQ(log.DateOfLine("12:00:00  x"), EncodeDate(1999, 1, 1));
    EXPECT_DOUBLE_EQ(log.TimeOfLine("12:34:56  x"), EncodeDate(1999, 1, 1) + EncodeTime(12, 34, 56, 0));
    EXPECT_EQ(log.ErrorCount, 0);
    // Each analysis starts without a date.
    ASSERT_TRUE(Run({L("10:00:00", "    x")}));
    EXPECT_EQ(log.CurrentDate(), 0);
    EXPECT_EQ(log.DayCount(), 0u);
}

TEST_F(SFMailLogTest, ASeparatorOfTheSameDateKeepsTheDaysStatistics)
{
    // The mailer restarted during the day: its separator repeats the date.
    ASSERT_TRUE(Run({
        Sep("13 Apr 2026"),
        L("09:00:00", "(+) Manual call 1"),
        L("09:00:10", "(+) CONNECT 9600"),
        L("09:00:20", "(+) End of session, x"),
        L("10:00:00", "(+) Dialling A, 2:5020/52, 1"),
        L("10:00:01", "(!) Busy"),
        Sep("13 Apr 2026"),
        L("11:00:00", "(+) Manual call 1"),
        L("11:00:10", "(+) CONNECT 9600"),
        L("11:00:20", "(+) End of session, x"),
        Sep("14 Apr 2026"),
        L("12:00:00", "(+) Manual call 1"),
        L("12:00:10", "(+) CONNECT 9600"),
        L("12:00:20", "(+) End of session, x"),
    }));
    EXPECT_EQ(log.DayCount(), 2u);
    ASSERT_EQ(log.DayStatCount(), 2u);
    EXPECT_EQ(log.GetDayStats(0).Total.Busy, 1);
    ASSERT_EQ(log.SessCount(), 3u);
    EXPECT_TRUE(Sess(0).Has(sfFirstOfDay));
    EXPECT_FALSE(Sess(1).Has(sfFirstOfDay));
    EXPECT_TRUE(Sess(2).Has(sfFirstOfDay));
}

TEST_F(SFMailLogTest, UnreadableSeparatorsAndTimesAreLineErrors)
{
    ASSERT_TRUE(Run({
        Sep("13 Apr 2026"),
        std::string(12, '\xC4'),                            // 2 no date at all
        std::string(12, '\xC4') + " 13 Foo 2026, x",        // 3 no month
        std::string(12, '\xC4') + " 31 Feb 2026, x",        // 4 no such day
        std::string(12, '\xC4') + " xx Apr 2026, x",        // 5
        std::string(20, '\xC4') + " 14 Apr 2026, x",        // 6 the date is not at column 13
        Sep("15 Apr 2026"),                                 // 7
        L("10:00:00", "(+) Ring, picking up"),
        "1x:00:00  (+) CONNECT 2400",                       // 9 a time that is no time
        L("25:00:00", "(+) CONNECT 2400"),                  // 10
    }));
    ASSERT_EQ(log.DayCount(), 2u);
    EXPECT_EQ(log.GetDay(1).FirstLine, 7);
    std::vector<std::int64_t> lines;
    for (const auto& e : window.errors)
        lines.push_back(e.first);
    EXPECT_EQ(lines, (std::vector<std::int64_t>{2, 3, 4, 5, 6, 9, 10}));
    EXPECT_EQ(log.ErrorCount, 7);
    // The failed CONNECT of line 9 left the call mode standing; line 10 fails too,
    // and no session is ever opened.
    EXPECT_EQ(log.SessCount(), 0u);
}

// --- sessions ----------------------------------------------------------------------

TEST_F(SFMailLogTest, OutgoingSessionGoesThroughEveryState)
{
    ASSERT_TRUE(Run(OutgoingSession()));
    ASSERT_EQ(log.SessCount(), 1u);
    const TSess& s = Sess(0);
    EXPECT_EQ(s.StartLine, 2);  // the line before the CONNECT line
    EXPECT_EQ(s.EndLine, 17);
    EXPECT_DOUBLE_EQ(s.StartTime, EncodeDate(2026, 4, 13) + EncodeTime(10, 0, 30, 0));
    EXPECT_EQ(s.SessLength(), 20);
    EXPECT_EQ(s.System, "Dark Tower");
    ASSERT_TRUE(s.Addr);
    EXPECT_EQ(s.Addr->ToStrFlags(pfPoint), "2:5020/52.0");
    EXPECT_EQ(s.SysOp, "Ivan Petrov");
    EXPECT_EQ(s.Phone, "7-095-555-0101");
    EXPECT_EQ(s.Mailer, "T-Mail/2608");
    EXPECT_EQ(s.Speed, 33600u);
    EXPECT_EQ(s.Protocol, prHydra);
    EXPECT_EQ(s.FilesSent, 1);
    EXPECT_EQ(s.FilesRcvd, 2);
    EXPECT_EQ(s.BytesSent, 1000);
    EXPECT_EQ(s.BytesRcvd, 6000);
    EXPECT_EQ(s.CPS, 300);
    EXPECT_EQ(s.Flags, sfOK | sfListed | sfPassword | sfMailOnly | sfFirstOfDay);

    // The call was counted for the dialled address, the session and its traffic too.
    ASSERT_EQ(log.DayStatCount(), 1u);
    const TNodeStatList& stats = log.GetDayStats(0);
    ASSERT_EQ(stats.Count(), 1u);
    const TNodeStat& n = stats.GetItems(0);
    EXPECT_EQ(n.Calls, 1);
    EXPECT_EQ(n.OutSess, 1);
    EXPECT_EQ(n.OutOK, 1);
    EXPECT_EQ(n.BytesSent, 1000);
    EXPECT_EQ(n.BytesRcvd, 6000);
    EXPECT_EQ(n.Time, 20);
    EXPECT_EQ(n.CPS, 300);
    EXPECT_EQ(stats.Total.BytesRcvd, 6000);
    EXPECT_EQ(stats.Total.CPS, 300);
    EXPECT_EQ(log.State, 0);
}

TEST_F(SFMailLogTest, LinesOutOfTheirStateChangeNothing)
{
    std::vector<std::string> lines = {
        Sep("13 Apr 2026"),
        L("10:00:00", "(+) Ring, picking up"),
        L("10:00:10", "(+) CONNECT 2400"),
        L("10:00:11", "    AKA: 2:5020/52"),          // not yet: the station comes first
        L("10:00:11", "    Operator: Nobody"),
        "    Station: indented, no time stamp",         // not a digit first: ignored
        std::string(12, '\xC4') + " 13 Apr 2026, x",   // the same day again
        L("10:00:12", "    Station: Real Station"),
        L("10:00:12", "    Station: Second Station"),  // state 2 now: ignored
        L("10:00:12", "    Transfer protocol: ZModem"),  // too early
        L("10:00:12", "+Send-ZM: A.PKT"),               // too early
        L("10:00:13", "    AKA: 2:5020/53"),
        L("10:00:13", "    Operator: Olga"),
        L("10:00:13", "    Number: 1-2-3"),
        L("10:00:13", "    Software: X"),
        L("10:00:13", "    Transfer protocol: ZModem"),  // needs the listing line first
        L("10:00:13", "    Nodelist: unlisted"),
        L("10:00:13", "(#) Protected by password"),      // state 7 now: ignored
        L("10:00:14", "    Transfer protocol: ZModem"),
        L("10:00:14", "(#) Mail only session"),          // state 8 now: ignored
        L("10:00:20", "(+) End of session, 0:00:10"),
    };
    ASSERT_TRUE(Run(lines));
    ASSERT_EQ(log.SessCount(), 1u);
    const TSess& s = Sess(0);
    EXPECT_EQ(s.System, "Real Station");
    EXPECT_EQ(s.Addr->ToStrFlags(pfPoint), "2:5020/53.0");
    EXPECT_EQ(s.SysOp, "Olga");
    EXPECT_EQ(s.Protocol, prZModem);
    EXPECT_EQ(s.FilesSent, 0);
    EXPECT_EQ(s.Flags, sfOK | sfIncoming | sfFirstOfDay);  // unlisted, no password
    EXPECT_EQ(log.DayCount(), 1u);
}

TEST_F(SFMailLogTest, ListingStatusAndPasswords)
{
    auto run = [this](const std::string& status, const std::string& passwordLine) {
        std::vector<std::string> lines = {
            Sep("13 Apr 2026"),
            L("10:00:00", "(+) Ring, picking up"),
            L("10:00:10", "(+) CONNECT 2400"),
            L("10:00:11", "    Station: S"),
            L("10:00:11", "    AKA: 2:5020/52"),
            L("10:00:11", "    Operator: O"),
            L("10:00:11", "    Number: N"),
            L("10:00:11", "    Software: M"),
        };
        if (!passwordLine.empty())
            lines.push_back(L("10:00:11", passwordLine));
        lines.push_back(L("10:00:11", "    Nodelist: " + status));
        lines.push_back(L("10:00:20", "(+) End of session, 0:00:10"));
        EXPECT_TRUE(Run(lines));
        EXPECT_EQ(log.SessCount(), 1u);
        return log.SessCount() == 1 ? Sess(0).Flags : std::uint16_t(0);
    };
    EXPECT_TRUE(run("listed", "") & sfListed);
    EXPECT_TRUE(run("listed in 2:5020", "") & sfListed);
    EXPECT_FALSE(run("unlisted", "") & sfListed);
    EXPECT_FALSE(run("protected", "") & sfListed);
    EXPECT_FALSE(run("Listed", "") & sfListed);  // the word is compared as written
    std::uint16_t bad = run("listed", "(?) Bad password from 2:5020/52");
    EXPECT_TRUE(bad & sfBadPassword);
    EXPECT_FALSE(bad & sfPassword);
    EXPECT_TRUE(run("listed", "(#) Protected by password") & sfPassword);
}

TEST_F(SFMailLogTest, CallerIdBecomesThePhoneOfTheAnsweredCall)
{
    std::vector<std::string> lines = {
        Sep("13 Apr 2026"),
        L("10:00:00", "(+) Ring, picking up"),       // 2
        L("10:00:02", "    CALLER ID: 4951234567 "),  // 3 the first ":" after CALLER, not the time stamp's
        L("10:00:10", "(+) CONNECT 2400"),            // 4
        L("10:00:11", "    Station: S"),
        L("10:00:11", "    AKA: 2:5020/52"),
        L("10:00:11", "    Operator: O"),
        L("10:00:11", "    Number: 7-095-000"),       // the caller id is kept
        L("10:00:20", "(+) End of session, x"),       // 9
        L("11:00:00", "(+) Ring, picking up"),
        L("11:00:02", "    CALLER ID: ?"),            // unknown: no phone
        L("11:00:10", "(+) CONNECT 2400"),            // 12
        L("11:00:20", "(+) End of session, x"),
        L("12:00:00", "(+) Ring, picking up"),
        L("12:00:10", "(+) CONNECT 2400"),            // no caller line: the start is the ring
        L("12:00:11", "    Station: S"),
        L("12:00:11", "    AKA: 2:5020/52"),
        L("12:00:11", "    Operator: O"),
        L("12:00:11", "    Number: 7-095-000"),       // no caller id: the remote's phone
        L("12:00:20", "(+) End of session, x"),
        L("13:00:00", "(+) Dialling X, 2:5020/52, 1-2"),
        L("13:00:10", "(+) CONNECT 2400"),
        L("13:00:20", "(+) End of session, x"),
        L("14:00:00", "(+) Ring, picking up"),
        L("14:00:02", "    CALLER NUMBER 555"),       // no ":" after the word: nothing
        L("14:00:10", "(+) CONNECT 2400"),
        L("14:00:20", "(+) End of session, x"),
        L("15:00:00", "(+) Dialling X, 2:5020/52, 1-2"),
        L("15:00:02", "    CALLER ID: 111"),          // only for an answered call: it ends
        L("15:00:10", "(+) CONNECT 2400"),            // the call mode, so no session opens
        L("15:00:20", "(+) End of session, x"),
    };
    ASSERT_TRUE(Run(lines));
    ASSERT_EQ(log.SessCount(), 5u);
    EXPECT_EQ(Sess(0).Phone, "4951234567");
    EXPECT_EQ(Sess(0).StartLine, 3);
    EXPECT_TRUE(Sess(0).Has(sfIncoming));
    EXPECT_EQ(Sess(1).Phone, "");
    EXPECT_EQ(Sess(1).StartLine, 11);
    EXPECT_EQ(Sess(2).Phone, "7-095-000");
    EXPECT_EQ(Sess(2).StartLine, 14);
    EXPECT_EQ(Sess(3).Phone, "");
    EXPECT_FALSE(Sess(3).Has(sfIncoming));
    EXPECT_EQ(Sess(4).Phone, "");
    EXPECT_EQ(log.ErrorCount, 0);
}

TEST_F(SFMailLogTest, CallerIdOfACallThatNeverConnectedIsDropped)
{
    ASSERT_TRUE(Run({
        Sep("13 Apr 2026"),
        L("10:00:00", "(+) Ring, picking up"),
        L("10:00:02", "    CALLER ID: 999"),
        L("10:00:30", "(!) No connect"),             // the call mode ends; the id waits
        L("11:00:00", "(+) Manual call 1-2-3"),      // a new call drops it
        L("11:00:10", "(+) CONNECT 9600"),
        L("11:00:20", "(+) End of session, x"),
    }));
    ASSERT_EQ(log.SessCount(), 1u);
    EXPECT_EQ(Sess(0).Phone, "");
    EXPECT_FALSE(Sess(0).Has(sfIncoming));

    // A new ring drops it too, also when the new caller's number is unknown.
    ASSERT_TRUE(Run({
        Sep("13 Apr 2026"),
        L("10:00:00", "(+) Ring, picking up"),
        L("10:00:02", "    CALLER ID: 999"),
        L("10:00:30", "(!) No connect"),
        L("11:00:00", "(+) Ring, picking up"),
        L("11:00:02", "    CALLER ID: ?"),
        L("11:00:10", "(+) CONNECT 9600"),
        L("11:00:20", "(+) End of session, x"),
    }));
    ASSERT_EQ(log.SessCount(), 1u);
    EXPECT_EQ(Sess(0).Phone, "");
}

TEST_F(SFMailLogTest, OnlyTheLineRightAfterACallOpensASession)
{
    ASSERT_TRUE(Run({
        Sep("13 Apr 2026"),
        L("10:00:00", "(+) CONNECT 2400"),            // no call before it
        L("10:01:00", "(+) Ring, picking up"),
        L("10:01:05", "    Modem says RING"),         // any other line ends the call mode
        L("10:01:10", "(+) CONNECT 2400"),
        L("10:02:00", "(+) Ring, picking up"),
        "   continued text, not a digit",               // not examined at all
        L("10:02:10", "(+) CONNECT 14400/ARQ"),        // 7
        L("10:02:20", "(+) End of session, x"),
        L("10:02:30", "(+) CONNECT 2400"),            // the call mode was used up
    }));
    ASSERT_EQ(log.SessCount(), 1u);
    EXPECT_EQ(Sess(0).StartLine, 7);  // the line before, whatever it is
    EXPECT_EQ(Sess(0).Speed, 14400u);
    EXPECT_EQ(log.State, 0);
    EXPECT_EQ(log.CallMode(), TSFMailLog::cmNone);
}

TEST_F(SFMailLogTest, CallsBusyAndNoCarrierAreCountedForTheDialledAddress)
{
    ASSERT_TRUE(Run({
        L("09:00:00", "(+) Dialling A, 2:5020/1, 1"),      // 1 no day yet: no statistics
        L("09:00:01", "(!) Busy"),
        Sep("13 Apr 2026"),
        L("10:00:00", "(+) Dialling A, 2:5020/52, 1-2-3"),  // 4
        L("10:00:10", "(!) Busy"),
        L("10:01:00", "(+) Dialling 2:5020/52, 1-2-3"),     // two comma words: the value
        L("10:01:10", "(!) No carrier"),
        L("10:01:11", "(!) No carrier"),                  // the address is still known
        L("10:02:00", "(+) Dialling 2:5020/77"),            // one word
        L("10:02:10", "(!) Busy"),
        L("10:03:00", "(+) Dialling A, not an address, 1"),  // 11 error: nothing counted
        L("10:03:10", "(!) Busy"),                         // and no address is left
        L("10:04:00", "(+) Manual call 555"),
        L("10:04:10", "(!) Busy"),                         // manual calls have no address
        L("10:05:00", "(+) Ring, picking up"),
        L("10:05:10", "(!) No carrier"),
        L("10:06:00", "(+) Dialling A, , 1"),                // an empty address: no call counted
    }));
    ASSERT_EQ(window.errors.size(), 1u);
    EXPECT_EQ(window.errors[0].first, 11);
    ASSERT_EQ(log.DayStatCount(), 1u);
    const TNodeStatList& stats = log.GetDayStats(0);
    ASSERT_EQ(stats.Count(), 2u);  // sorted by address
    EXPECT_EQ(stats.GetItems(0).Addr->ToStrFlags(pfPoint), "2:5020/52.0");
    EXPECT_EQ(stats.GetItems(0).Calls, 2);
    EXPECT_EQ(stats.GetItems(0).Busy, 1);
    EXPECT_EQ(stats.GetItems(0).NoCarrier, 2);
    EXPECT_EQ(stats.GetItems(1).Addr->ToStrFlags(pfPoint), "2:5020/77.0");
    EXPECT_EQ(stats.GetItems(1).Calls, 1);
    EXPECT_EQ(stats.GetItems(1).Busy, 1);
    EXPECT_EQ(stats.Total.Calls, 3);
    EXPECT_EQ(stats.Total.Busy, 2);
    EXPECT_EQ(stats.Total.NoCarrier, 2);
}

TEST_F(SFMailLogTest, TheFirstAddressOfAListEndsAtABlankTabOrComma)
{
    // The separators at each place of the address and behind it, and the few other
    // bytes that sort below the comma, which belong to the address.
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"2:5020/52", "2:5020/52.0"},
        {"2:5020/52@fidonet 2:5020/0", "2:5020/52.0"},
        {"2:5020/52,2:5020/0", "2:5020/52.0"},
        {"2:5020/52\t2:5020/0", "2:5020/52.0"},
        {"2:5020/521.7,1:1/1", "2:5020/521.7"},
        {"2:5020/5210.7,1:1/1", "2:5020/5210.7"},
        {"2:5020/3200.71@fidonet,1:1/1", "2:5020/3200.71"},
        {"2:5020/3200.71@fidonet  ", "2:5020/3200.71"},
        {"2:5020/52!x, 1:1/1", ""},   // the "!" is part of the word: no address
        {"2:5020/52-x 1:1/1", ""},
        {"2:5020/52\xA0x 1:1/1", ""},
    };
    std::vector<std::string> lines = {Sep("13 Apr 2026")};
    for (const auto& [text, addr] : cases) {
        lines.push_back(L("10:00:00", "(+) Ring, picking up"));
        lines.push_back(L("10:00:10", "(+) CONNECT 9600"));
        lines.push_back(L("10:00:11", "    Station: S"));
        lines.push_back(L("10:00:12", "    AKA: " + text));
        lines.push_back(L("10:00:20", "(+) End of session, x"));
    }
    ASSERT_TRUE(Run(lines));
    ASSERT_EQ(log.SessCount(), cases.size());
    std::size_t errors = 0;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const TSess& s = Sess(i);
        EXPECT_EQ(s.Addr ? s.Addr->ToStrFlags(pfPoint) : std::string(), cases[i].second) << cases[i].first;
        errors += cases[i].second.empty() ? 1 : 0;
        EXPECT_EQ(log.State, 0);
    }
    EXPECT_EQ(window.errors.size(), errors);
}

TEST_F(SFMailLogTest, DialledAddressesRatesAndTimesInOtherForms)
{
    ASSERT_TRUE(Run({
        Sep("13 Apr 2026"),
        L("10:00:00", "(+) Dialling A,, 2:5020/1,,, 1"),     // runs of commas: the second word
        L("10:00:01", "(!) Busy"),
        L("10:00:02", "(+) Dialling 2:5020/2,,,"),          // 4: two words: up to the comma
        L("10:00:03", "(!) Busy"),
        L("10:00:04", "(+) Dialling A,2:5020/3,"),          // 6: two words: "A"
        L("10:00:05", "(+) Dialling A, 2:5020/4, 1, 2, 3"),
        L("10:00:06", "(!) No carrier"),
        L("10:01:00", "(+) Ring, picking up"),
        L("10:01:10", "(+) CONNECT 9600"),
        L("10:01:20", "(+) End of session, x"),
        L("10:01:21", "    Rate: 850"),
        L("10:01:22", "    Rate: 851 cps"),
        L("10:01:23", "    Rate: \t852"),                    // a tab after the entry's blank
        L("10:01:24", "    Rate: 853cps"),                   // 15: no number
        L("10:01:25", "    Rate: 99999999999999999999"),     // 16: too large
        L("10:01:26", "    Bytes out/in: 10/20"),            // no ", files" part
        L("10:01:27", "    Bytes out/in: 30/40 , x"),
    }));
    ASSERT_EQ(window.errors.size(), 3u);
    EXPECT_EQ(window.errors[1].second, "'853cps' is not a valid integer value");
    EXPECT_EQ(window.errors[2].second, "'99999999999999999999' is not a valid integer value");
    std::vector<std::int64_t> lines;
    for (const auto& e : window.errors)
        lines.push_back(e.first);
    EXPECT_EQ(lines, (std::vector<std::int64_t>{6, 15, 16}));
    const TNodeStatList& stats = log.GetDayStats(0);
    ASSERT_EQ(stats.Count(), 3u);
    EXPECT_EQ(stats.GetItems(0).Addr->ToStrFlags(pfPoint), "2:5020/1.0");
    EXPECT_EQ(stats.GetItems(0).Busy, 1);
    EXPECT_EQ(stats.GetItems(1).Addr->ToStrFlags(pfPoint), "2:5020/2.0");
    EXPECT_EQ(stats.GetItems(1).Busy, 1);
    EXPECT_EQ(stats.GetItems(2).Addr->ToStrFlags(pfPoint), "2:5020/4.0");
    EXPECT_EQ(stats.GetItems(2).NoCarrier, 1);
    ASSERT_EQ(log.SessCount(), 1u);
    EXPECT_EQ(Sess(0).CPS, 852);
    EXPECT_EQ(Sess(0).BytesSent, 30);
    EXPECT_EQ(Sess(0).BytesRcvd, 40);
}

TEST_F(SFMailLogTest, StampsOfEveryFormGiveTheTimesOfTheGeneralReading)
{
    ASSERT_TRUE(Run({Sep("13 Apr 2026")}));
    const TDateTime day = EncodeDate(2026, 4, 13);
    EXPECT_EQ(log.TimeOfLine("00:00:00  x"), day);
    EXPECT_EQ(log.TimeOfLine("23:59:59"), day + EncodeTime(23, 59, 59, 0));
    EXPECT_EQ(log.TimeOfLine("12.34-56  x"), day + EncodeTime(12, 34, 56, 0));
    EXPECT_EQ(log.TimeOfLine(" 9:05:01  x"), day + EncodeTime(9, 5, 1, 0));
    for (const char* bad : {"24:00:00", "12:60:00", "12:00:60", "1x:00:00", "12:/0:00", "12:00:0\xff", "12:00:0", ""})
        EXPECT_THROW(log.TimeOfLine(bad), EConvertError) << bad;
}

TEST_F(SFMailLogTest, SessionEndings)
{
    auto session = [](const std::string& hh, const std::string& ending) {
        return std::vector<std::string>{
            L(hh + ":00:00", "(+) Ring, picking up"),
            L(hh + ":00:10", "(+) CONNECT 2400"),
            L(hh + ":00:11", "    Station: S"),
            L(hh + ":00:11", "    AKA: 2:5020/52"),
            L(hh + ":00:20", ending),
        };
    };
    std::vector<std::string> lines = {Sep("13 Apr 2026")};
    for (auto [hh, ending] : std::vector<std::pair<std::string, std::string>>{
             {"10", "(+) End of session, 0:00:10"},
             {"11", "(?) Remote aborted: whatever"},
             {"12", "(!) Lost the carrier"},          // its own rule first: not failed
             {"13", "(!) EMSI failure: timeout"},
             {"14", "(!) Anything else"},
         }) {
        auto s = session(hh, ending);
        lines.insert(lines.end(), s.begin(), s.end());
    }
    ASSERT_TRUE(Run(lines));
    ASSERT_EQ(log.SessCount(), 5u);
    EXPECT_TRUE(Sess(0).Has(sfOK));
    EXPECT_FALSE(Sess(1).Has(sfOK));
    EXPECT_FALSE(Sess(1).Has(sfBad));
    EXPECT_FALSE(Sess(2).Has(sfOK));
    EXPECT_FALSE(Sess(2).Has(sfBad));
    EXPECT_FALSE(Sess(3).Has(sfOK));
    EXPECT_TRUE(Sess(3).Has(sfBad));
    EXPECT_TRUE(Sess(4).Has(sfOK));
    EXPECT_FALSE(Sess(4).Has(sfBad));
    for (std::size_t i = 0; i < 5; ++i)
        EXPECT_EQ(Sess(i).EndLine, static_cast<std::int64_t>(6 + 5 * i));
    const TNodeStat& n = log.GetDayStats(0).GetItems(0);
    EXPECT_EQ(n.InSess, 5);
    EXPECT_EQ(n.InOK, 2);
}

TEST_F(SFMailLogTest, HumanCallerWaitsForTheCallerToLeave)
{
    ASSERT_TRUE(Run({
        Sep("13 Apr 2026"),
        L("10:00:00", "(+) Ring, picking up"),
        L("10:00:10", "(+) CONNECT 2400"),
        L("10:00:15", "(#) VISITOR detected, no EMSI from the remote"),
        L("10:00:16", "    Station: not read now"),
        L("10:00:17", "(+) End of session, x"),      // an ending line ends it all the same
        L("11:00:00", "(+) Ring, picking up"),
        L("11:00:10", "(+) CONNECT 2400"),
        L("11:00:15", "(#) VISITOR detected, no EMSI from x"),
        L("11:00:16", "(+) Delivered: A.ZIP"),        // nothing in state 20
        L("11:01:00", "    VISITOR left the line"),   // 11
        L("12:00:00", "(+) Ring, picking up"),
        L("12:00:10", "(+) CONNECT 2400"),
        L("12:00:15", "(#) VISITOR detected, no EMSI from x"),
        L("12:00:20", "(!) Lost the carrier"),        // 15
    }));
    ASSERT_EQ(log.SessCount(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_TRUE(Sess(i).Has(sfHuman));
        EXPECT_EQ(Sess(i).System, "");
    }
    EXPECT_EQ(Sess(0).EndLine, 6);
    EXPECT_EQ(Sess(1).EndLine, 11);
    EXPECT_TRUE(Sess(1).Has(sfOK));
    EXPECT_EQ(Sess(2).EndLine, 15);
    EXPECT_FALSE(Sess(2).Has(sfOK));
    // Without an address a human call has no dial statistics.
    EXPECT_EQ(log.GetDayStats(0).Count(), 0u);
    EXPECT_EQ(log.GetDayStats(0).Total.InSess, 0);
}

TEST_F(SFMailLogTest, TrafficAfterTheEndGoesIntoTheLastSessionOnce)
{
    std::vector<std::string> lines = {
        Sep("13 Apr 2026"),
        L("10:00:00", "(+) Manual call 1"),
        L("10:00:10", "(+) CONNECT 9600"),
        L("10:00:11", "    Station: S"),
        L("10:00:11", "    AKA: 2:5020/52"),
        L("10:00:20", "(+) End of session, 0:00:10"),
        L("10:00:20", "    Bytes out/in: 1000/5000, 3"),
        L("10:00:20", "    Bytes out/in: 1000/5000, 3"),   // again: replaces, counts once
        L("10:00:21", "(+) Dialling B, 2:5020/53, 2"),      // a call in between
        L("10:00:22", "    Rate: 77 cps"),                  // still the last session
        L("11:00:00", "(+) Ring, picking up"),
        L("11:00:10", "(+) CONNECT 9600"),
        L("11:00:11", "    Station: T"),
        L("11:00:11", "    AKA: 2:5020/54"),
        L("11:00:15", "    Bytes out/in: 9/9, 0"),          // a session is open: ignored
        L("11:00:30", "(!) Lost the carrier"),
        L("11:00:30", "    Bytes out/in: 0/4000, 1"),       // no rate line: derived, 4000/20
    };
    ASSERT_TRUE(Run(lines));
    ASSERT_EQ(log.SessCount(), 2u);
    EXPECT_EQ(Sess(0).BytesSent, 1000);
    EXPECT_EQ(Sess(0).BytesRcvd, 5000);
    EXPECT_EQ(Sess(0).CPS, 77);
    EXPECT_EQ(Sess(1).BytesRcvd, 4000);
    EXPECT_EQ(Sess(1).CPS, 200);

    const TNodeStatList& stats = log.GetDayStats(0);
    ASSERT_EQ(stats.Count(), 3u);
    const TNodeStat& a = stats.GetItems(0);
    EXPECT_EQ(a.Addr->ToStrFlags(pfPoint), "2:5020/52.0");
    EXPECT_EQ(a.BytesSent, 1000);
    EXPECT_EQ(a.BytesRcvd, 5000);
    EXPECT_EQ(a.CPS, 500);  // the record's own rate: 5000 in 10 s
    EXPECT_EQ(stats.GetItems(1).Calls, 1);
    EXPECT_EQ(stats.GetItems(2).BytesRcvd, 4000);
    EXPECT_EQ(stats.Total.BytesSent, 1000);
    EXPECT_EQ(stats.Total.BytesRcvd, 9000);
    EXPECT_EQ(stats.Total.Time, 30);
    EXPECT_EQ(stats.Total.CPS, 300);
}

TEST_F(SFMailLogTest, TrafficWithoutASessionOrNumbers)
{
    ASSERT_TRUE(Run({
        Sep("13 Apr 2026"),
        L("09:00:00", "    Bytes out/in: 1/2, 0"),     // no session yet: nothing
        L("09:00:00", "    Rate: 5"),
        L("10:00:00", "(+) Ring, picking up"),
        L("10:00:10", "(+) CONNECT 9600"),
        L("10:00:20", "(+) End of session, x"),        // no address: no statistics record
        L("10:00:20", "    Bytes out/in: 100/200, 0"),
        L("10:00:21", "    Bytes out/in: lots/200, 0"),  // 8
        L("10:00:22", "    Bytes out/in: 300"),          // 9 no "/"
        L("10:00:23", "    Rate: fast"),                 // 10
        L("10:00:24", "    Bytes out/in: 99999999999999999999/1"),  // 11 too large
    }));
    ASSERT_EQ(log.SessCount(), 1u);
    EXPECT_EQ(Sess(0).BytesSent, 100);
    EXPECT_EQ(Sess(0).BytesRcvd, 200);
    EXPECT_EQ(Sess(0).CPS, 20);
    EXPECT_EQ(log.GetDayStats(0).Total.BytesRcvd, 0);
    std::vector<std::int64_t> lines;
    for (const auto& e : window.errors)
        lines.push_back(e.first);
    EXPECT_EQ(lines, (std::vector<std::int64_t>{8, 9, 10, 11}));
}

TEST_F(SFMailLogTest, TrafficAfterADayChangeStaysWithTheSessionsDay)
{
    ASSERT_TRUE(Run({
        Sep("13 Apr 2026"),
        L("23:59:00", "(+) Ring, picking up"),
        L("23:59:10", "(+) CONNECT 9600"),
        L("23:59:11", "    Station: S"),
        L("23:59:11", "    AKA: 2:5020/52"),
        L("23:59:50", "(+) End of session, x"),
        Sep("14 Apr 2026"),
        L("00:00:00", "    Bytes out/in: 10/20, 0"),
    }));
    ASSERT_EQ(log.DayStatCount(), 2u);
    EXPECT_EQ(log.GetDayStats(0).GetItems(0).BytesRcvd, 20);
    EXPECT_EQ(log.GetDayStats(0).Total.BytesRcvd, 20);
    EXPECT_EQ(log.GetDayStats(1).Total.BytesRcvd, 0);
}

// --- file requests -------------------------------------------------------------------

TEST_F(SFMailLogTest, RequestedFilesAndTheFilesSentForThem)
{
    std::vector<std::string> lines = {
        Sep("13 Apr 2026"),                                   // 1
        L("10:00:00", "(+) Ring, picking up"),                // 2
        L("10:00:10", "(+) CONNECT TCP/IP"),                  // 3
        L("10:00:11", "    Station: S"),
        L("10:00:11", "    AKA: 2:5020/52"),
        L("10:00:11", "    Operator: O"),
        L("10:00:11", "    Number: N"),
        L("10:00:11", "    Software: M"),
        L("10:00:11", "    Nodelist: listed"),
        L("10:00:12", "    Transfer protocol: Hydra-8k"),      // 10
        L("10:00:13", "-Recv-HY: A.PKT"),
        L("10:00:14", "(#) Request list (1 names):"),         // 12
        L("10:00:14", "    MISSING.ZIP"),
        L("10:00:14", "(#) Nothing found for the request"),   // back to transfers
        L("10:00:15", "+Send-HY: B.PKT"),
        L("10:00:16", "(#) Request list (3 names):"),         // 16
        L("10:00:16", "    NODELIST"),                        // an alias
        L("10:00:16", "    *.txt"),
        L("10:00:16", "    nodelist"),                        // 19 the same request again
        L("10:00:17", "(#) NODELIST"),                        // 20 named again, the files follow
        L("10:00:18", "+Send-HY: C:\\FILES\\NODELIST.Z26 (40960 bytes)"),  // 21
        L("10:00:30", "(+) Delivered: NODELIST.Z26"),          // 22
        L("10:00:31", "+Send-HY: C:\\FILES\\README.TXT"),      // 23 no size
        L("10:00:32", "-Recv-HY: C.PKT"),
        L("10:00:33", "(+) Delivered partly: README.TXT"),     // 25
        L("10:00:34", "+Send-HY: C:\\FILES\\NEWS.TXT (12 b)"),  // 26
        L("10:00:35", "(+) Delivered: NEWS.TXT"),              // 27
        L("10:00:36", "(+) Delivered: NEWS.TXT"),              // 28 said twice: booked once
        L("10:00:37", "+Send-HY: C:\\FILES\\OTHER.ZIP (1 b)"),  // 29 asked by nobody
        L("10:00:38", "(+) Delivered: OTHER.ZIP"),
        L("10:00:40", "(+) End of session, x"),
    };
    ASSERT_TRUE(Run(lines));
    ASSERT_EQ(log.SessCount(), 1u);
    EXPECT_EQ(Sess(0).FilesSent, 5);
    EXPECT_EQ(Sess(0).FilesRcvd, 2);
    EXPECT_EQ(Sess(0).Speed, kSpeedIP);
    EXPECT_EQ(Sess(0).Protocol, prHydra);
    ASSERT_EQ(log.FreqCount(), 4u);
    EXPECT_EQ(FreqText(0), "MISSING.ZIP|MISSING.ZIP|-||13");
    EXPECT_EQ(FreqText(1), "NODELIST|NODELIST.Z26|sent|C:\\FILES\\NODELIST.Z26|21");
    EXPECT_EQ(FreqText(2), "*.TXT|README.TXT|sent|C:\\FILES\\README.TXT|24");
    EXPECT_EQ(FreqText(3), "*.TXT|NEWS.TXT|sent|C:\\FILES\\NEWS.TXT|26");
    EXPECT_EQ(log.GetFreq(1).Addr->ToStrFlags(pfPoint), "2:5020/52.0");
    ASSERT_EQ(log.Requesters().Count(), 1);
}

TEST_F(SFMailLogTest, PathsOfRequestedFilesLoseTheirSizeAndDirectories)
{
    // The last "(" and the last backslash decide, wherever they stand in the line.
    std::vector<std::string> lines = {
        Sep("13 Apr 2026"),
        L("10:00:00", "(+) Ring, picking up"),
        L("10:00:10", "(+) CONNECT TCP/IP"),
        L("10:00:11", "    Station: S"),
        L("10:00:11", "    AKA: 2:5020/52"),
        L("10:00:11", "    Operator: O"),
        L("10:00:11", "    Number: N"),
        L("10:00:11", "    Software: M"),
        L("10:00:11", "    Nodelist: listed"),
        L("10:00:12", "    Transfer protocol: Hydra"),
        L("10:00:16", "(#) Request list (1 names):"),
        L("10:00:16", "    *"),
        L("10:00:17", "(#) *"),
        L("10:00:18", "+Send-HY: \\A (1 b)"),                                 // 14
        L("10:00:18", "(+) Delivered: A"),
        L("10:00:19", "+Send-HY: C:\\X(1)\\LONG_FILE_NAME.TXT (1)"),          // 16
        L("10:00:19", "(+) Delivered: LONG_FILE_NAME.TXT"),
        L("10:00:20", "+Send-HY: B(1)"),                                     // 18 no blank before "("
        L("10:00:20", "(+) Delivered: B"),
        L("10:00:21", "+Send-HY: C:\\\x8F\xE0\xA8\\\xE4\xA0\xA9\xAB.\xDC (9)"),  // 20
        L("10:00:21", "(+) Delivered: x"),
        L("10:00:40", "(+) End of session, x"),
    };
    ASSERT_TRUE(Run(lines));
    ASSERT_EQ(log.FreqCount(), 4u);
    EXPECT_EQ(FreqText(0), "*|A|sent|\\A|14");
    EXPECT_EQ(FreqText(1), "*|LONG_FILE_NAME.TXT|sent|C:\\X(1)\\LONG_FILE_NAME.TXT|16");
    EXPECT_EQ(FreqText(2), "*|B|sent|B|18");
    EXPECT_EQ(FreqText(3), "*|\xE4\xA0\xA9\xAB.\xDC|sent|C:\\\x8F\xE0\xA8\\\xE4\xA0\xA9\xAB.\xDC|20");
}

TEST_F(SFMailLogTest, RequestsNeedTheRemotesAddress)
{
    // A session that never presented its address records no request (an address
    // that failed to read leaves the state where it was).
    ASSERT_TRUE(Run({
        Sep("13 Apr 2026"),
        L("10:00:00", "(+) Ring, picking up"),
        L("10:00:10", "(+) CONNECT 2400"),
        L("10:00:11", "    Station: S"),
        L("10:00:11", "    AKA: 2:99999/1"),          // 5 error
        L("10:00:11", "    AKA: "),                   // an empty address: none, state 3
        L("10:00:11", "    Operator: O"),
        L("10:00:11", "    Number: N"),
        L("10:00:11", "    Software: M"),
        L("10:00:11", "    Nodelist: listed"),
        L("10:00:12", "    Transfer protocol: ZModem"),
        L("10:00:16", "(#) Request list (1 names):"),
        L("10:00:16", "    FILES"),
        L("10:00:17", "(#) FILES"),
        L("10:00:18", "+Send-ZM: C:\\FILES\\FILES.ZIP"),
        L("10:00:19", "(+) Delivered: FILES.ZIP"),
        L("10:00:40", "(+) End of session, x"),
    }));
    ASSERT_EQ(log.SessCount(), 1u);
    EXPECT_FALSE(Sess(0).Addr);
    EXPECT_EQ(Sess(0).SysOp, "O");
    EXPECT_EQ(log.FreqCount(), 0u);
    ASSERT_EQ(window.errors.size(), 1u);
    EXPECT_EQ(window.errors[0].first, 5);
}

// --- the mailer's files -----------------------------------------------------------------

TEST_F(SFMailLogTest, ConfigurationWithConditionsDefinesAndIncludes)
{
    WriteBytes(dir / "cfg" / "sf-mail.cfg",
               "; comment\r\n#define ALIASDIR magic\r\n(Mon-Fri) Banner hello\r\n#include sub\\more.cfg\r\n");
    // Relative names in included files mean what they mean in sf-mail.cfg: its folder.
    WriteBytes(dir / "cfg" / "sub" / "more.cfg", "#include sub\\last.cfg\r\n");
    WriteBytes(dir / "cfg" / "sub" / "last.cfg", "(00:00-24:00) fr_alias ALIASDIR\\names.als ; the magic names\r\n");
    // The alias file is found against the mailer directory, not the folder of the line.
    WriteBytes(dir / "magic" / "names.als", "; magic\r\n@FILES C:\\FILES\\ALLFILES.ZIP (list)\r\nbad\r\n");
    ASSERT_TRUE(Run({}));
    EXPECT_EQ(log.FrAlias(), "magic\\names.als");
    ASSERT_EQ(log.Aliases().count("FILES"), 1u);
    EXPECT_EQ(log.Aliases().at("FILES").FileName, "ALLFILES.ZIP");
    EXPECT_EQ(log.Aliases().count("NODELIST"), 0u);
    // The bad alias line was reported as a warning, and the analysis went on.
    ASSERT_EQ(dialogs.Shown.size(), 1u);
    EXPECT_EQ(dialogs.Shown[0].type, TMsgDlgType::mtWarning);

    // Each parse starts again from the default name.
    WriteBytes(dir / "cfg" / "sf-mail.cfg", "; nothing\r\n");
    ASSERT_TRUE(Run({}));
    EXPECT_EQ(log.FrAlias(), "freq.als");
    EXPECT_EQ(log.Aliases().count("NODELIST"), 1u);
}

TEST_F(SFMailLogTest, CfgPathNamesAnotherConfiguration)
{
    WriteBytes(dir / "other" / "my.cfg", "Fr_Alias other\\x.als\r\n");
    WriteBytes(dir / "other" / "host.cfg", "Fr_Alias " + (dir / "other" / "x.als").string() + "\r\n");
    WriteBytes(dir / "other" / "x.als", "X C:\\X.ZIP\r\n");
    log.CfgPath = (dir / "other" / "my.cfg").string();
    ASSERT_TRUE(Run({}));
    EXPECT_EQ(log.Aliases().count("X"), 1u);
    log.CfgPath = "other\\my.cfg";
    ASSERT_TRUE(Run({}));
    EXPECT_EQ(log.Aliases().count("X"), 1u);
    // An alias file named by a path of this host.
    log.CfgPath = "other\\host.cfg";
    ASSERT_TRUE(Run({}));
    EXPECT_EQ(log.Aliases().count("X"), 1u);
}

TEST_F(SFMailLogTest, ConfigurationErrorsEndTheAnalysis)
{
    // An alias file that does not exist: an error at its line.
    WriteBytes(dir / "cfg" / "sf-mail.cfg", "\r\nFr_Alias nowhere.als\r\n");
    EXPECT_FALSE(Run({L("10:00:00", "x")}));
    ASSERT_EQ(dialogs.Shown.size(), 1u);
    EXPECT_EQ(dialogs.Shown[0].type, TMsgDlgType::mtError);
    EXPECT_NE(dialogs.Shown[0].text.find("nowhere.als"), std::string::npos);
    // A file of the cfg folder only is not the one read: an error too.
    WriteBytes(dir / "cfg" / "here.als", "A B\r\n");
    WriteBytes(dir / "cfg" / "sf-mail.cfg", "Fr_Alias here.als\r\n");
    EXPECT_FALSE(Run({}));
    WriteBytes(dir / "cfg" / "sf-mail.cfg", "Fr_Alias\r\n");  // no value
    EXPECT_FALSE(Run({}));
    WriteBytes(dir / "cfg" / "sf-mail.cfg", "#include missing.cfg\r\n");
    EXPECT_FALSE(Run({}));
    WriteBytes(dir / "cfg" / "sf-mail.cfg", "#include sf-mail.cfg\r\n");  // a loop
    EXPECT_FALSE(Run({}));
    fs::remove(dir / "cfg" / "sf-mail.cfg");
    dialogs.Shown.clear();
    EXPECT_FALSE(Run({}));
    ASSERT_EQ(dialogs.Shown.size(), 1u);
    EXPECT_EQ(dialogs.Shown[0].type, TMsgDlgType::mtError);

    // A missing alias file by its default name is only a warning.
    WriteBytes(dir / "cfg" / "sf-mail.cfg", "; nothing\r\n");
    fs::remove(dir / "freq.als");
    dialogs.Shown.clear();
    EXPECT_TRUE(Run({}));
    ASSERT_EQ(dialogs.Shown.size(), 1u);
    EXPECT_EQ(dialogs.Shown[0].type, TMsgDlgType::mtWarning);
}

TEST_F(SFMailLogTest, ConfigurationOfGarbageBytes)
{
    std::mt19937 rng(7);
    for (int round = 0; round < 20; ++round) {
        std::string bytes(static_cast<std::size_t>(rng() % 2000), '\0');
        for (char& c : bytes)
            c = static_cast<char>(rng() % 256);
        if (round % 2)
            bytes = "Fr_Alias freq.als\r\n" + bytes;
        WriteBytes(dir / "cfg" / "sf-mail.cfg", bytes);
        dialogs.Shown.clear();
        log.Analyse({});  // whatever the answer, nothing breaks
    }
}

TEST_F(SFMailLogTest, LanguageFileIsReadOncePerMailerDirectory)
{
    EXPECT_FALSE(log.HoldsLng());
    ASSERT_TRUE(Run({}));
    EXPECT_TRUE(log.HoldsLng());
    // Damaging the file now changes nothing: the texts are kept.
    WriteBytes(dir / "sf-mail.lng", "garbage");
    ASSERT_TRUE(Run(OutgoingSession()));
    EXPECT_EQ(log.SessCount(), 1u);

    // Another mailer directory brings its own file.
    fs::path other = dir / "other";
    WriteBytes(other / "cfg" / "sf-mail.cfg", "");
    WriteBytes(other / "freq.als", "");
    WriteBytes(other / "sf-mail.lng", lngwriters::BuildSFMailLng({{1082, "(#) ELSE here"}}));
    log.SetMailerPath(other.string());
    EXPECT_FALSE(log.HoldsLng());
    ASSERT_TRUE(Run({}));
    EXPECT_EQ(log.SpecialWord(), "ELSE");
    log.SetMailerPath(other.string());  // the same directory: the file is kept
    EXPECT_TRUE(log.HoldsLng());
}

TEST_F(SFMailLogTest, MissingOrDamagedLanguageFileEndsTheAnalysis)
{
    fs::remove(dir / "sf-mail.lng");
    dialogs.Shown.clear();
    EXPECT_FALSE(Run(OutgoingSession()));
    EXPECT_EQ(log.SessCount(), 0u);
    ASSERT_EQ(dialogs.Shown.size(), 1u);  // the reason, in one error box
    EXPECT_NE(dialogs.Shown[0].text.find("sf-mail.lng"), std::string::npos);

    const std::string good = lngwriters::BuildSFMailLng(TestEntries());
    for (std::size_t cut : {std::size_t(0), std::size_t(10), std::size_t(31), std::size_t(40), good.size() - 1}) {
        SCOPED_TRACE(cut);
        WriteBytes(dir / "sf-mail.lng", good.substr(0, cut));
        EXPECT_FALSE(Run({}));
        EXPECT_FALSE(log.HoldsLng());
    }
    // Too large a count in the header.
    std::string big = good;
    big[28] = '\xFF';
    big[29] = '\x7F';
    WriteBytes(dir / "sf-mail.lng", big);
    EXPECT_FALSE(Run({}));

    // Once repaired, it is read.
    WriteBytes(dir / "sf-mail.lng", good);
    EXPECT_TRUE(Run(OutgoingSession()));
    EXPECT_EQ(log.SessCount(), 1u);
}

TEST_F(SFMailLogTest, EntriesTheLanguageFileLacksMatchNothing)
{
    // Only the ring entry: a session opens, and no empty text ends or fills it.
    WriteBytes(dir / "sf-mail.lng", lngwriters::BuildSFMailLng({{1060, "(+) Ring"}, {1157, "%1 done"}}));
    ASSERT_TRUE(Run({
        Sep("13 Apr 2026"),
        L("10:00:00", "(+) Ring"),
        L("10:00:10", "(+) CONNECT 2400"),
        L("10:00:11", "    Station: S"),
        L("10:00:12", "x done"),
    }));
    EXPECT_EQ(log.SessCount(), 0u);
    EXPECT_EQ(log.State, 1);
    EXPECT_EQ(log.SpecialWord(), "");
}

TEST_F(SFMailLogTest, EntriesSharingTheirFirstBytesOrShorterThanEightAreToldApart)
{
    // The busy and no-carrier entries are shorter than eight bytes, one a prefix of
    // the other; the ring entry (exactly eight bytes) begins the dial entry, so a dial
    // line is a ring line first, as the order of the tests says.
    WriteBytes(dir / "sf-mail.lng", lngwriters::BuildSFMailLng({
                                         {1060, "(+) Ring"},
                                         {1081, "(+) Ringing out %1, %2, %3"},
                                         {2032, "(!)"},
                                         {2034, "(!) B"},
                                         {1084, "    Station %1"},
                                         {1085, "    Station AKA: %1"},
                                     }));
    ASSERT_TRUE(Run({
        Sep("13 Apr 2026"),
        L("09:59:00", "(+) Rin"),                           // shorter than the ring entry
        L("09:59:01", "(+) CONNECT 2400"),                  // so no call to connect
        L("10:00:00", "(+) Ringing out A, 2:5020/52, 1"),  // a ring: no call counted
        L("10:00:05", "(!) B"),                             // no address dialled yet
        L("10:00:07", "(+) CONNECT 2400"),
        L("10:00:08", "    Station AKA: 2:5020/1"),         // the system line matches first
        L("10:00:09", "    Station AKA: 2:5020/2"),         // then the address line
    }));
    EXPECT_EQ(log.DayStatCount(), 1u);
    EXPECT_EQ(log.GetDayStats(0).Total.Calls, 0);
    EXPECT_EQ(log.State, TSFMailLog::ssSysOp);
    ASSERT_TRUE(log.CurSess() != nullptr);
    EXPECT_EQ(log.CurSess()->System, "AKA: 2:5020/1");
    ASSERT_TRUE(log.CurSess()->Addr.has_value());
    EXPECT_EQ(log.CurSess()->Addr->ToStrFlags(pfPoint), "2:5020/2.0");

    // A message of fewer than eight bytes still meets the short entries: busy, then
    // no carrier for a line of the marker alone.
    ASSERT_TRUE(Run({
        Sep("13 Apr 2026"),
        L("10:00:00", "(!)"),  // nothing dialled: nothing counted
    }));
    WriteBytes(dir / "sf-mail.lng", lngwriters::BuildSFMailLng({{1081, "(+) Dialling %1, %2, %3"},
                                                                {2032, "(!)"},
                                                                {2034, "(!) B"}}));
    log.SetMailerPath("");
    log.SetMailerPath(dir.string());
    ASSERT_TRUE(Run({
        Sep("13 Apr 2026"),
        L("10:00:00", "(+) Dialling A, 2:5020/52, 1"),
        L("10:00:05", "(!) B"),
        L("10:00:06", "(!) Bz"),
        L("10:00:07", "(!)"),
        L("10:00:08", "(!"),  // too short for any entry
    }));
    ASSERT_EQ(log.DayStatCount(), 1u);
    const TNodeStatList& stats = log.GetDayStats(0);
    EXPECT_EQ(stats.Total.Calls, 1);
    EXPECT_EQ(stats.Total.Busy, 2);
    EXPECT_EQ(stats.Total.NoCarrier, 1);
}

TEST_F(SFMailLogTest, EntriesWithTheSameTextBehindAnotherMarkerAreToldApart)
{
    // Busy and no carrier differ in their marker only; the system entry and the
    // mail-only entry share the bytes behind their markers; the visitor entry is long
    // and a message may differ from it behind its sixteenth byte; the address entry
    // of exactly eight bytes meets a message of those eight bytes alone.
    WriteBytes(dir / "sf-mail.lng", lngwriters::BuildSFMailLng({
                                         {1081, "(+) Dialling %1, %2, %3"},
                                         {2034, "(!) Line busy"},
                                         {2032, "(?) Line busy"},
                                         {1060, "(+) Ring"},
                                         {1084, "    Mail from system %1"},
                                         {1039, "(#) Mail from system is all"},
                                         {1082, "(#) VISITOR detected, no EMSI from %1"},
                                         {1085, "    AKA:%1"},
                                         {1087, "    Operator: %1"},
                                     }));
    ASSERT_TRUE(Run({
        Sep("13 Apr 2026"),
        L("10:00:00", "(+) Dialling A, 2:5020/52, 1"),
        L("10:00:05", "(!) Line busy"),
        L("10:00:06", "(?) Line busy"),
        L("10:00:07", "(#) Line busy"),  // neither
        L("11:00:00", "(+) Ring"),
        L("11:00:10", "(+) CONNECT 2400"),
        L("11:00:11", "(#) Mail from system S"),           // the marker differs: no system line
        L("11:00:12", "(#) VISITOR detected, no EMSI fro"),  // ends inside the entry
        L("11:00:13", "(#) VISITOR detected, no EMSI frum x"),
        L("11:00:14", "    Mail from system S"),
        L("11:00:15", "    AKA:"),                           // no address, but the state moves on
        L("11:00:16", "    Operator: O"),
    }));
    EXPECT_TRUE(window.errors.empty());
    ASSERT_EQ(log.DayStatCount(), 1u);
    const TNodeStatList& stats = log.GetDayStats(0);
    EXPECT_EQ(stats.Total.Calls, 1);
    EXPECT_EQ(stats.Total.Busy, 1);
    EXPECT_EQ(stats.Total.NoCarrier, 1);
    ASSERT_TRUE(log.CurSess() != nullptr);
    EXPECT_FALSE(log.CurSess()->Has(sfHuman));
    EXPECT_EQ(log.CurSess()->System, "S");
    EXPECT_FALSE(log.CurSess()->Addr.has_value());
    EXPECT_EQ(log.CurSess()->SysOp, "O");
    EXPECT_EQ(log.State, TSFMailLog::ssPhone);
}

TEST_F(SFMailLogTest, TrafficNumbersOfEveryLength)
{
    ASSERT_TRUE(Run({
        Sep("13 Apr 2026"),
        L("10:00:00", "(+) Ring, picking up"),
        L("10:00:10", "(+) CONNECT 9600"),
        L("10:00:20", "(+) End of session, x"),
        L("10:00:21", "    Bytes out/in: 999999999999999999/ 7 , 0"),  // 18 digits; blanks around
        L("10:00:22", "    Rate:  12 cps"),
    }));
    EXPECT_TRUE(window.errors.empty());
    ASSERT_EQ(log.SessCount(), 1u);
    EXPECT_EQ(Sess(0).BytesSent, 999999999999999999);
    EXPECT_EQ(Sess(0).BytesRcvd, 7);
    EXPECT_EQ(Sess(0).CPS, 12);
    // Nineteen digits are still a number as long as they fit.
    ASSERT_TRUE(Run({
        Sep("13 Apr 2026"),
        L("10:00:00", "(+) Ring, picking up"),
        L("10:00:10", "(+) CONNECT 9600"),
        L("10:00:20", "(+) End of session, x"),
        L("10:00:21", "    Bytes out/in: 1000000000000000000/0, 0"),
        L("10:00:22", "    Bytes out/in: 9300000000000000000/0, 0"),  // 6 beyond
        L("10:00:23", "    Bytes out/in: 12x/0, 0"),                  // 7
    }));
    ASSERT_EQ(window.errors.size(), 2u);
    EXPECT_EQ(window.errors[0].first, 6);
    EXPECT_EQ(window.errors[1].first, 7);
    EXPECT_EQ(Sess(0).BytesSent, 1000000000000000000);
}

// --- whole analyses -------------------------------------------------------------------

TEST_F(SFMailLogTest, ASecondAnalysisGivesTheSameResults)
{
    std::vector<std::string> lines = OutgoingSession();
    lines.push_back(L("11:00:00", "(+) Dialling B, 2:5020/53, 1"));  // left waiting at the end
    ASSERT_TRUE(Run(lines));
    ASSERT_TRUE(Run(lines));
    EXPECT_EQ(log.SessCount(), 1u);
    EXPECT_EQ(log.GetDayStats(0).Total.BytesRcvd, 6000);
    EXPECT_EQ(log.GetDayStats(0).GetItems(0).Calls, 1);
    EXPECT_EQ(log.GetDayStats(0).Total.Calls, 2);
    // Nothing of the earlier analysis reaches the next one: no dialled address.
    ASSERT_TRUE(Run({Sep("13 Apr 2026"), L("10:00:00", "(!) Busy")}));
    EXPECT_EQ(log.GetDayStats(0).Count(), 0u);
    EXPECT_EQ(log.GetDayStats(0).Total.Busy, 0);
}

TEST_F(SFMailLogTest, DamagedLogsNeverBreakTheAnalysis)
{
    std::mt19937 rng(20260413);
    const std::vector<std::string> base = OutgoingSession();
    std::vector<std::string> pieces;
    for (const auto& e : TestEntries())
        pieces.push_back(e.second);
    pieces.insert(pieces.end(), {"(+) CONNECT ", "+Send-", "-Recv-", "    CALLER ID:", "(!)", "\xC4\xC4"});
    for (int round = 0; round < 200; ++round) {
        std::string text;
        int lines = static_cast<int>(rng() % 60);
        for (int i = 0; i < lines; ++i) {
            std::string line;
            switch (rng() % 5) {
            case 0:  // a line of the session, cut anywhere
                line = base[rng() % base.size()];
                line.resize(rng() % (line.size() + 1));
                break;
            case 1:  // a message with a broken tail
                line = "1" + std::to_string(rng() % 10) + ":0" + std::to_string(rng() % 10) + ":00  " +
                       pieces[rng() % pieces.size()];
                line.resize(rng() % (line.size() + 5), static_cast<char>(rng() % 256));
                break;
            case 2:  // a separator with anything after it
                line = std::string(12, '\xC4');
                for (int k = static_cast<int>(rng() % 30); k > 0; --k)
                    line += static_cast<char>(rng() % 256);
                break;
            case 3:  // random bytes after a digit
                line = "1";
                for (int k = static_cast<int>(rng() % 300); k > 0; --k)
                    line += static_cast<char>(1 + rng() % 255);
                break;
            default:  // a very long line
                line = base[rng() % base.size()] + std::string(rng() % 1000, 'x');
                break;
            }
            text += line + ((rng() % 3) ? "\r\n" : "\n");
        }
        log.SetText(text);
        EXPECT_TRUE(log.Analyse({}));
        for (std::size_t i = 0; i < log.SessCount(); ++i)
            EXPECT_GE(log.GetSess(i).EndLine, log.GetSess(i).StartLine);
    }
}
