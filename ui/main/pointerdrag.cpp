#include "ui/main/pointerdrag.h"

namespace {

constexpr int kBand = 4;  // depth of the edge and corner zones

}  // namespace

// The right and bottom edges are one pixel thinner than the corners: the comparisons differ on
// purpose.
PointerDrag::Mode PointerDrag::zoneAt(QPoint at, QSize size) {
  const int x = at.x(), y = at.y(), w = size.width(), h = size.height();
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

PointerDrag::Mode PointerDrag::hover(QPoint at, QSize size, Target target, Locks locks) {
  if (target == Target::TextPart) return hovered_ = MoveDrag;
  Mode mode = zoneAt(at, size);
  const bool locked = mode == MoveDrag ? locks.noMove : locks.noResize;
  if (target == Target::Background && locked) mode = NoDrag;
  return hovered_ = mode;
}

void PointerDrag::press(Qt::MouseButton button, QPoint at, QSize size) {
  if (button != Qt::LeftButton) return;
  pressAt_ = at;
  pressSize_ = size;
  mode_ = hovered_;
}

std::optional<PointerDrag::Step> PointerDrag::move(QPoint at, const Bounds& current, bool background) const {
  // Each mode's row: left, top, width, height. Moving sides step with the pointer's travel since
  // the last event; staying sides count from the press.
  const qint64 L = current.left, T = current.top, W = current.width, H = current.height;
  const qint64 dx = qint64{at.x()} - pressAt_.x(), dy = qint64{at.y()} - pressAt_.y();
  const qint64 pressW = qint64{pressSize_.width()} + dx, pressH = qint64{pressSize_.height()} + dy;
  qint64 left = L, top = T, width = W, height = H;
  // The size edits follow a corner drag always, an edge drag only of the background.
  bool showWidth = false;
  bool showHeight = false;
  switch (mode_) {
    case MoveDrag:
      left = L + dx;
      top = T + dy;
      break;
    case TopEdgeDrag:
      top = T + dy;
      height = H - dy;
      showHeight = background;
      break;
    case BottomEdgeDrag:
      height = pressH;
      showHeight = background;
      break;
    case LeftEdgeDrag:
      left = L + dx;
      width = W - dx;
      showWidth = background;
      break;
    case RightEdgeDrag:
      width = pressW;
      showWidth = background;
      break;
    case TopLeftDrag:
      left = L + dx;
      top = T + dy;
      width = W - dx;
      height = H - dy;
      showWidth = showHeight = true;
      break;
    case TopRightDrag:
      top = T + dy;
      width = pressW;
      height = H - dy;
      showWidth = showHeight = true;
      break;
    case BottomLeftDrag:
      left = L + dx;
      width = W - dx;
      height = pressH;
      showWidth = showHeight = true;
      break;
    case BottomRightDrag:
      width = pressW;
      height = pressH;
      showWidth = showHeight = true;
      break;
    default: return std::nullopt;
  }
  return Step{{clampToInt(left), clampToInt(top), clampToInt(width), clampToInt(height)}, showWidth, showHeight};
}
