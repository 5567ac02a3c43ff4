// The session card: a small MDI child that shows the details of the session the
// log window's caret is in, with buttons that move the log window to the previous
// or next session.
//
// Settings: the placement in <log name>.SessInfo ("Open" is kept by the log window).
#pragma once

#include "ui/AnalysisWindow.h"
#include "ui/HelpWindow.h"

#include <QMdiSubWindow>
#include <QString>

#include <cstdint>
#include <string>
#include <string_view>

class QFontMetrics;
class QLabel;
class QMainWindow;
class QToolButton;

namespace tarvix {

class TMailerLog;

// The mailer's name as the card shows it: the first words of the session's mailer
// text ("T-Mail/2605/Win" gives "T-Mail/2605" in a T-Mail log); how many words
// depends on the log's style and on the mailer.
std::string SessInfoMailer(int logStyle, std::string_view mailer);
// A transfer rate: in decimal below 10000, from there in whole K ("10K").
std::string SessInfoCPS(std::int64_t cps);
// A text fitted into a width: the text itself when it fits (no hint); else its
// shortest leading part at least width - 20 wide followed by "...", and the whole
// text as the hint.
void FitText(const QString& text, int width, const QFontMetrics& metrics, QString& shown, QString& hint);

class TSessInfoForm : public QMdiSubWindow, public TAnalysisWindow {
    Q_OBJECT

public:
    static constexpr int kHelpContext = hcSessInfo;

    // The card of a log that its log window shows (log->Window), showing no session.
    explicit TSessInfoForm(TMailerLog* log, QWidget* parent = nullptr);
    ~TSessInfoForm() override;

    // --- what the log window tells the card ---
    QWidget* Widget() override { return this; }
    // Fills the card with a session (its index), -1 for none.
    void ShowSession(long session) override;
    void SetSessButtons(bool prev, bool next) override;
    void ApplyColours() override { ShowSession(session_); }

    // --- state and parts, for the tests ---
    long Session() const { return session_; }
    QLabel* Label(const char* name) const;
    QToolButton* Button(const char* name) const;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildToolBar();
    void BuildLabels();
    void ApplyTexts();
    void SetValue(const char* name, const QString& text, bool fitted = false);
    void PrevSess();
    void NextSess();

    TMailerLog* log_;
    std::string section_;
    long session_ = -1;
    bool placed_ = false;
    bool saved_ = false;
    QMainWindow* body_ = nullptr;
};

// Makes the card the log window's session information window (F9).
void RegisterSessInfoWindow();

}  // namespace tarvix
