#include "engine/FHMailLog.h"
#include "fido/Dialogs.h"
#include "fido/MailerLng.h"
#include "fido/QParser.h"
#include "platform/IniFile.h"
#include "tools/lngwriters/MailerLngWriter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <unistd.h>

using namespace tarvix;
namespace fs = std::filesystem;
using tarvix::lngwriters::FhEntry;

namespace {

// The texts of the language file the tests install (this project's own wording).
std::vector<FhEntry> TestEntries()
{
    return {
        {"RING", "Phone rings", {}},
        {"DIALING", "Dialling ", {}},
        {"BUSY", "Busy signal", {}},
        {"NO_CARRIER", "Lost line", {}},
        {"REMOTE_ADDRESS", "Address: ", {}},
        {"BBSCALL", "Caller wants BBS", {}},
        {"POST_SESSION", "Done, ", {}},
        {"STARTING_PROCESS", "Start of ", {}},
        {"FINISHING", "End of work", {}},
        {"SESSION_ABORT", "Aborted by remote", {}},
        {"REMOTE_MAILER", "Mailer: ", {}},
        {"REMOTE_NAME", "System: ", {}},
        {"REMOTE_SYSOP", "SysOp: ", std::string(" in ")},
        {"REMOTE_PHONE", "Phone: ", {}},
        {"PASSWORD_PROTECTED", "Password ok", {}},
        {"BAD_PASSWORD", "Password wrong", {}},
        {"JANUS_START", "Janus go", {}},
        {"HYDRA_START", "Hydra go", {}},
        {"FREQ", "Wants ", {}},
        {"SENT", "-Out", {}},
        {"RECEIVED", "-In", {}},
        {"PARTIALLY_SENT", "Partial:", std::string(" bytes of ")},
        {"SESSION_COMPLETE", "All done", {}},
        {"TX_RESUMED", "Send resumed", {}},
        {"RX_RESUMED", "Receive resumed", {}},
    };
}

// A log line of FhMail (or, with another tag, of another program).
std::string L(std::string_view time, std::string_view msg, char mark = '+', std::string_view date = "14 Mar",
              std::string_view tag = "FHML")
{
    return std::string(1, mark) + " " + std::string(date) + " " + std::string(time) + " " + std::string(tag) + " " +
           std::string(msg);
}

// A window that lets every analysis run to the end and keeps the line errors.
struct Window : TLogWindow {
    std::vector<std::pair<std::int64_t, std::string>> errors;
    void GoToLine(std::int64_t) override {}
    void LineError(std::int64_t line, const std::string& message) override { errors.emplace_back(line, message); }
    bool ShowErrorLine(std::int64_t, const std::string&) override { return true; }
};

void WriteFile(const fs::path& path, const std::string& bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

// A mailer directory of its own for each test, with fhmail.cfg and fhmail.lng.
class FhMail : public ::testing::Test {
protected:
    void SetUp() override
    {
        static int counter = 0;
        dir = fs::temp_directory_path() /
              ("tarvix-fhmail-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
        fs::remove_all(dir);
        fs::create_directories(dir);
        SetCurrentYear(2026);
        SetDialogs(&dialogs);
        WriteFile(dir / "fhmail.cfg", "; FhMail set-up of the tests\r\nAddress 2:5030/999\r\n");
        WriteFile(dir / "fhmail.lng", lngwriters::BuildFHMailLng(TestEntries()));
        log.SetMailerPath(dir.string());
        log.Window = &window;
    }
    void TearDown() override
    {
        SetDialogs(nullptr);
        fs::remove_all(dir);
    }

    bool Run(const std::vector<std::string>& lines)
    {
        std::string text;
        for (const std::string& l : lines)
            text += l + "\r\n";
        log.SetText(text);
        window.errors.clear();
        return log.Analyse({});
    }

    const TNodeStat* Stat(std::size_t day, std::string_view addr)
    {
        TNodeStatList& list = *log.GetDay(day).NodeStats;
        return list.Find(TFidoAddr::CreateStr(addr));
    }

    fs::path dir;
    TBatchDialogs dialogs{mrOk, true};
    Window window;
    TFHMailLog log;
};

// The lines of one incoming session of 2:5020/1 with a file request.
std::vector<std::string> IncomingSession()
{
    return {
        L("10:00:00", "Phone rings"),                        // 1
        L("10:00:10", "Connect 33600/V34/LAPM/V42BIS"),      // 2
        L("10:00:20", "Address: 2:5020/1"),                  // 3
        L("10:00:21", "Mailer: FrontDoor 2.26", ':'),        // 4
        L("10:00:22", "System: Night Owl BBS", ':'),         // 5
        L("10:00:23", "SysOp: Anna Lee in Riga", ':'),       // 6
        L("10:00:24", "Phone: 371-555-0101", ':'),           // 7
        L("10:00:25", "Password ok", ':'),                   // 8
        L("10:00:26", "Hydra go"),                           // 9
        L("10:00:27", "Wants files", '*'),                   // 10
        L("10:00:28", "send: C:\\PUB\\ALLFILES.LST", '*'),   // 11
        L("10:00:40", "H-Out 5000b ALLFILES.LST", '*'),      // 12
        L("10:00:50", "H-In 3000b 0000FFFF.PKT", '*'),       // 13
        L("10:01:00", "Done, Tx/Rx: 6000/3500"),             // 14
    };
}

}  // namespace

// ---------------------------------------------------------------------------
// The class and its settings

TEST(FHMailLogClass, FactoryLayoutAndOptions)
{
    RegisterFHMailLogStyle();
    auto created = CreateLogOfStyle(lsFhMail);
    auto* log = dynamic_cast<TFHMailLog*>(created.get());
    ASSERT_NE(log, nullptr);
    EXPECT_EQ(log->Style, lsFhMail);
    EXPECT_FALSE(log->HasOptions);
    EXPECT_EQ(log->MsgCol, 24);
    EXPECT_EQ(log->LanguageFile(), "fhmail.lng");

    // FhMail has only the options every mailer log has.
    log->SetMailerPath("C:\\FHMAIL");
    log->UpdateDLC = true;
    log->DSSort = 2;
    TIniFile ini;
    log->SaveToReg(ini, "Log1");
    EXPECT_EQ(ini.ReadString("Log1", "MailerPath", ""), "C:\\FHMAIL");
    TFHMailLog loaded;
    loaded.LoadFromReg(ini, "Log1");
    EXPECT_EQ(loaded.MailerPath(), "C:\\FHMAIL");
    EXPECT_TRUE(loaded.UpdateDLC);
    EXPECT_EQ(loaded.DSSort, 2);
    TFHMailLog copy;
    copy.Assign(*log);
    EXPECT_EQ(copy.MailerPath(), "C:\\FHMAIL");
    EXPECT_TRUE(copy.UpdateDLC);
}

TEST(FHMailLogClass, DatesAndTimesOfLines)
{
    SetCurrentYear(2026);
    TFHMailLog log;
    EXPECT_EQ(log.DateOfLine("+ 14 Mar 10:21:07 FHML x"), EncodeDate(2026, 3, 14));
    EXPECT_EQ(log.TimeOfLine("+ 01 Dec 23:59:58 FHML x"), EncodeDate(2026, 12, 1) + EncodeTime(23, 59, 58, 0));
    EXPECT_EQ(log.TimeOfLine("   1 Jan 00:00:00"), EncodeDate(2026, 1, 1));
    EXPECT_THROW(log.DateOfLine("+ 14 Mxr 10:21:07 FHML x"), EConvertError);
    EXPECT_THROW(log.DateOfLine("+ 31 Feb 10:21:07 FHML x"), EConvertError);
    EXPECT_THROW(log.DateOfLine("+ 1"), EConvertError);
    EXPECT_THROW(log.TimeOfLine("+ 14 Mar 10:21"), EConvertError);
    EXPECT_THROW(log.TimeOfLine("+ 14 Mar 25:00:00 FHML x"), EConvertError);
    EXPECT_THROW(log.TimeOfLine("+ 14 Mar 1x:00:00 FHML x"), EConvertError);
}

TEST(FHMailLogClass, RepeatedStampsGiveTheSameTimesAsNewOnes)
{
    // The date and the stamp read last are kept: a stamp asked again, one with the
    // same date, another year, a broken time after a good one of the same date.
    SetCurrentYear(2026);
    TFHMailLog log;
    const TDateTime mar14 = EncodeDate(2026, 3, 14);
    EXPECT_EQ(log.TimeOfLine("+ 14 Mar 10:21:07 FHML x"), mar14 + EncodeTime(10, 21, 7, 0));
    EXPECT_EQ(log.TimeOfLine("+ 14 Mar 10:21:07 FHML y"), mar14 + EncodeTime(10, 21, 7, 0));
    EXPECT_EQ(log.TimeOfLine("+ 14 Mar 10:21:08"), mar14 + EncodeTime(10, 21, 8, 0));
    EXPECT_EQ(log.DateOfLine("+ 14 Mar"), mar14);
    EXPECT_EQ(log.TimeOfLine("+ 15 Mar 10:21:08"), EncodeDate(2026, 3, 15) + EncodeTime(10, 21, 8, 0));
    EXPECT_THROW(log.TimeOfLine("+ 15 Mar 24:00:00 FHML x"), EConvertError);
    EXPECT_THROW(log.TimeOfLine("+ 15 Mar 10:21:0x FHML x"), EConvertError);
    EXPECT_EQ(log.TimeOfLine("+ 15 Mar  9:05:01"), EncodeDate(2026, 3, 15) + EncodeTime(9, 5, 1, 0));
    // Any bytes between the numbers; each number within its range.
    EXPECT_EQ(log.TimeOfLine("+ 15 Mar 23.59-59 FHML x"), EncodeDate(2026, 3, 15) + EncodeTime(23, 59, 59, 0));
    EXPECT_THROW(log.TimeOfLine("+ 15 Mar 10:60:00 FHML x"), EConvertError);
    EXPECT_THROW(log.TimeOfLine("+ 15 Mar 10:00:60 FHML x"), EConvertError);
    EXPECT_THROW(log.TimeOfLine("+ 15 Mar 10:0/:00 FHML x"), EConvertError);
    EXPECT_THROW(log.TimeOfLine("+ 15 Mar 10:00:\xff" "0 FHML x"), EConvertError);
    EXPECT_THROW(log.TimeOfLine("+ 15 Mar 10:00:0"), EConvertError);
    SetCurrentYear(2025);
    EXPECT_EQ(log.TimeOfLine("+ 15 Mar 10:21:08"), EncodeDate(2025, 3, 15) + EncodeTime(10, 21, 8, 0));
    EXPECT_EQ(log.DateOfLine("+ 15 Mar"), EncodeDate(2025, 3, 15));
    // 29 Feb is a day of 2024 only, though the text is the same.
    SetCurrentYear(2024);
    EXPECT_EQ(log.TimeOfLine("+ 29 Feb 00:00:01"), EncodeDate(2024, 2, 29) + EncodeTime(0, 0, 1, 0));
    SetCurrentYear(2026);
    EXPECT_THROW(log.TimeOfLine("+ 29 Feb 00:00:01"), EConvertError);
    EXPECT_THROW(log.DateOfLine("+ 29 Feb"), EConvertError);
}

// ---------------------------------------------------------------------------
// Highlighting

TEST(FHMailLogHighlight, DateWordsErrorMarkTagAndFirstMessageWord)
{
    TFHMailLog log;
    // "! 14 Mar 10:00:00 FHML Lost line": the mark paints the rest of the line.
    EXPECT_EQ(log.GetWordClass("!", 1, 0), hcErrors);
    EXPECT_EQ(log.GetWordClass("14", 1, 2), hcDateTime);
    EXPECT_EQ(log.GetWordClass("Mar", 1, 5), hcDateTime);
    EXPECT_EQ(log.GetWordClass("10:00:00", 1, 9), hcDateTime);
    EXPECT_EQ(log.GetWordClass("FHML", 1, 18), hcErrors);
    EXPECT_EQ(log.GetWordClass("Lost", 1, 23), hcErrors);

    // "+ 14 Mar 10:00:10 FHML Connect 33600": the tag alone is Special.
    EXPECT_EQ(log.GetWordClass("+", 2, 0), hcNormal);
    EXPECT_EQ(log.GetWordClass("FHML", 2, 18), hcSpecial);
    EXPECT_EQ(log.GetWordClass("Connect", 2, 23), hcInfo);
    EXPECT_EQ(log.GetWordClass("33600", 2, 31), hcInfo);
    // A "!" elsewhere than as a whole word is no error mark.
    EXPECT_EQ(log.GetWordClass("!x", 3, 0), hcNormal);
    EXPECT_EQ(log.GetWordClass("Other", 3, 23), hcNormal);
    EXPECT_EQ(log.GetWordClass("Connect", 3, 29), hcNormal);
}

TEST_F(FhMail, HighlightWordsComeFromTheLanguageFile)
{
    // Before the language file is read, the mailer's default transfer texts hold.
    EXPECT_EQ(log.GetWordClass("Z-Sent", 1, 23), hcSent);
    EXPECT_EQ(log.GetWordClass("Z-Recv", 2, 23), hcRecd);

    ASSERT_TRUE(Run({L("10:00:00", "Start of mail")}));
    ASSERT_TRUE(log.HasLng());
    std::int64_t n = 10;
    auto cls = [&](std::string_view word) { return log.GetWordClass(word, ++n, 23); };
    EXPECT_EQ(cls("Done,"), hcInfo);    // first word of POST_SESSION
    EXPECT_EQ(cls("Start"), hcInfo);    // of STARTING_PROCESS
    EXPECT_EQ(cls("End"), hcInfo);      // of FINISHING
    EXPECT_EQ(cls("Caller"), hcSpecial);  // of BBSCALL
    EXPECT_EQ(cls("H-Out"), hcSent);    // SENT from the second character on
    EXPECT_EQ(cls("Z-In"), hcRecd);
    EXPECT_EQ(cls("-Out"), hcNormal);   // the text must follow a first character
    EXPECT_EQ(cls("H-Sent"), hcNormal);
    EXPECT_EQ(cls("Done"), hcNormal);   // whole words only
    EXPECT_EQ(cls("Phone"), hcNormal);
    // Words are compared byte for byte, without regard to code pages.
    EXPECT_EQ(cls("start"), hcNormal);
}

// ---------------------------------------------------------------------------
// Sessions

TEST_F(FhMail, IncomingSessionWithRequestAndTransfers)
{
    WriteFile(dir / "files.als", "FILES C:\\PUB\\ALLFILES.LST\r\n");
    WriteFile(dir / "fhmail.cfg", "AliasList files.als\r\n");
    std::vector<std::string> lines = IncomingSession();
    ASSERT_TRUE(Run(lines));
    EXPECT_TRUE(window.errors.empty());
    ASSERT_EQ(log.SessCount(), 1u);
    const TSess& s = log.GetSess(0);
    // The session starts with the line before the remote address (the connect line).
    EXPECT_EQ(s.StartLine, 2);
    EXPECT_EQ(s.StartTime, EncodeDate(2026, 3, 14) + EncodeTime(10, 0, 10, 0));
    EXPECT_EQ(s.EndLine, 14);
    EXPECT_EQ(s.EndTime, EncodeDate(2026, 3, 14) + EncodeTime(10, 1, 0, 0));
    ASSERT_TRUE(s.Addr);
    EXPECT_EQ(s.Addr->ToStrFlags(pfPoint), "2:5020/1.0");
    EXPECT_EQ(s.Mailer, "FrontDoor 2.26");
    EXPECT_EQ(s.System, "Night Owl BBS");
    EXPECT_EQ(s.SysOp, "Anna Lee");
    EXPECT_EQ(s.Phone, "371-555-0101");
    EXPECT_EQ(s.Speed, 33600u);
    EXPECT_EQ(s.Protocol, prHydra);
    EXPECT_EQ(s.Flags, sfIncoming | sfOK | sfListed | sfPassword | sfFirstOfDay);
    EXPECT_EQ(s.FilesSent, 1);
    EXPECT_EQ(s.FilesRcvd, 1);
    // The totals of the post-session line replace the sums of the transfer lines.
    EXPECT_EQ(s.BytesSent, 6000);
    EXPECT_EQ(s.BytesRcvd, 3500);
    EXPECT_EQ(s.CPS, 120);  // 6000 bytes in 50 seconds
    EXPECT_EQ(log.CallMode(), TFHMailLog::cmNone);

    ASSERT_EQ(log.FreqCount(), 1u);
    const TFreq& f = log.GetFreq(0);
    EXPECT_EQ(f.Name, "FILES");
    EXPECT_TRUE(f.Sent);
    EXPECT_EQ(f.RealName, "ALLFILES.LST");
    EXPECT_EQ(f.Path, "C:\\PUB\\ALLFILES.LST");
    EXPECT_EQ(f.LineNo, 12);
    EXPECT_EQ(log.Requesters().Count(), 1);

    const TNodeStat* st = Stat(0, "2:5020/1");
    ASSERT_NE(st, nullptr);
    EXPECT_EQ(st->InSess, 1);
    EXPECT_EQ(st->InOK, 1);
    EXPECT_EQ(st->Calls, 0);
    EXPECT_EQ(log.SessOfLine(2), 0);
    EXPECT_EQ(log.SessOfLine(1), -1);
}

TEST_F(FhMail, OutgoingCallsBusyNoCarrierAndSession)
{
    ASSERT_TRUE(Run({
        L("09:00:00", "Dialling 2:5020/7 (7-495-555-0107)"),  // 1: a call
        L("09:00:30", "Busy signal", '!'),                     // 2
        L("09:05:00", "Dialling 2:5020/7 (7-495-555-0107)"),  // 3: again
        L("09:05:40", "Lost line", '!'),                       // 4
        L("09:05:41", "Lost line", '!'),                       // 5: the address is kept
        L("09:10:00", "Dialling 2:5020/7"),                    // 6
        L("09:10:30", "Connect 19200/V32B"),                   // 7
        L("09:10:31", "Address: 2:5020/7.1"),                  // 8: a point answers
        L("09:10:32", "Mailer: Tiny 1.0", ':'),
        L("09:10:33", "System: Point", ':'),
        L("09:10:34", "SysOp: Ivan in Kazan", ':'),
        L("09:10:35", "Phone: -Unpublished-", ':'),
        L("09:10:36", "Janus go"),
        L("09:10:46", "J-Out 1000b 00000007.PKT", '*'),
        L("09:10:47", "Done, Tx/Rx: 1000/0"),                  // 15
        L("09:20:00", "Dialling #4 (7-495-555-0000)"),         // 16: no address, no call
        L("09:20:05", "Busy signal", '!'),
    }));
    EXPECT_TRUE(window.errors.empty());
    ASSERT_EQ(log.SessCount(), 1u);
    const TSess& s = log.GetSess(0);
    EXPECT_FALSE(s.Has(sfIncoming));
    EXPECT_EQ(s.StartLine, 7);
    EXPECT_EQ(s.Protocol, prJanus);
    EXPECT_EQ(s.Speed, 19200u);
    EXPECT_EQ(s.Addr->ToStrFlags(pfPoint), "2:5020/7.1");
    EXPECT_EQ(s.BytesSent, 1000);
    EXPECT_EQ(s.CPS, 58);  // 1000 bytes in 17 seconds

    // The statistics go to the dialled address, not to the point that answered.
    const TNodeStat* st = Stat(0, "2:5020/7");
    ASSERT_NE(st, nullptr);
    EXPECT_EQ(st->Calls, 3);
    EXPECT_EQ(st->Busy, 1);
    EXPECT_EQ(st->NoCarrier, 2);
    EXPECT_EQ(st->OutSess, 1);
    EXPECT_EQ(st->OutOK, 1);
    EXPECT_EQ(log.GetDay(0).NodeStats->Total.Calls, 3);
    EXPECT_EQ(log.GetDay(0).NodeStats->Total.Busy, 1);
    EXPECT_FALSE(log.DialAddr());
}

TEST_F(FhMail, ConnectSpeedIsKeptUntilTheNextConnectLine)
{
    ASSERT_TRUE(Run({
        L("10:00:00", "Phone rings"),
        L("10:00:01", "Connect 2400"),
        L("10:00:02", "Address: 2:1/1"),
        L("10:00:03", "Lost line", '!'),
        L("11:00:00", "Phone rings"),
        L("11:00:02", "Address: 2:1/2"),  // no connect line: the earlier speed
        L("11:00:03", "Lost line", '!'),
        L("12:00:01", "Connect 14400/ARQ/V42"),
        L("12:00:02", "Address: 2:1/3"),
        L("12:00:03", "Lost line", '!'),
    }));
    ASSERT_EQ(log.SessCount(), 3u);
    EXPECT_EQ(log.GetSess(0).Speed, 2400u);
    EXPECT_EQ(log.GetSess(1).Speed, 2400u);
    EXPECT_EQ(log.GetSess(2).Speed, 14400u);
    // Without RING before it a session counts as outgoing; after RING as incoming.
    EXPECT_TRUE(log.GetSess(0).Has(sfIncoming));
    EXPECT_TRUE(log.GetSess(1).Has(sfIncoming));
    EXPECT_FALSE(log.GetSess(2).Has(sfIncoming));
    EXPECT_EQ(log.ConnectSpeed(), 14400u);
}

TEST_F(FhMail, HumanCallerEndsWithTheNextMailerLineWhichMayOpenTheNextCall)
{
    ASSERT_TRUE(Run({
        L("20:00:00", "Phone rings"),                                       // 1
        L("20:00:05", "Connect 9600"),                                      // 2
        L("20:00:06", "Caller wants BBS"),                                  // 3
        L("20:00:07", "Address: 2:1/1", ' ', "14 Mar", "BBS1"),             // 4: another program
        L("20:30:00", "Phone rings"),                                       // 5: ends the call, rings
        L("20:30:05", "Connect 2400"),                                      // 6
        L("20:30:06", "Caller wants BBS"),                                  // 7
        L("20:30:07", "Start of door"),                                     // 8: ends it
        L("20:40:00", "Caller wants BBS"),                                  // 9: BBS without RING
        L("20:40:01", "Done, Tx/Rx: 1/2"),                                  // 10
    }));
    EXPECT_TRUE(window.errors.empty());
    ASSERT_EQ(log.SessCount(), 3u);
    const TSess& a = log.GetSess(0);
    EXPECT_EQ(a.Flags, sfIncoming | sfOK | sfListed | sfHuman | sfFirstOfDay);
    EXPECT_EQ(a.StartLine, 2);
    EXPECT_EQ(a.EndLine, 5);
    EXPECT_EQ(a.Speed, 9600u);
    EXPECT_FALSE(a.Addr);
    const TSess& b = log.GetSess(1);
    EXPECT_TRUE(b.Has(sfIncoming));  // the line that ended the first call rang again
    EXPECT_EQ(b.StartLine, 6);
    EXPECT_EQ(b.EndLine, 8);
    EXPECT_EQ(b.Speed, 2400u);
    const TSess& c = log.GetSess(2);
    EXPECT_TRUE(c.Has(sfIncoming));  // a human caller always called in
    EXPECT_TRUE(c.Has(sfHuman));
    EXPECT_EQ(c.EndLine, 10);
    EXPECT_EQ(c.BytesSent, 0);  // the line that ends it is read outside a session
    EXPECT_EQ(log.State, TFHMailLog::fsNone);
}

TEST_F(FhMail, FailedAndAbortedSessions)
{
    ASSERT_TRUE(Run({
        L("10:00:00", "Dialling 2:5020/9"),
        L("10:00:01", "Connect 33600"),
        L("10:00:02", "Address: 2:5020/9"),
        L("10:00:03", "Lost line", '!'),  // 4: ends the session as failed
        L("10:10:02", "Address: 2:5020/8"),
        L("10:10:03", "Mailer: X", ':'),
        L("10:10:04", "Carrier lost while waiting", '!'),  // 7: not OK, goes on
        L("10:10:05", "System: Still read", ':'),
        L("10:10:06", "Done, Tx/Rx: 0/0"),
        L("10:20:02", "Address: 2:5020/6"),
        L("10:20:03", "Aborted by remote", '!'),
        L("10:20:04", "Done, "),  // 12: no traffic totals
    }));
    ASSERT_EQ(log.SessCount(), 3u);
    EXPECT_FALSE(log.GetSess(0).Has(sfOK));
    EXPECT_EQ(log.GetSess(0).EndLine, 4);
    const TNodeStat* st = Stat(0, "2:5020/9");
    ASSERT_NE(st, nullptr);
    EXPECT_EQ(st->Calls, 1);
    EXPECT_EQ(st->NoCarrier, 0);  // the failed session is no failed call
    EXPECT_EQ(st->OutSess, 1);
    EXPECT_EQ(st->OutOK, 0);
    EXPECT_FALSE(log.GetSess(1).Has(sfOK));
    EXPECT_EQ(log.GetSess(1).System, "Still read");
    EXPECT_FALSE(log.GetSess(2).Has(sfOK));
    EXPECT_EQ(log.GetSess(2).EndLine, 12);
    EXPECT_EQ(log.GetSess(2).BytesSent, 0);
}

TEST_F(FhMail, CarrierLostIsFoundAtAnyPlaceOfALine)
{
    // The words at the start, in the middle and as the very end of lines of many
    // lengths, and texts that come close to them: each session gets one such line.
    const std::vector<std::pair<std::string, bool>> cases = {
        {"Carrier lost", true},
        {"x Carrier lost", true},
        {std::string(15, '.') + "Carrier lost", true},
        {std::string(16, '.') + "Carrier lost", true},
        {std::string(17, '.') + "Carrier lost", true},
        {std::string(40, '.') + "Carrier lost" + std::string(33, '.'), true},
        {std::string(45, '.') + "CCarrier lost", true},
        {"Carrier lose", false},
        {std::string(20, '.') + "Carrier los", false},
        {"carrier lost", false},
        {"CarrierXlost " + std::string(30, 't'), false},
        {std::string(30, 'C') + "arrier los", false},
        {"", false},
        // Lines of 35 to 52 bytes, where the search starts inside the message.
        {"...Carrier lost", true},
        {std::string(13, '.') + "Carrier lost", true},
        {std::string(14, '.') + "Carrier lost", true},
        {"Carrier lost" + std::string(14, '.'), true},
        {"Carrier lost" + std::string(15, '.'), true},
        {std::string(14, '.') + "Carrier los", false},
    };
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        lines.push_back(L("10:00:00", "Address: 2:5020/" + std::to_string(i + 1)));
        lines.push_back(L("10:00:01", cases[i].first, '!'));
        lines.push_back(L("10:00:02", "Done, Tx/Rx: 0/0"));
    }
    ASSERT_TRUE(Run(lines));
    ASSERT_EQ(log.SessCount(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(log.GetSess(i).Has(sfOK), !cases[i].second) << "case " << i << ": " << cases[i].first;
}

TEST_F(FhMail, CarrierLostBeforeTheTagCountsWhenTheStampIsBroken)
{
    // Only a line whose column 12 holds the ":" of a time is searched from its
    // message on; in other lines the words may stand before the tag.
    ASSERT_TRUE(Run({
        L("10:00:00", "Address: 2:5020/1"),
        "! Carrier lost    FHML Wants nothing",
        L("10:00:02", "Done, Tx/Rx: 0/0"),
        L("10:01:00", "Address: 2:5020/2"),
        "! 14 Mar 10:01:01 FHML Carrier  lost",
        L("10:01:02", "Done, Tx/Rx: 0/0"),
    }));
    ASSERT_EQ(log.SessCount(), 2u);
    EXPECT_FALSE(log.GetSess(0).Has(sfOK));
    EXPECT_TRUE(log.GetSess(1).Has(sfOK));
}

TEST_F(FhMail, LongCountsUpToTheLimit)
{
    // Up to 18 digits a count is read without the limit check; the longest counts
    // and those just past the 64-bit limit take the checked way.
    auto open = [](std::string_view time, std::string_view addr) {
        return std::vector<std::string>{
            L(time, "Address: " + std::string(addr)), L(time, "Mailer: M", ':'), L(time, "System: S", ':'),
            L(time, "SysOp: A", ':'), L(time, "Phone: P", ':'), L(time, "Hydra go")};
    };
    std::vector<std::string> lines = open("10:01:00", "2:5020/1");     // 1-6
    lines.push_back(L("10:01:02", "H-In 999999999999999999b A", '*'));  // 7: 18 digits
    lines.push_back(L("10:01:03", "H-Out 0000000000000000000000000000000000012b B", '*'));  // 8
    lines.push_back(L("10:01:04", "Done, Tx/Rx: 0000000000000000000000000000000000012/9223372036854775807"));
    for (std::string& l : open("10:02:00", "2:5020/2"))                 // 10-15
        lines.push_back(l);
    lines.push_back(L("10:02:02", "H-In 9223372036854775808b B", '*'));  // 16: one past the limit
    lines.push_back(L("10:02:03", "H-Out 1x3b C", '*'));                 // 17
    lines.push_back(L("10:02:04", "H-In 77b D", '*'));
    lines.push_back(L("10:02:05", "Done, Tx/Rx: 5/18446744073709551616"));  // 19
    ASSERT_TRUE(Run(lines));
    std::vector<std::int64_t> errors;
    for (const auto& [line, message] : window.errors)
        errors.push_back(line);
    EXPECT_EQ(errors, (std::vector<std::int64_t>{16, 17, 19}));
    ASSERT_EQ(log.SessCount(), 2u);
    EXPECT_EQ(log.GetSess(0).FilesRcvd, 1);
    EXPECT_EQ(log.GetSess(0).FilesSent, 1);
    EXPECT_EQ(log.GetSess(0).BytesRcvd, 9223372036854775807);  // the totals replace the files' counts
    EXPECT_EQ(log.GetSess(0).BytesSent, 12);
    EXPECT_EQ(log.GetSess(1).FilesRcvd, 2);
    EXPECT_EQ(log.GetSess(1).FilesSent, 1);
    EXPECT_EQ(log.GetSess(1).BytesSent, 5);
    EXPECT_EQ(log.GetSess(1).BytesRcvd, 77);  // the bad total leaves the count of the files
}

TEST_F(FhMail, CarrierLostAtEveryPlaceOfLinesOfEveryLength)
{
    // The words at each place of messages of 12 to 70 bytes: the search steps over
    // the message sixteen places at a time and ends with a step at its end.
    std::vector<std::string> lines;
    std::vector<bool> lost;
    for (std::size_t size = 12; size <= 70; size += 3)
        for (std::size_t at = 0; at + 12 <= size; at += (size > 40 ? 5 : 1)) {
            std::string msg(size, 'C');  // many near misses
            msg.replace(at, 12, "Carrier lost");
            lines.push_back(L("10:00:00", "Address: 2:5020/1"));
            lines.push_back(L("10:00:01", msg, '!'));
            lines.push_back(L("10:00:02", "Done, Tx/Rx: 0/0"));
            msg.replace(at + 11, 1, "T");  // one byte off
            lines.push_back(L("10:00:03", "Address: 2:5020/2"));
            lines.push_back(L("10:00:04", msg, '!'));
            lines.push_back(L("10:00:05", "Done, Tx/Rx: 0/0"));
            lost.push_back(true);
            lost.push_back(false);
        }
    ASSERT_TRUE(Run(lines));
    ASSERT_EQ(log.SessCount(), lost.size());
    for (std::size_t i = 0; i < lost.size(); ++i)
        ASSERT_EQ(log.GetSess(i).Has(sfOK), !lost[i]) << "line " << 3 * i + 2;
}

TEST_F(FhMail, CountsInOtherFormsThanFhMailsOwnAreReadAsBefore)
{
    // FhMail writes "<x>-Out 5000b FILE", "Tx/Rx: 1/2" and "Connect 33600/...": other
    // spacing, counts without a unit or with more after them take the general reading
    // with the same results and errors.
    auto open = [](std::string_view time, std::string_view addr) {
        return std::vector<std::string>{
            L(time, "Address: " + std::string(addr)), L(time, "Mailer: M", ':'), L(time, "System: S", ':'),
            L(time, "SysOp: A", ':'), L(time, "Phone: P", ':'), L(time, "Hydra go")};
    };
    std::vector<std::string> lines = {
        L("09:00:00", "Connect  2400/ARQ"),  // 1: the byte after the word is skipped, then trimmed
        L("09:00:01", "Connect 14400"),      // 2: no "/"
        L("09:00:02", "Connect 4294967295/X"),
        L("09:00:03", "Connect 4294967296"),  // 4: past 32 bits
    };
    for (std::string& l : open("10:00:00", "2:5020/1"))  // 5-10
        lines.push_back(l);
    lines.push_back(L("10:00:01", "H-Out  100b  A.PKT", '*'));      // 11: runs of blanks
    lines.push_back(L("10:00:02", "H-Out 200 B.PKT", '*'));         // 12: no unit: 20
    lines.push_back(L("10:00:03", "H-Out 300b", '*'));              // 13: no file
    lines.push_back(L("10:00:04", "H-Out 400bytes C.PKT", '*'));    // 14: "400byte" no count
    lines.push_back(L("10:00:05", "H-In 50b\tD.PKT", '*'));         // 15: a tab is no blank
    lines.push_back(L("10:00:06", "H-In 7", '*'));                  // 16: "" no count
    lines.push_back(L("10:00:07", "Done, Tx/Rx:  11 / 22 "));       // 17
    for (std::string& l : open("10:01:00", "2:5020/2"))             // 18-23
        lines.push_back(l);
    lines.push_back(L("10:01:01", "Done, Tx/Rx: 33/44 more"));      // 24: the second no count
    ASSERT_TRUE(Run(lines));
    std::vector<std::pair<std::int64_t, std::string>> expected = {
        {4, "'4294967296' is not a valid integer value"},
        {14, "'400byte' is not a valid integer value"},
        {15, "'50b\tD.PK' is not a valid integer value"},
        {16, "'' is not a valid integer value"},
        {24, "'44 more' is not a valid integer value"},
    };
    EXPECT_EQ(window.errors, expected);
    EXPECT_EQ(log.ConnectSpeed(), 4294967295u);
    ASSERT_EQ(log.SessCount(), 2u);
    const TSess& s = log.GetSess(0);
    EXPECT_EQ(s.Speed, 4294967295u);
    EXPECT_EQ(s.FilesSent, 4);
    EXPECT_EQ(s.FilesRcvd, 2);
    EXPECT_EQ(s.BytesSent, 11);  // the totals replace the files' counts
    EXPECT_EQ(s.BytesRcvd, 22);
    EXPECT_EQ(log.GetSess(1).BytesSent, 33);
    EXPECT_EQ(log.GetSess(1).BytesRcvd, 0);
}

TEST_F(FhMail, TransferTextsWithABlankAreReadWordByWord)
{
    // A language file whose transfer words hold a blank: the count is the second word
    // of the message, so that "H- Out 5b" counts "Out".
    std::vector<FhEntry> entries;
    for (const FhEntry& e : TestEntries())
        if (e.key != "SENT")
            entries.push_back(e);
    entries.push_back({"SENT", "- Out", {}});
    WriteFile(dir / "fhmail.lng", lngwriters::BuildFHMailLng(entries));
    ASSERT_TRUE(Run({
        L("10:00:00", "Address: 2:5020/1"),
        L("10:00:01", "Mailer: M", ':'),
        L("10:00:02", "System: S", ':'),
        L("10:00:03", "SysOp: A", ':'),
        L("10:00:04", "Phone: P", ':'),
        L("10:00:05", "Hydra go"),
        L("10:00:06", "H- Out 5b A.PKT", '*'),   // 7: "Ou" is no count
        L("10:00:07", "H- Out 6b B.PKT", '*'),   // 8
        L("10:00:08", "H-Out 7b C.PKT", '*'),    // not the text
        L("10:00:09", "Done, Tx/Rx: 9/9"),
    }));
    std::vector<std::int64_t> errors;
    for (const auto& [line, message] : window.errors)
        errors.push_back(line);
    EXPECT_EQ(errors, (std::vector<std::int64_t>{7, 8}));
    ASSERT_EQ(log.SessCount(), 1u);
    EXPECT_EQ(log.GetSess(0).FilesSent, 2);
}

TEST_F(FhMail, StateTableStepsInOrder)
{
    ASSERT_TRUE(Run({
        L("10:00:00", "Phone rings"),
        L("10:00:01", "Address: 2:5020/1"),
        L("10:00:02", "System: Too early", ':'),  // state 1 waits for the mailer
        L("10:00:03", "Hydra go"),                // as does the protocol
        L("10:00:04", "Mailer: M", ':'),
        L("10:00:05", "Mailer: Again", ':'),      // state 2: ignored
        L("10:00:06", "System: S", ':'),
        L("10:00:07", "SysOp: Someone", ':'),     // no " in ": all of it is the name
        L("10:00:08", "Phone: 1-2", ':'),
        L("10:00:09", "Wants early", '*'),        // not yet transferring
        L("10:00:10", "Password wrong", '!'),
        L("10:00:11", "Starting ZMO session"),
        L("10:00:12", "Password ok", ':'),        // too late
        L("10:00:13", "Wants LIST", '*'),
        L("10:00:14", "Wants list", '*'),         // the same request again
        L("10:00:15", "Z-Out 10b LIST", '*'),     // no send: line, no path
        L("10:00:16", "Partial: BIG.ZIP 700 bytes of 9000", '*'),
        L("10:00:17", "Partial: HUGE.ZIP 300", '*'),  // without the second text
        L("10:00:18", "Partial: NOTHING", '*'),       // without a count
        L("10:00:19", "Z-In 5X SMALL.PKT", '*'),
        L("10:00:20", "Done, Tx/Rx: 1010/5"),
    }));
    EXPECT_TRUE(window.errors.empty());
    ASSERT_EQ(log.SessCount(), 1u);
    const TSess& s = log.GetSess(0);
    EXPECT_EQ(s.Mailer, "M");
    EXPECT_EQ(s.System, "S");
    EXPECT_EQ(s.SysOp, "Someone");
    EXPECT_EQ(s.Phone, "1-2");
    EXPECT_EQ(s.Protocol, prZModem);
    EXPECT_TRUE(s.Has(sfBadPassword));
    EXPECT_FALSE(s.Has(sfPassword));
    EXPECT_EQ(s.FilesSent, 1);
    EXPECT_EQ(s.FilesRcvd, 1);
    ASSERT_EQ(log.FreqCount(), 1u);
    EXPECT_EQ(log.GetFreq(0).Name, "LIST");
    EXPECT_EQ(log.GetFreq(0).LineNo, 16);  // the line that sent it
    EXPECT_TRUE(log.GetFreq(0).Sent);
    EXPECT_EQ(log.GetFreq(0).Path, "");
}

TEST_F(FhMail, TransferCountsAddUpUntilThePostSessionLine)
{
    ASSERT_TRUE(Run({
        L("10:00:00", "Address: 2:5020/1"),
        L("10:00:01", "Mailer: M", ':'),
        L("10:00:02", "System: S", ':'),
        L("10:00:03", "SysOp: A in B", ':'),
        L("10:00:04", "Phone: P", ':'),
        L("10:00:05", "Hydra go"),
        L("10:00:06", "H-Out 100b A", '*'),
        L("10:00:07", "H-Out 200b B", '*'),
        L("10:00:08", "Partial: C 50 bytes of 900", '*'),
        L("10:00:09", "H-In 7b D", '*'),
        L("10:00:10", "H-In", '*'),  // no count: the file still counts
        L("10:00:11", "Lost line", '!'),
    }));
    const TSess& s = log.GetSess(0);
    EXPECT_EQ(s.BytesSent, 350);
    EXPECT_EQ(s.BytesRcvd, 7);
    EXPECT_EQ(s.FilesSent, 2);
    EXPECT_EQ(s.FilesRcvd, 2);
    EXPECT_EQ(s.CPS, 31);  // 350 bytes in 11 seconds
}

TEST_F(FhMail, SentFilesTakeThePathOfTheirSendLine)
{
    WriteFile(dir / "alias.lst", "; aliases\r\nFILES C:\\PUB\\ALLFILES.LST\r\n");
    WriteFile(dir / "fhmail.cfg", "AliasList alias.lst\r\n");
    log.UpdateDLC = true;
    ASSERT_TRUE(Run({
        L("10:00:00", "Address: 2:5020/1"),
        L("10:00:01", "Mailer: M", ':'),
        L("10:00:02", "System: S", ':'),
        L("10:00:03", "SysOp: A in B", ':'),
        L("10:00:04", "Phone: P", ':'),
        L("10:00:05", "Hydra go"),
        L("10:00:06", "Wants FILES", '*'),
        L("10:00:07", "Wants NODEDIFF.*", '*'),
        L("10:00:08", "send: D:\\NL\\NODEDIFF.A12 --> NODEDIFF.A12", '*'),
        L("10:00:09", "H-Out 10b NODEDIFF.A12", '*'),
        L("10:00:10", "send:   D:\\NL\\NODEDIFF.A19   ", '*'),  // one blank dropped, the end trimmed
        L("10:00:11", "H-Out 10b NODEDIFF.A19", '*'),
        L("10:00:12", "send: C:\\PUB\\ALLFILES.LST", '*'),
        L("10:00:13", "Partial: ALLFILES.LST 5 bytes of 90", '*'),
        L("10:00:14", "H-Out 90b ALLFILES.LST", '*'),  // the path went with the broken transfer
        L("10:00:15", "Done, Tx/Rx: 115/0"),
    }));
    EXPECT_TRUE(window.errors.empty());
    EXPECT_EQ(log.AliasList(), "alias.lst");
    ASSERT_EQ(log.FreqCount(), 3u);
    EXPECT_EQ(log.GetFreq(0).Name, "FILES");
    EXPECT_TRUE(log.GetFreq(0).Sent);
    EXPECT_EQ(log.GetFreq(0).Path, "");
    EXPECT_EQ(log.GetFreq(1).Name, "NODEDIFF.*");
    EXPECT_EQ(log.GetFreq(1).Path, "D:\\NL\\NODEDIFF.A12");
    EXPECT_EQ(log.GetFreq(2).Name, "NODEDIFF.*");
    EXPECT_EQ(log.GetFreq(2).RealName, "NODEDIFF.A19");
    EXPECT_EQ(log.GetFreq(2).Path, "  D:\\NL\\NODEDIFF.A19");
    // No line of the log was remembered: every file sent gets its counter raised.
    EXPECT_EQ(log.DLCList().size(), 3u);
}

// ---------------------------------------------------------------------------
// Lines that change nothing

TEST_F(FhMail, OtherProgramsAndUnknownLinesChangeNothing)
{
    ASSERT_TRUE(Run({
        L("10:00:00", "Phone rings", '+', "14 Mar", "BINK"),
        L("10:00:01", "Dialling 2:5020/1", '+', "14 Mar", "FHMl"),
        L("10:00:02", "Address: 2:5020/1", '+', "14 Mar", "SQSH"),
        "+ 14 Mar 10:00:03 FHM",
        "+ 14 Mar 10:00:03 FHML",
        "+ 14 Mar 10:00:04 FHMLAddress: 2:5020/1",  // the message starts one column late
        L("10:00:05", "Something else entirely"),
        L("10:00:06", " Address: 2:5020/1"),
        "Address: 2:5020/1",
    }));
    EXPECT_EQ(log.SessCount(), 0u);
    EXPECT_EQ(log.CallMode(), TFHMailLog::cmNone);
    EXPECT_EQ(log.GetDay(0).NodeStats->Total.Calls, 0);
    EXPECT_EQ(log.State, TFHMailLog::fsNone);

    // Inside a session too, and a human caller's call waits for a line of FhMail.
    ASSERT_TRUE(Run({
        L("10:00:00", "Caller wants BBS"),
        L("10:00:01", "Done, Tx/Rx: 5/5", '+', "14 Mar", "BINK"),
        L("10:00:02", "Lost line", '+', "14 Mar", "BINK"),
    }));
    EXPECT_EQ(log.SessCount(), 0u);
    EXPECT_EQ(log.State, TFHMailLog::fsBbsCall);
}

TEST_F(FhMail, SessionsStartAtTheLineReadBefore)
{
    // The line before the remote address is the last line read: an empty line is not
    // read; a line too short for a stamp starts the session at the address itself.
    ASSERT_TRUE(Run({
        L("10:00:00", "Connect 2400/X"),      // 1
        "",                                   // 2
        L("10:00:05", "Address: 2:5020/1"),   // 3
        L("10:00:06", "Done, Tx/Rx: 0/0"),
        L("10:01:00", "Connect 2400/X"),      // 5
        "+ 14 Mar 10:01",                     // 6
        L("10:01:05", "Address: 2:5020/2"),   // 7
        L("10:01:06", "Done, Tx/Rx: 0/0"),
        "+ 14 Mar 10:02:00 BINK Connect",     // 9: another program's line has a stamp too
        L("10:02:05", "Caller wants BBS"),    // 10
        L("10:02:06", "Phone rings"),
    }));
    ASSERT_EQ(log.SessCount(), 3u);
    EXPECT_EQ(log.GetSess(0).StartLine, 1);
    EXPECT_EQ(log.GetSess(0).StartTime, EncodeDate(2026, 3, 14) + EncodeTime(10, 0, 0, 0));
    EXPECT_EQ(log.GetSess(1).StartLine, 7);
    EXPECT_EQ(log.GetSess(1).StartTime, EncodeDate(2026, 3, 14) + EncodeTime(10, 1, 5, 0));
    EXPECT_EQ(log.GetSess(2).StartLine, 9);
    EXPECT_EQ(log.GetSess(2).StartTime, EncodeDate(2026, 3, 14) + EncodeTime(10, 2, 0, 0));
}

TEST_F(FhMail, DaysFollowColumnsThreeToEightAndMarkTheFirstSession)
{
    ASSERT_TRUE(Run({
        L("23:59:00", "Start of day", '+', "14 Mar"),
        L("23:59:58", "Connect 2400", '+', "14 Mar"),
        L("00:00:01", "Address: 2:1/1", '+', "15 Mar"),  // 3: a new day
        L("00:00:02", "Lost line", '!', "15 Mar"),
        L("00:10:00", "Address: 2:1/2", '+', "15 Mar"),
        L("00:10:01", "Lost line", '!', "15 Mar"),
        "  15 Mar 01:00:00 TOSS some other program",
        "  16 Ma",  // too short to be read
        L("01:00:00", "x", '+', "16 Mar", "SQSH"),  // 9: another program's line starts a day too
    }));
    ASSERT_EQ(log.DayCount(), 3u);
    EXPECT_EQ(log.GetDay(1).FirstLine, 3);
    EXPECT_EQ(log.GetDay(2).FirstLine, 9);
    ASSERT_EQ(log.SessCount(), 2u);
    // The session began before midnight, on the day before its remote address.
    EXPECT_EQ(log.GetSess(0).StartTime, EncodeDate(2026, 3, 14) + EncodeTime(23, 59, 58, 0));
    EXPECT_TRUE(log.GetSess(0).Has(sfFirstOfDay));
    EXPECT_FALSE(log.GetSess(1).Has(sfFirstOfDay));
    // Each day's statistics hold the sessions booked on it.
    EXPECT_NE(Stat(1, "2:1/1"), nullptr);
    EXPECT_EQ(Stat(0, "2:1/1"), nullptr);
}

// ---------------------------------------------------------------------------
// Language file variants

TEST_F(FhMail, MissingKeysFallBackToTheMailerDefaults)
{
    // Without RING, BUSY, NO_CARRIER, SENT and RECEIVED the mailer's own words hold;
    // an empty SENT counts as missing.
    std::vector<FhEntry> entries;
    for (const FhEntry& e : TestEntries())
        if (e.key != "RING" && e.key != "BUSY" && e.key != "NO_CARRIER" && e.key != "RECEIVED" && e.key != "SENT")
            entries.push_back(e);
    entries.push_back({"SENT", "  ", {}});
    WriteFile(dir / "fhmail.lng", lngwriters::BuildFHMailLng(entries, "\n"));
    ASSERT_TRUE(Run({
        L("10:00:00", "Ring"),
        L("10:00:01", "Dialling 2:1/1"),
        L("10:00:02", "Busy"),
        L("10:00:03", "No Carrier"),
        L("10:01:00", "Address: 2:1/1"),
        L("10:01:01", "Mailer: M", ':'),
        L("10:01:02", "System: S", ':'),
        L("10:01:03", "SysOp: A in B", ':'),
        L("10:01:04", "Phone: P", ':'),
        L("10:01:05", "Hydra go"),
        L("10:01:06", "H-Sent 20b A.PKT", '*'),
        L("10:01:07", "H-Out 20b A.PKT", '*'),
        L("10:01:08", "H-Recv 30b B.PKT", '*'),
        L("10:01:09", "No Carrier", '!'),
    }));
    EXPECT_TRUE(window.errors.empty());
    const TNodeStat* st = Stat(0, "2:1/1");
    ASSERT_NE(st, nullptr);
    EXPECT_EQ(st->Calls, 1);
    EXPECT_EQ(st->Busy, 1);
    EXPECT_EQ(st->NoCarrier, 1);
    ASSERT_EQ(log.SessCount(), 1u);
    const TSess& s = log.GetSess(0);
    EXPECT_EQ(s.FilesSent, 1);
    EXPECT_EQ(s.BytesSent, 20);
    EXPECT_EQ(s.FilesRcvd, 1);
    EXPECT_EQ(s.BytesRcvd, 30);
    EXPECT_FALSE(s.Has(sfOK));
    EXPECT_EQ(log.GetWordClass("H-Sent", 1, 23), hcSent);
}

TEST_F(FhMail, KeysAbsentFromTheFileMatchTheirOwnNamesAndEmptyTextsMatchNothing)
{
    WriteFile(dir / "fhmail.lng", lngwriters::BuildFHMailLng({{"RING", "", {}}, {"BBSCALL", "", {}}}));
    ASSERT_TRUE(Run({
        L("10:00:00", "Anything at all"),
        L("10:00:01", "REMOTE_ADDRESS2:5020/1"),
        L("10:00:02", "REMOTE_MAILERMailer", ':'),
        L("10:00:03", "No Carrier"),
        L("10:01:00", "REMOTE_ADDRESS2:5020/2"),
        L("10:01:01", "REMOTE_MAILERm", ':'),
        L("10:01:02", "REMOTE_NAMEs", ':'),
        L("10:01:03", "REMOTE_SYSOPa", ':'),
        L("10:01:04", "REMOTE_PHONEp", ':'),
        L("10:01:05", "HYDRA_START"),
        L("10:01:06", "H-Sent 5b X", '*'),  // without SENT in the file: "-Sent"
        L("10:01:07", "H-Recv 6b Y", '*'),  // and "-Recv"
        L("10:01:08", "POST_SESSION"),
    }));
    ASSERT_EQ(log.SessCount(), 2u);
    EXPECT_EQ(log.GetSess(1).BytesSent, 5);
    EXPECT_EQ(log.GetSess(1).BytesRcvd, 6);
    EXPECT_EQ(log.GetSess(1).Protocol, prHydra);
    EXPECT_FALSE(log.GetSess(0).Has(sfIncoming));  // the empty RING text rang nothing
    EXPECT_FALSE(log.GetSess(0).Has(sfHuman));
    EXPECT_EQ(log.GetSess(0).Mailer, "Mailer");
    EXPECT_EQ(log.GetSess(0).Addr->ToStrFlags(0), "2:5020/1");
}

TEST_F(FhMail, LanguageFileIsReadOnceAndAgainWhenAnotherIsNamed)
{
    ASSERT_TRUE(Run({L("10:00:00", "Phone rings")}));
    EXPECT_EQ(log.CallMode(), TFHMailLog::cmRinging);
    // Changing the file on disk does not matter: the texts were read already.
    WriteFile(dir / "fhmail.lng", "garbage without entries\r\n");
    ASSERT_TRUE(Run({L("10:00:00", "Phone rings")}));
    EXPECT_EQ(log.CallMode(), TFHMailLog::cmRinging);

    // Another language file named by the configuration is read.
    std::vector<FhEntry> other = TestEntries();
    other[0].value = "Klingel";
    WriteFile(dir / "lang" / "german.lng", lngwriters::BuildFHMailLng(other));
    WriteFile(dir / "fhmail.cfg", "Language lang\\german.lng\r\n");
    ASSERT_TRUE(Run({L("10:00:00", "Klingel")}));
    EXPECT_EQ(log.LanguageFile(), "lang\\german.lng");
    EXPECT_EQ(log.CallMode(), TFHMailLog::cmRinging);
    ASSERT_TRUE(Run({L("10:00:00", "Phone rings")}));
    EXPECT_EQ(log.CallMode(), TFHMailLog::cmNone);

    // Without the keyword the default name holds again.
    WriteFile(dir / "fhmail.cfg", "\r\n");
    ASSERT_TRUE(Run({L("10:00:00", "Klingel")}));
    EXPECT_EQ(log.LanguageFile(), "fhmail.lng");
    EXPECT_EQ(log.CallMode(), TFHMailLog::cmNone);  // garbage file: RING is "Ring"

    // A mailer directory of its own gets its own texts.
    fs::path second = dir / "second";
    WriteFile(second / "fhmail.cfg", "");
    WriteFile(second / "fhmail.lng", lngwriters::BuildFHMailLng(other));
    log.SetMailerPath(second.string());
    ASSERT_TRUE(Run({L("10:00:00", "Klingel")}));
    EXPECT_EQ(log.CallMode(), TFHMailLog::cmRinging);
}

// ---------------------------------------------------------------------------
// The configuration

TEST_F(FhMail, ConfigurationMacrosDefinesAndComments)
{
    ::setenv("TARVIX_FH_TEST_DIR", "lang", 1);
    WriteFile(dir / "lang" / "mine.lng", lngwriters::BuildFHMailLng(TestEntries()));
    WriteFile(dir / "sub" / "aka.lst", "@FILES  C:\\PUB\\FILES.LST  (list of files)\r\nNEWS C:\\PUB\\NEWS.TXT\r\n");
    WriteFile(dir / "fhmail.cfg",
              "; FhMail configuration\r\n"
              "Define  sub = sub   ; the folder of the lists\r\n"
              "define LIST=%Sub%\\aka.lst\r\n"
              "AliasList %LIST%\r\n"
              "Language %TARVIX_FH_TEST_DIR%\\mine.lng ; from the environment\r\n"
              "Unknown %NOSUCH% 100%% %LIST%\r\n");
    ASSERT_TRUE(Run({L("10:00:00", "Phone rings")}));
    ::unsetenv("TARVIX_FH_TEST_DIR");
    EXPECT_TRUE(dialogs.Shown.empty());
    EXPECT_EQ(log.AliasList(), "sub\\aka.lst");
    EXPECT_EQ(log.LanguageFile(), "lang\\mine.lng");
    ASSERT_EQ(log.Aliases().size(), 2u);
    EXPECT_EQ(log.Aliases().at("FILES").FileName, "FILES.LST");
    EXPECT_EQ(log.Aliases().at("NEWS").Target, "C:\\PUB\\NEWS.TXT");

    // An empty "%%" ends the replacing: the rest of the line stays as written.
    WriteFile(dir / "x%%%LIST%", "ODD C:\\ODD.ZIP\r\n");
    WriteFile(dir / "fhmail.cfg", "Define LIST = sub\\aka.lst\r\nAliasList x%%%LIST%\r\n");
    ASSERT_TRUE(Run({L("10:00:00", "Phone rings")}));
    EXPECT_EQ(log.AliasList(), "x%%%LIST%");
    ASSERT_EQ(log.Aliases().size(), 1u);
    EXPECT_EQ(log.Aliases().count("ODD"), 1u);
}

TEST_F(FhMail, ConfigurationErrorsEndTheAnalysis)
{
    struct Case {
        const char* cfg;
        const char* expected;  // in the message shown
    };
    const Case cases[] = {
        {"Define NOEQUALS value\r\n", "Invalid Define"},
        {"Define = value\r\n", "Invalid Define"},
        {"AliasList missing.lst\r\n", "missing.lst"},
        {"Language nosuch.lng\r\n", "nosuch.lng"},
        {"AliasList\r\n", "QParser.NoArgs"},
        {"Language \"unterminated\r\n", "QParser.Unmatched"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cfg);
        WriteFile(dir / "fhmail.cfg", c.cfg);
        dialogs.Shown.clear();
        EXPECT_FALSE(Run({L("10:00:00", "Phone rings")}));
        ASSERT_EQ(dialogs.Shown.size(), 1u);
        EXPECT_EQ(dialogs.Shown[0].type, TMsgDlgType::mtError);
        EXPECT_NE(dialogs.Shown[0].text.find(c.expected), std::string::npos) << dialogs.Shown[0].text;
    }

    // A missing fhmail.cfg.
    fs::remove(dir / "fhmail.cfg");
    dialogs.Shown.clear();
    EXPECT_FALSE(Run({L("10:00:00", "Phone rings")}));
    ASSERT_EQ(dialogs.Shown.size(), 1u);
    EXPECT_EQ(log.SessCount(), 0u);
}

TEST_F(FhMail, BadAliasLinesAreSkippedWithAWarning)
{
    WriteFile(dir / "alias.lst", "ONLYONEWORD\r\n\r\n; comment\r\nGOOD C:\\X\\GOOD.ZIP\r\n");
    WriteFile(dir / "fhmail.cfg", "AliasList alias.lst\r\n");
    EXPECT_TRUE(Run({L("10:00:00", "Phone rings")}));
    ASSERT_EQ(dialogs.Shown.size(), 1u);
    EXPECT_EQ(dialogs.Shown[0].type, TMsgDlgType::mtWarning);
    EXPECT_EQ(log.Aliases().size(), 1u);
}

// ---------------------------------------------------------------------------
// Damaged input

TEST_F(FhMail, MissingTruncatedAndGarbageLanguageFiles)
{
    fs::remove(dir / "fhmail.lng");
    dialogs.Shown.clear();
    EXPECT_FALSE(Run({L("10:00:00", "Phone rings")}));
    ASSERT_EQ(dialogs.Shown.size(), 1u);  // the reason, in one error box
    EXPECT_NE(dialogs.Shown[0].text.find("fhmail.lng"), std::string::npos);
    EXPECT_FALSE(log.HasLng());

    // Cut anywhere, the file still loads: the lost keys are their own names.
    const std::string whole = lngwriters::BuildFHMailLng(TestEntries());
    for (std::size_t len : {std::size_t{0}, std::size_t{5}, whole.size() / 3, whole.size() / 2, whole.size() - 3}) {
        SCOPED_TRACE(len);
        TFHMailLog fresh;
        fresh.SetMailerPath(dir.string());
        fresh.Window = &window;
        WriteFile(dir / "fhmail.lng", whole.substr(0, len));
        fresh.SetText(L("10:00:00", "Dialling 2:1/1") + "\n" + L("10:00:01", "Address: 2:1/1") + "\n" +
                      L("10:00:02", "Done, Tx/Rx: 1/1") + "\n");
        EXPECT_TRUE(fresh.Analyse({}));
        EXPECT_TRUE(fresh.HasLng());
    }

    std::mt19937 rng(1234);
    std::string garbage(4000, '\0');
    for (char& c : garbage)
        c = static_cast<char>(rng());
    WriteFile(dir / "fhmail.lng", garbage);
    TFHMailLog fresh;
    fresh.SetMailerPath(dir.string());
    fresh.Window = &window;
    fresh.SetText(L("10:00:00", "Phone rings"));
    EXPECT_TRUE(fresh.Analyse({}));
}

TEST_F(FhMail, BadNumbersAndAddressesAreReportedPerLine)
{
    ASSERT_TRUE(Run({
        L("10:00:00", "Connect fast/V34"),                  // 1: speed no number
        L("10:00:01", "Connect"),                           // 2: no speed at all
        L("10:00:02", "Connect 99999999999/X"),             // 3: too big
        L("10:00:03", "Dialling 2:50x0/1 (phone)"),         // 4: address
        L("10:00:04", "Busy signal"),                       // no dial address left
        L("10:01:00", "Address: 2:5020/1 2:5020/2@fidonet"),  // 6: not one address
        L("10:01:01", "Mailer: M", ':'),
        L("10:01:02", "System: S", ':'),
        L("10:01:03", "SysOp: A", ':'),
        L("10:01:04", "Phone: P", ':'),
        L("10:01:05", "Hydra go"),
        L("10:01:06", "Wants FILES", '*'),                  // no address: no request
        L("10:01:07", "H-Out 12kb X", '*'),                 // 13
        L("10:01:08", "H-In -5b Y", '*'),                   // 14
        L("10:01:09", "Partial: Z many bytes of 5", '*'),   // 15
        L("10:01:10", "Done, Tx/Rx: 10/x"),                 // 16: closed all the same
        L("10:02:00", "Address: 2:5020/3"),
        L("10:02:01", "Done, Tx/Rx: 7"),                    // 18: no "/"
    }));
    std::vector<std::int64_t> lines;
    for (const auto& [line, message] : window.errors)
        lines.push_back(line);
    EXPECT_EQ(lines, (std::vector<std::int64_t>{1, 2, 3, 4, 6, 13, 14, 15, 16, 18}));
    EXPECT_EQ(log.ErrorCount, 10);
    EXPECT_EQ(log.ConnectSpeed(), 0u);
    EXPECT_EQ(log.GetDay(0).NodeStats->Total.Busy, 0);
    ASSERT_EQ(log.SessCount(), 2u);
    const TSess& s = log.GetSess(0);
    EXPECT_FALSE(s.Addr);
    EXPECT_EQ(s.Mailer, "M");
    EXPECT_EQ(s.FilesSent, 1);
    EXPECT_EQ(s.FilesRcvd, 1);
    EXPECT_EQ(s.BytesSent, 10);  // the good half of the totals
    EXPECT_EQ(s.EndLine, 16);
    EXPECT_EQ(log.FreqCount(), 0u);
    EXPECT_EQ(log.GetSess(1).BytesSent, 7);
    EXPECT_EQ(log.GetSess(1).EndLine, 18);
}

TEST_F(FhMail, EveryCutOfASessionAndRandomBytesAreSafe)
{
    // Each line of a session cut at every length, fed to the parser in turn.
    std::vector<std::string> lines = IncomingSession();
    lines.push_back(L("10:01:01", "Caller wants BBS"));
    lines.push_back(L("10:01:02", "Partial: A 5 bytes of 9", '*'));
    for (std::size_t cut = 0; cut < 70; ++cut) {
        std::vector<std::string> damaged;
        for (const std::string& l : lines)
            damaged.push_back(l.substr(0, std::min(cut, l.size())));
        EXPECT_TRUE(Run(damaged)) << cut;
    }

    // Random bytes, and random bytes behind a valid time stamp and tag.
    std::mt19937 rng(20260314);
    const std::vector<std::string> session = IncomingSession();
    for (int round = 0; round < 30; ++round) {
        std::string text;
        for (int i = 0; i < 200; ++i) {
            std::string line;
            int kind = static_cast<int>(rng() % 3);
            if (kind == 1)
                line = L("10:00:00", "");
            else if (kind == 2)
                line = session[rng() % session.size()].substr(0, 23 + rng() % 20);
            int n = static_cast<int>(rng() % 80);
            for (int k = 0; k < n; ++k)
                line += static_cast<char>(rng() % 256);
            text += line + "\n";
        }
        log.SetText(text);
        EXPECT_TRUE(log.Analyse({}));
        for (std::size_t i = 0; i < log.SessCount(); ++i)
            EXPECT_LE(log.GetSess(i).StartLine, log.GetSess(i).EndLine);
    }
}

TEST_F(FhMail, OversizedLinesAreCutOrBounded)
{
    // A language file line far beyond its limit, a configuration line of many
    // macro references and a log line of 10000 bytes.
    std::string lng = lngwriters::BuildFHMailLng(TestEntries());
    lng += "BBSCALL '" + std::string(100000, 'x') + "'\r\n";
    WriteFile(dir / "fhmail.lng", lng);
    std::string refs;
    for (int i = 0; i < 60; ++i)
        refs += "%BIG%";
    WriteFile(dir / "fhmail.cfg", "Define BIG = " + std::string(200, 'b') + "\r\nSomething " + refs + "\r\n" +
                                      "Other " + std::string(100000, 'o') + "\r\n");
    std::string longLine = L("10:00:02", "Address: 2:5020/1") + std::string(10000, ' ') + "tail";
    ASSERT_TRUE(Run({L("10:00:00", "Phone rings"), L("10:00:01", "Caller wants BBS"), longLine,
                     L("10:00:03", "Lost line")}));
    EXPECT_TRUE(dialogs.Shown.empty());
    // The BBS text was not replaced by the cut line; the log line was cut at 255
    // bytes, which leaves the address and blanks.
    ASSERT_EQ(log.SessCount(), 2u);
    EXPECT_TRUE(log.GetSess(0).Has(sfHuman));
    ASSERT_TRUE(log.GetSess(1).Addr);
    EXPECT_EQ(log.GetSess(1).Addr->ToStrFlags(0), "2:5020/1");
}

TEST_F(FhMail, ReanalysisStartsAfresh)
{
    ASSERT_TRUE(Run({
        L("10:00:00", "Connect 9600"),
        L("10:00:01", "Phone rings"),
        L("10:00:02", "Dialling 2:1/1"),
        L("10:00:03", "Address: 2:1/1"),
        L("10:00:04", "Mailer: M", ':'),
    }));
    EXPECT_EQ(log.SessCount(), 0u);  // still open at the end
    ASSERT_TRUE(Run({
        L("10:00:04", "Address: 2:1/2"),
        L("10:00:05", "Lost line"),
    }));
    ASSERT_EQ(log.SessCount(), 1u);
    EXPECT_EQ(log.GetSess(0).Speed, 0u);
    EXPECT_FALSE(log.GetSess(0).Has(sfIncoming));
    EXPECT_EQ(log.GetSess(0).StartLine, 1);  // the first line has none before it
    EXPECT_EQ(log.GetDay(0).NodeStats->Total.Calls, 0);
}
