#include "render/pngfastpath.h"

#include "render/raster.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <system_error>
#include <thread>
#include <vector>

#include <isa-l/crc.h>
#include <isa-l/igzip_lib.h>

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
    if (big32(body + length) != crc32_gzip_refl(0, type, length + 4)) throw NotOurs{};
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
// A run of rows filtered by Paeth undone together, each row a pixel behind the row above: its
// pixel above is then the one just undone, still in a register. Each pixel waits on the one to
// its left through a dozen instructions, so several chains side by side take little longer than
// one. Rows go two to a register (the upper in the low half), `Pairs` registers at once.
template <int Bpp, int Pairs>
class PaethRun {
public:
  static constexpr int ROWS = 2 * Pairs;

  // Every `out[r]` lies before all of the input still to be read (see placeRows).
  PaethRun(uchar* const* out, const uchar* const* in, const uchar* prior, size_t width)
      : out_(out), in_(in), prior_(prior), width_(width) {}

  void undo() {
    if (width_ < ROWS) {
      for (size_t i = 0; i < width_ + ROWS - 1; ++i) step<true>(i);
      return;
    }
    for (size_t i = 0; i < ROWS - 1; ++i) step<true>(i);
    // Every row inside its line, with a pixel to spare: whole 32-bit loads and stores, the
    // fourth byte of a 3-byte pixel carried along unused and stored over by the next pixel.
    for (size_t i = ROWS - 1; i + 1 < width_; ++i) step<false>(i);
    for (size_t i = width_ - 1; i < width_ + ROWS - 1; ++i) step<true>(i);
  }

private:
  // Row r's pixel j, or nothing beyond its ends; `Edge` steps may have either.
  template <bool Edge>
  __m128i load(const uchar* row, size_t i, int r) const {
    const size_t j = i - static_cast<size_t>(r);  // wraps past the end when i < r
    if constexpr (Edge) {
      return j < width_ ? widen(loadPixel<Bpp>(row + j * Bpp)) : _mm_setzero_si128();
    } else {
      quint32 v = 0;
      std::memcpy(&v, row + j * Bpp, 4);
      return widen(v);
    }
  }

  template <bool Edge>
  void store(int r, size_t i, quint32 pixel) const {
    const size_t j = i - static_cast<size_t>(r);
    if constexpr (Edge) {
      if (j < width_) storePixel<Bpp>(out_[r] + j * Bpp, pixel);
    } else {
      std::memcpy(out_[r] + j * Bpp, &pixel, 4);
    }
  }

  template <bool Edge>
  void step(size_t i) {
    __m128i above[Pairs];
    above[0] = _mm_unpacklo_epi64(load<Edge>(prior_, i, 0), value_[0]);
    for (int m = 1; m < Pairs; ++m)
      above[m] = _mm_castpd_si128(_mm_shuffle_pd(_mm_castsi128_pd(value_[m - 1]), _mm_castsi128_pd(value_[m]), 1));
    for (int m = 0; m < Pairs; ++m) {
      const __m128i x = _mm_unpacklo_epi64(load<Edge>(in_[2 * m], i, 2 * m), load<Edge>(in_[2 * m + 1], i, 2 * m + 1));
      // Before its first pixel a row takes in zeros and so keeps zeros, as left of a line.
      value_[m] = paethStep(x, value_[m], above[m], c_[m]);
      c_[m] = above[m];
      store<Edge>(2 * m, i, narrow(value_[m]));
      store<Edge>(2 * m + 1, i, narrow(_mm_srli_si128(value_[m], 8)));
    }
  }

  uchar* const* out_;
  const uchar* const* in_;
  const uchar* prior_;
  size_t width_;
  __m128i value_[Pairs] = {};  // each row's last pixel undone
  __m128i c_[Pairs] = {};      // the pixels above and left of those
};
#endif

// Rows filtered by Paeth undone at once, at most.
constexpr size_t PAETH_ROWS = 4;

// Where each row is inflated to, in the raster's own memory: row y's filter byte and data at
// input + y * (length + 1), its pixels unfiltered into the raster line at y * stride. The input
// lies far enough beyond the raster's start that no line, nor the lines below it undone at the
// same time, is written over input not yet read.
struct Placement {
  size_t input = 0;  // offset of the inflated data
  size_t total = 0;  // bytes of memory for both
};

Placement placeRows(size_t height, size_t length, size_t stride) {
  Placement placement;
  // A line beyond its row's data (the padding up to 32 bits) moves each row's output a little
  // ahead of its input.
  const size_t drift = stride > length + 1 ? (height - 1) * (stride - length - 1) : 0;
  placement.input = PAETH_ROWS * stride + drift + 64;
  placement.total = std::max(height * stride, placement.input + height * (length + 1));
  return placement;
}

void freeLargeMemory(void* memory) { FreeLargeMemory{}(memory); }

// The IDAT chunks inflated, chunk by chunk, into exactly the bytes the header says the rows take,
// on a second thread while the caller undoes the filters of the rows already whole. More data or
// less, or a bad checksum, and the library takes the file over.
class RowInflater {
public:
  RowInflater(const std::vector<QByteArrayView>& chunks, uchar* out, size_t rowBytes, size_t rows)
      : chunks_(chunks), out_(out), rowBytes_(rowBytes), rows_(rows), state_(std::make_unique<inflate_state>()) {
    try {
      thread_ = std::jthread([this](const std::stop_token& stop) { inflate(stop); });
    } catch (const std::system_error&) {
      inflate({});  // no thread to be had: all of it first, then the filters
    }
  }

  // Waits until the first `rows` rows are whole; waiting for one more than there are waits for
  // the checksum too.
  void waitFor(size_t rows) {
    for (;;) {
      const size_t ready = ready_.load(std::memory_order_acquire);
      if (ready == FAILED) throw NotOurs{};
      if (ready >= rows) return;
      ready_.wait(ready, std::memory_order_acquire);
    }
  }

private:
  static constexpr size_t FAILED = SIZE_MAX;
  static constexpr uint32_t PIECE = 256 * 1024;  // bytes inflated between reports of progress

  void publish(size_t ready) {
    ready_.store(ready, std::memory_order_release);
    ready_.notify_all();
  }

  void inflate(const std::stop_token& stop) {
    inflate_state* const state = state_.get();
    isal_inflate_init(state);
    state->crc_flag = ISAL_ZLIB;
    const size_t total = rowBytes_ * rows_;
    size_t produced = 0;
    size_t next = 0;  // the next chunk to feed
    uchar spare = 0;  // where a byte beyond the rows would go
    while (!stop.stop_requested()) {
      if (state->avail_in == 0) {
        if (next == chunks_.size()) break;  // the stream ends early
        state->next_in = const_cast<uchar*>(reinterpret_cast<const uchar*>(chunks_[next].data()));
        state->avail_in = static_cast<uint32_t>(chunks_[next].size());
        ++next;
        continue;
      }
      const bool full = produced == total;
      state->next_out = full ? &spare : out_ + produced;
      state->avail_out = full ? 1 : static_cast<uint32_t>(std::min<size_t>(PIECE, total - produced));
      const uint32_t room = state->avail_out;
      const uint32_t unread = state->avail_in;
      if (isal_inflate(state) != ISAL_DECOMP_OK) break;
      const size_t made = room - state->avail_out;
      if (full && made > 0) break;
      produced += made;
      if (state->block_state == ISAL_BLOCK_FINISH) {
        if (produced == total) {
          publish(rows_ + 1);
          return;
        }
        break;
      }
      if (made == 0 && state->avail_in == unread) break;  // no progress: never spin on a bad stream
      publish(produced / rowBytes_);
    }
    publish(FAILED);
  }

  const std::vector<QByteArrayView>& chunks_;
  uchar* const out_;
  const size_t rowBytes_;
  const size_t rows_;
  const std::unique_ptr<inflate_state> state_;  // made here, where running out of memory may be said
  std::atomic<size_t> ready_{0};
  std::jthread thread_;  // last: stopped and joined before the rest goes
};

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
    RowInflater inflater(layout.idat, input, length + 1, height);

    const std::vector<uchar> zeros(length, 0);
    const auto out = [&](size_t y) { return bits + y * stride; };
    const auto in = [&](size_t y) { return input + y * (length + 1) + 1; };
    const auto filter = [&](size_t y) { return in(y)[-1]; };
    for (size_t y = 0; y < height;) {
      inflater.waitFor(std::min(y + PAETH_ROWS, height));
      const uchar* prior = y == 0 ? zeros.data() : out(y - 1);
#if defined(__x86_64__)
      size_t run = 0;
      while (run < PAETH_ROWS && y + run < height && filter(y + run) == 4) ++run;
      if (run >= 2) {
        run = run >= 4 ? 4 : 2;
        std::array<uchar*, PAETH_ROWS> outs{};
        std::array<const uchar*, PAETH_ROWS> ins{};
        for (size_t r = 0; r < run; ++r) {
          outs[r] = out(y + r);
          ins[r] = in(y + r);
        }
        const size_t width = static_cast<size_t>(layout.width);
        if (layout.bpp == 3)
          run == 4 ? PaethRun<3, 2>(outs.data(), ins.data(), prior, width).undo()
                   : PaethRun<3, 1>(outs.data(), ins.data(), prior, width).undo();
        else
          run == 4 ? PaethRun<4, 2>(outs.data(), ins.data(), prior, width).undo()
                   : PaethRun<4, 1>(outs.data(), ins.data(), prior, width).undo();
        y += run;
        continue;
      }
#endif
      if (layout.bpp == 3)
        unfilterRow<3>(filter(y), out(y), in(y), prior, length);
      else
        unfilterRow<4>(filter(y), out(y), in(y), prior, length);
      ++y;
    }
    inflater.waitFor(height + 1);  // the checksum, and nothing beyond the rows
    return image;
  } catch (const NotOurs&) {
    return std::nullopt;
  }
}
