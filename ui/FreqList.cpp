#include "ui/FreqList.h"

#include "engine/MailerLog.h"
#include "settings/SettingsStore.h"
#include "ui/FindDialog.h"
#include "ui/LngComponent.h"
#include "ui/Placement.h"
#include "ui/SpeedBar.h"
#include "ui/LogWindow.h"
#include "ui/UiText.h"

#include <QAction>
#include <QCloseEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyle>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>

namespace tarvix {

namespace {

constexpr int kColumns = 3;
constexpr int kStatusHeight = 22;
// The requesting node as the list names it: its alias where it has one, zone and
// net left out where they are the main address's.
constexpr std::uint8_t kAddrFlags = pfAlias | pfShort;
const QColor kNotSentColour(255, 0, 0);

struct TComponentText {
    const char* name;
    const char* text;
};
constexpr TComponentText kButtonHints[] = {{"BtnClose", "Close"}, {"BtnHelp", "Help"}};

std::string AddrText(const TFreq& f) { return f.Addr ? f.Addr->ToStrFlags(kAddrFlags) : std::string(); }

}  // namespace

// ---------------------------------------------------------------- model

TFreqListModel::TFreqListModel(const TMailerLog& log, QObject* parent)
    : QAbstractTableModel(parent), log_(log), rows_(static_cast<int>(log.FreqCount()))
{
}

int TFreqListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int TFreqListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumns; }

QString TFreqListModel::Text(int row, int column) const
{
    if (row < 0 || row >= rows_)
        return {};
    const TFreq& f = log_.GetFreq(static_cast<std::size_t>(row));
    switch (column) {
    case 0: return QString::fromStdString(AddrText(f));
    case 1: return QString::fromStdString(Settings().FreqRealName ? f.RealName : log_.GetFreqName(row));
    case 2: return f.Sent ? UiText(31, {}, "Sent") : UiText(32, {}, "Not sent");
    default: return {};
    }
}

QVariant TFreqListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    switch (role) {
    case Qt::DisplayRole: return Text(index.row(), index.column());
    case Qt::ForegroundRole:
        if (!log_.GetFreq(static_cast<std::size_t>(index.row())).Sent)
            return kNotSentColour;
        return {};
    case Qt::TextAlignmentRole: return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    default: return {};
    }
}

QVariant TFreqListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case 0: return UiText(28, {}, "Address");
    case 1: return UiText(29, {}, "File");
    case 2: return UiText(30, {}, "Status");
    default: return {};
    }
}

void TFreqListModel::Retranslate()
{
    emit headerDataChanged(Qt::Horizontal, 0, kColumns - 1);
    if (rows_ > 0)
        emit dataChanged(index(0, 0), index(rows_ - 1, kColumns - 1));
}

void TFreqListModel::AddNewRows()
{
    if (rows_ > 0)
        emit dataChanged(index(0, 0), index(rows_ - 1, kColumns - 1));
    const int rows = static_cast<int>(log_.FreqCount());
    if (rows <= rows_)
        return;
    beginInsertRows(QModelIndex(), rows_, rows - 1);
    rows_ = rows;
    endInsertRows();
}

// ---------------------------------------------------------------- window

TFreqForm::TFreqForm(TMailerLog* log, QWidget* parent)
    : QMdiSubWindow(parent), log_(log), section_(log->Name + ".FreqList")
{
    setObjectName("TFreqForm");
    setAttribute(Qt::WA_DeleteOnClose);
    SetHelpContext(this, kHelpContext);
    body_ = new QMainWindow(nullptr, Qt::Widget);
    body_->setObjectName("FreqListBody");
    setWidget(body_);

    grid_ = new QTableView(body_);
    grid_->setObjectName("FreqGrid");
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setWordWrap(false);
    grid_->setTabKeyNavigation(false);
    grid_->verticalHeader()->hide();
    grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid_->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    grid_->horizontalHeader()->setHighlightSections(false);
    body_->setCentralWidget(grid_);
    model_ = new TFreqListModel(*log_, this);
    grid_->setModel(model_);
    grid_->setColumnWidth(0, 110);
    grid_->setColumnWidth(1, 160);
    grid_->setColumnWidth(2, 70);

    status_ = new QLabel(body_);
    status_->setObjectName("StatusPanel");
    status_->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    QStatusBar* bar = body_->statusBar();
    bar->setSizeGripEnabled(false);
    bar->setFixedHeight(kStatusHeight);
    bar->addWidget(status_, 1);

    BuildToolBar();
    BuildMenu();
    ApplyTexts();
    tarvix::ApplyGridFont(grid_);
    if (SettingsOpen() && !log_->Temporary)
        RestoreGridLayout(grid_, section_);

    connect(grid_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& now, const QModelIndex&) {
                if (now.isValid())
                    current_ = now.row();
            });
    grid_->installEventFilter(this);
    grid_->viewport()->installEventFilter(this);

    // Opens at the first request of the new part of the log, else at the last.
    const long count = model_->rowCount();
    const std::int64_t firstNew = log_->FirstNewFreq;
    if (firstNew >= 0 && firstNew < count - 1) {
        SelectRequest(static_cast<long>(firstNew));
    } else if (count > 0) {
        SelectRequest(count - 1);
        initialAtTop_ = false;
    }
    resize(380, 300);
}

TFreqForm::~TFreqForm()
{
    grid_->removeEventFilter(this);
    grid_->viewport()->removeEventFilter(this);
    grid_ = nullptr;
}

void TFreqForm::BuildToolBar()
{
    QToolBar* bar = AddSpeedBar(body_);
    QStyle* s = style();
    connect(AddSpeedButton(bar, "BtnClose", s->standardIcon(QStyle::SP_DialogCloseButton)), &QToolButton::clicked,
            this, [this] { close(); });
    connect(AddSpeedButton(bar, "BtnHelp", s->standardIcon(QStyle::SP_DialogHelpButton)), &QToolButton::clicked,
            this, [this] { ShowHelpContext(kHelpContext, window()); });
}

void TFreqForm::BuildMenu()
{
    rowMenu_ = new QMenu(this);
    rowMenu_->setObjectName("RowMenu");
    auto item = [this](const char* name) {
        QAction* a = rowMenu_->addAction(QString());
        a->setObjectName(name);
        return a;
    };
    connect(item("MIPrevFrom"), &QAction::triggered, this, [this] { PrevRequestFrom(); });
    connect(item("MINextFrom"), &QAction::triggered, this, [this] { NextRequestFrom(); });
    rowMenu_->addSeparator();
    QAction* closeItem = item("MIClose");
    connect(closeItem, &QAction::triggered, this, [this] { close(); });
    rowMenu_->setDefaultAction(closeItem);
    connect(rowMenu_, &QMenu::aboutToShow, this, [this] { UpdateRowMenu(); });
}

void TFreqForm::ApplyTexts()
{
    for (const TComponentText& b : kButtonHints)
        Button(b.name)->setToolTip(QString::fromUtf8(b.text));
    MenuAction("MIClose")->setText(QStringLiteral("&Close"));
    ApplyLng(this, "TFreqForm");
    setWindowTitle(UiText(33, {log_->Name}, "File requests"));
    long sent = 0;
    for (std::size_t i = 0; i < log_->FreqCount(); ++i)
        sent += log_->GetFreq(i).Sent ? 1 : 0;
    status_->setText(UiText(157,
                            {static_cast<long long>(log_->FreqCount()),
                             static_cast<long long>(log_->Requesters().Count()), static_cast<long long>(sent)},
                            "Requests"));
    UpdateRowMenu();
    model_->Retranslate();
}

QToolButton* TFreqForm::Button(const char* name) const { return body_->findChild<QToolButton*>(name); }

QAction* TFreqForm::MenuAction(const char* name) const { return rowMenu_->findChild<QAction*>(name); }

QString TFreqForm::StatusText() const { return status_->text(); }

bool TFreqForm::LogGrown()
{
    // The rows are added at the end: the grid keeps its selection and scroll by
    // itself; a list scrolled to its end follows the new rows.
    const QScrollBar* bar = grid_->verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    model_->AddNewRows();
    if (atEnd)
        grid_->scrollToBottom();
    ApplyTexts();  // the counts in the status line
    return true;
}

void TFreqForm::ApplyGridFont()
{
    tarvix::ApplyGridFont(grid_);
    grid_->viewport()->update();
}

// ---------------------------------------------------------------- choosing

void TFreqForm::SelectRequest(long request)
{
    if (request < 0 || request >= model_->rowCount())
        return;
    current_ = request;
    const QModelIndex index = model_->index(static_cast<int>(request), std::max(0, grid_->currentIndex().column()));
    grid_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    grid_->scrollTo(index);
}

void TFreqForm::GoToRequest(long request)
{
    if (request < 0 || static_cast<std::size_t>(request) >= log_->FreqCount() || !log_->Window)
        return;
    log_->Window->GoToLine(log_->GetFreq(static_cast<std::size_t>(request)).LineNo);
}

void TFreqForm::UpdateRowMenu()
{
    std::string addr;
    bool has = false;
    if (current_ >= 0 && static_cast<std::size_t>(current_) < log_->FreqCount()) {
        const TFreq& f = log_->GetFreq(static_cast<std::size_t>(current_));
        has = f.Addr.has_value();
        addr = AddrText(f);
    }
    MenuAction("MIPrevFrom")->setText(UiText(164, {addr}, "Previous request from"));
    MenuAction("MINextFrom")->setText(UiText(165, {addr}, "Next request from"));
    MenuAction("MIPrevFrom")->setEnabled(has);
    MenuAction("MINextFrom")->setEnabled(has);
}

void TFreqForm::StepFromSameAddr(int step)
{
    const long count = model_->rowCount();
    if (current_ < 0 || current_ >= count)
        return;
    const std::optional<TFidoAddr>& addr = log_->GetFreq(static_cast<std::size_t>(current_)).Addr;
    if (!addr)
        return;
    for (long i = current_ + step; i >= 0 && i < count; i += step) {
        const TFreq& f = log_->GetFreq(static_cast<std::size_t>(i));
        if (f.Addr && EqualAddr(*f.Addr, *addr)) {
            SelectRequest(i);
            GoToRequest(i);
            return;
        }
    }
}

void TFreqForm::PrevRequestFrom() { StepFromSameAddr(-1); }

void TFreqForm::NextRequestFrom() { StepFromSameAddr(1); }

// ---------------------------------------------------------------- keys and mouse

bool TFreqForm::GridKey(QKeyEvent* event)
{
    const Qt::KeyboardModifiers mods = event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    const int key = event->key();
    if (mods == Qt::NoModifier) {
        switch (key) {
        case Qt::Key_Return:
        case Qt::Key_Enter: GoToRequest(current_); return true;
        case Qt::Key_Escape: close(); return true;
        default: return false;
        }
    }
    if (mods == Qt::AltModifier && (key == Qt::Key_Left || key == Qt::Key_Right)) {
        StepFromSameAddr(key == Qt::Key_Left ? -1 : 1);
        return true;
    }
    return false;
}

bool TFreqForm::eventFilter(QObject* watched, QEvent* event)
{
    // The window also watches its body, from before the grid exists.
    if (!grid_)
        return QMdiSubWindow::eventFilter(watched, event);
    if (watched == grid_ && event->type() == QEvent::KeyPress) {
        if (GridKey(static_cast<QKeyEvent*>(event)))
            return true;
    } else if (watched == grid_->viewport() && event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint at = mouse->position().toPoint();
        const int row = grid_->rowAt(at.y());
        if (row >= 0 && mouse->button() == Qt::LeftButton) {
            GoToRequest(row);
        } else if (row >= 0 && mouse->button() == Qt::RightButton) {
            SelectRequest(row);
            rowMenu_->popup(mouse->globalPosition().toPoint());
            return true;
        }
    }
    return QMdiSubWindow::eventFilter(watched, event);
}

void TFreqForm::keyPressEvent(QKeyEvent* event)
{
    if (GridKey(event))
        return;
    QMdiSubWindow::keyPressEvent(event);
}

// ---------------------------------------------------------------- showing and closing

void TFreqForm::showEvent(QShowEvent* event)
{
    const bool first = !placed_;
    if (first) {
        placed_ = true;
        if (SettingsOpen() && !log_->Temporary)
            RestoreFormPlacement(this, section_);
    }
    QMdiSubWindow::showEvent(event);
    if (first && current_ >= 0) {
        grid_->setFocus();
        grid_->scrollTo(model_->index(static_cast<int>(current_), 0),
                        initialAtTop_ ? QAbstractItemView::PositionAtTop : QAbstractItemView::PositionAtBottom);
    }
}

void TFreqForm::closeEvent(QCloseEvent* event)
{
    if (!saved_ && SettingsOpen() && !log_->Temporary) {
        saved_ = true;
        SaveFormPlacement(this, section_);
        SaveGridLayout(grid_, section_);
    }
    QMdiSubWindow::closeEvent(event);
}

void TFreqForm::changeEvent(QEvent* event)
{
    QMdiSubWindow::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        ApplyTexts();
}

void RegisterFreqListWindow()
{
    RegisterAnalysisWindow(TAnalysisKind::FreqList, [](TChildForm& owner, const TAnalysisRequest&) -> TAnalysisWindow* {
        auto* log = dynamic_cast<TMailerLog*>(owner.ViewedLog());
        QMdiArea* area = owner.mdiArea();
        if (!log || !area)
            return nullptr;
        auto* window = new TFreqForm(log);
        area->addSubWindow(window);
        window->show();
        area->setActiveSubWindow(window);
        return window;
    });
}

}  // namespace tarvix
