#include "ui/TextSearch.h"

#include <QChar>

#include <algorithm>
#include <cstring>
#include <iterator>

namespace tarvix {

namespace {

char32_t Fold(char32_t c)
{
    return QChar::toCaseFolded(c);
}

}  // namespace

TTextSearch::TTextSearch(const QString& pattern, CodePage cp, bool matchCase) : cp_(cp), matchCase_(matchCase)
{
    if (pattern.isEmpty())
        return;
    const std::string utf8 = pattern.toStdString();
    bytes_ = EncodeFromUtf8(utf8, cp, '\0');
    // A character the page lacks comes back as a zero byte, which decodes to
    // something else: such a pattern occurs nowhere.
    if (bytes_.empty() || DecodeToUtf8(bytes_, cp) != utf8)
        return;
    valid_ = true;

    if (cp != CodePage::UTF8) {
        for (int b = 0; b < 256; ++b) {
            fold_[b] = static_cast<unsigned char>(b);
            if (matchCase)
                continue;
            // The byte of the folded character, when the page has it.
            char32_t folded = Fold(DecodeByte(static_cast<unsigned char>(b), cp));
            std::string back;
            AppendUtf8(back, folded);
            std::string enc = EncodeFromUtf8(back, cp, '\0');
            if (enc.size() == 1 && enc[0] != '\0')
                fold_[b] = static_cast<unsigned char>(enc[0]);
        }
        for (int b = 0; b < 256; ++b)
            first_[b] = fold_[b] == fold_[static_cast<unsigned char>(bytes_[0])];
        for (char& c : bytes_)
            c = static_cast<char>(fold_[static_cast<unsigned char>(c)]);
        return;
    }

    if (matchCase) {
        first_[static_cast<unsigned char>(bytes_[0])] = true;
        return;
    }
    for (std::size_t pos = 0; pos < bytes_.size();)
        folded_.push_back(Fold(DecodeNextChar(bytes_, pos, cp)));
    // A match starts with the first byte of a character that folds to the pattern's
    // first character: that character itself or one of its other cases.
    std::size_t pos0 = 0;
    const char32_t c0 = DecodeNextChar(bytes_, pos0, cp);
    for (char32_t v : {c0, folded_[0], static_cast<char32_t>(QChar::toUpper(c0)),
                       static_cast<char32_t>(QChar::toLower(c0)), static_cast<char32_t>(QChar::toTitleCase(c0))}) {
        std::string enc;
        AppendUtf8(enc, v);
        first_[static_cast<unsigned char>(enc[0])] = true;
    }
}

std::size_t TTextSearch::MatchAt(std::string_view text, std::size_t pos) const
{
    if (cp_ != CodePage::UTF8) {
        if (text.size() - pos < bytes_.size())
            return 0;
        const unsigned char* t = reinterpret_cast<const unsigned char*>(text.data() + pos);
        for (std::size_t i = 0; i < bytes_.size(); ++i) {
            if (fold_[t[i]] != static_cast<unsigned char>(bytes_[i]))
                return 0;
        }
        return bytes_.size();
    }
    if (matchCase_) {
        if (text.size() - pos < bytes_.size() || std::memcmp(text.data() + pos, bytes_.data(), bytes_.size()) != 0)
            return 0;
        return bytes_.size();
    }
    std::size_t at = pos;
    for (char32_t want : folded_) {
        if (at >= text.size())
            return 0;
        if (Fold(DecodeNextChar(text, at, cp_)) != want)
            return 0;
    }
    return at - pos;
}

TTextSearch::TMatch TTextSearch::FindForward(std::string_view text, std::size_t from) const
{
    if (!valid_ || from >= text.size())
        return {};
    if (matchCase_) {
        // A plain byte search: the pattern's bytes are the text's.
        std::size_t pos = text.find(bytes_, from);
        return pos == std::string_view::npos ? TMatch{} : TMatch{pos, bytes_.size()};
    }
    // The bytes a match can start with (mostly a letter in both cases): each is
    // found with memchr, and the nearest one is the next candidate.
    unsigned char starts[4];
    std::size_t count = 0;
    for (int b = 0; b < 256; ++b) {
        if (first_[b]) {
            if (count == std::size(starts))
                return ScanForward(text, from);
            starts[count++] = static_cast<unsigned char>(b);
        }
    }
    const char* p = text.data();
    const std::size_t n = text.size();
    auto find = [&](unsigned char b, std::size_t at) {
        const void* hit = std::memchr(p + at, b, n - at);
        return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - p) : n;
    };
    std::size_t next[std::size(starts)];  // the next place of each start byte, n for none
    for (std::size_t k = 0; k < count; ++k)
        next[k] = find(starts[k], from);
    for (;;) {
        const std::size_t best = *std::min_element(next, next + count);
        if (best >= n)
            return {};
        if (std::size_t len = MatchAt(text, best))
            return {best, len};
        for (std::size_t k = 0; k < count; ++k) {
            if (next[k] == best)
                next[k] = find(starts[k], best + 1);
        }
    }
}

TTextSearch::TMatch TTextSearch::ScanForward(std::string_view text, std::size_t from) const
{
    const unsigned char* t = reinterpret_cast<const unsigned char*>(text.data());
    for (std::size_t pos = from; pos < text.size(); ++pos) {
        if (!first_[t[pos]])
            continue;
        if (std::size_t len = MatchAt(text, pos))
            return {pos, len};
    }
    return {};
}

TTextSearch::TMatch TTextSearch::FindBackward(std::string_view text, std::size_t before) const
{
    if (!valid_)
        return {};
    const unsigned char* t = reinterpret_cast<const unsigned char*>(text.data());
    for (std::size_t pos = std::min(before, text.size()); pos > 0;) {
        --pos;
        if (!first_[t[pos]])
            continue;
        if (std::size_t len = MatchAt(text, pos))
            return {pos, len};
    }
    return {};
}

}  // namespace tarvix
