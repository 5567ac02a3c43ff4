// T-Mail's file-request limits over bytes of any content: read, sorted in every
// order, and one node's amounts cleared in the file, which must then differ from
// the input only in that record's daily amounts.
//
// Input: byte 0 chooses the record cleared; the rest is freqlim.bin.
#include "FuzzSupport.h"

#include "engine/FreqLimits.h"

#include <filesystem>

using namespace tarvix;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Setup();
    if (size < 1)
        return 0;
    static const std::string dir = [] {
        std::string d = fuzz::WorkPath("freqlim");
        std::filesystem::create_directories(d);
        return d;
    }();
    const std::string_view bytes = fuzz::AsText(data + 1, size - 1);
    const std::string path = FreqLimPath(dir);
    fuzz::WriteFile(path, bytes);
    TFreqLimFile f = TFreqLimFile::Read(dir);
    TARVIX_FUZZ_CHECK(f.Entries.size() == bytes.size() / TFreqLimFile::RecordSize);
    if (f.Entries.empty())
        return 0;
    const TFreqLimEntry chosen = f.Entries[data[0] % f.Entries.size()];
    for (int order = 0; order < kFreqLimSortCount; ++order)
        SortFreqLimits(f.Entries, order);
    ClearFreqLimit(path, chosen);
    const std::string after = fuzz::ReadFile(path);
    TARVIX_FUZZ_CHECK(after.size() == bytes.size());
    const std::size_t from = (chosen.Number - 1) * TFreqLimFile::RecordSize + 8;
    for (std::size_t i = 0; i < after.size(); ++i)
        TARVIX_FUZZ_CHECK(after[i] == (i >= from && i < from + 60 ? '\0' : bytes[i]));
    return 0;
}
