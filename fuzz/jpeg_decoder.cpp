// Any bytes as a JPEG file, through the same decoder the picture loader uses: refused with a
// Failure, or a raster the rest of the program can use and the logo encoder can write again.

#include "rasterchecks.h"

#include "render/jpegcodec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::optional<QImage> raster = decodeAndExercise(decodeJpeg, data, size);
  if (!raster) return 0;
  require(!raster->isNull(), "a decoded JPEG has pixels");
  if (qint64{raster->width()} * raster->height() <= ROUND_TRIP_PIXELS)
    require(decodeJpeg(encodeJpeg(*raster)).size() == raster->size(), "the logo encoder writes what it was given");
  return 0;
}
