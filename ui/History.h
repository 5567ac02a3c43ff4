// The session history of T-Mail (t-hist.$NN of a line) or Argus (binary_log beside
// its log) (THistoryForm): one row per session in file order, coloured as incoming or
// outgoing, the successful ones on white, a rule above the first session of each
// day. The status shows the selected session's day; the pop-up menu and Ctrl+Left /
// Ctrl+Right step to the previous or next day; for T-Mail Ctrl+L chooses another
// line. The file is only read.
//
// Settings: the placement in "History.T-Mail" or "History.Argus"; T-Mail's line goes
// back to HistoryLine when the window closes.
#pragma once

#include "engine/SessHistory.h"
#include "ui/SideFileWindow.h"

namespace tarvix {

class THistoryForm : public TSideFileForm {
    Q_OBJECT

public:
    // version: T-Mail's version, or THistoryFile::ArgusVersion for Argus's binary log.
    explicit THistoryForm(int version, int line = 1, QWidget* parent = nullptr);

    // T-Mail: the system directory; Argus: the path of its log. Reads the file and
    // selects the last session. Raises the file's error (EFOpenError, EHistoryError).
    void LoadHistory(const std::string& where);

    void PrevDay();
    void NextDay();
    void SelectLine();

    bool Argus() const { return argus_; }
    int Line() const { return line_; }
    const THistoryFile& File() const { return file_; }

protected:
    void ApplyTexts() override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Load();
    QVariant Cell(int row, int column, int role) const;
    void ShowDay();
    void UpdateMenu();
    std::int64_t DayOf(int row) const;

    bool argus_;
    int version_;
    int line_;
    std::string where_;
    THistoryFile file_;
    std::int64_t shownDay_ = -1;
};

}  // namespace tarvix
