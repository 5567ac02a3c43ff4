#include "ui/ArgusOptions.h"

#include "engine/ArgusLog.h"
#include "ui/HelpWindow.h"
#include "ui/RadioGroup.h"

#include <QVBoxLayout>

namespace tarvix {

TArgusOptionsForm::TArgusOptionsForm(TArgusLog& log, QWidget* parent)
    : TOptionsForm("TArgusOptionsForm", hcArgusOptions, parent), log_(log)
{
    radVersion_ = new TRadioGroup(Qt::Vertical, this);
    radVersion_->setObjectName(QStringLiteral("RadVersion"));
    radVersion_->SetItems({QString(), QString()});
    Body()->addWidget(radVersion_);
    ApplyTexts();

    radVersion_->SetItemIndex(TArgusLog::VersionItem(log_.ArgusVersion()));
}

void TArgusOptionsForm::SetDefaultTexts()
{
    setWindowTitle(QStringLiteral("Argus log options"));
    radVersion_->setTitle(QStringLiteral("Mailer version"));
    radVersion_->SetItems({QStringLiteral("2.x-3.131"), QStringLiteral("3.132-3.156")});
}

void TArgusOptionsForm::done(int result)
{
    // No item chosen (a stored version the dialog does not offer): it stays.
    if (result == QDialog::Accepted && radVersion_->ItemIndex() >= 0)
        log_.SetArgusVersion(TArgusLog::VersionOfItem(radVersion_->ItemIndex()));
    TOptionsForm::done(result);
}

}  // namespace tarvix
