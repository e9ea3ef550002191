#include "edit/composition.h"

#include "edit/blockchange.h"
#include "model/failure.h"
#include "model/fixedstring.h"
#include "model/paths.h"
#include "model/projectfile.h"
#include "render/logoexport.h"
#include "render/picturefile.h"
#include "render/raster.h"
#include "render/scene.h"
#include "render/textrender.h"

#include <QUndoCommand>
#include <QUndoStack>

#include <cstring>

// What a step of the history did, which names it in the menu and says which steps run together.
enum class Composition::StepKind {
  AddText,
  AddPicture,
  Remove,
  Drag,  // a move or a resize, named by what it did
  Nudge,
  TypedWidth,
  TypedHeight,
  Text,
  TextColour,
  FillColour,
  Fill,
  ShadowColour,
  ShadowX,
  ShadowY,
  Font,
  BackgroundPicture,
  BackgroundFill,
};

namespace {

using StepKind = Composition::StepKind;

// A run of these edits of one part is one step: the typing in a field, the nudges, a drag.
bool runsTogether(StepKind kind) {
  switch (kind) {
    case StepKind::Drag:
    case StepKind::Nudge:
    case StepKind::TypedWidth:
    case StepKind::TypedHeight:
    case StepKind::Text:
    case StepKind::ShadowX:
    case StepKind::ShadowY: return true;
    default: return false;
  }
}

Bounds boundsIn(const TDocument& doc, int index) {
  return index == BACKGROUND_INDEX ? backgroundBounds(doc) : partBounds(doc.Parts[index]);
}

// The words of the edit menu, as the windows name the same things.
QString stepName(StepKind kind, const TDocument& before, const TDocument& after, int touched) {
  switch (kind) {
    case StepKind::AddText: return QStringLiteral("文字を追加");
    case StepKind::AddPicture: return QStringLiteral("画像を追加");
    case StepKind::Remove: return QStringLiteral("削除");
    case StepKind::Drag: {
      const Bounds a = boundsIn(before, touched), b = boundsIn(after, touched);
      return a.width == b.width && a.height == b.height ? QStringLiteral("移動") : QStringLiteral("ｻｲｽﾞ変更");
    }
    case StepKind::Nudge: return QStringLiteral("位置修正");
    case StepKind::TypedWidth:
    case StepKind::TypedHeight: return QStringLiteral("部品ｻｲｽﾞ");
    case StepKind::Text: return QStringLiteral("文字列");
    case StepKind::TextColour: return QStringLiteral("文字色");
    case StepKind::FillColour: return QStringLiteral("背景色");
    case StepKind::Fill: return QStringLiteral("背景色の有無");
    case StepKind::ShadowColour: return QStringLiteral("影の色");
    case StepKind::ShadowX: return QStringLiteral("影の横位置");
    case StepKind::ShadowY: return QStringLiteral("影の縦位置");
    case StepKind::Font: return QStringLiteral("ﾌｫﾝﾄ");
    case StepKind::BackgroundPicture: return QStringLiteral("背景の画像読み込み");
    case StepKind::BackgroundFill: return QStringLiteral("背景の塗り潰し");
  }
  return {};
}

// Whether two records make the same raster: everything but where they stand and their number.
bool drawsAlike(const TPartData& a, const TPartData& b) {
  TPartData x = a, y = b;
  for (TPartData* r : {&x, &y}) {
    setPartBounds(*r, {});
    r->Index = 0;
  }
  return std::memcmp(&x, &y, sizeof x) == 0;
}

bool sameBackgroundRaster(const TDocument& a, const TDocument& b) {
  return a.BackColor == b.BackColor && std::memcmp(a.BackFile, b.BackFile, sizeof a.BackFile) == 0;
}

}  // namespace

// One step of the history: the bytes it changed, the part it touched, and the run it belongs to.
// The history is kept in bytes of the block, never in rasters, so that it stays small; the
// rasters are made again from the records when a step is taken back or brought back.
class Composition::Step : public QUndoCommand {
public:
  Step(Composition& owner, StepKind kind, int touched, int run, const TDocument& before)
      : owner_(owner), kind_(kind), touched_(touched), run_(run), change_(before, owner.doc_) {
    setText(stepName(kind, before, owner.doc_, touched));
  }

  bool empty() const { return change_.empty(); }
  int id() const override { return runsTogether(kind_) ? static_cast<int>(kind_) : -1; }

  // `later` was done on top of this step, in the same run: the two become one step from this
  // step's start to the block as it stands now.
  bool mergeWith(const QUndoCommand* later) override {
    const auto* next = static_cast<const Step*>(later);
    if (next->touched_ != touched_ || next->run_ != run_) return false;
    TDocument start = owner_.doc_;
    next->change_.restoreBefore(start);
    change_.restoreBefore(start);
    change_ = BlockChange(start, owner_.doc_);
    setText(stepName(kind_, start, owner_.doc_, touched_));
    setObsolete(change_.empty());  // typed and then typed away again
    return true;
  }

  void undo() override {
    const TDocument from = owner_.doc_;
    change_.restoreBefore(owner_.doc_);
    // An added part is gone again; a removed one is back and selected.
    owner_.arrive(from,
                  kind_ == StepKind::AddText || kind_ == StepKind::AddPicture ? std::nullopt : std::optional(touched_));
  }

  void redo() override {
    // The edit itself has already been done when the step is pushed.
    if (std::exchange(pushed_, false)) return;
    const TDocument from = owner_.doc_;
    change_.restoreAfter(owner_.doc_);
    owner_.arrive(from, kind_ == StepKind::Remove ? std::nullopt : std::optional(touched_));
  }

private:
  Composition& owner_;
  StepKind kind_;
  int touched_;
  int run_;
  BlockChange change_;
  bool pushed_ = true;
};

// The block as it was when an edit began, made a step of the history when the edit is over,
// whether it ended normally or with a failure that left the block changed.
class Composition::Recording {
public:
  Recording(Composition& owner, StepKind kind, int touched)
      : owner_(owner), kind_(kind), touched_(touched), before_(owner.doc_) {}
  ~Recording() {
    try {
      owner_.recordStep(before_, kind_, touched_);
    } catch (...) {
      // Only memory can run out here; the edit stands, without its step.
    }
  }
  Recording(const Recording&) = delete;
  Recording& operator=(const Recording&) = delete;

private:
  Composition& owner_;
  StepKind kind_;
  int touched_;
  TDocument before_;
};

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

Composition::~Composition() = default;

void Composition::recordStep(const TDocument& before, StepKind kind, int touched) {
  auto step = std::make_unique<Step>(*this, kind, touched, editRun_, before);
  if (step->empty()) return;
  history_->push(step.release());
}

QStringList Composition::undo() {
  finishEditRun();
  arrivalFailures_.clear();
  history_->undo();
  return std::exchange(arrivalFailures_, {});
}

QStringList Composition::redo() {
  finishEditRun();
  arrivalFailures_.clear();
  history_->redo();
  return std::exchange(arrivalFailures_, {});
}

bool Composition::canUndo() const { return history_->canUndo(); }
bool Composition::canRedo() const { return history_->canRedo(); }
QString Composition::undoName() const { return history_->undoText(); }
QString Composition::redoName() const { return history_->redoText(); }

Composition::Made Composition::makePart(int index, QStringList& failures) const {
  BuiltLayer built = buildPart(doc_.Parts[index], index, dpi_);
  if (!built.failure.isEmpty()) failures << built.failure;
  return Made{std::move(built.layer.raster), built.layer.stretch, built.layer.transparent};
}

void Composition::arrive(const TDocument& from, std::optional<int> selected) {
  if (from.PartCount != doc_.PartCount) {
    // A part added or removed: the records after it have moved by one, and keep their rasters.
    std::array<Made, MAX_PARTS> made{};
    for (int i = 0; i < doc_.PartCount; ++i) {
      const Made* kept = nullptr;
      for (const int was : {i, i + 1, i - 1})
        if (!kept && was >= 0 && was < from.PartCount && drawsAlike(from.Parts[was], doc_.Parts[i]))
          kept = &parts_[static_cast<size_t>(was)];
      made[static_cast<size_t>(i)] = kept ? *kept : makePart(i, arrivalFailures_);
    }
    parts_ = std::move(made);
    Q_EMIT partsReset();
  } else {
    for (int i = 0; i < doc_.PartCount; ++i) {
      if (std::memcmp(&from.Parts[i], &doc_.Parts[i], sizeof(TPartData)) == 0) continue;
      if (!drawsAlike(from.Parts[i], doc_.Parts[i])) parts_[static_cast<size_t>(i)] = makePart(i, arrivalFailures_);
      Q_EMIT partChanged(i);
    }
  }
  if (!sameBackgroundRaster(from, doc_)) {
    BuiltLayer built = buildBackground(doc_);
    if (!built.failure.isEmpty()) arrivalFailures_ << built.failure;
    background_.raster = std::move(built.layer.raster);
  }
  if (backgroundBounds(from) != backgroundBounds(doc_) || !sameBackgroundRaster(from, doc_)) Q_EMIT backgroundChanged();
  changed();
  if (selected && (*selected == BACKGROUND_INDEX || record(*selected)))
    select(*selected);
  else
    clearSelection();
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
  const Made& m = index == BACKGROUND_INDEX ? background_ : parts_[static_cast<size_t>(index)];
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

void Composition::changed() { modified_ = std::memcmp(&doc_, &lastSaved_, sizeof doc_) != 0; }

void Composition::markSaved() {
  lastSaved_ = doc_;
  changed();
}

void Composition::saveProject(const QString& path) {
  writeProjectFile(path, doc_);
  markSaved();
}

bool Composition::saveLogo(const QString& path) const {
  PendingScene layers(doc_, dpi_, logoBandsUpward(path), madeLayers());
  return exportLogo(path, layers);
}

void Composition::startNew(QPoint backgroundTopLeft) {
  clearDocument(doc_);
  parts_ = {};
  doc_.BackColor = clWhite;
  setBackgroundBounds(doc_,
                      {backgroundTopLeft.x(), backgroundTopLeft.y(), NEW_BACKGROUND_WIDTH, NEW_BACKGROUND_HEIGHT});
  background_ = Made{makeWhiteRaster(NEW_BACKGROUND_WIDTH, NEW_BACKGROUND_HEIGHT), true, false};
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
  Scene scene = makeScene(opened, std::nullopt);
  doc_ = opened;
  background_ = Made{std::move(scene.background.raster), true, false};
  keepParts(scene);
  startedAfresh();
  return {{}, scene.failedFiles};
}

Scene Composition::makeScene(const TDocument& doc, std::optional<Layer> background) const {
  std::vector<std::optional<Layer>> given(static_cast<size_t>(std::clamp(doc.PartCount, 0, MAX_PARTS)) + 1);
  given[0] = std::move(background);
  PendingScene pending(doc, dpi_, false, std::move(given));
  return pending.take();
}

void Composition::keepParts(const Scene& scene) {
  parts_ = {};
  for (size_t i = 0; i < scene.parts.size(); ++i) keepPart(static_cast<int>(i), scene.parts[i]);
}

void Composition::keepPart(int index, const Layer& layer) {
  setPartBounds(doc_.Parts[index], layer.bounds);
  parts_[static_cast<size_t>(index)] = Made{layer.raster, layer.stretch, layer.transparent};
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

std::optional<int> Composition::addPicturePart(const QString& path, std::optional<QPoint> at) {
  if (!canAddPart()) return std::nullopt;
  const Recording step(*this, StepKind::AddPicture, doc_.PartCount);
  char fileName[FIXED_STRING_SIZE] = {};
  storeFixedPath(fileName, path);
  TDocument added = doc_;
  TPartData& r = appendPart(added, pkPicture);
  std::memcpy(r.FileName, fileName, sizeof fileName);
  BuiltLayer built = buildPart(r, r.Index, dpi_);
  // A part whose picture cannot be read is not added at all.
  if (!built.failure.isEmpty()) throw Failure(built.failure);
  if (at) built.layer.bounds = {at->x(), at->y(), built.layer.bounds.width, built.layer.bounds.height};
  doc_ = added;
  keepPart(r.Index, built.layer);
  changed();
  Q_EMIT partAdded(r.Index);
  return r.Index;
}

QStringList Composition::removePart(int index) {
  if (doc_.PartCount <= 0) return {};
  const Recording step(*this, StepKind::Remove, index);
  TDocument removed = doc_;
  removePartRecord(removed, index);
  // The parts are made again from their files, as when the project was opened.
  const Scene scene = makeScene(removed, layer(BACKGROUND_INDEX));
  doc_ = removed;
  keepParts(scene);
  selection_ = BACKGROUND_INDEX;
  selectionShown_ = false;
  changed();
  Q_EMIT partsReset();
  Q_EMIT selectionChanged();
  return scene.failedFiles;
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

void Composition::setBounds(int index, const Bounds& bounds) {
  const Recording step(*this, StepKind::Drag, index);
  placePart(index, bounds);
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
  Made& m = parts_[static_cast<size_t>(index)];
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
