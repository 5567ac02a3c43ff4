// The keyword configuration parser shared by the mailer readers.
//
// Mailer configuration files (t-mail.ctl, brake!.ctl, binkley.cfg, fhmail.cfg,
// sf-mail.cfg) have one shape: a keyword per line followed by words, comments,
// [sections], an include directive, a macro-definition directive and environment
// macros. TQParser reads such a file line by line and hands the words of every
// registered keyword to its handler; keywords nobody registered are ignored.
//
// Reading a line:
//   - a line is handled up to 255 characters, the rest is dropped; lines end in
//     CR LF, LF or CR;
//   - OnBeforeParse may change the line, drop it or end the file;
//   - "[name]" at the start of a line is a section header (OnSection may skip the
//     section); "[" without "]" is an ordinary line;
//   - every define, in insertion order, is replaced wherever its name occurs,
//     without regard to case, also inside words and quotes; inserted text is not
//     scanned again for the same define, later defines see it. The substituted line
//     is cut at kMaxExpandedLine bytes (or at its own length, when OnBeforeParse
//     made it longer), so that chains of defines cannot make it grow without
//     bound, nor make every later define search a huge line;
//   - the line is cut at CommentStr, trimmed and split into words at blanks and
//     tabs; a word in double quotes keeps its blanks;
//   - OnAfterParse may change the words or drop the line;
//   - the define and include directives are obeyed also in skipped sections;
//   - otherwise the handler of the first word (any case) receives the words.
//
// Files and directories. No process-wide working directory is changed. A relative
// name in an include directive, or given to ResolvePath, is taken relative to the
// base directory of the file being read: for the top file its own directory; for
// an included file its own directory when IncludesInSubdirs is on, else the base of
// the file that included it (so relative names always mean what they would mean
// to a mailer started in the top file's directory). Names are DOS paths as the
// mailer writes them and go through ToHostPath. A file that includes itself,
// directly or through others, is an error, and includes nest at most
// kMaxIncludeDepth files deep.
//
// Errors are EQParserError. Those found in a line carry the file (host path) and
// the line number; the message is the language key ("QParser.NoArgs", ...) or the
// validator's text. "QParser.DupKeyword", "QParser.Missing" and "QParser.CantOpen"
// carry the language text and no file or line. "QParser.IncludeLoop" and
// "QParser.IncludeDepth" carry the language text and the place of the include
// directive. "QParser.CantChdir" is never raised, since no directory is changed.
#pragma once

#include "fido/Lng.h"
#include "fido/StrDict.h"

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tarvix {

class EQParserError : public ELException {
public:
    // The language text of key formatted with args; no file and no line.
    EQParserError(std::string_view key, const std::vector<FmtArg>& args);
    // The language text of key formatted with args, found at fileName, line.
    EQParserError(std::string_view key, const std::vector<FmtArg>& args, std::string fileName, int line);
    // A message taken as it stands (a key or a fixed text), found at fileName, line
    // (empty and 0 when the error is not tied to a line).
    EQParserError(std::string_view text, std::string fileName, int line);

    const char* what() const noexcept override { return message_.c_str(); }
    const std::string& FileName() const { return fileName_; }
    int Line() const { return line_; }

private:
    std::string message_;
    std::string fileName_;
    int line_ = 0;
};

enum TQParserAction { qaProcess = 0, qaSkip = 1, qaStop = 2 };
enum TSectionAction { saParse = 0, saSkip = 1 };

enum class THandlerKind { hkProc = 0, hkStr = 1, hkBool = 2, hkInt = 3, hkList = 4, hkEnum = 5, hkCustom = 6 };

using TQWords = std::vector<std::string>;
using TQProc = std::function<void(const TQWords& words)>;
using TQCustomProc = std::function<void(const TQWords& words, void* target)>;
// Checks the words of a line before the value is stored; false with errorText set
// rejects the line.
using TQValidator = std::function<bool(const TQWords& words, std::string& errorText)>;

// One registered keyword. Callers set Required and Validator (through
// TQParser::LastHandler right after registering); the rest belongs to the parser.
struct THandler {
    std::string Keyword;  // upper case
    THandlerKind Kind = THandlerKind::hkProc;
    bool Required = false;  // must occur in the file (checked after the whole parse)
    bool Used = false;      // the keyword occurred
    TQValidator Validator;

    // What receives the value, by kind.
    TQProc Proc;                                // hkProc
    int MinArgs = 0;                            // hkProc: minimum words, keyword included
    std::string* Str = nullptr;                 // hkStr
    bool* Bool = nullptr;                       // hkBool
    int* Int = nullptr;                         // hkInt, hkEnum
    std::vector<std::string>* List = nullptr;   // hkList
    std::vector<std::string> Allowed;           // hkEnum: the words, index = value
    TQCustomProc Custom;                        // hkCustom
    void* Target = nullptr;                     // hkCustom

    // The fewest words (keyword included) a line of this kind must have.
    int MinWords() const;
};

class TQParser {
public:
    // Longest line, in bytes, that is read from a file; the rest of the line is ignored.
    static constexpr std::size_t kMaxLine = 255;
    // Longest value of a define made by the define directive.
    static constexpr std::size_t kMaxDefineValue = 255;
    // Longest line after macro substitution; the rest is cut off. Every define is
    // searched for in every line, so this bounds the work per line and define: four
    // lines of the longest length read leave room for any real use of macros.
    static constexpr std::size_t kMaxExpandedLine = 1024;
    // Deepest nesting of files (the top file counts as 1).
    static constexpr int kMaxIncludeDepth = 32;

    TQParser();
    ~TQParser();
    TQParser(const TQParser&) = delete;
    TQParser& operator=(const TQParser&) = delete;

    // Registering keywords. Each raises EQParserError "QParser.DupKeyword" (language
    // text with the keyword in upper case) when the keyword is registered already, in
    // any case of letters, and otherwise makes the new handler the LastHandler. The
    // variables and lists must outlive the parse.
    void AddProc(std::string_view keyword, TQProc proc, int minArgs);
    void AddStr(std::string_view keyword, std::string& var);
    void AddBool(std::string_view keyword, bool& var);
    void AddInt(std::string_view keyword, int& var);
    void AddList(std::string_view keyword, std::vector<std::string>& list);
    // var gets the index of the second word in allowed (any case), -1 when absent.
    // An empty list counts as not defined: a line of the keyword raises "List not defined".
    void AddEnum(std::string_view keyword, int& var, std::vector<std::string> allowed);
    // proc is called with the words and target; an empty proc raises
    // "Undefined Custom handler" when the keyword occurs.
    void AddCustom(std::string_view keyword, TQCustomProc proc, void* target);

    // The handler of keyword (any case), or nullptr.
    THandler* FindHandler(std::string_view keyword);
    // The handler registered last. Raises EQParserError when none is registered.
    THandler& LastHandler();

    // Validators. The second word names a file (CheckFileExists) or a directory
    // (CheckDirExists); a relative name is taken as ResolvePath of the parser being
    // run does. Otherwise the error text is the language text "QParser.NoFile" or
    // "QParser.NoDir" with the word (the key and the word when no language is loaded).
    static bool CheckFileExists(const TQWords& words, std::string& errorText);
    static bool CheckDirExists(const TQWords& words, std::string& errorText);

    // A line is cut at the first occurrence of this text (also inside quotes);
    // empty: no comments. Default ";".
    const std::string& CommentStr() const { return commentStr_; }
    void SetCommentStr(std::string_view s) { commentStr_ = s; }
    // The directive words, stored in upper case; empty disables the directive.
    // A text with a blank raises EQParserError "DefineStr must be a single word" or
    // "IncludeStr must be a single word". Defaults "DEFINE" and "INCLUDE".
    const std::string& DefineStr() const { return defineStr_; }
    void SetDefineStr(std::string_view s);
    const std::string& IncludeStr() const { return includeStr_; }
    void SetIncludeStr(std::string_view s);
    // When on, relative names in an included file are taken relative to that file's
    // own directory. Default off.
    bool IncludesInSubdirs() const { return includesInSubdirs_; }
    void SetIncludesInSubdirs(bool on) { includesInSubdirs_ = on; }

    // Macro name -> replacement text, in insertion order. Callers may add entries
    // (names as they appear in the file, e.g. "%TASKNO%").
    TStrDict& Defines() { return defines_; }
    const TStrDict& Defines() const { return defines_; }
    // One define per environment variable NAME=VALUE: the name is wrap + NAME + wrap
    // (just NAME when wrap is " "), in upper case, the value is VALUE. Entries
    // without a name are skipped.
    void AddEnvDefines(std::string_view wrap);

    // Events. A TQParserEvent receives the words of the line, keyword first.
    using TQParserEvent = std::function<bool(TQWords& words)>;
    using TQParserDefineEvent = std::function<void(const TQWords& words)>;
    using TQParserStrEvent = std::function<void(std::string& line, TQParserAction& action)>;
    using TQParserSectionEvent = std::function<void(const std::string& name, TSectionAction& action)>;

    // A line whose keyword has no handler; false ends the reading of the file.
    TQParserEvent OnUnknownKeyword;
    // Each line as read, before anything else; may change it. qaSkip drops the line,
    // qaStop ends the reading of the current file.
    TQParserStrEvent OnBeforeParse;
    // The words of each line after splitting; may change them. False drops the line.
    TQParserEvent OnAfterParse;
    // Replaces the built-in handling of the define directive.
    TQParserDefineEvent OnDefine;
    // Each section header with the section action in force, which it may change.
    TQParserSectionEvent OnSection;

    // Reads fileName (a DOS or host path) and its includes, then checks the Required
    // keywords in keyword order: the first one never seen raises "QParser.Missing"
    // (language text with the keyword). The Used marks are not reset between calls.
    void Parse(std::string_view fileName);

    // The state of the running parse (empty or 0 outside one).
    const std::string& CurrentFileName() const;  // host path of the file being read
    int CurrentLine() const;                     // 1-based line number in that file
    const std::string& CurrentLineText() const { return line_; }
    const std::string& CurrentSection() const { return section_; }
    int Level() const { return static_cast<int>(files_.size()); }
    // The directory relative names of the current file are taken against (host
    // path; empty means the process's current directory).
    std::string BaseDir() const;
    // The host path of a name from the file being read: a relative name against
    // BaseDir, any name through ToHostPath.
    std::string ResolvePath(std::string_view name) const;
    // An error at the current file and line, with text as its message, for handlers
    // and events to throw.
    EQParserError LineError(std::string_view text) const;

private:
    // A file being read.
    struct OpenFile {
        std::string path;  // host path
        std::string base;  // where relative names of this file are taken against
        unsigned long long device = 0, inode = 0;
        int line = 0;
    };

    void AddHandler(std::unique_ptr<THandler> handler);
    void ParseFile(std::string_view name);
    // One line; false ends the reading of the current file.
    bool ProcessLine(std::string line);
    void Substitute();
    void Split();
    void DefineDirective(const TQWords& split);
    void CallHandler(THandler& h);

    std::string commentStr_ = ";";
    std::string defineStr_ = "DEFINE";
    std::string includeStr_ = "INCLUDE";
    bool includesInSubdirs_ = false;
    TStrDict defines_;
    std::map<std::string, std::unique_ptr<THandler>> handlers_;  // by upper-case keyword
    THandler* last_ = nullptr;

    std::vector<OpenFile> files_;  // the files being read, the top file first
    std::string line_;             // the current line after substitution
    std::string section_;
    TSectionAction sectionAction_ = saParse;
    TQWords words_;
    std::string split_;                // the line as split: comment cut, trimmed, closing quotes removed
    std::vector<std::size_t> starts_;  // where each word begins in split_
};

}  // namespace tarvix
