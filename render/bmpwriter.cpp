#include "render/bmpwriter.h"

#include "model/failure.h"
#include "render/raster.h"

#include <QtEndian>

namespace {

constexpr int HEADERS_SIZE = 14 + 40;

void put16(uchar*& p, quint16 value) {
  qToLittleEndian(value, p);
  p += 2;
}
void put32(uchar*& p, quint32 value) {
  qToLittleEndian(value, p);
  p += 4;
}

}  // namespace

QByteArray bmpHeaders(int width, int height) {
  // Also keeps every size below within the 32-bit header fields.
  checkRasterSize(width, height);
  const auto pixelBytes = static_cast<quint32>(qint64{width} * height * 4);
  QByteArray headers(HEADERS_SIZE, Qt::Uninitialized);
  auto* p = reinterpret_cast<uchar*>(headers.data());
  *p++ = 'B';
  *p++ = 'M';
  put32(p, HEADERS_SIZE + pixelBytes);
  put32(p, 0);  // reserved
  put32(p, HEADERS_SIZE);
  put32(p, 40);
  put32(p, static_cast<quint32>(width));
  put32(p, static_cast<quint32>(height));  // positive: bottom row first
  put16(p, 1);                             // planes
  put16(p, 32);                            // bits per pixel
  put32(p, 0);                             // uncompressed
  put32(p, pixelBytes);
  for (int i = 0; i < 4; ++i) put32(p, 0);  // resolutions, colours used, colours important
  return headers;
}

void bmpRow(const QRgb* pixels, int width, uchar* out) {
  // 32-bit rows need no padding. RGB32 already lies in memory as B,G,R,x; only x must become 0.
  for (int x = 0; x < width; ++x) put32(out, pixels[x] & 0x00FFFFFFu);
}

QByteArray encodeBmp(const QImage& image) {
  const int width = image.isNull() ? 0 : image.width();
  const int height = image.isNull() ? 0 : image.height();
  QByteArray file = bmpHeaders(width, height);
  const QImage rgb =
      image.isNull() || image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);
  if (rgb.isNull() && !image.isNull()) throw Failure(QStringLiteral("メモリが足りません"));
  const qsizetype rowBytes = qsizetype{width} * 4;
  file.resize(HEADERS_SIZE + rowBytes * height);
  auto* p = reinterpret_cast<uchar*>(file.data()) + HEADERS_SIZE;
  for (int y = height - 1; y >= 0; --y, p += rowBytes)
    bmpRow(reinterpret_cast<const QRgb*>(rgb.constScanLine(y)), width, p);
  return file;
}
