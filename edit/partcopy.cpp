#include "edit/partcopy.h"

#include "model/failure.h"
#include "model/fixedstring.h"

#include <QStringList>

#include <algorithm>
#include <cstring>
#include <iterator>

namespace {

[[noreturn]] void refuse(const QString& reason) {
  throw Failure(QStringLiteral("クリップボードの部品が壊れています (%1)").arg(reason));
}

void requireTerminator(const char (&field)[FIXED_STRING_SIZE], const QString& what) {
  if (!hasTerminator(field)) refuse(QStringLiteral("%1が 255 バイトで終わっていません").arg(what));
}

// What follows the zero is no part of the string; whatever another program left there goes.
void clearAfterTerminator(char (&field)[FIXED_STRING_SIZE]) {
  char* end = static_cast<char*>(std::memchr(field, 0, sizeof field));
  std::fill(end, std::end(field), '\0');
}

}  // namespace

PartCopy PartCopy::fromBytes(const QByteArray& bytes) {
  // The size first: of bytes that are not one record, nothing more is read.
  if (bytes.size() != static_cast<qsizetype>(sizeof(TPartData)))
    refuse(QStringLiteral("大きさ %1 バイト、正しくは %2 バイト").arg(bytes.size()).arg(sizeof(TPartData)));
  TPartData record;
  std::memcpy(&record, bytes.constData(), sizeof record);
  if (record.Kind != pkText && record.Kind != pkPicture) refuse(QStringLiteral("種類 %1").arg(record.Kind));
  requireTerminator(record.Text, QStringLiteral("文字列"));
  requireTerminator(record.FileName,
                    record.Kind == pkText ? QStringLiteral("フォント名") : QStringLiteral("ファイル名"));
  // As a record this program writes has them: no stray bytes, numbered from nought.
  clearAfterTerminator(record.Text);
  clearAfterTerminator(record.FileName);
  std::fill(std::begin(record.Reserved1), std::end(record.Reserved1), 0);
  std::fill(std::begin(record.Reserved2), std::end(record.Reserved2), 0);
  record.Index = 0;
  return PartCopy(record);
}

QByteArray PartCopy::bytes() const { return QByteArray(reinterpret_cast<const char*>(&record_), sizeof record_); }

QString PartCopy::plainText() const { return record_.Kind == pkText ? fixedString(record_.Text) : QString(); }

std::vector<PartCopy> PartCopy::listFromBytes(const QByteArray& bytes) {
  constexpr qsizetype record = sizeof(TPartData);
  const qsizetype count = bytes.size() / record;
  if (bytes.size() % record != 0 || count < 1 || count > MAX_PARTS)
    refuse(QStringLiteral("大きさ %1 バイト、正しくは %2 バイトの 1 から %3 倍")
               .arg(bytes.size())
               .arg(record)
               .arg(MAX_PARTS));
  std::vector<PartCopy> copies;
  copies.reserve(static_cast<size_t>(count));
  for (qsizetype i = 0; i < count; ++i) copies.push_back(fromBytes(bytes.sliced(i * record, record)));
  return copies;
}

QByteArray PartCopy::listBytes(const std::vector<PartCopy>& copies) {
  QByteArray bytes;
  bytes.reserve(static_cast<qsizetype>(copies.size() * sizeof(TPartData)));
  for (const PartCopy& copy : copies) bytes += copy.bytes();
  return bytes;
}

QString PartCopy::listPlainText(const std::vector<PartCopy>& copies) {
  QStringList lines;
  for (const PartCopy& copy : copies)
    if (copy.record().Kind == pkText) lines << copy.plainText();
  return lines.join(QLatin1Char('\n'));
}
