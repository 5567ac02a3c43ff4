// The SF-Mail language reader (index of numbered, length-prefixed strings) over any
// bytes, with lookups of the numbers the index names and of others.
#include "FuzzSupport.h"

#include "fido/MailerLng.h"

#include <optional>
#include "platform/Bytes.h"

using namespace tarvix;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Setup();
    const std::string bytes(fuzz::AsText(data, size));
    std::optional<TSFMailLng> lng;
    try {
        lng.emplace(TSFMailLng::FromBytes(bytes));
    } catch (const EMailerLngError& e) {
        (void)e.what();
        return 0;
    }
    TARVIX_FUZZ_CHECK(size >= 32 && lng->Count() <= (size - 32) / 4);
    for (std::size_t i = 0; i < lng->Count(); ++i) {
        const std::int64_t number = LoadU16LE(bytes, 32 + 4 * i);
        std::string s = lng->GetStr(number);
        std::string cut = lng->GetCut(number);
        TARVIX_FUZZ_CHECK(s.size() <= 255 && s.compare(0, cut.size(), cut) == 0);
        TARVIX_FUZZ_CHECK(cut.find("%1") == std::string::npos);
    }
    for (std::int64_t n : {std::int64_t(-1), std::int64_t(0), std::int64_t(1), std::int64_t(65535),
                           std::int64_t(65536), INT64_MAX, INT64_MIN})
        (void)lng->GetCut(n);
    return 0;
}
