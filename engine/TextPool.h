// The texts of an analysis kept once each. The systems, sysops, mailers and phones
// of millions of sessions are a few thousand distinct texts: a session holds views
// of the pool's copies instead of strings of its own, which keeps the records small
// and spares an allocation per text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace tarvix {

class TTextPool {
public:
    TTextPool() = default;
    TTextPool(const TTextPool&) = delete;
    TTextPool& operator=(const TTextPool&) = delete;

    // The pool's copy of the text; valid until Clear() or the pool's end. The empty
    // text needs no copy.
    std::string_view Keep(std::string_view text);
    // Forgets every text: the views handed out before must no longer be used.
    void Clear();
    std::size_t Count() const { return count_; }

private:
    static constexpr std::size_t kChunkSize = 64 * 1024;

    // An open-addressing table of the copies: one probe finds most texts.
    struct TSlot {
        const char* data = nullptr;  // none: a free slot
        std::uint32_t size = 0;
        std::uint32_t hash = 0;
    };
    std::string_view Copy(std::string_view text);
    void Grow();

    std::vector<TSlot> slots_;  // a power of two, at most half used
    std::size_t count_ = 0;
    // The copies live in chunks that never move; a long text has storage of its own.
    std::vector<std::unique_ptr<char[]>> chunks_;
    std::vector<std::unique_ptr<char[]>> longTexts_;
    std::size_t used_ = kChunkSize;  // bytes used of the last chunk
};

}  // namespace tarvix
