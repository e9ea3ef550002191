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

void PictureControl::setLeft(int value) { setBounds({value, bounds_.top, bounds_.width, bounds_.height}); }
void PictureControl::setTop(int value) { setBounds({bounds_.left, value, bounds_.width, bounds_.height}); }
void PictureControl::setWidth(int value) { setBounds({bounds_.left, bounds_.top, value, bounds_.height}); }
void PictureControl::setHeight(int value) { setBounds({bounds_.left, bounds_.top, bounds_.width, value}); }

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

void PictureControl::paintEvent(QPaintEvent* event) {
  const QRect area = event->rect() & rect();
  const QImage& picture = drawable();
  if (area.isEmpty() || picture.isNull()) return;
  // An opaque raster that reaches every pixel of the area goes on the screen as a plain copy, not
  // a blend: the background and filled text, the largest areas a drag repaints, are such.
  const bool covered = stretch_ || (area.right() < picture.width() && area.bottom() < picture.height());
  QImage chunk(area.size(), !transparent_ && covered ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied);
  if (chunk.isNull()) return;
  copyLayerArea(picture, Showing{QSize(bounds_.width, bounds_.height), stretch_, keepsBlackWhenShrunk(raster_)}, area,
                chunk);
  QPainter painter(this);
  painter.drawImage(area.topLeft(), chunk);
}

void PictureControl::mousePressEvent(QMouseEvent* event) {
  Q_EMIT pressed(this, event->button(), event->position().toPoint());
}

void PictureControl::mouseMoveEvent(QMouseEvent* event) { Q_EMIT moved(this, event->position().toPoint()); }

void PictureControl::mouseReleaseEvent(QMouseEvent* event) {
  Q_EMIT released(this, event->button(), event->position().toPoint());
}
