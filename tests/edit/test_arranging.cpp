// Arranging at the composition: stacking order, copies and alignment, each one step that undo
// takes back byte for byte, and none reading a file for a part already shown.

#include "support/files.h"

#include "edit/composition.h"
#include "model/fixedstring.h"
#include "model/projectfile.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <limits>
#include <map>

namespace {

using Order = Composition::Order;
using Alignment = Composition::Alignment;

class Arranging : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    c.startNew({40, 30});
  }
  QString picture(const char* name, QSize size) const { return savedPicture(dir, name, size); }
  // Text parts saying each letter of `letters`, in order.
  void addTexts(const char* letters) {
    for (const char* l = letters; *l; ++l) {
      c.select(*c.addTextPart());
      c.setText(QString(QLatin1Char(*l)));
      c.finishEditRun();
    }
  }
  QString texts() const {
    QString all;
    for (int i = 0; i < c.partCount(); ++i) all += c.part(i).text;
    return all;
  }
  QByteArray block() const { return projectBytes(c.document()); }

  QTemporaryDir dir;
  Composition c{96};
};

constexpr int kMin = std::numeric_limits<int>::min(), kMax = std::numeric_limits<int>::max();

// Each part keeps its own picture wherever it goes, two or more places back included.
TEST_F(Arranging, OrderCommandsMoveWholeRecordsAndUndoPutsThemBack) {
  addTexts("ABCD");
  std::map<QString, qint64> drawn;
  for (int i = 0; i < c.partCount(); ++i) drawn[c.part(i).text] = c.layer(i).raster.cacheKey();
  const struct {
    int selected;
    Order order;
    const char* after;  // "" when the command is greyed and changes nothing
    int selectedAfter;
  } rows[] = {
      {0, Order::Forward, "BACD", 1},  {0, Order::Backward, "", 0},    {0, Order::ToFront, "BCDA", 3},
      {0, Order::ToBack, "", 0},       {2, Order::Forward, "ABDC", 3}, {2, Order::Backward, "ACBD", 1},
      {2, Order::ToFront, "ABDC", 3},  {2, Order::ToBack, "CABD", 0},  {3, Order::Forward, "", 3},
      {3, Order::Backward, "ABDC", 2}, {3, Order::ToFront, "", 3},     {3, Order::ToBack, "DABC", 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.selected << " " << static_cast<int>(row.order));
    c.select(row.selected);
    const QByteArray before = block();
    const bool moves = *row.after != '\0';
    EXPECT_EQ(c.canReorder(row.order), moves);
    c.reorderSelected(row.order);
    EXPECT_EQ(texts(), moves ? QString::fromLatin1(row.after) : u"ABCD"_qs);
    EXPECT_EQ(c.selection().single(), row.selectedAfter);
    for (int i = 0; i < c.partCount(); ++i) {
      EXPECT_EQ(c.document().Parts[i].Index, i);
      EXPECT_EQ(c.layer(i).raster.cacheKey(), drawn[c.part(i).text]) << i;
    }
    if (!moves) continue;
    EXPECT_EQ(c.undoName(), u"順序変更"_qs);
    const QByteArray after = block();
    c.undo();
    EXPECT_EQ(block(), before);
    EXPECT_EQ(c.selection().single(), row.selected);
    c.redo();
    EXPECT_EQ(block(), after);
    EXPECT_EQ(c.selection().single(), row.selectedAfter);
    c.undo();
  }
  c.select(BACKGROUND_INDEX);
  EXPECT_FALSE(c.canReorder(Order::ToBack));
}

// The background at (40, 30), 200 x 60; parts whose difference from it is even, odd, and negative
// and odd, so the centre rounds toward minus infinity, and one past the 32-bit range.
TEST_F(Arranging, AlignmentPlacesThePartAgainstTheBackground) {
  ASSERT_EQ(c.addPicturePart(picture("p.bmp", {10, 10})), 0);
  const struct {
    Bounds part;
    Alignment alignment;
    int left, top;
  } rows[] = {
      {{5, 7, 50, 20}, Alignment::Left, 40, 7},
      {{5, 7, 50, 20}, Alignment::Right, 190, 7},
      {{5, 7, 50, 20}, Alignment::HorizontalCentre, 115, 7},
      {{5, 7, 51, 21}, Alignment::HorizontalCentre, 114, 7},
      {{5, 7, 203, 20}, Alignment::HorizontalCentre, 38, 7},
      {{5, 7, 50, 20}, Alignment::Top, 5, 30},
      {{5, 7, 50, 20}, Alignment::Bottom, 5, 70},
      {{5, 7, 50, 20}, Alignment::VerticalCentre, 5, 50},
      {{5, 7, 50, 21}, Alignment::VerticalCentre, 5, 49},
      {{5, 7, 50, 63}, Alignment::VerticalCentre, 5, 28},
      {{5, 7, kMin, 20}, Alignment::Right, kMax, 7},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << static_cast<int>(row.alignment) << " " << row.part.width);
    c.setBounds(0, row.part);
    c.select(0);
    c.alignSelected(row.alignment);
    EXPECT_EQ(c.bounds(0), (Bounds{row.left, row.top, row.part.width, row.part.height}));
    EXPECT_EQ(c.undoName(), u"整列"_qs);
    c.undo();
    EXPECT_EQ(c.bounds(0), row.part);
  }
  c.setBounds(0, {5, 7, 50, 20});
  c.alignSelected(Alignment::Left);
  c.alignSelected(Alignment::Top);
  c.undo();
  EXPECT_EQ(c.bounds(0), (Bounds{40, 7, 50, 20})) << "two alignments in a row are two steps";
  c.undo();
  c.select(BACKGROUND_INDEX);
  c.alignSelected(Alignment::Left);
  EXPECT_EQ(c.undoName(), u"ｻｲｽﾞ変更"_qs) << "nothing to align with the background selected";
}

// Copies of each kind land shifted, selected, at the end of the table, sharing the raster of what
// was copied: a picture whose file has gone since still pastes, and nothing decodes again.
TEST_F(Arranging, CopiesShareWhatTheCopiedPartShowed) {
  ASSERT_EQ(c.addPicturePart(picture("p.bmp", {6, 4}), QPoint(3, 5)), 0);
  addTexts("T");
  ASSERT_TRUE(QFile::remove(dir.filePath(u"p.bmp"_qs)));
  for (const int copied : {0, 1}) {
    SCOPED_TRACE(copied);
    c.select(copied);
    const std::vector<PartCopy> copy = c.copySelected();
    ASSERT_EQ(copy.size(), 1u);
    const Bounds from = c.bounds(copied);
    const int count = c.partCount();
    const auto expectCopyAt = [&](int index, int shift, const char* step) {
      EXPECT_EQ(index, c.partCount() - 1);
      EXPECT_EQ(c.selection().single(), index);
      EXPECT_EQ(c.bounds(index), (Bounds{from.left + shift, from.top + shift, from.width, from.height}));
      EXPECT_EQ(c.layer(index).raster.cacheKey(), c.layer(copied).raster.cacheKey()) << "shared, not made again";
      EXPECT_EQ(c.undoName(), QString::fromUtf8(step));
    };
    expectCopyAt(c.pasteParts(copy, 10).at(0), 10, "貼り付け");
    expectCopyAt(c.pasteParts(copy, 20).at(0), 20, "貼り付け");
    c.select(copied);
    expectCopyAt(c.duplicateSelected().at(0), 10, "複製");
    const int duplicate = *c.selection().single();
    expectCopyAt(c.duplicateSelected().at(0), 20, "複製");
    EXPECT_EQ(c.selectionBox().left, c.bounds(duplicate).left + 10) << "Ctrl+D again steps on";
    for (int i = 0; i < 4; ++i) c.undo();
    EXPECT_EQ(c.partCount(), count);
  }
  // Pasted at the 32-bit limits.
  c.select(0);
  c.setBounds(0, {kMax - 5, kMin, 6, 4});
  EXPECT_EQ(c.bounds(c.pasteParts(c.copySelected(), 10).at(0)), (Bounds{kMax, kMin + 10, 6, 4}));
  c.undo();
  c.undo();
  // A cut removes the part as one step and pastes like a copy.
  c.select(0);
  const QByteArray before = block();
  const std::vector<PartCopy> cut = c.cutSelected();
  ASSERT_EQ(cut.size(), 1u);
  EXPECT_EQ(c.undoName(), u"切り取り"_qs);
  EXPECT_EQ(c.partCount(), 1);
  ASSERT_EQ(c.pasteParts(cut, 10), std::vector<int>{1});
  EXPECT_EQ(c.bounds(1), (Bounds{13, 15, 6, 4}));
  EXPECT_EQ(c.layer(1).raster.size(), QSize(6, 4));
  c.undo();
  c.undo();
  EXPECT_EQ(block(), before);
}

TEST_F(Arranging, AFullTableTakesNoCopyAndTheBackgroundIsNoPart) {
  addTexts("A");
  c.select(0);
  const std::vector<PartCopy> copy = c.copySelected();
  while (c.canAddPart()) c.addTextPart();
  const QByteArray full = block();
  EXPECT_TRUE(c.pasteParts(copy, 10).empty());
  EXPECT_TRUE(c.duplicateSelected().empty());
  EXPECT_EQ(c.pasteText(u"x"_qs), std::nullopt);
  EXPECT_TRUE(c.addPictureParts({picture("p.bmp", {2, 2})}, std::nullopt, true).added.empty());
  EXPECT_EQ(block(), full);
  c.select(BACKGROUND_INDEX);
  EXPECT_TRUE(c.copySelected().empty());
  EXPECT_TRUE(c.cutSelected().empty());
}

// What other programs put on the clipboard: text as a new text part of its first line, files as
// picture parts in one step, and bytes of our type only when they are a whole, sound record.
TEST_F(Arranging, PastesFromOtherProgramsAreCheckedAndOneStepEach) {
  ASSERT_EQ(c.pasteText(u"\r\n\nロゴマーク\r\nsecond line"_qs), 0);
  EXPECT_EQ(c.part(0).text, u"ロゴマーク"_qs) << "the first line that is not empty";
  EXPECT_EQ(c.undoName(), u"貼り付け"_qs);
  EXPECT_EQ(failureOf([&] { c.pasteText(u"ロ☃ゴ"_qs); }), u"Shift-JIS で表せない文字は入力できません: ☃ (U+2603)"_qs);

  const Composition::AddedPictures added = c.addPictureParts(
      {picture("a.bmp", {3, 3}), dir.filePath(u"missing.bmp"_qs), picture("b.bmp", {4, 2})}, QPoint(7, 8), true);
  EXPECT_EQ(added.added, (std::vector<int>{1, 2}));
  EXPECT_EQ(added.failures.size(), 1);
  EXPECT_EQ(c.bounds(2), (Bounds{7, 8, 4, 2}));
  c.undo();
  EXPECT_EQ(c.partCount(), 1) << "both pictures were one step";

  c.select(0);
  QByteArray bytes = c.copySelected().at(0).bytes();
  ASSERT_EQ(bytes.size(), 568);
  const PartCopy sound = PartCopy::fromBytes(bytes);
  EXPECT_EQ(sound.look(), nullptr);
  ASSERT_EQ(c.pasteParts({sound}, 10), std::vector<int>{1});
  EXPECT_EQ(c.part(1).text, u"ロゴマーク"_qs);
  EXPECT_EQ(c.layer(1).raster.cacheKey(), c.layer(0).raster.cacheKey()) << "drawn alike by a part shown";

  // Bytes from another program: one whole record, every string ended, or refused saying why.
  const auto with = [&](int at, const QByteArray& over) { return QByteArray(bytes).replace(at, over.size(), over); };
  const std::pair<QByteArray, const char16_t*> refused[] = {
      {bytes.left(567), u"大きさ 567 バイト、正しくは 568 バイト"},
      {bytes + '\0', u"大きさ 569 バイト、正しくは 568 バイト"},
      {with(16, QByteArray(256, 'x')), u"文字列が 255 バイトで終わっていません"},
      {with(272, QByteArray(256, 'x')), u"フォント名が 255 バイトで終わっていません"},
      {with(560, QByteArray(1, '\7')), u"種類 7"},
  };
  for (const auto& [payload, reason] : refused)
    EXPECT_EQ(failureOf([&] { PartCopy::fromBytes(payload); }),
              u"クリップボードの部品が壊れています (%1)"_qs.arg(QString::fromUtf16(reason)));
  // What it left after a string's zero and in the reserved bytes is cleared, as a new part has them.
  QByteArray dirty = bytes;
  for (const int at : {30, 300, 533, 546, 564}) dirty[at] = 'j';
  EXPECT_EQ(PartCopy::fromBytes(dirty).bytes(), bytes);
}

}  // namespace
