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

#include <algorithm>
#include <cstring>
#include <exception>
#include <limits>
#include <numeric>

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
  selection_ = Selection::background(false);
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
  Recording step(*this, StepKind::AddText, selection_, doc_.PartCount);
  const int index = appendPart(doc_, pkText).Index;
  step.selectAfter(Selection::ofParts({index}));
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
  Recording step(*this, StepKind::AddPicture, selection_, doc_.PartCount);
  auto [record, layer] = readPicturePart(path);
  if (at) layer.bounds = {at->x(), at->y(), layer.bounds.width, layer.bounds.height};
  setPartBounds(record, layer.bounds);
  const int index = appendMade(record, MadeLook{std::move(layer.raster), layer.stretch, layer.transparent});
  step.selectAfter(Selection::ofParts({index}));
  return index;
}

void Composition::removePart(int index) {
  if (!record(index)) return;
  Recording step(*this, StepKind::Remove, index);
  step.selectAfter(Selection::background(false));
  removeMade({index});
}

void Composition::removeSelected() {
  if (!partSelected()) return;
  Recording step(*this, StepKind::Remove, selection_, selection_.parts().front());
  step.selectAfter(Selection::background(false));
  removeMade(selection_.parts());
}

void Composition::removeMade(const std::vector<int>& indices) {
  // From the last, so that each index still names its part; the parts after each keep what they
  // show: a removal reads no file and draws nothing again.
  for (auto i = indices.rbegin(); i != indices.rend(); ++i) {
    removePartRecord(doc_, *i);
    std::move(parts_.begin() + *i + 1, parts_.end(), parts_.begin() + *i);
    parts_.back() = {};
  }
  selection_ = Selection::background(false);
  changed();
  Q_EMIT partsReset();
  Q_EMIT selectionChanged();
}

Selection Composition::selectionOf(int index) {
  return index == BACKGROUND_INDEX ? Selection::background() : Selection::ofParts({index});
}

void Composition::setSelection(Selection selection) {
  finishEditRun();
  selection_ = std::move(selection);
  Q_EMIT selectionChanged();
}

void Composition::select(int index) {
  if (index != BACKGROUND_INDEX && !record(index)) return;
  setSelection(selectionOf(index));
}

void Composition::toggleSelected(int index) {
  if (!record(index)) return;
  std::vector<int> parts = selection_.parts();
  if (const auto at = std::find(parts.begin(), parts.end(), index); at != parts.end())
    parts.erase(at);
  else
    parts.push_back(index);
  setSelection(Selection::ofParts(std::move(parts)));
}

void Composition::selectParts(const std::vector<int>& indices, bool add) {
  std::vector<int> parts = add ? selection_.parts() : std::vector<int>{};
  for (const int i : indices)
    if (record(i)) parts.push_back(i);
  // A band that caught nothing more leaves a selection it was to add to as it was.
  if (add && parts.size() == selection_.parts().size()) return;
  setSelection(Selection::ofParts(std::move(parts)));
}

void Composition::selectAll() {
  if (doc_.PartCount <= 0) return;
  std::vector<int> parts(static_cast<size_t>(doc_.PartCount));
  std::iota(parts.begin(), parts.end(), 0);
  setSelection(Selection::ofParts(std::move(parts)));
}

void Composition::clearSelection() { setSelection(Selection::background(false)); }

Bounds Composition::selectionBox() const {
  if (const std::optional<int> one = selection_.single()) return bounds(*one);
  qint64 left = std::numeric_limits<qint64>::max(), top = left;
  qint64 right = std::numeric_limits<qint64>::min(), bottom = right;
  for (const int i : selection_.parts()) {
    const Bounds b = bounds(i);
    left = std::min<qint64>(left, b.left);
    top = std::min<qint64>(top, b.top);
    right = std::max(right, qint64{b.left} + b.width);
    bottom = std::max(bottom, qint64{b.top} + b.height);
  }
  return {clampToInt(left), clampToInt(top), clampToInt(right - left), clampToInt(bottom - top)};
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

void Composition::moveParts(const std::vector<int>& indices, const TDocument& from, qint64 dx, qint64 dy) {
  std::vector<int> moved;
  for (const int i : indices) {
    if (!record(i)) continue;
    Bounds b = partBounds(from.Parts[i]);
    b.left = clampToInt(b.left + dx);
    b.top = clampToInt(b.top + dy);
    if (partBounds(doc_.Parts[i]) == b) continue;
    setPartBounds(doc_.Parts[i], b);
    moved.push_back(i);
  }
  if (moved.empty()) return;
  changed();
  for (const int i : moved) Q_EMIT partChanged(i);
}

void Composition::setSelectedSize(Qt::Orientation axis, int value) {
  const std::optional<int> one = selection_.single();
  if (!one) return;
  Bounds b = bounds(*one);
  (axis == Qt::Horizontal ? b.width : b.height) = value;
  const Recording step(*this, axis == Qt::Horizontal ? StepKind::TypedWidth : StepKind::TypedHeight, *one);
  placePart(*one, b);
}

void Composition::nudgeSelected(int dx, int dy) {
  if (selection_.isBackground()) {
    Bounds b = bounds(BACKGROUND_INDEX);
    b.left = clampToInt(qint64{b.left} + dx);
    b.top = clampToInt(qint64{b.top} + dy);
    const Recording step(*this, StepKind::Nudge, BACKGROUND_INDEX);
    placePart(BACKGROUND_INDEX, b);
    return;
  }
  const Recording step(*this, StepKind::Nudge, selection_, selection_.parts().front());
  moveParts(selection_.parts(), doc_, dx, dy);
}

TPartData* Composition::selectedText() {
  const std::optional<int> one = selection_.single();
  if (!one || !record(*one) || doc_.Parts[*one].Kind != pkText) return nullptr;
  return &doc_.Parts[*one];
}

std::vector<int> Composition::selectedTexts() const {
  const std::vector<int>& parts = selection_.parts();
  const bool allText = std::all_of(parts.begin(), parts.end(), [this](int i) { return doc_.Parts[i].Kind == pkText; });
  return allText ? parts : std::vector<int>{};
}

void Composition::editTexts(StepKind kind, const std::function<void(TPartData&)>& edit) {
  const std::vector<int> texts = selectedTexts();
  if (texts.empty()) return;
  const Recording step(*this, kind, selection_, texts.front());
  std::exception_ptr failure;
  for (const int i : texts) {
    edit(doc_.Parts[i]);
    try {
      redrawText(i);
    } catch (...) {
      if (!failure) failure = std::current_exception();
    }
  }
  if (failure) std::rethrow_exception(failure);
}

std::optional<Composition::SharedText> Composition::sharedText() const {
  const std::vector<int> texts = selectedTexts();
  if (texts.empty()) return std::nullopt;
  const PartView first = part(texts.front());
  SharedText shared{first.font,   first.textColour, first.fillColour, first.shadowColour,
                    first.fillOn, first.shadowX,    first.shadowY};
  const auto keepIfSame = [](auto& field, const auto& value) {
    if (field && *field != value) field.reset();
  };
  for (const int i : texts) {
    const PartView p = part(i);
    keepIfSame(shared.font, p.font);
    keepIfSame(shared.textColour, p.textColour);
    keepIfSame(shared.fillColour, p.fillColour);
    keepIfSame(shared.shadowColour, p.shadowColour);
    keepIfSame(shared.fillOn, p.fillOn);
    keepIfSame(shared.shadowX, p.shadowX);
    keepIfSame(shared.shadowY, p.shadowY);
  }
  return shared;
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
  const int index = *selection_.single();
  const Recording step(*this, StepKind::Text, index);
  if (!storeFixedString(r->Text, text)) return;
  redrawText(index);
}

void Composition::setTextColour(TextColour role, Colour colour) {
  const StepKind kinds[] = {StepKind::TextColour, StepKind::FillColour, StepKind::ShadowColour};
  editTexts(kinds[static_cast<int>(role)], [role, colour](TPartData& r) {
    switch (role) {
      case TextColour::Text: r.TextColor = colour; break;
      case TextColour::Fill: r.FillColor = colour; break;
      case TextColour::Shadow: r.ShadowColor = colour; break;
    }
  });
}

void Composition::setFont(const QString& face, int points, std::uint8_t style) {
  // Refused before any part changes.
  for (const int i : selectedTexts())
    if (face != fixedString(doc_.Parts[i].FontName) && !fitsCodePage(face))
      throw Failure(QStringLiteral("フォント %1 は使えません").arg(face));
  editTexts(StepKind::Font, [&](TPartData& r) {
    if (face != fixedString(r.FontName)) storeFixedString(r.FontName, face);
    r.FontSize = points;
    r.FontStyle = style;
  });
}

void Composition::setFill(bool on) {
  editTexts(StepKind::Fill, [on](TPartData& r) { r.FillOn = on ? 1 : 0; });
}

void Composition::setShadowOffset(Qt::Orientation axis, int offset) {
  editTexts(axis == Qt::Horizontal ? StepKind::ShadowX : StepKind::ShadowY,
            [axis, offset](TPartData& r) { (axis == Qt::Horizontal ? r.ShadowX : r.ShadowY) = offset; });
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
