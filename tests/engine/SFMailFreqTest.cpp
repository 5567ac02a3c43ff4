// Requests named on the lines of entry 1030 (the last name of a request list, after
// which the files are sent), read with the sample SF-Mail installation.
#include "engine/SFMailLog.h"
#include "fido/FidoAddr.h"
#include "platform/FileRead.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>

using namespace tarvix;

namespace {

const std::string kSample = std::string(TARVIX_SOURCE_DIR) + "/samples/sfmail";

struct SFMailFreq : ::testing::Test {
    test::QuietWindow window;
    test::CapturedDialogs dialogs;
    TSFMailLog log;
    SFMailFreq()
    {
        log.SetMailerPath(kSample);
        log.Window = &window;
        log.UpdateDLC = true;
    }
    std::string Freq(std::size_t i) const
    {
        const TFreq& f = log.GetFreq(i);
        return f.Name + "|" + f.RealName + "|" + (f.Sent ? "sent" : "-") + "|" + std::to_string(f.LineNo);
    }
};

TEST_F(SFMailFreq, TheSampleLogRequestsOnEntry1030Lines)
{
    log.SetText(ReadWholeFile(kSample + "/sf-mail.log"));
    ASSERT_TRUE(log.Analyse({}));
    EXPECT_EQ(dialogs.Count(), 0u);
    ASSERT_EQ(log.FreqCount(), 7u);
    // "(#) TARVIX": the alias of TARVIX.ZIP, booked at the line that sends it.
    EXPECT_EQ(Freq(0), "NODELIST|NODELIST.Z26|sent|42");
    EXPECT_EQ(Freq(1), "TARVIX|TARVIX.ZIP|sent|44");
    EXPECT_EQ(Freq(3), "*.TXT|README.TXT|sent|134");
    EXPECT_EQ(Freq(4), "*.TXT|WHATSNEW.TXT|sent|136");
    EXPECT_EQ(Freq(6), "TARVIX|TARVIX.ZIP|sent|221");
    // Every file sent for a request raises its download counter.
    std::string counted;
    for (const TDLCFreq& d : log.DLCList())
        counted += d.FileName + " ";
    EXPECT_EQ(counted, "NODELIST.Z26 TARVIX.ZIP README.TXT WHATSNEW.TXT NODELIST.Z26 TARVIX.ZIP ");
}

TEST_F(SFMailFreq, AnEntry1030LineWithoutANameOnlyStartsTheSending)
{
    log.SetText("01:00:00  (+) Incoming call, answering\r\n"
                "01:00:01  (+) CONNECT 33600\r\n"
                "01:00:02      System: S\r\n"
                "01:00:02      Address: 2:5030/1\r\n"
                "01:00:02      SysOp: O\r\n"
                "01:00:02      Phone: P\r\n"
                "01:00:02      Mailer: M\r\n"
                "01:00:02      Node status: listed\r\n"
                "01:00:03      Protocol: Hydra\r\n"
                "01:00:04  (#) Files requested (1):\r\n"
                "01:00:04      nodelist\r\n"
                "01:00:04  (#)  \r\n"
                "01:00:05  +Send-HY: C:\\FILES\\NODELIST\\NODELIST.Z26 (1 bytes)\r\n"
                "01:00:06  (+) Sent OK: NODELIST.Z26\r\n");
    ASSERT_TRUE(log.Analyse({}));
    ASSERT_EQ(log.FreqCount(), 1u);
    EXPECT_EQ(Freq(0), "NODELIST|NODELIST.Z26|sent|13");
}

}  // namespace
