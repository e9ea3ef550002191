// The composition without any window: what each edit writes into the block, what the selection
// and the unsaved-work state become, and the one list of what could not be made.

#include "support/files.h"

#include "edit/composition.h"
#include "model/failure.h"
#include "model/fixedstring.h"
#include "model/projectfile.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <functional>

namespace {

class CompositionTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    c.startNew({40, 30});
  }
  QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
  // A 24-bit BMP of `size`, filled with `colour`.
  QString picture(const char* name, QSize size, QRgb colour = qRgb(10, 20, 30)) const {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    EXPECT_TRUE(image.save(path(name), "BMP"));
    return path(name);
  }
  const TPartData& rec(int i) const { return c.document().Parts[i]; }

  QTemporaryDir dir;
  Composition c{96};
};

// Every bounds edit lands in the record at once; a picture part and the background alike.
TEST_F(CompositionTest, BoundsEditsAreWrittenIntoTheRecordsAsTheyHappen) {
  ASSERT_EQ(c.addPicturePart(picture("p.bmp", {7, 5})), 0);
  struct Case {
    const char* what;
    int selection;
    std::function<void(Composition&)> edit;
    Bounds expected;
  } cases[] = {
      {"a new picture at its natural size", 0, [](Composition&) {}, {0, 0, 7, 5}},
      {"typed width", 0, [](Composition& x) { x.setSelectedSize(Qt::Horizontal, 250); }, {0, 0, 250, 5}},
      {"typed height of zero", 0, [](Composition& x) { x.setSelectedSize(Qt::Vertical, 0); }, {0, 0, 250, 0}},
      {"typed negative width", 0, [](Composition& x) { x.setSelectedSize(Qt::Horizontal, -5); }, {0, 0, -5, 0}},
      {"nudge left and up", 0, [](Composition& x) { x.nudgeSelected(-1, -1); }, {-1, -1, -5, 0}},
      {"drag step",
       0,
       [](Composition& x) {
         x.setBounds(0, {12, 13, 14, 15});
       },
       {12, 13, 14, 15}},
      {"nudge at the end of 32 bits stops there",
       0,
       [](Composition& x) {
         x.setBounds(0, {2147483647, -2147483647 - 1, 1, 1});
         x.nudgeSelected(1, -1);
       },
       {2147483647, -2147483647 - 1, 1, 1}},
      {"background typed width",
       BACKGROUND_INDEX,
       [](Composition& x) { x.setSelectedSize(Qt::Horizontal, 16384); },
       {40, 30, 16384, 60}},
      {"background nudge down", BACKGROUND_INDEX, [](Composition& x) { x.nudgeSelected(0, 1); }, {40, 31, 16384, 60}},
  };
  for (const Case& k : cases) {
    c.select(k.selection);
    k.edit(c);
    const Bounds inBlock =
        k.selection == BACKGROUND_INDEX ? backgroundBounds(c.document()) : partBounds(rec(k.selection));
    EXPECT_EQ(inBlock, k.expected) << k.what;
    EXPECT_EQ(c.layer(k.selection).bounds, k.expected) << k.what;
  }
}

TEST_F(CompositionTest, TextEditsDoNothingWhileAPictureOrTheBackgroundIsSelected) {
  ASSERT_EQ(c.addTextPart(), 0);
  ASSERT_EQ(c.addPicturePart(picture("p.bmp", {3, 3})), 1);
  for (const int selected : {1, int{BACKGROUND_INDEX}}) {
    c.select(selected);
    const TDocument before = c.document();
    c.setText(u"x"_qs);
    c.setFill(true);
    c.setShadowOffset(Qt::Horizontal, 5);
    c.setTextColour(Composition::TextColour::Text, 0xFF);
    c.setFont(u"IPAGothic"_qs, 30, 0);
    EXPECT_EQ(projectBytes(c.document()), projectBytes(before)) << selected;
  }
}

TEST_F(CompositionTest, AFaceTheRecordCannotHoldIsRefusedAndChangesNothing) {
  ASSERT_EQ(c.addTextPart(), 0);
  c.select(0);
  const TDocument before = c.document();
  try {
    c.setFont(u"\U0001F600"_qs, 30, 0);
    FAIL() << "accepted";
  } catch (const Failure& f) {
    EXPECT_EQ(f.message(), u"フォント \U0001F600 は使えません"_qs);
  }
  EXPECT_EQ(projectBytes(c.document()), projectBytes(before));
}

TEST_F(CompositionTest, ThePartTableHoldsNinetyNineParts) {
  for (int i = 0; i < 99; ++i) ASSERT_EQ(c.addTextPart(), i);
  EXPECT_EQ(c.addTextPart(), std::nullopt);
  EXPECT_EQ(c.addPicturePart(picture("p.bmp", {2, 2})), std::nullopt);
  EXPECT_EQ(c.partCount(), 99);
}

TEST_F(CompositionTest, APictureThatCannotBeReadAddsNothing) {
  ASSERT_EQ(c.addTextPart(), 0);
  const TDocument before = c.document();
  QSignalSpy added(&c, &Composition::partAdded);
  try {
    c.addPicturePart(path("missing.bmp"));
    FAIL() << "added";
  } catch (const Failure& f) {
    EXPECT_EQ(f.message(), QStringLiteral("ファイル %1 は開けません").arg(path("missing.bmp")));
  }
  EXPECT_EQ(projectBytes(c.document()), projectBytes(before));
  EXPECT_EQ(added.count(), 0);
}

TEST_F(CompositionTest, TheUnsavedStateFollowsTheBlockByteForByte) {
  c.select(BACKGROUND_INDEX);
  c.nudgeSelected(1, 0);
  EXPECT_TRUE(c.isModified());
  c.nudgeSelected(-1, 0);
  EXPECT_FALSE(c.isModified()) << "back where it was saved";
  c.nudgeSelected(0, 5);
  c.markSaved();
  EXPECT_FALSE(c.isModified());
  c.select(BACKGROUND_INDEX);
  EXPECT_FALSE(c.isModified()) << "selecting changes nothing";
}

TEST_F(CompositionTest, SelectingOutsideThePartsInUseChangesNothing) {
  ASSERT_EQ(c.addTextPart(), 0);
  c.select(0);
  for (const int index : {-1, 1, 99, 101}) {
    c.select(index);
    EXPECT_EQ(c.selection().single(), 0) << index;
  }
  c.clearSelection();
  EXPECT_EQ(c.selection().single(), BACKGROUND_INDEX);
  EXPECT_FALSE(c.selection().shown());
}

TEST_F(CompositionTest, TheBackgroundTakesAPictureAtItsNaturalSizeAndAFillAtItsPresentSize) {
  c.setBackgroundPicture(picture("back.bmp", {31, 17}, qRgb(1, 2, 3)));
  EXPECT_EQ(backgroundBounds(c.document()), (Bounds{40, 30, 31, 17}));
  EXPECT_EQ(fixedString(c.document().BackFile), path("back.bmp"));
  EXPECT_EQ(c.layer(BACKGROUND_INDEX).raster.pixel(0, 0), qRgb(1, 2, 3));

  EXPECT_THROW(c.setBackgroundPicture(path("none.bmp")), Failure);
  EXPECT_EQ(fixedString(c.document().BackFile), path("back.bmp")) << "a failed load leaves BackFile";

  c.fillBackground(0x0000FF);
  EXPECT_EQ(c.document().BackFile[0], '\0');
  EXPECT_EQ(c.document().BackColor, 0x0000FFu);
  EXPECT_EQ(c.layer(BACKGROUND_INDEX).raster.size(), QSize(31, 17));
  EXPECT_EQ(c.layer(BACKGROUND_INDEX).raster.pixel(30, 16), qRgb(255, 0, 0));
}

// Opening: a refusal changes nothing; pictures that cannot be loaded come back as one list in the
// exporter's words, and their parts keep their saved bounds.
TEST_F(CompositionTest, OpenReportsRefusalsAndEveryLayerThatCouldNotBeMade) {
  ASSERT_EQ(c.addPicturePart(picture("a.bmp", {4, 4})), 0);
  ASSERT_EQ(c.addPicturePart(picture("b.bmp", {6, 2})), 1);
  c.setBounds(0, {5, 6, 7, 8});
  c.setBounds(1, {9, 10, 11, 12});
  writeProjectFile(path("p.rpf"), c.document());
  const QByteArray saved = fileBytes(path("p.rpf"));
  c.markSaved();

  const Composition::Opened notAProject = c.open(path("p.txt"));
  EXPECT_EQ(notAProject.refusal, u"Pelmoraのﾌﾟﾛｼﾞｪｸﾄﾌｧｲﾙではありません"_qs);

  QFile::remove(path("a.bmp"));
  QFile::remove(path("b.bmp"));
  QSignalSpy reset(&c, &Composition::partsReset);
  const Composition::Opened opened = c.open(path("p.rpf"));
  EXPECT_TRUE(opened.refusal.isEmpty());
  EXPECT_EQ(opened.failures, (QStringList{QStringLiteral("ファイル %1 は開けません").arg(path("a.bmp")),
                                          QStringLiteral("ファイル %1 は開けません").arg(path("b.bmp"))}));
  EXPECT_EQ(reset.count(), 1);
  EXPECT_EQ(partBounds(rec(1)), (Bounds{9, 10, 11, 12}));
  EXPECT_TRUE(c.layer(1).raster.isNull());
  EXPECT_EQ(c.hint(1), QString()) << "no name for a picture that is not shown";
  EXPECT_FALSE(c.isModified());
  EXPECT_EQ(projectBytes(c.document()), saved);
}

// A removal moves the later parts up one place as they are shown: their bounds stay, and no file is
// read again, so a picture whose file has gone since still shows.
TEST_F(CompositionTest, RemovingAPartKeepsTheOthersWhereTheyStand) {
  ASSERT_EQ(c.addTextPart(), 0);
  ASSERT_EQ(c.addPicturePart(picture("a.bmp", {4, 4})), 1);
  ASSERT_EQ(c.addPicturePart(picture("b.bmp", {4, 4})), 2);
  c.setBounds(1, {50, 60, 70, 80});
  c.setBounds(2, {1, 2, 3, 4});
  c.select(2);
  QFile::remove(path("b.bmp"));
  QSignalSpy reset(&c, &Composition::partsReset);
  c.removePart(0);
  EXPECT_EQ(reset.count(), 1);
  EXPECT_EQ(c.partCount(), 2);
  EXPECT_EQ(partBounds(rec(0)), (Bounds{50, 60, 70, 80}));
  EXPECT_EQ(partBounds(rec(1)), (Bounds{1, 2, 3, 4}));
  EXPECT_EQ(rec(1).Index, 1);
  EXPECT_EQ(c.layer(0).raster.size(), QSize(4, 4)) << "stretched from its natural size";
  EXPECT_EQ(c.layer(1).raster.size(), QSize(4, 4)) << "its file is gone, its raster is not";
  EXPECT_EQ(c.hint(1), u"b.bmp"_qs);
  EXPECT_EQ(c.selection().single(), BACKGROUND_INDEX);
  EXPECT_FALSE(c.selection().shown());
}
}  // namespace
