#include "ui/MainFrame.h"

#include "engine/LogValues.h"
#include "engine/TMailLog.h"
#include "fido/Dialogs.h"
#include "fido/FidoAddr.h"
#include "fido/Lng.h"
#include "fido/NVUtils.h"
#include "platform/HostPath.h"
#include "settings/SettingsStore.h"
#include "ui/ChildForm.h"
#include "ui/ColorOptions.h"
#include "ui/FindDialog.h"
#include "ui/FontChoice.h"
#include "ui/FrameEvents.h"
#include "ui/GeneralOptions.h"
#include "ui/HelpWindow.h"
#include "ui/LngComponent.h"
#include "ui/LogSetup.h"
#include "ui/LogWindow.h"
#include "ui/MenuUtils.h"
#include "ui/ModalHook.h"
#include "ui/Placement.h"
#include "ui/RecentFiles.h"
#include "ui/UiText.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>

#include <algorithm>
#include <filesystem>
#include <sys/stat.h>

namespace tarvix {

namespace {

const char* const kGeneral = "General";
const char* const kFrameSection = "TFrameForm";
const char* const kLogProperty = "tarvixLog";
// The sections a log's windows keep, after the log's name.
const char* const kLogWindowSections[] = {".MainWnd", ".DialStat", ".FreqList", ".SessList", ".Timeline", ".SessInfo"};

TFrameForm::TOpenFileAnswer& OpenFileAnswer()
{
    static TFrameForm::TOpenFileAnswer answer;
    return answer;
}

bool IsFile(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// A caption as a menu shows it: "&" of a log's name is no accelerator.
QString MenuCaption(const std::string& text)
{
    return QString::fromStdString(text).replace(QLatin1Char('&'), QLatin1String("&&"));
}

// The full path of a command-line parameter: made absolute against the current
// directory, "." and ".." resolved.
std::string CompletePath(const std::string& param)
{
    std::error_code ec;
    std::filesystem::path p = std::filesystem::absolute(std::filesystem::path(param), ec);
    if (ec)
        return param;
    return p.lexically_normal().string();
}

TLog* LogOfSubWindow(const QMdiSubWindow* sub)
{
    const quintptr value = sub->property(kLogProperty).value<quintptr>();
    return value ? reinterpret_cast<TLog*>(value) : nullptr;
}

}  // namespace

// ---------------------------------------------------------------- creation

TFrameForm::TFrameForm(std::vector<std::string> params, const std::string& settingsPath)
    : params_(std::move(params))
{
    setObjectName(QStringLiteral("FrameForm"));
    setWindowTitle(QStringLiteral("Tarvix"));
    setAcceptDrops(true);
    SetHelpContext(this, hcFrame);
    resize(1024, 720);

    mdi_ = new QMdiArea(this);
    mdi_->setObjectName(QStringLiteral("MdiArea"));
    mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(mdi_);
    connect(mdi_, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* sub) {
        if (sub && openingLog_ && !LogOfSubWindow(sub) && !LogSubWindow(openingLog_))
            TagSubWindow(sub, openingLog_);
    });
    CreateMenus();

    auto* help = new QShortcut(QKeySequence::HelpContents, this);
    connect(help, &QShortcut::activated, this,
            [this] { ShowHelpContext(HelpContextOf(QApplication::focusWidget()), this); });

    // The language component exists before the file is loaded, so that loading
    // applies it to this window.
    TLng::SetLngVersion(kLngVersion);
    lng_ = new TLng(this, QString::fromLatin1(kFrameSection));

    startupFailed_ = false;
    try {
        OpenSettings(settingsPath);
    } catch (const std::exception& e) {
        // Settings that cannot be read are never overwritten: the program stops.
        startupFailed_ = true;
        startupMessage_ = e.what();
        return;
    }
    if (!RestoreFormPlacement(this, kFrameSection))
        setWindowState(Qt::WindowMaximized);
    qApp->installEventFilter(this);

    std::string language = Ini().ReadString(kGeneral, "Language", kEnglishLng);
    if (language.empty())
        language = kEnglishLng;
    try {
        TLng::SetLngName(language);
    } catch (const ELngError& e) {
        startupMessage_ = e.what();
        startupFailed_ = true;
    }
    SetLanguageChecks(language);
}

TFrameForm::~TFrameForm()
{
    qApp->removeEventFilter(this);
    // The windows go before the logs they show, also those closed and waiting to
    // be deleted.
    for (QMdiSubWindow* sub : mdi_->findChildren<QMdiSubWindow*>())
        delete sub;
    temporaryLogs_.clear();
    LogList().clear();
    Settings().NumLogs = 0;
    for (QPointer<QWidget>& w : sideWindows_)
        delete w.data();
}

QAction* TFrameForm::NewItem(QMenu* menu, const char* name, const QString& caption)
{
    auto* item = new QAction(caption, this);
    item->setObjectName(QString::fromLatin1(name));
    menu->addAction(item);
    return item;
}

void TFrameForm::CreateMenus()
{
    QMenuBar* bar = menuBar();
    auto newMenu = [this, bar](QMenu* parent, const char* name, const QString& caption) {
        auto* menu = new QMenu(caption, parent ? static_cast<QWidget*>(parent) : static_cast<QWidget*>(bar));
        menu->setObjectName(QString::fromLatin1(name));
        if (parent)
            parent->addMenu(menu);
        else
            bar->addMenu(menu);
        return menu;
    };
    auto command = [this](QAction* item, void (TFrameForm::*handler)()) {
        connect(item, &QAction::triggered, this, [this, handler] { Guard([this, handler] { (this->*handler)(); }); });
    };
    // Items whose windows this program does not have yet are shown disabled.
    auto absent = [](QAction* item) { item->setEnabled(false); };

    miFile_ = newMenu(nullptr, "MIFile", QStringLiteral("&File"));
    command(NewItem(miFile_, "MIViewLog", QStringLiteral("&View log...")), &TFrameForm::ViewLogClick);
    miReopen_ = newMenu(miFile_, "MIReopen", QStringLiteral("&Reopen"));
    connect(miFile_, &QMenu::aboutToShow, this, [this] { FillReopenMenu(); });
    miFile_->addSeparator();
    QAction* exit = NewItem(miFile_, "MIExit", QStringLiteral("E&xit"));
    connect(exit, &QAction::triggered, this, &QWidget::close);

    miLogs_ = newMenu(nullptr, "MILogs", QStringLiteral("&Logs"));

    miTMail_ = newMenu(nullptr, "MITMail", QStringLiteral("&T-Mail"));
    auto sideFile = [this](QAction* item, TSideFileKind kind) {
        connect(item, &QAction::triggered, this, [this, kind] { Guard([this, kind] { SideFileClick(kind); }); });
    };
    sideFile(NewItem(miTMail_, "MITraffic", QStringLiteral("&Traffic")), TSideFileKind::Traffic);
    sideFile(NewItem(miTMail_, "MIHistory", QStringLiteral("&History")), TSideFileKind::History);
    sideFile(NewItem(miTMail_, "MIFreqLim", QStringLiteral("&Freq limits")), TSideFileKind::FreqLimits);
    command(NewItem(miTMail_, "MIChatLog", QStringLiteral("&Chat log")), &TFrameForm::ChatLogClick);

    miArgus_ = newMenu(nullptr, "MIArgus", QStringLiteral("&Argus"));
    sideFile(NewItem(miArgus_, "MIBinaryLog", QStringLiteral("&Binary log")), TSideFileKind::ArgusBinLog);

    miOptions_ = newMenu(nullptr, "MIOptions", QStringLiteral("&Options"));
    command(NewItem(miOptions_, "MIGeneral", QStringLiteral("&General...")), &TFrameForm::GeneralClick);
    command(NewItem(miOptions_, "MILogsSetup", QStringLiteral("&Logs...")), &TFrameForm::LogsSetupClick);
    miLanguage_ = newMenu(miOptions_, "MILanguage", QStringLiteral("L&anguage"));
    miEnglish_ = NewItem(miLanguage_, "MIEnglish", QStringLiteral("&English"));
    SetMenuItemTag(miEnglish_, 1);
    miRussian_ = NewItem(miLanguage_, "MIRussian", QStringLiteral("&Russian"));
    SetMenuItemTag(miRussian_, 2);
    SetRadioItems(miLanguage_->menuAction());
    for (QAction* item : {miEnglish_, miRussian_})
        connect(item, &QAction::triggered, this, [this, item] { Guard([this, item] { LanguageClick(item); }); });
    command(NewItem(miOptions_, "MIColors", QStringLiteral("&Colors...")), &TFrameForm::ColorsClick);
    miFont_ = newMenu(miOptions_, "MIFont", QStringLiteral("&Font"));
    command(NewItem(miFont_, "MILogFont", QStringLiteral("&Log window...")), &TFrameForm::LogFontClick);
    command(NewItem(miFont_, "MIGridFont", QStringLiteral("&Grids...")), &TFrameForm::GridFontClick);

    miWindow_ = newMenu(nullptr, "MIWindow", QStringLiteral("&Window"));
    miTile_ = NewItem(miWindow_, "MITile", QStringLiteral("&Tile"));
    connect(miTile_, &QAction::triggered, mdi_, &QMdiArea::tileSubWindows);
    miCascade_ = NewItem(miWindow_, "MICascade", QStringLiteral("&Cascade"));
    connect(miCascade_, &QAction::triggered, mdi_, &QMdiArea::cascadeSubWindows);
    connect(miWindow_, &QMenu::aboutToShow, this, &TFrameForm::RebuildWindowMenu);

    miHelp_ = newMenu(nullptr, "MIHelp", QStringLiteral("&Help"));
    command(NewItem(miHelp_, "MIContents", QStringLiteral("&Contents")), &TFrameForm::HelpContentsClick);
    command(NewItem(miHelp_, "MIAbout", QStringLiteral("&About")), &TFrameForm::AboutClick);

    UpdateMenus();
}

// ---------------------------------------------------------------- start-up

void TFrameForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (shown_)
        return;
    shown_ = true;
    if (!startupFailed_)
        FormShow();
    // The rest of the start needs the frame on screen: it may ask questions.
    QMetaObject::invokeMethod(this, [this] { FirstPaint(); }, Qt::QueuedConnection);
}

void TFrameForm::FormShow()
{
    desktopRestored_ = false;
    Ini().EraseSection("TChildFormSpeedBar1");
    try {
        LoadSettings();
    } catch (const std::exception& e) {
        // Everything else is loaded; the main address is the default one.
        pendingErrors_.push_back(e.what());
    }
    LoadLogs();
    UpdateMenus();
}

void TFrameForm::LoadLogs()
{
    TNVIniFile& ini = Ini();
    const long long count = ini.ReadInteger(kGeneral, "NumLogs", 0);
    Settings().NumLogs = 0;
    for (long long i = 1; i <= count; ++i) {
        const std::string section = "Log" + std::to_string(i);
        // A count larger than the sections written is a damaged file: the list ends
        // with the last section there is.
        if (!ini.SectionExists(section)) {
            DebugTrace("NumLogs is " + std::to_string(count) + ", but there is no section " + section);
            break;
        }
        const long long style = ini.ReadInteger(section, "Style", lsPlain);
        // Values the log cannot take fall back to defaults: the user hears which.
        auto badValue = [&](const std::string& key, const std::string& value, const std::string& used) {
            const std::string text = LGetSOr("Frame.BadValue", "");
            pendingErrors_.push_back(text.empty() ? "[" + section + "] " + key + "=" + value +
                                                        " is not a valid value; " + used + " is used"
                                                  : LFmtS("Frame.BadValue", {section, key, value, used}));
        };
        bool styleValid = true;
        LogStyleOf(ini, section, styleValid);
        if (!styleValid)
            badValue("Style", ini.ReadString(section, "Style", ""), std::to_string(lsPlain));
        std::unique_ptr<TLog> log;
        if (style >= 0 && style < kLogStyleCount) {
            try {
                log = CreateLogFromReg(static_cast<int>(style), ini, section, Settings().EnableCustomHighlighting);
                for (const TBadValue& bad : BadLogValues(ini, section, *log))
                    badValue(bad.key, bad.value, bad.used);
            } catch (const std::exception& e) {
                pendingErrors_.push_back(section + ": " + e.what());
            }
        }
        if (!log)
            log = CreateLogFromReg(lsPlain, ini, section, false);
        TLog* added = AddLogMenuItem(std::move(log));
        if (added->Style != style)
            storedStyles_[added] = style;
    }
}

void TFrameForm::FirstPaint()
{
    if (closed_)
        return;
    if (startupFailed_) {
        MessageDlgText(startupMessage_, TMsgDlgType::mtError, mbOK);
        close();
        return;
    }
    for (const std::string& message : pendingErrors_)
        ShowError(message);
    pendingErrors_.clear();

    if (!params_.empty()) {
        for (const std::string& param : params_) {
            if (closed_)
                return;
            const std::string path = CompletePath(param);
            TLog* registered = nullptr;
            for (const auto& log : LogList())
                if (log->Path == path) {
                    registered = log.get();
                    break;
                }
            Guard([&] {
                if (registered)
                    OpenLog(registered);
                else
                    OpenLogFile(path);
            });
        }
        return;
    }

    RestoreDesktop();
    if (closed_)
        return;
    if (Settings().MainAddrDefaulted) {
        AboutClick();
        if (MessageDlgLOr(126, {}, "This is the first run of Tarvix. Do you want to set the general options now?",
                          TMsgDlgType::mtConfirmation, mbYesNo) == mrYes)
            Guard([this] { GeneralClick(); });
        Settings().MainAddrDefaulted = false;
    }
    if (LogList().empty() &&
        MessageDlgLOr(109, {}, "No logs are set up yet. Do you want to set up logs now?",
                      TMsgDlgType::mtConfirmation, mbYesNo) == mrYes)
        Guard([this] { LogsSetupClick(); });
}

void TFrameForm::RestoreDesktop()
{
    if (desktopRestored_ || !Settings().SaveDesktop)
        return;
    desktopRestored_ = true;
    // Opening a window may take a while and let the user close the frame meanwhile.
    std::vector<TLog*> logs;
    for (const auto& log : LogList())
        logs.push_back(log.get());
    for (TLog* log : logs) {
        if (closed_)
            return;
        if (std::find_if(LogList().begin(), LogList().end(), [log](const auto& l) { return l.get() == log; }) ==
            LogList().end())
            continue;
        if (Ini().ReadBool(log->Name + ".MainWnd", "Open", false))
            Guard([&] { OpenLog(log); });
    }
}

// ---------------------------------------------------------------- logs

TLog* TFrameForm::AddLogMenuItem(std::unique_ptr<TLog> log)
{
    TLog* raw = log.get();
    storedStyles_.erase(raw);
    LogList().push_back(std::move(log));
    ++Settings().NumLogs;
    auto* item = new QAction(MenuCaption(raw->Name), miLogs_);
    SetMenuItemTag(item, static_cast<int>(LogList().size()));
    connect(item, &QAction::triggered, this, [this, item] { Guard([this, item] { LogMenuClick(item); }); });
    miLogs_->addAction(item);
    logItems_.push_back(item);
    return raw;
}

void TFrameForm::RemoveLog(TLog* log)
{
    auto& list = LogList();
    auto it = std::find_if(list.begin(), list.end(), [log](const auto& l) { return l.get() == log; });
    if (it == list.end())
        return;
    const auto p = static_cast<std::size_t>(it - list.begin());
    // The setup refuses to remove a log that is open; a window left would show a
    // log that is gone.
    for (QMdiSubWindow* sub : mdi_->findChildren<QMdiSubWindow*>())
        if (LogOfSubWindow(sub) == log)
            delete sub;
    --Settings().NumLogs;
    if (p < logItems_.size()) {
        QAction* item = logItems_[p];
        miLogs_->removeAction(item);
        delete item;
        logItems_.erase(logItems_.begin() + static_cast<std::ptrdiff_t>(p));
        for (std::size_t k = p; k < logItems_.size(); ++k)
            SetMenuItemTag(logItems_[k], MenuItemTag(logItems_[k]) - 1);
    }
    for (const char* suffix : kLogWindowSections)
        Ini().EraseSection(log->Name + suffix);
    storedStyles_.erase(log);
    if (currentLog_ == log)
        currentLog_ = nullptr;
    list.erase(it);
    UpdateMenus();
}

void TFrameForm::RenameLogMenuItem(int index, const QString& caption)
{
    if (index >= 0 && static_cast<std::size_t>(index) < logItems_.size())
        logItems_[static_cast<std::size_t>(index)]->setText(QString(caption).replace(QLatin1Char('&'), QLatin1String("&&")));
}

TLog* TFrameForm::RestyleLog(TLog* log, int style)
{
    TLog* fresh = ChangeLogStyle(log, style);
    if (!fresh)
        return nullptr;
    // The old object is gone: nothing may point to it any more (a new object may
    // even be given its address).
    storedStyles_.erase(log);
    if (currentLog_ == log)
        currentLog_ = fresh;
    UpdateMenus();
    return fresh;
}

bool TFrameForm::LogIsOpen(const TLog* log) const
{
    if (!log)
        return false;
    if (log->Window)
        return true;
    // A window that is closing while its analysis returns has let go of Window but
    // still uses its log; one that has closed has let go of both.
    for (const TChildForm* window : mdi_->findChildren<TChildForm*>())
        if (window->ViewedLog() == log)
            return true;
    return false;
}

void TFrameForm::LogsSetupClick()
{
    TLogsSetupForm form(*this);
    ExecModal(form);
    UpdateMenus();
    // The list as the dialog leaves it is saved at once.
    std::vector<std::string> errors;
    WriteLogSections(errors);
    try {
        SaveSettings();
    } catch (const std::exception& e) {
        errors.push_back(e.what());
    }
    for (const std::string& e : errors)
        ShowError(e);
}

QAction* TFrameForm::LogMenuItem(int index) const
{
    return index >= 0 && static_cast<std::size_t>(index) < logItems_.size() ? logItems_[static_cast<std::size_t>(index)]
                                                                             : nullptr;
}

void TFrameForm::UpdateMenus()
{
    miTMail_->menuAction()->setVisible(FindLogByStyle(lsTMail) != nullptr);
    miArgus_->menuAction()->setVisible(FindLogByStyle(lsArgus) != nullptr);
    miLogs_->menuAction()->setVisible(!LogList().empty());
}

void TFrameForm::LogMenuClick(QAction* item)
{
    const int index = MenuItemTag(item) - 1;
    if (index < 0 || static_cast<std::size_t>(index) >= LogList().size())
        throw Exception("Invalid Log tag");
    TLog* log = LogList()[static_cast<std::size_t>(index)].get();
    if (QMdiSubWindow* sub = LogSubWindow(log)) {
        if (sub->isMinimized())
            sub->showNormal();
        mdi_->setActiveSubWindow(sub);
    } else if (!FindLogWindow(mdi_, log)) {
        OpenLog(log);
    }
}

void TFrameForm::OpenLog(TLog* log)
{
    if (!log)
        return;
    if (!log->Path.empty() && IsFile(log->Path)) {
        // One window per log: a second request brings the first to the front.
        if (QMdiSubWindow* sub = LogSubWindow(log)) {
            mdi_->setActiveSubWindow(sub);
            return;
        }
        if (FindLogWindow(mdi_, log))
            return;
        currentLog_ = log;
        OpenWindow(log);
    } else {
        MessageDlgLOr(0, {log->Path}, "Log file not found", TMsgDlgType::mtInformation, mbOK);
    }
}

void TFrameForm::OpenLogFile(const std::string& path, int style)
{
    if (path.empty() || !IsFile(path)) {
        MessageDlgLOr(0, {path}, "Log file not found", TMsgDlgType::mtInformation, mbOK);
        return;
    }
    std::unique_ptr<TLog> log = CreateLogOfStyle(style == lsCustom && !Settings().EnableCustomHighlighting ? lsPlain
                                                                                                           : style);
    log->Name = path;
    log->Path = path;
    log->Temporary = true;
    TLog* raw = log.get();
    if (SettingsOpen()) {
        TRecentFiles recent;
        recent.Load(Ini());
        recent.Add(path, style);
        recent.Save(Ini());
    }
    temporaryLogs_.push_back(std::move(log));
    currentLog_ = raw;
    OpenWindow(raw);
    // A window that could not open, or was closed while it opened, leaves no log.
    if (!LogSubWindow(raw) && !FindLogWindow(mdi_, raw))
        DropTemporaryLog(raw);
}

void TFrameForm::OpenWindow(TLog* log)
{
    const QList<QMdiSubWindow*> before = mdi_->subWindowList();
    openingLog_ = log;
    try {
        OpenLogWindow(mdi_, log);
    } catch (...) {
        openingLog_ = nullptr;
        throw;
    }
    openingLog_ = nullptr;
    if (LogSubWindow(log))
        return;
    for (QMdiSubWindow* sub : mdi_->subWindowList())
        if (!before.contains(sub) && !LogOfSubWindow(sub)) {
            TagSubWindow(sub, log);
            break;
        }
}

void TFrameForm::TagSubWindow(QMdiSubWindow* sub, TLog* log)
{
    sub->setProperty(kLogProperty, QVariant::fromValue(reinterpret_cast<quintptr>(log)));
    if (log->Temporary) {
        sub->setAttribute(Qt::WA_DeleteOnClose);
        connect(sub, &QObject::destroyed, this, [this, log] { DropTemporaryLog(log); });
    }
}

void TFrameForm::DropTemporaryLog(const TLog* log)
{
    if (currentLog_ == log)
        currentLog_ = nullptr;
    auto it = std::find_if(temporaryLogs_.begin(), temporaryLogs_.end(),
                           [log](const auto& l) { return l.get() == log; });
    if (it != temporaryLogs_.end())
        temporaryLogs_.erase(it);
}

QMdiSubWindow* TFrameForm::LogSubWindow(const TLog* log) const
{
    if (!log)
        return nullptr;
    // A window that was closed but not deleted is hidden: it shows nothing.
    for (QMdiSubWindow* sub : mdi_->subWindowList())
        if (LogOfSubWindow(sub) == log && !sub->isHidden())
            return sub;
    return nullptr;
}

std::vector<TLog*> TFrameForm::TemporaryLogs() const
{
    std::vector<TLog*> logs;
    for (const auto& l : temporaryLogs_)
        logs.push_back(l.get());
    return logs;
}

// ---------------------------------------------------------------- commands

void TFrameForm::SetOpenFileAnswer(TOpenFileAnswer answer) { OpenFileAnswer() = std::move(answer); }

std::optional<std::pair<std::string, int>> TFrameForm::AskLogFile()
{
    if (OpenFileAnswer())
        return OpenFileAnswer()();
    // The styles a log can be read with without a mailer's configuration.
    const std::pair<QString, int> filters[] = {
        {UiKeyText("Frame.FilterPlain", "Log files (*.lo *.log *.LO *.LOG)"), lsPlain},
        {UiKeyText("Frame.FilterBink", "Bink-style logs (*.log *.LOG)"), lsBink},
        {UiKeyText("Frame.FilterFrontDoor", "FrontDoor-style logs (*.log *.LOG)"), lsFrontDoor},
        {UiKeyText("Frame.FilterArgus", "Argus logs (*.log *.LOG)"), lsArgus},
        {UiKeyText("Frame.FilterBinkd", "binkd logs (binkd *.log *.LOG)"), lsBinkd},
        {UiKeyText("Frame.FilterAll", "All files (*)"), lsPlain},
    };
    QFileDialog dialog(this, UiKeyText("Frame.ViewLogTitle", "View log file"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("LO"));
    QStringList names;
    for (const auto& f : filters)
        names << f.first;
    dialog.setNameFilters(names);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    int style = lsPlain;
    const qsizetype chosen = names.indexOf(dialog.selectedNameFilter());
    if (chosen >= 0)
        style = filters[chosen].second;
    return std::make_pair(dialog.selectedFiles().front().toStdString(), style);
}

void TFrameForm::FillReopenMenu()
{
    miReopen_->clear();
    TRecentFiles recent;
    if (SettingsOpen())
        recent.Load(Ini());
    int n = 0;
    for (const TRecentFiles::TEntry& e : recent.Entries()) {
        ++n;
        QAction* item = miReopen_->addAction(QStringLiteral("&%1 %2").arg(n % 10).arg(QString::fromStdString(e.Path)));
        connect(item, &QAction::triggered, this,
                [this, e] { Guard([this, &e] { OpenLogFile(e.Path, e.Style); }); });
    }
    miReopen_->menuAction()->setEnabled(n > 0);
}

void TFrameForm::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TFrameForm::dropEvent(QDropEvent* event)
{
    // Files dropped on the window open as with File > View log, as plain text.
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            Guard([this, &url] { OpenLogFile(url.toLocalFile().toStdString()); });
    event->acceptProposedAction();
}

void TFrameForm::ViewLogClick()
{
    if (auto answer = AskLogFile())
        OpenLogFile(answer->first, answer->second);
}

void TFrameForm::SideFileClick(TSideFileKind kind)
{
    const auto slot = static_cast<std::size_t>(kind);
    if (sideWindows_.size() < kSideFileKinds)
        sideWindows_.resize(kSideFileKinds);
    if (auto* open = qobject_cast<QMdiSubWindow*>(sideWindows_[slot].data())) {
        mdi_->setActiveSubWindow(open);
        return;
    }
    TSideFileForm* window = CreateSideFileWindow(kind);
    if (!window)
        return;
    sideWindows_[slot] = window;
    mdi_->addSubWindow(window);
    window->show();
    mdi_->setActiveSubWindow(window);
}

void TFrameForm::ChatLogClick()
{
    auto* log = dynamic_cast<TTMailLog*>(FindLogByStyle(lsTMail));
    if (!log)
        return;
    const std::string chat = log->ChatLogFile();
    if (chat.empty())
        MessageDlgLOr(150, {}, "The T-Mail chat log is not set in the mailer configuration.", TMsgDlgType::mtError,
                      mbOK);
    else
        OpenLogFile(ToHostPath(chat));
}

void TFrameForm::SetLanguageChecks(const std::string& lngName)
{
    miEnglish_->setChecked(lngName == kEnglishLng);
    miRussian_->setChecked(lngName == kRussianLng);
}

void TFrameForm::LanguageClick(QAction* item)
{
    const int tag = MenuItemTag(item);
    if (tag != 1 && tag != 2)
        return;
    const std::string previous = TLng::LngName();
    try {
        TLng::SetLngName(tag == 1 ? kEnglishLng : kRussianLng);
    } catch (const ELngError& e) {
        try {
            TLng::SetLngName(previous);
        } catch (const ELngError&) {
        }
        SetLanguageChecks(previous);
        ShowError(e.what());
        return;
    }
    UncheckMenuItems(miLanguage_->menuAction());
    item->setChecked(true);
    MessageDlgLOr(1, {}, "The interface language has been changed.", TMsgDlgType::mtInformation, mbOK);
}

void TFrameForm::SendSettingsChanged(int what)
{
    const auto change = static_cast<TSettingsChange>(what);
    // Every log window, of a registered log or not, with its analysis windows.
    for (TChildForm* window : mdi_->findChildren<TChildForm*>()) {
        if (window->Closing())
            continue;
        if (change == TSettingsChange::Colors)
            window->ApplyColours();
        else
            window->ApplyFont(change == TSettingsChange::GridFont);
    }
    for (QPointer<QWidget>& w : sideWindows_)
        if (w) {
            TSettingsChangedEvent event(change);
            QCoreApplication::sendEvent(w, &event);
        }
}

void TFrameForm::LogFontClick()
{
    TFontSpec font = Settings().LogFont;
    if (!ChooseFont(this, UiKeyText("Frame.LogFontTitle", "Log window font"), font))
        return;
    Settings().LogFont = font;
    SendSettingsChanged(static_cast<int>(TSettingsChange::LogFont));
    SaveSettings();
}

void TFrameForm::GridFontClick()
{
    TFontSpec font = Settings().GridFont;
    if (!ChooseFont(this, UiKeyText("Frame.GridFontTitle", "Grid font"), font))
        return;
    Settings().GridFont = font;
    SendSettingsChanged(static_cast<int>(TSettingsChange::GridFont));
    SaveSettings();
}

void TFrameForm::GeneralClick()
{
    TGeneralSetupForm form(this);
    if (ExecModal(form) != QDialog::Accepted)
        return;
    // Addresses may print otherwise now (ShowDomain): the windows repaint.
    SendSettingsChanged(static_cast<int>(TSettingsChange::Colors));
    SaveSettings();
}

void TFrameForm::ColorsClick()
{
    const auto before = Settings().Colors;
    auto apply = [this] { SendSettingsChanged(static_cast<int>(TSettingsChange::Colors)); };
    TColSetupForm form(apply, this);
    if (ExecModal(form) != QDialog::Accepted) {
        Settings().Colors = before;
        apply();
        return;
    }
    SaveSettings();
}

void TFrameForm::AboutClick()
{
    TDialogRequest request;
    request.caption = UiKeyText("Frame.AboutCaption", "About Tarvix").toStdString();
    std::string text = "Tarvix\nVersion " + std::string(kLngVersion);
    if (LngLoaded()) {
        try {
            text = LFmtS("Frame.AboutText", {kLngVersion});
        } catch (const Exception&) {
        }
    }
    request.text = text;
    request.type = TMsgDlgType::mtInformation;
    request.buttons = mbOK;
    Dialogs().MessageDlg(request);
}

void TFrameForm::HelpContentsClick() { ShowHelpContents(this); }

void TFrameForm::RebuildWindowMenu()
{
    for (QAction* item : windowItems_) {
        miWindow_->removeAction(item);
        delete item;
    }
    windowItems_.clear();
    const QList<QMdiSubWindow*> subs = mdi_->subWindowList();
    miTile_->setEnabled(!subs.isEmpty());
    miCascade_->setEnabled(!subs.isEmpty());
    if (subs.isEmpty())
        return;
    windowItems_.push_back(miWindow_->addSeparator());
    int n = 0;
    for (QMdiSubWindow* sub : subs) {
        ++n;
        QString caption = sub->windowTitle();
        caption.replace(QLatin1Char('&'), QLatin1String("&&"));
        auto* item = new QAction(n < 10 ? QStringLiteral("&%1 %2").arg(n).arg(caption) : caption, miWindow_);
        item->setCheckable(true);
        item->setChecked(sub == mdi_->activeSubWindow());
        QPointer<QMdiSubWindow> target(sub);
        connect(item, &QAction::triggered, this, [this, target] {
            if (target)
                mdi_->setActiveSubWindow(target);
        });
        miWindow_->addAction(item);
        windowItems_.push_back(item);
    }
}

void TFrameForm::Guard(const std::function<void()>& command)
{
    try {
        command();
    } catch (const std::exception& e) {
        ShowError(e.what());
    }
}

void TFrameForm::ShowError(const std::string& message)
{
    MessageDlgText(message, TMsgDlgType::mtError, mbOK);
}

// ---------------------------------------------------------------- Alt+X

bool TFrameForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers mods =
            key->modifiers() & (Qt::AltModifier | Qt::ControlModifier | Qt::ShiftModifier | Qt::MetaModifier);
        // Alt with the X key, in any keyboard layout, but not an upper-case X
        // (Caps Lock): that is another key.
        if (key->key() == Qt::Key_X && mods == Qt::AltModifier && key->text() != QLatin1String("X") &&
            watched->isWidgetType()) {
            // A modal dialog finishes first: closing the frame under it would pull
            // its owner away.
            if (!QApplication::activeModalWidget() && !closed_ && event->type() == QEvent::KeyPress)
                QMetaObject::invokeMethod(this, [this] { close(); }, Qt::QueuedConnection);
            event->accept();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---------------------------------------------------------------- shutdown

void TFrameForm::closeEvent(QCloseEvent* event)
{
    if (!closed_) {
        closed_ = true;
        if (!startupFailed_ && shown_)
            Shutdown();
        if (THelpWindow* help = OpenHelpWindow(); help && help->parentWidget() == this)
            help->close();
        emit FrameClosed();
    }
    event->accept();
}

void TFrameForm::WriteLogSections(std::vector<std::string>& errors)
{
    TNVIniFile& ini = Ini();
    const auto& list = LogList();
    Settings().NumLogs = static_cast<int>(list.size());
    for (std::size_t i = 0; i < list.size(); ++i) {
        const std::string section = "Log" + std::to_string(i + 1);
        try {
            list[i]->SaveToReg(ini, section);
        } catch (const std::exception& e) {
            errors.push_back(e.what());
        }
        auto stored = storedStyles_.find(list[i].get());
        if (stored != storedStyles_.end())
            ini.WriteInteger(section, "Style", stored->second);
    }
    // Sections of logs removed in this run.
    for (std::size_t k = list.size() + 1; ini.SectionExists("Log" + std::to_string(k)); ++k)
        ini.EraseSection("Log" + std::to_string(k));
}

void TFrameForm::Shutdown()
{
    TNVIniFile& ini = Ini();
    SaveFormPlacement(this, kFrameSection);
    for (QPointer<QWidget>& w : sideWindows_)
        if (w)
            w->close();

    std::vector<std::string> errors;
    auto attempt = [&errors](const std::function<void()>& step) {
        try {
            step();
        } catch (const std::exception& e) {
            errors.push_back(e.what());
        }
    };
    Settings().NumLogs = static_cast<int>(LogList().size());
    attempt([] { SaveSettings(); });
    ini.WriteString(kGeneral, "Language", TLng::LngName().empty() ? Settings().Language : TLng::LngName());

    // Each log window saves its own state (and cuts its log) as it closes.
    for (const auto& log : LogList()) {
        QMdiSubWindow* sub = LogSubWindow(log.get());
        const bool open = sub || FindLogWindow(mdi_, log.get());
        ini.WriteBool(log->Name + ".MainWnd", "Open", open);
        // A closed window may stay until the frame is destroyed, which deletes
        // the windows before the logs (a window may be closed while its own code
        // is running, so it is never deleted here).
        if (sub)
            attempt([sub] { sub->close(); });
    }
    const QList<QMdiSubWindow*> subs = mdi_->subWindowList();
    for (auto it = subs.rbegin(); it != subs.rend(); ++it) {
        TLog* log = LogOfSubWindow(*it);
        if (log && log->Temporary)
            attempt([sub = *it] { sub->close(); });
    }

    WriteLogSections(errors);
    attempt([&ini] { ini.UpdateFile(); });

    for (const std::string& e : errors)
        ShowError(e);
}

}  // namespace tarvix
