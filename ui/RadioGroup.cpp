#include "ui/RadioGroup.h"

#include <QButtonGroup>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tarvix {

TRadioGroup::TRadioGroup(QWidget* parent)
    : QGroupBox(parent), layout_(new QVBoxLayout(this)), group_(new QButtonGroup(this))
{
    group_->setExclusive(true);
}

QStringList TRadioGroup::Items() const
{
    QStringList items;
    for (const QRadioButton* b : buttons_)
        items << b->text();
    return items;
}

void TRadioGroup::SetItems(const QStringList& items)
{
    const int index = ItemIndex();
    while (static_cast<int>(buttons_.size()) > items.size()) {
        QRadioButton* b = buttons_.back();
        buttons_.pop_back();
        group_->removeButton(b);
        delete b;
    }
    for (int i = 0; i < items.size(); ++i) {
        if (i < static_cast<int>(buttons_.size())) {
            buttons_[static_cast<std::size_t>(i)]->setText(items[i]);
            continue;
        }
        auto* b = new QRadioButton(items[i], this);
        b->setObjectName(objectName() + QString::number(i));
        group_->addButton(b, i);
        layout_->addWidget(b);
        buttons_.push_back(b);
    }
    if (index >= 0 && index < items.size())
        SetItemIndex(index);
}

int TRadioGroup::ItemIndex() const { return group_->checkedId(); }

void TRadioGroup::SetItemIndex(int index)
{
    if (index >= 0 && index < Count()) {
        buttons_[static_cast<std::size_t>(index)]->setChecked(true);
        return;
    }
    // An exclusive group keeps one button checked: it lets go only while open.
    group_->setExclusive(false);
    for (QRadioButton* b : buttons_)
        b->setChecked(false);
    group_->setExclusive(true);
}

QRadioButton* TRadioGroup::Button(int index) const
{
    return index >= 0 && index < Count() ? buttons_[static_cast<std::size_t>(index)] : nullptr;
}

}  // namespace tarvix
