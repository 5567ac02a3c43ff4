// Speed of the log text view on a log of a gigabyte: building the line index, the
// time from opening the file to the first painted screen, painting after a jump,
// and a search through the whole text. The line count of `wc -l` (a memchr loop
// over the same bytes) is the yardstick for the index.
//
// The log is taken from $TARVIX_BENCH_LOG, or generated once by tarvix-genlog
// (Bink style, 1 GiB, seed 1) into the build folder. Run a build without
// sanitizers:
//   cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release
//   cmake --build build-bench --target LogViewBench && ./build-bench/bench/LogViewBench
#include "engine/LineIndex.h"
#include "platform/MappedFile.h"
#include "ui/LogView.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPixmap>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <sys/resource.h>

namespace {

using namespace tarvix;

std::string g_logPath;

std::string LogPath()
{
    if (const char* env = std::getenv("TARVIX_BENCH_LOG"); env && *env)
        return env;
    return std::string(TARVIX_BINARY_DIR) + "/bench/genlog-bink-1g.log";
}

bool EnsureLog(const std::string& path)
{
    if (std::filesystem::exists(path))
        return true;
    std::fprintf(stderr, "Generating %s ...\n", path.c_str());
    const std::string command = std::string("'") + TARVIX_GENLOG +
                                "' --style bink --size 1073741824 --seed 1 --out '" + path + "'";
    return std::system(command.c_str()) == 0 && std::filesystem::exists(path);
}

double PeakRssMiB()
{
    struct rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// The line ends counted as `wc -l` counts them.
void BM_CountLinesWithMemchr(benchmark::State& state)
{
    TMappedFile file(g_logPath);
    std::uint64_t lines = 0;
    for (auto _ : state) {
        lines = 0;
        const char* p = file.Data();
        const char* end = p + file.Size();
        while ((p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p))))) {
            ++lines;
            ++p;
        }
        benchmark::DoNotOptimize(lines);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.Size()));
    state.counters["lines"] = static_cast<double>(lines);
}
BENCHMARK(BM_CountLinesWithMemchr)->Unit(benchmark::kMillisecond)->MinTime(2);

void BM_BuildLineIndex(benchmark::State& state)
{
    TMappedFile file(g_logPath);
    std::int64_t lines = 0;
    std::size_t memory = 0;
    for (auto _ : state) {
        TLineIndex index = TLineIndex::Build(file.View());
        lines = index.LineCount();
        memory = index.MemoryBytes();
        benchmark::DoNotOptimize(index);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.Size()));
    state.counters["lines"] = static_cast<double>(lines);
    state.counters["index_MiB"] = static_cast<double>(memory) / (1 << 20);
    state.counters["bytes_per_line"] = static_cast<double>(memory) / static_cast<double>(lines);
}
BENCHMARK(BM_BuildLineIndex)->Unit(benchmark::kMillisecond)->MinTime(2);

// Opening the file in a new view and painting its first screen.
void BM_OpenToFirstPaint(benchmark::State& state)
{
    for (auto _ : state) {
        TLogView view;
        view.resize(1000, 700);
        view.SetWordClassFunc([](std::string_view word, std::int64_t, int col) {
            return col < 17 ? 1 : (word == "failed" ? 2 : 0);
        });
        view.OpenFile(g_logPath);
        QPixmap screen = view.viewport()->grab();
        benchmark::DoNotOptimize(screen);
    }
    state.counters["peak_rss_MiB"] = PeakRssMiB();
}
BENCHMARK(BM_OpenToFirstPaint)->Unit(benchmark::kMillisecond)->Iterations(3);

// A jump to some line and the paint of that screen.
void BM_JumpAndPaint(benchmark::State& state)
{
    TLogView view;
    view.resize(1000, 700);
    view.SetWordClassFunc([](std::string_view, std::int64_t, int col) { return col < 17 ? 1 : 0; });
    view.OpenFile(g_logPath);
    std::mt19937_64 rng(1);
    for (auto _ : state) {
        view.GoToLine(1 + static_cast<std::int64_t>(rng() % static_cast<std::uint64_t>(view.LineCount())));
        QPixmap screen = view.viewport()->grab();
        benchmark::DoNotOptimize(screen);
    }
}
BENCHMARK(BM_JumpAndPaint)->Unit(benchmark::kMicrosecond);

// A search that finds nothing reads the whole text.
void BM_FindThroughTheWholeText(benchmark::State& state)
{
    TLogView view;
    view.resize(1000, 700);
    view.OpenFile(g_logPath);
    const bool matchCase = state.range(0) != 0;
    for (auto _ : state) {
        view.GoToLine(1);
        auto found = view.Find("no such text anywhere", {.MatchCase = matchCase});
        benchmark::DoNotOptimize(found);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * view.Bytes().size()));
}
BENCHMARK(BM_FindThroughTheWholeText)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    g_logPath = LogPath();
    if (const auto dir = std::filesystem::path(g_logPath).parent_path(); !dir.empty())
        std::filesystem::create_directories(dir);
    if (!EnsureLog(g_logPath)) {
        std::fprintf(stderr, "No log to measure: %s\n", g_logPath.c_str());
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
