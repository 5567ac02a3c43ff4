#include "ui/AddressSearch.h"

#include "fido/Dialogs.h"
#include "fido/Lng.h"
#include "ui/DialogButtons.h"
#include "ui/LngComponent.h"
#include "ui/ModalHook.h"
#include "ui/RadioGroup.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tarvix {

TAddrList& AddrSearchHistory()
{
    static TAddrList history(true, false);
    return history;
}

void RememberSearchAddr(TAddrList& history, const TFidoAddr& addr)
{
    for (int i = 0; i < history.Count(); ++i) {
        if (EqualAddr(history.GetAddr(i), addr)) {
            history.Move(i, 0);
            // The text typed last tells the domain.
            history.GetAddr(0) = TListFidoAddr(addr);
            return;
        }
    }
    history.Insert(0, addr);
}

TAddrSearchForm::TAddrSearchForm(const TAddrList& history, const TAddrSearch& current, QWidget* parent)
    : QDialog(parent)
{
    setObjectName("TAddrSearchForm");
    label_ = new QLabel(this);
    label_->setObjectName("LblAddr");
    combo_ = new QComboBox(this);
    combo_->setObjectName("CmbAddr");
    combo_->setEditable(true);
    combo_->setInsertPolicy(QComboBox::NoInsert);
    combo_->setMinimumWidth(200);
    for (int i = 0; i < history.Count(); ++i)
        combo_->addItem(QString::fromStdString(static_cast<const TFidoAddr&>(history.GetAddr(i)).ToStr()));
    combo_->setEditText(current.Addr ? QString::fromStdString(current.Addr->ToStr()) : QString());
    combo_->lineEdit()->selectAll();
    label_->setBuddy(combo_);

    origin_ = new TRadioGroup(this);
    origin_->setObjectName("RadOrig");
    origin_->SetItems({QString(), QString()});
    origin_->SetItemIndex(current.Origin == kSearchFromCursor ? kSearchFromCursor : kSearchGlobal);
    direction_ = new TRadioGroup(this);
    direction_->setObjectName("RadDir");
    direction_->SetItems({QString(), QString()});
    direction_->SetItemIndex(current.Direction == kSearchBackward ? kSearchBackward : kSearchForward);

    QDialogButtonBox* buttons = MakeOkCancel(this, ok_, cancel_);

    auto* layout = new QVBoxLayout(this);
    auto* addrRow = new QHBoxLayout;
    addrRow->addWidget(label_);
    addrRow->addWidget(combo_, 1);
    layout->addLayout(addrRow);
    auto* groups = new QHBoxLayout;
    groups->addWidget(origin_);
    groups->addWidget(direction_);
    layout->addLayout(groups);
    layout->addWidget(buttons);
    setSizeGripEnabled(false);
    ApplyTexts();
    combo_->setFocus();
}

void TAddrSearchForm::ApplyTexts()
{
    setWindowTitle(QStringLiteral("Find address"));
    label_->setText(QStringLiteral("&Address"));
    origin_->setTitle(QStringLiteral("Origin"));
    origin_->SetItems({QStringLiteral("&Global"), QStringLiteral("From &cursor")});
    direction_->setTitle(QStringLiteral("Direction"));
    direction_->SetItems({QStringLiteral("&Forward"), QStringLiteral("&Backward")});
    ok_->setText(QStringLiteral("OK"));
    cancel_->setText(LngLoaded() ? QString::fromStdString(LGetS("MDlg.Cancel")) : QStringLiteral("Cancel"));
    ApplyLng(this, "TAddrSearchForm");
}

void TAddrSearchForm::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        ApplyTexts();
}

QString TAddrSearchForm::AddrText() const { return combo_->currentText().trimmed(); }

std::optional<TFidoAddr> TAddrSearchForm::Address() const
{
    const QString text = AddrText();
    TFidoAddr addr;
    if (text.isEmpty() || !TFidoAddr::TryParse(text.toStdString(), kSearchParseFlags, addr))
        return std::nullopt;
    return addr;
}

int TAddrSearchForm::Origin() const
{
    return origin_->ItemIndex() == kSearchFromCursor ? kSearchFromCursor : kSearchGlobal;
}

int TAddrSearchForm::Direction() const
{
    return direction_->ItemIndex() == kSearchBackward ? kSearchBackward : kSearchForward;
}

void TAddrSearchForm::done(int result)
{
    if (!AddrText().isEmpty() && !Address()) {
        combo_->setFocus();
        combo_->lineEdit()->selectAll();
        MessageDlgLOr(128, {}, "Invalid address or mask.", TMsgDlgType::mtError, mbOK);
        return;
    }
    QDialog::done(result);
}

bool RunAddrSearch(TAddrList& history, TAddrSearch& search, QWidget* parent)
{
    TAddrSearchForm dialog(history, search, parent);
    if (ExecModal(dialog) != QDialog::Accepted)
        return false;
    search.Origin = dialog.Origin();
    search.Direction = dialog.Direction();
    search.Addr = dialog.Address();
    if (search.Addr)
        RememberSearchAddr(history, *search.Addr);
    return true;
}

}  // namespace tarvix
