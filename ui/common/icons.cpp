#include "ui/common/icons.h"

#include <QPainter>
#include <QPainterPath>

namespace {

const QColor kInk(0, 0, 0);
const QColor kPaper(255, 255, 255);
const QColor kYellow(255, 210, 0);
const QColor kRed(220, 0, 0);
const QColor kBlue(0, 60, 200);
const QColor kGreen(0, 150, 60);

void sheet(QPainter& p, QRect r, bool written) {
  p.setPen(kInk);
  p.setBrush(kPaper);
  p.drawRect(r);
  if (written)
    for (int y = r.top() + 3; y < r.bottom() - 1; y += 2) p.drawLine(r.left() + 2, y, r.right() - 2, y);
}

// The bold face the letters on the icons are drawn in.
QFont letterFont(int pixelSize) {
  QFont f(QStringLiteral("IPAGothic"));
  f.setPixelSize(pixelSize);
  f.setBold(true);
  return f;
}

void rays(QPainter& p, QPoint c) {
  p.setPen(QPen(kYellow, 1));
  p.drawLine(c + QPoint(-3, 0), c + QPoint(3, 0));
  p.drawLine(c + QPoint(0, -3), c + QPoint(0, 3));
  p.drawLine(c + QPoint(-2, -2), c + QPoint(2, 2));
  p.drawLine(c + QPoint(-2, 2), c + QPoint(2, -2));
}

void landscape(QPainter& p, QRect r) {
  p.setPen(kInk);
  p.setBrush(QColor(150, 210, 255));
  p.drawRect(r);
  p.setPen(kInk);
  p.setBrush(kGreen);
  // A small walking figure on the picture.
  const QPoint h(r.center().x(), r.top() + 3);
  p.drawEllipse(h, 1, 1);
  p.drawLine(h + QPoint(0, 2), h + QPoint(0, 5));
  p.drawLine(h + QPoint(0, 5), h + QPoint(-2, 8));
  p.drawLine(h + QPoint(0, 5), h + QPoint(2, 8));
  p.drawLine(h + QPoint(-2, 3), h + QPoint(2, 4));
}

void draw(QPainter& p, ToolbarPicture picture) {
  switch (picture) {
    case ToolbarPicture::BlankSheet:  // blank sheet with yellow rays
      sheet(p, QRect(2, 3, 10, 12), false);
      rays(p, QPoint(12, 3));
      break;
    case ToolbarPicture::WrittenSheet:  // written sheet with yellow rays
      sheet(p, QRect(2, 3, 10, 12), true);
      rays(p, QPoint(12, 3));
      break;
    case ToolbarPicture::SheetIntoTray:  // written sheet, red arrow down into a tray
      sheet(p, QRect(1, 0, 8, 9), true);
      p.setPen(QPen(kRed, 2));
      p.drawLine(11, 1, 11, 8);
      p.setPen(kRed);
      p.setBrush(kRed);
      p.drawPolygon(QPolygon({QPoint(8, 7), QPoint(14, 7), QPoint(11, 11)}));
      p.setPen(kInk);
      p.setBrush(QColor(160, 160, 160));
      p.drawRect(2, 12, 12, 3);
      break;
    case ToolbarPicture::WindowOverDisk:  // window with a red title bar over a floppy disk
      p.setPen(kInk);
      p.setBrush(QColor(40, 40, 120));
      p.drawRect(5, 6, 10, 9);
      p.setBrush(kPaper);
      p.drawRect(7, 6, 6, 3);
      p.setBrush(kPaper);
      p.drawRect(0, 0, 10, 8);
      p.fillRect(1, 1, 9, 2, kRed);
      break;
    case ToolbarPicture::SheetStack:  // a stack of sheets
      sheet(p, QRect(5, 1, 9, 10), false);
      sheet(p, QRect(3, 3, 9, 10), false);
      sheet(p, QRect(1, 5, 9, 10), true);
      break;
    case ToolbarPicture::LetterA: {  // a black letter A
      QFont f = letterFont(15);
      f.setStyleStrategy(QFont::NoAntialias);
      p.setFont(f);
      p.setPen(kInk);
      p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, QStringLiteral("A"));
      break;
    }
    case ToolbarPicture::WalkingFigure:  // a small picture of a walking figure
      landscape(p, QRect(1, 2, 13, 12));
      break;
    case ToolbarPicture::ArrowIntoFigure:  // the same picture with an arrow into it
      landscape(p, QRect(4, 4, 11, 11));
      p.setPen(QPen(kBlue, 2));
      p.drawLine(0, 0, 6, 6);
      p.setPen(kBlue);
      p.setBrush(kBlue);
      p.drawPolygon(QPolygon({QPoint(8, 8), QPoint(3, 7), QPoint(7, 3)}));
      break;
    case ToolbarPicture::Pencil:  // a pencil
      p.setPen(kInk);
      p.setBrush(kYellow);
      p.drawPolygon(QPolygon({QPoint(12, 1), QPoint(15, 4), QPoint(5, 14), QPoint(2, 11)}));
      p.setBrush(QColor(240, 200, 160));
      p.drawPolygon(QPolygon({QPoint(2, 11), QPoint(5, 14), QPoint(0, 15)}));
      break;
    case ToolbarPicture::QuestionMark: {  // a red question mark on a yellow disc
      p.setRenderHint(QPainter::Antialiasing);
      p.setPen(kInk);
      p.setBrush(kYellow);
      p.drawEllipse(QRectF(0.5, 0.5, 15, 15));
      p.setFont(letterFont(13));
      p.setPen(kRed);
      p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, QStringLiteral("?"));
      break;
    }
  }
}

}  // namespace

QImage toolbarImage(ToolbarPicture picture, int ratio) {
  QImage image(16 * ratio, 16 * ratio, QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(ratio);
  image.fill(Qt::transparent);
  QPainter p(&image);
  draw(p, picture);
  return image;
}

QIcon toolbarIcon(ToolbarPicture picture) {
  // Drawn again at twice the size for screens scaled past 100 %, rather than enlarged and blurred.
  QIcon icon;
  for (int ratio : {1, 2}) icon.addPixmap(QPixmap::fromImage(toolbarImage(picture, ratio)));
  return icon;
}

QImage applicationImage(int side) {
  QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(side / 32.0, side / 32.0);
  // A framed plate with a large "P" and a small picture: a logo being composed.
  p.setPen(QPen(QColor(30, 30, 90), 1.5));
  p.setBrush(QColor(250, 250, 240));
  p.drawRoundedRect(QRectF(1.5, 3.5, 29, 25), 3, 3);
  p.setBrush(QColor(150, 210, 255));
  p.setPen(Qt::NoPen);
  p.drawRect(QRectF(17, 8, 10, 8));
  p.setBrush(kGreen);
  p.drawPolygon(QPolygonF({QPointF(17, 16), QPointF(21, 11), QPointF(24, 14), QPointF(27, 10), QPointF(27, 16)}));
  p.setFont(letterFont(22));
  p.setPen(kRed);
  p.drawText(QRectF(3, 4, 14, 24), Qt::AlignCenter, QStringLiteral("P"));
  p.setPen(QPen(kBlue, 2));
  p.drawLine(QPointF(17, 22), QPointF(27, 22));
  return image;
}

QIcon applicationIcon() {
  QIcon icon;
  for (int side : {16, 32, 48, 64, 128, 256}) icon.addPixmap(QPixmap::fromImage(applicationImage(side)));
  return icon;
}
