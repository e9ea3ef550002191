#include "rasterchecks.h"

#include "model/failure.h"
#include "render/bmpreader.h"
#include "render/bmpwriter.h"
#include "render/layer.h"
#include "render/raster.h"

namespace {

bool sameColours(const QImage& a, const QImage& b) {
  if (a.size() != b.size()) return false;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x)
      if ((a.pixel(x, y) | 0xFF000000u) != (b.pixel(x, y) | 0xFF000000u)) return false;
  return true;
}

}  // namespace

void exerciseDecodedRaster(const QImage& raster) {
  if (raster.isNull()) return;
  transparentColour(raster);
  QImage canvas = makeWhiteRaster(64, 48);
  for (const bool transparent : {false, true}) {
    const QImage drawable = drawableRaster(raster, transparent);
    require(drawable.isNull() || drawable.size() == raster.size(), "the drawable form keeps the raster's size");
    // Larger than the canvas and off its top-left corner, then smaller and inside it.
    drawLayer(Layer{Bounds{-3, -2, 90, 70}, raster, true, transparent}, drawable, canvas, QPoint(0, 0));
    drawLayer(Layer{Bounds{5, 7, 40, 30}, raster, false, transparent}, drawable, canvas, QPoint(1, 1));
  }
  if (honoursAlpha(raster)) {
    // Seen through, every pixel keeps its own colour and alpha for the blend to read; over white,
    // every pixel is opaque.
    const QImage own = drawableRaster(raster, true);
    const QImage overWhite = drawableRaster(raster, false);
    for (int y = 0; y < raster.height(); ++y) {
      for (int x = 0; x < raster.width(); ++x) {
        const QRgb p = own.pixel(x, y);
        require(p == raster.pixel(x, y), "straight pixels kept");
        require(qAlpha(overWhite.pixel(x, y)) == 255, "over white, opaque");
      }
    }
    return;
  }
  if (qint64{raster.width()} * raster.height() <= ROUND_TRIP_PIXELS)
    require(sameColours(readBmp(encodeBmp(raster)), raster), "the logo writer keeps every colour");
}

std::optional<QImage> decodeAndExercise(QImage (*decode)(QByteArrayView), const std::uint8_t* data, std::size_t size) {
  QImage raster;
  try {
    raster = decode(QByteArrayView(data, static_cast<qsizetype>(size)));
  } catch (const Failure&) {
    return std::nullopt;
  }
  exerciseDecodedRaster(raster);
  return raster;
}
