// The texts of a session (sysop, system, mailer, phone) in one word each instead of a
// view's two: a log of gigabytes holds millions of sessions, and their memory is most
// of an analysis'. A session text is a zero-terminated copy in the log's text pool,
// or a literal.
#pragma once

#include <cstddef>
#include <cstring>
#include <ostream>
#include <string_view>

namespace tarvix {

class TTextPool;

// A text handed out by the text pool: a view whose byte after the last is a zero.
// Only the pool makes them (the empty one aside).
class TPoolText : public std::string_view {
public:
    TPoolText() : std::string_view("") {}

private:
    friend class TTextPool;
    explicit TPoolText(std::string_view zeroTerminated) : std::string_view(zeroTerminated) {}
};

class TSessText {
public:
    TSessText() = default;
    TSessText(const char* text) : p_(text ? text : "") {}
    // A text with a zero byte in it ends there, as a log's text does.
    TSessText(TPoolText text) : p_(text.data() ? text.data() : "") {}

    std::string_view View() const { return p_; }
    operator std::string_view() const { return p_; }
    const char* data() const { return p_; }
    std::size_t size() const { return std::strlen(p_); }
    bool empty() const { return *p_ == '\0'; }

    friend bool operator==(TSessText a, TSessText b) { return a.View() == b.View(); }
    friend bool operator==(TSessText a, std::string_view b) { return a.View() == b; }
    friend bool operator==(TSessText a, const char* b) { return a.View() == std::string_view(b); }
    friend std::ostream& operator<<(std::ostream& out, TSessText t) { return out << t.View(); }

private:
    const char* p_ = "";
};

}  // namespace tarvix
