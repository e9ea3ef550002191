#include "ui/canvas/snapguides.h"

#include <QPainter>

namespace {

// Magenta is far from white, from black and from the greys between, so a line shows on any logo.
const QColor kGuideColour(0xFF, 0x00, 0xFF);

}  // namespace

void setUpViewOverlay(QWidget* overlay, const QString& name) {
  overlay->setObjectName(name);
  overlay->setAttribute(Qt::WA_TransparentForMouseEvents);
  overlay->setAttribute(Qt::WA_NoSystemBackground);
  overlay->hide();
}

SnapGuides::SnapGuides(QWidget* viewport) : QWidget(viewport) { setUpViewOverlay(this, QStringLiteral("snapGuides")); }

void SnapGuides::showAt(std::optional<int> x, std::optional<int> y) {
  if (x == x_ && y == y_ && isVisible() == (x || y)) return;
  x_ = x;
  y_ = y;
  if (!x_ && !y_) {
    hide();
    return;
  }
  // The viewport may have been resized since the last drag; the guides span it as it is now.
  setGeometry(parentWidget()->rect());
  raise();
  show();
  update();
}

void SnapGuides::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (x_) painter.fillRect(*x_, 0, 1, height(), kGuideColour);
  if (y_) painter.fillRect(0, *y_, width(), 1, kGuideColour);
}
