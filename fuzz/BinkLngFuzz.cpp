// The BinkleyTerm-style language reader (offset table into a string block) over any
// bytes, with lookups of every string and of the indices just outside the table.
#include "FuzzSupport.h"

#include "fido/MailerLng.h"

#include <optional>

using namespace tarvix;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Setup();
    std::optional<TBinkLng> lng;
    try {
        lng.emplace(TBinkLng::FromBytes(std::string(fuzz::AsText(data, size))));
    } catch (const EMailerLngError& e) {
        (void)e.what();
        return 0;
    }
    const auto count = static_cast<std::int64_t>(lng->Count());
    for (std::int64_t i = -1; i <= count; ++i) {
        std::string s = lng->GetStr(i);
        std::string cut = lng->GetCut(i);
        TARVIX_FUZZ_CHECK(s.find('\0') == std::string::npos && s.size() < size);
        TARVIX_FUZZ_CHECK(cut.size() <= s.size() && cut.find('%') == std::string::npos);
        if (i < 0 || i == count)
            TARVIX_FUZZ_CHECK(s.empty() && cut.empty());
    }
    (void)lng->GetStr(INT64_MAX);
    (void)lng->GetCut(INT64_MIN);
    return 0;
}
