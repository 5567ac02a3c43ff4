#include "ui/SFMailOptions.h"

#include "engine/SFMailLog.h"
#include "ui/FileEdit.h"
#include "ui/HelpWindow.h"

#include <QLabel>
#include <QVBoxLayout>

namespace tarvix {

TSFOptionsForm::TSFOptionsForm(TSFMailLog& log, QWidget* parent)
    : TOptionsForm("TSFOptionsForm", hcSFMailOptions, parent), log_(log)
{
    lblConfigPath_ = new QLabel(this);
    lblConfigPath_->setObjectName(QStringLiteral("LblConfigPath"));
    edtConfigPath_ = new TFileEdit(TFileEdit::fmFile, this);
    edtConfigPath_->setObjectName(QStringLiteral("EdtConfigPath"));
    lblConfigPath_->setBuddy(edtConfigPath_);
    Body()->addWidget(lblConfigPath_);
    Body()->addWidget(edtConfigPath_);
    setMinimumWidth(420);
    ApplyTexts();

    edtConfigPath_->SetText(QString::fromStdString(log_.CfgPath));
}

void TSFOptionsForm::SetDefaultTexts()
{
    setWindowTitle(QStringLiteral("SF-Mail log options"));
    lblConfigPath_->setText(QStringLiteral("Config file path"));
    edtConfigPath_->SetFilter(QStringLiteral("Config Files|*.cfg|All Files|*.*"));
    edtConfigPath_->SetDialogTitle(QStringLiteral("Select SF-Mail config file"));
}

void TSFOptionsForm::done(int result)
{
    if (result == QDialog::Accepted)
        log_.CfgPath = edtConfigPath_->Text().toStdString();
    TOptionsForm::done(result);
}

}  // namespace tarvix
