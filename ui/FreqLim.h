// T-Mail's file-request limits (TFreqLimForm): one row per requesting node with the
// kilobytes served on the latest day, the latest 7 and 30 days, and the date of the
// latest request. The user sorts (pop-up menu or a click on a heading), finds a node
// (Ctrl+F) and clears the selected node's amounts in freqlim.bin (Ctrl+C, after a
// confirmation) — the one change the program makes to the file.
//
// Settings: the placement in "TFreqLimForm"; the sort order goes back to FreqLimSort
// when the window closes.
#pragma once

#include "engine/FreqLimits.h"
#include "ui/SideFileWindow.h"

namespace tarvix {

class TFreqLimForm : public TSideFileForm {
    Q_OBJECT

public:
    explicit TFreqLimForm(int sortOrder, QWidget* parent = nullptr);

    // Reads freqlim.bin of the T-Mail system directory and sorts it. Raises the
    // file's error (EFOpenError) when it cannot be read.
    void LoadFreqLimits(const std::string& dir);

    void SortBy(int order);
    void Find();
    // Clears the selected node's amounts after the confirmation (message 38).
    void ClearSelected();

    const TFreqLimFile& File() const { return file_; }
    int SortOrder() const { return sort_; }

protected:
    void ApplyTexts() override;
    void closeEvent(QCloseEvent* event) override;

private:
    QVariant Cell(int row, int column, int role) const;
    void Resort();

    int sort_;
    std::string dir_;
    std::string path_;
    TFreqLimFile file_;
};

}  // namespace tarvix
