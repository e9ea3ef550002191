#include "render/jpegcodec.h"

#include "model/failure.h"
#include "support/jpegbuilder.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

using jpegbuilder::compress;
using jpegbuilder::Compression;

namespace {

QString failureOf(QByteArrayView data) {
  try {
    decodeJpeg(data);
  } catch (const Failure& failure) {
    return failure.message();
  }
  return {};
}

bool isJpegError(const QString& message) {
  static const QRegularExpression pattern(QStringLiteral("^JPEG エラー #\\d+$"));
  return pattern.match(message).hasMatch();
}

// What libjpeg itself gives as 3-byte RGB for the file, row after row.
std::vector<unsigned char> referenceRgb(const QByteArray& file) {
  jpeg_decompress_struct cinfo{};
  jpeg_error_mgr err{};
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(file.constData()),
               static_cast<unsigned long>(file.size()));
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_RGB;
  cinfo.dct_method = JDCT_ISLOW;
  jpeg_start_decompress(&cinfo);
  const size_t stride = size_t{cinfo.output_width} * 3;
  std::vector<unsigned char> pixels(stride * cinfo.output_height);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = pixels.data() + stride * cinfo.output_scanline;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return pixels;
}

QRgb gradientColour(int x, int y) { return qRgb(x * 4 % 256, y * 5 % 256, (x + y) * 2 % 256); }

QImage gradient(int width = 64, int height = 48) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) image.setPixel(x, y, gradientColour(x, y));
  return image;
}

std::vector<unsigned char> rgbBytes(const QImage& image) {
  std::vector<unsigned char> bytes;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QRgb c = image.pixel(x, y);
      bytes.insert(bytes.end(), {static_cast<unsigned char>(qRed(c)), static_cast<unsigned char>(qGreen(c)),
                                 static_cast<unsigned char>(qBlue(c))});
    }
  return bytes;
}

TEST(JpegEncode, WritesBaselineQuality90) {
  const QByteArray ours = encodeJpeg(gradient());
  ASSERT_GE(ours.size(), 4);
  EXPECT_EQ(static_cast<unsigned char>(ours[0]), 0xFF);
  EXPECT_EQ(static_cast<unsigned char>(ours[1]), 0xD8);
  EXPECT_TRUE(ours.endsWith("\xFF\xD9"));
  EXPECT_EQ(ours.indexOf("\xFF\xC2"), -1) << "progressive";
  EXPECT_EQ(ours, encodeJpeg(gradient())) << "encoding is not repeatable";
  EXPECT_EQ(decodeJpeg(ours).size(), gradient().size());
}

// Whatever the raster's format, the bytes are those libjpeg writes from 3-byte RGB rows of its
// colours with its defaults at quality 90.
TEST(JpegEncode, SameAsLibjpegFromRgbRows) {
  const QImage image = gradient(37, 21);  // sizes off the 8 and 16 pixel blocks
  for (QImage::Format format : {QImage::Format_RGB32, QImage::Format_RGB888, QImage::Format_ARGB32,
                                QImage::Format_RGB16, QImage::Format_Indexed8}) {
    const QImage converted = image.convertToFormat(format);
    EXPECT_EQ(encodeJpeg(converted), compress(rgbBytes(converted), 37, 21)) << "format " << format;
  }
}

// Noise codes to more bytes than the encoder first sets aside (3 for every 8 pixels, and 64 KiB):
// the output grows while it is written, and still matches libjpeg's byte for byte.
TEST(JpegEncode, OutputOutgrowingItsFirstBufferIsWhole) {
  constexpr int SIDE = 600;
  QImage noise(SIDE, SIDE, QImage::Format_RGB888);
  std::uint32_t state = 12345;
  for (int y = 0; y < SIDE; ++y) {
    uchar* line = noise.scanLine(y);
    for (int i = 0; i < SIDE * 3; ++i) {
      state = state * 1664525u + 1013904223u;
      line[i] = static_cast<uchar>(state >> 24);
    }
  }
  const QByteArray ours = encodeJpeg(noise);
  EXPECT_GT(ours.size(), SIDE * SIDE * 3 / 8 + 65536);
  EXPECT_EQ(ours, compress(rgbBytes(noise), SIDE, SIDE));
}

TEST(JpegEncode, EmptyImageIsALibraryError) {
  try {
    encodeJpeg(QImage());
    FAIL() << "no failure";
  } catch (const Failure& failure) {
    EXPECT_TRUE(isJpegError(failure.message())) << failure.message().toStdString();
  }
}

// Exactly libjpeg's own RGB, for YCbCr, RGB and progressive files alike.
TEST(JpegDecode, ColourFilesGiveLibjpegsOwnRgb) {
  const std::vector<unsigned char> rgb = rgbBytes(gradient(70, 45));
  for (const Compression& how :
       {Compression{}, Compression{JCS_RGB, JCS_RGB}, Compression{JCS_RGB, JCS_UNKNOWN, true}}) {
    const QByteArray file = compress(rgb, 70, 45, how);
    const QImage decoded = decodeJpeg(file);
    ASSERT_EQ(decoded.size(), QSize(70, 45));
    EXPECT_EQ(decoded.format(), QImage::Format_RGB888);
    EXPECT_EQ(rgbBytes(decoded), referenceRgb(file));
  }
}

TEST(JpegDecode, GreyscaleFileIsQuantisedToIndexedGreys) {
  constexpr int width = 256, height = 16;
  std::vector<unsigned char> grey;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) grey.push_back(static_cast<unsigned char>(x));
  const QImage decoded = decodeJpeg(compress(grey, width, height, {JCS_GRAYSCALE}));
  ASSERT_EQ(decoded.size(), QSize(width, height));
  EXPECT_EQ(decoded.format(), QImage::Format_Indexed8);
  EXPECT_GT(decoded.colorCount(), 200);
  EXPECT_LE(decoded.colorCount(), 236);
  for (QRgb c : decoded.colorTable()) {
    EXPECT_EQ(qRed(c), qGreen(c));
    EXPECT_EQ(qGreen(c), qBlue(c));
  }
  for (int y = 0; y < height; y += 5)
    for (int x = 0; x < width; x += 9) {
      EXPECT_LT(decoded.pixelIndex(x, y), decoded.colorCount());
      EXPECT_NEAR(qRed(decoded.pixel(x, y)), x, 6) << x << "," << y;
    }
}

// Adobe's writers store CMYK inverted (255 is no ink), as libjpeg does when it writes the Adobe
// marker; files without the marker count 0 as no ink. At quality 100 a flat patch comes back
// exactly, or through YCC's transform a step off at most.
TEST(JpegDecode, CmykFilesBecomeRgb) {
  const struct {
    unsigned char c, m, y, k;  // as Adobe stores them
    QRgb expected;
  } patches[] = {{255, 0, 0, 255, qRgb(255, 0, 0)},
                 {255, 255, 255, 255, qRgb(255, 255, 255)},
                 {0, 255, 255, 255, qRgb(0, 255, 255)},
                 {255, 255, 255, 128, qRgb(128, 128, 128)},
                 {200, 255, 200, 200, qRgb(157, 200, 157)}};  // 200 * 200 / 255 is 156.86: rounded
  for (const auto& [space, adobe] : {std::pair{JCS_CMYK, true}, {JCS_YCCK, true}, {JCS_CMYK, false}})
    for (const auto& p : patches) {
      std::vector<unsigned char> cmyk;
      for (int i = 0; i < 16 * 16; ++i) cmyk.insert(cmyk.end(), {p.c, p.m, p.y, p.k});
      if (!adobe)
        for (unsigned char& v : cmyk) v = static_cast<unsigned char>(255 - v);
      QByteArray file = compress(cmyk, 16, 16, {JCS_CMYK, space, false, 100});
      if (!adobe) {
        const qsizetype marker = file.indexOf("\xFF\xEE");  // APP14, two bytes of length after it
        ASSERT_GT(marker, 0);
        file.remove(marker, 2 + (uchar(file[marker + 2]) << 8 | uchar(file[marker + 3])));
      }
      const QImage decoded = decodeJpeg(file);
      ASSERT_EQ(decoded.format(), QImage::Format_RGB32);
      const QRgb got = reinterpret_cast<const QRgb*>(decoded.constScanLine(8))[8];  // raw: opaque too
      const int slack = space == JCS_YCCK ? 1 : 0;
      for (int shift : {0, 8, 16, 24})
        EXPECT_NEAR((got >> shift) & 0xFF, (p.expected >> shift) & 0xFF, slack)
            << "space " << space << (adobe ? "" : " without the marker") << ", " << int(p.c);
    }
}

TEST(JpegDecode, TruncatedFileLoadsWhatThereIs) {
  const QImage image = gradient(64, 64);
  const QByteArray file = encodeJpeg(image);
  for (double part : {0.5, 0.9}) {
    const QImage decoded = decodeJpeg(QByteArrayView(file).first(static_cast<qsizetype>(file.size() * part)));
    EXPECT_EQ(decoded.size(), image.size());
    // The first rows were in the file.
    EXPECT_NEAR(qRed(decoded.pixel(8, 0)), qRed(gradientColour(8, 0)), 12);
  }
}

TEST(JpegDecode, DamagedFilesAreLibraryErrors) {
  const QByteArray good = encodeJpeg(gradient());
  const QByteArray bmp = QByteArray("BM") + QByteArray(60, '\0');
  QByteArray lossless = good;
  lossless[lossless.indexOf("\xFF\xC0") + 1] = '\xC3';  // a frame kind the library does not decode
  for (const QByteArray& data : {QByteArray(), QByteArray(1000, '\x37'), bmp, good.left(2), good.left(100), lossless})
    EXPECT_TRUE(isJpegError(failureOf(data))) << "size " << data.size() << ": " << failureOf(data).toStdString();
}

// Beyond a raster's sides, and over 16 megapixels without a byte for every 1,024 of them, a frame
// is refused before anything is allocated or decoded.
TEST(JpegDecode, LargeClaimFromTooFewBytesIsRefusedBeforeDecoding) {
  const QByteArray small = encodeJpeg(gradient(16, 16));
  const qsizetype frame = small.indexOf("\xFF\xC0");
  ASSERT_GT(frame, 0);
  const struct {
    int side;
    QString failure;
  } cases[] = {{65278, QStringLiteral("画像が大きすぎます (65278 x 65278 ピクセル)")},
               {4100, QStringLiteral("JPEG ファイルが 4100 x 4100 ピクセルの画像には短すぎます")},
               {4096, QString()}};  // 16,777,216 pixels: any file may claim that many
  for (const auto& c : cases) {
    QByteArray file = small + QByteArray(10000 - small.size(), '\0');
    for (int at : {5, 7}) {  // height, then width, big-endian 16 bits
      file[frame + at] = static_cast<char>(c.side >> 8);
      file[frame + at + 1] = static_cast<char>(c.side & 0xFF);
    }
    ASSERT_EQ(file.size(), 10000);
    EXPECT_EQ(failureOf(file), c.failure) << c.side;
  }
}

}  // namespace
