// The options of an Argus log: the mailer version, which decides the line layout
// (two-digit or four-digit year).
#pragma once

#include "ui/OptionsForm.h"

namespace tarvix {

class TArgusLog;
class TRadioGroup;

class TArgusOptionsForm : public TOptionsForm {
    Q_OBJECT

public:
    TArgusOptionsForm(TArgusLog& log, QWidget* parent = nullptr);

    TRadioGroup* VersionGroup() const { return radVersion_; }

    void done(int result) override;

protected:
    void SetDefaultTexts() override;

private:
    TArgusLog& log_;
    TRadioGroup* radVersion_;
};

}  // namespace tarvix
