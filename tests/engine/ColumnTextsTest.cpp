#include "engine/DialStatColumns.h"
#include "engine/LogText.h"
#include "engine/SessColumns.h"
#include "fido/Lng.h"
#include "settings/SettingsStore.h"

#include <gtest/gtest.h>

using namespace tarvix;

namespace {

class ColumnTexts : public ::testing::Test {
protected:
    void SetUp() override
    {
        LoadLng(std::string(TARVIX_SOURCE_DIR) + "/lng/QZ_Eng.lng");
        SetMainAddr(TFidoAddr::CreateStr("2:5030/999.999@fidonet"));
        Settings().OEMConvert = true;
        Settings().OemCodePage = CodePage::CP866;
    }
    void TearDown() override
    {
        ClearMainAddr();
        UnloadLng();
    }
    static TSess Session()
    {
        TSess s(10, EncodeDate(2026, 3, 7) + EncodeTime(23, 5, 9, 0));
        s.EndTime = s.StartTime + 3725.0 / 86400;
        s.Flags = sfOK | sfListed | sfPassword;
        s.Addr = TFidoAddr::CreateStr("2:5030/77");
        s.System = "\x8C\xEB\xE8\xAA\xA0 BBS";  // "Мышка BBS" in CP866
        s.SysOp = "Ivan Petrov";
        s.Location = "Moscow";
        s.Speed = 33600;
        s.Protocol = prHydra;
        s.FilesSent = 2;
        s.FilesRcvd = 1234;
        s.BytesSent = 1234567;
        s.BytesRcvd = 999;
        s.CPS = 4242;
        return s;
    }
};

}  // namespace

TEST_F(ColumnTexts, EveryTypeOfTheSessionList)
{
    TSess s = Session();
    std::vector<std::string> expected = {"07/03 23:05:09", "1:02:05", "33600", "Out /77", "Мышка BBS",
                                         "Ivan Petrov", "", "", "Hydra", "Yes", "Listed", "OK", "2", "1,234",
                                         "1,234,567", "999", "4242", "Moscow"};
    for (int t = 0; t < kSessColumnTypes; ++t)
        EXPECT_EQ(SessColumnText(s, t), expected[static_cast<std::size_t>(t)]) << "type " << t;
    EXPECT_EQ(SessColumnText(s, kSessColumnTypes), "");
    EXPECT_EQ(SessColumnText(s, -1), "");
}

TEST_F(ColumnTexts, DefaultColumnsAndGrouping)
{
    // The default columns write a report out of the box.
    TColumnList sl, ds;
    DefaultSessColumns(sl);
    DefaultDialStatColumns(ds);
    EXPECT_EQ(sl.FileCount(), 3);
    EXPECT_EQ(ds.FileCount(), 3);
    EXPECT_EQ(GroupThousands(0), "0");
    EXPECT_EQ(GroupThousands(999), "999");
    EXPECT_EQ(GroupThousands(-1234567), "-1,234,567");
    EXPECT_EQ(GroupThousands(INT64_MIN), "-9,223,372,036,854,775,808");
}
