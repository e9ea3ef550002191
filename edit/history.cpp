// The composition's history: steps, how they run together, and how the composition arrives at a
// state of the history again.

#include "edit/history.h"

#include "render/scene.h"

#include <QUndoStack>

#include <algorithm>
#include <cstring>

namespace {

using StepKind = Composition::StepKind;

// A run of these edits of one part is one step: the typing in a field, the nudges. A drag is one
// step by itself, from its beginning to its end.
bool runsTogether(StepKind kind) {
  switch (kind) {
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
    case StepKind::Reorder: return QStringLiteral("順序変更");
    case StepKind::Align: return QStringLiteral("整列");
    case StepKind::Cut: return QStringLiteral("切り取り");
    case StepKind::Paste: return QStringLiteral("貼り付け");
    case StepKind::Duplicate: return QStringLiteral("複製");
  }
  return {};
}

}  // namespace

Composition::Step::Step(Composition& owner, StepKind kind, int touched, Selection selectedBefore,
                        Selection selectedAfter, int run, const TDocument& before, const MadeParts& beforeParts,
                        const MadeLook& beforeBackground)
    : owner_(owner),
      kind_(kind),
      touched_(touched),
      selectedBefore_(std::move(selectedBefore)),
      selectedAfter_(std::move(selectedAfter)),
      run_(run),
      change_(before, owner.doc_),
      undoRasters_(before, rastersOf(beforeParts), &beforeBackground, owner.doc_, rastersOf(owner.parts_),
                   &owner.background_),
      redoRasters_(owner.doc_, rastersOf(owner.parts_), &owner.background_, before, rastersOf(beforeParts),
                   &beforeBackground) {
  setText(stepName(kind, before, owner.doc_, touched));
}

int Composition::Step::id() const { return runsTogether(kind_) ? static_cast<int>(kind_) : -1; }

bool Composition::Step::mergeWith(const QUndoCommand* later) {
  const auto* next = static_cast<const Step*>(later);
  if (next->selectedBefore_ != selectedBefore_ || next->run_ != run_) return false;
  TDocument start = owner_.doc_;
  next->change_.restoreBefore(start);
  change_.restoreBefore(start);
  change_ = BlockChange(start, owner_.doc_);
  // The start's rasters are the ones this step kept, or the later step's, or shown still.
  const Composition& now = owner_;
  const KeptRasters& mine = undoRasters_;
  const auto startRasters = [&](const TPartData& record, int) -> const MadeLook* {
    if (const MadeLook* made = mine.part(record)) return made;
    if (const MadeLook* made = next->undoRasters_.part(record)) return made;
    const int alike = partDrawnAlike(now.doc_, record, touched_);
    return alike >= 0 ? &now.parts_[static_cast<size_t>(alike)] : nullptr;
  };
  const MadeLook* startBackground = mine.background() ? mine.background() : &now.background_;
  KeptRasters undoRasters(start, startRasters, startBackground, now.doc_, rastersOf(now.parts_), &now.background_);
  redoRasters_ = KeptRasters(now.doc_, rastersOf(now.parts_), &now.background_, start, startRasters, startBackground);
  undoRasters_ = std::move(undoRasters);
  setText(stepName(kind_, start, owner_.doc_, touched_));
  setObsolete(change_.empty());  // typed and then typed away again
  return true;
}

void Composition::Step::undo() {
  const TDocument from = owner_.doc_;
  change_.restoreBefore(owner_.doc_);
  owner_.arrive(from, undoRasters_, selectedBefore_);
}

void Composition::Step::redo() {
  // The edit itself has already been done when the step is pushed.
  if (std::exchange(pushed_, false)) return;
  const TDocument from = owner_.doc_;
  change_.restoreAfter(owner_.doc_);
  owner_.arrive(from, redoRasters_, selectedAfter_);
}

Composition::Recording::Recording(Composition& owner, StepKind kind, Selection selected, int touched)
    : owner_(owner), kind_(kind), touched_(touched), selectedBefore_(selected), selectedAfter_(std::move(selected)) {
  // An edit while the mouse drags ends the drag first, as a step of its own.
  owner.endDrag();
  before_ = owner.doc_;
  beforeParts_ = owner.parts_;
  beforeBackground_ = owner.background_;
}

Composition::Recording::~Recording() {
  if (dropped_) return;
  try {
    auto step = std::make_unique<Step>(owner_, kind_, touched_, selectedBefore_, selectedAfter_, owner_.editRun_,
                                       before_, beforeParts_, beforeBackground_);
    if (!step->empty()) owner_.history_->push(step.release());
  } catch (...) {
    // Only memory can run out here; the edit stands, without its step.
  }
}

QStringList Composition::undo() { return travel(&QUndoStack::undo); }
QStringList Composition::redo() { return travel(&QUndoStack::redo); }

QStringList Composition::travel(void (QUndoStack::*move)()) {
  // Ctrl+Z during a drag calls the drag off, and takes nothing else back.
  if (isDragging()) {
    cancelDrag();
    return {};
  }
  finishEditRun();
  arrivalFailures_.clear();
  (history_->*move)();
  return std::exchange(arrivalFailures_, {});
}

bool Composition::canUndo() const { return isDragging() || history_->canUndo(); }
bool Composition::canRedo() const { return !isDragging() && history_->canRedo(); }

QString Composition::undoName() const {
  return isDragging() ? stepName(StepKind::Drag, drag_->before(), doc_, drag_->touched()) : history_->undoText();
}

QString Composition::redoName() const { return isDragging() ? QString() : history_->redoText(); }

void Composition::setBounds(int index, const Bounds& bounds) {
  const Recording step(*this, StepKind::Drag, index);
  placePart(index, bounds);
}

void Composition::beginDrag(int index) {
  if (index != BACKGROUND_INDEX && !record(index)) return;
  endDrag();
  finishEditRun();
  const bool several = selection_.count() > 1 && selection_.contains(index);
  dragGroup_ = several ? selection_.parts() : std::vector<int>{};
  drag_ = std::make_unique<Recording>(*this, StepKind::Drag, several ? selection_ : selectionOf(index), index);
  Q_EMIT historyChanged();
}

void Composition::dragTo(const Bounds& bounds) {
  if (!drag_) return;
  if (dragGroup_.empty()) {
    placePart(drag_->touched(), bounds);
    return;
  }
  // Always from where the drag began, so that a step the pointer takes back takes the parts back
  // exactly, clamped at the ends of 32 bits as they may be.
  const Bounds grabbed = boundsIn(drag_->before(), drag_->touched());
  moveParts(dragGroup_, drag_->before(), qint64{bounds.left} - grabbed.left, qint64{bounds.top} - grabbed.top);
}

void Composition::endDrag() {
  if (!drag_) return;
  drag_.reset();  // the recording becomes the step
  Q_EMIT historyChanged();
  Q_EMIT dragEnded();
}

void Composition::cancelDrag() {
  if (!drag_) return;
  const std::unique_ptr<Recording> drag = std::move(drag_);
  drag->drop();
  if (dragGroup_.empty())
    placePart(drag->touched(), boundsIn(drag->before(), drag->touched()));
  else
    moveParts(dragGroup_, drag->before(), 0, 0);
  Q_EMIT historyChanged();
  Q_EMIT dragEnded();
}

void Composition::dropDrag() {
  if (!drag_) return;
  drag_->drop();
  drag_.reset();
  Q_EMIT dragEnded();
}

MadeLook Composition::makePart(int index, QStringList& failures) const {
  BuiltLayer built = buildPart(doc_.Parts[index], index, dpi_);
  if (!built.failure.isEmpty()) failures << built.failure;
  return MadeLook{std::move(built.layer.raster), built.layer.stretch, built.layer.transparent};
}

void Composition::arrive(const TDocument& from, const KeptRasters& kept, const Selection& selected) {
  // Each record takes the raster the step kept for it, or the one a record of the state left
  // draws alike; drawing it again is the last resort, never needed while the step kept what it
  // should.
  // The selection of the state arrived at is in force before any view is told of the parts: a
  // view reading it meanwhile must not meet parts that are gone.
  const auto& selectedParts = selected.parts();
  const bool there =
      std::all_of(selectedParts.begin(), selectedParts.end(), [this](int i) { return record(i) != nullptr; });
  selection_ = there ? selected : Selection::background(false);
  const MadeParts was = parts_;
  const int count = std::clamp(doc_.PartCount, 0, MAX_PARTS);
  std::vector<int> changedParts;
  for (int i = 0; i < count; ++i) {
    const TPartData& record = doc_.Parts[i];
    if (i < from.PartCount && std::memcmp(&from.Parts[i], &record, sizeof record) == 0) continue;
    changedParts.push_back(i);
    if (const MadeLook* made = kept.part(record))
      parts_[static_cast<size_t>(i)] = *made;
    else if (const int alike = partDrawnAlike(from, record, i); alike >= 0)
      parts_[static_cast<size_t>(i)] = was[static_cast<size_t>(alike)];
    else
      parts_[static_cast<size_t>(i)] = makePart(i, arrivalFailures_);
  }
  for (size_t i = static_cast<size_t>(count); i < parts_.size(); ++i) parts_[i] = {};
  if (from.PartCount != doc_.PartCount) {
    Q_EMIT partsReset();
  } else {
    for (const int i : changedParts) Q_EMIT partChanged(i);
  }
  const MadeLook* keptBackground = kept.background();
  if (keptBackground) {
    background_.raster = keptBackground->raster;
  } else if (!sameBackgroundRaster(from, doc_)) {
    BuiltLayer built = buildBackground(doc_);
    if (!built.failure.isEmpty()) arrivalFailures_ << built.failure;
    background_.raster = std::move(built.layer.raster);
  }
  if (keptBackground || backgroundBounds(from) != backgroundBounds(doc_) || !sameBackgroundRaster(from, doc_))
    Q_EMIT backgroundChanged();
  changed();
  setSelection(selection_);
}
