// A picture of 1 bit per pixel shown smaller than it is keeps its black pixels on the canvas, as
// in the exported logo: thin black lines must not vanish when the picture is shrunk.
#include "render/bmpreader.h"
#include "ui/canvas/picturecontrol.h"
#include "support/bmpbuilder.h"
#include "support/canvasstage.h"

#include <gtest/gtest.h>

namespace {

const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kUnder = qRgb(40, 90, 160);

// Width x height, 1 bit per pixel, as a file gives it: black where `black(x, y)`, white elsewhere.
template <typename Black>
QImage oneBitPicture(int width, int height, const Black& black) {
  std::vector<std::vector<std::uint32_t>> rows;
  for (int y = height - 1; y >= 0; --y) {  // the file's rows go bottom up
    rows.emplace_back();
    for (int x = 0; x < width; ++x) rows.back().push_back(black(x, y) ? 0u : 1u);
  }
  bmpbuilder::Bmp bmp;
  bmp.width = width;
  bmp.height = height;
  bmp.bitCount = 1;
  bmp.palette = {kBlack, qRgb(255, 255, 255)};
  bmp.pixels = bmpbuilder::packRows(rows, 1);
  return readBmp(bmp.build());
}

// What a see-through picture control of `size` at (3, 2) over a blue canvas puts on the screen.
QImage shown(const QImage& picture, QSize size, bool stretch = true) {
  QWidget canvas;
  makeCanvasStage(canvas, QSize(30, 20), kUnder);
  auto* control = new PictureControl(0, &canvas);
  control->setRaster(picture);
  control->setBounds({3, 2, size.width(), size.height()});
  control->setStretch(stretch);
  control->setTransparent(true);
  return canvas.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

TEST(OneBitCanvas, ShrunkPictureKeepsItsBlackPixels) {
  // Odd columns black, shown at half the width: each shown column stands for an even (white) and
  // an odd (black) one, so the whole control is black.
  const QImage columns = oneBitPicture(16, 8, [](int x, int) { return x % 2 == 1; });
  ASSERT_EQ(columns.depth(), 1);
  QImage screen = shown(columns, QSize(8, 8));
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 30; ++x)
      EXPECT_EQ(screen.pixel(x, y), x >= 3 && x < 11 && y >= 2 && y < 10 ? kBlack : kUnder) << x << ", " << y;

  // One black pixel at (5, 13) of 16 x 16, shown 4 x 4: it falls in shown pixel (1, 3), which
  // stands for columns 4-7 and rows 12-15; every other shown pixel is white, so see-through.
  const QImage dot = oneBitPicture(16, 16, [](int x, int y) { return x == 5 && y == 13; });
  screen = shown(dot, QSize(4, 4));
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x)
      EXPECT_EQ(screen.pixel(3 + x, 2 + y), x == 1 && y == 3 ? kBlack : kUnder) << x << ", " << y;

  // Shrunk only in height (16 x 16 shown 16 x 4): columns are sampled one to one, rows 4 to 1.
  screen = shown(dot, QSize(16, 4));
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 16; ++x)
      EXPECT_EQ(screen.pixel(3 + x, 2 + y), x == 5 && y == 3 ? kBlack : kUnder) << x << ", " << y;
}

TEST(OneBitCanvas, EnlargedOrNaturalSizeSamplesWholePixels) {
  const QImage columns = oneBitPicture(8, 4, [](int x, int) { return x % 2 == 1; });
  // Twice the width: shown column x shows raster column x / 2.
  QImage screen = shown(columns, QSize(16, 4));
  for (int x = 0; x < 16; ++x) EXPECT_EQ(screen.pixel(3 + x, 3), (x / 2) % 2 == 1 ? kBlack : kUnder) << x;
  // Unstretched, a control smaller than the picture only cuts it off.
  screen = shown(columns, QSize(4, 4), false);
  for (int x = 0; x < 4; ++x) EXPECT_EQ(screen.pixel(3 + x, 3), x % 2 == 1 ? kBlack : kUnder) << x;
}

}  // namespace
