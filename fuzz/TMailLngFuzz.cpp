// The T-Mail language reader (zero-terminated entries) over any bytes, with lookups
// of every entry and of the numbers just outside the file.
#include "FuzzSupport.h"

#include "fido/MailerLng.h"

using namespace tarvix;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Setup();
    TTMailLng lng = TTMailLng::FromBytes(std::string(fuzz::AsText(data, size)));
    const auto count = static_cast<std::int64_t>(lng.Count());
    TARVIX_FUZZ_CHECK(lng.Count() <= size);
    std::size_t total = 0;
    for (std::int64_t i = 1; i <= count; ++i) {
        std::string s = lng.GetStr(i);
        std::string cut = lng.GetCut(i);
        TARVIX_FUZZ_CHECK(s.find('\0') == std::string::npos);
        TARVIX_FUZZ_CHECK(s.compare(0, cut.size(), cut) == 0 && cut.find('%') == std::string::npos);
        total += s.size() + 1;
    }
    TARVIX_FUZZ_CHECK(total <= size);
    for (std::int64_t bad : {std::int64_t(0), count + 1, std::int64_t(-1), INT64_MAX, INT64_MIN}) {
        try {
            (void)lng.GetStr(bad);
            TARVIX_FUZZ_CHECK(false);
        } catch (const EMailerLngError& e) {
            (void)e.what();
        }
    }
    return 0;
}
