#include "ui/DialStatModel.h"

#include "engine/DialStatColumns.h"
#include "engine/NodeStat.h"
#include "fido/AddrList.h"
#include "settings/Column.h"
#include "ui/ListWindow.h"
#include "ui/UiText.h"

#include <QBrush>
#include <QColor>

#include <climits>

namespace tarvix {

TDialStatModel::TDialStatModel(const TColumnList& columns, const TAddrList& highlight, QObject* parent)
    : QAbstractTableModel(parent), columns_(columns), highlight_(highlight)
{
}

int TDialStatModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int TDialStatModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : columns_.ScrCount();
}

void TDialStatModel::SetList(const TNodeStatList* list)
{
    list_ = list;
    Relayout();
}

void TDialStatModel::Relayout()
{
    beginResetModel();
    // The nodes and the total row.
    rows_ = list_ ? static_cast<int>(std::min<std::size_t>(list_->Count(), INT_MAX - 1)) + 1 : 0;
    endResetModel();
}

void TDialStatModel::SetSortOrder(int order)
{
    if (order == sortOrder_)
        return;
    sortOrder_ = order;
    if (columnCount() > 0)
        emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

int TDialStatModel::NodeCount() const { return rows_ > 0 ? rows_ - 1 : 0; }

bool TDialStatModel::IsTotalRow(int row) const { return rows_ > 0 && row == rows_ - 1; }

const TNodeStat* TDialStatModel::Record(int row) const
{
    if (!list_ || row < 0 || row >= rows_)
        return nullptr;
    return IsTotalRow(row) ? &list_->Total : &list_->GetItems(static_cast<std::size_t>(row));
}

int TDialStatModel::RowOfRecord(const TNodeStat& node) const
{
    if (!node.Addr)
        return IsTotalRow(rows_ - 1) ? rows_ - 1 : -1;
    for (int row = 0; row < NodeCount(); ++row) {
        const TNodeStat* n = Record(row);
        if (n->Addr && EqualAddr(*n->Addr, *node.Addr))
            return row;
    }
    return -1;
}

const TColumn& TDialStatModel::Column(int gridColumn) const
{
    return columns_.GetColumn(columns_.ScrIndex().at(static_cast<std::size_t>(gridColumn)));
}

QString TDialStatModel::Text(int row, int gridColumn) const
{
    const TNodeStat* n = Record(row);
    if (!n)
        return {};
    // The first column of the total row names it, whatever the column shows.
    if (IsTotalRow(row) && gridColumn == 0)
        return UiText(88, {}, "Total");
    std::string text;
    Column(gridColumn).GetText(n, false, text);
    return QString::fromStdString(text);
}

bool TDialStatModel::Highlighted(int row) const
{
    const TNodeStat* n = Record(row);
    return n && n->Addr && highlight_.Count() > 0 && highlight_.Selects(*n->Addr);
}

Qt::Alignment TDialStatModel::CellAlignment(int row, int gridColumn) const
{
    if (IsTotalRow(row) && gridColumn == 0)
        return Qt::AlignLeft | Qt::AlignVCenter;
    return ColumnAlignment(Column(gridColumn));
}

int TDialStatModel::ColumnOrder(int gridColumn) const
{
    if (gridColumn < 0 || gridColumn >= columns_.ScrCount())
        return nsoNone;
    return DialStatColumnOrder(Column(gridColumn).ColType);
}

QVariant TDialStatModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rows_ || index.column() >= columns_.ScrCount())
        return {};
    switch (role) {
    case Qt::DisplayRole: return Text(index.row(), index.column());
    case Qt::TextAlignmentRole: return QVariant::fromValue(CellAlignment(index.row(), index.column()));
    case kBoldRole: return Bold(index.row());
    default: return {};
    }
}

QVariant TDialStatModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= columns_.ScrCount())
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (role) {
    case Qt::DisplayRole: return QString::fromStdString(Column(section).Heading);
    case Qt::TextAlignmentRole: return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    case Qt::ForegroundRole: {
        // The heading of the column the rows are sorted by is navy.
        const int order = ColumnOrder(section);
        return QBrush(order != nsoNone && order == sortOrder_ ? QColor(0, 0, 128) : QColor(Qt::black));
    }
    default: return {};
    }
}

}  // namespace tarvix
