#pragma once

// A small PNG writer of its own, independent of the library the program decodes with: it writes
// every colour type and bit depth, interlaced or not, with PLTE and tRNS, so that the tests know
// each file's pixels without asking the decoder under test. Rows are stored unfiltered.

#include <QByteArray>

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include <zlib.h>

namespace pngbuilder {

enum ColourType : uint8_t { Grey = 0, Rgb = 2, Palette = 3, GreyAlpha = 4, Rgba = 6 };

inline int channelsOf(ColourType type) {
  switch (type) {
    case Rgb: return 3;
    case GreyAlpha: return 2;
    case Rgba: return 4;
    default: return 1;
  }
}

struct Picture {
  int width = 0;
  int height = 0;
  ColourType type = Rgb;
  int depth = 8;
  bool interlaced = false;
  // channelsOf(type) samples a pixel, rows one after another, each below 2^depth.
  std::vector<uint16_t> samples;
  std::vector<std::array<uint8_t, 3>> palette;  // PLTE, when not empty
  QByteArray transparency;                      // tRNS's data, when not empty
  // The filter of each row (of each pass), taken in turn: 0 none, 1 left, 2 up, 3 average, 4 Paeth.
  std::vector<int> filters = {0};
};

inline uint8_t paethPredictor(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = p > a ? p - a : a - p;
  const int pb = p > b ? p - b : b - p;
  const int pc = p > c ? p - c : c - p;
  return static_cast<uint8_t>(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

// `row` filtered by `filter` against the row above it (`prior`, zeros for the first), with `bpp`
// bytes to a pixel (at least 1), as the format defines the five filters.
inline QByteArray filterRow(int filter, const QByteArray& row, const QByteArray& prior, int bpp) {
  QByteArray out(1, static_cast<char>(filter));
  for (qsizetype i = 0; i < row.size(); ++i) {
    const int x = static_cast<uint8_t>(row[i]);
    const int a = i >= bpp ? static_cast<uint8_t>(row[i - bpp]) : 0;
    const int b = prior.isEmpty() ? 0 : static_cast<uint8_t>(prior[i]);
    const int c = i >= bpp && !prior.isEmpty() ? static_cast<uint8_t>(prior[i - bpp]) : 0;
    int predicted = 0;
    if (filter == 1) predicted = a;
    if (filter == 2) predicted = b;
    if (filter == 3) predicted = (a + b) / 2;
    if (filter == 4) predicted = paethPredictor(a, b, c);
    out.append(static_cast<char>((x - predicted) & 0xFF));
  }
  return out;
}

inline void putBig32(QByteArray& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.append(static_cast<char>((v >> shift) & 0xFF));
}

inline QByteArray chunk(const char* type, const QByteArray& data) {
  QByteArray out;
  putBig32(out, static_cast<uint32_t>(data.size()));
  const QByteArray body = QByteArray(type, 4) + data;
  out += body;
  putBig32(out, static_cast<uint32_t>(
                    crc32(0, reinterpret_cast<const Bytef*>(body.constData()), static_cast<uInt>(body.size()))));
  return out;
}

// The pixel rows as the file holds them before compression: each pass's rows (one pass when
// not interlaced), each row a filter byte and its samples packed big-endian, filtered.
inline QByteArray rawRows(const Picture& p) {
  static constexpr std::array<int, 7> X0 = {0, 4, 0, 2, 0, 1, 0}, Y0 = {0, 0, 4, 0, 2, 0, 1},
                                      DX = {8, 8, 4, 4, 2, 2, 1}, DY = {8, 8, 8, 4, 4, 2, 2};
  const int channels = channelsOf(p.type);
  const int bpp = std::max(1, channels * p.depth / 8);
  QByteArray out;
  size_t rowIndex = 0;
  const int passes = p.interlaced ? 7 : 1;
  for (int pass = 0; pass < passes; ++pass) {
    const int x0 = p.interlaced ? X0[pass] : 0, y0 = p.interlaced ? Y0[pass] : 0;
    const int dx = p.interlaced ? DX[pass] : 1, dy = p.interlaced ? DY[pass] : 1;
    if (x0 >= p.width) continue;
    QByteArray prior;
    for (int y = y0; y < p.height; y += dy) {
      QByteArray row;
      uint32_t bits = 0;
      int count = 0;
      for (int x = x0; x < p.width; x += dx) {
        for (int c = 0; c < channels; ++c) {
          const uint16_t v = p.samples[(static_cast<size_t>(y) * p.width + x) * channels + c];
          if (p.depth == 16) {
            row.append(static_cast<char>(v >> 8));
            row.append(static_cast<char>(v & 0xFF));
          } else if (p.depth == 8) {
            row.append(static_cast<char>(v));
          } else {
            bits = (bits << p.depth) | v;
            count += p.depth;
            if (count == 8) {
              row.append(static_cast<char>(bits));
              bits = 0;
              count = 0;
            }
          }
        }
      }
      if (count > 0) row.append(static_cast<char>(bits << (8 - count)));
      out += filterRow(p.filters[rowIndex++ % p.filters.size()], row, prior, bpp);
      prior = row;
    }
  }
  return out;
}

inline QByteArray signature() { return QByteArray("\x89PNG\r\n\x1a\n", 8); }

inline QByteArray header(const Picture& p) {
  QByteArray ihdr;
  putBig32(ihdr, static_cast<uint32_t>(p.width));
  putBig32(ihdr, static_cast<uint32_t>(p.height));
  ihdr.append(static_cast<char>(p.depth));
  ihdr.append(static_cast<char>(p.type));
  ihdr.append('\0');
  ihdr.append('\0');
  ihdr.append(static_cast<char>(p.interlaced ? 1 : 0));
  return chunk("IHDR", ihdr);
}

inline QByteArray compressed(const QByteArray& raw, int level = 9) {
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  QByteArray out(static_cast<qsizetype>(size), '\0');
  compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(raw.constData()),
            static_cast<uLong>(raw.size()), level);
  out.resize(static_cast<qsizetype>(size));
  return out;
}

inline QByteArray build(const Picture& p) {
  QByteArray file = signature() + header(p);
  if (!p.palette.empty()) {
    QByteArray plte;
    for (const auto& rgb : p.palette)
      for (uint8_t c : rgb) plte.append(static_cast<char>(c));
    file += chunk("PLTE", plte);
  }
  if (!p.transparency.isEmpty()) file += chunk("tRNS", p.transparency);
  file += chunk("IDAT", compressed(rawRows(p)));
  file += chunk("IEND", {});
  return file;
}

}  // namespace pngbuilder
