// A logo named .png is the very logo the bitmap export writes, coded as 8-bit RGB PNG.
#include "render/bmpreader.h"
#include "render/logoexport.h"
#include "render/pngcodec.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

QByteArray contents(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Several bands tall, with a picture of every alpha stretched across the band edges, a
// see-through picture and an opaque one.
struct Project {
  Layer background;
  std::vector<Layer> parts;
};

Project project() {
  QImage photo(37, 23, QImage::Format_RGB888);
  for (int y = 0; y < photo.height(); ++y)
    for (int x = 0; x < photo.width(); ++x) photo.setPixel(x, y, qRgb(x * 7, y * 11, (x * y) % 256));
  QImage alpha(16, 16, QImage::Format_RGBA8888);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) alpha.setPixel(x, y, qRgba(255 - x * 16, x * 16, y * 16, y * 16 + x));
  QImage keyed(5, 5, QImage::Format_RGB32);
  keyed.fill(qRgb(0, 0, 255));
  keyed.setPixel(2, 2, qRgb(255, 255, 0));
  const int width = 300;
  const int height = logoBandRows(width) * 2 + 37;
  return {
      Layer{Bounds{-5, 7, width, height}, photo, true, false},
      {Layer{Bounds{20, logoBandRows(width) - 40, 250, 100}, alpha, true, true},
       Layer{Bounds{-20, 300, 120, 90}, keyed, true, true}, Layer{Bounds{200, height - 50, 90, 60}, photo, true, false},
       Layer{Bounds{40, 2 * logoBandRows(width) - 9, 33, 33}, alpha, true, true}}};
}

TEST(PngExport, HoldsTheBitmapExportsPixels) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const Project p = project();
  const QString png = dir.filePath(QStringLiteral("logo.PNG"));
  const QString bmp = dir.filePath(QStringLiteral("logo.bmp"));
  ASSERT_TRUE(exportLogo(png, p.background, p.parts));
  ASSERT_TRUE(exportLogo(bmp, p.background, p.parts));
  const QImage fromPng = decodePng(contents(png));
  const QImage fromBmp = readBmp(contents(bmp));
  ASSERT_EQ(fromPng.format(), QImage::Format_RGB888);
  ASSERT_EQ(fromPng.size(), fromBmp.size());
  ASSERT_EQ(fromPng.size(), QSize(p.background.bounds.width, p.background.bounds.height));
  int differences = 0;
  for (int y = 0; y < fromPng.height(); ++y)
    for (int x = 0; x < fromPng.width(); ++x) differences += fromPng.pixel(x, y) != (fromBmp.pixel(x, y) | 0xFF000000u);
  EXPECT_EQ(differences, 0);
  // Written twice, the same bytes.
  const QByteArray first = contents(png);
  ASSERT_TRUE(exportLogo(png, p.background, p.parts));
  EXPECT_EQ(contents(png), first);
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2);  // no temporary file left behind
}

}  // namespace
