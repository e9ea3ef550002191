#include "render/layer.h"

#include "render/raster.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// Fourth bytes are never honoured: every pixel comes out opaque, or clear when it has `key`.
// A key of 0 matches nothing, since every pixel compared is made opaque first.
QRgb seeThrough(QRgb pixel, QRgb key) {
  const QRgb opaque = pixel | 0xFF000000u;
  return opaque == key ? 0u : opaque;
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

QImage drawableRaster(const QImage& raster, bool transparent) {
  if (raster.isNull()) return {};
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
  default:
    break;
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

// Calls row(j, pixels) for each row j of `area`: `pixels` is that row as it lands, clear pixels
// and columns an unstretched raster does not reach being 0, or null where the raster does not
// reach the row at all.
template <typename Row>
void forEachLandingRow(const QImage& drawable, QSize controlSize, bool stretch, QRect area, const Row& row) {
  const qint64 rw = drawable.width();
  const qint64 rh = drawable.height();
  const qint64 cw = controlSize.width();
  const qint64 ch = controlSize.height();
  const auto width = static_cast<size_t>(area.width());

  // Source column of each target column, computed once per call rather than per pixel. They never
  // decrease, so the columns an unstretched raster does not reach are all at the end.
  std::vector<int> columns(width);
  size_t reached = 0;
  for (size_t i = 0; i < width; ++i) {
    const qint64 x = area.left() + static_cast<qint64>(i);
    const qint64 sx = stretch ? x * rw / cw : x;
    if (sx >= rw) break;
    columns[i] = static_cast<int>(sx);
    reached = i + 1;
  }
  // Made once for every run of target rows showing the same raster row: a part stretched taller
  // than its picture repeats each row.
  std::vector<QRgb> scaled(width, 0u);
  qint64 scaledRow = -1;
  for (int j = 0; j < area.height(); ++j) {
    const qint64 y = area.top() + j;
    const qint64 sy = stretch ? y * rh / ch : y;
    if (sy < 0 || sy >= rh) {
      row(j, nullptr);
      continue;
    }
    if (sy != scaledRow) {
      const auto* source = reinterpret_cast<const QRgb*>(drawable.constScanLine(static_cast<int>(sy)));
      for (size_t i = 0; i < reached; ++i) scaled[i] = source[columns[i]];
      scaledRow = sy;
    }
    row(j, scaled.data());
  }
}

}  // namespace

void drawLayerArea(const QImage& drawable, QSize controlSize, bool stretch, QRect area, QImage& target,
                   QPoint at) {
  if (drawable.isNull() || area.isEmpty() || controlSize.isEmpty()) return;
  const auto width = static_cast<size_t>(area.width());
  forEachLandingRow(drawable, controlSize, stretch, area, [&](int j, const QRgb* in) {
    if (!in) return;
    auto* out = reinterpret_cast<QRgb*>(target.scanLine(at.y() + j)) + at.x();
    // Branch-free, so the compiler makes vector code of it.
    for (size_t i = 0; i < width; ++i) out[i] = in[i] != 0 ? in[i] : out[i];
  });
}

void copyLayerArea(const QImage& drawable, QSize controlSize, bool stretch, QRect area, QImage& target) {
  if (area.isEmpty()) return;
  const size_t bytes = static_cast<size_t>(area.width()) * sizeof(QRgb);
  if (drawable.isNull() || controlSize.isEmpty()) {
    for (int j = 0; j < area.height(); ++j) std::memset(target.scanLine(j), 0, bytes);
    return;
  }
  forEachLandingRow(drawable, controlSize, stretch, area, [&](int j, const QRgb* in) {
    if (in) std::memcpy(target.scanLine(j), in, bytes);
    else std::memset(target.scanLine(j), 0, bytes);
  });
}

void drawLayer(const Layer& layer, const QImage& drawable, QImage& target, QPoint origin) {
  const Bounds& b = layer.bounds;
  if (b.width <= 0 || b.height <= 0) return;
  // The control's rectangle in target coordinates, cut to the target. Bounds from a file may lie
  // anywhere in 32 bits, so the subtraction is done in 64.
  const qint64 left = qint64{b.left} - origin.x();
  const qint64 top = qint64{b.top} - origin.y();
  const qint64 x0 = std::max<qint64>(left, 0);
  const qint64 y0 = std::max<qint64>(top, 0);
  const qint64 x1 = std::min<qint64>(left + b.width, target.width());
  const qint64 y1 = std::min<qint64>(top + b.height, target.height());
  if (x0 >= x1 || y0 >= y1) return;
  const QRect area(static_cast<int>(x0 - left), static_cast<int>(y0 - top), static_cast<int>(x1 - x0),
                   static_cast<int>(y1 - y0));
  drawLayerArea(drawable, QSize(b.width, b.height), layer.stretch, area, target,
                QPoint(static_cast<int>(x0), static_cast<int>(y0)));
}
