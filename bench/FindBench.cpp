// Speed of the log window's search (TTextFind) over a whole log that does not hold
// the pattern, beside `grep -c` over the same file (`-F` for a plain text, `-E`
// for a regular expression, `-i` without match case): the search of the log
// window is held to at most twice the time of grep. Each search runs RUNS times over the
// mapped file (read once first, so that it is in the page cache) and the best time
// is printed, one line of JSON per kind of search.
//
// A regular expression is given the pattern as it stands and, as kinds of its own,
// one with classes around the pattern (its text looked for first) and one without
// a text of its own (every line goes through the matcher).
//
// The log is read in CP866 unless a code page is named ("UTF-8" matches regular
// expressions by characters).
//
//   FindBench FILE [PATTERN [RUNS [CODEPAGE]]]
#include "engine/TextFind.h"
#include "platform/MappedFile.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <optional>
#include <string>

using namespace tarvix;

namespace {

template <class F>
double Best(int runs, F&& f)
{
    double best = 0;
    for (int run = 0; run < runs; ++run) {
        const auto start = std::chrono::steady_clock::now();
        f();
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (run == 0 || s < best)
            best = s;
    }
    return best;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::optional<CodePage> cp = argc == 5 ? CodePageFromName(argv[4]) : CodePage::CP866;
    if (argc < 2 || argc > 5 || !cp) {
        std::fprintf(stderr, "usage: FindBench FILE [PATTERN [RUNS [CODEPAGE]]]\n");
        return 2;
    }
    const std::string path = argv[1];
    const std::string pattern = argc >= 3 ? argv[2] : "no such text here";
    const int runs = argc >= 4 ? std::max(1, std::atoi(argv[3])) : 3;
    try {
        TMappedFile file(path);
        const std::string_view text = file.View();
        // grep's output goes through a pipe: into /dev/null it would stop at the
        // first match.
        auto grep = [&](const TFindPattern& p) {
            const std::string command = std::string("grep -c ") + (p.Regex ? "-E " : "-F ") +
                                        (p.MatchCase ? "" : "-i ") + "-- '" + p.Text + "' '" + path + "' | cat >/dev/null";
            return Best(runs, [&] { (void)std::system(command.c_str()); });
        };
        struct Kind {
            const char* name;
            TFindPattern pattern;
        };
        for (const Kind& k : {Kind{"plain, match case", {pattern, false, true}},
                              Kind{"plain, any case", {pattern, false, false}},
                              Kind{"regex, match case", {pattern, true, true}},
                              Kind{"regex with classes", {"[0-9]+ " + pattern + "s?$", true, false}},
                              Kind{"regex without a text", {"[#%]{3}[0-9]", true, true}},
                              Kind{"regex without a text, any case", {"[#%]{3}[0-9]x", true, false}}}) {
            const double grepTime = grep(k.pattern);
            const TTextFind find(k.pattern, *cp);
            std::uint64_t count = 0;
            const double s = Best(runs, [&] { count = find.Count(text); });
            std::printf(
                "{\"search\": \"%s\", \"bytes\": %zu, \"matches\": %llu, \"seconds\": %.3f, "
                "\"grep_seconds\": %.3f, \"ratio\": %.2f}\n",
                k.name, text.size(), static_cast<unsigned long long>(count), s, grepTime, grepTime > 0 ? s / grepTime : 0.0);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "FindBench: %s\n", e.what());
        return 1;
    }
    return 0;
}
