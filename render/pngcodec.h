#pragma once

#include "render/bytesink.h"

#include <QByteArrayView>
#include <QImage>

#include <memory>

// Decodes a whole PNG file held in memory, every kind the format has, interlaced or not:
//  - with an alpha channel or a tRNS chunk: Format_RGBA8888, straight alpha (see honoursAlpha());
//  - otherwise 1-bit grey or palette: Format_Mono with the file's two colours, like a 1-bit bitmap;
//  - otherwise grey: Format_Indexed8 over 256 grey levels;
//  - otherwise colour or palette: Format_RGB888.
// 16-bit channels are rounded to the nearest 8-bit value. Gamma, chromaticities and colour profiles
// are ignored: the pixels are shown as stored, as bitmaps and JPEG files are.
//
// Throws Failure, its message the reason in the program's words without the file's name: not a
// PNG file, cut short, a checksum that does not match, a size beyond the raster limits or beyond
// what the file's bytes can hold, or damaged data. Sizes are checked before anything is allocated.
QImage decodePng(QByteArrayView data);

// The compression level the logo's PNG files are written with (zlib's scale, 1 to 9).
inline constexpr int PNG_LOGO_LEVEL = 3;

// What a written PNG holds for each pixel, 8 bits a channel.
enum class PngPixels {
  Rgb,   // from Format_RGB32 rows
  Rgba,  // straight alpha, from Format_ARGB32 rows
};

// An 8-bit RGB or RGBA PNG coded as the rows arrive and handed to `sink` a buffer at a time, so that
// neither the whole picture nor the whole file is ever held. Throws Failure "PNG エラー: …" when
// the library refuses and "ストリームへの書き込みエラー" when the sink does.
class PngRowEncoder {
public:
  PngRowEncoder(int width, int height, ByteSink& sink, PngPixels pixels = PngPixels::Rgb, int level = PNG_LOGO_LEVEL);
  ~PngRowEncoder();
  PngRowEncoder(const PngRowEncoder&) = delete;
  PngRowEncoder& operator=(const PngRowEncoder&) = delete;

  // Codes every line of `rows` (the picture's width, in the format `pixels` names) as the next
  // rows, top down.
  void write(const QImage& rows);
  // Ends the file once every row has been written.
  void finish();

private:
  struct Context;
  std::unique_ptr<Context> context_;
};

// A whole picture as an 8-bit PNG, for tests, tools and the clipboard; RGB drops any alpha.
QByteArray encodePng(const QImage& image, PngPixels pixels = PngPixels::Rgb, int level = PNG_LOGO_LEVEL);
