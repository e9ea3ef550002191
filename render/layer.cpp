#include "render/layer.h"

#include "render/raster.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

// Fourth bytes are never honoured: every pixel comes out opaque, or clear when it has `key`.
// A key of 0 matches nothing, since every pixel compared is made opaque first.
// Without a branch, so that loops of it make vector code.
QRgb seeThrough(QRgb pixel, QRgb key) {
  const QRgb opaque = pixel | 0xFF000000u;
  return opaque & (0u - static_cast<QRgb>(opaque != key));
}

// A straight RGBA8888 pixel as the drawable holds it: its own alpha, or laid over white.
QRgb alphaPixel(const uchar* p, bool overWhite) {
  const QRgb straight = qRgba(p[0], p[1], p[2], p[3]);
  return overWhite ? blendOver(straight, 0xFFFFFFFFu) : straight;
}

// The loops every composed pixel goes through, also compiled for AVX2 and picked at run time.
// Integer work only, so every version gives the same pixels.
void gatherSeeThroughPlain(const QRgb* source, const int* columns, size_t n, QRgb key, QRgb* out) {
  for (size_t i = 0; i < n; ++i) out[i] = seeThrough(source[columns[i]], key);
}

#if defined(__x86_64__)
// Eight pixels to a vector gather: the compiler's own cost model never picks one.
[[gnu::target("avx2")]] void gatherSeeThroughAvx2(const QRgb* source, const int* columns, size_t n, QRgb key,
                                                  QRgb* out) {
  const __m256i alpha = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
  const __m256i keys = _mm256_set1_epi32(static_cast<int>(key));
  const auto* base = reinterpret_cast<const int*>(source);
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m256i index = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(columns + i));
    const __m256i opaque = _mm256_or_si256(_mm256_i32gather_epi32(base, index, 4), alpha);
    const __m256i clear = _mm256_cmpeq_epi32(opaque, keys);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), _mm256_andnot_si256(clear, opaque));
  }
  gatherSeeThroughPlain(source, columns + i, n - i, key, out + i);
}

#endif

void gatherSeeThrough(const QRgb* source, const int* columns, size_t n, QRgb key, QRgb* out) {
#if defined(__x86_64__)
  static const bool avx2 = __builtin_cpu_supports("avx2");
  if (avx2) return gatherSeeThroughAvx2(source, columns, n, key, out);
#endif
  gatherSeeThroughPlain(source, columns, n, key, out);
}

// A loop compiled twice, the AVX2 copy chosen as the program loads. ThreadSanitizer cannot run
// that choice before it has started, so its builds keep the one plain copy.
#if defined(__SANITIZE_THREAD__)
#define WITH_AVX2_COPY
#else
#define WITH_AVX2_COPY [[gnu::target_clones("avx2", "default")]]
#endif

WITH_AVX2_COPY void widenRgb888(const uchar* in, int width, QRgb* out) {
  for (int x = 0; x < width; ++x, in += 3) out[x] = qRgb(in[0], in[1], in[2]);
}

// Clear pixels of `in` leave `out` as it was; every other pixel of `in` is opaque.
WITH_AVX2_COPY void overlay(const QRgb* in, size_t n, QRgb* out) {
  for (size_t i = 0; i < n; ++i) out[i] = in[i] != 0 ? in[i] : out[i];
}

// `in` straight, of any alpha, laid over `out`.
WITH_AVX2_COPY void blendRow(const QRgb* in, size_t n, QRgb* out) {
  for (size_t i = 0; i < n; ++i) out[i] = blendOver(in[i], out[i]);
}

WITH_AVX2_COPY void blendRowOverClear(const QRgb* in, size_t n, QRgb* out) {
  for (size_t i = 0; i < n; ++i) out[i] = blendOverClear(in[i], out[i]);
}

// One pass from the formats decoders give straight into the drawable, with no converted copy
// first: the export makes a drawable for each of up to a hundred layers.
template <typename Pixel>
void convertRows(const QImage& raster, QImage& drawable, QRgb key, const Pixel& pixel) {
  const int width = raster.width();
  for (int y = 0; y < raster.height(); ++y) {
    const uchar* in = raster.constScanLine(y);
    auto* out = reinterpret_cast<QRgb*>(drawable.scanLine(y));
    for (int x = 0; x < width; ++x) out[x] = seeThrough(pixel(in, x), key);
  }
}

}  // namespace

QRgb blendOver(QRgb straight, QRgb beneath) {
  const uint a = qAlpha(straight);
  if (a == 255) return straight;
  if (a == 0) return beneath | 0xFF000000u;
  const uint b = 255u - a;
  // 255 is odd, so no sum lies halfway between two results: adding 127 rounds to nearest.
  const auto mix = [a, b](uint s, uint d) { return static_cast<int>((s * a + d * b + 127u) / 255u); };
  return qRgb(mix(qRed(straight), qRed(beneath)), mix(qGreen(straight), qGreen(beneath)),
              mix(qBlue(straight), qBlue(beneath)));
}

QRgb blendOverClear(QRgb straight, QRgb beneath) {
  const uint a = qAlpha(straight);
  const uint beneathAlpha = qAlpha(beneath);
  if (a == 255 || beneathAlpha == 0) return straight;
  if (a == 0) return beneath;
  if (beneathAlpha == 255) return blendOver(straight, beneath);
  // Porter and Duff's "over" on straight pixels: the weights are each colour's share of the
  // coverage, 255 times too large, so that every sum stays in integers until the one division.
  const uint sourceWeight = a * 255u;
  const uint beneathWeight = beneathAlpha * (255u - a);
  const uint coverage = sourceWeight + beneathWeight;
  const auto mix = [&](uint s, uint d) {
    return static_cast<int>((s * sourceWeight + d * beneathWeight + coverage / 2) / coverage);
  };
  return qRgba(mix(qRed(straight), qRed(beneath)), mix(qGreen(straight), qGreen(beneath)),
               mix(qBlue(straight), qBlue(beneath)), static_cast<int>((coverage + 127u) / 255u));
}

QImage drawableRaster(const QImage& raster, bool transparent) {
  if (raster.isNull()) return {};
  if (honoursAlpha(raster)) {
    QImage drawable(raster.size(), QImage::Format_ARGB32);
    if (drawable.isNull()) return {};
    for (int y = 0; y < raster.height(); ++y) {
      const uchar* in = raster.constScanLine(y);
      auto* out = reinterpret_cast<QRgb*>(drawable.scanLine(y));
      for (int x = 0; x < raster.width(); ++x) out[x] = alphaPixel(in + 4 * x, !transparent);
    }
    return drawable;
  }
  const QRgb key = transparent ? transparentColour(raster) | 0xFF000000u : 0u;
  switch (raster.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_RGB888:
    case QImage::Format_Indexed8: {
      QImage drawable(raster.size(), QImage::Format_ARGB32_Premultiplied);
      if (drawable.isNull()) return {};
      if (raster.format() == QImage::Format_RGB32) {
        convertRows(raster, drawable, key,
                    [](const uchar* row, int x) { return reinterpret_cast<const QRgb*>(row)[x]; });
      } else if (raster.format() == QImage::Format_RGB888) {
        convertRows(raster, drawable, key, [](const uchar* row, int x) {
          const uchar* p = row + 3 * x;
          return qRgb(p[0], p[1], p[2]);
        });
      } else {
        // Indices beyond the colour table read as 0, as Qt's own conversion reads them.
        QRgb table[256] = {};
        const QList<QRgb> colours = raster.colorTable();
        for (qsizetype i = 0; i < colours.size() && i < 256; ++i) table[i] = qPremultiply(colours[i]);
        convertRows(raster, drawable, key, [&table](const uchar* row, int x) { return table[row[x]]; });
      }
      return drawable;
    }
    default: break;
  }
  QImage drawable = raster.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  if (drawable.isNull()) return {};
  const int width = drawable.width();
  for (int y = 0; y < drawable.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(drawable.scanLine(y));
    for (int x = 0; x < width; ++x) row[x] = seeThrough(row[x], key);
  }
  return drawable;
}

namespace {

constexpr QRgb OPAQUE_BLACK = 0xFF000000u;

// The raster pixels shown pixel x stands for along one axis: [first(x), end(x)). Only a shrinking
// axis of a raster that keeps its black pixels stands for more than one.
class Axis {
public:
  Axis(qint64 raster, qint64 shown, bool stretch, bool keepBlack)
      : raster_(raster), shown_(shown), stretch_(stretch), spans_(keepBlack && stretch && raster > shown) {}
  qint64 first(qint64 x) const { return stretch_ ? x * raster_ / shown_ : x; }
  qint64 end(qint64 x) const { return spans_ ? (x + 1) * raster_ / shown_ : first(x) + 1; }
  bool spans() const { return spans_; }

private:
  qint64 raster_;
  qint64 shown_;
  bool stretch_;
  bool spans_;
};

// The canvas's source of pixels: the drawable, made once per raster.
class DrawableSource {
public:
  explicit DrawableSource(const QImage& drawable) : drawable_(drawable) {}
  QSize size() const { return drawable_.size(); }
  const QRgb* row(int sy) { return reinterpret_cast<const QRgb*>(drawable_.constScanLine(sy)); }
  void gather(int sy, const int* columns, size_t n, QRgb* out) {
    const QRgb* source = row(sy);
    for (size_t i = 0; i < n; ++i) out[i] = source[columns[i]];
  }

private:
  const QImage& drawable_;
};

// A control area's rows as they land: row(y) is control row y's pixels for the area's columns,
// clear pixels and columns an unstretched raster does not reach being 0, or null where the raster
// does not reach the row at all. `Source` gives the drawable's pixels: gather() the given columns
// of one row, row() a whole row.
template <typename Source>
class LandingRows {
public:
  LandingRows(Source source, const Showing& showing, qint64 areaLeft, size_t width)
      : LandingRows(std::move(source), showing, width, [areaLeft](size_t i) { return areaLeft + qint64(i); }) {}

  // The control columns shown, `column(i)` for each i below `width`, never decreasing.
  template <typename Column>
  LandingRows(Source source, const Showing& showing, size_t width, const Column& column)
      : source_(std::move(source)),
        columnsAxis_(source_.size().width(), showing.control.width(), showing.stretch, showing.keepBlack),
        rowsAxis_(source_.size().height(), showing.control.height(), showing.stretch, showing.keepBlack),
        columns_(width),
        ends_(columnsAxis_.spans() ? width : 0),
        scaled_(width, 0u) {
    const qint64 rw = source_.size().width();
    // Source columns computed once rather than per pixel. They never decrease, so the columns an
    // unstretched raster does not reach are all at the end.
    for (size_t i = 0; i < width; ++i) {
      const qint64 x = column(i);
      const qint64 sx = columnsAxis_.first(x);
      if (sx >= rw) break;
      columns_[i] = static_cast<int>(sx);
      if (!ends_.empty()) ends_[i] = static_cast<int>(columnsAxis_.end(x));
      reached_ = i + 1;
    }
  }

  // How many of the area's columns, from its left, the raster reaches.
  size_t reached() const { return reached_; }

  const QRgb* row(qint64 y) {
    const qint64 sy = rowsAxis_.first(y);
    if (sy < 0 || sy >= source_.size().height()) return nullptr;
    // Made once for every run of rows showing the same raster row: a part stretched taller than
    // its picture repeats each row.
    if (sy != scaledRow_) {
      source_.gather(static_cast<int>(sy), columns_.data(), reached_, scaled_.data());
      if (columnsAxis_.spans() || rowsAxis_.spans()) keepBlack(sy, rowsAxis_.end(y));
      scaledRow_ = sy;
    }
    return scaled_.data();
  }

private:
  void keepBlack(qint64 firstRow, qint64 endRow) {
    const bool spans = !ends_.empty();
    for (qint64 sy = firstRow; sy < endRow; ++sy) {
      const QRgb* source = source_.row(static_cast<int>(sy));
      for (size_t i = 0; i < reached_; ++i) {
        const int end = spans ? ends_[i] : columns_[i] + 1;
        for (int sx = columns_[i]; sx < end; ++sx)
          if (source[sx] == OPAQUE_BLACK) scaled_[i] = OPAQUE_BLACK;
      }
    }
  }

  Source source_;
  Axis columnsAxis_;
  Axis rowsAxis_;
  std::vector<int> columns_;
  std::vector<int> ends_;  // past each column's last source column, when columns span several
  size_t reached_ = 0;
  std::vector<QRgb> scaled_;
  qint64 scaledRow_ = -1;
};

// Calls row(j, pixels) for each row j of `shown` with that row as it lands (see LandingRows).
template <typename Row>
void forEachLandingRow(const QImage& drawable, const Showing& showing, const ShownPixels& shown, const Row& row) {
  LandingRows<DrawableSource> rows(DrawableSource(drawable), showing, shown.columns.size(),
                                   [&shown](size_t i) { return qint64{shown.columns[i]}; });
  for (size_t j = 0; j < shown.rows.size(); ++j) row(static_cast<int>(j), rows.row(shown.rows[j]));
}

ShownPixels wholeArea(QRect area) {
  ShownPixels shown{std::vector<int>(static_cast<size_t>(area.width())),
                    std::vector<int>(static_cast<size_t>(area.height()))};
  for (size_t i = 0; i < shown.columns.size(); ++i) shown.columns[i] = area.left() + static_cast<int>(i);
  for (size_t j = 0; j < shown.rows.size(); ++j) shown.rows[j] = area.top() + static_cast<int>(j);
  return shown;
}

}  // namespace

void drawLayerPixels(const QImage& drawable, const Showing& showing, const ShownPixels& shown, QImage& target,
                     QPoint at) {
  if (drawable.isNull() || shown.columns.empty() || shown.rows.empty() || showing.control.isEmpty()) return;
  const size_t width = shown.columns.size();
  forEachLandingRow(drawable, showing, shown, [&](int j, const QRgb* in) {
    if (!in) return;
    blendRow(in, width, reinterpret_cast<QRgb*>(target.scanLine(at.y() + j)) + at.x());
  });
}

void drawLayerArea(const QImage& drawable, const Showing& showing, QRect area, QImage& target, QPoint at) {
  if (area.isEmpty()) return;
  drawLayerPixels(drawable, showing, wholeArea(area), target, at);
}

void copyLayerPixels(const QImage& drawable, const Showing& showing, const ShownPixels& shown, QImage& target) {
  const size_t bytes = shown.columns.size() * sizeof(QRgb);
  if (bytes == 0) return;
  const int height = static_cast<int>(shown.rows.size());
  if (drawable.isNull() || showing.control.isEmpty()) {
    for (int j = 0; j < height; ++j) std::memset(target.scanLine(j), 0, bytes);
    return;
  }
  forEachLandingRow(drawable, showing, shown, [&](int j, const QRgb* in) {
    if (in)
      std::memcpy(target.scanLine(j), in, bytes);
    else
      std::memset(target.scanLine(j), 0, bytes);
  });
}

void copyLayerArea(const QImage& drawable, const Showing& showing, QRect area, QImage& target) {
  if (area.isEmpty()) return;
  copyLayerPixels(drawable, showing, wholeArea(area), target);
}

namespace {

// The part of a target that a control's rectangle covers, cut to the target, and the same
// rectangle in the control's own coordinates. Bounds from a file may lie anywhere in 32 bits, so
// the subtraction is done in 64.
struct Placement {
  QRect inTarget;
  QRect inControl;
};

Placement place(const Bounds& b, QPoint origin, QSize target) {
  if (b.width <= 0 || b.height <= 0) return {};
  const qint64 left = qint64{b.left} - origin.x();
  const qint64 top = qint64{b.top} - origin.y();
  const qint64 x0 = std::max<qint64>(left, 0);
  const qint64 y0 = std::max<qint64>(top, 0);
  const qint64 x1 = std::min<qint64>(left + b.width, target.width());
  const qint64 y1 = std::min<qint64>(top + b.height, target.height());
  if (x0 >= x1 || y0 >= y1) return {};
  const QRect inTarget(static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(x1 - x0),
                       static_cast<int>(y1 - y0));
  return {inTarget, inTarget.translated(static_cast<int>(-left), static_cast<int>(-top))};
}

Showing showingOf(const Layer& layer) {
  return {QSize(layer.bounds.width, layer.bounds.height), layer.stretch, keepsBlackWhenShrunk(layer.raster)};
}

}  // namespace

QRect landingRect(const Bounds& b, QPoint origin, QSize target) { return place(b, origin, target).inTarget; }

void drawLayer(const Layer& layer, const QImage& drawable, QImage& target, QPoint origin) {
  const Placement placement = place(layer.bounds, origin, target.size());
  if (placement.inTarget.isEmpty()) return;
  drawLayerArea(drawable, showingOf(layer), placement.inControl, target, placement.inTarget.topLeft());
}

namespace {

// The export's source of pixels: the decoded raster itself, each pixel fetched is put through the
// see-through rule as drawableRaster() would. The formats decoders give are read directly; the
// rest a row at a time through Qt's own conversion, as drawableRaster() converts them.
class RasterSource {
public:
  RasterSource(const QImage& raster, bool transparent)
      : raster_(raster),
        key_(transparent && !honoursAlpha(raster) ? transparentColour(raster) | 0xFF000000u : 0u),
        overWhite_(!transparent) {
    if (raster.format() == QImage::Format_Indexed8) {
      // Indices beyond the colour table read as 0, as Qt's own conversion reads them.
      const QList<QRgb> colours = raster.colorTable();
      for (int i = 0; i < 256; ++i) table_[i] = seeThrough(i < colours.size() ? qPremultiply(colours[i]) : 0u, key_);
    }
  }
  RasterSource(RasterSource&&) = default;

  QSize size() const { return raster_.size(); }

  void gather(int sy, const int* columns, size_t n, QRgb* out) {
    const uchar* line = raster_.constScanLine(sy);
    switch (raster_.format()) {
      case QImage::Format_RGB32: gatherSeeThrough(reinterpret_cast<const QRgb*>(line), columns, n, key_, out); return;
      case QImage::Format_RGB888:
        // A row shown wider than about half its width is cheaper widened once, then gathered by
        // whole pixels, than gathered three bytes at a time.
        if (static_cast<size_t>(raster_.width()) <= 2 * n) {
          widened_.resize(static_cast<size_t>(raster_.width()));
          widenRgb888(line, raster_.width(), widened_.data());
          gatherSeeThrough(widened_.data(), columns, n, key_, out);
          return;
        }
        for (size_t i = 0; i < n; ++i) {
          const uchar* p = line + 3 * static_cast<ptrdiff_t>(columns[i]);
          out[i] = seeThrough(qRgb(p[0], p[1], p[2]), key_);
        }
        return;
      case QImage::Format_Indexed8:
        for (size_t i = 0; i < n; ++i) out[i] = table_[line[columns[i]]];
        return;
      case QImage::Format_RGBA8888:
        for (size_t i = 0; i < n; ++i) out[i] = alphaPixel(line + 4 * static_cast<ptrdiff_t>(columns[i]), overWhite_);
        return;
      default: {
        const QRgb* source = row(sy);
        for (size_t i = 0; i < n; ++i) out[i] = source[columns[i]];
        return;
      }
    }
  }

  // One whole row of what drawableRaster() would make.
  const QRgb* row(int sy) {
    if (sy != convertedRow_ && honoursAlpha(raster_)) {
      converted_ = QImage(raster_.width(), 1, QImage::Format_ARGB32);
      if (converted_.isNull()) throw std::bad_alloc();
      std::vector<int> all(static_cast<size_t>(raster_.width()));
      for (size_t x = 0; x < all.size(); ++x) all[x] = static_cast<int>(x);
      gather(sy, all.data(), all.size(), reinterpret_cast<QRgb*>(converted_.scanLine(0)));
      convertedRow_ = sy;
    }
    if (sy != convertedRow_) {
      converted_ = raster_.copy(0, sy, raster_.width(), 1).convertToFormat(QImage::Format_ARGB32_Premultiplied);
      if (converted_.isNull()) throw std::bad_alloc();
      auto* pixels = reinterpret_cast<QRgb*>(converted_.scanLine(0));
      for (int x = 0; x < converted_.width(); ++x) pixels[x] = seeThrough(pixels[x], key_);
      convertedRow_ = sy;
    }
    return reinterpret_cast<const QRgb*>(converted_.constScanLine(0));
  }

private:
  QImage raster_;
  QRgb key_;
  bool overWhite_;  // a raster with alpha drawn opaque: the background
  QRgb table_[256] = {};
  QImage converted_;
  int convertedRow_ = -1;
  std::vector<QRgb> widened_;  // an RGB888 row as 32-bit pixels
};

}  // namespace

struct LayerBands::State {
  Layer layer;
  Placement placement;
  std::unique_ptr<LandingRows<RasterSource>> rows;  // while bands are drawn
};

LayerBands::LayerBands(const Layer& layer, QPoint origin, QSize target) : state_(std::make_unique<State>()) {
  state_->layer = layer;
  if (!layer.raster.isNull()) state_->placement = place(layer.bounds, origin, target);
}

LayerBands::~LayerBands() = default;
LayerBands::LayerBands(LayerBands&&) noexcept = default;
LayerBands& LayerBands::operator=(LayerBands&&) noexcept = default;

bool LayerBands::lands() const { return !state_->placement.inTarget.isEmpty(); }
bool LayerBands::opaque() const { return !state_->layer.transparent; }
QRect LayerBands::rect() const { return state_->placement.inTarget; }
void LayerBands::release() { state_->rows.reset(); }

void LayerBands::draw(QImage& band, int top) {
  const QRect& inTarget = state_->placement.inTarget;
  const int first = std::max(top, inTarget.top());
  const int end = std::min(top + band.height(), inTarget.bottom() + 1);
  if (first >= end) return;
  if (!state_->rows)
    state_->rows = std::make_unique<LandingRows<RasterSource>>(
        RasterSource(state_->layer.raster, state_->layer.transparent), showingOf(state_->layer),
        state_->placement.inControl.left(), static_cast<size_t>(inTarget.width()));
  LandingRows<RasterSource>& rows = *state_->rows;
  const size_t reached = rows.reached();
  const bool opaqueRows = opaque();
  const bool blends = honoursAlpha(state_->layer.raster);
  const bool clearBackdrop = band.format() == QImage::Format_ARGB32;
  // Control row of target row y.
  const qint64 shift = qint64{state_->placement.inControl.top()} - inTarget.top();
  for (int y = first; y < end; ++y) {
    const QRgb* in = rows.row(y + shift);
    if (!in) continue;
    auto* out = reinterpret_cast<QRgb*>(band.scanLine(y - top)) + inTarget.left();
    if (opaqueRows)
      std::memcpy(out, in, reached * sizeof(QRgb));
    else if (blends && clearBackdrop)
      blendRowOverClear(in, reached, out);
    else if (blends)
      blendRow(in, reached, out);
    else
      overlay(in, reached, out);
  }
}
