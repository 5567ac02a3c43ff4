#include "ui/BinkdOptions.h"

#include "engine/BinkdLog.h"
#include "ui/FileEdit.h"
#include "ui/HelpWindow.h"

#include <QLabel>
#include <QVBoxLayout>

namespace tarvix {

TBinkdOptionsForm::TBinkdOptionsForm(TBinkdLog& log, QWidget* parent)
    : TOptionsForm("TBinkdOptionsForm", hcBinkdOptions, parent), log_(log)
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

void TBinkdOptionsForm::SetDefaultTexts()
{
    setWindowTitle(QStringLiteral("binkd log options"));
    lblConfigPath_->setText(QStringLiteral("binkd configuration file"));
    edtConfigPath_->SetFilter(QStringLiteral("Config Files|*.cfg;*.conf|All Files|*.*"));
    edtConfigPath_->SetDialogTitle(QStringLiteral("Select the binkd configuration file"));
}

void TBinkdOptionsForm::done(int result)
{
    if (result == QDialog::Accepted)
        log_.CfgPath = edtConfigPath_->Text().toStdString();
    TOptionsForm::done(result);
}

}  // namespace tarvix
