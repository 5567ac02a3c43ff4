// The logs setup dialog on the main frame's list of logs: what it shows, new logs
// and their names, restyling, deleting, the closing check, logs open in a window,
// the Logs menu that follows, and the way in from the menu and the first start.
#include "ui/LogSetup.h"

#include "engine/ArgusLog.h"
#include "engine/LogStyles.h"
#include "engine/TMailLog.h"
#include "fido/Dialogs.h"
#include "fido/Lng.h"
#include "platform/IniFile.h"
#include "settings/QZIni.h"
#include "ui/FileEdit.h"
#include "ui/HelpWindow.h"
#include "ui/LngComponent.h"
#include "ui/MenuUtils.h"
#include "ui/ModalHook.h"
#include "ui/RadioGroup.h"
#include "ui/TMOpt.h"
#include "ui/TarvixF.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace tarvix {
namespace {

namespace fs = std::filesystem;

class LogSetupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegisterGenericLogStyles();
        UnloadLng();
        dir = fs::temp_directory_path() / ("tarvix-logsetup-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir / "argus");
        // Copies of the sample installations: a window may write next to its log.
        fs::copy(TARVIX_SOURCE_DIR "/samples/tmail", dir / "tmail", fs::copy_options::recursive);
        fs::copy_file(TARVIX_SOURCE_DIR "/samples/argus/argus-3131.log", dir / "argus" / "argus-3131.log");
        std::ofstream(dir / "plain.log") << "just some text\nin a file\n";
        ini = (dir / "Tarvix.ini").string();
        SetDialogs(&dialogs);
        SetModalRunner([this](QDialog& d) { return Answer(d); });
    }

    void TearDown() override
    {
        frame.reset();
        SetModalRunner({});
        TFileEdit::SetPickAnswer({});
        SetDialogs(nullptr);
        if (THelpWindow* help = OpenHelpWindow())
            delete help;
        fs::remove_all(dir);
    }

    // The modal dialogs: the setup dialog and the option dialogs it opens, each
    // shown (for the screenshots) and handed to the test's function.
    int Answer(QDialog& d)
    {
        d.show();
        if (auto* setup = dynamic_cast<TLogsSetupForm*>(&d)) {
            ++setupRuns;
            if (onSetup)
                onSetup(*setup);
            else
                setup->OkButton()->click();
        } else if (onOptions) {
            onOptions(d);
        } else {
            d.reject();
        }
        return d.result();
    }

    std::string TMailLog() const { return (dir / "tmail" / "t-mail.log").string(); }
    std::string ArgusLog() const { return (dir / "argus" / "argus-3131.log").string(); }
    std::string PlainLog() const { return (dir / "plain.log").string(); }

    // Settings with a T-Mail, an Argus and a plain log.
    std::string ThreeLogs() const
    {
        return "[General]\nNumLogs=3\nMainAddr=2:5020/52\n[Log1]\nName=T-Mail\nPath=" + TMailLog() +
               "\nStyle=1\nMailerPath=" + (dir / "tmail").string() +
               "\nTMVersion=2604\nTaskNo=1\nUpdateDLC=1\nAutoNew=1\nLastStr=29/04 10:00:00\nHighlight=0\n"
               "CutSize=64\nCutMode=1\n"
               "[Log2]\nName=Argus\nPath=" +
               ArgusLog() + "\nStyle=8\nMailerPath=" + (dir / "argus").string() +
               "\nCutSize=100\nCutMode=1\n[Log3]\nName=Plain\nPath=" + PlainLog() +
               "\nStyle=0\nCutSize=50\nCutMode=1\n";
    }

    void WriteIni(const std::string& text) { std::ofstream(ini, std::ios::binary) << text; }

    TFrameForm& Start()
    {
        dialogs.Shown.clear();
        frame = std::make_unique<TFrameForm>(std::vector<std::string>{}, ini);
        frame->show();
        QApplication::processEvents();
        return *frame;
    }

    void Stop()
    {
        if (frame)
            frame->close();
        frame.reset();
    }

    // Opens Options > Logs... and runs the test's steps in the dialog.
    void Setup(std::function<void(TLogsSetupForm&)> steps)
    {
        onSetup = std::move(steps);
        frame->findChild<QAction*>("MILogsSetup")->trigger();
        onSetup = {};
    }

    QMenu* Menu(const char* name) const { return frame->findChild<QMenu*>(name); }
    bool MenuShown(const char* name) const { return Menu(name)->menuAction()->isVisible(); }
    QStringList LogsMenu() const
    {
        QStringList texts;
        for (QAction* a : Menu("MILogs")->actions())
            texts << a->text();
        return texts;
    }
    static QStringList ListTexts(const TLogsSetupForm& f)
    {
        QStringList texts;
        for (int i = 0; i < f.LogsList()->count(); ++i)
            texts << f.LogsList()->item(i)->text();
        return texts;
    }
    static void Key(QWidget* w, int key)
    {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(w, &press);
    }
    static void ChooseStyle(TLogsSetupForm& f, int style) { f.StyleCombo()->setCurrentIndex(ItemOfStyleText(f, style)); }
    static int ItemOfStyleText(TLogsSetupForm& f, int style)
    {
        const char* names[] = {"Other", "T-Mail", "Generic Bink-style", "Generic FrontDoor", "Brake!",
                               "Bink/+", "FhMail", "SF-Mail", "Argus", "Custom"};
        return f.StyleCombo()->findText(QString::fromLatin1(names[style]));
    }
    std::vector<std::string> ShownTexts() const
    {
        std::vector<std::string> texts;
        for (const TDialogRequest& r : dialogs.Shown)
            texts.push_back(r.text);
        return texts;
    }
    void Screenshot(QWidget& w, const char* name)
    {
        const fs::path shots = fs::path(TARVIX_BINARY_DIR) / "screenshots";
        fs::create_directories(shots);
        EXPECT_TRUE(w.grab().save(QString::fromStdString((shots / name).string()), "PNG"));
    }

    fs::path dir;
    std::string ini;
    TBatchDialogs dialogs{mrNo, true};
    std::unique_ptr<TFrameForm> frame;
    std::function<void(TLogsSetupForm&)> onSetup;
    std::function<void(QDialog&)> onOptions;
    int setupRuns = 0;
};

TEST_F(LogSetupTest, ShowsTheValuesOfEachKindOfLog)
{
    WriteIni(ThreeLogs());
    Start();
    ASSERT_EQ(LogList().size(), 3u);
    ASSERT_TRUE(frame->findChild<QAction*>("MILogsSetup")->isEnabled());
    Setup([&](TLogsSetupForm& f) {
        EXPECT_EQ(f.windowTitle(), "Logs");
        EXPECT_EQ(ListTexts(f), QStringList({"T-Mail", "Argus", "Plain"}));
        // Without custom highlighting there is no "Custom" style.
        ASSERT_EQ(f.StyleCombo()->count(), 10);
        EXPECT_EQ(f.StyleCombo()->itemText(0), "T-Mail");
        EXPECT_EQ(f.StyleCombo()->itemText(9), "Other");

        // The first log is selected: a mailer log with its directory and options.
        EXPECT_EQ(f.LogsList()->currentRow(), 0);
        EXPECT_EQ(f.SelectedLog(), LogList()[0].get());
        EXPECT_EQ(f.NameEdit()->text(), "T-Mail");
        EXPECT_EQ(f.PathEdit()->Text().toStdString(), TMailLog());
        EXPECT_EQ(f.StyleCombo()->currentText(), "T-Mail");
        EXPECT_EQ(f.MailerPathEdit()->Text().toStdString(), (dir / "tmail").string());
        EXPECT_TRUE(f.MailerPathEdit()->isEnabled());
        EXPECT_TRUE(f.DLCCheck()->isChecked());
        EXPECT_TRUE(f.DLCCheck()->isEnabled());
        EXPECT_TRUE(f.AutoNewCheck()->isChecked());
        EXPECT_TRUE(f.CutCheck()->isChecked());
        EXPECT_EQ(f.CutEdit()->text(), "64");
        EXPECT_EQ(f.CutModeGroup()->ItemIndex(), 1);
        EXPECT_TRUE(f.CutModeGroup()->isEnabled());
        EXPECT_TRUE(f.LogOptionsButton()->isEnabled());
        EXPECT_TRUE(f.DeleteButton()->isEnabled());
        EXPECT_EQ(f.AutoNewCheck()->toolTip(), "Automatically move to new info");
        EXPECT_EQ(f.CutModeGroup()->Items(), QStringList({"KBytes", "days"}));
        Screenshot(f, "TLogsSetupForm.png");

        // A plain log: no mailer directory, no counters, no options, and it cuts
        // by size whatever was stored.
        f.SelectRow(2);
        EXPECT_EQ(f.NameEdit()->text(), "Plain");
        EXPECT_EQ(f.StyleCombo()->currentText(), "Other");
        EXPECT_TRUE(f.MailerPathEdit()->Text().isEmpty());
        EXPECT_FALSE(f.MailerPathEdit()->isEnabled());
        EXPECT_FALSE(f.DLCCheck()->isEnabled());
        EXPECT_FALSE(f.DLCCheck()->isChecked());
        EXPECT_FALSE(f.LogOptionsButton()->isEnabled());
        EXPECT_TRUE(f.CutCheck()->isChecked());
        EXPECT_EQ(f.CutEdit()->text(), "50");
        EXPECT_EQ(f.CutModeGroup()->ItemIndex(), 0);
        EXPECT_FALSE(f.CutModeGroup()->isEnabled());
        EXPECT_EQ(LogList()[2]->CutMode, 0);

        // Help shows the page of the dialog.
        f.HelpButton()->click();
        ASSERT_NE(OpenHelpWindow(), nullptr);
        EXPECT_EQ(OpenHelpWindow()->CurrentPage().fileName(), "settings.html");
        EXPECT_EQ(OpenHelpWindow()->CurrentPage().fragment(), "logs");

        f.OkButton()->click();
    });
    EXPECT_EQ(setupRuns, 1);
    EXPECT_TRUE(dialogs.Shown.empty());
}

TEST_F(LogSetupTest, NewLogsAreNamedByTheDefaultNameAndNumbered)
{
    // A first start without logs: the questions are answered No.
    Start();
    ASSERT_TRUE(LogList().empty());
    EXPECT_FALSE(MenuShown("MILogs"));
    Setup([&](TLogsSetupForm& f) {
        // Nothing to show: everything is empty and disabled.
        EXPECT_EQ(f.LogsList()->count(), 0);
        EXPECT_EQ(f.SelectedLog(), nullptr);
        for (QWidget* w : std::initializer_list<QWidget*>{f.NameEdit(), f.PathEdit(), f.StyleCombo(),
                                                          f.MailerPathEdit(), f.AutoNewCheck(), f.CutCheck(),
                                                          f.CutEdit(), f.CutModeGroup(), f.DLCCheck(),
                                                          f.LogOptionsButton(), f.DeleteButton()})
            EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
        EXPECT_TRUE(f.NameEdit()->text().isEmpty());
        EXPECT_EQ(f.StyleCombo()->currentIndex(), -1);

        f.AddButton()->click();
        f.AddButton()->click();
        f.AddButton()->click();
        EXPECT_EQ(ListTexts(f), QStringList({"New log", "New log 1", "New log 2"}));
        // Each new log is a plain log, selected at once, in the list and the menu.
        EXPECT_EQ(f.LogsList()->currentRow(), 2);
        EXPECT_EQ(f.NameEdit()->text(), "New log 2");
        EXPECT_EQ(f.StyleCombo()->currentText(), "Other");
        EXPECT_TRUE(f.DeleteButton()->isEnabled());
        ASSERT_EQ(LogList().size(), 3u);
        for (const auto& log : LogList())
            EXPECT_EQ(log->Style, lsPlain);
        EXPECT_TRUE(MenuShown("MILogs"));
        EXPECT_EQ(LogsMenu(), QStringList({"New log", "New log 1", "New log 2"}));
        EXPECT_EQ(Settings().NumLogs, 3);

        // A name freed by renaming is taken again; Insert in the list adds too.
        f.SelectRow(0);
        f.NameEdit()->setText("Fido & friends");
        EXPECT_EQ(LogList()[0]->Name, "Fido & friends");
        EXPECT_EQ(f.LogsList()->item(0)->text(), "Fido & friends");
        EXPECT_EQ(LogsMenu(), QStringList({"Fido && friends", "New log 1", "New log 2"}));
        Key(f.LogsList(), Qt::Key_Insert);
        EXPECT_EQ(ListTexts(f).back(), "New log");
        Key(f.LogsList(), Qt::Key_Insert);
        EXPECT_EQ(ListTexts(f).back(), "New log 3");
        // Delete in the list takes the selected one away again.
        Key(f.LogsList(), Qt::Key_Delete);
        EXPECT_EQ(ListTexts(f), QStringList({"Fido & friends", "New log 1", "New log 2", "New log"}));
        EXPECT_EQ(LogsMenu(), QStringList({"Fido && friends", "New log 1", "New log 2", "New log"}));

        // The logs have no paths yet: the dialog stays open until they have.
        for (int row = 0; row < f.LogsList()->count(); ++row) {
            f.SelectRow(row);
            f.PathEdit()->SetText(QString::fromStdString(PlainLog()));
        }
        f.OkButton()->click();
    });
    ASSERT_EQ(LogList().size(), 4u);
    Stop();
    const TIniFile saved(ini);
    EXPECT_EQ(saved.ReadInteger("General", "NumLogs", 0), 4);
    EXPECT_EQ(saved.ReadString("Log1", "Name", ""), "Fido & friends");
    EXPECT_EQ(saved.ReadString("Log4", "Name", ""), "New log");
    EXPECT_EQ(saved.ReadString("Log4", "Path", ""), PlainLog());
    EXPECT_EQ(saved.ReadInteger("Log4", "Style", -1), lsPlain);
}

TEST_F(LogSetupTest, TheDialogStaysOpenWithoutANamePathOrMailerDirectory)
{
    WriteIni(ThreeLogs());
    Start();
    int finished = 0;
    Setup([&](TLogsSetupForm& f) {
        QObject::connect(&f, &QDialog::finished, [&finished] { ++finished; });
        // The third log without a name (blanks and tabs are none).
        f.SelectRow(2);
        f.NameEdit()->setText(" \t ");
        f.SelectRow(0);
        f.OkButton()->click();
        EXPECT_EQ(finished, 0);
        EXPECT_TRUE(f.isVisible());
        ASSERT_EQ(dialogs.Shown.size(), 1u);
        EXPECT_EQ(dialogs.Shown[0].text, LGet(123));
        EXPECT_EQ(dialogs.Shown[0].type, TMsgDlgType::mtError);
        EXPECT_EQ(dialogs.Shown[0].buttons, unsigned(mbOK));
        // That log is selected, its name ready to be typed over.
        EXPECT_EQ(f.LogsList()->currentRow(), 2);
        EXPECT_EQ(f.NameEdit()->selectedText(), " \t ");
        f.NameEdit()->setText("Plain");

        // The second log without a path; Esc and the close box check as OK does.
        f.SelectRow(1);
        f.PathEdit()->SetText(QStringLiteral("  "));
        f.SelectRow(0);
        Key(f.LogsList(), Qt::Key_Escape);
        f.close();
        EXPECT_EQ(finished, 0);
        ASSERT_EQ(dialogs.Shown.size(), 3u);
        EXPECT_EQ(dialogs.Shown[1].text, LGet(124));
        EXPECT_EQ(dialogs.Shown[2].text, LGet(124));
        EXPECT_EQ(f.LogsList()->currentRow(), 1);
        // A path pasted with its quotes loses them.
        f.PathEdit()->SetText(QString::fromStdString("\"" + ArgusLog() + "\""));
        EXPECT_EQ(f.PathEdit()->Text().toStdString(), ArgusLog());
        EXPECT_EQ(LogList()[1]->Path, ArgusLog());

        // The mailer log without a mailer directory.
        f.MailerPathEdit()->SetText(QString());
        EXPECT_EQ(dynamic_cast<TMailerLog*>(LogList()[1].get())->MailerPath(), "");
        f.SelectRow(0);
        f.OkButton()->click();
        EXPECT_EQ(finished, 0);
        ASSERT_EQ(dialogs.Shown.size(), 4u);
        EXPECT_EQ(dialogs.Shown[3].text, LGet(125));
        EXPECT_EQ(f.LogsList()->currentRow(), 1);

        // A directory with a closing separator is stored without it on closing.
        f.MailerPathEdit()->SetText(QString::fromStdString((dir / "argus").string() + "/"));
        f.OkButton()->click();
        EXPECT_EQ(finished, 1);
    });
    EXPECT_EQ(dialogs.Shown.size(), 4u);
    EXPECT_EQ(dynamic_cast<TMailerLog*>(LogList()[1].get())->MailerPath(), (dir / "argus").string());
    EXPECT_EQ(LogList()[2]->Name, "Plain");
}

TEST_F(LogSetupTest, RestylingKeepsTheSettingsThatAssignCopies)
{
    // A custom log read while custom highlighting is off is a plain log that keeps
    // its stored style, until it is given another.
    std::string text = ThreeLogs() + "[Log4]\nName=Custom\nPath=" + PlainLog() + "\nStyle=9\n";
    text.replace(text.find("NumLogs=3"), 9, "NumLogs=4");
    WriteIni(text);
    Start();
    ASSERT_EQ(LogList().size(), 4u);
    EXPECT_TRUE(MenuShown("MITMail"));
    TLog* const before = LogList()[0].get();
    Setup([&](TLogsSetupForm& f) {
        ChooseStyle(f, lsArgus);
        TLog* after = LogList()[0].get();
        ASSERT_NE(after, before);
        EXPECT_EQ(f.SelectedLog(), after);
        EXPECT_EQ(after->Style, lsArgus);
        EXPECT_NE(dynamic_cast<TArgusLog*>(after), nullptr);
        // Name, path, new-part detection and the size limit stay ...
        EXPECT_EQ(after->Name, "T-Mail");
        EXPECT_EQ(after->Path, TMailLog());
        EXPECT_TRUE(after->AutoNew);
        EXPECT_EQ(after->CutSize, 64);
        EXPECT_EQ(after->CutMode, 1);
        // ... and so do the mailer directory and the counters of a mailer log;
        // the remembered line and the highlighting are the new log's own.
        auto* mailer = dynamic_cast<TMailerLog*>(after);
        EXPECT_EQ(mailer->MailerPath(), (dir / "tmail").string());
        EXPECT_TRUE(mailer->UpdateDLC);
        EXPECT_EQ(after->LastStr, "");
        EXPECT_TRUE(after->Highlight);
        // The dialog shows the new log; the menus follow its style.
        EXPECT_EQ(f.StyleCombo()->currentText(), "Argus");
        EXPECT_EQ(f.NameEdit()->text(), "T-Mail");
        EXPECT_TRUE(f.LogOptionsButton()->isEnabled());
        EXPECT_FALSE(MenuShown("MITMail"));
        EXPECT_TRUE(MenuShown("MIArgus"));
        EXPECT_EQ(LogsMenu().front(), "T-Mail");
        EXPECT_EQ(MenuItemTag(frame->LogMenuItem(0)), 1);

        // A plain log cuts by size and has no mailer directory.
        ChooseStyle(f, lsPlain);
        TLog* plain = LogList()[0].get();
        EXPECT_EQ(plain->Style, lsPlain);
        EXPECT_EQ(plain->CutSize, 64);
        EXPECT_EQ(plain->CutMode, 0);
        EXPECT_EQ(f.CutModeGroup()->ItemIndex(), 0);
        EXPECT_FALSE(f.CutModeGroup()->isEnabled());
        EXPECT_FALSE(f.MailerPathEdit()->isEnabled());
        EXPECT_FALSE(f.LogOptionsButton()->isEnabled());

        // Back to T-Mail: the mailer directory is found next to the log file.
        ChooseStyle(f, lsTMail);
        auto* tmail = dynamic_cast<TTMailLog*>(LogList()[0].get());
        ASSERT_NE(tmail, nullptr);
        EXPECT_EQ(tmail->MailerPath(), (dir / "tmail").string());
        EXPECT_EQ(f.MailerPathEdit()->Text().toStdString(), (dir / "tmail").string());
        EXPECT_TRUE(MenuShown("MITMail"));
        // Choosing the style it has changes nothing.
        ChooseStyle(f, lsTMail);
        EXPECT_EQ(LogList()[0].get(), tmail);

        // The custom log becomes a Bink-style log.
        f.SelectRow(3);
        EXPECT_EQ(f.StyleCombo()->currentText(), "Other");
        ChooseStyle(f, lsBink);
        EXPECT_EQ(LogList()[3]->Style, lsBink);
        f.OkButton()->click();
    });
    EXPECT_TRUE(dialogs.Shown.empty());
    Stop();
    const TIniFile saved(ini);
    EXPECT_EQ(saved.ReadInteger("Log1", "Style", -1), lsTMail);
    EXPECT_EQ(saved.ReadString("Log1", "MailerPath", ""), (dir / "tmail").string());
    EXPECT_EQ(saved.ReadInteger("Log4", "Style", -1), lsBink);
}

TEST_F(LogSetupTest, ALogOpenInAWindowKeepsItsStyleAndStaysRegistered)
{
    WriteIni(ThreeLogs());
    TFrameForm& f = Start();
    f.LogMenuItem(0)->trigger();
    QMdiSubWindow* sub = f.LogSubWindow(LogList()[0].get());
    ASSERT_NE(sub, nullptr);
    TLog* const open = LogList()[0].get();
    dialogs.Shown.clear();
    Setup([&](TLogsSetupForm& d) {
        ChooseStyle(d, lsArgus);
        ASSERT_EQ(dialogs.Shown.size(), 1u);
        EXPECT_EQ(dialogs.Shown[0].text, LGet(58));
        EXPECT_EQ(dialogs.Shown[0].type, TMsgDlgType::mtWarning);
        EXPECT_EQ(dialogs.Shown[0].buttons, unsigned(mbOK));
        EXPECT_EQ(LogList()[0].get(), open);
        EXPECT_EQ(open->Style, lsTMail);
        EXPECT_EQ(d.StyleCombo()->currentText(), "T-Mail");

        d.DeleteButton()->click();
        ASSERT_EQ(dialogs.Shown.size(), 2u);
        EXPECT_EQ(dialogs.Shown[1].text, LGet(58));
        EXPECT_EQ(LogList().size(), 3u);
        EXPECT_EQ(d.LogsList()->count(), 3);
        EXPECT_EQ(d.SelectedLog(), open);
        // Its other values may change.
        d.NameEdit()->setText("T-Mail line 1");
        EXPECT_EQ(f.LogMenuItem(0)->text(), "T-Mail line 1");
        d.OkButton()->click();
    });
    // Once its window is closed the log may be restyled.
    sub->close();
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(f.LogSubWindow(open), nullptr);
    dialogs.Shown.clear();
    Setup([&](TLogsSetupForm& d) {
        ChooseStyle(d, lsArgus);
        EXPECT_EQ(LogList()[0]->Style, lsArgus);
        d.OkButton()->click();
    });
    EXPECT_TRUE(dialogs.Shown.empty());
}

TEST_F(LogSetupTest, DeletingALogTakesItOutOfTheListAndTheMenu)
{
    WriteIni(ThreeLogs() + "[Argus.SessList]\nItem0=10\n");
    Start();
    Setup([&](TLogsSetupForm& f) {
        f.SelectRow(1);
        f.DeleteButton()->click();
        // Nothing is selected afterwards.
        EXPECT_EQ(ListTexts(f), QStringList({"T-Mail", "Plain"}));
        EXPECT_EQ(f.SelectedLog(), nullptr);
        EXPECT_FALSE(f.DeleteButton()->isEnabled());
        EXPECT_FALSE(f.NameEdit()->isEnabled());
        ASSERT_EQ(LogList().size(), 2u);
        EXPECT_EQ(LogList()[1]->Name, "Plain");
        EXPECT_EQ(LogsMenu(), QStringList({"T-Mail", "Plain"}));
        EXPECT_EQ(MenuItemTag(frame->LogMenuItem(1)), 2);
        EXPECT_FALSE(MenuShown("MIArgus"));
        EXPECT_FALSE(Ini().SectionExists("Argus.SessList"));
        // Delete without a selection does nothing.
        f.DeleteButton()->click();
        Key(f.LogsList(), Qt::Key_Delete);
        EXPECT_EQ(LogList().size(), 2u);

        f.SelectRow(0);
        Key(f.LogsList(), Qt::Key_Delete);
        f.SelectRow(0);
        f.DeleteButton()->click();
        EXPECT_EQ(f.LogsList()->count(), 0);
        EXPECT_TRUE(LogList().empty());
        EXPECT_FALSE(MenuShown("MILogs"));
        EXPECT_FALSE(MenuShown("MITMail"));
        // No logs: nothing to check.
        f.OkButton()->click();
    });
    EXPECT_TRUE(dialogs.Shown.empty());
    Stop();
    const TIniFile saved(ini);
    EXPECT_EQ(saved.ReadInteger("General", "NumLogs", -1), 0);
    EXPECT_FALSE(saved.SectionExists("Log1"));
}

TEST_F(LogSetupTest, EditingTheFieldsChangesTheSelectedLog)
{
    WriteIni(ThreeLogs());
    Start();
    Setup([&](TLogsSetupForm& f) {
        auto* tmail = dynamic_cast<TTMailLog*>(LogList()[0].get());
        ASSERT_NE(tmail, nullptr);
        // New-part detection off forgets the remembered line.
        f.AutoNewCheck()->click();
        EXPECT_FALSE(tmail->AutoNew);
        EXPECT_EQ(tmail->LastStr, "");
        f.AutoNewCheck()->click();
        EXPECT_TRUE(tmail->AutoNew);
        f.DLCCheck()->click();
        EXPECT_FALSE(tmail->UpdateDLC);

        // The size limit: off, then on again with 0 to start from.
        f.CutCheck()->click();
        EXPECT_EQ(tmail->CutSize, 0);
        EXPECT_TRUE(f.CutEdit()->text().isEmpty());
        EXPECT_FALSE(f.CutEdit()->isEnabled());
        EXPECT_FALSE(f.CutModeGroup()->isEnabled());
        f.CutCheck()->click();
        EXPECT_EQ(f.CutEdit()->text(), "0");
        EXPECT_TRUE(f.CutEdit()->isEnabled());
        EXPECT_TRUE(f.CutModeGroup()->isEnabled());
        EXPECT_EQ(f.CutModeGroup()->ItemIndex(), 1);
        // Only digits are taken.
        f.CutEdit()->clear();
        for (const auto& [key, c] : {std::pair{Qt::Key_1, "1"}, std::pair{Qt::Key_X, "x"}, std::pair{Qt::Key_2, "2"},
                                     std::pair{Qt::Key_Minus, "-"}, std::pair{Qt::Key_8, "8"}}) {
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString::fromLatin1(c));
            QApplication::sendEvent(f.CutEdit(), &press);
        }
        EXPECT_EQ(f.CutEdit()->text(), "128");
        EXPECT_EQ(tmail->CutSize, 128);
        f.CutModeGroup()->Button(0)->click();
        EXPECT_EQ(tmail->CutMode, 0);

        // A path picked fills an empty mailer directory; typing does it when the
        // field is left.
        f.MailerPathEdit()->SetText(QString());
        TFileEdit::SetPickAnswer([this](const TFileEdit& e) {
            EXPECT_EQ(e.DialogTitle(), "Select log file");
            EXPECT_EQ(e.Filter(), "Log Files|*.log|All Files|*.*");
            return std::optional<QString>(QString::fromStdString(ArgusLog()));
        });
        f.PathEdit()->Button()->click();
        EXPECT_EQ(tmail->Path, ArgusLog());
        EXPECT_EQ(tmail->MailerPath(), (dir / "argus").string());
        EXPECT_EQ(f.MailerPathEdit()->Text().toStdString(), (dir / "argus").string());
        // A full mailer directory stays as it is.
        TFileEdit::SetPickAnswer([this](const TFileEdit&) { return std::optional<QString>(QString::fromStdString(TMailLog())); });
        f.PathEdit()->Button()->click();
        EXPECT_EQ(tmail->Path, TMailLog());
        EXPECT_EQ(tmail->MailerPath(), (dir / "argus").string());
        // The directory picker.
        TFileEdit::SetPickAnswer([this](const TFileEdit& e) {
            EXPECT_EQ(e.Mode(), TFileEdit::fmDirectory);
            return std::optional<QString>(QString::fromStdString((dir / "tmail").string()));
        });
        f.MailerPathEdit()->Button()->click();
        EXPECT_EQ(tmail->MailerPath(), (dir / "tmail").string());
        // Cancel in a picker changes nothing.
        TFileEdit::SetPickAnswer([](const TFileEdit&) { return std::optional<QString>(); });
        f.PathEdit()->Button()->click();
        EXPECT_EQ(tmail->Path, TMailLog());

        // Log options: the T-Mail dialog over the setup dialog.
        int optionRuns = 0;
        onOptions = [&](QDialog& d) {
            ++optionRuns;
            auto* form = dynamic_cast<TTMailOptionsForm*>(&d);
            ASSERT_NE(form, nullptr);
            EXPECT_EQ(form->parentWidget(), &f);
            EXPECT_EQ(form->TaskNoEdit()->text(), "1");
            EXPECT_EQ(form->VersionGroup()->ItemIndex(), 3);
            form->TaskNoEdit()->setText("12");
            form->VersionGroup()->Button(4)->click();
            form->OkButton()->click();
        };
        f.LogOptionsButton()->click();
        onOptions = {};
        EXPECT_EQ(optionRuns, 1);
        EXPECT_EQ(tmail->TaskNo, 12);
        EXPECT_EQ(tmail->TMVersion, 2605);
        f.OkButton()->click();
    });
    Stop();
    const TIniFile saved(ini);
    EXPECT_EQ(saved.ReadInteger("Log1", "TaskNo", 0), 12);
    EXPECT_EQ(saved.ReadInteger("Log1", "TMVersion", 0), 2605);
    EXPECT_EQ(saved.ReadInteger("Log1", "CutSize", 0), 128);
    EXPECT_EQ(saved.ReadInteger("Log1", "CutMode", -1), 0);
    EXPECT_FALSE(saved.ReadBool("Log1", "UpdateDLC", true));
    EXPECT_EQ(saved.ReadString("Log1", "LastStr", "x"), "");
}

TEST_F(LogSetupTest, CustomLogsAreOfferedOnlyWithCustomHighlighting)
{
    std::string text = ThreeLogs() + "[Log4]\nName=Custom\nPath=" + PlainLog() + "\nStyle=9\n";
    text.replace(text.find("NumLogs=3"), 9, "NumLogs=4\nEnableCustomHighlighting=1");
    WriteIni(text);
    Start();
    ASSERT_EQ(LogList().size(), 4u);
    ASSERT_EQ(LogList()[3]->Style, lsCustom);
    Setup([&](TLogsSetupForm& f) {
        ASSERT_EQ(f.StyleCombo()->count(), 11);
        EXPECT_EQ(f.StyleCombo()->itemText(10), "Custom");
        f.SelectRow(3);
        EXPECT_EQ(f.StyleCombo()->currentText(), "Custom");
        // Its options have a dialog of their own, not this one's.
        EXPECT_FALSE(f.LogOptionsButton()->isEnabled());
        f.SelectRow(2);
        ChooseStyle(f, lsCustom);
        EXPECT_EQ(LogList()[2]->Style, lsCustom);
        f.OkButton()->click();
    });
}

TEST_F(LogSetupTest, TheFirstStartOffersTheDialog)
{
    TBatchDialogs yes(mrYes, true);
    SetDialogs(&yes);
    onSetup = [this](TLogsSetupForm& f) {
        f.AddButton()->click();
        ChooseStyle(f, lsTMail);
        TFileEdit::SetPickAnswer([this](const TFileEdit&) { return std::optional<QString>(QString::fromStdString(TMailLog())); });
        f.PathEdit()->Button()->click();
        f.NameEdit()->setText("My T-Mail");
        f.OkButton()->click();
    };
    Start();
    onSetup = {};
    SetDialogs(&dialogs);
    EXPECT_EQ(setupRuns, 1);
    // The About box, message 126, message 109: Yes opened the dialog.
    ASSERT_EQ(yes.Shown.size(), 3u);
    EXPECT_EQ(yes.Shown[2].text, LGet(109));
    ASSERT_EQ(LogList().size(), 1u);
    EXPECT_EQ(LogList()[0]->Name, "My T-Mail");
    EXPECT_EQ(LogList()[0]->Style, lsTMail);
    EXPECT_EQ(dynamic_cast<TMailerLog*>(LogList()[0].get())->MailerPath(), (dir / "tmail").string());
    EXPECT_EQ(LogsMenu(), QStringList({"My T-Mail"}));
    EXPECT_TRUE(MenuShown("MITMail"));
    // The new log opens from its menu item.
    frame->LogMenuItem(0)->trigger();
    EXPECT_NE(frame->LogSubWindow(LogList()[0].get()), nullptr);
}

TEST_F(LogSetupTest, RussianTexts)
{
    std::string text = ThreeLogs();
    text.replace(text.find("[General]\n"), 10, "[General]\nLanguage=QZ_Rus.lng\n");
    WriteIni(text);
    Start();
    ASSERT_EQ(TLng::LngName(), "QZ_Rus.lng");
    Setup([&](TLogsSetupForm& f) {
        EXPECT_EQ(f.windowTitle(), QString::fromUtf8("Логи"));
        EXPECT_EQ(f.AddButton()->text(), QString::fromUtf8("Новый"));
        EXPECT_EQ(f.CutModeGroup()->Items(), QStringList({QString::fromUtf8("Кбайт"), QString::fromUtf8("дней")}));
        EXPECT_EQ(f.PathEdit()->DialogTitle(), QString::fromUtf8("Выберите файл лога"));
        Screenshot(f, "TLogsSetupForm-Russian.png");
        // The line that fails: message 123 in Russian.
        f.NameEdit()->clear();
        f.OkButton()->click();
        ASSERT_EQ(dialogs.Shown.size(), 1u);
        EXPECT_EQ(dialogs.Shown[0].text, LGet(123));
        f.NameEdit()->setText("T-Mail");
        f.OkButton()->click();
    });
}

TEST_F(LogSetupTest, EveryLineOfTheDialogsSectionAppliesInBothLanguages)
{
    WriteIni(ThreeLogs());
    Start();
    Setup([&](TLogsSetupForm& f) {
        for (const char* file : {"/lng/QZ_Rus.lng", "/lng/QZ_Eng.lng"}) {
            LoadLng(std::string(TARVIX_SOURCE_DIR) + file);
            const auto lines = LngSectionLines("TLogsSetupForm");
            EXPECT_GT(lines.size(), 10u) << file;
            EXPECT_NO_THROW(ApplyLngLines(&f, lines)) << file;
            for (const auto& [name, value] : lines) {
                const std::size_t dot = name.find('.');
                if (dot != std::string::npos && name.substr(0, dot) != "*") {
                    EXPECT_NE(f.findChild<QObject*>(QString::fromStdString(name.substr(0, dot))), nullptr)
                        << file << ": " << name;
                }
            }
        }
        f.OkButton()->click();
    });
}

}  // namespace
}  // namespace tarvix
