#include "ui/Placement.h"

#include "settings/QZIni.h"
#include "ui/HelpWindow.h"
#include "ui/QtConvert.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTableWidget>
#include <QTreeWidget>

#include <filesystem>
#include <fstream>
#include <memory>
#include <unistd.h>

namespace tarvix {
namespace {

namespace fs = std::filesystem;

class PlacementTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("tarvix-placement-" + std::to_string(::getpid()));
        fs::create_directories(dir);
        OpenSettings((dir / "Tarvix.ini").string());
    }
    void TearDown() override { fs::remove_all(dir); }

    fs::path dir;
};

TEST_F(PlacementTest, TopLevelWindowRoundTrip)
{
    QWidget a;
    a.setGeometry(100, 120, 500, 300);
    a.show();
    QApplication::processEvents();
    SaveFormPlacement(&a, "TTestForm");
    EXPECT_EQ(Ini().ReadInteger("TTestForm", "ShowCmd", 0), kShowNormal);
    EXPECT_FALSE(Ini().ReadString("TTestForm", "Geometry", "").empty());
    EXPECT_EQ(Ini().ReadString("TTestForm", "NormPos", ""), "100,120,600,420");

    QWidget b;
    ASSERT_TRUE(RestoreFormPlacement(&b, "TTestForm"));
    b.show();
    QApplication::processEvents();
    EXPECT_EQ(b.geometry().size(), QSize(500, 300));
    EXPECT_FALSE(b.isMaximized());

    // Maximised: kept as ShowCmd 3, and the normal position stays what it was.
    a.showMaximized();
    QApplication::processEvents();
    SaveFormPlacement(&a, "TTestForm");
    EXPECT_EQ(Ini().ReadInteger("TTestForm", "ShowCmd", 0), kShowMaximized);
    QWidget c;
    ASSERT_TRUE(RestoreFormPlacement(&c, "TTestForm"));
    EXPECT_TRUE(c.windowState() & Qt::WindowMaximized);

    // A top-level window is never restored minimised.
    Ini().WriteInteger("TTestForm", "ShowCmd", kShowMinimized);
    QWidget d;
    ASSERT_TRUE(RestoreFormPlacement(&d, "TTestForm"));
    EXPECT_FALSE(d.windowState() & Qt::WindowMinimized);

    // Nothing stored: nothing restored.
    QWidget e;
    e.resize(111, 99);
    EXPECT_FALSE(RestoreFormPlacement(&e, "NoSuchSection"));
    EXPECT_EQ(e.size(), QSize(111, 99));
}

TEST_F(PlacementTest, MdiChildRoundTripUsesTheNormalPosition)
{
    QMdiArea area;
    area.resize(800, 600);
    area.show();
    auto* sub = area.addSubWindow(new QWidget);
    sub->show();
    sub->setGeometry(30, 40, 300, 200);
    QApplication::processEvents();
    SaveFormPlacement(sub, "Log.MainWnd");
    EXPECT_EQ(Ini().ReadString("Log.MainWnd", "NormPos", ""), "30,40,330,240");
    EXPECT_EQ(Ini().ReadString("Log.MainWnd", "Geometry", "none"), "none");

    auto* other = area.addSubWindow(new QWidget);
    other->show();
    ASSERT_TRUE(RestoreFormPlacement(other, "Log.MainWnd"));
    EXPECT_EQ(other->geometry(), QRect(30, 40, 300, 200));

    sub->showMinimized();
    QApplication::processEvents();
    SaveFormPlacement(sub, "Log.MainWnd");
    EXPECT_EQ(Ini().ReadInteger("Log.MainWnd", "ShowCmd", 0), kShowMinimized);
    auto* third = area.addSubWindow(new QWidget);
    third->show();
    ASSERT_TRUE(RestoreFormPlacement(third, "Log.MainWnd"));
    EXPECT_TRUE(third->windowState() & Qt::WindowMinimized);
}

TEST_F(PlacementTest, DamagedPlacementValuesAreIgnored)
{
    QMdiArea area;
    area.resize(800, 600);
    area.show();
    auto* sub = area.addSubWindow(new QWidget);
    sub->show();
    sub->setGeometry(10, 10, 200, 100);
    for (const char* pos : {"1,2,x,4", "1,2,3", "", "5,5,5,5", "9,9,1,1", "0,0,99999999,5", ",,,", "1,2,3,4,5"}) {
        Ini().WriteString("Bad", "NormPos", pos);
        Ini().WriteString("Bad", "ShowCmd", "77");
        EXPECT_FALSE(RestoreFormPlacement(sub, "Bad")) << pos;
        EXPECT_EQ(sub->geometry(), QRect(10, 10, 200, 100)) << pos;
    }
    // Garbage where Qt's description of a top-level window should be.
    QWidget top;
    top.resize(321, 123);
    Ini().WriteString("BadTop", "Geometry", "!!not base64 at all!!");
    EXPECT_FALSE(RestoreFormPlacement(&top, "BadTop"));
    Ini().WriteString("BadTop", "Geometry", "AAAA");
    EXPECT_FALSE(RestoreFormPlacement(&top, "BadTop"));
    EXPECT_EQ(top.size(), QSize(321, 123));
    // ... but a good normal position in the same section still counts.
    Ini().WriteString("BadTop", "NormPos", "10,20,410,320");
    EXPECT_TRUE(RestoreFormPlacement(&top, "BadTop"));
    EXPECT_EQ(top.size(), QSize(400, 300));
}

TEST_F(PlacementTest, GridColumnWidthsRoundTrip)
{
    // A grid inside a window class of the program: the section is the class name
    // followed by the grid's name.
    THelpWindow window;
    auto* grid = new QTableWidget(3, 4, &window);
    grid->setObjectName("SessGrid");
    EXPECT_EQ(GridLayoutSection(grid), "THelpWindowSessGrid");
    const int widths[] = {40, 120, 75, 33};
    for (int i = 0; i < 4; ++i)
        grid->setColumnWidth(i, widths[i]);
    SaveGridLayout(grid);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(Ini().ReadInteger("THelpWindowSessGrid", "Item" + std::to_string(i), 0), widths[i]);

    THelpWindow window2;
    auto* grid2 = new QTableWidget(3, 5, &window2);
    grid2->setObjectName("SessGrid");
    const int before4 = grid2->columnWidth(4);
    RestoreGridLayout(grid2);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(grid2->columnWidth(i), widths[i]);
    EXPECT_EQ(grid2->columnWidth(4), before4);  // no stored width

    // Damaged widths leave the columns alone.
    Ini().WriteString("Damaged", "Item0", "abc");
    Ini().WriteString("Damaged", "Item1", "-5");
    Ini().WriteString("Damaged", "Item2", "0");
    Ini().WriteString("Damaged", "Item3", "99999999999");
    QTableWidget grid3(1, 4);
    int before[4];
    for (int i = 0; i < 4; ++i)
        before[i] = grid3.columnWidth(i);
    RestoreGridLayout(&grid3, "Damaged");
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(grid3.columnWidth(i), before[i]);

    // Tree views keep their column widths the same way; other views have none.
    QTreeWidget tree;
    tree.setColumnCount(2);
    tree.setColumnWidth(0, 90);
    tree.setColumnWidth(1, 45);
    SaveGridLayout(&tree, "Tree");
    EXPECT_EQ(Ini().ReadInteger("Tree", "Item1", 0), 45);
    QListWidget list;
    SaveGridLayout(&list, "List");
    EXPECT_FALSE(Ini().SectionExists("List"));
}

TEST_F(PlacementTest, GridFontAndRowHeight)
{
    Settings().GridFont.Name = "DejaVu Sans";
    Settings().GridFont.Size = 14;
    Settings().GridFont.Bold = true;
    QTableWidget table(2, 2);
    ApplyGridFont(&table);
    EXPECT_TRUE(table.font().bold());
    EXPECT_EQ(table.font().pointSize(), 14);
    EXPECT_EQ(table.verticalHeader()->defaultSectionSize(), QFontMetrics(table.font()).height() + 2);

    QListWidget list;
    const QFont before = list.font();
    ApplyGridFont(&list);
    EXPECT_EQ(list.font(), before);
    Settings().GridFont = TFontSpec{};
}

}  // namespace
}  // namespace tarvix
