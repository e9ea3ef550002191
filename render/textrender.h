#pragma once

#include "model/document.h"

#include <QImage>
#include <QSize>

struct TextRaster {
  QImage raster;      // the control's size plus an 8-pixel white margin right and below
  QSize controlSize;  // W + |ShadowX| by H + |ShadowY|
};

// Draws a text part from its record: fill, shadow and string, glyph pixels only, in the record's
// exact colours. Never touches the record. Throws Failure when the raster would be outsized.
// `scale` draws it for a logo that many times the size: the font at that many times its pixel
// size and the shadow that many times as far, laid out anew.
TextRaster renderTextPart(const TPartData& record, int dpi, int scale = 1);
