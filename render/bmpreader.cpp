#include "render/bmpreader.h"

#include "model/failure.h"
#include "render/raster.h"

#include <QtEndian>

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <future>
#include <memory>
#include <new>
#include <system_error>
#include <vector>

namespace {

// Every size and offset below is qint64: header fields are 32-bit and are multiplied and added
// before they are compared with the file size.
constexpr qint64 FILE_HEADER_SIZE = 14;
constexpr qint64 CORE_HEADER_SIZE = 12;
constexpr qint64 INFO_HEADER_SIZE = 40;
constexpr qint64 MASKS_INSIDE_HEADER_SIZE = 52;
constexpr qint64 SEPARATE_MASKS_SIZE = 12;

// Plain runs give at most 128 pixels a byte, a complete uncompressed file at most 8.
constexpr qint64 PIXELS_PER_FILE_BYTE = 256;

constexpr quint32 COMPRESSION_NONE = 0;
constexpr quint32 COMPRESSION_RLE8 = 1;
constexpr quint32 COMPRESSION_RLE4 = 2;
constexpr quint32 COMPRESSION_BITFIELDS = 3;

constexpr QRgb PAD_COLOUR = 0xFF000000u;  // opaque black

constexpr qint64 MAX_PALETTE_BYTES = 256 * 4;

// Rows are read and converted a chunk at a time, few enough to stay in the cache in between.
constexpr qint64 CHUNK_BYTES = qint64{256} << 10;
constexpr qint64 TWO_THREADS_BYTES = qint64{4} << 20;

using Masks = std::array<quint32, 3>;  // red, green, blue
constexpr Masks MASKS_555 = {0x7C00, 0x03E0, 0x001F};
constexpr Masks MASKS_565 = {0xF800, 0x07E0, 0x001F};
constexpr Masks MASKS_888 = {0xFF0000, 0x00FF00, 0x0000FF};

[[noreturn]] void invalidBitmap() { throw Failure(QStringLiteral("ビットマップイメージが不正です")); }
[[noreturn]] void readError() { throw Failure(QStringLiteral("ストリームからの読み込みエラー")); }

quint16 le16(const uchar* p) { return qFromLittleEndian<quint16>(p); }
quint32 le32(const uchar* p) { return qFromLittleEndian<quint32>(p); }
qint32 le32s(const uchar* p) { return qFromLittleEndian<qint32>(p); }

// The header sizes writers actually produce. Cut short, they are a truncated file; any other size
// that runs past the end of the file is nonsense rather than truncation.
bool isKnownHeaderSize(qint64 size) {
  switch (size) {
    case 12:
    case 40:
    case 52:
    case 56:
    case 64:
    case 108:
    case 124: return true;
    default: return false;
  }
}

// What the headers say, checked against each other and against the file.
struct Layout {
  qint64 width = 0;
  qint64 height = 0;  // rows, always positive
  bool topDown = false;
  int bitCount = 0;
  quint32 compression = COMPRESSION_NONE;
  Masks masks{};
  QList<QRgb> palette;    // 2^bitCount entries for up to 8 bits, padded with black
  qint64 pixelStart = 0;  // where the pixels begin in the file
  qint64 pixelBytes = 0;  // what the file really holds, never more
  qint64 stride = 0;      // bytes from one row to the next, rows being padded to 32 bits

  // Where file row i (first in the file) goes in the raster.
  int lineOf(qint64 row) const { return static_cast<int>(topDown ? row : height - 1 - row); }
};

bool bitCountAllowed(int bitCount) {
  switch (bitCount) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32: return true;
    default: return false;
  }
}

bool compressionFits(quint32 compression, int bitCount) {
  switch (compression) {
    case COMPRESSION_NONE: return true;
    case COMPRESSION_RLE8: return bitCount == 8;
    case COMPRESSION_RLE4: return bitCount == 4;
    case COMPRESSION_BITFIELDS: return bitCount == 16 || bitCount == 32;
    default: return false;
  }
}

Masks readMasks(const uchar* p) { return {le32(p), le32(p + 4), le32(p + 8)}; }

// Reads all of `length` bytes at `offset`, or fails as a file that ends too soon.
void readExactly(BmpSource& source, qint64 offset, uchar* destination, qint64 length) {
  const std::span<uchar> piece(destination, static_cast<size_t>(length));
  if (source.read(offset, {&piece, 1}, length) != length) readError();
}

Layout parse(BmpSource& source) {
  const qint64 fileSize = source.size();
  if (fileSize < FILE_HEADER_SIZE) readError();
  // The file header and as much of the next as is ever looked at; every field read from it
  // below lies inside the header length, which is checked against the file size first.
  std::array<uchar, FILE_HEADER_SIZE + MASKS_INSIDE_HEADER_SIZE> head{};
  readExactly(source, 0, head.data(), std::min<qint64>(fileSize, head.size()));
  const uchar* file = head.data();
  if (file[0] != 'B' || file[1] != 'M') invalidBitmap();
  const qint64 pixelOffset = le32(file + 10);

  if (fileSize < FILE_HEADER_SIZE + 4) readError();
  const qint64 headerSize = le32(file + FILE_HEADER_SIZE);
  const bool core = headerSize == CORE_HEADER_SIZE;
  if (!core && headerSize < INFO_HEADER_SIZE) invalidBitmap();
  if (FILE_HEADER_SIZE + headerSize > fileSize) {
    if (isKnownHeaderSize(headerSize)) readError();
    invalidBitmap();
  }

  const uchar* info = file + FILE_HEADER_SIZE;
  Layout layout;
  quint16 planes = 0;
  quint32 imageSize = 0;
  quint32 coloursUsed = 0;
  if (core) {
    // The old OS/2 header has unsigned 16-bit sides and is always bottom-up.
    layout.width = le16(info + 4);
    layout.height = le16(info + 6);
    planes = le16(info + 8);
    layout.bitCount = le16(info + 10);
  } else {
    layout.width = le32s(info + 4);
    layout.height = le32s(info + 8);
    planes = le16(info + 12);
    layout.bitCount = le16(info + 14);
    layout.compression = le32(info + 16);
    imageSize = le32(info + 20);
    coloursUsed = le32(info + 32);
  }
  if (planes != 1 || !bitCountAllowed(layout.bitCount) || !compressionFits(layout.compression, layout.bitCount))
    invalidBitmap();
  if (layout.width <= 0 || layout.height == 0) invalidBitmap();
  layout.topDown = layout.height < 0;
  layout.height = std::abs(layout.height);
  // Before anything is read or allocated: a tiny file may claim an enormous picture.
  checkRasterSize(layout.width, layout.height);
  // A file that ends inside its pixels loads with the rest white, and run-length codes may skip
  // most of a picture, but a few bytes must not become a gigabyte of white.
  if (!pixelsInProportion(layout.width, layout.height, fileSize, PIXELS_PER_FILE_BYTE)) readError();

  qint64 tableStart = FILE_HEADER_SIZE + headerSize;
  if (layout.compression == COMPRESSION_BITFIELDS) {
    if (headerSize >= MASKS_INSIDE_HEADER_SIZE) {
      layout.masks = readMasks(info + INFO_HEADER_SIZE);
    } else {
      if (tableStart + SEPARATE_MASKS_SIZE > fileSize) readError();
      std::array<uchar, SEPARATE_MASKS_SIZE> masks{};
      readExactly(source, tableStart, masks.data(), masks.size());
      layout.masks = readMasks(masks.data());
      tableStart += SEPARATE_MASKS_SIZE;
    }
  } else if (layout.bitCount == 16) {
    layout.masks = MASKS_555;
  } else if (layout.bitCount == 32) {
    layout.masks = MASKS_888;
  }

  // Up to 8 bits a count beyond what the pixels can index is clamped, so a hostile count never
  // drives the reading; the extra entries could not be used anyway and the pixel offset still
  // finds the data. Deeper pictures may carry a table too, which is only skipped.
  const qint64 entrySize = core ? 3 : 4;
  qint64 entries = coloursUsed;
  if (layout.bitCount <= 8) {
    const qint64 indexable = qint64{1} << layout.bitCount;
    entries = coloursUsed == 0 ? indexable : std::min<qint64>(coloursUsed, indexable);
    // Indices beyond the file's table show black instead of reading past it.
    layout.palette.fill(PAD_COLOUR, indexable);
  }
  const qint64 tableEnd = tableStart + entries * entrySize;
  if (tableEnd > fileSize) readError();
  if (!layout.palette.isEmpty()) {
    std::array<uchar, MAX_PALETTE_BYTES> table{};
    readExactly(source, tableStart, table.data(), entries * entrySize);
    for (qint64 i = 0; i < entries; ++i) {
      const uchar* entry = table.data() + i * entrySize;
      layout.palette[i] = qRgb(entry[2], entry[1], entry[0]);
    }
  }

  // Writers that leave a gap before the pixels say so in the offset; one pointing back into the
  // headers or beyond the file is ignored rather than trusted.
  const qint64 dataStart = pixelOffset >= tableEnd && pixelOffset < fileSize ? pixelOffset : tableEnd;
  layout.stride = (layout.width * layout.bitCount + 31) / 32 * 4;
  const qint64 declared = imageSize != 0 ? qint64{imageSize} : layout.height * layout.stride;
  layout.pixelStart = dataStart;
  layout.pixelBytes = std::min(declared, fileSize - dataStart);
  return layout;
}

// One channel of a bit-field pixel, scaled to 0..255 whatever its width.
class Channel {
public:
  explicit Channel(quint32 mask)
      : mask_(mask), shift_(mask == 0 ? 0 : std::countr_zero(mask)), max_(quint64{mask} >> shift_) {}
  int operator()(quint32 pixel) const {
    if (max_ == 0) return 0;
    return static_cast<int>((quint64{(pixel & mask_) >> shift_} * 255 + max_ / 2) / max_);
  }

private:
  quint32 mask_;
  int shift_;
  quint64 max_;
};

struct MaskedPixels {
  Channel red, green, blue;
  int bytesPerPixel;

  void operator()(const uchar* src, uchar* dst, qint64 width) const {
    auto* out = reinterpret_cast<QRgb*>(dst);
    for (qint64 x = 0; x < width; ++x, src += bytesPerPixel) {
      const quint32 pixel = bytesPerPixel == 2 ? le16(src) : le32(src);
      out[x] = qRgb(red(pixel), green(pixel), blue(pixel));
    }
  }
};

// Row converters take a file row and write a raster line. Those used for rows laid out as the
// raster's lines also work where both are the same memory: such rows are read into their lines
// and converted where they lie.

void copyRow(const uchar* src, uchar* dst, qint64 bytes) {
  if (src != dst) std::memcpy(dst, src, static_cast<size_t>(bytes));
}

void unpackNibbles(const uchar* src, uchar* dst, qint64 width) {
  for (qint64 x = 0; x + 1 < width; x += 2, ++src) {
    dst[x] = *src >> 4;
    dst[x + 1] = *src & 0x0F;
  }
  if (width & 1) dst[width - 1] = *src >> 4;
}

void swapToRgb888(const uchar* src, uchar* dst, qint64 width) {
  for (qint64 x = 0; x < width; ++x, src += 3, dst += 3) {
    const uchar blue = src[0];
    const uchar red = src[2];
    dst[0] = red;
    dst[1] = src[1];
    dst[2] = blue;
  }
}

// The file's B,G,R,x is RGB32's memory order already; only the unused byte must read as opaque.
void opaqueRgb32(const uchar* src, uchar* dst, qint64 width) {
  const auto* in = reinterpret_cast<const quint32*>(src);
  auto* out = reinterpret_cast<quint32*>(dst);
  for (qint64 x = 0; x < width; ++x) out[x] = in[x] | 0xFF000000u;
}

enum class Rows { InLines, ThroughBuffer };

// Rows the file holds completely are converted; the rest are white. An indexed raster cannot be
// relied on to have white in its palette, so a short one becomes RGB32.
template <typename ConvertRow>
QImage decodeRows(BmpSource& source, const Layout& layout, QImage::Format format, Rows rows,
                  const ConvertRow& convertRow) {
  QImage image = allocateRaster(layout.width, layout.height, format);
  if (format == QImage::Format_Mono || format == QImage::Format_Indexed8) image.setColorTable(layout.palette);
  uchar* bits = image.bits();
  const qint64 bytesPerLine = image.bytesPerLine();
  const auto line = [&](qint64 row) { return bits + layout.lineOf(row) * bytesPerLine; };

  const bool inLines = rows == Rows::InLines && bytesPerLine == layout.stride;
  const qint64 rowBytes = (layout.width * layout.bitCount + 7) / 8;
  const qint64 chunkRows = std::clamp<qint64>(CHUNK_BYTES / layout.stride, 1, layout.height);

  // Decodes file rows first..end-1; returns how many of them, from the first on, were whole.
  const auto decodeRange = [&](qint64 first, qint64 end) {
    std::unique_ptr<uchar[]> buffer;
    if (!inLines) buffer = std::make_unique_for_overwrite<uchar[]>(static_cast<size_t>(chunkRows * layout.stride));
    std::vector<std::span<uchar>> pieces(static_cast<size_t>(chunkRows));
    qint64 row = first;
    while (row < end) {
      const qint64 count = std::min(chunkRows, end - row);
      const qint64 length = std::min(count * layout.stride, layout.pixelBytes - row * layout.stride);
      if (length < rowBytes) break;
      for (qint64 i = 0; i < count; ++i)
        pieces[i] = {inLines ? line(row + i) : buffer.get() + i * layout.stride, static_cast<size_t>(layout.stride)};
      const qint64 got = source.read(layout.pixelStart + row * layout.stride,
                                     std::span(pieces).first(static_cast<size_t>(count)), length);
      // A file that shrinks while it is read leaves the rest of the picture white, like a short one.
      const qint64 whole = got < rowBytes ? 0 : std::min(count, (got - rowBytes) / layout.stride + 1);
      for (qint64 i = 0; i < whole; ++i) convertRow(pieces[i].data(), line(row + i), layout.width);
      row += whole;
      if (whole < count) break;
    }
    return row - first;
  };

  // A large picture is read by two threads, half each: fresh memory has to be cleared by the
  // kernel and filled, and one core alone spends most of a large bitmap's load on that.
  const qint64 half = layout.height / 2;
  std::future<qint64> second;
  if (image.sizeInBytes() >= TWO_THREADS_BYTES) {
    try {
      second = std::async(std::launch::async, decodeRange, half, layout.height);
    } catch (const std::system_error&) {
      // No thread to be had: this one reads it all.
    }
  }
  qint64 complete = 0;
  if (second.valid()) {
    complete = decodeRange(0, half);
    const qint64 secondComplete = second.get();
    if (complete == half) complete += secondComplete;
  } else {
    complete = decodeRange(0, layout.height);
  }
  if (complete == layout.height) return image;

  for (qint64 row = complete; row < layout.height; ++row) std::memset(line(row), 0, static_cast<size_t>(bytesPerLine));
  if (image.colorCount() > 0) {
    image = image.convertToFormat(QImage::Format_RGB32);
    if (image.isNull()) throw Failure(QStringLiteral("メモリが足りません"));
  }
  for (qint64 row = complete; row < layout.height; ++row)
    std::memset(image.scanLine(layout.lineOf(row)), 0xFF, static_cast<size_t>(image.bytesPerLine()));
  return image;
}

QImage decodeUncompressed(BmpSource& source, const Layout& layout) {
  switch (layout.bitCount) {
    case 1:
      return decodeRows(source, layout, QImage::Format_Mono, Rows::InLines,
                        [](const uchar* s, uchar* d, qint64 w) { copyRow(s, d, (w + 7) / 8); });
    case 4: return decodeRows(source, layout, QImage::Format_Indexed8, Rows::ThroughBuffer, unpackNibbles);
    case 8: return decodeRows(source, layout, QImage::Format_Indexed8, Rows::InLines, copyRow);
    case 24: return decodeRows(source, layout, QImage::Format_RGB888, Rows::InLines, swapToRgb888);
    default: break;
  }
  if (layout.bitCount == 16 && (layout.masks == MASKS_555 || layout.masks == MASKS_565)) {
    return decodeRows(source, layout, layout.masks == MASKS_555 ? QImage::Format_RGB555 : QImage::Format_RGB16,
                      Rows::InLines, [](const uchar* s, uchar* d, qint64 w) { copyRow(s, d, w * 2); });
  }
  if (layout.bitCount == 32 && layout.masks == MASKS_888)
    return decodeRows(source, layout, QImage::Format_RGB32, Rows::InLines, opaqueRgb32);
  const MaskedPixels masked{Channel(layout.masks[0]), Channel(layout.masks[1]), Channel(layout.masks[2]),
                            layout.bitCount / 8};
  return decodeRows(source, layout, QImage::Format_RGB32, Rows::ThroughBuffer, masked);
}

// Run-length pictures are drawn onto white: whatever the codes skip stays white. Every write is
// clipped to the raster, so runs and deltas that point outside it are simply cut.
class RleDecoder {
public:
  explicit RleDecoder(const Layout& layout)
      : layout_(layout),
        raster_(makeWhiteRaster(static_cast<int>(layout.width), static_cast<int>(layout.height))),
        fourBit_(layout.compression == COMPRESSION_RLE4) {}

  QImage decode(const uchar* p, const uchar* const end) {
    // Every code consumes at least two bytes, so the loop ends with the data.
    while (end - p >= 2 && row_ < layout_.height) {
      const int count = p[0];
      const int value = p[1];
      p += 2;
      if (count > 0) {
        encodedRun(count, value);
      } else if (value == 0) {  // end of line
        x_ = 0;
        ++row_;
      } else if (value == 1) {  // end of picture
        break;
      } else if (value == 2) {  // delta
        if (end - p < 2) break;
        x_ += p[0];
        row_ += p[1];
        p += 2;
      } else {  // absolute run of `value` pixels, padded to 16 bits
        const qint64 bytes = fourBit_ ? (value + 1) / 2 : value;
        const qint64 present = std::min<qint64>(bytes, end - p);
        absoluteRun(p, fourBit_ ? std::min<qint64>(value, present * 2) : present);
        x_ += value;
        p += std::min<qint64>(bytes + (bytes & 1), end - p);
      }
    }
    return raster_;
  }

private:
  QRgb colour(int index) const { return layout_.palette[index]; }

  // How many of `count` pixels from the current position fall inside the raster.
  qint64 visible(qint64 count) const {
    if (row_ >= layout_.height || x_ >= layout_.width) return 0;
    return std::min(count, layout_.width - x_);
  }

  QRgb* line() { return reinterpret_cast<QRgb*>(raster_.scanLine(layout_.lineOf(row_))) + x_; }

  void encodedRun(int count, int value) {
    const qint64 n = visible(count);
    if (n > 0) {
      const QRgb first = colour(fourBit_ ? value >> 4 : value);
      const QRgb second = fourBit_ ? colour(value & 0x0F) : first;
      QRgb* out = line();
      for (qint64 i = 0; i < n; ++i) out[i] = (i & 1) ? second : first;
    }
    x_ += count;
  }

  void absoluteRun(const uchar* src, qint64 available) {
    const qint64 n = visible(available);
    if (n <= 0) return;
    QRgb* out = line();
    for (qint64 i = 0; i < n; ++i) {
      const int index = fourBit_ ? ((i & 1) ? src[i / 2] & 0x0F : src[i / 2] >> 4) : src[i];
      out[i] = colour(index);
    }
  }

  const Layout& layout_;
  QImage raster_;
  bool fourBit_;
  qint64 x_ = 0;
  qint64 row_ = 0;  // counted from the first row in the file
};

// The codes are read whole: unlike rows, they cannot be cut into pieces without parsing them.
QImage decodeRunLengths(BmpSource& source, const Layout& layout) {
  RleDecoder decoder(layout);
  const std::unique_ptr<uchar[]> codes(new (std::nothrow) uchar[static_cast<size_t>(layout.pixelBytes)]);
  if (!codes) throw Failure(QStringLiteral("メモリが足りません (%1 バイト)").arg(layout.pixelBytes));
  const std::span<uchar> piece(codes.get(), static_cast<size_t>(layout.pixelBytes));
  const qint64 got = source.read(layout.pixelStart, {&piece, 1}, layout.pixelBytes);
  return decoder.decode(codes.get(), codes.get() + got);
}

}  // namespace

qint64 BmpMemorySource::read(qint64 offset, std::span<const std::span<uchar>> pieces, qint64 length) {
  length = std::min(length, data_.size() - std::min(offset, data_.size()));
  qint64 done = 0;
  for (const std::span<uchar>& piece : pieces) {
    const qint64 n = std::min(static_cast<qint64>(piece.size()), length - done);
    if (n <= 0) break;
    std::memcpy(piece.data(), data_.data() + offset + done, static_cast<size_t>(n));
    done += n;
  }
  return done;
}

QImage readBmp(BmpSource& source) {
  if (source.size() == 0) return {};
  const Layout layout = parse(source);
  if (layout.compression == COMPRESSION_RLE8 || layout.compression == COMPRESSION_RLE4)
    return decodeRunLengths(source, layout);
  return decodeUncompressed(source, layout);
}

QImage readBmp(QByteArrayView data) {
  BmpMemorySource source(data);
  return readBmp(source);
}
