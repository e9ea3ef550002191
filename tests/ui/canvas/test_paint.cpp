// A canvas control puts on the screen exactly what the logo export draws for it, over whatever
// lies beneath: opaque or see-through, stretched, or smaller than its control.
#include "render/layer.h"
#include "render/raster.h"
#include "support/canvasstage.h"
#include "ui/canvas/picturecontrol.h"

#include <gtest/gtest.h>

#include <QTest>

namespace {

const QRgb kUnder = qRgb(40, 90, 160);

// Stripes of three colours with white, the see-through colour, at the bottom-left.
QImage stripedRaster(QSize size) {
  QImage raster(size, QImage::Format_RGB32);
  const QRgb colours[] = {qRgb(255, 255, 255), qRgb(200, 30, 30), qRgb(20, 160, 40)};
  for (int y = 0; y < size.height(); ++y)
    for (int x = 0; x < size.width(); ++x) raster.setPixel(x, y, colours[(x + 2 * y) % 3]);
  return raster;
}

struct Case {
  QSize raster;
  Bounds bounds;
  bool stretch;
  bool transparent;
};

TEST(Paint, ControlsShowWhatTheExportDraws) {
  const Case cases[] = {
      {{7, 5}, {6, 4, 50, 33}, true, false},   {{7, 5}, {6, 4, 50, 33}, true, true},
      {{40, 30}, {3, 9, 13, 11}, true, true},  {{12, 9}, {10, 2, 30, 25}, false, false},
      {{12, 9}, {10, 2, 30, 25}, false, true},
  };
  for (const Case& c : cases) {
    QWidget canvas;
    makeCanvasStage(canvas, QSize(64, 48), kUnder);
    auto* control = new PictureControl(0, &canvas);
    control->setRaster(stripedRaster(c.raster));
    control->setBounds(c.bounds);
    control->setStretch(c.stretch);
    control->setTransparent(c.transparent);

    QImage expected(canvas.size(), QImage::Format_RGB32);
    expected.fill(kUnder);
    drawLayer(Layer{c.bounds, control->raster(), c.stretch, c.transparent},
              drawableRaster(control->raster(), c.transparent), expected, QPoint(0, 0));
    const QImage shown = canvas.grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shown.size(), expected.size());
    int differences = 0;
    for (int y = 0; y < shown.height(); ++y)
      for (int x = 0; x < shown.width(); ++x) differences += shown.pixel(x, y) != expected.pixel(x, y);
    EXPECT_EQ(differences, 0) << "stretch " << c.stretch << " transparent " << c.transparent << " raster "
                              << c.raster.width() << "x" << c.raster.height();
  }
}

}  // namespace
