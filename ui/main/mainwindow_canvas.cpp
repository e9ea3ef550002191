// Mouse editing on the canvas: selection by press, hover zones, drags, and their locks.
#include "ui/main/mainwindow.h"

#include "model/fixedstring.h"
#include "render/fonts.h"
#include "ui/main/picturecontrol.h"
#include "ui/main/propertypanel.h"

#include <QAction>

namespace {

constexpr int kBand = 4;  // depth of the edge and corner zones

using Drag = MainWindow::DragMode;

Qt::CursorShape cursorFor(int mode) {
  switch (mode) {
    case Drag::MoveDrag: return Qt::PointingHandCursor;
    case Drag::TopEdgeDrag:
    case Drag::BottomEdgeDrag: return Qt::SizeVerCursor;
    case Drag::LeftEdgeDrag:
    case Drag::RightEdgeDrag: return Qt::SizeHorCursor;
    case Drag::TopLeftDrag:
    case Drag::BottomRightDrag: return Qt::SizeFDiagCursor;
    case Drag::TopRightDrag:
    case Drag::BottomLeftDrag: return Qt::SizeBDiagCursor;
    default: return Qt::ArrowCursor;
  }
}

// The zone under (x, y) of a control w by h. The right and bottom edges are one pixel thinner
// than the corners: the comparisons differ on purpose.
Drag zoneAt(int x, int y, int w, int h) {
  if (x < kBand && y < kBand) return Drag::TopLeftDrag;
  if (x >= w - kBand && y < kBand) return Drag::TopRightDrag;
  if (x < kBand && y >= h - kBand) return Drag::BottomLeftDrag;
  if (x >= w - kBand && y >= h - kBand) return Drag::BottomRightDrag;
  if (y < kBand) return Drag::TopEdgeDrag;
  if (y > h - kBand) return Drag::BottomEdgeDrag;
  if (x < kBand) return Drag::LeftEdgeDrag;
  if (x > w - kBand) return Drag::RightEdgeDrag;
  return Drag::MoveDrag;
}

}  // namespace

void MainWindow::controlPressed(PictureControl* sender, Qt::MouseButton button, QPoint at) {
  if (button != Qt::LeftButton || !sender) return;
  selection_ = sender->tag();
  const TPartData* r = selection_ == BACKGROUND_TAG ? nullptr : &document_.Parts[selection_];
  if (!r || r->Kind != pkText) {
    panel_->showSizeGroupOnly();
  } else {
    // A copy: the handlers the panel's writes set off store the same values into the record again.
    const TPartData record = *r;
    dialogs_->presetFont({fixedString(record.FontName), record.FontSize, record.FontStyle});
    panel_->showTextPart(record);
  }
  panel_->showWidth(sender->width());
  panel_->showHeight(sender->height());
  pressX = at.x();
  pressY = at.y();
  pressWidth = sender->width();
  pressHeight = sender->height();
  dragMode = hoverMode;
}

void MainWindow::controlMoved(PictureControl* sender, QPoint at) {
  if (!sender) return;
  const int x = at.x();
  const int y = at.y();
  const bool background = sender == backgroundControl_;
  if (dragMode == NoDrag) {
    const int tag = sender->tag();
    if (!background && document_.Parts[tag].Kind == pkText) {
      sender->setCursor(Qt::PointingHandCursor);
      hoverMode = MoveDrag;
      return;
    }
    DragMode mode = zoneAt(x, y, sender->width(), sender->height());
    Qt::CursorShape cursor = cursorFor(mode);
    const bool locked = mode == MoveDrag ? action(tagNoMove)->isChecked() : action(tagNoResize)->isChecked();
    if (background && locked) {
      mode = NoDrag;
      cursor = Qt::ArrowCursor;
    }
    sender->setCursor(cursor);
    hoverMode = mode;
    return;
  }

  // Each mode's row: left, top, width, height. Moving sides step with the pointer's travel since
  // the last event; staying sides count from the press.
  const Bounds b = sender->bounds();
  const qint64 L = b.left, T = b.top, W = b.width, H = b.height;
  const qint64 dx = qint64{x} - pressX, dy = qint64{y} - pressY;
  const qint64 pressW = qint64{pressWidth} + dx, pressH = qint64{pressHeight} + dy;
  qint64 left = L, top = T, width = W, height = H;
  // The size edits follow a corner drag always, an edge drag only of the background.
  bool showWidth = false;
  bool showHeight = false;
  switch (dragMode) {
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
    default: return;
  }
  const Bounds n{clampToInt(left), clampToInt(top), clampToInt(width), clampToInt(height)};
  sender->setBounds(n);
  if (showWidth) panel_->showWidth(sender->width());
  if (showHeight) panel_->showHeight(sender->height());
}

void MainWindow::controlReleased(PictureControl*, Qt::MouseButton, QPoint) {
  dragMode = NoDrag;
  updateCanvasExtent();
}

void MainWindow::selectPart(int index) {
  PictureControl* c = partControl(index);
  if (!c || index == BACKGROUND_TAG) return;
  controlPressed(c, Qt::LeftButton, QPoint(c->width() / 2, c->height() / 2));
  dragMode = NoDrag;
}

std::optional<QPoint> MainWindow::partCentreOnScreen(int index) const {
  const PictureControl* c = index == BACKGROUND_TAG ? nullptr : partControl(index);
  if (!c) return std::nullopt;
  return canvas_->mapToGlobal(QPoint(c->left() + c->width() / 2, c->top() + c->height() / 2));
}
