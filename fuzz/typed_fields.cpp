// The helpers that turn what the user types and what a file holds into numbers and Shift-JIS
// fields, each held to what its header promises. The first byte picks a byte limit for the cut;
// the whole input is also read as typed text, as a field from a file and as text to store.

#include "require.h"

#include "model/failure.h"
#include "model/fixedstring.h"
#include "model/typednumber.h"

#include <QRegularExpression>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>

namespace {

// The typed-number rule read again by patterns rather than by a scan, so that the two readings
// have to agree on every text.
std::optional<int> expectedNumber(const QString& text) {
  static const QRegularExpression hex(QStringLiteral("\\A *(?:0[xX]|[$xX])([0-9A-Fa-f]{1,8})\\z"));
  static const QRegularExpression decimal(QStringLiteral("\\A *([+-]?)0*([0-9]{1,10})\\z"));
  if (const QRegularExpressionMatch m = hex.match(text); m.hasMatch())
    return static_cast<int>(m.captured(1).toUInt(nullptr, 16));
  if (const QRegularExpressionMatch m = decimal.match(text); m.hasMatch()) {
    const qint64 magnitude = m.captured(2).toLongLong();
    const qint64 value = m.captured(1) == u"-" ? -magnitude : magnitude;
    if (value >= INT32_MIN && value <= INT32_MAX) return static_cast<int>(value);
  }
  return std::nullopt;
}

void checkTypedNumber(const QString& text) {
  const std::optional<int> expected = expectedNumber(text);
  for (const int fallback : {0, -7}) {
    const int read = typedNumber(text, fallback);
    require(read == expected.value_or(fallback), "typedNumber reads exactly the numbers its rule allows");
  }
}

bool isLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

void checkCut(QByteArrayView bytes, int maxBytes) {
  const QByteArray cut = cutShiftJis(bytes, maxBytes);
  require(bytes.startsWith(cut), "a cut is a prefix");
  require(cut.size() <= std::max(maxBytes, 0), "a cut keeps within the limit");
  if (cut.size() == bytes.size()) return;
  // Shorter than the input: it ends where a character ends, and the next one did not fit.
  qsizetype end = 0;
  while (end < cut.size()) end += isLeadByte(static_cast<unsigned char>(bytes[end])) ? 2 : 1;
  require(end == cut.size(), "a cut never splits a double-byte character");
  const qsizetype next = end + (isLeadByte(static_cast<unsigned char>(bytes[end])) ? 2 : 1);
  require(next > maxBytes, "a cut keeps every character that fits");
}

// A field as a file may hold it: the input's first 256 bytes over non-zero filler.
void fillField(char (&field)[FIXED_STRING_SIZE], QByteArrayView bytes) {
  std::memset(field, 'A', sizeof field);
  std::memcpy(field, bytes.data(), static_cast<size_t>(std::min<qsizetype>(bytes.size(), sizeof field)));
}

void checkFieldFromFile(QByteArrayView bytes) {
  char field[FIXED_STRING_SIZE];
  fillField(field, bytes);
  const QByteArrayView inside = fixedBytes(field);
  require(inside.size() <= FIXED_STRING_SIZE && !inside.contains('\0'), "a field's bytes stop at its zero");
  require(hasTerminator(field) == (inside.size() < FIXED_STRING_SIZE), "a field has its zero where its bytes stop");
  fixedString(field);
}

void checkStore(const QString& text, QByteArrayView bytes) {
  char field[FIXED_STRING_SIZE];
  fillField(field, bytes);
  char before[FIXED_STRING_SIZE];
  std::memcpy(before, field, sizeof field);
  const std::optional<QString> stored = storeFixedString(field, text);
  if (!stored) {
    require(std::memcmp(before, field, sizeof field) == 0, "a refused text leaves the field alone");
  } else {
    require(hasTerminator(field), "a stored text has its zero");
    require(*stored == fixedString(field), "the text returned is the text stored");
    const qsizetype zero = fixedBytes(field).size();
    require(std::memcmp(before + zero + 1, field + zero + 1, static_cast<size_t>(FIXED_STRING_MAX_BYTES - zero)) == 0,
            "the bytes after the zero keep what they held");
  }

  fillField(field, bytes);
  try {
    storeFixedPath(field, text);
  } catch (const Failure&) {
    return;
  }
  require(fixedBytes(field) == toShiftJis(text).value_or(QByteArray()), "a stored path is never cut");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArrayView bytes(data, static_cast<qsizetype>(size));
  if (!bytes.isEmpty()) checkCut(bytes.sliced(1), static_cast<unsigned char>(bytes[0]) * 2 - 64);
  checkTypedNumber(QString::fromUtf8(bytes));
  checkFieldFromFile(bytes);
  // Typed text in any script, and text as a file's Shift-JIS gives it, double-byte characters
  // included.
  checkStore(QString::fromUtf8(bytes), bytes);
  checkStore(fromShiftJis(bytes), bytes);
  return 0;
}
