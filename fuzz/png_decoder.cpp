// Any bytes as a PNG file, through the same decoder the picture loader uses: refused with a
// Failure, or a raster the rest of the program can use and the logo encoder can write again.
// Each input is also tried with every chunk's checksum made right, so that mutations reach the
// chunks and the pixel data behind the checks instead of stopping at them.

#include "rasterchecks.h"

#include "render/pngcodec.h"

#include <QByteArray>

#include <zlib.h>

namespace {

QByteArray withChecksumsMade(const std::uint8_t* data, std::size_t size) {
  QByteArray file(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  auto* bytes = reinterpret_cast<uchar*>(file.data());
  for (qsizetype at = 8; file.size() - at >= 12;) {
    const quint32 length =
        (quint32{bytes[at]} << 24) | (quint32{bytes[at + 1]} << 16) | (quint32{bytes[at + 2]} << 8) | bytes[at + 3];
    if (length > static_cast<quint32>(file.size() - at - 12)) break;
    const auto crc = static_cast<quint32>(crc32(0, bytes + at + 4, length + 4));
    uchar* end = bytes + at + 8 + length;
    for (int i = 0; i < 4; ++i) end[i] = static_cast<uchar>(crc >> (24 - 8 * i));
    at += 12 + static_cast<qsizetype>(length);
  }
  return file;
}

void exercise(const std::uint8_t* data, std::size_t size) {
  const std::optional<QImage> raster = decodeAndExercise(decodePng, data, size);
  if (!raster) return;
  require(!raster->isNull(), "a decoded PNG has pixels");
  if (qint64{raster->width()} * raster->height() <= ROUND_TRIP_PIXELS) {
    const QImage back = decodePng(encodePng(*raster));
    require(back.size() == raster->size(), "the logo encoder writes what it was given");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  exercise(data, size);
  const QByteArray fixed = withChecksumsMade(data, size);
  exercise(reinterpret_cast<const std::uint8_t*>(fixed.constData()), static_cast<std::size_t>(fixed.size()));
  return 0;
}
