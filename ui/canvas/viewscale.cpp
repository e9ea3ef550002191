#include "ui/canvas/viewscale.h"

#include <QWidget>

#include <algorithm>

namespace {

qint64 floorDiv(qint64 a, qint64 b) { return a / b - (a % b != 0 && (a < 0) != (b < 0)); }

}  // namespace

ViewScale ViewScale::atStep(int step) {
  ViewScale scale;
  scale.step_ = std::clamp(step, MinStep, MaxStep);
  return scale;
}

double ViewScale::factor() const { return step_ >= 0 ? double(1 << step_) : 1.0 / double(1 << -step_); }

QString ViewScale::percentText() const { return QStringLiteral("%1%").arg(100.0 * factor()); }

qint64 ViewScale::screenEdge(qint64 logo) const {
  if (step_ >= 0) return logo << step_;
  // The first screen pixel whose centre, logo pixel (screen + ½)·n, lies at or beyond the edge.
  const qint64 n = qint64{1} << -step_;
  return floorDiv(2 * logo + n - 1, 2 * n);
}

qint64 ViewScale::logoPixel(qint64 screen) const {
  if (step_ >= 0) return floorDiv(screen, qint64{1} << step_);
  const qint64 n = qint64{1} << -step_;
  return screen * n + n / 2;
}

qint64 ViewScale::logoTravel(qint64 screenTravel) const {
  if (step_ < 0) return screenTravel << -step_;
  const qint64 n = qint64{1} << step_;
  const qint64 rounded = (2 * std::abs(screenTravel) + n) / (2 * n);
  return screenTravel < 0 ? -rounded : rounded;
}

QRect ViewScale::screenRect(const Bounds& b) const {
  // Qt holds widget geometry within its own limits; the logical bounds may lie anywhere.
  const auto axis = [this](qint64 start, qint64 size, int& at, int& length) {
    const qint64 first = screenEdge(start);
    const qint64 shown = size > 0 ? std::max<qint64>(screenEdge(start + size) - first, 1) : 0;
    at = static_cast<int>(std::clamp<qint64>(first, -QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
    length = static_cast<int>(std::min<qint64>(shown, QWIDGETSIZE_MAX));
  };
  int x = 0, y = 0, w = 0, h = 0;
  axis(b.left, b.width, x, w);
  axis(b.top, b.height, y, h);
  return {x, y, w, h};
}

std::vector<int> ViewScale::shownPixels(qint64 firstScreen, int count, qint64 start, int size) const {
  std::vector<int> pixels(static_cast<size_t>(std::max(count, 0)));
  const qint64 last = std::max(size, 1) - 1;
  for (size_t i = 0; i < pixels.size(); ++i)
    pixels[i] = static_cast<int>(std::clamp<qint64>(logoPixel(firstScreen + qint64(i)) - start, 0, last));
  return pixels;
}
