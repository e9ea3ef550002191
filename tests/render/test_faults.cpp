// Hostile pictures at the level of the decoders. Inputs that fuzzing found are kept here byte for
// byte.

#include "model/failure.h"
#include "render/bmpreader.h"
#include "render/jpegcodec.h"
#include "support/bmpbuilder.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <functional>

namespace {

const QString READ_ERROR = QStringLiteral("ストリームからの読み込みエラー");

QString failureOf(const std::function<QImage()>& decode) {
  try {
    decode();
  } catch (const Failure& failure) {
    return failure.message();
  }
  return {};
}

// ---------------------------------------------------------------------------------------------
// Bitmaps that claim far more pixels than their bytes could hold.

// Found by fuzz_bmp: 75 bytes claiming a 1-bit, 16133 x 14083 picture. Read as a file cut
// inside its pixels, it became a white raster of 900 MB, and its drawable copy as much again.
TEST(BmpFaults, TinyFileClaimingAHugePictureIsARefusedReadNotAGigabyte) {
  const QByteArray file = QByteArray::fromHex(
      "424d4a0000000000003e0000000028000000053f0000fdc8ffff010001000000"
      "0000130c0000000b00ff0b000000ffffffffffffff1200000000000000ff0000"
      "000100a800000050000000");
  ASSERT_EQ(file.size(), 75);
  QElapsedTimer timer;
  timer.start();
  EXPECT_EQ(failureOf([&] { return readBmp(file); }), READ_ERROR);
  EXPECT_LT(timer.elapsed(), 200);
}

// Up to 16 megapixels a file may hold none of its pixels and still load white; beyond that it
// must hold a byte for every 256 pixels.
TEST(BmpFaults, HeadersAloneStillLoadUpToAnOrdinaryPictureSize) {
  bmpbuilder::Bmp headersOnly;
  headersOnly.width = 4096;
  headersOnly.height = 4096;
  const QImage white = readBmp(headersOnly.build());
  ASSERT_EQ(white.size(), QSize(4096, 4096));
  EXPECT_EQ(white.pixel(4095, 0), qRgb(255, 255, 255));

  headersOnly.width = 4097;
  EXPECT_EQ(failureOf([&] { return readBmp(headersOnly.build()); }), READ_ERROR);
}

// Plain runs draw 255 pixels from two bytes: such a file of over 16 megapixels is well within
// the proportion and loads whole.
TEST(BmpFaults, RunLengthPictureBeyondSixteenMegapixelsLoads) {
  constexpr int width = 4200;
  constexpr int height = 4000;
  bmpbuilder::Rle rle;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; x += 255) rle.run(std::min(255, width - x), y % 2);
    rle.endOfLine();
  }
  bmpbuilder::Bmp bmp;
  bmp.width = width;
  bmp.height = height;
  bmp.bitCount = 8;
  bmp.compression = 1;
  bmp.coloursUsed = 2;
  bmp.palette = {qRgb(200, 0, 0), qRgb(0, 0, 200)};
  bmp.pixels = rle.endOfPicture().data();
  const QImage image = readBmp(bmp.build());
  ASSERT_EQ(image.size(), QSize(width, height));
  EXPECT_EQ(image.pixel(width - 1, height - 1), qRgb(200, 0, 0));  // the file's first row
  EXPECT_EQ(image.pixel(0, height - 2), qRgb(0, 0, 200));
}

// ---------------------------------------------------------------------------------------------
// JPEG files that claim far more pixels than their bytes could hold.

// Found by fuzz_jpeg: 225 bytes of an arithmetic-coded file claiming 11280 x 15120 pixels. The
// library makes up what the file lacks, so it decoded to a 170-megapixel raster, taking seconds
// and 1.2 GB with its drawable copy.
TEST(JpegFaults, TinyFileClaimingAHugePictureIsRefusedBeforeDecoding) {
  const QByteArray file = QByteArray::fromHex(
      "ffd8ffe000104a46494600010100000100010000ffdb00430008060607cd0605080707070909080a0c140d0c0b0b0c19"
      "12130f141d1a1f1e1d1a1c1c20242e2720222c231c1c2834292c30313434341f27393d38323c2e333432ffdb00430109"
      "09090c0b0c180d0d183200000000000080003232323232323232323232323232323232323232323232323232ffd8ff32"
      "323232323232323232323232323232323232ffc90011083b102c1003012200021101031101ffcc000a00101005011011"
      "055bffda000c03010002110311003f00fb740385df19dccf26eb9784ee001ee90e");
  ASSERT_EQ(file.size(), 225);
  QElapsedTimer timer;
  timer.start();
  EXPECT_EQ(failureOf([&] { return decodeJpeg(file); }),
            QStringLiteral("JPEG ファイルが 11280 x 15120 ピクセルの画像には短すぎます"));
  EXPECT_LT(timer.elapsed(), 200);
}

}  // namespace
