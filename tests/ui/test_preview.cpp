#include "render/bmpwriter.h"
#include "ui/main/picturepreview.h"
#include "ui/main/qtdialogs.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
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

// Opened again, the dialog offers the picture chosen last time, and the pane shows it at once.
TEST(PicturePreview, ShowsTheFileTheDialogOffersWhenOpenedAgain) {
  QTemporaryDir dir;
  QImage image(64, 48, QImage::Format_RGB32);
  image.fill(Qt::red);
  QFile f(dir.filePath(QStringLiteral("p.bmp")));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(encodeBmp(image));
  f.close();
  QWidget owner;
  owner.show();
  QtDialogs real(&owner);
  real.openPictureDialog->setDirectory(dir.path());
  QString caption;
  const auto answer = [&](const QString& typed) {
    QTimer::singleShot(200, [&, typed] {
      const auto* preview = real.openPictureDialog->findChild<PicturePreview*>();
      caption = preview ? preview->caption()->text() : QString();
      auto* name = real.openPictureDialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      if (!name) return real.openPictureDialog->reject();
      if (!typed.isEmpty()) {
        name->clear();
        QTest::keyClicks(name, typed);
      }
      QTest::keyClick(name, Qt::Key_Return);
    });
    QTimer::singleShot(5000, real.openPictureDialog, &QDialog::reject);  // a test that fails, not one that hangs
    return real.openPicture();
  };
  ASSERT_EQ(answer(QStringLiteral("p.bmp")), std::optional<QString>(dir.filePath(QStringLiteral("p.bmp"))));
  EXPECT_EQ(answer({}), std::optional<QString>(dir.filePath(QStringLiteral("p.bmp"))));
  EXPECT_EQ(caption.toStdString(), " (64x48)");
}

}  // namespace
