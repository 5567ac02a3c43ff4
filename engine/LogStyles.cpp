#include "engine/LogStyles.h"

#include "engine/ArgusLog.h"
#include "engine/BinkdLog.h"
#include "engine/BinkLog.h"
#include "engine/BinkPLog.h"
#include "engine/BrakeLog.h"
#include "engine/CustomLog.h"
#include "engine/FDLog.h"
#include "engine/FHMailLog.h"
#include "engine/Log.h"
#include "engine/TMailLog.h"
#include "engine/SFMailLog.h"

namespace tarvix {

void RegisterGenericLogStyles()
{
    RegisterLogStyle(lsBink, [] { return std::unique_ptr<TLog>(std::make_unique<TBinkLog>()); });
    RegisterLogStyle(lsFrontDoor, [] { return std::unique_ptr<TLog>(std::make_unique<TFDLog>()); });
    RegisterTMailLogStyle();
    RegisterLogStyle(lsCustom, [] { return std::unique_ptr<TLog>(std::make_unique<TCustomLog>()); });
    RegisterBinkPLogStyle();
    RegisterFHMailLogStyle();
    RegisterSFMailLogStyle();
    RegisterBrakeLogStyle();
    RegisterArgusLogStyle();
    RegisterBinkdLogStyle();
}

}  // namespace tarvix
