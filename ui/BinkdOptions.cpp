#include "ui/BinkdOptions.h"

#include "engine/BinkdLog.h"
#include "ui/HelpWindow.h"

namespace tarvix {

TBinkdOptionsForm::TBinkdOptionsForm(TBinkdLog& log, QWidget* parent)
    : TConfigFileOptionsForm("TBinkdOptionsForm", hcBinkdOptions, log.CfgPath, parent)
{
    ApplyTexts();
}

void TBinkdOptionsForm::SetDefaultTexts()
{
    SetTexts(QStringLiteral("binkd log options"), QStringLiteral("binkd configuration file"),
             QStringLiteral("Config Files|*.cfg;*.conf|All Files|*.*"),
             QStringLiteral("Select the binkd configuration file"));
}

}  // namespace tarvix
