// The interface language applied to the windows.
//
// Every window carries one TLng. When it is created, and whenever the program loads
// another language file, the lines of the file's section [Any] and then those of the
// window's own section (named by the window class, e.g. [TFrameForm]) set the
// properties of the window's components, found by object name:
//
//   Name.Prop=Value    property Prop of the component Name
//   Name..=Value       its caption (text or title);  Name.?=Value  its hint (tool tip)
//   *.?=Value          the component named by the previous line
//   Prop=Value         a property of the window itself ("Caption" is its title)
//   Name.Items=('a','b','c')   the first lines of a string list (list box, combo box,
//                      tab bar, text lines, or any QStringList property)
//
// A value may start with a character-set mark such as "!R!"; the mark is removed
// (Qt needs none: the file is UTF-8). "\n" in a value is a line break. A component
// the window does not have is only traced.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <string>
#include <utility>
#include <vector>

namespace tarvix {

// Applies Name=Value lines to the components of a window. Every line is applied;
// a malformed one (unknown property, wrong type, bad list) raises ELngError after
// the others, with the message of the first.
void ApplyLngLines(QWidget* window, const std::vector<std::pair<std::string, std::string>>& lines);

// The value of a line as it is applied: at most 255 characters, trimmed, without
// its character-set mark, with "\n" turned into line breaks.
std::string LngLineValue(std::string_view raw);

// Applies [Any] and then the section named className to window; a malformed line is
// skipped with a debug trace. Nothing happens when no language file is loaded.
void ApplyLng(QWidget* window, std::string_view className);

// Tells every window that the interface language changed: each widget gets a
// QEvent::LanguageChange, on which windows rebuild the texts they compose themselves
// (day lists with month names, status texts).
void NotifyLanguageChanged();

class TLng : public QObject {
    Q_OBJECT
public:
    // The component of a window whose language section is Section.
    // When a language is loaded, it is applied at once (a malformed line is traced).
    TLng(QWidget* owner, QString section);
    ~TLng() override;

    QWidget* Owner() const { return owner_; }
    const QString& Section() const { return section_; }

    // Applies [Any] and the window's section; raises ELngError for a malformed line.
    void Apply();

    // The language of the whole program. Setting it loads the file (nothing happens
    // for an empty name or the name already loaded) and applies it to every window
    // that has a TLng. Raises ELngError: the file could not be loaded (the previous
    // language stays), or a line of it is malformed (the file stays loaded).
    static void SetLngName(const std::string& fileName);
    static std::string LngName();
    // The version later loads require.
    static void SetLngVersion(const std::string& version);

    // Every TLng in existence, in order of creation.
    static const std::vector<TLng*>& Instances();

signals:
    // The file has been applied to the window (OnLoadLng).
    void LngApplied();

private:
    QPointer<QWidget> owner_;
    QString section_;
};

}  // namespace tarvix
