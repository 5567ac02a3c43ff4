// The 2600 index reader (512-byte records, binary search) over an index file of any
// content, looking up the names its records hold and a few others.
#include "FuzzSupport.h"

#include "engine/FreqIndex.h"

#include <cstring>

using namespace tarvix;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Setup();
    static const std::string path = fuzz::WorkPath("index26.idx");
    fuzz::WriteFile(path, fuzz::AsText(data, size));
    TFileIndex2600 index(path);

    std::vector<std::string> names = {"", "A", "FILES.BBS", std::string(300, 'Z')};
    for (std::size_t at = 0; at + TFileIndex2600::RecordSize <= size && names.size() < 64;
         at += TFileIndex2600::RecordSize) {
        const char* rec = reinterpret_cast<const char*>(data + at);
        names.emplace_back(rec, strnlen(rec, TFileIndex2600::NameSize));
    }
    for (const std::string& name : names) {
        std::string found = index.FindFile(name);
        if (!found.empty()) {
            // The directory of the record, "\" and the name.
            TARVIX_FUZZ_CHECK(found.size() > name.size());
            TARVIX_FUZZ_CHECK(found.compare(found.size() - name.size() - 1, std::string::npos, "\\" + name) == 0);
        }
    }
    return 0;
}
