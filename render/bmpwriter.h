#pragma once

#include <QByteArray>
#include <QImage>

// The exported logo as a bitmap: 14-byte file header, 40-byte information header, 32 bits per
// pixel uncompressed, bottom row first, every pixel B,G,R,0. An empty image gives the 54 bytes of
// headers alone, with width, height and image size 0.
QByteArray encodeBmp(const QImage& image);
