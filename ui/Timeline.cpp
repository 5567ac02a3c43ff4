#include "ui/Timeline.h"

#include "engine/MailerLog.h"
#include "fido/DateTime.h"
#include "settings/SettingsStore.h"
#include "ui/FindDialog.h"
#include "ui/LngComponent.h"
#include "ui/Placement.h"
#include "ui/QtConvert.h"
#include "ui/LogWindow.h"
#include "ui/UiText.h"

#include <QAction>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QSpinBox>
#include <QStyle>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>

#include <algorithm>

namespace tarvix {

namespace {

// The remote as the status line names it: its alias where it has one.
constexpr std::uint8_t kStatusAddrFlags = pfAlias;

struct TComponentText {
    const char* name;
    const char* text;
};
constexpr TComponentText kLabels[] = {{"LblStart", "Start time"}, {"LblEnd", "End time"}};
constexpr TComponentText kButtonHints[] = {
    {"BtnPrevDay", "Previous day (Alt+Up)"}, {"BtnNextDay", "Next day (Alt+Down)"},
    {"BtnHelp", "Help"},                     {"BtnClose", "Close"},
};
constexpr TComponentText kMenuTexts[] = {
    {"MIPrevDay", "&Previous day"}, {"MINextDay", "&Next day"}, {"MIClose", "&Close"}};

QToolButton* NewButton(QWidget* parent, const char* name, const QIcon& icon)
{
    auto* b = new QToolButton(parent);
    b->setObjectName(name);
    b->setAutoRaise(true);
    b->setIcon(icon);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

}  // namespace

// ---------------------------------------------------------------- paint area

TTimelineArea::TTimelineArea(TTimelineForm& form) : QWidget(&form), form_(form)
{
    setObjectName("TimelinePBox");
    setMouseTracking(true);
    setFixedHeight(kTimelineHeight);
    setMinimumWidth(100);
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QSize TTimelineArea::sizeHint() const { return {480, kTimelineHeight}; }

void TTimelineArea::paintEvent(QPaintEvent*)
{
    // Logical pixels: the painter draws them at the screen's own resolution, so the
    // bars and the numbers stay sharp on a scaled screen.
    form_.LayOut(width());
    const TTimelineLayout& layout = form_.Layout();
    const TGeneralSettings& settings = Settings();
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Window));
    p.fillRect(QRect(0, 0, width(), kTimelineBarHeight), palette().color(QPalette::Base));

    for (const TTimelineBar& bar : form_.Bars()) {
        int x1 = 0, x2 = 0;
        layout.BarPixels(bar, x1, x2);
        p.fillRect(QRect(x1, 0, x2 - x1 + 1, kTimelineBarHeight),
                   ToQColor(settings.Colors[static_cast<std::size_t>(bar.Colour)]));
    }

    p.setFont(ToQFont(settings.LogFont));
    p.setPen(palette().color(QPalette::WindowText));
    const QFontMetrics metrics(p.font());
    const std::int64_t hours = form_.Span() / 3600;
    int hour = settings.DayStart;
    for (std::int64_t i = 0; i < hours; ++i) {
        const int x = layout.Pixel(i * 3600);
        p.drawLine(x, kTimelineTickTop, x, kTimelineTickBottom);
        const QString text = QString::number(hour);
        // Centred on its tick, but kept inside the area at both ends.
        const int w = metrics.horizontalAdvance(text);
        const int left = std::clamp(x - w / 2, 0, std::max(0, width() - w));
        p.drawText(QRect(left, kTimelineHourTop, w, metrics.height()), Qt::AlignLeft | Qt::AlignTop, text);
        hour = (hour + 1) % 24;
    }
}

void TTimelineArea::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        const QPoint at = event->position().toPoint();
        form_.PickAt(at.x(), at.y());
    }
    QWidget::mousePressEvent(event);
}

void TTimelineArea::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    form_.HoverAt(at.x(), at.y());
    QWidget::mouseMoveEvent(event);
}

void TTimelineArea::leaveEvent(QEvent* event)
{
    form_.HoverAt(-1, -1);
    QWidget::leaveEvent(event);
}

bool TTimelineArea::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const long session = form_.Layout().SessionAt(help->pos().x(), help->pos().y());
        const QString tip = form_.SessionTip(session);
        if (tip.isEmpty()) {
            QToolTip::hideText();
            event->ignore();
        } else {
            QToolTip::showText(help->globalPos(), tip, this);
        }
        return true;
    }
    return QWidget::event(event);
}

// ---------------------------------------------------------------- the window

TTimelineForm::TTimelineForm(TMailerLog* log, QWidget* parent)
    : QMdiSubWindow(parent), log_(log), section_(log->Name + ".Timeline")
{
    setObjectName("TTimelineForm");
    setAttribute(Qt::WA_DeleteOnClose);
    SetHelpContext(this, kHelpContext);
    BuildControls();
    ApplyTexts();
    const TGeneralSettings& settings = Settings();
    span_ = TimelineSpan(settings.DayStart, settings.DayEnd);
    resize(560, 170);
    SetDay(0);
}

TTimelineForm::~TTimelineForm() = default;

void TTimelineForm::BuildControls()
{
    auto* body = new QWidget(this);
    body->setObjectName("TimelineBody");
    setWidget(body);
    auto* column = new QVBoxLayout(body);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);

    area_ = new TTimelineArea(*this);
    area_->setParent(body);
    column->addWidget(area_);

    // Hours on the left, the day in the middle (centred whatever the width), the
    // buttons on the right.
    auto* controls = new QGridLayout;
    controls->setContentsMargins(4, 0, 4, 0);
    auto* hours = new QHBoxLayout;
    auto spin = [body](const char* name, int value) {
        auto* s = new QSpinBox(body);
        s->setObjectName(name);
        s->setRange(0, 23);
        s->setWrapping(true);
        s->setValue(value);
        return s;
    };
    startLabel_ = new QLabel(body);
    startLabel_->setObjectName("LblStart");
    startEdit_ = spin("StartEdit", Settings().DayStart);
    endLabel_ = new QLabel(body);
    endLabel_->setObjectName("LblEnd");
    endEdit_ = spin("EndEdit", Settings().DayEnd);
    startLabel_->setBuddy(startEdit_);
    endLabel_->setBuddy(endEdit_);
    hours->addWidget(startLabel_);
    hours->addWidget(startEdit_);
    hours->addSpacing(8);
    hours->addWidget(endLabel_);
    hours->addWidget(endEdit_);
    hours->addStretch(1);
    // The spin boxes would take Alt+Up and Alt+Down as steps: they are the window's.
    startEdit_->installEventFilter(this);
    endEdit_->installEventFilter(this);
    connect(startEdit_, &QSpinBox::valueChanged, this, [this](int v) { SetDayStart(v); });
    connect(endEdit_, &QSpinBox::valueChanged, this, [this](int v) { SetDayEnd(v); });

    QStyle* s = style();
    auto* day = new QHBoxLayout;
    QToolButton* prev = NewButton(body, "BtnPrevDay", s->standardIcon(QStyle::SP_ArrowLeft));
    dayLabel_ = new QLabel(body);
    dayLabel_->setObjectName("CurDayLbl");
    dayLabel_->setAlignment(Qt::AlignCenter);
    dayLabel_->setMinimumWidth(QFontMetrics(dayLabel_->font()).horizontalAdvance("00 MMMM 00") + 8);
    QToolButton* next = NewButton(body, "BtnNextDay", s->standardIcon(QStyle::SP_ArrowRight));
    day->addWidget(prev);
    day->addWidget(dayLabel_);
    day->addWidget(next);
    connect(prev, &QToolButton::clicked, this, [this] { PrevDay(); });
    connect(next, &QToolButton::clicked, this, [this] { NextDay(); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    QToolButton* help = NewButton(body, "BtnHelp", s->standardIcon(QStyle::SP_DialogHelpButton));
    QToolButton* close = NewButton(body, "BtnClose", s->standardIcon(QStyle::SP_DialogCloseButton));
    buttons->addWidget(help);
    buttons->addWidget(close);
    connect(help, &QToolButton::clicked, this, [this] { ShowHelpContext(kHelpContext, window()); });
    connect(close, &QToolButton::clicked, this, [this] { this->close(); });

    controls->addLayout(hours, 0, 0);
    controls->addLayout(day, 0, 1, Qt::AlignCenter);
    controls->addLayout(buttons, 0, 2);
    controls->setColumnStretch(0, 1);
    controls->setColumnStretch(2, 1);
    column->addLayout(controls);
    column->addStretch(1);

    status_ = new QLabel(body);
    status_->setObjectName("StatusBar");
    status_->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    status_->setMinimumHeight(20);
    column->addWidget(status_);

    menu_ = new QMenu(this);
    menu_->setObjectName("PopupMenu");
    auto item = [this](const char* name) {
        QAction* a = menu_->addAction(QString());
        a->setObjectName(name);
        return a;
    };
    connect(item("MIPrevDay"), &QAction::triggered, this, [this] { PrevDay(); });
    connect(item("MINextDay"), &QAction::triggered, this, [this] { NextDay(); });
    menu_->addSeparator();
    QAction* closeItem = item("MIClose");
    connect(closeItem, &QAction::triggered, this, [this] { this->close(); });
    menu_->setDefaultAction(closeItem);
}

void TTimelineForm::ApplyTexts()
{
    for (const TComponentText& l : kLabels)
        findChild<QLabel*>(l.name)->setText(QString::fromUtf8(l.text));
    for (const TComponentText& b : kButtonHints)
        Button(b.name)->setToolTip(QString::fromUtf8(b.text));
    for (const TComponentText& m : kMenuTexts)
        MenuAction(m.name)->setText(QString::fromUtf8(m.text));
    ApplyLng(this, "TTimelineForm");
    setWindowTitle(UiText(79, {log_->Name}, "Timeline"));
    if (dayIndex_ >= 0 && static_cast<std::size_t>(dayIndex_) < log_->DayCount())
        dayLabel_->setText(QString::fromStdString(
            FormatDateTime("dd mmm yy", log_->GetDay(static_cast<std::size_t>(dayIndex_)).Date)));
}

QToolButton* TTimelineForm::Button(const char* name) const { return findChild<QToolButton*>(name); }

QAction* TTimelineForm::MenuAction(const char* name) const { return menu_->findChild<QAction*>(name); }

QString TTimelineForm::StatusText() const { return status_->text(); }

QString TTimelineForm::DayText() const { return dayLabel_->text(); }

// ---------------------------------------------------------------- day and hours

void TTimelineForm::SetDay(long day)
{
    if (suppress_ || day < 0 || static_cast<std::size_t>(day) >= log_->DayCount())
        return;
    dayIndex_ = day;
    const bool hasPrev = day != 0;
    const bool hasNext = static_cast<std::size_t>(day) + 1 < log_->DayCount();
    Button("BtnPrevDay")->setEnabled(hasPrev);
    MenuAction("MIPrevDay")->setEnabled(hasPrev);
    Button("BtnNextDay")->setEnabled(hasNext);
    MenuAction("MINextDay")->setEnabled(hasNext);
    const TDateTime date = log_->GetDay(static_cast<std::size_t>(day)).Date;
    const int whole = static_cast<int>(DateOf(date));
    if (whole == shownDate_)
        return;
    shownDate_ = whole;
    dayLabel_->setText(QString::fromStdString(FormatDateTime("dd mmm yy", date)));
    Rebuild();
}

bool TTimelineForm::LogGrown()
{
    // New days may follow the day shown (its buttons), and it may have new sessions.
    if (dayIndex_ >= 0)
        SetDay(dayIndex_);
    Rebuild();
    return true;
}

void TTimelineForm::SetDayStart(int hour)
{
    Settings().DayStart = std::clamp(hour, 0, 23);
    Rebuild();
}

void TTimelineForm::SetDayEnd(int hour)
{
    Settings().DayEnd = std::clamp(hour, 0, 23);
    Rebuild();
}

void TTimelineForm::Rebuild()
{
    // The sessions of the day are picked once per day and window of hours; each
    // paint only maps them onto the area's width.
    const TGeneralSettings& settings = Settings();
    span_ = TimelineSpan(settings.DayStart, settings.DayEnd);
    bars_ = TimelineBars(*log_, shownDate_, settings.DayStart, settings.DayEnd);
    LayOut(area_->width());
    hover_ = -1;
    area_->update();
}

void TTimelineForm::LayOut(int width) { layout_.LayOut(bars_, width, span_); }

void TTimelineForm::PrevDay()
{
    if (log_->Window)
        if (auto* w = dynamic_cast<TChildForm*>(log_->Window))
            w->PrevDay();
}

void TTimelineForm::NextDay()
{
    if (log_->Window)
        if (auto* w = dynamic_cast<TChildForm*>(log_->Window))
            w->NextDay();
}

void TTimelineForm::ApplyColours() { area_->update(); }

// ---------------------------------------------------------------- mouse

void TTimelineForm::PickAt(int x, int y)
{
    const long session = layout_.SessionAt(x, y);
    if (session < 0 || static_cast<std::size_t>(session) >= log_->SessCount() || !log_->Window)
        return;
    suppress_ = true;
    log_->Window->GoToLine(log_->GetSess(static_cast<std::size_t>(session)).StartLine);
    suppress_ = false;
}

void TTimelineForm::HoverAt(int x, int y)
{
    const long session = layout_.SessionAt(x, y);
    if (session < 0 || static_cast<std::size_t>(session) >= log_->SessCount()) {
        status_->clear();
        hover_ = -1;
        return;
    }
    if (session == hover_)
        return;
    hover_ = session;
    const TSess& s = log_->GetSess(static_cast<std::size_t>(session));
    if (s.Has(sfHuman))
        status_->setText(UiText(100, {}, "Human caller"));
    else if (s.Addr)
        status_->setText(QString::fromStdString(s.Addr->ToStrFlags(kStatusAddrFlags)));
    else
        status_->clear();
}

QString TTimelineForm::SessionTip(long session) const
{
    if (session < 0 || static_cast<std::size_t>(session) >= log_->SessCount())
        return {};
    const TSess& s = log_->GetSess(static_cast<std::size_t>(session));
    return QString::fromStdString(FormatDateTime("hh:nn:ss", s.StartTime) + " " + s.SessText());
}

// ---------------------------------------------------------------- keys, menu, lifetime

bool TTimelineForm::WindowKey(QKeyEvent* event)
{
    const Qt::KeyboardModifiers mods = event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    if (mods == Qt::AltModifier && event->key() == Qt::Key_Up)
        PrevDay();
    else if (mods == Qt::AltModifier && event->key() == Qt::Key_Down)
        NextDay();
    else if (mods == Qt::NoModifier && event->key() == Qt::Key_Escape)
        close();
    else
        return false;
    return true;
}

void TTimelineForm::keyPressEvent(QKeyEvent* event)
{
    if (!WindowKey(event))
        QMdiSubWindow::keyPressEvent(event);
}

bool TTimelineForm::eventFilter(QObject* watched, QEvent* event)
{
    if ((watched == startEdit_ || watched == endEdit_) && event->type() == QEvent::KeyPress &&
        WindowKey(static_cast<QKeyEvent*>(event)))
        return true;
    return QMdiSubWindow::eventFilter(watched, event);
}

void TTimelineForm::contextMenuEvent(QContextMenuEvent* event) { menu_->popup(event->globalPos()); }

void TTimelineForm::showEvent(QShowEvent* event)
{
    if (!placed_) {
        placed_ = true;
        if (SettingsOpen() && !log_->Temporary)
            RestoreFormPlacement(this, section_);
    }
    QMdiSubWindow::showEvent(event);
}

void TTimelineForm::closeEvent(QCloseEvent* event)
{
    if (!saved_ && SettingsOpen() && !log_->Temporary) {
        saved_ = true;
        SaveFormPlacement(this, section_);
    }
    QMdiSubWindow::closeEvent(event);
}

void TTimelineForm::changeEvent(QEvent* event)
{
    QMdiSubWindow::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        ApplyTexts();
}

void RegisterTimelineWindow()
{
    RegisterAnalysisWindow(TAnalysisKind::Timeline,
                           [](TChildForm& owner, const TAnalysisRequest& request) -> TAnalysisWindow* {
                               auto* log = dynamic_cast<TMailerLog*>(owner.ViewedLog());
                               QMdiArea* area = owner.mdiArea();
                               if (!log || !area || log->SessCount() == 0)
                                   return nullptr;
                               auto* window = new TTimelineForm(log);
                               area->addSubWindow(window);
                               window->show();
                               area->setActiveSubWindow(window);
                               window->SetDay(request.Day);
                               return window;
                           });
}

}  // namespace tarvix
