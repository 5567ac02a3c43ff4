// A file mapped read-only into memory, so that a log of gigabytes is viewed
// without reading or copying it: pages come in from the page cache as they are
// touched.
//
// The mapping shows the file as it was sized when it was opened; bytes a writer
// appends later are not part of it (open the file again to see them). When another
// program shortens the file while it is mapped (a log rotated by truncation), the
// pages past its new end read as zero bytes: the system's bus error for such a read
// is caught and the vanished pages are replaced by zero pages, instead of the
// program being killed.
#pragma once

#include "platform/Decompress.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <ctime>

namespace tarvix {

class TMappedFile {
public:
    // Nothing mapped: an empty text.
    TMappedFile() = default;
    // Maps the whole file. Raises EFOpenError ("Cannot open file %s") when the file
    // cannot be opened or is no regular file, EReadError ("Stream read error") when
    // it cannot be examined or mapped. An empty file gives an empty text.
    explicit TMappedFile(const std::string& path);
    ~TMappedFile();
    TMappedFile(TMappedFile&& other) noexcept;
    TMappedFile& operator=(TMappedFile&& other) noexcept;
    TMappedFile(const TMappedFile&) = delete;
    TMappedFile& operator=(const TMappedFile&) = delete;

    // The bytes of the file; never a null pointer, also when empty.
    const char* Data() const { return data_; }
    std::uint64_t Size() const { return size_; }
    std::string_view View() const { return {data_, static_cast<std::size_t>(size_)}; }
    bool Empty() const { return size_ == 0; }
    const std::string& Path() const { return path_; }

    // Tells the system that the bytes will be read from first to last (a first pass
    // that indexes the lines), or back to its usual read-ahead (viewing).
    void AdviseSequential() const;
    void AdviseNormal() const;
    // Gives back the memory of the pages wholly inside the bytes [from, to): a reader
    // that has passed them keeps the process small. The bytes stay readable; touched
    // again, they come back from the file.
    void ReleasePages(std::uint64_t from, std::uint64_t to) const;
    // Maps the pages of [from, to) in one call, where the system can, so that
    // reading them takes no page fault each; nothing happens otherwise.
    void PopulatePages(std::uint64_t from, std::uint64_t to) const;

    // Whether the file is no longer what was mapped: cut shorter (also seen by a read
    // of a vanished page), rewritten in place at the same size, removed, or replaced
    // by another file of the name (a log rotated away). A file that only grew has not
    // changed: the mapping still shows its first bytes as they are.
    bool Changed() const;

    // A compressed file is not mapped but decompressed whole when it is opened: the
    // bytes are its content. Raises EReadError then when the data is damaged.
    TCompression Compression() const { return compression_; }

private:
    void Unmap();

    std::string path_;
    const char* data_ = "";
    std::uint64_t size_ = 0;
    void* map_ = nullptr;  // the mapping, null for an empty file
    int slot_ = -1;        // its slot in the bus error handler's table
    std::uint64_t device_ = 0, inode_ = 0;  // the file that was opened
    struct timespec mtime_ {};
    TCompression compression_ = TCompression::None;
    std::string text_;  // the content of a compressed file
};

}  // namespace tarvix
