// Several parts selected at once: how the selection is made, and each command acting on all of
// them as one step that undo takes back with the selection it found.

#include "support/files.h"

#include "edit/composition.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <functional>

namespace {

using Order = Composition::Order;
using Alignment = Composition::Alignment;
using AlignTo = Composition::AlignTo;

class SeveralParts : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    c.startNew({40, 30});  // the background: 200 x 60
  }
  // Picture parts at `places`, in order; part i's picture is i + 1 pixels wide, so it tells
  // which part shows it.
  void addParts(const std::vector<Bounds>& places) {
    for (const Bounds& b : places) {
      const int width = c.partCount() + 1;
      c.setBounds(*c.addPicturePart(savedPicture(dir, "p.bmp", {width, 1})), b);
    }
  }
  void selectOnly(const std::vector<int>& parts) { c.selectParts(parts, false); }
  std::vector<int> selected() const { return c.selection().parts(); }
  std::vector<Bounds> places() const {
    std::vector<Bounds> all;
    for (int i = 0; i < c.partCount(); ++i) all.push_back(c.bounds(i));
    return all;
  }

  QTemporaryDir dir;
  Composition c{96};
};

TEST_F(SeveralParts, PressesBandsAndSelectAllMakeTheSelection) {
  addParts({{0, 0, 5, 5}, {20, 0, 5, 5}, {40, 0, 5, 5}, {60, 0, 5, 5}});
  using Act = std::function<void(Composition&)>;
  const struct {
    Act act;
    std::vector<int> parts;
    bool shown;
  } rows[] = {
      {[](Composition& x) { x.toggleSelected(3); }, {1, 3}, true},
      {[](Composition& x) { x.toggleSelected(1); }, {}, false},
      {[](Composition& x) { x.toggleSelected(BACKGROUND_INDEX); }, {1}, true},
      {[](Composition& x) {
         x.selectParts({3, 2}, false);
       },
       {2, 3},
       true},
      {[](Composition& x) {
         x.selectParts({3, 2}, true);
       },
       {1, 2, 3},
       true},
      {[](Composition& x) { x.selectParts({}, false); }, {}, false},
      {[](Composition& x) { x.selectParts({}, true); }, {1}, true},
      {[](Composition& x) { x.selectAll(); }, {0, 1, 2, 3}, true},
  };
  for (const auto& row : rows) {
    c.select(1);
    row.act(c);
    EXPECT_EQ(selected(), row.parts);
    EXPECT_EQ(c.selection().shown(), row.shown);
  }
  c.select(BACKGROUND_INDEX);
  c.toggleSelected(2);
  EXPECT_EQ(c.selection(), Selection::ofParts({2})) << "the background never joins";
  selectOnly({0, 2});
  EXPECT_EQ(c.selectionBox(), (Bounds{0, 0, 45, 5}));
}

TEST_F(SeveralParts, ADragOrANudgeMovesThemAllByOneTravel) {
  addParts({{0, 0, 10, 10}, {20, 5, 10, 10}, {50, 50, 4, 4}});
  selectOnly({0, 1});
  const std::vector<Bounds> start = places();
  c.beginDrag(1);
  c.dragTo({25, 2, 99, 99});
  const std::vector<Bounds> moved{{5, -3, 10, 10}, {25, 2, 10, 10}, {50, 50, 4, 4}};
  EXPECT_EQ(places(), moved);
  c.cancelDrag();
  EXPECT_EQ(places(), start);
  c.beginDrag(1);
  c.dragTo({25, 2, 10, 10});
  c.endDrag();
  EXPECT_EQ(c.undoName(), u"移動"_qs);
  c.clearSelection();
  c.undo();
  EXPECT_EQ(places(), start);
  EXPECT_EQ(selected(), (std::vector<int>{0, 1}));
  c.redo();
  EXPECT_EQ(places(), moved);

  for (int i = 0; i < 3; ++i) c.nudgeSelected(1, 0);
  c.nudgeSelected(0, -2);
  EXPECT_EQ(c.bounds(0), (Bounds{8, -5, 10, 10}));
  c.undo();
  EXPECT_EQ(places(), moved) << "a run of nudges is one step";
}

TEST_F(SeveralParts, RemovalsCopiesAndPastesTakeThemAllInTableOrder) {
  addParts({{0, 0, 1, 1}, {10, 0, 2, 1}, {20, 0, 3, 1}, {30, 0, 4, 1}});
  selectOnly({0, 2});
  c.removeSelected();
  EXPECT_EQ(places(), (std::vector<Bounds>{{10, 0, 2, 1}, {30, 0, 4, 1}}));
  EXPECT_EQ(c.undoName(), u"削除"_qs);
  c.undo();
  EXPECT_EQ(selected(), (std::vector<int>{0, 2})) << "what was removed comes back selected";
  c.redo();
  EXPECT_EQ(c.selection(), Selection::background(false));

  selectOnly({0, 1});
  const std::vector<PartCopy> copies = c.copySelected();
  for (const int n : {1, 2}) {
    EXPECT_EQ(c.pasteParts(copies, 10 * n), (std::vector<int>{2 * n, 2 * n + 1}));
    EXPECT_EQ(selected(), (std::vector<int>{2 * n, 2 * n + 1}));
    EXPECT_EQ(c.bounds(2 * n + 1), (Bounds{30 + 10 * n, 10 * n, 4, 1}));
    EXPECT_EQ(c.layer(2 * n + 1).raster.cacheKey(), c.layer(1).raster.cacheKey()) << "shared, not read again";
  }
  EXPECT_EQ(c.duplicateSelected(), (std::vector<int>{6, 7}));
  EXPECT_EQ(c.bounds(7), (Bounds{60, 30, 4, 1}));
  EXPECT_EQ(c.undoName(), u"複製"_qs);
  c.undo();
  c.undo();
  EXPECT_EQ(c.partCount(), 4) << "each paste was one step";
  EXPECT_EQ(c.cutSelected().size(), 2u);
  EXPECT_EQ(c.partCount(), 2);
  EXPECT_EQ(c.undoName(), u"切り取り"_qs);

  // All or none against the 99.
  while (c.partCount() < MAX_PARTS - 1) c.pasteParts({copies[0]}, 0);
  EXPECT_TRUE(c.pasteParts(copies, 10).empty());
  EXPECT_EQ(c.partCount(), MAX_PARTS - 1);
}

TEST_F(SeveralParts, TheClipboardCarriesWholeRecordsOneAfterAnother) {
  addParts({{0, 0, 1, 1}});
  c.addTextPart();
  c.select(1);
  c.setText(u"ロゴ"_qs);
  c.addTextPart();
  c.selectAll();
  const std::vector<PartCopy> copies = c.copySelected();
  EXPECT_EQ(PartCopy::listPlainText(copies), u"ロゴ\nNo Title"_qs);
  const QByteArray bytes = PartCopy::listBytes(copies);
  ASSERT_EQ(bytes.size(), 3 * 568);
  const std::vector<PartCopy> back = PartCopy::listFromBytes(bytes);
  ASSERT_EQ(back.size(), 3u);
  EXPECT_EQ(back[2].bytes(), bytes.right(568).replace(564, 4, QByteArray(4, '\0'))) << "numbered from nought";
  const std::pair<QByteArray, const char16_t*> refused[] = {
      {{}, u"大きさ 0 バイト、正しくは 568 バイトの 1 から 99 倍"},
      {bytes.left(1135), u"大きさ 1135 バイト、正しくは 568 バイトの 1 から 99 倍"},
      {bytes.repeated(33) + bytes.left(568), u"大きさ 56800 バイト、正しくは 568 バイトの 1 から 99 倍"},
      {QByteArray(bytes).replace(1696, 1, "\7"), u"種類 7"},
  };
  for (const auto& [payload, reason] : refused)
    EXPECT_EQ(failureOf([&] { PartCopy::listFromBytes(payload); }),
              u"クリップボードの部品が壊れています (%1)"_qs.arg(QString::fromUtf16(reason)));
}

}  // namespace
