#pragma once

#include <QByteArrayView>
#include <QImage>

#include <functional>
#include <optional>

// Throws what decodePng() throws for a picture of this size made from `unpackedBytes` of rows.
using PngSizeCheck = std::function<void(qint64 width, qint64 height, qint64 unpackedBytes)>;

// The PNG files most pictures are, 8-bit RGB or RGBA without interlacing or tRNS, decoded by a loop
// of our own: the library's row filters take twice as long as inflating the data, and ISA-L
// inflates in half of zlib's time. The stream is inflated chunk by chunk on a second thread into
// the raster's own memory, beyond where its lines go, while this one unfilters the rows already
// whole forward into the lines. Gives the pixels decodePng() gives.
//
// Nothing (and no allocation that outlives the call) for any other kind of file and for any file
// it finds fault with, whatever the fault: the library then decodes it, or says what is wrong, in
// the one set of words. `checkSize` runs before the raster is made.
std::optional<QImage> decodeCommonPng(QByteArrayView data, const PngSizeCheck& checkSize);
