#pragma once

#include "model/document.h"

#include <QImage>

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

// A new all-white Format_RGB32 raster; throws Failure beyond the limits or when memory runs out.
QImage makeWhiteRaster(int width, int height);

// The raster's transparent colour: its bottom-left pixel's colour, or white for 1 bit per pixel.
QRgb transparentColour(const QImage& raster);

// 0x00BBGGRR as stored in records, and back.
inline QRgb rgbFromColour(Colour c) {
  return qRgb(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF));
}
inline Colour colourFromRgb(QRgb rgb) {
  return static_cast<Colour>(qRed(rgb)) | (static_cast<Colour>(qGreen(rgb)) << 8) |
         (static_cast<Colour>(qBlue(rgb)) << 16);
}
