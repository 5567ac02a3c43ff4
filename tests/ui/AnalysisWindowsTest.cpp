// The analysis windows of a log window over the T-Mail sample: the dial statistics
// (F8), the file-request list (F6), the timeline (F7) and the session card (F9),
// each following its log window and moving it, and opening again with the log.
#include "engine/DialStatColumns.h"
#include "engine/NodeStat.h"
#include "platform/CodePage.h"
#include "ui/DialStatModel.h"
#include "ui/ListWindow.h"
#include "ui/QtConvert.h"
#include "ui/UiText.h"

#include "SessListFixture.h"

#include <QAction>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QSpinBox>

namespace tarvix {
namespace {

using namespace tarvix::test;

class AnalysisTest : public SessListFixture {
protected:
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

    TFreqForm* OpenFreqs(TChildForm* w)
    {
        SendKey(w->View(), Qt::Key_F6);
        return dynamic_cast<TFreqForm*>(w->AnalysisWindow(TAnalysisKind::FreqList));
    }
};

// ------------------------------------------------------------------ dial statistics
TEST_F(AnalysisTest, DialStatShowsTheDayOfTheCaretAndFollowsIt)
{
    TChildForm* w = nullptr;
    TDialStatForm* ds = OpenStats(w);
    ASSERT_NE(ds, nullptr);
    ASSERT_GE(tmail->DayCount(), 2u);
    const TNodeStatList& day0 = *tmail->GetDay(0).NodeStats;
    TDialStatModel* m = ds->Model();
    // One row per node, the total last, named in the first column.
    EXPECT_EQ(m->rowCount(), static_cast<int>(day0.Count()) + 1);
    EXPECT_EQ(m->Text(m->rowCount() - 1, 1).toLongLong(), day0.Total.OutSess);
    EXPECT_EQ(ds->DayText().toStdString(), FormatDateTime("dd mmm yy", tmail->GetDay(0).Date));
    SaveScreenshot(ds, "TDialStatForm");

    // The first day has no previous day, the last no next day.
    EXPECT_FALSE(ds->MenuAction("MIPrevDay")->isEnabled());
    // Alt+Down in the grid moves the log window, which moves the window.
    SendKey(ds->Grid(), Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(ds->Day(), 1);
    EXPECT_EQ(w->CurrentDay(), 1);
    const long last = static_cast<long>(tmail->DayCount()) - 1;
    ds->SetDay(last);
    EXPECT_TRUE(ds->Button("BtnPrevDay")->isEnabled());
    EXPECT_FALSE(ds->MenuAction("MINextDay")->isEnabled());

    // A day that is not there: "???" and no rows.
    ds->SetDay(last + 1);
    EXPECT_EQ(ds->DayText(), "???");
    EXPECT_EQ(m->rowCount(), 0);
    EXPECT_FALSE(ds->Button("BtnNextDay")->isEnabled());

    // Enter and Shift+Enter go to the first and the last session with a node.
    ds->SetDay(0);
    int row = 0;
    while (row < m->NodeCount() && m->Record(row)->FirstSess == m->Record(row)->LastSess)
        ++row;
    ASSERT_LT(row, m->NodeCount()) << "a node with two sessions";
    const TNodeStat node = *m->Record(row);
    ds->SelectRow(row);
    ds->UpdateRowMenu();
    EXPECT_TRUE(ds->MenuAction("MIFirstWith")->isEnabled());

    SendKey(ds->Grid(), Qt::Key_Return);
    EXPECT_EQ(w->View()->CaretLine(), tmail->GetSess(static_cast<std::size_t>(node.FirstSess)).StartLine);
    SendKey(ds->Grid(), Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(w->View()->CaretLine(), tmail->GetSess(static_cast<std::size_t>(node.LastSess)).StartLine);

    // The total row names no address; its items follow its own record.
    ds->SelectRow(m->rowCount() - 1);
    ds->UpdateRowMenu();
    EXPECT_EQ(ds->MenuAction("MIFirstWith")->isEnabled(), m->List()->Total.FirstSess != -1);
    EXPECT_EQ(ds->MenuAction("MILastWith")->isEnabled(), m->List()->Total.LastSess != -1);
}

TEST_F(AnalysisTest, DialStatSortingKeepsTheNodeAndSkipsColumnsWithoutAnOrder)
{
    TChildForm* w = nullptr;
    TDialStatForm* ds = OpenStats(w);
    ASSERT_NE(ds, nullptr);
    TColumnList& columns = ds->Columns();
    for (int type : {2, 3, 1})
        columns.Add(CreateDialStatColumn(type));
    ds->LayOutGrid();
    QHeaderView* header = ds->Grid()->horizontalHeader();

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
    EXPECT_TRUE(ds->MenuAction("MIPopSort1")->isChecked());
    const TNodeStatList& list = *ds->Model()->List();
    for (std::size_t i = 1; i < list.Count(); ++i)
        EXPECT_GE(list.GetItems(i - 1).Calls, list.GetItems(i).Calls);
    ds->SortMenu()->findChild<QAction*>("MISort2")->trigger();  // outgoing sessions
    EXPECT_EQ(tmail->DSSort, nsoOutSess);
    EXPECT_TRUE(EqualAddr(*SelectedRecord(ds)->Addr, addr));
}

TEST_F(AnalysisTest, DialStatF2OnAFreshSettingsFileWritesAUtf8ReportWithTheTotal)
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
    EXPECT_TRUE(proposed.contains("T-Mail.DialStat") && proposed.endsWith(".txt")) << proposed.toStdString();
    // A name typed without an extension gets ".txt".
    ASSERT_EQ(ds->ReportSettings().FileName, typed + ".txt");
    const std::string report = ReadBytes(typed + ".txt");
    EXPECT_TRUE(IsValidUtf8(report));
    EXPECT_EQ(report.rfind("\u250C", 0), 0u) << report;
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

TEST_F(AnalysisTest, DialStatWidthsStoredForAnotherFontAreScaledToTheGridFont)
{
    TColumnList columns;
    DefaultDialStatColumns(columns);
    // Rounded up, so a larger font never gets a narrower column than its text.
    ScaleColumnWidths(columns, 6, 7);
    EXPECT_EQ(columns.GetColumn(0).ScrWidth, 105);
    EXPECT_EQ(columns.GetColumn(1).ScrWidth, 94);

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

// ------------------------------------------------------------------ file requests

TEST_F(AnalysisTest, FreqListShowsAliasesAndUnsentInRedAndMovesTheLogWindowByAddress)
{
    // The commands of the windows this program does not have are not offered.
    RegisterAnalysisWindow(TAnalysisKind::DialStat, {});
    RegisterAnalysisWindow(TAnalysisKind::Timeline, {});
    TChildForm* w = OpenTMail();
    EXPECT_TRUE(w->Button("BtnFreqList")->isEnabled());
    EXPECT_FALSE(w->Button("BtnDialStat")->isEnabled());
    EXPECT_FALSE(w->MenuAction("MIDialStat")->isEnabled());
    EXPECT_FALSE(w->Button("BtnTimeline")->isEnabled());

    Settings().FreqRealName = true;
    TFreqForm* list = OpenFreqs(w);
    ASSERT_NE(list, nullptr);
    TFreqListModel* model = list->Model();
    ASSERT_EQ(model->rowCount(), static_cast<int>(tmail->FreqCount()));
    bool alias = false, unsent = false;
    for (int r = 0; r < model->rowCount(); ++r) {
        const TFreq& f = tmail->GetFreq(static_cast<std::size_t>(r));
        const QVariant colour = model->data(model->index(r, 2), Qt::ForegroundRole);
        EXPECT_EQ(model->Text(r, 1).toStdString(), f.RealName);
        if (f.Name == "FILES") {
            alias = true;
            EXPECT_EQ(f.RealName, "ALLFILES.ZIP");
        }
        unsent |= !f.Sent;
        EXPECT_EQ(colour.isValid() ? colour.value<QColor>() : QColor(), f.Sent ? QColor() : QColor(255, 0, 0));
    }
    EXPECT_TRUE(alias && unsent);
    Settings().FreqRealName = false;
    EXPECT_EQ(model->Text(0, 1).toStdString(), tmail->GetFreq(0).Name);
    SaveScreenshot(list, "freqlist");
    // Without a new part, the list opens at its last request.
    const long count = model->rowCount();
    EXPECT_EQ(list->SelectedRequest(), count - 1);

    // A left click on a row moves the caret to its line, as Enter does.
    QTableView* grid = list->Grid();
    const QPoint at = grid->visualRect(list->Model()->index(1, 0)).center();
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), grid->viewport()->mapToGlobal(QPointF(at)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(grid->viewport(), &press);
    EXPECT_EQ(w->View()->CaretLine(), tmail->GetFreq(1).LineNo);
    list->SelectRequest(2);
    SendKey(grid, Qt::Key_Return);
    EXPECT_EQ(w->View()->CaretLine(), tmail->GetFreq(2).LineNo);

    // The last request of an address: "next from" stays, "previous from" steps to
    // the request before it from the same address.
    auto same = [this](long a, long b) {
        const TFreq& x = tmail->GetFreq(static_cast<std::size_t>(a));
        const TFreq& y = tmail->GetFreq(static_cast<std::size_t>(b));
        return x.Addr && y.Addr && EqualAddr(*x.Addr, *y.Addr);
    };
    long last = -1, prev = -1;
    for (long r = count - 1; r >= 0 && prev < 0; --r) {
        bool later = false;
        for (long q = r + 1; q < count; ++q)
            later |= same(q, r);
        for (long q = r - 1; q >= 0 && !later && prev < 0; --q)
            if (same(q, r))
                last = r, prev = q;
    }
    ASSERT_GE(prev, 0);
    list->SelectRequest(last);
    list->NextRequestFrom();
    EXPECT_EQ(list->SelectedRequest(), last);
    SendKey(grid, Qt::Key_Left, Qt::AltModifier);
    EXPECT_EQ(list->SelectedRequest(), prev);
    EXPECT_EQ(w->View()->CaretLine(), tmail->GetFreq(static_cast<std::size_t>(prev)).LineNo);
    emit list->RowMenu()->aboutToShow();
    EXPECT_TRUE(list->MenuAction("MIPrevFrom")->isEnabled());
    EXPECT_TRUE(list->MenuAction("MIPrevFrom")->text().contains(
        QString::fromStdString(tmail->GetFreq(static_cast<std::size_t>(prev)).Addr->ToStrFlags(pfAlias | pfShort))));
}

// ------------------------------------------------------------------ timeline

constexpr int kMarch5 = 37685;  // 5 March 2003, whole days since 1899-12-30

TSess At(int day, int h1, int m1, int h2, int m2, int dayEnd = -1)
{
    TSess s(1, day + EncodeTime(h1, m1, 0, 0));
    s.EndTime = (dayEnd < 0 ? day : dayEnd) + EncodeTime(h2, m2, 0, 0);
    return s;
}

TEST(TimelineGeometry, WhichSessionsFallOnTheShownDay)
{
    TTimelineBar bar;
    // 23:30 on 5 March belongs to the night that ends on 6 March, 1.5 hours in.
    ASSERT_TRUE(TimelineBarOf(At(kMarch5, 23, 30, 23, 40), 7, kMarch5 + 1, 22, 6, bar));
    EXPECT_EQ(bar.Session, 7);
    EXPECT_EQ(bar.Start, 5400);
    EXPECT_FALSE(TimelineBarOf(At(kMarch5, 23, 30, 23, 40), 7, kMarch5, 22, 6, bar));
    // Started before the window's start hour, ended after it: two timeline dates.
    EXPECT_FALSE(TimelineBarOf(At(kMarch5, 21, 50, 22, 10), 0, kMarch5, 22, 6, bar));
    EXPECT_FALSE(TimelineBarOf(At(kMarch5, 21, 50, 22, 10), 0, kMarch5 + 1, 22, 6, bar));
    // A session over midnight in a window that does not wrap: not drawn either.
    EXPECT_FALSE(TimelineBarOf(At(kMarch5, 23, 50, 0, 10, kMarch5 + 1), 0, kMarch5, 0, 8, bar));
}

TEST(TimelineGeometry, PixelsOfTheBarsAndWhatAPointHits)
{
    // 8 hours on 480 pixels: a minute per pixel.
    std::vector<TTimelineBar> bars = {
        {0, 90 * 60, 120 * 60, 0},  // 90..120
        {1, 100 * 60, 110 * 60, 0}, // drawn over the first
        {2, 200 * 60, 200 * 60, 0}, // shorter than a pixel: two pixels
        {3, -1800, 30 * 60, 0},     // began before the window: from the left edge
        {4, 9 * 3600, 9 * 3600, 0}, // after the end: the last pixel only
    };
    TTimelineLayout layout;
    layout.LayOut(bars, 480, 8 * 3600);
    EXPECT_EQ(layout.SecondsPerPixel(), 60);
    EXPECT_EQ(layout.SessionAt(90, 0), 0);
    EXPECT_EQ(layout.SessionAt(105, 10), 1);
    EXPECT_EQ(layout.SessionAt(111, 10), 0);
    EXPECT_EQ(layout.SessionAt(200, 10), 2);
    EXPECT_EQ(layout.SessionAt(202, 10), -1);
    EXPECT_EQ(layout.SessionAt(0, 10), 3);
    EXPECT_EQ(layout.SessionAt(479, 10), 4);
    // Only the bar band hits; outside the area nothing.
    EXPECT_EQ(layout.SessionAt(105, 21), -1);
    EXPECT_EQ(layout.SessionAt(480, 10), -1);
    // An area wider than the window has seconds, and an area of no width.
    layout.LayOut(bars, 4000, 3600);
    EXPECT_EQ(layout.SecondsPerPixel(), 1);
    EXPECT_EQ(layout.SessionAt(1800, 5), 3);
    EXPECT_EQ(layout.SessionAt(1801, 5), -1);
    layout.LayOut(bars, 0, 3600);
    EXPECT_EQ(layout.SessionAt(0, 5), -1);
}

TEST_F(AnalysisTest, TimelineFollowsTheDayOfTheLogWindowAndMovesItsCaret)
{
    Settings().DayStart = 0;
    Settings().DayEnd = 0;
    TChildForm* w = OpenTMail();
    ASSERT_GT(tmail->DayCount(), 1u);
    w->GoToLine(tmail->GetDay(0).FirstLine);
    SendKey(w->View(), Qt::Key_F7);
    auto* tl = dynamic_cast<TTimelineForm*>(w->AnalysisWindow(TAnalysisKind::Timeline));
    ASSERT_NE(tl, nullptr);
    EXPECT_EQ(tl->ShownDate(), static_cast<int>(DateOf(tmail->GetDay(0).Date)));
    EXPECT_EQ(tl->Span(), 86400);
    EXPECT_FALSE(tl->Button("BtnPrevDay")->isEnabled());
    tl->Area()->repaint();
    ASSERT_FALSE(tl->Bars().empty());
    SaveScreenshot(tl, "timeline");

    // The log window's next day is the timeline's next day; so is the timeline's own.
    SendKey(w->View(), Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(tl->ShownDate(), static_cast<int>(DateOf(tmail->GetDay(1).Date)));
    tl->Button("BtnPrevDay")->click();
    EXPECT_EQ(w->CurrentDay(), 0);
    SendKey(tl->StartEdit(), Qt::Key_Down, Qt::AltModifier);  // a day, not an hour
    EXPECT_EQ(w->CurrentDay(), 1);
    EXPECT_EQ(tl->StartEdit()->value(), 0);
    tl->MenuAction("MIPrevDay")->trigger();
    EXPECT_EQ(tl->ShownDate(), static_cast<int>(DateOf(tmail->GetDay(0).Date)));

    // A click on a bar moves the caret to that session; hovering names its remote.
    tl->LayOut(tl->Area()->width());
    const TTimelineBar bar = tl->Bars().back();
    int x1 = 0, x2 = 0;
    tl->Layout().BarPixels(bar, x1, x2);
    ASSERT_EQ(tl->Layout().SessionAt(x2, 5), bar.Session);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(x2, 5), tl->Area()->mapToGlobal(QPointF(x2, 5)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(tl->Area(), &press);
    EXPECT_EQ(w->CurrentSession(), bar.Session);
    tl->HoverAt(x2, 5);
    EXPECT_EQ(tl->HoverSession(), bar.Session);
    const TSess& s = tmail->GetSess(static_cast<std::size_t>(bar.Session));
    EXPECT_EQ(tl->StatusText().toStdString(),
              s.Has(sfHuman) ? UiText(100).toStdString() : (s.Addr ? s.Addr->ToStrFlags(pfAlias) : ""));
    tl->HoverAt(x2, 30);
    EXPECT_TRUE(tl->StatusText().isEmpty());

    // The hours are the program's settings, changed at once.
    tl->StartEdit()->setValue(22);
    tl->EndEdit()->setValue(6);
    EXPECT_EQ(Settings().DayEnd, 6);
    EXPECT_EQ(tl->Span(), 8 * 3600);
    tl->StartEdit()->setValue(0);
    tl->StartEdit()->stepDown();  // wraps
    EXPECT_EQ(Settings().DayStart, 23);

}

// ------------------------------------------------------------------ session card

struct MailerCase {
    int style;
    const char* text;
    const char* shown;
};

class SessInfoMailerTest : public ::testing::TestWithParam<MailerCase> {};

TEST_P(SessInfoMailerTest, ShowsTheWordsTheLogStyleKeeps)
{
    EXPECT_EQ(SessInfoMailer(GetParam().style, GetParam().text), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Words, SessInfoMailerTest,
    ::testing::Values(MailerCase{lsTMail, "Bink/+/2.60/Win32", "Bink/+/2.60"}, MailerCase{lsTMail, "", ""},
                      MailerCase{lsTMail, "//T-Mail//2605/", "T-Mail/2605"},
                      MailerCase{lsArgus, "Argus/3.210/Win32/x", "Argus/3.210/Win32"},
                      MailerCase{lsArgus, "Xenia/2 Mailer/1.0/OS2", "Xenia/2 Mailer/1.0"},
                      MailerCase{lsBrake, "Bink/2.60", "Bink/2.60"}, MailerCase{lsBrake, "Xenia/2.1", "Xenia/2.1"},
                      MailerCase{lsBrake, "T-Mail/2605", "T-Mail"}, MailerCase{lsBrake, "bink/2.60", "bink"},
                      MailerCase{lsBinkPlus, "Argus/3.210", "Argus/3.210"},
                      MailerCase{lsBinkPlus, "ArgusX/3.210", "ArgusX"}));

TEST_F(AnalysisTest, SessInfoShowsTheSessionOfTheCaretAndMovesBySession)
{
    TChildForm* w = OpenTMail();
    const TSess& first = tmail->GetSess(1);
    w->GoToLine(first.StartLine);
    SendKey(w->View(), Qt::Key_F9);
    auto* card = dynamic_cast<TSessInfoForm*>(w->AnalysisWindow(TAnalysisKind::SessInfo));
    ASSERT_NE(card, nullptr);
    EXPECT_EQ(card->Session(), 1);
    EXPECT_TRUE(card->Label("LblSessInfo1")->text().contains(
        QString::fromStdString(FormatDateTime("dd mmm hh:nn:ss", first.StartTime))));
    EXPECT_FALSE(card->Label("LblSessInfo1")->font().bold());
    EXPECT_EQ(card->Label("LblConnect")->text().toStdString(), first.SpeedText());
    SaveScreenshot(card, "sessinfo");

    // The card's buttons move the log window, which shows the next session here.
    card->Button("BtnNextSess")->click();
    EXPECT_EQ(card->Session(), 2);
    SendKey(card, Qt::Key_Left, Qt::AltModifier);
    EXPECT_EQ(card->Session(), 1);

    // Outside every session: no session, in bold, and every value empty.
    w->GoToLine(tmail->GetSess(1).EndLine + 1);
    if (tmail->SessOfLine(w->View()->CaretLine()) < 0) {
        EXPECT_EQ(card->Session(), -1);
        EXPECT_TRUE(card->Label("LblSessInfo1")->font().bold());
        EXPECT_TRUE(card->Label("LblSysName")->text().isEmpty());
    }

    // A call without handshake: the failure in the error colour and no protocol.
    for (std::size_t i = 0; i < tmail->SessCount(); ++i) {
        const TSess& s = tmail->GetSess(i);
        if (!s.Has(sfBad) || s.Has(sfHuman))
            continue;
        card->ShowSession(static_cast<long>(i));
        EXPECT_EQ(card->Label("LblSessAddr")->text(), UiText(103));
        EXPECT_EQ(card->Label("LblSessAddr")->palette().color(QPalette::WindowText),
                  ToQColor(Settings().Colors[ciErrors]));
        EXPECT_TRUE(card->Label("LblProtocol")->text().isEmpty());
        SaveScreenshot(card, "sessinfo-failed");
        break;
    }
}

TEST_F(AnalysisTest, TheAnalysisWindowsOpenAgainWithTheLog)
{
    TChildForm* w = OpenTMail();
    w->GoToLine(tmail->GetSess(3).StartLine);
    for (int key : {Qt::Key_F6, Qt::Key_F7, Qt::Key_F9})
        SendKey(w->View(), key);
    tmail->AutoNew = true;
    w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    // The log was seen up to 2 May: what follows is new. The windows open in the
    // other interface language.
    tmail->LastStr = "02/05 02:16:13 T-Mai";
    UnloadLng();
    LoadLng(kSourceDir + "/lng/QZ_Rus.lng");
    w = OpenTMail();
    ASSERT_EQ(tmail->FirstNewSess, 20);
    auto* card = dynamic_cast<TSessInfoForm*>(w->AnalysisWindow(TAnalysisKind::SessInfo));
    auto* freqs = dynamic_cast<TFreqForm*>(w->AnalysisWindow(TAnalysisKind::FreqList));
    auto* timeline = dynamic_cast<TTimelineForm*>(w->AnalysisWindow(TAnalysisKind::Timeline));
    ASSERT_TRUE(card && freqs && timeline);
    // The card on the first new session, the requests at the first new request, the
    // timeline on the day of the caret.
    EXPECT_EQ(card->Session(), tmail->FirstNewSess);
    EXPECT_EQ(card->Label("CapSysName")->text(), QString::fromUtf8("Система"));
    EXPECT_TRUE(timeline->windowTitle().startsWith(QString::fromUtf8("Шкала времени")));
    ASSERT_GT(tmail->FirstNewFreq, 0);
    EXPECT_EQ(freqs->SelectedRequest(), tmail->FirstNewFreq);
    EXPECT_EQ(timeline->ShownDate(), static_cast<int>(DateOf(tmail->GetDay(w->CurrentDay()).Date)));
}

}  // namespace
}  // namespace tarvix
