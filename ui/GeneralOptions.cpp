#include "ui/GeneralOptions.h"

#include "fido/Dialogs.h"
#include "fido/FidoAddr.h"
#include "platform/HostPath.h"
#include "settings/SettingsStore.h"
#include "ui/HelpWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QVBoxLayout>

namespace tarvix {

namespace {

constexpr int kCodePageCount = static_cast<int>(CodePage::UTF8) + 1;

QString Q(const std::string& text) { return QString::fromStdString(text); }

// The first character of a one-character field, as the settings keep it.
std::string FirstChar(const QLineEdit* edit) { return edit->text().left(1).toStdString(); }

}  // namespace

TGeneralSetupForm::TGeneralSetupForm(QWidget* parent)
    : TOptionsForm("TGeneralSetupForm", hcGeneralSettings, parent)
{
    pages_ = new QTabWidget(this);
    pages_->setObjectName(QStringLiteral("PageControl"));
    pgSettings_ = AddPage("PgSettings");
    pgDLC_ = AddPage("PgDLC");
    pgFiles_ = AddPage("PgFiles");
    Body()->addWidget(pages_);

    auto check = [](QWidget* page, const char* name) {
        auto* box = new QCheckBox(page);
        box->setObjectName(QString::fromLatin1(name));
        static_cast<QFormLayout*>(page->layout())->addRow(box);
        return box;
    };
    auto edit = [this](const char* name, int maxLength) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        if (maxLength > 0)
            e->setMaxLength(maxLength);
        return e;
    };
    auto combo = [this](const char* name) {
        auto* c = new QComboBox(this);
        c->setObjectName(QString::fromLatin1(name));
        for (int i = 0; i < kCodePageCount; ++i)
            c->addItem(Q(std::string(CodePageName(static_cast<CodePage>(i)))));
        return c;
    };

    edtMainAddr_ = edit("EdtMainAddr", 0);
    lblMainAddr_ = AddField(pgSettings_, "LblMainAddr", edtMainAddr_);
    chkSaveDesktop_ = check(pgSettings_, "ChkSaveDesktop");
    chkDomain_ = check(pgSettings_, "ChkDomain");
    chkFreqRealName_ = check(pgSettings_, "ChkFreqRealName");
    chkOEMConvert_ = check(pgSettings_, "ChkOEMConvert");
    chkSkipErrors_ = check(pgSettings_, "ChkSkipErrors");
    chkCustomHighlighting_ = check(pgSettings_, "ChkCustomHighlighting");

    edtDLCLeft_ = edit("EdtDLCLeft", 1);
    lblDLCLeft_ = AddField(pgDLC_, "LblDLCLeft", edtDLCLeft_);
    edtDLCRight_ = edit("EdtDLCRight", 1);
    lblDLCRight_ = AddField(pgDLC_, "LblDLCRight", edtDLCRight_);
    edtDLCDigits_ = edit("EdtDLCDigits", 2);
    edtDLCDigits_->installEventFilter(this);
    lblDLCDigits_ = AddField(pgDLC_, "LblDLCDigits", edtDLCDigits_);
    edtDLCLead_ = edit("EdtDLCLead", 1);
    lblDLCLead_ = AddField(pgDLC_, "LblDLCLead", edtDLCLead_);
    chkDLCBackupX_ = check(pgDLC_, "ChkDLCBackupX");

    cmbOemCodePage_ = combo("CmbOemCodePage");
    lblOemCodePage_ = AddField(pgFiles_, "LblOemCodePage", cmbOemCodePage_);
    cmbAnsiCodePage_ = combo("CmbAnsiCodePage");
    lblAnsiCodePage_ = AddField(pgFiles_, "LblAnsiCodePage", cmbAnsiCodePage_);
    edtDriveMap_ = edit("EdtDriveMap", 0);
    lblDriveMap_ = AddField(pgFiles_, "LblDriveMap", edtDriveMap_);
    ApplyTexts();

    // The help page of the page shown.
    connect(pages_, &QTabWidget::currentChanged, this, [this](int page) {
        SetHelpContext(this, page == pages_->indexOf(pgDLC_) ? hcGeneralDLC : hcGeneralSettings);
    });

    const TGeneralSettings& s = Settings();
    if (const TFidoAddr* main = MainAddr())
        edtMainAddr_->setText(Q(main->ToStr()));
    chkSaveDesktop_->setChecked(s.SaveDesktop);
    chkDomain_->setChecked(s.ShowDomain);
    chkFreqRealName_->setChecked(s.FreqRealName);
    chkOEMConvert_->setChecked(s.OEMConvert);
    chkSkipErrors_->setChecked(s.SkipErrors);
    chkCustomHighlighting_->setChecked(s.EnableCustomHighlighting);
    edtDLCLeft_->setText(Q(s.DLCLeft));
    edtDLCRight_->setText(Q(s.DLCRight));
    edtDLCDigits_->setText(QString::number(s.DLCDigits));
    edtDLCLead_->setText(Q(s.DLCLead));
    chkDLCBackupX_->setChecked(s.DLCBackupX);
    cmbOemCodePage_->setCurrentIndex(static_cast<int>(s.OemCodePage));
    cmbAnsiCodePage_->setCurrentIndex(static_cast<int>(s.AnsiCodePage));
    edtDriveMap_->setText(Q(s.DriveMap));
    pages_->setCurrentWidget(pgSettings_);
}

QWidget* TGeneralSetupForm::AddPage(const char* name)
{
    auto* page = new QWidget(pages_);
    page->setObjectName(QString::fromLatin1(name));
    new QFormLayout(page);
    pages_->addTab(page, QString());
    return page;
}

QLabel* TGeneralSetupForm::AddField(QWidget* page, const char* labelName, QWidget* field)
{
    auto* label = new QLabel(page);
    label->setObjectName(QString::fromLatin1(labelName));
    label->setBuddy(field);
    static_cast<QFormLayout*>(page->layout())->addRow(label, field);
    return label;
}

void TGeneralSetupForm::SetDefaultTexts()
{
    setWindowTitle(QStringLiteral("General options"));
    pages_->setTabText(0, QStringLiteral("Settings"));
    pages_->setTabText(1, QStringLiteral("DLC"));
    pages_->setTabText(2, QStringLiteral("Files"));
    lblMainAddr_->setText(QStringLiteral("Main address"));
    chkSaveDesktop_->setText(QStringLiteral("Autosave desktop"));
    chkDomain_->setText(QStringLiteral("Show domain in address"));
    chkFreqRealName_->setText(QStringLiteral("Show real name in freqs"));
    chkOEMConvert_->setText(QStringLiteral("OEM conversion"));
    chkSkipErrors_->setText(QStringLiteral("Skip lines the analysis cannot read"));
    chkCustomHighlighting_->setText(QStringLiteral("Logs of user-defined formats (style Custom)"));
    lblDLCLeft_->setText(QStringLiteral("Left bracket"));
    lblDLCRight_->setText(QStringLiteral("Right bracket"));
    lblDLCDigits_->setText(QStringLiteral("Digits"));
    lblDLCLead_->setText(QStringLiteral("Leading char"));
    chkDLCBackupX_->setText(QStringLiteral("Name the backup copy filesbbs.bak"));
    lblOemCodePage_->setText(QStringLiteral("Code page of mailer files (OEM)"));
    lblAnsiCodePage_->setText(QStringLiteral("Code page of the text shown (ANSI)"));
    lblDriveMap_->setText(QStringLiteral("DOS drives (C:=/home/fido/dos_c;D:=...)"));
}

bool TGeneralSetupForm::eventFilter(QObject* watched, QEvent* event)
{
    // "Digits" takes digits and Backspace; other characters are dropped.
    if (watched == edtDLCDigits_ && event->type() == QEvent::KeyPress) {
        const QString text = static_cast<QKeyEvent*>(event)->text();
        if (!text.isEmpty() && text.front().isPrint() && !text.front().isDigit())
            return true;
    }
    return TOptionsForm::eventFilter(watched, event);
}

void TGeneralSetupForm::done(int result)
{
    const std::string addr = edtMainAddr_->text().trimmed().toStdString();
    if (!addr.empty() && !IsValidAddr(addr, 0)) {
        pages_->setCurrentWidget(pgSettings_);
        edtMainAddr_->setFocus();
        edtMainAddr_->selectAll();
        MessageDlgLOr(115, {}, "Invalid main address.", TMsgDlgType::mtError, mbOK);
        return;
    }
    if (result == QDialog::Accepted)
        TakeValues();
    TOptionsForm::done(result);
}

void TGeneralSetupForm::TakeValues()
{
    TGeneralSettings& s = Settings();
    const std::string addr = edtMainAddr_->text().trimmed().toStdString();
    // An empty field names no address: the main address stays.
    if (!addr.empty())
        SetMainAddr(TFidoAddr::CreateParse(addr, 0));
    s.SaveDesktop = chkSaveDesktop_->isChecked();
    s.ShowDomain = chkDomain_->isChecked();
    SetDefaultAddrFlags(s.ShowDomain ? pfDomain : 0);
    s.FreqRealName = chkFreqRealName_->isChecked();
    s.OEMConvert = chkOEMConvert_->isChecked();
    s.SkipErrors = chkSkipErrors_->isChecked();
    s.EnableCustomHighlighting = chkCustomHighlighting_->isChecked();
    s.DLCLeft = FirstChar(edtDLCLeft_);
    s.DLCRight = FirstChar(edtDLCRight_);
    // Digits only reach the field; an empty one is 0.
    bool ok = false;
    const int digits = edtDLCDigits_->text().toInt(&ok);
    s.DLCDigits = ok ? digits : 0;
    s.DLCLead = FirstChar(edtDLCLead_);
    s.DLCBackupX = chkDLCBackupX_->isChecked();
    s.OemCodePage = static_cast<CodePage>(cmbOemCodePage_->currentIndex());
    s.AnsiCodePage = static_cast<CodePage>(cmbAnsiCodePage_->currentIndex());
    SetOemAnsiPages(s.OemCodePage, s.AnsiCodePage);
    s.DriveMap = edtDriveMap_->text().trimmed().toStdString();
    SetDriveMap(ParseDriveMap(s.DriveMap));
}

}  // namespace tarvix
