#include "ui/main/picturecontrol.h"

#include <algorithm>

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

PictureControl::PictureControl(int partIndex, QWidget* parent) : QWidget(parent), partIndex_(partIndex) {
  setMouseTracking(true);  // hover classifies the zone under the pointer
  applyGeometry();
}

void PictureControl::applyGeometry() {
  // Qt holds widget geometry within its own limits; the logical bounds may lie anywhere.
  auto shown = [](int v, int low) { return std::clamp(v, low, QWIDGETSIZE_MAX); };
  setGeometry(shown(bounds_.left, -QWIDGETSIZE_MAX), shown(bounds_.top, -QWIDGETSIZE_MAX), shown(bounds_.width, 0),
              shown(bounds_.height, 0));
  Q_EMIT boundsChanged();
}

void PictureControl::setBounds(const Bounds& bounds) {
  if (bounds == bounds_) return;
  const bool resized = bounds.width != bounds_.width || bounds.height != bounds_.height;
  bounds_ = bounds;
  applyGeometry();
  if (resized && stretch_) update();
}

void PictureControl::setRaster(QImage raster) {
  raster_ = std::move(raster);
  invalidateDrawable();
}

void PictureControl::showLayer(const Layer& layer) {
  setBounds(layer.bounds);
  setStretch(layer.stretch);
  setTransparent(layer.transparent);
  if (layer.raster.cacheKey() != raster_.cacheKey() || layer.raster.isNull() != raster_.isNull())
    setRaster(layer.raster);
}

void PictureControl::setStretch(bool on) {
  if (stretch_ == on) return;
  stretch_ = on;
  update();
}

void PictureControl::setTransparent(bool on) {
  if (transparent_ == on) return;
  transparent_ = on;
  invalidateDrawable();
}

void PictureControl::invalidateDrawable() {
  drawableValid_ = false;
  drawable_ = {};
  update();
}

const QImage& PictureControl::drawable() const {
  if (!drawableValid_) {
    drawable_ = drawableRaster(raster_, transparent_);
    drawableValid_ = true;
  }
  return drawable_;
}

Showing PictureControl::showing() const {
  return Showing{QSize(bounds_.width, bounds_.height), stretch_, keepsBlackWhenShrunk(raster_)};
}

void PictureControl::composeBeneath(QImage& chunk, QRect area) const {
  const QWidget* canvas = parentWidget();
  chunk.fill(canvas->palette().color(canvas->backgroundRole()));
  const QRect inCanvas = area.translated(pos());
  // The canvas's children stand in their stacking order, bottom first.
  for (const QObject* child : canvas->children()) {
    if (child == this) break;
    const auto* below = qobject_cast<const PictureControl*>(child);
    if (!below || below->isHidden()) continue;
    const QRect reached = inCanvas.translated(-below->pos()) & below->rect();
    if (reached.isEmpty()) continue;
    drawLayerArea(below->drawable(), below->showing(), reached, chunk,
                  reached.topLeft() + below->pos() - inCanvas.topLeft());
  }
}

void PictureControl::paintEvent(QPaintEvent* event) {
  const QRect area = event->rect() & rect();
  const QImage& picture = drawable();
  if (area.isEmpty() || picture.isNull()) return;
  QPainter painter(this);
  if (blendsBeneath(raster_, transparent_)) {
    // Qt would lay premultiplied pixels over the others with sums of its own; composing what lies
    // beneath here, by the export's own blend, keeps the canvas and the logo equal at every alpha.
    QImage chunk(area.size(), QImage::Format_RGB32);
    if (chunk.isNull()) return;
    composeBeneath(chunk, area);
    drawLayerArea(picture, showing(), area, chunk, QPoint(0, 0));
    painter.drawImage(area.topLeft(), chunk);
    return;
  }
  // An opaque raster that reaches every pixel of the area goes on the screen as a plain copy, not
  // a blend: the background and filled text, the largest areas a drag repaints, are such.
  const bool covered = stretch_ || (area.right() < picture.width() && area.bottom() < picture.height());
  QImage chunk(area.size(), !transparent_ && covered ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied);
  if (chunk.isNull()) return;
  copyLayerArea(picture, showing(), area, chunk);
  painter.drawImage(area.topLeft(), chunk);
}

void PictureControl::mousePressEvent(QMouseEvent* event) {
  Q_EMIT pressed(this, event->button(), event->position().toPoint());
}

void PictureControl::mouseMoveEvent(QMouseEvent* event) { Q_EMIT moved(this, event->position().toPoint()); }

void PictureControl::mouseReleaseEvent(QMouseEvent* event) {
  Q_EMIT released(this, event->button(), event->position().toPoint());
}
