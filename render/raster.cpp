#include "render/raster.h"

#include "model/failure.h"

#include <algorithm>

bool rasterSizeAllowed(qint64 width, qint64 height) {
  return width >= 0 && height >= 0 && width <= MAX_RASTER_SIDE && height <= MAX_RASTER_SIDE &&
         width * height <= MAX_RASTER_PIXELS;
}

void checkRasterSize(qint64 width, qint64 height) {
  if (!rasterSizeAllowed(width, height))
    throw Failure(QStringLiteral("画像が大きすぎます (%1 x %2 ピクセル)").arg(width).arg(height));
}

bool pixelsInProportion(qint64 width, qint64 height, qint64 fileBytes, qint64 pixelsPerByte) {
  return width * height <= std::max(PIXELS_ANY_FILE_MAY_CLAIM, fileBytes * pixelsPerByte);
}

QImage makeWhiteRaster(int width, int height) {
  checkRasterSize(width, height);
  QImage raster(width, height, QImage::Format_RGB32);
  if (raster.isNull() && width > 0 && height > 0)
    throw Failure(QStringLiteral("メモリが足りません (%1 x %2 ピクセル)").arg(width).arg(height));
  raster.fill(Qt::white);
  return raster;
}

QRgb transparentColour(const QImage& raster) {
  if (raster.isNull() || raster.depth() == 1) return qRgb(255, 255, 255);
  return raster.pixel(0, raster.height() - 1) | 0xFF000000u;
}
