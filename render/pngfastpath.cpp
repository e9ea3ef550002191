#include "render/pngfastpath.h"

#include "render/raster.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include <libdeflate.h>

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
    if (big32(body + length) != libdeflate_crc32(0, type, length + 4)) throw NotOurs{};
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

#if defined(__x86_64__)
__m128i widen(quint32 pixel) {
  return _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(pixel)), _mm_setzero_si128());
}
quint32 narrow(__m128i pixel) {
  return static_cast<quint32>(_mm_cvtsi128_si32(_mm_packus_epi16(pixel, _mm_setzero_si128())));
}

// Paeth's prediction from a (left), b (above) and c (above left) added to x, per 16-bit lane.
// p - a is b - c whatever a is, so only |a - c| and |a - c + b - c| wait on the pixel to the left.
__m128i paethStep(__m128i x, __m128i a, __m128i b, __m128i c) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i bc = _mm_sub_epi16(b, c);
  const __m128i ac = _mm_sub_epi16(a, c);
  const __m128i abc = _mm_add_epi16(ac, bc);
  const __m128i pa = _mm_max_epi16(bc, _mm_sub_epi16(zero, bc));
  const __m128i pb = _mm_max_epi16(ac, _mm_sub_epi16(zero, ac));
  const __m128i pc = _mm_max_epi16(abc, _mm_sub_epi16(zero, abc));
  // a where pa <= pb and pa <= pc, else b where pb <= pc, else c.
  const __m128i notA = _mm_cmpgt_epi16(pa, _mm_min_epi16(pb, pc));
  const __m128i useC = _mm_cmpgt_epi16(pb, pc);
  const __m128i bOrC = _mm_or_si128(_mm_and_si128(useC, c), _mm_andnot_si128(useC, b));
  const __m128i predicted = _mm_or_si128(_mm_and_si128(notA, bOrC), _mm_andnot_si128(notA, a));
  return _mm_and_si128(_mm_add_epi16(x, predicted), _mm_set1_epi16(0xFF));
}
#endif

// One row's filter undone from `in` (the row as inflated, after its filter byte) into `out`; `prior`
// is the row above, unfiltered (zeros above the first). `out` may lie before `in` in the same
// memory: each pixel is read before anything at or beyond it is written.
template <int Bpp>
void unfilterRow(int filter, uchar* out, const uchar* in, const uchar* prior, size_t length) {
  switch (filter) {
    case 0: std::memmove(out, in, length); return;
    case 1:
      for (size_t i = 0; i < Bpp; ++i) out[i] = in[i];
      for (size_t i = Bpp; i < length; ++i) out[i] = static_cast<uchar>(in[i] + out[i - Bpp]);
      return;
    case 2:
      for (size_t i = 0; i < length; ++i) out[i] = static_cast<uchar>(in[i] + prior[i]);
      return;
    case 3:
      for (size_t i = 0; i < Bpp; ++i) out[i] = static_cast<uchar>(in[i] + (prior[i] >> 1));
      for (size_t i = Bpp; i < length; ++i) out[i] = static_cast<uchar>(in[i] + ((out[i - Bpp] + prior[i]) >> 1));
      return;
    case 4: {
#if defined(__x86_64__)
      // A pixel at a time, its channels side by side in 16-bit lanes.
      __m128i a = _mm_setzero_si128();  // the pixel to the left, unfiltered
      __m128i c = _mm_setzero_si128();  // the one above that
      for (size_t i = 0; i < length; i += Bpp) {
        const __m128i b = widen(loadPixel<Bpp>(prior + i));
        a = paethStep(widen(loadPixel<Bpp>(in + i)), a, b, c);
        storePixel<Bpp>(out + i, narrow(a));
        c = b;
      }
#else
      for (size_t i = 0; i < Bpp; ++i) out[i] = static_cast<uchar>(in[i] + prior[i]);
      for (size_t i = Bpp; i < length; ++i)
        out[i] = static_cast<uchar>(in[i] + paeth(out[i - Bpp], prior[i], prior[i - Bpp]));
#endif
      return;
    }
    default: throw NotOurs{};
  }
}

#if defined(__x86_64__)
// Two rows both filtered by Paeth undone together, the lower one a pixel behind: its pixel above
// is then already done. Each pixel waits on the one to its left through a dozen instructions, so
// two chains side by side take little longer than one. The lower row's output may lie over the
// upper row's input up to where the upper row has been read.
template <int Bpp>
void unfilterPaethPair(uchar* out0, const uchar* in0, uchar* out1, const uchar* in1, const uchar* prior,
                       size_t length) {
  // Low half: the upper row at pixel i; high half: the lower row at pixel i - 1.
  __m128i value = _mm_setzero_si128();  // both rows' pixels to the left, unfiltered
  __m128i c = _mm_setzero_si128();      // the pixels above and to the left of those
  for (size_t i = 0; i < length; i += Bpp) {
    const __m128i above = widen(loadPixel<Bpp>(prior + i));
    const __m128i lower = i == 0 ? _mm_setzero_si128() : widen(loadPixel<Bpp>(in1 + i - Bpp));
    const __m128i x = _mm_unpacklo_epi64(widen(loadPixel<Bpp>(in0 + i)), lower);
    const __m128i b = _mm_unpacklo_epi64(above, value);
    value = paethStep(x, value, b, c);
    if (i == 0) value = _mm_move_epi64(value);  // nothing left of the lower row's first pixel
    storePixel<Bpp>(out0 + i, narrow(value));
    if (i > 0) storePixel<Bpp>(out1 + i - Bpp, narrow(_mm_srli_si128(value, 8)));
    c = b;
  }
  // The lower row's last pixel.
  const __m128i b = _mm_unpacklo_epi64(_mm_setzero_si128(), value);
  const __m128i x = _mm_unpacklo_epi64(_mm_setzero_si128(), widen(loadPixel<Bpp>(in1 + length - Bpp)));
  value = paethStep(x, value, b, c);
  storePixel<Bpp>(out1 + length - Bpp, narrow(_mm_srli_si128(value, 8)));
}
#endif

// Where each row is inflated to, in the raster's own memory: row y's filter byte and data at
// input + y * (length + 1), its pixels unfiltered into the raster line at y * stride. The input
// lies far enough beyond the raster's start that no line, nor the line below it (two rows are
// undone at once), is written over input not yet read.
struct Placement {
  size_t input = 0;  // offset of the inflated data
  size_t total = 0;  // bytes of memory for both
};

Placement placeRows(size_t height, size_t length, size_t stride) {
  Placement placement;
  // A line beyond its row's data (the padding up to 32 bits) moves each row's output a little
  // ahead of its input.
  const size_t drift = stride > length + 1 ? (height - 1) * (stride - length - 1) : 0;
  placement.input = stride + drift + 64;
  placement.total = std::max(height * stride, placement.input + height * (length + 1));
  return placement;
}

void freeLargeMemory(void* memory) { FreeLargeMemory{}(memory); }

// The IDAT chunks' data as one block: the chunk itself when there is one, else a copy.
class Compressed {
public:
  explicit Compressed(const std::vector<QByteArrayView>& chunks) {
    if (chunks.size() == 1) {
      view_ = chunks.front();
      return;
    }
    size_t total = 0;
    for (const QByteArrayView& chunk : chunks) total += static_cast<size_t>(chunk.size());
    copy_ = allocateLargeMemory(total);
    if (!copy_) throw NotOurs{};
    uchar* at = copy_.get();
    for (const QByteArrayView& chunk : chunks) {
      std::memcpy(at, chunk.data(), static_cast<size_t>(chunk.size()));
      at += chunk.size();
    }
    view_ = QByteArrayView(copy_.get(), static_cast<qsizetype>(total));
  }
  QByteArrayView view() const { return view_; }

private:
  LargeMemory copy_;
  QByteArrayView view_;
};

struct FreeDecompressor {
  void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};

// The whole stream in one call into exactly the bytes the header says the rows take: more data or
// less, or a bad checksum, and the library takes the file over. The chunks' copy goes with the call.
void inflateAll(const std::vector<QByteArrayView>& chunks, uchar* out, size_t bytes) {
  const Compressed compressed(chunks);
  const std::unique_ptr<libdeflate_decompressor, FreeDecompressor> decompressor(libdeflate_alloc_decompressor());
  if (!decompressor) throw NotOurs{};
  size_t produced = 0;
  if (libdeflate_zlib_decompress(decompressor.get(), compressed.view().data(),
                                 static_cast<size_t>(compressed.view().size()), out, bytes,
                                 &produced) != LIBDEFLATE_SUCCESS ||
      produced != bytes)
    throw NotOurs{};
}

}  // namespace

std::optional<QImage> decodeCommonPng(QByteArrayView data, const PngSizeCheck& checkSize) {
  try {
    const Layout layout = readLayout(data);
    // Beyond the raster limits the check refuses the size itself, before the bytes matter (and
    // before they would overflow).
    const bool allowed = rasterSizeAllowed(layout.width, layout.height);
    checkSize(layout.width, layout.height,
              allowed ? qint64{layout.height} * (qint64{layout.width} * layout.bpp + 1) : 0);
    const auto height = static_cast<size_t>(layout.height);
    const size_t length = static_cast<size_t>(layout.width) * static_cast<size_t>(layout.bpp);
    const size_t stride = (length + 3) / 4 * 4;  // QImage wants 32-bit aligned lines
    const size_t inflatedBytes = height * (length + 1);
    const Placement placement = placeRows(height, length, stride);

    LargeMemory memory = allocateLargeMemory(placement.total);
    if (!memory) throw NotOurs{};
    uchar* const bits = memory.get();
    QImage image(bits, layout.width, layout.height, static_cast<qsizetype>(stride),
                 layout.bpp == 3 ? QImage::Format_RGB888 : QImage::Format_RGBA8888, freeLargeMemory, bits);
    if (image.isNull()) throw NotOurs{};
    memory.release();  // the image frees it with its last copy
    const RasterPrefault prefault(image);
    uchar* const input = bits + placement.input;
    inflateAll(layout.idat, input, inflatedBytes);

    std::vector<uchar> filters(height);
    for (size_t y = 0; y < height; ++y) filters[y] = input[y * (length + 1)];
    const std::vector<uchar> zeros(length, 0);
    const auto out = [&](size_t y) { return bits + y * stride; };
    const auto in = [&](size_t y) { return input + y * (length + 1) + 1; };
    for (size_t y = 0; y < height; ++y) {
      const uchar* prior = y == 0 ? zeros.data() : out(y - 1);
#if defined(__x86_64__)
      if (filters[y] == 4 && y + 1 < height && filters[y + 1] == 4) {
        if (layout.bpp == 3)
          unfilterPaethPair<3>(out(y), in(y), out(y + 1), in(y + 1), prior, length);
        else
          unfilterPaethPair<4>(out(y), in(y), out(y + 1), in(y + 1), prior, length);
        ++y;
        continue;
      }
#endif
      if (layout.bpp == 3)
        unfilterRow<3>(filters[y], out(y), in(y), prior, length);
      else
        unfilterRow<4>(filters[y], out(y), in(y), prior, length);
    }
    return image;
  } catch (const NotOurs&) {
    return std::nullopt;
  }
}
