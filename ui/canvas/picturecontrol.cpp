#include "ui/canvas/picturecontrol.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

PictureControl::PictureControl(int partIndex, QWidget* parent) : QWidget(parent), partIndex_(partIndex) {
  setMouseTracking(true);  // hover classifies the zone under the pointer
  applyGeometry();
}

void PictureControl::applyGeometry() {
  setGeometry(scale_.screenRect(bounds_));
  Q_EMIT boundsChanged();
}

void PictureControl::setScale(ViewScale scale) {
  if (scale == scale_) return;
  scale_ = scale;
  applyGeometry();
  update();
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

ShownPixels PictureControl::shownPixels(QRect area) const {
  // The widget's own position, not the bounds': the two differ only where Qt's limits clamp it,
  // and the paint must agree with where the control stands.
  return {scale_.shownPixels(qint64{pos().x()} + area.left(), area.width(), bounds_.left, bounds_.width),
          scale_.shownPixels(qint64{pos().y()} + area.top(), area.height(), bounds_.top, bounds_.height)};
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
    drawLayerPixels(below->drawable(), below->showing(), below->shownPixels(reached), chunk,
                    reached.topLeft() + below->pos() - inCanvas.topLeft());
  }
}

void PictureControl::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  // The thin edges of a rubber band or of the selection's marks cross a control far apart: each is
  // painted on its own, not the whole rectangle between them.
  const QRegion& region = event->region();
  qint64 covered = 0;
  for (const QRect& r : region) covered += qint64{r.width()} * r.height();
  const QRect whole = region.boundingRect();
  if (region.rectCount() > 1 && 2 * covered < qint64{whole.width()} * whole.height()) {
    for (const QRect& r : region) paintArea(painter, r & rect());
    return;
  }
  paintArea(painter, whole & rect());
}

void PictureControl::paintArea(QPainter& painter, QRect area) {
  const QImage& picture = drawable();
  if (area.isEmpty() || picture.isNull()) return;
  if (blendsBeneath(raster_, transparent_)) {
    // Qt would lay premultiplied pixels over the others with sums of its own; composing what lies
    // beneath here, by the export's own blend, keeps the canvas and the logo equal at every alpha.
    QImage chunk(area.size(), QImage::Format_RGB32);
    if (chunk.isNull()) return;
    composeBeneath(chunk, area);
    drawLayerPixels(picture, showing(), shownPixels(area), chunk, QPoint(0, 0));
    painter.drawImage(area.topLeft(), chunk);
    return;
  }
  // An opaque raster that reaches every pixel of the area goes on the screen as a plain copy, not
  // a blend: the background and filled text, the largest areas a drag repaints, are such.
  const ShownPixels shown = shownPixels(area);
  const bool covered = stretch_ || (shown.columns.back() < picture.width() && shown.rows.back() < picture.height());
  QImage chunk(area.size(), !transparent_ && covered ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied);
  if (chunk.isNull()) return;
  copyLayerPixels(picture, showing(), shown, chunk);
  painter.drawImage(area.topLeft(), chunk);
}

void PictureControl::mousePressEvent(QMouseEvent* event) {
  Q_EMIT pressed(this, event->button(), event->position().toPoint(), event->modifiers());
}

void PictureControl::mouseMoveEvent(QMouseEvent* event) { Q_EMIT moved(this, event->position().toPoint()); }

void PictureControl::mouseReleaseEvent(QMouseEvent* event) {
  Q_EMIT released(this, event->button(), event->position().toPoint());
}
