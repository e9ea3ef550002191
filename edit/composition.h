#pragma once

#include "edit/madeparts.h"
#include "edit/partcopy.h"
#include "edit/partview.h"
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

  // The selected part, BACKGROUND_INDEX for the background. After New, Open and a removal the
  // background is selected though the selection is not shown (the panel is empty).
  int selection() const { return selection_; }
  bool selectionShown() const { return selectionShown_; }

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

  // ---- the selection ----
  void select(int index);
  // The background selected, nothing shown.
  void clearSelection();

  // ---- bounds: drags, typed sizes, nudges ----
  // A drag of part `index` or the background begins; all of it is one step of the history.
  void beginDrag(int index);
  // A step of the drag in force: the part's new bounds. Nothing without a drag.
  void dragTo(const Bounds& bounds);
  // The drag ends: one step from where it began, none when the part is back where it was.
  void endDrag();
  // The drag is called off (Escape, or undo or redo while it lasts): the part goes back where it
  // began, and the history is as it was, what redo held included.
  void cancelDrag();
  bool isDragging() const { return drag_ != nullptr; }
  // New bounds for part `index` or the background, as one step: a whole drag at once.
  void setBounds(int index, const Bounds& bounds);
  // The selected part's width or height.
  void setSelectedSize(Qt::Orientation axis, int value);
  void nudgeSelected(int dx, int dy);

  // ---- the selected text part; nothing happens while another kind is selected ----
  void setText(const QString& text);
  void setTextColour(TextColour role, Colour colour);
  // The face is written only when it differs from the record's, so a name stored in bytes of its
  // own stays as it was. Throws Failure for a face the record cannot hold.
  void setFont(const QString& face, int points, std::uint8_t style);
  void setFill(bool on);
  void setShadowOffset(Qt::Orientation axis, int offset);

  // ---- the background ----
  // The picture at `path`, at its natural size; a path the record cannot hold or a picture that
  // cannot be read changes nothing and is thrown.
  void setBackgroundPicture(const QString& path);
  // The background filled with `colour`, at its present size; no picture any more.
  void fillBackground(Colour colour);

  // ---- arranging (edit/arranging.cpp) ----
  // Where the stacking commands put the selected part: one place later or earlier in the table,
  // or to its end or its start. Later parts lie above earlier ones.
  enum class Order { Forward, Backward, ToFront, ToBack };
  // Whether `order` would move the selected part: never the background, never past an end.
  bool canReorder(Order order) const;
  void reorderSelected(Order order);
  // The selected part placed against the background's rectangle; the centres round toward minus
  // infinity. Nothing while the background is selected.
  enum class Alignment { Left, HorizontalCentre, Right, Top, VerticalCentre, Bottom };
  void alignSelected(Alignment alignment);
  // Whether a part, not the background, is selected: what copies, alignment and deletion act on.
  bool partSelected() const { return selectedRecord() != nullptr; }
  // The selected part as the clipboard carries it, or nothing while the background is selected.
  std::optional<PartCopy> copySelected() const;
  // Copies the selected part and removes it, as one step.
  std::optional<PartCopy> cutSelected();
  // A part made from `copy`, `shift` logo pixels right of and below the copy's bounds, added at
  // the end of the table and selected; its index, or nothing when the table is full. The copy's
  // raster is shared when it draws the record; otherwise it is made, and a picture that cannot
  // be read adds nothing and is thrown.
  std::optional<int> pastePart(const PartCopy& copy, int shift);
  // A copy of the selected part 10 right of and below it, at the end of the table and selected.
  std::optional<int> duplicateSelected();
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

  TPartData* selectedText();
  // The selected part's record, or null while the background is selected.
  const TPartData* selectedRecord() const;
  // Appends `record` drawn as `look`, renumbered; the caller records the step.
  int appendMade(const TPartData& record, const MadeLook& look);
  // `copy` appended `shift` right of and below its bounds as a step of `kind`, and selected.
  std::optional<int> appendCopy(StepKind kind, const PartCopy& copy, int shift);
  // The picture at `path` as a new record and its layer; throws what reading it throws.
  std::pair<TPartData, Layer> readPicturePart(const QString& path) const;
  // Every layer of `doc` made; nothing of the composition changes, so a failure that stops the
  // making leaves it whole.
  Scene makeScene(const TDocument& doc) const;
  // Record `index` and its raster gone, the later ones moved up, the background selected unseen.
  void removeMade(int index);
  // The parts' rasters kept and their bounds written into the records.
  void keepParts(const Scene& scene);
  void keepPart(int index, const Layer& layer);
  // New bounds for part `index` or the background, outside the history.
  void placePart(int index, const Bounds& bounds);
  void redrawText(int index);
  void changed();
  // The block has been brought to a state of the history from `from`: each part takes the raster
  // of a part of `from` that draws alike or one that the step `kept`, the views are told, and
  // `selected` is selected (nothing shown when none).
  void arrive(const TDocument& from, const KeptRasters& kept, std::optional<int> selected);
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
  int selection_ = BACKGROUND_INDEX;
  bool selectionShown_ = false;
  bool modified_ = false;
  QUndoStack* history_ = nullptr;
  int editRun_ = 0;
  std::unique_ptr<Recording> drag_;  // the drag in force, which becomes a step when it ends
  QStringList arrivalFailures_;      // what arrive() could not make, for undo() and redo() to return
};
