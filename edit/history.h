#pragma once

// The composition's history from the inside: what a step did, the step itself, and the recording
// that makes an edit one step. Only the composition's own sources include this.

#include "edit/blockchange.h"
#include "edit/composition.h"
#include "edit/madeparts.h"

#include <QUndoCommand>

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
  Reorder,
  Align,
  Cut,
  Paste,
  Duplicate,
};

// One step of the history: the bytes it changed, the part it touched, what either side selects,
// the run it belongs to, and the rasters of either side that the other does not draw. The block is kept in bytes and
// the rasters are shared with the composition's own, so a hundred steps stay small; taking a step back or bringing it
// back reads no file and draws nothing again.
class Composition::Step : public QUndoCommand {
public:
  // The edit from `before` (drawn as `beforeParts` and `beforeBackground`) to the composition as
  // it stands has been done.
  // `touched` is the part the edit acted on (the grabbed one of a drag); undo selects
  // `selectedBefore`, redo `selectedAfter`.
  Step(Composition& owner, StepKind kind, int touched, Selection selectedBefore, Selection selectedAfter, int run,
       const TDocument& before, const MadeParts& beforeParts, const MadeLook& beforeBackground);

  bool empty() const { return change_.empty(); }
  int id() const override;
  // `later` was done on top of this step, in the same run: the two become one step from this
  // step's start to the block as it stands now.
  bool mergeWith(const QUndoCommand* later) override;
  void undo() override;
  void redo() override;

private:
  Composition& owner_;
  StepKind kind_;
  int touched_;
  Selection selectedBefore_, selectedAfter_;
  int run_;
  BlockChange change_;
  KeptRasters undoRasters_, redoRasters_;
  bool pushed_ = true;
};

// The composition as an edit found it, made a step of the history when the edit is over, whether
// it ended normally or with a failure that left the block changed; or dropped, the block put back.
class Composition::Recording {
public:
  // `selected`: what undo selects, and redo too unless selectAfter() says otherwise.
  Recording(Composition& owner, StepKind kind, Selection selected, int touched);
  // An edit of part `touched` alone, or of the background.
  Recording(Composition& owner, StepKind kind, int touched)
      : Recording(owner, kind, Composition::selectionOf(touched), touched) {}
  ~Recording();
  Recording(const Recording&) = delete;
  Recording& operator=(const Recording&) = delete;

  int touched() const { return touched_; }
  const TDocument& before() const { return before_; }
  // Ends without a step: the caller has put back what the edit changed.
  void drop() { dropped_ = true; }
  // What redo selects, when the edit moved, added or removed parts.
  void selectAfter(Selection selected) { selectedAfter_ = std::move(selected); }

private:
  Composition& owner_;
  StepKind kind_;
  int touched_;
  Selection selectedBefore_, selectedAfter_;
  TDocument before_;
  MadeParts beforeParts_;
  MadeLook beforeBackground_;
  bool dropped_ = false;
};
