// Zoomed in, the canvas shows each pixel it shows at 100 % (the logo's) as a block; the
// composition does not change with the view.
#include "support/mainfixture.h"

#include <QLabel>
#include <QWheelEvent>

#include <cstring>

namespace {

class ZoomView : public MainWindowTest {};

// The canvas's pixels over `logo` (canvas coordinates) at `scale`, a logo pixel to each.
QImage shownOver(QWidget* canvas, QRect logo, int scale) {
  const QRect shown(logo.topLeft() * scale, logo.size() * scale);
  return canvas->grab(shown).toImage().convertToFormat(QImage::Format_RGB32);
}

TEST_F(ZoomView, TwoHundredPercentShowsEachLogoPixelAsATwoByTwoBlock) {
  ASSERT_TRUE(action("zoomInAction"));
  // Pixels all unlike, white at the bottom-left and so see-through, stretched to 11 by 7.
  QTemporaryDir folder;
  QImage picture(7, 5, QImage::Format_RGB32);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x) picture.setPixel(x, y, qRgb(30 * x, 50 * y, 255 - 9 * x * y));
  picture.setPixel(0, 4, qRgb(255, 255, 255));
  const QString path = folder.filePath(u"pic.bmp"_qs);
  ASSERT_TRUE(picture.save(path, "BMP"));
  dialogs->picturesToOpen.push_back(path);
  ASSERT_TRUE(addPart(pkPicture));
  const Bounds back = comp().bounds(BACKGROUND_INDEX);
  comp().setBounds(0, {back.left + 3, back.top + 2, 11, 7});
  const TDocument before = document();
  const QRect logo(back.left, back.top, 20, 12);
  const QImage atOne = shownOver(canvas(), logo, 1);

  // Ctrl+wheel a notch in over the picture's pixel (4, 3), which stays under the pointer. (Qt
  // passes a wheel the picture ignores on to the view, but not one sent by hand.)
  const QPoint at(4, 3), pointer = part(0)->mapToGlobal(at);
  QWheelEvent notch(canvasView()->viewport()->mapFromGlobal(pointer), pointer, {}, {0, 120}, Qt::NoButton,
                    Qt::ControlModifier, Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(canvasView()->viewport(), &notch);
  EXPECT_EQ(child<QLabel>("scaleLabel")->text(), u"200%"_qs);
  const QPoint under = part(0)->mapFromGlobal(pointer);
  EXPECT_EQ(QPoint(under.x() / 2, under.y() / 2), at);
  const QImage atTwo = shownOver(canvas(), logo, 2);
  int differences = 0;
  for (int y = 0; y < atTwo.height(); ++y)
    for (int x = 0; x < atTwo.width(); ++x) differences += atTwo.pixel(x, y) != atOne.pixel(x / 2, y / 2);
  EXPECT_EQ(differences, 0);

  run("actualSizeAction");
  EXPECT_EQ(child<QLabel>("scaleLabel")->text(), u"100%"_qs);
  EXPECT_EQ(shownOver(canvas(), logo, 1), atOne);
  EXPECT_EQ(std::memcmp(&document(), &before, sizeof before), 0) << "the zoom is only a view";
}

}  // namespace
