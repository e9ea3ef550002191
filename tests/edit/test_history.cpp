// The composition's history: every kind of edit taken back and brought back byte for byte, the
// runs that make one step, and what the history and the unsaved-work state are after New and Open.

#include "support/files.h"

#include "edit/blockchange.h"
#include "edit/composition.h"
#include "model/fixedstring.h"
#include "model/projectfile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <cstring>
#include <functional>

namespace {

class History : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    c.startNew({40, 30});
  }
  QString picture(const char* name, QSize size) const { return savedPicture(dir, name, size); }
  QByteArray block() const { return projectBytes(c.document()); }
  std::vector<QImage> rasters() const {
    std::vector<QImage> shown;
    for (const auto& layer : c.madeLayers()) shown.push_back(layer ? layer->raster : QImage());
    return shown;
  }
  int shown() const { return c.selection().shown() ? *c.selection().single() : -1; }
  static QString told(const QSignalSpy& reset, const QSignalSpy& part, const QSignalSpy& background) {
    QStringList said;
    if (!reset.isEmpty()) said << u"parts"_qs;
    for (const auto& args : part) said << u"part %1"_qs.arg(args.at(0).toInt());
    if (!background.isEmpty()) said << u"background"_qs;
    return said.join(u", "_qs);
  }

  QTemporaryDir dir;
  Composition c{96};
};

// Each kind of step: done, taken back to the block saved before it, brought back to the block
// after it, and named in the menu's words. Every layer shows after undo what it showed before the
// edit and after redo what it showed after it, though the pictures' files are gone by then: no
// step reads a file again. Each side selects what the table says (-1: nothing shown) and tells
// the views what the table says changed.
TEST_F(History, EveryEditIsOneStepUndoneAndRedoneByteForByte) {
  ASSERT_EQ(c.addTextPart(), 0);
  ASSERT_EQ(c.addPicturePart(picture("a.bmp", {6, 4})), 1);
  ASSERT_EQ(c.addTextPart(), 2);
  c.setBounds(2, {70, 5, c.bounds(2).width, c.bounds(2).height});
  using Edit = std::function<void(Composition&)>;
  constexpr int none = -1, back = BACKGROUND_INDEX;
  const struct {
    const char* name;
    int selection;
    Edit edit;
    int undoSelects, redoSelects;
    const char* undoTells;  // "parts" all made afresh, "part N", "background"
  } steps[] = {
      {"文字を追加", 0, [](Composition& x) { x.addTextPart(); }, 0, 3, "parts"},
      {"画像を追加", 0,
       [&](Composition& x) {
         x.addPicturePart(picture("b.bmp", {3, 3}), QPoint(9, 8));
       },
       0, 4, "parts"},
      {"削除", 0, [](Composition& x) { x.removePart(1); }, 1, none, "parts"},
      {"移動", 1,
       [](Composition& x) {
         x.setBounds(1, {5, 6, x.bounds(1).width, x.bounds(1).height});
       },
       1, 1, "part 1"},
      {"ｻｲｽﾞ変更", 1,
       [](Composition& x) {
         const Bounds b = x.bounds(1);  // the top edge alone
         x.setBounds(1, {b.left, b.top - 3, b.width, b.height + 3});
       },
       1, 1, "part 1"},
      {"移動", back,
       [](Composition& x) {
         x.setBounds(back, {41, 31, 200, 60});
       },
       back, back, "background"},
      {"ｻｲｽﾞ変更", back,
       [](Composition& x) {
         x.setBounds(back, {39, 31, 202, 60});  // the left edge alone
       },
       back, back, "background"},
      {"位置修正", 1, [](Composition& x) { x.nudgeSelected(0, -1); }, 1, 1, "part 1"},
      {"部品ｻｲｽﾞ", 2, [](Composition& x) { x.setSelectedSize(Qt::Vertical, 0); }, 2, 2, "part 2"},
      {"文字列", 0, [](Composition& x) { x.setText(u"ロゴ"_qs); }, 0, 0, "part 0"},
      {"文字色", 0, [](Composition& x) { x.setTextColour(Composition::TextColour::Text, 0x0000FF); }, 0, 0, "part 0"},
      {"背景色", 0, [](Composition& x) { x.setTextColour(Composition::TextColour::Fill, 0x00FF00); }, 0, 0, "part 0"},
      {"背景色の有無", 0, [](Composition& x) { x.setFill(true); }, 0, 0, "part 0"},
      {"影の色", 0, [](Composition& x) { x.setTextColour(Composition::TextColour::Shadow, 0x808080); }, 0, 0, "part 0"},
      {"影の横位置", 0, [](Composition& x) { x.setShadowOffset(Qt::Horizontal, -3); }, 0, 0, "part 0"},
      {"影の縦位置", 0, [](Composition& x) { x.setShadowOffset(Qt::Vertical, 30); }, 0, 0, "part 0"},
      {"ﾌｫﾝﾄ", 0, [](Composition& x) { x.setFont(u"IPAGothic"_qs, 20, fsBold); }, 0, 0, "part 0"},
      {"背景の画像読み込み", back,
       [&](Composition& x) {
         x.setBackgroundPicture(picture("back.bmp", {31, 17}));
       },
       back, back, "background"},
      {"背景の塗り潰し", back, [](Composition& x) { x.fillBackground(0x123456); }, back, back, "background"},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.name);
    c.select(step.selection);
    const QByteArray before = block();
    const std::vector<QImage> shownBefore = rasters();
    step.edit(c);
    const QByteArray after = block();
    const std::vector<QImage> shownAfter = rasters();
    ASSERT_NE(after, before);
    EXPECT_EQ(c.undoName(), QString::fromUtf8(step.name));
    for (const QString& name : QDir(dir.path()).entryList({u"*.bmp"_qs})) QFile::remove(dir.filePath(name));

    c.clearSelection();
    QSignalSpy reset(&c, &Composition::partsReset), part(&c, &Composition::partChanged),
        background(&c, &Composition::backgroundChanged);
    EXPECT_TRUE(c.undo().isEmpty());
    EXPECT_EQ(block(), before);
    EXPECT_EQ(rasters(), shownBefore);
    EXPECT_EQ(shown(), step.undoSelects);
    EXPECT_EQ(told(reset, part, background), QString::fromUtf8(step.undoTells));
    EXPECT_EQ(c.redoName(), QString::fromUtf8(step.name));
    c.clearSelection();
    EXPECT_TRUE(c.redo().isEmpty());
    EXPECT_EQ(block(), after);
    EXPECT_EQ(rasters(), shownAfter);
    EXPECT_EQ(shown(), step.redoSelects);
  }
  // Taking a deletion back puts the part back at its place with the later parts renumbered back.
  while (c.undoName() != u"削除"_qs) c.undo();
  c.undo();
  EXPECT_EQ(c.record(2)->Index, 2);
  EXPECT_EQ(c.layer(1).raster.size(), QSize(6, 4));
}

// Steps that look alike stay apart where they should: two colours chosen in a row, two fills, an
// edit that changes nothing, the first edit after an undo in a run that had another step.
TEST_F(History, StepsStayApartWhereTheUserDidTwoThings) {
  ASSERT_EQ(c.addTextPart(), 0);
  c.select(0);
  c.setTextColour(Composition::TextColour::Text, 0x0000FF);
  c.setTextColour(Composition::TextColour::Text, 0x00FF00);
  c.undo();
  EXPECT_EQ(c.record(0)->TextColor, 0x0000FFu) << "two choices, two steps";

  c.select(BACKGROUND_INDEX);
  c.fillBackground(0x0000FF);
  c.fillBackground(0x00FF00);
  c.undo();
  EXPECT_EQ(c.layer(BACKGROUND_INDEX).raster.pixel(0, 0), qRgb(0xFF, 0, 0)) << "the first fill shows again";

  c.select(0);
  const QString lastStep = c.undoName();
  c.setShadowOffset(Qt::Horizontal, c.part(0).shadowX);
  c.nudgeSelected(0, 0);
  c.setBounds(0, c.bounds(0));
  EXPECT_EQ(c.undoName(), lastStep) << "nothing changed, no step";

  const Bounds start = c.bounds(0);
  c.nudgeSelected(1, 0);
  c.setText(u"a"_qs);  // in the same run, but another edit: a step of its own
  c.undo();
  c.nudgeSelected(1, 0);
  c.undo();
  EXPECT_EQ(c.bounds(0).left, start.left + 1) << "the nudge after an undo was merged into the one before";
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

  // A drag is one step from its beginning to its end, and none when it comes back to where it
  // began.
  const Bounds pressed = c.bounds(0);
  c.beginDrag(0);
  c.dragTo({20, 9, pressed.width, pressed.height});
  EXPECT_EQ(c.undoName(), u"移動"_qs);
  c.dragTo({21, 9, pressed.width, pressed.height});
  c.dragTo(pressed);
  c.endDrag();
  EXPECT_EQ(c.undoName(), u"文字を追加"_qs);
  EXPECT_EQ(block(), start);
}

// A drag can be called off with Escape or undo or redo: the part goes back where the drag found
// it, no step is left, and what redo held is held still.
TEST_F(History, ADragCalledOffLeavesTheHistoryAsItWas) {
  ASSERT_EQ(c.addTextPart(), 0);
  c.select(0);
  c.nudgeSelected(5, 0);
  c.undo();
  const QByteArray start = block();
  const Bounds found = c.bounds(0);
  const std::function<void(Composition&)> callOffs[] = {&Composition::cancelDrag, &Composition::undo,
                                                        &Composition::redo};
  for (const auto& callOff : callOffs) {
    QSignalSpy calledOff(&c, &Composition::dragEnded);
    c.beginDrag(0);
    c.dragTo({found.left + 30, found.top + 7, found.width, found.height});
    EXPECT_TRUE(c.canUndo());
    EXPECT_FALSE(c.canRedo()) << "only the drag can be taken back while it lasts";
    callOff(c);
    EXPECT_EQ(calledOff.count(), 1);
    EXPECT_FALSE(c.isDragging());
    EXPECT_EQ(c.bounds(0), found);
    EXPECT_EQ(block(), start);
    EXPECT_EQ(c.redoName(), u"位置修正"_qs);
    EXPECT_EQ(c.undoName(), u"文字を追加"_qs);
    c.dragTo({1, 1, 1, 1});
    EXPECT_EQ(c.bounds(0), found) << "a drag called off moves nothing more";
  }
  // A drag with nothing before it in the history can be taken back too.
  c.startNew({40, 30});
  c.beginDrag(BACKGROUND_INDEX);
  c.dragTo({50, 30, 200, 60});
  EXPECT_TRUE(c.canUndo());
  c.undo();
  EXPECT_EQ(c.bounds(BACKGROUND_INDEX), (Bounds{40, 30, 200, 60}));
  ASSERT_EQ(c.addTextPart(), 0);
  c.select(0);
  // Another edit while the drag lasts ends the drag first, as a step of its own.
  c.beginDrag(0);
  c.dragTo({found.left + 3, found.top, found.width, found.height});
  c.setText(u"b"_qs);
  EXPECT_FALSE(c.isDragging());
  c.undo();
  EXPECT_EQ(c.undoName(), u"移動"_qs);
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

namespace {

// A difference at each offset of a 64-byte stretch, the first and the last of the block among
// them, alone or with a second one near or far, comes back exactly both ways.
TEST(BlockChangeTest, RoundTripsADifferenceAtEveryOffset) {
  static TDocument before{}, after{}, doc{};
  constexpr size_t size = sizeof(TDocument);
  const auto byteAt = [](TDocument& d, size_t i) -> std::uint8_t& { return reinterpret_cast<std::uint8_t*>(&d)[i]; };
  for (size_t i = 0; i < size; ++i) byteAt(before, i) = static_cast<std::uint8_t>(i * 7);
  for (const size_t start : {size_t{0}, size_t{64 * 40 + 3}, size - 64}) {
    for (size_t offset = start; offset < start + 64; ++offset) {
      for (const size_t second : {offset, offset + 8, offset + 9, offset + 200}) {
        after = before;
        byteAt(after, offset) ^= 0x5A;
        byteAt(after, second % size) ^= 0xA5;
        const BlockChange change(before, after);
        doc = before;
        change.restoreAfter(doc);
        ASSERT_EQ(std::memcmp(&doc, &after, size), 0) << offset << " " << second;
        change.restoreBefore(doc);
        ASSERT_EQ(std::memcmp(&doc, &before, size), 0) << offset << " " << second;
        // Differences fewer than 8 equal bytes apart are kept as one run, both sides.
        const size_t apart = second - offset;
        const size_t kept = apart == 0 ? 2 : apart < 9 && second < size ? 2 * (apart + 1) : 4;
        EXPECT_EQ(change.size(), kept) << offset << " " << second;
      }
    }
  }
}

}  // namespace
