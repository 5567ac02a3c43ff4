// The file-request list: an MDI child that lists the file requests found in a
// mailer log, one row per requested file in log order: the requesting address, the
// file and whether it was sent (requests not sent in red). Choosing a row moves the
// log window to the request's line.
//
// Settings: the placement and the column widths in <log name>.FreqList ("Open" is
// kept by the log window).
#pragma once

#include "ui/AnalysisWindow.h"
#include "ui/HelpWindow.h"

#include <QAbstractTableModel>
#include <QMdiSubWindow>

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

// The rows of the list; the texts are made when the view asks for them.
class TFreqListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit TFreqListModel(const TMailerLog& log, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    QString Text(int row, int column) const;
    // The header and status texts follow the interface language.
    void Retranslate();
    // Shows the requests the log added since (the analysis went on): rows at the end,
    // and the rows before shown again (a request is marked sent when its file goes).
    void AddNewRows();

private:
    const TMailerLog& log_;
    int rows_ = 0;
};

class TFreqForm : public QMdiSubWindow, public TAnalysisWindow {
    Q_OBJECT

public:
    static constexpr int kHelpContext = hcFreqList;

    // The request list of a log that its log window shows (log->Window).
    explicit TFreqForm(TMailerLog* log, QWidget* parent = nullptr);
    ~TFreqForm() override;

    QWidget* Widget() override { return this; }
    void ApplyGridFont() override;
    bool LogGrown() override;

    // Moves the log window to the line of a request (its index).
    void GoToRequest(long request);
    // The previous or next request from the address of the selected one.
    void PrevRequestFrom();
    void NextRequestFrom();

    // --- state and parts, for the tests ---
    long SelectedRequest() const { return current_; }
    void SelectRequest(long request);
    QTableView* Grid() const { return grid_; }
    TFreqListModel* Model() const { return model_; }
    QString StatusText() const;
    QMenu* RowMenu() const { return rowMenu_; }
    QAction* MenuAction(const char* name) const;
    QToolButton* Button(const char* name) const;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildToolBar();
    void BuildMenu();
    void ApplyTexts();
    void UpdateRowMenu();
    void StepFromSameAddr(int step);
    bool GridKey(QKeyEvent* event);

    TMailerLog* log_;
    std::string section_;
    long current_ = -1;
    bool placed_ = false;
    bool saved_ = false;
    bool initialAtTop_ = true;

    QMainWindow* body_ = nullptr;
    QTableView* grid_ = nullptr;
    TFreqListModel* model_ = nullptr;
    QLabel* status_ = nullptr;
    QMenu* rowMenu_ = nullptr;
};

// Makes the request list the log window's file-request window (F6).
void RegisterFreqListWindow();

}  // namespace tarvix
