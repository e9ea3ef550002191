#pragma once

#include "edit/madeparts.h"
#include "edit/partcopy.h"
#include "edit/partview.h"
#include "edit/selection.h"
#include "model/document.h"
#include "render/layer.h"
#include "render/scene.h"

#include <QObject>
#include <QPoint>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QUndoStack;

// The composition being edited: the document block, the selection, the block as last saved, and
// every edit the user can make, each one step of its history that can be taken back and brought
// back. The records are the truth: a part's bounds are written into its record as they change, so
// the block to save is the block as it stands. It keeps the raster of each part and of the
// background, so that views draw what it holds without decoding or drawing again; views follow
// its signals, read parts through part(), and tell it what the user did.
class Composition : public QObject {
  Q_OBJECT
public:
  enum class TextColour { Text, Fill, Shadow };

  // `dpi`: what turns a text part's points into pixels, TEXT_DPI.
  explicit Composition(int dpi, QObject* parent = nullptr);
  ~Composition() override;

  // The block, for the files and the tests; the windows read part().
  const TDocument& document() const { return doc_; }
  int partCount() const { return doc_.PartCount; }
  bool canAddPart() const { return ::canAddPart(doc_); }
  // Part `index`'s record, or null outside the parts in use.
  const TPartData* record(int index) const;
  // What the windows show of part `index`, or of the background for BACKGROUND_INDEX; kind None
  // outside the parts in use.
  PartView part(int index) const;
  // What part `index` (the background for BACKGROUND_INDEX) shows: its bounds as its record holds
  // them, its raster (none where it could not be made), whether it is stretched and see-through.
  Layer layer(int index) const;
  Bounds bounds(int index) const;
  // What the canvas labels the part with: a text part's string, a picture part's file name once
  // its picture loaded, "背景" for the background.
  QString hint(int index) const;
  // Every layer as layer() gives it, the background first, for the logo export.
  std::vector<std::optional<Layer>> madeLayers() const;

  // The selected parts or the background. After New, Open and a removal the background is
  // selected though the selection is not shown (the panel is empty).
  const Selection& selection() const { return selection_; }

  // Whether the block differs, byte for byte, from what was last saved, opened or started afresh.
  bool isModified() const { return modified_; }

  // ---- the composition as a whole ----
  // New: no parts, a white 200 x 60 background at `backgroundTopLeft`, nothing to save.
  void startNew(QPoint backgroundTopLeft);
  struct Opened {
    QString refusal;        // why the file was refused; the composition is then as it was
    QStringList failures;   // one line for each layer that could not be made
    bool declined = false;  // `mayReplace` said no; the composition is as it was
  };
  // Opens the project at `path`: read and checked whole first, then, if `mayReplace` agrees (it may
  // save the composition as it stands), built, every layer that can be made made. A file that is
  // refused is refused before `mayReplace` is asked. Throws the Failure of a file that cannot be
  // read.
  Opened open(
      const QString& path, const std::function<bool()>& mayReplace = [] { return true; });
  // The block as it stands has been written: it is now what is saved.
  void markSaved();
  // The block counts as changed until it is saved, whatever it holds: work brought back from a
  // recovery copy was never saved where the user can see it.
  void markUnsaved();
  // Writes the project to `path` and counts it saved; throws the write's Failure.
  void saveProject(const QString& path);
  // The logo as saveLogo() would write it, or nothing when there are no parts. Throws the
  // composing's Failure.
  std::optional<QImage> logoImage(const LogoOptions& options = {}) const;
  // Writes the logo to `path` from the layers already made (only text is drawn anew at another
  // scale); false, with nothing written, when there are no parts. Throws the export's Failure.
  bool saveLogo(const QString& path, const LogoOptions& options = {}) const;

  // ---- parts ----
  // A new text part at the top-left; its index, or nothing when the table is full.
  std::optional<int> addTextPart();
  // A picture part from `path` at its natural size, at the top-left or at `at`; its index, or
  // nothing when the table is full. A picture that cannot be read adds nothing: its failure is
  // thrown.
  std::optional<int> addPicturePart(const QString& path, std::optional<QPoint> at = std::nullopt);
  // Removes part `index`; the parts after it move up one place, showing what they showed: no file
  // is read again.
  void removePart(int index);
  // Every selected part, as one step (削除).
  void removeSelected();

  // ---- the selection ----
  // One part or the background alone.
  void select(int index);
  // A part into the selection or out of it (a press with Shift or Ctrl); the background is left
  // alone, and the last part out leaves the background selected unshown.
  void toggleSelected(int index);
  // The parts a rubber band caught, alone or (`add`, with Shift) joining those selected.
  void selectParts(const std::vector<int>& indices, bool add);
  // Every part; nothing happens when there are none.
  void selectAll();
  // The background selected, nothing shown.
  void clearSelection();
  // Whether a part, not the background, is selected: what copies, alignment and deletion act on.
  bool partSelected() const { return !selection_.isBackground(); }
  // The box around the selected parts, or the background's bounds while it is selected.
  Bounds selectionBox() const;

  // ---- bounds: drags, typed sizes, nudges ----
  // A drag of part `index` or the background begins; all of it is one step of the history. When
  // `index` is one of several selected parts, the drag moves them all.
  void beginDrag(int index);
  // A step of the drag in force: the part's new bounds. Nothing without a drag. Dragging several
  // parts, only the travel of the grabbed part's top-left counts: each of them moves by it, sizes
  // kept.
  void dragTo(const Bounds& bounds);
  // The drag ends: one step from where it began, none when the part is back where it was.
  void endDrag();
  // The drag is called off (Escape, or undo or redo while it lasts): the part goes back where it
  // began, and the history is as it was, what redo held included.
  void cancelDrag();
  bool isDragging() const { return drag_ != nullptr; }
  // New bounds for part `index` or the background, as one step: a whole drag at once.
  void setBounds(int index, const Bounds& bounds);
  // The selected part's width or height; nothing with several parts selected.
  void setSelectedSize(Qt::Orientation axis, int value);
  // Every selected part, or the background; a run of nudges is one step.
  void nudgeSelected(int dx, int dy);

  // ---- the selected text parts: the settings apply to every one of them, and nothing happens
  // while a part of another kind is among them; the string only with one part selected ----
  void setText(const QString& text);
  void setTextColour(TextColour role, Colour colour);
  // The face is written only when it differs from the record's, so a name stored in bytes of its
  // own stays as it was. Throws Failure for a face the record cannot hold.
  void setFont(const QString& face, int points, std::uint8_t style);
  void setFill(bool on);
  void setShadowOffset(Qt::Orientation axis, int offset);
  // What the selected text parts share, nothing where they differ.
  struct SharedText {
    std::optional<FontChoice> font;
    std::optional<Colour> textColour, fillColour, shadowColour;
    std::optional<bool> fillOn;
    std::optional<int> shadowX, shadowY;
  };
  // No value at all unless every selected part, one or more, is a text part.
  std::optional<SharedText> sharedText() const;

  // ---- the background ----
  // The picture at `path`, at its natural size; a path the record cannot hold or a picture that
  // cannot be read changes nothing and is thrown.
  void setBackgroundPicture(const QString& path);
  // The background filled with `colour`, at its present size; no picture any more.
  void fillBackground(Colour colour);

  // ---- arranging (edit/arranging.cpp) ----
  // Where the stacking commands put the selected parts: each one place later or earlier in the
  // table, keeping their order among themselves, or all to its end or its start in their order.
  // Later parts lie above earlier ones.
  enum class Order { Forward, Backward, ToFront, ToBack };
  // Whether `order` would move any selected part: never the background, never past an end.
  bool canReorder(Order order) const;
  void reorderSelected(Order order);
  // Against the background, the selected parts move as one block, their box placed against the
  // background's rectangle; against the selection (two parts or more), each part is placed
  // against their box. The centres round toward minus infinity. Nothing while the background is
  // selected.
  enum class Alignment { Left, HorizontalCentre, Right, Top, VerticalCentre, Bottom };
  enum class AlignTo { Background, Selection };
  void alignSelected(Alignment alignment, AlignTo to = AlignTo::Background);
  // Three or more parts selected: what equal spacing needs.
  bool canDistribute() const;
  // The first and the last of the selected parts along `axis` stay; the others are placed so that
  // the gaps between neighbours are equal, a remainder given a pixel each to the first gaps.
  void distributeSelected(Qt::Orientation axis);
  // The selected parts as the clipboard carries them, in table order; none while the background
  // is selected.
  std::vector<PartCopy> copySelected() const;
  // Copies the selected parts and removes them, as one step.
  std::vector<PartCopy> cutSelected();
  // Whether `count` more parts fit in the table.
  bool canAddParts(int count) const { return count >= 0 && doc_.PartCount + count <= MAX_PARTS; }
  // Parts made from `copies`, in order, `shift` logo pixels right of and below their bounds,
  // added at the end of the table as one step and selected; their indices, or none when they
  // would not all fit. A copy's raster is shared when it draws the record; otherwise it is made,
  // and a picture that cannot be read adds nothing and is thrown.
  std::vector<int> pasteParts(const std::vector<PartCopy>& copies, int shift);
  // A copy of each selected part, each 10 right of and below its original, at the end of the table, selected.
  std::vector<int> duplicateSelected();
  // A text part saying the first line of `text` that is not empty, where a new text part goes, as
  // one paste; nothing when full or with no such line. A line the code page cannot hold is
  // refused: its Failure names the character, in the words of the string field.
  std::optional<int> pasteText(const QString& text);
  struct AddedPictures {
    std::vector<int> added;
    QStringList failures;  // each picture that could not be read, as adding it says
  };
  // Picture parts from `paths`, in order, each as addPicturePart() makes one, all of them one
  // step (`asPaste`: named 貼り付け, else 画像を追加); the table full, the rest are left out.
  AddedPictures addPictureParts(const QStringList& paths, std::optional<QPoint> at, bool asPaste);

  // ---- the history ----
  // What a step did: it names the step and says which steps run together.
  enum class StepKind;
  // Steps keep the rasters they need, so neither reads a file; each returns the lines of the
  // layers that had to be made again and could not be. While a drag lasts, either calls the drag
  // off and does no more.
  QStringList undo();
  QStringList redo();
  bool canUndo() const;
  bool canRedo() const;
  // The step undo() or redo() would take back or bring back, in the menu's words: "移動".
  QString undoName() const;
  QString redoName() const;
  // Ends the run of typing, nudging or dragging in progress: the next edit is a step of its own.
  // Leaving a field, a press and a release on the canvas end one; so do selecting, undo and redo.
  void finishEditRun() { ++editRun_; }

Q_SIGNALS:
  // A part's bounds, raster, flags or label changed.
  void partChanged(int index);
  void partAdded(int index);
  // The parts were made afresh from the records: New, Open, a removal.
  void partsReset();
  void backgroundChanged();
  void selectionChanged();
  // What undo and redo would do has changed.
  void historyChanged();
  // The drag in force is over, however it ended: released, called off, ended by another edit made
  // while the button is held, or dropped with the block. The pointer's drag is over too.
  void dragEnded();
  // The block may differ from what it was, and isModified() may have changed with it.
  void blockChanged();

private:
  class Step;
  class Recording;

  // What selecting part `index` alone (or the background) makes.
  static Selection selectionOf(int index);
  // The selection as it will stand, the run of edits ended and the views told.
  void setSelection(Selection selection);
  // The selected part when it is one text part, else null.
  TPartData* selectedText();
  // The selected parts when every one of them is a text part, else none.
  std::vector<int> selectedTexts() const;
  // `edit` done to the record of every selected text part and each drawn again, as one step of
  // `kind`; nothing unless every selected part is a text part. The first failure to draw is
  // thrown once every part is drawn.
  void editTexts(StepKind kind, const std::function<void(TPartData&)>& edit);
  // Appends `record` drawn as `look`, renumbered, telling nobody; the caller records the step.
  int appendQuietly(const TPartData& record, const MadeLook& look);
  // appendQuietly() and the views told.
  int appendMade(const TPartData& record, const MadeLook& look);
  // `copies` appended `shift` right of and below their bounds as a step of `kind`, and selected.
  std::vector<int> appendCopies(StepKind kind, const std::vector<PartCopy>& copies, int shift);
  // What `record` is drawn as when pasted: `copy`'s raster, or that of a part shown that draws
  // alike, or else made; throws when a picture cannot be read.
  MadeLook pastedLook(const PartCopy& copy, TPartData& record) const;
  // The picture at `path` as a new record and its layer; throws what reading it throws.
  std::pair<TPartData, Layer> readPicturePart(const QString& path) const;
  // Every layer of `doc` made; nothing of the composition changes, so a failure that stops the
  // making leaves it whole.
  Scene makeScene(const TDocument& doc) const;
  // Records `indices` (ascending) and their rasters gone, the later ones moved up, the background
  // selected unseen.
  void removeMade(const std::vector<int>& indices);
  // The parts' rasters kept and their bounds written into the records.
  void keepParts(const Scene& scene);
  void keepPart(int index, const Layer& layer);
  // New bounds for part `index` or the background, outside the history.
  void placePart(int index, const Bounds& bounds);
  // Parts `indices` moved from where `from` has them by (`dx`, `dy`), outside the history, the
  // views told once.
  void moveParts(const std::vector<int>& indices, const TDocument& from, qint64 dx, qint64 dy);
  // The table's order after `order`: place p takes part result[p].
  std::vector<int> reorderedParts(Order order) const;
  // The parts' records and rasters in the order `order` gives: place p takes part order[p].
  void permuteParts(const std::vector<int>& order);
  void redrawText(int index);
  void changed();
  // The block has been brought to a state of the history from `from`: each part takes the raster
  // of a part of `from` that draws alike or one that the step `kept`, the views are told, and
  // `selected` is selected (the background, unshown, when it names a part not there).
  void arrive(const TDocument& from, const KeptRasters& kept, const Selection& selected);
  // Part `index`'s raster made from its record, its record untouched; a failure is listed.
  MadeLook makePart(int index, QStringList& failures) const;
  // Undo or redo, by the stack's `move`; what the step reports comes back.
  QStringList travel(void (QUndoStack::*move)());
  // The drag in force forgotten, nothing put back, no step: the block is being replaced.
  void dropDrag();
  // After New or Open: the background selected but not shown, nothing to save, every view told.
  void startedAfresh();

  int dpi_;
  TDocument doc_{};
  TDocument lastSaved_{};
  MadeParts parts_{};
  MadeLook background_;
  Selection selection_;
  bool modified_ = false;
  QUndoStack* history_ = nullptr;
  int editRun_ = 0;
  std::unique_ptr<Recording> drag_;  // the drag in force, which becomes a step when it ends
  std::vector<int> dragGroup_;       // the parts it moves together; empty while it drags one
  QStringList arrivalFailures_;      // what arrive() could not make, for undo() and redo() to return
};
