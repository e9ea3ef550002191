#pragma once

#include <QByteArray>
#include <QImage>

// The exported logo as a bitmap: 14-byte file header, 40-byte information header, 32 bits per
// pixel uncompressed, bottom row first, every pixel B,G,R,0. An empty image gives the 54 bytes of
// headers alone, with width, height and image size 0.
QByteArray encodeBmp(const QImage& image);

// The 54 bytes of headers encodeBmp() writes for a width x height picture, for a writer that sends
// the rows after them itself. Throws Failure beyond the raster limits.
QByteArray bmpHeaders(int width, int height);

// One row of `width` pixels of a Format_RGB32 raster as the file holds it: B,G,R,0 each.
void bmpRow(const QRgb* pixels, int width, uchar* out);
