#include "render/bmpwriter.h"
#include "ui/dialogs/picturepreview.h"
#include "ui/dialogs/qtdialogs.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

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

// Opened again, the dialog offers the picture chosen last time (selected, as a choice leaves it),
// and the pane shows it at once.
TEST(PicturePreview, ShowsTheFileTheDialogOffersWhenOpenedAgain) {
  QTemporaryDir dir;
  QImage image(64, 48, QImage::Format_RGB32);
  image.fill(Qt::red);
  QFile f(dir.filePath(QStringLiteral("p.bmp")));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(encodeBmp(image));
  f.close();
  QWidget owner;
  QtDialogs real(&owner);
  real.openPictureDialog->selectFile(f.fileName());
  QString caption;
  QTimer::singleShot(200, [&] {
    if (const auto* preview = real.openPictureDialog->findChild<PicturePreview*>())
      caption = preview->caption()->text();
    real.openPictureDialog->reject();
  });
  real.openPicture();
  EXPECT_EQ(caption.toStdString(), " (64x48)");
}

}  // namespace
