#include "ui/SFMailOptions.h"

#include "engine/SFMailLog.h"
#include "ui/HelpWindow.h"

namespace tarvix {

TSFOptionsForm::TSFOptionsForm(TSFMailLog& log, QWidget* parent)
    : TConfigFileOptionsForm("TSFOptionsForm", hcSFMailOptions, log.CfgPath, parent)
{
    ApplyTexts();
}

void TSFOptionsForm::SetDefaultTexts()
{
    SetTexts(QStringLiteral("SF-Mail log options"), QStringLiteral("Config file path"),
             QStringLiteral("Config Files|*.cfg|All Files|*.*"),
             QStringLiteral("Select SF-Mail config file"));
}

}  // namespace tarvix
