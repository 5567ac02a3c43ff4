#include "ui/DialogButtons.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>

namespace tarvix {

QDialogButtonBox* MakeOkCancel(QDialog* dialog, QPushButton*& ok, QPushButton*& cancel)
{
    auto* buttons = new QDialogButtonBox(dialog);
    ok = buttons->addButton(QDialogButtonBox::Ok);
    ok->setObjectName("BtnOK");
    ok->setDefault(true);
    cancel = buttons->addButton(QDialogButtonBox::Cancel);
    cancel->setObjectName("BtnCancel");
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

}  // namespace tarvix
