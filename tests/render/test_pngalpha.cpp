// Pictures with alpha lie over what is beneath by their alpha, in the composed logo; pictures
// without it keep the bottom-left colour key.
#include "render/layer.h"
#include "render/logoexport.h"
#include "render/pngcodec.h"
#include "render/raster.h"
#include "support/pngbuilder.h"

#include <gtest/gtest.h>

namespace {

namespace pb = pngbuilder;

const QRgb kBeneath = qRgb(40, 90, 160);

Layer background(QSize size, QRgb colour) {
  QImage raster(1, 1, QImage::Format_RGB32);
  raster.fill(colour);
  return Layer{Bounds{10, 20, size.width(), size.height()}, raster, true, false};
}

QImage straight(std::initializer_list<QRgb> pixels) {
  QImage raster(static_cast<int>(pixels.size()), 1, QImage::Format_RGBA8888);
  int x = 0;
  for (QRgb p : pixels) raster.setPixel(x++, 0, p);
  return raster;
}

// (200, 100, 0) over (40, 90, 160): at 128 each channel is (200·128 + 40·127) / 255 and so on,
// rounded to nearest: 120.3, 95.0, 79.7. The whole sum is rounded, not each share: (1·128 + 2·127)
// / 255 = 1.498 gives 1, where shares rounded apart (0.502 and 0.996) would give 2.
TEST(AlphaPicture, LiesOverAColouredBackgroundByItsAlphaRoundedOnce) {
  const struct {
    QRgb pixel, beneath, expected;
  } cases[] = {
      {qRgba(200, 100, 0, 0), kBeneath, kBeneath},
      {qRgba(200, 100, 0, 128), kBeneath, qRgb(120, 95, 80)},
      {qRgba(200, 100, 0, 255), kBeneath, qRgb(200, 100, 0)},
      {qRgba(1, 254, 100, 128), qRgb(2, 1, 100), qRgb(1, 128, 100)},
  };
  for (const auto& c : cases) {
    const Layer part{Bounds{11, 20, 1, 1}, straight({c.pixel}), true, true};
    const QImage logo = composeLogo(background(QSize(3, 1), c.beneath), {part});
    EXPECT_EQ(logo.pixel(1, 0), c.expected) << std::hex << c.pixel;
    EXPECT_EQ(logo.pixel(0, 0), c.beneath) << std::hex << c.pixel;
    EXPECT_EQ(logo.pixel(2, 0), c.beneath) << std::hex << c.pixel;
  }
}

TEST(AlphaPicture, AsTheBackgroundLiesOverWhite) {
  Layer back = background(QSize(2, 1), 0);
  back.raster = straight({qRgba(10, 20, 30, 128), qRgba(10, 20, 30, 0)});
  back.stretch = true;
  const Layer part{Bounds{0, 0, 1, 1}, straight({qRgba(0, 0, 0, 0)}), true, true};  // lands nothing
  const QImage logo = composeLogo(back, {part});
  // 10·128/255 + 255·127/255 = 5 + 127, and so on.
  EXPECT_EQ(logo.pixel(0, 0), qRgb(132, 137, 142));
  EXPECT_EQ(logo.pixel(1, 0), qRgb(255, 255, 255));
}

TEST(AlphaPicture, StretchedEachAlphaGoesWithItsPixel) {
  const Layer part{Bounds{10, 20, 4, 2}, straight({qRgba(255, 0, 0, 255), qRgba(0, 0, 255, 0)}), true, true};
  const QImage logo = composeLogo(background(QSize(4, 2), kBeneath), {part});
  for (int y = 0; y < 2; ++y) {
    EXPECT_EQ(logo.pixel(0, y), qRgb(255, 0, 0));
    EXPECT_EQ(logo.pixel(1, y), qRgb(255, 0, 0));
    EXPECT_EQ(logo.pixel(2, y), kBeneath);
    EXPECT_EQ(logo.pixel(3, y), kBeneath);
  }
}

// The colour key applies to a PNG exactly when it has no alpha: the bottom-left pixel is red in
// both files, and red elsewhere shows the background only in the one without alpha.
TEST(AlphaPicture, ColourKeyOnlyWithoutAlpha) {
  pb::Picture rgb;
  rgb.width = 2;
  rgb.height = 2;
  rgb.samples = {255, 0, 0, 0, 255, 0, 255, 0, 0, 0, 0, 255};  // red green / red blue
  pb::Picture rgba = rgb;
  rgba.type = pb::Rgba;
  rgba.samples = {255, 0, 0, 255, 0, 255, 0, 255, 255, 0, 0, 255, 0, 0, 255, 255};

  struct Case {
    const char* name;
    QByteArray file;
    QRgb topLeft;
  };
  const Case cases[] = {
      {"without alpha", pb::build(rgb), kBeneath},
      {"with alpha", pb::build(rgba), qRgb(255, 0, 0)},
  };
  for (const Case& c : cases) {
    const Layer part{Bounds{10, 20, 2, 2}, decodePng(c.file), true, true};
    const QImage logo = composeLogo(background(QSize(2, 2), kBeneath), {part});
    EXPECT_EQ(logo.pixel(0, 0), c.topLeft) << c.name;
    EXPECT_EQ(logo.pixel(1, 0), qRgb(0, 255, 0)) << c.name;
    EXPECT_EQ(logo.pixel(1, 1), qRgb(0, 0, 255)) << c.name;
  }
}

// The banded export and the whole-raster drawing the canvas's tests compare against land the same
// blended pixels, stretched up and down, over a part beneath.
TEST(AlphaPicture, DrawLayerAgreesWithTheComposedLogo) {
  QImage raster(7, 5, QImage::Format_RGBA8888);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x) raster.setPixel(x, y, qRgba(x * 36, y * 60, 255 - x * 30, (x * 37 + y * 53) % 256));
  const Layer back = background(QSize(40, 30), kBeneath);
  const QImage striped = straight({qRgba(0, 200, 0, 255), qRgba(250, 250, 0, 255)});
  const std::vector<Layer> parts = {Layer{Bounds{12, 22, 30, 20}, striped, true, true},
                                    Layer{Bounds{5, 18, 29, 23}, raster, true, true},
                                    Layer{Bounds{30, 40, 4, 3}, raster, true, true}};
  const QImage logo = composeLogo(back, parts);
  QImage expected(40, 30, QImage::Format_RGB32);
  expected.fill(kBeneath);
  for (const Layer& layer : parts)
    drawLayer(layer, drawableRaster(layer.raster, layer.transparent), expected, QPoint(10, 20));
  ASSERT_EQ(logo.size(), expected.size());
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) ASSERT_EQ(logo.pixel(x, y), expected.pixel(x, y)) << x << "," << y;
}

}  // namespace
