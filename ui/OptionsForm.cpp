#include "ui/OptionsForm.h"

#include "ui/HelpWindow.h"
#include "ui/LngComponent.h"

#include <QDialogButtonBox>
#include <QEvent>
#include <QPushButton>
#include <QVBoxLayout>

namespace tarvix {

TOptionsForm::TOptionsForm(const char* className, int helpContext, QWidget* parent)
    : QDialog(parent), className_(className)
{
    setObjectName(QString::fromLatin1(className));
    SetHelpContext(this, helpContext);
    auto* layout = new QVBoxLayout(this);
    body_ = new QVBoxLayout;
    layout->addLayout(body_);
    auto* buttons = new QDialogButtonBox(this);
    ok_ = buttons->addButton(QDialogButtonBox::Ok);
    ok_->setObjectName(QStringLiteral("BtnOK"));
    ok_->setDefault(true);
    cancel_ = buttons->addButton(QDialogButtonBox::Cancel);
    cancel_->setObjectName(QStringLiteral("BtnCancel"));
    help_ = buttons->addButton(QDialogButtonBox::Help);
    help_->setObjectName(QStringLiteral("BtnHelp"));
    help_->setAutoDefault(false);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // A dialog of pages changes its help context with the page.
    connect(help_, &QPushButton::clicked, this, [this] { ShowHelpContext(HelpContextOf(this), this); });
    setMinimumWidth(280);
}

void TOptionsForm::ApplyTexts()
{
    ok_->setText(QStringLiteral("OK"));
    cancel_->setText(QStringLiteral("Cancel"));
    help_->setText(QStringLiteral("Help"));
    SetDefaultTexts();
    ApplyLng(this, className_);
}

void TOptionsForm::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        ApplyTexts();
}

}  // namespace tarvix
