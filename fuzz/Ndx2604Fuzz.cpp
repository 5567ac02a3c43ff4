// The 2604 index reader (header, front-coded directories, two-letter table, variable
// records) over an index file of any content, looking up the names its table points
// at and a few others.
#include "FuzzSupport.h"

#include "engine/FreqIndex.h"

#include <optional>

#include <cstring>

using namespace tarvix;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Setup();
    static const std::string path = fuzz::WorkPath("index2604.idx");
    fuzz::WriteFile(path, fuzz::AsText(data, size));
    std::optional<TFileIndex2604> index;
    try {
        index.emplace(path);
    } catch (const ENdxError& e) {
        (void)e.what();
        return 0;
    }
    TARVIX_FUZZ_CHECK(index->Directories().size() <= size && index->Table().size() <= size);

    std::vector<std::string> names = {"", "A", "a", "files.bbs", std::string(300, 'Z')};
    // The name field of the first record of each table entry, and of the record after it.
    for (const auto& e : index->Table()) {
        if (names.size() >= 64)
            break;
        std::size_t at = e.Offset;
        for (int k = 0; k < 2 && at + TFileIndex2604::RecordHeadSize < size; ++k) {
            const char* field = reinterpret_cast<const char*>(data + at + TFileIndex2604::RecordHeadSize);
            std::size_t room = size - at - TFileIndex2604::RecordHeadSize;
            std::size_t len = strnlen(field, std::min<std::size_t>(room, 264));
            names.emplace_back(field, len);
            at += TFileIndex2604::RecordHeadSize + (len < 16 ? 16 : 264);
        }
    }
    for (const std::string& name : names) {
        std::string found = index->FindFile(name);
        if (!found.empty()) {
            std::string upper = name;
            for (char& c : upper)
                if (c >= 'a' && c <= 'z')
                    c = static_cast<char>(c - 'a' + 'A');
            TARVIX_FUZZ_CHECK(found.size() >= upper.size());
            TARVIX_FUZZ_CHECK(found.compare(found.size() - upper.size(), std::string::npos, upper) == 0);
        }
    }
    return 0;
}
