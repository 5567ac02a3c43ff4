// The session list on a copy of the T-Mail sample (analysed in a log window): it
// follows the log window's caret and moves it, writes its report and takes damaged
// stored settings; the address search dialog and the list's search with it; the
// column setup dialog and applying its result in the list (F10).

#include "engine/SessColumns.h"
#include "platform/CodePage.h"
#include "ui/AddressSearch.h"
#include "ui/ListWindow.h"
#include "ui/RadioGroup.h"
#include "ui/ColumnSetup.h"
#include "ui/SessListModel.h"

#include "SessListFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>

namespace tarvix {
namespace {

using namespace tarvix::test;

class SessListTest : public SessListFixture {
protected:
    void TearDown() override
    {
        AddrSearchHistory().Clear();
        SessListFixture::TearDown();
    }

    // Searches as the dialog would hand it over.
    static bool Search(TSessListForm* list, const char* text, int origin, int direction)
    {
        list->Search().Addr = TFidoAddr::CreateParse(text, kSearchParseFlags);
        list->Search().Origin = origin;
        list->Search().Direction = direction;
        return list->SearchAddress();
    }
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

    static int BottomRow(TSessListForm* list)
    {
        QTableView* grid = list->Grid();
        return grid->rowAt(grid->viewport()->height() - 1);
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
    EXPECT_EQ(list->Model()->rowCount(), 32);
    EXPECT_EQ(list->Grid()->currentIndex().row(), 6);
    EXPECT_EQ(list->StatusText(), "30 Apr: 8 sessions, 5 successful");
    // The default columns: start time, session, system.
    ASSERT_EQ(list->Model()->columnCount(), 3);
    // Widths made for a 6-pixel digit, scaled up to the grid font's digit.
    const int digit = DigitWidth(list->Grid()->font());
    EXPECT_EQ(list->Grid()->horizontalHeader()->sectionSize(0), (90 * digit + 5) / 6);
    EXPECT_EQ(list->Grid()->horizontalHeader()->sectionSize(2), (120 * digit + 5) / 6);
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
    EXPECT_EQ(list->StatusText(), "02 May: 4 sessions, 4 successful");
    list->GoToSession(5);
    EXPECT_EQ(w->View()->CaretLine(), 57);
    EXPECT_EQ(list->SelectedSession(), 20);  // only the log window moved
    list->GoToSession(32);  // no such session
    EXPECT_EQ(w->View()->CaretLine(), 57);

    SaveScreenshot(list, "TSessListForm");

    // Esc closes the list; the log window forgets it.
    QPointer<TSessListForm> guard(list);
    SendKey(list->Grid(), Qt::Key_Escape);
    Drain();
    EXPECT_TRUE(guard.isNull());
    EXPECT_EQ(w->AnalysisWindow(TAnalysisKind::SessList), nullptr);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(SessListTest, TheReportWrittenWithF2MatchesTheTableLayout)
{
    TChildForm* w = OpenTMail();
    ASSERT_NE(w, nullptr);
    TSessListForm* list = OpenList(w);
    ASSERT_NE(list, nullptr);
    list->close();
    Drain();

    // Date and time, the session, a one-character password column hidden on screen,
    // the bytes sent without a line after them, and the sysop.
    StoreColumns({"0;Date/time;1;1;90;14;0;1", "3;Session;1;1;90;16;0;1", "9;P;0;1;40;1;2;1",
                  "14;Bytes sent;1;1;80;10;1;0", "5;SysOp;1;1;100;13;0;1"});
    Ini().WriteInteger("T-Mail.SessList", "Codepage", TReportSettings::cpOem);  // the data file's page
    list = OpenList(w);
    ASSERT_NE(list, nullptr);
    const std::string target = *temp / "sessions.rpt";
    int runs = 0;
    SetModalRunner([&](QDialog& d) {
        ++runs;
        auto& dialog = dynamic_cast<QFileDialog&>(d);
        EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptSave);
        dialog.selectFile(QString::fromStdString(target));
        return int(QDialog::Accepted);
    });
    SendKey(list->Grid(), Qt::Key_F2);
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(list->ReportSettings().FileName, target);
    EXPECT_EQ(ReadBytes(target), ReadBytes(kSourceDir + "/tests/ui/data/SessListReport.txt"));

    // A template that cannot be read, or a file that cannot be written: an error box.
    std::filesystem::remove(target);
    dialogs.shown.clear();
    list->ReportSettings().RepHeader = *temp / "missing.tpl";
    EXPECT_FALSE(list->WriteReportTo(target));
    EXPECT_FALSE(std::filesystem::exists(target));
    list->ReportSettings().RepHeader.clear();
    EXPECT_FALSE(list->WriteReportTo(*temp / "no-such-dir/r.txt"));
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[1].type, TMsgDlgType::mtError);
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

    // A stored text that is no number.
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

TFidoAddr Addr(const char* text) { return TFidoAddr::CreateParse(text, afMask); }

class AddrSearchDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        UnloadLng();
        LoadLng(kSourceDir + "/lng/QZ_Eng.lng");
        SetDialogs(&dialogs);
        SetMainAddr(TFidoAddr(2, 5030, 999, 999));
        ClearAliases();
        AddAlias(TFidoAddr(2, 5030, 123, 0), "Petrov");
    }
    void TearDown() override
    {
        SetModalRunner({});
        SetDialogs(nullptr);
        ClearAliases();
        ClearMainAddr();
    }
    RecordingDialogs dialogs;
};

TEST_F(AddrSearchDialogTest, ShowsTheLastSearchAndAnInvalidTextKeepsItOpenWhicheverButtonIsPressed)
{
    TAddrList history(true, false);
    history.Add(Addr("2:463/45"));
    TAddrSearch current;
    current.Addr = Addr("2:5030/123");
    current.Origin = kSearchFromCursor;
    current.Direction = kSearchBackward;
    TAddrSearchForm form(history, current);
    EXPECT_EQ(form.AddrCombo()->itemText(0), "2:463/45");
    EXPECT_EQ(form.AddrCombo()->currentText(), "2:5030/123");
    EXPECT_EQ(form.Origin(), kSearchFromCursor);
    EXPECT_EQ(form.Direction(), kSearchBackward);
    form.show();
    SaveScreenshot(&form, "TAddrSearchForm");
    int finished = 0;
    QObject::connect(&form, &QDialog::finished, [&] { ++finished; });
    for (const char* bad : {"2:5030/x", "Nobody", "1:2:3", "2:99999/1", "2:5030/1.1.1", "/"}) {
        form.AddrCombo()->setEditText(bad);
        form.OkButton()->click();
        form.CancelButton()->click();
        form.reject();  // the close box
        EXPECT_EQ(finished, 0) << bad;
        EXPECT_TRUE(form.isVisible()) << bad;
        EXPECT_EQ(form.AddrCombo()->lineEdit()->selectedText(), bad);
    }
    ASSERT_EQ(dialogs.shown.size(), 18u);
    EXPECT_EQ(dialogs.shown[0].text, "Invalid address or mask.");
    EXPECT_EQ(dialogs.shown[0].type, TMsgDlgType::mtError);
    // Emptied (blanks only), the field lets the dialog close.
    form.AddrCombo()->setEditText("   ");
    form.CancelButton()->click();
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(form.result(), QDialog::Rejected);
}

TEST_F(SessListTest, SearchForwardBackwardFromTheCursorWithMasksAliasesAndAll)
{
    TChildForm* w = OpenTMail();
    ASSERT_NE(w, nullptr);
    TSessListForm* list = OpenList(w);
    ASSERT_NE(list, nullptr);

    // 2:5030/* is in sessions 5, 6, 7, 9, 11, 18, 25, 26, 27, 29 and 31.
    ASSERT_TRUE(Search(list, "2:5030/*", kSearchGlobal, kSearchForward));
    EXPECT_EQ(list->SelectedSession(), 5);
    EXPECT_EQ(w->View()->CaretLine(), 57);
    std::vector<long> found;
    while (Search(list, "2:5030/*", kSearchFromCursor, kSearchForward))
        found.push_back(list->SelectedSession());
    EXPECT_EQ(found, (std::vector<long>{6, 7, 9, 11, 18, 25, 26, 27, 29, 31}));
    // Past the last one: the message, and the list stays.
    ASSERT_EQ(dialogs.Texts(), std::vector<std::string>{"No matching address was found."});
    EXPECT_EQ(dialogs.shown[0].type, TMsgDlgType::mtInformation);
    EXPECT_EQ(list->SelectedSession(), 31);
    EXPECT_EQ(w->View()->CaretLine(), 341);

    ASSERT_TRUE(Search(list, "2:5030/*", kSearchFromCursor, kSearchBackward));
    EXPECT_EQ(list->SelectedSession(), 29);
    ASSERT_TRUE(Search(list, "2:5030/*", kSearchGlobal, kSearchBackward));
    EXPECT_EQ(list->SelectedSession(), 31);

    // ALL: every session with an address (2 and 3 have none).
    ASSERT_TRUE(Search(list, "ALL", kSearchGlobal, kSearchForward));
    EXPECT_EQ(list->SelectedSession(), 0);
    ASSERT_TRUE(Search(list, "ALL", kSearchFromCursor, kSearchForward));
    ASSERT_TRUE(Search(list, "ALL", kSearchFromCursor, kSearchForward));
    EXPECT_EQ(list->SelectedSession(), 4);

    // An alias of the T-Mail configuration: Kiev is 2:463/45 (10, 12, 14, 15, 22).
    ASSERT_TRUE(Search(list, "Kiev", kSearchGlobal, kSearchBackward));
    EXPECT_EQ(list->SelectedSession(), 22);
    ASSERT_TRUE(Search(list, "kiev", kSearchFromCursor, kSearchBackward));
    EXPECT_EQ(list->SelectedSession(), 15);
    // A point is not its node.
    dialogs.shown.clear();
    EXPECT_FALSE(Search(list, "2:463/45.1", kSearchGlobal, kSearchForward));
    EXPECT_FALSE(Search(list, "3:*/*", kSearchGlobal, kSearchBackward));
    EXPECT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(list->SelectedSession(), 15);
    // From the first row backwards there is nothing before it.
    ASSERT_TRUE(Search(list, "ALL", kSearchGlobal, kSearchForward));
    EXPECT_FALSE(Search(list, "ALL", kSearchFromCursor, kSearchBackward));
    EXPECT_EQ(list->SelectedSession(), 0);
}

class SLSetupTest : public SessListFixture {
protected:
    void SetUp() override
    {
        SessListFixture::SetUp();
        DefaultSessColumns(columns);
        for (int t = 0; t < kSessColumnTypes; ++t)
            typeNames << QString::fromStdString(LGet(static_cast<std::size_t>(kSessColumnNameText + t)));
    }

    std::unique_ptr<TSLSetupForm> Dialog(int select = 0)
    {
        return std::make_unique<TSLSetupForm>("Session list setup", typeNames, CreateSessColumn, columns, highlight,
                                              report, select);
    }

    // Key presses with their characters, as typing sends them.
    static void Type(QWidget* target, const QString& text)
    {
        for (QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(target, &press);
        }
    }

    static QStringList Items(const TSLSetupForm& d)
    {
        QStringList items;
        for (int i = 0; i < d.ColumnList()->count(); ++i)
            items << d.ColumnList()->item(i)->text();
        return items;
    }

    TColumnList columns;
    TAddrList highlight{true, false};
    TReportSettings report;
    QStringList typeNames;
};

TEST_F(SLSetupTest, RemovingAddingAndMovingRenumberTheItems)
{
    auto d = Dialog(0);
    d->show();
    for (int page : {TSLSetupForm::pgColumns, TSLSetupForm::pgHighlight, TSLSetupForm::pgReport}) {
        d->Pages()->setCurrentIndex(page);
        SaveScreenshot(d.get(), "TSLSetupForm-" + d->Pages()->tabText(page));
    }
    EXPECT_EQ(Items(*d), QStringList({"0 - Date/time", "1 - Session", "2 - System"}));
    EXPECT_FALSE(d->ColumnsChanged());
    d->RemoveColumn();
    EXPECT_EQ(Items(*d), QStringList({"0 - Session", "1 - System"}));
    // Nothing is selected: the properties are disabled.
    EXPECT_FALSE(d->HeadingEdit()->isEnabled());

    // Insert in the list adds a column with the defaults, selected.
    SendKey(d->ColumnList(), Qt::Key_Insert);
    EXPECT_EQ(Items(*d), QStringList({"0 - Session", "1 - System", "2 - "}));
    EXPECT_EQ(d->Selected(), 2);
    EXPECT_EQ(d->ScrWidthEdit()->text(), "100");
    // Dropping an item on another moves it there; below the last item, to the end.
    d->MoveColumn(2, 0);
    EXPECT_EQ(Items(*d), QStringList({"0 - ", "1 - Session", "2 - System"}));
    d->MoveColumn(0, 99);
    EXPECT_EQ(Items(*d), QStringList({"0 - Session", "1 - System", "2 - "}));
    EXPECT_TRUE(d->ColumnsChanged());
    TColumnList edited = d->TakeColumns();
    ASSERT_EQ(edited.Count(), 3);
    EXPECT_EQ(edited.GetColumn(0).ColType, 3);
    EXPECT_NE(dynamic_cast<TSLColumn*>(&edited.GetColumn(2)), nullptr);
}

TEST_F(SLSetupTest, WidthFieldsTakeDigitsOnlyTypesNameEmptyHeadingsAndTheHighlightListIsCheckedOnOk)
{
    auto d = Dialog(1);
    Type(d->ScrWidthEdit(), "x");
    EXPECT_EQ(d->ScrWidthEdit()->text(), "90");
    d->ScrWidthEdit()->clear();
    Type(d->ScrWidthEdit(), "1a5");
    EXPECT_EQ(d->ScrWidthEdit()->text(), "15");
    EXPECT_EQ(d->Column(1).ScrWidth, 15);
    // A field emptied keeps the stored width.
    d->FileWidthEdit()->selectAll();
    SendKey(d->FileWidthEdit(), Qt::Key_Backspace);
    EXPECT_EQ(d->Column(1).FileWidth, 24);

    // A heading that is set stays; an empty one takes the type's name.
    d->TypeCombo()->activated(5);
    EXPECT_EQ(d->Column(1).ColType, 5);
    EXPECT_EQ(d->Column(1).Heading, "Session");
    d->HeadingEdit()->selectAll();
    SendKey(d->HeadingEdit(), Qt::Key_Backspace);
    EXPECT_EQ(Items(*d).at(1), "1 - ");
    d->TypeCombo()->activated(15);
    EXPECT_EQ(d->HeadingEdit()->text(), "Bytes received");

    d->HighlightMemo()->setPlainText("2:5020/*\n!2:5020/1\n\nno address\n");
    d->done(QDialog::Accepted);
    EXPECT_EQ(d->result(), QDialog::Rejected) << "stays open";
    EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{"Invalid address or mask in the highlight list."});
    EXPECT_EQ(d->Pages()->currentIndex(), TSLSetupForm::pgHighlight);
    EXPECT_EQ(d->HighlightMemo()->textCursor().selectedText(), "no address");

    // "!" and a valid mask pass; empty lines are skipped.
    d->HighlightMemo()->setPlainText("2:5020/*\n!2:5020/1\n\n");
    EXPECT_EQ(d->InvalidHighlightLine(), -1);
    EXPECT_EQ(d->HighlightLines(), (std::vector<std::string>{"2:5020/*", "!2:5020/1"}));
    // Cancel leaves without the check.
    d->HighlightMemo()->setPlainText("garbage");
    dialogs.shown.clear();
    d->done(QDialog::Rejected);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(SLSetupTest, F10InTheSessionListAddsColumnsAndCancelKeepsThem)
{
    TChildForm* w = OpenTMail();
    ASSERT_NE(w, nullptr);
    TSessListForm* list = OpenList(w);
    ASSERT_NE(list, nullptr);

    // Cancel after removing a column keeps it.
    SetModalRunner([](QDialog& d) {
        dynamic_cast<TSLSetupForm&>(d).RemoveColumn();
        return int(QDialog::Rejected);
    });
    SendKey(list->Grid(), Qt::Key_F10);
    EXPECT_EQ(list->Columns().Count(), 3);

    // OK with the SysOp and Bytes received columns added, and a highlight.
    SetModalRunner([](QDialog& d) {
        auto& setup = dynamic_cast<TSLSetupForm&>(d);
        // A fresh settings file writes UTF-8 reports.
        EXPECT_EQ(setup.CodepageGroup()->ItemIndex(), TReportSettings::cpUtf8);
        for (int type : {5, 15}) {
            setup.AddColumn();
            setup.TypeCombo()->activated(type);
        }
        // The sysop goes into reports too.
        setup.SelectColumn(3);
        setup.findChild<QCheckBox*>("ChkFile")->click();
        setup.HighlightMemo()->setPlainText("2:5020/*");
        setup.done(QDialog::Accepted);
        return setup.result();
    });
    list->Button("BtnSLSetup")->click();
    ASSERT_EQ(list->Model()->columnCount(), 5);
    EXPECT_EQ(list->Model()->headerData(4, Qt::Horizontal).toString(), "Bytes received");
    EXPECT_EQ(list->Highlight().Count(), 1);
    SaveScreenshot(list, "TSessListForm-F10");

    // F2 writes a UTF-8 report of the default columns and the sysop.
    const std::string target = *temp / "sessions.txt";
    SetModalRunner([&](QDialog& d) {
        dynamic_cast<QFileDialog&>(d).selectFile(QString::fromStdString(target));
        return int(QDialog::Accepted);
    });
    SendKey(list->Grid(), Qt::Key_F2);
    const std::string report = ReadBytes(target);
    EXPECT_TRUE(IsValidUtf8(report));
    const std::size_t start = report.find('\n') + 1;
    const std::string heading = report.substr(start, report.find('\n', start) - start);
    EXPECT_NE(heading.find("SysOp"), std::string::npos) << heading;
    EXPECT_EQ(heading.find("Bytes received"), std::string::npos) << heading;
    EXPECT_NE(report.find("\u2502Natalia Ku\u2502"), std::string::npos);
}

}  // namespace
}  // namespace tarvix
