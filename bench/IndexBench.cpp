// Speed and memory of the log view's line index, without the view: maps a log file
// the way the view opens it and builds its TLineIndex, then prints one line of JSON
// with the seconds that took (mapping included), the line count, the memory the
// index holds and the peak resident memory of the process.
//
//   IndexBench FILE [RUNS]
//
// With RUNS > 1 the index is built that many times and the best time is printed.
#include "engine/LineIndex.h"
#include "platform/MappedFile.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <sys/resource.h>

using namespace tarvix;

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: IndexBench FILE [RUNS]\n");
        return 2;
    }
    const std::string path = argv[1];
    const int runs = argc == 3 ? std::atoi(argv[2]) : 1;
    if (runs < 1) {
        std::fprintf(stderr, "IndexBench: RUNS must be at least 1\n");
        return 2;
    }
    try {
        double best = 0;
        std::int64_t lines = 0;
        std::size_t bytes = 0;
        std::uint64_t size = 0;
        for (int run = 0; run < runs; ++run) {
            const auto start = std::chrono::steady_clock::now();
            TMappedFile file(path);
            file.AdviseSequential();
            TLineIndex index = TLineIndex::Build(file.View());
            file.AdviseNormal();
            const double seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            if (run == 0 || seconds < best)
                best = seconds;
            lines = index.LineCount();
            bytes = index.MemoryBytes();
            size = file.Size();
        }
        struct rusage usage {};
        ::getrusage(RUSAGE_SELF, &usage);
        std::printf("{\"seconds\": %.6f, \"file_bytes\": %llu, \"lines\": %lld, \"index_bytes\": %zu, "
                    "\"index_bytes_per_line\": %.3f, \"peak_rss_kb\": %ld}\n",
                    best, static_cast<unsigned long long>(size), static_cast<long long>(lines), bytes,
                    lines > 0 ? static_cast<double>(bytes) / static_cast<double>(lines) : 0.0, usage.ru_maxrss);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "IndexBench: %s\n", e.what());
        return 1;
    }
    return 0;
}
