// The zoom: each logo pixel shown as a block, the scale's steps and ends, drags and drops when zoomed,
// and the place a zoom keeps.
#include "support/mainfixture.h"

#include <QLabel>
#include <QMimeData>
#include <QScrollBar>
#include <QUrl>
#include <QWheelEvent>

#include <cstring>
#include <map>
#include <string>

namespace {

class ZoomView : public MainWindowTest {
protected:
  // The canvas's pixels over `logo` (canvas coordinates) at `scale`, a logo pixel to each.
  QImage shownOver(QRect logo, int scale) {
    return canvas()
        ->grab({logo.topLeft() * scale, logo.size() * scale})
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
  }

  // A white picture part added as the user adds one, then put at `bounds`, the bars it brings shown.
  void addPicture(const Bounds& bounds) {
    dialogs->picturesToOpen.push_back(pictures.filePath(QStringLiteral("pic%1.bmp").arg(document().PartCount)));
    ASSERT_TRUE(makeWhiteRaster(bounds.width, bounds.height).save(*dialogs->picturesToOpen.back(), "BMP"));
    ASSERT_TRUE(addPart(pkPicture));
    comp().setBounds(document().PartCount - 1, bounds);
    QCoreApplication::processEvents();
  }

  // A notch of the wheel (120 a notch) with Ctrl held, the pointer at `at` of the view.
  void ctrlWheel(QPoint at, int delta) {
    QWheelEvent turn(at, canvasView()->viewport()->mapToGlobal(at), {}, {0, delta}, Qt::NoButton, Qt::ControlModifier,
                     Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(canvasView()->viewport(), &turn);
  }

  QTemporaryDir pictures;
};

TEST_F(ZoomView, TwoHundredPercentShowsEachLogoPixelAsATwoByTwoBlock) {
  ASSERT_TRUE(action("zoomInAction"));
  // Pixels all unlike, white at the bottom-left and so see-through, stretched to 11 by 7.
  QTemporaryDir folder;
  QImage picture(7, 5, QImage::Format_RGB32);
  for (int i = 0; i < 35; ++i) picture.setPixel(i % 7, i / 7, i == 28 ? qRgb(255, 255, 255) : qRgb(7 * i, 99, 255 - i));
  dialogs->picturesToOpen.push_back(folder.filePath(u"pic.bmp"_qs));
  ASSERT_TRUE(picture.save(*dialogs->picturesToOpen.back(), "BMP") && addPart(pkPicture));
  const Bounds back = comp().bounds(BACKGROUND_INDEX);
  comp().setBounds(0, {back.left + 3, back.top + 2, 11, 7});
  const TDocument before = document();
  const QRect logo(back.left, back.top, 20, 12);
  const QImage atOne = shownOver(logo, 1);

  // Ctrl+wheel a notch in over the picture's pixel (4, 3), which stays under the pointer. (Qt
  // passes a wheel the picture ignores on to the view, but not one sent by hand.)
  const QPoint at(4, 3), pointer = part(0)->mapToGlobal(at);
  QWheelEvent notch(canvasView()->viewport()->mapFromGlobal(pointer), pointer, {}, {0, 120}, Qt::NoButton,
                    Qt::ControlModifier, Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(canvasView()->viewport(), &notch);
  EXPECT_EQ(child<QLabel>("scaleLabel")->text(), u"200%"_qs);
  const QPoint under = part(0)->mapFromGlobal(pointer);
  EXPECT_EQ(QPoint(under.x() / 2, under.y() / 2), at);
  const QImage atTwo = shownOver(logo, 2);
  int differences = 0;
  for (int y = 0; y < atTwo.height(); ++y)
    for (int x = 0; x < atTwo.width(); ++x) differences += atTwo.pixel(x, y) != atOne.pixel(x / 2, y / 2);
  EXPECT_EQ(differences, 0);
  EXPECT_EQ(std::memcmp(&document(), &before, sizeof before), 0) << "the zoom is only a view";
}

// The keys, the menu's commands and the wheel step the scale, which stops at 12.5 % and at 800 %
// however far the wheel turns; the command that can go no further is greyed there.
TEST_F(ZoomView, KeysCommandsAndTheWheelStepTheScaleBetweenItsEnds) {
  struct Input {
    char what;  // w: Ctrl+wheel by `delta`; + - 0: Ctrl and the key; i, o: 拡大, 縮小
    int delta;
    const char16_t* shown;
    bool in, out;  // 拡大 and 縮小 enabled
  };
  const Input inputs[] = {
      {'w', 60, u"100%", true, true},    {'w', 60, u"200%", true, true},  // half a notch counts with the next
      {'w', 1200, u"800%", false, true}, {'+', 0, u"800%", false, true},      {'-', 0, u"400%", true, true},
      {'o', 0, u"200%", true, true},     {'0', 0, u"100%", true, true},       {'w', -90, u"100%", true, true},
      {'w', -30, u"50%", true, true},    {'w', -2400, u"12.5%", true, false}, {'-', 0, u"12.5%", true, false},
      {'i', 0, u"25%", true, true},      {'+', 0, u"50%", true, true},        {'0', 0, u"100%", true, true},
  };
  const QPoint middle = canvasView()->viewport()->rect().center();
  const std::map<char, Qt::Key> keys{{'+', Qt::Key_Plus}, {'-', Qt::Key_Minus}, {'0', Qt::Key_0}};
  for (const Input& input : inputs) {
    if (input.what == 'w') ctrlWheel(middle, input.delta);
    if (keys.count(input.what)) QTest::keyClick(&w(), keys.at(input.what), Qt::ControlModifier);
    if (input.what == 'i') run("zoomInAction");
    if (input.what == 'o') run("zoomOutAction");
    EXPECT_EQ(child<QLabel>("scaleLabel")->text(), QString::fromUtf16(input.shown)) << input.what << input.delta;
    EXPECT_EQ(action("zoomInAction")->isEnabled(), input.in) << input.what << input.delta;
    EXPECT_EQ(action("zoomOutAction")->isEnabled(), input.out) << input.what << input.delta;
  }
}

// Zooming back about the same anchor returns to the very view it left, bars and all, while the
// user has not scrolled; a scroll of the user's is where the view stays from then on. Margin the
// user scrolled out of view is trimmed when the extent is next brought up to date, so the bar no
// longer reaches left of the canvas shown. The keys hold the logo, 200 x 60, by its top left while
// it was wholly in view and fits.
TEST_F(ZoomView, ZoomingBackReturnsToTheSameViewUntilTheUserScrolls) {
  struct Input {
    char what;  // + - 0: 拡大, 縮小, 等倍; w, W: Ctrl+wheel out, in at (100, 40); s, h: a step right
                // on the bar, the bar to its start; u: the extent brought up to date; f: a part far off;
                // r: the window 100 by 60 larger
    QPoint origin;
    QSize view;
  };
  const QSize bars(464, 145), none(478, 159);
  const Input inputs[] = {
      {'+', {-216, -75}, bars},   {'+', {-664, -223}, bars}, {'-', {-216, -75}, bars},      {'0', {-76, -25}, bars},
      {'-', {-6, 0}, {478, 145}}, {'0', {-76, -25}, bars},   {'w', {12, 8}, none},          {'W', {-76, -25}, bars},
      {'W', {-253, -91}, bars},   {'s', {-253, -91}, bars},  {'u', {-216, -75}, bars},      {'w', {-58, -17}, bars},
      {'f', {-58, -17}, bars},    {'-', {12, 8}, bars},      {'s', {-8, 8}, bars},          {'u', {-8, 8}, bars},
      {'h', {0, 8}, bars},        {'0', {-70, -17}, bars},   {'r', {-70, -17}, {564, 205}},
  };
  CanvasView* view = canvasView();
  for (const Input& input : inputs) {
    const std::map<char, const char*> commands{
        {'+', "zoomInAction"}, {'-', "zoomOutAction"}, {'0', "actualSizeAction"}};
    if (commands.count(input.what)) run(commands.at(input.what));
    if (input.what == 'w' || input.what == 'W') ctrlWheel({100, 40}, input.what == 'W' ? 120 : -120);
    if (input.what == 's') view->horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    if (input.what == 'h') view->horizontalScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum);
    if (input.what == 'u') view->updateExtent();
    if (input.what == 'f') addPicture({1200, 800, 10, 10});
    if (input.what == 'r') w().resize(w().width() + 100, w().height() + 60);
    QCoreApplication::processEvents();
    EXPECT_EQ(view->origin(), input.origin) << input.what << " to " << view->scale().percentText().toStdString();
    EXPECT_EQ(view->viewport()->size(), input.view) << input.what;
  }
}

// The keys keep a logo wholly in view in view where it fits the view at the new scale: its top left
// where it was, or moved only as far as the view, 464 wide beside its bars, needs.
TEST_F(ZoomView, TheKeysKeepALogoInViewWhereItFits) {
  const struct {
    Bounds logo;
    const char* zoom;
    QPoint shown;  // the logo's top left in the view after
  } rows[] = {
      {{100, 30, 100, 40}, "zoomInAction", {100, 30}},
      {{300, 30, 100, 40}, "zoomInAction", {264, 30}},
  };
  for (const auto& row : rows) {
    canvasView()->zoomToActualSize();
    canvasView()->showFromOrigin();
    comp().setBounds(BACKGROUND_INDEX, row.logo);
    run(row.zoom);
    QCoreApplication::processEvents();
    EXPECT_EQ(backgroundControl()->mapTo(canvasView()->viewport(), QPoint(0, 0)), row.shown) << row.logo.left;
  }
}

// At 200 % a drag moves the part by half the pointer's travel, across and down; a part shown under
// 8 pixels moves from any point of it; the scale stays as it is while the drag is in force.
TEST_F(ZoomView, ADragAt200PercentMovesByHalfTheTravelAndHoldsTheScale) {
  addPicture({160, 60, 3, 3});
  run("zoomInAction");
  PictureControl* dot = part(0);
  ASSERT_EQ(dot->size(), QSize(6, 6));
  move(dot, {1, 1});  // a corner at 100 %
  press(dot, Qt::LeftButton, {1, 1});
  run("zoomOutAction");
  EXPECT_EQ(child<QLabel>("scaleLabel")->text(), u"200%"_qs) << "no zoom under a drag";
  ctrlWheel({100, 40}, -120);
  EXPECT_EQ(child<QLabel>("scaleLabel")->text(), u"200%"_qs) << "nor by the wheel";
  move(dot, {1 + 20, 1 + 10});
  release(dot, Qt::LeftButton, {1 + 20, 1 + 10});
  EXPECT_EQ(dot->bounds(), (Bounds{170, 65, 3, 3}));
  run("zoomOutAction");
  EXPECT_EQ(child<QLabel>("scaleLabel")->text(), u"100%"_qs) << "once the drag has ended";
}

// Zoomed out, a picture dropped on the canvas lands at the logo pixel under the pointer, and one
// dropped left of the canvas's origin at its edge; New shows the canvas from its origin again.
TEST_F(ZoomView, ADropLandsAtTheLogoPixelUnderThePointerAndNewShowsTheOrigin) {
  run("zoomOutAction");
  CanvasView* view = canvasView();
  const QPoint origin = view->origin();
  ASSERT_EQ(origin, QPoint(70, 25)) << "the logo held where it stood";
  const QString file = pictures.filePath(u"drop.bmp"_qs);
  ASSERT_TRUE(makeWhiteRaster(4, 4).save(file, "BMP"));
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(file)});
  for (QPoint onView : {origin + QPoint(30, 20), origin + QPoint(-19, 20)}) {
    const QPointF at = view->viewport()->mapTo(&w(), onView);
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(&w(), &enter);
    QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(&w(), &dropped);
  }
  ASSERT_EQ(document().PartCount, 2);
  EXPECT_EQ(part(0)->bounds(), (Bounds{61, 41, 4, 4}));
  EXPECT_EQ(part(1)->bounds(), (Bounds{0, 41, 4, 4}));
  run("newAction");
  EXPECT_EQ(view->origin(), QPoint(0, 0));
  EXPECT_EQ(backgroundControl()->mapTo(view->viewport(), QPoint(0, 0)), QPoint(190, 65)) << "centred";
}

// Whether screen pixel `screen` of the content shows some of logo pixel `logo`: one of the block
// above 100 %, the pixel that holds it below.
bool shows(ViewScale scale, int screen, int logo) {
  const qint64 first = scale.screenEdge(logo);
  return first <= screen && screen < std::max(scale.screenEdge(logo + 1), first + 1);
}

struct PlaceCase {
  const char* name;
  int fromStep;
  bool bars;         // the view starts with a part far off, scrolled by the bars to (150, 90)
  const char* zoom;  // a command of 表示, or none for a Ctrl+wheel turn of `notches`
  int notches;
  QPoint logo;    // the logo pixel under the view's centre (commands) or the pointer (wheel)
  QPoint origin;  // where the canvas's origin stands in the viewport afterwards
  QSize view;     // the viewport beside the scroll bars then
};

class ZoomPlace : public ZoomView, public ::testing::WithParamInterface<PlaceCase> {};

// A zoom keeps the logo pixel under its anchor, to the pixel, whichever scroll bars the new scale
// brings or takes away once Qt has laid them out; the view's centre is taken as they leave it.
TEST_P(ZoomPlace, KeepsTheLogoPixelUnderTheCentreOrThePointer) {
  const PlaceCase& c = GetParam();
  CanvasView* view = canvasView();
  QScrollBar *across = view->horizontalScrollBar(), *down = view->verticalScrollBar();
  comp().setBounds(BACKGROUND_INDEX, {100, 30, 100, 40});  // small enough for 200 % without bars
  view->zoomTo(ViewScale::atStep(c.fromStep), QPoint(0, 0));
  if (c.bars) {
    addPicture({1200, 800, 10, 10});
    across->setSliderPosition(150);  // as the user drags the bars
    down->setSliderPosition(90);
  } else {
    across->triggerAction(QAbstractSlider::SliderToMinimum);
    down->triggerAction(QAbstractSlider::SliderToMinimum);
    view->updateExtent();
  }
  QCoreApplication::processEvents();
  ASSERT_EQ(across->isVisible() && down->isVisible(), c.bars);
  ASSERT_EQ(across->isVisible() || down->isVisible(), c.bars);
  const QPoint pointer(100, 40);
  const auto anchor = [&] { return c.zoom ? view->viewport()->rect().center() : pointer; };
  const auto shownThere = [&] {
    const QPoint at = anchor() - view->origin();
    return shows(view->scale(), at.x(), c.logo.x()) && shows(view->scale(), at.y(), c.logo.y());
  };
  ASSERT_TRUE(shownThere());

  if (c.zoom)
    run(c.zoom);
  else
    ctrlWheel(pointer, 120 * c.notches);
  EXPECT_EQ(view->origin(), c.origin) << "at once, before the bars come or go: nothing jumps";
  QCoreApplication::processEvents();
  EXPECT_TRUE(shownThere()) << "after";
  EXPECT_EQ(view->origin(), c.origin);
  EXPECT_EQ(view->viewport()->size(), c.view);
}

INSTANTIATE_TEST_SUITE_P(
    AtEachScale, ZoomPlace,
    ::testing::Values(
        PlaceCase{"KeysTo400WithoutBars", 1, false, "zoomInAction", 0, {119, 39}, {-246, -87}, {464, 145}},
        PlaceCase{"KeysTo200WithBars", 0, true, "zoomInAction", 0, {381, 162}, {-532, -253}, {464, 145}},
        PlaceCase{"KeysTo400WithBars", 1, true, "zoomInAction", 0, {190, 81}, {-532, -253}, {464, 145}},
        PlaceCase{"KeysTo50WithBars", 0, true, "zoomOutAction", 0, {381, 162}, {41, -9}, {464, 145}},
        PlaceCase{"ActualSizeFrom400", 2, true, "actualSizeAction", 0, {95, 40}, {136, 32}, {464, 145}},
        PlaceCase{"WheelTo200WithoutBars", 0, false, nullptr, 1, {100, 40}, {-101, -41}, {464, 145}},
        PlaceCase{"WheelTo400WithoutBars", 1, false, nullptr, 1, {50, 20}, {-101, -41}, {464, 145}},
        PlaceCase{"WheelTo50WithoutBars", 0, false, nullptr, -1, {100, 40}, {50, 20}, {478, 159}},
        PlaceCase{"WheelTo200WithBars", 0, true, nullptr, 1, {250, 130}, {-401, -221}, {464, 145}},
        PlaceCase{"WheelTo400WithBars", 1, true, nullptr, 1, {125, 65}, {-401, -221}, {464, 145}},
        PlaceCase{"WheelTo50WithBars", 0, true, nullptr, -1, {250, 130}, {-25, -25}, {464, 145}},
        PlaceCase{"WheelTo100From50", -1, false, nullptr, 1, {201, 81}, {-101, -41}, {464, 145}}),
    [](const ::testing::TestParamInfo<PlaceCase>& row) { return std::string(row.param.name); });

}  // namespace
