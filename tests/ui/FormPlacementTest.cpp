// Window placements in the settings store, also when the stored values are damaged.
#include "ui/FormPlacement.h"

#include "settings/QZIni.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QWidget>

namespace tarvix {
namespace {

class FormPlacementTest : public ::testing::Test {
protected:
    void SetUp() override { OpenSettings(temp / "tarvix.ini"); }
    test::TempDir temp;
};

TEST_F(FormPlacementTest, MdiChildKeepsPositionSizeAndState)
{
    QMdiArea area;
    area.resize(800, 600);
    auto* sub = new QMdiSubWindow;
    area.addSubWindow(sub);
    area.show();
    sub->setGeometry(30, 40, 300, 200);
    SaveFormPlacement(sub, "Log.MainWnd");
    EXPECT_EQ(Ini().ReadString("Log.MainWnd", "NormPos", ""), "30,40,330,240");
    EXPECT_EQ(Ini().ReadInteger("Log.MainWnd", "ShowCmd", 0), 1);
    // Maximised: the state is kept, the normal position stays the one stored.
    sub->showMaximized();
    SaveFormPlacement(sub, "Log.MainWnd");
    EXPECT_EQ(Ini().ReadInteger("Log.MainWnd", "ShowCmd", 0), 3);
    EXPECT_EQ(Ini().ReadString("Log.MainWnd", "NormPos", ""), "30,40,330,240");

    QMdiSubWindow other;
    ASSERT_TRUE(RestoreFormPlacement(&other, "Log.MainWnd"));
    EXPECT_EQ(other.geometry(), QRect(30, 40, 300, 200));
    EXPECT_TRUE(other.windowState() & Qt::WindowMaximized);
}

TEST_F(FormPlacementTest, DamagedValuesChangeNothingOrAreKeptInBounds)
{
    QWidget w;
    w.setGeometry(10, 10, 100, 100);
    EXPECT_FALSE(RestoreFormPlacement(&w, "Nothing"));
    for (const char* bad : {"", "1,2,3", "1,2,3,4,5", "a,b,c,d", "1,,3,4", "1,2,3,4x", "99999999999999999999,1,2,3"}) {
        Ini().WriteString("Bad", "NormPos", bad);
        EXPECT_FALSE(RestoreFormPlacement(&w, "Bad")) << bad;
        EXPECT_EQ(w.geometry(), QRect(10, 10, 100, 100)) << bad;
    }
    // Reversed corners and huge sizes are brought into bounds.
    Ini().WriteString("Odd", "NormPos", "500,500,100,100");
    Ini().WriteString("Odd", "ShowCmd", "garbage");
    ASSERT_TRUE(RestoreFormPlacement(&w, "Odd"));
    EXPECT_EQ(w.geometry().size(), QSize(16, 16));
    EXPECT_EQ(w.windowState(), Qt::WindowNoState);
    Ini().WriteString("Huge", "NormPos", "-5000000,0,2000000000,2000000000");
    ASSERT_TRUE(RestoreFormPlacement(&w, "Huge"));
    EXPECT_LE(w.geometry().width(), 32000);
    EXPECT_GE(w.geometry().left(), -100000);
}

}  // namespace
}  // namespace tarvix
