// The property panel: it shows the composition's selection, and what the user does there becomes
// the composition's edits.
#include "ui/window/mainwindow.h"

#include "ui/canvas/canvasview.h"
#include "ui/common/errorreport.h"
#include "ui/panel/propertypanel.h"

void MainWindow::createPanel() {
  panel_ = new PropertyPanel(this);
  panel_->useHistoryActions(undoAction_, redoAction_);
  using Panel = PropertyPanel;
  Composition& c = *composition_;
  connect(panel_, &Panel::textEdited, this, [&c](const QString& text) { guarded([&] { c.setText(text); }); });
  connect(panel_, &Panel::sizeTyped, this,
          [&c](Qt::Orientation axis, int value) { guarded([&] { c.setSelectedSize(axis, value); }); });
  connect(panel_, &Panel::colourClicked, this,
          [this](Panel::ColourRole role) { guarded([&] { chooseColour(role); }); });
  connect(panel_, &Panel::fontClicked, this, [this] { guarded([&] { chooseFont(); }); });
  connect(panel_, &Panel::fillToggled, this, [&c](bool on) { guarded([&] { c.setFill(on); }); });
  connect(panel_, &Panel::shadowOffsetEdited, this,
          [&c](Qt::Orientation axis, int offset) { guarded([&] { c.setShadowOffset(axis, offset); }); });
  connect(panel_, &Panel::nudged, this, [&c](int dx, int dy) { guarded([&] { c.nudgeSelected(dx, dy); }); });
  connect(panel_, &Panel::typingFinished, composition_, &Composition::finishEditRun);
}

void MainWindow::showSelection() {
  const Selection& selection = composition_->selection();
  if (!selection.shown()) {
    panel_->reset();
    return;
  }
  if (selection.count() > 1) {
    const std::optional<Composition::SharedText> shared = composition_->sharedText();
    // The font dialog opens on the font they share, or on the first one's.
    if (shared) dialogs_->presetFont(shared->font.value_or(composition_->part(selection.parts().front()).font));
    panel_->showSeveral(shared);
    return;
  }
  const PartView part = composition_->part(selection.single().value_or(BACKGROUND_INDEX));
  if (part.kind == PartView::Kind::Text) {
    dialogs_->presetFont(part.font);
    panel_->showTextPart(part);
  } else {
    panel_->showSizeGroupOnly();
  }
  panel_->showWidth(part.bounds.width);
  panel_->showHeight(part.bounds.height);
}

void MainWindow::followSize(int index) {
  const Selection& selection = composition_->selection();
  if (selection.single() != index || !selection.shown()) return;
  const Bounds bounds = composition_->bounds(index);
  const PointerDrag& drag = canvasView_->pointerDrag();
  if (drag.dragging()) {
    // While the background or a picture is resized by a corner (the background by an edge too),
    // the size edits follow it, and only then.
    const PointerDrag::FollowedSizes followed = drag.followedSizes(index == BACKGROUND_INDEX);
    if (followed.width) panel_->showWidth(bounds.width);
    if (followed.height) panel_->showHeight(bounds.height);
  } else if (composition_->part(index).kind != PartView::Kind::Text) {
    // A text part's size is its string's; its size edits are greyed and keep what they showed.
    panel_->followSize(bounds.width, bounds.height);
  }
}

void MainWindow::chooseColour(Composition::TextColour role) {
  if (!composition_->sharedText()) return;
  const std::optional<Colour> colour = dialogs_->chooseColour();
  if (!colour) return;
  panel_->showColour(role, *colour);
  composition_->setTextColour(role, *colour);
}

void MainWindow::chooseFont() {
  if (!composition_->sharedText()) return;
  const std::optional<FontChoice> font = dialogs_->chooseFont();
  if (!font) return;
  composition_->setFont(font->face, font->points, font->style);
}

void MainWindow::resetPanel() { composition_->clearSelection(); }
