#include "ui/canvas/rubberband.h"

#include <algorithm>

namespace rubberband {

QRect spanned(QPoint from, QPoint to) {
  // Not QRect::normalized(), which reads a rectangle drawn backwards as one whose far edges lie
  // outside it and so leaves out the press's own column and row.
  return {QPoint(std::min(from.x(), to.x()), std::min(from.y(), to.y())),
          QPoint(std::max(from.x(), to.x()), std::max(from.y(), to.y()))};
}

Bounds logoWithin(const QRect& screen, ViewScale scale) {
  // The first logo pixel whose screen area starts at or after the band's first screen pixel, and
  // the last whose area ends at or before its last: at 100 % the same pixels.
  const auto axis = [&scale](qint64 first, qint64 last) {
    const qint64 start = scale.logoPixel(first - 1) + 1;
    const qint64 end = scale.logoPixel(last + 1);  // the pixel after the band's last
    return std::pair(start, std::max<qint64>(end - start, 0));
  };
  const auto [left, width] = axis(screen.left(), screen.right());
  const auto [top, height] = axis(screen.top(), screen.bottom());
  return {clampToInt(left), clampToInt(top), clampToInt(width), clampToInt(height)};
}

bool holds(const Bounds& band, const Bounds& part) {
  return band.width > 0 && band.height > 0 && qint64{part.left} >= band.left && qint64{part.top} >= band.top &&
         qint64{part.left} + part.width <= qint64{band.left} + band.width &&
         qint64{part.top} + part.height <= qint64{band.top} + band.height;
}

}  // namespace rubberband
