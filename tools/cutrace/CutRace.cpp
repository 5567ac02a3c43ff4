// Cuts a log again and again while another process appends to it without a lock, as
// a mailer does, and counts the lines lost and duplicated.
//
//   tarvix-cutrace DIR [CUTS] [LINES_PER_SECOND] [append|seek]
//
// The appender writes numbered lines of 64 bytes, each with its own write(): opened
// with O_APPEND ("append", most mailers), or seeking to the end before each write
// ("seek", old DOS-style writers). The log is cut to 64 KB (TLog::CutLog) whenever
// it is over 80 KB, CUTS times (default 300, at 12000 lines a second); after each
// cut the file is read and its numbered lines checked: a number missing between two
// lines that follow each other is a lost line, one that comes again a duplicate;
// zero bytes are holes left by a writer whose offset lay past the new end.
// Prints the figures; exit status 0 when no line was lost or duplicated and no run of
// zero bytes outlived the next cut (a writer held up by a busy machine may write
// after a cut has looked for its hole), 1 otherwise, 77 when DIR's file system cannot drop a file's head in
// place (the copy-and-truncate cut is then measured, not judged). A run stops early
// when the log grows past 64 MB: the cuts then do not keep it short.
#include "engine/Log.h"
#include "platform/FileRead.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <linux/falloc.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t g_stop = 0;

void Append(const std::string& path, long rate, bool seek)
{
    std::signal(SIGTERM, [](int) { g_stop = 1; });
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | (seek ? 0 : O_APPEND), 0644);
    if (fd < 0)
        ::_exit(2);
    const auto begin = std::chrono::steady_clock::now();
    long long written = 0;
    while (!g_stop) {
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        for (; written < static_cast<long long>(seconds * static_cast<double>(rate)) && !g_stop; ++written) {
            char line[80];
            const int n = std::snprintf(line, sizeof line, "%010lld line appended by the mailer while it is cut\r\n",
                                        written);
            if (seek)
                ::lseek(fd, 0, SEEK_END);
            if (::write(fd, line, static_cast<std::size_t>(n)) != n)
                ::_exit(3);
        }
        ::usleep(1000);
    }
    ::_exit(0);
}

struct TCount {
    long long lastSeen = -1;
    long long lost = 0, duplicated = 0, zeroBytes = 0, cutsWithZeros = 0, zerosKept = 0;
    bool zerosBefore = false;

    // Checks the numbered lines of the file; the pairs checked before are skipped.
    void Check(const std::string& text)
    {
        const long long zeros = std::count(text.begin(), text.end(), '\0');
        zeroBytes = std::max(zeroBytes, zeros);
        cutsWithZeros += zeros > 0;
        // A run of zeros that a writer held up leaves after a cut goes with the next.
        zerosKept += zeros > 0 && zerosBefore;
        zerosBefore = zeros > 0;
        long long prev = -1;
        std::size_t at = 0;
        for (std::size_t end; (end = text.find('\n', at)) != std::string::npos; at = end + 1) {
            std::size_t p = at;
            while (p < end && (text[p] == '\0' || text[p] == ' '))
                ++p;
            if (p + 10 > end)
                continue;  // the blank head a cut leaves
            const long long x = std::strtoll(text.c_str() + p, nullptr, 10);
            // Only gaps between two lines of the file count: lines before the first
            // were the cut's to take (on a busy machine more may come between two
            // looks than a cut keeps, so the figure is then a lower bound).
            if (prev >= 0 && x <= prev)
                ++duplicated;
            else if (prev >= 0 && x > lastSeen)
                lost += x - std::max(prev, lastSeen) - 1;
            prev = x;
            lastSeen = std::max(lastSeen, x);
        }
    }
};

bool CanDropHead(const std::string& dir)
{
    const std::string probe = dir + "/cutrace-probe";
    const int fd = ::open(probe.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
    const std::string block(1 << 16, 'x');
    const bool ok = fd >= 0 && ::write(fd, block.data(), block.size()) == static_cast<ssize_t>(block.size()) &&
                    ::fallocate(fd, FALLOC_FL_COLLAPSE_RANGE, 0, 1 << 15) == 0;
    if (fd >= 0)
        ::close(fd);
    ::unlink(probe.c_str());
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: tarvix-cutrace DIR [CUTS] [LINES_PER_SECOND] [append|seek]\n");
        return 2;
    }
    const std::string dir = argv[1];
    const int cuts = argc > 2 ? std::atoi(argv[2]) : 300;
    const long rate = argc > 3 ? std::atol(argv[3]) : 12000;
    const bool seek = argc > 4 && std::string(argv[4]) == "seek";
    ::mkdir(dir.c_str(), 0755);
    const std::string path = dir + "/race.log";
    ::unlink(path.c_str());
    const bool dropHead = CanDropHead(dir);

    const pid_t appender = ::fork();
    if (appender == 0)
        Append(path, rate, seek);

    tarvix::TLog log;
    log.Path = path;
    log.CutSize = 64;
    TCount count;
    int done = 0, failed = 0;
    bool keptUp = true;
    while (done < cuts) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        const std::int64_t size = tarvix::FileSize(path);
        if (size < 80 * 1024)
            continue;
        // A writer that seeks may put back, past a run of zeros, what the cut took.
        if (size > 64 << 20) {
            keptUp = false;
            break;
        }
        try {
            if (log.CutLog() > 0)
                ++done;
        } catch (const std::exception& e) {
            ++failed;
            std::fprintf(stderr, "cut failed: %s\n", e.what());
        }
        count.Check(tarvix::ReadWholeFile(path));
    }
    ::kill(appender, SIGTERM);
    int status = 0;
    ::waitpid(appender, &status, 0);
    count.Check(tarvix::ReadWholeFile(path));
    ::unlink(path.c_str());

    std::printf("cut: %s; writer: %s; %d cuts (%d failed) at %ld lines a second; %lld lines written; "
                "%lld lost, %lld duplicated; zero bytes after %lld cuts (at most %lld), "
                "still there after the next cut %lld times\n",
                dropHead ? "head dropped in place" : "copy and truncate", seek ? "seek and write" : "O_APPEND",
                done, failed, rate, count.lastSeen + 1, count.lost, count.duplicated, count.cutsWithZeros,
                count.zeroBytes, count.zerosKept);
    if (!keptUp)
        std::printf("the cuts did not keep the log short: it grew past 64 MB\n");
    if (!dropHead)
        return 77;
    return keptUp && count.lost == 0 && count.duplicated == 0 && count.zerosKept == 0 && failed == 0 ? 0 : 1;
}
