// A logo without its background, and a logo at 2 to 4 times the size: the two rules that pin them,
// on a composition with every kind of part, through the files the export writes.
#include "model/failure.h"
#include "model/fixedstring.h"
#include "render/layer.h"
#include "render/logoexport.h"
#include "render/scene.h"
#include "support/files.h"
#include "support/pngbuilder.h"

#include <gtest/gtest.h>

#include <QImageReader>

namespace {

constexpr int kDpi = 96;
const QRgb kBackColour = qRgb(30, 120, 200);

class LogoOptionsTest : public ::testing::Test {
protected:
  void SetUp() override {
    // A 6 x 4 bitmap, see-through where it is magenta (its bottom-left pixel).
    QImage keyed(6, 4, QImage::Format_RGB32);
    keyed.fill(qRgb(255, 0, 255));
    for (int x = 1; x < 5; ++x) keyed.setPixel(x, 1, qRgb(250, 220, 0));
    keyedPath = dir.filePath(QStringLiteral("keyed.bmp"));
    ASSERT_TRUE(keyed.save(keyedPath, "BMP"));
    // An 8 x 6 PNG whose alpha runs from 0 to 255 across and down.
    pngbuilder::Picture alpha;
    alpha.width = 8;
    alpha.height = 6;
    alpha.type = pngbuilder::Rgba;
    for (int y = 0; y < alpha.height; ++y)
      for (int x = 0; x < alpha.width; ++x)
        alpha.samples.insert(alpha.samples.end(),
                             {uint16_t(x * 30), uint16_t(250 - y * 40), 90, uint16_t(std::min(255, x * 37 + y * 11))});
    alphaPath = dir.filePath(QStringLiteral("alpha.png"));
    putFile(alphaPath, pngbuilder::build(alpha));

    clearDocument(doc);
    doc.BackColor = colourFromRgb(kBackColour);
    setBackgroundBounds(doc, {40, 30, 160, 90});
    // A text with a shadow and no fill, a filled one over it, then pictures over both, cut at the
    // left, the right and the bottom, two of them translucent and overlapping.
    addText(u"Logo ロゴ", {44, 34, 1, 1}, false, 2, 3);
    addText(u"Pel", {90, 40, 1, 1}, true, -1, 2);
    addPicture(keyedPath, {30, 60, 24, 16});
    addPicture(alphaPath, {70, 50, 64, 48});
    addPicture(alphaPath, {100, 80, 40, 60});
    addPicture(keyedPath, {180, 35, 30, 20});
  }

  void addText(const char16_t* text, Bounds at, bool filled, int shadowX, int shadowY) {
    TPartData& r = appendPart(doc, pkText);
    storeFixedString(r.Text, text);
    setPartBounds(r, at);
    r.FontSize = 12;  // 16 pixels, so a font n times the points is n times the pixels
    r.TextColor = colourFromRgb(qRgb(255, 255, 255));
    r.FillOn = filled ? 1 : 0;
    r.FillColor = colourFromRgb(qRgb(20, 20, 20));
    r.ShadowColor = colourFromRgb(qRgb(200, 0, 0));
    r.ShadowX = shadowX;
    r.ShadowY = shadowY;
  }

  void addPicture(const QString& path, Bounds at) {
    TPartData& r = appendPart(doc, pkPicture);
    storeFixedPath(r.FileName, path);
    setPartBounds(r, at);
  }

  // The logo written to `name` and read back by Qt's own readers.
  QImage exported(const TDocument& from, const char* name, LogoOptions options = {}) {
    const QString path = dir.filePath(QString::fromLatin1(name));
    PendingScene layers(from, kDpi, logoBandsUpward(path), {}, options);
    EXPECT_TRUE(exportLogo(path, layers, options.backdrop));
    QImageReader reader(path);
    reader.setAutoTransform(false);
    return reader.read().convertToFormat(QImage::Format_ARGB32);
  }

  QTemporaryDir dir;
  QString keyedPath;
  QString alphaPath;
  TDocument doc;
};

// Laid over the background's colour, the logo without its background is the logo with it.
TEST_F(LogoOptionsTest, ClearLogoOverTheBackgroundColourIsTheOpaqueLogo) {
  const QImage opaque = exported(doc, "opaque.png");
  for (const char* name : {"clear.png", "clear.bmp"}) {
    const QImage clear = exported(doc, name, {Backdrop::Clear, 1});
    ASSERT_EQ(clear.size(), QSize(160, 90)) << name;
    EXPECT_EQ(qAlpha(clear.pixel(159, 0)), 0) << name;  // no part covers the top-right corner
    int partly = 0;
    for (int y = 0; y < clear.height(); ++y)
      for (int x = 0; x < clear.width(); ++x) {
        const QRgb over = blendOver(clear.pixel(x, y), kBackColour);
        const QRgb want = opaque.pixel(x, y);
        partly += qAlpha(clear.pixel(x, y)) % 255 != 0;
        ASSERT_LE(std::abs(qRed(over) - qRed(want)), 1) << name << " at " << x << "," << y;
        ASSERT_LE(std::abs(qGreen(over) - qGreen(want)), 1) << name << " at " << x << "," << y;
        ASSERT_LE(std::abs(qBlue(over) - qBlue(want)), 1) << name << " at " << x << "," << y;
      }
    EXPECT_GT(partly, 500) << name << ": the translucent pictures lie in the logo";
  }
}

// At scale s the logo is the logo of the composition with every length s times as long.
TEST_F(LogoOptionsTest, ScaledLogoIsTheEnlargedCompositionsLogo) {
  const struct {
    int scale;
    Backdrop backdrop;
    const char* name;
  } cases[] = {{2, Backdrop::Clear, "x.png"}, {3, Backdrop::Background, "x.bmp"}, {4, Backdrop::Background, "x.png"}};
  for (const auto& c : cases) {
    TDocument enlarged = doc;
    const auto times = [&c](Bounds b) {
      return Bounds{b.left * c.scale, b.top * c.scale, b.width * c.scale, b.height * c.scale};
    };
    setBackgroundBounds(enlarged, times(backgroundBounds(doc)));
    for (int i = 0; i < doc.PartCount; ++i) {
      TPartData& r = enlarged.Parts[i];
      setPartBounds(r, times(partBounds(r)));
      r.FontSize *= c.scale;
      r.ShadowX *= c.scale;
      r.ShadowY *= c.scale;
    }
    const QImage scaled = exported(doc, c.name, {c.backdrop, c.scale});
    ASSERT_EQ(scaled.size(), QSize(160 * c.scale, 90 * c.scale));
    EXPECT_TRUE(scaled == exported(enlarged, c.name, {c.backdrop, 1})) << "scale " << c.scale;
  }
}

// Pixels after 14 + 124 bytes of headers; 32 bits, bit fields, the masks R, G, B and A.
TEST_F(LogoOptionsTest, ClearBitmapNamesItsAlphaInAVersion5Header) {
  EXPECT_TRUE(exported(doc, "clear.bmp", {Backdrop::Clear, 1}).hasAlphaChannel());
  const QByteArray file = fileBytes(dir.filePath(QStringLiteral("clear.bmp")));
  EXPECT_EQ(file.size(), 138 + 160 * 90 * 4);
  EXPECT_EQ(file.mid(10, 8).toHex(), "8a0000007c000000");
  EXPECT_EQ(file.mid(28, 6).toHex(), "200003000000");
  EXPECT_EQ(file.mid(54, 16).toHex(), "0000ff0000ff0000ff000000000000ff");
}

TEST_F(LogoOptionsTest, OptionsThatCannotBeHonouredAreRefusedBeforeWriting) {
  const QString jpeg = dir.filePath(QStringLiteral("kept.jpg"));
  putFile(jpeg, "kept");
  PendingScene layers(doc, kDpi, false, {}, {Backdrop::Clear, 1});
  EXPECT_THROW(exportLogo(jpeg, layers, Backdrop::Clear), Failure);
  EXPECT_EQ(fileBytes(jpeg), "kept");

  // Lengths a scaled logo cannot hold in 32 bits name what holds them.
  const struct {
    int left, scale;
    const char* named;  // empty: it fits
  } cases[] = {
      {600'000'000, 4, "4 番目の部品"}, {600'000'000, 3, ""}, {-600'000'000, 4, "4 番目の部品"}, {0, 5, "倍率 5"}};
  for (const auto& c : cases) {
    TDocument far = doc;
    far.Parts[3].Left = c.left;
    try {
      checkScaleFits(far, c.scale);
      EXPECT_STREQ(c.named, "") << c.left << " at " << c.scale;
    } catch (const Failure& failure) {
      EXPECT_TRUE(*c.named && failure.message().contains(QString::fromUtf8(c.named)))
          << failure.message().toStdString();
    }
  }
}

// Where the background lies beneath, nothing mixes its alpha; over nothing, "over" on straight
// pixels, rounded to nearest.
TEST(BlendOverClear, MixesStraightPixelsByTheirCoverage) {
  const struct {
    QRgb source, beneath, expected;
  } cases[] = {
      {qRgba(200, 100, 0, 128), 0, qRgba(200, 100, 0, 128)},
      {qRgba(200, 100, 0, 0), qRgba(1, 2, 3, 40), qRgba(1, 2, 3, 40)},
      {qRgba(200, 100, 0, 128), qRgb(40, 90, 160), qRgb(120, 95, 80)},
      // coverage 128 + 128·127/255 = 191.75; red (200·128·255 + 0·128·127) / (128·255 + 128·127)
      {qRgba(200, 100, 0, 128), qRgba(0, 100, 255, 128), qRgba(134, 100, 85, 192)},
  };
  for (const auto& c : cases) EXPECT_EQ(blendOverClear(c.source, c.beneath), c.expected) << std::hex << c.source;
}

}  // namespace
