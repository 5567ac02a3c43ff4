#include "platform/MappedFile.h"

#include "platform/Error.h"
#include "platform/UniqueFd.h"

#include <fcntl.h>
#include <limits>
#include <sys/mman.h>
#include <sys/stat.h>
#include <utility>

namespace tarvix {

TMappedFile::TMappedFile(const std::string& path) : path_(path)
{
    // Non-blocking, so that a FIFO given by mistake is refused rather than waited on.
    UniqueFd f(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (f.fd < 0)
        throw EFOpenError("Cannot open file " + path);
    struct stat st {};
    if (::fstat(f.fd, &st) != 0)
        throw EReadError("Stream read error");
    if (!S_ISREG(st.st_mode))
        throw EFOpenError("Cannot open file " + path);
    if (st.st_size < 0 ||
        static_cast<std::uint64_t>(st.st_size) > std::numeric_limits<std::size_t>::max())
        throw EReadError("Stream read error");
    if (st.st_size == 0)
        return;
    std::size_t size = static_cast<std::size_t>(st.st_size);
    void* map = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, f.fd, 0);
    if (map == MAP_FAILED)
        throw EReadError("Stream read error");
    map_ = map;
    data_ = static_cast<const char*>(map);
    size_ = size;
}

TMappedFile::~TMappedFile()
{
    Unmap();
}

TMappedFile::TMappedFile(TMappedFile&& other) noexcept
    : path_(std::move(other.path_)),
      data_(std::exchange(other.data_, "")),
      size_(std::exchange(other.size_, 0)),
      map_(std::exchange(other.map_, nullptr))
{
}

TMappedFile& TMappedFile::operator=(TMappedFile&& other) noexcept
{
    if (this != &other) {
        Unmap();
        path_ = std::move(other.path_);
        data_ = std::exchange(other.data_, "");
        size_ = std::exchange(other.size_, 0);
        map_ = std::exchange(other.map_, nullptr);
    }
    return *this;
}

void TMappedFile::Unmap()
{
    if (map_)
        ::munmap(map_, static_cast<std::size_t>(size_));
    map_ = nullptr;
    data_ = "";
    size_ = 0;
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

}  // namespace tarvix
