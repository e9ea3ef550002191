#include "render/layer.h"

#include "render/raster.h"

#include <algorithm>
#include <vector>

QImage drawableRaster(const QImage& raster, bool transparent) {
  if (raster.isNull()) return {};
  QImage drawable = raster.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  if (drawable.isNull()) return {};
  if (!transparent) {
    // Decoded rasters carry no alpha we honour: a 32-bit picture is opaque however its fourth
    // byte reads.
    if (raster.hasAlphaChannel())
      for (int y = 0; y < drawable.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(drawable.scanLine(y));
        for (int x = 0; x < drawable.width(); ++x) row[x] |= 0xFF000000u;
      }
    return drawable;
  }
  const QRgb key = transparentColour(raster) | 0xFF000000u;
  for (int y = 0; y < drawable.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(drawable.scanLine(y));
    for (int x = 0; x < drawable.width(); ++x) {
      const QRgb p = row[x] | 0xFF000000u;
      row[x] = p == key ? 0u : p;
    }
  }
  return drawable;
}

void drawLayerArea(const QImage& drawable, QSize controlSize, bool stretch, QRect area, QImage& target,
                   QPoint at) {
  if (drawable.isNull() || area.isEmpty() || controlSize.isEmpty()) return;
  const qint64 rw = drawable.width();
  const qint64 rh = drawable.height();
  const qint64 cw = controlSize.width();
  const qint64 ch = controlSize.height();

  // Source column of each target column, computed once per call rather than per pixel.
  std::vector<int> columns(static_cast<size_t>(area.width()));
  for (int i = 0; i < area.width(); ++i) {
    const qint64 x = area.left() + i;
    columns[static_cast<size_t>(i)] = static_cast<int>(stretch ? x * rw / cw : (x < rw ? x : -1));
  }
  for (int j = 0; j < area.height(); ++j) {
    const qint64 y = area.top() + j;
    const qint64 sy = stretch ? y * rh / ch : y;
    if (sy < 0 || sy >= rh) continue;
    const auto* source = reinterpret_cast<const QRgb*>(drawable.constScanLine(static_cast<int>(sy)));
    auto* out = reinterpret_cast<QRgb*>(target.scanLine(at.y() + j)) + at.x();
    for (int i = 0; i < area.width(); ++i) {
      const int sx = columns[static_cast<size_t>(i)];
      if (sx < 0) continue;
      const QRgb p = source[sx];
      if (p != 0) out[i] = p;
    }
  }
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
