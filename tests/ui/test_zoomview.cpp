// Zoomed in, the canvas shows each pixel it shows at 100 % (the logo's) as a block.
#include "support/mainfixture.h"

#include <QLabel>
#include <QWheelEvent>

#include <cstring>

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

}  // namespace
