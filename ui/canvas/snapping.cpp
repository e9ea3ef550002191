#include "ui/canvas/snapping.h"

#include "edit/composition.h"

#include <algorithm>
#include <array>

namespace snapping {

namespace {

constexpr qint64 kScreenReach = 6;

// Halves toward minus infinity, so that a size a drag drove below nought still has its centre on
// the same side of its start as the bounds run.
qint64 half(qint64 size) { return size >= 0 ? size / 2 : -((1 - size) / 2); }

void addLines(std::vector<qint64>& to, qint64 start, qint64 size) {
  to.insert(to.end(), {start, start + half(size), start + size});
}

// One axis: the start and size the step gives it, caught or left alone.
struct Axis {
  qint64 start;
  qint64 size;
  std::optional<qint64> caught;
};

Axis snapAxis(qint64 start, qint64 size, Motion motion, const std::vector<qint64>& lines, qint64 reach) {
  const qint64 end = start + size;
  std::array<qint64, 3> moving{};
  size_t count = 0;
  switch (motion) {
    case Motion::Still: return {start, size, std::nullopt};
    case Motion::Whole: moving = {start, start + half(size), end}, count = 3; break;
    case Motion::Start: moving[0] = start, count = 1; break;
    case Motion::End: moving[0] = end, count = 1; break;
  }
  // The best catch so far: the moving line it pulls, the line it pulls it to, how far apart.
  std::optional<qint64> to;
  qint64 from = 0, nearest = reach + 1;
  // Each line against every moving one, and only a strictly nearer catch replaces one: of lines
  // equally near, the one listed first keeps it, whichever moving line it is near.
  for (qint64 line : lines)
    for (size_t i = 0; i < count; ++i) {
      const qint64 distance = line > moving[i] ? line - moving[i] : moving[i] - line;
      if (distance < nearest) {
        nearest = distance;
        from = moving[i];
        to = line;
      }
    }
  if (!to) return {start, size, std::nullopt};
  switch (motion) {
    case Motion::Start: return {*to, end - *to, to};
    case Motion::End: return {start, *to - start, to};
    default: return {start + (*to - from), size, to};
  }
}

}  // namespace

Motions motionsOf(PointerDrag::Mode mode) {
  using M = PointerDrag::Mode;
  switch (mode) {
    case M::MoveDrag: return {Motion::Whole, Motion::Whole};
    case M::TopEdgeDrag: return {Motion::Still, Motion::Start};
    case M::BottomEdgeDrag: return {Motion::Still, Motion::End};
    case M::LeftEdgeDrag: return {Motion::Start, Motion::Still};
    case M::RightEdgeDrag: return {Motion::End, Motion::Still};
    case M::TopLeftDrag: return {Motion::Start, Motion::Start};
    case M::TopRightDrag: return {Motion::End, Motion::Start};
    case M::BottomLeftDrag: return {Motion::Start, Motion::End};
    case M::BottomRightDrag: return {Motion::End, Motion::End};
    case M::NoDrag: break;
  }
  return {};
}

Lines linesBesides(const Composition& composition, const std::vector<int>& dragged) {
  Lines lines;
  const int count = composition.partCount();
  lines.x.reserve(3 * static_cast<size_t>(count + 1));
  lines.y.reserve(3 * static_cast<size_t>(count + 1));
  const auto add = [&](int index) {
    if (std::binary_search(dragged.begin(), dragged.end(), index)) return;
    const Bounds b = composition.bounds(index);
    addLines(lines.x, b.left, b.width);
    addLines(lines.y, b.top, b.height);
  };
  add(BACKGROUND_INDEX);
  for (int i = 0; i < count; ++i) add(i);
  return lines;
}

Caught snap(const Bounds& step, Motions motions, const Lines& lines, qint64 reach) {
  const Axis x = snapAxis(step.left, step.width, motions.x, lines.x, reach);
  const Axis y = snapAxis(step.top, step.height, motions.y, lines.y, reach);
  return {{clampToInt(x.start), clampToInt(y.start), clampToInt(x.size), clampToInt(y.size)}, x.caught, y.caught};
}

qint64 reachAt(ViewScale scale) {
  return scale.step() >= 0 ? kScreenReach >> scale.step() : kScreenReach << -scale.step();
}

}  // namespace snapping
