// The template engine over a template of any content, with a few tokens of each
// behaviour: plain text, text that looks like a token, whole output lines, no
// procedure, a failing procedure, and one that changes the template while it runs.
//
// Input: byte 0 chooses the comment text, the code page conversions and whether the
// template is loaded from a file or set as lines; the rest is the template text.
#include "FuzzSupport.h"

#include "settings/Template.h"

using namespace tarvix;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Setup();
    if (size < 1)
        return 0;
    const std::uint8_t mode = data[0];
    const std::string_view text = fuzz::AsText(data + 1, size - 1);

    TTpl tpl;
    static const char* const comments[] = {"", ";", "@@", "#"};
    tpl.SetCommentStr(comments[mode & 3]);
    tpl.OemOutput = (mode & 4) != 0;
    tpl.OemTemplate = (mode & 8) != 0;
    tpl.AddToken("Date", [](TTpl&, const std::string& name, std::string& out) {
        TARVIX_FUZZ_CHECK(name == "DATE");
        out = "29 Apr 26";
    });
    tpl.AddToken("Name", [](TTpl&, const std::string&, std::string& out) { out = "@Date @name @"; });
    tpl.AddToken("Text", [](TTpl& t, const std::string&, std::string& out) {
        TARVIX_FUZZ_CHECK(t.Writing() && t.LineNo() >= 1);
        t.WriteOutLine("row 1");
        t.WriteOutLineClosed("row 2");
        out = "after";
    });
    tpl.AddToken("Empty", {});
    tpl.AddToken("Fail", [](TTpl&, const std::string&, std::string&) { throw ETplError("token failed"); });
    tpl.AddToken("Grow", [](TTpl& t, const std::string&, std::string& out) {
        if (t.Template().size() < 64) {
            t.AddTemplateLine("@Date @Grow");
            t.Parse();
        }
        out = std::to_string(t.Template().size());
    });
    try {
        tpl.AddToken("DATE", {});
        TARVIX_FUZZ_CHECK(false);
    } catch (const ETplError&) {
    }

    if (mode & 16) {
        static const std::string path = fuzz::WorkPath("report.tpl");
        fuzz::WriteFile(path, text);
        tpl.LoadFromFile(path);
    } else {
        std::vector<std::string> lines;
        for (std::string_view line : fuzz::Lines(text))
            lines.emplace_back(line);
        tpl.SetTemplate(std::move(lines));
    }
    for (int round = 0; round < 2; ++round) {
        std::vector<std::string> out;
        try {
            tpl.Execute(out);
        } catch (const ETplError& e) {
            (void)e.what();
        }
        TARVIX_FUZZ_CHECK(!tpl.Writing() && tpl.LineNo() == 0);
    }
    try {
        tpl.WriteOutLine("outside");
        TARVIX_FUZZ_CHECK(false);
    } catch (const ETplError&) {
    }
    return 0;
}
