#include "render/bmpwriter.h"
#include "render/jpegcodec.h"
#include "render/pngcodec.h"
#include "ui/dialogs/picturepreview.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>

namespace {

// The pane reads a picture as the part will: by its signature, whatever its name.
TEST(PicturePreview, ShowsEachKindWhateverItsName) {
  QTemporaryDir dir;
  QImage image(5, 3, QImage::Format_RGB32);
  image.fill(Qt::blue);
  const struct {
    const char* name;
    QByteArray contents;
  } files[] = {{"p.png", encodePng(image)}, {"jpeg.png", encodeJpeg(image)}, {"bitmap.jpg", encodeBmp(image)}};
  for (const auto& file : files) {
    const QString picture = dir.filePath(QString::fromLatin1(file.name));
    {
      QFile f(picture);
      ASSERT_TRUE(f.open(QIODevice::WriteOnly));
      f.write(file.contents);
    }
    PicturePreview preview;
    preview.showFile(picture);
    EXPECT_EQ(preview.caption()->text(), QStringLiteral(" (5x3)")) << file.name;
    EXPECT_TRUE(preview.previewButton()->isEnabled()) << file.name;
    EXPECT_FALSE(preview.picture()->pixmap().isNull()) << file.name;
  }
}

}  // namespace
