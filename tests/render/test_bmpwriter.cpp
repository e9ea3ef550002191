#include "render/bmpwriter.h"

#include "render/bmpreader.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

namespace {

QByteArray bytes(std::initializer_list<int> values) {
  QByteArray out;
  for (int v : values) out.append(static_cast<char>(v));
  return out;
}

TEST(BmpWriter, ThreeByTwoExactly) {
  QImage image(3, 2, QImage::Format_RGB32);
  image.setPixel(0, 0, qRgb(0x10, 0x20, 0x30));
  image.setPixel(1, 0, qRgb(0x40, 0x50, 0x60));
  image.setPixel(2, 0, qRgb(0x70, 0x80, 0x90));
  image.setPixel(0, 1, qRgb(0xA0, 0xB0, 0xC0));
  image.setPixel(1, 1, qRgb(0xD0, 0xE0, 0xF0));
  image.setPixel(2, 1, qRgb(0x01, 0x02, 0x03));

  const QByteArray expected = bytes({'B', 'M', 78, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,  // file header
                                     40,  0,   0,  0, 3, 0, 0, 0, 2, 0, 0,  0, 1, 0, 32, 0, 0, 0, 0, 0,
                                     24,  0,   0,  0, 0, 0, 0, 0, 0, 0, 0,  0, 0, 0, 0,  0, 0, 0, 0, 0}) +
                              // bottom row first, each pixel B,G,R,0
                              bytes({0xC0, 0xB0, 0xA0, 0, 0xF0, 0xE0, 0xD0, 0, 0x03, 0x02, 0x01, 0}) +
                              bytes({0x30, 0x20, 0x10, 0, 0x60, 0x50, 0x40, 0, 0x90, 0x80, 0x70, 0});
  EXPECT_EQ(encodeBmp(image).toHex(' ').toStdString(), expected.toHex(' ').toStdString());
  // Another format, same colours, same file.
  EXPECT_EQ(encodeBmp(image.convertToFormat(QImage::Format_RGB888)), expected);
  EXPECT_EQ(encodeBmp(image.convertToFormat(QImage::Format_ARGB32_Premultiplied)), expected);
}

TEST(BmpWriter, EmptyImageIsHeadersOnly) {
  const QByteArray expected =
      bytes({'B', 'M', 54, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 32, 0}) +
      QByteArray(24, '\0');
  EXPECT_EQ(encodeBmp(QImage()), expected);
}

TEST(BmpWriter, RoundTripsThroughTheReader) {
  QImage image(37, 19, QImage::Format_RGB32);
  QRandomGenerator random(7);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) image.setPixel(x, y, random.generate() | 0xFF000000u);
  for (QImage::Format format : {QImage::Format_RGB32, QImage::Format_RGB888, QImage::Format_RGB16,
                                QImage::Format_Indexed8, QImage::Format_Mono}) {
    const QImage source = image.convertToFormat(format);
    const QImage back = readBmp(encodeBmp(source));
    ASSERT_EQ(back.format(), QImage::Format_RGB32);
    EXPECT_EQ(back, source.convertToFormat(QImage::Format_RGB32)) << "format " << format;
  }
}

}  // namespace
