#pragma once

#include "model/document.h"

#include <QByteArray>
#include <QString>

#include <optional>

// Records keep their strings as Shift-JIS (Windows-31J) bytes in 256-byte fields: at most 255
// bytes and a zero. The user interface works in QString; these helpers are the only crossing.

inline constexpr int FIXED_STRING_MAX_BYTES = FIXED_STRING_SIZE - 1;

// The Shift-JIS bytes of `text`, or nothing when a character has no Shift-JIS form.
std::optional<QByteArray> toShiftJis(QStringView text);
QString fromShiftJis(QByteArrayView bytes);
// Whether a field can hold `text` whole but for its length: every character has a Shift-JIS
// form and none is U+0000, which would end the field early.
bool fitsCodePage(QStringView text);

// At most `maxBytes` of `bytes`, never ending on the first byte of a double-byte character.
QByteArray cutShiftJis(QByteArrayView bytes, int maxBytes);

// How many characters from the start of `text` fit in `maxBytes` of Shift-JIS, never splitting a
// double-byte character; nothing when a character has no Shift-JIS form.
std::optional<qsizetype> shiftJisPrefixLength(QStringView text, int maxBytes);

// The bytes before the field's zero; all 256 when a field from a file has none.
QByteArrayView fixedBytes(const char (&field)[FIXED_STRING_SIZE]);
QString fixedString(const char (&field)[FIXED_STRING_SIZE]);
bool hasTerminator(const char (&field)[FIXED_STRING_SIZE]);

// Stores `text`, cut to 255 bytes on a character boundary, as its bytes and a zero. The bytes
// after the zero keep what they held, as the earlier platform did, so saved files stay
// byte-identical. Returns the text actually stored, or nothing (field untouched) when `text`
// holds a character the code page cannot represent or U+0000.
std::optional<QString> storeFixedString(char (&field)[FIXED_STRING_SIZE], QStringView text);

// Stores a file path, which must never be cut (a cut path names another file): throws Failure
// with a message naming the path when it does not fit the code page (or holds U+0000) or 255
// bytes.
void storeFixedPath(char (&field)[FIXED_STRING_SIZE], const QString& path);
