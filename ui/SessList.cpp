#include "ui/SessList.h"

#include "engine/MailerLog.h"
#include "engine/NodeStat.h"
#include "engine/SessColumns.h"
#include "fido/DateTime.h"
#include "fido/Dialogs.h"
#include "fido/Lng.h"
#include "settings/SettingsStore.h"
#include "settings/ReportWriter.h"
#include "ui/FindDialog.h"
#include "ui/SpeedBar.h"
#include "ui/HelpWindow.h"
#include "ui/ListWindow.h"
#include "ui/LngComponent.h"
#include "ui/Placement.h"
#include "ui/QtConvert.h"
#include "ui/SessListModel.h"
#include "ui/LogWindow.h"
#include "ui/UiText.h"

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
#include <QPainter>
#include <QScrollBar>
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
constexpr int kDefaultHeight = 320;
// The address of a session as the menu names it: its alias where it has one, zone
// and net left out where they are the main address's.
constexpr std::uint8_t kMenuAddrFlags = pfAlias | pfShort;

struct TComponentText {
    const char* name;
    const char* text;
};
constexpr TComponentText kButtonHints[] = {
    {"BtnSLSetup", "Setup session list (F10)"}, {"BtnWrite", "Write report (F2)"},
    {"BtnFind", "Find a node (Ctrl+F)"},        {"BtnHelp", "Help"},
    {"BtnClose", "Close"},
};
constexpr TComponentText kMenuTexts[] = {
    {"MIFindAddr", "&Find address..."},     {"MIClose", "&Close"},
    {"MISetup", "&Setup..."},               {"MIAutosizeColumn", "Autosize &column"},
    {"MIAutosizeWindow", "Autosize &window"},
};

// Draws the cells of the session list: a grey frame, the session's colours, bold
// for highlighted addresses and a black line over the first session of a day.
class TSessCellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const auto* model = qobject_cast<const TSessListModel*>(index.model());
        if (!model) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        const int row = index.row();
        const TSess& s = model->Sess(row);
        const QString text = model->Text(row, index.column());
        const bool selected = option.state & QStyle::State_Selected;
        const QRect r = option.rect;
        painter->save();
        painter->fillRect(r, selected ? option.palette.color(QPalette::Highlight) : TSessListModel::Background(s));
        QFont font = option.font;
        if (model->Highlighted(row))
            font.setBold(true);
        painter->setFont(font);
        painter->setPen(selected ? option.palette.color(QPalette::HighlightedText) : model->TextColour(row, text));
        painter->setClipRect(r);
        DrawCellText(*painter, r, TSessListModel::CellAlignment(model->Column(index.column())), text);
        painter->setPen(QColor(128, 128, 128));
        painter->drawLine(r.topRight(), r.bottomRight());
        painter->drawLine(r.bottomLeft(), r.bottomRight());
        if (s.Has(sfFirstOfDay))
            painter->fillRect(QRect(r.left(), r.top(), r.width(), 2), Qt::black);
        painter->restore();
    }
};

}  // namespace

// ---------------------------------------------------------------- creation

TSessListForm::TSessListForm(TMailerLog* log, std::int64_t startLine, QWidget* parent)
    : QMdiSubWindow(parent), log_(log), startLine_(startLine), section_(log->Name + ".SessList")
{
    setObjectName("TSessListForm");
    setAttribute(Qt::WA_DeleteOnClose);
    SetHelpContext(this, kHelpContext);
    body_ = new QMainWindow(nullptr, Qt::Widget);
    body_->setObjectName("SessListBody");
    setWidget(body_);

    grid_ = new QTableView(body_);
    grid_->setObjectName("SessGrid");
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    grid_->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    grid_->setShowGrid(false);
    grid_->setWordWrap(false);
    grid_->setTabKeyNavigation(false);
    grid_->verticalHeader()->hide();
    grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    QHeaderView* header = grid_->horizontalHeader();
    header->setSectionsMovable(true);
    header->setHighlightSections(false);
    header->setStretchLastSection(false);
    header->setDefaultAlignment(Qt::AlignCenter);
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    grid_->setItemDelegate(new TSessCellDelegate(grid_));
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
    ApplyTexts();

    // The grid font; the columns, the highlight list and the report settings.
    tarvix::ApplyGridFont(grid_);
    LoadState();
    model_ = new TSessListModel(*log_, columns_, highlight_, this);
    model_->SetFont(grid_->font());
    grid_->setModel(model_);
    LayOutGrid();

    connect(grid_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& now, const QModelIndex&) {
                if (now.isValid())
                    current_ = now.row();
                UpdateStatus();
            });
    connect(header, &QHeaderView::sectionResized, this, [this](int logical, int, int size) {
        const auto& map = columns_.ScrIndex();
        if (logical < 0 || static_cast<std::size_t>(logical) >= map.size())
            return;
        columns_.GetColumn(map[static_cast<std::size_t>(logical)]).ScrWidth = std::clamp(size, 0, MaxScrWidth);
        columns_.Recalc();
    });
    connect(header, &QHeaderView::sectionMoved, this,
            [this](int, int oldVisual, int newVisual) { ColumnMoved(oldVisual, newVisual); });
    connect(header, &QWidget::customContextMenuRequested, this, [this, header](const QPoint& at) {
        const int column = header->logicalIndexAt(at);
        headerColumn_ = column >= 0 ? column : 0;
        headerMenu_->popup(header->mapToGlobal(at));
    });
    grid_->installEventFilter(this);
    grid_->viewport()->installEventFilter(this);
    status_->installEventFilter(this);

    // The row to open at: with a start line, the last session that starts at or
    // before it; without, the first new session, or the last, with new-part
    // detection; else the first row.
    const long count = static_cast<long>(model_->rowCount());
    long row = 0;
    if (startLine_ >= 0) {
        long after = 0;
        while (after < count && log_->GetSess(static_cast<std::size_t>(after)).StartLine <= startLine_)
            ++after;
        if (after > 0) {
            row = after - 1;
            initialScroll_ = true;
            initialAtTop_ = row != count - 1;
        }
    } else if (log_->AutoNew && count > 0) {
        const std::int64_t firstNew = log_->FirstNewSess;
        initialScroll_ = true;
        if (firstNew >= 0 && firstNew < count) {
            row = static_cast<long>(firstNew);
        } else {
            row = count - 1;
            initialAtTop_ = false;
        }
    }
    initialRow_ = count > 0 ? row : -1;
    SelectRow(initialRow_);
    UpdateStatus();
    headerColumn_ = 0;
    resize(std::max(200, columns_.ScrTotalWidth() + 40), kDefaultHeight);
}

TSessListForm::~TSessListForm()
{
    SetHourglass(false);
    EndDrag();
    grid_->removeEventFilter(this);
    grid_->viewport()->removeEventFilter(this);
    status_->removeEventFilter(this);
    grid_ = nullptr;
}

QToolButton* TSessListForm::Button(const char* name) const { return body_->findChild<QToolButton*>(name); }

QAction* TSessListForm::MenuAction(const char* name) const
{
    if (auto* a = rowMenu_->findChild<QAction*>(name))
        return a;
    return headerMenu_->findChild<QAction*>(name);
}

std::string TSessListForm::Section() const { return section_; }

void TSessListForm::BuildToolBar()
{
    QToolBar* bar = AddSpeedBar(body_);
    QStyle* s = style();
    auto add = [this, bar](const char* name, const QIcon& icon, auto command) {
        connect(AddSpeedButton(bar, name, icon), &QToolButton::clicked, this, command);
    };
    add("BtnSLSetup", ColumnsIcon(), [this] { SetupColumns(0); });
    add("BtnWrite", s->standardIcon(QStyle::SP_DialogSaveButton), [this] { WriteReport(); });
    add("BtnFind", FindIcon(), [this] { FindAddress(); });
    add("BtnHelp", s->standardIcon(QStyle::SP_DialogHelpButton),
        [this] { ShowHelpContext(kHelpContext, window()); });
    add("BtnClose", s->standardIcon(QStyle::SP_DialogCloseButton), [this] { close(); });
}

void TSessListForm::BuildMenus()
{
    rowMenu_ = new QMenu(this);
    rowMenu_->setObjectName("RowMenu");
    auto item = [](QMenu* menu, const char* name) {
        QAction* a = menu->addAction(QString());
        a->setObjectName(name);
        return a;
    };
    connect(item(rowMenu_, "MIPrevWith"), &QAction::triggered, this, [this] { PrevSessWith(); });
    connect(item(rowMenu_, "MINextWith"), &QAction::triggered, this, [this] { NextSessWith(); });
    connect(item(rowMenu_, "MIFindAddr"), &QAction::triggered, this, [this] { FindAddress(); });
    rowMenu_->addSeparator();
    QAction* closeItem = item(rowMenu_, "MIClose");
    connect(closeItem, &QAction::triggered, this, [this] { close(); });
    rowMenu_->setDefaultAction(closeItem);
    connect(rowMenu_, &QMenu::aboutToShow, this, [this] { UpdateRowMenu(); });

    headerMenu_ = new QMenu(this);
    headerMenu_->setObjectName("HeaderMenu");
    connect(item(headerMenu_, "MISetup"), &QAction::triggered, this, [this] { SetupColumns(headerColumn_); });
    connect(item(headerMenu_, "MIAutosizeColumn"), &QAction::triggered, this,
            [this] { AutosizeColumn(headerColumn_); });
    connect(item(headerMenu_, "MIAutosizeWindow"), &QAction::triggered, this, [this] { AutosizeWindow(); });
}

void TSessListForm::ApplyTexts()
{
    for (const TComponentText& b : kButtonHints)
        Button(b.name)->setToolTip(QString::fromUtf8(b.text));
    for (const TComponentText& m : kMenuTexts)
        MenuAction(m.name)->setText(QString::fromUtf8(m.text));
    ApplyLng(this, "TSessListForm");
    setWindowTitle(UiText(76, {log_->Name}, "Sessions"));
    typeNames_.clear();
    for (int t = 0; t < kSessColumnTypes; ++t)
        typeNames_ << QString::fromStdString(SessColumnName(t));
    UpdateRowMenu();
    UpdateStatus();
}

void TSessListForm::LoadState()
{
    digitWidth_ = LoadListState(section_, grid_->font(), CreateSessColumn, DefaultSessColumns, columns_, highlight_, report_,
                                [this](const std::string& text) { ShowError(text); });
}

void TSessListForm::SaveState()
{
    if (saved_ || !log_ || log_->Temporary || !SettingsOpen())
        return;
    saved_ = true;
    SaveListState(this, section_, columns_, digitWidth_, highlight_, report_);
}

void TSessListForm::ShowError(const std::string& text) { wait_.ShowError(text); }

void TSessListForm::SetHourglass(bool on) { wait_.Set(on); }

// ---------------------------------------------------------------- grid layout

void TSessListForm::LayOutGrid()
{
    columns_.Recalc();
    const long keep = current_;
    model_->Relayout();
    QHeaderView* header = grid_->horizontalHeader();
    const auto& map = columns_.ScrIndex();
    for (std::size_t k = 0; k < map.size(); ++k)
        header->resizeSection(static_cast<int>(k), std::max(0, columns_.GetColumn(map[k]).ScrWidth));
    if (headerColumn_ >= columns_.ScrCount())
        headerColumn_ = 0;
    SelectRow(keep);
}

void TSessListForm::ColumnMoved(int oldVisual, int newVisual)
{
    if (MoveListColumn(grid_, columns_, oldVisual, newVisual))
        LayOutGrid();
}

void TSessListForm::AutosizeColumn(int gridColumn)
{
    if (gridColumn < 0 || gridColumn >= columns_.ScrCount())
        return;
    TColumn& column = columns_.GetColumn(columns_.ScrIndex()[static_cast<std::size_t>(gridColumn)]);
    const QFontMetrics plain(grid_->font());
    QFont boldFont = grid_->font();
    boldFont.setBold(true);
    const QFontMetrics bold(boldFont);
    int widest = plain.horizontalAdvance(QString::fromStdString(column.Heading));
    SetHourglass(true);
    std::string text;
    for (int row = 0; row < model_->rowCount(); ++row) {
        column.GetText(&log_->GetSess(static_cast<std::size_t>(row)), false, text);
        const QString t = QString::fromStdString(text);
        widest = std::max(widest, (model_->Highlighted(row) ? bold : plain).horizontalAdvance(t));
    }
    SetHourglass(false);
    column.ScrWidth = std::min(widest + 4, MaxScrWidth);
    columns_.Recalc();
    grid_->horizontalHeader()->resizeSection(gridColumn, column.ScrWidth);
}

void TSessListForm::AutosizeWindow() { FitWindowToColumns(this, grid_, columns_); }

void TSessListForm::SetupColumns(int gridColumn)
{
    // The dialog selects the list's column shown in that grid column.
    const int select = ListColumnOfGridColumn(columns_, gridColumn);
    const TSetupResult result = RunColumnSetup(this, UiText(77, {}, "Session list setup"), typeNames_,
                                               CreateSessColumn, columns_, highlight_, report_, select);
    if (result == TSetupResult::ColumnsChanged) {
        LayOutGrid();
        AutosizeWindow();
    }
    if (result != TSetupResult::Cancelled)
        grid_->viewport()->update();
}

// ---------------------------------------------------------------- selection

void TSessListForm::SelectRow(long session)
{
    if (!model_ || session < 0 || session >= model_->rowCount())
        return;
    current_ = session;
    if (model_->columnCount() == 0)
        return;
    const QModelIndex index = model_->index(static_cast<int>(session), std::max(0, grid_->currentIndex().column()));
    grid_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void TSessListForm::ScrollToRow(long session, bool atTop)
{
    if (session < 0 || session >= model_->rowCount() || model_->columnCount() == 0)
        return;
    const QModelIndex index = model_->index(static_cast<int>(session), 0);
    grid_->scrollTo(index, atTop ? QAbstractItemView::PositionAtTop : QAbstractItemView::PositionAtBottom);
}

void TSessListForm::SelectSession(long session)
{
    if (suppress_ || session < 0 || session >= model_->rowCount())
        return;
    SelectRow(session);
    if (model_->columnCount() > 0)
        grid_->scrollTo(model_->index(static_cast<int>(session), 0), QAbstractItemView::EnsureVisible);
    UpdateStatus();
}

void TSessListForm::GoToSession(long session)
{
    if (!log_ || !log_->Window || session < 0 || session >= model_->rowCount())
        return;
    suppress_ = true;
    log_->Window->GoToLine(log_->GetSess(static_cast<std::size_t>(session)).StartLine);
    suppress_ = false;
    UpdateStatus();
}

QString TSessListForm::StatusText() const { return status_->text(); }

bool TSessListForm::LogGrown()
{
    // The rows are added at the end: the grid keeps its selection and scroll by
    // itself; a list scrolled to its end follows the new rows.
    const QScrollBar* bar = grid_->verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    model_->AddNewRows();
    if (atEnd)
        grid_->scrollToBottom();
    UpdateStatus();
    return true;
}

void TSessListForm::UpdateStatus()
{
    if (!status_)
        return;
    if (!log_ || !model_ || current_ < 0 || current_ >= model_->rowCount()) {
        status_->clear();
        return;
    }
    const TSess& s = log_->GetSess(static_cast<std::size_t>(current_));
    const long day = log_->DayOfLine(s.StartLine);
    if (day < 0 || static_cast<std::size_t>(day) >= log_->DayCount()) {
        status_->clear();
        return;
    }
    const TLogDay& d = log_->GetDay(static_cast<std::size_t>(day));
    long long sessions = 0, ok = 0;
    if (d.NodeStats) {
        const TNodeStat& total = d.NodeStats->Total;
        sessions = total.InSess + total.OutSess;
        ok = total.InOK + total.OutOK;
    }
    status_->setText(UiText(141, {FormatDateTime(log_->DaysSpanYears() ? "dd mmm yyyy" : "dd mmm", d.Date), sessions, ok}, "Sessions, successful"));
}

// ---------------------------------------------------------------- same address

void TSessListForm::UpdateRowMenu()
{
    QAction* prev = MenuAction("MIPrevWith");
    QAction* next = MenuAction("MINextWith");
    std::string addr;
    bool has = false;
    if (current_ >= 0 && model_ && current_ < model_->rowCount()) {
        const TSess& s = log_->GetSess(static_cast<std::size_t>(current_));
        if (s.Addr) {
            has = true;
            addr = s.Addr->ToStrFlags(kMenuAddrFlags);
        }
    }
    prev->setText(UiText(138, {addr}, "Previous session with"));
    next->setText(UiText(139, {addr}, "Next session with"));
    prev->setEnabled(has);
    next->setEnabled(has);
}

void TSessListForm::StepWithSameAddr(int step)
{
    const long count = model_->rowCount();
    if (current_ < 0 || current_ >= count)
        return;
    const std::optional<TFidoAddr>& addr = log_->GetSess(static_cast<std::size_t>(current_)).Addr;
    if (!addr)
        return;
    for (long i = current_ + step; i >= 0 && i < count; i += step) {
        const TSess& s = log_->GetSess(static_cast<std::size_t>(i));
        if (s.Addr && EqualAddr(*s.Addr, *addr)) {
            SelectSession(i);
            GoToSession(i);
            return;
        }
    }
}

void TSessListForm::PrevSessWith() { StepWithSameAddr(-1); }

void TSessListForm::NextSessWith() { StepWithSameAddr(1); }

// ---------------------------------------------------------------- address search

void TSessListForm::FindAddress()
{
    if (!RunAddrSearch(AddrSearchHistory(), search_, this))
        return;
    SearchAddress();
}

bool TSessListForm::SearchAddress()
{
    if (!search_.Addr)
        return false;
    const long count = model_->rowCount();
    const bool backward = search_.Direction == kSearchBackward;
    const long step = backward ? -1 : 1;
    long row;
    if (search_.Origin == kSearchFromCursor && current_ >= 0)
        row = current_ + step;
    else
        row = backward ? count - 1 : 0;
    SetHourglass(true);
    for (; row >= 0 && row < count; row += step) {
        const TSess& s = log_->GetSess(static_cast<std::size_t>(row));
        if (s.Addr && MatchAddr(*search_.Addr, *s.Addr)) {
            SetHourglass(false);
            SelectSession(row);
            GoToSession(row);
            return true;
        }
    }
    SetHourglass(false);
    MessageDlgLOr(37, {}, "No matching address was found.", TMsgDlgType::mtInformation, mbOK);
    return false;
}

// ---------------------------------------------------------------- report

void TSessListForm::WriteReport()
{
    if (columns_.FileCount() == 0) {
        MessageDlgLOr(27, {}, "There are no columns to write into the report.", TMsgDlgType::mtError, mbOK);
        return;
    }
    if (!AskReportFile(this, report_, QString::fromStdString(section_)))
        return;
    WriteReportTo(report_.FileName);
}

bool TSessListForm::WriteReportTo(const std::string& path)
{
    if (columns_.FileCount() == 0) {
        MessageDlgLOr(27, {}, "There are no columns to write into the report.", TMsgDlgType::mtError, mbOK);
        return false;
    }
    report_.FileName = path;
    std::vector<const void*> items;
    items.reserve(log_->SessCount());
    for (std::size_t i = 0; i < log_->SessCount(); ++i)
        items.push_back(&log_->GetSess(i));
    try {
        MakeReport(columns_, report_, items, nullptr, [this](bool busy) { SetHourglass(busy); });
    } catch (const std::exception& e) {
        SetHourglass(false);
        ShowError(e.what());
        return false;
    }
    return true;
}

// ---------------------------------------------------------------- colours and font

void TSessListForm::ApplyColours() { grid_->viewport()->update(); }

void TSessListForm::ApplyGridFont()
{
    tarvix::ApplyGridFont(grid_);
    model_->SetFont(grid_->font());
    const int now = DigitWidth(grid_->font());
    ScaleColumnWidths(columns_, digitWidth_, now);
    digitWidth_ = now;
    LayOutGrid();
}

// ---------------------------------------------------------------- keys and mouse

bool TSessListForm::GridKey(QKeyEvent* event)
{
    const Qt::KeyboardModifiers mods = event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    const int key = event->key();
    if (event->type() == QEvent::KeyRelease) {
        // The log window follows the keyboard's movement through the list.
        if (!(mods & Qt::AltModifier) && !event->isAutoRepeat()) {
            switch (key) {
            case Qt::Key_PageUp:
            case Qt::Key_PageDown:
            case Qt::Key_Home:
            case Qt::Key_End:
            case Qt::Key_Up:
            case Qt::Key_Down:
            case Qt::Key_Left:
            case Qt::Key_Right: GoToSession(current_); break;
            default: break;
            }
        }
        return false;
    }
    if (mods == Qt::NoModifier) {
        switch (key) {
        case Qt::Key_Home:
        case Qt::Key_End: {
            // Rows are chosen whole: Home and End go to the first and the last.
            const long count = model_->rowCount();
            if (count > 0) {
                const long row = key == Qt::Key_Home ? 0 : count - 1;
                SelectRow(row);
                if (model_->columnCount() > 0)
                    grid_->scrollTo(model_->index(static_cast<int>(row), 0));
            }
            return true;
        }
        case Qt::Key_F10: SetupColumns(0); return true;
        case Qt::Key_F2: WriteReport(); return true;
        case Qt::Key_Return:
        case Qt::Key_Enter: GoToSession(current_); return true;
        case Qt::Key_Escape: close(); return true;
        default: return false;
        }
    }
    if (mods == Qt::ControlModifier && key == Qt::Key_F) {
        FindAddress();
        return true;
    }
    if (mods == Qt::AltModifier && (key == Qt::Key_Left || key == Qt::Key_Right)) {
        if (current_ >= 0)
            StepWithSameAddr(key == Qt::Key_Left ? -1 : 1);
        return true;
    }
    return false;
}

void TSessListForm::StartDrag(int row)
{
    if (QMdiArea* area = mdiArea())
        area->setActiveSubWindow(this);
    raise();
    dragging_ = true;
    dragRow_ = row;
    grid_->viewport()->setCursor(Qt::ClosedHandCursor);
}

void TSessListForm::EndDrag()
{
    if (!dragging_)
        return;
    dragging_ = false;
    grid_->viewport()->unsetCursor();
}

bool TSessListForm::GridMouse(QEvent* event)
{
    auto* mouse = static_cast<QMouseEvent*>(event);
    const QPoint at = mouse->position().toPoint();
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        const int row = grid_->rowAt(at.y());
        const bool ctrl = mouse->modifiers() & Qt::ControlModifier;
        if (mouse->button() == Qt::MiddleButton || (mouse->button() == Qt::RightButton && ctrl)) {
            if (row >= 0)
                StartDrag(row);
            return true;
        }
        if (mouse->button() == Qt::RightButton) {
            if (row >= 0) {
                SelectRow(row);
                UpdateStatus();
                GoToSession(row);
                rowMenu_->popup(mouse->globalPosition().toPoint());
            }
            return true;
        }
        if (mouse->button() == Qt::LeftButton && row >= 0)
            GoToSession(row);
        return false;
    }
    case QEvent::MouseMove: {
        if (!dragging_)
            return false;
        // Over the header, or down into the status line, the drag ends.
        if (at.y() < 0 || at.y() >= grid_->viewport()->height()) {
            EndDrag();
            return true;
        }
        const int row = grid_->rowAt(at.y());
        if (row >= 0 && row != dragRow_) {
            QScrollBar* bar = grid_->verticalScrollBar();
            const int top = bar->value();
            bar->setValue(std::clamp(top - row + dragRow_, bar->minimum(), bar->maximum()));
        }
        return true;
    }
    case QEvent::MouseButtonRelease:
        if (!dragging_)
            return false;
        EndDrag();
        return true;
    default: return false;
    }
}

bool TSessListForm::eventFilter(QObject* watched, QEvent* event)
{
    // The window also watches its body, from before the grid exists.
    if (!grid_)
        return QMdiSubWindow::eventFilter(watched, event);
    if (watched == grid_ && (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)) {
        if (GridKey(static_cast<QKeyEvent*>(event)))
            return true;
    } else if (watched == grid_->viewport()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::MouseButtonRelease:
            if (GridMouse(event))
                return true;
            break;
        default: break;
        }
    } else if (watched == status_ && event->type() == QEvent::Enter) {
        EndDrag();
    }
    return QMdiSubWindow::eventFilter(watched, event);
}

void TSessListForm::keyPressEvent(QKeyEvent* event)
{
    // Keys that reach the window itself (the grid has no focus yet).
    if (GridKey(event))
        return;
    QMdiSubWindow::keyPressEvent(event);
}

// ---------------------------------------------------------------- showing and closing

void TSessListForm::showEvent(QShowEvent* event)
{
    // The MDI area places the window it takes in; the stored placement wins.
    const bool first = !placed_;
    if (first) {
        placed_ = true;
        if (SettingsOpen() && !log_->Temporary)
            RestoreFormPlacement(this, section_);
    }
    QMdiSubWindow::showEvent(event);
    if (first) {
        grid_->setFocus();
        if (initialScroll_)
            ScrollToRow(initialRow_, initialAtTop_);
    }
}

void TSessListForm::closeEvent(QCloseEvent* event)
{
    EndDrag();
    SaveState();
    QMdiSubWindow::closeEvent(event);
}

void TSessListForm::changeEvent(QEvent* event)
{
    QMdiSubWindow::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        ApplyTexts();
}

// ---------------------------------------------------------------- opening

TSessListForm* OpenSessList(QMdiArea* area, TMailerLog* log, std::int64_t startLine)
{
    if (!area || !log)
        return nullptr;
    auto* window = new TSessListForm(log, startLine);
    area->addSubWindow(window);
    window->show();
    area->setActiveSubWindow(window);
    return window;
}

void RegisterSessListWindow()
{
    RegisterAnalysisWindow(TAnalysisKind::SessList,
                           [](TChildForm& owner, const TAnalysisRequest& request) -> TAnalysisWindow* {
                               auto* log = dynamic_cast<TMailerLog*>(owner.ViewedLog());
                               if (!log || !owner.mdiArea())
                                   return nullptr;
                               return OpenSessList(owner.mdiArea(), log, request.Restored ? -1 : request.Line);
                           });
}

}  // namespace tarvix
