#include "ui/panel/colourpanel.h"

#include "render/raster.h"

#include <QMouseEvent>

ColourPanel::ColourPanel(QWidget* parent) : QFrame(parent) {
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setAutoFillBackground(true);
  setColour(clBlack);
}

void ColourPanel::setColour(Colour colour) {
  colour_ = colour;
  blank_ = false;
  QPalette p = palette();
  p.setColor(QPalette::Window, QColor(rgbFromColour(colour)));
  setPalette(p);
}

void ColourPanel::showBlank() {
  blank_ = true;
  QPalette p = palette();
  p.setColor(QPalette::Window, parentWidget()->palette().color(QPalette::Window));
  setPalette(p);
}

void ColourPanel::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) Q_EMIT clicked(this);
}
