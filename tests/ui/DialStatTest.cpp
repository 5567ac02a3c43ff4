// The dial statistics window over the T-Mail sample: following the log window's
// day, sorting, the first and last session of a node, the report of a fresh
// settings file, and column widths that follow the grid font.
#include "engine/DialStatColumns.h"
#include "engine/NodeStat.h"
#include "platform/CodePage.h"
#include "ui/DialStat.h"
#include "ui/DialStatModel.h"
#include "ui/ListWindow.h"

#include "SessListFixture.h"

#include <QFileDialog>
#include <QHeaderView>
#include <QMenu>

namespace tarvix {
namespace {

using namespace tarvix::test;

class DialStatTest : public SessListFixture {
protected:
    void SetUp() override
    {
        SessListFixture::SetUp();
        RegisterDialStatWindow();
    }
    void TearDown() override
    {
        RegisterAnalysisWindow(TAnalysisKind::DialStat, {});
        SessListFixture::TearDown();
    }

    // The log window in its first day, and its dial statistics opened with F8.
    TDialStatForm* OpenStats(TChildForm*& w)
    {
        w = OpenTMail();
        if (!w || tmail->DayCount() == 0)
            return nullptr;
        w->GoToLine(tmail->GetDay(0).FirstLine);
        SendKey(w->View(), Qt::Key_F8);
        return dynamic_cast<TDialStatForm*>(w->AnalysisWindow(TAnalysisKind::DialStat));
    }

    static const TNodeStat* SelectedRecord(TDialStatForm* ds) { return ds->Model()->Record(ds->SelectedRow()); }
};

TEST_F(DialStatTest, F8ShowsTheDayOfTheCaretAndFollowsIt)
{
    TChildForm* w = nullptr;
    TDialStatForm* ds = OpenStats(w);
    ASSERT_NE(ds, nullptr);
    ASSERT_GE(tmail->DayCount(), 2u);
    EXPECT_EQ(ds->Day(), w->CurrentDay());
    const TNodeStatList& day0 = *tmail->GetDay(0).NodeStats;
    TDialStatModel* m = ds->Model();
    // One row per node, the total last, named in the first column.
    EXPECT_EQ(m->rowCount(), static_cast<int>(day0.Count()) + 1);
    EXPECT_EQ(m->Text(m->rowCount() - 1, 0), "Total");
    EXPECT_EQ(m->Text(m->rowCount() - 1, 1).toLongLong(), day0.Total.OutSess);
    EXPECT_EQ(ds->StatusText(), QString("Nodes: %1").arg(day0.Count()));
    EXPECT_EQ(ds->DayText().toStdString(), FormatDateTime("dd mmm yy", tmail->GetDay(0).Date));
    SaveScreenshot(ds, "TDialStatForm");

    // The first day has no previous day, the last no next day.
    EXPECT_FALSE(ds->Button("BtnPrevDay")->isEnabled());
    EXPECT_FALSE(ds->MenuAction("MIPrevDay")->isEnabled());
    EXPECT_TRUE(ds->Button("BtnNextDay")->isEnabled());
    // Alt+Down in the grid moves the log window, which moves the window.
    SendKey(ds->Grid(), Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(ds->Day(), 1);
    EXPECT_EQ(w->CurrentDay(), 1);
    const long last = static_cast<long>(tmail->DayCount()) - 1;
    ds->SetDay(last);
    EXPECT_TRUE(ds->Button("BtnPrevDay")->isEnabled());
    EXPECT_FALSE(ds->Button("BtnNextDay")->isEnabled());
    EXPECT_FALSE(ds->MenuAction("MINextDay")->isEnabled());

    // A day that is not there: "???" and no rows.
    ds->SetDay(last + 1);
    EXPECT_EQ(ds->DayText(), "???");
    EXPECT_EQ(m->rowCount(), 0);
    EXPECT_FALSE(ds->Button("BtnNextDay")->isEnabled());
}

TEST_F(DialStatTest, SortingKeepsTheNodeAndSkipsColumnsWithoutAnOrder)
{
    TChildForm* w = nullptr;
    TDialStatForm* ds = OpenStats(w);
    ASSERT_NE(ds, nullptr);
    TColumnList& columns = ds->Columns();
    for (int type : {2, 3, 1})
        columns.Add(CreateDialStatColumn(type));
    ds->LayOutGrid();
    QHeaderView* header = ds->Grid()->horizontalHeader();
    ASSERT_EQ(ds->Model()->columnCount(), 6);
    ASSERT_GE(ds->Model()->NodeCount(), 2);
    EXPECT_EQ(tmail->DSSort, nsoAddr);

    // Busy and no carrier have no order: a click changes nothing.
    emit header->sectionClicked(3);
    emit header->sectionClicked(4);
    EXPECT_EQ(tmail->DSSort, nsoAddr);

    ds->SelectRow(1);
    const TFidoAddr addr = *SelectedRecord(ds)->Addr;
    emit header->sectionClicked(5);  // calls
    EXPECT_EQ(tmail->DSSort, nsoCalls);
    ASSERT_NE(SelectedRecord(ds), nullptr);
    EXPECT_TRUE(EqualAddr(*SelectedRecord(ds)->Addr, addr));
    EXPECT_TRUE(ds->SortMenu()->findChild<QAction*>("MISort1")->isChecked());
    EXPECT_TRUE(ds->MenuAction("MIPopSort1")->isChecked());
    EXPECT_FALSE(ds->SortMenu()->findChild<QAction*>("MISort0")->isChecked());
    // The rows stand in that order; the heading of the column is navy.
    const TNodeStatList& list = *ds->Model()->List();
    for (std::size_t i = 1; i < list.Count(); ++i)
        EXPECT_GE(list.GetItems(i - 1).Calls, list.GetItems(i).Calls);
    EXPECT_EQ(ds->Model()->headerData(5, Qt::Horizontal, Qt::ForegroundRole).value<QBrush>().color(),
              QColor(0, 0, 128));

    // The menu of the outgoing sessions column.
    ds->SortMenu()->findChild<QAction*>("MISort2")->trigger();
    EXPECT_EQ(tmail->DSSort, nsoOutSess);
    EXPECT_TRUE(EqualAddr(*SelectedRecord(ds)->Addr, addr));
}

TEST_F(DialStatTest, FirstAndLastSessionOfANodeAndTheTotalRow)
{
    TChildForm* w = nullptr;
    TDialStatForm* ds = OpenStats(w);
    ASSERT_NE(ds, nullptr);
    TDialStatModel* m = ds->Model();
    int row = 0;
    while (row < m->NodeCount() && m->Record(row)->FirstSess == m->Record(row)->LastSess)
        ++row;
    ASSERT_LT(row, m->NodeCount()) << "a node with two sessions";
    const TNodeStat node = *m->Record(row);
    ds->SelectRow(row);
    ds->UpdateRowMenu();
    EXPECT_TRUE(ds->MenuAction("MIFirstWith")->isEnabled());
    EXPECT_EQ(ds->MenuAction("MIFirstWith")->text().toStdString(),
              "First session with " + node.Addr->ToStrFlags(pfAlias | pfShort));

    SendKey(ds->Grid(), Qt::Key_Return);
    EXPECT_EQ(w->View()->CaretLine(), tmail->GetSess(static_cast<std::size_t>(node.FirstSess)).StartLine);
    SendKey(ds->Grid(), Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(w->View()->CaretLine(), tmail->GetSess(static_cast<std::size_t>(node.LastSess)).StartLine);

    // The total row names no address; its items follow its own record.
    ds->SelectRow(m->rowCount() - 1);
    ds->UpdateRowMenu();
    EXPECT_EQ(ds->MenuAction("MIFirstWith")->text(), "First session with ");
    EXPECT_EQ(ds->MenuAction("MIFirstWith")->isEnabled(), m->List()->Total.FirstSess != -1);
    EXPECT_EQ(ds->MenuAction("MILastWith")->isEnabled(), m->List()->Total.LastSess != -1);
}

TEST_F(DialStatTest, F2OnAFreshSettingsFileWritesAUtf8ReportWithTheTotal)
{
    TChildForm* w = nullptr;
    TDialStatForm* ds = OpenStats(w);
    ASSERT_NE(ds, nullptr);
    QString proposed;
    const std::string typed = *temp / "stats";
    SetModalRunner([&](QDialog& d) {
        auto& dialog = dynamic_cast<QFileDialog&>(d);
        proposed = dialog.selectedFiles().value(0);
        dialog.selectFile(QString::fromStdString(typed));
        return int(QDialog::Accepted);
    });
    SendKey(ds->Grid(), Qt::Key_F2);
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_TRUE(proposed.endsWith(".txt")) << proposed.toStdString();
    EXPECT_TRUE(proposed.contains("T-Mail.DialStat")) << proposed.toStdString();
    // A name typed without an extension gets ".txt".
    ASSERT_EQ(ds->ReportSettings().FileName, typed + ".txt");
    const std::string report = ReadBytes(typed + ".txt");
    EXPECT_TRUE(IsValidUtf8(report));
    EXPECT_EQ(report.rfind("\u250C", 0), 0u) << report;
    EXPECT_NE(report.find("Total"), std::string::npos);
    const TNodeStat& first = ds->Model()->List()->GetItems(0);
    EXPECT_NE(report.find(first.Addr->ToStrFlags(pfAlias | pfShort)), std::string::npos);
    // Nodes, the line above the total, the total and the bottom line.
    EXPECT_EQ(std::count(report.begin(), report.end(), '\n'),
              static_cast<long>(ds->Model()->NodeCount()) + 6);

    // The window keeps its state: UTF-8 and the digit width of its font.
    ds->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(Ini().ReadInteger("T-Mail.DialStat", "Codepage", -1), TReportSettings::cpUtf8);
    EXPECT_EQ(Ini().ReadInteger("T-Mail.DialStat", "NumColumns", -1), 3);
    EXPECT_GT(Ini().ReadInteger("T-Mail.DialStat", "DigitWidth", -1), 0);
}

TEST_F(DialStatTest, WidthsStoredForAnotherFontAreScaledToTheGridFont)
{
    TColumnList columns;
    DefaultDialStatColumns(columns);
    ScaleColumnWidths(columns, 6, 6);
    EXPECT_EQ(columns.GetColumn(0).ScrWidth, 90);
    // Rounded up, so a larger font never gets a narrower column than its text.
    ScaleColumnWidths(columns, 6, 7);
    EXPECT_EQ(columns.GetColumn(0).ScrWidth, 105);
    EXPECT_EQ(columns.GetColumn(1).ScrWidth, 94);
    ScaleColumnWidths(columns, 0, 7);
    EXPECT_EQ(columns.GetColumn(0).ScrWidth, 105);

    // Widths stored for a digit of 3 pixels open scaled to this grid font.
    Ini().WriteInteger("T-Mail.DialStat", "NumColumns", 1);
    Ini().WriteString("T-Mail.DialStat", "Column0.Params", "6;Bytes sent;1;1;30;10;1;1");
    Ini().WriteInteger("T-Mail.DialStat", "DigitWidth", 3);
    TChildForm* w = nullptr;
    TDialStatForm* ds = OpenStats(w);
    ASSERT_NE(ds, nullptr);
    const int digit = DigitWidth(ds->Grid()->font());
    EXPECT_EQ(ds->Grid()->horizontalHeader()->sectionSize(0), (30 * digit + 2) / 3);
}

}  // namespace
}  // namespace tarvix
