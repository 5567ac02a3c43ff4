// A settings file of sections, identifiers and string values (the INI layout).
//
// This is the store behind the program's settings: every value is a string.
// Section and identifier names are compared without regard to case. Everything the
// file held when it was loaded survives a save, including sections and values this
// program does not know, comments and lines it cannot read (those are skipped when
// reading, never fatal). Saving replaces the file atomically.
//
// Saving writes only what this program changed: the store remembers the values as
// they were read from the file (or last written to it), and UpdateFile reads the
// file again and puts into it only the values that differ from those, keeping every
// other value as the file holds it now. A value another program or the user changed
// in the file meanwhile survives, unless this program changed the same value too.
#pragma once

#include <map>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarvix {

class TIniFile {
public:
    // Loads the file when it exists; a missing file gives an empty store.
    // Raises EFOpenError/EReadError only when the file exists but cannot be read.
    explicit TIniFile(std::string fileName);
    // An empty store that is never saved to disk (for tests and non-persistent use).
    TIniFile();

    const std::string& FileName() const { return fileName_; }

    std::string ReadString(std::string_view section, std::string_view ident, std::string_view def) const;
    void WriteString(std::string_view section, std::string_view ident, std::string_view value);
    // Integers are stored in decimal; a stored text beginning with 0x is read as
    // hexadecimal. A missing or malformed value gives the default.
    long long ReadInteger(std::string_view section, std::string_view ident, long long def) const;
    void WriteInteger(std::string_view section, std::string_view ident, long long value);
    // Booleans are stored as "0" and "1"; any other integer but 0 reads as true.
    bool ReadBool(std::string_view section, std::string_view ident, bool def) const;
    void WriteBool(std::string_view section, std::string_view ident, bool value);
    bool SectionExists(std::string_view section) const;
    bool ValueExists(std::string_view section, std::string_view ident) const;
    void EraseSection(std::string_view section);
    void DeleteKey(std::string_view section, std::string_view ident);
    // Section names in file order.
    std::vector<std::string> ReadSections() const;
    // Identifiers of a section in file order.
    std::vector<std::string> ReadSection(std::string_view section) const;
    // Identifier/value pairs of a section in file order.
    std::vector<std::pair<std::string, std::string>> ReadSectionValues(std::string_view section) const;

    // The text of the whole store as it is written to disk.
    std::string ToText() const;
    // Replaces the content with the parsed text.
    void FromText(std::string_view text);

    bool Modified() const { return modified_; }
    // Writes the values changed since the file was read (or last written) into the
    // file as it is now (temporary file, then rename); the store then holds what was
    // written. Nothing happens when nothing was modified. Raises EFCreateError/
    // EWriteError, or the errors of reading the file; the old file is then left as it
    // was.
    void UpdateFile();

private:
    struct Line {
        std::string ident;  // empty for a comment or an unreadable line kept as is
        std::string value;  // the value, or the raw text of a kept line
    };
    struct Section {
        std::string name;
        std::vector<Line> lines;
    };

    Section* Find(std::string_view section);
    const Section* Find(std::string_view section) const;
    static const Line* FindLine(const Section& s, std::string_view ident);

    // Every value of the sections, keyed by upper-case section and identifier.
    using TValueMap = std::map<std::pair<std::string, std::string>, std::string>;
    TValueMap Values() const;
    // Sections by upper-case name.
    std::set<std::string> SectionKeys() const;

    std::string fileName_;
    // The values as the file held them when read or last written.
    TValueMap base_;
    std::set<std::string> baseSections_;
    std::vector<Line> preamble_;  // lines before the first section header
    std::vector<Section> sections_;
    bool modified_ = false;
};

}  // namespace tarvix
