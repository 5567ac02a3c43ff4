// The side-file windows of the frame's T-Mail and Argus menus over copies of the
// sample installations: each opens from its menu with the sample file's rows, and
// sorting, finding a node, choosing a line, stepping by day, the report and the
// clearing of a node's request amounts work on them.
#include "engine/LogStyles.h"
#include "fido/Dialogs.h"
#include "fido/Lng.h"
#include "platform/FileRead.h"
#include "settings/SettingsStore.h"
#include "ui/FreqLim.h"
#include "ui/History.h"
#include "ui/MainFrame.h"
#include "ui/ModalHook.h"
#include "ui/Traffic.h"

#include "TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QMdiArea>
#include <QTableView>
#include <QToolButton>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>

namespace tarvix {
namespace {

namespace fs = std::filesystem;

// Answers the questions with the texts queued, and every message with `answer`.
struct Answers : TDialogs {
    std::vector<std::string> inputs;
    std::vector<TDialogRequest> shown;
    int answer = mrOk;
    int MessageDlg(const TDialogRequest& r) override
    {
        shown.push_back(r);
        return answer;
    }
    bool InputQuery(const std::string&, const std::string&, std::string& value) override
    {
        if (inputs.empty())
            return false;
        value = inputs.front();
        inputs.erase(inputs.begin());
        return true;
    }
};

class SideFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegisterGenericLogStyles();
        fs::copy(TARVIX_SOURCE_DIR "/samples/tmail", dir / "tmail", fs::copy_options::recursive);
        fs::copy(TARVIX_SOURCE_DIR "/samples/argus", dir / "argus", fs::copy_options::recursive);
        const std::string ini = temp / "Tarvix.ini";
        std::ofstream(ini) << "[General]\nNumLogs=2\nMainAddr=2:5020/52\n[Log1]\nName=T-Mail\nPath="
                           << (dir / "tmail" / "t-mail.log").string() << "\nStyle=1\nMailerPath="
                           << (dir / "tmail").string() << "\nTMVersion=2604\nTaskNo=1\n[Log2]\nName=Argus\nPath="
                           << (dir / "argus" / "argus-3131.log").string() << "\nStyle=8\n";
        SetDialogs(&answers);
        frame = std::make_unique<TFrameForm>(std::vector<std::string>{}, ini);
        frame->show();
        QApplication::processEvents();
        answers.shown.clear();
        LoadLng("QZ_Eng.lng");
    }
    void TearDown() override
    {
        frame.reset();
        SetDialogs(nullptr);
    }

    // Opens a window from its menu item.
    template <typename Form>
    Form* Open(const char* item)
    {
        frame->findChild<QAction*>(item)->trigger();
        QApplication::processEvents();
        auto* sub = frame->MdiArea()->activeSubWindow();
        return dynamic_cast<Form*>(sub);
    }

    test::TempDir temp;
    fs::path dir = temp.path;
    Answers answers;
    std::unique_ptr<TFrameForm> frame;
};

TEST_F(SideFileTest, TrafficShowsTheSampleSortsFindsAndChangesLine)
{
    auto* t = Open<TTrafficForm>("MITraffic");
    ASSERT_NE(t, nullptr);
    const TTrafficFile sample = TTrafficFile::Read((dir / "tmail").string(), 1, 2604);
    ASSERT_EQ(t->Model()->rowCount(), static_cast<int>(sample.Records.size()) + 1);
    EXPECT_EQ(t->Model()->Text(t->Model()->rowCount() - 1, 3).toStdString(), TrafficTotalCell(sample.Total, 3));
    test::SaveScreenshot(t, "TTrafficForm");
    // The menu item again brings the same window to the front.
    EXPECT_EQ(Open<TTrafficForm>("MITraffic"), t);

    // A node stays selected when the order changes; a heading click sorts by it.
    answers.inputs = {"2:5030/456"};
    t->Find();
    ASSERT_EQ(t->Model()->Text(t->SelectedRow(), 0), "2:5030/456");
    t->Grid()->horizontalHeader()->sectionClicked(0);
    EXPECT_EQ(t->SortOrder(), tsAddress);
    EXPECT_EQ(t->Model()->Text(t->SelectedRow(), 0), "2:5030/456");
    EXPECT_EQ(t->Model()->Text(0, 0), "2:450/20");
    answers.inputs = {"3:*/*"};
    t->Find();
    EXPECT_EQ(answers.shown.back().text, LGet(37));

    // Lines 0 and 256 are refused; a line without a file keeps the old one.
    for (const char* bad : {"0", "256", "x"}) {
        answers.inputs = {bad};
        t->SelectLine();
        EXPECT_EQ(answers.shown.back().text, Fmt(48, {bad}));
    }
    answers.inputs = {"2"};
    t->SelectLine();
    EXPECT_EQ(t->Line(), 1);
    EXPECT_NE(answers.shown.back().text.find("t-mail.s02"), std::string::npos);

    // The report (Ctrl+S): the heading, one line per node, the totals.
    const std::string report = temp / "traffic.txt";
    SetModalRunner([&](QDialog& d) {
        dynamic_cast<QFileDialog&>(d).selectFile(QString::fromStdString(report));
        return int(QDialog::Accepted);
    });
    QKeyEvent ctrlS(QEvent::KeyPress, Qt::Key_S, Qt::ControlModifier);
    QApplication::sendEvent(t->Grid(), &ctrlS);
    SetModalRunner({});
    const std::string text = ReadWholeFile(report);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), static_cast<long>(sample.Records.size()) + 9);
    EXPECT_NE(text.find("T-MAIL.S01"), std::string::npos);
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(t->Grid(), &esc);
    QApplication::processEvents();
    EXPECT_EQ(Settings().TrafficSort, tsAddress);
}

TEST_F(SideFileTest, HistoriesOfTMailAndArgusStepByDay)
{
    auto* h = Open<THistoryForm>("MIHistory");
    ASSERT_NE(h, nullptr);
    const THistoryFile sample = THistoryFile::ReadTMail((dir / "tmail").string(), 1, 2604);
    ASSERT_EQ(h->Model()->rowCount(), static_cast<int>(sample.Records.size()));
    EXPECT_EQ(h->SelectedRow(), h->Model()->rowCount() - 1);
    test::SaveScreenshot(h, "THistoryForm.T-Mail");
    // Back a day: the last session of the day before; forward again: the first of the last day.
    const std::int64_t lastDay = sample.Records.back().Day();
    h->PrevDay();
    const int prev = h->SelectedRow();
    EXPECT_EQ(sample.Records[static_cast<std::size_t>(prev)].Day(), lastDay - 1);
    EXPECT_EQ(sample.Records[static_cast<std::size_t>(prev) + 1].Day(), lastDay);
    EXPECT_NE(h->StatusText().indexOf(QStringLiteral("sessions")), -1);
    h->NextDay();
    EXPECT_EQ(h->SelectedRow(), prev + 1);
    h->RowMenu()->aboutToShow();
    EXPECT_FALSE(h->MenuAction("MINextDay")->isEnabled());
    EXPECT_TRUE(h->MenuAction("MIPrevDay")->isEnabled());

    auto* a = Open<THistoryForm>("MIBinaryLog");
    ASSERT_NE(a, nullptr);
    ASSERT_NE(a, h);
    EXPECT_TRUE(a->Argus());
    EXPECT_EQ(a->Model()->rowCount(), static_cast<int>(fs::file_size(dir / "argus" / "binary_log") / 28));
    EXPECT_EQ(a->Model()->Text(0, 1), "1:261/38");
    EXPECT_FALSE(a->MenuAction("MILine")->isEnabled());
    EXPECT_FALSE(a->Button("BtnLine")->isVisible());
    EXPECT_TRUE(h->Button("BtnLine")->isVisible());
    test::SaveScreenshot(a, "THistoryForm.Argus");
}

TEST_F(SideFileTest, FreqLimitsClearsOneNodeAfterTheQuestion)
{
    auto* f = Open<TFreqLimForm>("MIFreqLim");
    ASSERT_NE(f, nullptr);
    const std::string path = (dir / "tmail" / "freqlim.bin").string();
    const std::string before = ReadWholeFile(path);
    ASSERT_EQ(f->Model()->rowCount(), static_cast<int>(before.size() / 72));
    test::SaveScreenshot(f, "TFreqLimForm");

    f->SortBy(fsSize);
    answers.inputs = {"2:5030/123"};
    f->Find();
    const TFreqLimEntry chosen = f->File().Entries[static_cast<std::size_t>(f->SelectedRow())];
    answers.answer = mrCancel;
    f->ClearSelected();
    EXPECT_EQ(ReadWholeFile(path), before);
    answers.answer = mrOk;
    QKeyEvent ctrlC(QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier);
    QApplication::sendEvent(f->Grid(), &ctrlC);
    // The node is last by size now, still selected; only its daily amounts changed.
    EXPECT_EQ(f->SelectedRow(), f->Model()->rowCount() - 1);
    EXPECT_EQ(f->Model()->Text(f->SelectedRow(), 0), "2:5030/123");
    std::string expected = before;
    expected.replace((chosen.Number - 1) * 72 + 8, 60, 60, '\0');
    EXPECT_EQ(ReadWholeFile(path), expected);

    // T-Mail rewrote the file meanwhile: nothing is written, the window shows the new file.
    WriteFileAtomic(path, before.substr(72));
    f->SelectRow(static_cast<int>(f->File().Entries.size()) - 1);
    f->ClearSelected();
    EXPECT_EQ(ReadWholeFile(path), before.substr(72));
    EXPECT_EQ(f->Model()->rowCount(), static_cast<int>(before.size() / 72) - 1);

    // Another interface language reaches the open window.
    LoadLng("QZ_Rus.lng");
    QEvent change(QEvent::LanguageChange);
    QApplication::sendEvent(f, &change);
    EXPECT_EQ(f->windowTitle().toStdString(), LGetS("FreqLim.Caption"));
    EXPECT_EQ(f->MenuAction("MIClear")->text().toStdString(), "&Обнулить");
    LoadLng("QZ_Eng.lng");
}

}  // namespace
}  // namespace tarvix
