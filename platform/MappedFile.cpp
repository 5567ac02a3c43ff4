#include "platform/MappedFile.h"

#include "platform/Decompress.h"
#include "platform/Error.h"
#include "platform/ReadOpen.h"
#include "platform/UniqueFd.h"

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdint>
#include <fcntl.h>
#include <limits>
#include <mutex>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace tarvix {

namespace {

// The mappings alive, for the bus error handler: a fixed table that the handler
// reads without locks. A slot is in use while its start is not zero.
constexpr int kSlots = 256;
std::atomic<std::uintptr_t> g_start[kSlots];
std::atomic<std::uintptr_t> g_end[kSlots];
// Set by the handler when a read of the slot's mapping found the file cut short.
std::atomic<bool> g_cut[kSlots];
std::uintptr_t g_pageSize = 4096;
struct sigaction g_previous {};
std::once_flag g_installed;

// A read of a mapped page past the end of a file that shrank: from that page to the
// end of the mapping, zero pages take the place of the file's, and the read goes on.
void OnBusError(int sig, siginfo_t* info, void* context)
{
    const std::uintptr_t addr = reinterpret_cast<std::uintptr_t>(info->si_addr);
    for (int i = 0; i < kSlots; ++i) {
        const std::uintptr_t start = g_start[i].load(std::memory_order_acquire);
        const std::uintptr_t end = g_end[i].load(std::memory_order_acquire);
        if (start == 0 || addr < start || addr >= end)
            continue;
        g_cut[i].store(true, std::memory_order_relaxed);
        const std::uintptr_t page = addr & ~(g_pageSize - 1);
        void* zero = ::mmap(reinterpret_cast<void*>(page), end - page, PROT_READ,
                            MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
        if (zero != MAP_FAILED)
            return;
        break;
    }
    // Not a read of one of ours: whatever was there before us handles it.
    if ((g_previous.sa_flags & SA_SIGINFO) && g_previous.sa_sigaction) {
        g_previous.sa_sigaction(sig, info, context);
    } else if (g_previous.sa_handler != SIG_DFL && g_previous.sa_handler != SIG_IGN) {
        g_previous.sa_handler(sig);
    } else {
        // The faulting read runs again and ends the program the usual way.
        ::signal(sig, SIG_DFL);
    }
}

void InstallBusErrorHandler()
{
    std::call_once(g_installed, [] {
        long size = ::sysconf(_SC_PAGESIZE);
        if (size > 0)
            g_pageSize = static_cast<std::uintptr_t>(size);
        struct sigaction action {};
        action.sa_sigaction = OnBusError;
        action.sa_flags = SA_SIGINFO | SA_NODEFER;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGBUS, &action, &g_previous);
    });
}

std::mutex g_slotsMutex;

int Register(const void* map, std::size_t size)
{
    InstallBusErrorHandler();
    std::lock_guard<std::mutex> lock(g_slotsMutex);
    for (int i = 0; i < kSlots; ++i) {
        if (g_start[i].load(std::memory_order_relaxed) != 0)
            continue;
        // The end first: the handler never sees a start without its end.
        g_cut[i].store(false, std::memory_order_relaxed);
        g_end[i].store(reinterpret_cast<std::uintptr_t>(map) + size, std::memory_order_release);
        g_start[i].store(reinterpret_cast<std::uintptr_t>(map), std::memory_order_release);
        return i;
    }
    // More mappings than slots: this one goes without the protection.
    return -1;
}

void Unregister(const void* map)
{
    std::lock_guard<std::mutex> lock(g_slotsMutex);
    for (int i = 0; i < kSlots; ++i) {
        if (g_start[i].load(std::memory_order_relaxed) == reinterpret_cast<std::uintptr_t>(map)) {
            g_start[i].store(0, std::memory_order_release);
            g_end[i].store(0, std::memory_order_release);
            return;
        }
    }
}

}  // namespace

TMappedFile::TMappedFile(const std::string& path) : path_(path)
{
    struct stat st {};
    UniqueFd f(OpenRegularFile(path, &st));
    if (st.st_size < 0 ||
        static_cast<std::uint64_t>(st.st_size) > std::numeric_limits<std::size_t>::max())
        throw EReadError("Stream read error");
    device_ = static_cast<std::uint64_t>(st.st_dev);
    inode_ = static_cast<std::uint64_t>(st.st_ino);
    mtime_ = st.st_mtim;
    if (st.st_size == 0)
        return;
    std::size_t size = static_cast<std::size_t>(st.st_size);
    void* map = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, f.fd, 0);
    if (map == MAP_FAILED)
        throw EReadError("Stream read error");
    map_ = map;
    data_ = static_cast<const char*>(map);
    size_ = size;
    slot_ = Register(map, size);

    // A compressed file (an old log as logrotate leaves it) shows its content, which
    // is read once, whole: nothing of the file itself is used after that.
    compression_ = CompressionOf(View().substr(0, 16));
    if (compression_ != TCompression::None) {
        std::string text = Decompress(View(), compression_, path);
        Unmap();
        text_ = std::move(text);
        data_ = text_.data();
        size_ = text_.size();
    }
}

bool TMappedFile::Changed() const
{
    if (compression_ != TCompression::None)
        return false;  // read whole when it was opened
    if (slot_ >= 0 && g_cut[slot_].load(std::memory_order_relaxed))
        return true;
    struct stat st {};
    if (::stat(path_.c_str(), &st) != 0)
        return true;  // removed or moved away
    if (static_cast<std::uint64_t>(st.st_dev) != device_ || static_cast<std::uint64_t>(st.st_ino) != inode_)
        return true;  // another file by the name now
    const auto size = static_cast<std::uint64_t>(st.st_size);
    if (size < size_)
        return true;  // cut short
    // Grown is fine (a writer appended); the same size with a new time means the
    // bytes were rewritten in place.
    return size == size_ && (st.st_mtim.tv_sec != mtime_.tv_sec || st.st_mtim.tv_nsec != mtime_.tv_nsec);
}

TMappedFile::~TMappedFile()
{
    Unmap();
}

TMappedFile::TMappedFile(TMappedFile&& other) noexcept
    : path_(std::move(other.path_)),
      data_(std::exchange(other.data_, "")),
      size_(std::exchange(other.size_, 0)),
      map_(std::exchange(other.map_, nullptr)),
      slot_(std::exchange(other.slot_, -1)),
      device_(other.device_),
      inode_(other.inode_),
      mtime_(other.mtime_),
      compression_(other.compression_),
      text_(std::move(other.text_))
{
    if (compression_ != TCompression::None)
        data_ = text_.data();
}

TMappedFile& TMappedFile::operator=(TMappedFile&& other) noexcept
{
    if (this != &other) {
        Unmap();
        path_ = std::move(other.path_);
        data_ = std::exchange(other.data_, "");
        size_ = std::exchange(other.size_, 0);
        map_ = std::exchange(other.map_, nullptr);
        slot_ = std::exchange(other.slot_, -1);
        device_ = other.device_;
        inode_ = other.inode_;
        mtime_ = other.mtime_;
        compression_ = other.compression_;
        text_ = std::move(other.text_);
        if (compression_ != TCompression::None)
            data_ = text_.data();
    }
    return *this;
}

void TMappedFile::Unmap()
{
    if (map_) {
        Unregister(map_);
        ::munmap(map_, static_cast<std::size_t>(size_));
    }
    map_ = nullptr;
    slot_ = -1;
    data_ = "";
    size_ = 0;
    std::string().swap(text_);
}

void TMappedFile::AdviseSequential() const
{
    if (map_)
        (void)::madvise(map_, static_cast<std::size_t>(size_), MADV_SEQUENTIAL);
}

void TMappedFile::AdviseNormal() const
{
    if (map_)
        (void)::madvise(map_, static_cast<std::size_t>(size_), MADV_NORMAL);
}

void TMappedFile::PopulatePages(std::uint64_t from, std::uint64_t to) const
{
#ifdef MADV_POPULATE_READ
    if (!map_)
        return;
    to = std::min(to, size_);
    const std::uint64_t page = g_pageSize;
    from = from / page * page;
    if (from >= to)
        return;
    // Fails on older systems and where the file has shrunk: the pages then come in
    // by faults as they are read.
    (void)::madvise(static_cast<char*>(map_) + from, static_cast<std::size_t>(to - from), MADV_POPULATE_READ);
#else
    (void)from;
    (void)to;
#endif
}

void TMappedFile::ReleasePages(std::uint64_t from, std::uint64_t to) const
{
    if (!map_)
        return;
    to = std::min(to, size_);
    const std::uint64_t page = g_pageSize;
    from = (from + page - 1) / page * page;
    to = to / page * page;
    if (from >= to)
        return;
    // The mapping is private and never written: dropped pages are read from the file
    // again when touched (or are zero pages where the file was cut short).
    (void)::madvise(static_cast<char*>(map_) + from, static_cast<std::size_t>(to - from), MADV_DONTNEED);
}

}  // namespace tarvix
