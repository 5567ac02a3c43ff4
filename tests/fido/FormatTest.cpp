#include "fido/Format.h"

#include "platform/Error.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

using namespace tarvix;

namespace {

// The message of the EConvertError that Format raises, or "no error".
std::string ErrorOf(std::string_view fmt, std::initializer_list<FmtArg> args)
{
    try {
        Format(fmt, args);
    } catch (const EConvertError& e) {
        return e.what();
    }
    return "no error";
}

std::string Invalid(std::string_view fmt)
{
    return "Format '" + std::string(fmt) + "' invalid or incompatible with argument";
}

}  // namespace

TEST(FormatText, LiteralTextAndPercent)
{
    EXPECT_EQ(Format("", {}), "");
    EXPECT_EQ(Format("no format items", {}), "no format items");
    EXPECT_EQ(Format("100%%", {}), "100%");
    EXPECT_EQ(Format("%%%d%%", {5}), "%5%");
    EXPECT_EQ(Format("Cannot open %s", {"C:\\TM\\T-MAIL.LOG"}), "Cannot open C:\\TM\\T-MAIL.LOG");
    EXPECT_EQ(Format("%d sessions", {12}), "12 sessions");
    // Bytes of any code page and embedded zeros pass through.
    std::string bytes("\x8f\xe0\x00x", 4);
    EXPECT_EQ(Format(bytes + "%s", {"y"}), bytes + "y");
}

TEST(FormatIndex, ExplicitIndexesAndContinuation)
{
    EXPECT_EQ(Format("%1:s %0:s", {"a", "b"}), "b a");
    EXPECT_EQ(Format("%0:s %1:d %0:s", {"x", 7}), "x 7 x");
    // After an index the next format items go on from there.
    EXPECT_EQ(Format("%1:s %s", {"a", "b", "c"}), "b c");
    EXPECT_EQ(Format("%2:s %0:s %s", {"a", "b", "c"}), "c a b");
    // An argument that no format item uses is no error.
    EXPECT_EQ(Format("%s", {"a", "b"}), "a");
    EXPECT_EQ(ErrorOf("%2:s", {"a", "b"}), Invalid("%2:s"));
    EXPECT_EQ(ErrorOf("%1:s %s", {"a", "b"}), Invalid("%1:s %s"));
    EXPECT_EQ(ErrorOf("%:s", {"a"}), Invalid("%:s"));
}

TEST(FormatWidth, PaddingAlignmentAndStar)
{
    EXPECT_EQ(Format("[%5d]", {42}), "[   42]");
    EXPECT_EQ(Format("[%-5d]", {42}), "[42   ]");
    EXPECT_EQ(Format("[%2d]", {12345}), "[12345]");  // never cut
    EXPECT_EQ(Format("[%05d]", {42}), "[   42]");   // no zero flag: width 05
    EXPECT_EQ(Format("[%*d]", {6, 42}), "[    42]");
    EXPECT_EQ(Format("[%-*s]", {4, "ab"}), "[ab  ]");
    EXPECT_EQ(Format("[%*.*f]", {8, 3, 3.14159}), "[   3.142]");
    EXPECT_EQ(Format("[%*d]", {-6, 42}), "[42]");      // negative width: no padding
    EXPECT_EQ(Format("[%.*d]", {-1, 42}), "[42]");     // negative precision: none
    EXPECT_EQ(Format("%*:s", {2, "a", "b"}), "b");     // index from an argument
    EXPECT_EQ(Format("[%1:-4s|%-4s]", {"a", "b", "c"}), "[b   |c   ]");
    EXPECT_EQ(Format("%-18s %-5s %5s", {"2:5020/1", "1.0K", "0:05"}),
              "2:5020/1           1.0K   0:05");
    EXPECT_EQ(ErrorOf("%*d", {"6", 42}), Invalid("%*d"));
    EXPECT_EQ(ErrorOf("%*d", {6.0, 42}), Invalid("%*d"));
    EXPECT_EQ(ErrorOf("%*d", {6}), Invalid("%*d"));
    EXPECT_EQ(ErrorOf("%*:s", {-1, "a"}), Invalid("%*:s"));
}

TEST(FormatWidth, HugeWidthOrPrecisionIsAnErrorNotAnAllocation)
{
    EXPECT_EQ(Format("%4096d", {1}).size(), 4096u);
    EXPECT_EQ(Format("%.4096d", {1}).size(), 4096u);
    EXPECT_EQ(ErrorOf("%4097d", {1}), Invalid("%4097d"));
    EXPECT_EQ(ErrorOf("%999999999d", {1}), Invalid("%999999999d"));
    EXPECT_EQ(ErrorOf("%99999999999999999999999999d", {1}),
              Invalid("%99999999999999999999999999d"));
    EXPECT_EQ(ErrorOf("%.999999999d", {1}), Invalid("%.999999999d"));
    EXPECT_EQ(ErrorOf("%.999999999s", {"x"}), Invalid("%.999999999s"));
    EXPECT_EQ(ErrorOf("%*d", {1000000000, 1}), Invalid("%*d"));
    EXPECT_EQ(ErrorOf("%.*d", {1000000000, 1}), Invalid("%.*d"));
    EXPECT_EQ(ErrorOf("%*d", {std::numeric_limits<unsigned long long>::max(), 1}), Invalid("%*d"));
    EXPECT_EQ(ErrorOf("%99999999999:s", {"a"}), Invalid("%99999999999:s"));
}

TEST(FormatInteger, DecimalWithPrecision)
{
    EXPECT_EQ(Format("%d", {0}), "0");
    EXPECT_EQ(Format("%d", {-42}), "-42");
    EXPECT_EQ(Format("%.5d", {-42}), "-00042");
    EXPECT_EQ(Format("%.5d", {42}), "00042");
    EXPECT_EQ(Format("%.0d", {0}), "0");
    EXPECT_EQ(Format("%.d", {7}), "7");  // "." alone is precision 0
    EXPECT_EQ(Format("[%8.5d]", {-42}), "[  -00042]");
    EXPECT_EQ(Format("%D", {3}), "3");  // type letters in either case
    EXPECT_EQ(Format("%d", {std::numeric_limits<long long>::min()}), "-9223372036854775808");
    EXPECT_EQ(Format("%d", {std::numeric_limits<long long>::max()}), "9223372036854775807");
    EXPECT_EQ(Format("%d", {std::numeric_limits<unsigned long long>::max()}),
              "18446744073709551615");
    EXPECT_EQ(Format("%d", {4000000000u}), "4000000000");
}

TEST(FormatInteger, UnsignedAndHexShowNegativesAsTwosComplement)
{
    EXPECT_EQ(Format("%u", {-1}), "4294967295");
    EXPECT_EQ(Format("%u", {42}), "42");
    EXPECT_EQ(Format("%.4u", {7}), "0007");
    EXPECT_EQ(Format("%u", {-5000000000LL}), "18446744068709551616");
    EXPECT_EQ(Format("%x", {-1}), "FFFFFFFF");
    EXPECT_EQ(Format("%x", {255}), "FF");
    EXPECT_EQ(Format("%X", {255}), "FF");
    EXPECT_EQ(Format("%.4x", {255}), "00FF");
    EXPECT_EQ(Format("%x", {0x100000000LL}), "100000000");
    EXPECT_EQ(Format("%x", {-0x100000001LL}), "FFFFFFFEFFFFFFFF");
    EXPECT_EQ(Format("%x", {std::numeric_limits<unsigned long long>::max()}), "FFFFFFFFFFFFFFFF");
    EXPECT_EQ(Format("%x", {std::numeric_limits<int>::min()}), "80000000");
    EXPECT_EQ(Format("%p", {0x1234}), "00001234");
    EXPECT_EQ(Format("%p", {0x123456789LL}), "123456789");
}

TEST(FormatFloat, Fixed)
{
    EXPECT_EQ(Format("%f", {3.14159}), "3.14");
    EXPECT_EQ(Format("%.3f", {3.14159}), "3.142");
    EXPECT_EQ(Format("%.0f", {3.7}), "4");
    EXPECT_EQ(Format("%f", {-2.0}), "-2.00");
    EXPECT_EQ(Format("%f", {0.0}), "0.00");
    EXPECT_EQ(Format("%f", {-0.0}), "0.00");
    EXPECT_EQ(Format("%f", {-0.001}), "0.00");  // no "-0.00"
    EXPECT_EQ(Format("%.2f", {0.005}), "0.01");
    EXPECT_EQ(Format("%.2f", {0.0049}), "0.00");
    EXPECT_EQ(Format("%.3f", {0.0625}), "0.063");
    EXPECT_EQ(Format("%f", {99.999}), "100.00");
    EXPECT_EQ(Format("%.1f", {-9.96}), "-10.0");
    EXPECT_EQ(Format("%f", {1234567.891}), "1234567.89");
    // Halves round away from zero, on the decimal digits.
    EXPECT_EQ(Format("%.0f", {2.5}), "3");
    EXPECT_EQ(Format("%.0f", {-2.5}), "-3");
    EXPECT_EQ(Format("%.2f", {0.125}), "0.13");
    // 1.005 is stored as 1.00499999999999989...
    EXPECT_EQ(Format("%.2f", {1.005}), "1.00");
    // At most 18 decimals, from the value's 18 significant digits.
    EXPECT_EQ(Format("%.18f", {0.1}), "0.100000000000000006");
    EXPECT_EQ(Format("%.30f", {0.1}), "0.100000000000000006");
    EXPECT_EQ(Format("%.20f", {0.5}), "0.500000000000000000");
    EXPECT_EQ(Format("%f", {123456789012345678.0}), "123456789012345680.00");
    // More than 18 integer digits: general form.
    EXPECT_EQ(Format("%f", {1e20}), "1E20");
    EXPECT_EQ(Format("%f", {-3e21}), "-3E21");
    // 1.5e25 is stored as 15000000000000000302231552.
    EXPECT_EQ(Format("%n", {1.5e25}), "1.50000000000000003E25");
}

TEST(FormatFloat, NumberAndMoneyWithThousands)
{
    EXPECT_EQ(Format("%n", {1234567.891}), "1,234,567.89");
    EXPECT_EQ(Format("%.0n", {1234567.891}), "1,234,568");
    EXPECT_EQ(Format("%.1n", {-1234567.891}), "-1,234,567.9");
    EXPECT_EQ(Format("%n", {999.999}), "1,000.00");
    EXPECT_EQ(Format("%n", {100.0}), "100.00");
    EXPECT_EQ(Format("%n", {123456.0}), "123,456.00");
    EXPECT_EQ(Format("%n", {0.5}), "0.50");
    EXPECT_EQ(Format("%m", {1234567.891}), "1,234,567.89");
    EXPECT_EQ(Format("%m", {-12.3}), "-12.30");
    EXPECT_EQ(Format("%.0m", {1500.5}), "1,501");
    EXPECT_EQ(Format("[%12n]", {1234.5}), "[    1,234.50]");
}

TEST(FormatFloat, Scientific)
{
    EXPECT_EQ(Format("%e", {1000.0}), "1.00000000000000E+003");
    EXPECT_EQ(Format("%e", {0.0}), "0.00000000000000E+000");
    EXPECT_EQ(Format("%e", {-0.00125}), "-1.25000000000000E-003");
    EXPECT_EQ(Format("%.3e", {123456.0}), "1.23E+005");
    EXPECT_EQ(Format("%.3e", {999.6}), "1.00E+003");
    EXPECT_EQ(Format("%.2e", {1234.0}), "1.2E+003");
    EXPECT_EQ(Format("%.0e", {1234.0}), "1.2E+003");  // at least 2 digits
    EXPECT_EQ(Format("%.30e", {0.1}), "1.00000000000000006E-001");  // at most 18
    EXPECT_EQ(Format("%e", {1e300}), "1.00000000000000E+300");
    EXPECT_EQ(Format("%.3e", {1e-310}), "1.00E-310");
    EXPECT_EQ(Format("%E", {2.0}), "2.00000000000000E+000");
}

TEST(FormatFloat, General)
{
    EXPECT_EQ(Format("%g", {0.1}), "0.1");
    EXPECT_EQ(Format("%g", {1e20}), "1E020");
    EXPECT_EQ(Format("%g", {0.0}), "0");
    EXPECT_EQ(Format("%g", {-0.0}), "0");
    EXPECT_EQ(Format("%g", {1.5}), "1.5");
    EXPECT_EQ(Format("%g", {-1234.5}), "-1234.5");
    EXPECT_EQ(Format("%g", {100.0}), "100");
    EXPECT_EQ(Format("%g", {1.0 / 3.0}), "0.333333333333333");
    EXPECT_EQ(Format("%g", {0.0001}), "0.0001");
    EXPECT_EQ(Format("%g", {0.00001}), "1E-005");
    EXPECT_EQ(Format("%g", {0.000012345}), "1.2345E-005");
    EXPECT_EQ(Format("%g", {999999999999999.0}), "999999999999999");
    EXPECT_EQ(Format("%g", {1e15}), "1E015");
    EXPECT_EQ(Format("%g", {9999999999999999.0}), "1E016");
    EXPECT_EQ(Format("%.3g", {1234.0}), "1.23E003");
    EXPECT_EQ(Format("%.4g", {1234.0}), "1234");
    EXPECT_EQ(Format("%.3g", {0.0012345}), "0.00123");
    EXPECT_EQ(Format("%.0g", {1234.0}), "1.2E003");  // at least 2 digits
    EXPECT_EQ(Format("%.18g", {0.1}), "0.100000000000000006");
}

TEST(FormatFloat, NotANumberAndInfinity)
{
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(Format("%f", {std::nan("")}), "NAN");
    EXPECT_EQ(Format("%g|%e", {inf, -inf}), "INF|-INF");
    EXPECT_EQ(Format("[%5n]", {-inf}), "[ -INF]");
}

TEST(FormatString, TruncationAndCharacterCounting)
{
    EXPECT_EQ(Format("%.3s", {"abcdef"}), "abc");
    EXPECT_EQ(Format("%.10s", {"abc"}), "abc");
    EXPECT_EQ(Format("[%.0s]", {"abc"}), "[]");
    EXPECT_EQ(Format("[%6.3s]", {"abcdef"}), "[   abc]");
    EXPECT_EQ(Format("[%-6.3s]", {"abcdef"}), "[abc   ]");
    EXPECT_EQ(Format("[%s]", {""}), "[]");
    EXPECT_EQ(Format("[%s]", {static_cast<const char*>(nullptr)}), "[]");
    std::string s = "x";
    std::string_view sv = "view";
    EXPECT_EQ(Format("%s %s %s", {s, sv, std::string("tmp")}), "x view tmp");
    // UTF-8 text: width and precision count characters, a cut never splits one.
    EXPECT_EQ(Format("[%.2s]", {"\xd0\x9f\xd1\x80\xd0\xb8"}), "[\xd0\x9f\xd1\x80]");
    EXPECT_EQ(Format("[%4s]", {"\xd0\x9f\xd1\x80"}), "[  \xd0\x9f\xd1\x80]");
    // Text in a single-byte code page (CP866 "Прием"): one byte, one character.
    std::string oem = "\x8f\xe0\xa8\xa5\xac";
    EXPECT_EQ(Format("[%.2s]", {oem}), "[" + oem.substr(0, 2) + "]");
    EXPECT_EQ(Format("[%-6s]", {oem}), "[" + oem + " ]");
    // A cut UTF-8 sequence at the end is not valid UTF-8: counted as bytes.
    EXPECT_EQ(Format("[%.2s]", {"a\xd0"}), "[a\xd0]");
}

TEST(FormatArguments, VectorAndAppendForms)
{
    std::vector<FmtArg> args{FmtArg("a"), FmtArg(1), FmtArg(2.5)};
    EXPECT_EQ(Format("%s%d%.1f", args), "a12.5");
    std::string out = "row: ";
    FormatTo(out, "%s|%d", args);
    EXPECT_EQ(out, "row: a|1");
    // On an error the text appended so far is taken back.
    EXPECT_THROW(FormatTo(out, "more %s %d %s", args), EConvertError);
    EXPECT_EQ(out, "row: a|1");
    // Small integer types, bool and float go to the integer and float kinds.
    short sh = -3;
    float fl = 0.5f;
    EXPECT_EQ(Format("%d %d %.1f", {sh, true, fl}), "-3 1 0.5");
    EXPECT_EQ(Format("%d %u", {42L, 42UL}), "42 42");
}

TEST(FormatErrors, MalformedFormatItems)
{
    for (std::string_view fmt : {"abc%", "%5", "%-", "%1:", "%.", "%.5", "%q", "%5q", "%5%",
                                 "%-1:s", "%1:2:s", "% d", "%#x", "%+d", "%\xd0\x9f"}) {
        EXPECT_EQ(ErrorOf(fmt, {1, "s"}), Invalid(fmt)) << fmt;
    }
}

TEST(FormatErrors, MissingArgumentsAndKindMismatch)
{
    EXPECT_EQ(ErrorOf("%d", {}), Invalid("%d"));
    EXPECT_EQ(ErrorOf("%s and %s", {"one"}), Invalid("%s and %s"));
    EXPECT_EQ(ErrorOf("%d", {1.5}), Invalid("%d"));
    EXPECT_EQ(ErrorOf("%x", {"ff"}), Invalid("%x"));
    EXPECT_EQ(ErrorOf("%u", {1.0}), Invalid("%u"));
    // Integers are not taken as floats, nor numbers as strings.
    EXPECT_EQ(ErrorOf("%f", {1}), Invalid("%f"));
    EXPECT_EQ(ErrorOf("%g", {"1.5"}), Invalid("%g"));
    EXPECT_EQ(ErrorOf("%n", {1}), Invalid("%n"));
    EXPECT_EQ(ErrorOf("%s", {1}), Invalid("%s"));
    EXPECT_EQ(ErrorOf("%s", {1.5}), Invalid("%s"));
    EXPECT_EQ(ErrorOf("%0:s %1:s", {"a", 2}), Invalid("%0:s %1:s"));
    // The error is an EConvertError and so a tarvix::Exception.
    EXPECT_THROW(Format("%d", {"x"}), Exception);
}

TEST(FormatErrors, DamagedTextsNeverCrash)
{
    // Every prefix of a valid text either formats or raises EConvertError.
    const std::string good = "%1:-8.3s|%*.*f|%0:.5d|%5:x|%%|%-*s|%.2n|%g|%u";
    const std::vector<FmtArg> args{FmtArg(42), FmtArg("name"), FmtArg(9), FmtArg(2),
                                   FmtArg(3.25), FmtArg(-1), FmtArg(7), FmtArg("ab"),
                                   FmtArg(1234.5), FmtArg(0.5), FmtArg(-2)};
    EXPECT_EQ(Format(good, args), "nam     |     3.25|00042|FFFFFFFF|%|ab     |1,234.50|0.5|4294967294");
    for (std::size_t n = 0; n <= good.size(); ++n) {
        try {
            Format(good.substr(0, n), args);
        } catch (const EConvertError&) {
        }
    }
    // Random texts from the characters that matter to the parser, against
    // arguments of every kind: only results or EConvertError, no field beyond
    // the width limit.
    std::mt19937 rng(20240611);
    const std::string alphabet = "%%%%-*.:0123456789dsfxgunmepqDS ";
    const std::vector<FmtArg> mixed{FmtArg(3), FmtArg("text"), FmtArg(2.5), FmtArg(-7),
                                    FmtArg(std::string(5000, 'w')), FmtArg(4096), FmtArg(-1.0)};
    int formatted = 0;
    for (int round = 0; round < 20000; ++round) {
        std::string fmt;
        int len = static_cast<int>(rng() % 12);
        for (int i = 0; i < len; ++i)
            fmt += alphabet[rng() % alphabet.size()];
        try {
            std::string out = Format(fmt, mixed);
            EXPECT_LE(out.size(), fmt.size() + 6 * (5000 + 2 * MaxFormatWidth)) << fmt;
            ++formatted;
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.what(), Invalid(fmt));
        }
    }
    EXPECT_GT(formatted, 1000);  // the sweep reaches the formatting code too
}
