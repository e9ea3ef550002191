// Any bytes as a bitmap file: the reader must either refuse them with a Failure or give a raster
// the rest of the program can use.

#include "rasterchecks.h"

#include "render/bmpreader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  decodeAndExercise(readBmp, data, size);
  return 0;
}
