#pragma once

#include "render/layer.h"
#include "ui/canvas/viewscale.h"

#include <QImage>
#include <QWidget>

class QPainter;

// A control that shows a layer on the canvas: the background or one part, as the composition holds
// it. It keeps the layer's logical bounds, which a drag may drive to zero or below, and shows
// itself at the clamped geometry, the bounds times the canvas's scale. It paints only the exposed rectangle, through
// the pixel code of render/layer that the logo's bands are drawn with too, so the two agree pixel for pixel.
class PictureControl : public QWidget {
  Q_OBJECT
public:
  static constexpr int DefaultSide = 105;  // a new control's size

  PictureControl(int partIndex, QWidget* parent);

  int partIndex() const { return partIndex_; }

  const Bounds& bounds() const { return bounds_; }
  int left() const { return bounds_.left; }
  int top() const { return bounds_.top; }
  int width() const { return bounds_.width; }
  int height() const { return bounds_.height; }
  void setBounds(const Bounds& bounds);

  const ViewScale& scale() const { return scale_; }
  void setScale(ViewScale scale);

  // Bounds, raster and flags at once; a raster it shows already is not prepared again.
  void showLayer(const Layer& layer);

  const QImage& raster() const { return raster_; }
  void setRaster(QImage raster);

  bool stretch() const { return stretch_; }
  void setStretch(bool on);
  bool transparent() const { return transparent_; }
  void setTransparent(bool on);

  void setHint(const QString& hint) { setToolTip(hint); }
  QString hint() const { return toolTip(); }

  // The raster with its see-through pixels decided, made once per raster and flag.
  const QImage& drawable() const;

Q_SIGNALS:
  // `modifiers`: Shift and Ctrl held at the press add to the selection or take from it.
  void pressed(PictureControl* control, Qt::MouseButton button, QPoint at,
               Qt::KeyboardModifiers modifiers = Qt::NoModifier);
  void moved(PictureControl* control, QPoint at);
  void released(PictureControl* control, Qt::MouseButton button, QPoint at);
  void boundsChanged();

protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

private:
  // Paints `area` (its own coordinates) of the control.
  void paintArea(QPainter& painter, QRect area);
  Showing showing() const;
  // What the controls beneath this one show in `area` (its own coordinates), composed into
  // `chunk` as the logo composes them, over the canvas's own colour.
  void composeBeneath(QImage& chunk, QRect area) const;
  // The control pixels that `area` of the screen (its own coordinates) shows.
  ShownPixels shownPixels(QRect area) const;
  void applyGeometry();
  void invalidateDrawable();

  int partIndex_;
  Bounds bounds_{0, 0, DefaultSide, DefaultSide};
  ViewScale scale_;
  QImage raster_;
  bool stretch_ = false;
  bool transparent_ = false;
  mutable QImage drawable_;
  mutable bool drawableValid_ = false;
};
