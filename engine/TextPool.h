// The texts of an analysis kept once each. The systems, sysops, mailers and phones
// of millions of sessions are a few thousand distinct texts: a session holds
// pointers to the pool's copies instead of strings of its own, which keeps the records
// small and spares an allocation per text.
#pragma once

#include "engine/SessText.h"
#include "platform/Scan.h"

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

    // The pool's copy of the text, with a zero byte after it; valid until Clear() or
    // the pool's end. The empty text needs no copy.
    TPoolText Keep(std::string_view text)
    {
        // The same few texts come again and again (a node's sysop, system, phone): a
        // small table of the texts kept last, found by their size and first and last
        // bytes, spares most of them the hash and the search.
        if (text.size() >= 4) {
            const TRecent& r = recent_[RecentIndex(text)];
            if (r.size == text.size() && SameBytes(r.data, text.data(), text.size()))
                return TPoolText({r.data, r.size});
        }
        return KeepNew(text);
    }
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
    struct TRecent {
        const char* data = nullptr;
        std::size_t size = 0;  // 0: none
    };
    static constexpr std::size_t kRecent = 256;
    static std::size_t RecentIndex(std::string_view text)
    {
        const std::size_t n = text.size();
        const std::uint64_t ends = LoadWord4(text.data()) | std::uint64_t{LoadWord4(text.data() + n - 4)} << 32;
        return static_cast<std::size_t>(((ends ^ n) * 0x9E3779B97F4A7C15ull) >> 56);
    }
    // Keep's work when the text is not among the ones kept last.
    TPoolText KeepNew(std::string_view text);
    void Remember(std::string_view kept);
    TPoolText Copy(std::string_view text);
    void Grow();

    TRecent recent_[kRecent];

    std::vector<TSlot> slots_;  // a power of two, at most half used
    std::size_t count_ = 0;
    // The copies live in chunks that never move; a long text has storage of its own.
    std::vector<std::unique_ptr<char[]>> chunks_;
    std::vector<std::unique_ptr<char[]>> longTexts_;
    std::size_t used_ = kChunkSize;  // bytes used of the last chunk
};

}  // namespace tarvix
