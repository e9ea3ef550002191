#include "ui/canvas/pointerdrag.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

namespace {

using Mode = PointerDrag::Mode;
using Target = PointerDrag::Target;
using Locks = PointerDrag::Locks;

constexpr int kMax = std::numeric_limits<int>::max();
constexpr int kMin = std::numeric_limits<int>::min();

// The mode of every pixel of a small control, a row a string: the left and top bands are four
// pixels deep, the right and bottom edges three, and corners win where bands overlap.
TEST(PointerDrag, ZoneOfEveryPixelOfSmallControls) {
  const std::vector<std::vector<std::string>> maps{
      {"6"},
      {"6666", "6666", "6666", "6666"},
      {"66667", "66667", "66667", "66667", "88889"},
      {"66667777", "66667777", "66667777", "66667777", "88889999", "88889999", "88889999", "88889999"},
      {"666622227777", "666622227777", "666622227777", "666622227777", "444411111555", "444411111555", "888811119999",
       "888833339999", "888833339999", "888833339999"},
  };
  for (const std::vector<std::string>& map : maps) {
    const QSize size(static_cast<int>(map[0].size()), static_cast<int>(map.size()));
    for (int y = 0; y < size.height(); ++y)
      for (int x = 0; x < size.width(); ++x)
        EXPECT_EQ(PointerDrag::zoneAt({x, y}, size), map[y][x] - '0')
            << size.width() << "x" << size.height() << " at " << x << "," << y;
  }
}

TEST(PointerDrag, LocksHoldTheBackgroundAndTextPartsOnlyMove) {
  struct Case {
    Target target;
    Locks locks;
    QPoint at;  // on a control 100 by 50
    int mode;
  };
  const QPoint inside(50, 20), edge(0, 20), corner(99, 49);
  const Case cases[] = {
      {Target::Background, {}, inside, 1},
      {Target::Background, {true, false}, inside, 0},
      {Target::Background, {true, false}, edge, 4},
      {Target::Background, {true, false}, corner, 9},
      {Target::Background, {false, true}, inside, 1},
      {Target::Background, {false, true}, edge, 0},
      {Target::Background, {false, true}, corner, 0},
      {Target::Background, {true, true}, inside, 0},
      {Target::PicturePart, {true, true}, inside, 1},
      {Target::PicturePart, {true, true}, edge, 4},
      {Target::PicturePart, {true, true}, corner, 9},
      {Target::TextPart, {}, corner, 1},
      {Target::TextPart, {true, true}, edge, 1},
  };
  for (const Case& c : cases) {
    PointerDrag drag;
    EXPECT_EQ(drag.hover(c.at, {100, 50}, c.target, c.locks), c.mode) << int(c.target) << " at " << c.at.x();
    EXPECT_EQ(drag.hovered(), c.mode);
  }
}

// A drag armed where it is hovered and pressed, on a control 100 by 50 at 100 %: `press` is in the
// control's coordinates, and the canvas's are the same shifted by the bounds' top-left.
PointerDrag armed(QPoint press, Bounds bounds = {0, 0, 100, 50}) {
  PointerDrag drag;
  drag.hover(press, {bounds.width, bounds.height}, Target::PicturePart, {});
  drag.press(Qt::LeftButton, press + QPoint(bounds.left, bounds.top), bounds);
  return drag;
}

TEST(PointerDrag, EachModeMovesItsSidesFromItsFormula) {
  struct Case {
    QPoint press;
    int mode;
    Bounds expected;
    bool width, height;  // the size edits that follow on the background
    bool onParts;        // and whether they follow on parts as well
  };
  // Every side counts from the bounds at the press; the pointer travels (+7, -3) from the press.
  const Bounds pressed{10, 20, 100, 50};
  const Case cases[] = {
      {{50, 20}, 1, {17, 17, 100, 50}, false, false, false}, {{50, 1}, 2, {10, 17, 100, 53}, false, true, false},
      {{50, 48}, 3, {10, 20, 100, 47}, false, true, false},  {{1, 20}, 4, {17, 20, 93, 50}, true, false, false},
      {{98, 20}, 5, {10, 20, 107, 50}, true, false, false},  {{1, 1}, 6, {17, 17, 93, 53}, true, true, true},
      {{98, 1}, 7, {10, 17, 107, 53}, true, true, true},     {{1, 48}, 8, {17, 20, 93, 47}, true, true, true},
      {{98, 48}, 9, {10, 20, 107, 47}, true, true, true},
  };
  for (const Case& c : cases) {
    const PointerDrag drag = armed(c.press, pressed);
    ASSERT_EQ(drag.mode(), c.mode);
    const QPoint at = c.press + QPoint(pressed.left, pressed.top) + QPoint(7, -3);
    EXPECT_EQ(drag.move(at, true), (PointerDrag::Step{c.expected, c.width, c.height})) << c.mode;
    EXPECT_EQ(drag.move(at, false), (PointerDrag::Step{c.expected, c.onParts, c.onParts})) << c.mode;
  }
}

TEST(PointerDrag, BoundsStopAtTheEndsOf32Bits) {
  struct Case {
    QPoint press;
    QSize size;
    Bounds current;
    QPoint at;
    Bounds expected;
  };
  const Case cases[] = {
      {{50, 20}, {100, 50}, {kMax - 1, kMin + 1, 100, 50}, {60, 10}, {kMax, kMin, 100, 50}},
      // The travel itself does not fit in 32 bits.
      {{1, 20}, {100, 50}, {10, 20, 100, 50}, {kMin, 20}, {kMin + 9, 20, kMax, 50}},
      {{1, 1}, {100, 50}, {kMin, kMin, 100, 50}, {-5, -5}, {kMin, kMin, 106, 56}},
      {{kMax - 1, kMax - 1}, {kMax, kMax}, {0, 0, kMax, kMax}, {kMax, kMax}, {0, 0, kMax, kMax}},
  };
  for (const Case& c : cases) {
    PointerDrag drag;
    drag.hover(c.press, c.size, Target::PicturePart, {});
    drag.press(Qt::LeftButton, c.press, c.current);
    const std::optional<PointerDrag::Step> step = drag.move(c.at, false);
    ASSERT_TRUE(step);
    EXPECT_EQ(step->bounds, c.expected) << c.press.x() << "," << c.press.y();
  }
}

TEST(PointerDrag, OnlyALeftPressArmsAndAnyReleaseEnds) {
  PointerDrag drag;
  EXPECT_FALSE(drag.move({5, 5}, false)) << "nothing before a press";
  drag.hover({50, 20}, {100, 50}, Target::PicturePart, {});
  drag.press(Qt::RightButton, {50, 20}, {0, 0, 100, 50});
  drag.press(Qt::MiddleButton, {50, 20}, {0, 0, 100, 50});
  EXPECT_FALSE(drag.dragging());

  // The press takes the last hover's mode, not its own point's.
  drag.hover({1, 1}, {100, 50}, Target::PicturePart, {});
  drag.press(Qt::LeftButton, {50, 20}, {0, 0, 100, 50});
  EXPECT_EQ(drag.mode(), Mode::TopLeftDrag);
  drag.press(Qt::RightButton, {0, 0}, {0, 0, 7, 7});  // neither ends the drag nor moves the press
  EXPECT_EQ(drag.move({52, 25}, false)->bounds, (Bounds{2, 5, 98, 45}));

  drag.release();
  EXPECT_FALSE(drag.dragging());
  EXPECT_FALSE(drag.move({60, 30}, false));
  EXPECT_EQ(drag.hovered(), Mode::TopLeftDrag) << "the hover stays for the next press";

  PointerDrag locked;  // a press where a lock cleared the hover starts nothing
  locked.hover({50, 20}, {100, 50}, Target::Background, {true, false});
  locked.press(Qt::LeftButton, {50, 20}, {0, 0, 100, 50});
  EXPECT_FALSE(locked.dragging());
}

}  // namespace
