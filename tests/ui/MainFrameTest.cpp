// The main frame (start-up from the settings, first-run questions, the Logs menu,
// shutdown and restore, damaged settings, Alt+X), the logs setup dialog it opens and
// the option dialogs of the T-Mail, Brake!, SF-Mail and Argus logs: what they show of
// a log, what OK and Cancel leave in it, and their help pages and language lines.
#include "engine/ArgusLog.h"
#include "engine/BrakeLog.h"
#include "engine/LogStyles.h"
#include "engine/SFMailLog.h"
#include "engine/TMailLog.h"
#include "fido/Dialogs.h"
#include "fido/Lng.h"
#include "platform/IniFile.h"
#include "settings/SettingsStore.h"
#include "ui/ArgusOptions.h"
#include "ui/BrakeOptions.h"
#include "ui/ChildForm.h"
#include "ui/FileEdit.h"
#include "ui/FontChoice.h"
#include "ui/HelpWindow.h"
#include "ui/LngComponent.h"
#include "ui/LogSetup.h"
#include "ui/MenuUtils.h"
#include "ui/ModalHook.h"
#include "ui/RadioGroup.h"
#include "ui/SFMailOptions.h"
#include "ui/TMailOptions.h"
#include "ui/MainFrame.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QUrl>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tarvix {
namespace {

namespace fs = std::filesystem;

class FrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegisterGenericLogStyles();
        UnloadLng();
        fs::create_directories(dir / "argus");
        // Copies of the sample installations: the program may write next to its logs.
        fs::copy(TARVIX_SOURCE_DIR "/samples/tmail", dir / "tmail", fs::copy_options::recursive);
        fs::copy_file(TARVIX_SOURCE_DIR "/samples/argus/argus-3131.log", dir / "argus" / "argus-3131.log");
        std::ofstream(dir / "plain.log") << "just some text\nin a file\n";
        ini = (dir / "Tarvix.ini").string();
        SetDialogs(&dialogs);
    }

    void TearDown() override
    {
        frame.reset();
        SetDialogs(nullptr);
        TFrameForm::SetOpenFileAnswer({});
        SetFontAnswer({});
    }

    std::string TMailLog() const { return (dir / "tmail" / "t-mail.log").string(); }
    std::string ArgusLog() const { return (dir / "argus" / "argus-3131.log").string(); }

    // Settings that register the T-Mail and the Argus sample logs.
    std::string TwoLogs(const std::string& extraGeneral = "") const
    {
        return "[General]\nNumLogs=2\nMainAddr=2:5020/52\n" + extraGeneral +
               "\n[Log1]\nName=T-Mail\nPath=" + TMailLog() + "\nStyle=1\nMailerPath=" + (dir / "tmail").string() +
               "\nTMVersion=2604\nTaskNo=1\n\n[Log2]\nName=Argus\nPath=" + ArgusLog() + "\nStyle=8\n";
    }

    void WriteIni(const std::string& text) { std::ofstream(ini, std::ios::binary) << text; }

    TFrameForm& Start(std::vector<std::string> params = {})
    {
        dialogs.Shown.clear();
        frame = std::make_unique<TFrameForm>(std::move(params), ini);
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

    QMenu* Menu(const char* name) const { return frame->findChild<QMenu*>(name); }
    QAction* Item(const char* name) const { return frame->findChild<QAction*>(name); }
    bool MenuShown(const char* name) const { return Menu(name)->menuAction()->isVisible(); }

    bool WasShown(const std::string& part) const
    {
        for (const TDialogRequest& r : dialogs.Shown)
            if (r.text.find(part) != std::string::npos)
                return true;
        return false;
    }

    void Screenshot(const char* name) { test::SaveScreenshot(frame.get(), name); }

    test::TempDir temp;
    fs::path dir = temp.path;
    std::string ini;
    TBatchDialogs dialogs{mrNo, true};
    std::unique_ptr<TFrameForm> frame;
};

TEST_F(FrameTest, AFreshStartAsksTheFirstRunQuestions)
{
    TFrameForm& f = Start();
    ASSERT_FALSE(f.StartupFailed());
    EXPECT_FALSE(MenuShown("MILogs"));
    // The About box, then message 126, then message 109 (no logs).
    ASSERT_EQ(dialogs.Shown.size(), 3u);
    EXPECT_EQ(dialogs.Shown[0].caption, "About Tarvix");
    EXPECT_EQ(dialogs.Shown[1].text, LGet(126));
    EXPECT_EQ(dialogs.Shown[2].text, LGet(109));
    EXPECT_EQ(OpenHelpWindow(), nullptr);
    Stop();
    // The main address is in the settings now: the next start asks only about logs.
    // Yes opens the logs setup.
    TBatchDialogs yes(mrYes, true);
    SetDialogs(&yes);
    QStringList opened;
    SetModalRunner([&opened](QDialog& d) {
        opened << d.objectName();
        d.reject();
        return d.result();
    });
    Start();
    SetModalRunner({});
    ASSERT_EQ(yes.Shown.size(), 1u);
    EXPECT_EQ(yes.Shown[0].text, LGet(109));
    EXPECT_EQ(opened, QStringList({"TLogsSetupForm"}));
    EXPECT_EQ(OpenHelpWindow(), nullptr);
    Stop();
    SetDialogs(&dialogs);
}

TEST_F(FrameTest, TheLogsMenuOpensALogOrBringsItsWindowToTheFront)
{
    WriteIni(TwoLogs());
    TFrameForm& f = Start();
    TLog* tmail = LogList()[0].get();
    TLog* argus = LogList()[1].get();
    f.LogMenuItem(0)->trigger();
    QMdiSubWindow* first = f.LogSubWindow(tmail);
    ASSERT_NE(first, nullptr);
    EXPECT_NE(FindLogWindow(f.MdiArea(), tmail), nullptr);
    EXPECT_EQ(f.CurrentLog(), tmail);
    f.LogMenuItem(1)->trigger();
    QMdiSubWindow* second = f.LogSubWindow(argus);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(f.MdiArea()->subWindowList().size(), 2);
    EXPECT_EQ(f.MdiArea()->activeSubWindow(), second);
    // Choosing the first again opens nothing new.
    f.LogMenuItem(0)->trigger();
    EXPECT_EQ(f.MdiArea()->subWindowList().size(), 2);
    EXPECT_EQ(f.MdiArea()->activeSubWindow(), first);
    f.OpenLog(tmail);
    EXPECT_EQ(f.MdiArea()->subWindowList().size(), 2);
    Screenshot("TarvixF");

    // An item whose tag is no list position: the error is shown, not thrown.
    SetMenuItemTag(f.LogMenuItem(1), 7);
    f.LogMenuItem(1)->trigger();
    ASSERT_FALSE(dialogs.Shown.empty());
    EXPECT_EQ(dialogs.Shown.back().text, "Invalid Log tag");
}

// A file dropped on the main window opens as with File > View log and joins
// File > Reopen (the newest first, ten at most, each once), which opens it again.
TEST_F(FrameTest, DroppedFilesOpenAndAreOfferedForReopening)
{
    WriteIni(TwoLogs());
    TFrameForm& f = Start();
    auto drop = [&](const fs::path& file) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(QString::fromStdString(file.string()))});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&f, &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent event(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&f, &event);
    };
    drop(dir / "plain.log");
    ASSERT_EQ(f.MdiArea()->subWindowList().size(), 1);
    f.MdiArea()->subWindowList().front()->showMaximized();
    QApplication::processEvents();
    EXPECT_EQ(f.windowTitle().count("plain.log"), 1) << f.windowTitle().toStdString();
    // Also after the language is applied and with another log maximised.
    LoadLng(std::string(TARVIX_SOURCE_DIR) + "/lng/QZ_Eng.lng");
    ApplyLng(&f, "TFrameForm");
    f.OpenLog(LogList()[0].get());
    QApplication::processEvents();
    EXPECT_EQ(f.windowTitle(), "Tarvix - [T-Mail]");
    for (int i = 0; i < 12; ++i) {
        const fs::path other = dir / ("log" + std::to_string(i) + ".txt");
        std::ofstream(other) << "line\n";
        f.OpenLogFile(other.string());
    }
    f.OpenLogFile((dir / "log5.txt").string());
    // Damaged entries of the section: a style that is no number or out of range
    // reads as plain text, an empty name is no entry, a repeated one counts once.
    Ini().WriteString("Reopen", "Style2", "x7");
    Ini().WriteString("Reopen", "File3", "");
    Ini().WriteString("Reopen", "File4", Ini().ReadString("Reopen", "File1", ""));
    Ini().WriteString("Reopen", "Style5", "-4");
    Menu("MIFile")->popup(QPoint(0, 0));
    EXPECT_EQ(Menu("MIReopen")->actions().size(), 8);
    Menu("MIFile")->close();
    f.OpenLogFile((dir / "log0.txt").string());
    f.OpenLogFile((dir / "log1.txt").string());
    Menu("MIFile")->popup(QPoint(0, 0));
    QMenu* reopen = Menu("MIReopen");
    const QList<QAction*> items = reopen->actions();
    ASSERT_EQ(items.size(), 10);
    EXPECT_TRUE(items[0]->text().endsWith("/log1.txt"));
    EXPECT_TRUE(items[1]->text().endsWith("/log0.txt"));
    EXPECT_TRUE(items[2]->text().endsWith("/log5.txt"));
    EXPECT_TRUE(items[3]->text().endsWith("/log11.txt"));
    Menu("MIFile")->close();
    const auto before = f.MdiArea()->subWindowList().size();
    items[9]->trigger();
    EXPECT_EQ(f.MdiArea()->subWindowList().size(), before + 1);
}

TEST_F(FrameTest, ShutdownWritesTheSettingsAndTheNextStartRestoresThem)
{
    WriteIni(TwoLogs());
    TFrameForm& f = Start();
    f.LogMenuItem(0)->trigger();
    f.OpenLogFile((dir / "plain.log").string());
    ASSERT_EQ(f.MdiArea()->subWindowList().size(), 2);
    SetFontAnswer([](const QFont&) {
        QFont font("DejaVu Sans Mono");
        font.setPointSize(13);
        font.setItalic(true);
        return std::optional<QFont>(font);
    });
    Item("MILogFont")->trigger();
    EXPECT_TRUE(Settings().LogFont.Italic);
    SetFontAnswer([](const QFont&) { return std::optional<QFont>(); });  // Cancel
    Item("MIGridFont")->trigger();
    EXPECT_EQ(Settings().GridFont, TFontSpec{});
    f.showNormal();
    f.setGeometry(50, 60, 700, 500);
    QApplication::processEvents();
    Stop();

    const TIniFile saved(ini);
    EXPECT_EQ(saved.ReadInteger("General", "NumLogs", 0), 2);
    EXPECT_EQ(saved.ReadString("General", "MainAddr", ""), "2:5020/52");
    EXPECT_NE(saved.ReadString("General", "LogFont", "").find("13,I"), std::string::npos);
    EXPECT_TRUE(saved.ReadBool("T-Mail.MainWnd", "Open", false));
    EXPECT_FALSE(saved.ReadBool("Argus.MainWnd", "Open", true));
    EXPECT_EQ(saved.ReadInteger("Log1", "TMVersion", 0), 2604);
    // The temporary log is no registered log.
    EXPECT_FALSE(saved.SectionExists("Log3"));
    EXPECT_EQ(saved.ReadInteger("TFrameForm", "ShowCmd", 0), 1);
    EXPECT_EQ(saved.ReadString("TFrameForm", "NormPos", ""), "50,60,750,560");

    // The next start: the T-Mail window is back, the fonts and the placement too.
    TFrameForm& g = Start();
    EXPECT_TRUE(g.DesktopRestored());
    EXPECT_NE(g.LogSubWindow(LogList()[0].get()), nullptr);
    EXPECT_EQ(g.LogSubWindow(LogList()[1].get()), nullptr);
    EXPECT_EQ(Settings().LogFont.Size, 13);
    EXPECT_FALSE(g.isMaximized());
    EXPECT_EQ(g.size(), QSize(700, 500));
    for (const TDialogRequest& r : dialogs.Shown)  // only the warnings of an analysis
        EXPECT_EQ(r.type, TMsgDlgType::mtWarning) << r.text;
}

TEST_F(FrameTest, ADamagedSettingsFileStillStarts)
{
    // A count beyond the sections, styles that are no styles, a custom log while
    // custom highlighting is off, a main address that is none, and garbage lines.
    const std::string text =
        "\x01\x02garbage\xff\xfe\n[General]\nNumLogs=99\nMainAddr=not an address\nSaveDesktop=maybe\n"
        "\x80\x81\x82\n[Log1]\nName=Odd style\nPath=" +
        (dir / "plain.log").string() +
        "\nStyle=42\n[Log2]\nName=Custom\nPath=" + (dir / "plain.log").string() +
        "\nStyle=9\nLineMask=yyyy-mm-dd\nHStringCnt=1\nHString0=NoSuchColour;x\n[Log3]\nName=Text style\nPath=" +
        (dir / "plain.log").string() + "\nStyle=abc\n[Log3\n";
    WriteIni(text);
    TFrameForm& f = Start();
    ASSERT_FALSE(f.StartupFailed());
    ASSERT_EQ(LogList().size(), 3u);
    for (const auto& log : LogList())
        EXPECT_EQ(log->Style, lsPlain) << log->Name;
    EXPECT_EQ(Menu("MILogs")->actions().size(), 3);
    EXPECT_TRUE(WasShown("not an address"));
    // Each style that is none is named, with the style used instead.
    EXPECT_TRUE(WasShown("[Log1] Style=42 is not a valid value; 0 is used"));
    EXPECT_TRUE(WasShown("[Log3] Style=abc is not a valid value; 0 is used"));
    f.LogMenuItem(0)->trigger();
    EXPECT_NE(f.LogSubWindow(LogList()[0].get()), nullptr);
    Stop();
    // The style numbers this run could not use are kept, with the custom log's values.
    const TIniFile saved(ini);
    EXPECT_EQ(saved.ReadInteger("General", "NumLogs", 0), 3);
    EXPECT_EQ(saved.ReadInteger("Log1", "Style", -1), 42);
    EXPECT_EQ(saved.ReadInteger("Log2", "Style", -1), lsCustom);
    EXPECT_EQ(saved.ReadString("Log2", "LineMask", ""), "yyyy-mm-dd");
    EXPECT_EQ(saved.ReadInteger("Log3", "Style", -1), lsPlain);

    // A settings file that cannot be read is never overwritten: the program stops.
    fs::remove(ini);
    fs::create_directories(ini);
    TFrameForm& h = Start();
    EXPECT_TRUE(h.StartupFailed());
    ASSERT_EQ(dialogs.Shown.size(), 1u);
    EXPECT_EQ(dialogs.Shown[0].text, ini + ": not a regular file");
    Stop();
    EXPECT_TRUE(fs::is_directory(ini));
    fs::remove_all(ini);
}

TEST_F(FrameTest, AltXClosesTheProgramFromAnyWindow)
{
    WriteIni(TwoLogs());
    TFrameForm& f = Start();
    f.LogMenuItem(0)->trigger();
    QMdiSubWindow* sub = f.LogSubWindow(LogList()[0].get());
    ASSERT_NE(sub, nullptr);
    QWidget* target = sub->widget() ? sub->widget() : sub;
    int closed = 0;
    QObject::connect(&f, &TFrameForm::FrameClosed, [&closed] { ++closed; });
    // Alt+Shift+X is another key.
    QKeyEvent shifted(QEvent::KeyPress, Qt::Key_X, Qt::AltModifier | Qt::ShiftModifier, "X");
    QApplication::sendEvent(target, &shifted);
    QApplication::processEvents();
    EXPECT_EQ(closed, 0);
    QKeyEvent capsLock(QEvent::KeyPress, Qt::Key_X, Qt::AltModifier, "X");
    QApplication::sendEvent(target, &capsLock);
    QApplication::processEvents();
    EXPECT_EQ(closed, 0);
    // The same key in a Cyrillic layout.
    QKeyEvent altX(QEvent::KeyPress, Qt::Key_X, Qt::AltModifier, QString::fromUtf8("ч"));
    QApplication::sendEvent(target, &altX);
    QApplication::processEvents();
    EXPECT_EQ(closed, 1);
    EXPECT_FALSE(f.isVisible());
    EXPECT_TRUE(TIniFile(ini).ReadBool("T-Mail.MainWnd", "Open", false));
}

// The logs setup dialog (Options > Logs...): the test's steps run in it.
class LogSetupTest : public FrameTest {
protected:
    void SetUp() override
    {
        FrameTest::SetUp();
        SetModalRunner([this](QDialog& d) {
            d.show();
            if (auto* setup = dynamic_cast<TLogsSetupForm*>(&d); setup && onSetup)
                onSetup(*setup);
            else
                d.reject();
            return d.result();
        });
    }
    void TearDown() override
    {
        FrameTest::TearDown();
        SetModalRunner({});
        TFileEdit::SetPickAnswer({});
        if (THelpWindow* help = OpenHelpWindow())
            delete help;
    }

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
    // Opens Options > Logs... and runs the test's steps in the dialog.
    void Setup(std::function<void(TLogsSetupForm&)> steps)
    {
        onSetup = std::move(steps);
        Item("MILogsSetup")->trigger();
        onSetup = {};
    }
    static void Key(QWidget* w, int key)
    {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(w, &press);
    }
    static void ChooseStyle(TLogsSetupForm& f, int style)
    {
        const char* names[] = {"Other", "T-Mail", "Generic Bink-style", "Generic FrontDoor", "Brake!",
                               "Bink/+", "FhMail", "SF-Mail", "Argus", "Custom"};
        f.StyleCombo()->setCurrentIndex(f.StyleCombo()->findText(QString::fromLatin1(names[style])));
    }

    std::function<void(TLogsSetupForm&)> onSetup;
};

TEST_F(LogSetupTest, TheDialogStaysOpenWithoutANamePathOrMailerDirectory)
{
    WriteIni(ThreeLogs());
    Start();
    int finished = 0;
    Setup([&](TLogsSetupForm& f) {
        QObject::connect(&f, &QDialog::finished, [&finished] { ++finished; });
        test::SaveScreenshot(&f, "TLogsSetupForm");
        // The third log without a name (blanks and tabs are none).
        f.SelectRow(2);
        f.NameEdit()->setText(" \t ");
        f.SelectRow(0);
        f.OkButton()->click();
        EXPECT_EQ(finished, 0);
        EXPECT_TRUE(f.isVisible());
        ASSERT_EQ(dialogs.Shown.size(), 1u);
        EXPECT_EQ(dialogs.Shown[0].text, LGet(123));
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
        EXPECT_EQ(after->Path, TMailLog());
        EXPECT_TRUE(after->AutoNew);
        EXPECT_EQ(after->CutSize, 64);
        // ... and so do the mailer directory and the counters of a mailer log;
        // the remembered line and the highlighting are the new log's own.
        auto* mailer = dynamic_cast<TMailerLog*>(after);
        EXPECT_EQ(mailer->MailerPath(), (dir / "tmail").string());
        EXPECT_TRUE(mailer->UpdateDLC);
        EXPECT_EQ(after->LastStr, "");
        EXPECT_TRUE(after->Highlight);
        // The dialog shows the new log; the menus follow its style.
        EXPECT_TRUE(f.LogOptionsButton()->isEnabled());
        EXPECT_FALSE(MenuShown("MITMail"));
        EXPECT_TRUE(MenuShown("MIArgus"));
        EXPECT_EQ(MenuItemTag(frame->LogMenuItem(0)), 1);

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
    EXPECT_EQ(saved.ReadInteger("Log1", "Style", -1), lsArgus);
    EXPECT_EQ(saved.ReadString("Log1", "MailerPath", ""), (dir / "tmail").string());
    EXPECT_EQ(saved.ReadInteger("Log4", "Style", -1), lsBink);
}

class LogOptionsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        UnloadLng();
        LoadLng(std::string(TARVIX_SOURCE_DIR) + "/lng/QZ_Eng.lng");
    }
    void TearDown() override
    {
        TFileEdit::SetPickAnswer({});
        if (THelpWindow* help = OpenHelpWindow())
            delete help;
        UnloadLng();
    }

    // Opens the dialog as the program would (without waiting) and counts its closes.
    void Open(QDialog& d)
    {
        finished = 0;
        QObject::connect(&d, &QDialog::finished, [this] { ++finished; });
        d.show();
    }
    static void Key(QWidget* w, int key, const QString& text = {})
    {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QApplication::sendEvent(w, &press);
    }
    static QString HelpPage()
    {
        return OpenHelpWindow() ? OpenHelpWindow()->CurrentPage().fileName() : QString();
    }
    // Every line of the dialog's section in both language files applies, and names a
    // component the dialog has.
    static void CheckSections(QWidget& form, const char* section)
    {
        for (const char* file : {"/lng/QZ_Rus.lng", "/lng/QZ_Eng.lng"}) {
            LoadLng(std::string(TARVIX_SOURCE_DIR) + file);
            const auto lines = LngSectionLines(section);
            EXPECT_GE(lines.size(), 4u) << file << " " << section;
            EXPECT_NO_THROW(ApplyLngLines(&form, lines)) << file << " " << section;
            for (const auto& [name, value] : lines) {
                const std::size_t dot = name.find('.');
                if (dot != std::string::npos && name.substr(0, dot) != "*") {
                    EXPECT_NE(form.findChild<QObject*>(QString::fromStdString(name.substr(0, dot))), nullptr)
                        << file << ": " << name;
                }
            }
        }
    }

    test::CapturedDialogs dialogs;
    int finished = 0;
};

TEST_F(LogOptionsTest, TMailTaskNumberAndVersion)
{
    TTMailLog log;
    log.TaskNo = 3;
    log.TMVersion = 2603;
    TTMailOptionsForm form(log);
    Open(form);
    EXPECT_EQ(form.VersionGroup()->ItemIndex(), 2);
    test::SaveScreenshot(&form, "TTMailOptionsForm");

    // Out of range (a paste is not filtered): no button closes the dialog.
    form.TaskNoEdit()->setText("300");
    form.OkButton()->click();
    form.CancelButton()->click();
    Key(&form, Qt::Key_Escape);
    form.close();
    EXPECT_EQ(finished, 0);
    EXPECT_TRUE(form.isVisible());
    ASSERT_EQ(dialogs.Count(), 4u);
    EXPECT_EQ(dialogs.dialogs.Shown[0].text, Fmt(149, {"300"}));
    EXPECT_EQ(form.TaskNoEdit()->selectedText(), "300");
    for (const char* bad : {"", "256", "1x", "-1"}) {
        form.TaskNoEdit()->setText(bad);
        form.OkButton()->click();
    }
    EXPECT_EQ(finished, 0);
    EXPECT_EQ(dialogs.Count(), 8u);

    // Cancel with a valid number: the log keeps its values.
    form.TaskNoEdit()->setText("0");
    form.CancelButton()->click();
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(log.TaskNo, 3);

    // OK takes them, and the settings keep them.
    TTMailOptionsForm second(log);
    Open(second);
    second.TaskNoEdit()->setText(" 0 ");
    second.VersionGroup()->Button(0)->click();
    second.OkButton()->click();
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(log.TaskNo, 0);
    EXPECT_EQ(log.TMVersion, 2599);

    second.HelpButton()->click();
    EXPECT_EQ(HelpPage(), "tmail.html");
    CheckSections(second, "TTMailOptionsForm");
}

TEST_F(LogOptionsTest, BrakeVersionAndLayout)
{
    TBrakeLog log;
    ASSERT_EQ(log.BrkVersion(), 701);
    ASSERT_EQ(log.MsgCol, 25);
    // OK: the version and the layout, and the message column that goes with them.
    TBrakeOptionsForm second(log);
    Open(second);
    EXPECT_EQ(second.VersionGroup()->ItemIndex(), 0);
    test::SaveScreenshot(&second, "TBrakeOptionsForm");
    second.VersionGroup()->Button(2)->click();
    second.OkButton()->click();
    EXPECT_EQ(log.BrkVersion(), 716);
    EXPECT_EQ(log.MsgCol, 28);
    TBrakeOptionsForm third(log);
    Open(third);
    EXPECT_EQ(third.VersionGroup()->ItemIndex(), 2);
    third.BinkStyleCheck()->click();
    third.OkButton()->click();
    EXPECT_TRUE(log.BinkStyle());
    EXPECT_EQ(log.MsgCol, 24);

    // A stored version no item stands for stays when no item is chosen.
    log.SetBrkVersion(705);
    TBrakeOptionsForm fourth(log);
    Open(fourth);
    EXPECT_EQ(fourth.VersionGroup()->ItemIndex(), -1);
    fourth.OkButton()->click();
    EXPECT_EQ(log.BrkVersion(), 705);

    fourth.HelpButton()->click();
    EXPECT_EQ(HelpPage(), "brake.html");
    CheckSections(fourth, "TBrakeOptionsForm");
}

TEST_F(LogOptionsTest, SFMailConfigurationFile)
{
    TSFMailLog log;
    TSFOptionsForm second(log);
    Open(second);
    test::SaveScreenshot(&second, "TSFOptionsForm");
    TFileEdit::SetPickAnswer([](const TFileEdit& e) {
        EXPECT_EQ(e.Mode(), TFileEdit::fmFile);
        EXPECT_EQ(e.DialogTitle(), "Select SF-Mail config file");
        EXPECT_EQ(QtNameFilters(e.Filter()), QStringList({"Config Files (*.cfg)", "All Files (*)"}));
        return std::optional<QString>("/fido/sf/cfg/sf-mail.cfg");
    });
    second.ConfigPathEdit()->Button()->click();
    EXPECT_EQ(second.ConfigPathEdit()->Text(), "/fido/sf/cfg/sf-mail.cfg");
    second.OkButton()->click();
    EXPECT_EQ(log.CfgPath, "/fido/sf/cfg/sf-mail.cfg");
    EXPECT_EQ(log.ConfigFileName(), "/fido/sf/cfg/sf-mail.cfg");

    // Emptied, the configuration is the mailer's default one again.
    TSFOptionsForm third(log);
    Open(third);
    EXPECT_EQ(third.ConfigPathEdit()->Text(), "/fido/sf/cfg/sf-mail.cfg");
    third.ConfigPathEdit()->SetText("");
    third.OkButton()->click();
    EXPECT_EQ(log.CfgPath, "");

    third.HelpButton()->click();
    EXPECT_EQ(HelpPage(), "sfmail.html");
    CheckSections(third, "TSFOptionsForm");
}

TEST_F(LogOptionsTest, ArgusVersionAndLayout)
{
    TArgusLog log;
    ASSERT_EQ(log.ArgusVersion(), 3131);
    ASSERT_EQ(log.MsgCol, 22);
    TArgusOptionsForm second(log);
    Open(second);
    EXPECT_EQ(second.VersionGroup()->ItemIndex(), 0);
    test::SaveScreenshot(&second, "TArgusOptionsForm");
    second.VersionGroup()->Button(1)->click();
    second.OkButton()->click();
    EXPECT_EQ(log.ArgusVersion(), 3132);
    EXPECT_EQ(log.MsgCol, 24);
    EXPECT_TRUE(log.LongYear());

    second.HelpButton()->click();
    EXPECT_EQ(HelpPage(), "argus.html");
    CheckSections(second, "TArgusOptionsForm");
}

}  // namespace
}  // namespace tarvix
