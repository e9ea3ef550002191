#include "render/pngcodec.h"
#include "ui/main/picturepreview.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>

namespace {

TEST(PicturePreview, ShowsPngPictures) {
  QTemporaryDir dir;
  const QString picture = dir.filePath(QStringLiteral("p.png"));
  QImage image(5, 3, QImage::Format_RGB32);
  image.fill(Qt::blue);
  {
    QFile f(picture);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(encodePng(image));
  }
  PicturePreview preview;
  preview.showFile(picture);
  EXPECT_EQ(preview.caption()->text(), QStringLiteral(" (5x3)"));
  EXPECT_TRUE(preview.previewButton()->isEnabled());
  EXPECT_FALSE(preview.picture()->pixmap().isNull());
}

}  // namespace
