#include "render/raster.h"

#include "model/failure.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

TEST(PictureRaster, LargeRasterBehavesLikeAnyOther) {
  for (QImage::Format format :
       {QImage::Format_RGB32, QImage::Format_RGB888, QImage::Format_Indexed8, QImage::Format_Mono}) {
    QImage raster = allocateRaster(3001, 2000, format);
    ASSERT_EQ(raster.size(), QSize(3001, 2000));
    ASSERT_EQ(raster.format(), format);
    EXPECT_EQ(raster.bytesPerLine() % 4, 0);
    raster.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    raster.fill(0);
    const QImage kept = raster;  // shares, then parts on the next write
    raster.setPixel(3000, 1999, 1);
    EXPECT_NE(raster.pixel(3000, 1999), kept.pixel(3000, 1999)) << "format " << format;
    EXPECT_EQ(kept.pixel(3000, 1999), kept.pixel(0, 0)) << "format " << format;
  }
  EXPECT_THROW(allocateRaster(40000, 10, QImage::Format_RGB32), Failure);
  // The longest sides and the most pixels, and one more.
  for (const auto& [width, height, allowed] :
       {std::tuple{32767, 1, true}, {1, 32767, true}, {1, 32768, false}, {16384, 16384, true}, {16384, 16385, false}})
    EXPECT_EQ(rasterSizeAllowed(width, height), allowed) << width << " x " << height;
  EXPECT_TRUE(allocateRaster(0, 0, QImage::Format_RGB32).isNull());
}

}  // namespace
