#include "ui/RecentFiles.h"

#include "platform/IniFile.h"

#include <algorithm>

namespace tarvix {

namespace {

constexpr const char* kSection = "Reopen";

}  // namespace

void TRecentFiles::Load(const TIniFile& ini)
{
    entries_.clear();
    for (std::size_t i = 1; i <= kMax; ++i) {
        std::string path = ini.ReadString(kSection, "File" + std::to_string(i), "");
        if (path.empty())
            continue;
        // The first of a path is the newest; a repeated one (a damaged file) is left out.
        if (std::any_of(entries_.begin(), entries_.end(), [&](const TEntry& e) { return e.Path == path; }))
            continue;
        const auto style = ini.ReadInteger(kSection, "Style" + std::to_string(i), 0);
        // A style number out of range reads the log as plain text.
        entries_.push_back({path, style >= 0 && style < 100 ? static_cast<int>(style) : 0});
    }
}

void TRecentFiles::Save(TIniFile& ini) const
{
    for (std::size_t i = 1; i <= kMax; ++i) {
        const bool has = i <= entries_.size();
        ini.WriteString(kSection, "File" + std::to_string(i), has ? entries_[i - 1].Path : std::string());
        ini.WriteInteger(kSection, "Style" + std::to_string(i), has ? entries_[i - 1].Style : 0);
    }
}

void TRecentFiles::Add(const std::string& path, int style)
{
    entries_.erase(std::remove_if(entries_.begin(), entries_.end(), [&](const TEntry& e) { return e.Path == path; }),
                   entries_.end());
    entries_.insert(entries_.begin(), TEntry{path, style});
    if (entries_.size() > kMax)
        entries_.resize(kMax);
}

}  // namespace tarvix
