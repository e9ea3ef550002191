#pragma once

#include <QtGlobal>

// Takes coded bytes as an encoder makes them. Called from inside the coding libraries, so it must
// not throw: it returns false to stop the encoding.
class ByteSink {
public:
  virtual bool put(const char* data, qsizetype size) noexcept = 0;

protected:
  ~ByteSink() = default;
};
