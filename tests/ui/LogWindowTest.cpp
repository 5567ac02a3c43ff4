// The log window on copies of the sample installations: reading and analysing,
// navigation by day and session, the day list, find, copy and save, the error-line
// dialog, stopping and closing during the analysis, cutting on close, damaged files;
// the goto-line dialog, which closes only on a number it takes.

#include "SessListFixture.h"

#include "engine/BinkLog.h"
#include "ui/FindBar.h"
#include "ui/GotoLine.h"
#include "ui/LogFollow.h"
#include "ui/SessList.h"
#include "ui/SessListModel.h"
#include <QCheckBox>
#include <QLabel>

#include <QClipboard>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QRadioButton>
#include <QPushButton>

#include <cstring>
#include <filesystem>
#include <fstream>

namespace tarvix {
namespace {

namespace fs = std::filesystem;
using namespace tarvix::test;

const std::string kSource = TARVIX_SOURCE_DIR;

void WriteFileBytes(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }
void DeleteClosedWindows() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

// A log window whose turns during the analysis run a test's action.
class ScriptedWindow : public TChildForm {
public:
    using TChildForm::TChildForm;
    std::function<void(ScriptedWindow&, int turn)> onTurn;
    int turns = 0;
    void ProcessMessages() override
    {
        ++turns;
        if (onTurn)
            onTurn(*this, turns);
        TChildForm::ProcessMessages();
    }
};

// The log window tests: the session list fixture's window, settings and dialogs.
class ChildFormTest : public SessListFixture {
protected:
    // A registered log (the first of LogList).
    template <typename Log>
    Log* Register(std::unique_ptr<Log> log)
    {
        Log* raw = log.get();
        LogList().push_back(std::move(log));
        return raw;
    }

    std::string CopyData(const std::string& name)
    {
        const std::string to = *temp / name;
        fs::copy_file(kSource + "/tests/e2e/data/" + name, to);
        return to;
    }
};

TEST_F(ChildFormTest, TMailLogIsReadAnalysedAndNavigatedByDaySessionAndKeys)
{
    TTMailLog* log = TMailLog();
    TChildForm* w = OpenLogWindow(area, log);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(FindLogWindow(area, log), w);
    EXPECT_TRUE(w->Loaded());
    EXPECT_FALSE(w->Progress()->isVisible());
    EXPECT_FALSE(log->HoldsFile());  // released after the analysis
    EXPECT_EQ(w->Statistics(), "Days: 5, sessions: 32");
    EXPECT_TRUE(w->Status().startsWith("Done, ")) << w->Status().toStdString();
    EXPECT_TRUE(w->View()->Highlight());
    EXPECT_EQ(w->View()->LineCount(), 358);
    EXPECT_EQ(w->View()->CaretLine(), 1);

    // The day list holds the five days.
    QListWidget* days = w->DayList();
    ASSERT_EQ(days->count(), 5);
    EXPECT_EQ(days->item(0)->text(), "29 Apr");
    EXPECT_EQ(days->item(4)->text(), "03 May");

    // Line 1 lies before the first day: the next day is day 0.
    EXPECT_EQ(w->CurrentDay(), -1);
    EXPECT_FALSE(w->Button("BtnPrevDay")->isEnabled());
    EXPECT_EQ(w->Button("BtnNextDay")->toolTip(), "Next day\n29 Apr");
    w->Button("BtnNextDay")->click();
    EXPECT_EQ(w->View()->CaretPos(), (TTextPos{2, 0}));
    EXPECT_FALSE(w->View()->HasSelection());
    EXPECT_EQ(w->CurrentDay(), 0);
    EXPECT_FALSE(w->Button("BtnPrevDay")->isEnabled());
    SendKey(w->View(), Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(w->View()->CaretLine(), 57);
    EXPECT_EQ(w->CurrentDay(), 1);
    EXPECT_EQ(w->Button("BtnPrevDay")->toolTip(), "Previous day\n29 Apr");
    for (int i = 0; i < 5; ++i)
        SendKey(w->View(), Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(w->View()->CaretLine(), 276);
    EXPECT_FALSE(w->Button("BtnNextDay")->isEnabled());
    w->Button("BtnPrevDay")->click();
    EXPECT_EQ(w->View()->CaretLine(), 216);

    // Sessions: the status shows the session at the caret.
    w->GoToLine(2);
    EXPECT_TRUE(w->Status().isEmpty());
    SendKey(w->View(), Qt::Key_Right, Qt::AltModifier);
    EXPECT_EQ(w->View()->CaretLine(), 5);
    EXPECT_EQ(w->CurrentSession(), 0);
    EXPECT_EQ(w->Status(), "29 Apr 02:17:30 Out 450/20");
    EXPECT_FALSE(w->Button("BtnPrevSess")->isEnabled());  // no session starts before line 5
    w->Button("BtnNextSess")->click();
    EXPECT_EQ(w->View()->CaretLine(), 14);
    SendKey(w->View(), Qt::Key_Left, Qt::AltModifier);
    SendKey(w->View(), Qt::Key_Left, Qt::AltModifier);
    EXPECT_EQ(w->View()->CaretLine(), 5);  // nothing before the first session

    // A screenshot of the window on the day of a month change.
    w->setWindowState(Qt::WindowNoState);
    w->resize(900, 560);
    w->GoToLine(148);
    QCoreApplication::processEvents();
    test::SaveScreenshot(w, "TChildForm");

    // Esc closes the window when nothing runs; the log stays registered.
    QPointer<TChildForm> guard(w);
    SendKey(w->View(), Qt::Key_Escape);
    DeleteClosedWindows();
    EXPECT_TRUE(guard.isNull());
    EXPECT_EQ(log->Window, nullptr);
    EXPECT_EQ(FindLogWindow(area, log), nullptr);
}

TEST_F(ChildFormTest, DayListClosesWithEscAndHidesBehindAnotherWindow)
{
    TTMailLog* log = TMailLog();
    TChildForm* w = OpenLogWindow(area, log);
    ASSERT_NE(w, nullptr);
    QListWidget* list = w->DayList();
    EXPECT_FALSE(list->isVisible());
    w->GoToLine(60);
    SendKey(w->View(), Qt::Key_D, Qt::ControlModifier);
    ASSERT_TRUE(list->isVisible());
    EXPECT_EQ(list->currentRow(), 1);
    SendKey(list, Qt::Key_Escape);  // closes the list, not the window
    EXPECT_FALSE(w->Closing());

    // Another window coming to the front hides it.
    auto other = std::make_unique<TBinkLog>();
    other->Name = "Other";
    other->Path = CopyData("bink.log");
    TChildForm* second = OpenLogWindow(area, Register(std::move(other)));
    ASSERT_NE(second, nullptr);
    area->setActiveSubWindow(w);
    SendKey(w->View(), Qt::Key_D, Qt::ControlModifier);
    ASSERT_TRUE(list->isVisible());
    area->setActiveSubWindow(second);
    EXPECT_FALSE(list->isVisible());
    area->setActiveSubWindow(w);
}

// Following a log the mailer writes on: appended sessions are analysed and shown
// with the caret kept at the end; a partial line, a cut and a replaced file are
// read again from the start, never past the new end.
TEST_F(ChildFormTest, FollowsAppendCutReplaceAndPartialLines)
{
    TTMailLog* log = TMailLog();
    TChildForm* w = OpenLogWindow(area, log);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->Following());
    w->OpenAnalysis(TAnalysisKind::SessList);
    const std::string original = ReadBytes(log->Path);
    const std::size_t sessions = log->SessCount();
    ASSERT_GT(sessions, 1u);
    // The last session again, appended.
    const TSess& last = log->GetSess(sessions - 1);
    std::string block;
    for (std::int64_t line = last.StartLine; line <= last.EndLine; ++line)
        block += std::string(w->View()->LineBytes(line)) + "\r\n";
    w->View()->GoToLine(w->View()->LineCount());
    auto append = [&](const std::string& bytes) {
        std::ofstream(log->Path, std::ios::binary | std::ios::app) << bytes;
        w->Follower()->Check();
    };
    const std::string lastStr = log->LastStr;
    // The first write is found by the window itself (notification or timer).
    std::ofstream(log->Path, std::ios::binary | std::ios::app) << block;
    QElapsedTimer waited;
    waited.start();
    while (log->SessCount() == sessions && waited.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    EXPECT_EQ(log->SessCount(), sessions + 1);
    EXPECT_GE(w->View()->CaretLine(), w->View()->LineCount() - 1);
    EXPECT_NE(w->AnalysisWindow(TAnalysisKind::SessList), nullptr);
    // The window the user is in keeps the front while the log is read again.
    QMdiSubWindow* list = qobject_cast<QMdiSubWindow*>(w->AnalysisWindow(TAnalysisKind::SessList)->Widget());
    ASSERT_NE(list, nullptr);
    area->setActiveSubWindow(list);
    auto* sessList = dynamic_cast<TSessListForm*>(w->AnalysisWindow(TAnalysisKind::SessList));
    ASSERT_NE(sessList, nullptr);
    sessList->SelectSession(0);
    w->OpenAnalysis(TAnalysisKind::DialStat);
    w->OpenAnalysis(TAnalysisKind::FreqList);
    w->OpenAnalysis(TAnalysisKind::Timeline);
    TAnalysisWindow* dialStat = w->AnalysisWindow(TAnalysisKind::DialStat);
    TAnalysisWindow* freqList = w->AnalysisWindow(TAnalysisKind::FreqList);
    TAnalysisWindow* timeline = w->AnalysisWindow(TAnalysisKind::Timeline);
    ASSERT_TRUE(dialStat && freqList && timeline);
    area->setActiveSubWindow(list);
    append(block);
    EXPECT_EQ(w->AnalysisWindow(TAnalysisKind::DialStat), dialStat);
    EXPECT_EQ(w->AnalysisWindow(TAnalysisKind::FreqList), freqList);
    EXPECT_EQ(w->AnalysisWindow(TAnalysisKind::Timeline), timeline);
    EXPECT_EQ(log->SessCount(), sessions + 2);
    // The analysis went on: the same list, with the new row and its selection kept.
    EXPECT_EQ(w->AnalysisWindow(TAnalysisKind::SessList), sessList);
    EXPECT_EQ(sessList->Model()->rowCount(), static_cast<int>(sessions + 2));
    EXPECT_EQ(sessList->SelectedSession(), 0);
    EXPECT_EQ(area->activeSubWindow(), qobject_cast<QMdiSubWindow*>(w->AnalysisWindow(TAnalysisKind::SessList)->Widget()));
    // New sessions still count from where the log ended when it was last read by hand.
    EXPECT_EQ(log->LastStr, lastStr);
    // A line that comes in two writes.
    const std::int64_t lines = w->View()->LineCount();
    append(block.substr(0, 10));
    EXPECT_EQ(w->View()->LineCount(), lines);
    append(block.substr(10));
    EXPECT_EQ(log->SessCount(), sessions + 3);
    // Cut to its first half: read again, no zero bytes past the new end.
    std::filesystem::resize_file(log->Path, original.size() / 2);
    w->Follower()->Check();
    EXPECT_EQ(w->View()->Bytes().size(), original.size() / 2);
    EXPECT_EQ(w->View()->Bytes().find('\0'), std::string_view::npos);
    EXPECT_LT(log->SessCount(), sessions);
    // Gone for a moment (being replaced): nothing happens until it is back.
    std::filesystem::rename(log->Path, log->Path + ".old");
    w->Follower()->Check();
    EXPECT_EQ(w->View()->Bytes().size(), original.size() / 2);
    std::filesystem::rename(log->Path + ".old", log->Path);
    // Replaced by another file of the same name (logrotate).
    const std::string fresh = log->Path + ".new";
    std::ofstream(fresh, std::ios::binary) << original;
    std::filesystem::rename(fresh, log->Path);
    w->Follower()->Check();
    EXPECT_EQ(log->SessCount(), sessions);
    // Off: growth waits; the state is kept for the log.
    SendKey(w->View(), Qt::Key_F);
    EXPECT_FALSE(w->Following());
    append(block);
    EXPECT_EQ(log->SessCount(), sessions);
    test::SaveScreenshot(w, "TChildForm-Follow");
    // The follow state and the window's code page stay with the log.
    w->SetViewCodePage(CodePage::KOI8R);
    w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    w = OpenLogWindow(area, log);
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(w->Following());
    EXPECT_EQ(w->View()->GetCodePage(), CodePage::KOI8R);
}

// The filter shows only the matching lines (or the others), sessions and days are
// still stepped through, and turning it off leaves the caret on its line.
TEST_F(ChildFormTest, FilterShowsMatchingLinesAndKeepsNavigation)
{
    TTMailLog* log = TMailLog();
    TChildForm* w = OpenLogWindow(area, log);
    ASSERT_NE(w, nullptr);
    TLogView* view = w->View();
    SendKey(view, Qt::Key_F, Qt::ControlModifier);
    TFindBar* bar = w->FindBar();
    ASSERT_TRUE(bar->isVisible());
    bar->TextEdit()->setText("incoming call");
    std::int64_t matching = 0;
    for (std::int64_t l = 1; l <= view->LineCount(); ++l)
        matching += QString::fromLatin1(view->LineBytes(l)).contains("incoming call", Qt::CaseInsensitive);
    ASSERT_GT(matching, 2);
    bar->FilterButton()->click();
    bar->Wait();
    EXPECT_EQ(view->RowCount(), matching);
    EXPECT_TRUE(view->Filtered());
    // Rows walk the shown lines only; the next session is the next one shown.
    view->GoToLine(view->LineOfRow(1));
    const std::int64_t first = view->CaretLine();
    w->NextSess();
    EXPECT_EQ(view->CaretLine(), view->LineOfRow(2));
    SendKey(view, Qt::Key_Down);
    EXPECT_EQ(view->CaretLine(), view->LineOfRow(3));
    w->PrevSess();
    EXPECT_EQ(view->CaretLine(), view->LineOfRow(2));
    EXPECT_GT(view->CaretLine(), first);
    QApplication::processEvents();
    test::SaveScreenshot(w, "TChildForm-Filter");
    // A followed log that grows is filtered again.
    std::ofstream(log->Path, std::ios::binary | std::ios::app) << "03/05 21:00:00 Incoming call: CONNECT 2400\r\n";
    w->Follower()->Check();
    bar->Wait();
    EXPECT_EQ(view->RowCount(), matching + 1);
    // Inverted: the other lines.
    bar->FilterNotBox()->setChecked(true);
    bar->Wait();
    EXPECT_EQ(view->RowCount(), view->LineCount() - matching - 1);
    // Off: every line again, the caret where it was.
    const std::int64_t caret = view->CaretLine();
    bar->FilterButton()->click();
    EXPECT_FALSE(view->Filtered());
    EXPECT_EQ(view->CaretLine(), caret);
}

TEST_F(ChildFormTest, FindCopyAndSaveSelection)
{
    TTMailLog* log = TMailLog();
    TChildForm* w = OpenLogWindow(area, log);
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(w->Button("BtnCopy")->isEnabled());

    w->Button("BtnFind")->click();
    TFindBar* find = w->FindBar();
    ASSERT_TRUE(find->isVisible());
    find->TextEdit()->setText("end of session");
    find->FindNext();
    find->Wait();
    // The first "End of session" line: found without regard to case; then counted.
    const TTextPos first = w->View()->SelectionStart();
    EXPECT_GT(first.Line, 5);
    const TTextPos firstEnd = w->View()->SelectionEnd();
    EXPECT_EQ(w->View()->SelectedText(), "End of session");
    EXPECT_TRUE(w->Button("BtnSaveSel")->isEnabled());
    find->Wait();
    ASSERT_TRUE(find->MatchCount());
    const std::uint64_t count = *find->MatchCount();
    EXPECT_GE(count, 2u);
    // F3 in the view repeats the search, Shift+F3 goes back.
    SendKey(w->View(), Qt::Key_F3);
    find->Wait();
    const TTextPos second = w->View()->SelectionStart();
    EXPECT_GT(second.Line, first.Line);
    SendKey(w->View(), Qt::Key_F3, Qt::ShiftModifier);
    find->Wait();
    EXPECT_EQ(w->View()->SelectionStart(), first);
    EXPECT_EQ(w->CurrentSession(), log->SessOfLine(first.Line));
    // Back from the first match wraps to the last one, and says so.
    find->FindNext(true);
    find->Wait();
    EXPECT_TRUE(find->Wrapped());
    EXPECT_GT(w->View()->SelectionStart().Line, second.Line);
    EXPECT_FALSE(find->InfoLabel()->text().isEmpty());
    // A regular expression with match case finds fewer; a broken one says why.
    find->RegexBox()->setChecked(true);
    find->MatchCaseBox()->setChecked(true);
    find->TextEdit()->setText("^.*End of sess[a-z]+");
    find->FindNext();
    find->Wait();
    find->Wait();
    ASSERT_TRUE(find->MatchCount());
    EXPECT_LE(*find->MatchCount(), count);
    QApplication::processEvents();
    test::SaveScreenshot(w, "TChildForm-FindBar");
    find->TextEdit()->setText("(End");
    EXPECT_FALSE(find->InfoLabel()->text().isEmpty());
    // Esc in the view closes the bar, not the window.
    SendKey(w->View(), Qt::Key_Escape);
    EXPECT_FALSE(find->isVisible());
    EXPECT_FALSE(w->Closing());
    w->View()->SetSelection(first, firstEnd);

    // Copy.
    QApplication::clipboard()->clear();
    w->Button("BtnCopy")->click();
    EXPECT_EQ(QApplication::clipboard()->text(), "End of session");

    // Save: lines 2 to 4 with their line ends, bytes as in the file (CP866 included).
    w->View()->SetSelection({2, 0}, {5, 0});
    const std::string target = *temp / "selection.txt";
    SetModalRunner([&](QDialog& d) {
        dynamic_cast<QFileDialog&>(d).selectFile(QString::fromStdString(target));
        return int(QDialog::Accepted);
    });
    w->Button("BtnSaveSel")->click();
    const std::string logBytes = ReadBytes(log->Path);
    std::size_t from = logBytes.find("\r\n") + 2;
    std::size_t to = from;
    for (int i = 0; i < 3; ++i)
        to = logBytes.find("\r\n", to) + 2;
    EXPECT_EQ(ReadBytes(target), logBytes.substr(from, to - from));
    // A file that cannot be written gives a message and no file.
    EXPECT_FALSE(w->SaveSelectionTo(QString::fromStdString(*temp / "no-such-dir/x.txt")));
    EXPECT_EQ(dialogs.With("Cannot write file ").size(), 1u);
}

TEST_F(ChildFormTest, ErrorLinesAreShownAndTheAnswerDecides)
{
    TTMailLog* log = TMailLog();
    // Two lines whose dates cannot be read, after line 3.
    std::string text = ReadBytes(log->Path);
    std::size_t at = 0;
    for (int i = 0; i < 3; ++i)
        at = text.find("\r\n", at) + 2;
    text.insert(at, "3x/04 02:00:00 damaged\r\n29/1x 02:00:01 damaged\r\n");
    WriteFileBytes(log->Path, text);

    // OK goes on: both lines are reported, with their number; the mark is gone after.
    std::vector<std::int64_t> markedWhileAsked;
    TChildForm* w = nullptr;
    dialogs.answer = [&](const TDialogRequest& r) {
        if (r.text.rfind("Error in line", 0) == 0 && w) {
            markedWhileAsked.push_back(w->View()->MarkLine());
            EXPECT_EQ(w->View()->CaretLine(), w->View()->MarkLine());
            EXPECT_EQ(r.buttons, unsigned(mbOKCancel | mbAll));
        }
        return int(mrOk);
    };
    auto* window = new ScriptedWindow(log);
    w = window;
    area->addSubWindow(window);
    window->show();
    window->ShowLog(log);
    const auto errors = dialogs.With("Error in line");
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0].rfind("Error in line 4:", 0), 0u) << errors[0];
    EXPECT_EQ(errors[1].rfind("Error in line 5:", 0), 0u) << errors[1];
    EXPECT_EQ(markedWhileAsked, (std::vector<std::int64_t>{4, 5}));
    EXPECT_EQ(window->View()->MarkLine(), 0);
    EXPECT_EQ(log->ErrorCount, 2);
    EXPECT_TRUE(window->Status().startsWith("Done with 2 errors")) << window->Status().toStdString();
    EXPECT_EQ(window->Statistics(), "Days: 5, sessions: 32");

    // Cancel stops the analysis at the first one.
    dialogs.shown.clear();
    dialogs.answer = [](const TDialogRequest& r) { return r.text.rfind("Error in line", 0) == 0 ? int(mrCancel) : int(mrOk); };
    window->Reread();
    EXPECT_EQ(dialogs.With("Error in line").size(), 1u);
    EXPECT_EQ(window->Status(), "The analysis was not completed");
    EXPECT_TRUE(window->Statistics().isEmpty());
    EXPECT_FALSE(window->Button("BtnSessList")->isEnabled());
    EXPECT_TRUE(window->Button("BtnFind")->isEnabled());
    EXPECT_FALSE(log->HoldsFile());

    // Skip all: one box; at the end the status counts the skipped lines and one
    // report lists them.
    dialogs.shown.clear();
    dialogs.answer = [](const TDialogRequest& r) { return r.text.rfind("Error in line", 0) == 0 ? int(mrAll) : int(mrOk); };
    window->Reread();
    EXPECT_EQ(dialogs.With("Error in line").size(), 1u);
    EXPECT_TRUE(window->Status().startsWith("Done, 2 lines skipped")) << window->Status().toStdString();
    ASSERT_EQ(window->SkippedLines().size(), 2u);
    const auto reports = dialogs.With("Lines skipped in the analysis:");
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find("\n4: "), std::string::npos) << reports[0];
    EXPECT_NE(reports[0].find("\n5: "), std::string::npos) << reports[0];
    SaveScreenshot(window, "TChildFormSkipped");

    // With SkipErrors nothing is asked, but the errors are counted.
    Settings().SkipErrors = true;
    dialogs.shown.clear();
    SendKey(window->View(), Qt::Key_R, Qt::ControlModifier);
    EXPECT_TRUE(dialogs.With("Error in line").empty());
    EXPECT_TRUE(window->Status().startsWith("Done with 2 errors"));
    Settings().SkipErrors = false;
}

TEST_F(ChildFormTest, SkipAllHoldsForLogsThatAreNotAMailers)
{
    const std::string path = *temp / "bad.log";
    WriteFileBytes(path, "  01 Feb 04:00:00 BINK  a\r\n  3x Feb 04:00:00 x\r\n  01 Xyz 04:00:00 y\r\n"
                         "  02 Feb 04:00:00 BINK  b\r\n  0x Feb 04:00:00 z\r\n");
    auto owned = std::make_unique<TBinkLog>();
    owned->Name = "Bad";
    owned->Path = path;
    TBinkLog* log = Register(std::move(owned));
    dialogs.answer = [](const TDialogRequest& r) { return r.text.rfind("Line ", 0) == 0 ? int(mrAll) : int(mrOk); };
    auto* w = new ScriptedWindow(log);
    area->addSubWindow(w);
    w->show();
    w->ShowLog(log);
    ASSERT_EQ(dialogs.With("Line ").size(), 1u);
    EXPECT_EQ(w->SkippedLines().size(), 3u);
    EXPECT_TRUE(w->Status().startsWith("Done, 3 lines skipped")) << w->Status().toStdString();
}

TEST_F(ChildFormTest, EscStopsTheAnalysis)
{
    // A generated Bink-style log of 3000 lines over six days.
    std::string text;
    for (int i = 0; i < 3000; ++i) {
        char line[96];
        std::snprintf(line, sizeof line, "  %02d Feb 04:%02d:%02d BINK  line %d of the generated log\r\n", 1 + i / 500,
                      (i / 60) % 60, i % 60, i + 1);
        text += line;
    }
    const std::string path = *temp / "big.log";
    WriteFileBytes(path, text);
    auto owned = std::make_unique<TBinkLog>();
    owned->Name = "Big";
    owned->Path = path;
    owned->PumpMillis = 0;  // a turn every 256 lines
    TBinkLog* log = Register(std::move(owned));

    auto* w = new ScriptedWindow(log);
    area->addSubWindow(w);
    w->show();
    std::int64_t stoppedAt = 0;
    w->onTurn = [&](ScriptedWindow& self, int turn) {
        if (turn == 3) {
            stoppedAt = log->LineNo;
            SendKey(self.View(), Qt::Key_Escape);  // taken by the window: the log is busy
            EXPECT_TRUE(log->AbortRequest);
            EXPECT_FALSE(self.Closing());
        }
    };
    w->ShowLog(log);
    EXPECT_EQ(stoppedAt, 512);
    EXPECT_EQ(w->turns, 3);
    EXPECT_EQ(log->LineNo, 512);
    EXPECT_FALSE(log->AbortRequest);
    EXPECT_FALSE(log->AnalysisRunning);
    EXPECT_EQ(w->Status(), "The analysis was not completed");
    EXPECT_EQ(w->View()->LineCount(), 3001);  // the text stays
    EXPECT_EQ(log->Window, w);
}

TEST_F(ChildFormTest, ClosingDuringTheAnalysisStopsItAndClosesAfterwards)
{
    const std::string path = CopyData("bink.log");
    const std::string bytes = ReadBytes(path);
    auto owned = std::make_unique<TBinkLog>();
    owned->Name = "Bink";
    owned->Path = path;
    owned->PumpMillis = 0;
    owned->CutSize = 1;
    TBinkLog* log = Register(std::move(owned));
    auto* w = new ScriptedWindow(log);
    area->addSubWindow(w);
    w->show();
    QPointer<ScriptedWindow> guard(w);
    w->onTurn = [&](ScriptedWindow& self, int) {
        self.close();
        // The analysis stops at once: the log has no window any more.
        EXPECT_EQ(log->Window, nullptr);
        EXPECT_TRUE(self.Closing());
        EXPECT_FALSE(self.isVisible());
    };
    w->ShowLog(log);
    EXPECT_EQ(w->turns, 1);
    EXPECT_FALSE(log->AnalysisRunning);
    EXPECT_FALSE(log->HoldsFile());
    DeleteClosedWindows();
    EXPECT_TRUE(guard.isNull());
    EXPECT_EQ(log->Window, nullptr);
    EXPECT_EQ(FindLogWindow(area, log), nullptr);
    // The text was shown: its last line is remembered. The log is not cut, as its
    // window never finished the set-up.
    EXPECT_EQ(log->LastStr, "+ 03 Mar 00:00:01 BI");
    EXPECT_EQ(ReadBytes(path), bytes);
}

TEST_F(ChildFormTest, CutOnCloseTrimsTheLogAndTheTMailHistory)
{
    TTMailLog* log = TMailLog();
    log->CutSize = 10;  // kilobytes
    const std::string hist = (fs::path(log->Path).parent_path() / "t-hist.$01").string();
    const std::string before = ReadBytes(hist);
    ASSERT_EQ(before.size(), 2u + 27 * 100);
    const std::string logBefore = ReadBytes(log->Path);

    TChildForm* w = OpenLogWindow(area, log);
    ASSERT_NE(w, nullptr);
    w->close();
    DeleteClosedWindows();

    const std::string logAfter = ReadBytes(log->Path);
    const std::int64_t removed = static_cast<std::int64_t>(logBefore.size() - logAfter.size());
    // Where the file system drops whole blocks, the old text left before the kept
    // lines is one blank line.
    std::size_t blank = logAfter.find_first_not_of(' ');
    blank = blank != std::string::npos && logAfter.compare(blank, 2, "\r\n") == 0 ? blank + 2 : 0;
    ASSERT_LE(logAfter.size() - blank, 10240u);
    ASSERT_GT(logAfter.size() - blank, 9000u);
    EXPECT_EQ(logBefore.substr(static_cast<std::size_t>(removed) + blank), logAfter.substr(blank));
    EXPECT_EQ(logBefore[static_cast<std::size_t>(removed) + blank - 1], '\n');  // whole lines kept

    // Every log position of the history is lowered by the bytes removed (not below 0).
    const std::string after = ReadBytes(hist);
    ASSERT_EQ(after.size(), before.size());
    int lowered = 0, floored = 0;
    for (std::size_t rec = 0; rec < 27; ++rec) {
        for (std::size_t field : {28u, 32u}) {
            const std::size_t at = 2 + rec * 100 + field;
            std::int32_t old = 0, now = 0;
            std::memcpy(&old, before.data() + at, 4);
            std::memcpy(&now, after.data() + at, 4);
            EXPECT_EQ(now, std::max<std::int64_t>(0, old - removed)) << "record " << rec << " field " << field;
            if (old > removed)
                ++lowered;
            else
                ++floored;
        }
    }
    EXPECT_TRUE(lowered > 0 && floored > 0);
    // The last line was remembered from the text as it was shown, and stored.
    EXPECT_EQ(Ini().ReadString("Log1", "LastStr", ""), "03/05 20:16:39 Waiti");
    EXPECT_TRUE(Ini().SectionExists("T-Mail.MainWnd"));
}

TEST_F(ChildFormTest, DamagedAndMissingFiles)
{
    // A missing file: the message, a window without text and its buttons disabled.
    auto missing = std::make_unique<TBinkLog>();
    missing->Name = "Missing";
    missing->Path = *temp / "no-such.log";
    missing->LastStr = "keep me";
    TLog* log = Register(std::move(missing));
    TChildForm* w = OpenLogWindow(area, log);
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].type, TMsgDlgType::mtError);
    EXPECT_NE(dialogs.shown[0].text.find("no-such.log"), std::string::npos);
    EXPECT_FALSE(w->Loaded());
    EXPECT_EQ(w->View()->Bytes().size(), 0u);
    EXPECT_FALSE(w->Button("BtnFind")->isEnabled());
    EXPECT_FALSE(w->Button("BtnNextDay")->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    w->ExecGotoLine();  // nothing to go to
    w->close();
    DeleteClosedWindows();
    EXPECT_EQ(log->LastStr, "keep me");
    EXPECT_EQ(log->Window, nullptr);

    // A T-Mail log cut off in the middle of a line.
    TTMailLog* tlog = TMailLog();
    const std::string text = ReadBytes(tlog->Path);
    WriteFileBytes(tlog->Path, text.substr(0, text.size() / 2 + 7));
    w = OpenLogWindow(area, tlog);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->Status().startsWith("Done"));
    EXPECT_GT(tlog->SessCount(), 0u);
}

TEST(GotoLineNumbers, WholeNumbersFromOneToTheLineCount)
{
    EXPECT_EQ(ParseLineNumber("1", 10), 1);
    EXPECT_EQ(ParseLineNumber("10", 10), 10);
    EXPECT_EQ(ParseLineNumber("  7\t", 10), 7);
    EXPECT_EQ(ParseLineNumber("007", 10), 7);
    EXPECT_EQ(ParseLineNumber("3000000000", 4000000000LL), 3000000000LL);
    for (const char* bad : {"", " ", "0", "11", "-1", "+5", "5x", "x5", "1e1", "5 5", "5.0",
                            "99999999999999999999999"})
        EXPECT_EQ(ParseLineNumber(bad, 10), std::nullopt) << bad;
    // A log without lines takes no number at all.
    EXPECT_EQ(ParseLineNumber("1", 0), std::nullopt);
}

class GotoLineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        UnloadLng();
        LoadLng(std::string(TARVIX_SOURCE_DIR) + "/lng/QZ_Eng.lng");
    }
    void TearDown() override { UnloadLng(); }
    test::CapturedDialogs dialogs;
};

TEST_F(GotoLineTest, StaysOpenUntilTheNumberIsValidWhicheverButton)
{
    TGotoLineForm form(250, 17);
    EXPECT_EQ(form.Edit()->text(), "17");
    EXPECT_EQ(form.LineNumber(), 17);
    int finished = 0;
    QObject::connect(&form, &QDialog::finished, [&] { ++finished; });
    form.show();

    form.Edit()->setText("0");
    form.OkButton()->click();
    form.CancelButton()->click();
    SendKey(form.Edit(), Qt::Key_Escape);
    form.close();
    EXPECT_EQ(finished, 0);
    EXPECT_TRUE(form.isVisible());
    ASSERT_EQ(dialogs.Count(), 4u);
    EXPECT_EQ(dialogs.dialogs.Shown[3].text, "Enter a line number from 1 to 250.");
    // The field is selected for the next try.
    EXPECT_EQ(form.Edit()->selectedText(), "0");

    form.Edit()->setText("251");
    form.OkButton()->click();
    EXPECT_EQ(finished, 0);
    form.Edit()->setText("250");
    form.CancelButton()->click();
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(form.result(), QDialog::Rejected);
    EXPECT_EQ(dialogs.Count(), 5u);
    test::SaveScreenshot(&form, "TGotoLineForm");
}

}  // namespace
}  // namespace tarvix
