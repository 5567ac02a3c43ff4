// The general, colour and custom-log option dialogs: what they refuse, what OK and
// Cancel leave in the settings and the log, and a new user's way from a fresh
// settings file to options seen at once in the open log window and kept in the file.
#include "engine/LogStyles.h"
#include "fido/FidoAddr.h"
#include "fido/Lng.h"
#include "platform/IniFile.h"
#include "settings/SettingsStore.h"
#include "ui/ColorOptions.h"
#include "ui/CustomLogOptions.h"
#include "ui/FontChoice.h"
#include "ui/GeneralOptions.h"
#include "ui/LngComponent.h"
#include "ui/LogView.h"
#include "ui/LogWindow.h"
#include "ui/MainFrame.h"
#include "ui/ModalHook.h"

#include "TestSupport.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>

#include <fstream>

namespace tarvix {
namespace {

class OptionsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegisterGenericLogStyles();
        LoadLng(std::string(TARVIX_SOURCE_DIR) + "/lng/QZ_Eng.lng");
        SetDialogs(&dialogs.dialogs);
    }
    void TearDown() override
    {
        SetModalRunner({});
        SetFontAnswer({});
        TCustomOptionsForm::SetFileAnswer({});
        UnloadLng();
    }
    void Open(QDialog& d)
    {
        finished = 0;
        QObject::connect(&d, &QDialog::finished, [this] { ++finished; });
        d.show();
    }
    // The dialog's section of both language files applies and names its components.
    static void CheckSections(QWidget& form, const char* section)
    {
        for (const char* file : {"/lng/QZ_Rus.lng", "/lng/QZ_Eng.lng"}) {
            LoadLng(std::string(TARVIX_SOURCE_DIR) + file);
            const auto lines = LngSectionLines(section);
            EXPECT_NO_THROW(ApplyLngLines(&form, lines)) << file;
            for (const auto& [name, value] : lines)
                if (name.find('.') != std::string::npos)
                    EXPECT_NE(form.findChild<QObject*>(QString::fromStdString(name.substr(0, name.find('.')))), nullptr)
                        << file << ": " << name;
        }
    }

    test::TempDir temp;
    std::string ini = temp / "Tarvix.ini";
    test::CapturedDialogs dialogs{mrYes};
    int finished = 0;
};

TEST_F(OptionsTest, GeneralOptionsRefuseABadMainAddressOnAnyButton)
{
    OpenSettings(ini);
    LoadSettings();
    TGeneralSetupForm form;
    Open(form);
    test::SaveScreenshot(&form, "TGeneralSetupForm");
    form.Pages()->setCurrentIndex(1);
    form.MainAddrEdit()->setText("2:5020/x");
    form.CancelButton()->click();
    form.OkButton()->click();
    EXPECT_EQ(finished, 0);
    ASSERT_EQ(dialogs.Count(), 2u);
    EXPECT_EQ(dialogs.dialogs.Shown[0].text, LGet(115));
    EXPECT_EQ(form.Pages()->currentIndex(), 0);
    EXPECT_EQ(form.MainAddrEdit()->selectedText(), "2:5020/x");

    // Letters do not reach "Digits"; an empty field is 0; an empty address keeps
    // the main address.
    QKeyEvent letter(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
    QApplication::sendEvent(form.DLCDigitsEdit(), &letter);
    EXPECT_EQ(form.DLCDigitsEdit()->text(), "3");
    form.DLCDigitsEdit()->clear();
    form.MainAddrEdit()->clear();
    form.findChild<QCheckBox*>("ChkDomain")->setChecked(true);
    form.OkButton()->click();
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(Settings().DLCDigits, 0);
    EXPECT_EQ(MainAddr()->ToStr(), "2:5030/999.999@fidonet");
    CheckSections(form, "TGeneralSetupForm");
    Settings().ShowDomain = false;
    SetDefaultAddrFlags(0);
}

TEST_F(OptionsTest, CustomLogOptionsCheckTheRowsAndExchangeHighlightingFiles)
{
    TCustomLog log;
    log.SetOptions({"dd/mm/yy hh:nn:ss", "", "ERR", {{"~fail", "Errors"}}});
    TCustomOptionsForm form(log);
    Open(form);
    QTableWidget* grid = form.Grid();
    // Down on the last row makes a row; Up from the empty row takes it back.
    grid->setCurrentCell(0, 0);
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QApplication::sendEvent(grid, &down);
    ASSERT_EQ(grid->rowCount(), 2);
    grid->setCurrentCell(0, 0);
    QKeyEvent up(QEvent::KeyRelease, Qt::Key_Up, Qt::NoModifier);
    QApplication::sendEvent(grid, &up);
    EXPECT_EQ(grid->rowCount(), 1);

    // An empty row between filled ones goes itself; an unknown colour keeps the dialog.
    grid->setRowCount(4);
    grid->setItem(2, 0, new QTableWidgetItem(" ok "));
    grid->setItem(2, 1, new QTableWidgetItem("Sent"));
    grid->setItem(3, 0, new QTableWidgetItem("x"));
    grid->setItem(3, 1, new QTableWidgetItem("Foreground"));
    test::SaveScreenshot(&form, "TCustomOptionsForm");
    form.OkButton()->click();
    EXPECT_EQ(finished, 0);
    ASSERT_EQ(dialogs.Count(), 1u);
    EXPECT_EQ(dialogs.dialogs.Shown[0].text, "Invalid color item \"Foreground\"");
    ASSERT_EQ(grid->rowCount(), 3);
    EXPECT_EQ(grid->item(1, 0)->text(), "ok");

    // Export, change, import: the exported description is back. A file of another
    // version changes nothing.
    grid->item(2, 1)->setText("special");
    const std::string hgl = temp / "format.hgl";
    TCustomOptionsForm::SetFileAnswer([&hgl](bool) { return QString::fromStdString(hgl); });
    form.Export();
    const TCustomLogOptions exported = form.Options();
    form.LineMaskEdit()->setText("yyyy");
    form.Import();
    EXPECT_EQ(form.Options(), exported);
    const std::string v2 = temp.Write("v2.hgl", "[QZHgl]\nVersion=2\nLineMask=zz\n");
    TCustomOptionsForm::SetFileAnswer([&v2](bool) { return QString::fromStdString(v2); });
    form.Import();
    EXPECT_EQ(dialogs.dialogs.Shown.back().text, Fmt(156, {v2}));
    EXPECT_EQ(form.Options(), exported);

    form.OkButton()->click();
    EXPECT_EQ(finished, 1);
    ASSERT_EQ(log.HStrings.size(), 3u);
    EXPECT_EQ(log.HStrings[2].Class, hcSpecial);
    CheckSections(form, "TCustomOptionsForm");
}

// A new user on a fresh settings file: SkipErrors from the first-run question, the
// log font and the colour of errors from the menus, each seen at once in the open
// log window, and all in the file after exit, beside a value set by hand meanwhile.
TEST_F(OptionsTest, ANewUserSetsTheOptionsInTheProgramAlone)
{
    const std::string logFile = temp.Write("plain.log", "a line\nERROR another\n");
    TChildForm* window = nullptr;
    SetModalRunner([&window](QDialog& d) {
        d.show();
        if (auto* general = qobject_cast<TGeneralSetupForm*>(&d)) {
            general->findChild<QCheckBox*>("ChkSkipErrors")->setChecked(true);
            d.accept();
        } else if (auto* colors = qobject_cast<TColSetupForm*>(&d)) {
            colors->ItemList()->setCurrentRow(ciErrors);
            const bool first = Settings().Colors[ciErrors] == clRed;
            EXPECT_EQ(colors->MarkedColor(), first ? 9 : 10);
            colors->ColorButton(first ? 10 : 11)->click();  // lime, then yellow
            EXPECT_EQ(window->View()->Colors()[ciErrors], first ? clLime : clYellow);
            if (first) {
                test::SaveScreenshot(&d, "TColSetupForm");
                d.accept();
            } else {
                d.reject();
            }
        } else {
            d.reject();  // the logs setup of the first run
        }
        return d.result();
    });
    auto frame = std::make_unique<TFrameForm>(std::vector<std::string>{}, ini);
    frame->show();
    QApplication::processEvents();
    EXPECT_TRUE(Settings().SkipErrors);

    frame->OpenLogFile(logFile);
    window = frame->findChild<TChildForm*>();
    ASSERT_NE(window, nullptr);
    SetFontAnswer([](const QFont&) {
        QFont font("DejaVu Sans Mono");
        font.setPointSize(15);
        return std::optional<QFont>(font);
    });
    frame->findChild<QAction*>("MILogFont")->trigger();
    EXPECT_EQ(window->View()->font().pointSize(), 15);
    frame->findChild<QAction*>("MIColors")->trigger();
    frame->findChild<QAction*>("MIColors")->trigger();  // yellow, then Cancel
    EXPECT_EQ(window->View()->Colors()[ciErrors], clLime);

    // Another program changes the file while Tarvix runs.
    TIniFile other(ini);
    other.WriteString("General", "FreqLimSort", "7");
    other.UpdateFile();
    frame->close();
    frame.reset();

    const TIniFile saved(ini);
    EXPECT_EQ(saved.ReadString("General", "SkipErrors", ""), "1");
    EXPECT_NE(saved.ReadString("General", "LogFont", "").find(",15,"), std::string::npos);
    EXPECT_EQ(saved.ReadString("Colors", "Errors", ""), "clLime");
    EXPECT_EQ(saved.ReadString("General", "FreqLimSort", ""), "7");
    EXPECT_FALSE(saved.ReadString("General", "MainAddr", "").empty());
}

}  // namespace
}  // namespace tarvix
