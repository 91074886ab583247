// The front end's multiple selection (Shift and Ctrl), in-place label editing whose handler has
// the last word, and typing into a drop-down combo box.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QTreeWidget>

#include "qt_form_fixture.h"

namespace {

using namespace vb;

class PickForm : public Form {
public:
    static constexpr const char* kName = "PickForm";
    explicit PickForm(App& app) : Form(app, kName) {
        design("Picking", 6000, 4500);
        ListView1.pos(150, 150, 3000, 2400);
        ListView1.MultiSelect = true;
        lst_Files.pos(3300, 150, 2400, 1500);
        lst_Files.MultiSelect = true;
        cmb_Pattern.pos(3300, 1800, 2400, 330);
        cmb_Pattern.editable = true;
        cmb_Pattern.txt("*.jpg");
        for (const char* s : {"*.jpg", "*.*"}) cmb_Pattern.AddItem(s);
        for (const char* s : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"}) lst_Files.AddItem(s);
        ListView1.ItemClick = [this](int row) { itemClicks.push_back(row); };
        ListView1.AfterLabelEdit = [this](int&, std::string& text) {
            if (text == "bad/name") ListView1.setRowText(ListView1.SelectedItem(), "kept.jpg");
        };
        cmb_Pattern.KeyDown = [this](int& key, int) { keys.push_back(key); };
    }
    ListView ListView1{this, "ListView1"};
    ListBox lst_Files{this, "lst_Files"};
    ComboBox cmb_Pattern{this, "cmb_Pattern"};
    std::vector<int> itemClicks, keys;
};

class SelectionEditingTest : public vbqt::test::QtFormTest<PickForm> {
protected:
    SelectionEditingTest() {
        app.deliver([&] {
            form.ListView1.AddColumn("Name");
            for (const char* n : {"one.jpg", "two.jpg", "three.jpg", "four.jpg"}) form.ListView1.AddRow(n);
            form.Show();
        });
        QCoreApplication::processEvents();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(fe.window(form)));
    }
    void clickRow(QTreeWidget* tree, int row, Qt::KeyboardModifiers mods) {
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, mods,
                          tree->visualItemRect(tree->topLevelItem(row)).center());
        QCoreApplication::processEvents();
    }
};

TEST_F(SelectionEditingTest, CtrlAndShiftClicksSelectSeveralRowsOfTheListView) {
    auto* tree = widget<QTreeWidget>("ListView1");
    ASSERT_NE(tree, nullptr);
    clickRow(tree, 0, {});
    clickRow(tree, 2, Qt::ControlModifier);
    EXPECT_EQ(form.ListView1.selectedRows(), (std::vector<int>{1, 3}));
    EXPECT_EQ(form.ListView1.SelectedItem(), 3);
    clickRow(tree, 3, Qt::ShiftModifier);
    EXPECT_EQ(form.ListView1.selectedRows(), (std::vector<int>{1, 3, 4}));
    EXPECT_EQ(form.itemClicks, (std::vector<int>{1, 3, 4}));
    // A plain click selects that row alone.
    clickRow(tree, 1, {});
    EXPECT_EQ(form.ListView1.selectedRows(), std::vector<int>{2});
    // The model's selection comes back to the widget.
    app.deliver([&] { form.ListView1.selectOnly({2, 4}); });
    QCoreApplication::processEvents();
    EXPECT_TRUE(tree->topLevelItem(3)->isSelected());
    EXPECT_TRUE(tree->topLevelItem(1)->isSelected());
    EXPECT_FALSE(tree->topLevelItem(0)->isSelected());
    EXPECT_EQ(tree->currentItem(), tree->topLevelItem(3));
}

TEST_F(SelectionEditingTest, AnEditShowsTheTypedTextUnlessTheHandlerPutsAnotherBack) {
    auto* tree = widget<QTreeWidget>("ListView1");
    clickRow(tree, 1, {});
    auto editTo = [&](const char* text) {
        QTest::keyClick(tree, Qt::Key_F2);
        auto* editor = tree->findChild<QLineEdit*>();
        ASSERT_NE(editor, nullptr);
        editor->selectAll();
        QTest::keyClicks(editor, text);
        QTest::keyClick(editor, Qt::Key_Return);
        QTest::qWait(50);
        QCoreApplication::processEvents();
    };
    editTo("renamed.jpg");
    EXPECT_EQ(form.ListView1.row(2).text, "renamed.jpg");
    EXPECT_EQ(tree->topLevelItem(1)->text(0), "renamed.jpg");
    editTo("bad/name");
    EXPECT_EQ(form.ListView1.row(2).text, "kept.jpg");
    EXPECT_EQ(tree->topLevelItem(1)->text(0), "kept.jpg");
}

TEST_F(SelectionEditingTest, AMultiSelectListKeepsEverySelectedItem) {
    auto* list = widget<QListWidget>("lst_Files");
    ASSERT_NE(list, nullptr);
    auto click = [&](int row, Qt::KeyboardModifiers mods) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, mods,
                          list->visualItemRect(list->item(row)).center());
        QCoreApplication::processEvents();
    };
    click(0, {});
    click(2, Qt::ControlModifier);
    click(3, Qt::ControlModifier);
    EXPECT_EQ(form.lst_Files.selectedIndexes(), (std::vector<int>{0, 2, 3}));
    EXPECT_EQ(form.lst_Files.ListIndex(), 3);
    // A new listing drops the selection, in the widget too.
    app.deliver([&] { form.lst_Files.selectOnly({}); });
    QCoreApplication::processEvents();
    EXPECT_TRUE(list->selectedItems().isEmpty());
}

TEST_F(SelectionEditingTest, TypedComboTextReachesTheModelAndEnterIsItsKey) {
    auto* combo = widget<QComboBox>("cmb_Pattern");
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->currentText(), "*.jpg");
    combo->lineEdit()->selectAll();
    QTest::keyClicks(combo->lineEdit(), "*.bmp");
    QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(form.cmb_Pattern.Text(), "*.bmp");
    EXPECT_EQ(form.keys, std::vector<int>{13});
    EXPECT_EQ(form.cmb_Pattern.ListCount(), 2) << "typed text is not added as an item";
    // Choosing an item puts its text in the box.
    app.deliver([&] { form.cmb_Pattern.setListIndex(1); });
    QCoreApplication::processEvents();
    EXPECT_EQ(form.cmb_Pattern.Text(), "*.*");
    EXPECT_EQ(combo->currentText(), "*.*");
}

}  // namespace

namespace {

TEST_F(SelectionEditingTest, AFormUnloadedFromItsOwnButtonWithItemsSelectedGoesQuietly) {
    auto* list = widget<QListWidget>("lst_Files");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(1)).center());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      list->visualItemRect(list->item(2)).center());
    QCoreApplication::processEvents();
    ASSERT_EQ(form.lst_Files.selectedIndexes(), (std::vector<int>{1, 2}));
    // The widgets' last selection changes arrive while they are torn down, after the form went.
    app.deliver([&] { form.Unload(); });
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    EXPECT_FALSE(app.isLoaded(PickForm::kName));
}

}  // namespace
