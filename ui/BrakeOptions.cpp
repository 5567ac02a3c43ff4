#include "ui/BrakeOptions.h"

#include "engine/BrakeLog.h"
#include "ui/HelpWindow.h"
#include "ui/RadioGroup.h"

#include <QCheckBox>
#include <QVBoxLayout>

namespace tarvix {

TBrakeOptionsForm::TBrakeOptionsForm(TBrakeLog& log, QWidget* parent)
    : TOptionsForm("TBrakeOptionsForm", hcBrakeOptions, parent), log_(log)
{
    radVersion_ = new TRadioGroup(Qt::Vertical, this);
    radVersion_->setObjectName(QStringLiteral("RadVersion"));
    radVersion_->SetItems({QString(), QString(), QString()});
    chkBinkStyle_ = new QCheckBox(this);
    chkBinkStyle_->setObjectName(QStringLiteral("ChkBinkStyle"));
    Body()->addWidget(radVersion_);
    Body()->addWidget(chkBinkStyle_);
    ApplyTexts();

    radVersion_->SetItemIndex(TBrakeLog::VersionItem(log_.BrkVersion()));
    chkBinkStyle_->setChecked(log_.BinkStyle());
}

void TBrakeOptionsForm::SetDefaultTexts()
{
    setWindowTitle(QStringLiteral("Brake! log options"));
    radVersion_->setTitle(QStringLiteral("Mailer version"));
    radVersion_->SetItems({QStringLiteral("701-702"), QStringLiteral("703-715"), QStringLiteral("716-718")});
    chkBinkStyle_->setText(QStringLiteral("Bink-style log"));
}

void TBrakeOptionsForm::done(int result)
{
    if (result == QDialog::Accepted) {
        // No item chosen (a stored version the dialog does not offer): it stays.
        if (radVersion_->ItemIndex() >= 0)
            log_.SetBrkVersion(TBrakeLog::VersionOfItem(radVersion_->ItemIndex()));
        log_.SetBinkStyle(chkBinkStyle_->isChecked());
    }
    TOptionsForm::done(result);
}

}  // namespace tarvix
