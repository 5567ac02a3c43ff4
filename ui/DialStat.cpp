#include "ui/DialStat.h"

#include "engine/DialStatColumns.h"
#include "engine/MailerLog.h"
#include "engine/NodeStat.h"
#include "fido/DateTime.h"
#include "fido/Dialogs.h"
#include "fido/Lng.h"
#include "settings/SettingsStore.h"
#include "settings/ReportWriter.h"
#include "ui/DialStatModel.h"
#include "ui/FindDialog.h"
#include "ui/LngComponent.h"
#include "ui/ListWindow.h"
#include "ui/Placement.h"
#include "ui/SpeedBar.h"
#include "ui/LogWindow.h"
#include "ui/UiText.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QPainter>
#include <QSizePolicy>
#include <QStatusBar>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>

namespace tarvix {

namespace {

constexpr int kStatusHeight = 22;
constexpr int kDefaultHeight = 300;
// A node's address as the menus name it: its alias where it has one, zone and net
// left out where they are the main address's.
constexpr std::uint8_t kMenuAddrFlags = pfAlias | pfShort;

struct TComponentText {
    const char* name;
    const char* text;
};
constexpr TComponentText kButtonHints[] = {
    {"BtnDSSetup", "Setup dial statistics (F10)"},
    {"BtnWrite", "Write report (F2)"},
    {"BtnHelp", "Help"},
    {"BtnClose", "Close"},
    {"BtnSort", "Sort"},
    {"BtnPrevDay", "Previous day"},
    {"BtnNextDay", "Next day"},
};
constexpr TComponentText kMenuTexts[] = {
    {"MIPrevDay", "&Previous day"},   {"MINextDay", "&Next day"},
    {"MIClose", "&Close"},            {"MISetup", "&Setup..."},
    {"MISortColumn", "S&ort"},        {"MIAutosizeColumn", "Autosize &column"},
    {"MIAutosizeWindow", "Autosize &window"},
};
constexpr const char* kSortTexts[TDialStatForm::kSortOrders] = {
    "&Address", "&Tries", "&Outgoing sessions", "&Incoming sessions", "Bytes &sent", "Bytes &received",
    "Time o&nline", "&CPS"};

// Draws the cells: a grey frame, bold for highlighted nodes and the total, the
// text cut with an ellipsis when the column is too narrow.
class TDialStatDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const auto* model = qobject_cast<const TDialStatModel*>(index.model());
        if (!model) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        const int row = index.row();
        const bool selected = option.state & QStyle::State_Selected;
        const QRect r = option.rect;
        painter->save();
        painter->fillRect(r, selected ? option.palette.color(QPalette::Highlight) : QColor(Qt::white));
        QFont font = option.font;
        font.setBold(model->Bold(row));
        painter->setFont(font);
        painter->setPen(selected ? option.palette.color(QPalette::HighlightedText) : QColor(Qt::black));
        painter->setClipRect(r);
        DrawCellText(*painter, r, model->CellAlignment(row, index.column()), model->Text(row, index.column()));
        painter->setPen(QColor(128, 128, 128));
        painter->drawLine(r.topRight(), r.bottomRight());
        painter->drawLine(r.bottomLeft(), r.bottomRight());
        painter->restore();
    }
};

}  // namespace

// ---------------------------------------------------------------- creation

TDialStatForm::TDialStatForm(TMailerLog* log, QWidget* parent)
    : QMdiSubWindow(parent), log_(log), section_(log->Name + ".DialStat")
{
    setObjectName("TDialStatForm");
    setAttribute(Qt::WA_DeleteOnClose);
    SetHelpContext(this, kHelpContext);
    body_ = new QMainWindow(nullptr, Qt::Widget);
    body_->setObjectName("DialStatBody");
    setWidget(body_);

    grid_ = new QTableView(body_);
    grid_->setObjectName("DialStatGrid");
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    grid_->setShowGrid(false);
    grid_->setWordWrap(false);
    grid_->setTabKeyNavigation(false);
    grid_->verticalHeader()->hide();
    grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    QHeaderView* header = grid_->horizontalHeader();
    header->setSectionsMovable(true);
    header->setSectionsClickable(true);
    header->setHighlightSections(false);
    header->setStretchLastSection(false);
    header->setDefaultAlignment(Qt::AlignCenter);
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    grid_->setItemDelegate(new TDialStatDelegate(grid_));
    body_->setCentralWidget(grid_);

    status_ = new QLabel(body_);
    status_->setObjectName("StatusPanel");
    status_->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    QStatusBar* bar = body_->statusBar();
    bar->setObjectName("StatusBar");
    bar->setSizeGripEnabled(false);
    bar->setFixedHeight(kStatusHeight);
    bar->addWidget(status_, 1);

    BuildToolBar();
    BuildMenus();

    tarvix::ApplyGridFont(grid_);
    LoadState();
    model_ = new TDialStatModel(columns_, highlight_, this);
    grid_->setModel(model_);
    ApplyTexts();
    LayOutGrid();
    CheckSortItems();

    connect(header, &QHeaderView::sectionResized, this, [this](int logical, int, int size) {
        const auto& map = columns_.ScrIndex();
        if (logical < 0 || static_cast<std::size_t>(logical) >= map.size())
            return;
        columns_.GetColumn(map[static_cast<std::size_t>(logical)]).ScrWidth = std::clamp(size, 0, MaxScrWidth);
        columns_.Recalc();
    });
    connect(header, &QHeaderView::sectionMoved, this,
            [this](int, int oldVisual, int newVisual) { ColumnMoved(oldVisual, newVisual); });
    connect(header, &QHeaderView::sectionClicked, this, [this](int logical) { SortByColumn(logical); });
    connect(header, &QWidget::customContextMenuRequested, this, [this, header](const QPoint& at) {
        const int column = header->logicalIndexAt(at);
        headerColumn_ = column >= 0 ? column : 0;
        MenuAction("MISortColumn")->setEnabled(model_->ColumnOrder(headerColumn_) != nsoNone);
        headerMenu_->popup(header->mapToGlobal(at));
    });
    connect(grid_->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this] { UpdateRowMenu(); });
    grid_->installEventFilter(this);
    grid_->viewport()->installEventFilter(this);
    SetDay(-1);
    resize(std::max(240, columns_.ScrTotalWidth() + 40), kDefaultHeight);
}

TDialStatForm::~TDialStatForm()
{
    SetHourglass(false);
    grid_->removeEventFilter(this);
    grid_->viewport()->removeEventFilter(this);
    grid_ = nullptr;
}

QToolButton* TDialStatForm::Button(const char* name) const { return body_->findChild<QToolButton*>(name); }

QAction* TDialStatForm::MenuAction(const char* name) const
{
    for (QMenu* menu : {rowMenu_, rowSortMenu_, headerMenu_, sortMenu_})
        if (auto* a = menu->findChild<QAction*>(name))
            return a;
    return nullptr;
}

void TDialStatForm::BuildToolBar()
{
    QToolBar* bar = AddSpeedBar(body_);
    QStyle* s = style();
    auto add = [this, bar](const char* name, const QIcon& icon, auto command) {
        QToolButton* b = AddSpeedButton(bar, name, icon);
        connect(b, &QToolButton::clicked, this, command);
        return b;
    };
    add("BtnDSSetup", ColumnsIcon(), [this] { SetupColumns(0); });
    add("BtnWrite", s->standardIcon(QStyle::SP_DialogSaveButton), [this] { WriteReport(); });
    add("BtnHelp", s->standardIcon(QStyle::SP_DialogHelpButton), [this] { ShowHelpContext(kHelpContext, window()); });
    add("BtnClose", s->standardIcon(QStyle::SP_DialogCloseButton), [this] { close(); });
    QToolButton* sort = AddSpeedButton(bar, "BtnSort", GlyphIcon("\u2193", QColor(0, 0, 0x80)));
    sort->setPopupMode(QToolButton::InstantPopup);
    // The day panel stays in the middle of the bar.
    auto spacer = [bar] {
        auto* w = new QWidget(bar);
        w->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
        bar->addWidget(w);
    };
    spacer();
    add("BtnPrevDay", s->standardIcon(QStyle::SP_ArrowLeft), [this] { PrevDay(); });
    dayLabel_ = new QLabel(bar);
    dayLabel_->setObjectName("LblCurDay");
    dayLabel_->setAlignment(Qt::AlignCenter);
    dayLabel_->setMinimumWidth(70);
    bar->addWidget(dayLabel_);
    add("BtnNextDay", s->standardIcon(QStyle::SP_ArrowRight), [this] { NextDay(); });
    spacer();
}

QMenu* TDialStatForm::BuildSortMenu(const char* name, const char* itemPrefix)
{
    auto* menu = new QMenu(this);
    menu->setObjectName(name);
    auto* group = new QActionGroup(menu);
    group->setExclusive(true);
    for (int order = 0; order < kSortOrders; ++order) {
        QAction* a = menu->addAction(QString());
        a->setObjectName(QString::fromLatin1(itemPrefix) + QString::number(order));
        a->setCheckable(true);
        a->setData(order);
        group->addAction(a);
        connect(a, &QAction::triggered, this, [this, order] { SetSortOrder(order); });
    }
    return menu;
}

void TDialStatForm::BuildMenus()
{
    auto item = [](QMenu* menu, const char* name) {
        QAction* a = menu->addAction(QString());
        a->setObjectName(name);
        return a;
    };
    sortMenu_ = BuildSortMenu("SortMenu", "MISort");
    Button("BtnSort")->setMenu(sortMenu_);

    rowMenu_ = new QMenu(this);
    rowMenu_->setObjectName("RowMenu");
    connect(item(rowMenu_, "MIFirstWith"), &QAction::triggered, this, [this] { GoToNodeSession(false); });
    connect(item(rowMenu_, "MILastWith"), &QAction::triggered, this, [this] { GoToNodeSession(true); });
    rowMenu_->addSeparator();
    rowSortMenu_ = BuildSortMenu("RowSortMenu", "MIPopSort");
    QAction* sortItem = rowMenu_->addMenu(rowSortMenu_);
    sortItem->setObjectName("MISort");
    connect(item(rowMenu_, "MIPrevDay"), &QAction::triggered, this, [this] { PrevDay(); });
    connect(item(rowMenu_, "MINextDay"), &QAction::triggered, this, [this] { NextDay(); });
    rowMenu_->addSeparator();
    QAction* closeItem = item(rowMenu_, "MIClose");
    connect(closeItem, &QAction::triggered, this, [this] { close(); });
    rowMenu_->setDefaultAction(closeItem);
    connect(rowMenu_, &QMenu::aboutToShow, this, [this] { UpdateRowMenu(); });

    headerMenu_ = new QMenu(this);
    headerMenu_->setObjectName("HeaderMenu");
    connect(item(headerMenu_, "MISetup"), &QAction::triggered, this, [this] { SetupColumns(headerColumn_); });
    connect(item(headerMenu_, "MISortColumn"), &QAction::triggered, this, [this] { SortByColumn(headerColumn_); });
    connect(item(headerMenu_, "MIAutosizeColumn"), &QAction::triggered, this,
            [this] { AutosizeColumn(headerColumn_); });
    connect(item(headerMenu_, "MIAutosizeWindow"), &QAction::triggered, this, [this] { AutosizeWindow(); });
}

void TDialStatForm::ApplyTexts()
{
    for (const TComponentText& b : kButtonHints)
        Button(b.name)->setToolTip(QString::fromUtf8(b.text));
    for (const TComponentText& m : kMenuTexts)
        MenuAction(m.name)->setText(QString::fromUtf8(m.text));
    rowSortMenu_->menuAction()->setText(QStringLiteral("&Sort"));
    for (int order = 0; order < kSortOrders; ++order) {
        sortMenu_->actions().at(order)->setText(QString::fromUtf8(kSortTexts[order]));
        rowSortMenu_->actions().at(order)->setText(QString::fromUtf8(kSortTexts[order]));
    }
    ApplyLng(this, "TDialStatForm");
    setWindowTitle(UiText(25, {log_->Name}, "Dial statistics"));
    typeNames_.clear();
    for (int t = 0; t < kDialStatColumnTypes; ++t)
        typeNames_ << UiText(static_cast<std::size_t>(kDialStatColumnNameText + t));
    // The day label and the status line carry month names and counts.
    const long day = day_;
    day_ = -2;
    SetDay(day);
}

void TDialStatForm::LoadState()
{
    digitWidth_ = LoadListState(section_, grid_->font(), CreateDialStatColumn, DefaultDialStatColumns, columns_, highlight_, report_,
                                [this](const std::string& text) { ShowError(text); });
}

void TDialStatForm::SaveState()
{
    if (saved_ || !log_ || log_->Temporary || !SettingsOpen())
        return;
    saved_ = true;
    SaveListState(this, section_, columns_, digitWidth_, highlight_, report_);
}

void TDialStatForm::ShowError(const std::string& text) { wait_.ShowError(text); }

void TDialStatForm::SetHourglass(bool on) { wait_.Set(on); }

// ---------------------------------------------------------------- the day

TNodeStatList* TDialStatForm::DayList() const
{
    if (!log_ || day_ < 0 || static_cast<std::size_t>(day_) >= log_->DayCount())
        return nullptr;
    return log_->GetDay(static_cast<std::size_t>(day_)).NodeStats;
}

void TDialStatForm::SetDay(long day)
{
    if (day == day_)
        return;
    const long count = log_ ? static_cast<long>(log_->DayCount()) : 0;
    const bool valid = day >= 0 && day < count;
    day_ = valid ? day : -1;
    TNodeStatList* list = DayList();
    if (list) {
        SetHourglass(true);
        list->Sort(log_->DSSort);
        SetHourglass(false);
    }
    model_->SetList(list);
    if (valid) {
        dayLabel_->setText(QString::fromStdString(FormatDateTime("dd mmm yy", log_->GetDay(static_cast<std::size_t>(day)).Date)));
        if (model_->rowCount() > 0 && model_->columnCount() > 0)
            SelectRow(0);
    } else {
        dayLabel_->setText(QStringLiteral("???"));
    }
    const bool prev = valid && day != 0;
    const bool next = valid && day != count - 1;
    Button("BtnPrevDay")->setEnabled(prev);
    MenuAction("MIPrevDay")->setEnabled(prev);
    Button("BtnNextDay")->setEnabled(next);
    MenuAction("MINextDay")->setEnabled(next);
    UpdateStatus();
    UpdateRowMenu();
}

bool TDialStatForm::LogGrown()
{
    // The day shown may have new rows (the analysis sorted them by address), and new
    // days may follow it: it is shown again in its order, on the node that was
    // selected and at the same scroll.
    const long day = day_;
    const int row = SelectedRow();
    const bool totalRow = model_->IsTotalRow(row);
    const TNodeStat* node = model_->Record(row);
    const std::optional<TFidoAddr> addr = node ? node->Addr : std::nullopt;
    const int scroll = grid_->verticalScrollBar()->value();
    day_ = -1;
    SetDay(day);
    TNodeStatList* list = DayList();
    if (totalRow)
        SelectRow(model_->rowCount() - 1);
    else if (const TNodeStat* found = list && addr ? list->Find(*addr) : nullptr)
        SelectRow(model_->RowOfRecord(*found));
    grid_->verticalScrollBar()->setValue(scroll);
    return true;
}

QString TDialStatForm::DayText() const { return dayLabel_->text(); }

QString TDialStatForm::StatusText() const { return status_->text(); }

void TDialStatForm::UpdateStatus()
{
    if (day_ < 0)
        status_->clear();
    else
        status_->setText(UiText(161, {static_cast<long long>(model_->NodeCount())}, "Nodes"));
}

void TDialStatForm::PrevDay()
{
    if (auto* w = dynamic_cast<TChildForm*>(log_->Window); w && day_ > 0)
        w->PrevDay();
}

void TDialStatForm::NextDay()
{
    if (auto* w = dynamic_cast<TChildForm*>(log_->Window); w && day_ >= 0)
        w->NextDay();
}

// ---------------------------------------------------------------- rows and sessions

int TDialStatForm::SelectedRow() const
{
    const QModelIndex index = grid_->currentIndex();
    return index.isValid() ? index.row() : -1;
}

void TDialStatForm::SelectRow(int row)
{
    if (row < 0 || row >= model_->rowCount() || model_->columnCount() == 0)
        return;
    const QModelIndex index = model_->index(row, std::max(0, grid_->currentIndex().column()));
    grid_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    grid_->scrollTo(index);
}

void TDialStatForm::UpdateRowMenu()
{
    QAction* first = MenuAction("MIFirstWith");
    QAction* last = MenuAction("MILastWith");
    const TNodeStat* n = model_ ? model_->Record(SelectedRow()) : nullptr;
    const std::string addr = n && n->Addr ? n->Addr->ToStrFlags(kMenuAddrFlags) : std::string();
    first->setText(UiText(151, {addr}, "First session with"));
    last->setText(UiText(152, {addr}, "Last session with"));
    first->setEnabled(n && n->FirstSess != -1);
    last->setEnabled(n && n->LastSess != -1);
}

void TDialStatForm::GoToNodeSession(bool last)
{
    const TNodeStat* n = model_->Record(SelectedRow());
    if (!n || !log_->Window)
        return;
    const std::int64_t sess = last ? n->LastSess : n->FirstSess;
    if (sess < 0 || static_cast<std::size_t>(sess) >= log_->SessCount())
        return;
    log_->Window->GoToLine(log_->GetSess(static_cast<std::size_t>(sess)).StartLine);
}

// ---------------------------------------------------------------- sorting

void TDialStatForm::CheckSortItems()
{
    for (QMenu* menu : {sortMenu_, rowSortMenu_})
        for (QAction* a : menu->actions())
            a->setChecked(a->data().toInt() == log_->DSSort);
    model_->SetSortOrder(log_->DSSort);
}

void TDialStatForm::SetSortOrder(int order)
{
    if (order < 0 || order > nsoNone || order == log_->DSSort) {
        CheckSortItems();
        return;
    }
    // The node of the selected row stays selected.
    const TNodeStat* selected = model_->Record(SelectedRow());
    const TNodeStat keep = selected ? *selected : TNodeStat();
    const bool hadSelection = selected != nullptr;
    log_->DSSort = order;
    if (TNodeStatList* list = DayList()) {
        SetHourglass(true);
        list->Sort(order);
        SetHourglass(false);
    }
    model_->Relayout();
    if (hadSelection)
        SelectRow(model_->RowOfRecord(keep));
    CheckSortItems();
    grid_->viewport()->update();
}

void TDialStatForm::SortByColumn(int gridColumn)
{
    const int order = model_->ColumnOrder(gridColumn);
    if (order != nsoNone)
        SetSortOrder(order);
}

// ---------------------------------------------------------------- grid layout

void TDialStatForm::LayOutGrid()
{
    columns_.Recalc();
    const int keep = SelectedRow();
    model_->Relayout();
    QHeaderView* header = grid_->horizontalHeader();
    const auto& map = columns_.ScrIndex();
    for (std::size_t k = 0; k < map.size(); ++k)
        header->resizeSection(static_cast<int>(k), std::max(0, columns_.GetColumn(map[k]).ScrWidth));
    if (headerColumn_ >= columns_.ScrCount())
        headerColumn_ = 0;
    model_->SetSortOrder(-1);
    model_->SetSortOrder(log_->DSSort);
    SelectRow(keep);
}

void TDialStatForm::ColumnMoved(int oldVisual, int newVisual)
{
    if (MoveListColumn(grid_, columns_, oldVisual, newVisual))
        LayOutGrid();
}

void TDialStatForm::AutosizeColumn(int gridColumn)
{
    if (gridColumn < 0 || gridColumn >= columns_.ScrCount())
        return;
    TColumn& column = columns_.GetColumn(columns_.ScrIndex()[static_cast<std::size_t>(gridColumn)]);
    const QFontMetrics plain(grid_->font());
    QFont boldFont = grid_->font();
    boldFont.setBold(true);
    const QFontMetrics bold(boldFont);
    int widest = plain.horizontalAdvance(QString::fromStdString(column.Heading));
    for (int row = 0; row < model_->rowCount(); ++row)
        widest = std::max(widest, (model_->Bold(row) ? bold : plain).horizontalAdvance(model_->Text(row, gridColumn)));
    // The text and the 2 pixels kept free on either side.
    column.ScrWidth = std::min(widest + 4, MaxScrWidth);
    columns_.Recalc();
    grid_->horizontalHeader()->resizeSection(gridColumn, column.ScrWidth);
}

void TDialStatForm::AutosizeWindow() { FitWindowToColumns(this, grid_, columns_); }

void TDialStatForm::SetupColumns(int gridColumn)
{
    // The dialog selects the list's column shown in that grid column.
    const int select = ListColumnOfGridColumn(columns_, gridColumn);
    const TSetupResult result = RunColumnSetup(this, UiText(26, {}, "Dial statistics setup"), typeNames_,
                                               CreateDialStatColumn, columns_, highlight_, report_, select);
    if (result == TSetupResult::ColumnsChanged) {
        LayOutGrid();
        AutosizeWindow();
    }
    if (result != TSetupResult::Cancelled) {
        UpdateRowMenu();
        grid_->viewport()->update();
    }
}

void TDialStatForm::ApplyGridFont()
{
    tarvix::ApplyGridFont(grid_);
    const int now = DigitWidth(grid_->font());
    ScaleColumnWidths(columns_, digitWidth_, now);
    digitWidth_ = now;
    LayOutGrid();
}

// ---------------------------------------------------------------- report

void TDialStatForm::WriteReport()
{
    if (columns_.FileCount() == 0) {
        MessageDlgLOr(27, {}, "There are no columns to write into the report.", TMsgDlgType::mtError, mbOK);
        return;
    }
    QString proposal = QString::fromStdString(section_);
    if (day_ >= 0)
        proposal += " " + QString::fromStdString(FormatDateTime("yyyy-mm-dd", log_->GetDay(static_cast<std::size_t>(day_)).Date));
    if (!AskReportFile(this, report_, proposal))
        return;
    WriteReportTo(report_.FileName);
}

bool TDialStatForm::WriteReportTo(const std::string& path)
{
    if (columns_.FileCount() == 0) {
        MessageDlgLOr(27, {}, "There are no columns to write into the report.", TMsgDlgType::mtError, mbOK);
        return false;
    }
    report_.FileName = path;
    std::vector<const void*> items;
    const TNodeStatList* list = DayList();
    if (list) {
        items.reserve(list->Count());
        for (std::size_t i = 0; i < list->Count(); ++i)
            items.push_back(&list->GetItems(i));
    }
    try {
        MakeReport(columns_, report_, items, list ? &list->Total : nullptr, [this](bool busy) { SetHourglass(busy); });
    } catch (const std::exception& e) {
        SetHourglass(false);
        ShowError(e.what());
        return false;
    }
    return true;
}

// ---------------------------------------------------------------- keys and mouse

bool TDialStatForm::GridKey(QKeyEvent* event)
{
    const Qt::KeyboardModifiers mods = event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    const int key = event->key();
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (mods == Qt::NoModifier) {
        switch (key) {
        case Qt::Key_F2: WriteReport(); return true;
        case Qt::Key_F10: SetupColumns(0); return true;
        case Qt::Key_Escape: close(); return true;
        default: break;
        }
        if (enter) {
            GoToNodeSession(false);
            return true;
        }
        return false;
    }
    if (mods == Qt::ShiftModifier && enter) {
        GoToNodeSession(true);
        return true;
    }
    if (mods == Qt::AltModifier && (key == Qt::Key_Up || key == Qt::Key_Down)) {
        if (key == Qt::Key_Up)
            PrevDay();
        else
            NextDay();
        return true;
    }
    return false;
}

bool TDialStatForm::eventFilter(QObject* watched, QEvent* event)
{
    if (!grid_)
        return QMdiSubWindow::eventFilter(watched, event);
    if (watched == grid_ && event->type() == QEvent::KeyPress) {
        if (GridKey(static_cast<QKeyEvent*>(event)))
            return true;
    } else if (watched == grid_->viewport() && event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton) {
            const int row = grid_->rowAt(mouse->position().toPoint().y());
            if (row >= 0 && day_ >= 0) {
                SelectRow(row);
                rowMenu_->popup(mouse->globalPosition().toPoint());
            }
            return true;
        }
    }
    return QMdiSubWindow::eventFilter(watched, event);
}

void TDialStatForm::keyPressEvent(QKeyEvent* event)
{
    if (GridKey(event))
        return;
    QMdiSubWindow::keyPressEvent(event);
}

// ---------------------------------------------------------------- showing and closing

void TDialStatForm::showEvent(QShowEvent* event)
{
    // The MDI area places the window it takes in; the stored placement wins.
    const bool first = !placed_;
    if (first) {
        placed_ = true;
        if (SettingsOpen() && !log_->Temporary)
            RestoreFormPlacement(this, section_);
    }
    QMdiSubWindow::showEvent(event);
    if (first)
        grid_->setFocus();
}

void TDialStatForm::closeEvent(QCloseEvent* event)
{
    SaveState();
    QMdiSubWindow::closeEvent(event);
}

void TDialStatForm::changeEvent(QEvent* event)
{
    QMdiSubWindow::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        ApplyTexts();
}

// ---------------------------------------------------------------- opening

TDialStatForm* OpenDialStat(QMdiArea* area, TMailerLog* log, long day)
{
    if (!area || !log)
        return nullptr;
    auto* window = new TDialStatForm(log);
    area->addSubWindow(window);
    window->SetDay(day);
    window->show();
    area->setActiveSubWindow(window);
    return window;
}

void RegisterDialStatWindow()
{
    RegisterAnalysisWindow(TAnalysisKind::DialStat,
                           [](TChildForm& owner, const TAnalysisRequest& request) -> TAnalysisWindow* {
                               auto* log = dynamic_cast<TMailerLog*>(owner.ViewedLog());
                               if (!log || !owner.mdiArea())
                                   return nullptr;
                               return OpenDialStat(owner.mdiArea(), log, request.Day);
                           });
}

}  // namespace tarvix
