#include "render/picturefile.h"

#include "model/failure.h"
#include "model/paths.h"
#include "model/regularfile.h"
#include "render/bmpreader.h"
#include "render/jpegcodec.h"
#include "render/pngcodec.h"
#include "render/raster.h"

#include <QFile>

#include <algorithm>
#include <array>
#include <mutex>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <climits>
#include <sys/uio.h>
#endif

namespace {

Failure cannotOpen(const QString& path) { return Failure(QStringLiteral("ファイル %1 は開けません").arg(path)); }
Failure cannotRead(const QString& path) { return Failure(QStringLiteral("ファイル %1 は読み込めません").arg(path)); }

struct FileContents {
  LargeMemory memory;
  qint64 size = 0;
  QByteArrayView view() const { return {memory.get(), size}; }
};

// The file's size, after refusing one beyond what a picture part may read.
qint64 pictureFileSize(const QFile& file, const QString& path) {
  const qint64 size = file.size();
  if (size > MAX_PICTURE_FILE_SIZE)
    throw Failure(QStringLiteral("ファイル %1 は大きすぎます (%2 バイト)").arg(path).arg(size));
  return size;
}

FileContents readWhole(QFile& file, const QString& path) {
  const qint64 size = pictureFileSize(file, path);
  FileContents contents{allocateLargeMemory(static_cast<size_t>(size)), 0};
  if (!contents.memory) throw Failure(QStringLiteral("メモリが足りません (%1 バイト)").arg(size));
  auto* data = reinterpret_cast<char*>(contents.memory.get());
  while (contents.size < size) {
    const qint64 n = file.read(data + contents.size, size - contents.size);
    if (n < 0) throw cannotRead(path);
    if (n == 0) break;  // it shrank meanwhile: decoded as the shorter file it now is
    contents.size += n;
  }
  return contents;
}

// A bitmap read piece by piece from its open file. A file that shrinks meanwhile reads short,
// and is decoded as the shorter file it has become.
class BmpFileSource final : public BmpSource {
public:
  BmpFileSource(QFile& file, const QString& path) : file_(file), path_(path), size_(pictureFileSize(file, path)) {}

  qint64 size() const override { return size_; }

#ifdef Q_OS_UNIX
  // One system call reads a whole chunk of rows, each into its own line.
  qint64 read(qint64 offset, std::span<const std::span<uchar>> pieces, qint64 length) override {
    constexpr size_t BATCH = std::min<size_t>(IOV_MAX, 1024);
    std::array<iovec, BATCH> vectors{};
    qint64 done = 0;
    size_t piece = 0;
    size_t within = 0;  // bytes of pieces[piece] already filled
    while (done < length && piece < pieces.size()) {
      size_t count = 0;
      qint64 wanted = 0;
      for (size_t p = piece, skip = within; p < pieces.size() && count < BATCH && done + wanted < length;
           ++p, skip = 0) {
        const qint64 n = std::min(static_cast<qint64>(pieces[p].size() - skip), length - done - wanted);
        vectors[count++] = {pieces[p].data() + skip, static_cast<size_t>(n)};
        wanted += n;
      }
      const ssize_t n = ::preadv(file_.handle(), vectors.data(), static_cast<int>(count), offset + done);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) throw cannotRead(path_);
      if (n == 0) break;
      done += n;
      for (size_t left = static_cast<size_t>(n); left > 0;) {
        const size_t room = pieces[piece].size() - within;
        if (left < room) {
          within += left;
          break;
        }
        left -= room;
        ++piece;
        within = 0;
      }
    }
    return done;
  }
#else
  qint64 read(qint64 offset, std::span<const std::span<uchar>> pieces, qint64 length) override {
    const std::lock_guard lock(mutex_);  // the position is shared
    if (!file_.seek(offset)) throw cannotRead(path_);
    qint64 done = 0;
    for (const std::span<uchar>& piece : pieces) {
      const qint64 wanted = std::min(static_cast<qint64>(piece.size()), length - done);
      if (wanted <= 0) break;
      const qint64 n = file_.read(reinterpret_cast<char*>(piece.data()), wanted);
      if (n < 0) throw cannotRead(path_);
      done += n;
      if (n < wanted) break;
    }
    return done;
  }
#endif

private:
  QFile& file_;
  const QString& path_;
  qint64 size_;
#ifndef Q_OS_UNIX
  std::mutex mutex_;
#endif
};

enum class PictureKind { Png, Jpeg, Bmp };

// Downloaded pictures are often misnamed, and projects from before PNG was read name bitmaps
// "x.png": a file's own signature decides, and its name only when it starts with none of them,
// as a broken or empty file may.
PictureKind pictureKindOf(QFile& file, const QString& path) {
  char start[8] = {};
  const QByteArrayView head(start, std::max<qint64>(file.peek(start, sizeof start), 0));
  if (head.startsWith(QByteArrayView("\x89PNG\r\n\x1A\n", 8))) return PictureKind::Png;
  if (head.startsWith("\xFF\xD8\xFF")) return PictureKind::Jpeg;
  if (head.startsWith("BM")) return PictureKind::Bmp;
  return isJpegPath(path) ? PictureKind::Jpeg : PictureKind::Bmp;
}

}  // namespace

QImage loadPictureFile(const QString& path) {
  QFile file;
  if (!openRegularFile(file, path)) throw cannotOpen(path);
  switch (pictureKindOf(file, path)) {
    case PictureKind::Png: {
      const FileContents contents = readWhole(file, path);
      try {
        return decodePng(contents.view());
      } catch (const Failure& failure) {
        throw Failure(QStringLiteral("PNG ファイル %1 を読み込めません: %2").arg(path, failure.message()));
      }
    }
    case PictureKind::Jpeg: return decodeJpeg(readWhole(file, path).view());
    case PictureKind::Bmp: break;
  }
  BmpFileSource source(file, path);
  return readBmp(source);
}
