#include "edit/composition.h"

#include "edit/history.h"
#include "model/failure.h"
#include "model/fixedstring.h"
#include "model/paths.h"
#include "model/projectfile.h"
#include "render/logoexport.h"
#include "render/picturefile.h"
#include "render/raster.h"
#include "render/scene.h"
#include "render/textrender.h"

#include <QUndoStack>

#include <cstring>

Composition::Composition(int dpi, QObject* parent) : QObject(parent), dpi_(dpi), history_(new QUndoStack(this)) {
  clearDocument(doc_);
  lastSaved_ = doc_;
  background_.stretch = true;
  // Bytes of the block only, so a hundred steps of removals stay within a few megabytes.
  history_->setUndoLimit(100);
  // A merged step keeps its index and may change its name; the stack says so through
  // indexChanged too.
  connect(history_, &QUndoStack::indexChanged, this, &Composition::historyChanged);
}

Composition::~Composition() {
  // The views go with the window; none is told.
  if (drag_) drag_->drop();
}

const TPartData* Composition::record(int index) const {
  return index >= 0 && index < doc_.PartCount && index < MAX_PARTS ? &doc_.Parts[index] : nullptr;
}

Bounds Composition::bounds(int index) const {
  if (index == BACKGROUND_INDEX) return backgroundBounds(doc_);
  const TPartData* r = record(index);
  return r ? partBounds(*r) : Bounds{};
}

Layer Composition::layer(int index) const {
  if (index != BACKGROUND_INDEX && !record(index)) return {};
  const MadeLook& m = index == BACKGROUND_INDEX ? background_ : parts_[static_cast<size_t>(index)];
  return Layer{bounds(index), m.raster, m.stretch, m.transparent};
}

PartView Composition::part(int index) const {
  PartView view;
  view.index = index;
  view.bounds = bounds(index);
  if (index == BACKGROUND_INDEX) {
    view.kind = PartView::Kind::Background;
    return view;
  }
  const TPartData* r = record(index);
  if (!r) return {};
  if (r->Kind == pkPicture) {
    view.kind = PartView::Kind::Picture;
    view.name = pathFileName(fixedString(r->FileName));
  } else if (r->Kind == pkText) {
    view.kind = PartView::Kind::Text;
    view.name = view.text = fixedString(r->Text);
    view.font = {fixedString(r->FontName), r->FontSize, r->FontStyle};
    view.textColour = r->TextColor;
    view.fillColour = r->FillColor;
    view.fillOn = r->FillOn != 0;
    view.shadowColour = r->ShadowColor;
    view.shadowX = r->ShadowX;
    view.shadowY = r->ShadowY;
  }
  return view;
}

QString Composition::hint(int index) const {
  if (index == BACKGROUND_INDEX) return QStringLiteral("背景");
  const TPartData* r = record(index);
  if (!r) return {};
  if (r->Kind == pkText) return fixedString(r->Text);
  // A picture that could not be loaded has no name to show.
  if (r->Kind == pkPicture && !parts_[static_cast<size_t>(index)].raster.isNull())
    return pathFileName(fixedString(r->FileName));
  return {};
}

std::vector<std::optional<Layer>> Composition::madeLayers() const {
  std::vector<std::optional<Layer>> layers;
  layers.reserve(static_cast<size_t>(doc_.PartCount) + 1);
  layers.emplace_back(layer(BACKGROUND_INDEX));
  for (int i = 0; i < doc_.PartCount; ++i) layers.emplace_back(layer(i));
  return layers;
}

void Composition::changed() {
  modified_ = std::memcmp(&doc_, &lastSaved_, sizeof doc_) != 0;
  Q_EMIT blockChanged();
}

void Composition::markSaved() {
  lastSaved_ = doc_;
  changed();
}

void Composition::markUnsaved() {
  // No block a file can hold has a part count of -1, so nothing the user does makes this one.
  std::memset(&lastSaved_, 0xFF, sizeof lastSaved_);
  changed();
}

void Composition::saveProject(const QString& path) {
  writeProjectFile(path, doc_);
  markSaved();
}

std::optional<QImage> Composition::logoImage(const LogoOptions& options) const {
  if (doc_.PartCount <= 0) return std::nullopt;
  PendingScene layers(doc_, dpi_, false, madeLayers(), options);
  return composeLogo(layers, options.backdrop);
}

bool Composition::saveLogo(const QString& path, const LogoOptions& options) const {
  PendingScene layers(doc_, dpi_, logoBandsUpward(path), madeLayers(), options);
  return exportLogo(path, layers, options.backdrop);
}

void Composition::startNew(QPoint backgroundTopLeft) {
  dropDrag();
  clearDocument(doc_);
  parts_ = {};
  doc_.BackColor = clWhite;
  setBackgroundBounds(doc_,
                      {backgroundTopLeft.x(), backgroundTopLeft.y(), NEW_BACKGROUND_WIDTH, NEW_BACKGROUND_HEIGHT});
  background_ = MadeLook{makeWhiteRaster(NEW_BACKGROUND_WIDTH, NEW_BACKGROUND_HEIGHT), true, false};
  startedAfresh();
}

void Composition::startedAfresh() {
  history_->clear();
  finishEditRun();
  selection_ = BACKGROUND_INDEX;
  selectionShown_ = false;
  markSaved();
  Q_EMIT partsReset();
  Q_EMIT backgroundChanged();
  Q_EMIT selectionChanged();
}

Composition::Opened Composition::open(const QString& path, const std::function<bool()>& mayReplace) {
  if (!isProjectPath(path)) return {QStringLiteral("Pelmoraのﾌﾟﾛｼﾞｪｸﾄﾌｧｲﾙではありません"), {}};
  // Read and checked whole before anything of the composition is touched.
  TDocument opened;
  try {
    opened = readProjectFile(path);
  } catch (const ProjectFileRefused& refused) {
    return {refused.message(), {}};
  }
  if (!mayReplace()) return {{}, {}, true};
  Scene scene = makeScene(opened);
  dropDrag();
  doc_ = opened;
  background_ = MadeLook{std::move(scene.background.raster), true, false};
  keepParts(scene);
  startedAfresh();
  return {{}, scene.failedFiles};
}

Scene Composition::makeScene(const TDocument& doc) const {
  std::vector<std::optional<Layer>> given(static_cast<size_t>(std::clamp(doc.PartCount, 0, MAX_PARTS)) + 1);
  PendingScene pending(doc, dpi_, false, std::move(given));
  return pending.take();
}

void Composition::keepParts(const Scene& scene) {
  parts_ = {};
  for (size_t i = 0; i < scene.parts.size(); ++i) keepPart(static_cast<int>(i), scene.parts[i]);
}

void Composition::keepPart(int index, const Layer& layer) {
  setPartBounds(doc_.Parts[index], layer.bounds);
  parts_[static_cast<size_t>(index)] = MadeLook{layer.raster, layer.stretch, layer.transparent};
}

std::optional<int> Composition::addTextPart() {
  if (!canAddPart()) return std::nullopt;
  const Recording step(*this, StepKind::AddText, doc_.PartCount);
  const int index = appendPart(doc_, pkText).Index;
  BuiltLayer built = buildPart(doc_.Parts[index], index, dpi_);
  keepPart(index, built.layer);
  changed();
  Q_EMIT partAdded(index);
  if (!built.failure.isEmpty()) throw Failure(built.failure);
  return index;
}

std::pair<TPartData, Layer> Composition::readPicturePart(const QString& path) const {
  TPartData record{};
  record.Kind = pkPicture;
  storeFixedPath(record.FileName, path);
  BuiltLayer built = buildPart(record, doc_.PartCount, dpi_);
  // A part whose picture cannot be read is not added at all.
  if (!built.failure.isEmpty()) throw Failure(built.failure);
  return {record, std::move(built.layer)};
}

std::optional<int> Composition::addPicturePart(const QString& path, std::optional<QPoint> at) {
  if (!canAddPart()) return std::nullopt;
  const Recording step(*this, StepKind::AddPicture, doc_.PartCount);
  auto [record, layer] = readPicturePart(path);
  if (at) layer.bounds = {at->x(), at->y(), layer.bounds.width, layer.bounds.height};
  setPartBounds(record, layer.bounds);
  return appendMade(record, MadeLook{std::move(layer.raster), layer.stretch, layer.transparent});
}

void Composition::removePart(int index) {
  if (!record(index)) return;
  const Recording step(*this, StepKind::Remove, index);
  removeMade(index);
}

void Composition::removeMade(int index) {
  removePartRecord(doc_, index);
  // The parts after it keep what they show: a removal reads no file and draws nothing again.
  std::move(parts_.begin() + index + 1, parts_.end(), parts_.begin() + index);
  parts_.back() = {};
  selection_ = BACKGROUND_INDEX;
  selectionShown_ = false;
  changed();
  Q_EMIT partsReset();
  Q_EMIT selectionChanged();
}

void Composition::select(int index) {
  if (index != BACKGROUND_INDEX && !record(index)) return;
  finishEditRun();
  selection_ = index;
  selectionShown_ = true;
  Q_EMIT selectionChanged();
}

void Composition::clearSelection() {
  finishEditRun();
  selection_ = BACKGROUND_INDEX;
  selectionShown_ = false;
  Q_EMIT selectionChanged();
}

void Composition::placePart(int index, const Bounds& bounds) {
  if (index == BACKGROUND_INDEX) {
    if (backgroundBounds(doc_) == bounds) return;
    setBackgroundBounds(doc_, bounds);
    changed();
    Q_EMIT backgroundChanged();
    return;
  }
  if (!record(index) || partBounds(doc_.Parts[index]) == bounds) return;
  setPartBounds(doc_.Parts[index], bounds);
  changed();
  Q_EMIT partChanged(index);
}

void Composition::setSelectedSize(Qt::Orientation axis, int value) {
  Bounds b = bounds(selection_);
  (axis == Qt::Horizontal ? b.width : b.height) = value;
  const Recording step(*this, axis == Qt::Horizontal ? StepKind::TypedWidth : StepKind::TypedHeight, selection_);
  placePart(selection_, b);
}

void Composition::nudgeSelected(int dx, int dy) {
  Bounds b = bounds(selection_);
  b.left = clampToInt(qint64{b.left} + dx);
  b.top = clampToInt(qint64{b.top} + dy);
  const Recording step(*this, StepKind::Nudge, selection_);
  placePart(selection_, b);
}

TPartData* Composition::selectedText() {
  if (!record(selection_) || doc_.Parts[selection_].Kind != pkText) return nullptr;
  return &doc_.Parts[selection_];
}

void Composition::redrawText(int index) {
  TPartData& r = doc_.Parts[index];
  MadeLook& m = parts_[static_cast<size_t>(index)];
  m.transparent = r.FillOn != 1;
  // Without a raster until the drawing succeeds: a failure leaves the part showing nothing, at the
  // size it had.
  m.raster = {};
  try {
    TextRaster text = renderTextPart(r, dpi_);
    r.Width = text.controlSize.width();
    r.Height = text.controlSize.height();
    m.raster = std::move(text.raster);
  } catch (...) {
    changed();
    Q_EMIT partChanged(index);
    throw;
  }
  changed();
  Q_EMIT partChanged(index);
}

void Composition::setText(const QString& text) {
  TPartData* r = selectedText();
  if (!r) return;
  const Recording step(*this, StepKind::Text, selection_);
  if (!storeFixedString(r->Text, text)) return;
  redrawText(selection_);
}

void Composition::setTextColour(TextColour role, Colour colour) {
  TPartData* r = selectedText();
  if (!r) return;
  const StepKind kinds[] = {StepKind::TextColour, StepKind::FillColour, StepKind::ShadowColour};
  const Recording step(*this, kinds[static_cast<int>(role)], selection_);
  switch (role) {
    case TextColour::Text: r->TextColor = colour; break;
    case TextColour::Fill: r->FillColor = colour; break;
    case TextColour::Shadow: r->ShadowColor = colour; break;
  }
  redrawText(selection_);
}

void Composition::setFont(const QString& face, int points, std::uint8_t style) {
  TPartData* r = selectedText();
  if (!r) return;
  const Recording step(*this, StepKind::Font, selection_);
  if (face != fixedString(r->FontName)) {
    if (!fitsCodePage(face)) throw Failure(QStringLiteral("フォント %1 は使えません").arg(face));
    storeFixedString(r->FontName, face);
  }
  r->FontSize = points;
  r->FontStyle = style;
  redrawText(selection_);
}

void Composition::setFill(bool on) {
  TPartData* r = selectedText();
  if (!r) return;
  const Recording step(*this, StepKind::Fill, selection_);
  r->FillOn = on ? 1 : 0;
  redrawText(selection_);
}

void Composition::setShadowOffset(Qt::Orientation axis, int offset) {
  TPartData* r = selectedText();
  if (!r) return;
  const Recording step(*this, axis == Qt::Horizontal ? StepKind::ShadowX : StepKind::ShadowY, selection_);
  (axis == Qt::Horizontal ? r->ShadowX : r->ShadowY) = offset;
  redrawText(selection_);
}

void Composition::setBackgroundPicture(const QString& path) {
  char field[FIXED_STRING_SIZE] = {};
  storeFixedPath(field, path);  // refuses a path the record cannot hold, before anything changes
  QImage picture = loadPictureFile(path);
  const Recording step(*this, StepKind::BackgroundPicture, BACKGROUND_INDEX);
  Bounds b = backgroundBounds(doc_);
  if (!picture.isNull()) {
    b.width = picture.width();
    b.height = picture.height();
  }
  background_.raster = std::move(picture);
  setBackgroundBounds(doc_, b);
  std::memcpy(doc_.BackFile, field, sizeof field);
  changed();
  Q_EMIT backgroundChanged();
}

void Composition::fillBackground(Colour colour) {
  const Recording step(*this, StepKind::BackgroundFill, BACKGROUND_INDEX);
  std::memset(doc_.BackFile, 0, sizeof doc_.BackFile);
  doc_.BackColor = colour;
  // Without a raster until the fill is made, as when a fill too large for memory fails.
  background_.raster = {};
  changed();
  const Bounds b = backgroundBounds(doc_);
  try {
    QImage raster = makeWhiteRaster(std::max(b.width, 0), std::max(b.height, 0));
    if (!raster.isNull()) raster.fill(QColor(rgbFromColour(colour)));
    background_.raster = std::move(raster);
  } catch (...) {
    Q_EMIT backgroundChanged();
    throw;
  }
  Q_EMIT backgroundChanged();
}
