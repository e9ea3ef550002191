#include "render/logoexport.h"

#include "model/failure.h"
#include "render/picturefile.h"
#include "render/raster.h"
#include "render/scene.h"
#include "render/textrender.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstring>

namespace {

constexpr int kDpi = 96;
const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kWhite = qRgb(255, 255, 255);

Layer solidLayer(Bounds bounds, QSize size, QRgb colour, bool stretch = true) {
  Layer layer{bounds, QImage(size, QImage::Format_RGB32), stretch, false};
  layer.raster.fill(colour);
  return layer;
}

// New's background in `colour`, stretched to `bounds`: what a document without BackFile shows.
Layer fillBackground(Bounds bounds, Colour colour) {
  TDocument doc;
  clearDocument(doc);
  doc.BackColor = colour;
  setBackgroundBounds(doc, bounds);
  return backgroundLayer(doc);
}

// A filled text part: red fill, green text.
Layer filledTextLayer(int left, int top) {
  TDocument doc;
  clearDocument(doc);
  TPartData& r = appendPart(doc, pkText);
  r.Left = left;
  r.Top = top;
  r.Width = 1;
  r.Height = 1;
  r.FontSize = 20;
  r.TextColor = 0x00FF00;
  r.FillColor = 0xFF0000;
  r.FillOn = 1;
  return partLayer(r, kDpi);
}

// Every pixel of `logo` inside `area` equals `colour`.
::testing::AssertionResult allPixels(const QImage& logo, QRect area, QRgb colour) {
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      if ((logo.pixel(x, y) | 0xFF000000u) != colour)
        return ::testing::AssertionFailure()
               << "pixel (" << x << ", " << y << ") is " << std::hex << logo.pixel(x, y) << ", not " << colour;
  return ::testing::AssertionSuccess();
}

quint32 le32(const QByteArray& bytes, int at) {
  quint32 v = 0;
  std::memcpy(&v, bytes.constData() + at, 4);
  return v;
}

class LogoExportTest : public ::testing::Test {
protected:
  QString path(const QString& name) const { return dir.filePath(name); }
  QByteArray contents(const QString& name) const {
    QFile file(path(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }
  void put(const QString& name, const QByteArray& bytes) const {
    QFile file(path(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
  }
  QStringList entries() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden); }

  QTemporaryDir dir;
};

TEST_F(LogoExportTest, TextPartLandsRelativeToTheBackgroundInTheWrittenBitmap) {
  // The background itself sits at (100, 50) on the canvas; the part 10 right of and 5 below it.
  const Layer background = fillBackground({100, 50, 200, 60}, clWhite);
  const Layer text = filledTextLayer(110, 55);
  ASSERT_TRUE(exportLogo(path(QStringLiteral("logo.bmp")), background, {text}));

  const QByteArray bmp = contents(QStringLiteral("logo.bmp"));
  ASSERT_GE(bmp.size(), 54);
  EXPECT_EQ(bmp.first(2), "BM");
  EXPECT_EQ(le32(bmp, 10), 54u);
  EXPECT_EQ(le32(bmp, 18), 200u);
  EXPECT_EQ(le32(bmp, 22), 60u);
  EXPECT_EQ(bmp.size(), 54 + 200 * 60 * 4);

  const QImage logo = loadPictureFile(path(QStringLiteral("logo.bmp")));
  ASSERT_EQ(logo.size(), QSize(200, 60));
  const int w = text.bounds.width;
  const int h = text.bounds.height;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      ASSERT_EQ(logo.pixel(10 + x, 5 + y) | 0xFF000000u, text.raster.pixel(x, y)) << x << ", " << y;
  EXPECT_TRUE(allPixels(logo, QRect(0, 0, 200, 5), kWhite));
  EXPECT_TRUE(allPixels(logo, QRect(0, 0, 10, 60), kWhite));
  EXPECT_TRUE(allPixels(logo, QRect(10 + w, 0, 200 - 10 - w, 60), kWhite));
}

TEST_F(LogoExportTest, FilledTextPartShowsNoMarginBand) {
  const Layer text = filledTextLayer(10, 5);
  const QImage logo = composeLogo(fillBackground({0, 0, 200, 60}, clBlack), {text});
  const int right = 10 + text.bounds.width;
  const int bottom = 5 + text.bounds.height;
  ASSERT_LT(right + 8, 200);
  ASSERT_LT(bottom + 8, 60);
  EXPECT_EQ(logo.pixel(10, 5), qRgb(0, 0, 255));  // the fill, FillColor's stored order
  EXPECT_TRUE(allPixels(logo, QRect(right, 5, 8, bottom + 8 - 5), kBlack));
  EXPECT_TRUE(allPixels(logo, QRect(10, bottom, right + 8 - 10, 8), kBlack));
}

TEST_F(LogoExportTest, PartsAreCutAtTheEdgesAndThoseOutsideDrawNothing) {
  const QRgb red = qRgb(255, 0, 0);
  const std::vector<Layer> parts = {
      solidLayer({-3, -2, 6, 4}, QSize(2, 2), red),    // over the top-left corner
      solidLayer({48, 28, 10, 10}, QSize(1, 1), red),  // over the bottom-right corner
      solidLayer({50, 0, 5, 5}, QSize(5, 5), red),     // just right of the logo
      solidLayer({-5, 10, 5, 5}, QSize(5, 5), red),    // just left of it
      solidLayer({20, 10, 0, 5}, QSize(5, 5), red),    // no width
      solidLayer({20, 10, 5, -5}, QSize(5, 5), red),   // negative height
  };
  const QImage logo = composeLogo(fillBackground({0, 0, 50, 30}, clWhite), parts);
  ASSERT_EQ(logo.size(), QSize(50, 30));
  ASSERT_EQ(logo.format(), QImage::Format_RGB32);
  int redPixels = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 50; ++x) redPixels += logo.pixel(x, y) == red;
  EXPECT_EQ(redPixels, 3 * 2 + 2 * 2);
  EXPECT_TRUE(allPixels(logo, QRect(0, 0, 3, 2), red));
  EXPECT_TRUE(allPixels(logo, QRect(48, 28, 2, 2), red));
}

TEST_F(LogoExportTest, StretchedPictureBackgroundDoublesEveryPixel) {
  QImage picture(200, 60, QImage::Format_RGB32);
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 200; ++x) picture.setPixel(x, y, qRgb(x, y * 4, (x + y) % 256));
  const Layer background{{-30, 20, 400, 120}, picture, true, false};
  const QImage logo = composeLogo(background, {});
  ASSERT_EQ(logo.size(), QSize(400, 120));
  for (int y = 0; y < 120; ++y)
    for (int x = 0; x < 400; ++x) ASSERT_EQ(logo.pixel(x, y), picture.pixel(x / 2, y / 2)) << x << ", " << y;
}

TEST_F(LogoExportTest, SeeThroughPixelsOfAPictureShowWhatLiesBeneath) {
  // Bottom-left pixel green makes green the see-through colour.
  QImage picture(4, 4, QImage::Format_RGB32);
  picture.fill(qRgb(0, 255, 0));
  picture.setPixel(1, 1, qRgb(200, 10, 10));
  const Layer part{{2, 2, 4, 4}, picture, true, true};
  const Layer under = solidLayer({0, 0, 10, 10}, QSize(1, 1), qRgb(0, 0, 200));
  QImage logo = composeLogo(fillBackground({0, 0, 10, 10}, clBlack), {part});
  EXPECT_EQ(logo.pixel(3, 3), qRgb(200, 10, 10));
  logo.setPixel(3, 3, kBlack);
  EXPECT_TRUE(allPixels(logo, QRect(0, 0, 10, 10), kBlack));
  // Layers see through to earlier parts, not only to the background.
  const QImage stacked = composeLogo(fillBackground({0, 0, 10, 10}, clBlack), {under, part});
  EXPECT_EQ(stacked.pixel(2, 2), qRgb(0, 0, 200));
  EXPECT_EQ(stacked.pixel(3, 3), qRgb(200, 10, 10));
}

TEST_F(LogoExportTest, WhiteLiesBeneathABackgroundThatCannotCoverTheLogo) {
  const Layer part = solidLayer({4, 3, 2, 2}, QSize(1, 1), kBlack);
  for (const Layer& background :
       {Layer{{0, 0, 8, 6}, QImage(), true, false}, Layer{{0, 0, 8, 6}, QImage(), false, false}}) {
    const QImage logo = composeLogo(background, {part});
    EXPECT_TRUE(allPixels(logo, QRect(0, 0, 8, 3), kWhite));
    EXPECT_TRUE(allPixels(logo, QRect(4, 3, 2, 2), kBlack));
  }
  // Unstretched, a small opaque picture covers only its own corner.
  const QImage logo = composeLogo(solidLayer({0, 0, 8, 6}, QSize(3, 2), kBlack, false), {part});
  EXPECT_TRUE(allPixels(logo, QRect(0, 0, 3, 2), kBlack));
  EXPECT_TRUE(allPixels(logo, QRect(3, 0, 5, 3), kWhite));
  EXPECT_TRUE(allPixels(logo, QRect(0, 2, 4, 4), kWhite));
}

TEST_F(LogoExportTest, ExtensionChoosesTheFormat) {
  const Layer background = fillBackground({0, 0, 40, 20}, 0x336699);
  const std::vector<Layer> parts = {solidLayer({1, 1, 5, 5}, QSize(1, 1), kBlack)};
  ASSERT_TRUE(exportLogo(path(QStringLiteral("a.JPG")), background, parts));
  ASSERT_TRUE(exportLogo(path(QStringLiteral("b.jpeg")), background, parts));
  ASSERT_TRUE(exportLogo(path(QStringLiteral("c.png")), background, parts));
  ASSERT_TRUE(exportLogo(path(QStringLiteral("d.PnG")), background, parts));
  ASSERT_TRUE(exportLogo(path(QStringLiteral("e.png.gif")), background, parts));
  EXPECT_TRUE(contents(QStringLiteral("a.JPG")).startsWith("\xFF\xD8"));
  EXPECT_TRUE(contents(QStringLiteral("b.jpeg")).startsWith("\xFF\xD8"));
  EXPECT_TRUE(contents(QStringLiteral("c.png")).startsWith("\x89PNG\r\n\x1A\n"));
  EXPECT_TRUE(contents(QStringLiteral("d.PnG")).startsWith("\x89PNG\r\n\x1A\n"));
  EXPECT_TRUE(contents(QStringLiteral("e.png.gif")).startsWith("BM"));
  const QImage jpeg = loadPictureFile(path(QStringLiteral("a.JPG")));
  EXPECT_EQ(jpeg.size(), QSize(40, 20));
  EXPECT_NEAR(qBlue(jpeg.pixel(30, 15)), 0x33, 4);
}

TEST_F(LogoExportTest, NoPartsWritesNothing) {
  put(QStringLiteral("old.bmp"), "earlier contents");
  const Layer background = fillBackground({0, 0, 40, 20}, clWhite);
  EXPECT_FALSE(exportLogo(path(QStringLiteral("old.bmp")), background, {}));
  EXPECT_FALSE(exportLogo(path(QStringLiteral("new.bmp")), background, {}));
  EXPECT_EQ(contents(QStringLiteral("old.bmp")), "earlier contents");
  EXPECT_EQ(entries(), QStringList{QStringLiteral("old.bmp")});
}

TEST_F(LogoExportTest, BackgroundWithoutAreaIsRefusedAndNoFileIsWritten) {
  put(QStringLiteral("old.bmp"), "earlier contents");
  const std::vector<Layer> parts = {solidLayer({0, 0, 5, 5}, QSize(1, 1), kBlack)};
  for (const Bounds& b : {Bounds{0, 0, 0, 60}, Bounds{0, 0, 200, -1}}) {
    EXPECT_THROW(exportLogo(path(QStringLiteral("old.bmp")), fillBackground(b, clWhite), parts), Failure);
    EXPECT_THROW(exportLogo(path(QStringLiteral("new.jpg")), fillBackground(b, clWhite), parts), Failure);
  }
  EXPECT_THROW(composeLogo(fillBackground({0, 0, 40000, 10}, clWhite), parts), Failure);
  EXPECT_EQ(contents(QStringLiteral("old.bmp")), "earlier contents");
  EXPECT_EQ(entries(), QStringList{QStringLiteral("old.bmp")});
}

}  // namespace
