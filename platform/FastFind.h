// Moved to platform/Scan.h; kept until its users include that.
#pragma once
#include "platform/Scan.h"
