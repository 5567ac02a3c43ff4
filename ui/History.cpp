#include "ui/History.h"

#include "fido/DateTime.h"
#include "fido/Dialogs.h"
#include "settings/SettingsStore.h"
#include "ui/QtConvert.h"
#include "ui/SpeedBar.h"
#include "ui/UiText.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenu>
#include <QPainter>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>

namespace tarvix {

namespace {

const QColor kOtherBackground(0xE0, 0xE0, 0xE0);
const QColor kDayRule(0x80, 0x80, 0x80);

// Draws the cell, and a grey rule along the top of the first session of a day.
class TDayRuleDelegate : public QStyledItemDelegate {
public:
    TDayRuleDelegate(std::function<bool(int row)> firstOfDay, QObject* parent)
        : QStyledItemDelegate(parent), firstOfDay_(std::move(firstOfDay))
    {
    }
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::paint(painter, option, index);
        if (index.row() > 0 && firstOfDay_(index.row())) {
            painter->save();
            painter->setPen(kDayRule);
            painter->drawLine(option.rect.topLeft(), option.rect.topRight());
            painter->restore();
        }
    }

private:
    std::function<bool(int row)> firstOfDay_;
};

}  // namespace

THistoryForm::THistoryForm(int version, int line, QWidget* parent)
    : TSideFileForm("THistoryForm",
                    std::string("History.") + (version == THistoryFile::ArgusVersion ? "Argus" : "T-Mail"), parent),
      argus_(version == THistoryFile::ArgusVersion),
      version_(argus_ ? 2600 : version),
      line_(ValidTaskLine(line) ? line : 1)
{
    SetSource({kHistoryColumns,
               [this] { return static_cast<int>(file_.Records.size()); },
               [this](int row, int column, int role) { return Cell(row, column, role); },
               [](int column) { return QString::fromStdString(HistoryHeading(column)); },
               {}});
    grid_->setItemDelegate(new TDayRuleDelegate([this](int row) { return DayOf(row) != DayOf(row - 1); }, grid_));
    SetColumnWidths({70, 110, 64, 64, 80, 80});
    connect(grid_->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this] { ShowDay(); });

    QStyle* s = style();
    AddButton("BtnPrevDay", s->standardIcon(QStyle::SP_ArrowLeft), [this] { PrevDay(); });
    AddButton("BtnNextDay", s->standardIcon(QStyle::SP_ArrowRight), [this] { NextDay(); });
    AddButton("BtnLine", GlyphIcon(QStringLiteral("#"), Qt::darkBlue), [this] { SelectLine(); });
    AddButton("BtnClose", s->standardIcon(QStyle::SP_DialogCloseButton), [this] { close(); });
    AddItem(rowMenu_, "MIPrevDay", QStringLiteral("&Previous day"), [this] { PrevDay(); },
            QKeySequence(Qt::CTRL | Qt::Key_Left));
    AddItem(rowMenu_, "MINextDay", QStringLiteral("&Next day"), [this] { NextDay(); },
            QKeySequence(Qt::CTRL | Qt::Key_Right));
    AddItem(rowMenu_, "MILine", QStringLiteral("Select &line..."), [this] { SelectLine(); },
            QKeySequence(Qt::CTRL | Qt::Key_L));
    rowMenu_->addSeparator();
    AddItem(rowMenu_, "MIClose", QStringLiteral("&Close"), [this] { close(); });
    connect(rowMenu_, &QMenu::aboutToShow, this, [this] { UpdateMenu(); });
    ApplyTexts();
    ResizeToColumns(500, 360);
}

void THistoryForm::ApplyTexts()
{
    TSideFileForm::ApplyTexts();
    // "T-Mail - %s" or "Argus - %s" with interface text 108.
    QString title = argus_ ? UiKeyText("History.ArgusCaption", "Argus - %s")
                           : UiKeyText("History.TMailCaption", "T-Mail - %s");
    setWindowTitle(title.replace(QStringLiteral("%s"), UiText(108, {}, "Last sessions history")));
    shownDay_ = -1;
    ShowDay();
    model_->headerDataChanged(Qt::Horizontal, 0, kHistoryColumns - 1);
}

void THistoryForm::LoadHistory(const std::string& where)
{
    where_ = where;
    // Argus has one binary log: no line to choose.
    // A widget of a tool bar is shown and hidden through the bar's action for it.
    for (QAction* a : bar_->actions())
        if (bar_->widgetForAction(a) == Button("BtnLine"))
            a->setVisible(!argus_);
    MenuAction("MILine")->setEnabled(!argus_);
    Load();
}

void THistoryForm::Load()
{
    THistoryFile file = argus_ ? THistoryFile::ReadArgus(where_) : THistoryFile::ReadTMail(where_, line_, version_);
    file_ = std::move(file);
    model_->Reload();
    shownDay_ = -1;
    SelectRow(static_cast<int>(file_.Records.size()) - 1);
    ShowDay();
    if (!file_.Damage.empty())
        MessageDlgText(file_.Damage, TMsgDlgType::mtWarning, mbOK);
}

std::int64_t THistoryForm::DayOf(int row) const
{
    return row >= 0 && row < static_cast<int>(file_.Records.size()) ? file_.Records[static_cast<std::size_t>(row)].Day()
                                                                      : INT64_MIN;
}

QVariant THistoryForm::Cell(int row, int column, int role) const
{
    const THistoryRecord& r = file_.Records[static_cast<std::size_t>(row)];
    switch (role) {
    case Qt::DisplayRole: return QString::fromStdString(HistoryCell(r, column));
    case Qt::ForegroundRole:
        return ToQColor(Settings().Colors[(r.Flags & THistoryRecord::Incoming) ? ciTLInc : ciTLOut]);
    case Qt::BackgroundRole: return (r.Flags & THistoryRecord::Success) ? QColor(Qt::white) : kOtherBackground;
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::Alignment((column == 2 || column == 3 ? Qt::AlignRight : Qt::AlignLeft) |
                                                 Qt::AlignVCenter));
    default: return {};
    }
}

void THistoryForm::ShowDay()
{
    const int row = SelectedRow();
    const std::int64_t day = DayOf(row);
    if (row < 0) {
        SetStatus(QString());
        return;
    }
    if (day == shownDay_)
        return;
    shownDay_ = day;
    long long count = 0, success = 0;
    for (const THistoryRecord& r : file_.Records)
        if (r.Day() == day) {
            ++count;
            success += (r.Flags & THistoryRecord::Success) ? 1 : 0;
        }
    const std::string date = FormatDateTime("dd mmm", UnixDateDelta + static_cast<double>(day));
    SetStatus(UiText(141, {date, count, success}, "Day"));
}

void THistoryForm::PrevDay()
{
    const int row = SelectedRow();
    for (int i = row - 1; i >= 0; --i)
        if (DayOf(i) != DayOf(row)) {
            SelectRow(i);
            return;
        }
}

void THistoryForm::NextDay()
{
    const int row = SelectedRow();
    for (int i = row + 1; i < static_cast<int>(file_.Records.size()); ++i)
        if (DayOf(i) != DayOf(row)) {
            SelectRow(i);
            return;
        }
}

void THistoryForm::UpdateMenu()
{
    const std::int64_t day = DayOf(SelectedRow());
    const bool any = !file_.Records.empty() && SelectedRow() >= 0;
    MenuAction("MIPrevDay")->setEnabled(any && day != file_.Records.front().Day());
    MenuAction("MINextDay")->setEnabled(any && day != file_.Records.back().Day());
}

void THistoryForm::SelectLine()
{
    if (!argus_)
        ChooseLine(line_, [this] { Load(); });
}

void THistoryForm::closeEvent(QCloseEvent* event)
{
    if (!argus_)
        Settings().HistoryLine = line_;
    TSideFileForm::closeEvent(event);
}

}  // namespace tarvix
