#include "ui/common/icons.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPixmap>

namespace {

constexpr ToolbarPicture kPictures[] = {
    ToolbarPicture::BlankSheet,     ToolbarPicture::WrittenSheet,    ToolbarPicture::SheetIntoTray,
    ToolbarPicture::WindowOverDisk, ToolbarPicture::SheetStack,      ToolbarPicture::LetterA,
    ToolbarPicture::WalkingFigure,  ToolbarPicture::ArrowIntoFigure, ToolbarPicture::Pencil,
    ToolbarPicture::QuestionMark,
};

// A name left without its drawing would give a blank button, and two names sharing one drawing two
// buttons nobody can tell apart.
TEST(ToolbarPictures, EachNameDrawsAPictureOfItsOwn) {
  QList<QImage> drawn;
  for (ToolbarPicture picture : kPictures) {
    const QImage image = toolbarImage(picture);
    const int number = static_cast<int>(picture);
    ASSERT_EQ(image.size(), QSize(16, 16)) << number;
    bool anyInk = false;
    for (int y = 0; y < 16 && !anyInk; ++y)
      for (int x = 0; x < 16 && !anyInk; ++x) anyInk = qAlpha(image.pixel(x, y)) != 0;
    EXPECT_TRUE(anyInk) << "picture " << number << " is blank";
    for (qsizetype i = 0; i < drawn.size(); ++i)
      EXPECT_NE(image, drawn[i]) << "picture " << number << " is drawn like " << static_cast<int>(kPictures[i]);
    drawn << image;
    // A screen at twice the scale gets the picture drawn for it, not the small one enlarged.
    const QPixmap twice = toolbarIcon(picture).pixmap(QSize(16, 16), 2.0);
    EXPECT_EQ(twice.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied), toolbarImage(picture, 2)) << number;
  }
}

}  // namespace
