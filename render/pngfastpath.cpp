#include "render/pngfastpath.h"

#include "render/raster.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <thread>
#include <vector>

#include <zlib.h>

#if defined(__x86_64__)
#include <emmintrin.h>
#endif

namespace {

// Any fault: the library takes the file over.
struct NotOurs {};

quint32 big32(const uchar* p) {
  return (quint32{p[0]} << 24) | (quint32{p[1]} << 16) | (quint32{p[2]} << 8) | quint32{p[3]};
}

bool isChunk(const uchar* type, const char* name) { return std::memcmp(type, name, 4) == 0; }

struct Layout {
  int width = 0;
  int height = 0;
  int bpp = 0;  // bytes a pixel: 3 or 4
  std::vector<QByteArrayView> idat;
};

// Every chunk's length and checksum, IHDR's fields, the IDAT run and the end marker: anything
// but a plain, whole file of the kind taken here is left to the library.
Layout readLayout(QByteArrayView data) {
  const auto* bytes = reinterpret_cast<const uchar*>(data.data());
  const qsizetype size = data.size();
  Layout layout;
  qsizetype at = 8;
  bool first = true;
  bool idatEnded = false;
  for (;;) {
    if (size - at < 12) throw NotOurs{};
    const quint32 length = big32(bytes + at);
    if (length > 0x7FFFFFFFu || static_cast<qsizetype>(length) > size - at - 12) throw NotOurs{};
    const uchar* type = bytes + at + 4;
    const uchar* body = type + 4;
    if (big32(body + length) != static_cast<quint32>(crc32(0, type, length + 4))) throw NotOurs{};
    if (first) {
      if (!isChunk(type, "IHDR") || length != 13) throw NotOurs{};
      const quint32 width = big32(body);
      const quint32 height = big32(body + 4);
      // 8 bits, RGB or RGBA, compression 0, filter 0, not interlaced.
      if (width == 0 || height == 0 || width > 0x7FFFFFFFu || height > 0x7FFFFFFFu || body[8] != 8 ||
          (body[9] != 2 && body[9] != 6) || body[10] != 0 || body[11] != 0 || body[12] != 0)
        throw NotOurs{};
      layout.width = static_cast<int>(std::min<quint32>(width, 0x7FFFFFFF));
      layout.height = static_cast<int>(std::min<quint32>(height, 0x7FFFFFFF));
      layout.bpp = body[9] == 2 ? 3 : 4;
      first = false;
    } else if (isChunk(type, "IDAT")) {
      if (idatEnded) throw NotOurs{};
      layout.idat.emplace_back(body, length);
    } else if (isChunk(type, "IEND")) {
      if (length != 0 || layout.idat.empty()) throw NotOurs{};
      return layout;
    } else {
      if (!layout.idat.empty()) idatEnded = true;
      // tRNS gives RGB a transparent colour; any other critical chunk than a suggested palette is
      // beyond this loop.
      if (isChunk(type, "tRNS") || isChunk(type, "IHDR") || ((type[0] & 0x20) == 0 && !isChunk(type, "PLTE")))
        throw NotOurs{};
    }
    at += 12 + static_cast<qsizetype>(length);
  }
}

// The zlib stream spread over the IDAT chunks, inflated piece by piece into wherever it is asked.
class Inflater {
public:
  explicit Inflater(const std::vector<QByteArrayView>& chunks) : chunks_(chunks) {
    if (inflateInit(&stream_) != Z_OK) throw NotOurs{};
  }
  ~Inflater() { inflateEnd(&stream_); }
  Inflater(const Inflater&) = delete;
  Inflater& operator=(const Inflater&) = delete;

  void read(uchar* out, size_t length) {
    stream_.next_out = out;
    stream_.avail_out = static_cast<uInt>(length);
    while (stream_.avail_out > 0) {
      if (ended_) throw NotOurs{};
      feed();
      const int status = inflate(&stream_, Z_NO_FLUSH);
      ended_ = status == Z_STREAM_END;
      // Z_BUF_ERROR: the data ended before the rows did.
      if (status != Z_OK && !ended_) throw NotOurs{};
    }
  }

  // The stream must end, its checksum checked, exactly where the rows do.
  void finish() {
    uchar spare = 0;
    while (!ended_) {
      feed();
      stream_.next_out = &spare;
      stream_.avail_out = 1;
      const int status = inflate(&stream_, Z_NO_FLUSH);
      ended_ = status == Z_STREAM_END;
      if (stream_.avail_out == 0 || (status != Z_OK && !ended_)) throw NotOurs{};
    }
  }

private:
  // The next chunk's data once the one before is used up.
  void feed() {
    if (stream_.avail_in > 0) return;
    while (next_ < chunks_.size() && chunks_[next_].isEmpty()) ++next_;
    if (next_ >= chunks_.size()) return;
    const QByteArrayView chunk = chunks_[next_++];
    stream_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(chunk.data()));  // zlib never writes there
    stream_.avail_in = static_cast<uInt>(chunk.size());
  }

  const std::vector<QByteArrayView>& chunks_;
  size_t next_ = 0;
  bool ended_ = false;  // the stream's end, its checksum checked, has been reached
  z_stream stream_{};
};

#if !defined(__x86_64__)
uchar paeth(int a, int b, int c) {
  const int pa = std::abs(b - c);
  const int pb = std::abs(a - c);
  const int pc = std::abs(a + b - 2 * c);
  return static_cast<uchar>(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}
#endif

// A pixel's bytes in a register and back, byte by byte for three: a 3-byte copy through memory
// stalls the next load on it.
template <int Bpp>
quint32 loadPixel(const uchar* p) {
  if constexpr (Bpp == 4) {
    quint32 v = 0;
    std::memcpy(&v, p, 4);
    return v;
  } else {
    return quint32{p[0]} | (quint32{p[1]} << 8) | (quint32{p[2]} << 16);
  }
}

template <int Bpp>
void storePixel(uchar* p, quint32 v) {
  if constexpr (Bpp == 4) {
    std::memcpy(p, &v, 4);
  } else {
    p[0] = static_cast<uchar>(v);
    p[1] = static_cast<uchar>(v >> 8);
    p[2] = static_cast<uchar>(v >> 16);
  }
}

// One row's filter undone in place; `prior` is the row above, unfiltered (zeros above the first).
template <int Bpp>
void unfilterRow(int filter, uchar* row, const uchar* prior, size_t length) {
  switch (filter) {
    case 0: return;
    case 1:
      for (size_t i = Bpp; i < length; ++i) row[i] = static_cast<uchar>(row[i] + row[i - Bpp]);
      return;
    case 2:
      for (size_t i = 0; i < length; ++i) row[i] = static_cast<uchar>(row[i] + prior[i]);
      return;
    case 3:
      for (size_t i = 0; i < Bpp; ++i) row[i] = static_cast<uchar>(row[i] + (prior[i] >> 1));
      for (size_t i = Bpp; i < length; ++i) row[i] = static_cast<uchar>(row[i] + ((row[i - Bpp] + prior[i]) >> 1));
      return;
    case 4: {
#if defined(__x86_64__)
      // A pixel at a time, its channels side by side in 16-bit lanes.
      const __m128i zero = _mm_setzero_si128();
      __m128i a = zero;  // the pixel to the left, unfiltered
      __m128i c = zero;  // the one above that
      for (size_t i = 0; i < length; i += Bpp) {
        const quint32 rawBits = loadPixel<Bpp>(row + i);
        const quint32 upBits = loadPixel<Bpp>(prior + i);
        const __m128i b = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(upBits)), zero);
        const __m128i x = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(rawBits)), zero);
        const __m128i p = _mm_sub_epi16(_mm_add_epi16(a, b), c);
        const auto absDiff = [](__m128i u, __m128i v) {
          const __m128i d = _mm_sub_epi16(u, v);
          return _mm_max_epi16(d, _mm_sub_epi16(_mm_setzero_si128(), d));
        };
        const __m128i pa = absDiff(p, a);
        const __m128i pb = absDiff(p, b);
        const __m128i pc = absDiff(p, c);
        // a where pa <= pb and pa <= pc, else b where pb <= pc, else c.
        const __m128i notA = _mm_or_si128(_mm_cmpgt_epi16(pa, pb), _mm_cmpgt_epi16(pa, pc));
        const __m128i useC = _mm_cmpgt_epi16(pb, pc);
        const __m128i bOrC = _mm_or_si128(_mm_and_si128(useC, c), _mm_andnot_si128(useC, b));
        const __m128i predicted = _mm_or_si128(_mm_and_si128(notA, bOrC), _mm_andnot_si128(notA, a));
        const __m128i value = _mm_and_si128(_mm_add_epi16(x, predicted), _mm_set1_epi16(0xFF));
        const quint32 outBits = static_cast<quint32>(_mm_cvtsi128_si32(_mm_packus_epi16(value, zero)));
        storePixel<Bpp>(row + i, outBits);
        a = value;
        c = b;
      }
#else
      for (size_t i = 0; i < Bpp; ++i) row[i] = static_cast<uchar>(row[i] + prior[i]);
      for (size_t i = Bpp; i < length; ++i)
        row[i] = static_cast<uchar>(row[i] + paeth(row[i - Bpp], prior[i], prior[i - Bpp]));
#endif
      return;
    }
    default: throw NotOurs{};
  }
}

}  // namespace

std::optional<QImage> decodeCommonPng(QByteArrayView data, const PngSizeCheck& checkSize) {
  try {
    Layout layout = readLayout(data);
    checkSize(layout.width, layout.height, qint64{layout.height} * (qint64{layout.width} * layout.bpp + 1));
    QImage image =
        allocateRaster(layout.width, layout.height, layout.bpp == 3 ? QImage::Format_RGB888 : QImage::Format_RGBA8888);
    const RasterPrefault prefault(image);
    // Row pointers taken once: scanLine() may not be called from two threads at once.
    uchar* const bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    const auto line = [&](int y) { return bits + y * stride; };
    const size_t length = static_cast<size_t>(layout.width) * static_cast<size_t>(layout.bpp);
    const int height = layout.height;
    std::vector<uchar> filters(static_cast<size_t>(height));
    const std::vector<uchar> zeros(length, 0);

    const auto unfilter = [&](int y) {
      uchar* row = line(y);
      const uchar* prior = y == 0 ? zeros.data() : line(y - 1);
      if (layout.bpp == 3)
        unfilterRow<3>(filters[static_cast<size_t>(y)], row, prior, length);
      else
        unfilterRow<4>(filters[static_cast<size_t>(y)], row, prior, length);
    };

    // This thread inflates each row into its raster line; a second one undoes the filters behind
    // it, in order, each row once the one above is done. A fault on either side stops both.
    std::atomic<int> inflated{0};
    std::atomic<bool> failed{false};
    std::jthread unfiltering;
    try {
      unfiltering = std::jthread([&] {
        try {
          for (int y = 0; y < height; ++y) {
            int ready = inflated.load(std::memory_order_acquire);
            while (ready <= y) {
              if (failed.load(std::memory_order_acquire)) return;
              inflated.wait(ready, std::memory_order_acquire);
              ready = inflated.load(std::memory_order_acquire);
            }
            if (ready == -1) return;
            unfilter(y);
          }
        } catch (const NotOurs&) {
          failed.store(true, std::memory_order_release);
        }
      });
    } catch (const std::system_error&) {
      // No thread: each row unfiltered right after it is inflated, below.
    }
    const bool pipelined = unfiltering.joinable();
    try {
      Inflater inflater(layout.idat);
      for (int y = 0; y < height; ++y) {
        inflater.read(&filters[static_cast<size_t>(y)], 1);
        inflater.read(line(y), length);
        if (!pipelined) {
          unfilter(y);
          continue;
        }
        if (failed.load(std::memory_order_acquire)) throw NotOurs{};
        inflated.store(y + 1, std::memory_order_release);
        inflated.notify_one();
      }
      inflater.finish();
    } catch (const NotOurs&) {
      failed.store(true, std::memory_order_release);
      inflated.store(-1, std::memory_order_release);
      inflated.notify_one();
      throw;
    }
    if (pipelined) unfiltering.join();
    if (failed.load(std::memory_order_acquire)) return std::nullopt;
    return image;
  } catch (const NotOurs&) {
    return std::nullopt;
  }
}
