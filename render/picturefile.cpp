#include "render/picturefile.h"

#include "model/failure.h"
#include "model/paths.h"
#include "render/bmpreader.h"
#include "render/jpegcodec.h"
#include "render/raster.h"

#include <QFile>
#include <QFileInfo>

#include <cstdlib>
#include <memory>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#ifdef Q_OS_LINUX
#include <sys/mman.h>
#endif

namespace {

constexpr size_t HUGE_PAGE = size_t{2} << 20;

struct FreeMemory {
  void operator()(void* p) const { std::free(p); }
};
using LargeMemory = std::unique_ptr<uchar, FreeMemory>;

// Memory from std::free's family, advised to use huge pages when it is large enough to matter.
LargeMemory allocateLarge(size_t bytes) {
#ifdef Q_OS_LINUX
  if (bytes >= HUGE_PAGE) {
    const size_t rounded = (bytes + HUGE_PAGE - 1) / HUGE_PAGE * HUGE_PAGE;
    void* p = std::aligned_alloc(HUGE_PAGE, rounded);
    if (p != nullptr) ::madvise(p, rounded, MADV_HUGEPAGE);  // advice only: failure changes nothing
    return LargeMemory(static_cast<uchar*>(p));
  }
#endif
  return LargeMemory(static_cast<uchar*>(std::malloc(bytes == 0 ? 1 : bytes)));
}

void freeRasterMemory(void* memory) { std::free(memory); }

Failure outOfMemory(qint64 width, qint64 height) {
  return Failure(QStringLiteral("メモリが足りません (%1 x %2 ピクセル)").arg(width).arg(height));
}

Failure cannotOpen(const QString& path) { return Failure(QStringLiteral("ファイル %1 は開けません").arg(path)); }

// A directory, pipe, device or socket is refused before it is opened: opening a FIFO blocks
// until a writer appears, and opening some devices does something. Checked again on the open
// descriptor, so a file swapped in between is caught too.
void openRegularFile(QFile& file, const QString& path) {
#ifdef Q_OS_UNIX
  const QByteArray name = QFile::encodeName(path);
  struct stat before {};
  if (::stat(name.constData(), &before) != 0 || !S_ISREG(before.st_mode)) throw cannotOpen(path);
  const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) throw cannotOpen(path);
  struct stat after {};
  if (::fstat(fd, &after) != 0 || !S_ISREG(after.st_mode) ||
      !file.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
    ::close(fd);
    throw cannotOpen(path);
  }
#else
  if (!QFileInfo(path).isFile()) throw cannotOpen(path);
  file.setFileName(path);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) throw cannotOpen(path);
#endif
}

struct FileContents {
  LargeMemory memory;
  qint64 size = 0;
  QByteArrayView view() const { return {memory.get(), size}; }
};

FileContents readWhole(const QString& path) {
  QFile file;
  openRegularFile(file, path);
  const qint64 size = file.size();
  if (size > MAX_PICTURE_FILE_SIZE)
    throw Failure(QStringLiteral("ファイル %1 は大きすぎます (%2 バイト)").arg(path).arg(size));
  FileContents contents{allocateLarge(static_cast<size_t>(size)), 0};
  if (!contents.memory) throw Failure(QStringLiteral("メモリが足りません (%1 バイト)").arg(size));
  auto* data = reinterpret_cast<char*>(contents.memory.get());
  while (contents.size < size) {
    const qint64 n = file.read(data + contents.size, size - contents.size);
    if (n < 0) throw Failure(QStringLiteral("ファイル %1 は読み込めません").arg(path));
    if (n == 0) break;  // it shrank meanwhile: decoded as the shorter file it now is
    contents.size += n;
  }
  return contents;
}

}  // namespace

QImage allocatePictureRaster(qint64 width, qint64 height, QImage::Format format) {
  checkRasterSize(width, height);
  const int depth = QImage::toPixelFormat(format).bitsPerPixel();
  const qint64 bytesPerLine = (width * depth + 31) / 32 * 4;  // QImage wants 32-bit aligned lines
  const auto bytes = static_cast<size_t>(bytesPerLine * height);
  if (bytes < HUGE_PAGE) {
    QImage image(static_cast<int>(width), static_cast<int>(height), format);
    if (image.isNull() && bytes > 0) throw outOfMemory(width, height);
    return image;
  }
  LargeMemory memory = allocateLarge(bytes);
  if (!memory) throw outOfMemory(width, height);
  uchar* bits = memory.get();
  QImage image(bits, static_cast<int>(width), static_cast<int>(height), bytesPerLine, format, freeRasterMemory, bits);
  if (image.isNull()) throw outOfMemory(width, height);
  memory.release();  // the image frees it with its last copy
  return image;
}

QImage loadPictureFile(const QString& path) {
  const FileContents contents = readWhole(path);
  return isJpegPath(path) ? decodeJpeg(contents.view()) : readBmp(contents.view());
}
