#include "fido/Format.h"

#include "platform/Error.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace tarvix {

namespace {

// Digits a float is first reduced to, before it is rounded to what the
// format item asks for (the precision of the 80-bit floats Delphi formats).
constexpr int MaxFloatDigits = 18;
constexpr int DefaultFloatPrecision = 15;
constexpr int DefaultDecimals = 2;
constexpr int MinExponentDigits = 3;

[[noreturn]] void FormatError(std::string_view fmt)
{
    std::string msg;
    msg.reserve(fmt.size() + 48);
    msg += "Format '";
    msg += fmt;
    msg += "' invalid or incompatible with argument";
    throw EConvertError(msg);
}

// A float as decimal digits: |value| = 0.D1D2...Dn * 10^exp. No digits means zero.
struct Decimal {
    char digits[MaxFloatDigits];
    int count = 0;
    int exp = 0;
    bool negative = false;
};

Decimal ToDecimal(double v)
{
    Decimal d;
    d.negative = std::signbit(v);
    v = std::fabs(v);
    if (v == 0)
        return d;
    // d.ddddddddddddddddde+X: the value correctly rounded to 18 significant digits.
    char buf[40];
    auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific,
                             MaxFloatDigits - 1);
    const char* p = buf;
    d.digits[0] = *p++;
    ++p;  // '.'
    for (int i = 1; i < MaxFloatDigits; ++i)
        d.digits[i] = *p++;
    ++p;  // 'e'
    int e = 0;
    std::from_chars(*p == '+' ? p + 1 : p, res.ptr, e);
    d.exp = e + 1;
    d.count = MaxFloatDigits;
    while (d.count > 0 && d.digits[d.count - 1] == '0')
        --d.count;
    return d;
}

// Keeps the first Keep digits, rounding half away from zero on the digits.
void RoundDigits(Decimal& d, int keep)
{
    if (keep >= d.count)
        return;
    if (keep < 0) {
        d.count = 0;
        d.exp = 0;
        return;
    }
    bool up = d.digits[keep] >= '5';
    d.count = keep;
    if (up) {
        int i = keep - 1;
        while (i >= 0 && d.digits[i] == '9')
            --i;
        if (i < 0) {
            d.digits[0] = '1';
            d.count = 1;
            ++d.exp;
        } else {
            ++d.digits[i];
            d.count = i + 1;
        }
    } else {
        while (d.count > 0 && d.digits[d.count - 1] == '0')
            --d.count;
    }
    if (d.count == 0)
        d.exp = 0;
}

void AppendExponent(std::string& out, int e, bool forceSign, int minDigits)
{
    if (e < 0) {
        out += '-';
        e = -e;
    } else if (forceSign) {
        out += '+';
    }
    char buf[16];
    auto res = std::to_chars(buf, buf + sizeof buf, e);
    int n = static_cast<int>(res.ptr - buf);
    if (n < minDigits)
        out.append(minDigits - n, '0');
    out.append(buf, res.ptr);
}

// The digit at 0-based position I, zero past the stored ones.
char DigitAt(const Decimal& d, int i) { return i < d.count ? d.digits[i] : '0'; }

void AppendGeneral(std::string& out, Decimal d, int precision, int expDigits)
{
    RoundDigits(d, precision);
    if (d.count == 0) {
        out += '0';
        return;
    }
    if (d.negative)
        out += '-';
    if (d.exp > precision || d.exp < -3) {
        out += d.digits[0];
        if (d.count > 1) {
            out += '.';
            out.append(d.digits + 1, d.count - 1);
        }
        out += 'E';
        AppendExponent(out, d.exp - 1, false, expDigits);
    } else if (d.exp <= 0) {
        out += "0.";
        out.append(-d.exp, '0');
        out.append(d.digits, d.count);
    } else {
        for (int i = 0; i < d.exp; ++i)
            out += DigitAt(d, i);
        if (d.count > d.exp) {
            out += '.';
            out.append(d.digits + d.exp, d.count - d.exp);
        }
    }
}

void AppendExponentForm(std::string& out, Decimal d, int precision)
{
    RoundDigits(d, precision);
    if (d.negative && d.count > 0)
        out += '-';
    out += DigitAt(d, 0);
    out += '.';
    for (int i = 1; i < precision; ++i)
        out += DigitAt(d, i);
    out += 'E';
    AppendExponent(out, d.count == 0 ? 0 : d.exp - 1, true, MinExponentDigits);
}

// Fixed notation with Decimals digits after the point, with or without
// thousands separators.
void AppendFixed(std::string& out, Decimal d, int decimals, bool thousands)
{
    RoundDigits(d, d.exp + decimals);
    if (d.exp > MaxFloatDigits) {
        AppendGeneral(out, d, MaxFloatDigits, decimals > 4 ? 4 : decimals);
        return;
    }
    if (d.negative && d.count > 0)
        out += '-';
    if (d.exp <= 0) {
        out += '0';
    } else {
        for (int i = 0; i < d.exp; ++i) {
            if (thousands && i > 0 && (d.exp - i) % 3 == 0)
                out += ',';
            out += DigitAt(d, i);
        }
    }
    if (decimals > 0) {
        out += '.';
        for (int i = 0; i < decimals; ++i) {
            int pos = d.exp + i;
            out += pos < 0 ? '0' : DigitAt(d, pos);
        }
    }
}

void AppendFloat(std::string& out, char type, double v, int prec)
{
    if (std::isnan(v)) {
        out += "NAN";
        return;
    }
    if (std::isinf(v)) {
        out += v < 0 ? "-INF" : "INF";
        return;
    }
    Decimal d = ToDecimal(v);
    auto significant = [prec] {
        if (prec < 0)
            return DefaultFloatPrecision;
        return prec < 2 ? 2 : (prec > MaxFloatDigits ? MaxFloatDigits : prec);
    };
    int decimals = prec < 0 ? DefaultDecimals : (prec > MaxFloatDigits ? MaxFloatDigits : prec);
    switch (type) {
    case 'E':
        AppendExponentForm(out, d, significant());
        break;
    case 'G':
        AppendGeneral(out, d, significant(), MinExponentDigits);
        break;
    case 'F':
        AppendFixed(out, d, decimals, false);
        break;
    default:  // 'N', 'M'
        AppendFixed(out, d, decimals, true);
        break;
    }
}

// Unsigned digits in base 10 or 16 with at least MinDigits digits.
void AppendUnsigned(std::string& out, std::uint64_t v, int base, int minDigits)
{
    char buf[24];
    auto res = std::to_chars(buf, buf + sizeof buf, v, base);
    int n = static_cast<int>(res.ptr - buf);
    if (n < minDigits)
        out.append(minDigits - n, '0');
    if (base == 16) {
        for (char* p = buf; p != res.ptr; ++p)
            if (*p >= 'a' && *p <= 'f')
                *p = static_cast<char>(*p - 'a' + 'A');
    }
    out.append(buf, res.ptr);
}

// The bits shown by u, x and p: a negative value that fits in 32 bits as its
// 32-bit two's complement, any other as 64 bits.
std::uint64_t UnsignedBits(const FmtArg& a)
{
    std::int64_t v = a.AsInteger();
    if (!a.IsBigUnsigned() && v < 0 && v >= INT32_MIN)
        return static_cast<std::uint32_t>(static_cast<std::int32_t>(v));
    return static_cast<std::uint64_t>(v);
}

void AppendInteger(std::string& out, char type, const FmtArg& a, int prec)
{
    switch (type) {
    case 'D': {
        std::int64_t v = a.AsInteger();
        if (a.IsBigUnsigned() || v >= 0) {
            AppendUnsigned(out, static_cast<std::uint64_t>(v), 10, prec);
        } else {
            out += '-';
            AppendUnsigned(out, 0 - static_cast<std::uint64_t>(v), 10, prec);
        }
        break;
    }
    case 'U':
        AppendUnsigned(out, UnsignedBits(a), 10, prec);
        break;
    case 'X':
        AppendUnsigned(out, UnsignedBits(a), 16, prec);
        break;
    default:  // 'P'
        AppendUnsigned(out, UnsignedBits(a), 16, 8);
        break;
    }
}

// True when S is well-formed UTF-8 (no overlong forms, surrogates or values
// above U+10FFFF).
bool IsUtf8(std::string_view s)
{
    std::size_t i = 0, n = s.size();
    while (i < n) {
        auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        int len;
        unsigned char lo = 0x80, hi = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            len = 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3;
            if (c == 0xE0)
                lo = 0xA0;
            else if (c == 0xED)
                hi = 0x9F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4;
            if (c == 0xF0)
                lo = 0x90;
            else if (c == 0xF4)
                hi = 0x8F;
        } else {
            return false;
        }
        if (n - i < static_cast<std::size_t>(len))
            return false;
        auto c1 = static_cast<unsigned char>(s[i + 1]);
        if (c1 < lo || c1 > hi)
            return false;
        for (int k = 2; k < len; ++k) {
            auto ck = static_cast<unsigned char>(s[i + k]);
            if (ck < 0x80 || ck > 0xBF)
                return false;
        }
        i += len;
    }
    return true;
}

// Appends S cut to at most Prec characters (Prec < 0: no limit) and returns the
// number of characters appended.
std::size_t AppendString(std::string& out, std::string_view s, int prec, bool countChars)
{
    if (!countChars) {
        if (prec >= 0 && s.size() > static_cast<std::size_t>(prec))
            s = s.substr(0, prec);
        out += s;
        return s.size();
    }
    // Valid UTF-8: count lead bytes, cut before the first one beyond the limit.
    std::size_t chars = 0, i = 0;
    for (; i < s.size(); ++i) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
            if (prec >= 0 && chars == static_cast<std::size_t>(prec))
                break;
            ++chars;
        }
    }
    out += s.substr(0, i);
    return chars;
}

class Formatter {
public:
    Formatter(std::string& out, std::string_view fmt, std::span<const FmtArg> args)
        : out_(out), fmt_(fmt), args_(args)
    {
    }

    void Run()
    {
        const char* begin = fmt_.data();
        std::size_t n = fmt_.size();
        while (pos_ < n) {
            const void* hit = std::memchr(begin + pos_, '%', n - pos_);
            if (!hit) {
                out_.append(begin + pos_, n - pos_);
                return;
            }
            std::size_t at = static_cast<const char*>(hit) - begin;
            out_.append(begin + pos_, at - pos_);
            pos_ = at + 1;
            FormatItem();
        }
    }

private:
    bool AtEnd() const { return pos_ >= fmt_.size(); }
    char Peek() const { return fmt_[pos_]; }
    [[noreturn]] void Fail() const { FormatError(fmt_); }

    const FmtArg& NextArg()
    {
        if (argIndex_ >= args_.size())
            Fail();
        return args_[argIndex_++];
    }

    // A number of digits, or "*" for the next argument (which must be an
    // integer). False when neither is there.
    bool Number(std::int64_t& value)
    {
        if (AtEnd())
            return false;
        if (Peek() == '*') {
            ++pos_;
            const FmtArg& a = NextArg();
            if (!a.IsInteger())
                Fail();
            value = a.IsBigUnsigned() ? INT64_MAX : a.AsInteger();
            return true;
        }
        if (Peek() < '0' || Peek() > '9')
            return false;
        value = 0;
        while (!AtEnd() && Peek() >= '0' && Peek() <= '9') {
            value = value * 10 + (Peek() - '0');
            if (value > MaxFormatWidth)
                Fail();
            ++pos_;
        }
        return true;
    }

    void FormatItem()
    {
        if (AtEnd())
            Fail();
        if (Peek() == '%') {
            out_ += '%';
            ++pos_;
            return;
        }
        bool left = false;
        std::int64_t num = 0;
        bool haveNum = Number(num);
        if (!AtEnd() && Peek() == ':') {
            if (!haveNum || num < 0)
                Fail();
            argIndex_ = static_cast<std::size_t>(num);
            ++pos_;
            haveNum = false;
        }
        if (!haveNum) {
            if (!AtEnd() && Peek() == '-') {
                left = true;
                ++pos_;
            }
            haveNum = Number(num);
        }
        if (haveNum && num > MaxFormatWidth)
            Fail();
        std::size_t width = haveNum && num > 0 ? static_cast<std::size_t>(num) : 0;
        int prec = -1;
        if (!AtEnd() && Peek() == '.') {
            ++pos_;
            std::int64_t p = 0;
            if (Number(p)) {
                if (p > MaxFormatWidth)
                    Fail();
                prec = p < 0 ? -1 : static_cast<int>(p);
            } else {
                prec = 0;
            }
        }
        if (AtEnd())
            Fail();
        char type = Peek();
        if (type >= 'a' && type <= 'z')
            type = static_cast<char>(type - 'a' + 'A');
        ++pos_;

        std::size_t start = out_.size();
        std::size_t length;
        switch (type) {
        case 'D':
        case 'U':
        case 'X':
        case 'P': {
            const FmtArg& a = NextArg();
            if (!a.IsInteger())
                Fail();
            AppendInteger(out_, type, a, prec);
            length = out_.size() - start;
            break;
        }
        case 'E':
        case 'F':
        case 'G':
        case 'N':
        case 'M': {
            const FmtArg& a = NextArg();
            if (!a.IsFloat())
                Fail();
            AppendFloat(out_, type, a.AsFloat(), prec);
            length = out_.size() - start;
            break;
        }
        case 'S': {
            const FmtArg& a = NextArg();
            if (!a.IsString())
                Fail();
            const std::string& s = a.AsString();
            // Characters only matter when something is cut or padded.
            bool countChars = (prec >= 0 || width > 0) && IsUtf8(s);
            length = AppendString(out_, s, prec, countChars);
            break;
        }
        default:
            Fail();
        }
        if (length < width) {
            if (left)
                out_.append(width - length, ' ');
            else
                out_.insert(start, width - length, ' ');
        }
    }

    std::string& out_;
    std::string_view fmt_;
    std::span<const FmtArg> args_;
    std::size_t pos_ = 0;
    std::size_t argIndex_ = 0;
};

}  // namespace

void FormatTo(std::string& out, std::string_view fmt, std::span<const FmtArg> args)
{
    std::size_t oldSize = out.size();
    try {
        Formatter(out, fmt, args).Run();
    } catch (...) {
        out.resize(oldSize);
        throw;
    }
}

std::string Format(std::string_view fmt, std::initializer_list<FmtArg> args)
{
    std::string out;
    out.reserve(fmt.size() + 16 * args.size());
    FormatTo(out, fmt, std::span<const FmtArg>(args.begin(), args.size()));
    return out;
}

std::string Format(std::string_view fmt, const std::vector<FmtArg>& args)
{
    std::string out;
    out.reserve(fmt.size() + 16 * args.size());
    FormatTo(out, fmt, args);
    return out;
}

}  // namespace tarvix
