// The "Logs" dialog: the registered logs of the main frame, each with its name, log
// file, style, mailer directory, new-part detection, size limit, download-counter
// update and the options of its style.
//
// The dialog works on the frame's list of logs directly: every change takes effect
// at once (the Logs menu follows), and there is no Cancel. A log that is open in a
// window keeps its style and cannot be deleted. The dialog closes (OK, Esc, the
// close box) only when every log has a name and a path, and every mailer log a
// mailer directory.
#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace tarvix {

class TFileEdit;
class TFrameForm;
class TLog;
class TRadioGroup;

class TLogsSetupForm : public QDialog {
    Q_OBJECT

public:
    explicit TLogsSetupForm(TFrameForm& frame);

    // --- the components (object names as the language file addresses them) ---
    QListWidget* LogsList() const { return logsList_; }
    QLineEdit* NameEdit() const { return edtName_; }
    TFileEdit* PathEdit() const { return pathEdit_; }
    QComboBox* StyleCombo() const { return styleCombo_; }
    TFileEdit* MailerPathEdit() const { return mailerPathEdit_; }
    QCheckBox* AutoNewCheck() const { return chkAutoNew_; }
    QCheckBox* CutCheck() const { return chkCut_; }
    QLineEdit* CutEdit() const { return edtCut_; }
    TRadioGroup* CutModeGroup() const { return radCut_; }
    QCheckBox* DLCCheck() const { return chkDLC_; }
    QPushButton* LogOptionsButton() const { return btnLogOpt_; }
    QPushButton* AddButton() const { return btnAdd_; }
    QPushButton* DeleteButton() const { return btnDelete_; }
    QPushButton* OkButton() const { return btnOK_; }
    QPushButton* HelpButton() const { return btnHelp_; }

    // The log of the selected item, or nullptr.
    TLog* SelectedLog() const;
    // Selects the item of a row (-1: none) and shows its values.
    void SelectRow(int row);

    // "New": registers a plain log under the first free default name and selects it.
    void AddLog();
    // "Delete": unregisters the selected log (message 58 for one that is open).
    void DeleteLog();
    // "Log options": the option dialog of the selected log's style.
    void EditOptions();

    // Closes only when every log passes the closing check.
    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void ApplyTexts();
    void FillList();
    TLog* LogOfItem(const QListWidgetItem* item) const;
    // The position of a log in the frame's list (and of its Logs-menu item).
    int ListIndex(const TLog* log) const;
    // Shows the selected log's values; the edits it makes are no user edits.
    void ShowValues();
    void ShowCutMode(TLog* log);

    // What the user changes.
    void NameChanged(const QString& text);
    void PathChanged(const QString& text);
    void PathEntered();
    void StyleChosen(int item);
    void MailerPathChanged(const QString& text);
    void AutoNewClicked(bool on);
    void CutClicked(bool on);
    void CutChanged(const QString& text);
    void CutModeClicked(int mode);
    void DLCClicked(bool on);
    // Message 58: the log is open in a window.
    void LogIsOpenMessage();

    TFrameForm& frame_;
    bool showing_ = false;

    QListWidget* logsList_;
    QLabel* lblName_;
    QLineEdit* edtName_;
    QLabel* lblPath_;
    TFileEdit* pathEdit_;
    QLabel* lblStyle_;
    QComboBox* styleCombo_;
    QLabel* lblMailerPath_;
    TFileEdit* mailerPathEdit_;
    QCheckBox* chkAutoNew_;
    QCheckBox* chkCut_;
    QLineEdit* edtCut_;
    TRadioGroup* radCut_;
    QCheckBox* chkDLC_;
    QPushButton* btnLogOpt_;
    QPushButton* btnAdd_;
    QPushButton* btnDelete_;
    QPushButton* btnOK_;
    QPushButton* btnHelp_;
};

// Opens the option dialog of a log's style (T-Mail, Brake!, SF-Mail, Argus, binkd,
// custom format) over parent; the log takes the values when it is closed with OK. False when the style
// has no dialog here or the dialog was cancelled.
bool EditLogOptions(TLog& log, QWidget* parent);

}  // namespace tarvix
