// Any bytes as a PNG file, through the same decoder the picture loader uses: refused with a
// Failure, or a raster the rest of the program can use and the logo encoder can write again.

#include "rasterchecks.h"

#include "render/pngcodec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::optional<QImage> raster = decodeAndExercise(decodePng, data, size);
  if (!raster) return 0;
  require(!raster->isNull(), "a decoded PNG has pixels");
  if (qint64{raster->width()} * raster->height() <= ROUND_TRIP_PIXELS) {
    const QImage back = decodePng(encodePng(*raster));
    require(back.size() == raster->size(), "the logo encoder writes what it was given");
  }
  return 0;
}
