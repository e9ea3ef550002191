#pragma once

#include "render/layer.h"

#include <QPoint>
#include <QSize>
#include <Qt>

#include <optional>

// The canvas's pointer state: the zone the pointer hovers, the last left press and the drag in
// force while the button is held. It knows points, sizes and bounds only, so the canvas view
// applies what it decides: the cursor, the new bounds handed to the composition, and which size
// edits follow the step.
//
// Sizes are the controls' logical sizes, which a drag may have driven to zero or below.
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

  // What the hovered control is: text parts are only ever moved, and the locks hold only the
  // background.
  enum class Target { Background, PicturePart, TextPart };

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

  // The zone under `at` of a control of `size`, locks and kind aside.
  static Mode zoneAt(QPoint at, QSize size);
  static Qt::CursorShape cursorFor(Mode mode);

  // The pointer over a control with no drag in force: remembers and returns the drag a left
  // press there would start (NoDrag where a lock forbids it).
  Mode hover(QPoint at, QSize size, Target target, Locks locks);
  // A press at `at` of a control of `size`: a left press arms the hovered drag, any other button
  // changes nothing.
  void press(Qt::MouseButton button, QPoint at, QSize size);
  // The pointer at `at` in the pressed control's current coordinates, `current` its bounds: the
  // step of the drag in force, or nothing without one.
  std::optional<Step> move(QPoint at, const Bounds& current, bool background) const;
  // Ends the drag in force, whichever button was released.
  void release() { mode_ = NoDrag; }

  Mode mode() const { return mode_; }
  bool dragging() const { return mode_ != NoDrag; }
  Mode hovered() const { return hovered_; }

private:
  QPoint pressAt_;
  QSize pressSize_{0, 0};
  Mode mode_ = NoDrag;
  Mode hovered_ = NoDrag;
};
