// What the download-counter update has counted in each log, and the update in flight.
//
// Each served request must raise its counter exactly once, however often the log is
// analysed and wherever a run is stopped. The state file beside the settings file
// (Tarvix.ini gives Tarvix.dlc) keeps, per log, the mark of the last line whose
// sends are counted, and the journal of the counter steps of a run not yet done:
// the mark and the journal are written together before the first files.bbs is, and
// the journal is cleared when the last one is written. A run that finds a journal
// applies it first (applying a step twice changes nothing, ApplyDownloadCounters),
// then counts only what lies after the mark.
#pragma once

#include "engine/FilesBbs.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarvix {

// A line of a log, found again after the log grew or lost its head: its offset, the
// length and a hash of its (at most 255) bytes.
struct TLineMark {
    std::int64_t Pos = -1;
    std::size_t Len = 0;
    std::uint64_t Hash = 0;
    bool Valid() const { return Pos >= 0; }
    bool operator==(const TLineMark&) const = default;
};

std::uint64_t LineHash(std::string_view line);

// The state file of one settings file, locked for as long as the object lives (a
// second run waits): read, then changed and written whole through the safe writer.
class TDLCState {
public:
    explicit TDLCState(const std::string& path);
    ~TDLCState();
    TDLCState(const TDLCState&) = delete;
    TDLCState& operator=(const TDLCState&) = delete;

    TLineMark Mark(const std::string& logKey) const;
    std::vector<TDLCStep> Journal(const std::string& logKey) const;
    // Writes the log's mark and journal (an empty journal clears it) to disk.
    void Commit(const std::string& logKey, const TLineMark& mark, const std::vector<TDLCStep>& journal);

    // The mark of a log, read without locking (for the analysis, which only watches
    // for the line); an unreadable file gives no mark.
    static TLineMark ReadMark(const std::string& path, const std::string& logKey);

private:
    std::string path_;
    int lockFd_ = -1;
    std::string text_;
};

// The state file of the open settings file (or of the default one).
std::string DLCStatePath();
// The key of a log in the state file: the full host path of its file.
std::string DLCLogKey(const std::string& logPath);

}  // namespace tarvix
