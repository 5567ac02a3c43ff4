// The session list on a copy of the T-Mail sample (analysed in a log window): it
// follows the log window's caret and moves it, steps to the sessions of the same
// address, draws its cells, writes its report, keeps its columns, highlight list and
// placement in the settings, scrolls by dragging, sizes its columns and window, and
// opens a log of 100,000 sessions without making every row.
#include "ui/ListWindow.h"

#include "SessListFixture.h"

#include "engine/SessColumns.h"
#include "settings/QZScript.h"
#include "ui/LngComponent.h"
#include "ui/LogView.h"
#include "ui/QtConvert.h"
#include "ui/SessListModel.h"

#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QScrollBar>
#include <QTableView>
#include <QToolButton>

namespace tarvix {
namespace {

using namespace tarvix::test;

class SessListTest : public SessListFixture {
protected:
    static void Click(TSessListForm* list, int row, Qt::MouseButton button, Qt::KeyboardModifiers mods = {})
    {
        QTableView* grid = list->Grid();
        grid->scrollTo(list->Model()->index(row, 0));
        const QPoint at = grid->visualRect(list->Model()->index(row, 0)).center();
        const QPointF global = grid->viewport()->mapToGlobal(QPointF(at));
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), global, button, button, mods);
        QApplication::sendEvent(grid->viewport(), &press);
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(at), global, button, Qt::NoButton, mods);
        QApplication::sendEvent(grid->viewport(), &release);
    }

    static void Mouse(TSessListForm* list, QEvent::Type type, int y, Qt::MouseButton button,
                      Qt::MouseButtons buttons)
    {
        QWidget* viewport = list->Grid()->viewport();
        const QPointF at(10, y);
        QMouseEvent event(type, at, viewport->mapToGlobal(at), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(viewport, &event);
    }

    // The y of a row's middle in the grid's viewport.
    static int RowY(TSessListForm* list, int row)
    {
        return list->Grid()->rowViewportPosition(row) + list->Grid()->rowHeight(row) / 2;
    }

    static int TopRow(TSessListForm* list) { return list->Grid()->rowAt(0); }

    static int BottomRow(TSessListForm* list)
    {
        QTableView* grid = list->Grid();
        return grid->rowAt(grid->viewport()->height() - 1);
    }

    // A default column width as the grid font shows it.
    static int DefaultWidth(TSessListForm* list, int width)
    {
        return (width * DigitWidth(list->Grid()->font()) + kDefaultDigitWidth - 1) / kDefaultDigitWidth;
    }

    static void Drain() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    // Stores columns for the T-Mail session list before it opens.
    static void StoreColumns(const std::vector<std::string>& params)
    {
        Ini().WriteInteger("T-Mail.SessList", "NumColumns", static_cast<long long>(params.size()));
        for (std::size_t k = 0; k < params.size(); ++k)
            Ini().WriteString("T-Mail.SessList", "Column" + std::to_string(k) + ".Params", params[k]);
    }
};

TEST_F(SessListTest, FollowsTheCaretOfTheLogWindowAndMovesIt)
{
    TChildForm* w = OpenTMail();
    ASSERT_NE(w, nullptr);
    w->GoToLine(70);  // inside session 6 (lines 67 to 77)
    TSessListForm* list = OpenList(w);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->Log(), tmail);
    EXPECT_EQ(list->windowTitle(), "Sessions - T-Mail");
    EXPECT_EQ(list->Model()->rowCount(), 32);
    EXPECT_EQ(list->SelectedSession(), 6);
    EXPECT_EQ(list->Grid()->currentIndex().row(), 6);
    EXPECT_EQ(list->StatusText(), "30 Apr: 8 sessions, 5 successful");
    // The default columns: start time, session, system.
    ASSERT_EQ(list->Model()->columnCount(), 3);
    EXPECT_EQ(list->Model()->headerData(0, Qt::Horizontal).toString(), "Date/time");
    EXPECT_EQ(list->Model()->headerData(1, Qt::Horizontal).toString(), "Session");
    EXPECT_EQ(list->Model()->headerData(2, Qt::Horizontal).toString(), "System");
    EXPECT_EQ(list->Grid()->horizontalHeader()->sectionSize(0), DefaultWidth(list, 90));
    EXPECT_EQ(list->Grid()->horizontalHeader()->sectionSize(2), DefaultWidth(list, 120));
    EXPECT_EQ(list->Model()->index(6, 1).data().toString(), "Out MO Petrov");
    EXPECT_EQ(list->Model()->index(6, 0).data().toString(), "30/04 04:51:16");

    // The caret of the log window moves the list.
    w->GoToLine(150);
    EXPECT_EQ(list->SelectedSession(), 13);
    EXPECT_EQ(list->StatusText(), "01 May: 5 sessions, 5 successful");
    w->GoToLine(341);
    EXPECT_EQ(list->SelectedSession(), 31);
    EXPECT_EQ(BottomRow(list), 31);
    // A line between sessions leaves the list where it is.
    w->GoToLine(213);
    EXPECT_EQ(list->SelectedSession(), 31);

    // Choosing a row moves the log window's caret to the start of its session; the
    // echo of the log window does not move the list again.
    Click(list, 20, Qt::LeftButton);
    EXPECT_EQ(list->SelectedSession(), 20);
    EXPECT_EQ(w->View()->CaretLine(), 219);
    EXPECT_EQ(w->CurrentSession(), 20);
    EXPECT_EQ(list->StatusText(), "02 May: 4 sessions, 4 successful");
    list->GoToSession(5);
    EXPECT_EQ(w->View()->CaretLine(), 57);
    EXPECT_EQ(list->SelectedSession(), 20);  // only the log window moved
    list->GoToSession(32);  // no such session
    EXPECT_EQ(w->View()->CaretLine(), 57);

    // The keyboard: the log window follows when the key is let go; Enter goes to the
    // selected session.
    list->Grid()->setFocus();
    SendKey(list->Grid(), Qt::Key_Down);
    EXPECT_EQ(list->SelectedSession(), 21);
    EXPECT_EQ(w->View()->CaretLine(), 223);
    SendKey(list->Grid(), Qt::Key_Home);
    EXPECT_EQ(list->SelectedSession(), 0);
    EXPECT_EQ(w->View()->CaretLine(), 5);
    SendKey(list->Grid(), Qt::Key_End);
    EXPECT_EQ(list->SelectedSession(), 31);
    EXPECT_EQ(w->View()->CaretLine(), 341);
    w->GoToLine(100);
    EXPECT_EQ(list->SelectedSession(), 8);
    w->GoToLine(1);
    SendKey(list->Grid(), Qt::Key_Return);
    EXPECT_EQ(w->View()->CaretLine(), 96);

    // F10 and the setup button open the column setup; Cancel leaves the list as it is.
    int setups = 0;
    SetModalRunner([&setups](QDialog&) {
        ++setups;
        return int(QDialog::Rejected);
    });
    SendKey(list->Grid(), Qt::Key_F10);
    list->Button("BtnSLSetup")->click();
    EXPECT_EQ(setups, 2);
    EXPECT_EQ(list->Columns().Count(), 3);

    SaveScreenshot(list, "TSessListForm");

    // Esc closes the list; the log window forgets it.
    QPointer<TSessListForm> guard(list);
    SendKey(list->Grid(), Qt::Key_Escape);
    Drain();
    EXPECT_TRUE(guard.isNull());
    EXPECT_EQ(w->AnalysisWindow(TAnalysisKind::SessList), nullptr);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(SessListTest, OpensAtTheSessionOfTheCaretOrOfTheSavedDesktop)
{
    TChildForm* w = OpenTMail();
    ASSERT_NE(w, nullptr);
    // The caret before the first session: the first row.
    w->GoToLine(1);
    TSessListForm* list = OpenList(w);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->SelectedSession(), 0);
    EXPECT_EQ(TopRow(list), 0);
    list->close();
    Drain();

    // On the last session's start line, or after it: the last row, at the bottom.
    for (std::int64_t line : {341, 358}) {
        w->GoToLine(line);
        list = OpenList(w);
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(list->SelectedSession(), 31) << line;
        EXPECT_EQ(BottomRow(list), 31) << line;
        list->close();
        Drain();
    }

    // Between two sessions: the last one that started before the caret, at the top.
    w->GoToLine(66);
    list = OpenList(w);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->SelectedSession(), 5);
    EXPECT_EQ(TopRow(list), 5);
    list->close();
    Drain();

    // Opened again with the desktop after an analysis: the first row without
    // new-part detection...
    w->GoToLine(200);
    ASSERT_NE(OpenList(w), nullptr);
    w->Reread();
    list = dynamic_cast<TSessListForm*>(w->AnalysisWindow(TAnalysisKind::SessList));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->SelectedSession(), 0);
    EXPECT_EQ(TopRow(list), 0);

    // ... with it, the last session at the bottom when no session is new (the log
    // remembers its last line when it is read again)...
    tmail->AutoNew = true;
    w->Reread();
    list = dynamic_cast<TSessListForm*>(w->AnalysisWindow(TAnalysisKind::SessList));
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(tmail->FirstNewSess, 32);
    EXPECT_EQ(list->SelectedSession(), 31);
    EXPECT_EQ(BottomRow(list), 31);

    // ... and the first new session at the top when the remembered line is further
    // up: here the start of the run of 2 May, after session 19.
    list->setGeometry(0, 0, 400, 160);  // a few rows high: row 20 can be the top row
    w->close();
    Drain();
    tmail->LastStr = "02/05 02:16:13 T-Mai";
    w = OpenTMail();
    ASSERT_NE(w, nullptr);
    list = dynamic_cast<TSessListForm*>(w->AnalysisWindow(TAnalysisKind::SessList));
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(tmail->FirstNewSess, 20);
    EXPECT_EQ(list->SelectedSession(), 20);
    EXPECT_EQ(list->height(), 160);
    EXPECT_EQ(TopRow(list), 20);
}

TEST_F(SessListTest, PreviousAndNextSessionWithTheSameAddress)
{
    TChildForm* w = OpenTMail();
    ASSERT_NE(w, nullptr);
    w->GoToLine(67);
    TSessListForm* list = OpenList(w);
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->SelectedSession(), 6);  // 2:5030/123, alias Petrov: sessions 6, 18, 31

    QMenu* menu = list->RowMenu();
    emit menu->aboutToShow();
    QAction* prev = list->MenuAction("MIPrevWith");
    QAction* next = list->MenuAction("MINextWith");
    EXPECT_EQ(prev->text(), "Previous session with Petrov");
    EXPECT_EQ(next->text(), "Next session with Petrov");
    EXPECT_TRUE(prev->isEnabled());
    EXPECT_EQ(menu->defaultAction(), list->MenuAction("MIClose"));

    next->trigger();
    EXPECT_EQ(list->SelectedSession(), 18);
    EXPECT_EQ(w->View()->CaretLine(), 196);
    list->NextSessWith();
    EXPECT_EQ(list->SelectedSession(), 31);
    list->NextSessWith();  // the last session of the address
    EXPECT_EQ(list->SelectedSession(), 31);
    EXPECT_EQ(w->View()->CaretLine(), 341);
    SendKey(list->Grid(), Qt::Key_Left, Qt::AltModifier);
    EXPECT_EQ(list->SelectedSession(), 18);
    SendKey(list->Grid(), Qt::Key_Left, Qt::AltModifier);
    EXPECT_EQ(list->SelectedSession(), 6);
    EXPECT_EQ(w->View()->CaretLine(), 67);
    SendKey(list->Grid(), Qt::Key_Left, Qt::AltModifier);  // the first of the address
    EXPECT_EQ(list->SelectedSession(), 6);
    SendKey(list->Grid(), Qt::Key_Right, Qt::AltModifier);
    EXPECT_EQ(list->SelectedSession(), 18);

    // The right button selects a row, moves the caret and opens the menu; a session
    // without an address offers nothing to step to.
    Click(list, 2, Qt::RightButton);
    EXPECT_EQ(list->SelectedSession(), 2);
    EXPECT_EQ(w->View()->CaretLine(), 28);
    EXPECT_TRUE(menu->isVisible());
    EXPECT_EQ(prev->text(), "Previous session with ");
    EXPECT_FALSE(prev->isEnabled());
    EXPECT_FALSE(next->isEnabled());
    menu->hide();
    list->NextSessWith();
    list->PrevSessWith();
    EXPECT_EQ(list->SelectedSession(), 2);

    // An address whose other sessions lie on both sides.
    Click(list, 12, Qt::RightButton);  // 2:463/45 (Kiev): 10, 12, 14, 15, 22
    menu->hide();
    EXPECT_EQ(next->text(), "Next session with Kiev");
    list->PrevSessWith();
    EXPECT_EQ(list->SelectedSession(), 10);
    list->NextSessWith();
    list->NextSessWith();
    EXPECT_EQ(list->SelectedSession(), 14);
}

TEST_F(SessListTest, CellsShowTheSessionColoursBoldAddressesAndDayStarts)
{
    Ini().WriteInteger("T-Mail.SessList", "HighlightCnt", 2);
    Ini().WriteString("T-Mail.SessList", "Highlight0", "2:463/*");
    Ini().WriteString("T-Mail.SessList", "Highlight1", "!2:463/45.1");
    StoreColumns({"0;Date/time;1;0;90;14;0;1", "9;Password;1;0;60;10;2;1", "4;System;1;0;120;10;0;1",
                  "14;Sent;1;0;80;10;1;1", "11;Result;0;0;50;10;0;1"});
    TChildForm* w = OpenTMail();
    ASSERT_NE(w, nullptr);
    TSessListForm* list = OpenList(w);
    ASSERT_NE(list, nullptr);
    TSessListModel* model = list->Model();
    ASSERT_EQ(model->columnCount(), 4);  // the result column is hidden
    EXPECT_EQ(list->Columns().Count(), 5);

    const auto& colors = Settings().Colors;
    // Session 10: incoming, bad password, failed; 2:463/45 is highlighted.
    EXPECT_EQ(model->index(10, 1).data().toString(), "BAD");
    EXPECT_EQ(model->index(10, 1).data(Qt::ForegroundRole).value<QColor>(), ToQColor(colors[ciErrors]));
    EXPECT_EQ(model->index(10, 2).data(Qt::ForegroundRole).value<QColor>(), ToQColor(colors[ciTLBad]));
    EXPECT_EQ(model->index(10, 0).data(Qt::BackgroundRole).value<QColor>(), QColor(192, 192, 192));
    EXPECT_TRUE(model->index(10, 0).data(TSessListModel::kBoldRole).toBool());
    EXPECT_TRUE(model->index(10, 0).data(Qt::FontRole).value<QFont>().bold());
    EXPECT_EQ(model->index(10, 3).data().toString(), "");
    EXPECT_EQ(model->index(10, 1).data(Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignHorizontal_Mask,
              Qt::AlignHCenter);
    // Session 7: incoming, completed, not highlighted.
    EXPECT_EQ(model->index(7, 1).data().toString(), "No");
    EXPECT_EQ(model->index(7, 3).data().toString(), "1,723,107");
    EXPECT_EQ(model->index(7, 3).data(Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignHorizontal_Mask,
              Qt::AlignRight);
    EXPECT_EQ(model->index(7, 0).data(Qt::ForegroundRole).value<QColor>(), ToQColor(colors[ciTLInc]));
    EXPECT_EQ(model->index(7, 0).data(Qt::BackgroundRole).value<QColor>(), QColor(Qt::white));
    EXPECT_FALSE(model->index(7, 0).data(TSessListModel::kBoldRole).toBool());
    // Session 9: outgoing; session 2: a human caller shows no system.
    EXPECT_EQ(model->index(9, 0).data(Qt::ForegroundRole).value<QColor>(), ToQColor(colors[ciTLOut]));
    EXPECT_EQ(model->index(2, 0).data(Qt::ForegroundRole).value<QColor>(), ToQColor(colors[ciTLHuman]));
    EXPECT_EQ(model->index(2, 2).data().toString(), "");
    EXPECT_EQ(model->index(2, 0).data().toString(), "29/04 10:30:21");
    // The first session of each day.
    for (int row = 0; row < model->rowCount(); ++row)
        EXPECT_EQ(model->index(row, 0).data(TSessListModel::kFirstOfDayRole).toBool(),
                  row == 0 || row == 5 || row == 13 || row == 20 || row == 25)
            << row;

    // The colours follow the settings.
    Settings().Colors[ciTLInc] = 0x00FF00;  // stored as $00BBGGRR: green
    w->ApplyColours();
    EXPECT_EQ(model->index(7, 0).data(Qt::ForegroundRole).value<QColor>(), QColor(0, 0xFF, 0));
    SaveScreenshot(list, "TSessListFormColumns");
}

TEST_F(SessListTest, TheReportWrittenWithF2MatchesTheTableLayout)
{
    TChildForm* w = OpenTMail();
    ASSERT_NE(w, nullptr);
    TSessListForm* list = OpenList(w);
    ASSERT_NE(list, nullptr);

    // Without report columns: message 27, no file dialog.
    for (int i = 0; i < list->Columns().Count(); ++i)
        list->Columns().GetColumn(i).ShowFile = false;
    list->Columns().Recalc();
    SetModalRunner([](QDialog&) {
        ADD_FAILURE() << "no file dialog without report columns";
        return int(QDialog::Rejected);
    });
    SendKey(list->Grid(), Qt::Key_F2);
    ASSERT_EQ(dialogs.Texts(), std::vector<std::string>{"There are no columns to write into the report."});
    EXPECT_EQ(dialogs.shown[0].type, TMsgDlgType::mtError);
    list->close();
    Drain();
    Ini().WriteInteger("T-Mail.SessList", "Codepage", TReportSettings::cpOem);

    // Date and time, the session, a one-character password column hidden on screen,
    // the bytes sent without a line after them, and the sysop.
    StoreColumns({"0;Date/time;1;1;90;14;0;1", "3;Session;1;1;90;16;0;1", "9;P;0;1;40;1;2;1",
                  "14;Bytes sent;1;1;80;10;1;0", "5;SysOp;1;1;100;13;0;1"});
    list = OpenList(w);
    ASSERT_NE(list, nullptr);
    const std::string target = *temp / "sessions.rpt";
    int runs = 0;
    SetModalRunner([&](QDialog& d) {
        ++runs;
        auto& dialog = dynamic_cast<QFileDialog&>(d);
        EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptSave);
        EXPECT_EQ(dialog.windowTitle(), "Write report");
        dialog.selectFile(QString::fromStdString(target));
        return int(QDialog::Accepted);
    });
    SendKey(list->Grid(), Qt::Key_F2);
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(list->ReportSettings().FileName, target);
    EXPECT_EQ(ReadBytes(target), ReadBytes(kSourceDir + "/tests/ui/data/SessListReport.txt"));

    // Cancel writes nothing; the button asks again.
    std::filesystem::remove(target);
    SetModalRunner([&](QDialog&) {
        ++runs;
        return int(QDialog::Rejected);
    });
    list->Button("BtnWrite")->click();
    EXPECT_EQ(runs, 2);
    EXPECT_FALSE(std::filesystem::exists(target));

    // A template that cannot be read, or a file that cannot be written: an error box.
    dialogs.shown.clear();
    list->ReportSettings().RepHeader = *temp / "missing.tpl";
    EXPECT_FALSE(list->WriteReportTo(target));
    EXPECT_FALSE(std::filesystem::exists(target));
    list->ReportSettings().RepHeader.clear();
    EXPECT_FALSE(list->WriteReportTo(*temp / "no-such-dir/r.txt"));
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[1].type, TMsgDlgType::mtError);

    // With a template, the table takes the place of @text.
    const std::string tpl = *temp / "head.tpl";
    {
        std::ofstream f(tpl, std::ios::binary);
        f << "Sessions of @program: @total\n@text\nEnd\n";
    }
    list->ReportSettings().RepHeader = tpl;
    ASSERT_TRUE(list->WriteReportTo(target));
    const std::string table = ReadBytes(kSourceDir + "/tests/ui/data/SessListReport.txt");
    EXPECT_EQ(ReadBytes(target), "Sessions of Tarvix beta 5: 32\n" + table + "End\n");

    // The report settings stay with the window's section.
    list->close();
    Drain();
    EXPECT_EQ(Ini().ReadString("T-Mail.SessList", "RepHeader", ""), tpl);
    EXPECT_EQ(Ini().ReadInteger("T-Mail.SessList", "Codepage", -1), 0);
}

TEST_F(SessListTest, ColumnsHighlightsAndPlacementAreSavedOnCloseAndRestored)
{
    TChildForm* w = OpenTMail();
    ASSERT_NE(w, nullptr);
    w->GoToLine(70);
    // A value of a column number beyond the list, left from an earlier run, and the
    // log window's record of the open windows.
    Ini().WriteString("T-Mail.SessList", "Column7.Params", "5;Old;1;0;50;10;0;1");
    Ini().WriteBool("T-Mail.SessList", "Open", true);
    TSessListForm* list = OpenList(w);
    ASSERT_NE(list, nullptr);
    QHeaderView* header = list->Grid()->horizontalHeader();
    header->resizeSection(1, 150);
    // Dragging the system column to the front moves it in the column list.
    header->moveSection(2, 0);
    EXPECT_EQ(list->Columns().GetColumn(0).ColType, 4);
    EXPECT_EQ(list->Columns().GetColumn(1).ColType, 0);
    EXPECT_EQ(list->Columns().GetColumn(2).ColType, 3);
    EXPECT_EQ(header->visualIndex(0), 0);
    EXPECT_EQ(list->Model()->headerData(0, Qt::Horizontal).toString(), "System");
    EXPECT_EQ(list->Model()->index(6, 0).data().toString(), "Petrov Station");
    EXPECT_EQ(header->sectionSize(0), DefaultWidth(list, 120));
    EXPECT_EQ(header->sectionSize(2), 150);
    EXPECT_EQ(list->SelectedSession(), 6);
    list->Highlight().Add(TFidoAddr::CreateParse("2:5030/*", afMask));
    list->setGeometry(QRect(10, 20, 420, 250));
    list->close();
    Drain();

    const std::string section = "T-Mail.SessList";
    EXPECT_EQ(Ini().ReadInteger(section, "NumColumns", 0), 3);
    // The default columns are report columns; the widths are those of this grid
    // font, which the section names.
    const int digit = DigitWidth(ToQFont(Settings().GridFont));
    EXPECT_EQ(Ini().ReadInteger(section, "DigitWidth", 0), digit);
    EXPECT_EQ(Ini().ReadString(section, "Column0.Params", ""),
              "4;System;1;1;" + std::to_string((120 * digit + 5) / 6) + ";30;0;1");
    EXPECT_EQ(Ini().ReadString(section, "Column1.Params", ""),
              "0;Date/time;1;1;" + std::to_string((90 * digit + 5) / 6) + ";14;0;1");
    EXPECT_EQ(Ini().ReadString(section, "Column2.Params", ""), "3;Session;1;1;150;24;0;1");
    EXPECT_FALSE(Ini().ValueExists(section, "Column7.Params"));
    EXPECT_TRUE(Ini().ReadBool(section, "Open", false));
    EXPECT_EQ(Ini().ReadString(section, "NormPos", ""), "10,20,430,270");
    TAddrList stored(true, false);
    stored.LoadIni(Ini(), section, "Highlight");
    ASSERT_EQ(stored.Count(), 1);
    EXPECT_EQ(stored.GetAddr(0).Node, kAddrAny);
    EXPECT_EQ(stored.GetAddr(0).Net, 5030);

    list = OpenList(w);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->geometry(), QRect(10, 20, 420, 250));
    EXPECT_EQ(list->Model()->headerData(0, Qt::Horizontal).toString(), "System");
    EXPECT_EQ(list->Grid()->horizontalHeader()->sectionSize(2), 150);
    EXPECT_EQ(list->Highlight().Count(), 1);
    EXPECT_TRUE(list->Model()->index(6, 0).data(TSessListModel::kBoldRole).toBool());
    EXPECT_FALSE(list->Model()->index(0, 0).data(TSessListModel::kBoldRole).toBool());

    // Closing the log window records the list as open and saves it too.
    w->close();
    Drain();
    EXPECT_TRUE(Ini().ReadBool(section, "Open", false));
    EXPECT_EQ(Ini().ReadInteger(section, "NumColumns", 0), 3);
}

TEST_F(SessListTest, DamagedStoredSettingsGiveDefaults)
{
    // A column that cannot be read: the message, then the default columns.
    StoreColumns({"3;Node;1;1;80;20;7;0"});
    // A highlight list with an entry that is no address: the entries before it stay.
    Ini().WriteInteger("T-Mail.SessList", "HighlightCnt", 3);
    Ini().WriteString("T-Mail.SessList", "Highlight0", "2:463/45");
    Ini().WriteString("T-Mail.SessList", "Highlight1", "2:5030/x!");
    Ini().WriteString("T-Mail.SessList", "Highlight2", "2:5030/123");
    Ini().WriteString("T-Mail.SessList", "NormPos", "garbage");
    TChildForm* w = OpenTMail();
    ASSERT_NE(w, nullptr);
    TSessListForm* list = OpenList(w);
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(dialogs.Texts(), std::vector<std::string>{"TColumn.CreateIni: invalid Alignment value"});
    EXPECT_EQ(list->Columns().Count(), 3);
    EXPECT_EQ(list->Highlight().Count(), 1);
    list->close();
    Drain();

    // Too many columns, and a stored text that is no number.
    dialogs.shown.clear();
    Ini().EraseSection("T-Mail.SessList");
    Ini().WriteInteger("T-Mail.SessList", "NumColumns", 100000);
    list = OpenList(w);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(list->Columns().Count(), 3);
    list->close();
    Drain();
    dialogs.shown.clear();
    Ini().EraseSection("T-Mail.SessList");
    StoreColumns({"x;;;;;;;", std::string(5000, ';')});
    list = OpenList(w);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(list->Columns().Count(), 3);

    // A list without shown columns still follows the caret and finds sessions.
    for (int k = 0; k < list->Columns().Count(); ++k)
        list->Columns().GetColumn(k).ShowScr = false;
    list->LayOutGrid();
    EXPECT_EQ(list->Model()->columnCount(), 0);
    w->GoToLine(150);
    EXPECT_EQ(list->SelectedSession(), 13);
    list->NextSessWith();
    EXPECT_EQ(list->SelectedSession(), 13);
    list->AutosizeWindow();
    list->AutosizeColumn(0);
}

TEST_F(SessListTest, DragScrollingAutosizeAndTheHeaderMenu)
{
    TChildForm* w = OpenTMail();
    ASSERT_NE(w, nullptr);
    TSessListForm* list = OpenList(w);
    ASSERT_NE(list, nullptr);
    list->resize(420, 260);
    QTableView* grid = list->Grid();
    QScrollBar* bar = grid->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 5);
    bar->setValue(0);
    const int visible = BottomRow(list) - TopRow(list);
    ASSERT_GT(visible, 6);

    // The middle button grabs a row; the grabbed row follows the mouse.
    Mouse(list, QEvent::MouseButtonPress, RowY(list, 6), Qt::MiddleButton, Qt::MiddleButton);
    EXPECT_TRUE(list->Dragging());
    EXPECT_EQ(grid->viewport()->cursor().shape(), Qt::ClosedHandCursor);
    const int y = RowY(list, 2);
    Mouse(list, QEvent::MouseMove, y, Qt::NoButton, Qt::MiddleButton);
    EXPECT_EQ(bar->value(), 4);
    EXPECT_EQ(grid->rowAt(y), 6);
    // Not above the first row, not below the last.
    Mouse(list, QEvent::MouseMove, RowY(list, 10), Qt::NoButton, Qt::MiddleButton);
    EXPECT_EQ(bar->value(), 0);
    Mouse(list, QEvent::MouseButtonRelease, RowY(list, 10), Qt::MiddleButton, Qt::NoButton);
    EXPECT_FALSE(list->Dragging());
    EXPECT_NE(grid->viewport()->cursor().shape(), Qt::ClosedHandCursor);
    EXPECT_EQ(list->SelectedSession(), 0);  // dragging selects nothing

    // The right button with Ctrl drags as well; the header ends the drag.
    const QPoint at = grid->visualRect(list->Model()->index(8, 0)).center();
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), grid->viewport()->mapToGlobal(QPointF(at)),
                      Qt::RightButton, Qt::RightButton, Qt::ControlModifier);
    QApplication::sendEvent(grid->viewport(), &press);
    EXPECT_TRUE(list->Dragging());
    EXPECT_FALSE(list->RowMenu()->isVisible());
    Mouse(list, QEvent::MouseMove, -5, Qt::NoButton, Qt::RightButton);
    EXPECT_FALSE(list->Dragging());

    // The header menu works on the column clicked.
    QHeaderView* header = grid->horizontalHeader();
    const QPoint onSession(header->sectionViewportPosition(1) + 5, header->height() / 2);
    emit header->customContextMenuRequested(onSession);
    EXPECT_EQ(list->HeaderColumn(), 1);
    EXPECT_TRUE(list->HeaderMenu()->isVisible());
    list->HeaderMenu()->hide();
    EXPECT_EQ(list->MenuAction("MIAutosizeColumn")->text(), "Autosize &column");

    // Autosize: every text of the column fits, highlighted ones in bold, and no more.
    list->Highlight().Add(TFidoAddr::CreateParse("2:463/45", 0));
    header->resizeSection(1, 400);
    list->MenuAction("MIAutosizeColumn")->trigger();
    const int width = header->sectionSize(1);
    EXPECT_LT(width, 400);
    EXPECT_EQ(list->Columns().GetColumn(1).ScrWidth, width);
    QFont bold = grid->font();
    bold.setBold(true);
    int widest = 0;
    for (int row = 0; row < list->Model()->rowCount(); ++row) {
        const QString text = list->Model()->index(row, 1).data().toString();
        const QFontMetrics fm(list->Model()->Highlighted(row) ? bold : grid->font());
        widest = std::max(widest, fm.horizontalAdvance(text));
    }
    EXPECT_EQ(width, widest + 4);

    // Autosize the window: exactly as wide as its columns, kept inside the area.
    header->resizeSection(2, 60);
    list->move(area->viewport()->width() - 100, 10);
    list->MenuAction("MIAutosizeWindow")->trigger();
    EXPECT_EQ(grid->horizontalScrollBar()->maximum(), 0);
    EXPECT_GE(grid->viewport()->width(), header->length());
    EXPECT_LE(list->geometry().right(), area->viewport()->width());
    EXPECT_EQ(list->Columns().GetColumn(2).ScrWidth, 60);
    EXPECT_LT(list->width(), 420);
}

// A mailer whose log has one line per session start ("YYYY-MM-DD hh:mm:ss S n", n
// the node number of 2:5030/n) and one per session end ("... E").
class SyntheticLog : public TMailerLog {
public:
    SyntheticLog()
    {
        Name = "Synthetic";
        Style = lsBink;
        DatePos = 1;
        DateLen = 10;
        MsgCol = 21;
    }
    void ReadConfig() override {}
    TDateTime DateOfLine(std::string_view line) override
    {
        return EncodeDate(Num(line, 0, 4), Num(line, 5, 2), Num(line, 8, 2));
    }
    TDateTime TimeOfLine(std::string_view line) override
    {
        return DateOfLine(line) + EncodeTime(Num(line, 11, 2), Num(line, 14, 2), Num(line, 17, 2), 0);
    }
    void ParseMailerLine(std::string_view line) override
    {
        if (MsgIs(line, "S ")) {
            const int node = std::stoi(std::string(MsgAfter(line, "S ")));
            StartSession(line, node % 2 == 0);
            CurSess()->Addr = TFidoAddr(2, 5030, node, 0);
        } else if (MsgIs(line, "E")) {
            EndSession(line);
        }
    }

private:
    static int Num(std::string_view line, std::size_t pos, std::size_t len)
    {
        return std::stoi(std::string(line.substr(pos, len)));
    }
};

TEST_F(SessListTest, AHundredThousandSessionsOpenAndScrollWithoutMakingEveryRow)
{
    constexpr int kSessions = 100000;
    constexpr int kPerDay = 1000;
    std::string text;
    text.reserve(static_cast<std::size_t>(kSessions) * 56);
    char line[64];
    for (int i = 0; i < kSessions; ++i) {
        const int day = i / kPerDay, second = (i % kPerDay) * 80;
        const int month = 1 + day / 28, mday = 1 + day % 28;
        std::snprintf(line, sizeof line, "2003-%02d-%02d %02d:%02d:%02d S %d\r\n", month, mday, second / 3600,
                      second / 60 % 60, second % 60, i % 3000);
        text += line;
        const int end = second + 30;
        std::snprintf(line, sizeof line, "2003-%02d-%02d %02d:%02d:%02d E\r\n", month, mday, end / 3600,
                      end / 60 % 60, end % 60);
        text += line;
    }
    SyntheticLog log;
    test::QuietWindow window;
    log.Window = &window;
    log.PumpMillis = 1000000;
    log.SetText(std::move(text));
    ASSERT_TRUE(log.Analyse({}));
    log.ReleaseFile();
    ASSERT_EQ(log.SessCount(), static_cast<std::size_t>(kSessions));

    TSessListForm* list = OpenSessList(area, &log, 2 * 50000 + 1);
    ASSERT_NE(list, nullptr);
    TSessListModel* model = list->Model();
    EXPECT_EQ(model->rowCount(), kSessions);
    EXPECT_EQ(list->SelectedSession(), 50000);
    EXPECT_EQ(TopRow(list), 50000);
    list->grab();
    const std::size_t shown = model->TextsBuilt();
    EXPECT_GT(shown, 0u);
    EXPECT_LT(shown, 2000u);

    // Scrolling through pages and to the end makes only the rows shown.
    QScrollBar* bar = list->Grid()->verticalScrollBar();
    for (int value : {0, 25000, 99000, bar->maximum()}) {
        bar->setValue(value);
        list->grab();
    }
    EXPECT_LT(model->TextsBuilt(), 10000u);
    EXPECT_EQ(BottomRow(list), kSessions - 1);

    list->SelectSession(kSessions - 1);
    EXPECT_EQ(list->SelectedSession(), kSessions - 1);
    EXPECT_EQ(list->StatusText(), "16 Apr: 1000 sessions, 1000 successful");
    list->GoToSession(50000);
    EXPECT_EQ(window.wentTo, 2 * 50000 + 1);
    list->PrevSessWith();  // 2:5030/999 again, 3000 sessions before
    EXPECT_EQ(list->SelectedSession(), kSessions - 1 - 3000);
    EXPECT_LT(model->TextsBuilt(), 12000u);
    list->close();
    Drain();
}

TEST_F(SessListTest, TheInterfaceLanguageRenamesTheWindow)
{
    TChildForm* w = OpenTMail();
    ASSERT_NE(w, nullptr);
    w->GoToLine(70);
    TSessListForm* list = OpenList(w);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->Button("BtnWrite")->toolTip(), "Write report (F2)");
    EXPECT_EQ(list->TypeNames().size(), kSessColumnTypes);
    EXPECT_EQ(list->TypeNames().front(), "Date/time");
    EXPECT_EQ(list->TypeNames()[16], "CPS");
    EXPECT_EQ(list->TypeNames().back(), "Location");  // named by its key
    LoadLng(kSourceDir + "/lng/QZ_Rus.lng");
    NotifyLanguageChanged();
    EXPECT_EQ(list->windowTitle(), QString::fromUtf8("Сеансы - T-Mail"));
    EXPECT_EQ(list->Button("BtnWrite")->toolTip(), QString::fromUtf8("Записать отчёт (F2)"));
    EXPECT_EQ(list->StatusText(), QString::fromUtf8("30 Апр: сеансов 8, успешных 5"));
    EXPECT_EQ(list->TypeNames().front(), QString::fromUtf8("Дата/время"));
    EXPECT_EQ(list->TypeNames().back(), QString::fromUtf8("Местоположение"));
}

}  // namespace
}  // namespace tarvix
