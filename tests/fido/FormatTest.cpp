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
