#pragma once

#include "model/bounds.h"

#include <QRect>
#include <QString>

#include <vector>

// The canvas's one mapping between logo pixels and screen pixels: a scale of 2^step, step -3..3
// (12.5 % to 800 %). Screen pixels stand for logo pixels by their centres: above 100 % each logo
// pixel is a square block, below it each screen pixel shows the logo pixel under its centre. At
// 100 % both directions are the identity, so the canvas is then exactly as it has always been.
class ViewScale {
public:
  static constexpr int MinStep = -3;
  static constexpr int MaxStep = 3;

  ViewScale() = default;  // 100 %
  static ViewScale atStep(int step);

  int step() const { return step_; }
  bool isOne() const { return step_ == 0; }
  double factor() const;
  // "12.5%", "100%", "800%".
  QString percentText() const;
  friend bool operator==(ViewScale, ViewScale) = default;

  // Where the logo's edge between pixels `logo - 1` and `logo` lands on the screen.
  qint64 screenEdge(qint64 logo) const;
  // The logo pixel that screen pixel `screen` shows.
  qint64 logoPixel(qint64 screen) const;
  // The pointer's travel over the screen as logo pixels, rounded to the nearest, halves away from
  // nought. A drag applies it to the bounds at the press, never step by step, so that rounding
  // cannot add up.
  qint64 logoTravel(qint64 screenTravel) const;

  // The screen rectangle of logo bounds: at least one pixel a side when the bounds have an area,
  // so that no part vanishes from the view or from the mouse.
  QRect screenRect(const Bounds& bounds) const;
  // For `count` screen pixels from `firstScreen` on, the pixel of a control standing at logo
  // `start`, `size` long, that each shows (held within the control).
  std::vector<int> shownPixels(qint64 firstScreen, int count, qint64 start, int size) const;

private:
  int step_ = 0;
};
