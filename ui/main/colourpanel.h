#pragma once

#include "model/document.h"

#include <QFrame>

// A small sunken panel that shows a colour and is clicked to choose another.
class ColourPanel : public QFrame {
  Q_OBJECT
public:
  ColourPanel(int tag, QWidget* parent);

  int tag() const { return tag_; }
  Colour colour() const { return colour_; }
  void setColour(Colour colour);

Q_SIGNALS:
  void clicked(ColourPanel* panel);

protected:
  void mouseReleaseEvent(QMouseEvent* event) override;

private:
  int tag_;
  Colour colour_ = clBlack;
};
