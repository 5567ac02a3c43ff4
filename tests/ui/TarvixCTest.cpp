// The log window on copies of the sample installations: reading and analysing,
// navigation by day, session and run, goto line, find, save, the error-line
// dialog, stopping and closing during the analysis, re-reading, cutting on close,
// the remembered last line, download counters and the analysis-window desktop.
#include "ui/TarvixC.h"

#include "engine/BinkLog.h"
#include "engine/LogStyles.h"
#include "engine/MailerLog.h"
#include "engine/TMailLog.h"
#include "fido/DateTime.h"
#include "fido/Dialogs.h"
#include "fido/Lng.h"
#include "platform/HostPath.h"
#include "settings/QZIni.h"
#include "ui/ChildForm.h"
#include "ui/FindDialog.h"
#include "ui/GotoLine.h"
#include "ui/LngComponent.h"
#include "ui/LogView.h"
#include "ui/ModalHook.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMdiArea>
#include <QMenu>
#include <QMouseEvent>
#include <QProgressBar>
#include <QRadioButton>
#include <QToolButton>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace tarvix {
namespace {

namespace fs = std::filesystem;

const std::string kSource = TARVIX_SOURCE_DIR;

std::string ReadFileBytes(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f << bytes;
}

void AppendFileBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream f(path, std::ios::binary | std::ios::app);
    f << bytes;
}

void Key(QWidget* target, int key, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QKeyEvent press(QEvent::KeyPress, key, mods);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods);
    QApplication::sendEvent(target, &release);
}

void DeleteClosedWindows() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

// Message dialogs that answer as a test says and remember what they showed.
struct ScriptedDialogs : TDialogs {
    std::vector<TDialogRequest> shown;
    std::function<int(const TDialogRequest&)> answer;
    int MessageDlg(const TDialogRequest& request) override
    {
        shown.push_back(request);
        if (answer)
            return answer(request);
        return (request.buttons & mbOK) ? mrOk : mrCancel;
    }
    bool InputQuery(const std::string&, const std::string&, std::string&) override { return false; }
    // The messages whose text starts with a prefix.
    std::vector<std::string> With(const std::string& prefix) const
    {
        std::vector<std::string> out;
        for (const auto& r : shown)
            if (r.text.rfind(prefix, 0) == 0)
                out.push_back(r.text);
        return out;
    }
};

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

// An analysis window that records what its log window tells it.
struct FakeAnalysis : QMdiSubWindow, TAnalysisWindow {
    TAnalysisKind kind;
    TAnalysisRequest request;
    std::vector<long> days;
    std::vector<long> sessions;
    bool prev = false, next = false;
    FakeAnalysis(TAnalysisKind k, const TAnalysisRequest& r) : kind(k), request(r) {}
    QWidget* Widget() override { return this; }
    void ShowDay(long day) override { days.push_back(day); }
    void ShowSession(long session) override { sessions.push_back(session); }
    void SetSessButtons(bool p, bool n) override { prev = p, next = n; }
};

std::vector<QPointer<FakeAnalysis>>& Opened()
{
    static std::vector<QPointer<FakeAnalysis>> opened;
    return opened;
}

void RegisterFakes()
{
    for (TAnalysisKind kind : kAnalysisKinds)
        RegisterAnalysisWindow(kind, [kind](TChildForm& owner, const TAnalysisRequest& request) {
            auto* w = new FakeAnalysis(kind, request);
            w->setAttribute(Qt::WA_DeleteOnClose);
            owner.mdiArea()->addSubWindow(w);
            w->show();
            Opened().push_back(w);
            return static_cast<TAnalysisWindow*>(w);
        });
}

void UnregisterFakes()
{
    for (TAnalysisKind kind : kAnalysisKinds)
        RegisterAnalysisWindow(kind, {});
    Opened().clear();
}

FakeAnalysis* LastOpened(TAnalysisKind kind)
{
    for (auto it = Opened().rbegin(); it != Opened().rend(); ++it)
        if (*it && (*it)->kind == kind)
            return it->data();
    return nullptr;
}

class ChildFormTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        RegisterGenericLogStyles();
        SetCurrentYear(2003);
    }

    void SetUp() override
    {
        UnloadLng();
        LoadLng(kSource + "/lng/QZ_Eng.lng");
        temp = std::make_unique<test::TempDir>();
        OpenSettings(*temp / "tarvix.ini");
        LoadSettings();
        SetDialogs(&dialogs);
        frame = std::make_unique<QMainWindow>();
        area = new QMdiArea(frame.get());
        frame->setCentralWidget(area);
        frame->resize(1000, 700);
        frame->show();
    }

    void TearDown() override
    {
        SetModalRunner({});
        UnregisterFakes();
        frame.reset();
        DeleteClosedWindows();
        LogList().clear();
        SetDialogs(nullptr);
        SetDriveMap({});
        temp.reset();
    }

    // A copy of the T-Mail sample installation and a log for it.
    std::string CopyTMail()
    {
        const fs::path dir = temp->path / "tmail";
        fs::copy(kSource + "/samples/tmail", dir, fs::copy_options::recursive);
        SetDriveMap({{'C', dir.string()}});
        return dir.string();
    }

    template <typename Log = TTMailLog>
    std::unique_ptr<Log> TMailLog(const std::string& dir)
    {
        auto log = std::make_unique<Log>();
        log->Name = "T-Mail";
        log->Path = dir + "/t-mail.log";
        log->SetMailerPath(dir);
        log->TMVersion = TTMailLog::kVersion2604;
        log->TaskNo = 1;
        return log;
    }

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

    static QToolButton* Btn(TChildForm* w, const char* name) { return w->Button(name); }
    static TLogView* ViewOf(TChildForm* w) { return w->View(); }

    ScriptedDialogs dialogs;
    std::unique_ptr<test::TempDir> temp;
    std::unique_ptr<QMainWindow> frame;
    QMdiArea* area = nullptr;
};

TEST_F(ChildFormTest, TMailLogIsReadAnalysedAndNavigatedByDaySessionAndKeys)
{
    const std::string dir = CopyTMail();
    TTMailLog* log = Register(TMailLog(dir));
    TChildForm* w = OpenLogWindow(area, log);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(FindLogWindow(area, log), w);
    EXPECT_EQ(log->Window, w);
    EXPECT_TRUE(w->Loaded());
    EXPECT_EQ(w->windowTitle(), "T-Mail");
    EXPECT_FALSE(w->Progress()->isVisible());
    EXPECT_FALSE(log->HoldsFile());  // released after the analysis
    EXPECT_EQ(w->Statistics(), "Days: 5, sessions: 32");
    EXPECT_TRUE(w->Status().startsWith("Done, ")) << w->Status().toStdString();
    EXPECT_TRUE(w->View()->Highlight());
    EXPECT_TRUE(Btn(w, "BtnHilite")->isChecked());
    EXPECT_EQ(w->View()->LineCount(), 358);
    EXPECT_EQ(w->View()->CaretLine(), 1);

    // The day list holds the five days.
    QListWidget* days = w->DayList();
    ASSERT_EQ(days->count(), 5);
    EXPECT_EQ(days->item(0)->text(), "29 Apr");
    EXPECT_EQ(days->item(4)->text(), "03 May");

    // Line 1 lies before the first day: the next day is day 0.
    EXPECT_EQ(w->CurrentDay(), -1);
    EXPECT_FALSE(Btn(w, "BtnPrevDay")->isEnabled());
    EXPECT_TRUE(Btn(w, "BtnNextDay")->isEnabled());
    EXPECT_EQ(Btn(w, "BtnNextDay")->toolTip(), "Next day\n29 Apr");
    Btn(w, "BtnNextDay")->click();
    EXPECT_EQ(w->View()->CaretPos(), (TTextPos{2, 0}));
    EXPECT_FALSE(w->View()->HasSelection());
    EXPECT_EQ(w->CurrentDay(), 0);
    EXPECT_EQ(Btn(w, "BtnNextDay")->toolTip(), "Next day\n30 Apr");
    EXPECT_FALSE(Btn(w, "BtnPrevDay")->isEnabled());
    Key(w->View(), Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(w->View()->CaretLine(), 57);
    EXPECT_EQ(w->CurrentDay(), 1);
    EXPECT_EQ(Btn(w, "BtnPrevDay")->toolTip(), "Previous day\n29 Apr");
    for (int i = 0; i < 5; ++i)
        Key(w->View(), Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(w->View()->CaretLine(), 276);
    EXPECT_EQ(w->CurrentDay(), 4);
    EXPECT_FALSE(Btn(w, "BtnNextDay")->isEnabled());
    Btn(w, "BtnPrevDay")->click();
    EXPECT_EQ(w->View()->CaretLine(), 216);
    Key(w->View(), Qt::Key_Up, Qt::AltModifier);
    EXPECT_EQ(w->View()->CaretLine(), 148);

    // Sessions: the status shows the session at the caret.
    w->GoToLine(2);
    EXPECT_FALSE(Btn(w, "BtnPrevSess")->isEnabled());
    EXPECT_TRUE(Btn(w, "BtnNextSess")->isEnabled());
    EXPECT_TRUE(w->Status().isEmpty());
    Key(w->View(), Qt::Key_Right, Qt::AltModifier);
    EXPECT_EQ(w->View()->CaretLine(), 5);
    EXPECT_EQ(w->CurrentSession(), 0);
    EXPECT_EQ(w->Status(), "29 Apr 02:17:30 Out 450/20");
    EXPECT_FALSE(Btn(w, "BtnPrevSess")->isEnabled());  // no session starts before line 5
    Btn(w, "BtnNextSess")->click();
    EXPECT_EQ(w->View()->CaretLine(), 14);
    EXPECT_EQ(w->CurrentSession(), 1);
    EXPECT_TRUE(Btn(w, "BtnPrevSess")->isEnabled());
    Key(w->View(), Qt::Key_Left, Qt::AltModifier);
    EXPECT_EQ(w->View()->CaretLine(), 5);
    Key(w->View(), Qt::Key_Left, Qt::AltModifier);
    EXPECT_EQ(w->View()->CaretLine(), 5);  // nothing before the first session

    // A caret inside no session empties the status; coming back shows it again.
    w->GoToLine(13);
    EXPECT_TRUE(w->Status().isEmpty());
    EXPECT_EQ(w->CurrentSession(), -1);
    w->GoToLine(6);
    EXPECT_EQ(w->Status(), "29 Apr 02:17:30 Out 450/20");

    // The caret moved by the view's own keys is followed as well.
    w->GoToLine(341);
    Key(w->View(), Qt::Key_Down);
    EXPECT_EQ(w->View()->CaretLine(), 342);
    EXPECT_EQ(w->CurrentSession(), 31);
    EXPECT_FALSE(Btn(w, "BtnNextSess")->isEnabled());
    Btn(w, "BtnNextSess")->click();
    EXPECT_EQ(w->View()->CaretLine(), 342);

    // Ctrl+H switches the highlighting and stores it with the log.
    Key(w->View(), Qt::Key_H, Qt::ControlModifier);
    EXPECT_FALSE(w->View()->Highlight());
    EXPECT_FALSE(log->Highlight);
    EXPECT_FALSE(Btn(w, "BtnHilite")->isChecked());
    Key(w->View(), Qt::Key_H, Qt::ControlModifier);
    EXPECT_TRUE(w->View()->Highlight());
    EXPECT_TRUE(log->Highlight);

    // The pop-up menu: Close is its default item.
    ASSERT_NE(w->PopupMenu()->defaultAction(), nullptr);
    EXPECT_EQ(w->PopupMenu()->defaultAction()->objectName(), "MIClose");
    EXPECT_EQ(w->MenuAction("MISessList")->text(), "&Session list");

    // A screenshot of the window on the day of a month change.
    w->setWindowState(Qt::WindowNoState);
    w->resize(900, 560);
    w->GoToLine(148);
    QCoreApplication::processEvents();
    const fs::path shots = fs::path(TARVIX_BINARY_DIR) / "screenshots";
    fs::create_directories(shots);
    EXPECT_TRUE(w->grab().save(QString::fromStdString((shots / "TChildForm.png").string()), "PNG"));

    // Esc closes the window when nothing runs; the log stays registered.
    QPointer<TChildForm> guard(w);
    Key(w->View(), Qt::Key_Escape);
    DeleteClosedWindows();
    EXPECT_TRUE(guard.isNull());
    EXPECT_EQ(log->Window, nullptr);
    EXPECT_EQ(FindLogWindow(area, log), nullptr);
}

TEST_F(ChildFormTest, DayListPopsUpAndGoesToTheDayClicked)
{
    TTMailLog* log = Register(TMailLog(CopyTMail()));
    TChildForm* w = OpenLogWindow(area, log);
    ASSERT_NE(w, nullptr);
    QListWidget* list = w->DayList();
    EXPECT_FALSE(list->isVisible());
    w->GoToLine(60);
    Key(w->View(), Qt::Key_D, Qt::ControlModifier);
    ASSERT_TRUE(list->isVisible());
    EXPECT_TRUE(list->hasFocus() || QApplication::focusWidget() == list || !frame->isActiveWindow());
    EXPECT_EQ(list->currentRow(), 1);
    EXPECT_EQ(list->size(), QSize(69, 93));

    // A click on another day goes there and leaves the list open.
    auto click = [&](int row) {
        const QRect r = list->visualItemRect(list->item(row));
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(r.center()), list->viewport()->mapToGlobal(QPointF(r.center())),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &press);
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(r.center()),
                            list->viewport()->mapToGlobal(QPointF(r.center())), Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &release);
    };
    click(3);
    EXPECT_EQ(w->View()->CaretLine(), 216);
    EXPECT_EQ(w->CurrentDay(), 3);
    EXPECT_TRUE(list->isVisible());
    // A click on the current day closes it.
    click(3);
    EXPECT_FALSE(list->isVisible());

    // Enter and Esc close it too; Esc in the list does not close the window.
    Key(w->View(), Qt::Key_D, Qt::ControlModifier);
    ASSERT_TRUE(list->isVisible());
    Key(list, Qt::Key_Escape);
    EXPECT_FALSE(list->isVisible());
    EXPECT_FALSE(w->Closing());
    Btn(w, "BtnDayList")->click();
    ASSERT_TRUE(list->isVisible());
    Key(list, Qt::Key_Return);
    EXPECT_FALSE(list->isVisible());

    // Another window coming to the front hides it.
    auto other = std::make_unique<TBinkLog>();
    other->Name = "Other";
    other->Path = CopyData("bink.log");
    TChildForm* second = OpenLogWindow(area, Register(std::move(other)));
    ASSERT_NE(second, nullptr);
    area->setActiveSubWindow(w);
    Key(w->View(), Qt::Key_D, Qt::ControlModifier);
    ASSERT_TRUE(list->isVisible());
    area->setActiveSubWindow(second);
    EXPECT_FALSE(list->isVisible());
    area->setActiveSubWindow(w);

    // The list follows the interface language (month names), the hints as well.
    LoadLng(kSource + "/lng/QZ_Rus.lng");
    NotifyLanguageChanged();
    EXPECT_EQ(list->item(0)->text(), QString::fromUtf8("29 Апр"));
    EXPECT_EQ(Btn(w, "BtnClose")->toolTip(), QString::fromUtf8("Закрыть"));
    EXPECT_EQ(w->MenuAction("MIClose")->text(), QString::fromUtf8("&Закрыть"));
    LoadLng(kSource + "/lng/QZ_Eng.lng");
    NotifyLanguageChanged();
    EXPECT_EQ(list->item(0)->text(), "29 Apr");
    EXPECT_EQ(Btn(w, "BtnClose")->toolTip(), "Close");
}

TEST_F(ChildFormTest, GotoLineRefusesZeroAndNumbersPastTheEnd)
{
    TTMailLog* log = Register(TMailLog(CopyTMail()));
    TChildForm* w = OpenLogWindow(area, log);
    ASSERT_NE(w, nullptr);
    w->GoToLine(40);
    int runs = 0;
    SetModalRunner([&](QDialog& d) {
        ++runs;
        auto* form = dynamic_cast<TGotoLineForm*>(&d);
        EXPECT_NE(form, nullptr);
        if (!form)
            return int(QDialog::Rejected);
        EXPECT_EQ(form->windowTitle(), "Goto line");
        EXPECT_EQ(form->findChild<QLabel*>("LblLineNumber")->text(), "Line number (1-358):");
        EXPECT_EQ(form->Edit()->objectName(), "EdtLineNumber");
        EXPECT_EQ(form->Edit()->text(), "40");
        bool finished = false;
        QObject::connect(form, &QDialog::finished, [&] { finished = true; });
        for (const char* bad : {"0", "359", "-3", "12x", ""}) {
            form->Edit()->setText(bad);
            form->OkButton()->click();
            EXPECT_FALSE(finished) << bad;
            form->CancelButton()->click();  // Cancel does not get past a bad number either
            EXPECT_FALSE(finished) << bad;
        }
        EXPECT_EQ(dialogs.With("Enter a line number from 1 to 358.").size(), 10u);
        form->Edit()->setText("358");
        form->OkButton()->click();
        EXPECT_TRUE(finished);
        return form->result();
    });
    Key(w->View(), Qt::Key_G, Qt::ControlModifier);
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(w->View()->CaretLine(), 358);
    EXPECT_EQ(w->CurrentDay(), 4);

    // Cancel with a good number leaves the caret where it was.
    SetModalRunner([](QDialog& d) {
        auto& form = dynamic_cast<TGotoLineForm&>(d);
        form.Edit()->setText("7");
        form.CancelButton()->click();
        return form.result();
    });
    w->ExecGotoLine();
    EXPECT_EQ(w->View()->CaretLine(), 358);
}

TEST_F(ChildFormTest, FindCopyAndSaveSelection)
{
    TTMailLog* log = Register(TMailLog(CopyTMail()));
    TChildForm* w = OpenLogWindow(area, log);
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(Btn(w, "BtnCopy")->isEnabled());
    EXPECT_FALSE(Btn(w, "BtnSaveSel")->isEnabled());

    Btn(w, "BtnFind")->click();
    TFindDialog* find = w->FindDialog();
    ASSERT_NE(find, nullptr);
    EXPECT_TRUE(find->isVisible());
    find->TextEdit()->setText("end of session");
    EXPECT_TRUE(find->FindNext());
    // The first "End of session" line: found without regard to case.
    const TTextPos first = w->View()->SelectionStart();
    EXPECT_GT(first.Line, 5);
    EXPECT_EQ(w->View()->SelectedText(), "End of session");
    EXPECT_TRUE(Btn(w, "BtnCopy")->isEnabled());
    EXPECT_TRUE(Btn(w, "BtnSaveSel")->isEnabled());
    // Case matters when asked: nothing, and the selection stays.
    find->MatchCaseBox()->setChecked(true);
    EXPECT_FALSE(find->FindNext());
    EXPECT_EQ(dialogs.With("Cannot find \"end of session\".").size(), 1u);
    EXPECT_EQ(w->View()->SelectionStart(), first);
    // F3 in the view repeats the search (the last one found), upwards too.
    find->MatchCaseBox()->setChecked(false);
    EXPECT_TRUE(find->FindNext());
    const TTextPos second = w->View()->SelectionStart();
    EXPECT_GT(second.Line, first.Line);
    Key(w->View(), Qt::Key_F3);
    EXPECT_GT(w->View()->SelectionStart().Line, second.Line);
    find->UpButton()->setChecked(true);
    EXPECT_TRUE(find->FindNext());
    EXPECT_EQ(w->View()->SelectionStart(), second);
    EXPECT_EQ(w->CurrentSession(), log->SessOfLine(second.Line));
    find->grab().save(QString::fromStdString((fs::path(TARVIX_BINARY_DIR) / "screenshots" / "TFindDialog.png").string()),
                      "PNG");

    // Copy.
    QApplication::clipboard()->clear();
    Btn(w, "BtnCopy")->click();
    EXPECT_EQ(QApplication::clipboard()->text(), "End of session");

    // Save: lines 2 to 4 with their line ends, bytes as in the file (CP866 included).
    w->View()->SetSelection({2, 0}, {5, 0});
    const std::string target = *temp / "selection.txt";
    SetModalRunner([&](QDialog& d) {
        auto& dialog = dynamic_cast<QFileDialog&>(d);
        EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptSave);
        dialog.selectFile(QString::fromStdString(target));
        return int(QDialog::Accepted);
    });
    Btn(w, "BtnSaveSel")->click();
    const std::string logBytes = ReadFileBytes(log->Path);
    std::size_t from = logBytes.find("\r\n") + 2;
    std::size_t to = from;
    for (int i = 0; i < 3; ++i)
        to = logBytes.find("\r\n", to) + 2;
    EXPECT_EQ(ReadFileBytes(target), logBytes.substr(from, to - from));
    // An existing file is replaced.
    w->View()->SetSelection({2, 0}, {2, 5});
    EXPECT_TRUE(w->SaveSelectionTo(QString::fromStdString(target)));
    EXPECT_EQ(ReadFileBytes(target), "29/04");
    // A file that cannot be written gives a message and no file.
    EXPECT_FALSE(w->SaveSelectionTo(QString::fromStdString(*temp / "no-such-dir/x.txt")));
    EXPECT_EQ(dialogs.With("Cannot write file ").size(), 1u);
    // Without a selection nothing is asked.
    w->View()->SetSelection({2, 0}, {2, 0});
    SetModalRunner([](QDialog&) {
        ADD_FAILURE() << "no dialog without a selection";
        return int(QDialog::Rejected);
    });
    w->SaveSelection();
}

TEST_F(ChildFormTest, ErrorLinesAreShownAndTheAnswerDecides)
{
    const std::string dir = CopyTMail();
    // Two lines whose dates cannot be read, after line 3.
    std::string text = ReadFileBytes(dir + "/t-mail.log");
    std::size_t at = 0;
    for (int i = 0; i < 3; ++i)
        at = text.find("\r\n", at) + 2;
    text.insert(at, "3x/04 02:00:00 damaged\r\n29/1x 02:00:01 damaged\r\n");
    WriteFileBytes(dir + "/t-mail.log", text);
    TTMailLog* log = Register(TMailLog(dir));

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
    EXPECT_FALSE(window->Progress()->isVisible());
    EXPECT_FALSE(Btn(window, "BtnSessList")->isEnabled());
    EXPECT_FALSE(Btn(window, "BtnNextDay")->isEnabled());
    EXPECT_TRUE(Btn(window, "BtnFind")->isEnabled());
    EXPECT_TRUE(Btn(window, "BtnRereadLog")->isEnabled());
    EXPECT_TRUE(window->Loaded());
    EXPECT_FALSE(log->HoldsFile());

    // Skip all: one box; at the end the status counts the skipped lines and one
    // report lists them.
    dialogs.shown.clear();
    dialogs.answer = [](const TDialogRequest& r) { return r.text.rfind("Error in line", 0) == 0 ? int(mrAll) : int(mrOk); };
    window->Reread();
    EXPECT_EQ(dialogs.With("Error in line").size(), 1u);
    EXPECT_TRUE(window->Status().startsWith("Done, 2 lines skipped")) << window->Status().toStdString();
    ASSERT_EQ(window->SkippedLines().size(), 2u);
    EXPECT_EQ(window->SkippedLines()[1].first, 5);
    const auto reports = dialogs.With("Lines skipped in the analysis:");
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find("\n4: "), std::string::npos) << reports[0];
    EXPECT_NE(reports[0].find("\n5: "), std::string::npos) << reports[0];
    EXPECT_EQ(window->Statistics(), "Days: 5, sessions: 32");
    const fs::path shots = fs::path(TARVIX_BINARY_DIR) / "screenshots";
    fs::create_directories(shots);
    EXPECT_TRUE(window->grab().save(QString::fromStdString((shots / "TChildFormSkipped.png").string()), "PNG"));

    // With SkipErrors nothing is asked, but the errors are counted.
    Settings().SkipErrors = true;
    dialogs.shown.clear();
    Key(window->View(), Qt::Key_R, Qt::ControlModifier);
    EXPECT_TRUE(dialogs.With("Error in line").empty());
    EXPECT_TRUE(window->Status().startsWith("Done with 2 errors"));
    Settings().SkipErrors = false;
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
            Key(self.View(), Qt::Key_Escape);  // taken by the window: the log is busy
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
    EXPECT_EQ(w->DayList()->count(), 0);
    EXPECT_FALSE(Btn(w, "BtnNextDay")->isEnabled());
    EXPECT_EQ(w->View()->LineCount(), 3001);  // the text stays
    EXPECT_FALSE(w->Closing());
    EXPECT_EQ(log->Window, w);

    // Alt+Down and the day list are ignored while the log is busy.
    w->onTurn = [&](ScriptedWindow& self, int turn) {
        if (turn == 1) {
            const std::int64_t caret = self.View()->CaretLine();
            Key(self.View(), Qt::Key_Down, Qt::AltModifier);
            Key(self.View(), Qt::Key_D, Qt::ControlModifier);
            EXPECT_EQ(self.View()->CaretLine(), caret);
            EXPECT_FALSE(self.DayList()->isVisible());
        }
    };
    w->turns = 0;
    Btn(w, "BtnRereadLog")->click();
    EXPECT_EQ(w->Statistics(), "Days: 6");
    EXPECT_EQ(w->DayList()->count(), 6);
    EXPECT_TRUE(w->Status().startsWith("Done, "));
    Key(w->View(), Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(w->View()->CaretLine(), 501);
    // The generic Bink log has neither sessions nor analysis windows.
    EXPECT_FALSE(Btn(w, "BtnNextSess")->isEnabled());
    EXPECT_FALSE(Btn(w, "BtnSessList")->isEnabled());
    EXPECT_FALSE(w->MenuAction("MISessList")->isEnabled());
}

TEST_F(ChildFormTest, ClosingDuringTheAnalysisStopsItAndClosesAfterwards)
{
    const std::string path = CopyData("bink.log");
    const std::string bytes = ReadFileBytes(path);
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
    EXPECT_EQ(ReadFileBytes(path), bytes);
}

TEST_F(ChildFormTest, TemporaryLogIsOwnedByItsWindow)
{
    struct TrackedTMail : TTMailLog {
        bool* gone = nullptr;
        ~TrackedTMail() override { *gone = true; }
    };
    const std::string dir = CopyTMail();
    std::string text = ReadFileBytes(dir + "/t-mail.log");
    text.insert(text.find("\r\n") + 2, "3x/04 02:00:00 damaged\r\n");
    WriteFileBytes(dir + "/t-mail.log", text);

    // Closed while the error line is asked: the analysis stops, the window closes
    // and the log goes with it.
    bool gone = false;
    auto log = TMailLog<TrackedTMail>(dir);
    log->gone = &gone;
    TLog* raw = log.get();
    dialogs.answer = [&](const TDialogRequest& r) {
        if (r.text.rfind("Error in line", 0) == 0)
            if (TChildForm* w = FindLogWindow(area, raw))
                w->close();
        return int(mrOk);
    };
    TChildForm* w = OpenLogWindow(area, std::move(log));
    EXPECT_EQ(w, nullptr);
    EXPECT_TRUE(gone);
    DeleteClosedWindows();
    EXPECT_TRUE(area->subWindowList().isEmpty());

    // A temporary log is not cut and its last line is not kept.
    gone = false;
    dialogs.answer = {};
    auto second = TMailLog<TrackedTMail>(dir);
    second->gone = &gone;
    second->CutSize = 1;
    const auto size = fs::file_size(dir + "/t-mail.log");
    w = OpenLogWindow(area, std::move(second));
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->ViewedLog()->Temporary);
    w->close();
    DeleteClosedWindows();
    EXPECT_TRUE(gone);
    EXPECT_EQ(fs::file_size(dir + "/t-mail.log"), size);
    EXPECT_FALSE(Ini().SectionExists("T-Mail.MainWnd"));
}

TEST_F(ChildFormTest, CutOnCloseTrimsTheLogAndTheTMailHistory)
{
    const std::string dir = CopyTMail();
    TTMailLog* log = Register(TMailLog(dir));
    log->CutSize = 10;  // kilobytes
    const std::string hist = dir + "/t-hist.$01";
    const std::string before = ReadFileBytes(hist);
    ASSERT_EQ(before.size(), 2u + 27 * 100);
    const std::string logBefore = ReadFileBytes(log->Path);

    TChildForm* w = OpenLogWindow(area, log);
    ASSERT_NE(w, nullptr);
    w->close();
    DeleteClosedWindows();

    const std::string logAfter = ReadFileBytes(log->Path);
    ASSERT_LE(logAfter.size(), 10240u);
    ASSERT_GT(logAfter.size(), 9000u);
    const std::int64_t removed = static_cast<std::int64_t>(logBefore.size() - logAfter.size());
    EXPECT_EQ(logBefore.substr(static_cast<std::size_t>(removed)), logAfter);
    EXPECT_EQ(logBefore[static_cast<std::size_t>(removed) - 1], '\n');  // whole lines kept

    // Every log position of the history is lowered by the bytes removed (not below 0).
    const std::string after = ReadFileBytes(hist);
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
    EXPECT_GT(lowered, 0);
    EXPECT_GT(floored, 0);
    // The other bytes of the records are as they were.
    for (std::size_t i = 0; i < before.size(); ++i) {
        const std::size_t off = i < 2 ? 0 : (i - 2) % 100;
        if (i >= 2 && off >= 28 && off < 36)
            continue;
        ASSERT_EQ(before[i], after[i]) << "byte " << i;
    }

    // The last line was remembered from the text as it was shown, and stored.
    EXPECT_EQ(log->LastStr, "03/05 20:16:39 Waiti");
    EXPECT_EQ(Ini().ReadString("Log1", "LastStr", ""), "03/05 20:16:39 Waiti");
    EXPECT_TRUE(Ini().SectionExists("T-Mail.MainWnd"));
    EXPECT_EQ(log->Window, nullptr);

    // A log under its limit is left alone.
    const std::string kept = ReadFileBytes(log->Path);
    w = OpenLogWindow(area, log);
    ASSERT_NE(w, nullptr);
    w->close();
    DeleteClosedWindows();
    EXPECT_EQ(ReadFileBytes(log->Path), kept);
    EXPECT_EQ(ReadFileBytes(hist), after);
}

TEST_F(ChildFormTest, LastLineIsRememberedAndTheNextOpenGoesToTheNewPart)
{
    const std::string dir = CopyTMail();
    TTMailLog* log = Register(TMailLog(dir));
    log->AutoNew = true;
    TChildForm* w = OpenLogWindow(area, log);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->Statistics(), "Days: 5, sessions: 32, new: 0");
    EXPECT_EQ(w->View()->CaretLine(), 1);
    w->close();
    DeleteClosedWindows();
    ASSERT_EQ(log->LastStr, "03/05 20:16:39 Waiti");
    EXPECT_EQ(log->LastStr.size(), 20u);

    // The mailer wrote on: the window opens at the first new line.
    AppendFileBytes(log->Path, "03/05 21:13:00 Waiting for calls, next event at 23:00\r\n"
                               "03/05 21:14:00 Waiting for calls, next event at 23:30\r\n");
    w = OpenLogWindow(area, log);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(log->NewPartLine, 357);
    EXPECT_EQ(w->View()->CaretLine(), 358);
    EXPECT_EQ(w->Statistics(), "Days: 5, sessions: 32, new: 0");
    EXPECT_EQ(w->CurrentDay(), 4);

    // Re-reading remembers the last line first.
    AppendFileBytes(log->Path, "03/05 22:00:00 Waiting for calls, next event at 23:30\r\n");
    Key(w->View(), Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(log->LastStr, "03/05 21:14:00 Waiti");
    EXPECT_EQ(log->NewPartLine, 359);
    EXPECT_EQ(w->View()->CaretLine(), 360);
    EXPECT_EQ(w->View()->LineCount(), 361);

    // Trailing empty lines do not count; a file of empty lines leaves LastStr alone.
    AppendFileBytes(log->Path, "\r\n\r\n\r\n");
    w->Reread();
    w->close();
    DeleteClosedWindows();
    EXPECT_EQ(log->LastStr, "03/05 22:00:00 Waiti");
    WriteFileBytes(log->Path, "\r\n\r\n");
    log->AutoNew = false;
    w = OpenLogWindow(area, log);
    ASSERT_NE(w, nullptr);
    w->close();
    DeleteClosedWindows();
    EXPECT_EQ(log->LastStr, "03/05 22:00:00 Waiti");
    // An empty file empties it.
    WriteFileBytes(log->Path, "");
    w = OpenLogWindow(area, log);
    ASSERT_NE(w, nullptr);
    w->close();
    DeleteClosedWindows();
    EXPECT_EQ(log->LastStr, "");
}

TEST_F(ChildFormTest, DownloadCountersAreRaisedAfterASuccessfulAnalysis)
{
    const std::string dir = CopyTMail();
    TTMailLog* log = Register(TMailLog(dir));
    log->UpdateDLC = true;
    TChildForm* w = OpenLogWindow(area, log);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(log->DLCList().empty());
    for (const char* areaName : {"FIDO", "LISTS", "NODELIST", "SOFT"}) {
        SCOPED_TRACE(areaName);
        EXPECT_EQ(ReadFileBytes(dir + "/FILES/" + areaName + "/files.bbs"),
                  ReadFileBytes(kSource + "/tests/e2e/data/tmail-dlc/" + areaName + "/files.bbs"));
    }
    EXPECT_TRUE(w->Status().startsWith("Done, "));
    EXPECT_FALSE(w->Progress()->isVisible());
}

TEST_F(ChildFormTest, AnalysisWindowsFollowTheCaretAndReopenAfterReread)
{
    RegisterFakes();
    TTMailLog* log = Register(TMailLog(CopyTMail()));
    log->AutoNew = false;
    TChildForm* w = OpenLogWindow(area, log);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(Opened().empty());  // nothing was open before
    w->GoToLine(60);

    Key(w->View(), Qt::Key_F5);
    Key(w->View(), Qt::Key_F7);
    Key(w->View(), Qt::Key_F9);
    w->MenuAction("MIDialStat")->trigger();
    FakeAnalysis* list = LastOpened(TAnalysisKind::SessList);
    FakeAnalysis* timeline = LastOpened(TAnalysisKind::Timeline);
    FakeAnalysis* info = LastOpened(TAnalysisKind::SessInfo);
    ASSERT_TRUE(list && timeline && info && LastOpened(TAnalysisKind::DialStat));
    EXPECT_EQ(list->request.Line, 60);
    EXPECT_EQ(timeline->request.Day, 1);
    EXPECT_EQ(info->request.Session, w->CurrentSession());
    // Asked again, the open one comes to the front instead of a second.
    Key(w->View(), Qt::Key_F5);
    EXPECT_EQ(Opened().size(), 4u);

    Key(w->View(), Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(timeline->days.back(), 2);
    Key(w->View(), Qt::Key_Right, Qt::AltModifier);
    EXPECT_EQ(list->sessions.back(), w->CurrentSession());
    EXPECT_EQ(info->sessions.back(), w->CurrentSession());
    EXPECT_TRUE(info->prev);
    w->GoToLine(147 + 1);
    w->GoToLine(165);  // between two sessions
    EXPECT_EQ(info->sessions.back(), -1);

    // A closed analysis window empties its reference.
    LastOpened(TAnalysisKind::DialStat)->close();
    DeleteClosedWindows();
    EXPECT_EQ(w->AnalysisWindow(TAnalysisKind::DialStat), nullptr);

    // Re-reading closes the open ones, records them and opens them again.
    Opened().clear();
    w->Reread();
    EXPECT_TRUE(Ini().ReadBool("T-Mail.SessList", "Open", false));
    EXPECT_TRUE(Ini().ReadBool("T-Mail.Timeline", "Open", false));
    EXPECT_TRUE(Ini().ReadBool("T-Mail.SessInfo", "Open", false));
    EXPECT_FALSE(Ini().ReadBool("T-Mail.DialStat", "Open", true));
    EXPECT_FALSE(Ini().ReadBool("T-Mail.FreqList", "Open", true));
    DeleteClosedWindows();
    ASSERT_EQ(Opened().size(), 3u);
    ASSERT_NE(LastOpened(TAnalysisKind::SessInfo), nullptr);
    EXPECT_EQ(LastOpened(TAnalysisKind::SessInfo)->request.Session, 0);  // AutoNew off: the first
    EXPECT_EQ(LastOpened(TAnalysisKind::Timeline)->request.Day, 0);
    EXPECT_EQ(w->AnalysisWindow(TAnalysisKind::SessList), LastOpened(TAnalysisKind::SessList));

    // Without SaveDesktop they stay closed.
    Settings().SaveDesktop = false;
    Opened().clear();
    w->Reread();
    DeleteClosedWindows();
    EXPECT_TRUE(Opened().empty());
    EXPECT_TRUE(Ini().ReadBool("T-Mail.SessList", "Open", false));

    // Closing the window records them as well.
    Settings().SaveDesktop = true;
    w->OpenAnalysis(TAnalysisKind::FreqList);
    w->close();
    DeleteClosedWindows();
    EXPECT_TRUE(Ini().ReadBool("T-Mail.FreqList", "Open", false));
    EXPECT_FALSE(Ini().ReadBool("T-Mail.SessList", "Open", true));
}

TEST_F(ChildFormTest, TimelineOfALogWithoutSessionsIsRefused)
{
    RegisterFakes();
    const std::string dir = CopyTMail();
    // Only the start lines: no session.
    std::string text = ReadFileBytes(dir + "/t-mail.log");
    std::size_t at = 0;
    for (int i = 0; i < 3; ++i)
        at = text.find("\r\n", at) + 2;
    WriteFileBytes(dir + "/t-mail.log", text.substr(0, at));
    TTMailLog* log = Register(TMailLog(dir));
    TChildForm* w = OpenLogWindow(area, log);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->Statistics(), "Days: 1, sessions: 0");
    Btn(w, "BtnTimeline")->click();
    EXPECT_EQ(LastOpened(TAnalysisKind::Timeline), nullptr);
    EXPECT_EQ(dialogs.With("There are no sessions in this log.").size(), 1u);
    // The others open.
    Btn(w, "BtnDialStat")->click();
    EXPECT_NE(LastOpened(TAnalysisKind::DialStat), nullptr);
    EXPECT_EQ(LastOpened(TAnalysisKind::DialStat)->request.Day, 0);
}

TEST_F(ChildFormTest, GenericLogsPlainLogsAndRuns)
{
    // Bink-style: three damaged lines are reported by the generic analysis.
    const std::string bink = CopyData("bink.log");
    auto b = std::make_unique<TBinkLog>();
    b->Name = "Bink";
    b->Path = bink;
    TLog* binkLog = Register(std::move(b));
    TChildForm* w = OpenLogWindow(area, binkLog);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(dialogs.With("Line ").size(), 3u);
    EXPECT_EQ(w->Statistics(), QString("Days: %1").arg(binkLog->DayCount()));
    EXPECT_GT(binkLog->DayCount(), 1u);
    EXPECT_TRUE(Btn(w, "BtnDayList")->isEnabled());
    EXPECT_FALSE(Btn(w, "BtnPrevSess")->isEnabled());
    EXPECT_EQ(Btn(w, "BtnPrevSess")->toolTip(), "Previous session (Alt+Left)");
    EXPECT_TRUE(Btn(w, "BtnHilite")->isEnabled());
    w->close();

    // A plain log: no highlighting, no days, no statistics.
    const std::string plain = CopyData("plain.log");
    auto p = std::make_unique<TLog>();
    p->Name = "Plain";
    p->Path = plain;
    TLog* plainLog = Register(std::move(p));
    w = OpenLogWindow(area, plainLog);
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(w->View()->Highlight());
    EXPECT_FALSE(Btn(w, "BtnHilite")->isEnabled());
    EXPECT_FALSE(Btn(w, "BtnHilite")->isChecked());
    EXPECT_TRUE(w->Statistics().isEmpty());
    for (const char* name : {"BtnPrevDay", "BtnNextDay", "BtnDayList", "BtnPrevSess", "BtnNextSess", "BtnSessList"})
        EXPECT_FALSE(Btn(w, name)->isEnabled()) << name;
    EXPECT_TRUE(Btn(w, "BtnFind")->isEnabled());
    Key(w->View(), Qt::Key_H, Qt::ControlModifier);
    EXPECT_FALSE(w->View()->Highlight());
    w->close();

    // FrontDoor: the session buttons step through the runs (lines of ten dashes).
    const std::string fd = CopyData("frontdoor.log");
    TLog* fdLog = Register(CreateLogOfStyle(lsFrontDoor));
    fdLog->Name = "FrontDoor";
    fdLog->Path = fd;
    w = OpenLogWindow(area, fdLog);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(Btn(w, "BtnPrevSess")->toolTip(), "Previous run");
    EXPECT_EQ(Btn(w, "BtnNextSess")->toolTip(), "Next run");
    ASSERT_TRUE(Btn(w, "BtnNextSess")->isEnabled());
    const std::int64_t last = w->View()->LineCount();
    std::vector<std::int64_t> stops;
    for (int i = 0; i < 9; ++i) {
        Btn(w, "BtnNextSess")->click();
        stops.push_back(w->View()->CaretLine());
    }
    // (A lone carriage return ends a line too: the last run starts at line 37.)
    EXPECT_EQ(stops, (std::vector<std::int64_t>{12, 13, 21, 22, 24, 26, 37, last, last}));
    Key(w->View(), Qt::Key_Left, Qt::AltModifier);
    EXPECT_EQ(w->View()->CaretLine(), 37);
    w->GoToLine(5);
    Btn(w, "BtnPrevSess")->click();
    EXPECT_EQ(w->View()->CaretLine(), 1);
    Btn(w, "BtnPrevSess")->click();
    EXPECT_EQ(w->View()->CaretLine(), 1);
    w->close();

    // Registered again as a mailer log, the same window buttons are session buttons.
    TTMailLog* tmail = Register(TMailLog(CopyTMail()));
    w = OpenLogWindow(area, tmail);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(Btn(w, "BtnNextSess")->toolTip(), "Next session (Alt+Right)");
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
    EXPECT_FALSE(Btn(w, "BtnFind")->isEnabled());
    EXPECT_FALSE(Btn(w, "BtnNextDay")->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    w->ExecGotoLine();  // nothing to go to
    w->close();
    DeleteClosedWindows();
    EXPECT_EQ(log->LastStr, "keep me");
    EXPECT_EQ(log->Window, nullptr);

    // Garbage bytes, a line of 100 kB, zero bytes and a last line cut short: the
    // window shows them and the analysis ends.
    std::string garbage;
    std::uint32_t seed = 7;
    for (int i = 0; i < 20000; ++i) {
        seed = seed * 1103515245u + 12345u;
        garbage += static_cast<char>(seed >> 24);
    }
    garbage += "\r\n" + std::string(100000, 'x') + "\r\n  03 Mar 10:00:00 BINK  after\r\n  04 Ma";
    const std::string path = *temp / "garbage.log";
    WriteFileBytes(path, garbage);
    auto g = std::make_unique<TBinkLog>();
    g->Name = "Garbage";
    g->Path = path;
    TLog* glog = Register(std::move(g));
    dialogs.answer = [](const TDialogRequest&) { return int(mrOk); };
    w = OpenLogWindow(area, glog);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->Loaded());
    EXPECT_GT(w->View()->LineCount(), 3);
    w->GoToLine(w->View()->LineCount());
    QCoreApplication::processEvents();
    w->grab();  // paints the damaged lines
    w->close();
    DeleteClosedWindows();
    EXPECT_EQ(glog->LastStr, "  04 Ma");

    // A T-Mail log cut off in the middle of a line.
    const std::string dir = CopyTMail();
    std::string text = ReadFileBytes(dir + "/t-mail.log");
    WriteFileBytes(dir + "/t-mail.log", text.substr(0, text.size() / 2 + 7));
    TTMailLog* tlog = Register(TMailLog(dir));
    w = OpenLogWindow(area, tlog);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->Status().startsWith("Done"));
    EXPECT_GT(tlog->SessCount(), 0u);
}

TEST_F(ChildFormTest, ColoursAndFontsOfTheSettingsAreApplied)
{
    TTMailLog* log = Register(TMailLog(CopyTMail()));
    TChildForm* w = OpenLogWindow(area, log);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->View()->Colors(), Settings().Colors);
    Settings().Colors[ciBackground] = 0x00102030;
    w->ApplyColours();
    EXPECT_EQ(w->View()->Colors()[ciBackground], TColor(0x00102030));
    Settings().LogFont.Size = 14;
    const int before = w->View()->LineHeight();
    w->ApplyFont(false);
    EXPECT_GT(w->View()->LineHeight(), before);
    w->ApplyFont(true);  // no grid window open: nothing happens
}

TEST_F(ChildFormTest, ALinePaintedAgainIsColouredFromItsFirstWord)
{
    // A log whose word "ERR" paints the rest of its line as errors.
    struct ErrLog : TLog {
        ErrLog() { Style = lsBink; }
        bool WordClass(std::string_view word, int col) override
        {
            if (col > 0 && word == "ERR") {
                HlClass = hcErrors;
                return true;
            }
            return false;
        }
    };
    const std::string path = *temp / "err.log";
    WriteFileBytes(path, "aaaa ERR bbbb");
    auto owned = std::make_unique<ErrLog>();
    owned->Name = "Err";
    owned->Path = path;
    TLog* log = Register(std::move(owned));
    TChildForm* w = OpenLogWindow(area, log);
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(w->View()->Highlight());
    // Red pixels in the cells of the first word, and in those of the last.
    auto redIn = [&](int firstCell, int cells) {
        const QImage image = w->View()->viewport()->grab().toImage();
        const int x0 = static_cast<int>(firstCell * w->View()->CharWidth());
        const int x1 = static_cast<int>((firstCell + cells) * w->View()->CharWidth());
        int red = 0;
        for (int y = 0; y < w->View()->LineHeight() && y < image.height(); ++y)
            for (int x = x0; x < x1 && x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                if (c.red() > 150 && c.green() < 100 && c.blue() < 100)
                    ++red;
            }
        return red;
    };
    EXPECT_EQ(redIn(0, 4), 0);
    EXPECT_GT(redIn(9, 4), 0);
    // The view forgets the classes (as after an analysis) and asks again.
    w->View()->InvalidateHighlight();
    EXPECT_EQ(redIn(0, 4), 0);
    EXPECT_GT(redIn(9, 4), 0);
}

TEST_F(ChildFormTest, TextIsDecodedWithTheCodePageOfTheSettingsAndPlacementIsRestored)
{
    const std::string path = *temp / "cyr.log";
    WriteFileBytes(path, "\xE0\xE1\r\n");
    auto owned = std::make_unique<TBinkLog>();
    owned->Name = "Cyr";
    owned->Path = path;
    TLog* log = Register(std::move(owned));
    Ini().WriteString("Cyr.MainWnd", "NormPos", "20,30,520,330");
    Settings().OEMConvert = true;  // CP866
    TChildForm* w = OpenLogWindow(area, log);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->View()->LineText(1), QString::fromUtf8("рс"));
    EXPECT_EQ(w->geometry(), QRect(20, 30, 500, 300));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    w->move(40, 50);
    w->close();
    DeleteClosedWindows();
    EXPECT_EQ(Ini().ReadString("Cyr.MainWnd", "NormPos", ""), "40,50,540,350");

    Settings().OEMConvert = false;  // CP1251
    w = OpenLogWindow(area, log);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->View()->LineText(1), QString::fromUtf8("аб"));
    EXPECT_EQ(w->pos(), QPoint(40, 50));
    Settings().OEMConvert = true;
}

}  // namespace
}  // namespace tarvix
