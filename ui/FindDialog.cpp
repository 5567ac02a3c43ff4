#include "ui/FindDialog.h"

#include "fido/Dialogs.h"
#include "fido/Lng.h"
#include "ui/LngComponent.h"
#include "ui/LogView.h"
#include "ui/UiText.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tarvix {

namespace {

}  // namespace

TFindDialog::TFindDialog(TLogView* view, QWidget* parent) : QDialog(parent), view_(view)
{
    setObjectName("TFindDialog");
    auto* label = new QLabel(this);
    label->setObjectName("LblFindText");
    text_ = new QLineEdit(this);
    text_->setObjectName("EdtFindText");
    label->setBuddy(text_);
    matchCase_ = new QCheckBox(this);
    matchCase_->setObjectName("ChkMatchCase");
    auto* direction = new QGroupBox(this);
    direction->setObjectName("GrpDirection");
    up_ = new QRadioButton(direction);
    up_->setObjectName("RbUp");
    down_ = new QRadioButton(direction);
    down_->setObjectName("RbDown");
    down_->setChecked(true);
    auto* dirLayout = new QHBoxLayout(direction);
    dirLayout->addWidget(up_);
    dirLayout->addWidget(down_);
    findNext_ = new QPushButton(this);
    findNext_->setObjectName("BtnFindNext");
    findNext_->setDefault(true);
    cancel_ = new QPushButton(this);
    cancel_->setObjectName("BtnCancel");

    auto* grid = new QGridLayout(this);
    grid->addWidget(label, 0, 0);
    grid->addWidget(text_, 0, 1);
    grid->addWidget(findNext_, 0, 2);
    grid->addWidget(matchCase_, 1, 0, 1, 2);
    grid->addWidget(cancel_, 1, 2);
    grid->addWidget(direction, 2, 0, 1, 2);

    connect(findNext_, &QPushButton::clicked, this, [this] { FindNext(); });
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(text_, &QLineEdit::textChanged, this, [this] { UpdateButtons(); });
    if (view_ && !view_->LastFindText().isEmpty())
        text_->setText(view_->LastFindText());
    ApplyTexts();
    UpdateButtons();
}

void TFindDialog::ApplyTexts()
{
    setWindowTitle(UiKeyText("FindDlg.Caption", "Find"));
    findChild<QLabel*>("LblFindText")->setText(UiKeyText("FindDlg.What", "Fi&nd what:"));
    matchCase_->setText(UiKeyText("FindDlg.MatchCase", "Match &case"));
    findChild<QGroupBox*>("GrpDirection")->setTitle(UiKeyText("FindDlg.Direction", "Direction"));
    up_->setText(UiKeyText("FindDlg.Up", "&Up"));
    down_->setText(UiKeyText("FindDlg.Down", "&Down"));
    findNext_->setText(UiKeyText("FindDlg.FindNext", "&Find next"));
    cancel_->setText(UiKeyText("MDlg.Cancel", "Cancel"));
    ApplyLng(this, "TFindDialog");
}

void TFindDialog::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        ApplyTexts();
}

void TFindDialog::UpdateButtons() { findNext_->setEnabled(!text_->text().isEmpty()); }

bool TFindDialog::FindNext()
{
    if (!view_ || text_->text().isEmpty())
        return false;
    TLogView::TFindOptions options;
    options.MatchCase = matchCase_->isChecked();
    options.Backward = up_->isChecked();
    if (view_->Find(text_->text(), options))
        return true;
    const std::string text = text_->text().toStdString();
    const std::string message = LngLoaded() && LGetS("FindDlg.NotFound") != "FindDlg.NotFound"
                                    ? LFmtS("FindDlg.NotFound", {text})
                                    : "Cannot find \"" + text + "\"";
    TDialogRequest request;
    request.caption = windowTitle().toStdString();
    request.text = message;
    request.type = TMsgDlgType::mtInformation;
    request.buttons = mbOK;
    Dialogs().MessageDlg(request);
    return false;
}

}  // namespace tarvix
