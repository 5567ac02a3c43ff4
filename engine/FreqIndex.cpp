#include "engine/FreqIndex.h"

#include "platform/HostPath.h"
#include "platform/ReadOpen.h"
#include "platform/SysCall.h"

#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvix {

namespace {

std::uint16_t Get16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

std::uint32_t Get32(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

char UpCase(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

std::string UpperAscii(std::string_view s)
{
    std::string r(s);
    for (char& c : r)
        c = UpCase(c);
    return r;
}

// The zero-terminated text at the start of a field, or false when the field holds
// no zero byte.
bool FieldText(const unsigned char* field, std::size_t size, std::string_view& text)
{
    const void* zero = std::memchr(field, 0, size);
    if (!zero)
        return false;
    text = std::string_view(reinterpret_cast<const char*>(field),
                            static_cast<std::size_t>(static_cast<const unsigned char*>(zero) - field));
    return true;
}

}  // namespace

// ---------------------------------------------------------------- TFileIndex

TFileIndex::TFileIndex(std::string_view fileName) : fileName_(fileName)
{
    std::string host = ToHostPath(fileName);
    try {
        fd_ = OpenRegularFile(host);
    } catch (const EFOpenError&) {
        fd_ = -1;
    }
    if (fd_ < 0)
        throw ENdxError("TNdx.NoFilesIndex", {fileName_});
}

TFileIndex::~TFileIndex()
{
    if (fd_ >= 0)
        ::close(fd_);
}

std::int64_t TFileIndex::CurrentSize() const
{
    struct stat st {};
    if (::fstat(fd_, &st) != 0)
        return -1;
    return static_cast<std::int64_t>(st.st_size);
}

std::int64_t TFileIndex::ReadAt(std::uint64_t offset, void* buf, std::size_t size) const
{
    if (offset > static_cast<std::uint64_t>(INT64_MAX))
        return 0;
    auto* out = static_cast<unsigned char*>(buf);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n =
            RetryOnSignal([&] { return ::pread(fd_, out + done, size - done, static_cast<off_t>(offset + done)); });
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return static_cast<std::int64_t>(done);
}

// ---------------------------------------------------------------- TFileIndex2600

TFileIndex2600::TFileIndex2600(std::string_view fileName) : TFileIndex(fileName) {}

std::string TFileIndex2600::FindFile(std::string_view name)
{
    // The size is taken anew for each search: the mailer may rebuild the index
    // while it is open here.
    std::int64_t size = CurrentSize();
    if (size <= 0)
        return {};
    std::uint64_t lo = 0;
    std::uint64_t n = static_cast<std::uint64_t>(size) / RecordSize;
    unsigned char rec[RecordSize];
    while (n > 0) {
        std::uint64_t mid = lo + n / 2;
        if (ReadAt(mid * RecordSize, rec, RecordSize) != static_cast<std::int64_t>(RecordSize))
            return {};  // the file shrank meanwhile
        std::string_view recName;
        if (!FieldText(rec, NameSize, recName))
            return {};  // a damaged record leaves the order unknown
        int c = recName.compare(name);
        if (c == 0) {
            std::string_view dir;
            if (!FieldText(rec + NameSize, DirSize, dir))
                return {};
            return std::string(dir) + "\\" + std::string(name);
        }
        if (c < 0) {
            lo = mid + 1;
            n = n - n / 2 - 1;
        } else {
            n = n / 2;
        }
    }
    return {};
}

// ---------------------------------------------------------------- TFileIndex2604

void TFileIndex2604::BadVersion() const { throw ENdxError("TNdx.BadVersion", {FileName()}); }

TFileIndex2604::TFileIndex2604(std::string_view fileName) : TFileIndex(fileName)
{
    std::int64_t size = CurrentSize();
    if (size < static_cast<std::int64_t>(HeaderSize))
        BadVersion();
    const std::uint64_t fileSize = static_cast<std::uint64_t>(size);

    unsigned char header[HeaderSize];
    if (ReadAt(0, header, HeaderSize) != static_cast<std::int64_t>(HeaderSize))
        BadVersion();
    if (Get16(header) != Signature)
        BadVersion();
    const std::uint32_t dirCount = Get32(header + 4);
    const std::uint32_t dirBlockSize = Get32(header + 8);
    const std::uint32_t tableCount = Get32(header + 16);
    const std::uint32_t tableOffset = Get32(header + 24);

    // Directory block. Each entry takes at least two bytes (the shared count and
    // the terminating zero), which bounds the count by the size of the block, and
    // the block by the size of the file, before anything is allocated.
    if (HeaderSize + std::uint64_t {dirBlockSize} > fileSize)
        BadVersion();
    if (std::uint64_t {dirCount} * 2 > dirBlockSize)
        BadVersion();
    std::vector<unsigned char> block(dirBlockSize);
    if (ReadAt(HeaderSize, block.data(), block.size()) != static_cast<std::int64_t>(block.size()))
        BadVersion();
    dirs_.reserve(dirCount);
    std::size_t pos = 0;
    std::string previous;
    for (std::uint32_t i = 0; i < dirCount; ++i) {
        if (pos >= block.size())
            BadVersion();
        std::size_t shared = block[pos++];
        if (shared > previous.size())
            BadVersion();
        std::string_view rest;
        if (!FieldText(block.data() + pos, block.size() - pos, rest))
            BadVersion();
        pos += rest.size() + 1;
        std::string dir = previous.substr(0, shared);
        dir += rest;
        dirs_.push_back(dir);
        previous = std::move(dir);
    }

    // Two-letter table.
    const std::uint64_t tableBytes = std::uint64_t {tableCount} * TableEntrySize;
    if (tableOffset > fileSize || tableBytes > fileSize - tableOffset)
        BadVersion();
    std::vector<unsigned char> table(static_cast<std::size_t>(tableBytes));
    if (ReadAt(tableOffset, table.data(), table.size()) != static_cast<std::int64_t>(table.size()))
        BadVersion();
    table_.reserve(tableCount);
    for (std::size_t i = 0; i < table.size(); i += TableEntrySize)
        table_.push_back({static_cast<char>(table[i]), static_cast<char>(table[i + 1]), Get32(&table[i + 2])});
}

std::string TFileIndex2604::FindFile(std::string_view name)
{
    if (name.empty())
        return {};
    const std::string key = UpperAscii(name);
    // A one-letter name is filed with a zero as its second character, the byte
    // that follows it in the record's name field.
    const char first = key[0];
    const char second = key.size() > 1 ? key[1] : '\0';

    const TableEntry* entry = nullptr;
    for (const TableEntry& e : table_) {
        if (e.First == first && e.Second == second) {
            entry = &e;
            break;
        }
    }
    if (!entry)
        return {};

    constexpr std::size_t kFullRecord = RecordHeadSize + NameFieldSize + NameContinuationSize;
    unsigned char rec[kFullRecord];
    std::uint64_t offset = entry->Offset;
    for (;;) {
        std::int64_t got = ReadAt(offset, rec, kFullRecord);
        if (got < static_cast<std::int64_t>(RecordHeadSize + NameFieldSize))
            return {};  // past the end, or a record cut short
        const unsigned char* field = rec + RecordHeadSize;
        std::size_t fieldSize = NameFieldSize;
        if (field[NameFieldSize - 1] != 0) {
            if (got < static_cast<std::int64_t>(kFullRecord))
                return {};
            fieldSize += NameContinuationSize;
        }
        std::string_view stored;
        if (!FieldText(field, fieldSize, stored))
            return {};  // a name without its end: the records cannot be followed
        const std::string recName = UpperAscii(stored);
        if (recName == key) {
            std::uint16_t dirNo = Get16(rec);
            if (dirNo >= dirs_.size())
                return {};
            // The name in its directory, whatever it holds: a stored name that looks
            // like a path ("\X", ".\X", "D:X") is still a name of that directory.
            const std::string& dir = dirs_[dirNo];
            if (dir.empty())
                return key;
            return dir.back() == '\\' ? dir + key : dir + "\\" + key;
        }
        const char recSecond = recName.size() > 1 ? recName[1] : '\0';
        if (recName.empty() || recName[0] != first || recSecond != second)
            return {};
        offset += RecordHeadSize + fieldSize;
    }
}

}  // namespace tarvix
