// The column setup dialog: editing the column copies, the closing check of the
// highlight list, and applying the result in the session list (F10).
#include "engine/SessColumns.h"
#include "platform/CodePage.h"
#include "ui/FileEdit.h"
#include "ui/ListWindow.h"
#include "ui/RadioGroup.h"
#include "ui/ColumnSetup.h"
#include "ui/SessListModel.h"

#include "SessListFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTabWidget>

namespace tarvix {
namespace {

using namespace tarvix::test;

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
    // Nothing is selected: the properties are empty and disabled.
    EXPECT_EQ(d->Selected(), -1);
    EXPECT_FALSE(d->HeadingEdit()->isEnabled());
    EXPECT_TRUE(d->HeadingEdit()->text().isEmpty());

    // Insert in the list adds a column with the defaults, selected.
    SendKey(d->ColumnList(), Qt::Key_Insert);
    EXPECT_EQ(Items(*d), QStringList({"0 - Session", "1 - System", "2 - "}));
    EXPECT_EQ(d->Selected(), 2);
    EXPECT_EQ(d->ScrWidthEdit()->text(), "100");
    // Dropping an item on another moves it there; below the last item, to the end.
    d->MoveColumn(2, 0);
    EXPECT_EQ(Items(*d), QStringList({"0 - ", "1 - Session", "2 - System"}));
    d->MoveColumn(1, 99);
    EXPECT_EQ(Items(*d), QStringList({"0 - ", "1 - System", "2 - Session"}));
    d->MoveColumn(0, 99);
    EXPECT_EQ(Items(*d), QStringList({"0 - System", "1 - Session", "2 - "}));
    EXPECT_TRUE(d->ColumnsChanged());
    TColumnList edited = d->TakeColumns();
    ASSERT_EQ(edited.Count(), 3);
    EXPECT_EQ(edited.GetColumn(1).ColType, 3);
    EXPECT_NE(dynamic_cast<TSLColumn*>(&edited.GetColumn(2)), nullptr);
}

TEST_F(SLSetupTest, WidthFieldsTakeDigitsOnlyAndTypesNameEmptyHeadings)
{
    auto d = Dialog(1);
    Type(d->ScrWidthEdit(), "x");
    EXPECT_EQ(d->ScrWidthEdit()->text(), "90");
    EXPECT_EQ(d->Column(1).ScrWidth, 90);
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
    d->TypeCombo()->setCurrentIndex(5);
    EXPECT_EQ(d->Column(1).ColType, 5);
    EXPECT_EQ(d->Column(1).Heading, "Session");
    d->HeadingEdit()->selectAll();
    SendKey(d->HeadingEdit(), Qt::Key_Backspace);
    EXPECT_EQ(Items(*d).at(1), "1 - ");
    d->TypeCombo()->activated(15);
    EXPECT_EQ(d->Column(1).Heading, "Bytes received");
    EXPECT_EQ(d->HeadingEdit()->text(), "Bytes received");
}

TEST_F(SLSetupTest, TheHighlightListIsCheckedOnOk)
{
    auto d = Dialog(0);
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
        auto& setup = dynamic_cast<TSLSetupForm&>(d);
        EXPECT_EQ(setup.windowTitle(), "Session list setup");
        setup.RemoveColumn();
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
    EXPECT_EQ(list->Model()->headerData(3, Qt::Horizontal).toString(), "SysOp");
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
    // Header, 32 sessions, the lines between days, the frame.
    EXPECT_GT(std::count(report.begin(), report.end(), '\n'), 35);
}

}  // namespace
}  // namespace tarvix
