// The session history over bytes of any content, in both forms, and the lowering of
// its log positions after a cut of the T-Mail log.
//
// Input: byte 0 chooses the form (bit 0: the 100-byte form with its header) and the
// amount cut (the other bits); the rest is the file.
#include "FuzzSupport.h"

#include "engine/SessHistory.h"

using namespace tarvix;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Setup();
    if (size < 1)
        return 0;
    const bool longForm = (data[0] & 1) != 0;
    const std::int64_t cut = static_cast<std::int64_t>(data[0] >> 1) * 997;
    const std::string_view bytes = fuzz::AsText(data + 1, size - 1);
    try {
        const THistoryFile f = THistoryFile::Parse(bytes, "t-hist.$01", longForm);
        for (const THistoryRecord& r : f.Records)
            (void)r.Day();
        if (!longForm)
            TARVIX_FUZZ_CHECK(f.Records.size() == bytes.size() / THistoryFile::ShortRecord);
    } catch (const EHistoryError&) {
        TARVIX_FUZZ_CHECK(longForm);
    }
    try {
        const std::string lowered = LowerHistoryPositions(bytes, "t-hist.$01", cut);
        TARVIX_FUZZ_CHECK(lowered.size() == bytes.size());
        const THistoryFile before = THistoryFile::Parse(bytes, "t-hist.$01", true);
        const THistoryFile after = THistoryFile::Parse(lowered, "t-hist.$01", true);
        TARVIX_FUZZ_CHECK(after.Records.size() == before.Records.size());
        for (std::size_t i = 0; i < after.Records.size(); ++i) {
            TARVIX_FUZZ_CHECK(after.Records[i].LogStart >= 0 && after.Records[i].LogEnd >= 0);
            TARVIX_FUZZ_CHECK(after.Records[i].Start == before.Records[i].Start);
        }
    } catch (const EHistoryError&) {
    }
    return 0;
}
