// fuzz_seeds FOLDER: writes the seed corpora of the harnesses, one sub-folder each: bitmaps of
// every layout the reader accepts, JPEG files of every kind the decoder handles, project files
// from New to ninety-nine parts, and typed numbers and Shift-JIS strings.

#include "support/bmpbuilder.h"
#include "support/jpegbuilder.h"
#include "support/pngbuilder.h"

#include "model/document.h"
#include "model/fixedstring.h"
#include "model/projectfile.h"

#include <QDir>
#include <QFile>
#include <QString>

#include <cstdio>
#include <vector>

namespace {

void put(const QDir& folder, const QString& name, QByteArrayView bytes) {
  QFile file(folder.filePath(name));
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes.data(), bytes.size()) != bytes.size()) {
    std::fprintf(stderr, "fuzz_seeds: cannot write %s\n", qPrintable(file.fileName()));
    std::exit(1);
  }
}

// ---------------------------------------------------------------------------------------------
// Bitmaps: every header length, depth and compression the reader takes, bottom-up and top-down.

constexpr int kWidth = 5;
constexpr int kHeight = 3;

std::vector<QRgb> palette(int entries) {
  std::vector<QRgb> colours;
  for (int i = 0; i < entries; ++i) colours.push_back(qRgb(i * 37 % 256, i * 91 % 256, 255 - i * 13 % 256));
  return colours;
}

std::vector<std::vector<std::uint32_t>> pixelValues(int bitCount) {
  const std::uint32_t range = bitCount >= 24 ? 0xFFFFFFu : (std::uint32_t{1} << bitCount) - 1;
  std::vector<std::vector<std::uint32_t>> rows(kHeight);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) rows[y].push_back(static_cast<std::uint32_t>(x * 7919 + y * 104729) % (range + 1));
  return rows;
}

QByteArray rlePixels(bool fourBit) {
  bmpbuilder::Rle rle;
  const int colour = fourBit ? 0x21 : 2;
  rle.run(3, colour).absolute(3, fourBit ? std::vector<int>{0x12, 0x30} : std::vector<int>{1, 2, 3}).endOfLine();
  rle.delta(1, 1).run(2, fourBit ? 0x33 : 3).endOfPicture();
  return rle.data();
}

void writeBitmaps(const QDir& folder) {
  for (const std::uint32_t header : {12u, 40u, 52u, 56u, 64u, 108u, 124u}) {
    for (const int bitCount : {1, 4, 8, 16, 24, 32}) {
      std::vector<std::uint32_t> compressions{0};
      if (header != 12 && bitCount == 8) compressions.push_back(1);
      if (header != 12 && bitCount == 4) compressions.push_back(2);
      if (header != 12 && (bitCount == 16 || bitCount == 32)) compressions.push_back(3);
      for (const std::uint32_t compression : compressions) {
        for (const bool topDown : {false, true}) {
          if (topDown && header == 12) continue;  // the old header has no sign
          bmpbuilder::Bmp bmp;
          bmp.headerSize = header;
          bmp.width = kWidth;
          bmp.height = topDown ? -kHeight : kHeight;
          bmp.bitCount = static_cast<std::uint16_t>(bitCount);
          bmp.compression = compression;
          if (bitCount <= 8) bmp.palette = palette(1 << bitCount);
          if (compression == 3)
            bmp.masks = bitCount == 16 ? std::array<std::uint32_t, 3>{0xF800, 0x07E0, 0x001F}
                                       : std::array<std::uint32_t, 3>{0x00FF0000, 0x0000FF00, 0x000000FF};
          bmp.pixels = compression == 1 || compression == 2 ? rlePixels(compression == 2)
                                                            : bmpbuilder::packRows(pixelValues(bitCount), bitCount);
          put(folder,
              QStringLiteral("h%1-b%2-c%3%4.bmp")
                  .arg(header)
                  .arg(bitCount)
                  .arg(compression)
                  .arg(topDown ? QStringLiteral("-topdown") : QString()),
              bmp.build());
        }
      }
    }
  }
  // A short colour table with a gap before the pixels, and a file that ends inside them.
  bmpbuilder::Bmp table;
  table.bitCount = 8;
  table.coloursUsed = 3;
  table.palette = palette(3);
  table.gap = 6;
  table.width = kWidth;
  table.height = kHeight;
  table.pixels = bmpbuilder::packRows(pixelValues(1), 8);
  put(folder, QStringLiteral("short-table-gap.bmp"), table.build());
  put(folder, QStringLiteral("cut-in-pixels.bmp"), table.build().chopped(5));
}

// ---------------------------------------------------------------------------------------------
// JPEG files through libjpeg itself, every kind of coding the decoder must take.

struct JpegKind {
  const char* name;
  J_COLOR_SPACE input;               // JCS_RGB, JCS_GRAYSCALE or JCS_CMYK
  J_COLOR_SPACE file = JCS_UNKNOWN;  // unknown: the library's default for the input
  bool progressive = false;
  bool arithmetic = false;
  bool optimised = false;
  int restartRows = 0;
  int sampling = 2;  // horizontal and vertical factor of the first component: 1 for 4:4:4
  int width = 16;
  int height = 16;
};

QByteArray compressJpeg(const JpegKind& kind) {
  const int components = jpegbuilder::componentsOf(kind.input);
  std::vector<unsigned char> pixels(static_cast<size_t>(kind.width * kind.height * components));
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<unsigned char>(i * 37 % 251);
  return jpegbuilder::compress(pixels, kind.width, kind.height,
                               {.input = kind.input,
                                .file = kind.file,
                                .progressive = kind.progressive,
                                .quality = 75,
                                .arithmetic = kind.arithmetic,
                                .optimised = kind.optimised,
                                .restartRows = kind.restartRows,
                                .sampling = kind.sampling});
}

void writeJpegs(const QDir& folder) {
  const JpegKind kinds[] = {
      {"baseline-420", JCS_RGB},
      {"baseline-444", JCS_RGB, JCS_UNKNOWN, false, false, false, 0, 1},
      {"odd-size", JCS_RGB, JCS_UNKNOWN, false, false, false, 0, 2, 17, 9},
      {"one-pixel", JCS_RGB, JCS_UNKNOWN, false, false, false, 0, 2, 1, 1},
      {"progressive", JCS_RGB, JCS_UNKNOWN, true},
      {"progressive-444", JCS_RGB, JCS_UNKNOWN, true, false, false, 0, 1},
      {"arithmetic", JCS_RGB, JCS_UNKNOWN, false, true},
      {"arithmetic-progressive", JCS_RGB, JCS_UNKNOWN, true, true},
      {"optimised", JCS_RGB, JCS_UNKNOWN, false, false, true},
      {"restarts", JCS_RGB, JCS_UNKNOWN, false, false, false, 1},
      {"rgb-unconverted", JCS_RGB, JCS_RGB, false, false, false, 0, 1},
      {"grey", JCS_GRAYSCALE, JCS_UNKNOWN, false, false, false, 0, 1},
      {"grey-progressive", JCS_GRAYSCALE, JCS_UNKNOWN, true, false, false, 0, 1},
      {"cmyk", JCS_CMYK, JCS_CMYK, false, false, false, 0, 1},
      {"ycck", JCS_CMYK, JCS_YCCK, false, false, false, 0, 1},
      {"ycck-progressive", JCS_CMYK, JCS_YCCK, true, false, false, 0, 1},
  };
  for (const JpegKind& kind : kinds)
    put(folder, QString::fromLatin1(kind.name) + QStringLiteral(".jpg"), compressJpeg(kind));
}

// ---------------------------------------------------------------------------------------------
// PNG files of every colour type and depth, plain and interlaced, with and without tRNS.

void writePngs(const QDir& folder) {
  namespace pb = pngbuilder;
  const struct {
    pb::ColourType type;
    std::vector<int> depths;
    QByteArray transparency;
  } kinds[] = {
      {pb::Grey, {1, 2, 4, 8, 16}, QByteArray("\0\001", 2)},
      {pb::Rgb, {8, 16}, QByteArray("\0\001\0\002\0\003", 6)},
      {pb::Palette, {1, 2, 4, 8}, QByteArray("\0\200", 2)},
      {pb::GreyAlpha, {8, 16}, {}},
      {pb::Rgba, {8, 16}, {}},
  };
  for (const auto& kind : kinds) {
    for (int depth : kind.depths) {
      for (const bool interlaced : {false, true}) {
        for (const bool keyed : {false, true}) {
          if (keyed && kind.transparency.isEmpty()) continue;
          pb::Picture p;
          p.type = kind.type;
          p.depth = depth;
          p.interlaced = interlaced;
          p.width = 11;
          p.height = 9;
          const int channels = pb::channelsOf(kind.type);
          const int top = kind.type == pb::Palette ? std::min(4, 1 << depth) : 1 << depth;
          for (int i = 0; i < p.width * p.height * channels; ++i)
            p.samples.push_back(static_cast<uint16_t>(i * 37 % top));
          if (kind.type == pb::Palette) p.palette = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
          if (kind.type == pb::Palette) p.palette.resize(static_cast<size_t>(top));
          if (keyed) p.transparency = kind.transparency;
          put(folder,
              QStringLiteral("type%1-depth%2%3%4.png")
                  .arg(kind.type)
                  .arg(depth)
                  .arg(interlaced ? QStringLiteral("-interlaced") : QString())
                  .arg(keyed ? QStringLiteral("-trns") : QString()),
              pb::build(p));
        }
      }
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Project files.

TDocument newDocument() {
  TDocument doc;
  clearDocument(doc);
  doc.BackColor = clWhite;
  return doc;
}

void writeProjects(const QDir& folder) {
  put(folder, QStringLiteral("new.rpf"), projectBytes(newDocument()));

  TDocument doc = newDocument();
  doc.BackColor = 0x336699;
  storeFixedPath(doc.BackFile, QStringLiteral("/tmp/背景.bmp"));
  doc.BackLeft = 20;
  doc.BackTop = 10;
  doc.BackWidth = 320;
  doc.BackHeight = 120;
  TPartData& plain = appendPart(doc, pkText);
  storeFixedString(plain.Text, u"Pelmora ロゴ");
  TPartData& styled = appendPart(doc, pkText);
  storeFixedString(styled.Text, u"ｶﾀｶﾅ と 漢字");
  storeFixedString(styled.FontName, u"ＭＳ ゴシック");
  styled.FontSize = 24;
  styled.FontStyle = fsBold | fsItalic | fsUnderline | fsStrikeOut;
  styled.FillOn = 1;
  styled.FillColor = 0x00FFFF;
  styled.ShadowX = -3;
  styled.ShadowY = 2;
  styled.Left = 40;
  styled.Top = 30;
  styled.Width = 1;
  styled.Height = 1;
  TPartData& picture = appendPart(doc, pkPicture);
  storeFixedPath(picture.FileName, QStringLiteral("/tmp/mark.jpg"));
  picture.Width = 50;
  picture.Height = 25;
  put(folder, QStringLiteral("three-parts.rpf"), projectBytes(doc));
  // Cut inside the first record: refused for its size.
  put(folder, QStringLiteral("cut.rpf"), projectBytes(doc).first(600));

  TDocument full = newDocument();
  for (int i = 0; canAddPart(full); ++i) {
    TPartData& part = appendPart(full, i % 2 == 0 ? pkText : pkPicture);
    if (part.Kind == pkText)
      storeFixedString(part.Text, QString::number(i));
    else
      storeFixedPath(part.FileName, QStringLiteral("/tmp/%1.bmp").arg(i));
  }
  put(folder, QStringLiteral("ninety-nine-parts.rpf"), projectBytes(full));
}

// ---------------------------------------------------------------------------------------------
// Typed numbers and Shift-JIS text; the first byte also sets the cut's limit.

void writeFields(const QDir& folder) {
  const QByteArray samples[] = {
      "123",
      "  -42",
      "+0",
      "-2147483648",
      "2147483647",
      "2147483648",
      "$7FFFFFFF",
      "0xffffffff",
      "X1f",
      "0x",
      "12a",
      // Shift-JIS: double-byte kanji and kana, single-byte katakana, a lead byte at the end.
      "\x83\x8d\x83\x53 Logo",
      "\x8a\xbf\x8e\x9a\xdb\xba\xde",
      "abc\x82",
  };
  int n = 0;
  for (const QByteArray& sample : samples) put(folder, QStringLiteral("sample-%1").arg(n++), sample);
  // Double-byte characters past a field's 255 bytes, so that its cut falls inside one.
  put(folder, QStringLiteral("long-double-byte"), QByteArray(300, '\x88'));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: fuzz_seeds FOLDER\n", stderr);
    return 2;
  }
  const QDir top(QString::fromLocal8Bit(argv[1]));
  const struct {
    const char* name;
    void (*write)(const QDir&);
  } corpora[] = {{"bmp", writeBitmaps},
                 {"jpeg", writeJpegs},
                 {"png", writePngs},
                 {"project", writeProjects},
                 {"fields", writeFields}};
  for (const auto& corpus : corpora) {
    if (!top.mkpath(QString::fromLatin1(corpus.name))) {
      std::fprintf(stderr, "fuzz_seeds: cannot make %s/%s\n", argv[1], corpus.name);
      return 1;
    }
    corpus.write(QDir(top.filePath(QString::fromLatin1(corpus.name))));
  }
  return 0;
}
