// The options of an SF-Mail log: the mailer configuration file (empty for
// cfg/sf-mail.cfg in the mailer directory).
#pragma once

#include "ui/OptionsForm.h"

class QLabel;

namespace tarvix {

class TFileEdit;
class TSFMailLog;

class TSFOptionsForm : public TOptionsForm {
    Q_OBJECT

public:
    TSFOptionsForm(TSFMailLog& log, QWidget* parent = nullptr);

    TFileEdit* ConfigPathEdit() const { return edtConfigPath_; }

    void done(int result) override;

protected:
    void SetDefaultTexts() override;

private:
    TSFMailLog& log_;
    QLabel* lblConfigPath_;
    TFileEdit* edtConfigPath_;
};

}  // namespace tarvix
