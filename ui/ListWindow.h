// What the two list windows (the session list and the dial statistics) share: column
// widths that follow the grid font, cell texts cut with an ellipsis, the column
// setup and the choice of the report file.
//
// Column widths are pixels of the font they were set for. Beside the columns the
// window stores "DigitWidth", the width of a digit in the grid font of the time;
// when the grid font is another one now, every width is scaled by the ratio of the
// two digit widths, so a larger font never cuts digits off a number. Widths stored
// without it (and the default columns) were made for a digit of kDefaultDigitWidth
// pixels.
#pragma once

#include "settings/Column.h"

#include <QString>
#include <QStringList>

#include <functional>

#include <string>
#include <string_view>

class QFont;
class QPainter;
class QRect;
class QTableView;
class QWidget;

namespace tarvix {

class TAddrList;
class TIniFile;

inline constexpr int kDefaultDigitWidth = 6;
inline constexpr std::string_view kDigitWidthKey = "DigitWidth";

// The width of the widest digit of a font, in pixels (at least 1).
int DigitWidth(const QFont& font);
// The digit width the stored column widths of a section were made for.
int StoredDigitWidth(const TIniFile& ini, std::string_view section);
// Scales every column's ScrWidth from digit width `from` to digit width `to`,
// rounding up; nothing when they are equal or one is not positive.
void ScaleColumnWidths(TColumnList& columns, int from, int to);

// Draws a cell text in a rectangle (2 pixels kept free on either side) with an
// alignment; a text that does not fit ends in an ellipsis.
void DrawCellText(QPainter& painter, const QRect& rect, Qt::Alignment alignment, const QString& text);
Qt::Alignment ColumnAlignment(const TColumn& column);

// Asks for the report file in a save dialog: the file named last, or else
// `proposal` in the home folder, with the extension ".txt" added to a name typed
// without one. Stores the choice in settings.FileName; false for Cancel.
bool AskReportFile(QWidget* parent, TReportSettings& settings, const QString& proposal);

// Reads a list window's settings section: its columns (the defaults when there are
// none; a damaged one is shown through showError and gives the defaults too), their
// widths scaled to the grid font, the highlight list and the report settings. Gives
// the digit width of the grid font, which SaveListState stores with the columns.
int LoadListState(const std::string& section, const QFont& gridFont, const TColumnFactory& factory,
                  void (*defaults)(TColumnList&), TColumnList& columns, TAddrList& highlight,
                  TReportSettings& report, const std::function<void(const std::string&)>& showError);
// Writes the section afresh, so that no value of a column that is gone stays behind:
// the window's placement, the columns with the digit width they are for, the
// highlight list and the report settings; of the rest only the log window's record
// of the open windows ("Open") is kept.
void SaveListState(QWidget* form, const std::string& section, const TColumnList& columns, int digitWidth,
                   const TAddrList& highlight, const TReportSettings& report);

// The list's column shown in a grid column (0 for none), for the column setup.
int ListColumnOfGridColumn(const TColumnList& columns, int gridColumn);
// Takes the grid's column widths into the columns and makes the window as wide as
// its columns (moved left where it would stand out of its MDI area).
void FitWindowToColumns(QWidget* window, QTableView* grid, TColumnList& columns);

// Takes a column the user dragged in the grid's header from visual place oldVisual to
// newVisual into the list (the grid shows the columns in list order): the header
// move is undone and the list's columns moved instead. False when nothing moved;
// else the window lays its grid out again.
bool MoveListColumn(QTableView* grid, TColumnList& columns, int oldVisual, int newVisual);

// The wait cursor of a window's long work, put aside while an error box shows.
class TWaitCursor {
public:
    void Set(bool on);
    void ShowError(const std::string& text);

private:
    bool on_ = false;
};

// What the column setup changed.
enum class TSetupResult { Cancelled, Unchanged, ColumnsChanged };

// Runs the column setup dialog over a window's columns, highlight list and report
// settings, on column `select` of the list (-1 none), and applies what OK gives.
// The window lays its grid out again for ColumnsChanged and repaints for Unchanged.
TSetupResult RunColumnSetup(QWidget* parent, const QString& caption, const QStringList& typeNames,
                            const TColumnFactory& factory, TColumnList& columns, TAddrList& highlight,
                            TReportSettings& report, int select);

}  // namespace tarvix
