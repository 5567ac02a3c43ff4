// Delphi-style Format: the message texts of the interface language files and the
// cells of the reports are format strings in the Delphi SysUtils.Format syntax.
//
//   "%" [index ":"] ["-"] [width] ["." prec] type        "%%" is a literal "%"
//
// index, width and prec are decimal numbers or "*", which takes the value from the
// next argument (that argument must be an integer). After an explicit index the
// following format items without one go on with index + 1, index + 2, ... Width pads
// with spaces on the left, or on the right after "-". There is no "0" flag: in
// "%05d" the 0 is part of the width. The type letter may be in either case.
//
//   d  integer; prec = minimum number of digits, zeros go after the sign
//   u  integer as unsigned; a negative value that fits in 32 bits is shown as its
//      32-bit unsigned value (as Delphi shows an Integer), any other as 64-bit
//   x  integer in upper-case hexadecimal, prec = minimum digits; negative values
//      as 32-bit two's complement when they fit in 32 bits, else as 64-bit
//   p  as x with at least 8 digits; prec is ignored
//   e  float, scientific, prec significant digits (default 15, 2 to 18):
//      1000 gives "1.00000000000000E+003"
//   f  float, fixed, prec decimals (default 2, at most 18)
//   g  float, general: the shorter of fixed and scientific, prec significant
//      digits (default 15, 2 to 18), no trailing zeros; scientific when the value
//      has more integer digits than prec or is below 0.0001, written with at
//      least 3 exponent digits and a sign only when negative: 1e20 gives "1E020"
//   n  as f with thousands separators: 1234567.891 gives "1,234,567.89"
//   m  money: as n (default 2 decimals), without a currency symbol
//   s  string; prec = maximum number of characters
//
// Floats are rounded as Delphi does: first to 18 significant digits, then half
// away from zero to the digits asked for ("%.2f" of 0.125 gives "0.13", "%.0f"
// of 2.5 gives "3"). f, n and m of a value with more than 18 integer digits fall
// back to the general form. NaN and infinities are written "NAN", "INF", "-INF".
// The decimal separator is always "." and the thousands separator ",".
//
// For %s, width and prec count characters: UTF-8 code points when the argument
// is valid UTF-8, otherwise bytes (text in a single-byte code page).
//
// Errors raise EConvertError "Format '<fmt>' invalid or incompatible with argument":
// a lone "%" at the end, a format item without type letter, an unknown type letter,
// a missing argument, an index beyond the arguments, a "*" whose argument is not
// an integer, and an argument of the wrong kind. As in Delphi the kinds do not
// mix: d/u/x/p take integers only, e/f/g/n/m floats only (an integer given to %f
// is an error), s strings only (a number given to %s is an error). Width and
// precision above MaxFormatWidth (given as digits or through "*") are errors too,
// so that a damaged text cannot make a field of gigabytes. A negative width from
// "*" means no padding, a negative precision from "*" means no precision.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarvix {

// The largest width or precision a format may ask for.
inline constexpr int MaxFormatWidth = 4096;

// One argument of Format: an integer, a float or a string. A string argument is
// copied, so an argument list may outlive the texts it was built from.
class FmtArg {
public:
    enum class Kind { Integer, Float, String };

    FmtArg(int v) : FmtArg(static_cast<long long>(v)) {}
    FmtArg(long v) : FmtArg(static_cast<long long>(v)) {}
    FmtArg(long long v) : kind_(Kind::Integer), int_(v) {}
    FmtArg(unsigned v) : FmtArg(static_cast<unsigned long long>(v)) {}
    FmtArg(unsigned long v) : FmtArg(static_cast<unsigned long long>(v)) {}
    FmtArg(unsigned long long v)
        : kind_(Kind::Integer), int_(static_cast<std::int64_t>(v)), unsigned_(v > INT64_MAX) {}
    FmtArg(double v) : kind_(Kind::Float), float_(v) {}
    // A null pointer is an empty string.
    FmtArg(const char* v) : kind_(Kind::String), str_(v ? v : "") {}
    FmtArg(std::string v) : kind_(Kind::String), str_(std::move(v)) {}
    FmtArg(std::string_view v) : kind_(Kind::String), str_(v) {}

    Kind GetKind() const { return kind_; }
    bool IsInteger() const { return kind_ == Kind::Integer; }
    bool IsFloat() const { return kind_ == Kind::Float; }
    bool IsString() const { return kind_ == Kind::String; }
    // The integer's bits; for an unsigned value above INT64_MAX (IsBigUnsigned)
    // they are to be read as std::uint64_t.
    std::int64_t AsInteger() const { return int_; }
    bool IsBigUnsigned() const { return unsigned_; }
    double AsFloat() const { return float_; }
    const std::string& AsString() const { return str_; }

private:
    Kind kind_;
    std::int64_t int_ = 0;
    bool unsigned_ = false;
    double float_ = 0;
    std::string str_;
};

std::string Format(std::string_view fmt, std::initializer_list<FmtArg> args);
std::string Format(std::string_view fmt, const std::vector<FmtArg>& args);
// Appends the formatted text to Out. On an error Out is left as it was.
void FormatTo(std::string& out, std::string_view fmt, std::span<const FmtArg> args);

}  // namespace tarvix
