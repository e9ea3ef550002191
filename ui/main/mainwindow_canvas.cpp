// Mouse editing on the canvas: a press selects and fills the panel; PointerDrag decides the hover
// and the drags, and this applies them to the controls.
#include "ui/main/mainwindow.h"

#include "model/fixedstring.h"
#include "render/fonts.h"
#include "ui/main/colourpanel.h"
#include "ui/main/picturecontrol.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>

void MainWindow::controlPressed(PictureControl* sender, Qt::MouseButton button, QPoint at) {
  if (button != Qt::LeftButton || !sender) return;
  selection = sender->tag();
  const TPartData* r = selection == BACKGROUND_TAG ? nullptr : &Document.Parts[selection];
  if (!r || r->Kind != pkText) {
    textGroup->setEnabled(false);
    sizeGroup->setEnabled(true);
    clearTextControls();
  } else {
    // Enabled first, then every control gets the value the record already holds: the handlers
    // this sets off store the same values again.
    textGroup->setEnabled(true);
    sizeGroup->setEnabled(false);
    const TPartData record = *r;
    textColourPanel->setColour(record.TextColor);
    fillColourPanel->setColour(record.FillColor);
    textEdit->setText(fixedString(record.Text));
    dialogs_->presetFont({fixedString(record.FontName), record.FontSize, record.FontStyle});
    fillCheck->setChecked(record.FillOn != 0);
    shadowColourPanel->setColour(record.ShadowColor);
    showShadowOffsets(record.ShadowX, record.ShadowY);
  }
  showSize(sender);
  pointerDrag_.press(button, at, QSize(sender->width(), sender->height()));
}

void MainWindow::showSize(const PictureControl* control) {
  widthEdit->setText(QString::number(control->width()));
  heightEdit->setText(QString::number(control->height()));
}

void MainWindow::controlMoved(PictureControl* sender, QPoint at) {
  if (!sender) return;
  const bool background = sender == backgroundControl;
  if (!pointerDrag_.dragging()) {
    using Target = PointerDrag::Target;
    const Target target = background                                     ? Target::Background
                          : Document.Parts[sender->tag()].Kind == pkText ? Target::TextPart
                                                                         : Target::PicturePart;
    const PointerDrag::Locks locks{noMoveAction->isChecked(), noResizeAction->isChecked()};
    const DragMode mode = pointerDrag_.hover(at, QSize(sender->width(), sender->height()), target, locks);
    sender->setCursor(PointerDrag::cursorFor(mode));
    return;
  }
  const std::optional<PointerDrag::Step> step = pointerDrag_.move(at, sender->bounds(), background);
  if (!step) return;
  sender->setBounds(step->bounds);
  if (step->showWidth) widthEdit->setText(QString::number(sender->width()));
  if (step->showHeight) heightEdit->setText(QString::number(sender->height()));
}

void MainWindow::controlReleased(PictureControl*, Qt::MouseButton, QPoint) {
  pointerDrag_.release();
  updateCanvasExtent();
}

void MainWindow::selectPart(int index) {
  PictureControl* c = controlOf(index);
  if (!c || index == BACKGROUND_TAG) return;
  controlPressed(c, Qt::LeftButton, QPoint(c->width() / 2, c->height() / 2));
  pointerDrag_.release();
}

std::optional<QPoint> MainWindow::partCentreOnScreen(int index) const {
  const PictureControl* c = index == BACKGROUND_TAG ? nullptr : controlOf(index);
  if (!c) return std::nullopt;
  return canvas->mapToGlobal(QPoint(c->left() + c->width() / 2, c->top() + c->height() / 2));
}
