// Screen and logo pixels at each of the view's scales, and a drag's bounds from the pointer.
#include "ui/canvas/pointerdrag.h"
#include "ui/canvas/viewscale.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using V = std::vector<qint64>;

TEST(ViewScale, MapsScreenAndLogoAtEveryScale) {
  const V edges{-8, -1, 1, 4, 5, 12}, screenPixels{-1, 0, 1, 7, 8}, travels{-5, -4, -3, -1, 1, 2, 3};
  const std::vector<int> dragTravels{1, 2, 3, 5, 3, 0};
  // Where each logo edge lands; the logo pixel each screen pixel shows (below 100 %, the one under
  // its centre); travel over the screen in logo pixels, halves away from 0; and the left of a part
  // at (5, 5) dragged from a press on its inside by each of `dragTravels` in turn, across and down
  // alike: it counts from the press by the whole travel, so it keeps to the pointer and ends where
  // it began, where adding each step's rounded pixel would creep.
  struct Row {
    int step;
    const char* text;
    V edgesOnScreen, logoPixels, logoTravels, dragLefts;
  };
  const Row rows[] = {
      {3, "800%", {-64, -8, 8, 32, 40, 96}, {-1, 0, 0, 0, 1}, {-1, -1, 0, 0, 0, 0, 0}, {5, 5, 5, 6, 5, 5}},
      {2, "400%", {-32, -4, 4, 16, 20, 48}, {-1, 0, 0, 1, 2}, {-1, -1, -1, 0, 0, 1, 1}, {5, 6, 6, 6, 6, 5}},
      {1, "200%", {-16, -2, 2, 8, 10, 24}, {-1, 0, 0, 3, 4}, {-3, -2, -2, -1, 1, 1, 2}, {6, 6, 7, 8, 7, 5}},
      {0, "100%", {-8, -1, 1, 4, 5, 12}, {-1, 0, 1, 7, 8}, {-5, -4, -3, -1, 1, 2, 3}, {6, 7, 8, 10, 8, 5}},
      {-1, "50%", {-4, -1, 0, 2, 2, 6}, {-1, 1, 3, 15, 17}, {-10, -8, -6, -2, 2, 4, 6}, {7, 9, 11, 15, 11, 5}},
      {-2, "25%", {-2, 0, 0, 1, 1, 3}, {-2, 2, 6, 30, 34}, {-20, -16, -12, -4, 4, 8, 12}, {9, 13, 17, 25, 17, 5}},
      {-3, "12.5%", {-1, 0, 0, 0, 1, 1}, {-4, 4, 12, 60, 68}, {-40, -32, -24, -8, 8, 16, 24}, {13, 21, 29, 45, 29, 5}},
  };
  for (const Row& r : rows) {
    const ViewScale scale = ViewScale::atStep(r.step);
    EXPECT_EQ(scale.percentText(), QString::fromLatin1(r.text));
    V shown, pixels, logoTravels, lefts, tops;
    for (qint64 e : edges) shown.push_back(scale.screenEdge(e));
    for (qint64 s : screenPixels) pixels.push_back(scale.logoPixel(s));
    for (qint64 t : travels) logoTravels.push_back(scale.logoTravel(t));
    PointerDrag drag;
    const Bounds pressed{5, 5, 20, 20};
    const QSize size = scale.screenRect(pressed).size();
    drag.hover({size.width() / 2, size.height() / 2}, size, PointerDrag::Target::PicturePart, {}, scale);
    drag.press(Qt::LeftButton, {10, 10}, pressed, scale);
    for (int travel : dragTravels) {
      const Bounds moved = drag.move({10 + travel, 10 + travel}, false)->bounds;
      lefts.push_back(moved.left);
      tops.push_back(moved.top);
    }
    EXPECT_EQ(shown, r.edgesOnScreen) << r.text;
    EXPECT_EQ(pixels, r.logoPixels) << r.text;
    EXPECT_EQ(logoTravels, r.logoTravels) << r.text;
    EXPECT_EQ(lefts, r.dragLefts) << r.text;
    EXPECT_EQ(tops, r.dragLefts) << r.text;
  }
  EXPECT_EQ(ViewScale::atStep(4), ViewScale::atStep(3)) << "800 % is the last step in";
  EXPECT_EQ(ViewScale::atStep(-4), ViewScale::atStep(-3)) << "12.5 % the last step out";
  // A part of no width or no height shows nothing at any scale.
  EXPECT_EQ(ViewScale::atStep(3).screenRect({3, 9, 0, 5}), QRect(24, 72, 0, 40));
  EXPECT_EQ(ViewScale::atStep(-3).screenRect({3, 9, 2, 0}), QRect(0, 1, 1, 0));
  // A part smaller than a screen pixel keeps one, to be seen and pressed; one shown too small for
  // the zones is all inside, so it can be moved, except at 100 %, where the zones are as ever.
  EXPECT_EQ(ViewScale::atStep(-3).screenRect({3, 9, 2, 3}), QRect(0, 1, 1, 1));
  // Shown 7 pixels a side is too small; at 8 the corners are zones again.
  const struct {
    int step, side, mode;
  } pressed[] = {{-3, 5, 1}, {0, 5, 6}, {1, 7, 1}, {3, 7, 1}, {1, 8, 6}, {3, 8, 6}};
  for (const auto& p : pressed) {
    PointerDrag drag;
    EXPECT_EQ(drag.hover({3, 3}, {p.side, p.side}, PointerDrag::Target::PicturePart, {}, ViewScale::atStep(p.step)),
              p.mode)
        << p.step << " " << p.side;
  }
}

}  // namespace
