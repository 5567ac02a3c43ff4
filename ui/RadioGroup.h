// A group of radio buttons made from a list of item texts, of which one or none is
// chosen. The language file renames the items through the property "items".
#pragma once

#include <QGroupBox>
#include <QStringList>

#include <vector>

class QBoxLayout;
class QButtonGroup;
class QRadioButton;

namespace tarvix {

class TRadioGroup : public QGroupBox {
    Q_OBJECT
    Q_PROPERTY(QStringList items READ Items WRITE SetItems)

public:
    explicit TRadioGroup(Qt::Orientation orientation = Qt::Vertical, QWidget* parent = nullptr);
    // A group whose buttons stand one below the other.
    explicit TRadioGroup(QWidget* parent) : TRadioGroup(Qt::Vertical, parent) {}

    QStringList Items() const;
    // Renames the buttons there are and adds one for each further text; the choice
    // stays.
    void SetItems(const QStringList& items);
    int Count() const { return static_cast<int>(buttons_.size()); }
    QRadioButton* Button(int index) const;

    // The chosen item, -1 for none.
    int ItemIndex() const;
    // Chooses an item; a number that is no item chooses none. Sends no signal.
    void SetItemIndex(int index);

signals:
    // The user chose an item.
    void ItemClicked(int index);

private:
    QBoxLayout* layout_;
    QButtonGroup* group_;
    std::vector<QRadioButton*> buttons_;
};

}  // namespace tarvix
