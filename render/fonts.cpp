#include "render/fonts.h"

#include "model/failure.h"
#include "model/fixedstring.h"

#include <cmath>

namespace {

// Character heights beyond this would only produce rasters past the raster limits, and asking
// the font engine for them first costs seconds.
constexpr qint64 kMaxCharacterHeight = 4096;
constexpr int kFaceNameBytes = 31;

}  // namespace

void installFontSubstitutions() {
  QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"));
  QFont::insertSubstitution(QStringLiteral("MS PGothic"), QStringLiteral("IPAPGothic"));
  QFont::insertSubstitution(QStringLiteral("ＭＳ ゴシック"), QStringLiteral("IPAGothic"));
  QFont::insertSubstitution(QStringLiteral("MS Gothic"), QStringLiteral("IPAGothic"));
}

QFont partFont(const TPartData& record, int dpi) {
  QFont font(fromShiftJis(cutShiftJis(fixedBytes(record.FontName), kFaceNameBytes)));
  // Sizes of zero or below come only from files; they get the size of a new part.
  const qint64 points = record.FontSize > 0 ? record.FontSize : 9;
  const qint64 pixels = std::llround(static_cast<double>(points) * dpi / 72.0);
  if (pixels > kMaxCharacterHeight)
    throw Failure(QStringLiteral("文字サイズ %1 ポイントは大きすぎます").arg(record.FontSize));
  font.setPixelSize(static_cast<int>(std::max<qint64>(pixels, 1)));
  applyStyleBits(font, record.FontStyle);
  font.setStyleStrategy(QFont::NoAntialias);
  // Said, not left to the screen: Qt hints differently on a screen of another resolution, and the
  // logo must not follow the screen. Light hinting is what Debian's fonts give at 96 dpi.
  font.setHintingPreference(QFont::PreferVerticalHinting);
  return font;
}

void applyStyleBits(QFont& font, std::uint8_t style) {
  font.setWeight((style & fsBold) ? QFont::Bold : QFont::Normal);
  font.setItalic(style & fsItalic);
  font.setUnderline(style & fsUnderline);
  font.setStrikeOut(style & fsStrikeOut);
}

std::uint8_t styleBitsOf(const QFont& font) {
  std::uint8_t style = 0;
  if (font.weight() >= QFont::DemiBold) style |= fsBold;
  if (font.style() != QFont::StyleNormal) style |= fsItalic;
  if (font.underline()) style |= fsUnderline;
  if (font.strikeOut()) style |= fsStrikeOut;
  return style;
}
