#include "ui/SessListModel.h"

#include "engine/MailerLog.h"
#include "engine/SessColumns.h"
#include "fido/AddrList.h"
#include "settings/Column.h"
#include "settings/SettingsStore.h"
#include "ui/ListWindow.h"
#include "ui/QtConvert.h"

#include <climits>

namespace tarvix {

TSessListModel::TSessListModel(const TMailerLog& log, const TColumnList& columns, const TAddrList& highlight,
                               QObject* parent)
    : QAbstractTableModel(parent), log_(log), columns_(columns), highlight_(highlight)
{
    rows_ = static_cast<int>(std::min<std::size_t>(log_.SessCount(), INT_MAX));
}

void TSessListModel::AddNewRows()
{
    if (rows_ > 0)
        emit dataChanged(index(0, 0), index(rows_ - 1, std::max(0, columnCount() - 1)));
    const int rows = static_cast<int>(std::min<std::size_t>(log_.SessCount(), INT_MAX));
    if (rows <= rows_)
        return;
    beginInsertRows(QModelIndex(), rows_, rows - 1);
    rows_ = rows;
    endInsertRows();
}

int TSessListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int TSessListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : columns_.ScrCount(); }

void TSessListModel::Relayout()
{
    beginResetModel();
    rows_ = static_cast<int>(std::min<std::size_t>(log_.SessCount(), INT_MAX));
    endResetModel();
}

const TSess& TSessListModel::Sess(int row) const { return log_.GetSess(static_cast<std::size_t>(row)); }

const TColumn& TSessListModel::Column(int gridColumn) const
{
    return columns_.GetColumn(columns_.ScrIndex().at(static_cast<std::size_t>(gridColumn)));
}

QString TSessListModel::Text(int row, int gridColumn) const
{
    std::string text;
    Column(gridColumn).GetText(&Sess(row), false, text);
    ++textsBuilt_;
    return QString::fromStdString(text);
}

bool TSessListModel::Highlighted(int row) const
{
    const TSess& s = Sess(row);
    return s.Addr && highlight_.Count() > 0 && highlight_.Selects(*s.Addr);
}

QColor TSessListModel::TextColour(int row, const QString& text) const
{
    const int item = text == QLatin1String("BAD") ? ciErrors : Sess(row).SessColor();
    QColor colour;
    if (item >= 0 && item < kColorCount)
        colour = ToQColor(Settings().Colors[static_cast<std::size_t>(item)]);
    return colour.isValid() ? colour : QColor(Qt::black);
}

QColor TSessListModel::Background(const TSess& s)
{
    return s.Has(sfOK) ? QColor(Qt::white) : QColor(192, 192, 192);
}

Qt::Alignment TSessListModel::CellAlignment(const TColumn& column) { return ColumnAlignment(column); }

QVariant TSessListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rows_ || index.column() >= columns_.ScrCount())
        return {};
    const int row = index.row();
    switch (role) {
    case Qt::DisplayRole: return Text(row, index.column());
    case Qt::TextAlignmentRole: return QVariant::fromValue(CellAlignment(Column(index.column())));
    case Qt::ForegroundRole: return TextColour(row, Text(row, index.column()));
    case Qt::BackgroundRole: return Background(Sess(row));
    case Qt::FontRole: {
        if (!Highlighted(row))
            return {};
        QFont bold = font_;
        bold.setBold(true);
        return bold;
    }
    case kBoldRole: return Highlighted(row);
    case kFirstOfDayRole: return Sess(row).Has(sfFirstOfDay);
    default: return {};
    }
}

QVariant TSessListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= columns_.ScrCount())
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole)
        return QString::fromStdString(Column(section).Heading);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    return {};
}

}  // namespace tarvix
