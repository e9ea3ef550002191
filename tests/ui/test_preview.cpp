#include "render/bmpwriter.h"
#include "ui/main/picturepreview.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>

namespace {

TEST(PicturePreview, ShowsReadablePicturesWithTheirSize) {
  QTemporaryDir dir;
  const QString picture = dir.filePath(QStringLiteral("p.bmp"));
  const QString text = dir.filePath(QStringLiteral("t.bmp"));
  QImage image(64, 48, QImage::Format_RGB32);
  image.fill(Qt::red);
  {
    QFile f(picture);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(encodeBmp(image));
    QFile g(text);
    ASSERT_TRUE(g.open(QIODevice::WriteOnly));
    g.write("not a picture");
  }
  PicturePreview preview;
  preview.showFile(picture);
  EXPECT_EQ(preview.caption()->text(), QStringLiteral(" (64x48)"));
  EXPECT_TRUE(preview.previewButton()->isEnabled());
  EXPECT_FALSE(preview.picture()->pixmap().isNull());

  for (const QString& unreadable : {text, dir.path(), dir.filePath(QStringLiteral("missing.bmp"))}) {
    preview.showFile(unreadable);
    EXPECT_EQ(preview.caption()->text(), QStringLiteral("画像:"));
    EXPECT_FALSE(preview.previewButton()->isEnabled());
    EXPECT_TRUE(preview.picture()->pixmap().isNull());
  }
}

}  // namespace
