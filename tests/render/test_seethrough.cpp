// Which pixels of a picture part are see-through, stated pixel by pixel: the colour of its
// bottom-left pixel, except that a 1-bit picture is see-through in white whatever that pixel is.
// The pictures come from bitmap files as the reader gives them, in the depths a file may have.

#include "render/bmpreader.h"
#include "render/layer.h"
#include "render/logoexport.h"
#include "support/bmpbuilder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr QRgb kRed = 0xFFFF0000u;
constexpr QRgb kBlack = 0xFF000000u;
constexpr QRgb kWhite = 0xFFFFFFFFu;
constexpr QRgb kGreen = 0xFF00FF00u;
constexpr QRgb kBlue = 0xFF0000FFu;
constexpr QRgb kYellow = 0xFFFFFF00u;

// A picture part at (0, 0) at its natural size over a red background of the same size.
QImage overRed(const QImage& picture) {
  QImage red(1, 1, QImage::Format_RGB32);
  red.fill(kRed);
  const Bounds whole{0, 0, picture.width(), picture.height()};
  return composeLogo(Layer{whole, red, true, false}, {Layer{whole, picture, true, true}});
}

// Each row of `expected` names the pixels of one row, top first: R red, K black, W white, G green,
// B blue, Y yellow, '.' clear.
void expectPixels(const QImage& image, const std::vector<std::string>& expected) {
  ASSERT_EQ(image.height(), static_cast<int>(expected.size()));
  for (int y = 0; y < image.height(); ++y) {
    ASSERT_EQ(image.width(), static_cast<int>(expected[static_cast<size_t>(y)].size()));
    for (int x = 0; x < image.width(); ++x) {
      QRgb want = 0;
      switch (expected[static_cast<size_t>(y)][static_cast<size_t>(x)]) {
        case 'R': want = kRed; break;
        case 'K': want = kBlack; break;
        case 'W': want = kWhite; break;
        case 'G': want = kGreen; break;
        case 'B': want = kBlue; break;
        case 'Y': want = kYellow; break;
        default: break;
      }
      EXPECT_EQ(image.pixel(x, y), want) << "pixel " << x << ", " << y;
    }
  }
}

// An 8 x 2 picture of 1 bit per pixel, black at its bottom-left corner:
//   top    W K K K K K K K
//   bottom K W W K K K K K
// in either order of the two palette entries, so the rule cannot hang on an index.
TEST(SeeThrough, OneBitPictureIsSeeThroughInWhiteNotInItsBlackCorner) {
  for (const bool blackFirst : {true, false}) {
    const std::uint32_t b = blackFirst ? 0 : 1;
    const std::uint32_t w = 1 - b;
    bmpbuilder::Bmp bmp;
    bmp.width = 8;
    bmp.height = 2;
    bmp.bitCount = 1;
    bmp.palette = blackFirst ? std::vector<QRgb>{kBlack, kWhite} : std::vector<QRgb>{kWhite, kBlack};
    bmp.pixels = bmpbuilder::packRows({{b, w, w, b, b, b, b, b}, {w, b, b, b, b, b, b, b}}, 1);
    const QImage picture = readBmp(bmp.build());
    ASSERT_EQ(picture.depth(), 1) << "the reader keeps the file's depth";

    SCOPED_TRACE(blackFirst ? "black first" : "white first");
    expectPixels(drawableRaster(picture, true), {".KKKKKKK", "K..KKKKK"});
    expectPixels(overRed(picture), {"RKKKKKKK", "KRRKKKKK"});
  }
}

// A 3 x 2 picture whose corners on the left differ:
//   top    B G Y
//   bottom G B G
// See-through is green, the bottom-left colour; the blue of the top-left corner stays.
TEST(SeeThrough, PictureIsSeeThroughInItsBottomLeftColourOnly) {
  const std::vector<QRgb> palette{kGreen, kBlue, kYellow};
  const std::vector<std::vector<std::uint32_t>> indexRows{{0, 1, 0}, {1, 0, 2}};  // bottom row first
  for (const int bitCount : {8, 24, 32}) {
    bmpbuilder::Bmp bmp;
    bmp.width = 3;
    bmp.height = 2;
    bmp.bitCount = static_cast<std::uint16_t>(bitCount);
    if (bitCount == 8) {
      bmp.palette = palette;
      bmp.coloursUsed = 3;
      bmp.pixels = bmpbuilder::packRows(indexRows, 8);
    } else {
      std::vector<std::vector<std::uint32_t>> rows;
      for (const auto& row : indexRows) {
        rows.emplace_back();
        for (const std::uint32_t index : row) rows.back().push_back(palette[index] & 0xFFFFFFu);
      }
      bmp.pixels = bmpbuilder::packRows(rows, bitCount);
    }
    const QImage picture = readBmp(bmp.build());
    SCOPED_TRACE(bitCount);
    ASSERT_EQ(picture.pixel(0, 0), kBlue);
    ASSERT_EQ(picture.pixel(0, 1), kGreen);

    expectPixels(drawableRaster(picture, true), {"B.Y", ".B."});
    expectPixels(overRed(picture), {"BRY", "RBR"});
    // With the flag off (a filled text part's) nothing is see-through.
    expectPixels(drawableRaster(picture, false), {"BGY", "GBG"});
  }
}

}  // namespace
