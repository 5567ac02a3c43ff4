// files.bbs download counters over a file of any content: the counters of the names
// the file holds are read, set and saved, and the saved file read again.
//
// Input: byte 0 chooses the counter brackets, the padding, the width and the backup
// copy; byte 1 the values set; the rest is the files.bbs.
#include "FuzzSupport.h"

#include "engine/FilesBbs.h"

#include <climits>
#include <filesystem>
#include <map>

using namespace tarvix;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Setup();
    if (size < 2)
        return 0;
    static const std::string dir = [] {
        std::string d = fuzz::WorkPath("filesbbs");
        std::filesystem::create_directories(d);
        return d;
    }();
    const std::string path = dir + "/files.bbs";
    const std::uint8_t mode = data[0];
    const std::uint8_t seed = data[1];
    const std::string_view content = fuzz::AsText(data + 2, size - 2);
    fuzz::WriteFile(path, content);

    static const char lefts[] = "[({|";
    static const char rights[] = "])}|";
    static const int widths[] = {3, 0, 1, 5, 10, 255, 2, 4};
    TDLCSettings settings;
    settings.Left = lefts[mode & 3];
    settings.Right = rights[(mode >> 2) & 3];
    settings.Lead = (mode & 16) ? ' ' : '0';
    settings.Digits = widths[(mode >> 5) & 7];
    settings.BackupX = (seed & 1) != 0;

    TFilesBbs bbs(settings);
    bbs.Load(path);
    const std::vector<std::string> before = bbs.Lines();

    // The names of the entries, and the value each one is given.
    std::map<std::string, int> set;
    int value = seed & 2 ? INT_MAX - seed : seed;
    for (const std::string& line : before) {
        if (set.size() >= 16)
            break;
        if (line.empty() || line[0] == ' ' || line[0] == '\t')
            continue;
        std::string name = line.substr(0, line.find_first_of(" \t"));
        (void)bbs.GetCounter(name);
        bbs.SetCounter(name, value);
        for (char& c : name)
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 'a' + 'A');
        set[name] = value;
        value = value == INT_MAX ? 0 : value + 1;
    }
    bbs.SetCounter("NO SUCH NAME", 1);
    TARVIX_FUZZ_CHECK(bbs.Modified() == !set.empty());
    for (const auto& [name, v] : set)
        TARVIX_FUZZ_CHECK(bbs.GetCounter(name) == v);

    bbs.Save(path);
    TARVIX_FUZZ_CHECK(!bbs.Modified());
    TFilesBbs again(settings);
    again.Load(path);
    TARVIX_FUZZ_CHECK(again.Lines().size() == before.size());
    std::size_t changed = 0;
    for (std::size_t i = 0; i < before.size(); ++i)
        changed += again.Lines()[i] != before[i];
    TARVIX_FUZZ_CHECK(changed <= set.size());
    for (const auto& [name, v] : set)
        TARVIX_FUZZ_CHECK(again.GetCounter(name) == v);
    if (settings.BackupX && !set.empty())
        TARVIX_FUZZ_CHECK(fuzz::ReadFile(dir + "/" + TFilesBbs::BackupFileName) == content);
    return 0;
}
