// The files opened last with File > View log (or dropped on the main window), the
// newest first, for File > Reopen. Kept in the settings file, section "Reopen":
// "File1".."File10" the paths, "Style1".."Style10" the styles they were read with.
#pragma once

#include <string>
#include <vector>

namespace tarvix {

class TIniFile;

class TRecentFiles {
public:
    static constexpr std::size_t kMax = 10;
    struct TEntry {
        std::string Path;
        int Style = 0;
    };

    void Load(const TIniFile& ini);
    void Save(TIniFile& ini) const;
    // Puts a file first (once: an older entry of the same path goes).
    void Add(const std::string& path, int style);
    const std::vector<TEntry>& Entries() const { return entries_; }

private:
    std::vector<TEntry> entries_;
};

}  // namespace tarvix
