#include "model/fixedstring.h"

#include "model/failure.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <cstring>

namespace {

const char* const kCodePage = "Windows-31J";

bool isLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// What a field would hold of `text`: nothing when a character has no Shift-JIS form, or is
// U+0000, whose zero byte would end the field early and leave the rest unread.
std::optional<QByteArray> fieldBytes(QStringView text) {
  if (text.contains(QChar(u'\0'))) return std::nullopt;
  return toShiftJis(text);
}

}  // namespace

std::optional<QByteArray> toShiftJis(QStringView text) {
  QStringEncoder encoder(kCodePage);
  QByteArray bytes = encoder.encode(text);
  if (encoder.hasError()) return std::nullopt;
  return bytes;
}

QString fromShiftJis(QByteArrayView bytes) {
  QStringDecoder decoder(kCodePage);
  return decoder.decode(bytes);
}

bool fitsCodePage(QStringView text) { return fieldBytes(text).has_value(); }

QByteArray cutShiftJis(QByteArrayView bytes, int maxBytes) {
  qsizetype end = 0;
  while (end < bytes.size()) {
    const qsizetype width = isLeadByte(static_cast<unsigned char>(bytes[end])) ? 2 : 1;
    if (end + width > maxBytes) break;
    end += width;
  }
  return bytes.first(std::min(end, bytes.size())).toByteArray();
}

std::optional<qsizetype> shiftJisPrefixLength(QStringView text, int maxBytes) {
  const std::optional<QByteArray> bytes = toShiftJis(text);
  if (!bytes) return std::nullopt;
  // Every character the code page holds is one character of it, so counting the characters in
  // the bytes that fit counts the characters of `text` they came from.
  const QByteArray kept = cutShiftJis(*bytes, maxBytes);
  qsizetype characters = 0;
  for (qsizetype i = 0; i < kept.size(); i += isLeadByte(static_cast<unsigned char>(kept[i])) ? 2 : 1) ++characters;
  return characters;
}

QByteArrayView fixedBytes(const char (&field)[FIXED_STRING_SIZE]) {
  const void* zero = std::memchr(field, 0, FIXED_STRING_SIZE);
  const qsizetype length = zero ? static_cast<const char*>(zero) - field : FIXED_STRING_SIZE;
  return QByteArrayView(field, length);
}

QString fixedString(const char (&field)[FIXED_STRING_SIZE]) { return fromShiftJis(fixedBytes(field)); }

bool hasTerminator(const char (&field)[FIXED_STRING_SIZE]) {
  return std::memchr(field, 0, FIXED_STRING_SIZE) != nullptr;
}

std::optional<QString> storeFixedString(char (&field)[FIXED_STRING_SIZE], QStringView text) {
  const std::optional<QByteArray> bytes = fieldBytes(text);
  if (!bytes) return std::nullopt;
  const QByteArray stored = cutShiftJis(*bytes, FIXED_STRING_MAX_BYTES);
  std::memcpy(field, stored.constData(), static_cast<size_t>(stored.size()));
  field[stored.size()] = '\0';
  return fromShiftJis(stored);
}

void storeFixedPath(char (&field)[FIXED_STRING_SIZE], const QString& path) {
  const std::optional<QByteArray> bytes = fieldBytes(path);
  if (!bytes) throw Failure(QStringLiteral("ファイル名 %1 には保存できない文字が含まれています").arg(path));
  if (bytes->size() > FIXED_STRING_MAX_BYTES)
    throw Failure(QStringLiteral("ファイル名 %1 が長すぎます (255 バイトまで)").arg(path));
  std::memcpy(field, bytes->constData(), static_cast<size_t>(bytes->size()));
  field[bytes->size()] = '\0';
}
