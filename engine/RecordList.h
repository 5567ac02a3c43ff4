// A list of the records of an analysis (sessions, requests): appended to one at a
// time, read by index. The records live in blocks of a fixed count that are never
// moved, so that a record keeps its address while others are added, growing never
// copies the list, and millions of records cost a few thousand allocations.
#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace tarvix {

template <typename T, std::size_t BlockSize = 256>
class TRecordList {
public:
    TRecordList() = default;
    ~TRecordList() { clear(); }
    TRecordList(const TRecordList&) = delete;
    TRecordList& operator=(const TRecordList&) = delete;

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }

    T& operator[](std::size_t i) { return *Slot(i); }
    const T& operator[](std::size_t i) const { return *Slot(i); }
    T& back() { return *Slot(size_ - 1); }
    const T& back() const { return *Slot(size_ - 1); }

    T& push_back(T&& value)
    {
        if (size_ == blocks_.size() * BlockSize)
            blocks_.push_back(std::unique_ptr<TStorage[]>(new TStorage[BlockSize]));
        T* slot = ::new (static_cast<void*>(&blocks_[size_ / BlockSize][size_ % BlockSize])) T(std::move(value));
        ++size_;
        return *slot;
    }

    // Destroys the records; the first block is kept for the next ones.
    void clear()
    {
        for (std::size_t i = 0; i < size_; ++i)
            Slot(i)->~T();
        size_ = 0;
        if (blocks_.size() > 1)
            blocks_.resize(1);
    }

private:
    struct alignas(T) TStorage {
        unsigned char bytes[sizeof(T)];
    };

    T* Slot(std::size_t i) const
    {
        return std::launder(reinterpret_cast<T*>(blocks_[i / BlockSize][i % BlockSize].bytes));
    }

    std::vector<std::unique_ptr<TStorage[]>> blocks_;
    std::size_t size_ = 0;
};

}  // namespace tarvix
