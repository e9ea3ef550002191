#pragma once

#include "model/document.h"

#include <QImage>

#include <cstddef>
#include <memory>
#include <thread>

// A raster is a QImage. Rasters the program makes itself are Format_RGB32; decoded pictures keep
// the format their file gives them, because the see-through rule depends on it.

inline constexpr int MAX_RASTER_SIDE = 32767;
inline constexpr qint64 MAX_RASTER_PIXELS = qint64{1} << 28;

// Whether a raster of this size may be made at all. Hostile files and outsized fonts would
// otherwise ask for gigabytes.
bool rasterSizeAllowed(qint64 width, qint64 height);

// Throws Failure with a clear message unless rasterSizeAllowed().
void checkRasterSize(qint64 width, qint64 height);

// Pictures up to this size may come from a file of any length: a file cut short still shows, its
// missing part filled in. Beyond it the decoders want the file to hold some share of the picture,
// so that a few hundred bytes cannot claim a gigabyte of raster and seconds of decoding.
inline constexpr qint64 PIXELS_ANY_FILE_MAY_CLAIM = qint64{1} << 24;

// Whether a file of `fileBytes` may give a width x height picture: always up to
// PIXELS_ANY_FILE_MAY_CLAIM pixels, beyond that when it holds a byte for every `pixelsPerByte`.
bool pixelsInProportion(qint64 width, qint64 height, qint64 fileBytes, qint64 pixelsPerByte);

// An uninitialised raster for a decoder to fill. Large ones get memory that faults in by huge
// pages where the system offers them: first-touch page faults otherwise cost a 12-megapixel
// decode about as much as the decoding itself. Throws Failure when memory runs out.
QImage allocateRaster(qint64 width, qint64 height, QImage::Format format);

// Has the kernel clear a large new raster's memory on a second thread while a decoder that fills
// it from the first line down is busy; the decoder would otherwise stop at every fresh page for
// that, about a tenth of a 12-megapixel JPEG decode. Works from the last line upwards, so the
// two meet instead of queueing for the same pages. Never touches the pixels themselves, and
// stops, and is joined, when destroyed: destroy it before the raster.
class RasterPrefault {
public:
  explicit RasterPrefault(const QImage& raster);

private:
  std::jthread thread_;
};

// Memory for a large raster or for the whole file it is decoded from, advised to use huge pages
// when it is large enough to matter; null when memory runs out.
struct FreeLargeMemory {
  void operator()(void* memory) const;
};
using LargeMemory = std::unique_ptr<uchar, FreeLargeMemory>;
LargeMemory allocateLargeMemory(std::size_t bytes);

// A new all-white Format_RGB32 raster; throws Failure beyond the limits or when memory runs out.
QImage makeWhiteRaster(int width, int height);

// The raster's transparent colour: its bottom-left pixel's colour, or white for 1 bit per pixel.
QRgb transparentColour(const QImage& raster);

// Whether the raster's own alpha decides how it lies over what is beneath, rather than the
// transparent colour: PNG pictures with an alpha channel or a tRNS chunk, decoded to straight
// (not premultiplied) Format_RGBA8888. No other reader or renderer makes that format.
inline bool honoursAlpha(const QImage& raster) { return raster.format() == QImage::Format_RGBA8888; }

// 0x00BBGGRR as stored in records, and back.
inline QRgb rgbFromColour(Colour c) {
  return qRgb(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF));
}
inline Colour colourFromRgb(QRgb rgb) {
  return static_cast<Colour>(qRed(rgb)) | (static_cast<Colour>(qGreen(rgb)) << 8) |
         (static_cast<Colour>(qBlue(rgb)) << 16);
}
