// The log of the Brake! mailer (style 4).
//
// Brake! writes fixed English texts, so the parser matches literal messages and
// loads no language file. It writes its log in one of two layouts:
//
//   own layout (versions before 716: message in column 25; 716 on: column 28)
//     28/03/26 10:21:07 T01   Incoming call, CONNECT 33600/ARQ/V34
//     ^  ^  ^  ^        ^     ^
//     1  4  7  10       19    25                         (1-based columns)
//
//   BinkleyTerm layout (message in column 24; only "BRK!" lines are read)
//     + 28 Mar 10:21:07 BRK! Incoming call, CONNECT 33600/ARQ/V34
//     ^ ^  ^   ^        ^    ^
//     1 3  6   10       19   24
//
// The own layout carries a two-digit year; the BinkleyTerm layout none (the
// current year is taken). The mailer's configuration "brake!.ctl" names the file
// tree that requested files are served from (TREE), and from version 716 on the
// system names (OUT, INOUT) that the log may show in place of addresses.
#pragma once

#include "engine/MailerLog.h"
#include "fido/StrDict.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarvix {

class TBrakeLog : public TMailerLog {
public:
    TBrakeLog();

    // --- options (settings keys "BrkVersion" and "BinkStyle") ---
    // 701 stands for the mailer versions 701-702, 703 for 703-715, 716 for 716-718.
    int BrkVersion() const { return brkVersion_; }
    void SetBrkVersion(int version);
    // The log is written in the BinkleyTerm layout.
    bool BinkStyle() const { return binkStyle_; }
    void SetBinkStyle(bool on);
    // The version radio item of the options dialog (0, 1, 2) for a stored version,
    // -1 for a version no item stands for; and the version an item stands for.
    static int VersionItem(int version);
    static int VersionOfItem(int item);

    // --- what the latest reading of brake!.ctl found ---
    // The file tree of requested files as a host path, without a closing separator;
    // empty when the configuration names none.
    const std::string& Tree() const { return tree_; }
    // System name -> address text, from OUT and INOUT lines (version 716 on).
    const TStrDict& SystemAliases() const { return systems_; }
    // The ALIAS names. They carry no target, so a request for one of them keeps its
    // own name as the file it stands for.
    const std::vector<std::string>& AliasNames() const { return aliasNames_; }

    // --- highlighting ---
    // The date and time words: 0-based columns 0 and 9 of the own layout, 2, 5 and 9
    // of the BinkleyTerm layout.
    bool IsDateWord(int col, std::string_view word) override;
    // A word starting with "failed" or "Unable".
    bool IsErrorWord(std::string_view word) override;
    bool WordClass(std::string_view word, int col) override;

    // --- analysis ---
    void Reset() override;
    void LoadFromReg(const TIniFile& ini, std::string_view section) override;
    void SaveToReg(TIniFile& ini, std::string_view section) const override;
    // Own layout: day, month, two-digit year (00-79 are 2000-2079, 80-99 are
    // 1980-1999). BinkleyTerm layout: day, English month abbreviation, LineYear().
    // Raises EConvertError for fields that are no date.
    TDateTime DateOfLine(std::string_view line) override;
    bool MonthDayOfLine(std::string_view line, int& month, int& day) const override;
    // The date of the line with the time of columns 10-17. Raises EConvertError.
    TDateTime TimeOfLine(std::string_view line) override;
    void ParseMailerLine(std::string_view line) override;
    // Reads brake!.ctl of the mailer directory: ALIAS, TREE, and from version 716 on
    // OUT and INOUT (which replace the global address alias table). The reading
    // stops at the line that begins with "COMPLETE.".
    void ReadConfig() override;
    // The file searched for in the TREE directory and its subdirectories; empty when
    // it is not there.
    std::string ResolveFreqName(std::string_view fileName) override;

private:
    void UpdateLayout();
    // The message of the line from MsgCol on (empty for a shorter line).
    std::string_view Message(std::string_view line) const;
    // A "Calling" line: the called address becomes the dial address and counts a call.
    void CallAttempt(std::string_view line);
    // The counts (and from version 716 on the address) of a "Done," line.
    void ReadSummary(std::string_view line, TSess& sess);
    // Parses a system name or an address of the log, mapped through the OUT and
    // INOUT names from version 716 on.
    TFidoAddr LogAddr(std::string_view text) const;
    // The first character of the message ('\0' for a line without one).
    char MsgHead(std::string_view line) const;
    // Ends the session at its "Done," line with the counts the line gives.
    void EndWithSummary(std::string_view line, TSess& sess);
    // The step of the parse state; open is the session open, if any.
    void StateStep(std::string_view line, char head, TSess* open);
    void SendingFreqs(std::string_view line, TSess& sess);

    int brkVersion_ = 701;
    bool binkStyle_ = false;
    std::string tree_;
    TStrDict systems_;
    std::vector<std::string> aliasNames_;
    bool pendingFreq_ = false;
    std::string pendingName_;
    // The date of the last date text TimeOfLine read in the own layout.
    bool dateKnown_ = false;
    std::uint64_t dateKey_ = 0;
    TDateTime date_ = 0;
};

// Registers TBrakeLog as the class of style 4 with the log factory.
void RegisterBrakeLogStyle();

}  // namespace tarvix
