#include "ui/common/windowfont.h"

#include "model/basics.h"

QFont windowFont(int pixelSize) {
  QFont font(QString::fromUtf16(DEFAULT_FONT_FACE));
  font.setPixelSize(pixelSize);
  return font;
}
