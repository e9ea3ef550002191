#include "model/typednumber.h"

#include <cstdint>

namespace {

int hexDigit(QChar c) {
  if (c >= u'0' && c <= u'9') return c.unicode() - u'0';
  if (c >= u'a' && c <= u'f') return c.unicode() - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c.unicode() - u'A' + 10;
  return -1;
}

}  // namespace

int typedNumber(QStringView text, int fallback) {
  qsizetype i = 0;
  while (i < text.size() && text[i] == u' ') ++i;
  const QStringView rest = text.mid(i);

  qsizetype digitsAt = -1;
  if (rest.startsWith(u"0x") || rest.startsWith(u"0X"))
    digitsAt = 2;
  else if (rest.startsWith(u'$') || rest.startsWith(u'x') || rest.startsWith(u'X'))
    digitsAt = 1;

  if (digitsAt >= 0) {
    const QStringView digits = rest.mid(digitsAt);
    if (digits.isEmpty() || digits.size() > 8) return fallback;
    std::uint32_t value = 0;
    for (QChar c : digits) {
      const int d = hexDigit(c);
      if (d < 0) return fallback;
      value = value * 16 + static_cast<std::uint32_t>(d);
    }
    return static_cast<int>(value);  // eight hex digits wrap into 32 bits, as the old runtime did
  }

  qsizetype k = 0;
  const bool negative = k < rest.size() && rest[k] == u'-';
  if (k < rest.size() && (rest[k] == u'-' || rest[k] == u'+')) ++k;
  if (k == rest.size()) return fallback;
  std::int64_t value = 0;
  for (; k < rest.size(); ++k) {
    const QChar c = rest[k];
    if (c < u'0' || c > u'9') return fallback;
    value = value * 10 + (c.unicode() - u'0');
    if (value > std::int64_t{1} << 31) return fallback;
  }
  if (negative) value = -value;
  if (value > INT32_MAX || value < INT32_MIN) return fallback;
  return static_cast<int>(value);
}
