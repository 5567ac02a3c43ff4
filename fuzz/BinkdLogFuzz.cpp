// The analysis and highlighting of a log of style lsBinkd over arbitrary log bytes.
#include "LogTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return tarvix::fuzz::FuzzLogStyle(tarvix::lsBinkd, data, size);
}
