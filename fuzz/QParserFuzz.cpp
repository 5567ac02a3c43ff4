// The configuration parser over a configuration file of any content, with one
// keyword of every kind, validators, a required keyword, the events, defines and
// includes.
//
// Input: byte 0 chooses the comment text, the include base rule, whether the events
// are set and whether a keyword is required; the rest is the file "a.ctl". Beside it
// lie "b.ctl" (which includes a.ctl back) and "sub/c.ctl" (which includes ..\b.ctl),
// so that an include of the file itself, directly or through others, is one include
// away; it must stay an error.
#include "FuzzSupport.h"

#include "fido/ConfigParser.h"

#include <filesystem>

using namespace tarvix;

namespace {

std::string Dir()
{
    static const std::string dir = [] {
        std::string d = fuzz::WorkPath("qparser");
        std::filesystem::create_directories(d + "/sub");
        fuzz::WriteFile(d + "/b.ctl", "Str from-b\r\nInclude a.ctl\r\n");
        fuzz::WriteFile(d + "/sub/c.ctl", "List from-c\r\nInclude ..\\b.ctl\r\ninclude c.ctl\r\n");
        return d;
    }();
    return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Setup();
    if (size < 1)
        return 0;
    const std::uint8_t mode = data[0];
    const std::string top = Dir() + "/a.ctl";
    fuzz::WriteFile(top, fuzz::AsText(data + 1, size - 1));

    TQParser p;
    static const char* const comments[] = {";", "", "#", "//"};
    p.SetCommentStr(comments[mode & 3]);
    p.SetIncludesInSubdirs((mode & 4) != 0);

    std::string str, file, dir, required;
    bool flag = false;
    int number = 0, choice = 0;
    std::vector<std::string> list;
    int procCalls = 0;
    p.AddProc("PROC", [&](const TQWords& w) {
        TARVIX_FUZZ_CHECK(w.size() >= 3);
        ++procCalls;
    }, 3);
    p.AddStr("STR", str);
    p.AddStr("FILE", file);
    p.LastHandler().Validator = TQParser::CheckFileExists;
    p.AddStr("DIR", dir);
    p.LastHandler().Validator = TQParser::CheckDirExists;
    p.AddBool("BOOL", flag);
    p.AddInt("INT", number);
    p.AddList("LIST", list);
    p.AddEnum("ENUM", choice, {"ONE", "TWO", "THREE"});
    p.AddEnum("NOENUM", choice, {});
    p.AddCustom("CUSTOM", [&](const TQWords& w, void* target) {
        TARVIX_FUZZ_CHECK(target == &list && !w.empty());
        (void)p.ResolvePath(w.back());
    }, &list);
    p.AddCustom("NOCUSTOM", {}, nullptr);
    if (mode & 8) {
        p.AddStr("REQ", required);
        p.LastHandler().Required = true;
    }
    try {
        p.AddStr("str", str);  // registered already
        TARVIX_FUZZ_CHECK(false);
    } catch (const EQParserError&) {
    }

    // No file is read while it is being read already: the top file only at level 1.
    p.OnBeforeParse = [&](std::string& line, TQParserAction& action) {
        TARVIX_FUZZ_CHECK(p.Level() >= 1 && p.Level() <= TQParser::kMaxIncludeDepth);
        TARVIX_FUZZ_CHECK(p.Level() == 1 || p.CurrentFileName() != top);
        if ((mode & 16) && line.rfind("[1]", 0) == 0)
            line.erase(0, 3);  // a task prefix, as T-Mail writes them
        if ((mode & 16) && line == "STOP")
            action = qaStop;
    };
    if (mode & 32) {
        p.OnSection = [](const std::string& name, TSectionAction& action) {
            action = name == "skip" ? saSkip : saParse;
        };
        p.OnAfterParse = [](TQWords& words) { return words.empty() || words[0] != "drop"; };
        p.OnUnknownKeyword = [](TQWords& words) { return words[0] != "end"; };
    }
    if (mode & 64)
        p.Defines().Add("%TASKNO%", "1");

    try {
        p.Parse(top);
    } catch (const EQParserError& e) {
        (void)e.what();
        (void)e.FileName();
        (void)e.Line();
    }
    // Outside a parse the state is empty again.
    TARVIX_FUZZ_CHECK(p.Level() == 0 && p.CurrentFileName().empty() && p.CurrentLine() == 0);
    return 0;
}
