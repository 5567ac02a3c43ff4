// A titled group of radio buttons, one per line of its item list, of which one is
// chosen. The items are the string-list property "items", so that the interface
// language files can rename them ("RadDir.Items=('&Forward','&Backward')"), and the
// title is the caption ("RadDir..=Direction").
#pragma once

#include <QGroupBox>
#include <QStringList>

#include <vector>

class QButtonGroup;
class QRadioButton;
class QVBoxLayout;

namespace tarvix {

class TRadioGroup : public QGroupBox {
    Q_OBJECT
    Q_PROPERTY(QStringList items READ Items WRITE SetItems)
    Q_PROPERTY(int itemIndex READ ItemIndex WRITE SetItemIndex)

public:
    explicit TRadioGroup(QWidget* parent = nullptr);

    QStringList Items() const;
    // One button per item; the buttons that stay keep their check.
    void SetItems(const QStringList& items);
    // The chosen item, -1 for none.
    int ItemIndex() const;
    // Checks an item; an index outside the items clears the choice.
    void SetItemIndex(int index);
    QRadioButton* Button(int index) const;
    int Count() const { return static_cast<int>(buttons_.size()); }

private:
    QVBoxLayout* layout_;
    QButtonGroup* group_;
    std::vector<QRadioButton*> buttons_;
};

}  // namespace tarvix
