#include "render/raster.h"

#include "model/failure.h"

#include <algorithm>
#include <cstdlib>
#include <system_error>

#ifdef Q_OS_LINUX
#include <sys/mman.h>
#endif

namespace {

constexpr std::size_t HUGE_PAGE = std::size_t{2} << 20;
// Below this a thread costs more than it saves.
constexpr std::size_t PREFAULT_MIN_BYTES = std::size_t{8} << 20;

void freeRasterMemory(void* memory) { std::free(memory); }

Failure outOfMemory(qint64 width, qint64 height) {
  return Failure(QStringLiteral("メモリが足りません (%1 x %2 ピクセル)").arg(width).arg(height));
}

}  // namespace

bool rasterSizeAllowed(qint64 width, qint64 height) {
  return width >= 0 && height >= 0 && width <= MAX_RASTER_SIDE && height <= MAX_RASTER_SIDE &&
         width * height <= MAX_RASTER_PIXELS;
}

void checkRasterSize(qint64 width, qint64 height) {
  if (!rasterSizeAllowed(width, height))
    throw Failure(QStringLiteral("画像が大きすぎます (%1 x %2 ピクセル)").arg(width).arg(height));
}

bool pixelsInProportion(qint64 width, qint64 height, qint64 fileBytes, qint64 pixelsPerByte) {
  return width * height <= std::max(PIXELS_ANY_FILE_MAY_CLAIM, fileBytes * pixelsPerByte);
}

void FreeLargeMemory::operator()(void* memory) const { std::free(memory); }

LargeMemory allocateLargeMemory(std::size_t bytes) {
#ifdef Q_OS_LINUX
  if (bytes >= HUGE_PAGE) {
    const std::size_t rounded = (bytes + HUGE_PAGE - 1) / HUGE_PAGE * HUGE_PAGE;
    void* p = std::aligned_alloc(HUGE_PAGE, rounded);
    if (p != nullptr) ::madvise(p, rounded, MADV_HUGEPAGE);  // advice only: failure changes nothing
    return LargeMemory(static_cast<uchar*>(p));
  }
#endif
  return LargeMemory(static_cast<uchar*>(std::malloc(bytes == 0 ? 1 : bytes)));
}

QImage allocateRaster(qint64 width, qint64 height, QImage::Format format) {
  checkRasterSize(width, height);
  const int depth = QImage::toPixelFormat(format).bitsPerPixel();
  const qint64 bytesPerLine = (width * depth + 31) / 32 * 4;  // QImage wants 32-bit aligned lines
  const auto bytes = static_cast<std::size_t>(bytesPerLine * height);
  if (bytes < HUGE_PAGE) {
    QImage image(static_cast<int>(width), static_cast<int>(height), format);
    if (image.isNull() && bytes > 0) throw outOfMemory(width, height);
    return image;
  }
  LargeMemory memory = allocateLargeMemory(bytes);
  if (!memory) throw outOfMemory(width, height);
  uchar* bits = memory.get();
  QImage image(bits, static_cast<int>(width), static_cast<int>(height), bytesPerLine, format, freeRasterMemory, bits);
  if (image.isNull()) throw outOfMemory(width, height);
  memory.release();  // the image frees it with its last copy
  return image;
}

RasterPrefault::RasterPrefault([[maybe_unused]] const QImage& raster) {
#if defined(Q_OS_LINUX) && defined(MADV_POPULATE_WRITE)
  const auto bytes = static_cast<std::size_t>(raster.sizeInBytes());
  if (bytes < PREFAULT_MIN_BYTES) return;
  const auto start = reinterpret_cast<quintptr>(raster.constBits());
  // Only whole pages inside the raster; its rows start where the allocation does.
  const quintptr first = (start + HUGE_PAGE - 1) / HUGE_PAGE * HUGE_PAGE;
  const quintptr end = (start + bytes) / HUGE_PAGE * HUGE_PAGE;
  if (end <= first) return;
  try {
    thread_ = std::jthread([first, end](const std::stop_token& stop) {
      for (quintptr page = end; page > first && !stop.stop_requested();) {
        page -= HUGE_PAGE;
        // Fails on kernels without it, and then nothing is lost but the head start.
        if (::madvise(reinterpret_cast<void*>(page), HUGE_PAGE, MADV_POPULATE_WRITE) != 0) return;
      }
    });
  } catch (const std::system_error&) {
    // No thread to be had: the decoder clears its pages itself, as it would anyway.
  }
#endif
}

QImage makeWhiteRaster(int width, int height) {
  checkRasterSize(width, height);
  QImage raster(width, height, QImage::Format_RGB32);
  if (raster.isNull() && width > 0 && height > 0) throw outOfMemory(width, height);
  raster.fill(Qt::white);
  return raster;
}

QRgb transparentColour(const QImage& raster) {
  if (raster.isNull() || raster.depth() == 1) return qRgb(255, 255, 255);
  return raster.pixel(0, raster.height() - 1) | 0xFF000000u;
}
