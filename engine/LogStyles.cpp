#include "engine/LogStyles.h"

#include "engine/ArgusLog.h"
#include "engine/BinkLog.h"
#include "engine/CustomLog.h"
#include "engine/FDLog.h"
#include "engine/Log.h"

namespace tarvix {

void RegisterGenericLogStyles()
{
    RegisterLogStyle(lsBink, [] { return std::unique_ptr<TLog>(std::make_unique<TBinkLog>()); });
    RegisterLogStyle(lsFrontDoor, [] { return std::unique_ptr<TLog>(std::make_unique<TFDLog>()); });
    RegisterLogStyle(lsCustom, [] { return std::unique_ptr<TLog>(std::make_unique<TCustomLog>()); });
    RegisterArgusLogStyle();
}

}  // namespace tarvix
