// Several parts on the canvas: presses with Shift and Ctrl, the rubber band, a drag of several
// with its snapping, Escape, and the marks drawn over the view.

#include "support/mainfixture.h"

#include "support/files.h"
#include "ui/canvas/selectionmarks.h"
#include "ui/canvas/snapguides.h"

#include <QApplication>

namespace {

// Three picture parts left of the background, which stands far off: A {10, 10, 30, 20},
// B {60, 40, 20, 20} and C {100, 100, 20, 20}.
class SeveralParts : public MainWindowTest {
protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    const Bounds places[] = {{10, 10, 30, 20}, {60, 40, 20, 20}, {100, 100, 20, 20}};
    for (const Bounds& b : places) {
      dialogs->picturesToOpen.push_back(savedPicture(dir, "p.bmp", {b.width, b.height}));
      ASSERT_TRUE(addPart(pkPicture));
      comp().setBounds(document().PartCount - 1, b);
    }
    comp().setBounds(BACKGROUND_INDEX, {200, 200, 200, 60});
  }
  // A press on part `i` at `at` of it, with `keys`, the pointer moved by `travel`, and the release.
  void click(int i, Qt::KeyboardModifiers keys, QPoint at = {2, 2}, QPoint travel = {}) {
    PictureControl* c = part(i);
    move(c, at);
    Q_EMIT c->pressed(c, Qt::LeftButton, at, keys);
    if (!travel.isNull()) move(c, at + travel);
    release(c, Qt::LeftButton, at + travel);
  }
  // A band on the empty canvas from `from` to `to`, canvas coordinates, through the window as the
  // mouse goes, the press's widget keeping the mouse; let go unless `hold`.
  void band(QPoint from, QPoint to, Qt::KeyboardModifiers keys = {}, bool hold = false) {
    QTest::mousePress(w().windowHandle(), Qt::LeftButton, keys, canvas()->mapTo(&w(), from));
    QTest::mouseMove(w().windowHandle(), canvas()->mapTo(&w(), to));
    if (!hold) letGo(to, keys);
  }
  void letGo(QPoint at, Qt::KeyboardModifiers keys = {}) {
    QTest::mouseRelease(w().windowHandle(), Qt::LeftButton, keys, canvas()->mapTo(&w(), at));
  }
  std::vector<int> selected() { return comp().selection().parts(); }
  // The view's pixel at a point of the canvas.
  QRgb shown(QPoint canvasPoint) {
    QCoreApplication::processEvents();  // the marks are drawn once the events in hand are done
    return canvasView()->viewport()->grab().toImage().pixel(canvasView()->origin() + canvasPoint);
  }
  QTemporaryDir dir;
};

TEST_F(SeveralParts, ShiftAndCtrlPressesToggleAndAPlainClickSelectsAlone) {
  struct Step {
    int part;
    Qt::KeyboardModifiers keys;
    QPoint travel;
    std::vector<int> expected;
  };
  const QPoint shortOfADrag(QApplication::startDragDistance() / 2, 0);
  const Step steps[] = {{0, Qt::NoModifier, {}, {0}},
                        {1, Qt::ControlModifier, {}, {0, 1}},
                        {2, Qt::ShiftModifier, {}, {0, 1, 2}},
                        {1, Qt::ControlModifier, {}, {0, 2}},
                        {1, Qt::ShiftModifier, shortOfADrag, {0, 1, 2}},
                        {2, Qt::NoModifier, {}, {2}},
                        {2, Qt::ShiftModifier, {}, {}},
                        {BACKGROUND_INDEX, Qt::ControlModifier, {}, {}}};
  for (const Step& s : steps) {
    click(s.part, s.keys, {2, 2}, s.travel);
    EXPECT_EQ(selected(), s.expected) << s.part << " " << s.keys.toInt();
  }
}

// The band takes the parts wholly inside it: A's pixels run 10..39 across and 10..29 down.
TEST_F(SeveralParts, TheBandTakesThePartsWhollyInside) {
  struct Row {
    QPoint from, to;
    Qt::KeyboardModifiers keys;
    std::vector<int> expected;  // C was selected before
  };
  const Row rows[] = {{{5, 5}, {39, 29}, {}, {0}},
                      {{5, 5}, {38, 29}, {}, {}},
                      {{5, 5}, {39, 28}, {}, {}},
                      {{45, 35}, {10, 10}, {}, {0}},
                      {{45, 35}, {11, 10}, {}, {}},
                      {{45, 35}, {10, 11}, {}, {}},
                      {{5, 5}, {39, 29}, Qt::ShiftModifier, {0, 2}}};
  for (const Row& r : rows) {
    selectPart(2);
    band(r.from, r.to, r.keys);
    EXPECT_EQ(selected(), r.expected) << r.to.x() << "," << r.to.y();
  }
  selectPart(2);
  click(1, Qt::ShiftModifier, {0, 0}, {19, 19});  // a Shift drag from B's first pixel to its last
  EXPECT_EQ(selected(), (std::vector<int>{1, 2}));
}

// A drag from A moves A and B alike; with snapping, the box around them {10, 10, 70, 50} catches C
// and never the lines A and B left.
TEST_F(SeveralParts, ADragMovesThemAllAndTheirBoxSnaps) {
  struct Row {
    bool snap;
    QPoint travel, a;
    std::optional<int> column, row;  // the guides, canvas coordinates
  };
  // Snapping off last, as a first start has it.
  const Row rows[] = {{true, {4, 0}, {14, 10}, {}, {}},
                      {true, {17, 0}, {30, 10}, 100, {}},
                      {true, {58, 0}, {65, 10}, 100, {}},
                      {true, {0, 37}, {10, 50}, {}, 100},
                      {false, {7, 3}, {17, 13}, {}, {}}};
  for (const Row& r : rows) {
    comp().setBounds(0, {10, 10, 30, 20});
    comp().setBounds(1, {60, 40, 20, 20});
    comp().selectParts({0, 1}, false);
    action("snapAction")->setChecked(r.snap);
    PictureControl* a = part(0);
    move(a, {2, 2});  // an edge zone of one part alone: several only ever move
    press(a, Qt::LeftButton, {2, 2});
    move(a, QPoint(2, 2) + r.travel);
    const auto guide = [this](std::optional<int> at, int origin) { return at ? std::optional(origin + *at) : at; };
    const SnapGuides* guides = child<SnapGuides>("snapGuides");
    EXPECT_EQ(std::pair(guides->column(), guides->row()),
              std::pair(guide(r.column, canvasView()->origin().x()), guide(r.row, canvasView()->origin().y())));
    release(a, Qt::LeftButton, {});
    const QPoint by = QPoint(r.a) - QPoint(10, 10);
    EXPECT_EQ(comp().bounds(0), (Bounds{r.a.x(), r.a.y(), 30, 20})) << r.travel.x() << "," << r.travel.y();
    EXPECT_EQ(comp().bounds(1), (Bounds{60 + by.x(), 40 + by.y(), 20, 20}));
    EXPECT_EQ(selected(), (std::vector<int>{0, 1}));
  }
}

// Escape puts several parts back mid-drag, and drops a band unused.
TEST_F(SeveralParts, EscapeCallsOffADragOfSeveralAndABand) {
  w().activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w()));
  comp().selectParts({0, 1}, false);
  press(part(0), Qt::LeftButton, {5, 5});
  move(part(0), {25, 15});
  QTest::keyClick(canvasView(), Qt::Key_Escape);
  EXPECT_EQ(comp().bounds(0), (Bounds{10, 10, 30, 20}));
  EXPECT_EQ(comp().bounds(1), (Bounds{60, 40, 20, 20}));
  release(part(0), Qt::LeftButton, {});
  band({5, 5}, {130, 130}, {}, true);
  QTest::keyClick(canvasView(), Qt::Key_Escape);
  letGo({130, 130});
  EXPECT_EQ(selected(), (std::vector<int>{0, 1}));
}

// A frame a pixel outside each selected part, the dashed box three out around several, and the
// band dashed on its own edge pixels, dark first in runs of four.
TEST_F(SeveralParts, FramesTheBoxAndTheBandAreDrawnOverTheView) {
  const QRgb frame = qRgb(0x00, 0x78, 0xD7), dark = qRgb(0, 0, 0), light = qRgb(255, 255, 255);
  comp().selectParts({0, 1}, false);
  band({130, 5}, {180, 30}, {}, true);
  // A's frame; the box's top row and its right column 40 down; the band's alike.
  const std::pair<QPoint, QRgb> pixels[] = {{{9, 9}, frame},  {{40, 20}, frame}, {{7, 7}, dark},    {{11, 7}, light},
                                            {{82, 50}, dark}, {{130, 5}, dark},  {{134, 5}, light}, {{180, 13}, dark}};
  for (const auto& [at, colour] : pixels) EXPECT_EQ(shown(at), colour) << at.x() << "," << at.y();
}

}  // namespace
