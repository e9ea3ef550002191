#include "render/bmpreader.h"

#include "model/failure.h"
#include "render/picturefile.h"
#include "support/bmpbuilder.h"

#include <gtest/gtest.h>

#include <QTemporaryFile>

#include <functional>

#include <bit>
#include <optional>
#include <string>

using bmpbuilder::Bmp;
using bmpbuilder::Rle;
using Masks = std::array<std::uint32_t, 3>;

namespace {

const QString INVALID = QStringLiteral("ビットマップイメージが不正です");
const QString READ_ERROR = QStringLiteral("ストリームからの読み込みエラー");
constexpr QRgb WHITE = 0xFFFFFFFFu;
constexpr QRgb BLACK = 0xFF000000u;

struct Outcome {
  QImage image;
  QString failure;  // empty when it loads
};

Outcome attempt(const std::function<QImage()>& load) {
  try {
    return {load(), {}};
  } catch (const Failure& failure) {
    return {{}, failure.message()};
  }
}

// A file in memory is decoded from there, a file on disk is read piece by piece: every case goes
// through both, and both must give the same raster or the same failure.
QImage decode(const QByteArray& file) {
  QTemporaryFile onDisk;
  EXPECT_TRUE(onDisk.open());
  EXPECT_EQ(onDisk.write(file), file.size());
  onDisk.close();
  const Outcome fromMemory = attempt([&] { return readBmp(file); });
  const Outcome fromDisk = attempt([&] { return loadPictureFile(onDisk.fileName()); });
  EXPECT_EQ(fromDisk.failure, fromMemory.failure);
  EXPECT_EQ(fromDisk.image, fromMemory.image);
  EXPECT_EQ(fromDisk.image.format(), fromMemory.image.format());
  if (!fromMemory.failure.isEmpty()) throw Failure(fromMemory.failure);
  return fromMemory.image;
}

// The message decoding fails with, or an empty string when it loads.
QString failureOf(const QByteArray& file) {
  return attempt([&] { return decode(file); }).failure;
}

QRgb paletteColour(int index) { return qRgb((index * 37) % 256, (index * 91 + 17) % 256, 255 - index % 256); }

std::vector<QRgb> makePalette(int entries) {
  std::vector<QRgb> palette(static_cast<size_t>(entries));
  for (int i = 0; i < entries; ++i) palette[static_cast<size_t>(i)] = paletteColour(i);
  return palette;
}

// ---------------------------------------------------------------------------------------------
// Every depth and header kind, decoded pixel by pixel against the values written.

struct LayoutCase {
  const char* name;
  std::uint32_t headerSize;
  std::uint16_t bitCount;
  std::uint32_t compression;
  std::optional<Masks> masks;  // the file's, with bit fields
  bool topDown;
  QImage::Format format;
};

constexpr int W = 33;  // pads every depth's rows, and a 1-bit row spills one bit into a second word
constexpr int H = 3;

Masks effectiveMasks(const LayoutCase& c) {
  return c.masks.value_or(c.bitCount == 16 ? Masks{0x7C00, 0x03E0, 0x001F} : Masks{0xFF0000, 0x00FF00, 0x0000FF});
}

// Raw channel value of pixel (x, y), within the channel's range.
std::uint32_t channelValue(std::uint32_t mask, int x, int y, int channel) {
  const std::uint32_t max = mask >> std::countr_zero(mask);
  return static_cast<std::uint32_t>((x * 7 + y * 13 + channel * 5) * 2654435761u) % (max + 1);
}

int scaled(std::uint32_t value, std::uint32_t mask) {
  const double max = static_cast<double>(mask >> std::countr_zero(mask));
  return static_cast<int>(value * 255.0 / max + 0.5);
}

template <typename Case>
std::string caseName(const testing::TestParamInfo<Case>& test) {
  return test.param.name;
}

int indexAt(int x, int y, int entries) { return (x * 5 + y * 3) % entries; }

class BmpLayouts : public testing::TestWithParam<LayoutCase> {};

TEST_P(BmpLayouts, DecodesEveryPixel) {
  const LayoutCase& c = GetParam();
  const bool indexed = c.bitCount <= 8;
  const int entries = indexed ? 1 << c.bitCount : 0;
  const Masks masks = effectiveMasks(c);

  // Rows by raster line; unused bits are set where the format has them, to prove they are ignored.
  std::vector<std::vector<std::uint32_t>> lines(H);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      std::uint32_t value = 0;
      if (indexed) {
        value = static_cast<std::uint32_t>(indexAt(x, y, entries));
      } else {
        for (int ch = 0; ch < 3; ++ch) value |= channelValue(masks[ch], x, y, ch) << std::countr_zero(masks[ch]);
        const std::uint32_t used = masks[0] | masks[1] | masks[2];
        const std::uint32_t all = c.bitCount == 32 ? 0xFFFFFFFFu : (1u << c.bitCount) - 1;
        value |= 0xA5A5A5A5u & all & ~used;
      }
      lines[y].push_back(value);
    }
  std::vector<std::vector<std::uint32_t>> fileRows;
  for (int i = 0; i < H; ++i) fileRows.push_back(lines[c.topDown ? i : H - 1 - i]);

  Bmp bmp;
  bmp.headerSize = c.headerSize;
  bmp.width = W;
  bmp.height = c.topDown ? -H : H;
  bmp.bitCount = c.bitCount;
  bmp.compression = c.compression;
  bmp.masks = c.masks;
  bmp.palette = makePalette(entries);
  bmp.pixels = bmpbuilder::packRows(fileRows, c.bitCount);

  const QImage image = decode(bmp.build());
  ASSERT_EQ(image.size(), QSize(W, H));
  EXPECT_EQ(image.format(), c.format);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      SCOPED_TRACE(testing::Message() << "pixel " << x << "," << y);
      const QRgb got = image.pixel(x, y);
      // pixel() hides it, but RGB32 promises 0xFF in the unused byte and painting relies on it.
      if (image.format() == QImage::Format_RGB32) {
        ASSERT_EQ(reinterpret_cast<const QRgb*>(image.constScanLine(y))[x] >> 24, 0xFFu);
      }
      if (indexed) {
        ASSERT_EQ(got, paletteColour(indexAt(x, y, entries)));
        continue;
      }
      // Qt widens 555 and 565 by bit replication, one step from rounding at most; bit fields of
      // other widths are rounded to the nearest step.
      const int channels[3] = {qRed(got), qGreen(got), qBlue(got)};
      const int slack = image.format() == QImage::Format_RGB32 ? 0 : 1;
      for (int ch = 0; ch < 3; ++ch)
        ASSERT_NEAR(channels[ch], scaled(channelValue(masks[ch], x, y, ch), masks[ch]), slack) << "channel " << ch;
    }
}

constexpr auto MONO = QImage::Format_Mono, INDEXED = QImage::Format_Indexed8, RGB555 = QImage::Format_RGB555,
               RGB16 = QImage::Format_RGB16, RGB888 = QImage::Format_RGB888, RGB32 = QImage::Format_RGB32;
constexpr bool UP = false, DOWN = true;

INSTANTIATE_TEST_SUITE_P(
    Depths, BmpLayouts,
    testing::Values(
        LayoutCase{"Core1", 12, 1, 0, {}, UP, MONO}, LayoutCase{"Core4", 12, 4, 0, {}, UP, INDEXED},
        LayoutCase{"Core8", 12, 8, 0, {}, UP, INDEXED}, LayoutCase{"Core24", 12, 24, 0, {}, UP, RGB888},
        LayoutCase{"TopDown1", 40, 1, 0, {}, DOWN, MONO}, LayoutCase{"TopDown4", 40, 4, 0, {}, DOWN, INDEXED},
        LayoutCase{"Default555", 40, 16, 0, {}, UP, RGB555}, LayoutCase{"TopDown16", 40, 16, 0, {}, DOWN, RGB555},
        LayoutCase{"TopDown24", 40, 24, 0, {}, DOWN, RGB888}, LayoutCase{"Depth32", 40, 32, 0, {}, UP, RGB32},
        LayoutCase{"Masks565", 40, 16, 3, Masks{0xF800, 0x07E0, 0x001F}, UP, RGB16},
        LayoutCase{"Masks444", 40, 16, 3, Masks{0x0F00, 0x00F0, 0x000F}, UP, RGB32},
        LayoutCase{"MasksBgr565", 40, 16, 3, Masks{0x001F, 0x07E0, 0xF800}, UP, RGB32},
        LayoutCase{"Masks32Rgbx", 40, 32, 3, Masks{0xFF000000, 0x00FF0000, 0x0000FF00}, UP, RGB32},
        LayoutCase{"Masks32Ten", 40, 32, 3, Masks{0x3FF00000, 0x000FFC00, 0x000003FF}, UP, RGB32},
        LayoutCase{"Header52Masks565", 52, 16, 3, Masks{0xF800, 0x07E0, 0x001F}, UP, RGB16},
        LayoutCase{"Header56Masks32", 56, 32, 3, Masks{0xFF0000, 0xFF00, 0xFF}, UP, RGB32},
        LayoutCase{"Header108Bgrx", 108, 32, 3, Masks{0xFF00, 0xFF0000, 0xFF000000}, UP, RGB32},
        LayoutCase{"Header108Depth24", 108, 24, 0, {}, UP, RGB888},
        LayoutCase{"Header124Depth8", 124, 8, 0, {}, UP, INDEXED},
        LayoutCase{"Header124TopDown", 124, 32, 3, Masks{0xFF000000, 0xFF0000, 0xFF00}, DOWN, RGB32}),
    caseName<LayoutCase>);

// ---------------------------------------------------------------------------------------------
// Where the colour table ends and the pixels start.

struct TableCase {
  const char* name;
  std::uint16_t bitCount;
  std::uint32_t coloursUsed;
  int entriesWritten;
  std::uint32_t gap;
  std::optional<std::uint32_t> pixelOffset;  // unset: the true offset
  std::vector<std::uint32_t> pixelValues;    // one row, four pixels
  std::vector<QRgb> expected;
};

class BmpColourTables : public testing::TestWithParam<TableCase> {};

TEST_P(BmpColourTables, FindsPaletteAndPixels) {
  const TableCase& c = GetParam();
  Bmp bmp;
  bmp.width = 4;
  bmp.bitCount = c.bitCount;
  bmp.coloursUsed = c.coloursUsed;
  bmp.palette = makePalette(c.entriesWritten);
  bmp.gap = c.gap;
  bmp.pixelOffset = c.pixelOffset;
  bmp.pixels = bmpbuilder::packRows({c.pixelValues}, c.bitCount);
  const QImage image = decode(bmp.build());
  ASSERT_EQ(image.size(), QSize(4, 1));
  for (int x = 0; x < 4; ++x) EXPECT_EQ(image.pixel(x, 0), c.expected[x]) << "pixel " << x;
}

const QRgb P0 = paletteColour(0), P1 = paletteColour(1), P2 = paletteColour(2), P255 = paletteColour(255);

const std::vector<std::uint32_t> RGB_VALUES = {0xFF0000, 0x00FF00, 0x0000FF, 0x102030};
const std::vector<QRgb> RGB_COLOURS = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(0x10, 0x20, 0x30)};

INSTANTIATE_TEST_SUITE_P(
    Rules, BmpColourTables,
    testing::Values(
        // A short table: the pixels follow it even when the offset field says nothing useful.
        TableCase{"CountLocatesPixels", 8, 3, 3, 0, 0u, {2, 1, 0, 2}, {P2, P1, P0, P2}},
        TableCase{"DefaultCountFor1Bit", 1, 0, 2, 0, 0u, {1, 0, 1, 1}, {P1, P0, P1, P1}},
        TableCase{"DefaultCountFor4Bit", 4, 0, 16, 0, 0u, {15, 0, 1, 2}, {paletteColour(15), P0, P1, P2}},
        // Indices the table does not cover show black rather than reading past it.
        TableCase{"IndexBeyondTable", 8, 2, 2, 0, {}, {1, 2, 255, 0}, {P1, BLACK, BLACK, P0}},
        TableCase{"IndexBeyondTable4Bit", 4, 3, 3, 0, {}, {2, 3, 15, 0}, {P2, BLACK, BLACK, P0}},
        // More entries than 8 bits can index: the extra ones are never read.
        TableCase{"CountBeyond256", 8, 300, 300, 0, {}, {255, 0, 1, 2}, {P255, P0, P1, P2}},
        TableCase{"CountBeyond256NoOffset", 8, 100000, 256, 0, 0u, {255, 0, 1, 2}, {P255, P0, P1, P2}},
        TableCase{"TableIn24BitSkipped", 24, 5, 5, 0, 0u, RGB_VALUES, RGB_COLOURS},
        TableCase{"GapHonoured", 8, 3, 3, 10, {}, {2, 1, 0, 2}, {P2, P1, P0, P2}},
        TableCase{"GapIn24Bit", 24, 0, 0, 6, {}, RGB_VALUES, RGB_COLOURS},
        // Offsets into the headers or the table, or beyond the file, are not trusted.
        TableCase{"OffsetIntoHeaders", 8, 3, 3, 0, 20u, {2, 1, 0, 2}, {P2, P1, P0, P2}},
        TableCase{"OffsetIntoTable", 8, 3, 3, 0, 60u, {2, 1, 0, 2}, {P2, P1, P0, P2}},
        TableCase{"OffsetBeyondFile", 8, 3, 3, 0, 0x7FFFFFF0u, {2, 1, 0, 2}, {P2, P1, P0, P2}},
        // 14 + 40 + 3 x 4 + 4: the file's size, where no pixel can start.
        TableCase{"OffsetAtEndOfFile", 8, 3, 3, 0, 70u, {2, 1, 0, 2}, {P2, P1, P0, P2}}),
    caseName<TableCase>);

// ---------------------------------------------------------------------------------------------
// Files cut short at each part, and headers we refuse.

TEST(BmpTruncated, EndingBeforeThePixelsIsAReadError) {
  Bmp indexed;
  indexed.bitCount = 8;
  indexed.coloursUsed = 4;
  indexed.palette = makePalette(4);
  indexed.pixels = QByteArray(4, '\0');
  Bmp masked;
  masked.bitCount = 16;
  masked.compression = 3;
  masked.masks = Masks{0xF800, 0x07E0, 0x001F};
  Bmp core;
  core.headerSize = 12;
  core.bitCount = 8;
  core.palette = makePalette(256);
  // Inside the file header, the header length, the information header, the masks, the table.
  for (qsizetype length : {1, 13, 14, 17, 18, 14 + 39, 14 + 40, 14 + 40 + 15})
    EXPECT_EQ(failureOf(indexed.build().left(length)), READ_ERROR) << "length " << length;
  EXPECT_EQ(failureOf(masked.build().left(14 + 40 + 8)), READ_ERROR);
  EXPECT_EQ(failureOf(core.build().left(14 + 11)), READ_ERROR);
  EXPECT_EQ(failureOf(core.build().left(14 + 12 + 3 * 256 - 1)), READ_ERROR);
}

// 4 x 3, 8 bits, four palette entries; its pixels start after the headers and the palette.
Bmp threeRows() {
  Bmp bmp;
  bmp.width = 4;
  bmp.height = 3;
  bmp.bitCount = 8;
  bmp.coloursUsed = 4;
  bmp.palette = makePalette(4);
  bmp.pixels = bmpbuilder::packRows({{0, 1, 2, 3}, {1, 1, 1, 1}, {2, 2, 2, 2}}, 8);
  return bmp;
}
constexpr qsizetype THREE_ROWS_PIXEL_START = 14 + 40 + 4 * 4;

TEST(BmpTruncated, EndingInsideThePixelsLeavesTheRestWhite) {
  const Bmp bmp = threeRows();
  const QByteArray whole = bmp.build();
  const qsizetype pixelStart = THREE_ROWS_PIXEL_START;
  const QRgb rows[3][4] = {{P0, P1, P2, paletteColour(3)}, {P1, P1, P1, P1}, {P2, P2, P2, P2}};  // file order
  // Pixel bytes present, and how many whole rows that is; also a declared image size of 8.
  for (const auto& [bytes, complete] : {std::pair{0, 0}, {3, 0}, {4, 1}, {11, 2}, {-8, 2}}) {
    Bmp shorter = bmp;
    shorter.imageSize = 8;
    const QImage image = decode(bytes < 0 ? shorter.build() : whole.left(pixelStart + bytes));
    ASSERT_EQ(image.size(), QSize(4, 3));
    for (int row = 0; row < 3; ++row)
      for (int x = 0; x < 4; ++x)
        ASSERT_EQ(image.pixel(x, 2 - row), row < complete ? rows[row][x] : WHITE) << bytes << ": " << x << "," << row;
  }

  Bmp direct;  // keeps its own format
  direct.width = 2;
  direct.height = -2;
  direct.pixels = bmpbuilder::packRows({{0x112233, 0x445566}, {0x778899, 0xAABBCC}}, 24);
  // Rows of 6 pixel bytes padded to 8: the last row's padding is no part of its pixels.
  for (const auto& [cut, lastRow] : {std::pair{2, qRgb(0xAA, 0xBB, 0xCC)}, {3, WHITE}}) {
    const QImage image = decode(direct.build().chopped(cut));
    EXPECT_EQ(image.format(), QImage::Format_RGB888);
    EXPECT_EQ(image.pixel(1, 0), qRgb(0x44, 0x55, 0x66));
    EXPECT_EQ(image.pixel(1, 1), lastRow) << "cut by " << cut;
  }
}

// Large enough to be read by two threads, half each: wherever the file ends, the rows before that
// are the file's and every row after it is white, in either half.
TEST(BmpTruncated, LargePictureEndingInEitherHalf) {
  constexpr int COLUMNS = 1401;  // padded rows
  constexpr int ROWS = 1100;
  const auto colour = [](int x, int row) { return static_cast<std::uint32_t>(x * 7 + row * 40503) & 0xFFFFFFu; };
  std::vector<std::vector<std::uint32_t>> rows(ROWS, std::vector<std::uint32_t>(COLUMNS));
  for (int row = 0; row < ROWS; ++row)
    for (int x = 0; x < COLUMNS; ++x) rows[row][x] = colour(x, row);
  Bmp bmp;
  bmp.width = COLUMNS;
  bmp.height = ROWS;
  bmp.pixels = bmpbuilder::packRows(rows, 24);
  const QByteArray whole = bmp.build();
  const qsizetype start = whole.size() - bmp.pixels.size();
  const qsizetype stride = bmp.pixels.size() / ROWS;

  for (int complete : {0, 300, ROWS / 2 - 1, ROWS / 2, ROWS / 2 + 1, 900, ROWS}) {
    const qsizetype part = complete < ROWS ? stride / 2 : 0;  // and half of the next row
    const QImage image = decode(whole.left(start + complete * stride + part));
    ASSERT_EQ(image.size(), QSize(COLUMNS, ROWS));
    for (int row = 0; row < ROWS; ++row)
      for (int x : {0, COLUMNS / 2, COLUMNS - 1})
        ASSERT_EQ(image.pixel(x, ROWS - 1 - row), row < complete ? 0xFF000000u | colour(x, row) : WHITE)
            << complete << " rows: " << x << "," << row;
  }
}

// Its size promised more than its reads now give.
class ShrinkingSource final : public BmpSource {
public:
  ShrinkingSource(const QByteArray& data, qsizetype left) : data_(data), left_(left) {}
  qint64 size() const override { return data_.size(); }
  qint64 read(qint64 offset, std::span<const std::span<uchar>> pieces, qint64 length) override {
    BmpMemorySource rest(QByteArrayView(data_).first(left_));
    return rest.read(offset, pieces, length);
  }

private:
  QByteArray data_;
  qsizetype left_;
};

TEST(BmpTruncated, FileShrinkingWhileReadIsDecodedAsTheShorterFile) {
  const QByteArray file = threeRows().build();
  ShrinkingSource oneRow(file, THREE_ROWS_PIXEL_START + 6);
  const QImage image = readBmp(oneRow);
  ASSERT_EQ(image.size(), QSize(4, 3));
  EXPECT_EQ(image.pixel(3, 2), paletteColour(3));
  EXPECT_EQ(image.pixel(0, 1), WHITE);
  EXPECT_EQ(image.pixel(3, 0), WHITE);

  ShrinkingSource headerOnly(file, 20);
  EXPECT_EQ(attempt([&] { return readBmp(headerOnly); }).failure, READ_ERROR);
}

// Header fields patched into an otherwise good 2 x 2, 24-bit file: {offset, size, value}.
struct Patch {
  int offset, size;
  std::uint32_t value;
};
struct InvalidCase {
  const char* name;
  std::vector<Patch> patches;
};

class BmpInvalid : public testing::TestWithParam<InvalidCase> {};

TEST_P(BmpInvalid, IsRefused) {
  Bmp bmp;
  bmp.width = 2;
  bmp.height = 2;
  bmp.pixels = QByteArray(64, '\0');
  QByteArray file = bmp.build();
  for (const Patch& p : GetParam().patches)
    for (int i = 0; i < p.size; ++i) file[p.offset + i] = static_cast<char>(p.value >> (8 * i));
  EXPECT_EQ(failureOf(file), INVALID);
}

constexpr int LENGTH = 14, WIDTH = 18, HEIGHT = 22, PLANES = 26, BITS = 28, COMPRESSION = 30;

INSTANTIATE_TEST_SUITE_P(
    Headers, BmpInvalid,
    testing::Values(InvalidCase{"NotBM", {{0, 2, 0x424D}}}, InvalidCase{"Planes2", {{PLANES, 2, 2}}},
                    InvalidCase{"Planes0", {{PLANES, 2, 0}}}, InvalidCase{"BitCount0", {{BITS, 2, 0}}},
                    InvalidCase{"BitCount2", {{BITS, 2, 2}}}, InvalidCase{"BitCount64", {{BITS, 2, 64}}},
                    InvalidCase{"CompressionJpeg", {{COMPRESSION, 4, 4}}},
                    InvalidCase{"CompressionHuge", {{COMPRESSION, 4, 0xFFFFFFFF}}},
                    InvalidCase{"Rle8At4Bits", {{BITS, 2, 4}, {COMPRESSION, 4, 1}}},
                    InvalidCase{"Rle4At8Bits", {{BITS, 2, 8}, {COMPRESSION, 4, 2}}},
                    InvalidCase{"BitFieldsAt24Bits", {{COMPRESSION, 4, 3}}}, InvalidCase{"WidthZero", {{WIDTH, 4, 0}}},
                    InvalidCase{"WidthNegative", {{WIDTH, 4, 0xFFFFFFFE}}}, InvalidCase{"HeightZero", {{HEIGHT, 4, 0}}},
                    // Header lengths too short for their fields, or unknown and past the end.
                    InvalidCase{"Length0", {{LENGTH, 4, 0}}}, InvalidCase{"Length11", {{LENGTH, 4, 11}}},
                    InvalidCase{"Length39", {{LENGTH, 4, 39}}}, InvalidCase{"Length1000", {{LENGTH, 4, 1000}}},
                    InvalidCase{"LengthHuge", {{LENGTH, 4, 0xFFFFFFFF}}}),
    caseName<InvalidCase>);

TEST(BmpReader, EmptyFileIsAnEmptyRaster) { EXPECT_TRUE(decode(QByteArray()).isNull()); }

TEST(BmpReader, OversizedHeaderFailsBeforeAllocating) {
  struct Size {
    std::uint32_t headerSize;
    std::int64_t width, height;
  };
  for (const Size s : {Size{40, 65535, 65535}, Size{40, 65535, -65535}, Size{12, 65535, 65535},
                       Size{40, 1, -2147483648LL}, Size{40, 32768, 1}, Size{40, 20000, 20000}}) {
    Bmp bmp;
    bmp.headerSize = s.headerSize;
    bmp.width = s.width;
    bmp.height = s.height;
    bmp.bitCount = 8;  // its colour table would be past the end, yet the size is what is reported
    QByteArray file = bmp.build();
    file.resize(100, '\0');
    EXPECT_TRUE(failureOf(file).startsWith(QStringLiteral("画像が大きすぎます"))) << s.width << " x " << s.height;
  }
}

// A file's rows arrive many to a system call; far more rows than one call takes must all arrive.
TEST(BmpReader, EveryRowOfATallPictureArrives) {
  constexpr int ROWS = 30000;
  std::vector<std::vector<std::uint32_t>> rows;
  for (int row = 0; row < ROWS; ++row) rows.push_back({std::uint32_t(row % 4), 0, std::uint32_t(row % 3), 1});
  Bmp bmp;
  bmp.width = 4;
  bmp.height = -ROWS;
  bmp.bitCount = 8;
  bmp.coloursUsed = 4;
  bmp.palette = makePalette(4);
  bmp.pixels = bmpbuilder::packRows(rows, 8);
  const QImage image = decode(bmp.build());
  ASSERT_EQ(image.height(), ROWS);
  for (int row = 0; row < ROWS; ++row) {
    ASSERT_EQ(image.pixel(0, row), paletteColour(row % 4)) << row;
    ASSERT_EQ(image.pixel(2, row), paletteColour(row % 3)) << row;
  }
}

// ---------------------------------------------------------------------------------------------
// Run-length pictures, 4 x 3, drawn as text: '.' is white, a digit the palette entry, 'k' black.

struct RleCase {
  const char* name;
  std::uint32_t compression;  // 1 RLE8, 2 RLE4
  QByteArray payload;
  const char* expected;  // the raster's lines, top first, joined by '|'
  bool topDown = false;
};

class BmpRle : public testing::TestWithParam<RleCase> {};

TEST_P(BmpRle, DrawsOnWhite) {
  const RleCase& c = GetParam();
  Bmp bmp;
  bmp.width = 4;
  bmp.height = c.topDown ? -3 : 3;
  bmp.bitCount = c.compression == 1 ? 8 : 4;
  bmp.compression = c.compression;
  bmp.coloursUsed = 4;
  bmp.palette = makePalette(4);
  bmp.pixels = c.payload;
  const QImage image = decode(bmp.build());
  ASSERT_EQ(image.size(), QSize(4, 3));
  EXPECT_EQ(image.format(), QImage::Format_RGB32);
  QString drawn;
  for (int y = 0; y < 3; ++y) {
    if (y > 0) drawn += u'|';
    for (int x = 0; x < 4; ++x) {
      const QRgb pixel = image.pixel(x, y);
      QChar ch = u'?';
      if (pixel == WHITE)
        ch = u'.';
      else if (pixel == BLACK)
        ch = u'k';
      for (int i = 0; i < 4; ++i)
        if (pixel == paletteColour(i)) ch = QChar(u'0' + i);
      drawn += ch;
    }
  }
  EXPECT_EQ(drawn.toStdString(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, BmpRle,
    testing::Values(
        RleCase{"Rle8Runs", 1,
                Rle().run(4, 1).endOfLine().run(2, 2).run(2, 3).endOfLine().run(3, 0).endOfPicture().data(),
                "000.|2233|1111"},
        RleCase{"Rle8AbsoluteOddPadded", 1, Rle().absolute(3, {3, 2, 1}).run(1, 0).endOfPicture().data(),
                "....|....|3210"},
        RleCase{"Rle8Delta", 1, Rle().run(1, 1).delta(2, 1).run(1, 2).endOfPicture().data(), "....|...2|1..."},
        // Runs, absolute runs and deltas past the right edge are cut, never wrapped.
        RleCase{"Rle8RunPastRightEdge", 1, Rle().run(200, 2).run(5, 1).endOfLine().run(1, 3).endOfPicture().data(),
                "....|3...|2222"},
        RleCase{"Rle8AbsolutePastRightEdge", 1,
                Rle().delta(2, 0).absolute(5, {1, 2, 3, 1, 2}).endOfLine().run(1, 0).data(), "....|0...|..12"},
        RleCase{"Rle8DeltaPastEdges", 1, Rle().delta(255, 0).run(2, 1).endOfLine().delta(0, 255).run(4, 2).data(),
                "....|....|...."},
        RleCase{"Rle8TooManyLines", 1, Rle().endOfLine().endOfLine().endOfLine().endOfLine().run(4, 1).data(),
                "....|....|...."},
        RleCase{"Rle8TruncatedAbsolute", 1, QByteArray("\x00\x04\x01\x02", 4), "....|....|12.."},
        RleCase{"Rle8TruncatedDelta", 1, QByteArray("\x01\x03\x00\x02\x01", 5), "....|....|3..."},
        RleCase{"Rle8NoEndCode", 1, Rle().run(2, 2).data(), "....|....|22.."},
        RleCase{"Rle8IndexBeyondTable", 1, Rle().run(1, 200).absolute(3, {9, 1, 200}).endOfPicture().data(),
                "....|....|kk1k"},
        RleCase{"Rle8TopDown", 1, Rle().run(1, 1).endOfLine().run(2, 2).data(), "1...|22..|....", true},
        RleCase{"Rle4Alternates", 2, Rle().run(3, 0x12).endOfLine().run(4, 0x30).endOfPicture().data(),
                "....|3030|121."},
        RleCase{"Rle4AbsoluteNibbles", 2,
                Rle()
                    .absolute(3, {0x32, 0x10})
                    .run(1, 0x33)
                    .endOfLine()
                    .absolute(5, {0x01, 0x23, 0x10})
                    .endOfPicture()
                    .data(),
                "....|0123|3213"},
        RleCase{"Rle4IndexBeyondTable", 2, Rle().run(2, 0xF1).endOfPicture().data(), "....|....|k1.."},
        RleCase{"Rle4DeltaThenRun", 2, Rle().delta(3, 2).run(9, 0x22).endOfPicture().data(), "...2|....|...."}),
    caseName<RleCase>);

}  // namespace
