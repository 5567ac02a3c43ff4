// The text template engine behind the reports.
//
// A template is a user-editable text in which words of the form @name stand for
// values filled in when the report is written. A caller registers the token names it
// supports, each with a procedure producing the token's text, loads a template (or
// fills it itself) and writes the result into a list of lines or a file. A token
// procedure may also emit whole output lines of its own while the template is being
// written (WriteOutLine), which is how a complete table replaces @text in a report.
//
// Token names consist of the letters A-Z and a-z only and are not case sensitive.
// "@" followed by a name that is no registered token stays as written, and so does an
// "@" not followed by a letter. Template lines are kept whole whatever their length.
#pragma once

#include "platform/Error.h"

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace tarvix {

// Raised by the engine itself. Errors raised by token procedures pass through
// Execute unchanged.
TARVIX_EXCEPTION(ETplError, Exception);

class TTpl;

// Sets `text` to the token's text. `tokenName` is the token's name in upper case.
using TTplProc = std::function<void(TTpl& tpl, const std::string& tokenName, std::string& text)>;

struct TTplToken {
    std::string Name;  // upper case
    TTplProc Proc;     // may be empty: the token then yields empty text
};

// One piece of a parsed template line: either literal text (Token 0) or a reference
// to the registered token with that number (1-based, Text empty). Keeping the pieces
// apart means no byte of the template text can ever be taken for a token reference.
struct TTplPiece {
    int Token = 0;
    std::string Text;
    bool operator==(const TTplPiece&) const = default;
};
using TTplParsedLine = std::vector<TTplPiece>;

class TTpl {
public:
    static constexpr int MaxTokens = 255;

    TTpl();
    TTpl(const TTpl&) = delete;
    TTpl& operator=(const TTpl&) = delete;

    // --- The template text. Every change below marks the template for re-parsing
    // and, when CommentStr is not empty, applies the comment rule to all lines: a
    // line beginning with CommentStr is deleted, any other line is cut before its
    // first occurrence.
    const std::vector<std::string>& Template() const { return template_; }
    void SetTemplate(std::vector<std::string> lines);
    void AddTemplateLine(std::string line);
    // Replaces the template with the file's lines (one change for the whole load).
    // Lines may end in CR LF, LF or CR; a final line end does not add an empty line.
    // With OemTemplate every line is converted from the OEM to the ANSI code page.
    // Raises EFOpenError/EReadError when the file cannot be read; the template is
    // then left as it was.
    void LoadFromFile(const std::string& fileName);

    // Default empty (no comments). A new CommentStr is not applied to the lines
    // already held: it takes effect with the next change of the template, which then
    // examines every line.
    const std::string& CommentStr() const { return commentStr_; }
    void SetCommentStr(std::string s) { commentStr_ = std::move(s); }

    // --- Tokens. Register them before the first write: adding a token does not
    // re-parse a template that is already parsed.
    // Raises ETplError "Duplicate token <name>" for a name already registered (in
    // any case) and "Maximum of 255 tokens reached" for a 256th token.
    void AddToken(const std::string& name, TTplProc proc);
    // The 1-based number of the token named `name` (in any case), or 0.
    int FindToken(const std::string& name) const;
    int TokenCount() const { return static_cast<int>(tokens_.size()); }
    // The token with the 1-based number `number`; ETplError for a number out of range.
    const TTplToken& Token(int number) const;

    // --- Parsing: builds Parsed from Template. Writing parses when needed.
    void Parse();
    bool IsParsed() const { return isParsed_; }
    const std::vector<TTplParsedLine>& Parsed() const { return *parsed_; }

    // --- Writing.
    // Writes the template into `out`, which is not cleared first (callers pass an
    // empty list). An exception from a token procedure stops the write and passes
    // through; `out` keeps the lines written so far and the engine is ready for the
    // next write.
    void Execute(std::vector<std::string>& out);
    // Writes the template into a new list and saves it atomically as `fileName`,
    // every line ended by LF (reports are plain text files for the sysop). Nothing
    // is written when the write fails. Raises EFCreateError/EWriteError.
    void ExecuteToFile(const std::string& fileName);

    // For token procedures during a write: puts `text` into the output, as a new
    // line when the last output line is closed (or there is none), else appended to
    // it. The output line stays open afterwards, so the rest of the current template
    // line continues it. WriteOutLineClosed then closes the line. Outside a write
    // both raise ETplError "WriteOutLine can be called only when writing".
    void WriteOutLine(const std::string& text);
    void WriteOutLineClosed(const std::string& text);

    // A write is in progress.
    bool Writing() const { return writing_; }
    // During a write: the 1-based number of the template line being written; 0
    // outside a write.
    int LineNo() const { return lineNo_; }
    // During a write: a token procedure has emitted output for the current line.
    bool LineHasOutput() const { return lineHasOutput_; }
    // The last output line is finished. Carried from one write to the next (false
    // for a new engine), so a write into the same list continues an open line.
    bool LastLineClosed() const { return lastLineClosed_; }

    // Template files are converted from OEM to ANSI as they are loaded.
    bool OemTemplate = true;
    // The written text is converted from ANSI to OEM. Only the text this engine
    // writes is converted, so lines already in the output are never converted twice.
    bool OemOutput = false;
    // For the token procedures' use.
    void* UserData = nullptr;

private:
    class WriteScope;

    void Changed();
    void Put(const std::string& text);

    std::vector<std::string> template_;
    // Shared so that a write keeps the lines it is expanding even if a token
    // procedure changes and re-parses the template meanwhile.
    std::shared_ptr<const std::vector<TTplParsedLine>> parsed_;
    // Held by pointer: a token procedure may register tokens while it runs.
    std::vector<std::unique_ptr<TTplToken>> tokens_;
    std::string commentStr_;
    bool isParsed_ = false;
    bool writing_ = false;
    std::vector<std::string>* out_ = nullptr;
    bool lineHasOutput_ = false;
    bool lastLineClosed_ = false;
    int lineNo_ = 0;
};

}  // namespace tarvix
