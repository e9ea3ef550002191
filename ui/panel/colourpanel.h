#pragma once

#include "model/basics.h"

#include <QFrame>

// A small sunken panel that shows a colour and is clicked to choose another.
class ColourPanel : public QFrame {
  Q_OBJECT
public:
  explicit ColourPanel(QWidget* parent);

  Colour colour() const { return colour_; }
  void setColour(Colour colour);
  // No colour shown, as for parts whose colours differ: the window's own grey, which is none of them.
  void showBlank();
  bool blank() const { return blank_; }

Q_SIGNALS:
  void clicked(ColourPanel* panel);

protected:
  void mouseReleaseEvent(QMouseEvent* event) override;

private:
  Colour colour_ = clBlack;
  bool blank_ = false;
};
