#include "render/pngcodec.h"

#include "model/failure.h"
#include "render/pngfastpath.h"
#include "render/raster.h"
#include "support/pngbuilder.h"

#include <gtest/gtest.h>

#include <QList>

namespace {

using pngbuilder::Picture;
namespace pb = pngbuilder;

struct KindCase {
  const char* name;
  Picture picture;
  QImage::Format format;
  QList<QRgb> pixels;  // row by row; straight alpha for Format_RGBA8888
};

Picture row(pb::ColourType type, int depth, std::vector<uint16_t> samples, QByteArray transparency = {}) {
  Picture p;
  p.type = type;
  p.depth = depth;
  p.width = static_cast<int>(samples.size()) / pb::channelsOf(type);
  p.height = 1;
  p.samples = std::move(samples);
  p.transparency = std::move(transparency);
  return p;
}

Picture withPalette(Picture p) {
  p.palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {10, 20, 30}};
  p.palette.resize(std::min<size_t>(p.palette.size(), size_t{1} << p.depth));  // no more than the depth can index
  return p;
}

Picture longPalette(Picture p) {
  for (int i = 0; i < 256; ++i) p.palette.push_back({static_cast<uint8_t>(i), 100, static_cast<uint8_t>(255 - i)});
  return p;
}

QRgb grey(int v) { return qRgb(v, v, v); }

const QImage::Format RGBA = QImage::Format_RGBA8888;

// Every colour type at every depth it allows, with and without tRNS. 16-bit samples are chosen
// where rounding and dropping the low byte disagree: 0x00FF is 1 rounded, 0x01FF is 2.
const KindCase KINDS[] = {
    {"grey 1", row(pb::Grey, 1, {1, 0, 1}), QImage::Format_Mono, {grey(255), grey(0), grey(255)}},
    {"grey 2", row(pb::Grey, 2, {0, 1, 2, 3}), QImage::Format_Indexed8, {grey(0), grey(85), grey(170), grey(255)}},
    {"grey 4", row(pb::Grey, 4, {0, 5, 15}), QImage::Format_Indexed8, {grey(0), grey(85), grey(255)}},
    {"grey 8", row(pb::Grey, 8, {0, 200}), QImage::Format_Indexed8, {grey(0), grey(200)}},
    {"grey 16", row(pb::Grey, 16, {0x00FF, 0x01FF, 0xFFFF}), QImage::Format_Indexed8, {grey(1), grey(2), grey(255)}},
    {"grey 8 + tRNS",
     row(pb::Grey, 8, {200, 100}, QByteArray("\0\310", 2)),
     RGBA,
     {qRgba(200, 200, 200, 0), qRgba(100, 100, 100, 255)}},
    // The key is compared at 16 bits, before rounding: 0x0200 rounds to 2 as 0x01FF does.
    {"grey 16 + tRNS",
     row(pb::Grey, 16, {0x01FF, 0x0200}, QByteArray("\001\377", 2)),
     RGBA,
     {qRgba(2, 2, 2, 0), qRgba(2, 2, 2, 255)}},
    {"grey 1 + tRNS",
     row(pb::Grey, 1, {1, 0}, QByteArray("\0\001", 2)),
     RGBA,
     {qRgba(255, 255, 255, 0), qRgba(0, 0, 0, 255)}},
    {"grey+alpha 8",
     row(pb::GreyAlpha, 8, {10, 0, 20, 128, 30, 255}),
     RGBA,
     {qRgba(10, 10, 10, 0), qRgba(20, 20, 20, 128), qRgba(30, 30, 30, 255)}},
    {"grey+alpha 16", row(pb::GreyAlpha, 16, {0x01FF, 0x00FF}), RGBA, {qRgba(2, 2, 2, 1)}},
    {"rgb 8", row(pb::Rgb, 8, {1, 2, 3, 250, 251, 252}), QImage::Format_RGB888, {qRgb(1, 2, 3), qRgb(250, 251, 252)}},
    {"rgb 16", row(pb::Rgb, 16, {0x01FF, 0xFFFF, 0x0000}), QImage::Format_RGB888, {qRgb(2, 255, 0)}},
    {"rgb 8 + tRNS",
     row(pb::Rgb, 8, {1, 2, 3, 4, 5, 6}, QByteArray("\0\001\0\002\0\003", 6)),
     RGBA,
     {qRgba(1, 2, 3, 0), qRgba(4, 5, 6, 255)}},
    {"rgba 8", row(pb::Rgba, 8, {1, 2, 3, 4, 200, 100, 50, 255}), RGBA, {qRgba(1, 2, 3, 4), qRgba(200, 100, 50, 255)}},
    {"rgba 16", row(pb::Rgba, 16, {0x01FF, 0x00FF, 0x8080, 0x01FF}), RGBA, {qRgba(2, 1, 128, 2)}},
    {"palette 1", withPalette(row(pb::Palette, 1, {1, 0})), QImage::Format_Mono, {qRgb(0, 255, 0), qRgb(255, 0, 0)}},
    {"palette 2",
     withPalette(row(pb::Palette, 2, {3, 2, 1})),
     QImage::Format_RGB888,
     {qRgb(10, 20, 30), qRgb(0, 0, 255), qRgb(0, 255, 0)}},
    {"palette 4", withPalette(row(pb::Palette, 4, {2, 0})), QImage::Format_RGB888, {qRgb(0, 0, 255), qRgb(255, 0, 0)}},
    {"palette 8", withPalette(row(pb::Palette, 8, {1, 3})), QImage::Format_RGB888, {qRgb(0, 255, 0), qRgb(10, 20, 30)}},
    // Entries beyond tRNS's are opaque.
    {"palette 8 + tRNS",
     withPalette(row(pb::Palette, 8, {0, 1, 2}, QByteArray("\0\200", 2))),
     RGBA,
     {qRgba(255, 0, 0, 0), qRgba(0, 255, 0, 128), qRgba(0, 0, 255, 255)}},
    {"palette 1 + tRNS",
     withPalette(row(pb::Palette, 1, {0, 1}, QByteArray("\100", 1))),
     RGBA,
     {qRgba(255, 0, 0, 64), qRgba(0, 255, 0, 255)}},
    // Longer palettes than the depth can index, as other programs show them: the entries reached.
    {"palette 4 of 256 entries",
     longPalette(row(pb::Palette, 4, {15, 1})),
     QImage::Format_RGB888,
     {qRgb(15, 100, 240), qRgb(1, 100, 254)}},
};

class PngKinds : public testing::TestWithParam<KindCase> {};

TEST_P(PngKinds, DecodeToTheirPixels) {
  const KindCase& c = GetParam();
  const QImage image = decodePng(pb::build(c.picture));
  ASSERT_EQ(image.size(), QSize(c.picture.width, c.picture.height));
  EXPECT_EQ(image.format(), c.format);
  QList<QRgb> pixels;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) pixels << image.pixel(x, y);
  EXPECT_EQ(pixels, c.pixels);
}

INSTANTIATE_TEST_SUITE_P(EveryKind, PngKinds, testing::ValuesIn(KINDS), [](const auto& param) {
  std::string name;
  for (const char* p = param.param.name; *p; ++p)
    if (std::isalnum(static_cast<unsigned char>(*p))) name += *p;
  return name;
});

// A picture of the given kind and size whose samples `sample(x, y, channel)` gives, cut to the
// depth.
template <typename Sample>
Picture patterned(pb::ColourType type, int depth, QSize size, const Sample& sample) {
  Picture p;
  p.type = type;
  p.depth = depth;
  p.width = size.width();
  p.height = size.height();
  const uint32_t values = 1u << depth;
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x)
      for (int ch = 0; ch < pb::channelsOf(type); ++ch)
        p.samples.push_back(static_cast<uint16_t>(static_cast<uint32_t>(sample(x, y, ch)) % values));
  return p;
}

// Each output path stored interlaced, and by every filter in every order: the pixels of the same
// file stored plainly. 13 x 11, so that every pass holds pixels and the last passes' rows and
// columns are cut short; smooth runs and jumps, so that every predictor is sometimes right and
// sometimes wrapping. One pixel wide, the interlaced rows take as many bytes as plain ones.
struct StorageCase {
  const char* name;
  pb::ColourType type;
  int depth;
  bool interlaced;
  int width = 13;
};

class PngStorage : public testing::TestWithParam<StorageCase> {};

TEST_P(PngStorage, GivesThePixelsOfThePlainFile) {
  const StorageCase& c = GetParam();
  Picture p = patterned(c.type, c.depth, QSize(c.width, 11),
                        [](int x, int y, int ch) { return (x * 29 + y * 71 + ch * 113) * (x % 3 == 0 ? 997 : 3); });
  if (c.type == pb::Palette) {
    p.palette = {{1, 2, 3}, {40, 50, 60}, {70, 80, 90}, {200, 210, 220}};
    p.palette.resize(size_t{1} << std::min(c.depth, 2));
  }
  const QImage plain = decodePng(pb::build(p));
  p.interlaced = c.interlaced;
  for (const std::vector<int>& filters : {std::vector<int>{0}, {1}, {2}, {3}, {4}, {4, 3, 2, 1, 0}, {0, 4, 1, 3, 2}}) {
    p.filters = filters;
    const QImage image = decodePng(pb::build(p));
    ASSERT_EQ(image.format(), plain.format());
    for (int y = 0; y < p.height; ++y)
      for (int x = 0; x < p.width; ++x)
        ASSERT_EQ(image.pixel(x, y), plain.pixel(x, y)) << filters[0] << " " << x << "," << y;
  }
  // Pixel (1, 0) of the 8-bit RGB picture: 29·3, (29 + 113)·3, (29 + 226)·3, each mod 256.
  if (c.type == pb::Rgb && c.depth == 8 && c.width > 1) {
    EXPECT_EQ(plain.pixel(1, 0), qRgb(87, 170, 253));
  }
}

INSTANTIATE_TEST_SUITE_P(
    EveryOutput, PngStorage,
    testing::Values(StorageCase{"rgb8", pb::Rgb, 8, false}, StorageCase{"rgba8", pb::Rgba, 8, false},
                    StorageCase{"rgb16", pb::Rgb, 16, false}, StorageCase{"grey8", pb::Grey, 8, false},
                    StorageCase{"grey2", pb::Grey, 2, false}, StorageCase{"grey1interlaced", pb::Grey, 1, true},
                    StorageCase{"grey4interlaced", pb::Grey, 4, true},
                    StorageCase{"grey16interlaced", pb::Grey, 16, true},
                    StorageCase{"rgb8interlaced", pb::Rgb, 8, true}, StorageCase{"rgba8interlaced", pb::Rgba, 8, true},
                    StorageCase{"rgba16interlaced", pb::Rgba, 16, true},
                    StorageCase{"palette1interlaced", pb::Palette, 1, true},
                    StorageCase{"palette2interlaced", pb::Palette, 2, true},
                    StorageCase{"rgb8interlacedOneWide", pb::Rgb, 8, true, 1}),
    [](const auto& param) { return std::string(param.param.name); });

QString failureOf(const QByteArray& file) {
  try {
    decodePng(file);
  } catch (const Failure& failure) {
    return failure.message();
  }
  return {};
}

Picture photoLike(int width, int height) {
  Picture p;
  p.width = width;
  p.height = height;
  for (int i = 0; i < width * height * 3; ++i) p.samples.push_back(static_cast<uint16_t>((i * 2654435761u) >> 24));
  return p;
}

QByteArray withHeader(int width, int height, pb::ColourType type = pb::Rgb, int depth = 8) {
  Picture p;
  p.width = width;
  p.height = height;
  p.type = type;
  p.depth = depth;
  // Header only, then a token IDAT: the size must be refused before any pixel is read.
  return pb::signature() + pb::header(p) + pb::chunk("IDAT", pb::compressed(QByteArray(16, '\0'))) +
         pb::chunk("IEND", {});
}

// photoLike(6, 4) interlaced, so that the library reads it, with `chunks` before its rows.
QByteArray interlacedWith(const QByteArray& chunks) {
  Picture p = photoLike(6, 4);
  p.interlaced = true;
  const QByteArray file = pb::build(p);
  return file.left(8 + 25) + chunks + file.mid(8 + 25);  // after the signature and the header
}

// The last byte of IDAT's checksum flipped, its data intact.
QByteArray withWrongChecksum(QByteArray file) {
  file[file.size() - 13] = static_cast<char>(file[file.size() - 13] ^ 1);
  return file;
}

// A chunk with the last byte of its CRC flipped.
QByteArray withWrongCrc(QByteArray chunk) {
  chunk.back() = static_cast<char>(chunk.back() ^ 1);
  return chunk;
}

// `file` with `chunks` before its end marker.
QByteArray beforeTheEnd(QByteArray file, const QByteArray& chunks) { return file.insert(file.size() - 12, chunks); }

QByteArray paddedTo(const QByteArray& file, qsizetype size) { return file + QByteArray(size - file.size(), '\0'); }

struct DamageCase {
  const char* name;
  QByteArray file;
  const char* reason;
};

QByteArray badChecksum() {
  QByteArray file = pb::build(photoLike(40, 30));
  file[file.size() - 40] = static_cast<char>(file[file.size() - 40] ^ 0x10);  // inside IDAT's data
  return file;
}

// A 6 x 4 picture whose rows' data is `data`: in one IDAT, or its last `tail` bytes in a second
// one after `between`; the end marker holding `end`.
QByteArray stored(const QByteArray& data, qsizetype tail = 0, const QByteArray& between = {},
                  const QByteArray& end = {}) {
  const qsizetype head = data.size() - tail;
  return pb::signature() + pb::header(photoLike(6, 4)) + pb::chunk("IDAT", data.left(head)) + between +
         (tail > 0 ? pb::chunk("IDAT", data.mid(head)) : QByteArray()) + pb::chunk("IEND", end);
}

// Among them the rows' data inflating to a byte more or a byte less than the header's size, or to
// a row and megabytes more, or its checksum wrong, each chunk's CRC right. As with a file cut after
// its rows, what follows the last row does not matter once every row is whole: data to spare and
// the stream's checksum are let pass; the program's own loop gives those files up
// to it rather than deciding otherwise, and never inflates them past the raster's memory.
TEST(PngDamage, EachKindIsRefusedWithItsReason) {
  const QByteArray rows = pb::rawRows(photoLike(6, 4));
  QByteArray badAdler = pb::compressed(rows);
  badAdler[badAdler.size() - 1] = static_cast<char>(badAdler[badAdler.size() - 1] ^ 1);
  const DamageCase cases[] = {
      {"cut short", pb::build(photoLike(40, 30)).left(700), "ファイルが途中で終わっています"},
      {"empty", QByteArray(), "ファイルが途中で終わっています"},
      {"bad checksum", badChecksum(), "データが壊れています (CRC が一致しません)"},
      {"the start of any JPEG file", QByteArray("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00", 11), "PNG 形式ではありません"},
      {"a bitmap", QByteArray("BM\x3e\0\0\0\0\0\0\0\x3e\0\0\0", 14), "PNG 形式ではありません"},
      {"zero width", withHeader(0, 10), "画像の大きさが不正です"},
      {"wider than a raster", withHeader(40000, 1), "画像が大きすぎます (40000 x 1 ピクセル)"},
      {"more pixels than a raster", withHeader(30000, 30000), "画像が大きすぎます (30000 x 30000 ピクセル)"},
      {"far more pixels than its bytes", withHeader(16000, 16000),
       "ファイルが 16000 x 16000 ピクセルの画像には短すぎます"},
      {"rows missing", withHeader(300, 200), "ファイルが途中で終わっています"},
      {"a byte short", stored(pb::compressed(rows.left(rows.size() - 1))), "ファイルが途中で終わっています"},
      {"a byte over", stored(pb::compressed(rows + QByteArray(1, '\0'))), ""},
      {"a row and megabytes over", stored(pb::compressed(rows + rows.left(19) + QByteArray(4 << 20, 0))), ""},
      {"Adler-32 wrong", stored(badAdler), ""},
      {"Adler-32 wrong, in a chunk of its own", stored(badAdler, 4), ""},
      {"rows split by another chunk", stored(pb::compressed(rows), 9, pb::chunk("tEXt", "a")),
       "ファイルが途中で終わっています"},
      // Cut in the rows after that chunk, or in their chunk's CRC: refused as the whole file is.
      {"rows split by another chunk, cut in the rows after it",
       stored(pb::compressed(rows), 9, pb::chunk("tEXt", "a")).chopped(12 + 4 + 2), "ファイルが途中で終わっています"},
      {"rows split by another chunk, cut in the CRC after them",
       stored(pb::compressed(rows), 9, pb::chunk("tEXt", "a")).chopped(12 + 2), "ファイルが途中で終わっています"},
      {"an end marker holding data", stored(pb::compressed(rows), 0, {}, "data"), "データが壊れています (#17)"},
      // Refused by the program's own loop, then by the library's path.
      {"a wrong CRC, the rows intact", withWrongChecksum(stored(pb::compressed(rows))),
       "データが壊れています (CRC が一致しません)"},
      // 96 bytes may claim 96 * 1032 + 2^20 bytes of rows: 4483 rows of 1 + 255 bytes, not 8377 of 1 + 136.
      {"a claim at the limit", paddedTo(withHeader(255, 4483, pb::Grey), 96), "ファイルが途中で終わっています"},
      {"a claim a byte over it", paddedTo(withHeader(136, 8377, pb::Grey), 96),
       "ファイルが 136 x 8377 ピクセルの画像には短すぎます"},
      // A chunk skipped anyway still has its CRC checked, before the rows or after them.
      {"a wrong CRC in a skipped text before the rows", interlacedWith(withWrongCrc(pb::chunk("tEXt", "a"))),
       "データが壊れています (CRC が一致しません)"},
      {"a wrong CRC in a skipped text after the rows",
       beforeTheEnd(stored(pb::compressed(rows)), withWrongCrc(pb::chunk("tEXt", "a"))),
       "データが壊れています (CRC が一致しません)"},
      // Chunks that are skipped anyway, however many and however large they unpack.
      {"a thousand and one texts", interlacedWith(pb::chunk("tEXt", QByteArray("a\0b", 3)).repeated(1001)), ""},
      {"a colour profile of 9 MB",
       interlacedWith(pb::chunk("iCCP", QByteArray("p\0\0", 3) + pb::compressed(QByteArray(9 << 20, 'x')))), ""},
  };
  for (const DamageCase& c : cases) {
    EXPECT_EQ(failureOf(c.file).toStdString(), std::string(c.reason)) << c.name;
    // The last pixel's samples: (23 * 3 + channel) * 2654435761 mod 2^32, its top byte.
    if (*c.reason == '\0') {
      EXPECT_EQ(decodePng(c.file).pixel(5, 3), qRgb(164, 67, 225)) << c.name;
    }
  }
}

// Whatever the bytes, a failure and never a crash: every cut of a small file, read by the
// program's own loop (not interlaced) and by the library (interlaced); but a file whose every pixel
// row is there loads, as other programs show it.
TEST(PngDamage, ACutFileLoadsWhenEveryRowIsThere) {
  for (const bool interlaced : {false, true}) {
    Picture p = photoLike(7, 5);
    p.interlaced = interlaced;
    p.filters = {4, 1};
    const QByteArray whole =
        pb::signature() + pb::header(p) + pb::chunk("IDAT", pb::compressed(pb::rawRows(p), 0)) + pb::chunk("IEND", {});
    // Stored uncompressed, the rows are all there from the stream's checksum on (4 bytes, then
    // IDAT's checksum and the end marker).
    for (qsizetype n = 0; n < whole.size(); ++n)
      EXPECT_EQ(failureOf(whole.left(n)).isEmpty(), n >= whole.size() - 20) << n << " interlaced " << interlaced;
    EXPECT_EQ(decodePng(whole.left(whole.size() - 20)), decodePng(whole));
  }
}

// Decoded by the program's own loop, never handed to the library (which would hide a fault of the
// loop's and cost the speed it is there for). The rows are inflated into the raster's own memory,
// beyond where the lines go, and unfiltered forward into the lines while later rows are still
// inflating; lines padded by one, two or three bytes drift towards the data not yet read (the
// tall case by many lines), and runs of rows filtered by Paeth are undone two or four at a time,
// also on lines narrower than the run; in several IDAT chunks (one of them empty), as most
// encoders write them.
struct LayoutCase {
  const char* name;
  pb::ColourType type;
  int width;
  std::vector<int> filters;
  int height = 40;
};

class PngRowLayout : public testing::TestWithParam<LayoutCase> {};

TEST_P(PngRowLayout, GivesTheSamplesStored) {
  const LayoutCase& c = GetParam();
  Picture p = patterned(c.type, 8, QSize(c.width, c.height),
                        [](int x, int y, int ch) { return (x * 37 + y * 101 + ch * 59) * (y % 5 == 0 ? 7 : 1); });
  p.filters = c.filters;
  const QByteArray data = pb::compressed(pb::rawRows(p));
  const qsizetype third = data.size() / 3;
  const QByteArray file = pb::signature() + pb::header(p) + pb::chunk("IDAT", data.left(third)) +
                          pb::chunk("IDAT", {}) + pb::chunk("IDAT", data.mid(third, third)) +
                          pb::chunk("IDAT", data.mid(2 * third)) + pb::chunk("IEND", {});
  const std::optional<QImage> decoded = decodeCommonPng(file, [](qint64, qint64, qint64) {});
  ASSERT_TRUE(decoded.has_value());
  const QImage& image = *decoded;
  const int channels = pb::channelsOf(c.type);
  ASSERT_EQ(image.size(), QSize(c.width, c.height));
  for (int y = 0; y < c.height; ++y)
    for (int x = 0; x < c.width; ++x) {
      const uchar* pixel = image.constScanLine(y) + x * channels;
      for (int ch = 0; ch < channels; ++ch)
        ASSERT_EQ(pixel[ch], p.samples[(static_cast<size_t>(y) * c.width + x) * channels + ch])
            << x << "," << y << " channel " << ch;
    }
}

INSTANTIATE_TEST_SUITE_P(
    PaddingAndPairs, PngRowLayout,
    testing::Values(LayoutCase{"rgbNoPadding", pb::Rgb, 16, {4}}, LayoutCase{"rgbPaddedBy1", pb::Rgb, 13, {4}},
                    LayoutCase{"rgbPaddedBy2", pb::Rgb, 14, {4, 4, 3, 4, 4, 4, 1}},
                    LayoutCase{"rgbPaddedBy3", pb::Rgb, 15, {4, 0, 4, 4, 2}},
                    LayoutCase{"rgbOnePixel", pb::Rgb, 1, {4, 4, 1, 3}}, LayoutCase{"rgbaPaeth", pb::Rgba, 9, {4}},
                    LayoutCase{"rgbaMixed", pb::Rgba, 3, {4, 4, 4, 3, 2, 0}},
                    LayoutCase{"rgbPaethRunsOfFiveToSeven", pb::Rgb, 6, {4, 4, 4, 4, 4, 1, 4, 4, 4, 4, 4,
                                                                         4, 2, 4, 4, 4, 4, 4, 4, 4, 0}},
                    LayoutCase{"rgbaTwoPixelsFourRows", pb::Rgba, 2, {4}},
                    LayoutCase{"rgbOverSeveralPiecesOfInflating", pb::Rgb, 333, {4, 4, 4, 4, 1, 3, 2, 0, 4}, 300},
                    LayoutCase{"rgbPaddedBy3Tall", pb::Rgb, 7, {4, 1, 4, 4, 2, 3, 0}, 200}),
    [](const auto& param) { return std::string(param.param.name); });

// A tie between the pixel above (20) and the one above left (10), the left one (5) further off:
// Paeth's predictor takes the one above.
TEST(PngRowLayout, PaethTiesTakeThePixelAbove) {
  Picture p = patterned(pb::Rgb, 8, QSize(2, 2), [](int x, int y, int) { return y == 0 ? 10 + 10 * x : 5 + 2 * x; });
  p.filters = {0, 4};
  EXPECT_EQ(decodePng(pb::build(p)).pixel(1, 1), qRgb(7, 7, 7));
}

TEST(PngEncode, RoundTripsTheColoursAndDropsAlpha) {
  QImage image(5, 3, QImage::Format_ARGB32);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) image.setPixel(x, y, qRgba(x * 50, y * 100, 7, 10));
  const QImage back = decodePng(encodePng(image));
  ASSERT_EQ(back.format(), QImage::Format_RGB888);
  ASSERT_EQ(back.size(), QSize(5, 3));
  EXPECT_EQ(back.pixel(4, 2), qRgb(200, 200, 7));
  EXPECT_EQ(back.pixel(1, 0), qRgb(50, 0, 7));
  // Every row filtered by the one above: the file's size shows it, not its pixels.
  const QByteArray file = encodePng(image);
  const qsizetype idat = file.indexOf("IDAT") + 4;
  QByteArray rows(3 * 16, '\0');
  uLongf size = 3 * 16;
  ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(rows.data()), &size, reinterpret_cast<const Bytef*>(file.data() + idat),
                       static_cast<uLong>(file.size() - idat)),
            Z_OK);
  EXPECT_EQ(std::string({rows[0], rows[16], rows[32]}), "\2\2\2");
}

}  // namespace
