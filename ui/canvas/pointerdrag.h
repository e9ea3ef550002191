#pragma once

#include "render/layer.h"
#include "ui/canvas/viewscale.h"

#include <QPoint>
#include <QSize>
#include <Qt>

#include <optional>

// The canvas's pointer state: the zone the pointer hovers, the last left press and the drag in
// force while the button is held. It knows points, sizes and bounds only: the canvas view sets the
// cursor it names and hands the bounds of each step to the composition, and the main window asks
// it which size edits follow the step.
//
// Points and the sizes the zones are found in are screen pixels, so the zones keep their size at
// every scale; bounds are logo pixels, which a drag may have driven to zero or below.
class PointerDrag {
public:
  // What a drag with the left button does, by where it starts on a control. The values are
  // compared and kept as plain ints, so they stay as they are.
  enum Mode {
    NoDrag = 0,
    MoveDrag = 1,
    TopEdgeDrag = 2,
    BottomEdgeDrag = 3,
    LeftEdgeDrag = 4,
    RightEdgeDrag = 5,
    TopLeftDrag = 6,
    TopRightDrag = 7,
    BottomLeftDrag = 8,
    BottomRightDrag = 9,
  };

  // What the hovered control is: text parts and one of several selected parts are only ever
  // moved, and the locks hold only the background.
  enum class Target { Background, PicturePart, TextPart, OneOfSeveral };

  struct Locks {
    bool noMove = false;
    bool noResize = false;
  };

  // One step of a drag: the control's new bounds, and which size edits show its new size.
  struct Step {
    Bounds bounds;
    bool showWidth = false;
    bool showHeight = false;
    friend bool operator==(const Step&, const Step&) = default;
  };

  // The zone under `at` of a control of `size`, locks and kind aside. With `keepInside`, an axis
  // too short for an inside between its edge zones is all inside.
  static Mode zoneAt(QPoint at, QSize size, bool keepInside = false);
  static Qt::CursorShape cursorFor(Mode mode);

  // The pointer at `at` of a control shown `size` large at `scale`, with no drag in force:
  // remembers and returns the drag a left press there would start (NoDrag where a lock forbids
  // it). Away from 100 % a part shown too small for its zones stays movable; at 100 % the zones
  // are as they have always been.
  Mode hover(QPoint at, QSize size, Target target, Locks locks, ViewScale scale = {});
  // A press with the pointer at `pointer` of the canvas, on a control whose bounds are `bounds`,
  // shown at `scale`: a left press arms the hovered drag, any other button changes nothing.
  void press(Qt::MouseButton button, QPoint pointer, const Bounds& bounds, ViewScale scale = {});
  // The pointer at `pointer` of the canvas: the step of the drag in force, or nothing without one.
  std::optional<Step> move(QPoint pointer, bool background) const;
  // Which size edits follow the drag in force: both for a corner, the edge's own for an edge of
  // the background only, none for a move or with no drag.
  struct FollowedSizes {
    bool width = false;
    bool height = false;
  };
  FollowedSizes followedSizes(bool background) const;
  // Ends the drag in force, whichever button was released.
  void release() { mode_ = NoDrag; }

  Mode mode() const { return mode_; }
  bool dragging() const { return mode_ != NoDrag; }
  Mode hovered() const { return hovered_; }

private:
  QPoint pressAt_;
  Bounds pressBounds_;
  ViewScale scale_;
  Mode mode_ = NoDrag;
  Mode hovered_ = NoDrag;
};
