#include "tools/gentmail/Texts.h"

#include <cctype>
#include <map>
#include <stdexcept>

namespace tarvix::gentmail {

namespace {

// The messages written into the log. Entries a log viewer recognises keep a fixed
// leading text before their first "%" that no other message of the same moment shares.
const std::map<int, std::string>& Messages()
{
    static const std::map<int, std::string> table = {
        {kStarted, "T-Mail %s started on task %d"},
        {kIncomingConnect, "\xFE Incoming call: %s"},
        {kFailure, "Failure: session aborted (%s)"},
        {kLinkError, "Link error: %s"},
        {kStopped, "T-Mail stopped, errorlevel %d"},
        {kModemInit, "Modem initialised: %s"},
        {kWaiting, "Waiting for calls, next event at %s"},
        {kOutboundScan, "Outbound: %d node(s), %s KB of mail"},
        {kSeparator, "---------- T-Mail %s, task %d ----------"},
        {kCalling, "Calling %s, %s, %s"},
        {kRedialing, "Redialing %s, attempt %d, %s"},
        {kOutgoingConnect, "\xFE Outgoing call: %s"},
        {kCallerGone, "Caller disconnected"},
        {kFtsDone, "FTS-1 session done, %d file(s) received"},
        {kRemoteAddress, "%s, using %s"},
        {kAkas, "AKA: %s"},
        {kSysOp, "SysOp: %s, %s"},
        {kSystem, "System: %s, %s"},
        {kCallType, "Call type: %s"},
        {kFtsStart, "FTS-1 (no EMSI) session started"},
        {kHuman, "Human caller, %s"},
        {kUnlisted, "Unlisted system: %s"},
        {kBadPassword, "Bad password \"%s\" from %s"},
        {kPassword, "Password protected session"},
        {kError, "Error: %s"},
        {kHandshake, "Handshake complete, %s %s, %d AKA(s)"},
        {kProtocolWord, "Protocol:"},
        {kWarning, "Warning: %s"},
        {kFileRequest, "File request: %s"},
        {kFreqMissing, "Requested file %s not found"},
        {kFreqMask, "Mask %s: %d file(s) found"},
        {kFreqAlias, "Magic name %s is %s"},
        {kNotice, "Notice: %s"},
        {kToBbs, "Passing the caller to the BBS (%s)"},
        {kDialSkip, "Calling %s, skipped: %s"},
        {kXferOk, "%c%c-OK %s %lu bytes, %d cps"},
        {kXferSkipped, "%c%c- %s skipped: %s"},
        {kXferError, "%c%c- %s interrupted: ERROR %s"},
        {kRejected, "Remote rejected %s"},
        {kSessionEnd, "\xFE End of session, %s %lu/%lu, %s online"},
        {kTrafficWord, "bytes in/out:"},
        {kTimeout, "Timeout waiting for %s"},
        {kFtsGot, "FTS-1 got %s %lu bytes, %s"},
        {kFtsMailer, "FTS-1 remote mailer: %s"},
        {kDialing, "Dialing %s (%s), %s"},
    };
    return table;
}

// Texts for the entries the generator never writes into the log: messages a mailer
// has, so the language file reads like a real one.
const char* const kFiller[] = {
    "Scanning outbound for %s",
    "Packing mail for %s",
    "Unpacking %s",
    "Tossing incoming mail",
    "Nodelist index %s is out of date",
    "Compiling the nodelist",
    "Event %d started",
    "Event %d finished",
    "Running external program: %s",
    "Errorlevel %d returned",
    "Screen saver on",
    "Screen saver off",
    "Keyboard locked",
    "Keyboard unlocked",
    "Local chat with %s",
    "Chat ended",
    "Sysop paged by %s",
    "Hold mail for %s",
    "Crash mail for %s",
    "Direct mail for %s",
    "Poll for %s created",
    "Request for %s created",
    "File attach: %s",
    "Killed sent file %s",
    "Truncated sent file %s",
    "Cannot create %s",
    "Cannot open %s",
    "Disk full on drive %c:",
    "Free space on %s: %lu KB",
    "Modem does not answer",
    "Modem reset",
    "Ring",
    "Answering",
    "Dial string: %s",
    "Carrier detected",
    "Carrier lost",
    "Session limit reached for %s",
    "Freq limit exceeded by %s",
    "Freq time limit: %d min",
    "Undialable node %s",
    "Node %s is in the bad list",
    "Outbound busy flag for %s",
    "Removed stale busy flag %s",
    "Semaphore %s found",
    "Semaphore %s created",
    "Rescanning outbound",
    "Mail window opened",
    "Mail window closed",
    "Zone mail hour",
    "End of zone mail hour",
    "Statistics written to %s",
    "History file %s updated",
    "Traffic file %s updated",
    "Log file %s reopened",
    "Configuration %s read",
    "Unknown keyword %s in %s",
    "Line %d: %s",
    "Memory: %lu bytes free",
    "Timer: %s",
    "Press Esc to exit",
};

}  // namespace

const std::string& EntryText(int n)
{
    static const std::vector<std::string> all = [] {
        std::vector<std::string> v;
        const std::size_t fillers = sizeof(kFiller) / sizeof(kFiller[0]);
        for (int i = 1; i <= kEntryCount; ++i) {
            auto it = Messages().find(i);
            v.push_back(it != Messages().end() ? it->second : kFiller[static_cast<std::size_t>(i) % fillers]);
        }
        return v;
    }();
    if (n < 1 || n > kEntryCount)
        throw std::out_of_range("entry " + std::to_string(n));
    return all[static_cast<std::size_t>(n - 1)];
}

std::vector<std::string> AllEntries()
{
    std::vector<std::string> v;
    for (int i = 1; i <= kEntryCount; ++i)
        v.push_back(EntryText(i));
    return v;
}

const std::string& Cut(int n)
{
    static const std::vector<std::string> cuts = [] {
        std::vector<std::string> v;
        for (int i = 1; i <= kEntryCount; ++i) {
            const std::string& s = EntryText(i);
            v.push_back(s.substr(0, s.find('%')));
        }
        return v;
    }();
    EntryText(n);  // range check
    return cuts[static_cast<std::size_t>(n - 1)];
}

std::string Msg(int n, const std::vector<std::string>& args)
{
    const std::string& f = EntryText(n);
    std::string out;
    std::size_t next = 0;
    for (std::size_t i = 0; i < f.size(); ++i) {
        if (f[i] != '%') {
            out += f[i];
            continue;
        }
        if (i + 1 < f.size() && f[i + 1] == '%') {
            out += '%';
            ++i;
            continue;
        }
        // %[flags][width][l]conversion
        std::size_t j = i + 1;
        bool left = false, zero = false;
        while (j < f.size() && (f[j] == '-' || f[j] == '0')) {
            (f[j] == '-' ? left : zero) = true;
            ++j;
        }
        std::size_t width = 0;
        while (j < f.size() && std::isdigit(static_cast<unsigned char>(f[j])))
            width = width * 10 + static_cast<std::size_t>(f[j++] - '0');
        while (j < f.size() && f[j] == 'l')
            ++j;
        std::string value = next < args.size() ? args[next] : std::string();
        ++next;
        if (value.size() < width) {
            std::string pad(width - value.size(), zero && !left ? '0' : ' ');
            value = left ? value + pad : pad + value;
        }
        out += value;
        i = j;  // the conversion character
    }
    return out;
}

std::string DialSkipText()
{
    const std::string& s = EntryText(kDialSkip);
    std::size_t a = s.find(',');
    std::size_t b = s.find(',', a + 1);
    std::string word = s.substr(a + 1, b == std::string::npos ? std::string::npos : b - a - 1);
    return word.size() > 3 ? word.substr(0, word.size() - 3) : std::string();
}

std::string ErrorLineWord()
{
    const std::string& s = EntryText(kXferError);
    int count = 0;
    std::size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && s[i] == ' ')
            ++i;
        std::size_t start = i;
        while (i < s.size() && s[i] != ' ')
            ++i;
        if (i > start && ++count == 4)
            return s.substr(start, i - start);
    }
    return {};
}

}  // namespace tarvix::gentmail
