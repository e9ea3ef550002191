// Screen and logo pixels at each of the view's scales, and a drag's bounds from the pointer.
#include "ui/main/pointerdrag.h"
#include "ui/main/viewscale.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(ViewScale, MapsScreenAndLogoAtEveryScale) {
  const std::vector<qint64> edges{-8, -1, 0, 1, 3, 4, 5, 12};
  const std::vector<qint64> screenPixels{-1, 0, 1, 7, 8, 9};
  const std::vector<qint64> travels{-5, -4, -3, -1, 0, 1, 2, 3, 4, 5};
  struct Row {
    int step;
    const char* text;
    std::vector<qint64> edgesOnScreen;  // where each logo edge lands
    std::vector<qint64> logoPixels;     // the logo pixel each screen pixel shows
    std::vector<qint64> logoTravels;    // travel over the screen as logo pixels, halves away from 0
  };
  const Row rows[] = {
      {3, "800%", {-64, -8, 0, 8, 24, 32, 40, 96}, {-1, 0, 0, 0, 1, 1}, {-1, -1, 0, 0, 0, 0, 0, 0, 1, 1}},
      {2, "400%", {-32, -4, 0, 4, 12, 16, 20, 48}, {-1, 0, 0, 1, 2, 2}, {-1, -1, -1, 0, 0, 0, 1, 1, 1, 1}},
      {1, "200%", {-16, -2, 0, 2, 6, 8, 10, 24}, {-1, 0, 0, 3, 4, 4}, {-3, -2, -2, -1, 0, 1, 1, 2, 2, 3}},
      {0, "100%", {-8, -1, 0, 1, 3, 4, 5, 12}, {-1, 0, 1, 7, 8, 9}, {-5, -4, -3, -1, 0, 1, 2, 3, 4, 5}},
      // Below 100 % a screen pixel shows the logo pixel under its centre, and an edge lands
      // before the first screen pixel whose centre lies past it.
      {-1, "50%", {-4, -1, 0, 0, 1, 2, 2, 6}, {-1, 1, 3, 15, 17, 19}, {-10, -8, -6, -2, 0, 2, 4, 6, 8, 10}},
      {-2, "25%", {-2, 0, 0, 0, 1, 1, 1, 3}, {-2, 2, 6, 30, 34, 38}, {-20, -16, -12, -4, 0, 4, 8, 12, 16, 20}},
      {-3, "12.5%", {-1, 0, 0, 0, 0, 0, 1, 1}, {-4, 4, 12, 60, 68, 76}, {-40, -32, -24, -8, 0, 8, 16, 24, 32, 40}},
  };
  for (const Row& r : rows) {
    const ViewScale scale = ViewScale::atStep(r.step);
    EXPECT_EQ(scale.percentText(), QString::fromLatin1(r.text));
    for (size_t i = 0; i < edges.size(); ++i) EXPECT_EQ(scale.screenEdge(edges[i]), r.edgesOnScreen[i]) << r.text;
    for (size_t i = 0; i < screenPixels.size(); ++i)
      EXPECT_EQ(scale.logoPixel(screenPixels[i]), r.logoPixels[i]) << r.text << " screen " << screenPixels[i];
    for (size_t i = 0; i < travels.size(); ++i)
      EXPECT_EQ(scale.logoTravel(travels[i]), r.logoTravels[i]) << r.text << " travel " << travels[i];
  }
  EXPECT_EQ(ViewScale::atStep(4), ViewScale::atStep(3)) << "800 % is the last step in";
  EXPECT_EQ(ViewScale::atStep(-4), ViewScale::atStep(-3)) << "12.5 % the last out";
  // A part smaller than a screen pixel keeps one, so it can still be seen and pressed.
  EXPECT_EQ(ViewScale::atStep(-3).screenRect({3, 9, 2, 3}), QRect(0, 1, 1, 1));
  EXPECT_EQ(ViewScale::atStep(-3).screenRect({3, 9, 0, 3}), QRect(0, 1, 0, 1));
}

// The pointer travels one screen pixel at a time, right and back, pressed at (10, 10) on a part at
// (5, 5), 20 by 20: each step's bounds come from the press and the whole travel, so the part keeps
// to the pointer and ends where it started, where adding each step's rounded pixel would creep.
TEST(ViewScale, DragsFollowThePointerWithoutDrift) {
  struct Case {
    int step;
    QPoint hoverAt;          // in the control, choosing the drag
    std::vector<int> lefts;  // after travels 1..5, then 4..0
    std::vector<int> widths;
  };
  const Case cases[] = {
      {1, {5, 5}, {6, 6, 7, 7, 8, 7, 7, 6, 6, 5}, {20, 20, 20, 20, 20, 20, 20, 20, 20, 20}},
      {3, {80, 80}, {5, 5, 5, 6, 6, 6, 5, 5, 5, 5}, {20, 20, 20, 20, 20, 20, 20, 20, 20, 20}},
      {2, {78, 40}, {5, 5, 5, 5, 5, 5, 5, 5, 5, 5}, {20, 21, 21, 21, 21, 21, 21, 21, 20, 20}},
      {-2, {2, 2}, {9, 13, 17, 21, 25, 21, 17, 13, 9, 5}, {20, 20, 20, 20, 20, 20, 20, 20, 20, 20}},
  };
  for (const Case& c : cases) {
    const ViewScale scale = ViewScale::atStep(c.step);
    const Bounds pressed{5, 5, 20, 20};
    const QRect shown = scale.screenRect(pressed);
    PointerDrag drag;
    drag.hover(c.hoverAt, shown.size(), PointerDrag::Target::PicturePart, {}, scale);
    drag.press(Qt::LeftButton, QPoint(10, 10), pressed, scale);
    std::vector<int> lefts, widths;
    for (int travel : {1, 2, 3, 4, 5, 4, 3, 2, 1, 0}) {
      const Bounds b = drag.move(QPoint(10 + travel, 10), false)->bounds;
      lefts.push_back(b.left);
      widths.push_back(b.width);
      EXPECT_EQ(b.top, 5);
    }
    EXPECT_EQ(lefts, c.lefts) << scale.percentText().toStdString();
    EXPECT_EQ(widths, c.widths) << scale.percentText().toStdString();
  }
}

// The zones keep their screen size at every scale. Shown too small for them, a part is all inside
// along that axis and so stays movable, except at 100 %, where the zones are as they always were.
TEST(ViewScale, ZonesKeepTheirScreenSize) {
  using Mode = PointerDrag::Mode;
  struct Case {
    int step;
    QPoint at;
    QSize shown;
    Mode mode;
  };
  const Case cases[] = {
      {2, {3, 50}, {400, 200}, Mode::LeftEdgeDrag}, {2, {4, 50}, {400, 200}, Mode::MoveDrag},
      {-3, {2, 2}, {5, 5}, Mode::MoveDrag},         {0, {2, 2}, {5, 5}, Mode::TopLeftDrag},
      {-3, {1, 1}, {3, 20}, Mode::TopEdgeDrag},     {-3, {1, 10}, {3, 20}, Mode::MoveDrag},
      {-2, {40, 1}, {50, 7}, Mode::MoveDrag},       {-2, {48, 1}, {50, 7}, Mode::RightEdgeDrag},
  };
  for (const Case& c : cases) {
    PointerDrag drag;
    EXPECT_EQ(drag.hover(c.at, c.shown, PointerDrag::Target::PicturePart, {}, ViewScale::atStep(c.step)), c.mode)
        << c.step << " at " << c.at.x() << "," << c.at.y();
  }
}

}  // namespace
