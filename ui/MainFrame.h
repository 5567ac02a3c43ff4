// The main frame: the program's MDI window. It owns the registered logs and the
// menus that open them, loads the interface language and the settings at start,
// reopens the log windows of the last run, and saves everything when it closes.
#pragma once

#include "engine/Log.h"
#include "ui/SideFileWindow.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;

namespace tarvix {

class TLng;

// The menu items of the frame, by object name (the language file's [TFrameForm]
// addresses them so): MIFile (MIViewLog, MIExit), MILogs (one item per registered
// log, its tag the list position + 1), MITMail (MITraffic, MIHistory, MIFreqLim,
// MIChatLog), MIArgus (MIBinaryLog), MIOptions (MIGeneral, MILogsSetup, MILanguage
// (MIEnglish tag 1, MIRussian tag 2), MIColors, MIFont (MILogFont, MIGridFont)),
// MIWindow (MITile, MICascade, then the open windows), MIHelp (MIContents, MIAbout).
//
// F1 anywhere opens the help page of the help context of the window that has the
// focus (SetHelpContext, ui/HelpWindow.h); Alt+X anywhere closes the program.
// When the log font, the grid font or the colours change, every log window re-applies
// them (with its analysis windows) and every side-file window receives a
// TSettingsChangedEvent (ui/FrameEvents.h).
class TFrameForm : public QMainWindow {
    Q_OBJECT
public:
    // The file and the language of the interface language items.
    static constexpr const char* kEnglishLng = "QZ_Eng.lng";
    static constexpr const char* kRussianLng = "QZ_Rus.lng";

    // Creates the frame: opens the settings store (the given file, else the default
    // one), restores the frame's placement and loads the interface language. Params
    // are the log files named on the command line. The rest of the start-up runs
    // when the frame is first shown.
    explicit TFrameForm(std::vector<std::string> params = {}, const std::string& settingsPath = {});
    ~TFrameForm() override;

    // --- what the other windows ask of the frame ---
    // Opens a window for a registered log (message 0 when its file is missing).
    void OpenLog(TLog* log);
    // Opens a window for a file that is not registered: a temporary log of the
    // style given, never saved, destroyed with its window.
    void OpenLogFile(const std::string& path, int style = lsPlain);
    // Registers a log: appends it to the list and to the Logs menu.
    TLog* AddLogMenuItem(std::unique_ptr<TLog> log);
    // Unregisters a log: its menu item, its window sections, the log itself.
    void RemoveLog(TLog* log);
    void RenameLogMenuItem(int index, const QString& caption);
    // Replaces a registered log by one of another style that takes its settings
    // (ChangeLogStyle), at the same place of the list and the menu; the new log.
    // nullptr for a log that is not registered.
    TLog* RestyleLog(TLog* log, int style);
    // The log is shown in a window (also one that is still closing): it may be
    // neither restyled nor removed.
    bool LogIsOpen(const TLog* log) const;
    // Shows the Logs, T-Mail and Argus menus only while they have something to offer.
    void UpdateMenus();

    // --- menu commands ---
    // Raises Exception "Invalid Log tag" for an item whose tag is no list position.
    void LogMenuClick(QAction* item);
    void LanguageClick(QAction* item);
    // Options > Logs...: the logs setup dialog.
    void LogsSetupClick();
    void ViewLogClick();
    void ChatLogClick();
    // T-Mail > Traffic, History, Freq limits; Argus > Binary log: the side-file window
    // of the first registered log of the mailer, or brought to the front when open.
    void SideFileClick(TSideFileKind kind);
    void LogFontClick();
    void GridFontClick();
    // Options > General... and Colors...: the settings are saved when the dialog is
    // confirmed; a colour dialog that ends otherwise puts the old colours back.
    void GeneralClick();
    void ColorsClick();
    void AboutClick();
    void HelpContentsClick();

    // --- state ---
    bool StartupFailed() const { return startupFailed_; }
    const std::string& StartupMessage() const { return startupMessage_; }
    bool DesktopRestored() const { return desktopRestored_; }
    TLog* CurrentLog() const { return currentLog_; }
    QMdiArea* MdiArea() const { return mdi_; }
    TLng* Lng() const { return lng_; }
    // The MDI window that shows a log, or nullptr.
    QMdiSubWindow* LogSubWindow(const TLog* log) const;
    // The temporary logs with an open window.
    std::vector<TLog*> TemporaryLogs() const;
    // The item of the Logs menu of a list position.
    QAction* LogMenuItem(int index) const;

    // The file dialog of File > View log answered without asking (tests): the
    // chosen file and the style to read it with, or nothing for Cancel.
    using TOpenFileAnswer = std::function<std::optional<std::pair<std::string, int>>()>;
    static void SetOpenFileAnswer(TOpenFileAnswer answer);

signals:
    // The frame has closed (after the shutdown, or after a failed start).
    void FrameClosed();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void CreateMenus();
    QAction* NewItem(QMenu* menu, const char* name, const QString& caption);
    void FormShow();
    void FirstPaint();
    void LoadLogs();
    void RestoreDesktop();
    void Shutdown();
    // Writes the registered logs into their sections "Log1".. (the errors of a log
    // that cannot be written are collected); the file is not saved.
    void WriteLogSections(std::vector<std::string>& errors);
    void OpenWindow(TLog* log);
    void DropTemporaryLog(const TLog* log);
    void TagSubWindow(QMdiSubWindow* sub, TLog* log);
    std::optional<std::pair<std::string, int>> AskLogFile();
    void SetLanguageChecks(const std::string& lngName);
    void FillReopenMenu();
    void SendSettingsChanged(int what);
    void RebuildWindowMenu();
    // Runs a command; an error is shown in an error box.
    void Guard(const std::function<void()>& command);
    void ShowError(const std::string& message);

    std::vector<std::string> params_;
    QMdiArea* mdi_ = nullptr;
    TLng* lng_ = nullptr;
    TLog* currentLog_ = nullptr;
    TLog* openingLog_ = nullptr;  // the log whose window is being created
    bool startupFailed_ = false;
    std::string startupMessage_;
    bool desktopRestored_ = false;
    bool shown_ = false;
    bool closed_ = false;
    // Messages of the start that wait for the frame to be on screen.
    std::vector<std::string> pendingErrors_;
    // Style numbers stored for logs that are read as another style (a custom log
    // while custom highlighting is off, a style this program does not know), written
    // back so that the setting survives.
    std::map<const TLog*, long long> storedStyles_;
    std::vector<std::unique_ptr<TLog>> temporaryLogs_;
    std::vector<QAction*> logItems_;
    std::vector<QAction*> windowItems_;
    // The side-file windows (T-Mail traffic, history, freq limits, Argus binary log).
    std::vector<QPointer<QWidget>> sideWindows_;

    QMenu* miFile_ = nullptr;
    QMenu* miReopen_ = nullptr;  // File > Reopen: the last files viewed
    QMenu* miLogs_ = nullptr;
    QMenu* miTMail_ = nullptr;
    QMenu* miArgus_ = nullptr;
    QMenu* miOptions_ = nullptr;
    QMenu* miLanguage_ = nullptr;
    QMenu* miFont_ = nullptr;
    QMenu* miWindow_ = nullptr;
    QMenu* miHelp_ = nullptr;
    QAction* miEnglish_ = nullptr;
    QAction* miRussian_ = nullptr;
    QAction* miTile_ = nullptr;
    QAction* miCascade_ = nullptr;
};

}  // namespace tarvix
