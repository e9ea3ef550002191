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

// Writes the logo to `path`: JPEG for ".jpg"/".jpeg" in any case, BMP for anything else. Returns
// false, touching nothing, when there are no parts. Goes through a temporary file, so a failure
// (Failure: composing, encoding, "を作成できません", "ストリームへの書き込みエラー") leaves no file
// behind and an existing one as it was.
bool exportLogo(const QString& path, const Layer& background, const std::vector<Layer>& parts);
