#pragma once

#include <QFont>

// The face the windows are drawn in, at `pixelSize` pixels: 12 for the windows themselves, 13 for
// the panel's size fields and font button.
QFont windowFont(int pixelSize = 12);
