// Mouse editing on the canvas: selection by press, hover zones, drags, and their locks.
#include "ui/main/tmain.h"

#include "model/fixedstring.h"
#include "render/fonts.h"
#include "ui/main/colourpanel.h"
#include "ui/main/picturecontrol.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>

namespace {

constexpr int kBand = 4;  // depth of the edge and corner zones

Qt::CursorShape cursorFor(int mode) {
  switch (mode) {
    case 1: return Qt::PointingHandCursor;
    case 2: case 3: return Qt::SizeVerCursor;
    case 4: case 5: return Qt::SizeHorCursor;
    case 6: case 9: return Qt::SizeFDiagCursor;
    case 7: case 8: return Qt::SizeBDiagCursor;
    default: return Qt::ArrowCursor;
  }
}

// The zone under (x, y) of a control w by h. The right and bottom edges are one pixel thinner
// than the corners: the comparisons differ on purpose.
int zoneAt(int x, int y, int w, int h) {
  if (x < kBand && y < kBand) return 6;
  if (x >= w - kBand && y < kBand) return 7;
  if (x < kBand && y >= h - kBand) return 8;
  if (x >= w - kBand && y >= h - kBand) return 9;
  if (y < kBand) return 2;
  if (y > h - kBand) return 3;
  if (x < kBand) return 4;
  if (x > w - kBand) return 5;
  return 1;
}

}  // namespace

void TMain::ImageMouseDown(PictureControl* sender, Qt::MouseButton button, QPoint at) {
  if (button != Qt::LeftButton || !sender) return;
  Tag = sender->tag();
  const TPartData* r = Tag == BACKGROUND_TAG ? nullptr : &Document.Parts[Tag];
  if (!r || r->Kind != pkText) {
    FGB->setEnabled(false);
    BGB->setEnabled(true);
    clearTextControls();
  } else {
    // Enabled first, then every control gets the value the record already holds: the handlers
    // this sets off store the same values again.
    FGB->setEnabled(true);
    BGB->setEnabled(false);
    const TPartData record = *r;
    FCol->setColour(record.TextColor);
    FBac->setColour(record.FillColor);
    FStr->setText(fixedString(record.Text));
    dialogs_->presetFont({fixedString(record.FontName), record.FontSize, record.FontStyle});
    FBfl->setChecked(record.FillOn != 0);
    FShaC->setColour(record.ShadowColor);
    showShadowOffsets(record.ShadowX, record.ShadowY);
  }
  showSize(sender);
  DownX = at.x();
  DownY = at.y();
  DownWidth = sender->width();
  DownHeight = sender->height();
  DragMode = HoverMode;
}

void TMain::showSize(const PictureControl* control) {
  ItemX->setText(QString::number(control->width()));
  ItemY->setText(QString::number(control->height()));
}

void TMain::ImageMouseMove(PictureControl* sender, QPoint at) {
  if (!sender) return;
  const int x = at.x();
  const int y = at.y();
  const bool background = sender == Image;
  if (DragMode == 0) {
    const int tag = sender->tag();
    if (!background && Document.Parts[tag].Kind == pkText) {
      sender->setCursor(Qt::PointingHandCursor);
      HoverMode = 1;
      return;
    }
    int mode = zoneAt(x, y, sender->width(), sender->height());
    Qt::CursorShape cursor = cursorFor(mode);
    if (background && ((mode == 1 && MM4_3->isChecked()) || (mode >= 2 && MM4_4->isChecked()))) {
      mode = 0;
      cursor = Qt::ArrowCursor;
    }
    sender->setCursor(cursor);
    HoverMode = mode;
    return;
  }

  // Each mode's row: left, top, width, height. Moving sides step with the pointer's travel since
  // the last event; staying sides count from the press.
  const Bounds b = sender->bounds();
  const qint64 L = b.left, T = b.top, W = b.width, H = b.height;
  const qint64 dx = qint64{x} - DownX, dy = qint64{y} - DownY;
  const qint64 pressW = qint64{DownWidth} + dx, pressH = qint64{DownHeight} + dy;
  qint64 left = L, top = T, width = W, height = H;
  bool widthEdit = false;
  bool heightEdit = false;
  switch (DragMode) {
    case 1: left = L + dx; top = T + dy; break;
    case 2: top = T + dy; height = H - dy; heightEdit = background; break;
    case 3: height = pressH; heightEdit = background; break;
    case 4: left = L + dx; width = W - dx; widthEdit = background; break;
    case 5: width = pressW; widthEdit = background; break;
    case 6: left = L + dx; top = T + dy; width = W - dx; height = H - dy; widthEdit = heightEdit = true; break;
    case 7: top = T + dy; width = pressW; height = H - dy; widthEdit = heightEdit = true; break;
    case 8: left = L + dx; width = W - dx; height = pressH; widthEdit = heightEdit = true; break;
    case 9: width = pressW; height = pressH; widthEdit = heightEdit = true; break;
    default: return;
  }
  const Bounds n{clampToInt(left), clampToInt(top), clampToInt(width), clampToInt(height)};
  sender->setBounds(n);
  if (widthEdit) ItemX->setText(QString::number(sender->width()));
  if (heightEdit) ItemY->setText(QString::number(sender->height()));
}

void TMain::ImageMouseUp(PictureControl*, Qt::MouseButton, QPoint) {
  DragMode = 0;
  updateCanvasExtent();
}

void TMain::SelectPart(int index) {
  PictureControl* c = controlOf(index);
  if (!c || index == BACKGROUND_TAG) return;
  ImageMouseDown(c, Qt::LeftButton, QPoint(c->width() / 2, c->height() / 2));
  DragMode = 0;
}
