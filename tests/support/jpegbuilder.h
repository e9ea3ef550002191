#pragma once

// Straight libjpeg, for files our codec does not write and for reference results. Only valid
// input reaches it, so the library's default error handling (which exits) is acceptable here.
// The tests use it for fixtures; the fuzz corpus is seeded from it.

#include <QByteArray>

#include <cstdlib>
#include <vector>

#include <jpeglib.h>

namespace jpegbuilder {

struct Compression {
  J_COLOR_SPACE input = JCS_RGB;     // JCS_RGB, JCS_GRAYSCALE or JCS_CMYK
  J_COLOR_SPACE file = JCS_UNKNOWN;  // unknown: the library's default for the input
  bool progressive = false;
  int quality = 90;
  bool arithmetic = false;
  bool optimised = false;
  int restartRows = 0;
  int sampling = 0;  // horizontal and vertical factor of the first component; 0: the default
};

inline int componentsOf(J_COLOR_SPACE input) { return input == JCS_GRAYSCALE ? 1 : input == JCS_CMYK ? 4 : 3; }

// `pixels` holds the rows one after another, componentsOf(how.input) bytes a pixel.
inline QByteArray compress(const std::vector<unsigned char>& pixels, int width, int height,
                           const Compression& how = {}) {
  const int components = componentsOf(how.input);
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr errors{};
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_compress(&cinfo);
  unsigned char* out = nullptr;
  unsigned long outSize = 0;
  jpeg_mem_dest(&cinfo, &out, &outSize);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = components;
  cinfo.in_color_space = how.input;
  jpeg_set_defaults(&cinfo);
  if (how.file != JCS_UNKNOWN) jpeg_set_colorspace(&cinfo, how.file);
  jpeg_set_quality(&cinfo, how.quality, TRUE);
  if (how.sampling > 0) {
    cinfo.comp_info[0].h_samp_factor = how.sampling;
    cinfo.comp_info[0].v_samp_factor = how.sampling;
  }
  cinfo.arith_code = how.arithmetic ? TRUE : FALSE;
  cinfo.optimize_coding = how.optimised ? TRUE : FALSE;
  cinfo.restart_in_rows = how.restartRows;
  if (how.progressive) jpeg_simple_progression(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  const size_t rowBytes = static_cast<size_t>(width) * static_cast<size_t>(components);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<unsigned char*>(pixels.data()) + static_cast<size_t>(cinfo.next_scanline) * rowBytes;
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  QByteArray file(reinterpret_cast<const char*>(out), static_cast<qsizetype>(outSize));
  std::free(out);
  return file;
}

}  // namespace jpegbuilder
