#include "ui/FreqLim.h"

#include "fido/Dialogs.h"
#include "fido/LogUtils.h"
#include "settings/SettingsStore.h"
#include "ui/SpeedBar.h"
#include "ui/UiText.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QMenu>
#include <QStyle>
#include <QTableView>

namespace tarvix {

namespace {

const QColor kZeroColour(128, 128, 128);

}  // namespace

TFreqLimForm::TFreqLimForm(int sortOrder, QWidget* parent)
    : TSideFileForm("TFreqLimForm", "TFreqLimForm", parent),
      sort_(sortOrder >= 0 && sortOrder < kFreqLimSortCount ? sortOrder : fsNone)
{
    SetSource({kFreqLimColumns,
               [this] { return static_cast<int>(file_.Entries.size()); },
               [this](int row, int column, int role) { return Cell(row, column, role); },
               [](int column) { return QString::fromStdString(FreqLimHeading(column)); },
               [this](int column) { return FreqLimSortOfColumn(column) == sort_; }});
    SetColumnWidths({96, 86, 48, 53, 47});
    connect(grid_->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { SortBy(FreqLimSortOfColumn(column)); });
    connect(grid_->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this] { ApplyTexts(); });

    QStyle* s = style();
    AddButton("BtnFind", FindIcon(), [this] { Find(); });
    AddButton("BtnClear", s->standardIcon(QStyle::SP_DialogResetButton), [this] { ClearSelected(); });
    AddButton("BtnClose", s->standardIcon(QStyle::SP_DialogCloseButton), [this] { close(); });
    AddSortMenu({QStringLiteral("&Unsorted"), QStringLiteral("&Address"), QStringLiteral("Freq &size"),
                 QStringLiteral("&Last freq")},
                [this](int order) { SortBy(order); });
    rowMenu_->addSeparator();
    AddItem(rowMenu_, "MIFind", QStringLiteral("&Find node..."), [this] { Find(); }, QKeySequence(Qt::CTRL | Qt::Key_F));
    AddItem(rowMenu_, "MIClear", QStringLiteral("&Clear"), [this] { ClearSelected(); },
            QKeySequence(Qt::CTRL | Qt::Key_C));
    rowMenu_->addSeparator();
    AddItem(rowMenu_, "MIClose", QStringLiteral("&Close"), [this] { close(); });
    CheckSortItem(sort_);
    ApplyTexts();
    ResizeToColumns(360, 320);
}

void TFreqLimForm::ApplyTexts()
{
    TSideFileForm::ApplyTexts();
    setWindowTitle(UiKeyText("FreqLim.Caption", "Freq limits"));
    SetStatus(UiText(147, {SelectedRow() + 1, static_cast<long long>(file_.Entries.size())}, "Row"), 0);
    // The total of the file as read; clearing a node does not change it.
    SetStatus(UiText(148, {FormatKBytes(static_cast<std::int32_t>(std::min<std::uint64_t>(file_.TotalMonth, INT32_MAX)))},
                     "Total"),
              1);
}

void TFreqLimForm::LoadFreqLimits(const std::string& dir)
{
    dir_ = dir;
    path_ = FreqLimPath(dir);
    TFreqLimFile file = TFreqLimFile::Read(dir);
    file_ = std::move(file);
    SortFreqLimits(file_.Entries, sort_);
    model_->Reload();
    SelectRow(0);
    ApplyTexts();
    if (!file_.Damage.empty())
        MessageDlgText(file_.Damage, TMsgDlgType::mtWarning, mbOK);
}

QVariant TFreqLimForm::Cell(int row, int column, int role) const
{
    const TFreqLimEntry& e = file_.Entries[static_cast<std::size_t>(row)];
    switch (role) {
    case Qt::DisplayRole: return QString::fromStdString(FreqLimCell(e, column));
    case Qt::ForegroundRole: {
        const std::uint32_t values[] = {e.Day, e.Week, e.Month};
        if (column >= 2 && values[column - 2] == 0)
            return kZeroColour;
        return {};
    }
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::Alignment((column >= 2 ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter));
    default: return {};
    }
}

void TFreqLimForm::Resort()
{
    const int row = SelectedRow();
    const bool any = row >= 0 && row < static_cast<int>(file_.Entries.size());
    const std::size_t number = any ? file_.Entries[static_cast<std::size_t>(row)].Number : 0;
    SortFreqLimits(file_.Entries, sort_);
    model_->Reload();
    CheckSortItem(sort_);
    // The selected entry stays selected.
    for (std::size_t i = 0; any && i < file_.Entries.size(); ++i)
        if (file_.Entries[i].Number == number) {
            SelectRow(static_cast<int>(i));
            return;
        }
    SelectRow(row);
}

void TFreqLimForm::SortBy(int order)
{
    if (order < 0 || order >= kFreqLimSortCount)
        return;
    sort_ = order;
    Resort();
}

void TFreqLimForm::Find()
{
    FindNode([this](int row) { return file_.Entries[static_cast<std::size_t>(row)].Addr(); });
}

void TFreqLimForm::ClearSelected()
{
    const int row = SelectedRow();
    if (row < 0 || row >= static_cast<int>(file_.Entries.size()))
        return;
    TFreqLimEntry& e = file_.Entries[static_cast<std::size_t>(row)];
    if (MessageDlgLOr(38, {e.Addr().ToStr()}, "Clear the file-request amounts of %s?", TMsgDlgType::mtConfirmation,
                      mbOKCancel) != mrOk)
        return;
    try {
        ClearFreqLimit(path_, e);
    } catch (const EFreqLimError& error) {
        // T-Mail rewrote the file meanwhile: show what it holds now.
        MessageDlgText(error.what(), TMsgDlgType::mtError, mbOK);
        LoadFreqLimits(dir_);
        return;
    }
    e.Day = e.Week = e.Month = 0;
    Resort();
}

void TFreqLimForm::closeEvent(QCloseEvent* event)
{
    Settings().FreqLimSort = sort_;
    TSideFileForm::closeEvent(event);
}

}  // namespace tarvix
