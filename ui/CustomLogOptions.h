// The options of a log of a user-defined format (style "Custom"): the line mask, the
// date mask, the error words and the highlight strings with the names of their
// colour classes, in a grid of two columns. Import and Export read and write the
// description as a highlighting file (.hgl).
//
// Before the dialog closes (by whichever button) and before an export, the cells
// are trimmed, empty rows are removed (one row always stays) and every colour name
// must name a colour class; otherwise the colour error is shown and the dialog
// stays. With OK the log takes the description and its window repaints.
#pragma once

#include "engine/CustomLog.h"
#include "ui/OptionsForm.h"

#include <functional>
#include <optional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace tarvix {

class TCustomOptionsForm : public TOptionsForm {
    Q_OBJECT

public:
    TCustomOptionsForm(TCustomLog& log, QWidget* parent = nullptr);

    QLineEdit* LineMaskEdit() const { return edtLineMask_; }
    QLineEdit* DateMaskEdit() const { return edtDateMask_; }
    QLineEdit* ErrWordsEdit() const { return edtErrWords_; }
    QTableWidget* Grid() const { return grdHStrings_; }
    QPushButton* ImportButton() const { return btnImport_; }
    QPushButton* ExportButton() const { return btnExport_; }

    // The description the dialog shows.
    TCustomLogOptions Options() const;
    void ShowOptions(const TCustomLogOptions& options);
    // The check before closing and exporting: trims the cells, removes empty rows,
    // and shows the colour error for an unknown colour name (false then).
    bool CheckRows();

    void Import();
    void Export();

    // Answers the file dialogs of Import (save false) and Export (save true)
    // instead of the user (tests): the file, or nothing for Cancel. An empty
    // function restores the dialogs.
    using TFileAnswer = std::function<std::optional<QString>(bool save)>;
    static void SetFileAnswer(TFileAnswer answer);

    void done(int result) override;

protected:
    void SetDefaultTexts() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::optional<QString> AskFile(bool save);
    QString Cell(int row, int col) const;
    bool RowEmpty(int row) const;
    void AppendRow();

    TCustomLog& log_;
    QLabel* lblLineMask_;
    QLineEdit* edtLineMask_;
    QLabel* lblDateMask_;
    QLabel* lblErrWords_;
    QLineEdit* edtDateMask_;
    QLineEdit* edtErrWords_;
    QGroupBox* grpHStrings_;
    QTableWidget* grdHStrings_;
    QPushButton* btnImport_;
    QPushButton* btnExport_;
};

}  // namespace tarvix
