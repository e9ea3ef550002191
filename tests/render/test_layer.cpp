// The pixel code the canvas and the export share must stay exactly what it was while it is made
// faster: every case is compared with a plain per-pixel statement of the rules.
#include "render/layer.h"

#include "render/raster.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

namespace {

// The see-through rule, one pixel at a time, through Qt's own conversion.
QImage referenceDrawable(const QImage& raster, bool transparent) {
  QImage drawable = raster.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  const QRgb key = transparentColour(raster) | 0xFF000000u;
  for (int y = 0; y < drawable.height(); ++y)
    for (int x = 0; x < drawable.width(); ++x) {
      const QRgb p = drawable.pixel(x, y) | 0xFF000000u;
      drawable.setPixel(x, y, transparent && p == key ? 0u : p);
    }
  return drawable;
}

// Control pixel (x, y) shows raster pixel (x*rw/cw, y*rh/ch) when stretched, (x, y) otherwise;
// clear pixels and pixels beyond an unstretched raster leave the target as it was.
void referenceArea(const QImage& drawable, QSize control, bool stretch, QRect area, QImage& target, QPoint at) {
  for (int j = 0; j < area.height(); ++j)
    for (int i = 0; i < area.width(); ++i) {
      const qint64 x = area.left() + i;
      const qint64 y = area.top() + j;
      const qint64 sx = stretch ? x * drawable.width() / control.width() : x;
      const qint64 sy = stretch ? y * drawable.height() / control.height() : y;
      if (sx >= drawable.width() || sy >= drawable.height()) continue;
      const QRgb p = drawable.pixel(static_cast<int>(sx), static_cast<int>(sy));
      if (p != 0) target.setPixel(at.x() + i, at.y() + j, p);
    }
}

QRgb randomColour(QRandomGenerator& random, int levels) {
  // Few levels, so that the see-through colour turns up inside the picture too.
  const auto level = [&] { return static_cast<int>(random.bounded(levels)) * 255 / (levels - 1); };
  return qRgb(level(), level(), level());
}

QImage randomRaster(QRandomGenerator& random, QImage::Format format, QSize size) {
  QImage raster(size, QImage::Format_ARGB32);
  for (int y = 0; y < size.height(); ++y)
    for (int x = 0; x < size.width(); ++x)
      raster.setPixel(x, y, (randomColour(random, 3) & 0x00FFFFFFu) | (random.bounded(256u) << 24));
  if (format == QImage::Format_ARGB32) return raster;
  if (format != QImage::Format_Indexed8) return raster.convertToFormat(format);
  // Palettes of every length, so indices beyond the table are covered too.
  QImage indexed(size, QImage::Format_Indexed8);
  QList<QRgb> table;
  const int colours = static_cast<int>(random.bounded(1, 257));
  for (int i = 0; i < colours; ++i) table << randomColour(random, 3);
  indexed.setColorTable(table);
  for (int y = 0; y < size.height(); ++y)
    for (int x = 0; x < size.width(); ++x) indexed.setPixel(x, y, random.bounded(std::min(256, colours + 2)));
  return indexed;
}

bool samePixels(const QImage& a, const QImage& b) {
  if (a.size() != b.size()) return false;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x)
      if (a.pixel(x, y) != b.pixel(x, y)) return false;
  return true;
}

// A drawable, a control showing it (smaller or larger than the raster: shrunk, stretched, cut or
// padded) and an area inside the control.
struct AreaCase {
  QImage drawable;
  QSize control;
  bool stretch;
  QRect area;
};

AreaCase randomArea(QRandomGenerator& random, QImage::Format format) {
  AreaCase c;
  const QImage raster = randomRaster(random, format, QSize(random.bounded(1, 50), random.bounded(1, 50)));
  c.drawable = drawableRaster(raster, random.bounded(2) == 1);
  c.stretch = random.bounded(4) != 0;
  c.control = QSize(random.bounded(1, 160), random.bounded(1, 160));
  const int left = random.bounded(c.control.width());
  const int top = random.bounded(c.control.height());
  c.area = QRect(left, top, random.bounded(1, c.control.width() - left + 1),
                 random.bounded(1, c.control.height() - top + 1));
  return c;
}

TEST(Layer, DrawableRastersKeepTheSeeThroughRuleForEveryFormat) {
  QRandomGenerator random(7);
  for (QImage::Format format :
       {QImage::Format_RGB32, QImage::Format_RGB888, QImage::Format_Indexed8, QImage::Format_Mono, QImage::Format_RGB16,
        QImage::Format_RGB555, QImage::Format_ARGB32})
    for (int n = 0; n < 12; ++n) {
      const QImage raster = randomRaster(random, format, QSize(random.bounded(1, 40), random.bounded(1, 30)));
      for (bool transparent : {false, true}) {
        const QImage drawable = drawableRaster(raster, transparent);
        EXPECT_EQ(drawable.format(), QImage::Format_ARGB32_Premultiplied);
        EXPECT_TRUE(samePixels(drawable, referenceDrawable(raster, transparent)))
            << "format " << format << " case " << n << " transparent " << transparent;
      }
    }
  EXPECT_TRUE(drawableRaster(QImage(), true).isNull());
}

TEST(Layer, AreasLandAsThePerPixelRuleSays) {
  QRandomGenerator random(11);
  for (int n = 0; n < 400; ++n) {
    const AreaCase c = randomArea(random, QImage::Format_RGB32);
    QImage expected(c.area.width() + 7, c.area.height() + 5, QImage::Format_RGB32);
    expected.fill(qRgb(10, 20, 30));
    QImage actual = expected.copy();
    const QPoint at(random.bounded(8), random.bounded(6));
    referenceArea(c.drawable, c.control, c.stretch, c.area, expected, at);
    drawLayerArea(c.drawable, Showing{c.control, c.stretch, false}, c.area, actual, at);
    ASSERT_TRUE(samePixels(actual, expected)) << "case " << n;
  }
}

TEST(Layer, CopiedAreasAreTheDrawnAreasOnClear) {
  QRandomGenerator random(13);
  for (int n = 0; n < 300; ++n) {
    const AreaCase c = randomArea(random, QImage::Format_RGB888);
    QImage expected(c.area.size(), QImage::Format_ARGB32_Premultiplied);
    expected.fill(Qt::transparent);
    referenceArea(c.drawable, c.control, c.stretch, c.area, expected, QPoint(0, 0));
    QImage copied(c.area.size(), QImage::Format_ARGB32_Premultiplied);
    copied.fill(0x5A5A5A5Au);  // whatever the memory held: every pixel must be written
    copyLayerArea(c.drawable, Showing{c.control, c.stretch, false}, c.area, copied);
    ASSERT_TRUE(samePixels(copied, expected)) << "case " << n;
  }
  QImage nothing(5, 4, QImage::Format_ARGB32_Premultiplied);
  nothing.fill(0x5A5A5A5Au);
  copyLayerArea(QImage(), Showing{QSize(5, 4), true, false}, nothing.rect(), nothing);
  QImage clear(5, 4, QImage::Format_ARGB32_Premultiplied);
  clear.fill(Qt::transparent);
  EXPECT_TRUE(samePixels(nothing, clear));
}

TEST(Layer, LayersCutAtTheTargetsEdges) {
  QRandomGenerator random(5);
  const QImage raster = randomRaster(random, QImage::Format_RGB888, QSize(30, 20));
  const QImage drawable = drawableRaster(raster, true);
  for (const Bounds& bounds : {Bounds{-25, -13, 90, 61}, Bounds{40, 30, 9, 7}, Bounds{-200, 0, 100, 10},
                               Bounds{0, 0, 0, 10}, Bounds{5, 5, 60, 2}}) {
    QImage expected(64, 48, QImage::Format_RGB32);
    expected.fill(Qt::white);
    QImage actual = expected.copy();
    const Layer layer{bounds, raster, true, true};
    drawLayer(layer, drawable, actual, QPoint(-3, -4));
    if (bounds.width > 0 && bounds.height > 0) {
      // The whole control drawn into a large enough image, then the target's window cut out.
      QImage whole(bounds.width, bounds.height, QImage::Format_RGB32);
      whole.fill(Qt::white);
      referenceArea(drawable, QSize(bounds.width, bounds.height), true, whole.rect(), whole, QPoint(0, 0));
      for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x) {
          const QPoint p(x - 3 - bounds.left, y - 4 - bounds.top);
          if (whole.rect().contains(p)) expected.setPixel(x, y, whole.pixel(p));
        }
    }
    EXPECT_TRUE(samePixels(actual, expected)) << bounds.left << "," << bounds.top;
  }
}

}  // namespace
