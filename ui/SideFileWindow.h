// What the windows over the mailers' side files share (the T-Mail traffic, the
// session history, the file-request limits): an MDI child whose body holds a speed
// bar, a read-only grid of rows, a status bar and a pop-up menu of the rows; the
// questions for a node's address and for a line number; Esc to close; the window
// placement in its own settings section; the grid font of the frame.
//
// The frame opens them from its T-Mail and Argus menus (OpenSideFileWindow).
#pragma once

#include "fido/FidoAddr.h"

#include <QAbstractTableModel>
#include <QMdiSubWindow>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QLabel;
class QMainWindow;
class QMenu;
class QTableView;
class QToolBar;
class QToolButton;

namespace tarvix {

// The rows of a side-file grid, asked of the window through callbacks.
class TSideFileModel : public QAbstractTableModel {
    Q_OBJECT

public:
    struct TSource {
        int columns = 0;
        std::function<int()> rows;
        // The cell's value for a role (display text, colours, alignment, font).
        std::function<QVariant(int row, int column, int role)> cell;
        std::function<QString(int column)> heading;
        // The column whose heading shows the sort order (drawn in navy).
        std::function<bool(int column)> sortedBy;
    };

    TSideFileModel(TSource source, QObject* parent);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    QString Text(int row, int column) const { return data(index(row, column)).toString(); }
    // The rows changed (a new file, another order).
    void Reload();

private:
    TSource source_;
};

class TSideFileForm : public QMdiSubWindow {
    Q_OBJECT

public:
    // className names the window's section of the language file; section is the
    // settings section of its placement.
    TSideFileForm(const char* className, std::string section, QWidget* parent = nullptr);

    // --- parts, for the tests ---
    QTableView* Grid() const { return grid_; }
    TSideFileModel* Model() const { return model_; }
    QMenu* RowMenu() const { return rowMenu_; }
    QAction* MenuAction(const char* name) const;
    QToolButton* Button(const char* name) const;
    QString StatusText() const;
    int SelectedRow() const;
    void SelectRow(int row);

protected:
    // Sets up the model; the windows call it once from their constructor.
    void SetSource(TSideFileModel::TSource source);
    // Column widths in pixels of a digit kDefaultDigitWidth wide, scaled to the grid's
    // font and never narrower than the column's heading (call after SetSource).
    void SetColumnWidths(std::initializer_list<int> widths);
    // Opens the window at least `width` wide and wide enough for its columns.
    void ResizeToColumns(int width, int height);
    // A speed-bar button and a pop-up item (with a hot key when given) for a command.
    QToolButton* AddButton(const char* name, const QIcon& icon, const std::function<void()>& command);
    QAction* AddItem(QMenu* menu, const char* name, const QString& caption, const std::function<void()>& command,
                     const QKeySequence& key = {});
    // The sort items MISort0.. as radio items of a submenu of the pop-up menu.
    QMenu* AddSortMenu(const QStringList& captions, const std::function<void(int)>& sortBy);
    void CheckSortItem(int order);
    // Asks for an address or mask (interface texts 35, 36) and selects the first row
    // whose address it matches (message 37 when none). The addresses of the rows.
    void FindNode(const std::function<TFidoAddr(int row)>& addrOfRow);
    // Asks for a line number (interface texts 46, 47) with current as the default;
    // nothing for Cancel, and message 48 for a number outside 1..255.
    std::optional<int> AskLine(int current);
    // Asks for another line and loads its file; where that fails the old line stays
    // shown and the error is told.
    void ChooseLine(int& line, const std::function<void()>& load);
    void SetStatus(const QString& text, int panel = 0);
    // The captions from the language file and the window's own texts.
    virtual void ApplyTexts();

    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    QMainWindow* body_ = nullptr;
    QTableView* grid_ = nullptr;
    TSideFileModel* model_ = nullptr;
    QToolBar* bar_ = nullptr;
    QMenu* rowMenu_ = nullptr;
    QMenu* sortMenu_ = nullptr;

private:
    const char* className_;
    std::string section_;
    QLabel* status_[2] = {nullptr, nullptr};
    std::vector<QAction*> hotKeys_;
    bool placed_ = false;
    bool saved_ = false;
};

// The side-file windows of the frame's menus.
enum class TSideFileKind { Traffic, History, FreqLimits, ArgusBinLog };
inline constexpr int kSideFileKinds = 4;

// Creates the window of a kind for the first registered log of its mailer and loads
// its file. Raises the file's error (EFOpenError, ...) when the file cannot be read
// (the window is gone then); nullptr when no log of that mailer is registered.
TSideFileForm* CreateSideFileWindow(TSideFileKind kind);

}  // namespace tarvix
