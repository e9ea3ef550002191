#pragma once

#include <QByteArray>
#include <QImage>

// How the exported bitmap holds its pixels, 32 bits each, bottom row first.
enum class BmpPixels {
  Bgr0,  // 40-byte information header, pixels at offset 54, every pixel B,G,R,0
  Bgra,  // a version 5 information header whose masks name the fourth byte alpha (straight),
         // pixels at offset 138, every pixel B,G,R,A
};

// The exported logo as a bitmap of Format_RGB32 pixels (Bgr0). An empty image gives the 54 bytes
// of headers alone, with width, height and image size 0.
QByteArray encodeBmp(const QImage& image);

// The headers encodeBmp() writes for a width x height picture, for a writer that sends the rows
// after them itself. Throws Failure beyond the raster limits.
QByteArray bmpHeaders(int width, int height, BmpPixels pixels = BmpPixels::Bgr0);

// One row of `width` pixels as the file holds it: of a Format_RGB32 raster for Bgr0, of a
// Format_ARGB32 one for Bgra.
void bmpRow(const QRgb* pixels, int width, uchar* out, BmpPixels layout = BmpPixels::Bgr0);
