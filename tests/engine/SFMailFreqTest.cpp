// Requests named on entry-1030 lines in the sample SF-Mail installation's log.
#include "engine/SFMailLog.h"
#include "platform/FileRead.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace tarvix;

TEST(SFMailFreq, TheSampleLogRequestsOnEntry1030Lines)
{
    const std::string dir = std::string(TARVIX_SOURCE_DIR) + "/samples/sfmail";
    test::QuietWindow window;
    test::CapturedDialogs dialogs;
    TSFMailLog log;
    log.SetMailerPath(dir);
    log.Window = &window;
    log.UpdateDLC = true;
    log.SetText(ReadWholeFile(dir + "/sf-mail.log"));
    ASSERT_TRUE(log.Analyse({}));
    EXPECT_EQ(dialogs.Count(), 0u);
    std::string freqs;
    for (std::size_t i = 0; i < log.FreqCount(); ++i) {
        const TFreq& f = log.GetFreq(i);
        freqs += f.Name + "|" + f.RealName + "|" + (f.Sent ? "sent" : "-") + "|" + std::to_string(f.LineNo) + " ";
    }
    // "(#) TARVIX": the alias of TARVIX.ZIP; "(#) *.TXT": two files.
    EXPECT_EQ(freqs, "NODELIST|NODELIST.Z26|sent|42 TARVIX|TARVIX.ZIP|sent|44 MISSING.ZIP|MISSING.ZIP|-|109 "
                     "*.TXT|README.TXT|sent|134 *.TXT|WHATSNEW.TXT|sent|136 NODELIST|NODELIST.Z26|sent|219 "
                     "TARVIX|TARVIX.ZIP|sent|221 ");
    std::string counted;
    for (const TDLCFreq& d : log.DLCList())
        counted += d.FileName + " ";
    EXPECT_EQ(counted, "NODELIST.Z26 TARVIX.ZIP README.TXT WHATSNEW.TXT NODELIST.Z26 TARVIX.ZIP ");
}
