// Readers of the mailers' own language files.
//
// A mailer writes its log lines from the message texts of its language file, and the
// user may have translated or edited them. The log parsers load the texts the mailer
// actually uses and match log lines against them. Four formats are read:
//
//   TTMailLng   T-Mail: a sequence of zero-terminated strings.
//   TSFMailLng  SF-Mail: an index of numbered, length-prefixed strings.
//   TFHMailLng  FhMail: a text file of named, quoted strings.
//   TBinkLng    BinkleyTerm style: a table of offsets into a block of strings.
//
// Each reader loads the whole file when it is constructed, checks every count, offset
// and length against the real size of the data, and answers lookups from memory.
// A damaged file raises EMailerLngError naming the file and the damage; a file that
// cannot be opened or read raises EFOpenError / EReadError. An object is never left
// half loaded. The texts are bytes as the mailer wrote them (no code page conversion).
//
// Every reader has a constructor from a host file name and a FromBytes function that
// parses bytes already in memory; the name given to FromBytes appears in messages.
#pragma once

#include "fido/StrDict.h"
#include "platform/Error.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tarvix {

// A language file that is damaged, or a T-Mail entry number out of range.
TARVIX_EXCEPTION(EMailerLngError, Exception);

// T-Mail language file: entry 1 starts at the first byte, entry k+1 right after the
// k-th zero byte. Zero bytes among the last two bytes of the file start no entry (the
// file ends in a two-byte trailer). Any sequence of bytes is a valid file, so only
// reading the file can fail. Files of any size are read (offsets are not 16-bit).
class TTMailLng {
public:
    explicit TTMailLng(const std::string& fileName);
    static TTMailLng FromBytes(std::string bytes, const std::string& name = "t-mail.lng");

    // The number of entries; valid indices are 1..Count().
    std::size_t Count() const { return offsets_.size() - 1; }
    // Entry Index (1-based) up to its zero byte. An index of 0 or above Count raises
    // EMailerLngError ".LNG index <Index> too large".
    std::string GetStr(std::int64_t index) const;
    // GetStr(Index) cut before its first "%" (the constant part of a message with
    // parameters); unchanged when it holds no "%".
    std::string GetCut(std::int64_t index) const;

private:
    TTMailLng(std::string bytes, int /*fromBytes*/);

    std::string bytes_;
    // offsets_[k] is the start of entry k+1; offsets_[Count] is the byte after the
    // last counted zero byte, so entry k+1 spans [offsets_[k], offsets_[k+1] - 1).
    std::vector<std::size_t> offsets_;
};

// SF-Mail language file (little-endian):
//   0..27   not read
//   28      u16 Count of index entries
//   30      u16 not read
//   32      Count x (u16 message number, u16 position)
//   then    the string area: length byte followed by that many characters
// A position is the 1-based offset within the string area of a string's length byte.
class TSFMailLng {
public:
    explicit TSFMailLng(const std::string& fileName);
    static TSFMailLng FromBytes(const std::string& bytes, const std::string& name = "sf-mail.lng");

    std::size_t Count() const { return entries_.size(); }
    // The text of message Number; "" when the number is not in the index.
    std::string GetStr(std::int64_t number) const;
    // GetStr(Number) cut before its first "%1".
    std::string GetCut(std::int64_t number) const;

private:
    struct Entry {
        std::uint16_t number;
        std::string text;
    };
    TSFMailLng() = default;
    void Load(const std::string& bytes, const std::string& name);

    std::vector<Entry> entries_;  // ascending by number
};

// FhMail language file: text lines of the form
//   KEY 'text' ['second text']
// Blank lines, lines starting with ";" and lines without a quoted text are ignored.
// Keys are stored in upper case; a second quoted text is stored under KEY + "2"; a key
// defined again replaces the earlier value. Lines end in CR LF, LF or CR, and only
// their first 250 characters are looked at.
class TFHMailLng {
public:
    explicit TFHMailLng(const std::string& fileName);
    static TFHMailLng FromBytes(const std::string& bytes);

    std::size_t Count() const { return dict_.Count(); }
    // The text under Key (compared without regard to case), or Key itself when absent.
    std::string GetStr(const std::string& key) const { return dict_.Lookup(key); }
    const TStrDict& Dict() const { return dict_; }

private:
    TFHMailLng() = default;
    void Load(const std::string& bytes);

    TStrDict dict_;
};

// BinkleyTerm-style language file (little-endian):
//   0       4 bytes not used
//   4       u16 Count of strings
//   6       u16 DataSize, the size of the string block
//   8       4 bytes not used
//   12      Count x u32 pointer; its low 16 bits are the string's block offset plus 4
//   then    the string block of DataSize bytes: zero-terminated strings
class TBinkLng {
public:
    explicit TBinkLng(const std::string& fileName);
    static TBinkLng FromBytes(const std::string& bytes, const std::string& name = "binkley.lng");

    std::size_t Count() const { return spans_.size(); }
    // String Index (0-based); "" when Index is negative or not below Count.
    std::string GetStr(std::int64_t index) const;
    // GetStr(Index) without its first character (the log-level mark the mailer writes
    // before each message), then cut before its first "%".
    std::string GetCut(std::int64_t index) const;

private:
    TBinkLng() = default;
    void Load(const std::string& bytes, const std::string& name);

    // The string block, and where in it each string lies. Many pointers may name the
    // same bytes, so the strings are not copied one by one: a small file could
    // otherwise make gigabytes of copies.
    struct Span {
        std::uint32_t offset;
        std::uint32_t size;
    };
    std::string block_;
    std::vector<Span> spans_;
};

}  // namespace tarvix
