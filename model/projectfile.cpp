#include "model/projectfile.h"

#include "model/fixedstring.h"
#include "model/regularfile.h"

#include <QFile>

#include <cstring>

namespace {

[[noreturn]] void refuse(const QString& path, const QString& reason) {
  throw ProjectFileRefused(QStringLiteral("ﾌﾟﾛｼﾞｪｸﾄﾌｧｲﾙ %1 が壊れています (%2)").arg(path, reason));
}

void requireTerminator(const char (&field)[FIXED_STRING_SIZE], const QString& path, const QString& what) {
  if (!hasTerminator(field)) refuse(path, QStringLiteral("%1が 255 バイトで終わっていません").arg(what));
}

void checkProjectSize(qint64 size, const QString& path) {
  // A file cut short by a failed copy or download would otherwise open as a plausible composition.
  if (size != static_cast<qint64>(sizeof(TDocument)))
    refuse(path, QStringLiteral("大きさ %1 バイト、正しくは %2 バイト").arg(size).arg(sizeof(TDocument)));
}

}  // namespace

QByteArray projectBytes(const TDocument& doc) { return QByteArray(reinterpret_cast<const char*>(&doc), sizeof doc); }

void writeProjectFile(const QString& path, const TDocument& doc) {
  writeWholeFile(path, QByteArrayView(reinterpret_cast<const char*>(&doc), sizeof doc));
}

void checkProject(const TDocument& doc, const QString& path) {
  if (doc.PartCount < 0 || doc.PartCount > MAX_PARTS) refuse(path, QStringLiteral("部品数 %1").arg(doc.PartCount));
  for (int i = 0; i < doc.PartCount; ++i) {
    const TPartData& r = doc.Parts[i];
    const QString part = QStringLiteral("%1 番目の部品").arg(i + 1);
    if (r.Kind != pkText && r.Kind != pkPicture) refuse(path, QStringLiteral("%1の種類 %2").arg(part).arg(r.Kind));
    if (r.Index != i) refuse(path, QStringLiteral("%1の番号 %2").arg(part).arg(r.Index));
    requireTerminator(r.Text, path, QStringLiteral("%1の文字列").arg(part));
    requireTerminator(
        r.FileName, path,
        r.Kind == pkText ? QStringLiteral("%1のフォント名").arg(part) : QStringLiteral("%1のファイル名").arg(part));
  }
  requireTerminator(doc.BackFile, path, QStringLiteral("背景のファイル名"));
}

TDocument projectFromBytes(QByteArrayView bytes, const QString& path) {
  checkProjectSize(bytes.size(), path);
  TDocument doc;
  std::memcpy(&doc, bytes.data(), sizeof doc);
  checkProject(doc, path);
  // The free records are where the next parts go: whatever another program left there must not
  // reach a new part as its position, style or reserved bytes.
  std::memset(&doc.Parts[doc.PartCount], 0, sizeof(TPartData) * static_cast<size_t>(MAX_PARTS - doc.PartCount));
  return doc;
}

TDocument readProjectFile(const QString& path) {
  const Failure unreadable(QStringLiteral("ファイル %1 は開けません").arg(path));
  QFile file;
  if (!openRegularFile(file, path)) throw unreadable;
  // Checked before reading, so that a huge file is neither read nor held.
  checkProjectSize(file.size(), path);
  // One byte more than the block: a file that grew since its size was taken is refused too.
  QByteArray bytes(sizeof(TDocument) + 1, Qt::Uninitialized);
  qsizetype got = 0;
  while (got < bytes.size()) {
    const qint64 n = file.read(bytes.data() + got, bytes.size() - got);
    if (n < 0) throw unreadable;
    if (n == 0) break;
    got += n;
  }
  bytes.truncate(got);
  return projectFromBytes(bytes, path);
}
