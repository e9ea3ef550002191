#pragma once

// Test pictures for the benchmarks: photo-like colour pictures, palette pictures with flat areas,
// and their files in every form the reader takes. All of it follows from a seed, so two runs on
// two machines measure the same bytes.

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QRgb>

#include <cstdint>

// splitmix64: tiny, and its sequence is fixed by its definition rather than by a library.
class Random {
public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t next();
  // Uniform in [low, high], both included.
  int between(int low, int high);
  double unit();  // [0, 1)

private:
  std::uint64_t state_;
};

// Format_RGB888: smooth light, texture, noise and a scatter of shaded shapes, so that the JPEG
// coder has the work a photograph gives it.
QImage photo(int width, int height, Random& random);

// The same kind of picture cut out of a field of `key`, which covers the bottom-left corner: the
// key is what the part's see-through colour becomes.
QImage photoOnField(int width, int height, QRgb key, Random& random);

// A palette picture: Format_Indexed8 with 256 colours, index 0 being `key` (and no other entry),
// flat shapes and striped bands on a field of index 0 that covers the bottom-left corner.
QImage palettePicture(int width, int height, QRgb key, Random& random);

// Bitmap files, bottom row first as most writers store them.
QByteArray bmp8(const QImage& indexed);     // uncompressed, 256 colours
QByteArray bmpRle8(const QImage& indexed);  // run-length encoded, 256 colours
QByteArray bmp24(const QImage& image);
QByteArray bmp32(const QImage& image);  // B, G, R, 0 as Windows writes them

// Binary PPM (P6) of an RGB888 picture, what cjpeg reads fastest; its header takes a multiple of
// four bytes.
QByteArray ppm(const QImage& rgb888);
