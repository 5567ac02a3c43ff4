// The options of a binkd log: binkd's configuration file (empty for binkd.cfg in
// the mailer directory, when there is one).
#pragma once

#include "ui/ConfigFileOptions.h"

namespace tarvix {

class TBinkdLog;

class TBinkdOptionsForm : public TConfigFileOptionsForm {
    Q_OBJECT

public:
    TBinkdOptionsForm(TBinkdLog& log, QWidget* parent = nullptr);

protected:
    void SetDefaultTexts() override;
};

}  // namespace tarvix
