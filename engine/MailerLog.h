// The common base of the mailer-log parsers.
//
// A mailer log owns what its analysis produces: sessions, file requests with their
// aliases, pending download-counter increments, the requesting nodes and one
// dial-statistics list per day. It drives the analysis (configuration, language
// file, then every line through the day split and the subclass's line parser) and
// offers the subclasses the operations that open and close sessions and record
// requests. The subclasses recognise the mailer's texts.
#pragma once

#include "engine/DLCState.h"
#include "engine/Log.h"
#include "engine/NodeStat.h"
#include "engine/RecordList.h"
#include "engine/Sess.h"
#include "engine/TextPool.h"
#include "fido/AddrList.h"
#include "platform/Scan.h"

#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tarvix {

class TMailerLog : public TLog {
public:
    TMailerLog();
    ~TMailerLog() override;

    // --- settings ---
    const std::string& MailerPath() const { return mailerPath_; }
    virtual void SetMailerPath(std::string_view path);
    bool UpdateDLC = false;
    // The file that records what the download-counter update counted; empty: the one
    // beside the open settings file (DLCStatePath), none without settings.
    std::string DLCStateFile;
    int DSSort = 0;

    void Reset() override;
    void Assign(const TLog& other) override;
    void LoadFromReg(const TIniFile& ini, std::string_view section) override;
    void SaveToReg(TIniFile& ini, std::string_view section) const override;
    TLogDay& NewDay(std::int64_t firstLine, TDateTime date) override;
    bool Analyse(const TProgressFunc& progress) override;
    bool ContinueAnalysis(const TProgressFunc& progress) override;

    // --- what a subclass provides ---
    virtual void ParseMailerLine(std::string_view line) = 0;
    virtual TDateTime TimeOfLine(std::string_view line) = 0;
    virtual void LoadLng() {}
    virtual void ReadConfig() = 0;
    // The full path of a served file; the base gives the name unchanged.
    virtual std::string ResolveFreqName(std::string_view fileName);

    // --- results ---
    std::size_t SessCount() const { return sessions_.size(); }
    const TSess& GetSess(std::size_t index) const;
    std::size_t FreqCount() const { return freqs_.size(); }
    const TFreq& GetFreq(std::size_t index) const;
    const std::string& GetFreqName(std::size_t index) const;
    // The index of the first session that holds the line, or -1.
    long SessOfLine(std::int64_t lineNo) const;
    std::size_t DayStatCount() const { return dayStats_.size(); }
    const TNodeStatList& GetDayStats(std::size_t index) const;
    const TAddrList& Requesters() const { return requesters_; }
    std::vector<TDLCFreq>& DLCList() { return dlcList_; }
    const std::unordered_map<std::string, TFreqAlias>& Aliases() const { return aliases_; }

    // Raises the download counters in the files.bbs lists for the pending increments
    // (settings DLCLeft, DLCRight, DLCDigits, DLCLead, DLCBackupX) and empties them.
    // With the settings open, each send is counted exactly once across analyses and
    // runs stopped at any point (DLCState.h): the increments are those after the
    // line counted last, an update that a stopped run began is finished first, and
    // the new mark and the journal of the steps are written before any files.bbs.
    void UpdateCounters(const std::function<void(std::size_t done, std::size_t total)>& progress = {});

    std::int64_t FirstNewFreq = -1;  // requests recorded before the remembered line
    std::int64_t FirstNewSess = -1;  // sessions finished before it
    std::int64_t ErrorCount = 0;

    // --- for the subclasses ---
    // The session being read (or the one closed last, until the next opens).
    TSess* CurSess()
    {
        if (open_)
            return &*open_;
        if (closedValid_ && !sessions_.empty())
            return &sessions_.back();
        return nullptr;
    }
    bool SessionOpen() const { return open_.has_value(); }
    int State = 0;  // the parse state: 0 = no session open
    int MsgCol = 1;  // 1-based column where the message part of a line starts
    bool NewDayMark = false;
    std::string PendingPhone;
    TNodeStatList* NodeStats = nullptr;  // the current day's statistics
    const std::optional<TFidoAddr>& DialAddr() const { return dialAddr_; }
    void SetDialAddr(const std::optional<TFidoAddr>& addr) { dialAddr_ = addr; }

    // The log's lasting copy of a text of a session (system, sysop, mailer, phone).
    TPoolText KeepText(std::string_view text) { return texts_.Keep(text); }

    // The message part of the line begins with text. Called for most lines many
    // times over: the first 8 bytes (or the first byte of a shorter text) decide most
    // of them without a library call.
    bool MsgIs(std::string_view line, std::string_view text) const
    {
        const std::size_t col = static_cast<std::size_t>(MsgCol - 1);
        if (line.size() < col || line.size() - col < text.size())
            return false;
        const char* at = line.data() + col;
        if (text.size() >= 8) {
            std::uint64_t a, b;
            std::memcpy(&a, at, 8);
            std::memcpy(&b, text.data(), 8);
            return a == b && std::memcmp(at + 8, text.data() + 8, text.size() - 8) == 0;
        }
        return text.empty() || (at[0] == text[0] && std::memcmp(at, text.data(), text.size()) == 0);
    }
    // The line after its message prefix (and the blank after it).
    std::string_view MsgAfter(std::string_view line, std::string_view text) const;
    void StartSession(std::string_view line, bool incoming);
    // StartSession with the first line and its time given (a log whose sessions
    // interleave lists a session only once it has read all of it).
    void OpenSession(std::int64_t startLine, TDateTime startTime, bool incoming);
    TNodeStat* EndSession(std::string_view line);
    // EndSession with the last line and its time given.
    TNodeStat* EndSessionAt(TDateTime endTime, std::int64_t endLine);
    void AddFreq(std::string_view name, const TFidoAddr& addr);
    void FreqSent(std::string_view fileName, std::string_view filePath, const TFidoAddr& addr);
    void AddFreqAlias(std::string_view alias, std::string_view target);
    // Reads a freq alias file; warnings (interface messages 96, 111) for what it skips.
    void ReadAliasFile(const std::string& fileName);
    // Reads a list of directories (each with a trailing "\", except "@" index entries).
    std::vector<std::string> ReadPathList(const std::string& fileName);

protected:
    void NewPartFound() override;
    // Called after the last line, before the day statistics are sorted and totalled:
    // a log may list here what the end of the text left open.
    virtual void EndOfLog() {}
    // Whether EndOfLog leaves the parser as it is, so that the analysis can go on over
    // lines appended later (ContinueAnalysis): false where it closes what is still open.
    virtual bool EndOfLogKeepsState() const { return true; }
    // Runs one step of a line's analysis; false when the analysis must stop.
    template <typename Step>
    bool Guarded(Step step, bool dayStep);
    // Analyse's one run: the configuration, then every line; false where it stopped.
    bool ReadAndRunLines(const TProgressFunc& progress);
    // One line through the day split and the parser; false when the analysis must stop.
    bool RunLine(std::string_view line);
    // The end of a run: what the end of the text left open, the day statistics from
    // day firstDay on sorted and totalled, the download-counter increments selected.
    void EndRun(std::size_t firstDay);
    // The analysis that ran last can go on over appended lines.
    bool canContinue_ = false;
    // Counts and reports a failed step of a line; false when the analysis must stop.
    [[gnu::noinline, gnu::cold]] bool StepFailed(const std::string& error, bool dayStep);

private:
    // Hashes and compares of texts that look up std::string keys by std::string_view.
    struct TTextHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const { return HashBytes(s); }
    };
    struct TTextEqual {
        using is_transparent = void;
        bool operator()(std::string_view a, std::string_view b) const { return SameBytes(a, b); }
    };
    // The requests of one node that have a name as their name or as their real name.
    struct TNameFreqs {
        long lastOfName = -1;                 // the last request of that name
        std::vector<std::size_t> ofRealName;  // the requests whose real name it is, in list order
    };
    // The first and last eight bytes of a name, each as one word (a name shorter than a
    // word gives its bytes in another layout), with bit 5 set in every byte: the same
    // for every case of its letters (and for a few other bytes alike). What the filters
    // of a node's requests look at before the name is copied and upper-cased.
    struct TNameEnds {
        std::uint64_t first = 0, last = 0;
        std::size_t size;
        explicit TNameEnds(std::string_view name);
        // The name's bit in a node's filter of names: 0..255.
        unsigned FilterBit() const;
    };
    // A requested name with wildcards (upper case) and its requests. Most names a
    // mask is tried on fail at its first or last bytes: those are compared first, a
    // word at a time.
    struct TWildName {
        std::string mask;
        TNameFreqs* freqs;  // the mask's entry in the node's names
        std::size_t minSize;  // the bytes of the mask other than "*": no shorter name matches
        // The first eight bytes of the mask up to its first "*" and the last eight after
        // its last "*" (the whole mask without one), as words; the bytes of the words
        // that a name's ends must have ("?" and the bytes beyond those parts are free);
        // and the words with bit 5 set in every byte, as TNameEnds has them.
        std::uint64_t head = 0, tail = 0, headCare = 0, tailCare = 0, headFolded = 0, tailFolded = 0;
        bool byEnds = false;  // one "*" with at most eight bytes on each side: the ends decide
        TWildName(std::string m, TNameFreqs& f);
        // False only for a name that cannot match.
        bool MayMatch(const TNameEnds& name) const;
        bool Matches(std::string_view upperName, const TNameEnds& ends) const;
    };
    // The requests of one node, so that a request or a sent file finds its request
    // without looking at the others: by name and real name, and the names with "*"
    // or "?" apart. Most files sent to a node are mail that none of its requests
    // answers: a filter of its names and the ends of its masks tell those apart.
    struct TNodeFreqs {
        std::unordered_map<std::string, TNameFreqs, TTextHash, TTextEqual> names;
        // The names with wildcards: each views its entry in names.
        std::vector<TWildName> wildcards;
        // The bits (TNameEnds::FilterBit) of the names in names; a bit set by another
        // name only costs a look-up.
        std::uint64_t nameBits[4] = {};

        TNodeFreqs() = default;
        TNodeFreqs(const TNodeFreqs&) = delete;
        TNodeFreqs& operator=(const TNodeFreqs&) = delete;
        // The requests of a name, made (and added to the filter) if new.
        TNameFreqs& Entry(std::string_view name);
        // Adds request number index, the node's latest, of that name: own is the
        // entry of its name, real that of its real name.
        void Add(std::size_t index, std::string_view name, TNameFreqs& own, TNameFreqs& real);
        // False only when no request of the node answers a file of that name.
        bool MayAnswer(const TNameEnds& fileName) const;
    };
    // The request a sent file answers, -1 for none; with the file's entry in the
    // node's names and the node's mask whose last request it is, when there are.
    struct TFileAnswer {
        long index = -1;
        TNameFreqs* file = nullptr;
        TWildName* mask = nullptr;
    };

    // Adds request number index, the latest, to the requests of its node.
    void IndexFreq(std::size_t index);
    // Gives a request another real name, in the index too.
    void SetRealName(std::size_t index, std::string_view realName);
    // The last request of a node of that name, or -1.
    long LastFreqOfName(const TFidoAddr& addr, std::string_view name) const;
    // The last request of a node that a sent file (its name in upper case) answers:
    // by its real name, or its name as a mask.
    TFileAnswer LastFreqForFile(const TFidoAddr& addr, TNodeFreqs* node, std::string_view name,
                                const TNameEnds& ends);
    // The name in upper case, in nameBuf_ until the next call.
    std::string_view UpperName(std::string_view name);
    // FreqSent for a file that may answer a request.
    void FreqSentToNode(TNodeFreqs* node, std::string_view fileName, const TNameEnds& ends, std::string_view filePath,
                        const TFidoAddr& addr);

    std::string mailerPath_;
    // Record lists: a log of gigabytes holds millions of sessions, which growing never
    // copies nor holds twice; and a record keeps its address while others are added.
    TRecordList<TSess> sessions_;
    TTextPool texts_;  // the texts of the sessions
    std::optional<TSess> open_;
    bool closedValid_ = false;  // CurSess() is the session closed last
    TRecordList<TFreq> freqs_;
    // The requests of each node, by its four numbers; and the requests made under an
    // address mask, in list order.
    std::unordered_map<std::uint64_t, TNodeFreqs> freqsOfNode_;
    std::vector<std::size_t> maskFreqs_;
    std::string nameBuf_;  // its first bytes: the upper-case name of a request or sent file
    std::unordered_map<std::string, TFreqAlias> aliases_;
    std::vector<TDLCFreq> dlcList_;
    // The download-counter state of the analysis: the state file (empty: none kept),
    // the log's key in it, the mark read there and the line where it was found (0:
    // not found), and the last whole line of the text, the next mark.
    std::string dlcState_;
    std::string dlcKey_;
    TLineMark countedMark_;
    std::int64_t countedLine_ = 0;
    TLineMark nextMark_;
    std::int64_t nextMarkLine_ = 0;
    void StartCountedMark();
    void WatchCountedMark(std::string_view line);
    void SelectDLC();
    void AddDLC(std::size_t freq, std::string_view name, std::string_view filePath);
    TAddrList requesters_{false, false};
    TRecordList<TNodeStatList, 1024> dayStats_;
    std::optional<TFidoAddr> dialAddr_;
};

}  // namespace tarvix
