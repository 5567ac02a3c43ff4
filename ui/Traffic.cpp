#include "ui/Traffic.h"

#include "fido/Dialogs.h"
#include "platform/CodePage.h"
#include "platform/FileRead.h"
#include "settings/SettingsStore.h"
#include "ui/ListWindow.h"
#include "ui/SpeedBar.h"
#include "ui/UiText.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QFont>
#include <QHeaderView>
#include <QMenu>
#include <QStyle>
#include <QTableView>

namespace tarvix {

namespace {

const QColor kZeroColour(128, 128, 128);

}  // namespace

TTrafficForm::TTrafficForm(int line, int sortOrder, QWidget* parent)
    : TSideFileForm("TTrafficForm", "TTrafficForm", parent),
      line_(ValidTaskLine(line) ? line : 1),
      sort_(sortOrder >= 0 && sortOrder < kTrafficSortCount ? sortOrder : tsFirstSession)
{
    SetSource({kTrafficColumns,
               [this] { return static_cast<int>(file_.Records.size()) + 1; },
               [this](int row, int column, int role) { return Cell(row, column, role); },
               [](int column) { return QString::fromStdString(TrafficHeading(column)); },
               [this](int column) { return TrafficSortOfColumn(column) == sort_; }});
    SetColumnWidths({93, 105, 64, 64, 64, 64, 64, 64});
    connect(grid_->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { SortBy(TrafficSortOfColumn(column)); });

    QStyle* s = style();
    AddButton("BtnFind", FindIcon(), [this] { Find(); });
    AddButton("BtnLine", GlyphIcon(QStringLiteral("#"), Qt::darkBlue), [this] { SelectLine(); });
    AddButton("BtnSave", s->standardIcon(QStyle::SP_DialogSaveButton), [this] { SaveReport(); });
    AddButton("BtnClose", s->standardIcon(QStyle::SP_DialogCloseButton), [this] { close(); });

    AddSortMenu({QStringLiteral("&First session"), QStringLiteral("&Address"), QStringLiteral("&Sessions"),
                 QStringLiteral("&Traffic"), QStringLiteral("&Length")},
                [this](int order) { SortBy(order); });
    rowMenu_->addSeparator();
    AddItem(rowMenu_, "MIFind", QStringLiteral("&Find node..."), [this] { Find(); }, QKeySequence(Qt::CTRL | Qt::Key_F));
    AddItem(rowMenu_, "MILine", QStringLiteral("Select &line..."), [this] { SelectLine(); },
            QKeySequence(Qt::CTRL | Qt::Key_L));
    AddItem(rowMenu_, "MISave", QStringLiteral("&Write report..."), [this] { SaveReport(); },
            QKeySequence(Qt::CTRL | Qt::Key_S));
    rowMenu_->addSeparator();
    AddItem(rowMenu_, "MIClose", QStringLiteral("&Close"), [this] { close(); });
    CheckSortItem(sort_);
    ApplyTexts();
    ResizeToColumns(620, 320);
}

void TTrafficForm::ApplyTexts()
{
    TSideFileForm::ApplyTexts();
    setWindowTitle(UiKeyText("Traffic.Caption", "T-Mail traffic"));
    SetStatus(UiText(146, {line_, static_cast<long long>(file_.Records.size())}, "Line"));
    model_->headerDataChanged(Qt::Horizontal, 0, kTrafficColumns - 1);
}

void TTrafficForm::LoadTraffic(const std::string& dir, int version)
{
    dir_ = dir;
    version_ = version;
    Load();
}

void TTrafficForm::Load()
{
    TTrafficFile file = TTrafficFile::Read(dir_, line_, version_);
    file_ = std::move(file);
    SortTraffic(file_.Records, sort_);
    model_->Reload();
    SelectRow(0);
    ApplyTexts();
    if (!file_.Damage.empty())
        MessageDlgText(file_.Damage, TMsgDlgType::mtWarning, mbOK);
}

QVariant TTrafficForm::Cell(int row, int column, int role) const
{
    const bool total = row == static_cast<int>(file_.Records.size());
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromStdString(total ? TrafficTotalCell(file_.Total, column)
                                            : TrafficCell(file_.Records[static_cast<std::size_t>(row)], column));
    case Qt::ForegroundRole:
        if (!total && TrafficCellIsZero(file_.Records[static_cast<std::size_t>(row)], column))
            return kZeroColour;
        return {};
    case Qt::FontRole:
        if (total) {
            QFont f = grid_->font();
            f.setBold(true);
            return f;
        }
        return {};
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::Alignment((column == 4 || column == 5 ? Qt::AlignRight : Qt::AlignLeft) |
                                                 Qt::AlignVCenter));
    default: return {};
    }
}

void TTrafficForm::SortBy(int order)
{
    if (order < 0 || order >= kTrafficSortCount)
        return;
    // The selected node stays selected.
    const int row = SelectedRow();
    const bool node = row >= 0 && row < static_cast<int>(file_.Records.size());
    const TTrafficRecord selected = node ? file_.Records[static_cast<std::size_t>(row)] : TTrafficRecord{};
    sort_ = order;
    SortTraffic(file_.Records, sort_);
    model_->Reload();
    CheckSortItem(sort_);
    for (std::size_t i = 0; node && i < file_.Records.size(); ++i)
        if (EqualAddr(file_.Records[i].Addr(), selected.Addr())) {
            SelectRow(static_cast<int>(i));
            return;
        }
    SelectRow(row);
}

void TTrafficForm::Find()
{
    FindNode([this](int row) {
        return row < static_cast<int>(file_.Records.size()) ? file_.Records[static_cast<std::size_t>(row)].Addr()
                                                            : TFidoAddr(-1, -1, -1, -1);
    });
}

void TTrafficForm::SelectLine()
{
    ChooseLine(line_, [this] { Load(); });
}

void TTrafficForm::SaveReport()
{
    // The file named last in this session of the window, else traffic.txt at home.
    if (AskReportFile(this, report_, QStringLiteral("traffic")))
        WriteReport(report_.FileName);
}

void TTrafficForm::WriteReport(const std::string& path) const
{
    const QDateTime now = QDateTime::currentDateTime();
    const TDateTime stamp = UnixDateDelta + static_cast<double>(now.toSecsSinceEpoch() + now.offsetFromUtc()) / 86400.0;
    std::string text;
    for (const std::string& line : TrafficReport(file_, stamp))
        text += EncodeFromUtf8(line, Settings().OemCodePage) + "\r\n";
    WriteFileAtomic(path, text);
}

void TTrafficForm::closeEvent(QCloseEvent* event)
{
    Settings().TrafficLine = line_;
    Settings().TrafficSort = sort_;
    TSideFileForm::closeEvent(event);
}

}  // namespace tarvix
