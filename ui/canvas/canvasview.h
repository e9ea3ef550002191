#pragma once

#include "model/basics.h"
#include "ui/canvas/pointerdrag.h"
#include "ui/canvas/viewscale.h"

#include <QPointF>
#include <QPointer>
#include <QScrollArea>

class QShortcut;

#include <array>
#include <optional>

class Composition;
class PictureControl;
class SelectionMarks;
class SnapGuides;

// The scrolled canvas: a control for the background and one for each part of the composition, on
// a content widget whose coordinates are canvas coordinates times the view's scale. The controls
// draw what the composition holds and follow its signals. The mouse on them goes through
// PointerDrag: a left press selects the part in the composition, and each step of a drag is handed
// to the composition as the part's new bounds, which the control then shows; the steps from a
// press to its release are one step of the composition's history. The content grows to hold every
// control, and holds its extent while a drag is in force.
//
// The content stands on a sheet, the widget that scrolls, at a margin: a zoom may have to put the
// canvas's origin right of the view's left edge, or further left than the controls reach, to keep
// its place. At 100 % with nothing zoomed the margin is nought and the sheet is the content.
class CanvasView : public QScrollArea {
  Q_OBJECT
public:
  CanvasView(Composition& composition, QWidget* parent = nullptr);

  // The content widget that the controls stand on.
  QWidget* content() const { return content_; }
  // Where the content's origin, the canvas's (0, 0), stands in the viewport.
  QPoint origin() const;
  PictureControl* background() const { return background_; }
  // The control of part `index` (the background for BACKGROUND_INDEX), or null.
  PictureControl* control(int index) const;

  // Where a background of `size` stands in the middle of the view, in canvas coordinates.
  QPoint centredTopLeft(QSize size) const;
  // Where something dropped at `point` of `from` lands, in canvas coordinates: that point of the
  // canvas, or the view's top-left corner when it is outside the view; never left of or above the
  // canvas's origin, which a zoomed-out view may show.
  QPoint landingPoint(const QWidget* from, QPoint point) const;
  // The part's centre on the screen, when it has a control.
  std::optional<QPoint> centreOnScreen(int index) const;

  // The menu's locks, which the hover reads.
  void setLocks(PointerDrag::Locks locks) { locks_ = locks; }
  // With snapping on, a drag's moving lines catch the lines of the background and the other parts
  // near them, and a guide shows each line caught until the release.
  void setSnapping(bool on) { snapping_ = on; }
  bool snapping() const { return snapping_; }
  // Ends the drag in force, as a release would: a part picked elsewhere is selected, not dragged.
  void endDrag();
  // Escape: the drag in force goes back where it began, or the rubber band is dropped unused.
  void callOff();
  // The pointer's state: the hovered zone, the last press, the drag in force.
  const PointerDrag& pointerDrag() const { return pointerDrag_; }

  // While held, the extent stays as it is: a canvas growing or shrinking under the pointer would
  // scroll the pressed control away from it. Letting go brings the extent up to date.
  void holdExtent(bool held);
  // The sheet fitted to the controls and the view, margin out of view trimmed, a zoom's place put
  // back; call when a control's bounds changed.
  void updateExtent();
  // The canvas's origin back at the view's top-left corner, as a fresh composition is shown.
  void showFromOrigin();

  // The view's scale, a view setting only: the composition is the same at every scale.
  ViewScale scale() const { return scale_; }
  // Shows the canvas at `scale`, the logo pixel under `anchor` (viewport coordinates; without one,
  // the view's centre, wherever the scroll bars that come or go leave it) staying under it. Without
  // an anchor, a logo wholly in view that fits the view at the new scale stays in view instead, its
  // top left where it was or moved only as far as the view needs. The place is kept until the user
  // scrolls, so the bars Qt shows or hides afterwards cannot move it. Nothing changes while a drag
  // or a rubber band is in force.
  void zoomTo(ViewScale scale, std::optional<QPoint> anchor = std::nullopt);
  // A step in or out, or back to 100 %, as zoomTo() without an anchor.
  void zoomIn();
  void zoomOut();
  void zoomToActualSize();

Q_SIGNALS:
  // The canvas is shown at another scale (the status bar says which).
  void scaleChanged(ViewScale scale);
  // The pointer is over the canvas at this logo pixel, or has left it.
  void pointerAt(QPoint logoPixel);
  void pointerLeft();

protected:
  bool viewportEvent(QEvent* event) override;
  // Every move over the canvas, whichever control or gap is under the pointer, for pointerAt().
  bool eventFilter(QObject* watched, QEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

private:
  PictureControl* makeControl(int index);
  void rebuildParts();
  void showPart(int index);
  void pressed(PictureControl* sender, Qt::MouseButton button, QPoint at, Qt::KeyboardModifiers modifiers);
  void moved(PictureControl* sender, QPoint at);
  void released(PictureControl* sender);
  // The drag a left press at `at` of `control` would start, shown by the cursor.
  PointerDrag::Mode hoverOn(PictureControl* control, QPoint at);
  // Whether part `index` is one of several selected, which move together and are never resized.
  bool movesTogether(int index) const;
  // A Shift press anywhere, or a press on the empty canvas, at `pointer` of the content: a band
  // once the pointer travels.
  void startBand(QPoint pointer, bool adding, std::optional<int> toggle);
  void bandTo(QPoint pointer);
  // The release: the parts wholly within the band drawn are selected, or the part pressed with
  // Shift toggled when the pointer never went far enough for a band.
  void finishBand();
  // The marks of the selection and the band, brought up to date once the events in hand are done:
  // a drag of many parts changes each of them, and the marks need drawing once.
  void scheduleMarks();
  void showMarks();
  void updateCallOff();
  // The composition's drag is over: the pointer drags nothing until the next press, zooms may come
  // again, the extent follows the controls and no guide shows.
  void dragOver();
  // The sheet that holds the controls beyond `margin` and the view scrolled to `held`, and the
  // viewport beside the scroll bars it needs.
  struct Fit {
    QSize extent;
    QSize view;
  };
  Fit fitted(QPoint margin, QPoint held) const;
  int barWidth() const;
  int barHeight() const;

  // Where the keys hold a logo that was wholly in view: its rectangle on the content at the new
  // scale, and the point of the view its top left stood at.
  struct Corner {
    QRect logo;
    QPoint at;
  };
  // The logo point that a zoom put under its anchor, kept there until the user scrolls; for the
  // keys, the logo's corner instead while the logo fits the view.
  struct Place {
    QPointF logo;
    std::optional<QPoint> anchor;
    std::optional<Corner> corner;
    bool cornerHeld = false;  // the view stands as the corner put it, not as the logo point does
  };

  Composition& composition_;
  QWidget* sheet_ = nullptr;
  QWidget* content_ = nullptr;
  PictureControl* background_ = nullptr;
  std::array<PictureControl*, MAX_PARTS> parts_{};
  PointerDrag pointerDrag_;
  QPointer<PictureControl> pressed_;  // the control the drag in force moves, or the band started on
  // A press that becomes a rubber band once the pointer travels QApplication::startDragDistance():
  // the points are the content's, screen pixels.
  struct Band {
    QPoint from;
    QPoint to;
    bool adding = false;        // Shift held: the parts within join the selection
    std::optional<int> toggle;  // the part pressed with Shift, toggled by a release without travel
    bool drawn = false;
  };
  std::optional<Band> band_;
  // A drag of several parts: the box around them and the pressed part's bounds at the press; the
  // box is what snaps. And the part a release without travel selects alone.
  struct Together {
    Bounds box;
    Bounds pressed;
  };
  std::optional<Together> together_;
  std::optional<int> aloneAtRelease_;
  bool travelled_ = false;
  SelectionMarks* marks_ = nullptr;
  bool marksDue_ = false;
  QShortcut* callOff_ = nullptr;
  PointerDrag::Locks locks_;
  bool snapping_ = false;
  SnapGuides* guides_ = nullptr;
  bool extentHeld_ = false;
  ViewScale scale_;
  std::optional<Place> place_;
  int wheelTurn_ = 0;  // a Ctrl+wheel turn short of one notch, from a fine-grained wheel or pad
};
