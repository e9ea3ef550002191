#pragma once

#include <QStringView>

// Reads a number the user typed: optional leading blanks, then either an optional sign and
// decimal digits, or a hexadecimal number after "$", "x", "X", "0x" or "0X" (no sign), and
// nothing after it. Anything else, the empty text included, and anything beyond 32 bits gives
// `fallback`. Never fails.
int typedNumber(QStringView text, int fallback);
