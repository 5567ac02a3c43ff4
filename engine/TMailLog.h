// The T-Mail mailer log (style 1).
//
//   12/03 10:21:07 text of the message
//   ^^ ^^ ^^ ^^ ^^ ^
//   1  4  7  10 13 16      (1-based columns)
//
// T-Mail writes no year: the years pass of the analysis gives each line its year
// (LogYears.h). A status line carries
// the byte 0xFE in column 16. The mailer takes its messages from the numbered entries
// of its language file "t-mail.lng", so the parser loads that file from the mailer
// directory and recognises a message by the constant leading text of its entry (the
// entry cut before its first "%"). Only a few modem words are fixed ("CONNECT",
// "BUSY", "NO CARRIER", "MAIL-ONLY", "OK", "S-", "R-").
//
// Besides the language file the parser reads "t-mail.ctl" (file-request directory
// list and index files, the file-request alias file, the address alias file, the
// system directory and the chat log) and can adjust the session history file
// "t-hist.$NN" after the log was cut at its front.
//
// Texts taken from the log and from the language file are compared and stored as
// the OEM bytes the mailer wrote; they are decoded where they leave the engine.
#pragma once

#include "engine/MailerLog.h"
#include "engine/MsgIndex.h"
#include "engine/FreqIndex.h"
#include "fido/MailerLng.h"
#include "fido/StrDict.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarvix {

// Most lines that hold a searched text hold it right after the constant lead of
// their message (the text fills the first "%s" of a language entry): the lead makes
// an anchor, by which one compare mostly tells the text's place.
struct TLineAnchor {
    std::size_t at = 0;           // the offset of the text after the lead; 0: no anchor
    std::string leadAndText;      // what the message begins with
    TMsgWords words;              // leadAndText as words to compare with
    char first = 0;               // the text's first byte
};

// A text looked for anywhere in a line. The search looks for the byte of the text
// that log lines hold least (a capital letter rather than a small one, a digit or a
// blank), 16 bytes of the line at a time, and only where it stands is the text
// compared; the texts come from the language file, so the byte is chosen when the
// text is set.
class TLineText {
public:
    void Set(std::string_view text);
    const std::string& Text() const { return text_; }
    // The offset of the first place of the text in line, as std::string_view::find
    // gives it; npos for an empty text.
    std::size_t Find(std::string_view line) const;
    // Whether the text stands in line; an empty text stands nowhere.
    bool In(std::string_view line) const { return Find(line) != std::string_view::npos; }

    // The anchor of lead for messages at offset msgAt: the text right after the lead,
    // unless it could stand before that inside the lead (then, or for an empty lead or
    // text, no anchor).
    TLineAnchor Anchor(std::string_view lead, std::size_t msgAt) const;
    // Find for a line of msgAt bytes or more: where the anchor puts the text, when the
    // message begins with the lead and the text and no byte before the message is the
    // text's first byte (a place before the message would begin with it); else the
    // search of the line.
    std::size_t FindAt(std::string_view line, const TLineAnchor& anchor, std::size_t msgAt) const;

private:
    // Find for lines longer than 64 bytes.
    std::size_t FindInLong(std::string_view line) const;

    std::string text_;
    std::size_t key_ = 0;  // the offset in the text of the byte searched for
};

// The values the log takes from "t-mail.ctl".
struct TTMailConfig {
    std::string FreqDir = "dir.frq";    // file-request directory list
    std::string FreqNdx = "index.frq";  // file-request alias (magic name) file
    std::string AddressAliases;         // address alias file, empty when none
    std::string SysPath;                // system directory, without a trailing "\"
    std::string ChatLog;                // chat log, resolved against the mailer directory
};

class TTMailLog : public TMailerLog {
public:
    // Parse states inside a session (0 = none, 1 = connected: from StartSession).
    enum : int {
        tsConnected = 1,  // waiting for the remote's address
        tsSysOp = 2,      // waiting for the sysop and phone
        tsSystem = 3,     // waiting for the system name
        tsHandshake = 4,  // password and protocol lines
        tsTransfer = 5,   // files sent and received, file requests
        tsHuman = 6,      // no mailer answered: waiting for the caller to leave
        tsFtsOne = 7,     // an FTS-1 session
    };

    // The mailer versions the options offer (2600 and 2601 read as 2599 does).
    static constexpr int kVersion2599 = 2599;
    static constexpr int kVersion2602 = 2602;  // FTS-1 received files and mailer name
    static constexpr int kVersion2603 = 2603;  // address aliases, history with positions
    static constexpr int kVersion2604 = 2604;  // index files of the 2604 format
    static constexpr int kVersion2605 = 2605;  // call lines of entry 608

    TTMailLog();
    ~TTMailLog() override;

    // --- options ("TMVersion", "TaskNo") ---
    int TMVersion = kVersion2599;
    int TaskNo = 1;  // the T-Mail line, 0 to 255

    // --- highlighting ---
    // Column 0 with "/" as third character, column 6 with ":" as third character.
    bool IsDateWord(int col, std::string_view word) override;
    // A word that begins with the word T-Mail writes for failed transfers.
    bool IsErrorWord(std::string_view word) override;
    // The class of a line after its first message word; always answers yes.
    bool WordClass(std::string_view word, int col) override;

    // --- analysis ---
    // The day split sees only lines with "/" in column 3 and ":" in column 9.
    void ParseLine(std::string_view line) override;
    void Reset() override;
    void Assign(const TLog& other) override;
    void LoadFromReg(const TIniFile& ini, std::string_view section) override;
    void SaveToReg(TIniFile& ini, std::string_view section) const override;
    // Day and month of a dated line in LineYear() (it becomes the last date);
    // any other line gets the last date. Raises EConvertError for fields that are no
    // numbers or no date.
    TDateTime DateOfLine(std::string_view line) override;
    bool MonthDayOfLine(std::string_view line, int& month, int& day) const override;

    void ParseMailerLine(std::string_view line) override;
    // DateOfLine plus hours, minutes and seconds of columns 7, 10 and 13.
    TDateTime TimeOfLine(std::string_view line) override;
    // Reads "t-mail.lng" of the mailer directory (unless it is held already) and
    // takes the texts the parser compares. Raises EFOpenError for a missing file and
    // EMailerLngError (with the file name) for an entry number beyond the file.
    void LoadLng() override;
    // Reads "t-mail.ctl", the directory list with its index files, the file-request
    // aliases and the address aliases.
    void ReadConfig() override;
    void SetMailerPath(std::string_view path) override;
    // The file's path from the index files, else from the directory list; empty
    // when neither knows it.
    std::string ResolveFreqName(std::string_view fileName) override;

    // --- T-Mail's own files ---
    // T-Mail's system directory (Sys_Path), or the mailer directory when the
    // configuration sets none. Reads "t-mail.ctl" if needed (EQParserError).
    std::string SystemDir();
    // The chat log resolved against the mailer directory; empty when not set.
    std::string ChatLogFile();
    // Lowers the log positions that the session history keeps by the number of bytes
    // cut off the front of the log (never below 0). Only for versions from 2603 and
    // a positive amount. A history file of another format is left as it was (interface
    // message 107); the new content replaces the old one atomically. True when the
    // file was rewritten. A missing file raises EFOpenError.
    bool AdjustHistory(std::int64_t bytesRemoved);
    // "t-hist.$" followed by the task number as two upper-case hexadecimal digits.
    std::string HistoryFileName() const;

    // --- what the configuration gave (for the windows and tests) ---
    const TTMailConfig& Config() const { return config_; }
    const std::vector<std::string>& DirList() const { return dirList_; }
    std::vector<std::string> IndexNames() const;
    const TStrDict& AddressAliasDict() const { return addrAliases_; }

    // The status-line marker in column 16.
    static constexpr unsigned char kMarker = 0xFE;

private:
    // ParseLine for a line whose "DD/MM" differs from the line before's (kept out of
    // line: see bench/Inlining.md).
    [[gnu::noinline]] void OtherDayLine(std::string_view line);
    // TimeOfLine for a line of another day than the stamp read last.
    TDateTime TimeOfNewDay(std::string_view line);
    // TimeOfLine for a stamp that is not all digits, or no stamp.
    TDateTime TimeOfOddLine(std::string_view line);
    // Reads "t-mail.ctl" into config_ (the previous values are replaced).
    void ReadCtl();
    void EnsureCtl();
    void LoadDirList();
    void ReadAddressAliases(const std::string& fileName);

    // The entries a message is recognised by when it begins with their cut text (the
    // text of the entry before its first "%"), one bit each in the first-byte filter.
    enum TLead : unsigned {
        L2, L3, L4, L15, L16, L21, L26, L32, L33, L34, L42, L47, L56, L58, L60,
        L159, L199, L203, L424, L587, L591, L594, L608,
        kLeadCount
    };

    // The lines that end or spoil a session in any state.
    static constexpr std::uint32_t kSpoilLeads = 1u << L3 | 1u << L424 | 1u << L587 | 1u << L4;
    // The lines of a call placed.
    static constexpr std::uint32_t kCallLeads = 1u << L15 | 1u << L16 | 1u << L608;

    // The line parser. leads holds the entries the message may begin with (LeadsOf);
    // a line of a session goes to the function of the session's state.
    void NoSession(std::string_view line, std::uint32_t leads);
    // A call placed (kind: L15, L16 or L608): the dialled address and its result.
    void CallLine(std::string_view line, TLead kind);
    // A status line outside a session: a connect starts one.
    void SessionStartLine(std::string_view line, std::uint32_t leads);
    // A status line in a session ends it, with the traffic totals when it has them.
    void StatusLine(std::string_view line, TSess& s);
    // The end of StatusLine for totals that are not two plain numbers (text follows
    // the traffic text): read as counts, or reported after the session ended.
    void OddTrafficLine(std::string_view line, TSess& s, std::string_view text);
    // A line that may end or spoil the session (kSpoilLeads); then the state's step.
    void SpoilLine(std::string_view line, TSess& s, std::uint32_t leads);
    void Step(std::string_view line, TSess& s, std::uint32_t leads);
    void StateConnected(std::string_view line, TSess& s, std::uint32_t leads);
    void StateSysOp(std::string_view line, TSess& s, std::uint32_t leads);
    void StateSystem(std::string_view line, TSess& s, std::uint32_t leads);
    void StateHandshake(std::string_view line, TSess& s, std::uint32_t leads);
    void StateTransfer(std::string_view line, TSess& s, std::uint32_t leads);
    void StateHuman(std::string_view line, std::uint32_t leads);
    void StateFtsOne(std::string_view line, TSess& s, std::uint32_t leads);
    void RemoteAddressLine(std::string_view line, TSess& s);
    void SentFileLine(std::string_view line, TSess& s);
    // The file of a sent line that says "OK", for the requests of the node.
    void SentFileRequest(std::string_view line, const TFidoAddr& addr);
    // A transfer line with the word of failed transfers spoils the session.
    void FailedTransferLine(std::string_view line, TSess& s);
    // The lead entries whose cut text begins with the first byte of the message: a line
    // is compared only with those. An entry that came out empty is in no set.
    std::uint32_t LeadsOf(std::string_view line) const;
    // The message begins with the cut text of the entry (a bit of leads).
    bool Is(std::string_view line, std::uint32_t leads, TLead which) const;
    // What follows the cut text of the entry in a message that begins with it, as
    // MsgAfter gives it.
    std::string_view ValueOf(std::string_view line, TLead which) const;
    // The address alias for the text, if the alias file may have one for it.
    std::string_view AliasedAddr(std::string_view text) const;

    std::unique_ptr<TTMailLng> lng_;

    // The cut entries the parser compares.
    struct Entries {
        std::array<std::string, kLeadCount> lead;  // compared at the start of the message
        std::string e65, e467;                     // searched for in the whole line
    } cut_;
    // For each byte, the lead entries whose cut text begins with it.
    std::array<std::uint32_t, 256> leadsByFirst_{};
    // The cut texts as words to compare messages with.
    std::array<TMsgWords, kLeadCount> leadWords_{};
    // For each entry, the offset where MsgAfter cuts a line whose message begins with it.
    std::array<std::size_t, kLeadCount> valueAt_{};
    // The words of the language file used for highlighting and transfers.
    std::string humanWord_;      // first word of entry 47
    std::string failedWord_;     // first word of entry 3
    std::string errorWordA_;     // first word of entry 147
    std::string infoWord_;       // first word of entry 199
    std::string errorLineWord_;  // fourth word of the whole entry 422
    std::string errorWordB_;     // first word of entry 62
    std::string dialSkip_;       // second comma-delimited word of the whole entry 240, less 3 characters
    TMsgWords dialSkipWords_;    // dialSkip_ as words to compare with
    // The texts looked for anywhere in a line.
    TLineText protocolText_;   // entry 65, before the protocol of the session
    TLineText trafficText_;    // entry 467, before the traffic totals
    TLineText errorLineText_;  // errorLineWord_: a failed transfer
    TLineText connect_;        // "CONNECT" of a status line that opens a session
    // Those texts after the leads of their lines.
    TLineAnchor connectIn_;   // after entry 2 (an incoming call)
    TLineAnchor connectOut_;  // after entry 17 (an outgoing call)
    TLineAnchor protocolAt_;  // after entry 64 (the handshake)
    TLineAnchor trafficAt_;   // after entry 466 (the end of the session)

    TTMailConfig config_;
    bool configRead_ = false;
    int configTask_ = 0;  // the task number the configuration was read with
    bool ownsGlobalAliases_ = false;  // the global address alias table holds our aliases

    TDateTime lastDate_ = 0;
    // LastDateText, the "DD/MM" of the last dated line, as DayKey gives it (0: none).
    std::uint64_t dayKey_ = 0;
    // The date TimeOfLine read last, of the stamp bytes "DD/MM" (key, all digits but
    // the "/") in that year.
    std::uint64_t stampKey_ = 0;
    int stampYear_ = 0;
    TDateTime stampDate_ = 0;
    std::vector<std::string> dirList_;
    std::vector<std::pair<std::string, std::unique_ptr<TFileIndex>>> indexes_;
    TStrDict addrAliases_;  // alias name -> address text, as the log writes names
    // The first bytes (in upper case) of the alias names, one bit each: a text whose
    // first byte is none of them (an address) names no alias.
    std::array<std::uint64_t, 4> aliasFirst_{};
};

// Registers the T-Mail log class with the log factory (style 1).
void RegisterTMailLogStyle();

}  // namespace tarvix
