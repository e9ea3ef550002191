#include "bench/pixels.h"

#include "support/bmpbuilder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <vector>

std::uint64_t Random::next() {
  std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

int Random::between(int low, int high) {
  const auto span = static_cast<std::uint64_t>(high - low) + 1;
  return low + static_cast<int>(next() % span);
}

double Random::unit() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }

namespace {

// A wavy profile along one axis: a few slow waves for light, a few fast ones for texture.
std::vector<int> profile(int length, int period, Random& random) {
  struct Wave {
    double amplitude, frequency, phase;
  };
  std::vector<Wave> waves;
  for (int i = 0; i < 3; ++i) waves.push_back({10.0 + 25 * random.unit(), 1 + 6 * random.unit(), 7 * random.unit()});
  for (int i = 0; i < 3; ++i) waves.push_back({2.0 + 6 * random.unit(), 40 + 300 * random.unit(), 7 * random.unit()});
  std::vector<int> values(static_cast<size_t>(length));
  for (int i = 0; i < length; ++i) {
    double v = 0;
    for (const Wave& w : waves) v += w.amplitude * std::sin(2 * std::numbers::pi * w.frequency * i / period + w.phase);
    values[static_cast<size_t>(i)] = static_cast<int>(std::lround(v));
  }
  return values;
}

uchar clampByte(int v) { return static_cast<uchar>(std::clamp(v, 0, 255)); }

// Shaded ellipses, lighter or darker and tinted towards their middle.
void scatterShapes(QImage& image, int count, Random& random) {
  const int w = image.width();
  const int h = image.height();
  for (int n = 0; n < count; ++n) {
    const int cx = random.between(0, w - 1);
    const int cy = random.between(0, h - 1);
    const int rx = random.between(std::max(2, w / 40), std::max(3, w / 7));
    const int ry = random.between(std::max(2, h / 40), std::max(3, h / 7));
    const std::array<int, 3> shift = {random.between(-70, 70), random.between(-70, 70), random.between(-70, 70)};
    for (int y = std::max(0, cy - ry); y < std::min(h, cy + ry); ++y) {
      uchar* row = image.scanLine(y);
      const double dy = static_cast<double>(y - cy) / ry;
      for (int x = std::max(0, cx - rx); x < std::min(w, cx + rx); ++x) {
        const double dx = static_cast<double>(x - cx) / rx;
        const double d = dx * dx + dy * dy;
        if (d >= 1) continue;
        const double weight = 1 - d;
        for (int c = 0; c < 3; ++c)
          row[3 * x + c] = clampByte(row[3 * x + c] + static_cast<int>(shift[static_cast<size_t>(c)] * weight));
      }
    }
  }
}

bool insideEllipse(int x, int y, int w, int h) {
  const double dx = (x - w / 2.0) / (0.46 * w);
  const double dy = (y - h / 2.0) / (0.44 * h);
  return dx * dx + dy * dy < 1;
}

QByteArray headerAndPixels(int width, int height, int bitCount, std::uint32_t compression, const QList<QRgb>& palette,
                           QByteArray pixels) {
  bmpbuilder::Bmp bmp;
  bmp.width = width;
  bmp.height = height;
  bmp.bitCount = static_cast<std::uint16_t>(bitCount);
  bmp.compression = compression;
  bmp.palette.assign(palette.begin(), palette.end());
  bmp.pixels = std::move(pixels);
  return bmp.build();
}

qsizetype paddedStride(int width, int bitCount) { return (qsizetype{width} * bitCount + 31) / 32 * 4; }

// Rows bottom first, each converted by `row` into its padded place.
template <typename Row>
QByteArray bottomUpRows(const QImage& image, int bitCount, const Row& row) {
  const qsizetype stride = paddedStride(image.width(), bitCount);
  QByteArray pixels(stride * image.height(), '\0');
  for (int y = 0; y < image.height(); ++y)
    row(image.constScanLine(y), reinterpret_cast<uchar*>(pixels.data()) + (image.height() - 1 - y) * stride);
  return pixels;
}

// Equal indices from `x` on, at most 255.
int runLength(const uchar* row, int x, int width) {
  int n = 1;
  while (x + n < width && n < 255 && row[x + n] == row[x]) ++n;
  return n;
}

}  // namespace

QImage photo(int width, int height, Random& random) {
  QImage image(width, height, QImage::Format_RGB888);
  // Light and shade shared by the channels, as in a photograph, with weaker colour of their own.
  const std::vector<int> lightAcross = profile(width, width, random);
  const std::vector<int> lightDown = profile(height, height, random);
  const std::vector<int> lightDiagonal = profile(width + height, width + height, random);
  std::array<std::vector<int>, 3> tintAcross, tintDown;
  std::array<int, 3> base{};
  for (size_t c = 0; c < 3; ++c) {
    base[c] = random.between(80, 170);
    tintAcross[c] = profile(width, width, random);
    tintDown[c] = profile(height, height, random);
  }
  std::uint32_t noise = static_cast<std::uint32_t>(random.next()) | 1u;
  for (int y = 0; y < height; ++y) {
    uchar* row = image.scanLine(y);
    const auto yi = static_cast<size_t>(y);
    for (int x = 0; x < width; ++x) {
      const auto xi = static_cast<size_t>(x);
      const int light = lightAcross[xi] + lightDown[yi] + lightDiagonal[xi + yi];
      for (size_t c = 0; c < 3; ++c) {
        noise ^= noise << 13;
        noise ^= noise >> 17;
        noise ^= noise << 5;
        const int grain = static_cast<int>(noise & 15) - 8;
        row[3 * x + static_cast<int>(c)] =
            clampByte(base[c] + light + (tintAcross[c][xi] + tintDown[c][yi]) / 3 + grain);
      }
    }
  }
  scatterShapes(image, 30, random);
  return image;
}

QImage photoOnField(int width, int height, QRgb key, Random& random) {
  QImage image = photo(width, height, random);
  for (int y = 0; y < height; ++y) {
    uchar* row = image.scanLine(y);
    for (int x = 0; x < width; ++x)
      if (!insideEllipse(x, y, width, height)) {
        row[3 * x] = static_cast<uchar>(qRed(key));
        row[3 * x + 1] = static_cast<uchar>(qGreen(key));
        row[3 * x + 2] = static_cast<uchar>(qBlue(key));
      }
  }
  return image;
}

QImage palettePicture(int width, int height, QRgb key, Random& random) {
  QImage image(width, height, QImage::Format_Indexed8);
  QList<QRgb> palette{key | 0xFF000000u};
  while (palette.size() < 256) {
    const QRgb c = qRgb(random.between(0, 255), random.between(0, 255), random.between(0, 255));
    if (c != palette.front()) palette.append(c);
  }
  image.setColorTable(palette);
  image.fill(0);
  for (int n = 0; n < 40; ++n) {
    const int x0 = random.between(0, width - 1);
    const int y0 = random.between(0, height - 1);
    const int x1 = std::min(width, x0 + random.between(width / 20, width / 3));
    const int y1 = std::min(height, y0 + random.between(height / 20, height / 3));
    const int index = random.between(1, 255);
    const bool speckled = n % 4 == 0;  // gives the run-length coder literal runs as well
    const bool round = n % 3 == 0;
    for (int y = y0; y < y1; ++y) {
      uchar* row = image.scanLine(y);
      for (int x = x0; x < x1; ++x) {
        if (round && !insideEllipse(x - x0, y - y0, x1 - x0, y1 - y0)) continue;
        row[x] = static_cast<uchar>(speckled ? random.between(1, 255) : (y / 7) % 3 == 0 ? index % 255 + 1 : index);
      }
    }
  }
  // The see-through field must own the corner whatever the shapes did.
  for (int y = height - std::max(1, height / 10); y < height; ++y)
    std::fill_n(image.scanLine(y), std::max(1, width / 10), uchar{0});
  return image;
}

QByteArray bmp8(const QImage& indexed) {
  const int w = indexed.width();
  return headerAndPixels(w, indexed.height(), 8, 0, indexed.colorTable(),
                         bottomUpRows(indexed, 8, [w](const uchar* s, uchar* d) { std::copy_n(s, w, d); }));
}

QByteArray bmpRle8(const QImage& indexed) {
  const int w = indexed.width();
  QByteArray codes;
  const auto put = [&codes](int value) { codes.append(static_cast<char>(value)); };
  for (int y = indexed.height() - 1; y >= 0; --y) {
    const uchar* row = indexed.constScanLine(y);
    int x = 0;
    while (x < w) {
      const int run = runLength(row, x, w);
      if (run >= 3) {
        put(run);
        put(row[x]);
        x += run;
        continue;
      }
      int end = x;
      while (end < w && end - x < 255 && runLength(row, end, w) < 3) ++end;
      if (end - x < 3) {  // too short for an absolute run: counts below 3 are escape codes
        for (; x < end; ++x) {
          put(1);
          put(row[x]);
        }
        continue;
      }
      put(0);
      put(end - x);
      for (int i = x; i < end; ++i) put(row[i]);
      if ((end - x) % 2 != 0) put(0);
      x = end;
    }
    put(0);
    put(0);
  }
  put(0);
  put(1);
  return headerAndPixels(w, indexed.height(), 8, 1, indexed.colorTable(), codes);
}

namespace {

// Windows' B, G, R order; the fourth byte of 32-bit pixels stays zero.
QByteArray bgrBitmap(const QImage& image, int bitCount) {
  const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
  const int w = rgb.width();
  const int step = bitCount / 8;
  return headerAndPixels(w, rgb.height(), bitCount, 0, {},
                         bottomUpRows(rgb, bitCount, [w, step](const uchar* s, uchar* d) {
                           for (int x = 0; x < w; ++x, s += 3, d += step) {
                             d[0] = s[2];
                             d[1] = s[1];
                             d[2] = s[0];
                           }
                         }));
}

}  // namespace

QByteArray bmp24(const QImage& image) { return bgrBitmap(image, 24); }

QByteArray bmp32(const QImage& image) { return bgrBitmap(image, 32); }

QByteArray ppm(const QImage& rgb888) {
  const QByteArray size = QByteArray::number(rgb888.width()) + ' ' + QByteArray::number(rgb888.height());
  // A comment pads the header to a multiple of four bytes, so a reader that maps the file can
  // hand its pixel rows to the coder where they lie.
  QByteArray out = QByteArrayLiteral("P6\n#");
  while ((out.size() + 1 + size.size() + 5) % 4 != 0) out.append(' ');
  out += '\n' + size + QByteArrayLiteral("\n255\n");
  for (int y = 0; y < rgb888.height(); ++y)
    out.append(reinterpret_cast<const char*>(rgb888.constScanLine(y)), qsizetype{rgb888.width()} * 3);
  return out;
}
