#include "render/fonts.h"

#include <gtest/gtest.h>

namespace {

// Each font starts with every bit the wrong way round, so a helper that only ever turns effects on,
// or reads one bit for another, is caught; bits above the four are not style and change nothing.
TEST(StyleBits, EveryCombinationSurvivesTheTripThroughAFont) {
  for (int bits = 0; bits < 16; ++bits) {
    QFont font(QStringLiteral("IPAGothic"));
    applyStyleBits(font, static_cast<std::uint8_t>(~bits & 0x0F));
    applyStyleBits(font, static_cast<std::uint8_t>(bits | 0xF0));
    EXPECT_EQ(styleBitsOf(font), bits) << "bits " << bits;
  }
}

TEST(StyleBits, DemiBoldAndObliqueCountAsBoldAndItalic) {
  QFont font(QStringLiteral("IPAGothic"));
  font.setWeight(QFont::DemiBold);
  font.setStyle(QFont::StyleOblique);
  EXPECT_EQ(styleBitsOf(font), fsBold | fsItalic);
  font.setWeight(QFont::Medium);
  font.setStyle(QFont::StyleNormal);
  EXPECT_EQ(styleBitsOf(font), 0);
}

}  // namespace
