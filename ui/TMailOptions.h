// The options of a T-Mail log: the task number (0 to 255) and the mailer version.
// The task number field takes digits only; the dialog closes, by whichever button,
// only with a valid number in it (message 149 otherwise).
#pragma once

#include "ui/OptionsForm.h"

class QLabel;
class QLineEdit;

namespace tarvix {

class TRadioGroup;
class TTMailLog;

class TTMailOptionsForm : public TOptionsForm {
    Q_OBJECT

public:
    TTMailOptionsForm(TTMailLog& log, QWidget* parent = nullptr);

    QLineEdit* TaskNoEdit() const { return edtTaskNo_; }
    TRadioGroup* VersionGroup() const { return radVersion_; }

    // Refuses to close without a valid task number; with OK the values go into the log.
    void done(int result) override;

protected:
    void SetDefaultTexts() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TTMailLog& log_;
    QLabel* lblTaskNo_;
    QLineEdit* edtTaskNo_;
    TRadioGroup* radVersion_;
};

}  // namespace tarvix
