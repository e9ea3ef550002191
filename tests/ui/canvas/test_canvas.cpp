#include "support/mainfixture.h"

#include "model/fixedstring.h"
#include "render/raster.h"
#include "ui/canvas/canvasview.h"
#include "ui/panel/colourpanel.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QToolButton>

#include <cstring>

namespace {

// A white picture part of the given size at (10, 20), added as the user adds one.
class Canvas : public MainWindowTest {
protected:
  PictureControl* addPicturePart(int width, int height) {
    const QString path = pictures.filePath(QStringLiteral("pic%1.bmp").arg(document().PartCount));
    EXPECT_TRUE(makeWhiteRaster(width, height).save(path, "BMP"));
    dialogs->picturesToOpen.push_back(path);
    EXPECT_TRUE(addPart(pkPicture));
    PictureControl* c = part(document().PartCount - 1);
    comp().setBounds(c->partIndex(), {10, 20, width, height});
    return c;
  }

  int hover(PictureControl* c, int x, int y) {
    move(c, QPoint(x, y));
    return canvasView()->pointerDrag().hovered();
  }

  // Press at (x, y) after hovering there, then move through `points` in the control's own
  // coordinates as they are at each event.
  void drag(PictureControl* c, QPoint from, std::initializer_list<QPoint> points) {
    hover(c, from.x(), from.y());
    press(c, Qt::LeftButton, from);
    for (QPoint p : points) move(c, p);
    release(c, Qt::LeftButton, points.size() ? *(points.end() - 1) : from);
  }

  QTemporaryDir pictures;
};

struct Zone {
  int x, y, mode;
  Qt::CursorShape cursor;
};

TEST_F(Canvas, HoverZonesOfAHundredByFiftyPicture) {
  PictureControl* c = addPicturePart(100, 50);
  const Zone zones[] = {
      {3, 20, 4, Qt::SizeHorCursor},    {4, 20, 1, Qt::PointingHandCursor},  {96, 20, 1, Qt::PointingHandCursor},
      {97, 20, 5, Qt::SizeHorCursor},   {50, 46, 1, Qt::PointingHandCursor}, {50, 47, 3, Qt::SizeVerCursor},
      {96, 0, 7, Qt::SizeBDiagCursor},  {96, 46, 9, Qt::SizeFDiagCursor},    {3, 46, 8, Qt::SizeBDiagCursor},
      {0, 0, 6, Qt::SizeFDiagCursor},   {50, 3, 2, Qt::SizeVerCursor},       {50, 4, 1, Qt::PointingHandCursor},
      {99, 49, 9, Qt::SizeFDiagCursor}, {95, 45, 1, Qt::PointingHandCursor},
  };
  for (const Zone& z : zones) {
    EXPECT_EQ(hover(c, z.x, z.y), z.mode) << z.x << "," << z.y;
    EXPECT_EQ(c->cursor().shape(), z.cursor) << z.x << "," << z.y;
  }
}

TEST_F(Canvas, NarrowControlsCannotBeMoved) {
  PictureControl* c = addPicturePart(4, 4);
  for (int x = 0; x < 4; ++x)
    for (int y = 0; y < 4; ++y) EXPECT_EQ(hover(c, x, y), y < 4 ? 6 : 8);
  comp().setBounds(c->partIndex(), {0, 0, 7, 30});
  for (int x = 0; x < 7; ++x) EXPECT_NE(hover(c, x, 15), 1);
}

TEST_F(Canvas, TextPartsOnlyMoveAndIgnoreTheLocks) {
  ASSERT_TRUE(addPart(pkText));
  PictureControl* t = part(0);
  action("noMoveAction")->trigger();
  action("noResizeAction")->trigger();
  EXPECT_EQ(hover(t, 0, 0), 1);
  EXPECT_EQ(t->cursor().shape(), Qt::PointingHandCursor);
  const Bounds before = t->bounds();
  drag(t, {0, 0}, {{5, 7}});
  EXPECT_EQ(t->bounds(), (Bounds{before.left + 5, before.top + 7, before.width, before.height}));
}

struct DragCase {
  QPoint press;
  int mode;
  Bounds expected;  // after moving the pointer by (+10, +5) then (-3, +2) from the press
};

class DragModes : public Canvas, public ::testing::WithParamInterface<DragCase> {};

TEST_P(DragModes, FollowThePointerFromTheirFormulas) {
  PictureControl* c = addPicturePart(100, 50);  // at 10, 20
  const DragCase& d = GetParam();
  ASSERT_EQ(hover(c, d.press.x(), d.press.y()), d.mode);
  press(c, Qt::LeftButton, d.press);
  ASSERT_EQ(canvasView()->pointerDrag().mode(), d.mode);
  // Moving sides travel with the pointer, so the pointer stays at the press point in the
  // control's coordinates along those axes; events carry coordinates as they are then.
  QPoint total(0, 0);
  for (QPoint step : {QPoint(10, 5), QPoint(-3, 2)}) {
    total += step;
    const Bounds b = c->bounds();
    const QPoint global = QPoint(10, 20) + d.press + total;
    move(c, global - QPoint(b.left, b.top));
  }
  release(c, Qt::LeftButton, {});
  EXPECT_EQ(c->bounds(), d.expected);
  EXPECT_EQ(partBounds(document().Parts[0]), d.expected) << "the record follows each step";
  EXPECT_EQ(canvasView()->pointerDrag().mode(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    AllNine, DragModes,
    ::testing::Values(DragCase{{50, 20}, 1, {17, 27, 100, 50}}, DragCase{{50, 1}, 2, {10, 27, 100, 43}},
                      DragCase{{50, 48}, 3, {10, 20, 100, 57}}, DragCase{{1, 20}, 4, {17, 20, 93, 50}},
                      DragCase{{98, 20}, 5, {10, 20, 107, 50}}, DragCase{{1, 1}, 6, {17, 27, 93, 43}},
                      DragCase{{98, 1}, 7, {10, 27, 107, 43}}, DragCase{{1, 48}, 8, {17, 20, 93, 57}},
                      DragCase{{98, 48}, 9, {10, 20, 107, 57}}));

TEST_F(Canvas, ARightEdgeDraggedPastTheLeftSideGoesNegative) {
  PictureControl* c = addPicturePart(100, 50);
  drag(c, {98, 20}, {{-2, 20}, {-20, 20}});
  EXPECT_EQ(c->width(), -18);
  EXPECT_EQ(c->left(), 10);
  EXPECT_EQ(c->geometry().width(), 0) << "shown clamped";
}

TEST_F(Canvas, SizeEditsFollowCornersAlwaysAndEdgesOnlyOnTheBackground) {
  PictureControl* c = addPicturePart(100, 50);
  drag(c, {98, 20}, {{108, 20}});
  EXPECT_EQ(widthEdit()->text(), u"100"_qs) << "edge drag of a picture keeps the press values";
  drag(c, {c->width() - 1, c->height() - 1}, {{c->width() + 4, c->height() + 9}});
  EXPECT_EQ(widthEdit()->text(), u"115"_qs);
  EXPECT_EQ(heightEdit()->text(), u"60"_qs);

  PictureControl* back = backgroundControl();
  drag(back, {back->width() - 1, 30}, {{back->width() + 19, 30}});
  EXPECT_EQ(widthEdit()->text(), u"220"_qs);
  drag(back, {100, 30}, {{110, 35}});  // a move is no resize
  EXPECT_EQ(widthEdit()->text(), u"220"_qs);
}

// Edge drags of the background past four digits: the edit shows the size whole, and the drag's
// size is what stays.
TEST_F(Canvas, BackgroundSizesPastFourDigitsStayAsDragged) {
  PictureControl* back = backgroundControl();
  struct {
    int width, pressX, toX;
    int dragged;
    const char16_t* shown;
  } cases[] = {{9990, 9988, 10048, 10050, u"10050"}, {100, 98, -1236, -1234, u"-1234"}};
  for (const auto& c : cases) {
    comp().setBounds(BACKGROUND_INDEX, {0, 0, c.width, 60});
    drag(back, {c.pressX, 30}, {{c.toX, 30}});
    EXPECT_EQ(back->width(), c.dragged);
    EXPECT_EQ(widthEdit()->text(), QString::fromUtf16(c.shown));
    EXPECT_EQ(document().BackWidth, c.dragged);
  }
}

TEST_F(Canvas, LocksActOnTheBackgroundOnly) {
  PictureControl* back = backgroundControl();
  PictureControl* pic = addPicturePart(100, 50);
  action("noMoveAction")->trigger();  // no moving
  EXPECT_EQ(hover(back, 100, 30), 0);
  EXPECT_EQ(back->cursor().shape(), Qt::ArrowCursor);
  const Bounds before = back->bounds();
  drag(back, {100, 30}, {{120, 40}});
  EXPECT_EQ(back->bounds(), before);
  EXPECT_EQ(comp().selection().single(), BACKGROUND_INDEX) << "the press still selects";
  EXPECT_TRUE(sizeGroup()->isEnabled());
  EXPECT_EQ(hover(back, 0, 30), 4) << "edges still resize";
  EXPECT_EQ(hover(pic, 50, 20), 1) << "picture parts are never locked";
  action("noResizeAction")->trigger();  // no resizing as well
  for (QPoint p : {QPoint(0, 0), QPoint(0, 30), QPoint(100, 30), QPoint(199, 59)})
    EXPECT_EQ(hover(back, p.x(), p.y()), 0);
}

TEST_F(Canvas, OnlyTheLeftButtonPressesAndAnyReleaseEndsTheDrag) {
  PictureControl* c = addPicturePart(100, 50);
  hover(c, 50, 20);
  press(c, Qt::RightButton, {50, 20});
  EXPECT_EQ(comp().selection().single(), BACKGROUND_INDEX);
  EXPECT_EQ(canvasView()->pointerDrag().mode(), 0);
  press(c, Qt::LeftButton, {50, 20});
  EXPECT_EQ(canvasView()->pointerDrag().mode(), 1);
  release(c, Qt::RightButton, {50, 20});
  EXPECT_EQ(canvasView()->pointerDrag().mode(), 0);
  const Bounds before = c->bounds();
  move(c, {60, 30});
  EXPECT_EQ(c->bounds(), before);
}

TEST_F(Canvas, APressFillsThePanelWithoutChangingTheRecord) {
  ASSERT_TRUE(addPart(pkText));
  TPartData r = document().Parts[0];
  storeFixedString(r.Text, u"ロゴ");
  r.TextColor = 0x0000FF;
  r.FillColor = 0x00FF00;
  r.FillOn = 1;
  r.ShadowColor = 0xFF0000;
  r.ShadowX = -7;
  r.ShadowY = 12;
  r.FontStyle = fsBold;
  replaceRecord(0, r);
  const TPartData before = document().Parts[0];
  hover(part(0), 2, 2);
  press(part(0), Qt::LeftButton, {2, 2});
  EXPECT_EQ(std::memcmp(&document().Parts[0], &before, sizeof before), 0);
  EXPECT_EQ(comp().selection().single(), 0);
  EXPECT_TRUE(textGroup()->isEnabled());
  EXPECT_FALSE(sizeGroup()->isEnabled());
  EXPECT_EQ(textEdit()->text(), u"ロゴ"_qs);
  EXPECT_EQ(textColourPanel()->colour(), 0x0000FFu);
  EXPECT_EQ(fillColourPanel()->colour(), 0x00FF00u);
  EXPECT_TRUE(fillCheck()->isChecked());
  EXPECT_EQ(shadowColourPanel()->colour(), 0xFF0000u);
  EXPECT_EQ(shadowXBox()->currentText(), u"-7"_qs);
  EXPECT_EQ(shadowYBox()->currentText(), u"12"_qs);
  EXPECT_EQ(widthEdit()->text(), u"35"_qs) << "ロゴ with its shadow 7 to the left";
  EXPECT_EQ(heightEdit()->text(), u"25"_qs) << "and 12 down";
  EXPECT_EQ(dialogs->presetFontValue, (FontChoice{u"ＭＳ Ｐゴシック"_qs, 9, fsBold}));

  // Selecting the background then clears the text group without touching the record.
  hover(backgroundControl(), 100, 30);
  press(backgroundControl(), Qt::LeftButton, {100, 30});
  EXPECT_EQ(std::memcmp(&document().Parts[0], &before, sizeof before), 0);
  EXPECT_FALSE(textGroup()->isEnabled());
  EXPECT_EQ(textEdit()->text(), QString());
  EXPECT_FALSE(fillCheck()->isChecked());
  EXPECT_EQ(widthEdit()->text(), u"200"_qs);
  EXPECT_EQ(heightEdit()->text(), u"60"_qs);
}

TEST_F(Canvas, APressOnTheEmptyCanvasDoesNothing) {
  PictureControl* c = addPicturePart(100, 50);
  hover(c, 50, 20);
  press(c, Qt::LeftButton, {50, 20});
  release(c, Qt::LeftButton, {50, 20});
  QTest::mouseClick(canvas(), Qt::LeftButton, {}, QPoint(canvas()->width() - 2, canvas()->height() - 2));
  EXPECT_EQ(comp().selection().single(), 0);
}

TEST_F(Canvas, RealMouseDragMovesATextPart) {
  ASSERT_TRUE(addPart(pkText));
  PictureControl* t = part(0);
  const Bounds before = t->bounds();
  QTest::mouseMove(t, QPoint(3, 3));
  QTest::mousePress(t, Qt::LeftButton, {}, QPoint(3, 3));
  QTest::mouseMove(t, QPoint(23, 13));
  QTest::mouseRelease(t, Qt::LeftButton, {}, QPoint(23 - 20, 13 - 10));
  EXPECT_EQ(t->left(), before.left + 20);
  EXPECT_EQ(t->top(), before.top + 10);
  EXPECT_EQ(comp().selection().single(), 0);
  EXPECT_EQ(canvasView()->pointerDrag().mode(), 0);
}

}  // namespace

namespace {

TEST_F(Canvas, WithBothLocksNoEdgeOrCornerOfTheBackgroundDrags) {
  PictureControl* back = backgroundControl();
  action("noMoveAction")->trigger();
  action("noResizeAction")->trigger();
  const int r = back->width() - 1, b = back->height() - 1;
  // A point of each zone: the four corners, then the top, bottom, left and right edges.
  for (QPoint p : {QPoint(0, 0), QPoint(r, 0), QPoint(0, b), QPoint(r, b), QPoint(100, 0), QPoint(100, b),
                   QPoint(0, 30), QPoint(r, 30)}) {
    SCOPED_TRACE(testing::Message() << p.x() << "," << p.y());
    back->setCursor(Qt::PointingHandCursor);
    EXPECT_EQ(hover(back, p.x(), p.y()), 0);
    EXPECT_EQ(back->cursor().shape(), Qt::ArrowCursor);
    const Bounds before = back->bounds();
    drag(back, p, {p + QPoint(7, 5), p + QPoint(15, 9)});
    EXPECT_EQ(back->bounds(), before);
  }
}

// A part beyond the right edge makes the canvas scroll sideways only; dragged with the canvas
// scrolled, the background stays under the pointer.
TEST_F(Canvas, TheCanvasHoldsStillUnderADrag) {
  QScrollArea* area = w().findChild<QScrollArea*>();
  ASSERT_NE(area, nullptr);
  QTemporaryDir dir;
  const QString file = dir.filePath(u"pic.bmp"_qs);
  ASSERT_TRUE(makeWhiteRaster(100, 50).save(file, "BMP"));
  dialogs->picturesToOpen = {file};
  ASSERT_TRUE(addPart(pkPicture));
  PictureControl* pic = part(0);
  comp().setBounds(0, {area->viewport()->width() + 200, pic->top(), pic->width(), pic->height()});
  QCoreApplication::processEvents();
  EXPECT_TRUE(area->horizontalScrollBar()->isVisible());
  EXPECT_FALSE(area->verticalScrollBar()->isVisible()) << "the content is not taller than the view";
  area->horizontalScrollBar()->setValue(area->horizontalScrollBar()->maximum());
  QCoreApplication::processEvents();
  const int scrolled = area->horizontalScrollBar()->value();

  PictureControl* back = backgroundControl();
  const Bounds before = back->bounds();
  const QSize extent = canvas()->size();
  // Its right end is what shows of it, with the canvas scrolled to its right end.
  const QPoint at(back->width() - 20, 30);
  ASSERT_TRUE(area->viewport()->rect().contains(back->mapTo(area->viewport(), at)));
  const QPoint start = back->mapToGlobal(at);
  QTest::mouseMove(back, at);
  QTest::mousePress(back, Qt::LeftButton, {}, at);
  for (int step = 4; step <= 20; step += 4) {
    QTest::mouseMove(back, back->mapFromGlobal(start + QPoint(step, 0)));
    EXPECT_EQ(canvas()->size(), extent) << "during the drag";
  }
  QTest::mouseRelease(back, Qt::LeftButton, {}, back->mapFromGlobal(start + QPoint(20, 0)));
  EXPECT_EQ(back->left(), before.left + 20);
  EXPECT_EQ(area->horizontalScrollBar()->value(), scrolled);
  EXPECT_FALSE(area->verticalScrollBar()->isVisible());

  // A part dragged below the view makes it scroll down as well, once the drag has ended.
  comp().setBounds(0, {pic->left(), area->viewport()->height() + 100, pic->width(), pic->height()});
  QCoreApplication::processEvents();
  EXPECT_TRUE(area->verticalScrollBar()->isVisible());
}

}  // namespace

namespace {

// A picture part dragged past the right edge: the canvas keeps its width under the pointer and
// takes in the part once it is let go.
TEST_F(Canvas, ThePartDraggedPastTheRightEdgeGrowsTheCanvasAtTheRelease) {
  PictureControl* c = addPicturePart(100, 50);  // at 10, 20
  const int before = canvas()->width();
  ASSERT_LT(before, 700);
  hover(c, 50, 20);
  press(c, Qt::LeftButton, {50, 20});
  move(c, {50 + 590, 20});
  EXPECT_EQ(c->left(), 600);
  EXPECT_EQ(canvas()->width(), before);
  release(c, Qt::LeftButton, {50, 20});
  EXPECT_EQ(canvas()->width(), 700);
}

}  // namespace

namespace {

// The scrolled canvas alone: its extent follows the controls unless held, and drops land in view.
TEST(CanvasView, HoldsItsExtentWhileHeldAndLandsDropsInTheView) {
  QWidget window;
  window.resize(300, 200);
  Composition composition(96);
  auto* view = new CanvasView(composition, &window);
  view->setGeometry(0, 50, 300, 150);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  composition.startNew({10, 10});
  composition.setBounds(BACKGROUND_INDEX, {10, 10, 100, 50});
  view->updateExtent();
  const QSize fitted = view->content()->size();
  EXPECT_EQ(fitted, view->maximumViewportSize()) << "the background fits, so the content fills the view";

  view->holdExtent(true);
  composition.setBounds(BACKGROUND_INDEX, {0, 0, 900, 700});
  view->updateExtent();
  EXPECT_EQ(view->content()->size(), fitted);
  view->holdExtent(false);
  EXPECT_EQ(view->content()->size(), QSize(900, 700));

  view->horizontalScrollBar()->setValue(40);
  const QPoint frame = view->viewport()->pos();
  EXPECT_EQ(view->landingPoint(&window, QPoint(10, 60)), QPoint(10 + 40, 10) - frame);
  EXPECT_EQ(view->landingPoint(&window, QPoint(10, 10)), QPoint(40, 0)) << "above the view: its corner";
}

}  // namespace
