// The options of a Brake! log: the mailer version and whether the log is written in
// the BinkleyTerm layout. With OK the log takes them and lays out its lines anew.
#pragma once

#include "ui/OptionsForm.h"

class QCheckBox;

namespace tarvix {

class TBrakeLog;
class TRadioGroup;

class TBrakeOptionsForm : public TOptionsForm {
    Q_OBJECT

public:
    TBrakeOptionsForm(TBrakeLog& log, QWidget* parent = nullptr);

    TRadioGroup* VersionGroup() const { return radVersion_; }
    QCheckBox* BinkStyleCheck() const { return chkBinkStyle_; }

    void done(int result) override;

protected:
    void SetDefaultTexts() override;

private:
    TBrakeLog& log_;
    TRadioGroup* radVersion_;
    QCheckBox* chkBinkStyle_;
};

}  // namespace tarvix
