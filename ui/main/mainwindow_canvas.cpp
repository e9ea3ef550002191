// Mouse editing on the canvas: a press selects and fills the panel; PointerDrag decides the hover
// and the drags, and this applies them to the controls.
#include "ui/main/mainwindow.h"

#include "model/fixedstring.h"
#include "render/fonts.h"
#include "ui/main/canvasview.h"
#include "ui/main/picturecontrol.h"
#include "ui/main/propertypanel.h"

#include <QAction>

void MainWindow::controlPressed(PictureControl* sender, Qt::MouseButton button, QPoint at) {
  if (button != Qt::LeftButton || !sender) return;
  selection_ = sender->partIndex();
  const TPartData* r = selection_ == BACKGROUND_INDEX ? nullptr : &document_.Parts[selection_];
  if (!r || r->Kind != pkText) {
    panel_->showSizeGroupOnly();
  } else {
    // A copy: the handlers the panel's writes set off store the same values into the record again.
    const TPartData record = *r;
    dialogs_->presetFont({fixedString(record.FontName), record.FontSize, record.FontStyle});
    panel_->showTextPart(record);
  }
  panel_->showWidth(sender->width());
  panel_->showHeight(sender->height());
  pointerDrag_.press(button, at, QSize(sender->width(), sender->height()));
  canvasView_->holdExtent(pointerDrag_.dragging());
}

void MainWindow::controlMoved(PictureControl* sender, QPoint at) {
  if (!sender) return;
  const bool background = sender == backgroundControl();
  if (!pointerDrag_.dragging()) {
    using Target = PointerDrag::Target;
    const Target target = background                                            ? Target::Background
                          : document_.Parts[sender->partIndex()].Kind == pkText ? Target::TextPart
                                                                                : Target::PicturePart;
    const PointerDrag::Locks locks{action(tagNoMove)->isChecked(), action(tagNoResize)->isChecked()};
    const PointerDrag::Mode mode = pointerDrag_.hover(at, QSize(sender->width(), sender->height()), target, locks);
    sender->setCursor(PointerDrag::cursorFor(mode));
    return;
  }
  const std::optional<PointerDrag::Step> step = pointerDrag_.move(at, sender->bounds(), background);
  if (!step) return;
  sender->setBounds(step->bounds);
  if (step->showWidth) panel_->showWidth(sender->width());
  if (step->showHeight) panel_->showHeight(sender->height());
}

void MainWindow::controlReleased(PictureControl*, Qt::MouseButton, QPoint) {
  pointerDrag_.release();
  canvasView_->holdExtent(false);
}

void MainWindow::selectPart(int index) {
  PictureControl* c = partControl(index);
  if (!c || index == BACKGROUND_INDEX) return;
  controlPressed(c, Qt::LeftButton, QPoint(c->width() / 2, c->height() / 2));
  pointerDrag_.release();
  canvasView_->holdExtent(false);
}

std::optional<QPoint> MainWindow::partCentreOnScreen(int index) const {
  const PictureControl* c = index == BACKGROUND_INDEX ? nullptr : partControl(index);
  if (!c) return std::nullopt;
  return canvas()->mapToGlobal(QPoint(c->left() + c->width() / 2, c->top() + c->height() / 2));
}
