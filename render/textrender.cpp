#include "render/textrender.h"

#include "model/fixedstring.h"
#include "render/fonts.h"
#include "render/raster.h"

#include <QFontMetrics>
#include <QPainter>

#include <cstdlib>

namespace {

constexpr int kMargin = 8;

}  // namespace

TextRaster renderTextPart(const TPartData& record, int dpi, int scale) {
  // The two trailing blanks give every string, the empty one too, some width on the canvas.
  const QString drawn = fixedString(record.Text) + QStringLiteral("  ");
  const qint64 ax = std::llabs(qint64{record.ShadowX}) * scale;
  const qint64 ay = std::llabs(qint64{record.ShadowY}) * scale;
  const qint64 tx = record.ShadowX < 0 ? ax : 0;
  const qint64 ty = record.ShadowY < 0 ? ay : 0;
  const qint64 sx = record.ShadowX > 0 ? ax : 0;
  const qint64 sy = record.ShadowY > 0 ? ay : 0;

  QFont font = partFont(record, dpi);
  if (scale != 1) font.setPixelSize(font.pixelSize() * scale);
  const QFontMetrics metrics(font);
  const qint64 w = metrics.horizontalAdvance(drawn);
  const qint64 h = metrics.ascent() + metrics.descent();

  checkRasterSize(w + ax + kMargin, h + ay + kMargin);
  TextRaster result;
  result.controlSize = QSize(static_cast<int>(w + ax), static_cast<int>(h + ay));
  result.raster = makeWhiteRaster(static_cast<int>(w + ax + kMargin), static_cast<int>(h + ay + kMargin));

  QPainter painter(&result.raster);
  painter.setFont(font);
  painter.setRenderHint(QPainter::TextAntialiasing, false);
  painter.setRenderHint(QPainter::Antialiasing, false);
  // Overhangs (italics, underline) must not reach the margin: its white is what makes the
  // bottom-left pixel, and so the see-through colour, white.
  painter.setClipRect(QRect(QPoint(0, 0), result.controlSize));
  if (record.FillOn == 1)
    painter.fillRect(QRect(0, 0, result.controlSize.width(), result.controlSize.height()),
                     QColor(rgbFromColour(record.FillColor)));
  const int ascent = metrics.ascent();
  if (record.ShadowX != 0 || record.ShadowY != 0) {
    painter.setPen(QColor(rgbFromColour(record.ShadowColor)));
    painter.drawText(QPoint(static_cast<int>(sx), static_cast<int>(sy) + ascent), drawn);
  }
  painter.setPen(QColor(rgbFromColour(record.TextColor)));
  painter.drawText(QPoint(static_cast<int>(tx), static_cast<int>(ty) + ascent), drawn);
  return result;
}
