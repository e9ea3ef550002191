#pragma once

#include <QtGlobal>

#include <algorithm>
#include <limits>

// A control's logical bounds, as a record saves them: plain ints that a drag may drive to zero or
// below.
struct Bounds {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const Bounds&, const Bounds&) = default;
};

// Bounds arithmetic runs in 64 bits and lands here: a drag or nudge of a part whose bounds came
// from a file near the ends of 32 bits stops at the end instead of wrapping around.
inline int clampToInt(qint64 value) {
  return static_cast<int>(std::clamp<qint64>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}
