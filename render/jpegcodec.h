#pragma once

#include "render/bytesink.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QImage>

#include <memory>

// Decodes a whole JPEG file held in memory at full size. Colour files give Format_RGB888 with
// exactly libjpeg's RGB output; greyscale files give Format_Indexed8 with at most 236 grey
// levels; CMYK and YCCK files are converted to Format_RGB32. Warnings (a truncated file, for one) are ignored: what the
// library produced is kept. Throws Failure "JPEG エラー #n" with libjpeg's message code on any error, the raster size
// message for pictures too large to make, and messages of their own for files of more than 100 scans, needing more than
// 1 GiB of the library's working memory, or claiming a picture of more than 16 megapixels with less than a byte for
// every 1,024 pixels.
QImage decodeJpeg(QByteArrayView data);

// Baseline JPEG at quality 90 of the image's colours (alpha is ignored). Throws Failure
// "JPEG エラー #n" when libjpeg refuses, e.g. for an empty image.
QByteArray encodeJpeg(const QImage& image);

// The same file encodeJpeg() makes, coded as the rows arrive and handed to `sink` a buffer at a
// time, so that neither the whole picture nor the whole file is ever held. Throws Failure
// "JPEG エラー #n" when the library refuses and "ストリームへの書き込みエラー" when the sink does.
class JpegRowEncoder {
public:
  JpegRowEncoder(int width, int height, ByteSink& sink);
  ~JpegRowEncoder();
  JpegRowEncoder(const JpegRowEncoder&) = delete;
  JpegRowEncoder& operator=(const JpegRowEncoder&) = delete;

  // Codes every line of `rows` (Format_RGB32, the picture's width) as the next rows, top down.
  void write(const QImage& rows);
  // Ends the file once every row has been written.
  void finish();

private:
  struct Context;
  std::unique_ptr<Context> context_;
};
