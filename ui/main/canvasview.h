#pragma once

#include <QScrollArea>

class PictureControl;

// The scrolled canvas: the background control and the part controls stand on its content widget,
// whose coordinates are canvas coordinates. The content grows to hold every control, and holds
// its extent while a drag is in force.
class CanvasView : public QScrollArea {
  Q_OBJECT
public:
  explicit CanvasView(QWidget* parent = nullptr);

  // The content widget that the controls stand on.
  QWidget* content() const { return content_; }
  PictureControl* background() const { return background_; }

  // The background in the middle of the view.
  void centreBackground();
  // Where something dropped at `point` of `from` lands: that point of the canvas, or the view's
  // top-left corner when it is outside the view.
  QPoint landingPoint(const QWidget* from, QPoint point) const;

  // While held, the extent stays as it is: a canvas growing or shrinking under the pointer would
  // scroll the pressed control away from it. Letting go brings the extent up to date.
  void holdExtent(bool held);
  // The content fitted to the controls and the view; call when a control's bounds changed.
  void updateExtent();

protected:
  bool viewportEvent(QEvent* event) override;

private:
  QWidget* content_ = nullptr;
  PictureControl* background_ = nullptr;
  bool extentHeld_ = false;
};
