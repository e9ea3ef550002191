#include "model/document.h"
#include "model/failure.h"
#include "model/fixedstring.h"
#include "render/fonts.h"
#include "render/raster.h"
#include "render/textrender.h"

#include <gtest/gtest.h>

#include <QFontMetrics>

#include <cstring>
#include <set>

namespace {

constexpr int kDpi = 96;

TPartData textRecord(const char16_t* text = u"No Title") {
  TPartData r;
  std::memset(&r, 0, sizeof r);
  storeFixedString(r.Text, text);
  storeFixedString(r.FontName, u"ＭＳ Ｐゴシック");
  r.FontSize = 9;
  r.FillColor = 0xFFFFFF;
  r.Kind = pkText;
  return r;
}

QSize measured(const TPartData& r) {
  const QFontMetrics m(partFont(r, kDpi));
  return {m.horizontalAdvance(fixedString(r.Text) + QStringLiteral("  ")), m.ascent() + m.descent()};
}

// Leftmost column holding `colour`, or -1.
int firstColumnOf(const QImage& image, QRgb colour) {
  for (int x = 0; x < image.width(); ++x)
    for (int y = 0; y < image.height(); ++y)
      if (image.pixel(x, y) == colour) return x;
  return -1;
}

int firstRowOf(const QImage& image, QRgb colour) {
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixel(x, y) == colour) return y;
  return -1;
}

TEST(TextRender, SizeFollowsTheFontAtTheScreensResolution) {
  TPartData r = textRecord();
  EXPECT_EQ(partFont(r, kDpi).pixelSize(), 12);
  r.FontSize = 10;
  EXPECT_EQ(partFont(r, kDpi).pixelSize(), 13);
}

struct Offsets {
  int x, y;
};

class TextGeometry : public ::testing::TestWithParam<Offsets> {};

TEST_P(TextGeometry, ControlAndRasterFollowTheMeasurementAndOffsets) {
  TPartData r = textRecord();
  r.ShadowX = GetParam().x;
  r.ShadowY = GetParam().y;
  r.TextColor = 0x0000FF;    // red text
  r.ShadowColor = 0xFF0000;  // blue shadow
  const QSize wh = measured(r);
  const TextRaster out = renderTextPart(r, kDpi);
  const int ax = std::abs(r.ShadowX), ay = std::abs(r.ShadowY);
  EXPECT_EQ(out.controlSize, QSize(wh.width() + ax, wh.height() + ay));
  ASSERT_EQ(out.raster.size(), QSize(wh.width() + ax + 8, wh.height() + ay + 8));

  // The margin is never drawn on, so the bottom-left pixel and the see-through colour are white.
  for (int y = 0; y < out.raster.height(); ++y)
    for (int x = 0; x < out.raster.width(); ++x)
      if (x >= out.controlSize.width() || y >= out.controlSize.height()) {
        ASSERT_EQ(out.raster.pixel(x, y), qRgb(255, 255, 255)) << x << "," << y;
      }
  EXPECT_EQ(transparentColour(out.raster), qRgb(255, 255, 255));

  // The shadow sits (ShadowX, ShadowY) from the string, and both stay inside the control.
  const int textX = firstColumnOf(out.raster, qRgb(255, 0, 0));
  const int textY = firstRowOf(out.raster, qRgb(255, 0, 0));
  ASSERT_GE(textX, 0);
  if (r.ShadowX != 0 || r.ShadowY != 0) {
    const int shadowX = firstColumnOf(out.raster, qRgb(0, 0, 255));
    ASSERT_GE(shadowX, 0);
    // The string covers part of its shadow, so compare against a string-free reference.
    TPartData alone = r;
    alone.TextColor = 0xFFFFFF;
    const TextRaster shadowOnly = renderTextPart(alone, kDpi);
    EXPECT_EQ(firstColumnOf(shadowOnly.raster, qRgb(0, 0, 255)) - textX, r.ShadowX);
    EXPECT_EQ(firstRowOf(shadowOnly.raster, qRgb(0, 0, 255)) - textY, r.ShadowY);
  } else {
    EXPECT_EQ(firstColumnOf(out.raster, qRgb(0, 0, 255)), -1) << "no shadow pass with both offsets 0";
  }
}

INSTANTIATE_TEST_SUITE_P(Offsets, TextGeometry,
                         ::testing::Values(Offsets{0, 0}, Offsets{5, 0}, Offsets{-5, 0}, Offsets{3, -2}, Offsets{-4, 6},
                                           Offsets{30, 30}, Offsets{-30, -30}));

TEST(TextRender, OnlyTheRecordsColoursAppear) {
  TPartData r = textRecord(u"Ag 漢字 ｶﾅ");
  r.FontSize = 24;
  r.FontStyle = fsBold | fsItalic | fsUnderline | fsStrikeOut;
  r.TextColor = 0x123456;
  r.ShadowColor = 0x654321;
  r.ShadowX = 2;
  r.ShadowY = 2;
  r.FillOn = 1;
  r.FillColor = 0x00FF00;
  const TextRaster out = renderTextPart(r, kDpi);
  std::set<QRgb> colours;
  for (int y = 0; y < out.raster.height(); ++y)
    for (int x = 0; x < out.raster.width(); ++x) colours.insert(out.raster.pixel(x, y));
  const std::set<QRgb> allowed{qRgb(255, 255, 255), rgbFromColour(r.TextColor) | 0xFF000000u,
                               rgbFromColour(r.ShadowColor) | 0xFF000000u, rgbFromColour(r.FillColor) | 0xFF000000u};
  for (QRgb c : colours) EXPECT_TRUE(allowed.count(c)) << std::hex << c;
}

// The window's Japanese face has no bold and no italic of its own; a part that asks for them still
// gets them: bold inks more, italic leans the same ink.
TEST(TextRender, BoldAndItalicAreDrawnWhereTheFaceHasNeither) {
  const auto ink = [](std::uint8_t style) {
    TPartData r = textRecord(u"漢字カナ Ag");
    r.FontSize = 24;
    r.FontStyle = style;
    const TextRaster out = renderTextPart(r, kDpi);
    std::vector<QPoint> inked;
    for (int y = 0; y < out.raster.height(); ++y)
      for (int x = 0; x < out.raster.width(); ++x)
        if (out.raster.pixel(x, y) != qRgb(255, 255, 255)) inked.push_back({x, y});
    return inked;
  };
  const std::vector<QPoint> regular = ink(0), bold = ink(fsBold), italic = ink(fsItalic);
  EXPECT_GT(bold.size(), regular.size() * 11 / 10);
  EXPECT_NE(italic, regular);
}

TEST(TextRender, FillCoversExactlyTheControlArea) {
  TPartData r = textRecord();
  r.FillOn = 1;
  r.FillColor = 0x0000FF;
  r.TextColor = 0x0000FF;  // text in the fill colour: the whole area must be one colour
  r.ShadowColor = 0x0000FF;
  r.ShadowX = -3;
  r.ShadowY = 4;
  const TextRaster out = renderTextPart(r, kDpi);
  for (int y = 0; y < out.raster.height(); ++y)
    for (int x = 0; x < out.raster.width(); ++x) {
      const bool inside = x < out.controlSize.width() && y < out.controlSize.height();
      ASSERT_EQ(out.raster.pixel(x, y), inside ? qRgb(255, 0, 0) : qRgb(255, 255, 255)) << x << "," << y;
    }

  r.FillOn = 2;  // only 1 fills
  const TextRaster unfilled = renderTextPart(r, kDpi);
  EXPECT_EQ(unfilled.raster.pixel(unfilled.controlSize.width() - 1, 0), qRgb(255, 255, 255));
}

TEST(TextRender, EmptyTextStillHasTheWidthOfTwoBlanks) {
  const TPartData r = textRecord(u"");
  const TextRaster out = renderTextPart(r, kDpi);
  const QFontMetrics m(partFont(r, kDpi));
  EXPECT_EQ(out.controlSize, QSize(m.horizontalAdvance(QStringLiteral("  ")), m.ascent() + m.descent()));
  EXPECT_GT(out.controlSize.width(), 0);
}

TEST(TextRender, RenderingIsRepeatableAndLeavesTheRecordAlone) {
  TPartData r = textRecord(u"同じ");
  r.ShadowX = 3;
  const TPartData before = r;
  const TextRaster a = renderTextPart(r, kDpi);
  const TextRaster b = renderTextPart(r, kDpi);
  EXPECT_EQ(a.controlSize, b.controlSize);
  EXPECT_EQ(a.raster, b.raster);
  EXPECT_EQ(std::memcmp(&r, &before, sizeof r), 0);
}

TEST(TextRender, OutsizedSizesFailClearly) {
  TPartData r = textRecord();
  r.FontSize = 2000000000;
  EXPECT_THROW(renderTextPart(r, kDpi), Failure);
  r.FontSize = 2000;  // large but allowed: the raster limit decides with a long text
  storeFixedString(r.Text, QString(100, u'W'));
  EXPECT_THROW(renderTextPart(r, kDpi), Failure);
  r.FontSize = -5;  // from a file: drawn at a new part's size
  EXPECT_EQ(renderTextPart(r, kDpi).controlSize.height(), renderTextPart(textRecord(), kDpi).controlSize.height());
}

TEST(TextRender, LongFaceNamesAreCutTo31Bytes) {
  TPartData r = textRecord();
  storeFixedString(r.FontName, QString(40, u'F'));
  EXPECT_EQ(partFont(r, kDpi).family(), QString(31, u'F'));
}

}  // namespace
