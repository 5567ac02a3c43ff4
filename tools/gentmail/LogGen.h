// Writing t-mail.log from the entry texts, and what the mailer would have kept about
// the sessions in its side files.
#pragma once

#include "tools/gentmail/World.h"

#include <cstdint>
#include <vector>

namespace tarvix::gentmail {

// One session as T-Mail's history and traffic files keep it.
struct SessionSummary {
    Addr addr;
    std::int64_t start = 0;  // seconds since 1970-01-01
    std::int32_t length = 0;
    std::uint32_t bytesRcvd = 0, bytesSent = 0;
    int filesRcvd = 0, filesSent = 0;
    bool incoming = false;
    bool ok = false;
    std::uint64_t logStart = 0, logEnd = 0;  // byte positions of its first and last line
};

// A file sent for a file request.
struct FreqServed {
    Addr addr;
    std::int64_t time = 0;  // seconds since 1970-01-01
    std::uint32_t bytes = 0;
};

struct LogResult {
    std::vector<SessionSummary> sessions;
    std::vector<FreqServed> freqs;
    Day lastDay;
    std::uint64_t size = 0;
    std::uint64_t lines = 0;
};

LogResult WriteLog(const Options& o);

// Throws std::logic_error when the entry texts break a rule the log reader relies
// on (distinct leading texts, the dial-skip text, the error-line word).
void CheckTexts();

}  // namespace tarvix::gentmail
