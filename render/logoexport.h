#pragma once

#include "render/layer.h"

#include <QImage>
#include <QString>

#include <vector>

// The logo is the background's rectangle of the canvas, flattened: exactly what the canvas shows
// there, because it is drawn by the canvas's own drawLayer.

// A Format_RGB32 raster of the background's size: white, the background stretched over it, then
// every part in order, placed relative to the background's top-left and cut at its edges. Throws
// Failure when the background has no area or the raster would be outsized.
QImage composeLogo(const Layer& background, const std::vector<Layer>& parts);

// Rows in each band of a logo `width` pixels wide, the last band taking what is left: a multiple of
// 16, the tallest JPEG coding unit, and about a megabyte of pixels.
int logoBandRows(int width);

// Writes the logo to `path`: JPEG for ".jpg"/".jpeg" in any case, BMP for anything else. Returns
// false, touching nothing, when there are no parts. The logo is composed a band of rows at a time
// on a second thread while the bands before are coded and written, so memory does not grow with
// the logo; the file holds exactly what composeLogo()'s pixels coded at once would give. Goes
// through a temporary file, so a failure (Failure: composing, encoding, "を作成できません",
// "ストリームへの書き込みエラー") leaves no file behind and an existing one as it was.
bool exportLogo(const QString& path, const Layer& background, const std::vector<Layer>& parts);
