#pragma once

// Builds bitmap files in memory, well-formed or deliberately not: any header length, depth,
// compression, masks, palette, pixel offset and payload. The tests use it for fixtures; the fuzz
// corpus is seeded from it.

#include <QByteArray>
#include <QRgb>
#include <QtEndian>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace bmpbuilder {

inline void append16(QByteArray& out, std::uint16_t value) {
  char bytes[2];
  qToLittleEndian(value, bytes);
  out.append(bytes, 2);
}

inline void append32(QByteArray& out, std::uint32_t value) {
  char bytes[4];
  qToLittleEndian(value, bytes);
  out.append(bytes, 4);
}

// Overwrites four bytes of a built file, for headers no writer would produce.
inline void put32At(QByteArray& file, qsizetype offset, std::uint32_t value) {
  qToLittleEndian(value, file.data() + offset);
}

struct Bmp {
  std::uint32_t headerSize = 40;  // 12: the old core header; anything else: the Windows header
  std::int64_t width = 1;         // written as 16 bits in a core header, 32 bits otherwise
  std::int64_t height = 1;        // negative: top-down
  std::uint16_t planes = 1;
  std::uint16_t bitCount = 24;
  std::uint32_t compression = 0;           // 1 RLE8, 2 RLE4, 3 bit fields
  std::optional<std::uint32_t> imageSize;  // unset: the payload's size
  std::uint32_t coloursUsed = 0;
  std::vector<QRgb> palette;  // written as given: 3 bytes an entry in a core header, else 4
  // Red, green, blue. Written inside headers of 52 bytes and more, else after the header.
  std::optional<std::array<std::uint32_t, 3>> masks;
  std::uint32_t alphaMask = 0;               // inside headers of 56 bytes and more
  std::uint32_t gap = 0;                     // filler bytes between the colour table and the pixels
  std::optional<std::uint32_t> pixelOffset;  // unset: where the pixels really start
  std::optional<std::uint32_t> fileSize;     // unset: the real size
  QByteArray pixels;

  QByteArray build() const {
    QByteArray out;
    const bool core = headerSize == 12;
    const bool masksInside = !core && headerSize >= 52;
    const std::uint32_t masksAfter = masks && !masksInside ? 12 : 0;
    const std::uint32_t tableSize = static_cast<std::uint32_t>(palette.size()) * (core ? 3 : 4);
    const std::uint32_t start = 14 + headerSize + masksAfter + tableSize + gap;
    const std::uint32_t total = start + static_cast<std::uint32_t>(pixels.size());

    out.append("BM", 2);
    append32(out, fileSize.value_or(total));
    append32(out, 0);
    append32(out, pixelOffset.value_or(start));

    QByteArray header;
    append32(header, headerSize);
    if (core) {
      append16(header, static_cast<std::uint16_t>(width));
      append16(header, static_cast<std::uint16_t>(height));
      append16(header, planes);
      append16(header, bitCount);
    } else {
      append32(header, static_cast<std::uint32_t>(width));
      append32(header, static_cast<std::uint32_t>(height));
      append16(header, planes);
      append16(header, bitCount);
      append32(header, compression);
      append32(header, imageSize.value_or(static_cast<std::uint32_t>(pixels.size())));
      append32(header, 2835);  // 72 dpi
      append32(header, 2835);
      append32(header, coloursUsed);
      append32(header, 0);
      if (masksInside) {
        const auto m = masks.value_or(std::array<std::uint32_t, 3>{});
        for (std::uint32_t mask : m) append32(header, mask);
        if (headerSize >= 56) append32(header, alphaMask);
      }
    }
    // Whatever the longer headers carry beyond that (colour space, gamma...) is zero here; a
    // header length shorter than the fields is honoured, for malformed files.
    header.resize(headerSize, '\0');
    out.append(header);

    if (masksAfter != 0)
      for (std::uint32_t mask : *masks) append32(out, mask);
    for (QRgb colour : palette) {
      out.append(static_cast<char>(qBlue(colour)));
      out.append(static_cast<char>(qGreen(colour)));
      out.append(static_cast<char>(qRed(colour)));
      if (!core) out.append('\0');
    }
    out.append(QByteArray(gap, '\x5A'));
    out.append(pixels);
    return out;
  }
};

// Rows of pixel values, in the order they are to stand in the file, packed at `bitCount` bits
// (most significant bits first below 8; little-endian above, so 24 bits take 0xRRGGBB) and
// padded to 4 bytes.
inline QByteArray packRows(const std::vector<std::vector<std::uint32_t>>& rows, int bitCount) {
  QByteArray out;
  for (const auto& row : rows) {
    QByteArray packed;
    if (bitCount < 8) {
      const int perByte = 8 / bitCount;
      packed.fill('\0', static_cast<qsizetype>((row.size() + perByte - 1) / perByte));
      for (size_t x = 0; x < row.size(); ++x) {
        const int shift = 8 - bitCount * (static_cast<int>(x % perByte) + 1);
        packed[static_cast<qsizetype>(x / perByte)] =
            static_cast<char>(packed[static_cast<qsizetype>(x / perByte)] | (row[x] << shift));
      }
    } else {
      for (std::uint32_t value : row)
        for (int byte = 0; byte < bitCount / 8; ++byte) packed.append(static_cast<char>(value >> (8 * byte)));
    }
    while (packed.size() % 4 != 0) packed.append('\0');
    out.append(packed);
  }
  return out;
}

// Run-length payloads, code by code. Values are palette indices (two per byte for RLE4).
class Rle {
public:
  Rle& run(int count, int value) { return bytes({count, value}); }
  Rle& endOfLine() { return bytes({0, 0}); }
  Rle& endOfPicture() { return bytes({0, 1}); }
  Rle& delta(int dx, int dy) { return bytes({0, 2, dx, dy}); }
  // An absolute run of `count` pixels whose packed bytes are given; padded to 16 bits. Counts
  // below 3 are the other escape codes, and come out as those.
  Rle& absolute(int count, const std::vector<int>& packed) {
    bytes({0, count});
    for (int b : packed) data_.append(static_cast<char>(b));
    if (packed.size() % 2 != 0) data_.append('\0');
    return *this;
  }
  const QByteArray& data() const { return data_; }

private:
  Rle& bytes(std::initializer_list<int> values) {
    for (int b : values) data_.append(static_cast<char>(b));
    return *this;
  }
  QByteArray data_;
};

}  // namespace bmpbuilder
