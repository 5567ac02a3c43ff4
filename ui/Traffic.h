// T-Mail's traffic per node (TTrafficForm): one row per remote node of the line's
// traffic file with the figures of both directions and a totals row. The user sorts
// (pop-up menu or a click on a heading), finds a node (Ctrl+F), chooses another line
// (Ctrl+L) and writes a plain-text report (Ctrl+S). The file is only read.
//
// Settings: the placement in "TTrafficForm"; the line and the sort order go back to
// TrafficLine and TrafficSort when the window closes.
#pragma once

#include "engine/TMailTraffic.h"
#include "settings/Column.h"
#include "ui/SideFileWindow.h"

namespace tarvix {

class TTrafficForm : public TSideFileForm {
    Q_OBJECT

public:
    TTrafficForm(int line, int sortOrder, QWidget* parent = nullptr);

    // Reads the traffic file of the line from the T-Mail system directory for the
    // version and sorts it. Raises the file's error (EFOpenError) when it cannot be read.
    void LoadTraffic(const std::string& dir, int version);

    void SortBy(int order);
    void Find();
    void SelectLine();
    // Asks for the report file and writes the report (OEM code page, DOS lines).
    void SaveReport();
    // Writes the report to a file.
    void WriteReport(const std::string& path) const;

    const TTrafficFile& File() const { return file_; }
    int Line() const { return line_; }
    int SortOrder() const { return sort_; }

protected:
    void ApplyTexts() override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Load();
    QVariant Cell(int row, int column, int role) const;

    int line_;
    int sort_;
    int version_ = 0;
    std::string dir_;
    TTrafficFile file_;
    TReportSettings report_;
};

}  // namespace tarvix
