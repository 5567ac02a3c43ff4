#include "ui/ConfigFileOptions.h"

#include "ui/FileEdit.h"

#include <QLabel>
#include <QVBoxLayout>

namespace tarvix {

TConfigFileOptionsForm::TConfigFileOptionsForm(const char* className, int helpContext, std::string& cfgPath,
                                               QWidget* parent)
    : TOptionsForm(className, helpContext, parent), cfgPath_(cfgPath)
{
    lblConfigPath_ = new QLabel(this);
    lblConfigPath_->setObjectName(QStringLiteral("LblConfigPath"));
    edtConfigPath_ = new TFileEdit(TFileEdit::fmFile, this);
    edtConfigPath_->setObjectName(QStringLiteral("EdtConfigPath"));
    lblConfigPath_->setBuddy(edtConfigPath_);
    Body()->addWidget(lblConfigPath_);
    Body()->addWidget(edtConfigPath_);
    setMinimumWidth(420);
    edtConfigPath_->SetText(QString::fromStdString(cfgPath_));
}

void TConfigFileOptionsForm::SetTexts(const QString& title, const QString& label, const QString& filter,
                                      const QString& dialogTitle)
{
    setWindowTitle(title);
    lblConfigPath_->setText(label);
    edtConfigPath_->SetFilter(filter);
    edtConfigPath_->SetDialogTitle(dialogTitle);
}

void TConfigFileOptionsForm::done(int result)
{
    if (result == QDialog::Accepted)
        cfgPath_ = edtConfigPath_->Text().toStdString();
    TOptionsForm::done(result);
}

}  // namespace tarvix
