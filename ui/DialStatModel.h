// The rows of the dial statistics: one row per node of a day's statistics, in the
// list's order, and the day's total as the last row; one column per column of the
// window's list that is shown on screen. Without a day there are no rows.
#pragma once

#include <QAbstractTableModel>

namespace tarvix {

class TAddrList;
class TColumn;
class TColumnList;
class TNodeStatList;
struct TNodeStat;

class TDialStatModel : public QAbstractTableModel {
    Q_OBJECT

public:
    // Whether a row is drawn in bold: a highlighted node, or the total (bool).
    static constexpr int kBoldRole = Qt::UserRole + 1;

    // The columns and the highlight list stay owned by the window and must outlive
    // the model.
    TDialStatModel(const TColumnList& columns, const TAddrList& highlight, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The day's statistics (nullptr: no day); the rows are laid out again.
    void SetList(const TNodeStatList* list);
    const TNodeStatList* List() const { return list_; }
    // Lays the rows and columns out again after the columns or the order changed.
    void Relayout();
    // The sort order whose column headings are drawn in navy.
    void SetSortOrder(int order);

    int NodeCount() const;
    bool IsTotalRow(int row) const;
    // The node of a row, or the total record for the last row; nullptr outside.
    const TNodeStat* Record(int row) const;
    // The row of the node with this address (EqualAddr), -1 when none.
    int RowOfRecord(const TNodeStat& node) const;
    // The column of the list shown in a grid column.
    const TColumn& Column(int gridColumn) const;
    QString Text(int row, int gridColumn) const;
    bool Highlighted(int row) const;
    bool Bold(int row) const { return Highlighted(row) || IsTotalRow(row); }
    Qt::Alignment CellAlignment(int row, int gridColumn) const;
    // The sort order of a grid column's type (nsoNone for none).
    int ColumnOrder(int gridColumn) const;

private:
    const TColumnList& columns_;
    const TAddrList& highlight_;
    const TNodeStatList* list_ = nullptr;
    int rows_ = 0;
    int sortOrder_ = -1;
};

}  // namespace tarvix
