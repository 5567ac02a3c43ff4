// The dial statistics: an MDI child that shows, for one day of a mailer log, the
// calls and sessions per remote node in a grid (one row per node, the day's total
// last), in columns the user sets up. It follows the day of its log window, moves
// the log window to a node's first or last session, sorts the nodes (the order is
// the log's, DSSort, shared by its windows and kept between runs) and writes the
// day as a text report.
//
// Its settings live in the section <log name>.DialStat: the placement, "Open" (kept
// by the log window), the columns (settings/Column.h) with the digit width they
// were set for (ui/ListWindow.h), the highlight list ("Highlight") and the report
// settings. The section is written afresh when the window closes.
#pragma once

#include "ui/ListWindow.h"

#include "fido/AddrList.h"
#include "settings/Column.h"
#include "ui/AnalysisWindow.h"
#include "ui/HelpWindow.h"

#include <QMdiSubWindow>
#include <QStringList>

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
class TDialStatModel;
class TNodeStatList;

class TDialStatForm : public QMdiSubWindow, public TAnalysisWindow {
    Q_OBJECT

public:
    static constexpr int kHelpContext = hcDialStat;
    // The sort orders offered in the sort menus (nsoAddr to nsoCPS).
    static constexpr int kSortOrders = 8;

    // The window of a log that its log window shows (log->Window); no day is shown
    // until SetDay.
    explicit TDialStatForm(TMailerLog* log, QWidget* parent = nullptr);
    ~TDialStatForm() override;

    // --- what the log window tells the window ---
    QWidget* Widget() override { return this; }
    void ShowDay(long day) override { SetDay(day); }
    void ApplyGridFont() override;
    bool LogGrown() override;

    // Shows a day (an index outside the days shows "???" and no rows).
    void SetDay(long day);
    long Day() const { return day_; }

    // --- commands ---
    // The log's sort order for all its windows; the selected node stays selected.
    void SetSortOrder(int order);
    // Sorts by a grid column's type; nothing for a type without an order.
    void SortByColumn(int gridColumn);
    // The log window to the first or last session with the selected row's node.
    void GoToNodeSession(bool last);
    void PrevDay();
    void NextDay();
    // Asks for a file name and writes the report (message 27 without report columns).
    void WriteReport();
    // Writes the report into a file; false after an error, which was shown.
    bool WriteReportTo(const std::string& path);
    // The column setup dialog on a grid column (F10, BtnDSSetup, "Setup...").
    void SetupColumns(int gridColumn);
    void AutosizeColumn(int gridColumn);
    void AutosizeWindow();
    void LayOutGrid();

    // --- state and parts, for the tests ---
    std::string Section() const { return section_; }
    TMailerLog* Log() const { return log_; }
    TColumnList& Columns() { return columns_; }
    TAddrList& Highlight() { return highlight_; }
    TReportSettings& ReportSettings() { return report_; }
    const QStringList& TypeNames() const { return typeNames_; }
    int SelectedRow() const;
    void SelectRow(int row);
    QString DayText() const;
    QString StatusText() const;
    QTableView* Grid() const { return grid_; }
    TDialStatModel* Model() const { return model_; }
    QToolButton* Button(const char* name) const;
    QMenu* RowMenu() const { return rowMenu_; }
    QMenu* HeaderMenu() const { return headerMenu_; }
    QMenu* SortMenu() const { return sortMenu_; }
    QAction* MenuAction(const char* name) const;
    // Brings the row menu's items up to date (as opening it does).
    void UpdateRowMenu();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildToolBar();
    void BuildMenus();
    QMenu* BuildSortMenu(const char* name, const char* itemPrefix);
    void ApplyTexts();
    void LoadState();
    void SaveState();
    void ShowError(const std::string& text);
    void SetHourglass(bool on);
    void CheckSortItems();
    void UpdateStatus();
    bool GridKey(QKeyEvent* event);
    void ColumnMoved(int oldVisual, int newVisual);
    TNodeStatList* DayList() const;

    TMailerLog* log_;
    std::string section_;
    long day_ = -1;
    TColumnList columns_;
    TAddrList highlight_{true, false};
    TReportSettings report_;
    QStringList typeNames_;
    int headerColumn_ = 0;
    int digitWidth_ = 0;  // of the grid font the column widths are for
    TWaitCursor wait_;
    bool placed_ = false;
    bool saved_ = false;

    QMainWindow* body_ = nullptr;
    QTableView* grid_ = nullptr;
    TDialStatModel* model_ = nullptr;
    QLabel* dayLabel_ = nullptr;
    QLabel* status_ = nullptr;
    QMenu* rowMenu_ = nullptr;
    QMenu* headerMenu_ = nullptr;
    QMenu* sortMenu_ = nullptr;
    QMenu* rowSortMenu_ = nullptr;
};

// Opens the dial statistics of a log in an MDI area (shown, in front) at a day.
TDialStatForm* OpenDialStat(QMdiArea* area, TMailerLog* log, long day);

// Makes the dial statistics the log window's dial-statistics window (F8).
void RegisterDialStatWindow();

}  // namespace tarvix
