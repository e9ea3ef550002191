#include "ui/canvas/pointerdrag.h"

#include <tuple>
#include <utility>

namespace {

constexpr int kBand = 4;  // depth of the edge and corner zones

}  // namespace

// The right and bottom edges are one pixel thinner than the corners: the comparisons differ on
// purpose.
PointerDrag::Mode PointerDrag::zoneAt(QPoint at, QSize size, bool keepInside) {
  int x = at.x(), y = at.y(), w = size.width(), h = size.height();
  // An axis without room for an inside is read as a point in the middle of one just wide enough.
  if (keepInside && w < 2 * kBand) std::tie(x, w) = std::pair(kBand, 2 * kBand + 1);
  if (keepInside && h < 2 * kBand) std::tie(y, h) = std::pair(kBand, 2 * kBand + 1);
  if (x < kBand && y < kBand) return TopLeftDrag;
  if (x >= w - kBand && y < kBand) return TopRightDrag;
  if (x < kBand && y >= h - kBand) return BottomLeftDrag;
  if (x >= w - kBand && y >= h - kBand) return BottomRightDrag;
  if (y < kBand) return TopEdgeDrag;
  if (y > h - kBand) return BottomEdgeDrag;
  if (x < kBand) return LeftEdgeDrag;
  if (x > w - kBand) return RightEdgeDrag;
  return MoveDrag;
}

Qt::CursorShape PointerDrag::cursorFor(Mode mode) {
  switch (mode) {
    case MoveDrag: return Qt::PointingHandCursor;
    case TopEdgeDrag:
    case BottomEdgeDrag: return Qt::SizeVerCursor;
    case LeftEdgeDrag:
    case RightEdgeDrag: return Qt::SizeHorCursor;
    case TopLeftDrag:
    case BottomRightDrag: return Qt::SizeFDiagCursor;
    case TopRightDrag:
    case BottomLeftDrag: return Qt::SizeBDiagCursor;
    default: return Qt::ArrowCursor;
  }
}

PointerDrag::Mode PointerDrag::hover(QPoint at, QSize size, Target target, Locks locks, ViewScale scale) {
  if (target == Target::TextPart || target == Target::OneOfSeveral) return hovered_ = MoveDrag;
  Mode mode = zoneAt(at, size, !scale.isOne());
  const bool locked = mode == MoveDrag ? locks.noMove : locks.noResize;
  if (target == Target::Background && locked) mode = NoDrag;
  return hovered_ = mode;
}

void PointerDrag::press(Qt::MouseButton button, QPoint pointer, const Bounds& bounds, ViewScale scale) {
  if (button != Qt::LeftButton) return;
  pressAt_ = pointer;
  pressBounds_ = bounds;
  scale_ = scale;
  mode_ = hovered_;
}

std::optional<PointerDrag::Step> PointerDrag::move(QPoint pointer, bool background) const {
  // Every side counts from the press, by the pointer's whole travel since: a part follows the
  // pointer at any scale, and rounding to logo pixels cannot add up over the steps.
  const qint64 dx = scale_.logoTravel(qint64{pointer.x()} - pressAt_.x());
  const qint64 dy = scale_.logoTravel(qint64{pointer.y()} - pressAt_.y());
  // The sides each mode moves: left, top, right, bottom.
  struct Sides {
    bool left, top, right, bottom;
  };
  Sides sides{};
  switch (mode_) {
    case MoveDrag: sides = {true, true, false, false}; break;
    case TopEdgeDrag: sides = {false, true, false, false}; break;
    case BottomEdgeDrag: sides = {false, false, false, true}; break;
    case LeftEdgeDrag: sides = {true, false, false, false}; break;
    case RightEdgeDrag: sides = {false, false, true, false}; break;
    case TopLeftDrag: sides = {true, true, false, false}; break;
    case TopRightDrag: sides = {false, true, true, false}; break;
    case BottomLeftDrag: sides = {true, false, false, true}; break;
    case BottomRightDrag: sides = {false, false, true, true}; break;
    default: return std::nullopt;
  }
  const Bounds& b = pressBounds_;
  const bool moving = mode_ == MoveDrag;
  const qint64 left = b.left + (sides.left ? dx : 0), top = b.top + (sides.top ? dy : 0);
  const qint64 width = b.width + (moving ? 0 : (sides.right ? dx : 0) - (sides.left ? dx : 0));
  const qint64 height = b.height + (moving ? 0 : (sides.bottom ? dy : 0) - (sides.top ? dy : 0));
  const FollowedSizes followed = followedSizes(background);
  return Step{
      {clampToInt(left), clampToInt(top), clampToInt(width), clampToInt(height)}, followed.width, followed.height};
}

PointerDrag::FollowedSizes PointerDrag::followedSizes(bool background) const {
  switch (mode_) {
    case TopEdgeDrag:
    case BottomEdgeDrag: return {false, background};
    case LeftEdgeDrag:
    case RightEdgeDrag: return {background, false};
    case TopLeftDrag:
    case TopRightDrag:
    case BottomLeftDrag:
    case BottomRightDrag: return {true, true};
    default: return {};
  }
}
