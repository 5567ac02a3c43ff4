// The session list: an MDI child that lists the sessions of a mailer log in a grid,
// one row per session in log order, in columns the user sets up. It follows the
// caret of its log window and moves that caret when a row is chosen, finds sessions
// by address and writes the list as a text report.
//
// Its settings live in the section <log name>.SessList: the placement, "Open" (kept
// by the log window), the columns (settings/Column.h), the highlight list
// ("Highlight": addresses and masks whose rows are drawn in bold) and the report
// settings. The section is written afresh when the window closes.
#pragma once

#include "ui/ListWindow.h"

#include "fido/AddrList.h"
#include "settings/Column.h"
#include "ui/AddressSearch.h"
#include "ui/AnalysisWindow.h"
#include "ui/HelpWindow.h"

#include <QMdiSubWindow>
#include <QStringList>

#include <cstdint>
#include <string>

class QAction;
class QLabel;
class QMainWindow;
class QMdiArea;
class QMenu;
class QTableView;
class QToolButton;

namespace tarvix {

class TMailerLog;
class TSessListModel;

class TSessListForm : public QMdiSubWindow, public TAnalysisWindow {
    Q_OBJECT

public:
    static constexpr int kHelpContext = hcSessList;

    // A list of the sessions of a log that its log window shows (log->Window). The
    // start line is the log window's caret line: the list opens at the session
    // there; -1 when the window is opened again with the saved desktop: it then
    // opens at the first new session (with new-part detection) or at the top.
    TSessListForm(TMailerLog* log, std::int64_t startLine, QWidget* parent = nullptr);
    ~TSessListForm() override;

    // --- what the log window tells the list ---
    QWidget* Widget() override { return this; }
    void ShowSession(long session) override { SelectSession(session); }
    void ApplyColours() override;
    void ApplyGridFont() override;
    bool LogGrown() override;

    // Selects the row of a session and shows it in the status line; nothing while
    // the list itself moves the log window's caret, or for no session.
    void SelectSession(long session);
    // Moves the log window's caret to the start of a session.
    void GoToSession(long session);
    // The session of the selected row, -1 when there is none.
    long SelectedSession() const { return current_; }

    // --- commands ---
    // The previous or next session with the address of the selected one.
    void PrevSessWith();
    void NextSessWith();
    // Asks for an address (the address search dialog) and searches.
    void FindAddress();
    // Searches with the search address and options; false when nothing matched
    // (message 37 was shown) or there is no search address.
    bool SearchAddress();
    // Asks for a file name and writes the report (message 27 without report columns).
    void WriteReport();
    // Writes the report into a file; false after an error, which was shown.
    bool WriteReportTo(const std::string& path);
    // The column setup dialog on a grid column (F10, BtnSLSetup, "Setup...").
    void SetupColumns(int gridColumn);
    void AutosizeColumn(int gridColumn);
    void AutosizeWindow();
    // Lays the grid out after the columns changed.
    void LayOutGrid();

    // --- state and parts, for the log window, the column setup and the tests ---
    std::string Section() const;
    TMailerLog* Log() const { return log_; }
    TColumnList& Columns() { return columns_; }
    const TColumnList& Columns() const { return columns_; }
    TAddrList& Highlight() { return highlight_; }
    TReportSettings& ReportSettings() { return report_; }
    TAddrSearch& Search() { return search_; }
    // The names of the column types (interface texts 59 to 75).
    const QStringList& TypeNames() const { return typeNames_; }
    int HeaderColumn() const { return headerColumn_; }
    bool Dragging() const { return dragging_; }
    QString StatusText() const;
    QTableView* Grid() const { return grid_; }
    TSessListModel* Model() const { return model_; }
    QToolButton* Button(const char* name) const;
    QMenu* RowMenu() const { return rowMenu_; }
    QMenu* HeaderMenu() const { return headerMenu_; }
    QAction* MenuAction(const char* name) const;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildToolBar();
    void BuildMenus();
    void ApplyTexts();
    void LoadState();
    void SaveState();
    void ShowError(const std::string& text);
    void SetHourglass(bool on);

    // The session shown in a row is the row; SelectRow also moves the grid's cursor.
    void SelectRow(long session);
    void ScrollToRow(long session, bool atTop);
    void UpdateStatus();
    void UpdateRowMenu();
    void StepWithSameAddr(int step);
    bool GridKey(QKeyEvent* event);
    bool GridMouse(QEvent* event);
    void StartDrag(int row);
    void EndDrag();
    void ColumnMoved(int oldVisual, int newVisual);

    TMailerLog* log_;
    std::int64_t startLine_;
    std::string section_;
    TColumnList columns_;
    TAddrList highlight_{true, false};
    TReportSettings report_;
    TAddrSearch search_;
    QStringList typeNames_;
    long current_ = -1;
    int headerColumn_ = 0;
    int digitWidth_ = 0;  // of the grid font the column widths are for
    bool suppress_ = false;  // the list is moving the log window's caret
    bool dragging_ = false;
    int dragRow_ = 0;
    TWaitCursor wait_;
    bool placed_ = false;
    bool saved_ = false;
    // Where the list opens, scrolled to the top or (the last row) to the bottom.
    long initialRow_ = -1;
    bool initialScroll_ = false;
    bool initialAtTop_ = true;

    QMainWindow* body_ = nullptr;
    QTableView* grid_ = nullptr;
    TSessListModel* model_ = nullptr;
    QLabel* status_ = nullptr;
    QMenu* rowMenu_ = nullptr;
    QMenu* headerMenu_ = nullptr;
};

// Opens a session list for a log in an MDI area (shown, in front).
TSessListForm* OpenSessList(QMdiArea* area, TMailerLog* log, std::int64_t startLine);

// Makes the session list the log window's session-list window (F5).
void RegisterSessListWindow();

}  // namespace tarvix
