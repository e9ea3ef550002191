// The composition's history: every kind of edit taken back and brought back byte for byte, the
// runs that make one step, and what the history and the unsaved-work state are after New and Open.

#include "support/files.h"

#include "edit/composition.h"
#include "model/fixedstring.h"
#include "model/projectfile.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QTemporaryDir>

#include <functional>

namespace {

class History : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    c.startNew({40, 30});
  }
  QString picture(const char* name, QSize size) const {
    QImage image(size, QImage::Format_RGB32);
    image.fill(qRgb(200, 10, 10));
    const QString path = dir.filePath(QString::fromLatin1(name));
    EXPECT_TRUE(image.save(path, "BMP"));
    return path;
  }
  QByteArray block() const { return projectBytes(c.document()); }

  QTemporaryDir dir;
  Composition c{96};
};

// Each kind of step: done, taken back to the block saved before it, brought back to the block
// after it, and named in the menu's words; the part it touched is selected again.
TEST_F(History, EveryEditIsOneStepUndoneAndRedoneByteForByte) {
  ASSERT_EQ(c.addTextPart(), 0);
  ASSERT_EQ(c.addPicturePart(picture("a.bmp", {6, 4})), 1);
  ASSERT_EQ(c.addTextPart(), 2);
  c.setBounds(2, {70, 5, c.bounds(2).width, c.bounds(2).height});
  using Edit = std::function<void(Composition&)>;
  const QString back = picture("back.bmp", {31, 17});
  const struct {
    const char* name;
    int selection;
    Edit edit;
  } steps[] = {
      {"文字を追加", 0, [](Composition& x) { x.addTextPart(); }},
      {"画像を追加", 0,
       [&](Composition& x) {
         x.addPicturePart(picture("b.bmp", {3, 3}), QPoint(9, 8));
       }},
      {"削除", 0, [](Composition& x) { x.removePart(1); }},
      {"移動", 1,
       [](Composition& x) {
         x.setBounds(1, {5, 6, x.bounds(1).width, x.bounds(1).height});
       }},
      {"ｻｲｽﾞ変更", BACKGROUND_INDEX,
       [](Composition& x) {
         x.setBounds(BACKGROUND_INDEX, {40, 30, 90, 61});
       }},
      {"位置修正", 1, [](Composition& x) { x.nudgeSelected(0, -1); }},
      {"部品ｻｲｽﾞ", 2, [](Composition& x) { x.setSelectedSize(Qt::Vertical, 0); }},
      {"文字列", 0, [](Composition& x) { x.setText(u"ロゴ"_qs); }},
      {"文字色", 0, [](Composition& x) { x.setTextColour(Composition::TextColour::Text, 0x0000FF); }},
      {"背景色", 0, [](Composition& x) { x.setTextColour(Composition::TextColour::Fill, 0x00FF00); }},
      {"背景色の有無", 0, [](Composition& x) { x.setFill(true); }},
      {"影の色", 0, [](Composition& x) { x.setTextColour(Composition::TextColour::Shadow, 0x808080); }},
      {"影の横位置", 0, [](Composition& x) { x.setShadowOffset(Qt::Horizontal, -3); }},
      {"影の縦位置", 0, [](Composition& x) { x.setShadowOffset(Qt::Vertical, 30); }},
      {"ﾌｫﾝﾄ", 0, [](Composition& x) { x.setFont(u"IPAGothic"_qs, 20, fsBold); }},
      {"背景の画像読み込み", BACKGROUND_INDEX, [&](Composition& x) { x.setBackgroundPicture(back); }},
      {"背景の塗り潰し", BACKGROUND_INDEX, [](Composition& x) { x.fillBackground(0x123456); }},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.name);
    c.select(step.selection);
    const QByteArray before = block();
    step.edit(c);
    const QByteArray after = block();
    ASSERT_NE(after, before);
    EXPECT_EQ(c.undoName(), QString::fromUtf8(step.name));
    const QImage shownAfter = c.layer(0).raster;

    c.clearSelection();
    EXPECT_TRUE(c.undo().isEmpty());
    EXPECT_EQ(block(), before);
    EXPECT_EQ(c.redoName(), QString::fromUtf8(step.name));
    c.clearSelection();
    EXPECT_TRUE(c.redo().isEmpty());
    EXPECT_EQ(block(), after);
    EXPECT_EQ(c.layer(0).raster, shownAfter) << "the first part's raster made again";
  }
  // Taking a deletion back puts the part back at its place, selected, with the later parts
  // renumbered back.
  while (c.undoName() != u"削除"_qs) c.undo();
  c.undo();
  EXPECT_EQ(c.selection(), 1);
  EXPECT_TRUE(c.selectionShown());
  EXPECT_EQ(c.record(2)->Index, 2);
  EXPECT_EQ(c.layer(1).raster.size(), QSize(6, 4));
}

// What runs together is one step: the typing in one field, the nudges of one part, a drag from
// press to release. A finished run, another part or another edit starts a step of its own.
TEST_F(History, RunsOfOneEditOfOnePartAreOneStep) {
  ASSERT_EQ(c.addTextPart(), 0);
  c.select(0);
  const QByteArray start = block();
  for (const char16_t* typed : {u"a", u"ab", u"abc"}) c.setText(QString::fromUtf16(typed));
  c.finishEditRun();
  c.setText(u"abcd"_qs);
  c.undo();
  EXPECT_EQ(fixedString(c.record(0)->Text), u"abc"_qs) << "the field was left between the two";
  c.undo();
  EXPECT_EQ(block(), start);

  for (int i = 0; i < 5; ++i) c.nudgeSelected(1, 0);
  c.setTextColour(Composition::TextColour::Text, 0xFF);
  c.nudgeSelected(0, 1);
  for (int i = 0; i < 3; ++i) c.undo();
  EXPECT_EQ(block(), start) << "five nudges, one step";

  // A drag that comes back to where it started leaves no step behind.
  const Bounds pressed = c.bounds(0);
  c.finishEditRun();
  c.setBounds(0, {20, 9, pressed.width, pressed.height});
  EXPECT_EQ(c.undoName(), u"移動"_qs);
  c.setBounds(0, pressed);
  EXPECT_EQ(c.undoName(), u"文字を追加"_qs);
  EXPECT_EQ(block(), start);
}

// The history belongs to one composition: New and Open start it afresh, and the unsaved-work
// question follows the block, so taking every step back to the saved state counts as unchanged.
TEST_F(History, NewAndOpenStartAfreshAndTheSavedStateIsTheBlock) {
  ASSERT_EQ(c.addTextPart(), 0);
  const QString project = dir.filePath(u"p.rpf"_qs);
  c.saveProject(project);
  c.select(0);
  c.nudgeSelected(3, 0);
  EXPECT_TRUE(c.isModified());
  c.undo();
  EXPECT_FALSE(c.isModified()) << "back at the saved block";
  c.undo();
  EXPECT_TRUE(c.isModified()) << "before the save";
  c.redo();
  EXPECT_FALSE(c.isModified());

  c.open(project);
  EXPECT_FALSE(c.canUndo());
  EXPECT_FALSE(c.canRedo());
  c.addTextPart();
  c.startNew({0, 0});
  EXPECT_FALSE(c.canUndo());
  EXPECT_EQ(c.undoName(), QString());
}

}  // namespace
