// Several parts selected at once: how the selection is made, and each command acting on all of
// them as one step that undo takes back with the selection it found.

#include "support/files.h"

#include "edit/composition.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

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
      const QByteArray name = QByteArray::number(width) + ".bmp";
      c.setBounds(*c.addPicturePart(savedPicture(dir, name.constData(), {width, 1})), b);
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
  // From the second part alone: 't' a press with Shift on each part given, 'b' a band, 'B' a band with
  // Shift, 'a' select all.
  const struct {
    char act;
    std::vector<int> given, parts;
    bool shown;
  } rows[] = {
      {'t', {3}, {1, 3}, true},    {'t', {1}, {}, false},          {'t', {BACKGROUND_INDEX}, {1}, true},
      {'b', {3, 2}, {2, 3}, true}, {'B', {3, 2}, {1, 2, 3}, true}, {'b', {}, {}, false},
      {'B', {}, {1}, true},        {'a', {}, {0, 1, 2, 3}, true},
  };
  for (const auto& row : rows) {
    c.select(1);
    if (row.act == 't') c.toggleSelected(row.given[0]);
    if (row.act == 'b' || row.act == 'B') c.selectParts(row.given, row.act == 'B');
    if (row.act == 'a') c.selectAll();
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
  EXPECT_EQ(c.bounds(1), (Bounds{28, 0, 10, 10}));
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
  EXPECT_EQ(PartCopy::listFromBytes(bytes).size(), 3u);
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

// Parts ABCDE, told apart by their pictures' widths 1 to 5; "" when the command is greyed.
TEST_F(SeveralParts, StackingMovesEachOnePlaceOrAllToAnEndInTheirOrder) {
  addParts({{0, 0, 1, 1}, {0, 0, 2, 1}, {0, 0, 3, 1}, {0, 0, 4, 1}, {0, 0, 5, 1}});
  const auto order = [&] {
    QString letters;
    for (int i = 0; i < c.partCount(); ++i) letters += QChar(u'A' + c.layer(i).raster.width() - 1);
    return letters;
  };
  const struct {
    std::vector<int> parts;
    Order order;
    const char* after;
    std::vector<int> selectedAfter;
  } rows[] = {
      {{1, 2}, Order::Forward, "ADBCE", {2, 3}}, {{2, 4}, Order::Forward, "ABDCE", {3, 4}},
      {{3, 4}, Order::Forward, "", {}},          {{0, 2}, Order::Backward, "ACBDE", {0, 1}},
      {{0, 1}, Order::Backward, "", {}},         {{1, 3}, Order::ToFront, "ACEBD", {3, 4}},
      {{3, 4}, Order::ToFront, "", {}},          {{1, 3}, Order::ToBack, "BDACE", {0, 1}},
      {{0, 1}, Order::ToBack, "", {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.after);
    selectOnly(row.parts);
    EXPECT_EQ(c.canReorder(row.order), *row.after != '\0');
    if (!*row.after) continue;
    c.reorderSelected(row.order);
    EXPECT_EQ(order(), QString::fromLatin1(row.after));
    EXPECT_EQ(selected(), row.selectedAfter);
    c.undo();
    EXPECT_EQ(order(), u"ABCDE"_qs);
    EXPECT_EQ(selected(), row.parts);
  }
}

// The background at (40, 30), 200 x 60; the two parts' box (-10, -20, 50, 35).
TEST_F(SeveralParts, AlignmentMovesTheBlockOrEachPartWithinTheirBox) {
  addParts({{-10, 5, 20, 10}, {30, -20, 10, 31}});
  selectOnly({0, 1});
  const struct {
    Alignment alignment;
    AlignTo to;
    int first, second;  // the left or top each part comes to
  } rows[] = {
      {Alignment::Left, AlignTo::Background, 40, 80},
      {Alignment::HorizontalCentre, AlignTo::Background, 115, 155},
      {Alignment::Right, AlignTo::Background, 190, 230},
      {Alignment::Top, AlignTo::Background, 55, 30},
      {Alignment::VerticalCentre, AlignTo::Background, 67, 42},
      {Alignment::Bottom, AlignTo::Background, 80, 55},
      {Alignment::Left, AlignTo::Selection, -10, -10},
      {Alignment::HorizontalCentre, AlignTo::Selection, 5, 10},
      {Alignment::Right, AlignTo::Selection, 20, 30},
      {Alignment::VerticalCentre, AlignTo::Selection, -8, -18},
      {Alignment::Bottom, AlignTo::Selection, 5, -16},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(static_cast<int>(row.alignment) * 2 + static_cast<int>(row.to));
    c.alignSelected(row.alignment, row.to);
    const bool across = row.alignment <= Alignment::Right;
    EXPECT_EQ(across ? c.bounds(0).left : c.bounds(0).top, row.first);
    EXPECT_EQ(across ? c.bounds(1).left : c.bounds(1).top, row.second);
    EXPECT_EQ(c.undoName(), u"整列"_qs);
    c.undo();
  }
}

// Widths (heights) 10 unless said; the first and the last along the axis stay.
TEST_F(SeveralParts, EqualSpacingGivesTheRemainderToTheFirstGaps) {
  const struct {
    Qt::Orientation axis;
    std::vector<Bounds> parts;
    std::vector<int> starts;  // in table order
  } rows[] = {
      {Qt::Horizontal,
       {{0, 0, 10, 1}, {13, 0, 10, 1}, {20, 0, 10, 1}, {50, 0, 10, 1}, {100, 0, 10, 1}},
       {0, 25, 50, 75, 100}},
      {Qt::Horizontal,
       {{0, 0, 10, 1}, {5, 0, 10, 1}, {30, 0, 10, 1}, {60, 0, 10, 1}, {103, 0, 10, 1}},
       {0, 26, 52, 78, 103}},
      {Qt::Horizontal, {{0, 0, 10, 1}, {1, 0, 10, 1}, {5, 0, 10, 1}, {7, 0, 10, 1}}, {0, 3, 5, 7}},
      {Qt::Horizontal, {{50, 0, 10, 1}, {0, 0, 20, 1}, {0, 0, 10, 1}}, {50, 0, 30}},
      {Qt::Vertical, {{0, -40, 1, 10}, {0, 0, 1, 5}, {0, 11, 1, 10}}, {-40, -12, 11}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.starts[1]);
    c.startNew({40, 30});
    addParts(row.parts);
    c.selectParts({0, 1}, false);
    EXPECT_FALSE(c.canDistribute());
    c.selectAll();
    c.distributeSelected(row.axis);
    std::vector<int> starts;
    for (const Bounds& b : places()) starts.push_back(row.axis == Qt::Horizontal ? b.left : b.top);
    EXPECT_EQ(starts, row.starts);
  }
}

TEST_F(SeveralParts, TextSettingsApplyToEverySelectedTextPart) {
  for (int i = 0; i < 3; ++i) c.addTextPart();
  c.select(0);
  c.setTextColour(Composition::TextColour::Text, 0xFF);
  selectOnly({0, 1});
  std::optional<Composition::SharedText> shared = c.sharedText();
  ASSERT_TRUE(shared);
  EXPECT_EQ(shared->textColour, std::nullopt);
  c.setTextColour(Composition::TextColour::Text, 0xFF00);
  c.setShadowOffset(Qt::Horizontal, 4);
  c.setText(u"x"_qs);
  shared = c.sharedText();
  EXPECT_EQ(shared->textColour, 0xFF00u);
  EXPECT_EQ(shared->shadowX, 4);
  EXPECT_EQ(c.part(2).shadowX, 0);
  EXPECT_EQ(c.part(1).text, u"No Title"_qs) << "the string needs one part";
  c.undo();
  c.undo();
  EXPECT_EQ(c.part(0).textColour, 0xFFu);
  EXPECT_EQ(c.part(1).textColour, 0u);

  addParts({{0, 0, 1, 1}});
  c.selectAll();
  EXPECT_FALSE(c.sharedText()) << "a picture among them";
  c.setFill(true);
  EXPECT_FALSE(c.part(0).fillOn);
}

// Views told of the parts an undo or redo brings meet only a selection of parts that exist.
TEST_F(SeveralParts, TheViewsToldOfAStepMeetOnlyPartsThatExist) {
  addParts({{0, 0, 5, 5}, {20, 0, 5, 5}});
  selectOnly({0, 1});
  c.removeSelected();
  std::vector<int> unknown;
  const auto look = [&] {
    for (const int i : c.selection().parts())
      if (i >= c.partCount()) unknown.push_back(i);
  };
  QObject::connect(&c, &Composition::partsReset, look);
  QObject::connect(&c, &Composition::partChanged, look);
  for (int step = 0; step < 3; ++step) c.undo();  // the removal, the second part's place, its addition
  EXPECT_EQ(c.partCount(), 1);
  EXPECT_EQ(unknown, std::vector<int>{});
}

}  // namespace
