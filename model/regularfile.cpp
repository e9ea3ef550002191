#include "model/regularfile.h"

#include "model/failure.h"

#include <QFileInfo>

#include <filesystem>
#include <system_error>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

bool sameFile(const QString& a, const QString& b) {
  std::error_code unused;
  return std::filesystem::equivalent(QFile::encodeName(a).toStdString(), QFile::encodeName(b).toStdString(), unused);
}

bool openRegularFile(QFile& file, const QString& path) {
#ifdef Q_OS_UNIX
  const QByteArray name = QFile::encodeName(path);
  struct stat before {};
  if (::stat(name.constData(), &before) != 0 || !S_ISREG(before.st_mode)) return false;
  // Not blocking: should a FIFO be swapped in after the check, the open must not wait for it.
  const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat after {};
  if (::fstat(fd, &after) != 0 || !S_ISREG(after.st_mode) ||
      !file.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
    ::close(fd);
    return false;
  }
  return true;
#else
  if (!QFileInfo(path).isFile()) return false;
  file.setFileName(path);
  return file.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
#endif
}

namespace {

Failure writeFailure() { return Failure(QStringLiteral("ストリームへの書き込みエラー")); }

}  // namespace

WholeFile::WholeFile(const QString& path) : file_(path) {
  const Failure cannotCreate(QStringLiteral("ファイル %1 を作成できません").arg(path));
  // The temporary file is renamed over whatever the name holds: a device or pipe there would be
  // replaced by a regular file, and /dev/full, written as root, would stop being a device.
  const QFileInfo existing(path);
  if (existing.exists() && !existing.isFile()) throw cannotCreate;
  if (!file_.open(QIODevice::WriteOnly)) throw cannotCreate;
}

bool WholeFile::put(QByteArrayView bytes) noexcept { return file_.write(bytes.data(), bytes.size()) == bytes.size(); }

void WholeFile::write(QByteArrayView bytes) {
  if (!put(bytes)) throw writeFailure();
}

void WholeFile::commit() {
  // QSaveFile would put the file in place though the bytes it still held back failed to be
  // written, cut short as a full disk leaves it: they are written first.
  if (!file_.flush() || !file_.commit()) throw writeFailure();
}

void writeWholeFile(const QString& path, QByteArrayView bytes) {
  WholeFile file(path);
  file.write(bytes);
  file.commit();
}
