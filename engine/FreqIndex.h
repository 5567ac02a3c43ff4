// Readers of the T-Mail file-request index files.
//
// A mailer log often names only the file it sent for a request. The index files
// that T-Mail builds for its file-request processor map a file name to the
// directory that holds it, so that the download counter of the file can be raised
// in that directory's files.bbs. Two format versions exist:
//
// 2600: records of 512 bytes, sorted ascending by file name in byte order:
//     0   264  file name, zero-terminated
//     264 248  directory of the file, zero-terminated, without a trailing "\"
//
// 2604: a 256-byte header, a front-coded directory list, a table of the first two
// letters of the file names, and variable-length file records:
//     header  0   2  signature 3145h (bytes 45h 31h)
//             4   4  number of directories
//             8   4  size of the directory block, which follows the header
//             16  4  number of two-letter table entries
//             24  4  file offset of the two-letter table
//     directory entry: one byte giving how many leading characters the name shares
//             with the previous one, then the rest of the name, zero-terminated
//     table entry (6 bytes): two upper-case characters, 32-bit offset of the first
//             file record whose name starts with them
//     file record: 2-byte directory number, 8 unused bytes, a 16-byte name field;
//             when its last byte is not zero, 248 more bytes continue the name
// All numbers are little-endian.
//
// The readers check every size and offset against the real size of the file: a
// damaged header raises ENdxError when the index is opened, a damaged record makes
// FindFile report the name as not found. The file stays open while the reader
// lives and records are read when needed, since an index may be large.
#pragma once

#include "fido/Lng.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarvix {

// "TNdx.NoFilesIndex" (the file cannot be opened) or "TNdx.BadVersion" (it is not an
// index of the expected format), each formatted with the index file name.
TARVIX_EXCEPTION(ENdxError, ELException);

class TFileIndex {
public:
    // Opens the index read-only. fileName may be a DOS path from the mailer's
    // configuration; it is turned into a host path to open the file.
    // Raises ENdxError "TNdx.NoFilesIndex".
    explicit TFileIndex(std::string_view fileName);
    virtual ~TFileIndex();
    TFileIndex(const TFileIndex&) = delete;
    TFileIndex& operator=(const TFileIndex&) = delete;

    // The full path of the file called name (directory, "\", name), or an empty
    // text when the index does not hold it.
    virtual std::string FindFile(std::string_view name) = 0;

    // The name the index was opened with.
    const std::string& FileName() const { return fileName_; }

protected:
    // The current size of the index file, or -1 when it cannot be examined.
    std::int64_t CurrentSize() const;
    // Reads up to size bytes at offset into buf; the number read (less at the end
    // of the file), or -1 on a read error.
    std::int64_t ReadAt(std::uint64_t offset, void* buf, std::size_t size) const;

private:
    std::string fileName_;
    int fd_ = -1;
};

class TFileIndex2600 : public TFileIndex {
public:
    static constexpr std::size_t RecordSize = 512;
    static constexpr std::size_t NameSize = 264;
    static constexpr std::size_t DirSize = 248;

    explicit TFileIndex2600(std::string_view fileName);

    // Binary search by name, case-sensitive, over the whole 512-byte records of the
    // file as it is now (bytes after the last whole record are ignored).
    std::string FindFile(std::string_view name) override;
};

class TFileIndex2604 : public TFileIndex {
public:
    static constexpr std::uint16_t Signature = 0x3145;
    static constexpr std::size_t HeaderSize = 256;
    static constexpr std::size_t TableEntrySize = 6;
    static constexpr std::size_t RecordHeadSize = 10;
    static constexpr std::size_t NameFieldSize = 16;
    static constexpr std::size_t NameContinuationSize = 248;

    struct TableEntry {
        char First;
        char Second;
        std::uint32_t Offset;
    };

    // Reads the header, the directory list and the two-letter table. Raises
    // ENdxError "TNdx.NoFilesIndex" when the file cannot be opened and
    // "TNdx.BadVersion" for a wrong signature or any damage to these parts.
    explicit TFileIndex2604(std::string_view fileName);

    // Looks the name up in upper case (a to z); the result is the upper-case name
    // in its directory.
    std::string FindFile(std::string_view name) override;

    const std::vector<std::string>& Directories() const { return dirs_; }
    const std::vector<TableEntry>& Table() const { return table_; }

private:
    [[noreturn]] void BadVersion() const;

    std::vector<std::string> dirs_;
    std::vector<TableEntry> table_;
};

}  // namespace tarvix
