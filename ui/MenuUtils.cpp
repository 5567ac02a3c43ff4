#include "ui/MenuUtils.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>

namespace tarvix {

namespace {

const char* const kRadioGroupName = "tarvixRadioGroup";

QList<QAction*> ItemsOf(QWidget* menu)
{
    return menu ? menu->actions() : QList<QAction*>{};
}

// The exclusive group that holds the radio items of a menu.
QActionGroup* RadioGroupOf(QMenu* menu)
{
    auto* group = menu->findChild<QActionGroup*>(kRadioGroupName, Qt::FindDirectChildrenOnly);
    if (!group) {
        group = new QActionGroup(menu);
        group->setObjectName(kRadioGroupName);
        group->setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);
    }
    return group;
}

void MakeRadio(QAction* item, QMenu* owner)
{
    item->setCheckable(true);
    if (owner && !item->actionGroup())
        RadioGroupOf(owner)->addAction(item);
}

void MakeMenuRadio(QMenu* menu)
{
    for (QAction* a : menu->actions()) {
        if (a->isSeparator())
            continue;
        if (QMenu* sub = a->menu())
            MakeMenuRadio(sub);
        else
            MakeRadio(a, menu);
    }
}

// The first menu that shows an item.
QMenu* MenuOf(QAction* item)
{
    for (QObject* o : item->associatedObjects())
        if (auto* menu = qobject_cast<QMenu*>(o))
            return menu;
    return nullptr;
}

}  // namespace

int MenuItemTag(const QAction* item)
{
    if (!item)
        return 0;
    bool ok = false;
    int tag = item->data().toInt(&ok);
    return ok ? tag : 0;
}

void SetMenuItemTag(QAction* item, int tag)
{
    item->setData(tag);
}

void UncheckMenuItems(QAction* item)
{
    if (!item)
        return;
    item->setChecked(false);
    if (QMenu* sub = item->menu())
        UncheckMenuItems(static_cast<QWidget*>(sub));
}

void UncheckMenuItems(QWidget* menu)
{
    for (QAction* a : ItemsOf(menu))
        UncheckMenuItems(a);
}

QAction* FindMenuItemByTag(QWidget* menu, int tag)
{
    for (QAction* a : ItemsOf(menu)) {
        if (!a->isSeparator() && a->text() != QLatin1String("-") && !a->objectName().isEmpty() &&
            MenuItemTag(a) == tag)
            return a;
        if (QMenu* sub = a->menu())
            if (QAction* found = FindMenuItemByTag(sub, tag))
                return found;
    }
    return nullptr;
}

void SetRadioItems(QAction* item)
{
    if (!item || item->isSeparator())
        return;
    if (QMenu* sub = item->menu())
        MakeMenuRadio(sub);
    else
        MakeRadio(item, MenuOf(item));
}

}  // namespace tarvix
