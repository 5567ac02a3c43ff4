// The colours of the twelve colour classes: the list of classes and a grid of the
// 16 standard colours, of which only these can be chosen. A colour chosen in the
// grid is taken into the settings at once and the windows re-apply it (the caller's
// Apply), so the change shows while the dialog is open; the caller puts the old
// colours back when the dialog ends without OK.
#pragma once

#include "settings/SettingsStore.h"
#include "ui/OptionsForm.h"

#include <functional>

class QAbstractButton;
class QButtonGroup;
class QLabel;
class QListWidget;

namespace tarvix {

// The 16 colours of the grid, in their order (black, maroon, green, ... white).
extern const std::array<TColor, 16> kGridColors;

class TColSetupForm : public TOptionsForm {
    Q_OBJECT

public:
    TColSetupForm(std::function<void()> apply, QWidget* parent = nullptr);

    QListWidget* ItemList() const { return colItemList_; }
    // The button of a colour of the grid (0 to 15).
    QAbstractButton* ColorButton(int index) const;
    // The colour marked in the grid, -1 for none.
    int MarkedColor() const;
    // Chooses a colour of the grid for the selected class, as a click does.
    void ChooseColor(int index);

protected:
    void SetDefaultTexts() override;

private:
    void ShowItem(int item);

    std::function<void()> apply_;
    QLabel* lblItems_;
    QListWidget* colItemList_;
    QLabel* lblGrid_;
    QButtonGroup* colGrid_;
};

}  // namespace tarvix
