// Helpers shared by the libFuzzer targets (fuzz/<Name>Fuzz.cpp).
//
// Each target feeds the bytes libFuzzer gives it to one reader of outside data.
// What a reader may only take from a file is written once per input to a file of
// this process's working directory on a memory file system; mailer installations
// are copied there once, so that no input can change the samples of the source tree.
#pragma once

#include "engine/Log.h"
#include "fido/Dialogs.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarvix::fuzz {

// Stops the process as a finding when cond is false (a broken promise of the code
// under test that no sanitizer would notice).
#define TARVIX_FUZZ_CHECK(cond)                                                              \
    do {                                                                                     \
        if (!(cond))                                                                         \
            ::tarvix::fuzz::CheckFailed(#cond, __FILE__, __LINE__);                          \
    } while (0)
[[noreturn]] void CheckFailed(const char* what, const char* file, int line);

// The process's working directory (under /dev/shm when it exists, else the temporary
// folder); made on first use, removed when the process ends normally.
const std::string& WorkDir();
// WorkDir() + "/" + name.
std::string WorkPath(const std::string& name);

void WriteFile(const std::string& path, std::string_view bytes);
std::string ReadFile(const std::string& path);

// A copy of samples/<mailer> of the source tree in the working directory, made on the
// first call; its path.
const std::string& SampleCopy(const std::string& mailer);

// The settings every target starts from: the English interface texts, a fixed
// current year, the default main address, dialogs that answer OK without a word,
// and analyses that go on past failing lines. Called once per process.
void Setup();
// The dialogs Setup installs (OK to everything, nothing printed).
TBatchDialogs& QuietDialogs();

// The bytes of an input as a string.
inline std::string_view AsText(const std::uint8_t* data, std::size_t size)
{
    return {reinterpret_cast<const char*>(data), size};
}

// An input made of two parts: the first two bytes (little-endian) give the length of
// the first part (cut to what is there), the rest is the second part.
std::pair<std::string_view, std::string_view> SplitInput(const std::uint8_t* data, std::size_t size);

// The lines of a text; line ends CR LF, LF or CR.
std::vector<std::string_view> Lines(std::string_view text);

// A log window that never stops an analysis; the line errors are turned into text as
// tarvix-report prints them and counted.
class FuzzWindow : public TLogWindow {
public:
    void GoToLine(std::int64_t lineNo) override;
    void LineError(std::int64_t lineNo, const std::string& message) override;
    bool ShowErrorLine(std::int64_t lineNo, const std::string& message) override;
    std::int64_t Errors = 0;
};

// Asks the log the colour class of every word of every line of text, as the log view
// does while painting (words are separated by blanks and tabs).
void Highlight(TLog& log, std::string_view text);

// Runs the analysis of log over text with a FuzzWindow: the text is the log file
// (SetText), new-part detection is on with the first 20 bytes of one of its lines
// (chosen by the text's size). Then the results are read as the windows and the
// reports read them, and the words are highlighted. Returns what Analyse returned.
bool AnalyseLog(TLog& log, std::string_view text);

}  // namespace tarvix::fuzz
