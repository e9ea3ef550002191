// The property panel: it shows the composition's selection, and what the user does there becomes
// the composition's edits.
#include "ui/main/mainwindow.h"

#include "model/fixedstring.h"
#include "ui/main/errorreport.h"
#include "ui/main/propertypanel.h"

void MainWindow::createPanel() {
  panel_ = new PropertyPanel(this);
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
}

void MainWindow::showSelection() {
  if (!composition_->selectionShown()) {
    panel_->reset();
    return;
  }
  const int index = composition_->selection();
  const TPartData* r = composition_->record(index);
  if (r && r->Kind == pkText) {
    dialogs_->presetFont({fixedString(r->FontName), r->FontSize, r->FontStyle});
    panel_->showTextPart(*r);
  } else {
    panel_->showSizeGroupOnly();
  }
  const Bounds b = composition_->bounds(index);
  panel_->showWidth(b.width);
  panel_->showHeight(b.height);
}

void MainWindow::chooseColour(Composition::TextColour role) {
  const TPartData* r = composition_->record(composition_->selection());
  if (!r || r->Kind != pkText) return;
  const std::optional<Colour> colour = dialogs_->chooseColour();
  if (!colour) return;
  panel_->showColour(role, *colour);
  composition_->setTextColour(role, *colour);
}

void MainWindow::chooseFont() {
  const TPartData* r = composition_->record(composition_->selection());
  if (!r || r->Kind != pkText) return;
  const std::optional<FontChoice> font = dialogs_->chooseFont();
  if (!font) return;
  composition_->setFont(font->face, font->points, font->style);
}

void MainWindow::resetPanel() { composition_->clearSelection(); }
