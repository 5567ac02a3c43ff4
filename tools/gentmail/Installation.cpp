#include "tools/gentmail/Installation.h"

#include "tools/gentmail/Output.h"
#include "tools/gentmail/Texts.h"
#include "tools/lngwriters/MailerLngWriter.h"
#include "tools/ndxwriters/NdxWriter.h"

#include <cstdio>

namespace tarvix::gentmail {

namespace {

std::string PadRight(std::string s, std::size_t width)
{
    if (s.size() < width)
        s.append(width - s.size(), ' ');
    else
        s += ' ';
    return s;
}

std::string Counter(int value)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "[%03d]", value);
    return buf;
}

void WriteLng(const Options& o)
{
    WriteFile(o.out, kLngFile, lngwriters::BuildTMailLng(AllEntries()));
}

// The configuration: a comment, keywords the reader ignores, a line with a "[...]"
// prefix, the %TASKNO% macro, an include of a second file. Every name is relative to
// the T-Mail directory, as T-Mail runs there.
void WriteCtl(const Options& o)
{
    const std::string task = std::to_string(o.task);
    std::vector<std::string> ctl = {
        "; T-Mail " + std::to_string(o.version) + " configuration, task %TASKNO%",
        "; Sample installation written by tarvix-gentmail. File names are relative",
        "; to the T-Mail directory, which is where T-Mail runs.",
        "",
        "Address         2:5030/999",
        "SysOp           Sample Sysop",
        "Station         Tarvix Sample Station",
        "Place           Moscow, Russia",
        "Phone           7-095-999-0999",
        "Modem_Init      ATZ|AT&F&C1&D2X4|",
        "",
        "Sys_Path        .\\",
        "Log             t-mail.log      ; the log of this task",
        "Freq_Dir        dir.frq",
        "Freq_Ndx        index.frq",
        "  [" + task + "]  Chat_Log  chat%TASKNO%.log",
        "",
        "; address aliases and the rest of the network set-up",
        "Include         " + std::string(kCtlInclude),
    };
    std::vector<std::string> inc = {
        "; Included from t-mail.ctl",
        "AddressAliases  " + std::string(kAliasFile),
        "Route_To        2:5030/1 2:*",
    };
    WriteFile(o.out, kCtlFile, DosText(ctl));
    WriteFile(o.out, kCtlInclude, DosText(inc));
}

// dir.frq lists the file areas and, with "@", the index file of this T-Mail version.
void WriteDirList(const Options& o)
{
    const bool newIndex = o.version >= 2604;
    std::vector<std::string> lines = {
        "; Directories searched for requested files, in this order.",
        "; A line beginning with \"@\" names an index built by T-Mail's indexer.",
        std::string("@").append(newIndex ? kIndex2604 : kIndex2600),
        std::string("; @") + (newIndex ? kIndex2600 : kIndex2604) + "  (index of the other format)",
    };
    for (const Area& a : Areas()) {
        if (!a.inDirList)
            continue;
        if (a.dosDir.size() > 1 && a.dosDir[1] == ':')
            lines.push_back("; drive C: is the installation directory itself, see README.md");
        // One directory written with its closing "\", one without.
        std::string dir = a.dosDir + (a.dosDir == "FILES\\FIDO" ? "" : "\\");
        lines.push_back(PadRight(dir, 24) + a.title);
    }
    WriteFile(o.out, kDirList, DosText(lines));
}

void WriteIndexes(const Options& o)
{
    std::vector<ndxwriters::NdxEntry> entries;
    for (const Area& a : Areas())
        if (a.inDirList)
            for (const AreaFile& f : a.files)
                entries.emplace_back(f.name, a.dosDir);
    WriteFile(o.out, kIndex2600, ndxwriters::BuildNdx2600(entries));
    WriteFile(o.out, kIndex2604, ndxwriters::BuildNdx2604(entries));
}

// index.frq: magic names, one with "@", comments in parentheses, and one line that
// names no file.
void WriteMagicNames(const Options& o)
{
    std::vector<std::string> lines = {
        "; Magic names for file requests: NAME  FILE  (comment)",
        "",
    };
    for (const MagicName& m : MagicNames()) {
        std::string target = m.areaDir + "\\" + m.file;
        if (m.name == "NODELIST")
            lines.push_back(std::string("@").append(PadRight(m.name, 11)).append(target));
        else if (m.name == "TMAIL")
            lines.push_back("(the mailer itself) " + PadRight(m.name, 11) + target);
        else
            lines.push_back(PadRight(m.name, 12) + PadRight(target, 28) + "(" + m.file + ")");
    }
    WriteFile(o.out, kMagicFile, DosText(lines));
}

// The address alias file: address, then the name. (Damaged alias lines are the
// tests' own: tests/e2e/TMailDamaged.cmake.)
void WriteAliases(const Options& o)
{
    std::vector<std::string> lines = {"; Address aliases: ADDRESS  NAME", ""};
    for (const Node& n : Nodes())
        if (!n.alias.empty())
            lines.push_back(PadRight(n.addr.Text(), 16) + n.alias);
    lines.push_back("2:463/45.7");  // one word: no alias
    WriteFile(o.out, kAliasFile, DosText(lines));
}

void WriteAreas(const Options& o)
{
    for (const Area& a : Areas()) {
        std::vector<std::string> bbs;
        for (const AreaFile& f : a.files) {
            std::string line = PadRight(f.name, 14);
            if (f.counter >= 0)
                line += Counter(f.counter) + " ";
            bbs.push_back(line + f.description);
            if (!f.more.empty())
                bbs.push_back(std::string(20, ' ') + f.more);
            WriteFile(o.out, a.hostDir + "/" + f.name,
                      "Tarvix sample file " + f.name + ": it stands for a file of " + std::to_string(f.size) +
                          " bytes.\r\n");
        }
        if (a.dosDir == "FILES\\FIDO")
            bbs.insert(bbs.begin() + 1, "");
        WriteFile(o.out, a.hostDir + "/files.bbs", DosText(bbs));
    }
}

void WriteChatLog(const Options& o)
{
    WriteFile(o.out, "chat" + std::to_string(o.task) + ".log",
              DosText({
                  "---------- Chat with Ivan Petrov, 2:5030/123",
                  "Sysop: Hello Ivan, the new T-Mail is in the SOFT area.",
                  "Ivan Petrov: Thanks, I will request it tonight.",
                  "---------- End of chat",
              }));
}

}  // namespace

void WriteInstallation(const Options& o)
{
    WriteLng(o);
    WriteCtl(o);
    WriteDirList(o);
    WriteIndexes(o);
    WriteMagicNames(o);
    WriteAliases(o);
    WriteAreas(o);
    WriteChatLog(o);
}

}  // namespace tarvix::gentmail
