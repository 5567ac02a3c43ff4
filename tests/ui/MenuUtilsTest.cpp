#include "ui/MenuUtils.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>

namespace tarvix {
namespace {

// A menu bar: File (Open 1, separator, Exit 2), Options (Language: English 1,
// Russian 2; an unnamed item 3; an item captioned "-" with tag 4; Deep: Inner 5).
class MenuUtilsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        file = bar.addMenu("&File");
        open = Item(file, "MIOpen", "&Open", 1);
        file->addSeparator()->setData(7);
        exit = Item(file, "MIExit", "E&xit", 2);
        options = bar.addMenu("&Options");
        language = options->addMenu("L&anguage");
        language->setObjectName("MILanguage");
        english = Item(language, "MIEnglish", "&English", 1);
        russian = Item(language, "MIRussian", "&Russian", 2);
        unnamed = Item(options, "", "Unnamed", 3);
        dash = Item(options, "MIDash", "-", 4);
        deep = language->addMenu("Deep");
        inner = Item(deep, "MIInner", "Inner", 5);
    }

    QAction* Item(QMenu* menu, const char* name, const char* caption, int tag)
    {
        QAction* a = menu->addAction(caption);
        a->setObjectName(name);
        SetMenuItemTag(a, tag);
        a->setCheckable(true);
        return a;
    }

    QMenuBar bar;
    QMenu* file = nullptr;
    QMenu* options = nullptr;
    QMenu* language = nullptr;
    QMenu* deep = nullptr;
    QAction *open = nullptr, *exit = nullptr, *english = nullptr, *russian = nullptr;
    QAction *unnamed = nullptr, *dash = nullptr, *inner = nullptr;
};

TEST_F(MenuUtilsTest, TagsAreTheIntegerOfTheActionData)
{
    EXPECT_EQ(MenuItemTag(exit), 2);
    QAction plain("x");
    EXPECT_EQ(MenuItemTag(&plain), 0);
    plain.setData(QStringLiteral("not a number"));
    EXPECT_EQ(MenuItemTag(&plain), 0);
    EXPECT_EQ(MenuItemTag(nullptr), 0);
}

TEST_F(MenuUtilsTest, FindByTagIsDepthFirstAndSkipsUnnamedAndDashItems)
{
    // Open comes before English: the File menu is searched first.
    EXPECT_EQ(FindMenuItemByTag(&bar, 1), open);
    EXPECT_EQ(FindMenuItemByTag(&bar, 2), exit);
    EXPECT_EQ(FindMenuItemByTag(&bar, 3), nullptr);  // no object name
    EXPECT_EQ(FindMenuItemByTag(&bar, 4), nullptr);  // caption "-"
    EXPECT_EQ(FindMenuItemByTag(&bar, 7), nullptr);  // a separator
    EXPECT_EQ(FindMenuItemByTag(&bar, 5), inner);    // two levels down
    EXPECT_EQ(FindMenuItemByTag(&bar, 99), nullptr);
    // Searching one menu starts at its own items.
    EXPECT_EQ(FindMenuItemByTag(language, 1), english);
    EXPECT_EQ(FindMenuItemByTag(options, 2), russian);
    EXPECT_EQ(FindMenuItemByTag(nullptr, 1), nullptr);
}

TEST_F(MenuUtilsTest, UncheckClearsAnItemAndEverythingNestedInIt)
{
    for (QAction* a : {open, exit, english, russian, unnamed, inner})
        a->setChecked(true);
    UncheckMenuItems(language->menuAction());
    EXPECT_FALSE(english->isChecked());
    EXPECT_FALSE(russian->isChecked());
    EXPECT_FALSE(inner->isChecked());
    EXPECT_TRUE(open->isChecked());
    EXPECT_TRUE(unnamed->isChecked());

    UncheckMenuItems(static_cast<QWidget*>(&bar));
    for (QAction* a : {open, exit, english, russian, unnamed, inner})
        EXPECT_FALSE(a->isChecked()) << a->text().toStdString();
}

TEST_F(MenuUtilsTest, RadioItemsOfAMenuExcludeEachOther)
{
    english->setCheckable(false);
    russian->setCheckable(false);
    SetRadioItems(language->menuAction());
    ASSERT_TRUE(english->isCheckable());
    ASSERT_TRUE(russian->isCheckable());
    ASSERT_NE(english->actionGroup(), nullptr);
    EXPECT_EQ(english->actionGroup(), russian->actionGroup());
    // The nested menu's items are radio items of their own menu.
    ASSERT_NE(inner->actionGroup(), nullptr);
    EXPECT_NE(inner->actionGroup(), english->actionGroup());

    english->setChecked(true);
    russian->setChecked(true);
    EXPECT_FALSE(english->isChecked());
    // Clicking the checked item keeps it checked.
    russian->trigger();
    EXPECT_TRUE(russian->isChecked());
    english->trigger();
    EXPECT_TRUE(english->isChecked());
    EXPECT_FALSE(russian->isChecked());
    // Unchecking still clears them all.
    UncheckMenuItems(language->menuAction());
    EXPECT_FALSE(english->isChecked());
    EXPECT_FALSE(russian->isChecked());

    // A single item joins the radio items of its menu; doing it twice is harmless.
    SetRadioItems(open);
    SetRadioItems(open);
    EXPECT_TRUE(open->isCheckable());
    ASSERT_NE(open->actionGroup(), nullptr);
    EXPECT_TRUE(open->actionGroup()->isExclusive());
    SetRadioItems(nullptr);
}

}  // namespace
}  // namespace tarvix
