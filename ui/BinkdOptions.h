// The options of a binkd log: binkd's configuration file (empty for binkd.cfg in
// the mailer directory, when there is one).
#pragma once

#include "ui/OptionsForm.h"

class QLabel;

namespace tarvix {

class TFileEdit;
class TBinkdLog;

class TBinkdOptionsForm : public TOptionsForm {
    Q_OBJECT

public:
    TBinkdOptionsForm(TBinkdLog& log, QWidget* parent = nullptr);

    TFileEdit* ConfigPathEdit() const { return edtConfigPath_; }

    void done(int result) override;

protected:
    void SetDefaultTexts() override;

private:
    TBinkdLog& log_;
    QLabel* lblConfigPath_;
    TFileEdit* edtConfigPath_;
};

}  // namespace tarvix
