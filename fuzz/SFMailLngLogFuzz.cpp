// The analysis of a log of style lsSFMail whose language file sf-mail.lng is part of the input:
// two bytes giving the length of the language file, its bytes, then the log.
#include "LogTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return tarvix::fuzz::FuzzLogWithLng(tarvix::lsSFMail, "sf-mail.lng", data, size);
}
