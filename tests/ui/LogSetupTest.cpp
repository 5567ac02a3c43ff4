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

#include "TestSupport.h"

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
    void Screenshot(QWidget& w, const char* name) { test::SaveScreenshot(&w, name); }

    test::TempDir temp;
    fs::path dir = temp.path;
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
        EXPECT_EQ(ListTexts(f), QStringList({"T-Mail", "Argus", "Plain"}));
        // Without custom highlighting there is no "Custom" style.
        ASSERT_EQ(f.StyleCombo()->count(), 9);
        EXPECT_EQ(f.StyleCombo()->itemText(0), "T-Mail");
        EXPECT_EQ(f.StyleCombo()->itemText(8), "Other");

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
        EXPECT_EQ(f.CutModeGroup()->Items(), QStringList({"KBytes", "days"}));
        Screenshot(f, "TLogsSetupForm");

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

}  // namespace
}  // namespace tarvix
