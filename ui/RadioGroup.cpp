#include "ui/RadioGroup.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QRadioButton>

namespace tarvix {

TRadioGroup::TRadioGroup(Qt::Orientation orientation, QWidget* parent) : QGroupBox(parent)
{
    layout_ = new QBoxLayout(orientation == Qt::Vertical ? QBoxLayout::TopToBottom : QBoxLayout::LeftToRight, this);
    group_ = new QButtonGroup(this);
    connect(group_, &QButtonGroup::idClicked, this, &TRadioGroup::ItemClicked);
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
    for (qsizetype k = 0; k < items.size(); ++k) {
        if (static_cast<std::size_t>(k) < buttons_.size()) {
            buttons_[static_cast<std::size_t>(k)]->setText(items[k]);
            continue;
        }
        auto* b = new QRadioButton(items[k], this);
        b->setObjectName(QStringLiteral("%1Item%2").arg(objectName()).arg(k));
        group_->addButton(b, static_cast<int>(k));
        layout_->addWidget(b);
        buttons_.push_back(b);
    }
}

QRadioButton* TRadioGroup::Button(int index) const
{
    return index >= 0 && index < Count() ? buttons_[static_cast<std::size_t>(index)] : nullptr;
}

int TRadioGroup::ItemIndex() const { return group_->checkedId(); }

void TRadioGroup::SetItemIndex(int index)
{
    if (QRadioButton* b = Button(index)) {
        b->setChecked(true);
        return;
    }
    // An exclusive group keeps one button checked: none is chosen only outside it.
    group_->setExclusive(false);
    for (QRadioButton* b : buttons_)
        b->setChecked(false);
    group_->setExclusive(true);
}

}  // namespace tarvix
