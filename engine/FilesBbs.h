// Download counters in files.bbs, the file list of a file-request directory.
//
// Each line of a files.bbs is either a continuation line (empty, or starting with a
// blank), never changed, or an entry: the file name up to the first blank, blanks,
// optionally a counter (LeftChar, digits, RightChar), then the description:
//
//     FILE.ZIP      [012] The description
//     (continuation of the description)
//
// After a mailer log has been analysed, each file that was sent for a request gets
// its counter raised by one, the files.bbs of each directory rewritten once.
//
// A files.bbs is a file of the sysop's, read by other tools too: only the counter
// that is changed is rewritten; every other byte of the file, the line ends
// included (CR LF, LF or CR, and a last line without one), stays as it was.
#pragma once

#include <cstddef>
#include <exception>
#include <functional>
#include "engine/Sess.h"

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tarvix {

// The settings DLCLeft, DLCRight, DLCDigits, DLCLead and DLCBackupX.
struct TDLCSettings {
    char Left = '[';
    char Right = ']';
    int Digits = 3;
    char Lead = '0';
    bool BackupX = false;
};

class TFilesBbs {
public:
    // The name of the backup copy made beside a files.bbs before it is rewritten
    // when the setting DLCBackupX is on.
    static constexpr const char* BackupFileName = "filesbbs.bak";

    TFilesBbs() = default;
    explicit TFilesBbs(const TDLCSettings& settings);

    // Reads a files.bbs (a DOS or host path). A missing file gives an empty list.
    // Raises EFOpenError or EReadError when the file exists but cannot be read.
    // Modified becomes false.
    void Load(const std::string& path);

    // Writes the lines to path when Modified, first copying the file that is there
    // to BackupName in the same directory (keeping its date) when BackupName is not
    // empty. The file is replaced through a temporary file and a rename, so a
    // failure leaves the old content. Raises the file errors of CopyFileKeepDate and
    // WriteFileAtomic. Modified becomes false.
    void Save(const std::string& path);

    // The counter of the entry named fileName (ASCII letters in any case): its
    // value, 0 for an entry without a counter or whose counter holds no number, -1
    // when no entry has that name. With names that occur twice the first line counts.
    int GetCounter(std::string_view fileName) const;

    // Sets the counter of the entry named fileName to value; nothing happens when no
    // entry has that name. The counter is value in decimal padded on the left with
    // LeadChar to Digits characters, between LeftChar and RightChar. An existing
    // counter is replaced where it stands; an entry without one gets it after the
    // file name padded with blanks to 14 characters, then one blank and the
    // description.
    void SetCounter(std::string_view fileName, int value);

    // The lines without their line ends.
    const std::vector<std::string>& Lines() const { return lines_; }
    // A counter was changed since the last Load or Save.
    bool Modified() const { return modified_; }

    char LeftChar = '[';
    char RightChar = ']';
    int Digits = 3;
    char LeadChar = '0';
    std::string BackupName;

private:
    struct Entry {
        std::size_t nameEnd = 0;        // the name is [0, nameEnd)
        bool hasCounter = false;
        std::size_t counterBegin = 0;   // the LeftChar
        std::size_t counterEnd = 0;     // just after the RightChar
        std::size_t descBegin = 0;      // description, to the end of the line
    };

    Entry ParseEntry(const std::string& line) const;
    const std::string* FindLine(std::string_view fileName, std::size_t& index) const;

    std::vector<std::string> lines_;
    std::vector<std::string> ends_;  // the line end of each line, as read
    std::unordered_map<std::string, std::size_t> nameIndex_;  // upper-case name -> first line
    bool modified_ = false;
};

// One counter to raise: the entry FileName of the files.bbs at BbsPath goes from Old
// to New (Old plus the number of sends counted).
struct TDLCStep {
    std::string BbsPath;
    std::string FileName;  // upper case
    int Old = 0;
    int New = 0;
};

// The counters that the sent files raise, one files.bbs per directory:
// 1. a record without a directory gets the directory part of resolve(FileName);
// 2. the records are sorted by CompareDLC;
// 3. each directory's files.bbs is read, and each file that has an entry there
//    gives one step with its counter now and raised by the number of its records.
//    Directories that differ only in case count as one.
// Records whose directory stays unknown, and files without an entry, are skipped; so
// are those of a files.bbs that cannot be read, whose error goes to *error unless
// one is there already. Nothing is written.
std::vector<TDLCStep> PlanDownloadCounters(std::vector<TDLCFreq>& records, const TDLCSettings& settings,
                                           const std::function<std::string(const std::string& fileName)>& resolve,
                                           std::exception_ptr* error = nullptr);

// Writes the steps, each files.bbs once (the steps of one are next to each other). A
// step whose counter shows its New value already is done and left alone; any other
// counter is raised by New - Old. So the steps can be applied again after a run that
// was killed half-way, without counting twice what that run wrote. A files.bbs that
// cannot be read or written does not stop the others: its error goes to *error
// unless one is there already, and its steps are returned. progress is called after
// each files.bbs with the steps done and the total.
std::vector<TDLCStep> ApplyDownloadCounters(const std::vector<TDLCStep>& steps, const TDLCSettings& settings,
                                            const std::function<void(std::size_t done, std::size_t total)>& progress = {},
                                            std::exception_ptr* error = nullptr);

// Plans and applies at once, without a record of the work in flight (for callers
// that keep none); the first error is raised when all directories are done.
void UpdateDownloadCounters(std::vector<TDLCFreq>& records, const TDLCSettings& settings,
                            const std::function<std::string(const std::string& fileName)>& resolve,
                            const std::function<void(std::size_t done, std::size_t total)>& progress = {});

}  // namespace tarvix
