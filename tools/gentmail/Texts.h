// The message texts of the generated T-Mail installation.
//
// T-Mail writes every log message from a numbered entry of its language file, so the
// generator keeps one table of entry texts: it is written out as t-mail.lng and the
// log lines are made from the same entries, so that the log and the language file
// always agree. Texts are bytes as T-Mail keeps them (code page 866); the status
// marker is the byte 0xFE.
#pragma once

#include <string>
#include <vector>

namespace tarvix::gentmail {

// Entry numbers of the messages the generator writes into the log.
enum Entry : int {
    kStarted = 1,           // T-Mail %s started on task %d
    kIncomingConnect = 2,   // status: incoming call, modem CONNECT text
    kFailure = 3,           // session aborted
    kLinkError = 4,         // a link error inside a session (session not OK)
    kStopped = 5,           // T-Mail stopped
    kModemInit = 6,
    kWaiting = 7,
    kOutboundScan = 8,
    kSeparator = 9,         // undated line at a start of T-Mail
    kCalling = 15,          // call attempt: address, phone, modem result
    kRedialing = 16,        // call attempt: address, attempt, modem result
    kOutgoingConnect = 17,  // status: outgoing call, modem CONNECT text
    kCallerGone = 21,       // human caller hung up
    kFtsDone = 26,          // end of an FTS-1 session
    kRemoteAddress = 30,    // "<address>, using <mailer>"
    kAkas = 31,             // undated continuation: further addresses of the remote
    kSysOp = 32,            // sysop, phone
    kSystem = 33,           // system name, location
    kCallType = 34,         // MAIL-ONLY or not
    kFtsStart = 42,         // FTS-1 session (no EMSI)
    kHuman = 47,            // human caller
    kUnlisted = 56,         // remote not in the nodelist
    kBadPassword = 58,
    kPassword = 60,
    kError = 62,            // general error
    kHandshake = 64,        // "Handshake complete, <entry 65> <protocol>, ..."
    kProtocolWord = 65,     // fragment naming the protocol in the handshake line
    kWarning = 147,
    kFileRequest = 159,
    kFreqMissing = 160,
    kFreqMask = 161,
    kFreqAlias = 162,
    kNotice = 199,          // ends a human call; first word is highlighted as Info
    kToBbs = 203,           // human caller passed to the BBS
    kDialSkip = 240,        // call attempt not made
    kXferOk = 420,          // "<p><d>-OK <file> <bytes> bytes, <cps> cps"
    kXferSkipped = 421,     // "<p><d>- <file> skipped: <why>"
    kXferError = 422,       // "<p><d>- <file> interrupted: ERROR <why>"
    kRejected = 424,        // remote rejected a file (session not OK)
    kSessionEnd = 466,      // status: end of session with <entry 467> <in>/<out>
    kTrafficWord = 467,     // fragment before the byte counts of the session end
    kTimeout = 587,         // timeout inside a session (session not OK)
    kFtsGot = 591,          // FTS-1: file received
    kFtsMailer = 594,       // FTS-1: remote mailer
    kDialing = 608,         // call attempt of T-Mail 2605: address (system), phone
};

// The number of entries of the generated t-mail.lng.
inline constexpr int kEntryCount = 620;

// The text of entry n (1-based); every entry up to kEntryCount has one.
const std::string& EntryText(int n);

// All entries in order, for the language file writer.
std::vector<std::string> AllEntries();

// The entry cut before its first "%", as a reader of the language file takes it.
const std::string& Cut(int n);

// Entry n with its printf-style placeholders (%s, %d, %lu, %c, with flags and
// width) replaced by args in order; "%%" gives "%". Missing args give "".
std::string Msg(int n, const std::vector<std::string>& args = {});

// The words that a log viewer derives from the entries (checked at start-up).
std::string DialSkipText();   // second comma word of entry 240 less its last 3 chars
std::string ErrorLineWord();  // fourth blank-delimited word of entry 422

// The status marker byte that starts status lines.
inline constexpr char kMarker = '\xFE';

}  // namespace tarvix::gentmail
