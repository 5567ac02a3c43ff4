// The rows of the session list: one row per session of a mailer log, in log order,
// and one column per column of the window's list that is shown on screen.
//
// Nothing is built in advance: a cell's text is made from its session when the view
// asks for it, so a log of any number of sessions opens at once and a view only
// pays for the rows it shows.
#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <QFont>

#include <cstddef>

namespace tarvix {

class TAddrList;
class TColumn;
class TColumnList;
class TMailerLog;
struct TSess;

class TSessListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    // Whether the row's session address is in the highlight list (bool).
    static constexpr int kBoldRole = Qt::UserRole + 1;
    // Whether the row's session is the first of its day (bool).
    static constexpr int kFirstOfDayRole = Qt::UserRole + 2;

    // The log, the columns and the highlight list stay owned by the window and must
    // outlive the model.
    TSessListModel(const TMailerLog& log, const TColumnList& columns, const TAddrList& highlight,
                   QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Lays the rows and columns out again after the columns changed.
    void Relayout();
    // Shows the sessions the log added since (the analysis went on): rows at the end,
    // and the rows before shown again (the session closed last may have changed).
    void AddNewRows();

    const TSess& Sess(int row) const;
    // The column of the list shown in a grid column.
    const TColumn& Column(int gridColumn) const;
    QString Text(int row, int gridColumn) const;
    bool Highlighted(int row) const;
    // The colour of a cell's text: the errors colour for "BAD", else the colour of
    // the session's kind.
    QColor TextColour(int row, const QString& text) const;
    // White for a successful session, silver for any other.
    static QColor Background(const TSess& s);
    static Qt::Alignment CellAlignment(const TColumn& column);

    // The grid font, and its bold form for highlighted rows (FontRole).
    void SetFont(const QFont& font) { font_ = font; }

    // How many cell texts have been made so far.
    std::size_t TextsBuilt() const { return textsBuilt_; }

private:
    const TMailerLog& log_;
    const TColumnList& columns_;
    const TAddrList& highlight_;
    int rows_ = 0;
    QFont font_;
    mutable std::size_t textsBuilt_ = 0;
};

}  // namespace tarvix
