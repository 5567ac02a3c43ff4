// The timeline: an MDI child that draws the sessions of one day of a mailer log as
// coloured bars on a time axis over the hours DayStart to DayEnd (program-wide
// settings, edited here). A click on a bar moves the log window to that session;
// the bar under the mouse names its remote in the status line and its one-line
// description in a tooltip. The window follows the day of the log window's caret.
//
// Settings: the placement in <log name>.Timeline ("Open" is kept by the log window).
#pragma once

#include "ui/AnalysisWindow.h"
#include "ui/HelpWindow.h"
#include "ui/TimelineGeometry.h"

#include <QMdiSubWindow>
#include <QWidget>

#include <string>
#include <vector>

class QAction;
class QLabel;
class QMdiArea;
class QMenu;
class QSpinBox;
class QToolButton;

namespace tarvix {

class TMailerLog;
class TTimelineForm;

// The paint area: bars, hour scale, mouse.
class TTimelineArea : public QWidget {
    Q_OBJECT

public:
    explicit TTimelineArea(TTimelineForm& form);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    TTimelineForm& form_;
};

class TTimelineForm : public QMdiSubWindow, public TAnalysisWindow {
    Q_OBJECT

public:
    static constexpr int kHelpContext = hcTimeline;

    // The timeline of a log that its log window shows (log->Window), on day 0.
    explicit TTimelineForm(TMailerLog* log, QWidget* parent = nullptr);
    ~TTimelineForm() override;

    // --- what the log window tells the timeline ---
    QWidget* Widget() override { return this; }
    void ShowDay(long day) override { SetDay(day); }
    void ApplyColours() override;
    bool LogGrown() override;

    // Shows a day of the log (its index); ignored while the timeline itself moves
    // the log window, or for no day of the log.
    void SetDay(long day);
    // The hours of the window (the settings DayStart and DayEnd).
    void SetDayStart(int hour);
    void SetDayEnd(int hour);

    // --- mouse on the paint area ---
    // Moves the log window to the session at a point of the bar band.
    void PickAt(int x, int y);
    // Shows the remote of the session at a point in the status line.
    void HoverAt(int x, int y);

    // --- state and parts, for the tests ---
    int ShownDate() const { return shownDate_; }
    std::int64_t Span() const { return span_; }
    long HoverSession() const { return hover_; }
    // The bars of the shown day, laid out on the current width (repainted).
    const std::vector<TTimelineBar>& Bars() const { return bars_; }
    const TTimelineLayout& Layout() const { return layout_; }
    TTimelineArea* Area() const { return area_; }
    QString StatusText() const;
    QString DayText() const;
    QToolButton* Button(const char* name) const;
    QAction* MenuAction(const char* name) const;
    QSpinBox* StartEdit() const { return startEdit_; }
    QSpinBox* EndEdit() const { return endEdit_; }
    // The one-line description of a session (tooltip); empty for none.
    QString SessionTip(long session) const;
    // Lays the bars out on the paint area's width (each paint does it).
    void LayOut(int width);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void BuildControls();
    void ApplyTexts();
    void Rebuild();
    void PrevDay();
    void NextDay();
    // Alt+Up, Alt+Down and Esc; false for other keys.
    bool WindowKey(QKeyEvent* event);

    TMailerLog* log_;
    std::string section_;
    int shownDate_ = 0;
    long dayIndex_ = -1;
    std::int64_t span_ = 0;
    long hover_ = -1;
    bool suppress_ = false;  // the timeline is moving the log window's caret
    bool placed_ = false;
    bool saved_ = false;
    std::vector<TTimelineBar> bars_;
    TTimelineLayout layout_;

    TTimelineArea* area_ = nullptr;
    QLabel* startLabel_ = nullptr;
    QLabel* endLabel_ = nullptr;
    QSpinBox* startEdit_ = nullptr;
    QSpinBox* endEdit_ = nullptr;
    QLabel* dayLabel_ = nullptr;
    QLabel* status_ = nullptr;
    QMenu* menu_ = nullptr;
};

// Makes the timeline the log window's timeline window (F7).
void RegisterTimelineWindow();

}  // namespace tarvix
