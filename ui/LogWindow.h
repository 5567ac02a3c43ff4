// The log window: an MDI child that shows one log with colour highlighting, runs
// the log's analysis and then navigates the log by day, session and run.
//
// The text is shown by a TLogView over the log file mapped into memory; the analysis
// reads its own copy of the file (TLog::ReadFile), which is released once it
// succeeded. While the analysis runs, the window lets the interface breathe, shows
// a failing line and asks whether to go on, takes Esc as "stop", and closing the
// window stops the analysis before the window goes (log->Window is emptied at once,
// the window itself closes when the analysis has returned).
#pragma once

#include "engine/Log.h"
#include "fido/Format.h"
#include "platform/CodePage.h"
#include "ui/AnalysisWindow.h"

#include <QElapsedTimer>
#include <QMdiSubWindow>
#include <QPointer>
#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class QAction;
class QLabel;
class QListWidget;
class QMainWindow;
class QMenu;
class QProgressBar;
class QToolButton;

namespace tarvix {

class TFindBar;
class TLogFollow;
class TLogView;
class TMailerLog;

class TChildForm : public QMdiSubWindow, public TLogWindow {
    Q_OBJECT

public:
    // The help context of the window.
    static constexpr int kHelpContext = 5;

    // A window for a log (caption, placement, fonts and colours); ShowLog loads it.
    explicit TChildForm(TLog* log, QWidget* parent = nullptr);
    ~TChildForm() override;

    // Makes the window the owner of its (temporary) log: the log is destroyed with
    // the window.
    void TakeTemporaryLog(std::unique_ptr<TLog> log);

    // Reads the log, shows its text and runs its analysis; then sets the window up
    // for navigation. Runs again on every re-read.
    void ShowLog(TLog* log);

    TLog* ViewedLog() const { return log_; }
    long CurrentDay() const { return currentDay_; }
    long CurrentSession() const { return currentSession_; }
    // The set-up for the log is complete (the end of ShowLog was reached).
    bool Loaded() const { return loaded_; }
    // The log is being read or analysed.
    bool Busy() const;
    // The window was closed (or is closing once its analysis has returned).
    bool Closing() const { return closing_ || closePending_; }

    // --- what the analysis asks of the window ---
    // Caret to the start of a line, the line into view; then UpdatePosition.
    void GoToLine(std::int64_t lineNo) override;
    void ProcessMessages() override;
    // The box offers OK, Cancel and "Skip all": after Skip all the analysis goes on
    // without boxes, and the lines it skips are counted and listed at its end.
    bool ShowErrorLine(std::int64_t lineNo, const std::string& message) override;
    bool ShowBadLine(std::int64_t lineNo, const std::string& message) override;
    // The lines skipped after "Skip all" in the latest analysis, with their messages.
    const std::vector<std::pair<std::int64_t, std::string>>& SkippedLines() const { return skipped_; }

    // Maps the caret to day and session: buttons, status and analysis windows.
    void UpdatePosition();
    void ReportProgress(std::int64_t lineNo);
    // Status panel 0 and statistics panel 1.
    void SetStatus(const QString& text);
    void SetStatistics(const QString& text);
    QString Status() const;
    QString Statistics() const;
    // The colours and fonts of the settings, after the user changed them.
    void ApplyColours();
    void ApplyFont(bool grids);

    // --- commands (buttons, menu items and keys) ---
    void PrevDay();
    void NextDay();
    // Sessions of a mailer log, runs of a FrontDoor log; nothing for other logs.
    void PrevSess();
    void NextSess();
    void ToggleDayList();
    void ExecGotoLine();
    // The find bar under the text (Ctrl+F, BtnFind); Esc closes it.
    void OpenFindBar();
    void CopySelection();
    // Asks for a file name and writes the selected text to it.
    void SaveSelection();
    // Writes the selected text to a file (created or replaced); false after an error,
    // which was shown.
    bool SaveSelectionTo(const QString& path);
    void ToggleHighlight();
    void Reread();
    // Following the log: lines the mailer appends are read and analysed as they come
    // (BtnFollow, key F; kept per log, on by default for registered mailer logs).
    // A log that was shortened or replaced is read again whether followed or not.
    void ToggleFollow();
    // The code page of this window's text: one chosen for the window (kept per log),
    // or nullopt for the one of the settings.
    void SetViewCodePage(std::optional<CodePage> cp);
    CodePage ViewCodePage() const;
    void SetFollow(bool on);
    bool Following() const { return following_; }
    TLogFollow* Follower() const { return follow_; }
    // Opens (or brings to the front) an analysis window; mailer logs only.
    void OpenAnalysis(TAnalysisKind kind);

    // --- the parts, for the frame and the tests ---
    TLogView* View() const { return view_; }
    QListWidget* DayList() const { return dayList_; }
    QToolButton* Button(const char* name) const;
    QAction* MenuAction(const char* name) const;
    QMenu* PopupMenu() const { return popup_; }
    QProgressBar* Progress() const { return progress_; }
    TFindBar* FindBar() const { return findBar_; }
    TAnalysisWindow* AnalysisWindow(TAnalysisKind kind) const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct TAnalysisSlot {
        QPointer<QWidget> widget;
        TAnalysisWindow* window = nullptr;
    };

    void BuildToolBar();
    void BuildStatusBar();
    void BuildPopupMenu();
    void ApplyTexts();
    QToolButton* AddButton(const char* name, const QIcon& icon, void (TChildForm::*command)());

    TMailerLog* MailerLog() const;
    bool IsFrontDoor() const;
    void SetHourglass(bool on);
    void ShowError(const std::string& text);
    void EnableAnalysisCommands(bool on);
    void FillDayList();
    void HideDayList();
    void SetDayButtons(long day);
    void RunStep(bool forward);
    void StepDay(bool forward);
    void StepSess(bool forward);
    // The first line of [first, end) the view shows (all show when nothing is filtered).
    std::optional<std::int64_t> FirstShown(std::int64_t first, std::int64_t end) const;
    void UpdateDownloadCounters(TMailerLog& log);
    // The line the window opens at after an analysis.
    std::int64_t StartLine() const;
    void RestoreDesktop();
    // Writes which analysis windows are open (and closes them).
    void RecordAnalysisWindows();
    void CloseAnalysisWindows();
    TAnalysisWindow* Analysis(TAnalysisKind kind) const;
    TAnalysisWindow* OpenAnalysisWindow(TAnalysisKind kind, const TAnalysisRequest& request);
    // The first 20 bytes of the last non-empty line; "" for an empty text, nullopt
    // when there is no text or every line is empty.
    std::optional<std::string> LastLineStart() const;
    void RememberLastLine();
    void FinishClose();
    // Reads the changed file again: the caret stays at the end when it was there,
    // on its line when the file grew, else on the day it was on; the analysis
    // windows that were open are opened again.
    void FollowReload(bool replaced);
    // The file grew: the analysis goes on over the new lines, the open analysis
    // windows show what they added (or are opened anew) and the caret stays at the
    // end when it was there. False where the log cannot go on: it is read again.
    bool FollowGrown();
    // The analysis windows after the analysis went on.
    void ShowNewAnalysis();
    // The counts of days and sessions in the status bar.
    void ShowCounts(const TMailerLog& mailer);
    // Re-reads the log (Reread); without rememberLastLine the log's last line stays.
    void ReadAgain(bool rememberLastLine);
    void ForgetLog();
    // The end of an analysis in which the user chose "Skip all": the count in the
    // status bar, the lines in a report box.
    void ReportSkippedLines(const std::string& speed);

    TLog* log_ = nullptr;
    std::unique_ptr<TLog> ownedLog_;
    long currentDay_ = -1;
    long currentSession_ = -1;
    // Shows a failed line and asks (OK, Cancel, Skip all) with the message of that
    // number and arguments; after Skip all the lines are only collected.
    bool AskAboutLine(std::int64_t lineNo, const std::string& message, std::size_t text,
                      const std::vector<FmtArg>& args);
    bool skipAll_ = false;
    std::vector<std::pair<std::int64_t, std::string>> skipped_;
    bool loaded_ = false;
    bool textLoaded_ = false;   // the view holds the log's text
    bool inShowLog_ = false;
    bool trackCaret_ = false;
    bool closePending_ = false;  // closed while ShowLog ran
    bool closing_ = false;
    bool hourglass_ = false;
    bool placementRestored_ = false;
    double progressScale_ = 1;
    QElapsedTimer analysisTimer_;
    std::array<TAnalysisSlot, kAnalysisKindCount> analysis_;
    QString prevSessHint_;
    QString nextSessHint_;
    std::int64_t hlLine_ = -1;  // the line whose words were asked last, and the column
    int hlCol_ = -1;

    QMainWindow* body_ = nullptr;
    TLogView* view_ = nullptr;
    QListWidget* dayList_ = nullptr;
    QLabel* panel0_ = nullptr;
    QLabel* panel1_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QMenu* popup_ = nullptr;
    TFindBar* findBar_ = nullptr;
    TLogFollow* follow_ = nullptr;
    bool following_ = false;
    bool followKnown_ = false;
    QElapsedTimer followClock_;  // since the end of the last reading for the follow
    qint64 lastFollowMs_ = 0;    // how long that reading took
    std::optional<CodePage> codePage_;  // chosen for this window  // the follow state was read for the log
};

}  // namespace tarvix
