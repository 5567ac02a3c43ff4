#include "ui/SideFileWindow.h"

#include "engine/Log.h"
#include "engine/SessHistory.h"
#include "engine/TMailLog.h"
#include "fido/Dialogs.h"
#include "settings/SettingsStore.h"
#include "ui/FrameEvents.h"
#include "ui/FreqLim.h"
#include "ui/History.h"
#include "ui/LngComponent.h"
#include "ui/ListWindow.h"
#include "ui/MenuUtils.h"
#include "ui/Placement.h"
#include "ui/SpeedBar.h"
#include "ui/Traffic.h"
#include "ui/UiText.h"

#include <algorithm>

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QHeaderView>
#include <QScrollBar>
#include <QStyle>
#include <QKeyEvent>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QStatusBar>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>

namespace tarvix {

namespace {

constexpr int kStatusHeight = 22;
const QColor kSortedHeading(0, 0, 128);  // navy

// Runs a command of a button or menu item; an error (an address that does not
// parse, a report that cannot be written) is shown, never thrown into the event loop.
void Run(const std::function<void()>& command)
{
    try {
        command();
    } catch (const std::exception& e) {
        MessageDlgText(e.what(), TMsgDlgType::mtError, mbOK);
    }
}

}  // namespace

// ---------------------------------------------------------------- model

TSideFileModel::TSideFileModel(TSource source, QObject* parent) : QAbstractTableModel(parent), source_(std::move(source))
{
}

int TSideFileModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : source_.rows(); }

int TSideFileModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : source_.columns; }

QVariant TSideFileModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= source_.rows())
        return {};
    return source_.cell(index.row(), index.column(), role);
}

QVariant TSideFileModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::DisplayRole)
        return source_.heading(section);
    if (role == Qt::ForegroundRole && source_.sortedBy && source_.sortedBy(section))
        return kSortedHeading;
    return {};
}

void TSideFileModel::Reload()
{
    beginResetModel();
    endResetModel();
}

// ---------------------------------------------------------------- window

TSideFileForm::TSideFileForm(const char* className, std::string section, QWidget* parent)
    : QMdiSubWindow(parent), className_(className), section_(std::move(section))
{
    setObjectName(className);
    setAttribute(Qt::WA_DeleteOnClose);
    body_ = new QMainWindow(nullptr, Qt::Widget);
    body_->setObjectName("SideFileBody");
    setWidget(body_);
    bar_ = AddSpeedBar(body_);

    grid_ = new QTableView(body_);
    grid_->setObjectName("Grid");
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setWordWrap(false);
    grid_->setTabKeyNavigation(false);
    grid_->verticalHeader()->hide();
    grid_->horizontalHeader()->setHighlightSections(false);
    grid_->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    body_->setCentralWidget(grid_);
    tarvix::ApplyGridFont(grid_);

    QStatusBar* status = body_->statusBar();
    status->setSizeGripEnabled(false);
    status->setFixedHeight(kStatusHeight);
    for (int i = 0; i < 2; ++i) {
        status_[i] = new QLabel(body_);
        status_[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        status_[i]->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        status->addWidget(status_[i], i == 0 ? 0 : 1);
        status_[i]->setVisible(false);
    }

    rowMenu_ = new QMenu(this);
    rowMenu_->setObjectName("RowMenu");
    grid_->installEventFilter(this);
    grid_->viewport()->installEventFilter(this);
}

void TSideFileForm::SetColumnWidths(std::initializer_list<int> widths)
{
    const int digit = DigitWidth(grid_->font());
    int column = 0;
    for (int width : widths) {
        const int scaled = (width * digit + kDefaultDigitWidth - 1) / kDefaultDigitWidth;
        grid_->setColumnWidth(column, std::max(scaled, grid_->horizontalHeader()->sectionSizeHint(column)));
        ++column;
    }
}

void TSideFileForm::ResizeToColumns(int width, int height)
{
    // The columns, the grid's frame and vertical scroll bar, and the window's edges.
    const int columns = grid_->horizontalHeader()->length() + 2 * grid_->frameWidth() +
                        grid_->verticalScrollBar()->sizeHint().width() +
                        2 * style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, this);
    resize(std::max(width, columns), height);
}

void TSideFileForm::SetSource(TSideFileModel::TSource source)
{
    model_ = new TSideFileModel(std::move(source), this);
    grid_->setModel(model_);
}

QToolButton* TSideFileForm::AddButton(const char* name, const QIcon& icon, const std::function<void()>& command)
{
    QToolButton* b = AddSpeedButton(bar_, name, icon);
    connect(b, &QToolButton::clicked, this, [command] { Run(command); });
    return b;
}

QAction* TSideFileForm::AddItem(QMenu* menu, const char* name, const QString& caption,
                                const std::function<void()>& command, const QKeySequence& key)
{
    QAction* a = menu->addAction(caption);
    a->setObjectName(name);
    if (!key.isEmpty()) {
        // Shown in the menu; the grid's key handler runs it (before the grid's own
        // use of the key, such as Ctrl+C for copying).
        a->setShortcut(key);
        a->setShortcutContext(Qt::WidgetShortcut);
        hotKeys_.push_back(a);
    }
    connect(a, &QAction::triggered, this, [command] { Run(command); });
    return a;
}

QMenu* TSideFileForm::AddSortMenu(const QStringList& captions, const std::function<void(int)>& sortBy)
{
    sortMenu_ = rowMenu_->addMenu(QStringLiteral("&Sort"));
    sortMenu_->setObjectName("MISort");
    auto* group = new QActionGroup(sortMenu_);
    for (int i = 0; i < captions.size(); ++i) {
        QAction* a = sortMenu_->addAction(captions[i]);
        a->setObjectName(QStringLiteral("MISort%1").arg(i));
        a->setCheckable(true);
        SetMenuItemTag(a, i);
        group->addAction(a);
        connect(a, &QAction::triggered, this, [sortBy, i] { Run([&] { sortBy(i); }); });
    }
    return sortMenu_;
}

void TSideFileForm::CheckSortItem(int order)
{
    if (!sortMenu_)
        return;
    if (QAction* a = FindMenuItemByTag(sortMenu_, order))
        a->setChecked(true);
    model_->headerDataChanged(Qt::Horizontal, 0, model_->columnCount() - 1);
}

QAction* TSideFileForm::MenuAction(const char* name) const { return findChild<QAction*>(name); }

QToolButton* TSideFileForm::Button(const char* name) const { return body_->findChild<QToolButton*>(name); }

QString TSideFileForm::StatusText() const
{
    QString s = status_[0]->text();
    if (status_[1]->isVisible())
        s += QStringLiteral(" | ") + status_[1]->text();
    return s;
}

void TSideFileForm::SetStatus(const QString& text, int panel)
{
    status_[panel]->setText(text);
    status_[panel]->setVisible(true);
}

int TSideFileForm::SelectedRow() const
{
    const QModelIndex i = grid_->currentIndex();
    return i.isValid() ? i.row() : -1;
}

void TSideFileForm::SelectRow(int row)
{
    if (!model_ || row < 0 || row >= model_->rowCount())
        return;
    const QModelIndex index = model_->index(row, std::max(0, grid_->currentIndex().column()));
    grid_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    grid_->scrollTo(index);
}

void TSideFileForm::FindNode(const std::function<TFidoAddr(int row)>& addrOfRow)
{
    std::string text;
    if (!InputQueryL(35, 36, text) || text.empty())
        return;
    // Masks and the alias names of the mailer configuration, as the address search.
    const TFidoAddr mask = TFidoAddr::CreateParse(text, afMask | afAlias);
    for (int row = 0; row < model_->rowCount(); ++row)
        if (MatchAddr(mask, addrOfRow(row))) {
            SelectRow(row);
            return;
        }
    MessageDlgLOr(37, {}, "No matching address was found.", TMsgDlgType::mtInformation, mbOK);
}

std::optional<int> TSideFileForm::AskLine(int current)
{
    std::string text = std::to_string(current);
    if (!InputQueryL(46, 47, text))
        return std::nullopt;
    long long line = 0;
    const bool digits = !text.empty() && text.size() <= 4 &&
                        std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (digits)
        line = std::stoll(text);
    if (!digits || !ValidTaskLine(line)) {
        MessageDlgLOr(48, {text}, "Invalid line number: %s", TMsgDlgType::mtError, mbOK);
        return std::nullopt;
    }
    return static_cast<int>(line);
}

void TSideFileForm::ChooseLine(int& line, const std::function<void()>& load)
{
    const std::optional<int> chosen = AskLine(line);
    if (!chosen)
        return;
    const int old = line;
    line = *chosen;
    try {
        load();
    } catch (const std::exception& e) {
        line = old;
        ApplyTexts();
        MessageDlgText(e.what(), TMsgDlgType::mtError, mbOK);
    }
}

void TSideFileForm::ApplyTexts() { ApplyLng(this, className_); }

// ---------------------------------------------------------------- events

bool TSideFileForm::eventFilter(QObject* watched, QEvent* event)
{
    if (grid_ && watched == grid_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
            close();
            return true;
        }
        const QKeySequence pressed(key->keyCombination());
        for (QAction* a : hotKeys_)
            if (a->shortcut() == pressed) {
                if (a->isEnabled())
                    a->trigger();
                return true;
            }
    } else if (grid_ && watched == grid_->viewport() && event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        const int row = grid_->rowAt(mouse->position().toPoint().y());
        if (mouse->button() == Qt::RightButton) {
            SelectRow(row);
            rowMenu_->popup(mouse->globalPosition().toPoint());
            return true;
        }
    }
    return QMdiSubWindow::eventFilter(watched, event);
}

bool TSideFileForm::event(QEvent* event)
{
    if (event->type() == TSettingsChangedEvent::EventType()) {
        if (static_cast<TSettingsChangedEvent*>(event)->What() == TSettingsChange::GridFont)
            tarvix::ApplyGridFont(grid_);
        grid_->viewport()->update();
        return true;
    }
    return QMdiSubWindow::event(event);
}

void TSideFileForm::showEvent(QShowEvent* event)
{
    if (!placed_) {
        placed_ = true;
        if (SettingsOpen())
            RestoreFormPlacement(this, section_);
        grid_->setFocus();
    }
    QMdiSubWindow::showEvent(event);
}

void TSideFileForm::closeEvent(QCloseEvent* event)
{
    if (!saved_ && SettingsOpen()) {
        saved_ = true;
        SaveFormPlacement(this, section_);
    }
    QMdiSubWindow::closeEvent(event);
}

void TSideFileForm::changeEvent(QEvent* event)
{
    QMdiSubWindow::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        ApplyTexts();
}

// ---------------------------------------------------------------- the frame's menus

TSideFileForm* CreateSideFileWindow(TSideFileKind kind)
{
    if (kind == TSideFileKind::ArgusBinLog) {
        TLog* argus = FindLogByStyle(lsArgus);
        if (!argus)
            return nullptr;
        auto window = std::make_unique<THistoryForm>(THistoryFile::ArgusVersion);
        window->LoadHistory(argus->Path);
        return window.release();
    }
    auto* tmail = dynamic_cast<TTMailLog*>(FindLogByStyle(lsTMail));
    if (!tmail)
        return nullptr;
    const std::string dir = tmail->SystemDir();
    switch (kind) {
    case TSideFileKind::Traffic: {
        auto window = std::make_unique<TTrafficForm>(Settings().TrafficLine, Settings().TrafficSort);
        window->LoadTraffic(dir, tmail->TMVersion);
        return window.release();
    }
    case TSideFileKind::History: {
        auto window = std::make_unique<THistoryForm>(tmail->TMVersion, Settings().HistoryLine);
        window->LoadHistory(dir);
        return window.release();
    }
    default: {
        auto window = std::make_unique<TFreqLimForm>(Settings().FreqLimSort);
        window->LoadFreqLimits(dir);
        return window.release();
    }
    }
}

}  // namespace tarvix
