// Several parts from the window: what is greyed, the panel's shared values, the status bar, a paste
// past 99 parts, what the alignments align to, the parts list.

#include "support/mainfixture.h"

#include "support/files.h"

#include <QLabel>

namespace {

class Several : public MainWindowTest {
protected:
  void addPicture(const Bounds& at) {
    dialogs->picturesToOpen.push_back(savedPicture(dir, "p.bmp", {at.width, at.height}));
    ASSERT_TRUE(addPart(pkPicture));
    comp().setBounds(document().PartCount - 1, at);
  }
  void addTexts(int count) {
    for (int i = 0; i < count; ++i) ASSERT_TRUE(addPart(pkText));
  }
  void TearDown() override {
    action("alignToBackgroundAction")->setChecked(true);  // later tests start as a first start does
    MainWindowTest::TearDown();
  }
  QTemporaryDir dir;
};

TEST_F(Several, CommandsAreGreyedWhereTheyCannotAct) {
  struct Row {
    int parts;
    std::vector<int> selected;
    const char* enabled;  // すべて選択, 左右に等間隔, 上下に等間隔, 複製, 切り取り
  };
  const Row rows[] = {
      {0, {}, "00000"}, {3, {1}, "10011"}, {3, {0, 1, 2}, "01111"}, {98, {0, 1}, "10001"}, {99, {}, "10000"}};
  for (const Row& r : rows) {
    newComposition();
    addTexts(std::min(r.parts, 1));
    comp().select(0);
    if (r.parts > 1)
      comp().pasteParts(std::vector<PartCopy>(static_cast<size_t>(r.parts - 1), comp().copySelected()[0]), 10);
    comp().selectParts(r.selected, false);
    QString enabled;
    for (const char* name : {"selectAllAction", "distributeHorizontallyAction", "distributeVerticallyAction",
                             "duplicateAction", "cutAction"})
      enabled += action(name)->isEnabled() ? u'1' : u'0';
    EXPECT_EQ(enabled, QLatin1String(r.enabled)) << r.parts;
  }
  run("selectAllAction");
  EXPECT_EQ(comp().selection().count(), 99);
}

// Two text parts differing in fill and shadow Y: those fields blank, the fill half-checked; a click
// fills both as one step. A picture among them greys the text group.
TEST_F(Several, ThePanelShowsWhatTextPartsShare) {
  addTexts(2);
  comp().select(1);
  comp().setFill(true);
  comp().setShadowOffset(Qt::Vertical, 3);
  comp().selectParts({0, 1}, false);
  EXPECT_TRUE(textGroup()->isEnabled());
  EXPECT_FALSE(textEdit()->isEnabled());
  EXPECT_FALSE(sizeGroup()->isEnabled());
  EXPECT_EQ(fillCheck()->checkState(), Qt::PartiallyChecked);
  EXPECT_EQ(std::pair(shadowXBox()->currentText(), shadowYBox()->currentText()), std::pair(u"0"_qs, QString()));
  comp().select(1);
  comp().setTextColour(Composition::TextColour::Text, Colour{0x0000FF});
  comp().selectParts({0, 1}, false);
  EXPECT_TRUE(textColourPanel()->blank() && !fillColourPanel()->blank());
  fillCheck()->click();
  EXPECT_TRUE(comp().part(0).fillOn && comp().part(1).fillOn);
  EXPECT_EQ(fillCheck()->checkState(), Qt::Checked);
  run("undoAction");
  EXPECT_TRUE(!comp().part(0).fillOn && comp().part(1).fillOn);
  addPicture({0, 0, 5, 5});
  comp().selectParts({0, 2}, false);
  EXPECT_FALSE(textGroup()->isEnabled());
}

TEST_F(Several, TheStatusBarCountsThePartsAndGivesTheirBox) {
  addPicture({10, 20, 30, 20});
  addPicture({50, 40, 20, 20});
  addPicture({-5, 30, 4, 4});
  run("selectAllAction");
  EXPECT_EQ(child<QLabel>("positionLabel")->text(), u"3 部品  X -5  Y 20  W 75  H 40"_qs);
}

// Two copied parts do not go into 98: nothing is added and the message says why; the refused paste
// is not counted, so the next lands 10 on.
TEST_F(Several, APastePastNinetyNinePartsAddsNoneAndSaysSo) {
  addPicture({10, 20, 30, 20});
  addPicture({50, 40, 20, 20});
  comp().selectParts({0, 1}, false);
  run("copyAction");
  comp().select(1);
  comp().pasteParts(std::vector<PartCopy>(96, comp().copySelected()[0]), 10);
  run("pasteAction");
  EXPECT_EQ(comp().partCount(), 98);
  ASSERT_EQ(dialogs->messages.size(), 1);
  EXPECT_EQ(dialogs->messages[0].first,
            u"部品は 99 個までです。2 個を貼り付けると 100 個になるため、貼り付けませんでした。"_qs);
  comp().select(97);
  run("deleteAction");
  run("pasteAction");
  ASSERT_EQ(comp().partCount(), 99);
  EXPECT_EQ(comp().bounds(97), (Bounds{20, 30, 30, 20}));
  EXPECT_EQ(comp().bounds(98), (Bounds{60, 50, 20, 20}));
  EXPECT_EQ(comp().selection().parts(), (std::vector<int>{97, 98}));
}

// The choice stands in a window opened later; 左揃え takes the block to the background's left, or
// each part to the box's.
TEST_F(Several, TheAlignmentsAlignToTheRememberedChoice) {
  EXPECT_TRUE(action("alignToBackgroundAction")->isChecked());
  const Bounds back = comp().bounds(BACKGROUND_INDEX);
  for (const bool toSelection : {false, true}) {
    newComposition();
    addPicture({back.left + 30, 0, 4, 4});
    addPicture({back.left + 50, 9, 4, 4});
    run(toSelection ? "alignToSelectionAction" : "alignToBackgroundAction");
    run("selectAllAction");
    run("alignLeftAction");
    EXPECT_EQ(comp().bounds(0).left, back.left + (toSelection ? 30 : 0));
    EXPECT_EQ(comp().bounds(1).left, back.left + (toSelection ? 30 : 20));
  }
  MainWindow second(std::make_unique<ScriptedDialogs>());
  EXPECT_TRUE(second.findChild<QAction*>(u"alignToSelectionAction"_qs)->isChecked());
}

// The list's rows follow the canvas, and Ctrl on a row adds its part.
TEST_F(Several, ThePartsListSelectsSeveralRowsBothWays) {
  addTexts(3);
  run("partsListAction");
  auto* table = partsList()->findChild<QTableWidget*>(u"partsTable"_qs);
  comp().selectParts({0, 2}, false);
  EXPECT_EQ(partsList()->selectedRows(), (std::vector<int>{0, 2}));
  const QPoint row1 = table->visualItemRect(table->item(1, 2)).center();
  QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::ControlModifier, row1);
  EXPECT_EQ(comp().selection().parts(), (std::vector<int>{0, 1, 2}));
  partsList()->findChild<QPushButton*>(u"deleteButton"_qs)->click();
  EXPECT_EQ(comp().partCount(), 0);
}

}  // namespace
