#include "render/bmpwriter.h"

#include "model/failure.h"
#include "render/raster.h"

#include <QtEndian>

namespace {

constexpr int FILE_HEADER_SIZE = 14;
constexpr int INFO_HEADER_SIZE = 40;
constexpr int V5_HEADER_SIZE = 124;
constexpr quint32 BI_RGB = 0;
constexpr quint32 BI_BITFIELDS = 3;
constexpr quint32 LCS_SRGB = 0x73524742;  // 'sRGB'
constexpr quint32 LCS_GM_IMAGES = 4;

void put16(uchar*& p, quint16 value) {
  qToLittleEndian(value, p);
  p += 2;
}
void put32(uchar*& p, quint32 value) {
  qToLittleEndian(value, p);
  p += 4;
}

}  // namespace

QByteArray bmpHeaders(int width, int height, BmpPixels pixels) {
  // Also keeps every size below within the 32-bit header fields.
  checkRasterSize(width, height);
  const bool alpha = pixels == BmpPixels::Bgra;
  // Image programs read a fourth byte as alpha only when a header from version 4 on says so.
  const int infoSize = alpha ? V5_HEADER_SIZE : INFO_HEADER_SIZE;
  const int headersSize = FILE_HEADER_SIZE + infoSize;
  const auto pixelBytes = static_cast<quint32>(qint64{width} * height * 4);
  QByteArray headers(headersSize, '\0');
  auto* p = reinterpret_cast<uchar*>(headers.data());
  *p++ = 'B';
  *p++ = 'M';
  put32(p, static_cast<quint32>(headersSize) + pixelBytes);
  put32(p, 0);  // reserved
  put32(p, static_cast<quint32>(headersSize));
  put32(p, static_cast<quint32>(infoSize));
  put32(p, static_cast<quint32>(width));
  put32(p, static_cast<quint32>(height));  // positive: bottom row first
  put16(p, 1);                             // planes
  put16(p, 32);                            // bits per pixel
  put32(p, alpha ? BI_BITFIELDS : BI_RGB);
  put32(p, pixelBytes);
  for (int i = 0; i < 4; ++i) put32(p, 0);  // resolutions, colours used, colours important
  if (!alpha) return headers;
  for (quint32 mask : {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0xFF000000u}) put32(p, mask);  // R, G, B, A
  put32(p, LCS_SRGB);
  p += 36 + 12;  // end points and gamma, unused for sRGB
  put32(p, LCS_GM_IMAGES);
  return headers;  // profile offset and size, reserved: 0
}

void bmpRow(const QRgb* pixels, int width, uchar* out, BmpPixels layout) {
  // 32-bit rows need no padding. RGB32 and ARGB32 already lie in memory as B,G,R,A; for the plain
  // header the fourth byte must become 0.
  const QRgb keep = layout == BmpPixels::Bgra ? 0xFFFFFFFFu : 0x00FFFFFFu;
  for (int x = 0; x < width; ++x) put32(out, pixels[x] & keep);
}

QByteArray encodeBmp(const QImage& image) {
  const int width = image.isNull() ? 0 : image.width();
  const int height = image.isNull() ? 0 : image.height();
  QByteArray file = bmpHeaders(width, height);
  const QImage rgb =
      image.isNull() || image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);
  if (rgb.isNull() && !image.isNull()) throw Failure(QStringLiteral("メモリが足りません"));
  const qsizetype rowBytes = qsizetype{width} * 4;
  const qsizetype headersSize = file.size();
  file.resize(headersSize + rowBytes * height);
  auto* p = reinterpret_cast<uchar*>(file.data()) + headersSize;
  for (int y = height - 1; y >= 0; --y, p += rowBytes)
    bmpRow(reinterpret_cast<const QRgb*>(rgb.constScanLine(y)), width, p);
  return file;
}
