#include "render/scene.h"

#include "model/fixedstring.h"
#include "model/failure.h"
#include "render/bmpwriter.h"
#include "render/logoexport.h"
#include "render/raster.h"
#include "render/textrender.h"

#include "support/files.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

constexpr int kDpi = 96;

class SceneTest : public ::testing::Test {
protected:
  SceneTest() {
    clearDocument(doc);
    doc.BackColor = clWhite;
  }

  // A w x h BMP whose pixels all differ, so a test can tell which one landed where.
  QString pictureFile(const QString& name, int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) image.setPixel(x, y, qRgb(x * 7 % 256, y * 11 % 256, 99));
    const QString path = dir.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(encodeBmp(image));
    return path;
  }

  TPartData& part(PartKind kind, Bounds b = {}) {
    TPartData& r = appendPart(doc, kind);
    r.Left = b.left;
    r.Top = b.top;
    r.Width = b.width;
    r.Height = b.height;
    return r;
  }
  TPartData& picturePart(const QString& path, Bounds b = {}) {
    TPartData& r = part(pkPicture, b);
    storeFixedPath(r.FileName, path);
    return r;
  }

  QTemporaryDir dir;
  TDocument doc;
};

TEST_F(SceneTest, BackgroundWithoutFileIsNewsFillInTheBackColourStretched) {
  doc.BackColor = 0x0000FF;  // red in the stored byte order
  doc.BackLeft = -4;
  doc.BackTop = 9;
  doc.BackWidth = 640;
  doc.BackHeight = 33;
  const Layer layer = backgroundLayer(doc);
  EXPECT_EQ(layer.bounds, (Bounds{-4, 9, 640, 33}));
  ASSERT_EQ(layer.raster.size(), QSize(200, 60));
  EXPECT_EQ(layer.raster.pixel(0, 0), qRgb(255, 0, 0));
  EXPECT_EQ(layer.raster.pixel(199, 59), qRgb(255, 0, 0));
  EXPECT_TRUE(layer.stretch);
  EXPECT_FALSE(layer.transparent);
}

TEST_F(SceneTest, BackgroundFileGivesItsPictureAtTheSavedBounds) {
  storeFixedPath(doc.BackFile, pictureFile(QStringLiteral("背景.bmp"), 31, 17));
  doc.BackWidth = 62;
  doc.BackHeight = 34;
  const Layer layer = backgroundLayer(doc);
  ASSERT_EQ(layer.raster.size(), QSize(31, 17));
  EXPECT_EQ(layer.raster.pixel(3, 2), qRgb(21, 22, 99));
  EXPECT_EQ(layer.bounds, (Bounds{0, 0, 62, 34}));
  EXPECT_TRUE(layer.stretch);
  EXPECT_FALSE(layer.transparent);
}

// The file's fill colour was not what the user saw behind the picture: the stand-in is New's white.
TEST_F(SceneTest, BackgroundPictureThatCannotBeReadLeavesWhiteWhateverTheBackColour) {
  const QString missing = dir.filePath(QStringLiteral("gone.bmp"));
  storeFixedPath(doc.BackFile, missing);
  doc.BackWidth = 90;
  doc.BackHeight = 40;
  for (const Colour colour : {Colour{0x000000}, Colour{0x0000FF}, Colour{0x123456}}) {
    doc.BackColor = colour;
    const BuiltLayer built = buildBackground(doc);
    EXPECT_EQ(built.failure, QStringLiteral("ファイル %1 は開けません").arg(missing));
    EXPECT_EQ(built.layer.bounds, (Bounds{0, 0, 90, 40}));
    ASSERT_EQ(built.layer.raster.size(), QSize(200, 60));
    EXPECT_EQ(built.layer.raster.pixel(0, 0), qRgb(255, 255, 255)) << colour;
    EXPECT_EQ(built.layer.raster.pixel(199, 59), qRgb(255, 255, 255)) << colour;
  }
}

TEST_F(SceneTest, TextPartTakesItsPositionOnlyOncePlacedAndAlwaysItsRenderedSize) {
  const TPartData& placed = part(pkText, {30, 12, 5, 5});
  const TPartData& unplaced = part(pkText, {30, 12, 0, 40});
  const TPartData& halfPlaced = part(pkText, {30, 12, 40, 0});
  const QSize rendered = renderTextPart(placed, kDpi).controlSize;
  ASSERT_GT(rendered.width(), 5);

  EXPECT_EQ(partLayer(placed, kDpi).bounds, (Bounds{30, 12, rendered.width(), rendered.height()}));
  EXPECT_EQ(partLayer(unplaced, kDpi).bounds, (Bounds{0, 0, rendered.width(), rendered.height()}));
  EXPECT_EQ(partLayer(halfPlaced, kDpi).bounds, (Bounds{0, 0, rendered.width(), rendered.height()}));
  const Layer layer = partLayer(placed, kDpi);
  EXPECT_EQ(layer.raster.size(), rendered + QSize(8, 8));
  EXPECT_FALSE(layer.stretch);
}

TEST_F(SceneTest, OnlyFillOnOneMakesATextPartOpaque) {
  TPartData& r = part(pkText);
  r.FillOn = 0;
  EXPECT_TRUE(partLayer(r, kDpi).transparent);
  r.FillOn = 2;  // only 1 means "filled"; a file may hold anything
  EXPECT_TRUE(partLayer(r, kDpi).transparent);
  r.FillOn = 1;
  EXPECT_FALSE(partLayer(r, kDpi).transparent);
}

TEST_F(SceneTest, PicturePartKeepsItsSavedBoundsOrItsNaturalSize) {
  const QString file = pictureFile(QStringLiteral("p.bmp"), 20, 10);
  const Layer placed = partLayer(picturePart(file, {-7, 3, 50, 4}), kDpi);
  EXPECT_EQ(placed.bounds, (Bounds{-7, 3, 50, 4}));
  EXPECT_EQ(placed.raster.size(), QSize(20, 10));
  EXPECT_TRUE(placed.stretch);
  EXPECT_TRUE(placed.transparent);
  EXPECT_EQ(partLayer(picturePart(file, {-7, 3, 50, 0}), kDpi).bounds, (Bounds{0, 0, 20, 10}));
}

TEST_F(SceneTest, UnknownKindGivesAnEmptyDefaultSizedLayer) {
  TPartData& r = part(pkText, {5, 6, 7, 8});
  r.Kind = 5;
  const Layer layer = partLayer(r, kDpi);
  EXPECT_EQ(layer.bounds, (Bounds{0, 0, 105, 105}));
  EXPECT_TRUE(layer.raster.isNull());
}

TEST_F(SceneTest, BuildsEveryRecordInUseInOrder) {
  storeFixedPath(doc.BackFile, pictureFile(QStringLiteral("bg.bmp"), 4, 4));
  part(pkText, {1, 2, 3, 4});
  picturePart(pictureFile(QStringLiteral("a.bmp"), 6, 6), {10, 11, 12, 13});
  picturePart(pictureFile(QStringLiteral("b.bmp"), 9, 3));
  doc.Parts[3].Kind = pkPicture;  // a stale record past the count is never loaded
  const Scene scene = buildScene(doc, kDpi);
  EXPECT_TRUE(scene.failedFiles.isEmpty()) << scene.failedFiles.join(u'\n').toStdString();
  EXPECT_EQ(scene.background.raster.size(), QSize(4, 4));
  ASSERT_EQ(scene.parts.size(), 3u);
  EXPECT_EQ(scene.parts[0].bounds.left, 1);
  EXPECT_FALSE(scene.parts[0].stretch);
  EXPECT_EQ(scene.parts[1].bounds, (Bounds{10, 11, 12, 13}));
  EXPECT_EQ(scene.parts[2].bounds, (Bounds{0, 0, 9, 3}));
}

TEST_F(SceneTest, NinetyNinePartsTheMostADocumentHoldsAllLand) {
  const QString file = pictureFile(QStringLiteral("p.bmp"), 1, 1);
  for (int i = 0; i < MAX_PARTS; ++i) picturePart(file, {i, 0, 1, 1});
  const Scene scene = buildScene(doc, kDpi);
  ASSERT_EQ(scene.parts.size(), 99u);
  EXPECT_EQ(scene.parts[98].bounds, (Bounds{98, 0, 1, 1}));
}

TEST_F(SceneTest, FailuresAreCollectedAndLaterPartsStillBuilt) {
  const QString missingBack = dir.filePath(QStringLiteral("no-background.bmp"));
  const QString missingA = dir.filePath(QStringLiteral("missing-a.bmp"));
  const QString missingB = dir.filePath(QStringLiteral("missing-b.jpg"));
  const QString broken = dir.filePath(QStringLiteral("broken.bmp"));
  {
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a bitmap at all");
  }
  storeFixedPath(doc.BackFile, missingBack);
  doc.BackLeft = 3;
  doc.BackWidth = 400;
  doc.BackHeight = 120;
  picturePart(missingA, {5, 6, 70, 80});
  picturePart(missingB, {5, 6, 0, 80});
  picturePart(broken);
  part(pkText, {2, 2, 9, 9}).FontSize = 2000000000;  // too large to render
  picturePart(pictureFile(QStringLiteral("ok.bmp"), 8, 8), {1, 1, 16, 16});

  const Scene scene = buildScene(doc, kDpi);
  ASSERT_EQ(scene.failedFiles.size(), 5);
  EXPECT_TRUE(scene.failedFiles[0].contains(missingBack));
  EXPECT_TRUE(scene.failedFiles[1].contains(missingA));
  EXPECT_TRUE(scene.failedFiles[2].contains(missingB));
  // The decoder's message does not name the file; the line must.
  EXPECT_TRUE(scene.failedFiles[3].contains(broken));
  EXPECT_TRUE(scene.failedFiles[3].contains(QStringLiteral("ビットマップイメージが不正です")));
  EXPECT_TRUE(scene.failedFiles[4].contains(QStringLiteral("4 番目の部品")));

  EXPECT_EQ(scene.background.bounds, (Bounds{3, 0, 400, 120}));
  ASSERT_EQ(scene.background.raster.size(), QSize(200, 60));
  EXPECT_EQ(scene.background.raster.pixel(100, 30), qRgb(255, 255, 255));

  ASSERT_EQ(scene.parts.size(), 5u);
  EXPECT_EQ(scene.parts[0].bounds, (Bounds{5, 6, 70, 80}));
  EXPECT_EQ(scene.parts[1].bounds, Bounds{});
  for (size_t i = 0; i < 4; ++i) EXPECT_TRUE(scene.parts[i].raster.isNull()) << i;
  EXPECT_EQ(scene.parts[4].bounds, (Bounds{1, 1, 16, 16}));
  EXPECT_EQ(scene.parts[4].raster.size(), QSize(8, 8));
}

TEST_F(SceneTest, FailuresKeepRecordOrderWhateverTheirKind) {
  // Text parts and pictures are made apart; the report still follows the records.
  part(pkText, {0, 0, 9, 9}).FontSize = 2000000000;
  picturePart(dir.filePath(QStringLiteral("first-missing.bmp")), {1, 1, 5, 5});
  part(pkText, {2, 2, 9, 9});
  part(pkText, {3, 3, 9, 9}).FontSize = 2000000000;
  picturePart(pictureFile(QStringLiteral("ok.bmp"), 3, 2), {4, 4, 6, 6});
  picturePart(dir.filePath(QStringLiteral("last-missing.bmp")), {5, 5, 5, 5});

  const Scene scene = buildScene(doc, kDpi);
  ASSERT_EQ(scene.failedFiles.size(), 4);
  EXPECT_TRUE(scene.failedFiles[0].contains(QStringLiteral("1 番目の部品")));
  EXPECT_TRUE(scene.failedFiles[1].contains(QStringLiteral("first-missing.bmp")));
  EXPECT_TRUE(scene.failedFiles[2].contains(QStringLiteral("4 番目の部品")));
  EXPECT_TRUE(scene.failedFiles[3].contains(QStringLiteral("last-missing.bmp")));
  ASSERT_EQ(scene.parts.size(), 6u);
  for (size_t i = 0; i < scene.parts.size(); ++i) EXPECT_EQ(scene.parts[i].bounds.left, static_cast<int>(i)) << i;
  EXPECT_FALSE(scene.parts[2].raster.isNull());
  EXPECT_EQ(scene.parts[4].raster.size(), QSize(3, 2));
}

TEST_F(SceneTest, PendingSceneKnowsAPlacedPicturesPlaceAndEveryPartsTopBeforeMakingThem) {
  picturePart(dir.filePath(QStringLiteral("not-yet.bmp")), {-3, 700, 20, 10});
  picturePart(dir.filePath(QStringLiteral("unplaced.bmp")), {5, 6, 0, 10});
  part(pkText, {1, 2, 3, 4});
  doc.BackLeft = 7;
  doc.BackWidth = 90;
  doc.BackHeight = 80;
  PendingScene pending(doc, kDpi, false);
  EXPECT_EQ(pending.logoBounds(), (Bounds{7, 0, 90, 80}));
  ASSERT_EQ(pending.partCount(), 3);
  EXPECT_EQ(pending.partBoundsAhead(0), (Bounds{-3, 700, 20, 10}));
  EXPECT_EQ(pending.partBoundsAhead(1), std::nullopt);  // its natural size is in the file
  EXPECT_EQ(pending.partBoundsAhead(2), std::nullopt);  // its size comes from drawing it
  // Tops are known for all: where each is placed, or the top-left before it has been placed.
  EXPECT_EQ(pending.partTopAhead(0), 700);
  EXPECT_EQ(pending.partTopAhead(1), 0);
  EXPECT_EQ(pending.partTopAhead(2), 2);
  EXPECT_EQ(pending.take().parts[2].bounds.top, 2);
}

TEST_F(SceneTest, PendingSceneExportsTheSameFilesAsTheBuiltScene) {
  // Text parts and pictures across the first band borders, one picture at its natural size.
  doc.BackWidth = 1024;
  doc.BackHeight = 3 * logoBandRows(1024) + 7;
  storeFixedPath(doc.BackFile, pictureFile(QStringLiteral("bg.bmp"), 40, 30));
  const int band = logoBandRows(1024);
  for (int i = 0; i < 6; ++i) {
    storeFixedString(part(pkText, {30 * i, band * (i % 3) - 5, 1, 1}).Text, u"ﾛｺﾞ Pelmora");
    picturePart(pictureFile(QStringLiteral("p%1.bmp").arg(i), 9 + i, 7), {100 * i, band * (2 - i % 3) - 20, 300, 40});
  }
  picturePart(pictureFile(QStringLiteral("natural.bmp"), 33, 21));
  const Scene scene = buildScene(doc, kDpi);
  ASSERT_TRUE(scene.failedFiles.isEmpty());
  for (const QString& name : {QStringLiteral("logo.jpg"), QStringLiteral("logo.bmp")}) {
    SCOPED_TRACE(name.toStdString());
    ASSERT_TRUE(exportLogo(dir.filePath(QStringLiteral("built-") + name), scene.background, scene.parts));
    PendingScene pending(doc, kDpi, logoBandsUpward(name));
    ASSERT_TRUE(exportLogo(dir.filePath(name), pending));
    EXPECT_TRUE(pending.failedFiles().isEmpty());
    EXPECT_EQ(fileBytes(dir.filePath(name)), fileBytes(dir.filePath(QStringLiteral("built-") + name)));
  }
}

TEST_F(SceneTest, PictureThatCannotBeReadStopsThePendingExportWithItsLine) {
  // Low in the logo, so the bands above it are composed before it is asked for; or off the logo
  // altogether, never asked for, and still refused.
  doc.BackWidth = 1024;
  doc.BackHeight = 4 * logoBandRows(1024);
  part(pkText, {4, 4, 1, 1});
  picturePart(pictureFile(QStringLiteral("ok.bmp"), 5, 5), {0, 0, 50, 50});
  for (const Bounds& at : {Bounds{10, doc.BackHeight - 30, 60, 20}, Bounds{-500, 0, 60, 20}}) {
    SCOPED_TRACE(at.left);
    TPartData& record = picturePart(dir.filePath(QStringLiteral("missing.bmp")), at);
    const QString line = buildPart(record, 2, kDpi).failure;
    ASSERT_FALSE(line.isEmpty());
    for (const QString& name : {QStringLiteral("logo.jpg"), QStringLiteral("logo.bmp")}) {
      SCOPED_TRACE(name.toStdString());
      const QStringList before = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
      PendingScene pending(doc, kDpi, logoBandsUpward(name));
      EXPECT_THROW(exportLogo(dir.filePath(name), pending), Failure);
      EXPECT_EQ(pending.failedFiles(), QStringList{line});
      try {
        pending.part(2);
        ADD_FAILURE() << "the missing picture was made";
      } catch (const Failure& failure) {
        EXPECT_EQ(failure.message(), line);
      }
      EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), before);
    }
    --doc.PartCount;
  }
}

}  // namespace

namespace {

// The editor hands over the layers its canvas shows: they are taken as they are, never made again
// from their files, and their bounds count before the records' for the bands that wait on them.
TEST_F(SceneTest, LayersMadeBeforeAreTakenAsTheyAre) {
  picturePart(dir.filePath(u"gone.bmp"_qs), {0, 0, 0, 0});
  picturePart(pictureFile(u"here.bmp"_qs, 3, 2), {1, 1, 3, 2});
  QImage made(5, 5, QImage::Format_RGB32);
  made.fill(qRgb(1, 2, 3));
  std::vector<std::optional<Layer>> given(3);
  given[1] = Layer{{7, 8, 0, 9}, made, true, true};
  PendingScene scene(doc, kDpi, false, given);
  EXPECT_EQ(scene.partBoundsAhead(0), (Bounds{7, 8, 0, 9}));
  EXPECT_EQ(scene.partTopAhead(0), 8);
  EXPECT_EQ(scene.partBoundsAhead(1), (Bounds{1, 1, 3, 2}));
  const Scene taken = scene.take();
  EXPECT_TRUE(taken.failedFiles.isEmpty()) << "the missing file is never read";
  EXPECT_EQ(taken.parts[0].raster.pixel(4, 4), qRgb(1, 2, 3));
  EXPECT_EQ(taken.parts[1].raster.size(), QSize(3, 2));
  EXPECT_EQ(taken.background.raster.size(), QSize(200, 60));
}

}  // namespace
