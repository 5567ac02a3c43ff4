// T-Mail's traffic file over bytes of any content: read for both record forms,
// sorted in every order and written as the report.
//
// Input: byte 0 chooses the version (bit 0: 2605 with kilobyte fields, else 2604);
// the rest is the file.
#include "FuzzSupport.h"

#include "engine/TMailTraffic.h"

using namespace tarvix;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Setup();
    if (size < 1)
        return 0;
    const std::string_view bytes = fuzz::AsText(data + 1, size - 1);
    TTrafficFile f = TTrafficFile::Parse(bytes, "t-mail.s01", (data[0] & 1) ? 2605 : 2604);
    TARVIX_FUZZ_CHECK(f.Records.size() == bytes.size() / TTrafficFile::RecordSize);
    TARVIX_FUZZ_CHECK(f.Damage.empty() == (bytes.size() % TTrafficFile::RecordSize == 0));
    for (int order = 0; order < kTrafficSortCount; ++order) {
        SortTraffic(f.Records, order);
        TARVIX_FUZZ_CHECK(TrafficReport(f, 0).size() == f.Records.size() + 9);
    }
    return 0;
}
