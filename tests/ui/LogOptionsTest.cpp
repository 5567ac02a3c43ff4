// The option dialogs of the T-Mail, Brake!, SF-Mail and Argus logs: what they show
// of a log, what OK and Cancel leave in it, and their help pages and language lines.
#include "engine/ArgusLog.h"
#include "engine/BrakeLog.h"
#include "engine/SFMailLog.h"
#include "engine/TMailLog.h"
#include "fido/Lng.h"
#include "ui/ArgusOptions.h"
#include "ui/BrakeOptions.h"
#include "ui/FileEdit.h"
#include "ui/HelpWindow.h"
#include "ui/LngComponent.h"
#include "ui/RadioGroup.h"
#include "ui/SFMailOptions.h"
#include "ui/TMailOptions.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

#include <string>

namespace tarvix {
namespace {

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
    EXPECT_EQ(dialogs.dialogs.Shown[0].type, TMsgDlgType::mtError);
    EXPECT_EQ(form.TaskNoEdit()->selectedText(), "300");
    for (const char* bad : {"", "256", "1x", "-1"}) {
        form.TaskNoEdit()->setText(bad);
        form.OkButton()->click();
        EXPECT_EQ(finished, 0) << bad;
    }
    EXPECT_EQ(dialogs.Count(), 8u);

    // Cancel with a valid number: the log keeps its values.
    form.TaskNoEdit()->setText("0");
    form.VersionGroup()->Button(4)->click();
    form.CancelButton()->click();
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(log.TaskNo, 3);
    EXPECT_EQ(log.TMVersion, 2603);

    // OK takes them, and the settings keep them.
    TTMailOptionsForm second(log);
    Open(second);
    second.TaskNoEdit()->setText(" 0 ");
    second.VersionGroup()->Button(0)->click();
    second.OkButton()->click();
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(log.TaskNo, 0);
    EXPECT_EQ(log.TMVersion, 2599);

    // A version no item names stays when no item is chosen.
    log.TMVersion = 2601;
    TTMailOptionsForm third(log);
    Open(third);
    EXPECT_EQ(third.VersionGroup()->ItemIndex(), -1);
    third.TaskNoEdit()->setText("255");
    third.OkButton()->click();
    EXPECT_EQ(log.TMVersion, 2601);
    EXPECT_EQ(log.TaskNo, 255);

    TTMailOptionsForm help(log);
    help.HelpButton()->click();
    EXPECT_EQ(HelpPage(), "tmail.html");
    CheckSections(help, "TTMailOptionsForm");
}

TEST_F(LogOptionsTest, BrakeVersionAndLayout)
{
    TBrakeLog log;
    ASSERT_EQ(log.BrkVersion(), 701);
    ASSERT_EQ(log.MsgCol, 25);
    TBrakeOptionsForm form(log);
    Open(form);
    EXPECT_EQ(form.VersionGroup()->ItemIndex(), 0);
    EXPECT_FALSE(form.BinkStyleCheck()->isChecked());
    test::SaveScreenshot(&form, "TBrakeOptionsForm");

    // OK: the version and the layout, and the message column that goes with them.
    TBrakeOptionsForm second(log);
    Open(second);
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
    TSFOptionsForm form(log);
    Open(form);
    EXPECT_TRUE(form.ConfigPathEdit()->Text().isEmpty());
    test::SaveScreenshot(&form, "TSFOptionsForm");
    form.ConfigPathEdit()->SetText("/fido/sf/other.cfg");
    form.CancelButton()->click();
    EXPECT_EQ(log.CfgPath, "");

    TSFOptionsForm second(log);
    Open(second);
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
    TArgusOptionsForm form(log);
    Open(form);
    EXPECT_EQ(form.VersionGroup()->ItemIndex(), 0);
    test::SaveScreenshot(&form, "TArgusOptionsForm");

    TArgusOptionsForm second(log);
    Open(second);
    second.VersionGroup()->Button(1)->click();
    second.OkButton()->click();
    EXPECT_EQ(log.ArgusVersion(), 3132);
    EXPECT_EQ(log.MsgCol, 24);
    EXPECT_TRUE(log.LongYear());

    log.SetArgusVersion(3140);
    TArgusOptionsForm third(log);
    Open(third);
    EXPECT_EQ(third.VersionGroup()->ItemIndex(), -1);
    third.OkButton()->click();
    EXPECT_EQ(log.ArgusVersion(), 3140);

    third.HelpButton()->click();
    EXPECT_EQ(HelpPage(), "argus.html");
    CheckSections(third, "TArgusOptionsForm");
}

}  // namespace
}  // namespace tarvix
