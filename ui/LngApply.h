// Interface texts of a window: the lines of the language file's [Any] section and
// of the window's own section (named by its class, [TChildForm], ...) set the texts
// of the window's components, found by their object names.
//
//   BtnClose..=Close       the component's caption (button or label text, group
//                          box or menu title, action text)
//   BtnClose.?=Close log   its hint (tool tip)
//   *.?=...                the component of the previous line that named one
//   LbxDays.Items=('a','b') the lines of a list or combo box (item k replaced,
//                          or appended when the list is shorter)
//   Caption=Log            a property of the window itself ("Caption" is its title)
//
// A value may start with a character-set mark ("!R!"), which is dropped (Qt needs
// none); "\n" in a value is a line break. A component or property the window does
// not have is skipped with a debug trace.
#pragma once

#include <string_view>

class QWidget;

namespace tarvix {

// Applies [Any] and then the section named className to window. Nothing happens
// when no language file is loaded.
void ApplyLng(QWidget* window, std::string_view className);

// Tells every window of the program that the interface language changed: each
// widget gets a QEvent::LanguageChange, on which the windows apply the new texts.
void NotifyLanguageChanged();

}  // namespace tarvix
