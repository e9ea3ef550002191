// A picture with alpha looks the same on the canvas, where its control composes what lies beneath
// it, as in the logo export: pixel for pixel, at every alpha.
#include "render/layer.h"
#include "support/canvasstage.h"
#include "ui/canvas/picturecontrol.h"

#include <gtest/gtest.h>

namespace {

// Channels where Qt's own premultiplied sums and a blend rounded once to nearest part: 152·229,
// 188·196 and 212·169, for alphas 26, 59 and 86, which the ramp below holds. A canvas that left the
// blending to Qt shows here.
const QRgb kUnder = qRgb(152, 188, 212);

// Every alpha from 0 to 255 across a 16 x 16 picture, colours varying with it.
QImage alphaRamp() {
  QImage raster(16, 16, QImage::Format_RGBA8888);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) raster.setPixel(x, y, qRgba(255 - x * 13, y * 16 + x, x * 16, y * 16 + x));
  return raster;
}

PictureControl* place(QWidget& canvas, const Layer& layer) {
  auto* control = new PictureControl(0, &canvas);
  control->setRaster(layer.raster);
  control->setBounds(layer.bounds);
  control->setStretch(layer.stretch);
  control->setTransparent(layer.transparent);
  return control;
}

TEST(AlphaPaint, CanvasShowsWhatTheExportBlends) {
  QImage stripes(3, 1, QImage::Format_RGB32);
  stripes.setPixel(0, 0, qRgb(250, 250, 250));
  stripes.setPixel(1, 0, qRgb(0, 0, 0));
  stripes.setPixel(2, 0, qRgb(200, 30, 30));
  struct Case {
    const char* name;
    std::vector<Layer> layers;  // bottom to top
  };
  const Case cases[] = {
      {"over the canvas, stretched up", {Layer{{3, 2, 50, 41}, alphaRamp(), true, true}}},
      {"over the canvas, shrunk", {Layer{{5, 4, 11, 7}, alphaRamp(), true, true}}},
      {"over an opaque part",
       {Layer{{0, 0, 60, 40}, stripes, true, false}, Layer{{7, 3, 40, 33}, alphaRamp(), true, true}}},
      // As the background, the picture's alpha lies over white, so the canvas shows none of
      // what is beneath it.
      {"as the background", {Layer{{2, 1, 48, 40}, alphaRamp(), true, false}}},
  };
  for (const Case& c : cases) {
    QWidget canvas;
    makeCanvasStage(canvas, QSize(64, 48), kUnder);
    QImage expected(canvas.size(), QImage::Format_RGB32);
    expected.fill(kUnder);
    for (const Layer& layer : c.layers) {
      place(canvas, layer);
      drawLayer(layer, drawableRaster(layer.raster, layer.transparent), expected, QPoint(0, 0));
    }
    const QImage shown = canvas.grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shown.size(), expected.size());
    int differences = 0;
    for (int y = 0; y < shown.height(); ++y)
      for (int x = 0; x < shown.width(); ++x) differences += shown.pixel(x, y) != expected.pixel(x, y);
    EXPECT_EQ(differences, 0) << c.name;
  }
}

}  // namespace
