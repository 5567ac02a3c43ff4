// Window sections of a language file applied to the components of a window, also
// when the lines are damaged.
#include "ui/LngComponent.h"

#include "fido/Lng.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QWidget>

#include <fstream>

namespace tarvix {
namespace {

class LngApplyTest : public ::testing::Test {
protected:
    void Load(const std::string& sections)
    {
        const std::string path = temp / "test.lng";
        std::ofstream(path) << "[Lng]\nVersion=beta 5\n[Strings]\nA=b\n" << sections;
        UnloadLng();
        LoadLng(path);
    }
    void TearDown() override { UnloadLng(); }

    // A window with a component of each kind.
    struct Form : QWidget {
        QPushButton* button = new QPushButton(this);
        QLabel* label = new QLabel(this);
        QGroupBox* group = new QGroupBox(this);
        QListWidget* list = new QListWidget(this);
        QComboBox* combo = new QComboBox(this);
        QLineEdit* edit = new QLineEdit(this);
        QMenu* menu = new QMenu(this);
        QAction* action = menu->addAction("x");
        Form()
        {
            setObjectName("TTestForm");
            button->setObjectName("Button1");
            label->setObjectName("Label1");
            group->setObjectName("Group1");
            list->setObjectName("List1");
            list->addItems({"x", "y", "z", "w"});
            combo->setObjectName("Combo1");
            edit->setObjectName("Edit1");
            menu->setObjectName("Menu1");
            action->setObjectName("MIAction");
        }
    };

    test::TempDir temp;
};

TEST_F(LngApplyTest, CaptionsHintsListsAndProperties)
{
    Load("[Any]\nLabel1..=From Any\n"
         "[TTestForm]\n"
         "Caption=The window\n"
         "Button1..=&Press\n"
         "*.?=Hint of the button\n"
         "Label1..=!R!Текст\\nsecond line\n"
         "Group1..=Group\n"
         "List1.Items=('a','b','c')\n"
         "Combo1.Items=('one','two')\n"
         "Edit1.placeholderText=type here\n"
         "MIAction..=&Action\n"
         "MIAction.?=Action hint\n"
         "Menu1..=&Menu\n");
    Form form;
    ApplyLng(&form, "TTestForm");
    EXPECT_EQ(form.windowTitle(), "The window");
    EXPECT_EQ(form.button->text(), "&Press");
    EXPECT_EQ(form.button->toolTip(), "Hint of the button");
    EXPECT_EQ(form.label->text(), QString::fromUtf8("Текст\nsecond line"));
    EXPECT_EQ(form.group->title(), "Group");
    ASSERT_EQ(form.list->count(), 4);
    EXPECT_EQ(form.list->item(0)->text(), "a");
    EXPECT_EQ(form.list->item(2)->text(), "c");
    EXPECT_EQ(form.list->item(3)->text(), "w");  // extra lines stay
    ASSERT_EQ(form.combo->count(), 2);
    EXPECT_EQ(form.combo->itemText(1), "two");
    EXPECT_EQ(form.edit->placeholderText(), "type here");
    EXPECT_EQ(form.action->text(), "&Action");
    EXPECT_EQ(form.action->toolTip(), "Action hint");
    EXPECT_EQ(form.menu->title(), "&Menu");

    // The language changes: a window that listens applies the new texts.
    struct Listening : Form {
        int changes = 0;
        void changeEvent(QEvent* e) override
        {
            if (e->type() == QEvent::LanguageChange)
                ++changes;
            QWidget::changeEvent(e);
        }
    } listening;
    listening.show();
    NotifyLanguageChanged();
    EXPECT_EQ(listening.changes, 1);
}

TEST_F(LngApplyTest, DamagedLinesAreSkipped)
{
    Load("[TTestForm]\n"
         "*.?=no component before\n"
         "NoSuch..=nothing\n"
         "Button1.NoSuchProperty=x\n"
         "Button1.checkable=1\n"  // not a string property
         "List1.Items=a,b\n"
         "List1.Items=('a' ,'b')\n"
         "List1.Items=('a','b\n"
         "List1.Items=\n"
         "Button1.=empty property\n"
         ".=empty component\n"
         "=no name\n"
         "Label1..=!unterminated mark\n"
         "Label1.?=" + std::string(300, 'x') + "\n"
         "Button1..=Still applied\n");
    Form form;
    ApplyLng(&form, "TTestForm");
    EXPECT_EQ(form.button->text(), "Still applied");
    EXPECT_FALSE(form.button->isCheckable());
    ASSERT_EQ(form.list->count(), 4);
    EXPECT_EQ(form.list->item(0)->text(), "x");
    EXPECT_EQ(form.label->text(), "!unterminated mark");
    EXPECT_FALSE(form.label->toolTip().isEmpty());
    // Nothing loaded: nothing happens.
    UnloadLng();
    form.button->setText("kept");
    ApplyLng(&form, "TTestForm");
    EXPECT_EQ(form.button->text(), "kept");
    ApplyLng(nullptr, "TTestForm");
}

}  // namespace
}  // namespace tarvix
