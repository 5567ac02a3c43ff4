#include "ui/TMailOptions.h"

#include "engine/LogSetupRules.h"
#include "engine/TMailLog.h"
#include "fido/Dialogs.h"
#include "ui/HelpWindow.h"
#include "ui/RadioGroup.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace tarvix {

TTMailOptionsForm::TTMailOptionsForm(TTMailLog& log, QWidget* parent)
    : TOptionsForm("TTMailOptionsForm", hcTMailOptions, parent), log_(log)
{
    lblTaskNo_ = new QLabel(this);
    lblTaskNo_->setObjectName(QStringLiteral("LblTaskNo"));
    edtTaskNo_ = new QLineEdit(this);
    edtTaskNo_->setObjectName(QStringLiteral("EdtTaskNo"));
    edtTaskNo_->setMaxLength(3);
    edtTaskNo_->installEventFilter(this);
    lblTaskNo_->setBuddy(edtTaskNo_);
    radVersion_ = new TRadioGroup(Qt::Vertical, this);
    radVersion_->setObjectName(QStringLiteral("RadVersion"));
    radVersion_->SetItems({QString(), QString(), QString(), QString(), QString()});

    auto* task = new QHBoxLayout;
    task->addWidget(lblTaskNo_);
    task->addWidget(edtTaskNo_, 1);
    Body()->addLayout(task);
    Body()->addWidget(radVersion_);
    ApplyTexts();

    edtTaskNo_->setText(QString::number(log_.TaskNo));
    radVersion_->SetItemIndex(TMailVersionItem(log_.TMVersion));
}

void TTMailOptionsForm::SetDefaultTexts()
{
    setWindowTitle(QStringLiteral("T-Mail log options"));
    lblTaskNo_->setText(QStringLiteral("Task number"));
    radVersion_->setTitle(QStringLiteral("Mailer version"));
    radVersion_->SetItems({QStringLiteral("2599-260&1"), QStringLiteral("260&2"), QStringLiteral("260&3"),
                           QStringLiteral("260&4"), QStringLiteral("260&5-2606")});
}

bool TTMailOptionsForm::eventFilter(QObject* watched, QEvent* event)
{
    // Digits and the editing keys only; any other character beeps.
    if (watched == edtTaskNo_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const QString text = key->text();
        if (!text.isEmpty() && text.front().isPrint() && !text.front().isDigit()) {
            QApplication::beep();
            return true;
        }
    }
    return TOptionsForm::eventFilter(watched, event);
}

void TTMailOptionsForm::done(int result)
{
    const std::string text = edtTaskNo_->text().toStdString();
    const std::optional<int> taskNo = ParseTaskNo(text);
    if (!taskNo) {
        edtTaskNo_->setFocus();
        edtTaskNo_->selectAll();
        MessageDlgLOr(149, {text}, "Invalid task number: " + text + "\nEnter a number from 0 to 255.",
                      TMsgDlgType::mtError, mbOK);
        return;
    }
    if (result == QDialog::Accepted) {
        log_.TaskNo = *taskNo;
        // No item chosen (a version the dialog does not offer): the version stays.
        if (radVersion_->ItemIndex() >= 0)
            log_.TMVersion = TMailVersionOfItem(radVersion_->ItemIndex());
    }
    TOptionsForm::done(result);
}

}  // namespace tarvix
