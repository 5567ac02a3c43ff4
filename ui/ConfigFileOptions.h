// The options dialog of a mailer log whose only option is the path of the mailer's
// configuration file (empty for the mailer's default place). The SF-Mail and binkd
// options are this dialog with their own texts.
#pragma once

#include "ui/OptionsForm.h"

#include <string>

class QLabel;

namespace tarvix {

class TFileEdit;

class TConfigFileOptionsForm : public TOptionsForm {
    Q_OBJECT

public:
    TFileEdit* ConfigPathEdit() const { return edtConfigPath_; }

    // OK stores the path in the log's setting.
    void done(int result) override;

protected:
    // cfgPath is the log's setting; the form of className applies its texts itself
    // (ApplyTexts in its constructor).
    TConfigFileOptionsForm(const char* className, int helpContext, std::string& cfgPath, QWidget* parent);
    // The English texts, for SetDefaultTexts.
    void SetTexts(const QString& title, const QString& label, const QString& filter, const QString& dialogTitle);

private:
    std::string& cfgPath_;
    QLabel* lblConfigPath_;
    TFileEdit* edtConfigPath_;
};

}  // namespace tarvix
