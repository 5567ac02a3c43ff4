// The common helpers: strings, wildcards, files, sorting, date-time values, byte and
// duration texts, the string dictionary, and Delphi-style Format.

#include "fido/DateTime.h"
#include "fido/Format.h"
#include "fido/LogUtils.h"
#include "fido/NVUtils.h"
#include "fido/Sort.h"
#include "fido/StrDict.h"
#include "platform/Error.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

using namespace tarvix;
namespace fs = std::filesystem;

// ---------------------------------------------------------------- strings

TEST(Strings, MatchWild)
{
    // Case (the plain matcher below compares bytes).
    EXPECT_FALSE(MatchWild("FILE.ZIP", "*.zip", false));
    EXPECT_TRUE(MatchWild("FILE.ZIP", "*.zip", true));
    EXPECT_FALSE(MatchWild("abc", "A?C", false));
    EXPECT_TRUE(MatchWild("abc", "A?C", true));
    // Many stars against a long text that nearly matches: answered at once.
    EXPECT_FALSE(MatchWild(std::string(5000, 'a') + "b", "*a*a*a*a*a*a*a*a*a*a*c", false));
}

TEST(Strings, MatchWildAgreesWithAPlainRecursiveMatcher)
{
    // Every mask and text of up to 5 (text) and 4 (mask) bytes over a small alphabet.
    std::function<bool(std::string_view, std::string_view)> reference = [&](std::string_view t, std::string_view m) {
        if (m.empty())
            return t.empty();
        if (m[0] == '*')
            return reference(t, m.substr(1)) || (!t.empty() && reference(t.substr(1), m));
        return !t.empty() && (m[0] == '?' || m[0] == t[0]) && reference(t.substr(1), m.substr(1));
    };
    const std::string textBytes = "ab.", maskBytes = "ab.*?";
    std::vector<std::string> texts{""}, masks{""};
    for (std::size_t i = 0; i < texts.size() && texts.size() < 400; ++i)
        if (texts[i].size() < 5)
            for (char c : textBytes)
                texts.push_back(texts[i] + c);
    for (std::size_t i = 0; i < masks.size(); ++i)
        if (masks[i].size() < 4)
            for (char c : maskBytes)
                masks.push_back(masks[i] + c);
    for (const std::string& m : masks)
        for (const std::string& t : texts)
            ASSERT_EQ(MatchWild(t, m, false), t == m || reference(t, m)) << t << " / " << m;
}

namespace {

class FilesTest : public ::testing::Test {
protected:
    test::TempDir temp;
    fs::path root = temp.path;

    void TearDown() override
    {
        std::error_code ec;
        fs::permissions(root, fs::perms::owner_all, fs::perm_options::add, ec);
    }

    std::string P(const std::string& rel) const { return (root / rel).string(); }
    void Write(const std::string& rel, const std::string& content) const { temp.Write(rel, content); }

    static std::string Read(const std::string& path)
    {
        std::ifstream f(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), {});
    }
};

std::string Pattern(std::size_t n)
{
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i)
        s[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    return s;
}

}  // namespace

TEST_F(FilesTest, CopyErrors)
{
    const std::string missing = P("missing.txt");
    try {
        CopyFileKeepDate(missing, P("dst.txt"));
        FAIL();
    } catch (const EFOpenError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file " + missing);
    }
    EXPECT_FALSE(fs::exists(P("dst.txt")));

    // A directory is no source.
    EXPECT_THROW(CopyFileKeepDate(root.string(), P("dst.txt")), EFOpenError);

    Write("src.txt", "data");
    const std::string badTarget = P("no/such/dir/dst.txt");
    try {
        CopyFileKeepDate(P("src.txt"), badTarget);
        FAIL();
    } catch (const EFCreateError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot create file " + badTarget);
    }

    // A source that fails while being read.
    if (::access("/proc/self/mem", R_OK) == 0) {
        try {
            CopyFileKeepDate("/proc/self/mem", P("mem.txt"));
            FAIL();
        } catch (const EReadError& e) {
            EXPECT_STREQ(e.what(), "Stream read error");
        }
        EXPECT_FALSE(fs::exists(P("mem.txt")));
    }
}

TEST_F(FilesTest, FailedWriteLeavesTheOldTarget)
{
    Write("src.bin", Pattern(100000));
    Write("dst.bin", "old content");
    // Limit the size of written files so that the copy fails half-way.
    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 20000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    bool thrown = false;
    try {
        CopyFileKeepDate(P("src.bin"), P("dst.bin"));
    } catch (const EWriteError& e) {
        thrown = true;
        EXPECT_STREQ(e.what(), "Stream write error");
    }
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_TRUE(thrown);
    EXPECT_EQ(Read(P("dst.bin")), "old content");
    int entries = 0;
    for (const auto& e : fs::directory_iterator(root)) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(entries, 2) << "the temporary file is removed";
}

TEST_F(FilesTest, FindFileInTreeEndsInALinkCycle)
{
    Write("tree/A/file.txt", "");
    fs::create_directory_symlink(root / "tree", root / "tree" / "A" / "loop");
    fs::create_directory_symlink(root / "tree" / "A", root / "tree" / "linkA");
    int pumps = 0;
    EXPECT_EQ(FindFileInTree("absent", P("tree"), [&]() { ++pumps; }), "");
    EXPECT_LE(pumps, 4);
    std::string found = FindFileInTree("FILE.TXT", P("tree"));
    EXPECT_TRUE(found == P("tree") + "\\A\\file.txt" || found == P("tree") + "\\linkA\\file.txt")
        << found;
}

namespace {

struct Item {
    int key;
    int id;
};

// Sorts items made for the keys with the comparison and gives their keys, checking
// that no item was lost or doubled.
std::vector<int> SortedKeys(const std::vector<int>& keys, const std::function<int(const Item*, const Item*)>& cmp)
{
    std::vector<Item> store;
    for (int k : keys)
        store.push_back({k, static_cast<int>(store.size())});
    std::vector<Item*> list;
    for (Item& i : store)
        list.push_back(&i);
    SortList(list, cmp);
    std::vector<int> ids, sorted;
    for (const Item* i : list) {
        ids.push_back(i->id);
        sorted.push_back(i->key);
    }
    std::sort(ids.begin(), ids.end());
    for (std::size_t i = 0; i < ids.size(); ++i)
        EXPECT_EQ(ids[i], static_cast<int>(i)) << "items lost or duplicated";
    return sorted;
}

int ByKey(const Item* a, const Item* b) { return a->key < b->key ? -1 : (a->key > b->key ? 1 : 0); }

}  // namespace

TEST(SortList, AgreesWithStdSortOnShapedInputs)
{
    std::mt19937 rng(12345);
    std::vector<std::vector<int>> inputs = {
        {2, 1}, {1, 1}, {3, 1, 2}, {5, 5, 5, 5, 5, 5, 5}, {1, 2, 3, 4, 5, 6, 7, 8, 9},
        {9, 8, 7, 6, 5, 4, 3, 2, 1}, {1, 3, 5, 7, 9, 8, 6, 4, 2}, {2, 1, 2, 1, 2, 1, 2, 1}};
    for (int n : {10, 100, 1000, 5000}) {
        std::vector<int> v(static_cast<std::size_t>(n));
        for (int& x : v)
            x = static_cast<int>(rng() % 1000) - 500;
        inputs.push_back(v);
        for (int& x : v)
            x = static_cast<int>(rng() % 3);  // many duplicates
        inputs.push_back(v);
    }
    for (const auto& keys : inputs) {
        std::vector<int> expected = keys;
        std::sort(expected.begin(), expected.end());
        ASSERT_EQ(SortedKeys(keys, ByKey), expected);
    }
}

TEST(SortList, ContradictoryComparisonsStayInsideTheList)
{
    std::mt19937 rng(99);
    const std::vector<int> keys(500, 0);
    SortedKeys(keys, [](const Item*, const Item*) { return -1; });
    SortedKeys(keys, [](const Item*, const Item*) { return 1; });
    SortedKeys(keys, [&](const Item*, const Item*) { return static_cast<int>(rng() % 3) - 1; });
}

namespace {

struct Ymd {
    int y, m, d;
};

Ymd Decode(TDateTime dt)
{
    Ymd r {};
    DecodeDate(dt, r.y, r.m, r.d);
    return r;
}

}  // namespace

TEST(DateTime, EveryDayFromYear1To9999DecodesToTheNextCalendarDay)
{
    const int first = static_cast<int>(EncodeDate(1, 1, 1));
    const int last = static_cast<int>(EncodeDate(9999, 12, 31));
    int y = 1, m = 1, d = 1;
    for (int day = first; day <= last; ++day) {
        Ymd got = Decode(day);
        ASSERT_TRUE(got.y == y && got.m == m && got.d == d)
            << "day " << day << " decoded as " << got.y << "-" << got.m << "-" << got.d
            << ", expected " << y << "-" << m << "-" << d;
        TDateTime back = 0;
        ASSERT_TRUE(TryEncodeDate(y, m, d, back));
        ASSERT_EQ(back, day);
        if (++d > DaysInAMonth(y, m)) {
            d = 1;
            if (++m > 12) {
                m = 1;
                ++y;
            }
        }
    }
}

TEST(DateTime, DamagedValuesDoNotBreakDecoding)
{
    const double bad[] = {std::numeric_limits<double>::quiet_NaN(),
                          std::numeric_limits<double>::infinity(),
                          -std::numeric_limits<double>::infinity(), 1e300, -1e300};
    for (double v : bad) {
        int y, m, d, h, n, s, ms;
        DecodeDate(v, y, m, d);
        DecodeTime(v, h, n, s, ms);
        EXPECT_TRUE(m >= 1 && m <= 12 && d >= 1 && d <= 31);
        EXPECT_TRUE(h >= 0 && h < 24);
        EXPECT_FALSE(FormatDateTime("dddd d mmmm yyyy hh:nn", v).empty());
    }
}

TEST(FormatBytes, Thresholds)
{
    const std::pair<std::int32_t, const char*> cases[] = {
        {0, "0"},           {1000, "1000"},       {1023, "1023"},      {1024, "1.0K"},
        {1536, "1.5K"},     {2047, "1.9K"},       {10240, "10.0K"},    {10241, "10K"},
        {20480, "20K"},     {1048575, "1023K"},   {1048576, "1.0M"},   {1572864, "1.5M"},
        {10485760, "10.0M"}, {10485761, "10M"},   {INT_MAX, "2047M"},  {-5, "-5"},
        {INT_MIN, "-2147483648"},
    };
    for (const auto& [size, text] : cases)
        EXPECT_EQ(FormatBytes(size), text) << size;
}

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
    EXPECT_EQ(Format("%f", {-0.0}), "0.00");
    EXPECT_EQ(Format("%f", {-0.001}), "0.00");  // no "-0.00"
    EXPECT_EQ(Format("%.2f", {0.005}), "0.01");
    EXPECT_EQ(Format("%.1f", {-9.96}), "-10.0");
    // Halves round away from zero, on the decimal digits.
    EXPECT_EQ(Format("%.0f", {2.5}), "3");
    EXPECT_EQ(Format("%.0f", {-2.5}), "-3");
    EXPECT_EQ(Format("%.2f", {0.125}), "0.13");
    // 1.005 is stored as 1.00499999999999989...
    EXPECT_EQ(Format("%.2f", {1.005}), "1.00");
    // At most 18 decimals, from the value's 18 significant digits.
    EXPECT_EQ(Format("%.18f", {0.1}), "0.100000000000000006");
    EXPECT_EQ(Format("%.30f", {0.1}), "0.100000000000000006");
    EXPECT_EQ(Format("%f", {123456789012345678.0}), "123456789012345680.00");
    // More than 18 integer digits: general form.
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
}
