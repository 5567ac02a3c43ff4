// The options of an SF-Mail log: the mailer configuration file (empty for
// cfg/sf-mail.cfg in the mailer directory).
#pragma once

#include "ui/ConfigFileOptions.h"

namespace tarvix {

class TSFMailLog;

class TSFOptionsForm : public TConfigFileOptionsForm {
    Q_OBJECT

public:
    TSFOptionsForm(TSFMailLog& log, QWidget* parent = nullptr);

protected:
    void SetDefaultTexts() override;
};

}  // namespace tarvix
