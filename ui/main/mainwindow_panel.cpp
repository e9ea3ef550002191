// The property panel's edits, written into the selected part's record or control.
#include "ui/main/mainwindow.h"

#include "model/failure.h"
#include "model/fixedstring.h"
#include "render/fonts.h"
#include "render/raster.h"
#include "ui/main/errorreport.h"
#include "ui/main/picturecontrol.h"
#include "ui/main/propertypanel.h"

void MainWindow::createPanel() {
  panel_ = new PropertyPanel(this);
  using Panel = PropertyPanel;
  connect(panel_, &Panel::textEdited, this, [this](const QString& text) { guarded([&] { textEdited(text); }); });
  connect(panel_, &Panel::sizeTyped, this,
          [this](Qt::Orientation axis, int value) { guarded([&] { sizeEdited(axis, value); }); });
  connect(panel_, &Panel::colourClicked, this,
          [this](Panel::ColourRole role) { guarded([&] { chooseColour(role); }); });
  connect(panel_, &Panel::fontClicked, this, [this] { guarded([&] { chooseFont(); }); });
  connect(panel_, &Panel::fillToggled, this, [this](bool on) { guarded([&] { fillToggled(on); }); });
  connect(panel_, &Panel::shadowOffsetEdited, this,
          [this](Qt::Orientation axis, int offset) { guarded([&] { shadowOffsetEdited(axis, offset); }); });
  connect(panel_, &Panel::nudged, this, [this](int dx, int dy) { guarded([&] { nudge(dx, dy); }); });
}

PictureControl* MainWindow::partControl(int index) const {
  if (index == BACKGROUND_INDEX) return backgroundControl();
  return index >= 0 && index < MAX_PARTS ? partControls_[static_cast<size_t>(index)] : nullptr;
}

PictureControl* MainWindow::selectedControl() const { return partControl(selection_); }

void MainWindow::updateTextPart(int index, const TPartData& record) {
  if (index < 0 || index >= document_.PartCount || document_.Parts[index].Kind != pkText) return;
  TPartData& r = document_.Parts[index];
  r = record;
  r.Kind = pkText;
  r.Index = index;
  partControl(index)->setTransparent(r.FillOn != 1);
  redrawTextPart(r);
}

TPartData* MainWindow::selectedTextRecord() {
  if (selection_ < 0 || selection_ >= document_.PartCount || selection_ >= MAX_PARTS) return nullptr;
  TPartData& r = document_.Parts[selection_];
  return r.Kind == pkText ? &r : nullptr;
}

void MainWindow::sizeEdited(Qt::Orientation axis, int value) {
  PictureControl* c = selectedControl();
  if (!c) return;
  if (axis == Qt::Horizontal)
    c->setWidth(value);
  else
    c->setHeight(value);
}

void MainWindow::textEdited(const QString& text) {
  TPartData* r = selectedTextRecord();
  if (!r) return;
  // Only the user's edit changes the record. The text it already holds, shown again when the part
  // is selected, leaves its bytes as they were, even bytes that are no valid Shift-JIS.
  if (text != fixedString(r->Text) && !storeFixedString(r->Text, text))
    return;  // the validator keeps such characters out of the edit
  selectedControl()->setHint(fixedString(r->Text));
  redrawTextPart(*r);
}

void MainWindow::chooseColour(PropertyPanel::ColourRole role) {
  TPartData* r = selectedTextRecord();
  if (!r) return;
  const std::optional<Colour> colour = dialogs_->chooseColour();
  if (!colour) return;
  panel_->showColour(role, *colour);
  switch (role) {
    case PropertyPanel::ColourRole::Text: r->TextColor = *colour; break;
    case PropertyPanel::ColourRole::Fill: r->FillColor = *colour; break;
    case PropertyPanel::ColourRole::Shadow: r->ShadowColor = *colour; break;
  }
  redrawTextPart(*r);
}

void MainWindow::chooseFont() {
  TPartData* r = selectedTextRecord();
  if (!r) return;
  const std::optional<FontChoice> font = dialogs_->chooseFont();
  if (!font) return;
  // The face is written only when the user chose another, so a name stored in bytes of its own
  // (or drawn through a substitute) stays exactly as it was.
  if (font->face != fixedString(r->FontName)) {
    if (!fitsCodePage(font->face)) throw Failure(QStringLiteral("フォント %1 は使えません").arg(font->face));
    storeFixedString(r->FontName, font->face);
  }
  r->FontSize = font->points;
  r->FontStyle = font->style;
  redrawTextPart(*r);
}

void MainWindow::nudge(int dx, int dy) {
  PictureControl* c = selectedControl();
  if (!c) return;
  c->setLeft(clampToInt(qint64{c->left()} + dx));
  c->setTop(clampToInt(qint64{c->top()} + dy));
}

void MainWindow::fillToggled(bool on) {
  TPartData* r = selectedTextRecord();
  if (!r) return;
  r->FillOn = on ? 1 : 0;
  selectedControl()->setTransparent(r->FillOn != 1);
  redrawTextPart(*r);
}

void MainWindow::shadowOffsetEdited(Qt::Orientation axis, int offset) {
  TPartData* r = selectedTextRecord();
  if (!r) return;
  (axis == Qt::Horizontal ? r->ShadowX : r->ShadowY) = offset;
  redrawTextPart(*r);
}

void MainWindow::resetPanel() {
  panel_->reset();
  selection_ = BACKGROUND_INDEX;
}
