// The general options: the main address and the program-wide switches on the page
// "Settings", the download-counter format on "DLC", and the code pages and DOS
// drive map on "Files". Opened from Options > General... and by the first-run
// question. The values go into the settings in memory only when the dialog is
// closed with OK; the caller then saves them.
//
// The main-address field must hold an address (or nothing) for the dialog to close,
// by whichever button (message 115 otherwise); an empty field keeps the main
// address. The help page follows the page shown.
#pragma once

#include "ui/OptionsForm.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QTabWidget;

namespace tarvix {

class TGeneralSetupForm : public TOptionsForm {
    Q_OBJECT

public:
    explicit TGeneralSetupForm(QWidget* parent = nullptr);

    QTabWidget* Pages() const { return pages_; }
    QLineEdit* MainAddrEdit() const { return edtMainAddr_; }
    QLineEdit* DLCDigitsEdit() const { return edtDLCDigits_; }

    // Refuses to close with a main address that is none; with OK the values go into
    // the settings in memory.
    void done(int result) override;

protected:
    void SetDefaultTexts() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* AddPage(const char* name);
    QLabel* AddField(QWidget* page, const char* labelName, QWidget* field);
    void TakeValues();

    QTabWidget* pages_;
    QWidget* pgSettings_;
    QWidget* pgDLC_;
    QWidget* pgFiles_;
    QLabel* lblMainAddr_;
    QLineEdit* edtMainAddr_;
    QCheckBox* chkSaveDesktop_;
    QCheckBox* chkDomain_;
    QCheckBox* chkFreqRealName_;
    QCheckBox* chkOEMConvert_;
    QCheckBox* chkSkipErrors_;
    QCheckBox* chkCustomHighlighting_;
    QLabel* lblDLCLeft_;
    QLineEdit* edtDLCLeft_;
    QLabel* lblDLCRight_;
    QLineEdit* edtDLCRight_;
    QLabel* lblDLCDigits_;
    QLineEdit* edtDLCDigits_;
    QLabel* lblDLCLead_;
    QLineEdit* edtDLCLead_;
    QCheckBox* chkDLCBackupX_;
    QLabel* lblOemCodePage_;
    QComboBox* cmbOemCodePage_;
    QLabel* lblAnsiCodePage_;
    QComboBox* cmbAnsiCodePage_;
    QLabel* lblDriveMap_;
    QLineEdit* edtDriveMap_;
};

}  // namespace tarvix
