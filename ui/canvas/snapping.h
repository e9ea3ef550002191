#pragma once

#include "model/bounds.h"
#include "ui/canvas/pointerdrag.h"
#include "ui/canvas/viewscale.h"

#include <optional>
#include <vector>

class Composition;

// Snapping, for the drag in force: the dragged thing's lines that move catch the lines of the
// things that stay, when they come within reach. Everything here is logo pixels.
//
// A thing offers three lines an axis: its start edge, its centre and its end edge. The end edge is
// start + size (the edge after its last pixel), and the centre is start + size / 2 rounded toward
// minus infinity, so a part 21 wide at 10 has its centre at 20, the same as one 20 wide there.
namespace snapping {

// What a drag does along one axis: nothing, moves the whole thing (all three lines catch), or moves
// only its start or its end edge (that edge alone catches, the other stays where it is).
enum class Motion { Still, Whole, Start, End };

struct Motions {
  Motion x = Motion::Still;
  Motion y = Motion::Still;
};
Motions motionsOf(PointerDrag::Mode mode);

// The lines that catch, an axis each, in order of precedence: a tie goes to the one listed first.
struct Lines {
  std::vector<qint64> x;
  std::vector<qint64> y;
};
// The background's lines, then every part's but the dragged ones (`dragged`: parts' indices in
// ascending order, or BACKGROUND_INDEX alone).
Lines linesBesides(const Composition& composition, const std::vector<int>& dragged);
inline Lines linesBesides(const Composition& composition, int dragged) {
  return linesBesides(composition, std::vector<int>{dragged});
}

// Where a step's bounds end up, and the lines they caught, if any.
struct Caught {
  Bounds bounds;
  std::optional<qint64> x;
  std::optional<qint64> y;
  friend bool operator==(const Caught&, const Caught&) = default;
};
// The step's bounds caught by the nearest line within `reach` on each axis on its own.
Caught snap(const Bounds& step, Motions motions, const Lines& lines, qint64 reach);

// How far a line catches at `scale`: six screen pixels, as whole logo pixels (none lost at 800 %,
// where a logo pixel is eight screen pixels and only a line met exactly catches).
qint64 reachAt(ViewScale scale);

}  // namespace snapping
