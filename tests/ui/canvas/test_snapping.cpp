#include "support/mainfixture.h"

#include "render/raster.h"
#include "ui/canvas/snapguides.h"
#include "ui/canvas/snapping.h"

#include <QScrollBar>
#include <QSettings>

#include <limits>

namespace {

using snapping::Caught;
using snapping::Lines;
using snapping::Motion;
using snapping::Motions;

constexpr Motions kMove{Motion::Whole, Motion::Whole};
constexpr int kMin = std::numeric_limits<int>::min(), kMax = std::numeric_limits<int>::max();

// The background at (0, 0), 200 x 100, listed first; a part 21 wide at (300, 400), 31 high.
const Lines kLines{{0, 100, 200, 300, 310, 321}, {0, 50, 100, 400, 415, 431}};

struct SnapCase {
  const char* what;
  Bounds step;
  Motions motions;
  qint64 reach;
  Caught expected;
};

class Snapping : public ::testing::TestWithParam<SnapCase> {};

TEST_P(Snapping, CatchesTheNearestLineInReach) {
  const SnapCase& c = GetParam();
  EXPECT_EQ(snapping::snap(c.step, c.motions, kLines, c.reach), c.expected) << c.what;
}

const SnapCase kSnapCases[] = {
    // The reach is six screen pixels: 6, 3 and 12 logo pixels at 100 %, 200 % and 50 %.
    {"left 6 from the background's left, 100 %", {106, 700, 50, 10}, kMove, 6, {{100, 700, 50, 10}, 100, {}}},
    {"left 7 away, 100 %", {107, 700, 50, 10}, kMove, 6, {{107, 700, 50, 10}, {}, {}}},
    {"left 6 to the left of it", {94, 700, 50, 10}, kMove, 6, {{100, 700, 50, 10}, 100, {}}},
    {"3 away, 200 %", {103, 700, 50, 10}, kMove, 3, {{100, 700, 50, 10}, 100, {}}},
    {"4 away, 200 %", {104, 700, 50, 10}, kMove, 3, {{104, 700, 50, 10}, {}, {}}},
    {"12 away, 50 %", {112, 700, 50, 10}, kMove, 12, {{100, 700, 50, 10}, 100, {}}},
    {"13 away, 50 %", {113, 700, 50, 10}, kMove, 12, {{113, 700, 50, 10}, {}, {}}},
    {"the right edge catches", {145, 700, 50, 10}, kMove, 6, {{150, 700, 50, 10}, 200, {}}},
    // 91 / 2 is 45: the centre is 307, three short of the part's centre line at 310.
    {"an odd width's centre rounds down", {262, 700, 91, 10}, kMove, 6, {{265, 700, 91, 10}, 310, {}}},
    {"the axes catch on their own", {104, 47, 50, 100}, kMove, 6, {{100, 50, 50, 100}, 100, 50}},
    {"a centre catches an edge", {130, 397, 50, 10}, kMove, 6, {{130, 395, 50, 10}, {}, 400}},
    {"the nearest line wins", {305, 700, 20, 10}, kMove, 6, {{301, 700, 20, 10}, 321, {}}},
    // Left 203 is 3 from the background's right, right 297 3 from the part's left.
    {"a tie goes to the line listed first", {203, 700, 94, 10}, kMove, 6, {{200, 700, 94, 10}, 200, {}}},
    {"a tie between the edges of one", {97, 700, 106, 10}, kMove, 6, {{100, 700, 106, 10}, 100, {}}},
    // Resizes: the moving edge alone catches, the opposite edge stays.
    {"the right edge, resized", {50, 700, 146, 10}, {Motion::End, Motion::Still}, 6, {{50, 700, 150, 10}, 200, {}}},
    {"a resize's centre does not catch",
     {50, 700, 104, 10},
     {Motion::End, Motion::Still},
     6,
     {{50, 700, 104, 10}, {}, {}}},
    {"nor a left-edge resize's centre",
     {150, 700, 96, 10},
     {Motion::Start, Motion::Still},
     6,
     {{150, 700, 96, 10}, {}, {}}},
    {"the left edge, resized", {97, 700, 60, 10}, {Motion::Start, Motion::Still}, 6, {{100, 700, 57, 10}, 100, {}}},
    {"a still axis stays", {98, 97, 60, 30}, {Motion::Still, Motion::Start}, 6, {{98, 100, 60, 27}, {}, 100}},
    {"the bottom edge", {600, 20, 60, 33}, {Motion::Still, Motion::End}, 6, {{600, 20, 60, 30}, {}, 50}},
    {"a corner: both axes", {97, 48, 60, 30}, {Motion::Start, Motion::Start}, 6, {{100, 50, 57, 28}, 100, 50}},
    {"the reach at 800 %: only a line met", {100, 701, 50, 10}, kMove, 0, {{100, 701, 50, 10}, 100, {}}},
    // -41 / 2 is -21 toward minus infinity: the centre is 321, on the part's right edge.
    {"a negative width's centre", {342, 700, -41, 10}, kMove, 0, {{342, 700, -41, 10}, 321, {}}},
    {"a size past the 32-bit range",
     {kMin, 700, kMax, 10},
     {Motion::End, Motion::Still},
     6,
     {{kMin, 700, kMax, 10}, 0, {}}},
};
INSTANTIATE_TEST_SUITE_P(Table, Snapping, ::testing::ValuesIn(kSnapCases),
                         [](const auto& row) { return std::to_string(row.index); });

TEST(SnappingRules, ReachIsSixScreenPixelsAndEdgesMoveByTheDrag) {
  const std::pair<int, qint64> reaches[] = {{-3, 48}, {-1, 12}, {0, 6}, {1, 3}, {2, 1}, {3, 0}};
  for (const auto& [step, reach] : reaches) EXPECT_EQ(snapping::reachAt(ViewScale::atStep(step)), reach) << step;

  using M = PointerDrag::Mode;
  const std::pair<M, std::pair<Motion, Motion>> motions[] = {
      {M::NoDrag, {Motion::Still, Motion::Still}},       {M::MoveDrag, {Motion::Whole, Motion::Whole}},
      {M::TopEdgeDrag, {Motion::Still, Motion::Start}},  {M::BottomEdgeDrag, {Motion::Still, Motion::End}},
      {M::LeftEdgeDrag, {Motion::Start, Motion::Still}}, {M::RightEdgeDrag, {Motion::End, Motion::Still}},
      {M::TopLeftDrag, {Motion::Start, Motion::Start}},  {M::TopRightDrag, {Motion::End, Motion::Start}},
      {M::BottomLeftDrag, {Motion::Start, Motion::End}}, {M::BottomRightDrag, {Motion::End, Motion::End}},
  };
  for (const auto& [mode, xy] : motions) {
    const Motions m = snapping::motionsOf(mode);
    EXPECT_EQ(std::pair(m.x, m.y), xy) << mode;
  }
}

// A window with snapping on, a white picture part 30 x 20 at 40 right of the background's left
// and 200 below its top, and a second one far off.
class SnapDrag : public MainWindowTest {
protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    for (int i = 0; i < 2; ++i) {
      const QString path = pictures.filePath(QStringLiteral("white%1.bmp").arg(i));
      ASSERT_TRUE(makeWhiteRaster(30, 20).save(path, "BMP"));
      dialogs->picturesToOpen.push_back(path);
      ASSERT_TRUE(addPart(pkPicture));
    }
    back = comp().bounds(BACKGROUND_INDEX);
    comp().setBounds(0, {back.left + 40, back.top + 200, 30, 20});
    comp().setBounds(1, {back.left + 1000, back.top + 1000, 30, 20});
    action("snapAction")->setChecked(true);
  }
  // Later tests in the run start as a first start does.
  void TearDown() override {
    action("snapAction")->setChecked(false);
    MainWindowTest::TearDown();
  }

  // Presses part 0 at `grip` (its own coordinates, scaled) and moves the pointer by `travel`
  // screen pixels, without letting go.
  void dragBy(QPoint grip, QPoint travel) {
    PictureControl* c = part(0);
    move(c, grip);
    press(c, Qt::LeftButton, grip);
    const QPoint start = c->pos() + grip;
    move(c, start + travel - c->pos());
  }
  void letGo() { release(part(0), Qt::LeftButton, {}); }

  SnapGuides* guides() { return child<SnapGuides>("snapGuides"); }
  // Whether the viewport shows the guides' colour at both ends of column `x` (or of row `x`).
  bool magentaLine(int x, bool column = true) {
    const QImage shown = canvasView()->viewport()->grab().toImage();
    const QPoint first = column ? QPoint(x, 0) : QPoint(0, x);
    const QPoint last = column ? QPoint(x, shown.height() - 1) : QPoint(shown.width() - 1, x);
    return shown.pixel(first) == qRgb(255, 0, 255) && shown.pixel(last) == qRgb(255, 0, 255);
  }

  Bounds back;
  QTemporaryDir pictures;
};

TEST_F(SnapDrag, CatchesWithinSixScreenPixelsAtEveryScale) {
  struct Row {
    int zoomStep, travel, left;  // the part's left after the drag, from the background's
  };
  // The pointer's travel in screen pixels; 40 logo pixels to go to the background's left.
  const Row rows[] = {{0, -34, 0}, {0, -33, 7}, {1, -74, 0}, {1, -72, 4}, {-1, -14, 0}, {-1, -13, 14}};
  for (const Row& r : rows) {
    comp().setBounds(0, {back.left + 40, back.top + 200, 30, 20});
    const ViewScale scale = ViewScale::atStep(r.zoomStep);
    canvasView()->zoomTo(scale, {});
    dragBy(QRect(QPoint(), part(0)->size()).center(), {r.travel, 0});
    EXPECT_EQ(comp().bounds(0), (Bounds{back.left + r.left, back.top + 200, 30, 20})) << r.zoomStep << r.travel;
    const std::optional<int> column =
        r.left == 0 ? std::optional(canvasView()->origin().x() + static_cast<int>(scale.screenEdge(back.left)))
                    : std::nullopt;
    EXPECT_EQ(guides()->column(), column) << r.zoomStep << r.travel;
    EXPECT_EQ(guides()->isVisible(), r.left == 0);
    letGo();
    EXPECT_FALSE(guides()->isVisible());
  }
}

// With the view scrolled: the line stands on the edge as the view shows it.
TEST_F(SnapDrag, AGuideLineShowsWhileCaughtAndGoesAtTheRelease) {
  canvasView()->horizontalScrollBar()->setValue(30);
  canvasView()->verticalScrollBar()->setValue(20);
  // Left 5 right of the background's left, top 3 above its bottom.
  dragBy({15, 10}, {-35, -143});
  const QPoint shown = backgroundControl()->mapTo(canvasView()->viewport(), QPoint(0, 0));
  const int column = shown.x(), row = shown.y() + 60;
  ASSERT_EQ(comp().bounds(0), (Bounds{back.left, back.top + 60, 30, 20}));
  EXPECT_TRUE(magentaLine(column));
  EXPECT_TRUE(magentaLine(row, false));
  letGo();
  EXPECT_FALSE(magentaLine(column));
  EXPECT_FALSE(magentaLine(row, false));

  dragBy({15, 10}, {-35, 100});
  EXPECT_TRUE(magentaLine(column));
  EXPECT_FALSE(magentaLine(row, false)) << "only what the step caught";
  comp().cancelDrag();
  EXPECT_FALSE(magentaLine(column)) << "a drag called off drops its guide";
}

// An edit made while the button is held ends the drag, the canvas's too: its guide goes and it
// drags no more (so zooms again).
TEST_F(SnapDrag, AnEditDuringADragEndsTheCanvasDragToo) {
  for (const char* edit : {"bringForwardAction", "cutAction", "deleteAction"}) {
    comp().setBounds(0, {back.left + 40, back.top + 200, 30, 20});
    dragBy({15, 10}, {-35, 0});
    ASSERT_TRUE(guides()->isVisible()) << edit;
    run(edit);
    EXPECT_FALSE(guides()->isVisible()) << edit;
    EXPECT_FALSE(canvasView()->pointerDrag().dragging()) << edit;
  }
}

TEST_F(SnapDrag, AResizeCatchesOnlyItsEdgeAndOffDragsAsBefore) {
  // The right edge, 4 short of the background's centre line: the left stays.
  dragBy({29, 10}, {26, 0});
  letGo();
  EXPECT_EQ(comp().bounds(0), (Bounds{back.left + 40, back.top + 200, 60, 20}));

  action("snapAction")->setChecked(false);
  comp().setBounds(0, {back.left + 40, back.top + 200, 30, 20});
  dragBy({15, 10}, {-35, 0});
  EXPECT_EQ(comp().bounds(0).left, back.left + 5);
  EXPECT_FALSE(guides()->isVisible());
  letGo();
}

TEST_F(SnapDrag, ALockedBackgroundStillDoesNotMove) {
  run("noMoveAction");
  PictureControl* b = backgroundControl();
  move(b, {100, 30});
  press(b, Qt::LeftButton, {100, 30});
  move(b, {97, 30});
  release(b, Qt::LeftButton, {97, 30});
  EXPECT_EQ(comp().bounds(BACKGROUND_INDEX), back);
  EXPECT_FALSE(guides()->isVisible());
}

TEST_F(SnapDrag, LinesComeFromTheBackgroundFirstThenTheOtherParts) {
  const snapping::Lines forPart = snapping::linesBesides(comp(), 0);
  const qint64 l = back.left, t = back.top;
  EXPECT_EQ(forPart.x, (std::vector<qint64>{l, l + 100, l + 200, l + 1000, l + 1015, l + 1030}));
  EXPECT_EQ(forPart.y, (std::vector<qint64>{t, t + 30, t + 60, t + 1000, t + 1010, t + 1020}));
  const snapping::Lines forBackground = snapping::linesBesides(comp(), BACKGROUND_INDEX);
  EXPECT_EQ(forBackground.x, (std::vector<qint64>{l + 40, l + 55, l + 70, l + 1000, l + 1015, l + 1030}));
}

TEST_F(MainWindowTest, SnappingIsOffAtFirstStartThenAsLastLeft) {
  EXPECT_FALSE(action("snapAction")->isChecked());
  EXPECT_FALSE(canvasView()->snapping());
  run("snapAction");
  EXPECT_TRUE(canvasView()->snapping());
  const auto again = [] {
    MainWindow second(std::make_unique<ScriptedDialogs>());
    return second.findChild<QAction*>(u"snapAction"_qs)->isChecked() &&
           second.findChild<CanvasView*>(u"canvasScroll"_qs)->snapping();
  };
  EXPECT_TRUE(again());
  run("snapAction");
  EXPECT_FALSE(again());
}

}  // namespace
