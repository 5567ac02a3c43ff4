#include "engine/BinkPLog.h"
#include "fido/Dialogs.h"
#include "fido/QParser.h"
#include "tools/lngwriters/MailerLngWriter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <unistd.h>

using namespace tarvix;
namespace fs = std::filesystem;

namespace {

struct QuietWindow : TLogWindow {
    std::vector<std::pair<std::int64_t, std::string>> errors;
    void GoToLine(std::int64_t) override {}
    void LineError(std::int64_t lineNo, const std::string& message) override { errors.emplace_back(lineNo, message); }
    bool ShowErrorLine(std::int64_t, const std::string&) override { return true; }
};

// The language file of these tests. The wording is the tests' own: the parser knows
// the messages by their entry numbers only.
std::vector<std::string> TestEntries()
{
    std::vector<std::string> e(377);
    for (std::size_t i = 0; i < e.size(); ++i)
        e[i] = ":Note number " + std::to_string(i) + " %s";
    e[16] = "*Live caller, handing to %s";
    e[71] = ":Tel %s";
    e[75] = ":SysOp %s of %s";
    e[100] = "*Remote AKAs %s (%s)";
    e[102] = "!No handshake with %s";
    e[103] = "*Password OK";
    e[104] = "!Password wrong (%s)";
    e[109] = ":Protocol selected: %s";
    e[110] = "*End of %s session";
    e[126] = "*Terminal mode for %s";
    e[127] = "*Guest passed to %s";
    e[142] = ":Software %s";
    e[183] = "+Dialing %s (%s)";
    e[241] = "+Got-%c %s";
    e[242] = "+Gave-%c %s";
    e[251] = "+CPS %lu (%lu bytes)";
    e[255] = "*Freq %s";
    e[273] = "Line dropped";
    e[293] = "+Received %s";
    e[304] = "!Aborted %s";
    e[305] = "+Sent %s";
    e[352] = "*Begin %s";
    e[353] = "*Done %s";
    const char* months[] = {"January", "February", "March", "April", "May", "June",
                            "July", "August", "September", "October", "November", "December"};
    for (int m = 0; m < 12; ++m)
        e[365 + static_cast<std::size_t>(m)] = months[m];
    return e;
}

// A line of the mailer: level mark, date and time, tag, message from column 24.
std::string L(char level, std::string_view stamp, std::string_view message, std::string_view tag = "BINK")
{
    return std::string(1, level) + " " + std::string(stamp) + " " + std::string(tag) + " " + std::string(message) + "\n";
}

class BinkPLogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        static int serial = 0;
        dir = fs::temp_directory_path() /
              ("tarvix-binkp-" + std::to_string(::getpid()) + "-" + std::to_string(++serial));
        fs::create_directories(dir);
        Write("binkley.lng", lngwriters::BuildBinkLng(TestEntries()));
        Write("binkley.cfg", "; test configuration\nAddress 2:5020/999\n");
        SetDialogs(&dialogs);
        log.SetMailerPath(dir.string());
        log.Window = &window;
    }
    void TearDown() override
    {
        SetDialogs(nullptr);
        fs::remove_all(dir);
    }
    void Write(const std::string& name, const std::string& bytes)
    {
        std::ofstream(dir / name, std::ios::binary) << bytes;
    }
    bool Run(const std::string& text)
    {
        window.errors.clear();
        log.SetText(text);
        return log.Analyse({});
    }
    const TNodeStat* Stat(std::size_t day, const char* addr)
    {
        auto& stats = const_cast<TNodeStatList&>(log.GetDayStats(day));
        return stats.Find(TFidoAddr::CreateStr(addr));
    }

    fs::path dir;
    TBatchDialogs dialogs{mrOk, true};
    QuietWindow window;
    TBinkPLog log;
};

// One complete outgoing session of 2:5020/52, lines 1 to 16.
const std::string kOutgoing =
    L('+', "02 Mar 10:00:00", "Dialing Fido Station (2:5020/52)") +
    L(':', "02 Mar 10:00:20", "Connect 33600/ARQ/V34/LAPM/V42BIS") +
    L('*', "02 Mar 10:00:22", "Remote AKAs 2:5020/52 (2:5020/0)") +
    L('*', "02 Mar 10:00:22", "Fido Station (2:5020/52)") +
    L(':', "02 Mar 10:00:22", "Software Bink/+/1.00/OS2") +
    L(':', "02 Mar 10:00:22", "SysOp John Smith of Moscow") +
    L(':', "02 Mar 10:00:22", "Tel 7-095-555-1234") +
    L('*', "02 Mar 10:00:22", "Password OK") +
    L(':', "02 Mar 10:00:23", "Protocol selected: ZedZap") +
    L('+', "02 Mar 10:00:30", "Received 0000FFFF.MO0") +
    L('+', "02 Mar 10:00:30", "CPS 1000 (5000 bytes)") +
    L('*', "02 Mar 10:00:31", "Freq NODELIST") +
    L('+', "02 Mar 10:00:40", "Gave-Z C:\\FILES\\NODELIST.Z09") +
    L('+', "02 Mar 10:00:40", "Sent NODELIST.Z09") +
    L('+', "02 Mar 10:00:40", "CPS 3000 (30000 bytes)") +
    L('*', "02 Mar 10:01:40", "End of EMSI session");

}  // namespace

TEST(BinkPLogStyle, FactoryLayoutAndSettings)
{
    RegisterBinkPLogStyle();
    auto made = CreateLogOfStyle(lsBinkPlus);
    auto* log = dynamic_cast<TBinkPLog*>(made.get());
    ASSERT_NE(log, nullptr);
    EXPECT_EQ(log->Style, lsBinkPlus);
    EXPECT_EQ(log->MsgCol, 24);
    EXPECT_FALSE(log->HasOptions);

    // The settings are those of every mailer log, nothing of its own.
    log->SetMailerPath("C:\\BINK");
    log->UpdateDLC = true;
    log->DSSort = 3;
    TIniFile ini;
    log->SaveToReg(ini, "Log1");
    EXPECT_EQ(ini.ReadInteger("Log1", "Style", 0), lsBinkPlus);
    for (const std::string& key : ini.ReadSection("Log1"))
        EXPECT_TRUE(key == "Name" || key == "Path" || key == "Style" || key == "AutoNew" || key == "LastStr" ||
                    key == "CutMode" || key == "CutSize" || key == "Highlight" || key == "MailerPath" ||
                    key == "UpdateDLC" || key == "DSSort")
            << key;
    TBinkPLog loaded;
    loaded.LoadFromReg(ini, "Log1");
    EXPECT_EQ(loaded.MailerPath(), "C:\\BINK");
    EXPECT_TRUE(loaded.UpdateDLC);
    EXPECT_EQ(loaded.DSSort, 3);
}

TEST(BinkPLogStyle, DateAndTimeOfALine)
{
    TBinkPLog log;
    // Before a language file is read the English month abbreviations hold.
    EXPECT_EQ(log.DateOfLine("+ 02 Mar 10:00:00 BINK x"), EncodeDate(CurrentYear(), 3, 2));
    EXPECT_EQ(log.TimeOfLine("+ 31 Dec 23:59:58 BINK x"),
              EncodeDate(CurrentYear(), 12, 31) + EncodeTime(23, 59, 58, 0));
    EXPECT_THROW(log.DateOfLine("+ 02 Ma"), EConvertError);  // too short
    EXPECT_THROW(log.DateOfLine("+ xx Mar 10:00:00"), EConvertError);
    EXPECT_THROW(log.DateOfLine("+ 02 Mrz 10:00:00"), EConvertError);
    EXPECT_THROW(log.DateOfLine("+ 30 Feb 10:00:00"), EConvertError);
    EXPECT_THROW(log.TimeOfLine("+ 02 Mar 10:00"), EConvertError);
    EXPECT_THROW(log.TimeOfLine("+ 02 Mar 24:00:00 BINK"), EConvertError);
    EXPECT_THROW(log.TimeOfLine("+ 02 Mar 1a:00:00 BINK"), EConvertError);
}

TEST_F(BinkPLogTest, MonthNamesComeFromTheLanguageFile)
{
    auto entries = TestEntries();
    entries[365 + 2] = "Mrz.";   // March: the first three characters
    entries[365 + 11] = "";      // December left empty: the English name stays
    Write("binkley.lng", lngwriters::BuildBinkLng(entries));
    ASSERT_TRUE(Run(L('+', "02 Mrz 10:00:00", "Begin") + L('+', "03 Mrz 10:00:00", "Begin") +
                    L('+', "04 Dec 10:00:00", "Begin")));
    EXPECT_EQ(log.MonthNames()[2], "Mrz");
    EXPECT_EQ(log.MonthNames()[0], "Jan");
    EXPECT_EQ(log.MonthNames()[11], "Dec");
    ASSERT_EQ(log.DayCount(), 3u);
    EXPECT_EQ(log.GetDay(1).Date, EncodeDate(CurrentYear(), 3, 3));
    EXPECT_TRUE(window.errors.empty());
    // "Mar" is no month of this language: the day split fails for that line.
    ASSERT_TRUE(Run(L('+', "05 Mar 10:00:00", "Begin")));
    EXPECT_EQ(window.errors.size(), 1u);
    EXPECT_EQ(log.ErrorCount, 1);

    // A name shorter than three letters meets no date (neither its English one); a
    // month written twice is the first of the two.
    entries[365 + 4] = "Ma";
    entries[365 + 5] = "Jan";
    Write("binkley.lng", lngwriters::BuildBinkLng(entries));
    TBinkPLog other;
    other.SetMailerPath(dir.string());
    other.LoadLng();
    EXPECT_THROW(other.DateOfLine("+ 02 May 10:00:00"), EConvertError);
    EXPECT_THROW(other.DateOfLine("+ 02 Ma  10:00:00"), EConvertError);
    EXPECT_EQ(other.DateOfLine("+ 02 Jan 10:00:00"), EncodeDate(CurrentYear(), 1, 2));
    EXPECT_EQ(other.DateOfLine("+ 02 Mrz 10:00:00"), EncodeDate(CurrentYear(), 3, 2));
}

TEST_F(BinkPLogTest, DaysSplitOnTheDateColumnsOfEveryLine)
{
    ASSERT_TRUE(Run(L('+', "02 Mar 23:00:00", "Begin") + L(' ', "02 Mar 23:59:59", "x") +
                    L(' ', "03 Mar 00:00:01", "Tossing", "SQSH") + L('+', "03 Mar 00:10:00", "Begin")));
    ASSERT_EQ(log.DayCount(), 2u);
    EXPECT_EQ(log.GetDay(1).FirstLine, 3);  // a line of another program dates a day too
    EXPECT_EQ(log.DayStatCount(), 2u);
}

TEST_F(BinkPLogTest, OutgoingSessionFromCallToEnd)
{
    ASSERT_TRUE(Run(kOutgoing));
    EXPECT_TRUE(window.errors.empty());
    ASSERT_EQ(log.SessCount(), 1u);
    const TSess& s = log.GetSess(0);
    EXPECT_EQ(s.StartLine, 2);
    EXPECT_EQ(s.EndLine, 16);
    EXPECT_EQ(s.StartTime, EncodeDate(CurrentYear(), 3, 2) + EncodeTime(10, 0, 20, 0));
    EXPECT_EQ(s.EndTime, EncodeDate(CurrentYear(), 3, 2) + EncodeTime(10, 1, 40, 0));
    EXPECT_EQ(s.Flags, sfOK | sfListed | sfFirstOfDay | sfPassword);  // outgoing: no sfIncoming
    EXPECT_EQ(s.Speed, 33600u);
    ASSERT_TRUE(s.Addr);
    EXPECT_EQ(s.Addr->ToStr(), "2:5020/52");
    EXPECT_EQ(s.System, "Fido Station");  // the line of entry 100 is not the system line
    EXPECT_EQ(s.Mailer, "Bink/+/1.00/OS2");
    EXPECT_EQ(s.SysOp, "John Smith");
    EXPECT_EQ(s.Phone, "7-095-555-1234");
    EXPECT_EQ(s.Protocol, prZedZap);
    EXPECT_EQ(s.FilesRcvd, 1);
    EXPECT_EQ(s.FilesSent, 1);
    EXPECT_EQ(s.BytesRcvd, 5000);
    EXPECT_EQ(s.BytesSent, 30000);
    EXPECT_EQ(s.CPS, 375);  // 30000 bytes in 80 seconds, derived at the end

    ASSERT_EQ(log.FreqCount(), 1u);
    const TFreq& f = log.GetFreq(0);
    EXPECT_EQ(f.Name, "NODELIST");
    EXPECT_FALSE(f.Sent);  // NODELIST.Z09 is another name, and NODELIST no mask

    const TNodeStat* n = Stat(0, "2:5020/52");
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(n->Calls, 1);
    EXPECT_EQ(n->OutSess, 1);
    EXPECT_EQ(n->OutOK, 1);
    EXPECT_EQ(n->Time, 80);
    EXPECT_FALSE(log.Dialling());
    EXPECT_TRUE(log.Sending());
    EXPECT_EQ(log.State, 0);
}

TEST_F(BinkPLogTest, RequestsAreMatchedBySentFilesThroughAliasesAndMasks)
{
    Write("binkley.cfg", "OKFile okfile.lst\n");
    Write("okfile.lst", "@NODELIST C:\\FILES\\NODELIST.Z09\n");
    std::string text = kOutgoing;
    // A second session of the same node asks for a mask served with two files.
    text += L('+', "02 Mar 11:00:00", "Dialing Fido Station (2:5020/52)") +
            L(':', "02 Mar 11:00:20", "Connect 33600/ARQ") +
            L('*', "02 Mar 11:00:22", "Fido Station (2:5020/52)") +
            L(':', "02 Mar 11:00:22", "Software Bink/+") +
            L(':', "02 Mar 11:00:22", "SysOp John Smith of Moscow") +
            L(':', "02 Mar 11:00:23", "Protocol selected: Hydra") +
            L('*', "02 Mar 11:00:31", "Freq NEWS*.TXT") +
            L('+', "02 Mar 11:00:40", "Gave-H C:\\FILES\\NEWS1.TXT") +
            L('+', "02 Mar 11:00:41", "Gave-H C:\\FILES\\NEWS2.TXT") +
            L('*', "02 Mar 11:01:40", "End of EMSI session");
    log.UpdateDLC = true;
    ASSERT_TRUE(Run(text));
    ASSERT_EQ(log.FreqCount(), 3u);
    EXPECT_EQ(log.GetFreq(0).Name, "NODELIST");
    EXPECT_TRUE(log.GetFreq(0).Sent);
    EXPECT_EQ(log.GetFreq(0).RealName, "NODELIST.Z09");
    EXPECT_EQ(log.GetFreq(0).Path, "C:\\FILES\\NODELIST.Z09");
    EXPECT_EQ(log.GetFreq(1).RealName, "NEWS1.TXT");
    EXPECT_EQ(log.GetFreq(2).RealName, "NEWS2.TXT");
    EXPECT_EQ(log.GetSess(1).Protocol, prHydra);
    EXPECT_EQ(log.GetSess(1).FilesSent, 0);  // path lines record, the entry 305 lines count
    ASSERT_EQ(log.DLCList().size(), 3u);
    EXPECT_EQ(log.DLCList()[0].Dir, "C:\\FILES\\");
    EXPECT_EQ(log.Requesters().Count(), 1);
}

TEST_F(BinkPLogTest, TheNameOfASentFileFollowsItsLastBackslash)
{
    // Backslashes at the start, in the last eight bytes, further back than eight
    // bytes, none at all, and names of code page bytes.
    std::string text = L(':', "02 Mar 11:00:20", "Connect 33600/ARQ") +
                       L('*', "02 Mar 11:00:22", "Fido Station (2:5020/52)") +
                       L(':', "02 Mar 11:00:22", "Software Bink/+") +
                       L(':', "02 Mar 11:00:22", "SysOp John Smith of Moscow") +
                       L(':', "02 Mar 11:00:23", "Protocol selected: Hydra") +
                       L('*', "02 Mar 11:00:31", "Freq *");
    const char* paths[] = {"\\A", "C:\\DIR\\B.TXT", "C:\\D\\LONGER_THAN_EIGHT.TXT", "C.TXT",
                           "C:\\\x8F\xE0\xA8\\\xE4\xA0\xA9\xAB.\xDC", "C:\\DIR\\X\\LONGNAMEOFSIXTEEN"};
    for (const char* path : paths)
        text += L('+', "02 Mar 11:00:40", std::string("Gave-H ") + path);
    text += L('*', "02 Mar 11:01:40", "End of EMSI session");
    ASSERT_TRUE(Run(text));
    std::vector<std::string> names;
    for (std::size_t i = 0; i < log.FreqCount(); ++i)
        names.push_back(log.GetFreq(i).RealName);
    EXPECT_EQ(names, (std::vector<std::string>{"A", "B.TXT", "LONGER_THAN_EIGHT.TXT", "C.TXT",
                                               "\xE4\xA0\xA9\xAB.\xDC", "LONGNAMEOFSIXTEEN"}));
    ASSERT_EQ(log.FreqCount(), 6u);
    EXPECT_EQ(log.GetFreq(2).Path, "C:\\D\\LONGER_THAN_EIGHT.TXT");
}

TEST_F(BinkPLogTest, CallResultsAndTheDiallingFlag)
{
    std::string text =
        L('+', "02 Mar 10:00:00", "Dialing Fido Station (2:5020/52)") + L('+', "02 Mar 10:00:30", "Busy") +
        L('+', "02 Mar 10:01:00", "Dialing Fido Station (2:5020/52)") + L('+', "02 Mar 10:01:30", "No Carrier") +
        // A number dialled as such counts no call and no result.
        L('+', "02 Mar 10:02:00", "Dialing 555-1234 (#5551234)") + L('+', "02 Mar 10:02:30", "Busy") +
        // A line of another program between the call and its connect changes nothing.
        L('+', "02 Mar 10:03:00", "Dialing Other Node (2:5030/1)") +
        L(' ', "02 Mar 10:03:01", "Dialing Fido Station (2:5020/52)", "SQSH") +
        L(':', "02 Mar 10:03:20", "Connect 2400/ARQ") + L('!', "02 Mar 10:03:40", "Line dropped") +
        // Connect without "/" opens nothing and ends the call.
        L('+', "02 Mar 10:04:00", "Dialing Other Node (2:5030/1)") + L(':', "02 Mar 10:04:20", "Connect") +
        L(':', "02 Mar 10:04:30", "Connect 2400/ARQ") + L('!', "02 Mar 10:04:40", "Line dropped") +
        // Any other line of the mailer ends the call too.
        L('+', "02 Mar 10:05:00", "Dialing Other Node (2:5030/1)") + L(':', "02 Mar 10:05:10", "Waiting") +
        L(':', "02 Mar 10:05:20", "Connect 2400/ARQ") + L('!', "02 Mar 10:05:40", "Line dropped") +
        // After a busy answer the next connect is a call that came in.
        L('+', "02 Mar 10:06:00", "Dialing Other Node (2:5030/1)") + L('+', "02 Mar 10:06:10", "Busy") +
        L(':', "02 Mar 10:06:20", "Connect 2400/ARQ") + L('!', "02 Mar 10:06:40", "Line dropped") +
        // A call attempt without "(" counts nothing.
        L('+', "02 Mar 10:07:00", "Dialing nowhere") + L('+', "02 Mar 10:07:10", "Busy");
    ASSERT_TRUE(Run(text));
    EXPECT_TRUE(window.errors.empty());
    ASSERT_EQ(log.SessCount(), 4u);
    EXPECT_FALSE(log.GetSess(0).Has(sfIncoming));
    EXPECT_TRUE(log.GetSess(1).Has(sfIncoming));
    EXPECT_TRUE(log.GetSess(2).Has(sfIncoming));
    EXPECT_TRUE(log.GetSess(3).Has(sfIncoming));
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_TRUE(log.GetSess(i).Has(sfBad)) << i;  // carrier lost before any address
        EXPECT_FALSE(log.GetSess(i).Has(sfOK)) << i;
    }
    const TNodeStat* fido = Stat(0, "2:5020/52");
    ASSERT_NE(fido, nullptr);
    EXPECT_EQ(fido->Calls, 2);
    EXPECT_EQ(fido->Busy, 1);
    EXPECT_EQ(fido->NoCarrier, 1);
    const TNodeStat* other = Stat(0, "2:5030/1");
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(other->Calls, 4);
    EXPECT_EQ(other->Busy, 1);
    // The first failed session is booked under the address that was dialled.
    EXPECT_EQ(other->OutSess, 1);
    EXPECT_EQ(other->InSess, 0);
    EXPECT_EQ(log.GetDayStats(0).Total.Calls, 6);
    EXPECT_EQ(log.GetDayStats(0).Total.Busy, 2);
}

TEST_F(BinkPLogTest, BadAddressInACallAttemptIsALineError)
{
    ASSERT_TRUE(Run(L('+', "02 Mar 10:00:00", "Dialing Fido Station (2:5020/52)") +
                    L('+', "02 Mar 10:00:10", "Dialing Somewhere (2:99999/1)") +
                    L(':', "02 Mar 10:00:20", "Connect 2400/ARQ") + L('!', "02 Mar 10:00:40", "Line dropped")));
    ASSERT_EQ(window.errors.size(), 1u);
    EXPECT_EQ(window.errors[0].first, 2);
    // The failed attempt still counts as a call attempt; the earlier address is gone.
    ASSERT_EQ(log.SessCount(), 1u);
    EXPECT_FALSE(log.GetSess(0).Has(sfIncoming));
    EXPECT_EQ(log.GetDayStats(0).Total.OutSess, 0);  // no address to book it under
}

TEST_F(BinkPLogTest, FailedHandshakeCarrierLossAndAbortedTransfers)
{
    std::string text =
        // Handshake fails before the address: a failed call.
        L(':', "02 Mar 10:00:00", "Connect 9600/ARQ") + L('!', "02 Mar 10:00:05", "No handshake with remote") +
        L('*', "02 Mar 10:00:06", "Fido Station (2:5020/52)") +  // state 100: nothing
        L('*', "02 Mar 10:00:07", "End of EMSI session") +
        // Handshake fails after the address: an unsuccessful session of a known node.
        L(':', "02 Mar 10:01:00", "Connect 9600/ARQ") + L('*', "02 Mar 10:01:02", "Fido Station (2:5020/52)") +
        L('!', "02 Mar 10:01:05", "No handshake with 2:5020/52") + L('!', "02 Mar 10:01:07", "Line dropped") +
        // Carrier lost during the transfers of a known node.
        L(':', "02 Mar 10:02:00", "Connect 9600/ARQ") + L('*', "02 Mar 10:02:02", "Fido Station (2:5020/52)") +
        L(':', "02 Mar 10:02:02", "Software X") + L(':', "02 Mar 10:02:02", "SysOp A B of C") +
        L('!', "02 Mar 10:02:03", "Password wrong (secret)") +
        L(':', "02 Mar 10:02:03", "Protocol selected: ZModem") + L('!', "02 Mar 10:02:10", "Line dropped") +
        // A transfer broken off: the session ends normally but not OK.
        L(':', "02 Mar 10:03:00", "Connect 9600/ARQ") + L('*', "02 Mar 10:03:02", "Fido Station (2:5020/52)") +
        L('!', "02 Mar 10:03:05", "Aborted FILE.ZIP") + L('*', "02 Mar 10:03:06", "End of FTS-0001 session") +
        L('*', "02 Mar 10:03:07", "End of EMSI session");
    ASSERT_TRUE(Run(text));
    EXPECT_TRUE(window.errors.empty());
    ASSERT_EQ(log.SessCount(), 4u);
    const TSess& a = log.GetSess(0);
    EXPECT_TRUE(a.Has(sfBad));
    EXPECT_FALSE(a.Has(sfOK));
    EXPECT_FALSE(a.Addr);
    EXPECT_EQ(a.EndLine, 4);
    const TSess& b = log.GetSess(1);
    EXPECT_FALSE(b.Has(sfBad));
    EXPECT_FALSE(b.Has(sfOK));
    EXPECT_EQ(b.EndLine, 8);
    const TSess& c = log.GetSess(2);
    EXPECT_FALSE(c.Has(sfBad));
    EXPECT_FALSE(c.Has(sfOK));
    EXPECT_TRUE(c.Has(sfBadPassword));
    EXPECT_FALSE(c.Has(sfPassword));
    EXPECT_EQ(c.Protocol, prZModem);
    const TSess& d = log.GetSess(3);
    EXPECT_FALSE(d.Has(sfOK));
    EXPECT_EQ(d.EndLine, 20);  // an end line without "EMSI" ends nothing
    const TNodeStat* n = Stat(0, "2:5020/52");
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(n->InSess, 3);
    EXPECT_EQ(n->InOK, 0);
}

TEST_F(BinkPLogTest, HumanCallersEndWithTheNextLine)
{
    std::string text;
    const char* starts[] = {"Live caller, handing to BBS", "Terminal mode for user", "Guest passed to door"};
    int minute = 0;
    for (const char* start : starts) {
        std::string stamp = "02 Mar 10:0" + std::to_string(minute++) + ":00";
        text += L(':', stamp, "Connect 2400/ARQ") + L('*', stamp, start) +
                L('+', stamp, "Received IGNORED.TXT") +  // whatever the next line says, it ends the session
                L('+', stamp, "Received AFTER.TXT");
    }
    ASSERT_TRUE(Run(text));
    ASSERT_EQ(log.SessCount(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        const TSess& s = log.GetSess(i);
        EXPECT_TRUE(s.Has(sfHuman)) << i;
        EXPECT_TRUE(s.Has(sfOK)) << i;
        EXPECT_EQ(s.EndLine, static_cast<std::int64_t>(4 * i + 3)) << i;
        EXPECT_EQ(s.FilesRcvd, 0) << i;
    }
    EXPECT_FALSE(log.EndPending());

    // A human line in the middle of a mailer session ends it with the next line too;
    // the system line that follows a human line clears the human flag again.
    ASSERT_TRUE(Run(L(':', "02 Mar 10:00:00", "Connect 2400/ARQ") +
                    L('*', "02 Mar 10:00:01", "Live caller, handing to (2:5020/52)") +
                    L('*', "02 Mar 10:00:02", "anything")));
    ASSERT_EQ(log.SessCount(), 1u);
    EXPECT_FALSE(log.GetSess(0).Has(sfHuman));
    ASSERT_TRUE(log.GetSess(0).Addr);
    EXPECT_EQ(log.GetSess(0).EndLine, 3);
}

TEST_F(BinkPLogTest, ByteCountsFollowTheLastCountedFileLine)
{
    auto session = [](const std::string& hh, const std::string& body) {
        return L(':', "02 Mar " + hh + ":00:00", "Connect 2400/ARQ") +
               L('*', "02 Mar " + hh + ":00:01", "Fido Station (2:5020/52)") +
               L(':', "02 Mar " + hh + ":00:01", "Software X") +
               L(':', "02 Mar " + hh + ":00:01", "SysOp X of Y") +
               L(':', "02 Mar " + hh + ":00:01", "Protocol selected: ZModem") + body +
               L('*', "02 Mar " + hh + ":00:50", "End of EMSI session");
    };
    std::string text = session("10", L('+', "02 Mar 10:00:02", "CPS 10 (100 bytes)") +  // none counted: received
                                         L('+', "02 Mar 10:00:03", "Sent A") +
                                         L('+', "02 Mar 10:00:04", "CPS 10 (200 bytes)") +
                                         L('+', "02 Mar 10:00:05", "CPS 10 (300 bytes)") +
                                         L('+', "02 Mar 10:00:06", "Received B") +
                                         L('+', "02 Mar 10:00:07", "CPS 10 (400 bytes)") +
                                         L('+', "02 Mar 10:00:08", "Sent C"));
    // The next session counts bytes before its own file lines as the last one was: sent.
    text += session("11", L('+', "02 Mar 11:00:02", "CPS 10 (1000 bytes)") +
                              L('+', "02 Mar 11:00:03", "CPS 10 no count here"));
    ASSERT_TRUE(Run(text));
    EXPECT_TRUE(window.errors.empty());
    ASSERT_EQ(log.SessCount(), 2u);
    EXPECT_EQ(log.GetSess(0).BytesRcvd, 500);
    EXPECT_EQ(log.GetSess(0).BytesSent, 500);
    EXPECT_EQ(log.GetSess(0).FilesSent, 2);
    EXPECT_EQ(log.GetSess(0).FilesRcvd, 1);
    EXPECT_EQ(log.GetSess(1).BytesSent, 1000);
    EXPECT_EQ(log.GetSess(1).BytesRcvd, 0);

    // A new analysis starts counting as received again.
    ASSERT_TRUE(Run(session("12", L('+', "02 Mar 12:00:02", "CPS 10 (7 bytes)"))));
    EXPECT_EQ(log.GetSess(0).BytesRcvd, 7);
}

TEST_F(BinkPLogTest, ShortEntriesMeetMessagesShorterThanEightBytes)
{
    // "Tel ", "Sent " and "CPS " are shorter than eight bytes, and so are most of
    // the messages below: each must still meet exactly its own entry.
    const std::string text = L(':', "02 Mar 10:00:00", "Connect 2400/ARQ") +
                             L('*', "02 Mar 10:00:01", "Fido Station (2:5020/52)") +
                             L(':', "02 Mar 10:00:01", "Software X") +
                             L(':', "02 Mar 10:00:01", "SysOp X of Y") +
                             L(':', "02 Mar 10:00:01", "Te") +       // too short for "Tel "
                             L(':', "02 Mar 10:00:01", "Tel 1") +    // the phone
                             L(':', "02 Mar 10:00:01", "Protocol selected: ZModem") +
                             L('+', "02 Mar 10:00:02", "Sent") +     // no blank: no file
                             L('+', "02 Mar 10:00:03", "Sent X") +
                             L('+', "02 Mar 10:00:04", "Sent ") +
                             L('+', "02 Mar 10:00:05", "CPS") +
                             L('+', "02 Mar 10:00:06", "CPS 1 (9 bytes)") +
                             L('+', "02 Mar 10:00:07", "Sen") +
                             L('*', "02 Mar 10:00:50", "End of EMSI session");
    ASSERT_TRUE(Run(text));
    EXPECT_TRUE(window.errors.empty());
    ASSERT_EQ(log.SessCount(), 1u);
    EXPECT_EQ(log.GetSess(0).Phone, "1");
    EXPECT_EQ(log.GetSess(0).FilesSent, 2);
    EXPECT_EQ(log.GetSess(0).BytesSent, 9);
}

TEST_F(BinkPLogTest, EntriesMeetOnlyMessagesWithAllTheirBytes)
{
    // Entries of 8 bytes, of 9 to 16 bytes (first and last eight compared) and of
    // more than 16, some sharing their first bytes with another entry; messages that
    // differ from an entry only behind its first eight bytes, or end inside it.
    auto entries = TestEntries();
    entries[71] = ":Phone-No%s";                  // 8 bytes
    entries[103] = "*Password OK";                 // 11
    entries[104] = "!Password wrong (%s)";         // 16, same first 8 bytes as 103
    entries[16] = "*Live caller, handing to %s";   // 24
    entries[304] = "!Sent badly %s";               // shares "Sent" with 305
    Write("binkley.lng", lngwriters::BuildBinkLng(entries));
    auto start = [](const std::string& hh) {
        return L(':', "02 Mar " + hh + ":00:00", "Connect 2400/ARQ") +
               L('*', "02 Mar " + hh + ":00:01", "Fido Station (2:5020/52)") +
               L(':', "02 Mar " + hh + ":00:01", "Software X") + L(':', "02 Mar " + hh + ":00:01", "SysOp X of Y");
    };
    const std::string end = L('*', "02 Mar 12:00:50", "End of EMSI session");
    std::string text = start("10") +
                       L(':', "02 Mar 10:00:02", "Phone-N") +               // ends inside the entry
                       L(':', "02 Mar 10:00:02", "Phone-Nx 1") +            // last byte differs
                       L('*', "02 Mar 10:00:03", "Password OX") +           // same first 8 bytes
                       L('*', "02 Mar 10:00:03", "Password O") +            // line ends inside the entry
                       L('!', "02 Mar 10:00:03", "Password wrong [x]") +    // differs in the last byte
                       L(':', "02 Mar 10:00:04", "Protocol selected: ZModem") +
                       L('*', "02 Mar 10:00:05", "Live caller, handing_to BBS") +  // differs at byte 20
                       L('!', "02 Mar 10:00:06", "Sent badly X.PKT") +      // a broken transfer, and a sent file
                       L('+', "02 Mar 10:00:07", "Sent Y.PKT") + end;
    text += start("11") + L(':', "02 Mar 11:00:02", "Phone-No 7-095") +
            L('!', "02 Mar 11:00:03", "Password wrong (x)") + L('*', "02 Mar 11:00:03", "Password OKAY") +
            L(':', "02 Mar 11:00:04", "Protocol selected: ZModem") +
            L('*', "02 Mar 11:00:05", "Live caller, handing to BBS") + L('*', "02 Mar 11:00:06", "x");
    ASSERT_TRUE(Run(text));
    EXPECT_TRUE(window.errors.empty());
    ASSERT_EQ(log.SessCount(), 2u);
    const TSess& a = log.GetSess(0);
    EXPECT_EQ(a.Phone, "");
    EXPECT_FALSE(a.Has(sfPassword));
    EXPECT_FALSE(a.Has(sfBadPassword));
    EXPECT_EQ(a.Protocol, prZModem);
    EXPECT_FALSE(a.Has(sfHuman));
    EXPECT_FALSE(a.Has(sfOK));
    EXPECT_EQ(a.FilesSent, 2);
    EXPECT_EQ(a.EndLine, 14);
    const TSess& b = log.GetSess(1);
    EXPECT_EQ(b.Phone, "7-095");
    EXPECT_TRUE(b.Has(sfPassword));
    EXPECT_TRUE(b.Has(sfBadPassword));
    EXPECT_TRUE(b.Has(sfHuman));
    EXPECT_TRUE(b.Has(sfOK));
    EXPECT_EQ(b.EndLine, 24);
}

TEST_F(BinkPLogTest, ByteCountsAtTheirLimits)
{
    const std::string body =
        L('+', "02 Mar 10:00:02", "CPS 10 (1099511627776 bytes)") +      // 2^40: the most a line may count
        L('+', "02 Mar 10:00:03", "CPS 10 (1099511627777 bytes)") +      // one more: an error
        L('+', "02 Mar 10:00:04", "CPS 10 (0000000000000064 bytes)") +   // leading zeros are no size
        L('+', "02 Mar 10:00:05", "CPS 10 (5") +                         // the count ends the line
        L('+', "02 Mar 10:00:06", "CPS 10 ( 5 bytes)") +                 // empty count: an error
        L('+', "02 Mar 10:00:07", "CPS 10 (5\tbytes)");                  // a tab is no blank: an error
    ASSERT_TRUE(Run(L(':', "02 Mar 10:00:00", "Connect 2400/ARQ") +
                    L('*', "02 Mar 10:00:01", "Fido Station (2:5020/52)") +
                    L(':', "02 Mar 10:00:01", "Software X") + L(':', "02 Mar 10:00:01", "SysOp X of Y") +
                    L(':', "02 Mar 10:00:01", "Protocol selected: ZModem") + body +
                    L('*', "02 Mar 10:00:50", "End of EMSI session")));
    std::vector<std::int64_t> lines;
    for (auto& e : window.errors)
        lines.push_back(e.first);
    EXPECT_EQ(lines, (std::vector<std::int64_t>{7, 10, 11}));
    ASSERT_EQ(log.SessCount(), 1u);
    // The sum stops at 2^40 too.
    EXPECT_EQ(log.GetSess(0).BytesRcvd, std::int64_t{1} << 40);
    ASSERT_TRUE(Run(L(':', "02 Mar 10:00:00", "Connect 2400/ARQ") +
                    L('*', "02 Mar 10:00:01", "Fido Station (2:5020/52)") +
                    L(':', "02 Mar 10:00:01", "Software X") + L(':', "02 Mar 10:00:01", "SysOp X of Y") +
                    L(':', "02 Mar 10:00:01", "Protocol selected: ZModem") +
                    L('+', "02 Mar 10:00:04", "CPS 10 (0000000000000064 bytes)") +
                    L('+', "02 Mar 10:00:05", "CPS 10 (5") + L('*', "02 Mar 10:00:50", "End of EMSI session")));
    EXPECT_TRUE(window.errors.empty());
    EXPECT_EQ(log.GetSess(0).BytesRcvd, 69);
}

TEST_F(BinkPLogTest, DamagedValuesAreLineErrors)
{
    std::string text = L(':', "02 Mar 10:00:00", "Connect 2400/ARQ") +
                       L('*', "02 Mar 10:00:01", "Fido Station (2:5020/5x2)") +  // bad address: still state 1
                       L('*', "02 Mar 10:00:02", "No parenthesis here)") +      // ")" without "(": not the system line
                       L('*', "02 Mar 10:00:03", ")") +
                       L('*', "02 Mar 10:00:04", "(2:5020/52)") +               // empty system name
                       L(':', "02 Mar 10:00:05", "Software X") + L(':', "02 Mar 10:00:05", "SysOp Nobody") +
                       L(':', "02 Mar 10:00:05", "Protocol selected:") +        // marker at the end of the line
                       L('+', "02 Mar 10:00:06", "CPS 10 (12x bytes)") +
                       L('+', "02 Mar 10:00:07", "CPS 10 (99999999999999999999 bytes)") +
                       L('+', "02 Mar 10:00:08", "CPS 10 (") +
                       L('+', "02 Mar 10:00:09", "CPS 10 (64)") +
                       L('+', "02 Mar 10:00:10", "Gave-Z") +
                       L('+', "02 Mar 10:00:11", "Gave-Z C:\\DIR\\") +
                       L('*', "02 Mar 10:00:12", "Freq   ") +
                       L('*', "02 Mar 10:00:59", "End of EMSI session");
    ASSERT_TRUE(Run(text));
    std::vector<std::int64_t> lines;
    for (auto& e : window.errors)
        lines.push_back(e.first);
    EXPECT_EQ(lines, (std::vector<std::int64_t>{2, 9, 10, 11, 12}));
    ASSERT_EQ(log.SessCount(), 1u);
    const TSess& s = log.GetSess(0);
    EXPECT_EQ(s.System, "");
    ASSERT_TRUE(s.Addr);
    EXPECT_EQ(s.Addr->ToStr(), "2:5020/52");
    EXPECT_EQ(s.SysOp, "Nobody");  // no separator: the whole value
    EXPECT_EQ(s.Protocol, prNone);
    EXPECT_EQ(s.BytesRcvd, 0);
    EXPECT_EQ(log.FreqCount(), 0u);
}

TEST_F(BinkPLogTest, SysOpSeparatorIsAWordOfItsOwn)
{
    ASSERT_TRUE(Run(L(':', "02 Mar 10:00:00", "Connect 2400/ARQ") +
                    L('*', "02 Mar 10:00:01", "Fido Station (2:5020/52)") +
                    L(':', "02 Mar 10:00:05", "Software X") +
                    L(':', "02 Mar 10:00:05", "SysOp Olaf ofte of Bergen of Norway") +
                    L('*', "02 Mar 10:00:59", "End of EMSI session")));
    EXPECT_EQ(log.GetSess(0).SysOp, "Olaf ofte");
}

TEST_F(BinkPLogTest, LinesThatMustChangeNothing)
{
    std::string base = L(':', "02 Mar 10:00:00", "Connect 2400/ARQ") +
                       L('*', "02 Mar 10:00:01", "Fido Station (2:5020/52)");
    ASSERT_TRUE(Run(base +
                    // lines of other programs, short lines, a tag in the wrong columns
                    L('!', "02 Mar 10:00:02", "Line dropped", "SQSH") + "! 02 Mar 10:00:03 BIN\n" +
                    "! 02 Mar 10:00:03  BINK Line dropped\n" + "this line holds no date\n" +
                    // messages of later states are ignored in state 2
                    L(':', "02 Mar 10:00:04", "SysOp X of Y") + L(':', "02 Mar 10:00:04", "Protocol selected: Hydra") +
                    L('*', "02 Mar 10:00:05", "Freq FILES") +
                    // "EMSI" elsewhere does not make an end line
                    L('*', "02 Mar 10:00:06", "Note EMSI") +
                    L('*', "02 Mar 10:00:07", "End of EMSI session")));
    ASSERT_EQ(log.SessCount(), 1u);
    const TSess& s = log.GetSess(0);
    EXPECT_EQ(s.EndLine, 11);
    EXPECT_TRUE(s.Has(sfOK));
    EXPECT_EQ(s.SysOp, "");
    EXPECT_EQ(s.Protocol, prNone);
    EXPECT_EQ(log.FreqCount(), 0u);
    EXPECT_EQ(log.ErrorCount, 1);  // only the day split of the line without a date

    // Outside a session no session message opens or counts anything.
    ASSERT_TRUE(Run(L('*', "02 Mar 10:00:00", "Fido Station (2:5020/52)") +
                    L('+', "02 Mar 10:00:01", "Sent A") + L('!', "02 Mar 10:00:02", "Line dropped") +
                    L('*', "02 Mar 10:00:03", "End of EMSI session")));
    EXPECT_EQ(log.SessCount(), 0u);
    EXPECT_EQ(log.State, 0);
}

TEST_F(BinkPLogTest, HighlightingFollowsTheLanguageWords)
{
    // Before the language file is read only the fixed words are known.
    EXPECT_EQ(log.GetWordClass("Connect", 1, 23), hcInfo);
    EXPECT_EQ(log.GetWordClass("Sent", 2, 23), hcNormal);

    ASSERT_TRUE(Run(L('+', "02 Mar 10:00:00", "Begin")));
    std::int64_t line = 10;
    auto cls = [&](std::string_view word, int col = 23) { return log.GetWordClass(word, ++line, col); };
    EXPECT_EQ(cls("+", 0), hcNormal);
    EXPECT_EQ(cls("!", 0), hcErrors);
    EXPECT_EQ(cls("02", 2), hcDateTime);
    EXPECT_EQ(cls("Mar", 5), hcDateTime);
    EXPECT_EQ(cls("10:00:00", 9), hcDateTime);
    EXPECT_EQ(cls("BINK", 18), hcSpecial);
    EXPECT_EQ(cls("Remote"), hcInfo);
    EXPECT_EQ(cls("Remote's"), hcInfo);   // the first six characters decide
    EXPECT_EQ(cls("Remot"), hcNormal);
    EXPECT_EQ(cls("Connect"), hcInfo);
    EXPECT_EQ(cls("Begin"), hcInfo);
    EXPECT_EQ(cls("Done"), hcInfo);
    EXPECT_EQ(cls("Sent"), hcSent);
    EXPECT_EQ(cls("Gave-Z"), hcSent);
    EXPECT_EQ(cls("Received"), hcRecd);
    EXPECT_EQ(cls("Got-H"), hcRecd);
    EXPECT_EQ(cls("Live"), hcSpecial);
    EXPECT_EQ(cls("Guest"), hcSpecial);
    EXPECT_EQ(cls("Terminal"), hcNormal);  // entry 126 gives no word
    EXPECT_EQ(cls("Sentence"), hcNormal);

    // The first message word holds for the rest of the line; the tag only for itself;
    // "!" turns the rest of the line into errors.
    ++line;
    EXPECT_EQ(log.GetWordClass("+", line, 0), hcNormal);
    EXPECT_EQ(log.GetWordClass("BINK", line, 18), hcSpecial);
    EXPECT_EQ(log.GetWordClass("Sent", line, 23), hcSent);
    EXPECT_EQ(log.GetWordClass("Received", line, 28), hcSent);
    EXPECT_EQ(log.GetWordClass("!", line, 37), hcErrors);
    EXPECT_EQ(log.GetWordClass("Begin", line, 39), hcErrors);
}

TEST_F(BinkPLogTest, ConfigurationAliasesDefinesAndIncludes)
{
    ::setenv("TARVIX_BINKP_AREA", "D:\\AREA", 1);
    fs::create_directories(dir / "etc");
    Write("binkley.cfg",
          "; Bink/+ setup\n"
          "define BASE C:\\PUB  ; the file base\n"
          "define EMPTY\n"  // a name without a value defines nothing
          "About %BASE%\\ABOUT.TXT\n"
          "include etc\\more.cfg\n");
    Write("etc/more.cfg", "Avail %TARVIX_BINKP_AREA%\\ALLFILES.LST\nOKFile etc\\ok.lst\n");
    Write("etc/ok.lst",
          "C:\\PUB\\*.*\n"
          "   @NODELIST C:\\PUB\\NODELIST.ZIP  Nodelist of the zone\n"
          "@LONELY\n"
          "@ \n"
          "@@ x\n"
          "@files C:\\OTHER\\LIST.TXT\n");
    ASSERT_TRUE(Run(L('+', "02 Mar 10:00:00", "Begin")));
    ::unsetenv("TARVIX_BINKP_AREA");
    EXPECT_EQ(log.About(), "C:\\PUB\\ABOUT.TXT");
    EXPECT_EQ(log.OkFile(), "etc\\ok.lst");
    const auto& aliases = log.Aliases();
    ASSERT_TRUE(aliases.count("ABOUT"));
    EXPECT_EQ(aliases.at("ABOUT").FileName, "ABOUT.TXT");
    ASSERT_TRUE(aliases.count("NODELIST"));
    EXPECT_EQ(aliases.at("NODELIST").Target, "C:\\PUB\\NODELIST.ZIP");
    ASSERT_TRUE(aliases.count("@"));
    EXPECT_EQ(aliases.at("@").Target, "X");
    // The OKFile comes after Avail and may redefine its alias.
    ASSERT_TRUE(aliases.count("FILES"));
    EXPECT_EQ(aliases.at("FILES").Target, "C:\\OTHER\\LIST.TXT");
    EXPECT_EQ(aliases.size(), 4u);

    // Every parse reads the configuration afresh: values that are gone are gone.
    Write("binkley.cfg", "Avail C:\\LIST.TXT\n");
    ASSERT_TRUE(Run(L('+', "02 Mar 10:00:00", "Begin")));
    EXPECT_EQ(log.About(), "");
    EXPECT_EQ(log.OkFile(), "");
    EXPECT_EQ(log.Aliases().size(), 1u);
    EXPECT_EQ(log.Aliases().at("FILES").FileName, "LIST.TXT");
}

TEST_F(BinkPLogTest, ConfigurationErrorsEndTheAnalysis)
{
    // An OKFile that does not exist: the keyword's check names the line.
    Write("binkley.cfg", "Address 2:5020/999\nOKFile missing.lst\n");
    EXPECT_FALSE(Run(L('+', "02 Mar 10:00:00", "Begin")));
    ASSERT_EQ(dialogs.Shown.size(), 1u);
    EXPECT_EQ(dialogs.Shown[0].type, TMsgDlgType::mtError);

    // No binkley.cfg at all.
    fs::remove(dir / "binkley.cfg");
    EXPECT_FALSE(Run(L('+', "02 Mar 10:00:00", "Begin")));
    EXPECT_EQ(dialogs.Shown.size(), 2u);

    // An unmatched quote is the parser's own error.
    Write("binkley.cfg", "About \"C:\\X\n");
    EXPECT_FALSE(Run(L('+', "02 Mar 10:00:00", "Begin")));
    EXPECT_EQ(dialogs.Shown.size(), 3u);
}

TEST_F(BinkPLogTest, LanguageFileIsReadOnceAndAgainForAnotherDirectory)
{
    ASSERT_TRUE(Run(kOutgoing));
    const TBinkLng* first = log.Lng();
    ASSERT_NE(first, nullptr);
    // The reader is kept: a language file gone since is not missed.
    fs::remove(dir / "binkley.lng");
    ASSERT_TRUE(Run(kOutgoing));
    EXPECT_EQ(log.Lng(), first);
    EXPECT_EQ(log.SessCount(), 1u);

    // Another mailer directory: its own language file, here missing.
    fs::path other = dir / "other";
    fs::create_directories(other);
    std::ofstream(other / "binkley.cfg") << "\n";
    log.SetMailerPath(other.string());
    EXPECT_EQ(log.Lng(), nullptr);
    EXPECT_FALSE(Run(kOutgoing));
    // The same directory again keeps what was read.
    std::ofstream(other / "binkley.lng", std::ios::binary) << lngwriters::BuildBinkLng(TestEntries());
    ASSERT_TRUE(Run(kOutgoing));
    first = log.Lng();
    log.SetMailerPath(other.string());
    EXPECT_EQ(log.Lng(), first);
}

TEST_F(BinkPLogTest, DamagedLanguageFilesEndTheAnalysis)
{
    const std::string good = lngwriters::BuildBinkLng(TestEntries());
    const std::vector<std::string> damaged = {
        "",                                     // empty
        good.substr(0, 11),                     // shorter than the header
        good.substr(0, 100),                    // pointer table cut
        good.substr(0, good.size() - 1),        // last string without its zero
        std::string("\0\0\0\0\xff\xff\xff\xff\0\0\0\0", 12),  // counts far beyond the file
    };
    for (std::size_t i = 0; i < damaged.size(); ++i) {
        TBinkPLog fresh;
        fresh.SetMailerPath(dir.string());
        fresh.Window = &window;
        Write("binkley.lng", damaged[i]);
        dialogs.Shown.clear();
        fresh.SetText(kOutgoing);
        EXPECT_FALSE(fresh.Analyse({})) << i;
        EXPECT_EQ(fresh.Lng(), nullptr) << i;
        ASSERT_EQ(dialogs.Shown.size(), 1u) << i;  // the reason, in one error box
        EXPECT_EQ(dialogs.Shown[0].type, TMsgDlgType::mtError) << i;
    }

    // A valid file with fewer entries: the missing messages match nothing.
    const std::vector<std::string> all = TestEntries();
    const std::vector<std::string> few(all.begin(), all.begin() + 100);
    Write("binkley.lng", lngwriters::BuildBinkLng(few));
    TBinkPLog fresh;
    fresh.SetMailerPath(dir.string());
    fresh.Window = &window;
    fresh.SetText(kOutgoing + L('+', "02 Mar 10:02:00", "Connect 2400/ARQ") +
                  L('+', "02 Mar 10:03:00", "Anything at all"));
    ASSERT_TRUE(fresh.Analyse({}));
    EXPECT_EQ(fresh.SessCount(), 0u);  // no end line is known: the session stays open
    EXPECT_EQ(fresh.MonthNames()[2], "Mar");
    EXPECT_EQ(fresh.GetWordClass("Received", 1, 23), hcNormal);
}

TEST_F(BinkPLogTest, RandomBytesAndShuffledLinesNeverCrash)
{
    std::mt19937 rng(20260302);
    std::string bytes(64 * 1024, '\0');
    for (char& c : bytes)
        c = static_cast<char>(rng() % 64 == 0 ? '\n' : 1 + rng() % 255);
    ASSERT_TRUE(Run(bytes));

    // Lines of this mailer in random order, cut at random places, with random bytes.
    std::vector<std::string> lines;
    std::string all = kOutgoing + L('!', "02 Mar 10:02:00", "Line dropped") +
                      L('*', "02 Mar 10:02:00", "Live caller, handing to BBS") +
                      L('!', "02 Mar 10:02:00", "No handshake with x") + L('+', "02 Mar 10:02:00", "Busy") +
                      L('*', "02 Mar 10:02:00", "Remote AKAs (") + L('*', "02 Mar 10:02:00", "(");
    ForEachLine(all, [&](std::string_view l) { lines.emplace_back(l); });
    std::string text;
    for (int i = 0; i < 20000; ++i) {
        std::string l = lines[rng() % lines.size()];
        switch (rng() % 4) {
        case 0:
            l.resize(rng() % (l.size() + 1));
            break;
        case 1:
            if (l.size() > 23)
                l[23 + rng() % (l.size() - 23)] = static_cast<char>(rng() % 256);
            break;
        default:
            break;
        }
        text += l + "\n";
    }
    ASSERT_TRUE(Run(text));
    EXPECT_GT(log.SessCount(), 0u);
    for (std::size_t i = 0; i < log.SessCount(); ++i)
        EXPECT_LE(log.GetSess(i).StartLine, log.GetSess(i).EndLine);
}

TEST_F(BinkPLogTest, LanguageWordsAreComparedAsTheirBytes)
{
    // A translated language file: the words are DOS code page bytes, and so are the
    // log's words, whatever the display conversion says.
    auto entries = TestEntries();
    entries[305] = "+\x8E\xE2\xAF\xE0\xA0\xA2\xAB\xA5\xAD %s";  // "Отправлен" in cp866
    entries[16] = "*\x97\xA5\xAB\xAE\xA2\xA5\xAA: %s";        // "Человек:"
    Write("binkley.lng", lngwriters::BuildBinkLng(entries));
    ASSERT_TRUE(Run(L(':', "02 Mar 10:00:00", "Connect 2400/ARQ") +
                    L('*', "02 Mar 10:00:01", "\x97\xA5\xAB\xAE\xA2\xA5\xAA: BBS") +
                    L('*', "02 Mar 10:00:02", "bye")));
    ASSERT_EQ(log.SessCount(), 1u);
    EXPECT_TRUE(log.GetSess(0).Has(sfHuman));
    EXPECT_EQ(log.GetWordClass("\x8E\xE2\xAF\xE0\xA0\xA2\xAB\xA5\xAD", 50, 23), hcSent);
    EXPECT_EQ(log.GetWordClass("\x97\xA5\xAB\xAE\xA2\xA5\xAA:", 51, 23), hcSpecial);
    EXPECT_EQ(log.GetWordClass("Sent", 52, 23), hcNormal);
}
