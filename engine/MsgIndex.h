// The texts of a mailer's language file that the message of a log line is compared
// with, filed by their first bytes. One look-up per line gives the few texts the
// message may begin with, one bit each, so that the parser's chain of tests becomes
// a chain of bit tests and a line costs a compare or two. Texts of 4 bytes or more
// are filed by their first 4 bytes (the texts of a mailer differ there but for a
// few); shorter ones are candidates for every message.
#pragma once

#include "platform/Scan.h"

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace tarvix {

// A text compared with the start of a message as machine words: its first 8 bytes
// (fewer under a mask) decide most messages, its last 8 (for a text of 9 to 16
// bytes) or the rest of it the others. The loads take Need() bytes of the message; a
// shorter message must be compared byte by byte. An empty text begins no message.
class TMsgWords {
public:
    void Set(std::string_view text)
    {
        const std::size_t n = text.size();
        *this = TMsgWords();
        size_ = n;
        if (n == 0)
            return;  // the head of 1 no masked word equals
        char head[8] = {};
        std::memcpy(head, text.data(), n < 8 ? n : 8);
        head_ = LoadWord8(head);
        // The mask keeps the first n bytes of a word in memory order.
        if (n >= 8)
            mask_ = ~std::uint64_t{0};
        else if constexpr (std::endian::native == std::endian::big)
            mask_ = ~(~std::uint64_t{0} >> (8 * n));
        else
            mask_ = (std::uint64_t{1} << (8 * n)) - 1;
        if (n > 8 && n <= 16)
            tail_ = LoadWord8(text.data() + n - 8);
    }

    std::size_t Need() const { return size_ > 8 ? size_ : 8; }

    // Whether the message at msg (Need() bytes readable) begins with text, the text
    // Set was given.
    bool Begins(const char* msg, std::string_view text) const
    {
        if ((LoadWord8(msg) & mask_) != head_)
            return false;
        if (size_ <= 16)
            return size_ <= 8 || LoadWord8(msg + size_ - 8) == tail_;
        return SameBytes(msg + 8, text.data() + 8, size_ - 8);
    }

private:
    std::uint64_t head_ = 1, mask_ = 0, tail_ = 0;
    std::size_t size_ = 0;
};

class TMsgIndex {
public:
    static constexpr std::size_t kMaxTexts = 32;

    // Forgets every text.
    void Clear()
    {
        buckets_.fill(0);
        tiny_ = 0;
        for (std::string& t : texts_)
            t.clear();
    }

    // Files text number i (below kMaxTexts). An empty text begins no message.
    void Add(std::size_t i, std::string_view text)
    {
        texts_[i] = text;
        const std::uint32_t bit = std::uint32_t{1} << i;
        if (text.size() >= 4)
            buckets_[Bucket(LoadWord4(text.data()))] |= bit;
        else if (!text.empty())
            tiny_ |= bit;
    }

    // The texts the message may begin with, one bit per text; Begins decides.
    std::uint32_t Candidates(std::string_view msg) const
    {
        return msg.size() >= 4 ? buckets_[Bucket(LoadWord4(msg.data()))] | tiny_ : tiny_;
    }

    // Whether the message begins with text number i.
    bool Begins(std::string_view msg, std::size_t i) const
    {
        const std::string& text = texts_[i];
        return !text.empty() && msg.size() >= text.size() && SameBytes(msg.data(), text.data(), text.size());
    }

    const std::string& Text(std::size_t i) const { return texts_[i]; }

private:
    // Multiplicative hashing: the top bits depend on all four bytes.
    static constexpr int kBucketBits = 6;
    static std::size_t Bucket(std::uint32_t head)
    {
        return static_cast<std::size_t>((head * 0x9E3779B1u) >> (32 - kBucketBits));
    }

    std::array<std::uint32_t, std::size_t{1} << kBucketBits> buckets_{};
    std::uint32_t tiny_ = 0;
    std::array<std::string, kMaxTexts> texts_;
};

}  // namespace tarvix
