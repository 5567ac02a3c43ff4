// Small routines over menus: check marks, tags and radio items.
//
// A menu item is a QAction; its tag is the integer kept in the action's data
// (0 when it holds none). A menu is a QMenu or a QMenuBar; the items nested in an
// item are the actions of its submenu.
#pragma once

class QAction;
class QWidget;

namespace tarvix {

// The tag of an item (0 when its data holds no integer), and setting it.
int MenuItemTag(const QAction* item);
void SetMenuItemTag(QAction* item, int tag);

// Clears the check mark of an item and of every item nested in it, at any depth.
void UncheckMenuItems(QAction* item);
// The same for every item of a menu or menu bar.
void UncheckMenuItems(QWidget* menu);

// Depth first, the first item of a menu (or menu bar) whose tag equals Tag, whose
// object name is not empty and which is no separator (caption "-"); nullptr when
// there is none.
QAction* FindMenuItemByTag(QWidget* menu, int tag);

// Makes an item and every item nested in it a radio item: checkable, and exclusive
// with the other radio items of the same menu.
void SetRadioItems(QAction* item);

}  // namespace tarvix
