// The common base of the mailer-log parsers.
//
// A mailer log owns what its analysis produces: sessions, file requests with their
// aliases, pending download-counter increments, the requesting nodes and one
// dial-statistics list per day. It drives the analysis (configuration, language
// file, then every line through the day split and the subclass's line parser) and
// offers the subclasses the operations that open and close sessions and record
// requests. The subclasses recognise the mailer's texts.
#pragma once

#include "engine/Log.h"
#include "engine/NodeStat.h"
#include "engine/RecordList.h"
#include "engine/Sess.h"
#include "engine/TextPool.h"
#include "fido/AddrList.h"
#include "platform/Words.h"

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
    int DSSort = 0;

    void Reset() override;
    void Assign(const TLog& other) override;
    void LoadFromReg(const TIniFile& ini, std::string_view section) override;
    void SaveToReg(TIniFile& ini, std::string_view section) const override;
    TLogDay& NewDay(std::int64_t firstLine, TDateTime date) override;
    bool Analyse(const TProgressFunc& progress) override;

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
    std::string_view KeepText(std::string_view text) { return texts_.Keep(text); }

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
    TNodeStat* EndSession(std::string_view line);
    void AddFreq(std::string_view name, const TFidoAddr& addr);
    void FreqSent(std::string_view fileName, std::string_view filePath, const TFidoAddr& addr);
    void AddFreqAlias(std::string_view alias, std::string_view target);
    // Reads a freq alias file; warnings (interface messages 96, 111) for what it skips.
    void ReadAliasFile(const std::string& fileName);
    // Reads a list of directories (each with a trailing "\", except "@" index entries).
    std::vector<std::string> ReadPathList(const std::string& fileName);

protected:
    void NewPartFound() override;
    // Runs one step of a line's analysis; false when the analysis must stop.
    template <typename Step>
    bool Guarded(Step step, bool dayStep);

private:
    // Hashes of texts that look up std::string keys by std::string_view.
    struct TTextHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const { return HashBytes(s); }
    };
    // The requests of one node that have a name as their name or as their real name.
    struct TNameFreqs {
        long lastOfName = -1;                 // the last request of that name
        std::vector<std::size_t> ofRealName;  // the requests whose real name it is, in list order
    };
    // A requested name with wildcards and the last request of it. Most names a mask
    // is tried on fail at its end, the bytes after its last "*": those are tried first.
    struct TWildName {
        std::string mask;
        std::size_t last;
        std::size_t tail;  // the bytes after the last "*" (the whole mask without one)
        TWildName(std::string m, std::size_t l);
        bool Matches(std::string_view name) const;
    };
    // The requests of one node, so that a request or a sent file finds its request
    // without looking at the others: by name and real name, and the names with "*"
    // or "?" apart.
    struct TNodeFreqs {
        std::unordered_map<std::string, TNameFreqs, TTextHash, std::equal_to<>> names;
        // The names with wildcards, each with its last request.
        std::vector<TWildName> wildcards;
    };

    // Adds request number index to the requests of its node.
    void IndexFreq(std::size_t index);
    // Gives a request another real name, in the index too.
    void SetRealName(std::size_t index, const std::string& realName);
    // The last request of a node of that name, or -1.
    long LastFreqOfName(const TFidoAddr& addr, std::string_view name) const;
    // The last request of a node that a sent file of that name answers (its real
    // name, or its name as a mask), or -1.
    long LastFreqForFile(const TFidoAddr& addr, const TNodeFreqs* node, std::string_view name) const;

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
    std::string nameBuf_;  // the upper-case name of a sent file, kept for its capacity
    std::unordered_map<std::string, TFreqAlias> aliases_;
    std::vector<TDLCFreq> dlcList_;
    TAddrList requesters_{false, false};
    TRecordList<TNodeStatList, 1024> dayStats_;
    std::optional<TFidoAddr> dialAddr_;
};

}  // namespace tarvix
