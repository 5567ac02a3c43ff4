#include "engine/BrakeLog.h"
#include "fido/Dialogs.h"
#include "fido/FidoAddr.h"
#include "platform/FileRead.h"
#include "platform/HostPath.h"
#include "platform/IniFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <unistd.h>

using namespace tarvix;
namespace fs = std::filesystem;

namespace {

// Collects the line errors of an analysis and always goes on.
struct Window : TLogWindow {
    std::vector<std::pair<std::int64_t, std::string>> errors;
    void GoToLine(std::int64_t) override {}
    void LineError(std::int64_t lineNo, const std::string& message) override { errors.emplace_back(lineNo, message); }
    bool ShowErrorLine(std::int64_t, const std::string&) override { return true; }
};

void WriteFile(const fs::path& path, std::string_view text)
{
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out << text;
}

TDateTime At(int y, int mo, int d, int h, int mi, int s) { return EncodeDate(y, mo, d) + EncodeTime(h, mi, s, 0); }

std::string Addr(const std::optional<TFidoAddr>& a) { return a ? a->ToStrFlags(pfPoint) : std::string("-"); }

// A mailer directory with a brake!.ctl, a log of the version and layout asked for,
// a window that collects line errors and dialogs that never wait.
class Brake : public ::testing::Test {
protected:
    fs::path dir;
    Window window;
    TBatchDialogs dialogs{mrOk, true};
    int savedYear = 0;

    void SetUp() override
    {
        savedYear = CurrentYear();
        SetCurrentYear(2026);
        dir = fs::temp_directory_path() /
              ("brakelog-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        WriteFile(dir / "brake!.ctl", "; empty configuration\r\nCOMPLETE.\r\n");
        SetDialogs(&dialogs);
        ClearAliases();
    }
    void TearDown() override
    {
        SetDialogs(nullptr);
        ClearAliases();
        SetCurrentYear(savedYear);
        fs::remove_all(dir);
    }

    std::unique_ptr<TBrakeLog> Make(int version, bool bink = false)
    {
        auto log = std::make_unique<TBrakeLog>();
        log->SetBrkVersion(version);
        log->SetBinkStyle(bink);
        log->SetMailerPath(dir.string());
        log->Window = &window;
        return log;
    }

    bool Run(TBrakeLog& log, const std::vector<std::string>& lines)
    {
        std::string text;
        for (const std::string& l : lines)
            text += l + "\r\n";
        log.SetText(text);
        return log.Analyse({});
    }
};

// A line of the log's layout: the own layout with a task tag ("T01" before 716,
// "T01,COM2" from 716 on) padded to the message column; the BinkleyTerm layout
// with a flag character and the program tag.
std::string L(const TBrakeLog& log, std::string_view time, std::string_view msg, std::string_view date = {},
              char flag = '+', std::string_view tag = "BRK!")
{
    std::string s;
    if (log.BinkStyle()) {
        s = std::string(1, flag) + " " + std::string(date.empty() ? "28 Mar" : date) + " " + std::string(time) +
            " " + std::string(tag) + " ";
    } else {
        s = std::string(date.empty() ? "28/03/26" : date) + " " + std::string(time) + " " +
            (log.BrkVersion() < 716 ? "T01" : "T01,COM2");
        s.resize(static_cast<std::size_t>(log.MsgCol - 1), ' ');
    }
    return s + std::string(msg);
}

// The handshake of an EMSI session after its CONNECT line.
std::vector<std::string> Handshake(const TBrakeLog& log, std::string_view time, std::string_view addr)
{
    return {L(log, time, "Session with " + std::string(addr)),
            L(log, time, "Mailer: SuperMailer/2 1.05"),
            L(log, time, "System: Boss Station"),
            L(log, time, " Sysop: Ivan Petrov from Moscow"),
            L(log, time, " Phone: 7-095-123-4567")};
}

std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace

// ------------------------------------------------------------------ options

TEST(BrakeLogOptions, FactoryDefaultsAndMessageColumn)
{
    RegisterBrakeLogStyle();
    auto made = CreateLogOfStyle(lsBrake);
    auto* log = dynamic_cast<TBrakeLog*>(made.get());
    ASSERT_NE(log, nullptr);
    EXPECT_EQ(log->Style, lsBrake);
    EXPECT_TRUE(log->HasOptions);
    EXPECT_EQ(log->BrkVersion(), 701);
    EXPECT_FALSE(log->BinkStyle());
    EXPECT_EQ(log->MsgCol, 25);
    log->SetBrkVersion(715);
    EXPECT_EQ(log->MsgCol, 25);
    log->SetBrkVersion(716);
    EXPECT_EQ(log->MsgCol, 28);
    log->SetBinkStyle(true);
    EXPECT_EQ(log->MsgCol, 24);
    log->SetBrkVersion(701);
    EXPECT_EQ(log->MsgCol, 24);
}

TEST(BrakeLogOptions, SettingsRoundTripAndRecomputeTheLayout)
{
    TIniFile ini;
    TBrakeLog a;
    a.SetBrkVersion(716);
    a.SetBinkStyle(true);
    a.UpdateDLC = true;
    a.SaveToReg(ini, "Log1");
    EXPECT_EQ(ini.ReadInteger("Log1", "BrkVersion", 0), 716);
    EXPECT_TRUE(ini.ReadBool("Log1", "BinkStyle", false));
    std::vector<std::string> keys = ini.ReadSection("Log1");
    ASSERT_GE(keys.size(), 2u);
    EXPECT_EQ(keys[keys.size() - 2], "BrkVersion");
    EXPECT_EQ(keys.back(), "BinkStyle");

    TBrakeLog b;
    b.LoadFromReg(ini, "Log1");
    EXPECT_EQ(b.BrkVersion(), 716);
    EXPECT_TRUE(b.BinkStyle());
    EXPECT_TRUE(b.UpdateDLC);
    EXPECT_EQ(b.MsgCol, 24);

    ini.WriteBool("Log1", "BinkStyle", false);
    b.LoadFromReg(ini, "Log1");
    EXPECT_EQ(b.MsgCol, 28);

    // Absent keys give the defaults; a stored number beyond an integer too.
    TIniFile empty;
    b.LoadFromReg(empty, "Log9");
    EXPECT_EQ(b.BrkVersion(), 701);
    EXPECT_FALSE(b.BinkStyle());
    EXPECT_EQ(b.MsgCol, 25);
    empty.WriteString("Log9", "BrkVersion", "99999999999");
    b.LoadFromReg(empty, "Log9");
    EXPECT_EQ(b.BrkVersion(), 701);
}

TEST(BrakeLogOptions, VersionRadioItems)
{
    EXPECT_EQ(TBrakeLog::VersionItem(701), 0);
    EXPECT_EQ(TBrakeLog::VersionItem(703), 1);
    EXPECT_EQ(TBrakeLog::VersionItem(716), 2);
    EXPECT_EQ(TBrakeLog::VersionItem(702), -1);
    EXPECT_EQ(TBrakeLog::VersionOfItem(0), 701);
    EXPECT_EQ(TBrakeLog::VersionOfItem(1), 703);
    EXPECT_EQ(TBrakeLog::VersionOfItem(2), 716);
}

// ------------------------------------------------------------------ dates and days

TEST_F(Brake, DatesOfBothLayouts)
{
    auto own = Make(703);
    EXPECT_EQ(own->TimeOfLine(L(*own, "10:21:07", "x")), At(2026, 3, 28, 10, 21, 7));
    EXPECT_EQ(own->DateOfLine(L(*own, "10:21:07", "x")), EncodeDate(2026, 3, 28));
    // Two-digit years: 00-79 are this century, 80-99 the last one (a log of 2005
    // is not dated 1905).
    EXPECT_EQ(own->DateOfLine("31/12/05 23:59:59 T01   x"), EncodeDate(2005, 12, 31));
    EXPECT_EQ(own->DateOfLine("31/12/99 23:59:59 T01   x"), EncodeDate(1999, 12, 31));
    EXPECT_EQ(own->DateOfLine("01/01/80 00:00:00 T01   x"), EncodeDate(1980, 1, 1));
    EXPECT_THROW(own->DateOfLine("32/01/26 00:00:00 T01   x"), EConvertError);
    EXPECT_THROW(own->DateOfLine("01/13/26 00:00:00 T01   x"), EConvertError);
    EXPECT_THROW(own->DateOfLine("01/01/-5 00:00:00 T01   x"), EConvertError);
    EXPECT_THROW(own->DateOfLine("ab/01/26 00:00:00 T01   x"), EConvertError);
    EXPECT_THROW(own->TimeOfLine("01/01/26 24:00:00 T01   x"), EConvertError);
    EXPECT_THROW(own->TimeOfLine("01/01/26 10:0x:00 T01   x"), EConvertError);
    EXPECT_THROW(own->TimeOfLine("01/01/26 10:00"), EConvertError);
    EXPECT_THROW(own->DateOfLine("01/01"), EConvertError);

    auto bink = Make(716, true);
    EXPECT_EQ(bink->TimeOfLine(L(*bink, "23:59:58", "x", "01 Jan")), At(2026, 1, 1, 23, 59, 58));
    EXPECT_EQ(bink->DateOfLine(L(*bink, "00:00:00", "x", "31 Dec")), EncodeDate(2026, 12, 31));
    EXPECT_THROW(bink->DateOfLine(L(*bink, "00:00:00", "x", "01 jan")), EConvertError);
    EXPECT_THROW(bink->DateOfLine(L(*bink, "00:00:00", "x", "30 Feb")), EConvertError);
    EXPECT_THROW(bink->DateOfLine("+ 01"), EConvertError);
}

TEST_F(Brake, DaysFollowTheDateColumns)
{
    auto own = Make(716);
    ASSERT_TRUE(Run(*own, {L(*own, "23:00:00", "Ready, waiting for a call"),
                           L(*own, "23:59:59", "Ready, waiting for a call"),
                           "28/03/26 1",  // cut short by a crash: same date text, nothing else
                           L(*own, "00:00:01", "Ready, waiting for a call", "29/03/26"),
                           L(*own, "00:00:02", "Ready, waiting for a call", "29/03/26")}));
    ASSERT_EQ(own->DayCount(), 2u);
    EXPECT_EQ(own->GetDay(0).Date, EncodeDate(2026, 3, 28));
    EXPECT_EQ(own->GetDay(1).FirstLine, 4);
    EXPECT_EQ(own->GetDay(1).Date, EncodeDate(2026, 3, 29));
    EXPECT_TRUE(window.errors.empty());

    // In the BinkleyTerm layout the lines of other programs start days too.
    auto bink = Make(703, true);
    ASSERT_TRUE(Run(*bink, {L(*bink, "23:00:00", "Ready, waiting for a call"),
                            L(*bink, "00:10:00", "Scanning the outbound", "29 Mar", '+', "SQSH"),
                            L(*bink, "00:20:00", "Ready, waiting for a call", "29 Mar")}));
    ASSERT_EQ(bink->DayCount(), 2u);
    EXPECT_EQ(bink->GetDay(1).FirstLine, 2);
    EXPECT_EQ(bink->GetDay(1).Date, EncodeDate(2026, 3, 29));
}

// ------------------------------------------------------------------ sessions

TEST_F(Brake, OutgoingSessionWithEveryDetail)
{
    auto log = Make(703);
    ASSERT_TRUE(Run(*log, std::vector<std::string>{
                              L(*log, "10:00:00", "Calling node 2:5020/52, try 1"),
                              L(*log, "10:00:30", "Outgoing call, CONNECT 28800/ARQ/V34"),
                          } + Handshake(*log, "10:00:35", "2:5020/52@fidonet") +
                              std::vector<std::string>{
                                  L(*log, "10:00:36", "Password protected session"),
                                  L(*log, "10:00:36", "Using Hydra-8k for transfer"),
                                  L(*log, "10:00:40", "HR 0001ABCD.PKT, 61 234 bytes"),
                                  L(*log, "10:01:40", "Done, 2:5020/52, 0:01:10, 2/1, 61 234/1 000"),
                                  L(*log, "10:01:41", "Ready, waiting for a call"),
                              }));
    ASSERT_EQ(log->SessCount(), 1u);
    const TSess& s = log->GetSess(0);
    EXPECT_EQ(s.StartLine, 2);
    EXPECT_EQ(s.EndLine, 11);
    EXPECT_EQ(s.StartTime, At(2026, 3, 28, 10, 0, 30));
    EXPECT_EQ(s.EndTime, At(2026, 3, 28, 10, 1, 40));
    EXPECT_EQ(Addr(s.Addr), "2:5020/52.0");
    EXPECT_EQ(s.Addr->Domain, "fidonet");
    EXPECT_EQ(s.Mailer, "SuperMailer/2 1.05");
    EXPECT_EQ(s.System, "Boss Station");
    EXPECT_EQ(s.SysOp, "Ivan Petrov");
    EXPECT_EQ(s.Phone, "7-095-123-4567");
    EXPECT_EQ(s.Speed, 28800u);
    EXPECT_EQ(s.Protocol, prHydra);
    EXPECT_EQ(s.Flags, sfOK | sfListed | sfFirstOfDay | sfPassword);
    EXPECT_EQ(s.FilesRcvd, 2);
    EXPECT_EQ(s.FilesSent, 1);
    EXPECT_EQ(s.BytesRcvd, 61234);
    EXPECT_EQ(s.BytesSent, 1000);
    EXPECT_EQ(s.CPS, 61234 / 70);

    const TNodeStatList& stats = log->GetDayStats(0);
    ASSERT_EQ(stats.Count(), 1u);
    const TNodeStat& n = stats.GetItems(0);
    EXPECT_EQ(Addr(n.Addr), "2:5020/52.0");
    EXPECT_EQ(n.Calls, 1);
    EXPECT_EQ(n.OutSess, 1);
    EXPECT_EQ(n.OutOK, 1);
    EXPECT_EQ(n.InSess, 0);
    EXPECT_EQ(n.Time, 70);
    EXPECT_EQ(n.BytesRcvd, 61234);
    EXPECT_EQ(n.CPS, 61234 / 70);
    EXPECT_EQ(stats.Total.Calls, 1);
    EXPECT_EQ(stats.Total.CPS, 61234 / 70);
}

TEST_F(Brake, IncomingSessionForgetsTheDialAddress)
{
    auto log = Make(701);
    ASSERT_TRUE(Run(*log, std::vector<std::string>{
                              L(*log, "10:00:00", "Calling node 2:5020/1, try 1"),
                              L(*log, "10:00:30", "Not connected: NO CARRIER"),
                              L(*log, "10:01:00", "Answering incoming call"),
                              L(*log, "10:01:10", "Incoming call, CONNECT TCP/IP 192.0.2.7"),
                          } + Handshake(*log, "10:01:11", "2:5020/52") +
                              std::vector<std::string>{
                                  L(*log, "10:01:12", "Using BinkP for transfer"),
                                  L(*log, "10:01:20", "Done, 2:5020/52, 0:00:10, 0/0, 0/0"),
                              }));
    ASSERT_EQ(log->SessCount(), 1u);
    const TSess& s = log->GetSess(0);
    EXPECT_TRUE(s.Has(sfIncoming));
    EXPECT_EQ(s.Speed, kSpeedIP);
    EXPECT_EQ(s.Protocol, prBinkP);
    EXPECT_EQ(s.CPS, 0);
    EXPECT_FALSE(log->DialAddr().has_value());
    // Booked under the remote's own address, not under the node called before.
    const TNodeStatList& stats = log->GetDayStats(0);
    ASSERT_EQ(stats.Count(), 2u);
    EXPECT_EQ(Addr(stats.GetItems(0).Addr), "2:5020/1.0");
    EXPECT_EQ(stats.GetItems(0).Calls, 1);
    EXPECT_EQ(stats.GetItems(0).NoCarrier, 1);
    EXPECT_EQ(stats.GetItems(0).InSess, 0);
    EXPECT_EQ(Addr(stats.GetItems(1).Addr), "2:5020/52.0");
    EXPECT_EQ(stats.GetItems(1).InSess, 1);
    EXPECT_EQ(stats.GetItems(1).InOK, 1);
}

TEST_F(Brake, ConnectLinesOutsideAndInsideSessions)
{
    auto log = Make(703);
    ASSERT_TRUE(Run(*log, {
                              L(*log, "09:00:00", "Incoming call, no answer from the modem"),  // no CONNECT
                              L(*log, "09:00:05", "Incoming call, CONNECT 33600/ARQ"),
                              L(*log, "09:00:10", "Outgoing call, CONNECT 9600"),  // inside: ignored
                              L(*log, "09:00:20", "Session failed, no handshake"),
                              L(*log, "09:01:00", "The CONNECT of a line that opens nothing"),
                          }));
    ASSERT_EQ(log->SessCount(), 1u);
    const TSess& s = log->GetSess(0);
    EXPECT_EQ(s.StartLine, 2);
    EXPECT_EQ(s.EndLine, 4);
    EXPECT_EQ(s.Speed, 33600u);
    EXPECT_TRUE(s.Has(sfIncoming));
    EXPECT_TRUE(s.Has(sfBad));
    EXPECT_FALSE(s.Has(sfOK));
    EXPECT_EQ(log->State, 0);
}

TEST_F(Brake, SummaryFieldsOfEachVersionAndLayout)
{
    struct Case {
        int version;
        bool bink;
    };
    for (Case c : {Case{701, false}, Case{703, false}, Case{716, false}, Case{703, true}, Case{716, true}}) {
        SCOPED_TRACE(std::to_string(c.version) + (c.bink ? " bink" : " own"));
        auto log = Make(c.version, c.bink);
        ASSERT_TRUE(Run(*log, {L(*log, "10:00:00", "Incoming call, CONNECT 33600"),
                               L(*log, "10:00:05", "Mailer: Anonymous 1.0"),
                               L(*log, "10:01:05", "Done, 2:5020/77, 0:01:00, 12/3, 1 234 567/89 012")}));
        ASSERT_EQ(log->SessCount(), 1u);
        const TSess& s = log->GetSess(0);
        EXPECT_EQ(s.FilesRcvd, 12);
        EXPECT_EQ(s.FilesSent, 3);
        EXPECT_EQ(s.BytesRcvd, 1234567);
        EXPECT_EQ(s.BytesSent, 89012);
        // Before 716 the summary's address is not read.
        EXPECT_EQ(Addr(s.Addr), c.version >= 716 ? "2:5020/77.0" : "-");
        EXPECT_EQ(log->GetDayStats(0).Count(), c.version >= 716 ? 1u : 0u);
    }
}

TEST_F(Brake, SummaryAddressNamesASystemOnlyFrom716AndOnlyWhenUnknown)
{
    WriteFile(dir / "brake!.ctl", "OUT BOSS 2:5020/52 7-095-123-4567\r\nINOUT UPLINK 2:5020/1\r\n");
    auto log = Make(716);
    ASSERT_TRUE(Run(*log, {L(*log, "10:00:00", "Incoming call, CONNECT 33600"),
                           L(*log, "10:00:05", "Mailer: Anonymous 1.0"),
                           L(*log, "10:01:05", "Done, boss, 0:01:00, 0/0, 0/0"),
                           L(*log, "11:00:00", "Incoming call, CONNECT 33600"),
                           L(*log, "11:00:01", "Session with 2:5020/999"),
                           L(*log, "11:01:00", "Done, UPLINK, 0:01:00, 0/0, 0/0"),
                           L(*log, "12:00:00", "Calling node UPLINK, try 1"),
                           L(*log, "12:00:30", "Not connected: BUSY")}));
    ASSERT_EQ(log->SessCount(), 2u);
    EXPECT_EQ(Addr(log->GetSess(0).Addr), "2:5020/52.0");
    EXPECT_EQ(Addr(log->GetSess(1).Addr), "2:5020/999.0");  // already known: kept
    const TNodeStatList& stats = log->GetDayStats(0);
    ASSERT_EQ(stats.Count(), 3u);
    EXPECT_EQ(Addr(stats.GetItems(0).Addr), "2:5020/1.0");
    EXPECT_EQ(stats.GetItems(0).Calls, 1);
    EXPECT_EQ(stats.GetItems(0).Busy, 1);

    // Version 703 reads no system names: a name where an address belongs is an error.
    auto old = Make(703);
    ASSERT_TRUE(Run(*old, {L(*old, "12:00:00", "Calling node UPLINK, try 1"),
                           L(*old, "12:00:30", "Not connected: BUSY")}));
    ASSERT_EQ(window.errors.size(), 1u);
    EXPECT_EQ(window.errors[0].first, 1);
    EXPECT_FALSE(old->DialAddr().has_value());
    EXPECT_EQ(old->GetDayStats(0).Total.Calls, 0);
    EXPECT_EQ(old->GetDayStats(0).Total.Busy, 0);
}

TEST_F(Brake, UnreadableSummaryStillEndsItsSession)
{
    auto log = Make(703);
    ASSERT_TRUE(Run(*log, {L(*log, "10:00:00", "Incoming call, CONNECT 33600"),
                           L(*log, "10:01:00", "Done, 2:5020/77, 0:01:00, x/3, 1/2"),
                           L(*log, "10:02:00", "Incoming call, CONNECT 2400"),
                           L(*log, "10:03:00", "Done, 2:5020/77"),  // counts missing
                           L(*log, "10:04:00", "Incoming call, CONNECT 2400"),
                           L(*log, "10:05:00", "Done, 2:5020/77, 0:01:00, 1/1, 5")}));
    EXPECT_EQ(log->SessCount(), 3u);
    EXPECT_EQ(log->GetSess(1).StartLine, 3);
    EXPECT_EQ(log->State, 0);
    ASSERT_EQ(window.errors.size(), 3u);
    EXPECT_EQ(window.errors[0].first, 2);
    EXPECT_EQ(window.errors[1].first, 4);
    EXPECT_EQ(window.errors[2].first, 6);
    EXPECT_EQ(log->ErrorCount, 3);
}

TEST_F(Brake, FailureMessagesClearOK)
{
    struct Case {
        const char* line;
        bool clears;
    };
    for (Case c : {Case{"Carrier lost", true}, Case{"Transfer stopped: Carrier lost", true},
                   Case{"Too low CPS (12), dropping", true}, Case{"Speed was Too low CPS", false},
                   Case{"Receiving timed out", true}, Case{"Canceled by remote side", true},
                   Case{"Transfer Canceled by remote", false}, Case{"Carrier Lost", false}}) {
        SCOPED_TRACE(c.line);
        auto log = Make(703);
        ASSERT_TRUE(Run(*log, {L(*log, "10:00:00", "Incoming call, CONNECT 33600"),
                               L(*log, "10:00:10", "Session with 2:5020/52"), L(*log, "10:00:20", c.line),
                               L(*log, "10:00:30", "Done, 2:5020/52, 0:00:30, 0/0, 0/0")}));
        ASSERT_EQ(log->SessCount(), 1u);
        EXPECT_EQ(log->GetSess(0).Has(sfOK), !c.clears);
        EXPECT_EQ(log->GetDayStats(0).GetItems(0).InOK, c.clears ? 0 : 1);
    }
}

TEST_F(Brake, FailureTextsAreFoundWhereverTheyStand)
{
    // Either text at any place of a line of any length; the filler holds their
    // letters to tempt a search into false starts.
    const std::string filler = "t Ct tCarrier lo timed o Carrier-lost tt ";
    for (std::string_view text : {"Carrier lost", "timed out", "Carrier losT", "timed  out", "Carrier los"}) {
        const bool clears = text == "Carrier lost" || text == "timed out";
        for (std::size_t lead = 0; lead <= filler.size(); ++lead) {
            for (std::size_t tail = 0; tail <= 17; ++tail) {
                const std::string msg = filler.substr(0, lead) + std::string(text) + std::string(tail, 'x');
                auto log = Make(716);
                ASSERT_TRUE(Run(*log, {L(*log, "10:00:00", "Incoming call, CONNECT 33600"),
                                       L(*log, "10:00:10", "Session with 2:5020/52"), L(*log, "10:00:20", msg),
                                       L(*log, "10:00:30", "Done, 2:5020/52, 0:00:30, 0/0, 0/0")}));
                ASSERT_EQ(log->SessCount(), 1u);
                EXPECT_EQ(log->GetSess(0).Has(sfOK), !clears) << msg;
            }
        }
    }
}

TEST_F(Brake, SummaryByteCountsWithBlanksSignsAndDamage)
{
    struct Case {
        const char* bytes;
        std::int64_t rcvd, sent;
        const char* error;  // the line error instead, if any
    } cases[] = {
        {"1 234 567/89 012", 1234567, 89012, nullptr},
        {"  12 / 3 ", 12, 3, nullptr},
        {"+12/-3", 12, -3, nullptr},
        {"- 5/0", -5, 0, nullptr},
        {"922 337 203 685 477 579 9/0", 9223372036854775799, 0, nullptr},
        {"922 337 203 685 477 580 0/0", 0, 0, "'9223372036854775800' is not a valid integer value"},
        {"1\t2/3", 0, 0, "'1\t2' is not a valid integer value"},
        {"12", 0, 0, "'' is not a valid integer value"},
        {"/7", 0, 0, "'' is not a valid integer value"},
        {"7/", 0, 0, "'' is not a valid integer value"},
        {"1/+", 0, 0, "'+' is not a valid integer value"},
        {"1 x/2", 0, 0, "'1x' is not a valid integer value"},
        {"1/2/3", 0, 0, "'2/3' is not a valid integer value"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        auto log = Make(716);
        ASSERT_TRUE(Run(*log, {L(*log, "10:00:00", "Incoming call, CONNECT 33600"),
                               L(*log, "10:00:10", "Session with 2:5020/52"),
                               L(*log, "10:00:30", std::string("Done, 2:5020/52, 0:00:30, 4/5, ") + c.bytes)}));
        ASSERT_EQ(log->SessCount(), 1u);  // ended in any case
        const TSess& s = log->GetSess(0);
        if (c.error) {
            ASSERT_EQ(window.errors.size(), 1u);
            EXPECT_EQ(window.errors[0].second, c.error);
            EXPECT_EQ(s.BytesRcvd, 0);
            EXPECT_EQ(s.FilesRcvd, 0);
        } else {
            EXPECT_TRUE(window.errors.empty());
            EXPECT_EQ(s.FilesRcvd, 4);
            EXPECT_EQ(s.FilesSent, 5);
            EXPECT_EQ(s.BytesRcvd, c.rcvd);
            EXPECT_EQ(s.BytesSent, c.sent);
        }
        window.errors.clear();
    }
}

TEST_F(Brake, CallResults)
{
    auto log = Make(703);
    ASSERT_TRUE(Run(*log, {
                              L(*log, "10:00:00", "Not connected: BUSY"),        // no dial address: ignored
                              L(*log, "10:00:01", "Not connected: NO CARRIER"),  // likewise
                              L(*log, "10:00:02", "Connection timed out"),
                              L(*log, "10:01:00", "Calling node 2:5020/52, try 1"),
                              L(*log, "10:01:30", "Not connected: BUSY"),
                              L(*log, "10:02:00", "Calling node 2:5020/52, try 2"),
                              L(*log, "10:02:30", "Not connected: NO CARRIER"),
                              L(*log, "10:03:00", "Calling node 2:5020/52, try 3"),
                              L(*log, "10:03:30", "Connection timed out"),
                              L(*log, "10:04:00", "Calling node 2:5020/52, try 4"),
                              L(*log, "10:04:30", "Not connected: NO DIAL TONE"),
                              L(*log, "10:04:31", "Not connected: BUSY, twice"),  // not exactly BUSY
                              L(*log, "10:05:00", "Calling node 2:5020/52.3, try 1"),
                              L(*log, "10:05:30", "Not connected: BUSY"),
                              // The dial address stays: a later outgoing session is booked under it.
                              L(*log, "10:06:00", "Outgoing call, CONNECT 14400"),
                              L(*log, "10:06:10", "Session with 2:5020/52"),
                              L(*log, "10:07:00", "Done, 2:5020/52, 0:00:50, 0/0, 0/0"),
                          }));
    const TNodeStatList& stats = log->GetDayStats(0);
    ASSERT_EQ(stats.Count(), 2u);
    const TNodeStat& node = stats.GetItems(0);
    EXPECT_EQ(Addr(node.Addr), "2:5020/52.0");
    EXPECT_EQ(node.Calls, 4);
    EXPECT_EQ(node.Busy, 1);
    EXPECT_EQ(node.NoCarrier, 2);
    EXPECT_EQ(node.OutSess, 0);
    const TNodeStat& point = stats.GetItems(1);
    EXPECT_EQ(Addr(point.Addr), "2:5020/52.3");
    EXPECT_EQ(point.Calls, 1);
    EXPECT_EQ(point.Busy, 1);
    EXPECT_EQ(point.OutSess, 1);
    EXPECT_EQ(stats.Total.Calls, 5);
    EXPECT_EQ(stats.Total.Busy, 2);
    EXPECT_EQ(stats.Total.NoCarrier, 2);
    EXPECT_TRUE(window.errors.empty());
}

TEST_F(Brake, CallLinesWithoutAReadableAddress)
{
    auto log = Make(703);
    ASSERT_TRUE(Run(*log, {
                              L(*log, "10:00:00", "Calling node 2:5020/52, try 1"),
                              L(*log, "10:00:10", "Calling"),                 // no address word
                              L(*log, "10:00:20", "Not connected: NO CARRIER"),  // no dial address now
                              L(*log, "10:00:30", "Calling node"),
                              L(*log, "10:00:40", "Calling node , try 1"),    // one character: nothing left
                              L(*log, "10:01:00", "Calling node 2:5020/52, try 2"),
                              L(*log, "10:01:10", "Calling node 2:junk/1, try 1"),
                              L(*log, "10:01:20", "Not connected: NO CARRIER"),
                          }));
    ASSERT_EQ(window.errors.size(), 1u);
    EXPECT_EQ(window.errors[0].first, 7);
    EXPECT_FALSE(log->DialAddr().has_value());
    const TNodeStatList& stats = log->GetDayStats(0);
    ASSERT_EQ(stats.Count(), 1u);
    EXPECT_EQ(stats.GetItems(0).Calls, 2);
    EXPECT_EQ(stats.GetItems(0).NoCarrier, 0);
}

TEST_F(Brake, HumanCallers)
{
    for (const char* word : {"Human", "Humman"}) {
        SCOPED_TRACE(word);
        auto log = Make(701);
        ASSERT_TRUE(Run(*log, {
                                  L(*log, "10:00:00", "Incoming call, CONNECT 2400"),
                                  L(*log, "10:00:05", std::string(word) + " caller, starting the terminal"),
                                  L(*log, "10:00:06", "Session with 2:5020/52"),  // state 10: nothing
                                  L(*log, "10:05:00", "Answering incoming call"),
                                  L(*log, "10:05:10", "Incoming call, CONNECT 2400"),
                                  L(*log, "10:05:15", std::string(word) + " caller, starting the terminal"),
                                  L(*log, "10:09:00", "Calling node 2:5020/52, try 1"),
                                  L(*log, "10:09:30", "Not connected: BUSY"),
                                  L(*log, "10:10:00", "Incoming call, CONNECT 2400"),
                                  L(*log, "10:10:05", std::string(word) + " caller, starting the terminal"),
                                  L(*log, "10:12:00", "Done, 2:5020/52, 0:00:50, 0/0, 0/0"),
                              }));
        ASSERT_EQ(log->SessCount(), 3u);
        for (std::size_t i = 0; i < 3; ++i) {
            EXPECT_TRUE(log->GetSess(i).Has(sfHuman));
            EXPECT_FALSE(log->GetSess(i).Addr.has_value());
        }
        EXPECT_EQ(log->GetSess(0).EndLine, 4);
        EXPECT_EQ(log->GetSess(0).EndTime, At(2026, 3, 28, 10, 5, 0));
        EXPECT_EQ(log->GetSess(1).EndLine, 7);
        EXPECT_EQ(log->GetSess(2).EndLine, 11);
        // The Calling line that ended the second one was counted as a call.
        const TNodeStatList& stats = log->GetDayStats(0);
        ASSERT_EQ(stats.Count(), 1u);
        EXPECT_EQ(stats.GetItems(0).Calls, 1);
        EXPECT_EQ(stats.GetItems(0).Busy, 1);
        EXPECT_EQ(stats.GetItems(0).InSess, 0);
    }
}

TEST_F(Brake, HandshakeStatesAndTheirOrder)
{
    auto log = Make(716, true);
    ASSERT_TRUE(Run(*log, {
                              L(*log, "10:00:00", "Incoming call, CONNECT 33600"),
                              L(*log, "10:00:01", "Password \"abc\" from 2:5020/52 not valid"),
                              L(*log, "10:00:01", "System: Too Early"),  // state 1: nothing
                              L(*log, "10:00:02", "Session with 2:5020/52"),
                              L(*log, "10:00:02", "Password is not valid here"),  // state 2: nothing
                              L(*log, "10:00:02", " Sysop: Too Early from Here"),
                              L(*log, "10:00:03", "Mailer: Brake!/DOS 7.16"),
                              L(*log, "10:00:03", "System: The Station"),
                              L(*log, "10:00:03", " Sysop: Sergey Ivanov"),  // no "from": empty
                              L(*log, "10:00:03", " Phone: Unpublished"),
                              L(*log, "10:00:04", "Using Hydra for transfer, RH1 mode"),
                              L(*log, "10:00:05", "Session failed, password error"),
                          }));
    ASSERT_EQ(log->SessCount(), 1u);
    const TSess& s = log->GetSess(0);
    EXPECT_TRUE(s.Has(sfBadPassword));
    EXPECT_TRUE(s.Has(sfBad));
    EXPECT_FALSE(s.Has(sfOK));
    EXPECT_FALSE(s.Has(sfPassword));
    EXPECT_EQ(s.Mailer, "Brake!/DOS 7.16");
    EXPECT_EQ(s.System, "The Station");
    EXPECT_EQ(s.SysOp, "");
    EXPECT_EQ(s.Phone, "Unpublished");
    EXPECT_EQ(s.Protocol, prXHydra);
}

TEST_F(Brake, MailerLineWithoutSessionLineForgetsTheAddress)
{
    auto log = Make(703);
    ASSERT_TRUE(Run(*log, {
                              L(*log, "10:00:00", "Calling node 2:5020/52, try 1"),
                              L(*log, "10:00:30", "Outgoing call, CONNECT 33600"),
                              L(*log, "10:00:31", "Mailer: FrontDoor 2.26"),
                              L(*log, "10:00:31", "System: Other Station"),
                              L(*log, "10:00:31", " Sysop: from Minsk"),
                              L(*log, "10:00:31", " Phone: 375-17-000"),
                              L(*log, "10:00:32", "Using ZedZap (for transfer)"),
                              L(*log, "10:00:33", "Using DirZap"),  // no "for transfer": nothing
                              L(*log, "10:01:00", "Done, 2:5020/52, 0:00:30, 1/0, 100/0"),
                          }));
    ASSERT_EQ(log->SessCount(), 1u);
    const TSess& s = log->GetSess(0);
    EXPECT_FALSE(s.Addr.has_value());
    EXPECT_EQ(s.Mailer, "FrontDoor 2.26");
    EXPECT_EQ(s.SysOp, "");
    EXPECT_EQ(s.Phone, "375-17-000");
    EXPECT_EQ(s.Protocol, prZedZap);
    // Booked under the number called.
    EXPECT_EQ(log->GetDayStats(0).GetItems(0).OutSess, 1);
}

TEST_F(Brake, SysopNameBeforeTheWordFrom)
{
    struct Case {
        const char* value;
        const char* sysop;
    };
    for (Case c : {Case{"Ivan Petrov from Moscow", "Ivan Petrov"}, Case{"Alfromeo Bianchi from Rome", "Alfromeo Bianchi"},
                   Case{"Olaf Mefrom from Oslo", "Olaf Mefrom"}, Case{"Jo from", "Jo"}, Case{"from Minsk", ""}, Case{"Nobody", ""},
                   Case{"A from B from C", "A"}}) {
        SCOPED_TRACE(c.value);
        auto log = Make(703);
        ASSERT_TRUE(Run(*log, {L(*log, "10:00:00", "Incoming call, CONNECT 33600"),
                               L(*log, "10:00:01", "Session with 2:5020/52"), L(*log, "10:00:01", "Mailer: M"),
                               L(*log, "10:00:01", "System: S"), L(*log, "10:00:01", std::string(" Sysop: ") + c.value),
                               L(*log, "10:00:30", "Done, 2:5020/52, 0:00:30, 0/0, 0/0")}));
        ASSERT_EQ(log->SessCount(), 1u);
        EXPECT_EQ(log->GetSess(0).SysOp, c.sysop);
    }
}

TEST_F(Brake, BinkleyTermLinesOfOtherProgramsChangeNothing)
{
    auto log = Make(703, true);
    ASSERT_TRUE(Run(*log, {
                              L(*log, "10:00:00", "Incoming call, CONNECT 33600", {}, '+', "SQSH"),
                              L(*log, "10:00:00", "Incoming call, CONNECT 33600"),
                              L(*log, "10:00:01", "Session with 2:5020/52", {}, ':', "BRK"),
                              L(*log, "10:00:02", "Session with 2:5020/52"),
                              L(*log, "10:00:03", "Done, 2:5020/99, 0:00:02, 1/1, 1/1", {}, '+', "SQSH"),
                              L(*log, "10:00:04", "Carrier lost", {}, '!', "FAST"),
                              "+ 28 Mar 10:00:05 BRK",  // too short for the tag
                              L(*log, "10:00:06", "Done, 2:5020/52, 0:00:06, 2/2, 20/20"),
                          }));
    ASSERT_EQ(log->SessCount(), 1u);
    const TSess& s = log->GetSess(0);
    EXPECT_EQ(s.StartLine, 2);
    EXPECT_EQ(s.EndLine, 8);
    EXPECT_TRUE(s.Has(sfOK));
    EXPECT_EQ(s.FilesRcvd, 2);
}

TEST_F(Brake, SessionAcrossMidnightAndFirstOfDay)
{
    auto log = Make(703);
    ASSERT_TRUE(Run(*log, {
                              L(*log, "23:59:00", "Incoming call, CONNECT 33600"),
                              L(*log, "23:59:10", "Session with 2:5020/52"),
                              L(*log, "00:01:00", "Done, 2:5020/52, 0:02:00, 0/0, 0/1 200", "29/03/26"),
                              L(*log, "00:05:00", "Incoming call, CONNECT 33600", "29/03/26"),
                              L(*log, "00:05:10", "Session with 2:5020/52", "29/03/26"),
                              L(*log, "00:06:00", "Done, 2:5020/52, 0:01:00, 0/0, 0/0", "29/03/26"),
                          }));
    ASSERT_EQ(log->SessCount(), 2u);
    EXPECT_TRUE(log->GetSess(0).Has(sfFirstOfDay));
    EXPECT_TRUE(log->GetSess(1).Has(sfFirstOfDay));
    EXPECT_EQ(log->GetSess(0).SessLength(), 120);
    EXPECT_EQ(log->GetSess(0).CPS, 10);
    // The session is booked on the day it ended.
    EXPECT_EQ(log->GetDayStats(0).Count(), 0u);
    EXPECT_EQ(log->GetDayStats(1).GetItems(0).InSess, 2);
}

TEST_F(Brake, BinkleyTermSessionOverNewYearsMidnight)
{
    auto log = Make(716, true);
    ASSERT_TRUE(Run(*log, {
                              L(*log, "23:59:00", "Incoming call, CONNECT 33600", "31 Dec"),
                              L(*log, "23:59:05", "Session with 2:5020/52", "31 Dec"),
                              L(*log, "00:01:00", "Done, 2:5020/52, 0:02:00, 0/0, 0/1 200", "01 Jan"),
                              L(*log, "00:05:00", "Incoming call, CONNECT 33600", "01 Jan"),
                              L(*log, "00:06:00", "Session failed, no handshake", "01 Jan"),
                          }));
    ASSERT_EQ(log->SessCount(), 2u);
    // The last line is in the current year: the lines of 31 Dec in the year before.
    EXPECT_EQ(log->GetSess(0).StartTime, At(2025, 12, 31, 23, 59, 0));
    EXPECT_EQ(log->GetSess(0).EndTime, At(2026, 1, 1, 0, 1, 0));
    EXPECT_EQ(log->GetSess(0).SessLength(), 120);
    EXPECT_EQ(log->GetSess(0).CPS, 10);
    // Days and sessions that begin after midnight keep the current year.
    EXPECT_EQ(log->GetDay(1).Date, EncodeDate(2026, 1, 1));
    EXPECT_EQ(log->GetSess(1).StartTime, At(2026, 1, 1, 0, 5, 0));
    EXPECT_EQ(log->GetSess(1).SessLength(), 60);
    EXPECT_EQ(log->GetDayStats(1).GetItems(0).Time, 120);
}

// ------------------------------------------------------------------ file requests

TEST_F(Brake, RequestedFilesOfVersion701)
{
    auto log = Make(701);
    log->UpdateDLC = true;
    ASSERT_TRUE(Run(*log, std::vector<std::string>{
                              L(*log, "10:00:00", "Incoming call, CONNECT 33600"),
                          } + Handshake(*log, "10:00:01", "2:5020/52") +
                              std::vector<std::string>{
                                  L(*log, "10:00:02", "Using ZedZap for transfer"),
                                  L(*log, "10:00:03", "Z-Send 0001.PKT, 100 bytes"),  // state 6: mail, no request
                                  L(*log, "10:00:04", "Z-Sent 0001.PKT, 100 cps"),
                                  L(*log, "10:00:05", "Sending FREQed files"),
                                  L(*log, "10:00:06", "Sending from FILES\\NODELIST"),
                                  L(*log, "10:00:07", "Z-Send nodelist.zip, 123 456 bytes"),
                                  L(*log, "10:00:08", "Sending from FILES\\NODELIST"),  // keeps it pending
                                  L(*log, "10:00:30", "Z-Sent nodelist.zip, 5 000 cps"),
                                  L(*log, "10:00:31", "Z-Send SOFT.ZIP, 10 bytes"),
                                  L(*log, "10:00:32", "Z-Receive 0002.PKT, 10 bytes"),  // clears the pending one
                                  L(*log, "10:00:33", "Z-Sent SOFT.ZIP, 10 cps"),
                                  L(*log, "10:00:34", "ZS NOT701.ZIP, 10 bytes"),  // the later form: nothing
                                  L(*log, "10:00:35", "SE NOT701.ZIP 10 cps"),
                                  L(*log, "10:00:40", "Done, 2:5020/52, 0:00:40, 1/3, 10/123 566"),
                              }));
    ASSERT_EQ(log->FreqCount(), 2u);
    const TFreq& a = log->GetFreq(0);
    EXPECT_EQ(a.Name, "NODELIST.ZIP");
    EXPECT_EQ(Addr(a.Addr), "2:5020/52.0");
    EXPECT_TRUE(a.Sent);
    EXPECT_EQ(a.LineNo, 14);
    EXPECT_EQ(a.RealName, "NODELIST.ZIP");
    EXPECT_EQ(a.Path, "");
    const TFreq& b = log->GetFreq(1);
    EXPECT_EQ(b.Name, "SOFT.ZIP");
    EXPECT_FALSE(b.Sent);
    EXPECT_EQ(b.LineNo, 15);
    ASSERT_EQ(log->DLCList().size(), 1u);
    EXPECT_EQ(log->DLCList()[0].FileName, "NODELIST.ZIP");
    EXPECT_EQ(log->DLCList()[0].Dir, "");
    ASSERT_EQ(log->Requesters().Count(), 1);
}

TEST_F(Brake, RequestedFilesOfLaterVersions)
{
    for (bool bink : {false, true}) {
        SCOPED_TRACE(bink ? "bink" : "own");
        auto log = Make(716, bink);
        ASSERT_TRUE(Run(*log, std::vector<std::string>{
                                  L(*log, "10:00:00", "Incoming call, CONNECT 33600"),
                              } + Handshake(*log, "10:00:01", "2:5020/52") +
                                  std::vector<std::string>{
                                      L(*log, "10:00:02", "Sending FREQed files"),
                                      L(*log, "10:00:03", "HS NODELIST.ZIP, 123 456 bytes"),
                                      L(*log, "10:00:30", "SE NODELIST.ZIP 5000 cps"),
                                      L(*log, "10:00:31", "SE NODELIST.ZIP 5000 cps"),  // not pending: nothing
                                      L(*log, "10:00:32", "Z-Send OLD.ZIP, 1 byte"),    // the 701 form: nothing
                                      L(*log, "10:00:33", "Z-Sent OLD.ZIP"),
                                      L(*log, "10:00:34", "HS ,"),  // no name: no request
                                      L(*log, "10:00:35", "SE ,"),
                                      L(*log, "10:00:36", "HS"),
                                      L(*log, "10:00:37", "HS NODELIST.ZIP, 123 456 bytes"),  // again
                                      L(*log, "10:00:38", "Carrier lost"),
                                      L(*log, "10:00:39", "SE NODELIST.ZIP 5000 cps"),
                                      L(*log, "10:00:40", "Done, 2:5020/52, 0:00:40, 0/2, 0/123 456"),
                                  }));
        ASSERT_EQ(log->FreqCount(), 1u);
        const TFreq& f = log->GetFreq(0);
        EXPECT_EQ(f.Name, "NODELIST.ZIP");
        EXPECT_TRUE(f.Sent);
        EXPECT_EQ(f.LineNo, 16);  // the second request of the same node
        EXPECT_FALSE(log->GetSess(0).Has(sfOK));
    }
}

TEST_F(Brake, PendingSendDoesNotOutliveItsSession)
{
    auto log = Make(703);
    ASSERT_TRUE(Run(*log, std::vector<std::string>{
                              L(*log, "10:00:00", "Incoming call, CONNECT 33600"),
                          } + Handshake(*log, "10:00:01", "2:5020/52") +
                              std::vector<std::string>{
                                  L(*log, "10:00:02", "Sending FREQed files"),
                                  L(*log, "10:00:03", "HS NODELIST.ZIP, 1 bytes"),
                                  L(*log, "10:00:10", "Done, 2:5020/52, 0:00:10, 0/0, 0/0"),
                                  L(*log, "11:00:00", "Incoming call, CONNECT 33600"),
                              } + Handshake(*log, "11:00:01", "2:5020/52") +
                              std::vector<std::string>{
                                  L(*log, "11:00:02", "Sending FREQed files"),
                                  L(*log, "11:00:03", "SE NODELIST.ZIP 1 cps"),
                                  L(*log, "11:00:10", "Done, 2:5020/52, 0:00:10, 0/0, 0/0"),
                              }));
    ASSERT_EQ(log->FreqCount(), 1u);
    EXPECT_EQ(Addr(log->GetFreq(0).Addr), "2:5020/52.0");
    EXPECT_FALSE(log->GetFreq(0).Sent);
}

TEST_F(Brake, RequestsNeedAKnownRequester)
{
    auto log = Make(703);
    ASSERT_TRUE(Run(*log, {
                              L(*log, "10:00:00", "Incoming call, CONNECT 33600"),
                              L(*log, "10:00:01", "Mailer: Anonymous 1.0"),
                              L(*log, "10:00:01", "System: S"),
                              L(*log, "10:00:01", " Sysop: N from P"),
                              L(*log, "10:00:01", " Phone: -"),
                              L(*log, "10:00:02", "Sending FREQed files"),
                              L(*log, "10:00:03", "HS NODELIST.ZIP, 1 bytes"),
                              L(*log, "10:00:04", "SE NODELIST.ZIP 1 cps"),
                              L(*log, "10:00:10", "Done, 2:5020/52, 0:00:10, 0/1, 0/1"),
                          }));
    EXPECT_EQ(log->FreqCount(), 0u);
    EXPECT_TRUE(window.errors.empty());
    EXPECT_EQ(log->SessCount(), 1u);
}

TEST_F(Brake, AliasNamesLeaveRequestsUnchanged)
{
    WriteFile(dir / "brake!.ctl", "ALIAS FILES\r\nALIAS nodelist.zip\r\n");
    auto log = Make(703);
    ASSERT_TRUE(Run(*log, std::vector<std::string>{
                              L(*log, "10:00:00", "Incoming call, CONNECT 33600"),
                          } + Handshake(*log, "10:00:01", "2:5020/52") +
                              std::vector<std::string>{
                                  L(*log, "10:00:02", "Sending FREQed files"),
                                  L(*log, "10:00:03", "HS NODELIST.ZIP, 123 456 bytes"),
                                  L(*log, "10:00:04", "HS FILES, 1 bytes"),
                                  L(*log, "10:00:05", "SE FILES 1 cps"),
                                  L(*log, "10:00:10", "Done, 2:5020/52, 0:00:10, 0/1, 0/1"),
                              }));
    EXPECT_EQ(log->AliasNames(), (std::vector<std::string>{"FILES", "nodelist.zip"}));
    EXPECT_TRUE(log->Aliases().empty());
    ASSERT_EQ(log->FreqCount(), 2u);
    EXPECT_EQ(log->GetFreq(0).RealName, "NODELIST.ZIP");
    EXPECT_FALSE(log->GetFreq(0).Sent);
    EXPECT_EQ(log->GetFreq(1).RealName, "FILES");
    EXPECT_TRUE(log->GetFreq(1).Sent);
}

TEST_F(Brake, NewPartOfTheLogCountsOnlyNewSends)
{
    auto log = Make(703);
    log->UpdateDLC = true;
    log->AutoNew = true;
    std::vector<std::string> lines = {L(*log, "10:00:00", "Incoming call, CONNECT 33600")};
    lines = lines + Handshake(*log, "10:00:01", "2:5020/52") +
            std::vector<std::string>{L(*log, "10:00:02", "Sending FREQed files"),
                                     L(*log, "10:00:03", "HS OLD.ZIP, 1 bytes"), L(*log, "10:00:04", "SE OLD.ZIP 1 cps"),
                                     L(*log, "10:00:10", "Done, 2:5020/52, 0:00:10, 0/1, 0/1"),
                                     L(*log, "11:00:00", "Incoming call, CONNECT 33600")};
    log->LastStr = lines.back().substr(0, 20);
    lines = lines + Handshake(*log, "11:00:01", "2:5020/52") +
            std::vector<std::string>{L(*log, "11:00:02", "Sending FREQed files"),
                                     L(*log, "11:00:03", "HS NEW.ZIP, 1 bytes"), L(*log, "11:00:04", "SE NEW.ZIP 1 cps"),
                                     L(*log, "11:00:10", "Done, 2:5020/52, 0:00:10, 0/1, 0/1")};
    ASSERT_TRUE(Run(*log, lines));
    EXPECT_EQ(log->FirstNewSess, 1);
    EXPECT_EQ(log->FirstNewFreq, 1);
    ASSERT_EQ(log->DLCList().size(), 1u);
    EXPECT_EQ(log->DLCList()[0].FileName, "NEW.ZIP");
}

// ------------------------------------------------------------------ configuration

TEST_F(Brake, ConfigurationWithIncludesMacrosAndCompletionMarker)
{
    ::setenv("TARVIX_BRAKE_AREA", "SOFT", 1);
    fs::create_directories(dir / "FILES" / "SOFT");
    fs::create_directories(dir / "FILES" / "NODELIST");
    WriteFile(dir / "brake!.ctl",
              "; the sample station\r\n"
              "ALIAS FILES\r\n"
              "#Macro @AREA@ FILES\r\n"
              "TREE .\\@AREA@\\\r\n"
              "#Include cfg\\nodes.ctl\r\n"
              "ALIAS NEWFILES ; with a comment\r\n"
              "   complete.  the rest is not read\r\n"
              "TREE .\\NO-SUCH-DIR\r\n"
              "ALIAS LATE\r\n");
    WriteFile(dir / "cfg" / "nodes.ctl",
              "OUT BOSS 2:5020/52 7-095-123-4567\r\n"
              "INOUT Uplink 2:5020/1\r\n"
              "OUT LONELY\r\n"
              "#Include more.ctl\r\n"  // next to nodes.ctl
              "COMPLETE.\r\n"
              "OUT AFTER 2:5020/3\r\n");
    WriteFile(dir / "cfg" / "more.ctl", "INOUT HUB 2:5020/10\r\nALIAS #TARVIX_BRAKE_AREA#\r\n");

    auto log = Make(716);
    AddAlias(TFidoAddr::CreateStr("2:5020/444"), "STALE");
    ASSERT_TRUE(Run(*log, {L(*log, "10:00:00", "Ready, waiting for a call")}));
    EXPECT_TRUE(dialogs.Shown.empty());
    EXPECT_EQ(log->AliasNames(), (std::vector<std::string>{"FILES", "SOFT", "NEWFILES"}));
    EXPECT_TRUE(fs::equivalent(log->Tree(), dir / "FILES")) << log->Tree();
    EXPECT_NE(log->Tree().back(), '/');
    ASSERT_EQ(log->SystemAliases().Count(), 3u);
    EXPECT_EQ(log->SystemAliases().Lookup("boss"), "2:5020/52");
    EXPECT_EQ(log->SystemAliases().Lookup("UPLINK"), "2:5020/1");
    EXPECT_EQ(log->SystemAliases().Lookup("HUB"), "2:5020/10");
    ASSERT_EQ(Aliases().size(), 3u);  // the table was emptied first
    EXPECT_EQ(Aliases()[0].Name, "BOSS");
    EXPECT_EQ(Aliases()[1].Name, "Uplink");
    EXPECT_EQ(Aliases()[1].Node, 1);

    // Before 716 the system names are not read and the global table is left alone.
    ClearAliases();
    AddAlias(TFidoAddr::CreateStr("2:5020/444"), "STALE");
    auto old = Make(703);
    ASSERT_TRUE(Run(*old, {L(*old, "10:00:00", "Ready, waiting for a call")}));
    EXPECT_EQ(old->SystemAliases().Count(), 0u);
    ASSERT_EQ(Aliases().size(), 1u);
    EXPECT_EQ(Aliases()[0].Name, "STALE");
    ::unsetenv("TARVIX_BRAKE_AREA");
}

TEST_F(Brake, ConfigurationIsReadAgainForEveryAnalysis)
{
    fs::create_directories(dir / "A");
    WriteFile(dir / "brake!.ctl", "TREE A\r\nALIAS ONE\r\nOUT BOSS 2:5020/52\r\n");
    auto log = Make(716);
    ASSERT_TRUE(Run(*log, {L(*log, "10:00:00", "Ready")}));
    EXPECT_EQ(log->AliasNames().size(), 1u);
    WriteFile(dir / "brake!.ctl", "ALIAS TWO\r\n");
    ASSERT_TRUE(Run(*log, {L(*log, "10:00:00", "Ready")}));
    EXPECT_EQ(log->AliasNames(), std::vector<std::string>{"TWO"});
    EXPECT_EQ(log->Tree(), "");
    EXPECT_EQ(log->SystemAliases().Count(), 0u);
    EXPECT_TRUE(Aliases().empty());
}

TEST_F(Brake, ConfigurationErrorsEndTheAnalysis)
{
    struct Case {
        const char* name;
        std::string ctl;  // empty: no brake!.ctl at all
    };
    for (const Case& c : {Case{"missing file", ""}, Case{"tree missing", "TREE NOWHERE\r\n"},
                          Case{"tree without a value", "TREE\r\n"},
                          Case{"bad system address", "OUT BOSS 2:50x0/52\r\n"},
                          Case{"unmatched quote", "OUT \"BOSS 2:5020/52\r\n"},
                          Case{"include of a missing file", "#Include nothere.ctl\r\n"},
                          Case{"include loop", "#Include brake!.ctl\r\n"}}) {
        SCOPED_TRACE(c.name);
        fs::remove(dir / "brake!.ctl");
        if (!c.ctl.empty())
            WriteFile(dir / "brake!.ctl", c.ctl);
        dialogs.Shown.clear();
        auto log = Make(716);
        EXPECT_FALSE(Run(*log, {L(*log, "10:00:00", "Incoming call, CONNECT 33600")}));
        ASSERT_EQ(dialogs.Shown.size(), 1u);
        EXPECT_EQ(dialogs.Shown[0].type, TMsgDlgType::mtError);
        EXPECT_EQ(log->SessCount(), 0u);
    }
    // The same OUT line is not read before 716.
    WriteFile(dir / "brake!.ctl", "OUT BOSS 2:50x0/52\r\n");
    dialogs.Shown.clear();
    auto old = Make(703);
    EXPECT_TRUE(Run(*old, {L(*old, "10:00:00", "Ready")}));
    EXPECT_TRUE(dialogs.Shown.empty());
}

TEST_F(Brake, DamagedConfigurationFilesNeverCrash)
{
    std::mt19937 rng(4711);
    std::string good = "ALIAS FILES\r\n#Macro X Y\r\nOUT BOSS 2:5020/52 phone\r\nINOUT HUB 2:5020/1\r\nCOMPLETE.\r\n";
    for (int round = 0; round < 40; ++round) {
        std::string ctl;
        if (round % 2 == 0) {
            ctl = good.substr(0, rng() % good.size());  // truncated anywhere
        } else {
            std::size_t n = rng() % 2000;
            for (std::size_t i = 0; i < n; ++i)
                ctl += static_cast<char>(rng() % 256);
        }
        WriteFile(dir / "brake!.ctl", ctl);
        auto log = Make(716);
        dialogs.Shown.clear();
        bool ok = Run(*log, {L(*log, "10:00:00", "Ready")});
        EXPECT_EQ(ok, dialogs.Shown.empty());
    }
}

TEST_F(Brake, RequestedFilesAreFoundInTheTreeAndTheirCountersRaised)
{
    WriteFile(dir / "FILES" / "NodeList" / "nodelist.zip", "zip");
    WriteFile(dir / "FILES" / "NodeList" / "files.bbs", "NODELIST.ZIP [004] The nodelist\r\nOTHER.ZIP   Other\r\n");
    WriteFile(dir / "FILES" / "SOFT" / "Tool.zip", "zip");
    WriteFile(dir / "brake!.ctl", "TREE FILES\r\n");
    auto log = Make(703);
    log->UpdateDLC = true;
    ASSERT_TRUE(Run(*log, std::vector<std::string>{
                              L(*log, "10:00:00", "Incoming call, CONNECT 33600"),
                          } + Handshake(*log, "10:00:01", "2:5020/52") +
                              std::vector<std::string>{
                                  L(*log, "10:00:02", "Sending FREQed files"),
                                  L(*log, "10:00:03", "HS NODELIST.ZIP, 3 bytes"),
                                  L(*log, "10:00:04", "SE NODELIST.ZIP 3 cps"),
                                  L(*log, "10:00:10", "Done, 2:5020/52, 0:00:10, 0/1, 0/3"),
                              }));
    std::string found = log->ResolveFreqName("NODELIST.ZIP");
    EXPECT_EQ(ToHostPath(found), (dir / "FILES" / "NodeList" / "nodelist.zip").string());
    EXPECT_NE(log->ResolveFreqName("TOOL.ZIP"), "");
    EXPECT_EQ(log->ResolveFreqName("MISSING.ZIP"), "");
    ASSERT_EQ(log->DLCList().size(), 1u);
    log->UpdateCounters();
    EXPECT_EQ(ReadWholeFile((dir / "FILES" / "NodeList" / "files.bbs").string()),
              "NODELIST.ZIP [005] The nodelist\r\nOTHER.ZIP   Other\r\n");

    TBrakeLog none;
    EXPECT_EQ(none.ResolveFreqName("NODELIST.ZIP"), "");  // no tree read yet
}

// ------------------------------------------------------------------ highlighting

TEST(BrakeLogWords, OwnLayout)
{
    TBrakeLog log;
    log.SetBrkVersion(703);
    // "28/03/26 10:21:07 T01   Incoming call, CONNECT 33600"
    EXPECT_EQ(log.GetWordClass("28/03/26", 1, 0), hcDateTime);
    EXPECT_EQ(log.GetWordClass("10:21:07", 1, 9), hcDateTime);
    EXPECT_EQ(log.GetWordClass("T01", 1, 18), hcSpecial);
    EXPECT_EQ(log.GetWordClass("Incoming", 1, 24), hcInfo);
    EXPECT_EQ(log.GetWordClass("call,", 1, 33), hcInfo);
    EXPECT_EQ(log.GetWordClass("10:21:07", 1, 9), hcDateTime);

    // "... Session failed, no handshake": Info, then errors for the rest.
    EXPECT_EQ(log.GetWordClass("Session", 2, 24), hcInfo);
    EXPECT_EQ(log.GetWordClass("failed,", 2, 32), hcErrors);
    EXPECT_EQ(log.GetWordClass("no", 2, 40), hcErrors);

    for (const char* w : {"Ready,", "Done,", "Outgoing"})
        EXPECT_EQ(log.GetWordClass(w, 3, 24), hcInfo) << w;
    EXPECT_EQ(log.GetWordClass("Unable", 4, 24), hcErrors);
    EXPECT_EQ(log.GetWordClass("Unabl", 5, 24), hcNormal);
    EXPECT_EQ(log.GetWordClass("Calling", 6, 24), hcNormal);
    EXPECT_EQ(log.GetWordClass("node", 6, 32), hcNormal);
    EXPECT_EQ(log.GetWordClass("Human", 7, 24), hcSpecial);
    EXPECT_EQ(log.GetWordClass("caller", 7, 30), hcSpecial);
    EXPECT_EQ(log.GetWordClass("Humman", 8, 24), hcSpecial);

    // The word in column 18 is Special for itself only; a word starting with the
    // byte 4 decides nothing, the next word does.
    EXPECT_EQ(log.GetWordClass("T01", 9, 18), hcSpecial);
    EXPECT_EQ(log.GetWordClass("\x04", 9, 23), hcNormal);
    EXPECT_EQ(log.GetWordClass("Done,", 9, 25), hcInfo);
    EXPECT_EQ(log.GetWordClass("2:5020/52,", 9, 31), hcInfo);

    // Columns 2 and 5 are date words only in the BinkleyTerm layout.
    EXPECT_EQ(log.GetWordClass("x", 10, 2), hcNormal);
}

TEST(BrakeLogWords, TransferWordsByVersion)
{
    TBrakeLog v701;
    struct Case {
        const char* word;
        int c701;
        int cLater;
    };
    for (Case c : {Case{"Z-Send", hcSent, hcNormal}, Case{"H-Sent", hcSent, hcNormal},
                   Case{"Z-Sen", hcSent, hcNormal}, Case{"Z-Receive", hcRecd, hcNormal},
                   Case{"Z-Received", hcRecd, hcNormal}, Case{"Z-Receiv", hcNormal, hcNormal},
                   Case{"HS", hcNormal, hcSent}, Case{"SE", hcNormal, hcSent}, Case{"HR", hcNormal, hcRecd},
                   Case{"RE", hcNormal, hcRecd}, Case{"HSX", hcNormal, hcNormal}, Case{"S", hcNormal, hcNormal}}) {
        TBrakeLog later;
        later.SetBrkVersion(716);
        EXPECT_EQ(v701.GetWordClass(c.word, 1, 24), c.c701) << c.word;
        EXPECT_EQ(v701.GetWordClass("more", 1, 40), c.c701) << c.word;  // holds for the line
        EXPECT_EQ(later.GetWordClass(c.word, 1, 27), c.cLater) << c.word;
        v701.GetWordClass("reset", 2, 24);
    }
}

TEST(BrakeLogWords, BinkleyTermLayout)
{
    TBrakeLog log;
    log.SetBrkVersion(716);
    log.SetBinkStyle(true);
    // "! 28 Mar 10:21:07 BRK! Session failed, no handshake"
    EXPECT_EQ(log.GetWordClass("!", 1, 0), hcNormal);
    EXPECT_EQ(log.GetWordClass("28", 1, 2), hcDateTime);
    EXPECT_EQ(log.GetWordClass("Mar", 1, 5), hcDateTime);
    EXPECT_EQ(log.GetWordClass("10:21:07", 1, 9), hcDateTime);
    EXPECT_EQ(log.GetWordClass("BRK!", 1, 18), hcSpecial);
    EXPECT_EQ(log.GetWordClass("Session", 1, 23), hcInfo);
    EXPECT_EQ(log.GetWordClass("failed,", 1, 31), hcErrors);
    // The flag column decides nothing even when it holds a word of the rules.
    EXPECT_EQ(log.GetWordClass("Done,", 2, 0), hcNormal);
    EXPECT_EQ(log.GetWordClass("SE", 2, 23), hcSent);
    EXPECT_EQ(log.GetWordClass("x", 3, 0), hcNormal);
    EXPECT_EQ(log.GetWordClass("Calling", 3, 23), hcNormal);
    EXPECT_EQ(log.GetWordClass("Done,", 3, 31), hcNormal);
    // In the own layout column 0 is the date.
    log.SetBinkStyle(false);
    EXPECT_EQ(log.GetWordClass("x", 4, 0), hcDateTime);
}

// ------------------------------------------------------------------ damaged logs

TEST_F(Brake, RandomBytesAndRandomLinesNeverCrash)
{
    // Fragments of every message, cut at random places and joined with random bytes.
    const std::vector<std::string> msgs = {
        "Incoming call, CONNECT 33600", "Outgoing call, CONNECT TCP/IP", "Calling node 2:5020/52, try 1",
        "Calling node BOSS, try 1", "Not connected: BUSY", "Not connected: NO CARRIER", "Connection timed out",
        "Session with 2:5020/52", "Human caller", "Humman", "Mailer: M", "System: S", " Sysop: A from B",
        " Phone: 1", "Password protected session", "Password x not valid", "Using Hydra for transfer, RH1 mode",
        "Sending FREQed files", "HS A.ZIP, 1", "SE A.ZIP", "Z-Send A.ZIP, 1", "Z-Sent A.ZIP", "Sending from X",
        "Done, 2:5020/52, 0:00:10, 1/1, 1 000/2 000", "Done, BOSS, 1/1, x", "Done,", "Session failed, x",
        "Carrier lost", "Answering", "Too low CPS", "Canceled by remote"};
    WriteFile(dir / "brake!.ctl", "OUT BOSS 2:5020/52\r\n");
    std::mt19937 rng(20260328);
    for (int version : {701, 703, 716}) {
        for (bool bink : {false, true}) {
            auto log = Make(version, bink);
            std::string text;
            for (int i = 0; i < 3000; ++i) {
                std::string line = L(*log, "10:00:00", msgs[rng() % msgs.size()]);
                switch (rng() % 6) {
                case 0:
                    line.resize(rng() % (line.size() + 1));
                    break;
                case 1:
                    line[rng() % line.size()] = static_cast<char>(rng() % 256);
                    break;
                case 2:
                    line += std::string(rng() % 400, 'x');
                    break;
                default:
                    break;
                }
                text += line;
                text += (rng() % 10 == 0) ? "\n" : "\r\n";
            }
            for (int i = 0; i < 20000; ++i)
                text += static_cast<char>(rng() % 256);
            log->SetText(text);
            EXPECT_TRUE(log->Analyse({}));
            EXPECT_EQ(log->ErrorCount, static_cast<std::int64_t>(window.errors.size()));
            window.errors.clear();
        }
    }
}
