// The analysis of a log of style lsFhMail whose language file fhmail.lng is part of the input:
// two bytes giving the length of the language file, its bytes, then the log.
#include "LogTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return tarvix::fuzz::FuzzLogWithLng(tarvix::lsFhMail, "fhmail.lng", data, size);
}
