#include "settings/Template.h"

#include "platform/CodePage.h"
#include "platform/FileRead.h"

#include <algorithm>
#include <utility>

namespace tarvix {

namespace {

bool IsNameChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

std::string Upper(const std::string& s)
{
    std::string r = s;
    for (char& c : r)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return r;
}

// Splits a file's text into lines ended by CR LF, LF or CR. A line end after the
// last line does not start another (empty) line. Every other byte, including NUL,
// belongs to the line.
std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.emplace_back(text, start, i - start);
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            start = ++i;
        } else {
            ++i;
        }
    }
    if (start < text.size())
        lines.emplace_back(text, start, text.size() - start);
    return lines;
}

}  // namespace

// Marks the engine as writing into `out` for the lifetime of the scope and restores
// the previous state when it ends, also when a token procedure throws. Saving the
// previous state keeps an (unusual) write started from within a token procedure
// from ending the outer write.
class TTpl::WriteScope {
public:
    WriteScope(TTpl& tpl, std::vector<std::string>& out)
        : tpl_(tpl), out_(tpl.out_), writing_(tpl.writing_), lineHasOutput_(tpl.lineHasOutput_),
          lineNo_(tpl.lineNo_)
    {
        tpl.out_ = &out;
        tpl.writing_ = true;
        tpl.lineNo_ = 0;
    }
    ~WriteScope()
    {
        tpl_.out_ = out_;
        tpl_.writing_ = writing_;
        tpl_.lineHasOutput_ = lineHasOutput_;
        tpl_.lineNo_ = lineNo_;
    }
    WriteScope(const WriteScope&) = delete;
    WriteScope& operator=(const WriteScope&) = delete;

private:
    TTpl& tpl_;
    std::vector<std::string>* out_;
    bool writing_;
    bool lineHasOutput_;
    int lineNo_;
};

TTpl::TTpl() : parsed_(std::make_shared<const std::vector<TTplParsedLine>>()) {}

void TTpl::Changed()
{
    isParsed_ = false;
    if (commentStr_.empty())
        return;
    for (std::string& line : template_) {
        std::size_t p = line.find(commentStr_);
        if (p != std::string::npos && p > 0)
            line.resize(p);
    }
    // Lines that began with the comment string are removed; a line cut above can no
    // longer contain it, and one that is empty never did.
    std::erase_if(template_, [this](const std::string& line) { return line.starts_with(commentStr_); });
}

void TTpl::SetTemplate(std::vector<std::string> lines)
{
    template_ = std::move(lines);
    Changed();
}

void TTpl::AddTemplateLine(std::string line)
{
    template_.push_back(std::move(line));
    Changed();
}

void TTpl::LoadFromFile(const std::string& fileName)
{
    std::vector<std::string> lines = SplitLines(ReadWholeFile(fileName));
    if (OemTemplate) {
        const OemAnsiMap& map = OemAnsi();
        for (std::string& line : lines)
            map.OemToAnsiInPlace(line);
    }
    SetTemplate(std::move(lines));
}

void TTpl::AddToken(const std::string& name, TTplProc proc)
{
    if (FindToken(name) != 0)
        throw ETplError("Duplicate token " + name);
    if (TokenCount() >= MaxTokens)
        throw ETplError("Maximum of 255 tokens reached");
    tokens_.push_back(std::make_unique<TTplToken>(TTplToken{Upper(name), std::move(proc)}));
}

int TTpl::FindToken(const std::string& name) const
{
    std::string u = Upper(name);
    for (std::size_t i = 0; i < tokens_.size(); ++i)
        if (tokens_[i]->Name == u)
            return static_cast<int>(i) + 1;
    return 0;
}

const TTplToken& TTpl::Token(int number) const
{
    if (number < 1 || number > TokenCount())
        throw ETplError("Invalid token number in parsed template");
    return *tokens_[static_cast<std::size_t>(number) - 1];
}

void TTpl::Parse()
{
    auto parsed = std::make_shared<std::vector<TTplParsedLine>>();
    parsed->reserve(template_.size());
    for (const std::string& line : template_) {
        TTplParsedLine pl;
        std::string literal;
        std::size_t i = 0;
        while (i < line.size()) {
            if (line[i] != '@') {
                literal += line[i++];
                continue;
            }
            std::size_t j = i + 1;
            while (j < line.size() && IsNameChar(line[j]))
                ++j;
            int token = j > i + 1 ? FindToken(line.substr(i + 1, j - i - 1)) : 0;
            if (token == 0) {
                // No name, or not a token: the "@" and the letters stay as written.
                literal.append(line, i, j - i);
            } else {
                if (!literal.empty())
                    pl.push_back({0, std::move(literal)});
                literal.clear();
                pl.push_back({token, {}});
            }
            i = j;
        }
        if (!literal.empty())
            pl.push_back({0, std::move(literal)});
        parsed->push_back(std::move(pl));
    }
    parsed_ = std::move(parsed);
    isParsed_ = true;
}

void TTpl::Put(const std::string& text)
{
    // The conversion is byte for byte, so converting each piece as it is written
    // equals converting the finished lines, and leaves lines that were in the
    // output before this write alone.
    std::string piece = text;
    if (OemOutput)
        OemAnsi().AnsiToOemInPlace(piece);
    if (lastLineClosed_ || out_->empty())
        out_->push_back(std::move(piece));
    else
        out_->back() += piece;
}

void TTpl::Execute(std::vector<std::string>& out)
{
    if (!isParsed_)
        Parse();
    // Keep the parsed lines alive for this write whatever the token procedures do.
    std::shared_ptr<const std::vector<TTplParsedLine>> parsed = parsed_;
    WriteScope scope(*this, out);
    for (std::size_t n = 0; n < parsed->size(); ++n) {
        lineNo_ = static_cast<int>(n) + 1;
        lineHasOutput_ = false;
        std::string line;
        for (const TTplPiece& piece : (*parsed)[n]) {
            if (piece.Token == 0) {
                line += piece.Text;
                continue;
            }
            // Held by pointer, so the token stays put even if its procedure
            // registers more tokens.
            const TTplToken& token = Token(piece.Token);
            std::string text;
            if (token.Proc)
                token.Proc(*this, token.Name, text);
            line += text;
        }
        // A line that only held a token writing whole lines leaves no blank line.
        if (lineHasOutput_ && line.empty())
            continue;
        Put(line);
        lastLineClosed_ = true;
    }
}

void TTpl::ExecuteToFile(const std::string& fileName)
{
    std::vector<std::string> out;
    Execute(out);
    std::size_t size = 0;
    for (const std::string& line : out)
        size += line.size() + 1;
    std::string content;
    content.reserve(size);
    for (const std::string& line : out) {
        content += line;
        content += '\n';
    }
    WriteFileAtomic(fileName, content);
}

void TTpl::WriteOutLine(const std::string& text)
{
    if (!writing_)
        throw ETplError("WriteOutLine can be called only when writing");
    Put(text);
    lastLineClosed_ = false;
    lineHasOutput_ = true;
}

void TTpl::WriteOutLineClosed(const std::string& text)
{
    WriteOutLine(text);
    lastLineClosed_ = true;
}

}  // namespace tarvix
