#include "fido/FidoAddr.h"
#include "platform/Error.h"
#include "platform/FileRead.h"
#include "platform/HostPath.h"
#include "settings/SettingsStore.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

using namespace tarvix;
namespace fs = std::filesystem;

namespace {

class SettingsTest : public ::testing::Test {
protected:
    test::TempDir temp;
    fs::path dir = temp.path;
    std::string file;
    void SetUp() override
    {
        file = (dir / "Kembrot" / "Tarvix.ini").string();
        ClearMainAddr();
    }
    void TearDown() override
    {
        ClearMainAddr();
        SetDefaultAddrFlags(0);
        SetDriveMap({});
    }
    void Open(const std::string& text = {})
    {
        if (!text.empty()) {
            fs::create_directories(fs::path(file).parent_path());
            WriteFileAtomic(file, text);
        }
        OpenSettings(file);
        LoadSettings();
    }
};

}  // namespace

TEST_F(SettingsTest, ColoursFontsAndBadValuesFallBackToDefaults)
{
    Open("[General]\nLogFont=Courier,\nGridFont=Terminus,12,bu,2,clRed,RUSSIAN_CHARSET\nDayEnd=abc\n"
         "DLCDigits=0x4\nDriveMap=C:=/srv/fido\nOemCodePage=koi8-r\n"
         "[Colors]\nNormal=clLime\nErrors=blue\nTLBad=$00123456\n");
    const TGeneralSettings& s = Settings();
    EXPECT_EQ(s.LogFont.Name, "Courier");
    EXPECT_EQ(s.LogFont.Size, 8);  // only the face changes
    EXPECT_EQ(s.GridFont.Size, 12);
    EXPECT_TRUE(s.GridFont.Bold);
    EXPECT_TRUE(s.GridFont.Underline);
    EXPECT_FALSE(s.GridFont.Italic);
    EXPECT_EQ(s.GridFont.Pitch, 2);
    EXPECT_EQ(s.GridFont.Color, clRed);
    EXPECT_EQ(s.GridFont.Charset, "RUSSIAN_CHARSET");
    EXPECT_EQ(s.DayEnd, 8);
    EXPECT_EQ(s.DLCDigits, 4);
    EXPECT_EQ(s.Colors[ciNormal], clLime);
    EXPECT_EQ(s.Colors[ciErrors], clRed);  // "blue" is no colour name
    EXPECT_EQ(s.Colors[ciTLBad], 0x123456);
    EXPECT_EQ(GetDriveMap().at('C'), "/srv/fido");
    EXPECT_EQ(s.OemCodePage, CodePage::KOI8R);
    EXPECT_EQ(FontToString(s.GridFont), "Terminus,12,BU,2,clRed,RUSSIAN_CHARSET");
}

TEST_F(SettingsTest, SaveKeepsForeignSectionsAndDropsObsoleteColour)
{
    Open("[Log1]\nName=T-Mail\nStyle=1\n[Colors]\nTransfers=clRed\n");
    Settings().DayStart = 22;
    SaveSettings();
    std::string text = ReadWholeFile(file);
    EXPECT_NE(text.find("Name=T-Mail"), std::string::npos);
    EXPECT_EQ(text.find("Transfers"), std::string::npos);
    EXPECT_NE(text.find("DayStart=22"), std::string::npos);
    EXPECT_NE(text.find("TLBad=clRed"), std::string::npos);
    EXPECT_EQ(text.find("DLCBackupX"), std::string::npos);  // read only
}

TEST_F(SettingsTest, UnparsableMainAddressRaisesAfterLoadingTheRest)
{
    for (const char* bad : {"2:5030", "2:5030/*", "12", ".5", "2:5030/99999", "garbage"}) {
        SCOPED_TRACE(bad);
        try {
            Open(std::string("[General]\nMainAddr=") + bad + "\nDayEnd=5\n[Colors]\nNormal=clLime\n");
            FAIL() << "no error";
        } catch (const EAddrError& e) {
            EXPECT_TRUE(e.Key() == "FidoAddr.InvAddr" || e.Key() == "FidoAddr.NoMask") << e.Key();
        }
        EXPECT_TRUE(Settings().MainAddrDefaulted);
        ASSERT_NE(MainAddr(), nullptr);
        EXPECT_EQ(MainAddr()->ToStrFlags(pfDomain), "2:5030/999.999@fidonet");
        EXPECT_EQ(Settings().DayEnd, 5);
        EXPECT_EQ(Settings().Colors[ciNormal], clLime);
    }
}
