#include "ui/LogWindow.h"

#include "engine/LogText.h"
#include "engine/MailerLog.h"
#include "engine/TMailLog.h"
#include "fido/DateTime.h"
#include "fido/Format.h"
#include "fido/Dialogs.h"
#include "fido/Lng.h"
#include "settings/SettingsStore.h"
#include "ui/ChildForm.h"
#include "ui/FindBar.h"
#include "ui/LogFollow.h"
#include "ui/SpeedBar.h"
#include "ui/Placement.h"
#include "ui/GotoLine.h"
#include "ui/HelpWindow.h"
#include "ui/LngComponent.h"
#include "ui/LogView.h"
#include "ui/ModalHook.h"
#include "ui/UiText.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFont>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QKeySequence>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMdiArea>
#include <QMenu>
#include <QPainter>
#include <QProgressBar>
#include <QSaveFile>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cmath>

namespace tarvix {

namespace {

constexpr int kDayListWidth = 69;
constexpr int kDayListHeight = 93;
constexpr int kStatusHeight = 27;
// A followed log whose reading takes this long is read again only after a pause
// of four times that.
constexpr qint64 kSlowReadMs = 200;
constexpr int kPanel0Width = 250;
constexpr int kPanel1Width = 150;
constexpr int kProgressWidth = 124;
constexpr int kProgressHeight = 17;
constexpr std::size_t kLastStrLen = 20;
constexpr std::size_t kSaveBlock = 64000;
// A run of a FrontDoor log starts with a line of dashes.
constexpr std::string_view kRunMark = "----------";

// The default texts of the components; the language file's [TChildForm] section
// replaces them.
struct TButtonText {
    const char* name;
    const char* hint;
};
constexpr TButtonText kButtonHints[] = {
    {"BtnClose", "Close"},
    {"BtnRereadLog", "Re-read the log (Ctrl+R)"},
    {"BtnPrevDay", "Previous day (Alt+Up)"},
    {"BtnNextDay", "Next day (Alt+Down)"},
    {"BtnDayList", "Day list (Ctrl+D)"},
    {"BtnPrevSess", "Previous session (Alt+Left)"},
    {"BtnNextSess", "Next session (Alt+Right)"},
    {"BtnFind", "Find (F3: find next)"},
    {"BtnSaveSel", "Save the selected text to a file"},
    {"BtnCopy", "Copy the selected text"},
    {"BtnHilite", "Colour highlighting (Ctrl+H)"},
    {"BtnFollow", "Follow the log as the mailer writes it (F)"},
    {"BtnSessList", "Session list (F5)"},
    {"BtnFreqList", "File-request list (F6)"},
    {"BtnTimeline", "Timeline (F7)"},
    {"BtnDialStat", "Dial statistics (F8)"},
    {"BtnSessInfo", "Session information (F9)"},
    {"BtnHelp", "Help"},
};
constexpr TButtonText kMenuTexts[] = {
    {"MISessList", "&Session list"}, {"MIFreqList", "&Freq list"}, {"MITimeline", "&Timeline"},
    {"MIDialStat", "&Dial statistics"}, {"MISessInfo", "Session &info"}, {"MIClose", "&Close"},
    {"MICopy", "&Copy"}, {"MISelectAll", "Select &all"},
};
constexpr const char* kAnalysisButtons[kAnalysisKindCount] = {"BtnSessList", "BtnFreqList", "BtnTimeline",
                                                              "BtnDialStat", "BtnSessInfo"};
constexpr const char* kAnalysisItems[kAnalysisKindCount] = {"MISessList", "MIFreqList", "MITimeline", "MIDialStat",
                                                            "MISessInfo"};

// A day as the day list and the day buttons show it: with its year when the log's
// days run over more than one year.
std::string DayText(const TLog& log, TDateTime date)
{
    return FormatDateTime(log.DaysSpanYears() ? "dd mmm yyyy" : "dd mmm", date);
}

}  // namespace

// ---------------------------------------------------------------- creation

TChildForm::TChildForm(TLog* log, QWidget* parent) : QMdiSubWindow(parent), log_(log)
{
    setObjectName("TChildForm");
    setAttribute(Qt::WA_DeleteOnClose);
    body_ = new QMainWindow(nullptr, Qt::Widget);
    body_->setObjectName("ChildBody");
    setWidget(body_);

    auto* central = new QWidget(body_);
    central->setObjectName("ChildText");
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    view_ = new TLogView(central);
    view_->setObjectName("LEdit");
    layout->addWidget(view_);
    findBar_ = new TFindBar(view_, central);
    layout->addWidget(findBar_);
    connect(view_, &TLogView::findNextRequested, this, [this](bool backward) {
        if (textLoaded_ && !findBar_->TextEdit()->text().isEmpty())
            findBar_->FindNext(backward);
        else
            OpenFindBar();
    });
    body_->setCentralWidget(central);
    follow_ = new TLogFollow(this);
    connect(follow_, &TLogFollow::grown, this, [this] {
        // A log that takes long to read is read again at most every few readings'
        // time, so that the window stays usable while the mailer writes on.
        if (lastFollowMs_ >= kSlowReadMs && followClock_.isValid() && followClock_.elapsed() < 4 * lastFollowMs_)
            return;
        if (following_ && loaded_ && !Busy() && !Closing() && !FollowGrown())
            FollowReload(false);
    });
    connect(follow_, &TLogFollow::replaced, this, [this] {
        if (loaded_ && !Busy() && !Closing())
            FollowReload(true);
    });

    dayList_ = new QListWidget(central);
    dayList_->setObjectName("LbxDays");
    dayList_->resize(kDayListWidth, kDayListHeight);
    dayList_->hide();
    dayList_->installEventFilter(this);
    connect(dayList_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        const int row = dayList_->row(item);
        if (!log_ || row < 0 || static_cast<std::size_t>(row) >= log_->DayCount())
            return;
        if (row == currentDay_)
            HideDayList();
        else
            GoToLine(log_->GetDay(static_cast<std::size_t>(row)).FirstLine);
    });
    connect(dayList_, &QListWidget::itemDoubleClicked, this, [this] { HideDayList(); });

    BuildToolBar();
    BuildStatusBar();
    BuildPopupMenu();
    ApplyTexts();

    view_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { popup_->popup(view_->mapToGlobal(at)); });
    connect(view_, &TLogView::caretMoved, this, [this] {
        if (trackCaret_)
            UpdatePosition();
    });
    connect(view_, &TLogView::selectionChanged, this, [this] {
        const bool any = view_->HasSelection();
        Button("BtnCopy")->setEnabled(any);
        Button("BtnSaveSel")->setEnabled(any);
    });
    // The view asks the words of a line in order from its first; whenever it starts a
    // line (again), the class held for the rest of a line is forgotten.
    view_->SetWordClassFunc([this](std::string_view word, std::int64_t line, int col) {
        if (!log_)
            return 0;
        if (line != hlLine_ || col <= hlCol_)
            log_->ResetHighlightState();
        hlLine_ = line;
        hlCol_ = col;
        return log_->GetWordClass(word, line, col) & 0x7F;
    });
    connect(this, &QMdiSubWindow::windowStateChanged, this, [this](Qt::WindowStates, Qt::WindowStates now) {
        if (!(now & Qt::WindowActive))
            HideDayList();
    });

    if (log_)
        setWindowTitle(QString::fromStdString(log_->Name));
    view_->SetLogFont(Settings().LogFont);
    view_->SetColors(Settings().Colors);
    if (log_ && !log_->Temporary)
        codePage_ = CodePageFromName(Ini().ReadString(log_->Name + ".MainWnd", "CodePage", ""));
    view_->SetCodePage(ViewCodePage());
    currentDay_ = -1;
}

TChildForm::~TChildForm()
{
    // The base classes and the children are destroyed after this body: what they
    // signal on the way must not reach this window any more.
    disconnect(this, nullptr, this, nullptr);
    for (QObject* child : findChildren<QObject*>())
        child->disconnect(this);
    SetHourglass(false);
    // A search reads the view's line index: it ends before the view goes.
    findBar_->Stop();
    CloseAnalysisWindows();
    if (log_ && log_->Window == this)
        log_->Window = nullptr;
    // The view may paint no more with a log that is going.
    view_->SetWordClassFunc({});
    log_ = nullptr;
}

QToolButton* TChildForm::AddButton(const char* name, const QIcon& icon, void (TChildForm::*command)())
{
    QToolButton* button = AddSpeedButton(body_->findChild<QToolBar*>("SpeedBar"), name, icon);
    if (command)
        connect(button, &QToolButton::clicked, this, [this, command] { (this->*command)(); });
    return button;
}

void TChildForm::BuildToolBar()
{
    AddSpeedBar(body_);
    QStyle* s = style();
    AddButton("BtnClose", s->standardIcon(QStyle::SP_DialogCloseButton), nullptr);
    connect(Button("BtnClose"), &QToolButton::clicked, this, [this] { close(); });
    AddButton("BtnRereadLog", s->standardIcon(QStyle::SP_BrowserReload), &TChildForm::Reread);
    AddButton("BtnPrevDay", s->standardIcon(QStyle::SP_ArrowUp), &TChildForm::PrevDay);
    AddButton("BtnNextDay", s->standardIcon(QStyle::SP_ArrowDown), &TChildForm::NextDay);
    AddButton("BtnDayList", s->standardIcon(QStyle::SP_FileDialogDetailedView), &TChildForm::ToggleDayList);
    AddButton("BtnPrevSess", s->standardIcon(QStyle::SP_ArrowLeft), &TChildForm::PrevSess);
    AddButton("BtnNextSess", s->standardIcon(QStyle::SP_ArrowRight), &TChildForm::NextSess);
    AddButton("BtnFind", FindIcon(), &TChildForm::OpenFindBar);
    AddButton("BtnSaveSel", s->standardIcon(QStyle::SP_DialogSaveButton), &TChildForm::SaveSelection);
    AddButton("BtnCopy", CopyIcon(), &TChildForm::CopySelection);
    QToolButton* hilite = AddButton("BtnHilite", GlyphIcon("H", QColor(0xC0, 0, 0)), nullptr);
    hilite->setCheckable(true);
    connect(hilite, &QToolButton::toggled, this, [this](bool on) {
        view_->SetHighlight(on);
        if (log_)
            log_->Highlight = on;
    });
    QToolButton* follow = AddButton("BtnFollow", s->standardIcon(QStyle::SP_MediaPlay), nullptr);
    follow->setCheckable(true);
    connect(follow, &QToolButton::toggled, this, [this](bool on) { SetFollow(on); });
    AddButton("BtnSessList", GlyphIcon("S", QColor(0, 0, 0x80)), nullptr);
    AddButton("BtnFreqList", GlyphIcon("R", QColor(0, 0x60, 0)), nullptr);
    AddButton("BtnTimeline", GlyphIcon("T", QColor(0x80, 0, 0x80)), nullptr);
    AddButton("BtnDialStat", GlyphIcon("D", QColor(0x80, 0x40, 0)), nullptr);
    AddButton("BtnSessInfo", s->standardIcon(QStyle::SP_FileDialogInfoView), nullptr);
    for (TAnalysisKind kind : kAnalysisKinds)
        connect(Button(kAnalysisButtons[static_cast<int>(kind)]), &QToolButton::clicked, this,
                [this, kind] { OpenAnalysis(kind); });
    AddButton("BtnHelp", s->standardIcon(QStyle::SP_DialogHelpButton), nullptr);
    connect(Button("BtnHelp"), &QToolButton::clicked, this, [this] { ShowHelpContext(kHelpContext, window()); });
}

void TChildForm::BuildStatusBar()
{
    QStatusBar* bar = body_->statusBar();
    bar->setObjectName("StatusBar");
    bar->setSizeGripEnabled(false);
    bar->setFixedHeight(kStatusHeight);
    QFont font("Arial");
    font.setPointSize(8);
    bar->setFont(font);

    auto* box0 = new QFrame(bar);
    box0->setObjectName("StatusPanel0");
    box0->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    box0->setMinimumWidth(kPanel0Width);
    auto* row = new QHBoxLayout(box0);
    row->setContentsMargins(2, 0, 2, 0);
    panel0_ = new QLabel(box0);
    panel0_->setObjectName("StatusText");
    progress_ = new QProgressBar(box0);
    progress_->setObjectName("ProgressBar");
    progress_->setFixedSize(kProgressWidth, kProgressHeight);
    progress_->setTextVisible(false);
    progress_->hide();
    row->addWidget(panel0_, 1);
    row->addWidget(progress_);
    bar->addWidget(box0, 1);

    panel1_ = new QLabel(bar);
    panel1_->setObjectName("StatusStatistics");
    panel1_->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    panel1_->setMinimumWidth(kPanel1Width);
    bar->addWidget(panel1_);
}

void TChildForm::BuildPopupMenu()
{
    popup_ = new QMenu(this);
    popup_->setObjectName("PopupMenu");
    QAction* copy = popup_->addAction(QString());
    copy->setObjectName("MICopy");
    copy->setShortcut(QKeySequence::Copy);
    connect(copy, &QAction::triggered, this, [this] { CopySelection(); });
    QAction* all = popup_->addAction(QString());
    all->setObjectName("MISelectAll");
    all->setShortcut(QKeySequence::SelectAll);
    connect(all, &QAction::triggered, this, [this] { view_->SelectAll(); });
    connect(popup_, &QMenu::aboutToShow, this, [this, copy, all] {
        copy->setEnabled(view_->HasSelection());
        all->setEnabled(textLoaded_);
    });
    popup_->addSeparator();
    for (int i = 0; i < kAnalysisKindCount; ++i) {
        QAction* action = popup_->addAction(QString());
        action->setObjectName(kAnalysisItems[i]);
        const TAnalysisKind kind = kAnalysisKinds[static_cast<std::size_t>(i)];
        connect(action, &QAction::triggered, this, [this, kind] { OpenAnalysis(kind); });
    }
    popup_->addSeparator();
    // The code page of this window's text, beside the one the settings give all logs.
    QMenu* encoding = popup_->addMenu(QString());
    encoding->setObjectName("MIEncoding");
    auto* group = new QActionGroup(encoding);
    auto addEncoding = [&](const char* name, std::optional<CodePage> cp) {
        QAction* item = encoding->addAction(QString::fromStdString(cp ? std::string(CodePageName(*cp)) : std::string()));
        item->setObjectName(name);
        item->setCheckable(true);
        group->addAction(item);
        connect(item, &QAction::triggered, this, [this, cp] { SetViewCodePage(cp); });
    };
    addEncoding("MIEncodingDefault", std::nullopt);
    encoding->addSeparator();
    for (CodePage cp : {CodePage::CP866, CodePage::CP1251, CodePage::KOI8R, CodePage::UTF8, CodePage::Latin1})
        addEncoding(("MIEncoding" + std::string(CodePageName(cp))).c_str(), cp);
    connect(encoding, &QMenu::aboutToShow, this, [this, encoding] {
        for (QAction* item : encoding->actions()) {
            const std::string name = item->objectName().toStdString();
            item->setChecked(codePage_ ? name == "MIEncoding" + std::string(CodePageName(*codePage_))
                                       : name == "MIEncodingDefault");
        }
    });
    popup_->addSeparator();
    QAction* closeItem = popup_->addAction(QString());
    closeItem->setObjectName("MIClose");
    connect(closeItem, &QAction::triggered, this, [this] { close(); });
    popup_->setDefaultAction(closeItem);
}

void TChildForm::ApplyTexts()
{
    for (const TButtonText& b : kButtonHints)
        Button(b.name)->setToolTip(QString::fromUtf8(b.hint));
    for (const TButtonText& m : kMenuTexts)
        MenuAction(m.name)->setText(QString::fromUtf8(m.hint));
    popup_->findChild<QMenu*>("MIEncoding")->setTitle(UiKeyText("LogWnd.Encoding", "&Encoding"));
    MenuAction("MIEncodingDefault")->setText(UiKeyText("LogWnd.EncodingDefault", "As the &settings give"));
    // Texts of the interface language where it has them.
    Button("BtnPrevDay")->setToolTip(UiText(159, {}, "Previous day"));
    Button("BtnNextDay")->setToolTip(UiText(158, {}, "Next day"));
    ApplyLng(this, "TChildForm");
    prevSessHint_ = Button("BtnPrevSess")->toolTip();
    nextSessHint_ = Button("BtnNextSess")->toolTip();
    if (log_)
        setWindowTitle(QString::fromStdString(log_->Name));
    if (IsFrontDoor() && loaded_) {
        Button("BtnPrevSess")->setToolTip(UiText(12, {}, "Previous run"));
        Button("BtnNextSess")->setToolTip(UiText(13, {}, "Next run"));
    }
}

QToolButton* TChildForm::Button(const char* name) const { return body_->findChild<QToolButton*>(name); }

QAction* TChildForm::MenuAction(const char* name) const { return popup_->findChild<QAction*>(name); }

void TChildForm::TakeTemporaryLog(std::unique_ptr<TLog> log)
{
    if (!log)
        return;
    log->Temporary = true;
    if (!log_)
        log_ = log.get();
    ownedLog_ = std::move(log);
}

// ---------------------------------------------------------------- small parts

TMailerLog* TChildForm::MailerLog() const { return dynamic_cast<TMailerLog*>(log_); }

bool TChildForm::IsFrontDoor() const { return log_ && log_->Style == lsFrontDoor; }

bool TChildForm::Busy() const { return inShowLog_ || (log_ && log_->AnalysisRunning); }

void TChildForm::SetHourglass(bool on)
{
    if (on == hourglass_)
        return;
    hourglass_ = on;
    if (on)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void TChildForm::ShowError(const std::string& text)
{
    const bool was = hourglass_;
    SetHourglass(false);
    MessageDlgText(text, TMsgDlgType::mtError, mbOK);
    SetHourglass(was);
}

void TChildForm::SetStatus(const QString& text)
{
    panel0_->setText(text);
    panel0_->repaint();
}

void TChildForm::SetStatistics(const QString& text)
{
    panel1_->setText(text);
    panel1_->repaint();
}

QString TChildForm::Status() const { return panel0_->text(); }

QString TChildForm::Statistics() const { return panel1_->text(); }

void TChildForm::ReportProgress(std::int64_t lineNo)
{
    progress_->setValue(static_cast<int>(static_cast<double>(lineNo) / progressScale_));
}

void TChildForm::EnableAnalysisCommands(bool on)
{
    // A kind without a window of its own is never offered.
    for (int i = 0; i < kAnalysisKindCount; ++i) {
        const bool offered = on && AnalysisFactory(kAnalysisKinds[static_cast<std::size_t>(i)]);
        Button(kAnalysisButtons[i])->setEnabled(offered);
        MenuAction(kAnalysisItems[i])->setEnabled(offered);
    }
}

void TChildForm::ProcessMessages() { QCoreApplication::processEvents(); }

// ---------------------------------------------------------------- loading and analysis

void TChildForm::ShowLog(TLog* log)
{
    if (!log || inShowLog_ || Closing())
        return;
    inShowLog_ = true;
    loaded_ = false;
    log_ = log;
    log_->Window = this;
    log_->AbortRequest = false;
    setWindowTitle(QString::fromStdString(log_->Name));
    SetHourglass(true);

    for (const char* name : {"BtnRereadLog", "BtnPrevDay", "BtnNextDay", "BtnDayList", "BtnPrevSess", "BtnNextSess",
                             "BtnFind", "BtnHilite", "BtnCopy", "BtnSaveSel"})
        Button(name)->setEnabled(false);
    EnableAnalysisCommands(false);
    Button("BtnPrevSess")->setToolTip(prevSessHint_);
    Button("BtnNextSess")->setToolTip(nextSessHint_);
    HideDayList();
    dayList_->clear();
    trackCaret_ = false;
    view_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    SetStatistics(QString());
    SetStatus(UiText(5, {}, "Reading the log file..."));

    // The analysis reads its own copy; the view maps the file.
    try {
        follow_->Remember(log_->Path);
        log_->ReadFile();
        view_->SetCodePage(ViewCodePage());
        view_->OpenFile(log_->Path);
        textLoaded_ = true;
    } catch (const std::exception& e) {
        log_->ReleaseFile();
        view_->Clear();
        textLoaded_ = false;
        SetStatus(UiText(11, {}, "The analysis was not completed"));
        ShowError(e.what());
        SetHourglass(false);
        inShowLog_ = false;
        if (closePending_)
            close();
        return;
    }

    view_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    view_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    view_->setFocus();
    QCoreApplication::processEvents();
    bool done = false;
    if (log_->Window == this) {
        SetStatus(UiText(7, {}, "Analysing the log..."));
        const std::int64_t lines = view_->LineCount();
        progressScale_ = lines > INT_MAX ? static_cast<double>(lines) / INT_MAX : 1.0;
        progress_->setRange(0, static_cast<int>(static_cast<double>(lines) / progressScale_));
        progress_->setValue(0);
        progress_->show();
        analysisTimer_.start();
        SetStatistics(UiText(127, {}, "Esc - abort"));
        skipAll_ = false;
        skipped_.clear();
        try {
            done = log_->Analyse([this](std::int64_t lineNo) { ReportProgress(lineNo); });
        } catch (const std::exception& e) {
            log_->AnalysisRunning = false;
            if (log_->Window == this)
                ShowError(e.what());
            done = false;
        }
    }
    log_->AbortRequest = false;
    log_->ReleaseFile();

    if (done && log_->Window == this) {
        const double elapsed = std::max(0.001, static_cast<double>(analysisTimer_.elapsed()) / 1000.0);
        TMailerLog* mailer = MailerLog();
        if (mailer && mailer->UpdateDLC)
            UpdateDownloadCounters(*mailer);
        SetHourglass(false);
        progress_->hide();
        const long days = static_cast<long>(log_->DayCount());
        if (mailer) {
            ShowCounts(*mailer);
            Button("BtnPrevSess")->setEnabled(true);
            Button("BtnNextSess")->setEnabled(true);
            EnableAnalysisCommands(true);
        } else if (log_->Style != lsPlain) {
            SetStatistics(UiText(129, {days}, "Days"));
        } else {
            SetStatistics(QString());
        }
        if (IsFrontDoor()) {
            Button("BtnPrevSess")->setToolTip(UiText(12, {}, "Previous run"));
            Button("BtnNextSess")->setToolTip(UiText(13, {}, "Next run"));
            Button("BtnPrevSess")->setEnabled(true);
            Button("BtnNextSess")->setEnabled(true);
        }
        if (log_->Style != lsPlain && days > 0) {
            Button("BtnPrevDay")->setEnabled(true);
            Button("BtnNextDay")->setEnabled(true);
            Button("BtnDayList")->setEnabled(true);
        }
        Button("BtnRereadLog")->setEnabled(true);
        trackCaret_ = true;
        FillDayList();
        GoToLine(StartLine());
        // The speed of the analysis in megabytes of the log a second.
        char speed[32];
        std::snprintf(speed, sizeof speed, "%.1f", static_cast<double>(view_->Bytes().size()) / 1e6 / elapsed);
        if (!skipped_.empty())
            ReportSkippedLines(speed);
        else if (mailer && mailer->ErrorCount > 0)
            SetStatus(QString::fromStdString(Format(
                UiKeyText("LogWnd.DoneErrors", "Done with %d errors, %s MB/s").toStdString(),
                {static_cast<long>(mailer->ErrorCount), std::string(speed)})));
        else
            SetStatus(QString::fromStdString(
                Format(UiKeyText("LogWnd.DoneSpeed", "Done, %s MB/s").toStdString(), {std::string(speed)})));
    } else if (log_->Window != this) {
        // The window was closed during the analysis: it closes now.
        SetHourglass(false);
        inShowLog_ = false;
        close();
        return;
    } else {
        SetHourglass(false);
        progress_->hide();
        SetStatistics(QString());
        SetStatus(UiText(11, {}, "The analysis was not completed"));
        // The text stays to be read and searched.
        Button("BtnRereadLog")->setEnabled(true);
    }

    Button("BtnFind")->setEnabled(true);
    QToolButton* hilite = Button("BtnHilite");
    const bool highlight = log_->Style != lsPlain && log_->Highlight;
    {
        const QSignalBlocker block(hilite);
        hilite->setChecked(highlight);
    }
    hilite->setEnabled(log_->Style != lsPlain);
    view_->SetHighlight(highlight);
    log_->ResetHighlightState();
    hlLine_ = -1;
    view_->InvalidateHighlight();
    currentSession_ = -1;

    if (done)
        RestoreDesktop();
    else
        for (TAnalysisSlot& slot : analysis_)
            slot = {};

    if (textLoaded_) {
        // Following is kept per log; a registered mailer log follows unless told not to.
        if (!followKnown_) {
            followKnown_ = true;
            const bool def = MailerLog() != nullptr && !log_->Temporary;
            following_ = log_->Temporary ? false : Ini().ReadBool(log_->Name + ".MainWnd", "Follow", def);
            const QSignalBlocker block(Button("BtnFollow"));
            Button("BtnFollow")->setChecked(following_);
        }
        follow_->Watch(view_->Bytes().size());
    }
    loaded_ = true;
    inShowLog_ = false;
    if (closePending_) {
        close();
        return;
    }
    if (QMdiArea* area = mdiArea())
        area->setActiveSubWindow(this);
    raise();
}

void TChildForm::ShowCounts(const TMailerLog& mailer)
{
    const long days = static_cast<long>(log_->DayCount());
    const long sessions = static_cast<long>(mailer.SessCount());
    if (log_->AutoNew) {
        long fresh = 0;
        if (log_->IsNew && mailer.FirstNewSess >= 0)
            fresh = std::max(0L, sessions - static_cast<long>(mailer.FirstNewSess));
        SetStatistics(UiText(137, {days, sessions, fresh}, "Days, sessions, new"));
    } else {
        SetStatistics(UiText(9, {days, sessions}, "Days, sessions"));
    }
}

std::int64_t TChildForm::StartLine() const
{
    // The first line after the one that was last when the window closed.
    if (log_->AutoNew && log_->IsNew && log_->NewPartLine > 0)
        return std::min(log_->NewPartLine + 1, view_->LineCount());
    return 1;
}

void TChildForm::UpdateDownloadCounters(TMailerLog& log)
{
    if (log.DLCList().empty()) {
        // Nothing new to count: the record of what was counted still moves on, and
        // an update that a stopped run left is finished.
        try {
            log.UpdateCounters();
        } catch (const std::exception& e) {
            ShowError(e.what());
        }
        return;
    }
    SetStatus(UiText(160, {}, "Looking up requested files..."));
    progress_->setRange(0, static_cast<int>(std::min<std::size_t>(log.DLCList().size(), INT_MAX)));
    progress_->setValue(0);
    progress_->show();
    bool writing = false;
    try {
        log.UpdateCounters([this, &writing](std::size_t done, std::size_t total) {
            if (!writing) {
                writing = true;
                SetStatus(UiText(8, {}, "Updating download counters..."));
                progress_->setRange(0, static_cast<int>(std::min<std::size_t>(total, INT_MAX)));
            }
            progress_->setValue(static_cast<int>(std::min<std::size_t>(done, INT_MAX)));
        });
    } catch (const std::exception& e) {
        ShowError(e.what());
    }
}

bool TChildForm::ShowErrorLine(std::int64_t lineNo, const std::string& message)
{
    return AskAboutLine(lineNo, message, 95, {static_cast<long long>(lineNo), message});
}

bool TChildForm::ShowBadLine(std::int64_t lineNo, const std::string& message)
{
    return AskAboutLine(lineNo, message, 94, {static_cast<long long>(lineNo)});
}

bool TChildForm::AskAboutLine(std::int64_t lineNo, const std::string& message, std::size_t text,
                              const std::vector<FmtArg>& args)
{
    if (skipAll_) {
        skipped_.emplace_back(lineNo, message);
        return true;
    }
    SetHourglass(false);
    const auto& colors = Settings().Colors;
    view_->SetMarkColors(colors[ciNormal], colors[ciErrors]);
    view_->GoToLine(lineNo);
    view_->SetHighlight(true);
    view_->SetMarkLine(lineNo);
    const int answer = MessageDlgLOr(text, args, "Error in line",
                                     TMsgDlgType::mtError, mbOKCancel | mbAll,
                                     {{mbAll, UiKeyText("LogWnd.SkipAll", "&Skip all").toStdString()}});
    view_->ClearMark();
    QCoreApplication::processEvents();
    if (answer == mrCancel)
        return false;
    if (answer == mrAll) {
        skipAll_ = true;
        skipped_.emplace_back(lineNo, message);
    }
    SetHourglass(true);
    return true;
}

void TChildForm::ReportSkippedLines(const std::string& speed)
{
    const long count = static_cast<long>(skipped_.size());
    SetStatus(QString::fromStdString(
        Format(UiKeyText("LogWnd.SkippedSpeed", "Done, %d lines skipped, %s MB/s").toStdString(), {count, speed})));
    // One box lists the skipped lines (the first hundred of them).
    constexpr std::size_t kListed = 100;
    std::string list;
    for (std::size_t i = 0; i < skipped_.size() && i < kListed; ++i)
        list += std::to_string(skipped_[i].first) + ": " + skipped_[i].second + "\n";
    if (skipped_.size() > kListed)
        list += Format(UiKeyText("LogWnd.SkippedMore", "... and %d more").toStdString(),
                       {static_cast<long>(skipped_.size() - kListed)});
    MessageDlgText(UiKeyText("LogWnd.SkippedReport", "Lines skipped in the analysis:").toStdString() + "\n" + list,
                   TMsgDlgType::mtInformation, mbOK);
}

// ---------------------------------------------------------------- position

void TChildForm::GoToLine(std::int64_t lineNo)
{
    view_->GoToLine(std::clamp<std::int64_t>(lineNo, 1, std::max<std::int64_t>(1, view_->LineCount())));
    // During the analysis the days and sessions are still being built.
    if (!(log_ && log_->AnalysisRunning))
        UpdatePosition();
}

void TChildForm::SetDayButtons(long day)
{
    const long count = static_cast<long>(log_->DayCount());
    QToolButton* prev = Button("BtnPrevDay");
    QToolButton* next = Button("BtnNextDay");
    const QString prevHint = UiText(159, {}, "Previous day");
    const QString nextHint = UiText(158, {}, "Next day");
    const bool hasPrev = day > 0 && day - 1 < count;
    prev->setEnabled(hasPrev);
    prev->setToolTip(hasPrev ? prevHint + "\n" + QString::fromStdString(DayText(*log_, log_->GetDay(day - 1).Date))
                             : prevHint);
    const bool hasNext = day + 1 >= 0 && day + 1 < count;
    next->setEnabled(hasNext);
    next->setToolTip(hasNext ? nextHint + "\n" + QString::fromStdString(DayText(*log_, log_->GetDay(day + 1).Date))
                             : nextHint);
}

void TChildForm::UpdatePosition()
{
    if (!log_ || log_->Style == lsPlain || !trackCaret_)
        return;
    const std::int64_t line = view_->CaretLine();
    TMailerLog* mailer = MailerLog();
    if (log_->DayCount() > 0) {
        const long day = log_->DayOfLine(line);
        if (day >= 0 && day != currentDay_) {
            currentDay_ = day;
            if (mailer) {
                if (TAnalysisWindow* w = Analysis(TAnalysisKind::Timeline))
                    w->ShowDay(day);
                if (TAnalysisWindow* w = Analysis(TAnalysisKind::DialStat))
                    w->ShowDay(day);
            }
            if (dayList_->isVisible())
                dayList_->setCurrentRow(static_cast<int>(day));
        }
        SetDayButtons(day);
    }
    if (!mailer)
        return;
    const std::size_t count = mailer->SessCount();
    const bool prev = count > 0 && mailer->GetSess(0).StartLine < line;
    const bool next = count > 0 && mailer->GetSess(count - 1).StartLine > line;
    Button("BtnPrevSess")->setEnabled(prev);
    Button("BtnNextSess")->setEnabled(next);
    TAnalysisWindow* info = Analysis(TAnalysisKind::SessInfo);
    if (info)
        info->SetSessButtons(prev, next);
    const long sess = mailer->SessOfLine(line);
    if (sess < 0) {
        SetStatus(QString());
        if (info)
            info->ShowSession(-1);
        // Entering the same session again shows it again.
        currentSession_ = -1;
        return;
    }
    if (sess == currentSession_)
        return;
    const TSess& s = mailer->GetSess(static_cast<std::size_t>(sess));
    SetStatus(QString::fromStdString(FormatDateTime(log_->DaysSpanYears() ? "dd mmm yyyy hh:nn:ss" : "dd mmm hh:nn:ss", s.StartTime) + " " + s.SessText()));
    if (TAnalysisWindow* list = Analysis(TAnalysisKind::SessList))
        list->ShowSession(sess);
    if (info)
        info->ShowSession(sess);
    currentSession_ = sess;
}

// ---------------------------------------------------------------- navigation

std::optional<std::int64_t> TChildForm::FirstShown(std::int64_t first, std::int64_t end) const
{
    if (!view_->Filtered())
        return first;
    if (view_->RowCount() == 0)
        return std::nullopt;
    const std::int64_t line = view_->LineOfRow(view_->RowOfLine(first));
    if (line >= first && line < end)
        return line;
    return std::nullopt;
}

void TChildForm::StepDay(bool forward)
{
    if (!log_ || Busy() || log_->DayCount() == 0)
        return;
    // A filter may hide whole days: the next day that shows a line is the one.
    const auto count = static_cast<long>(log_->DayCount());
    for (long d = currentDay_ + (forward ? 1 : -1); d >= 0 && d < count; d += forward ? 1 : -1) {
        const std::int64_t first = log_->GetDay(static_cast<std::size_t>(d)).FirstLine;
        const std::int64_t end =
            d + 1 < count ? log_->GetDay(static_cast<std::size_t>(d + 1)).FirstLine : view_->LineCount() + 1;
        if (const auto line = FirstShown(first, end)) {
            GoToLine(*line);
            return;
        }
    }
}

void TChildForm::PrevDay() { StepDay(false); }

void TChildForm::NextDay() { StepDay(true); }

void TChildForm::StepSess(bool forward)
{
    if (!log_ || Busy())
        return;
    if (IsFrontDoor()) {
        RunStep(forward);
        return;
    }
    TMailerLog* mailer = MailerLog();
    if (!mailer)
        return;
    const std::int64_t caret = view_->CaretLine();
    std::int64_t line = caret;
    const std::size_t count = mailer->SessCount();
    for (std::size_t k = 0; k < count; ++k) {
        const TSess& sess = mailer->GetSess(forward ? k : count - 1 - k);
        if (forward ? sess.StartLine <= caret : sess.StartLine >= caret)
            continue;
        // A session the filter hides wholly is passed over.
        const auto shown = FirstShown(sess.StartLine, sess.EndLine + 1);
        if (shown && (forward ? *shown > caret : *shown < caret)) {
            line = *shown;
            break;
        }
    }
    GoToLine(line);
}

void TChildForm::PrevSess() { StepSess(false); }

void TChildForm::NextSess() { StepSess(true); }

void TChildForm::RunStep(bool forward)
{
    const std::int64_t count = view_->LineCount();
    std::int64_t line = view_->CaretLine();
    SetHourglass(true);
    if (forward) {
        // The next run start, or the last line when there is none.
        std::int64_t i = line + 1;
        while (i < count && view_->LineBytes(i).substr(0, kRunMark.size()) != kRunMark)
            ++i;
        line = std::min(std::max(i, line), count);
    } else {
        // The previous run start, or the first line when there is none.
        std::int64_t i = line - 1;
        while (i > 1 && view_->LineBytes(i).substr(0, kRunMark.size()) != kRunMark)
            --i;
        line = std::max<std::int64_t>(std::min(i, line), 1);
    }
    SetHourglass(false);
    GoToLine(line);
}

void TChildForm::FillDayList()
{
    dayList_->clear();
    if (!log_)
        return;
    // Room for the year where the days show it.
    dayList_->resize(log_->DaysSpanYears() ? kDayListWidth * 3 / 2 : kDayListWidth, dayList_->height());
    for (std::size_t i = 0; i < log_->DayCount(); ++i)
        dayList_->addItem(QString::fromStdString(DayText(*log_, log_->GetDay(i).Date)));
    if (currentDay_ >= 0 && currentDay_ < dayList_->count())
        dayList_->setCurrentRow(static_cast<int>(currentDay_));
}

void TChildForm::ToggleDayList()
{
    if (!log_ || Busy() || log_->DayCount() == 0)
        return;
    if (dayList_->isVisible()) {
        HideDayList();
        return;
    }
    if (currentDay_ >= 0 && currentDay_ < dayList_->count())
        dayList_->setCurrentRow(static_cast<int>(currentDay_));
    // Below its button, over the text.
    QToolButton* button = Button("BtnDayList");
    QWidget* host = dayList_->parentWidget();
    const QPoint at = host->mapFrom(body_, button->mapTo(body_, QPoint(0, 0)));
    dayList_->move(std::max(0, at.x()), 0);
    dayList_->show();
    dayList_->raise();
    dayList_->setFocus();
}

void TChildForm::HideDayList()
{
    if (!dayList_->isVisible())
        return;
    dayList_->hide();
    view_->setFocus();
}

void TChildForm::ExecGotoLine()
{
    if (!log_ || !textLoaded_)
        return;
    TGotoLineForm dialog(view_->LineCount(), view_->CaretLine(), this);
    if (ExecModal(dialog) != QDialog::Accepted)
        return;
    if (auto line = dialog.LineNumber())
        GoToLine(*line);
}

void TChildForm::OpenFindBar()
{
    if (textLoaded_)
        findBar_->Open();
}

void TChildForm::CopySelection() { view_->CopyToClipboard(); }

void TChildForm::SaveSelection()
{
    if (view_->SelectionLength() == 0)
        return;
    QFileDialog dialog(this);
    dialog.setObjectName("SaveSelDialog");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setWindowTitle(QString::fromStdString(LngLoaded() ? LGetS("LogWnd.SaveSelection") : "Save selection"));
    if (ExecModal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    SaveSelectionTo(dialog.selectedFiles().front());
}

bool TChildForm::SaveSelectionTo(const QString& path)
{
    const std::string_view bytes = view_->SelectedBytes();
    if (bytes.empty())
        return false;
    // The view holds the file's own bytes: they are written as the log has them.
    SetHourglass(true);
    QSaveFile file(path);
    bool ok = file.open(QIODevice::WriteOnly);
    for (std::size_t at = 0; ok && at < bytes.size(); at += kSaveBlock) {
        const std::size_t n = std::min(kSaveBlock, bytes.size() - at);
        ok = file.write(bytes.data() + at, static_cast<qint64>(n)) == static_cast<qint64>(n);
    }
    ok = ok && file.commit();
    SetHourglass(false);
    if (!ok) {
        const std::string name = path.toStdString();
        const std::string reason = file.errorString().toStdString();
        std::string text = LngLoaded() ? LGetS("LogWnd.CantSave") : std::string();
        ShowError(text.empty() || text == "LogWnd.CantSave" ? "Cannot write file " + name + ": " + reason
                                                            : LFmtS("LogWnd.CantSave", {name, reason}));
    }
    return ok;
}

void TChildForm::ToggleHighlight()
{
    QToolButton* hilite = Button("BtnHilite");
    if (hilite->isEnabled())
        hilite->setChecked(!hilite->isChecked());
}

CodePage TChildForm::ViewCodePage() const { return codePage_.value_or(LogCodePage()); }

void TChildForm::SetViewCodePage(std::optional<CodePage> cp)
{
    codePage_ = cp;
    if (log_ && !log_->Temporary)
        Ini().WriteString(log_->Name + ".MainWnd", "CodePage", cp ? std::string(CodePageName(*cp)) : std::string());
    view_->SetCodePage(ViewCodePage());
    findBar_->Refresh();
}

void TChildForm::ToggleFollow()
{
    Button("BtnFollow")->setChecked(!following_);
}

void TChildForm::SetFollow(bool on)
{
    following_ = on;
    {
        const QSignalBlocker block(Button("BtnFollow"));
        Button("BtnFollow")->setChecked(on);
    }
    if (log_ && !log_->Temporary)
        Ini().WriteBool(log_->Name + ".MainWnd", "Follow", on);
    if (on && loaded_)
        follow_->Check();
}

void TChildForm::FollowReload(bool replaced)
{
    const std::int64_t lines = view_->LineCount();
    const bool atEnd = view_->CaretLine() >= lines - 1;
    const std::int64_t caretLine = view_->CaretLine();
    const std::int64_t topLine = view_->TopLine();
    std::optional<TDateTime> day;
    if (currentDay_ >= 0 && static_cast<std::size_t>(currentDay_) < log_->DayCount())
        day = log_->GetDay(static_cast<std::size_t>(currentDay_)).Date;
    std::vector<TAnalysisKind> open;
    for (TAnalysisKind kind : kAnalysisKinds)
        if (Analysis(kind))
            open.push_back(kind);
    const bool hadFocus = view_->hasFocus();
    // Reading again activates the window and opens analysis windows: the window the
    // user was in (another log, an analysis window) gets the front back afterwards.
    QPointer<QMdiSubWindow> active = mdiArea() ? mdiArea()->activeSubWindow() : nullptr;
    std::optional<TAnalysisKind> activeKind;  // one of this log's, which is opened anew
    for (TAnalysisKind kind : kAnalysisKinds)
        if (TAnalysisWindow* a = Analysis(kind); a && active && a->Widget() == active.data())
            activeKind = kind;

    // The log's last line stays the one of the last real reading, so that "new
    // sessions" keep counting from there.
    QElapsedTimer reading;
    reading.start();
    ReadAgain(false);
    lastFollowMs_ = reading.elapsed();
    followClock_.start();
    if (Closing() || !loaded_ || !textLoaded_)
        return;
    if (atEnd) {
        view_->GoToLine(view_->LineCount(), TLogView::TScrollMode::Visible);
        UpdatePosition();
    } else if (!replaced) {
        GoToLine(caretLine);
        view_->SetTopLine(topLine);
    } else {
        std::int64_t line = 1;
        for (std::size_t i = 0; day && i < log_->DayCount(); ++i)
            if (log_->GetDay(i).Date == *day)
                line = log_->GetDay(i).FirstLine;
        GoToLine(line);
    }
    for (TAnalysisKind kind : open)
        if (!Analysis(kind))
            OpenAnalysis(kind);
    if (activeKind && Analysis(*activeKind))
        active = qobject_cast<QMdiSubWindow*>(Analysis(*activeKind)->Widget());
    if (active && mdiArea() && active != mdiArea()->activeSubWindow())
        mdiArea()->setActiveSubWindow(active);
    if (hadFocus)
        view_->setFocus();
}

bool TChildForm::FollowGrown()
{
    TMailerLog* mailer = MailerLog();
    // A compressed file is unpacked whole: its new bytes are not the ones appended.
    if (!mailer || !textLoaded_ || log_->Compressed)
        return false;
    const std::int64_t caretLine = view_->CaretLine();
    const bool atEnd = caretLine >= view_->LineCount() - 1;
    const std::int64_t topLine = view_->TopLine();
    QElapsedTimer reading;
    reading.start();
    // The analysis goes on over the new lines; the view takes the longer file.
    bool done = false;
    try {
        log_->ReadFile();
        done = mailer->ContinueAnalysis({});
        if (done) {
            findBar_->Stop();  // it may be searching the view's old text
            view_->OpenFile(log_->Path);
        }
    } catch (const std::exception&) {
        done = false;  // read again whole, which reports what went wrong
    }
    log_->AbortRequest = false;
    log_->ReleaseFile();
    if (!done || Closing() || log_->Window != this)
        return done;
    lastFollowMs_ = reading.elapsed();
    followClock_.start();
    ShowCounts(*mailer);
    const bool haveDays = log_->DayCount() > 0;
    for (const char* name : {"BtnPrevDay", "BtnNextDay", "BtnDayList"})
        Button(name)->setEnabled(haveDays);
    FillDayList();
    if (atEnd) {
        view_->GoToLine(view_->LineCount(), TLogView::TScrollMode::Visible);
        UpdatePosition();
    } else {
        GoToLine(caretLine);
        view_->SetTopLine(topLine);
    }
    ShowNewAnalysis();
    follow_->Watch(view_->Bytes().size());
    if (findBar_->isVisible())
        findBar_->Refresh();
    return true;
}

void TChildForm::ShowNewAnalysis()
{
    // Reopening a window activates it: the window the user was in keeps the front.
    QPointer<QMdiSubWindow> active = mdiArea() ? mdiArea()->activeSubWindow() : nullptr;
    std::optional<TAnalysisKind> activeKind;
    for (TAnalysisKind kind : kAnalysisKinds) {
        TAnalysisWindow* w = Analysis(kind);
        if (!w || w->LogGrown())
            continue;
        if (active && w->Widget() == active.data())
            activeKind = kind;
        TAnalysisSlot& slot = analysis_[static_cast<std::size_t>(kind)];
        slot.widget->close();
        slot = {};
        OpenAnalysis(kind);
    }
    if (activeKind && Analysis(*activeKind))
        active = qobject_cast<QMdiSubWindow*>(Analysis(*activeKind)->Widget());
    if (active && mdiArea() && active != mdiArea()->activeSubWindow())
        mdiArea()->setActiveSubWindow(active);
}

void TChildForm::Reread() { ReadAgain(true); }

void TChildForm::ReadAgain(bool rememberLastLine)
{
    if (!log_ || Busy() || Closing())
        return;
    findBar_->Stop();
    if (rememberLastLine)
        RememberLastLine();
    RecordAnalysisWindows();
    log_->ReleaseFile();
    view_->Clear();
    textLoaded_ = false;
    currentDay_ = -1;
    ShowLog(log_);
    // The count of matches starts anew, and the new text shows all its lines until
    // the filter has been worked out again.
    if (textLoaded_ && findBar_->isVisible())
        findBar_->Refresh();
}

// ---------------------------------------------------------------- analysis windows

TAnalysisWindow* TChildForm::Analysis(TAnalysisKind kind) const
{
    const TAnalysisSlot& slot = analysis_[static_cast<std::size_t>(kind)];
    return slot.widget ? slot.window : nullptr;
}

TAnalysisWindow* TChildForm::AnalysisWindow(TAnalysisKind kind) const { return Analysis(kind); }

TAnalysisWindow* TChildForm::OpenAnalysisWindow(TAnalysisKind kind, const TAnalysisRequest& request)
{
    if (TAnalysisWindow* open = Analysis(kind)) {
        QWidget* w = open->Widget();
        if (auto* sub = qobject_cast<QMdiSubWindow*>(w); sub && sub->mdiArea())
            sub->mdiArea()->setActiveSubWindow(sub);
        w->raise();
        return open;
    }
    const TAnalysisFactory& factory = AnalysisFactory(kind);
    if (!factory)
        return nullptr;
    TAnalysisWindow* created = factory(*this, request);
    TAnalysisSlot& slot = analysis_[static_cast<std::size_t>(kind)];
    slot.window = created;
    slot.widget = created ? created->Widget() : nullptr;
    return created;
}

void TChildForm::OpenAnalysis(TAnalysisKind kind)
{
    TMailerLog* mailer = MailerLog();
    if (!mailer || !loaded_ || Busy())
        return;
    TAnalysisRequest request;
    request.Line = view_->CaretLine();
    request.Day = currentDay_ < 0 ? 0 : currentDay_;
    request.Session = currentSession_;
    request.PrevSess = Button("BtnPrevSess")->isEnabled();
    request.NextSess = Button("BtnNextSess")->isEnabled();
    if (kind == TAnalysisKind::Timeline && mailer->SessCount() == 0 && !Analysis(kind)) {
        MessageDlgLOr(14, {}, "There are no sessions in this log", TMsgDlgType::mtWarning, mbOK);
        return;
    }
    OpenAnalysisWindow(kind, request);
}

void TChildForm::RestoreDesktop()
{
    for (TAnalysisSlot& slot : analysis_)
        slot = {};
    TMailerLog* mailer = MailerLog();
    if (!mailer || !Settings().SaveDesktop || !SettingsOpen())
        return;
    const long count = static_cast<long>(mailer->SessCount());
    for (TAnalysisKind kind : kAnalysisKinds) {
        const std::string section = log_->Name + std::string(AnalysisSectionSuffix(kind));
        if (!Ini().ReadBool(section, "Open", false))
            continue;
        TAnalysisRequest request;
        request.Line = view_->CaretLine();
        request.Day = currentDay_ < 0 ? 0 : currentDay_;
        request.PrevSess = Button("BtnPrevSess")->isEnabled();
        request.NextSess = Button("BtnNextSess")->isEnabled();
        request.Restored = true;
        if (kind == TAnalysisKind::Timeline && count == 0)
            continue;
        if (kind == TAnalysisKind::SessInfo && count > 0) {
            const long firstNew = static_cast<long>(mailer->FirstNewSess);
            if (!log_->AutoNew)
                request.Session = 0;
            else if (log_->IsNew && firstNew >= 0 && firstNew < count)
                request.Session = firstNew;
            else
                request.Session = count - 1;
        }
        OpenAnalysisWindow(kind, request);
    }
}

void TChildForm::RecordAnalysisWindows()
{
    const bool record = log_ && !log_->Temporary && SettingsOpen();
    for (TAnalysisKind kind : kAnalysisKinds) {
        TAnalysisSlot& slot = analysis_[static_cast<std::size_t>(kind)];
        const bool open = !slot.widget.isNull();
        if (record)
            Ini().WriteBool(log_->Name + std::string(AnalysisSectionSuffix(kind)), "Open", open);
        if (open)
            slot.widget->close();
        slot = {};
    }
}

void TChildForm::CloseAnalysisWindows()
{
    for (TAnalysisSlot& slot : analysis_) {
        if (slot.widget)
            delete slot.widget.data();
        slot = {};
    }
}

void TChildForm::ApplyColours()
{
    view_->SetColors(Settings().Colors);
    view_->viewport()->update();
    for (TAnalysisKind kind : {TAnalysisKind::SessList, TAnalysisKind::Timeline, TAnalysisKind::SessInfo})
        if (TAnalysisWindow* w = Analysis(kind))
            w->ApplyColours();
}

void TChildForm::ApplyFont(bool grids)
{
    if (!grids) {
        view_->SetLogFont(Settings().LogFont);
        view_->SetColors(Settings().Colors);
        view_->viewport()->update();
        return;
    }
    for (TAnalysisKind kind : {TAnalysisKind::SessList, TAnalysisKind::FreqList, TAnalysisKind::DialStat})
        if (TAnalysisWindow* w = Analysis(kind))
            w->ApplyGridFont();
}

// ---------------------------------------------------------------- closing

std::optional<std::string> TChildForm::LastLineStart() const
{
    if (!textLoaded_)
        return std::nullopt;
    if (view_->Bytes().empty())
        return std::string();
    for (std::int64_t line = view_->LineCount(); line >= 1; --line) {
        const std::string_view bytes = view_->LineBytes(line);
        if (!bytes.empty())
            return std::string(bytes.substr(0, kLastStrLen));
    }
    return std::nullopt;
}

void TChildForm::RememberLastLine()
{
    if (!log_ || log_->Temporary)
        return;
    const std::optional<std::string> last = LastLineStart();
    if (!last)
        return;
    log_->LastStr = *last;
    // Into the log's own section as well, so that it survives whatever ends the program.
    if (!SettingsOpen())
        return;
    const auto& list = LogList();
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i].get() == log_)
            Ini().WriteString("Log" + std::to_string(i + 1), "LastStr", log_->LastStr);
}

void TChildForm::FinishClose()
{
    closing_ = true;
    SetHourglass(false);
    HideDayList();
    findBar_->Stop();
    follow_->Stop();
    if (!log_)
        return;
    if (log_->Temporary) {
        CloseAnalysisWindows();
        ForgetLog();
        return;
    }
    // The last line is taken before a cut changes the file under the view.
    RememberLastLine();
    if (loaded_) {
        if (log_->CutSize > 0) {
            SetStatus(UiText(6, {}, "Cutting the log file..."));
            view_->Clear();
            textLoaded_ = false;
            try {
                const std::int64_t removed = log_->CutLog();
                if (removed >= 1)
                    if (auto* tmail = dynamic_cast<TTMailLog*>(log_))
                        tmail->AdjustHistory(removed);
            } catch (const std::exception& e) {
                ShowError(e.what());
            }
        }
        RecordAnalysisWindows();
        SaveFormPlacement(this, log_->Name + ".MainWnd");
    }
    ForgetLog();
}

void TChildForm::ForgetLog()
{
    view_->SetWordClassFunc({});
    if (log_) {
        if (log_->Window == this)
            log_->Window = nullptr;
        log_->ReleaseFile();
    }
    log_ = nullptr;
    ownedLog_.reset();
}

void TChildForm::closeEvent(QCloseEvent* event)
{
    if (closing_) {
        QMdiSubWindow::closeEvent(event);
        return;
    }
    if (inShowLog_) {
        // The analysis is below on the stack: it stops at its next turn, and the
        // window closes as soon as it has returned.
        closePending_ = true;
        if (log_) {
            log_->Window = nullptr;
            log_->AbortRequest = true;
        }
        hide();
        event->ignore();
        return;
    }
    FinishClose();
    QMdiSubWindow::closeEvent(event);
}

// ---------------------------------------------------------------- keys and events

void TChildForm::showEvent(QShowEvent* event)
{
    // The MDI area places a window it takes in; the stored placement is applied
    // when the window first shows, after that.
    if (!placementRestored_) {
        placementRestored_ = true;
        const bool restored = log_ && !log_->Temporary && RestoreFormPlacement(this, log_->Name + ".MainWnd");
        // A window without a stored placement takes most of the area, a step in
        // from the windows before it.
        if (!restored && mdiArea()) {
            const QSize area = mdiArea()->viewport()->size();
            const int step = 24 * static_cast<int>(mdiArea()->subWindowList().size() - 1) % std::max(1, area.height() / 4);
            resize(std::max(560, area.width() * 9 / 10 - step), std::max(360, area.height() * 9 / 10 - step));
            move(step, step);
        }
    }
    QMdiSubWindow::showEvent(event);
}

void TChildForm::keyPressEvent(QKeyEvent* event)
{
    const Qt::KeyboardModifiers mods = event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    const int key = event->key();
    const bool busy = Busy();
    if (key == Qt::Key_Escape && mods == Qt::NoModifier) {
        if (findBar_->isVisible() && !busy) {
            findBar_->Close();
        } else if (dayList_->isVisible() && !busy) {
            HideDayList();
        } else if (busy) {
            if (log_)
                log_->AbortRequest = true;
            SetHourglass(false);
        } else {
            close();
        }
        return;
    }
    auto analysis = [&](TAnalysisKind kind) {
        if (!busy)
            OpenAnalysis(kind);
    };
    if (mods == Qt::NoModifier) {
        switch (key) {
        case Qt::Key_F5: analysis(TAnalysisKind::SessList); return;
        case Qt::Key_F6: analysis(TAnalysisKind::FreqList); return;
        case Qt::Key_F7: analysis(TAnalysisKind::Timeline); return;
        case Qt::Key_F8: analysis(TAnalysisKind::DialStat); return;
        case Qt::Key_F9: analysis(TAnalysisKind::SessInfo); return;
        case Qt::Key_F: ToggleFollow(); return;
        default: break;
        }
    } else if (mods == Qt::AltModifier) {
        switch (key) {
        case Qt::Key_Left: PrevSess(); return;
        case Qt::Key_Right: NextSess(); return;
        case Qt::Key_Up: PrevDay(); return;
        case Qt::Key_Down: NextDay(); return;
        default: break;
        }
    } else if (mods == Qt::ControlModifier) {
        switch (key) {
        case Qt::Key_H: ToggleHighlight(); return;
        case Qt::Key_D: ToggleDayList(); return;
        case Qt::Key_R: Reread(); return;
        case Qt::Key_G: ExecGotoLine(); return;
        case Qt::Key_F: OpenFindBar(); return;
        default: break;
        }
    }
    QMdiSubWindow::keyPressEvent(event);
}

bool TChildForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == dayList_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() == Qt::NoModifier &&
            (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter || key->key() == Qt::Key_Escape)) {
            HideDayList();
            return true;
        }
    }
    return QMdiSubWindow::eventFilter(watched, event);
}

void TChildForm::changeEvent(QEvent* event)
{
    QMdiSubWindow::changeEvent(event);
    if (event->type() == QEvent::LanguageChange) {
        ApplyTexts();
        if (loaded_) {
            FillDayList();
            if (log_ && log_->DayCount() > 0 && currentDay_ >= 0)
                SetDayButtons(currentDay_);
        }
    }
}

// ---------------------------------------------------------------- the frame's interface

TChildForm* OpenLogWindow(QMdiArea* area, TLog* log)
{
    if (!area || !log)
        return nullptr;
    auto* window = new TChildForm(log);
    area->addSubWindow(window);
    window->show();
    QPointer<TChildForm> guard(window);
    window->ShowLog(log);
    return guard && !guard->Closing() ? window : nullptr;
}

TChildForm* OpenLogWindow(QMdiArea* area, std::unique_ptr<TLog> temporaryLog)
{
    if (!area || !temporaryLog)
        return nullptr;
    TLog* log = temporaryLog.get();
    log->Temporary = true;
    auto* window = new TChildForm(log);
    window->TakeTemporaryLog(std::move(temporaryLog));
    area->addSubWindow(window);
    window->show();
    QPointer<TChildForm> guard(window);
    window->ShowLog(log);
    return guard && !guard->Closing() ? window : nullptr;
}

TChildForm* FindLogWindow(QMdiArea* area, const TLog* log)
{
    if (!area || !log)
        return nullptr;
    for (QMdiSubWindow* sub : area->subWindowList()) {
        auto* window = qobject_cast<TChildForm*>(sub);
        if (window && window->ViewedLog() == log && !window->Closing())
            return window;
    }
    return nullptr;
}

}  // namespace tarvix
