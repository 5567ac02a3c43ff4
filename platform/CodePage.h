// Code pages: decoding the bytes of mailer files to Unicode (UTF-8), encoding back,
// and the byte-for-byte OEM <-> ANSI mapping that replaces OemToChar/CharToOem.
//
// The engine keeps file contents as raw bytes. "OEM" is the DOS code page the mailers
// write (CP866 by default), "ANSI" the Windows code page (CP1251 by default). Text is
// decoded once, where it leaves the engine for the screen or a report.
//
// Single-byte pages keep ASCII (0x00..0x7F) as it is; only the upper half differs.
// CP1251 leaves byte 0x98 undefined: it decodes to U+FFFD, so it shows up as damage
// on screen instead of as an invisible control character (and it does not survive
// a decode/encode round trip).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tarvix {

enum class CodePage { CP866, CP437, CP850, CP1251, KOI8R, Latin1, UTF8 };

// The code page named by `name`, in any case and with surrounding blanks ignored:
// "cp866", "866", "ibm866", "cp437", "437", "ibm437", "cp850", "850", "ibm850",
// "cp1251", "1251", "windows-1251", "win1251", "koi8-r", "koi8r", "latin1",
// "latin-1", "iso-8859-1", "utf-8", "utf8". Dashes and underscores are not
// significant ("CP-866", "iso_8859_1"). Anything else gives nullopt.
std::optional<CodePage> CodePageFromName(std::string_view name);

// Canonical name: "CP866", "CP437", "CP850", "CP1251", "KOI8-R", "Latin-1", "UTF-8".
std::string_view CodePageName(CodePage cp);

// True for every page but UTF8.
bool IsSingleByte(CodePage cp);

// Bytes in `cp` -> UTF-8. For UTF8 input the result is always valid UTF-8: each
// ill-formed part (stray continuation byte, truncated sequence, overlong form,
// surrogate, value above U+10FFFF) becomes one U+FFFD, following the Unicode
// "maximal subpart" practice. Never throws on any input.
std::string DecodeToUtf8(std::string_view bytes, CodePage cp);

// The Unicode code point of one byte of a single-byte page. For UTF8 an ASCII byte
// gives itself and any other byte U+FFFD.
char32_t DecodeByte(unsigned char b, CodePage cp);

// The character that starts at bytes[pos] (pos < bytes.size()), moving pos past it:
// one byte of a single-byte page; for UTF8 one code point, or U+FFFD for one
// ill-formed part as DecodeToUtf8 cuts it. Walking a text with it gives exactly the
// characters of DecodeToUtf8 (a viewer uses it to map bytes to screen columns).
char32_t DecodeNextChar(std::string_view bytes, std::size_t& pos, CodePage cp);

// UTF-8 -> bytes in `cp`. Characters the page lacks become `replacement`, and so does
// each ill-formed part of the input (as DecodeToUtf8 would turn it into one U+FFFD).
// For a UTF8 target valid input is copied unchanged.
std::string EncodeFromUtf8(std::string_view utf8, CodePage cp, char replacement = '?');

// Appends the UTF-8 form of `c`; surrogates and values above U+10FFFF append U+FFFD.
void AppendUtf8(std::string& out, char32_t c);

// True when `bytes` is well-formed UTF-8 (no overlongs, surrogates or truncation).
bool IsValidUtf8(std::string_view bytes);

// Byte-for-byte mapping between an OEM and an ANSI single-byte page, built once as
// two 256-byte tables. ASCII maps to itself; a character present in both pages maps
// exactly; a character the target lacks gets a best fit: box drawing becomes '+',
// '-' or '|' after its shape (corners, tees and crosses '+', horizontals '-',
// verticals '|'), block and shade characters become '#', anything else '?'.
// When either page is UTF8 the mapping is the identity.
class OemAnsiMap {
public:
    explicit OemAnsiMap(CodePage oem = CodePage::CP866, CodePage ansi = CodePage::CP1251);

    CodePage Oem() const { return oem_; }
    CodePage Ansi() const { return ansi_; }

    std::string OemToAnsi(std::string_view s) const;
    std::string AnsiToOem(std::string_view s) const;
    void OemToAnsiInPlace(std::string& s) const;
    void AnsiToOemInPlace(std::string& s) const;
    unsigned char OemToAnsiByte(unsigned char b) const { return oemToAnsi_[b]; }
    unsigned char AnsiToOemByte(unsigned char b) const { return ansiToOem_[b]; }

private:
    CodePage oem_;
    CodePage ansi_;
    unsigned char oemToAnsi_[256];
    unsigned char ansiToOem_[256];
};

// The program-wide OEM and ANSI pages (settings; CP866 and CP1251 by default).
const OemAnsiMap& OemAnsi();
void SetOemAnsiPages(CodePage oem, CodePage ansi);

}  // namespace tarvix
