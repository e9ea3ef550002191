#include "render/picturefile.h"

#include "model/failure.h"
#include "model/paths.h"
#include "render/bmpreader.h"
#include "render/jpegcodec.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

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

QByteArray readWhole(const QString& path) {
  QFile file;
  openRegularFile(file, path);
  const qint64 size = file.size();
  if (size > MAX_PICTURE_FILE_SIZE)
    throw Failure(QStringLiteral("ファイル %1 は大きすぎます (%2 バイト)").arg(path).arg(size));
  QByteArray data(static_cast<qsizetype>(size), Qt::Uninitialized);
  qint64 got = 0;
  while (got < size) {
    const qint64 n = file.read(data.data() + got, size - got);
    if (n < 0) throw Failure(QStringLiteral("ファイル %1 は読み込めません").arg(path));
    if (n == 0) break;  // it shrank meanwhile: decoded as the shorter file it now is
    got += n;
  }
  data.truncate(static_cast<qsizetype>(got));
  return data;
}

}  // namespace

QImage loadPictureFile(const QString& path) {
  const QByteArray data = readWhole(path);
  return isJpegPath(path) ? decodeJpeg(data) : readBmp(data);
}
