#pragma once

#include "model/bounds.h"
#include "ui/canvas/viewscale.h"

#include <QPoint>
#include <QRect>

// The rubber band's geometry: the screen pixels the pointer spans from the press, and the logo
// pixels they hold whole, which are what a part must lie in to be taken.
namespace rubberband {

// The screen pixels from `from` to `to`, both in, whichever way the pointer went.
QRect spanned(QPoint from, QPoint to);
// The logo pixels at `scale` whose whole screen area lies within `screen`; no width or no height
// when none does (a band narrower than a logo pixel at a zoom).
Bounds logoWithin(const QRect& screen, ViewScale scale);
// Whether `part` lies wholly inside `band`: a part whose edge pixels are the band's is inside.
bool holds(const Bounds& band, const Bounds& part);

}  // namespace rubberband
