#include "render/picturefile.h"

#include "model/failure.h"
#include "render/bmpwriter.h"
#include "render/jpegcodec.h"
#include "render/pngcodec.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QString failureOf(const QString& path) {
  try {
    loadPictureFile(path);
  } catch (const Failure& failure) {
    return failure.message();
  }
  return {};
}

QString cannotOpen(const QString& path) { return QStringLiteral("ファイル %1 は開けません").arg(path); }

class PictureFile : public testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

  QString write(const QString& name, const QByteArray& contents) {
    const QString path = dir_.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(contents);
    return path;
  }

  static QImage picture() {
    QImage image(5, 4, QImage::Format_RGB32);
    image.fill(qRgb(200, 30, 60));
    image.setPixel(0, 0, qRgb(0, 0, 255));
    return image;
  }

  QTemporaryDir dir_;
};

// The PNG signature first, whatever the name; otherwise the extension alone, ".png" being no
// extension of its own there.
TEST_F(PictureFile, SignatureOrElseExtensionChoosesTheDecoder) {
  const QByteArray bmp = encodeBmp(picture());
  const QByteArray jpeg = encodeJpeg(picture());
  const QString invalidBitmap = QStringLiteral("ビットマップイメージが不正です");

  for (const char* name : {"a.bmp", "a.BMP", "a.dib", "noextension", "a.png.bmp", "a.pn", "a.png", "a.PNG"}) {
    const QImage image = loadPictureFile(write(QString::fromLatin1(name), bmp));
    EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 255)) << name;
    EXPECT_EQ(failureOf(write(QString::fromLatin1(name), jpeg)), invalidBitmap) << name;
  }
  for (const char* name : {"a.jpg", "a.JPG", "a.jpeg", "a.JpEg"}) {
    EXPECT_EQ(loadPictureFile(write(QString::fromLatin1(name), jpeg)).size(), QSize(5, 4)) << name;
    EXPECT_TRUE(failureOf(write(QString::fromLatin1(name), bmp)).startsWith(QStringLiteral("JPEG エラー #"))) << name;
  }
  const QByteArray png = encodePng(picture());
  for (const char* name : {"a.png", "a.Png", "a.bmp", "a.jpg", "noextension"})
    EXPECT_EQ(loadPictureFile(write(QString::fromLatin1(name), png)).pixel(0, 0), qRgb(0, 0, 255)) << name;
  // A PNG's failure names the file.
  const QString cut = write(QStringLiteral("cut.jpg"), png.left(20));
  EXPECT_EQ(failureOf(cut),
            QStringLiteral("PNG ファイル %1 を読み込めません: ファイルが途中で終わっています").arg(cut));
  // JPEG by content, but not by name.
  EXPECT_EQ(failureOf(write(QStringLiteral("a.jfif"), jpeg)), invalidBitmap);
  EXPECT_EQ(failureOf(write(QStringLiteral("a.jpg.bmp"), jpeg)), invalidBitmap);
}

TEST_F(PictureFile, EmptyFile) {
  EXPECT_TRUE(loadPictureFile(write(QStringLiteral("empty.bmp"), {})).isNull());
  EXPECT_TRUE(failureOf(write(QStringLiteral("empty.jpg"), {})).startsWith(QStringLiteral("JPEG エラー #")));
}

// Each of these would block, stream forever or be something else than a picture file: all are
// refused up front with the message for a file that cannot be opened.
TEST_F(PictureFile, OnlyRegularFilesAreRead) {
  const QString fifo = dir_.filePath(QStringLiteral("pipe.bmp"));
  ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  const QString fifoLink = dir_.filePath(QStringLiteral("pipelink.jpg"));
  ASSERT_TRUE(QFile::link(fifo, fifoLink));
  const QString subdir = dir_.filePath(QStringLiteral("folder.bmp"));
  ASSERT_TRUE(QDir().mkdir(subdir));

  for (const QString& path : {fifo, fifoLink, subdir, dir_.filePath(QStringLiteral("missing.bmp")),
                              QStringLiteral("/dev/null"), QStringLiteral("/dev/zero"), QString()})
    EXPECT_EQ(failureOf(path), cannotOpen(path)) << path.toStdString();
}

TEST_F(PictureFile, LinkToARegularFileIsFollowed) {
  const QString target = write(QStringLiteral("real.bmp"), encodeBmp(picture()));
  const QString link = dir_.filePath(QStringLiteral("link.bmp"));
  ASSERT_TRUE(QFile::link(target, link));
  EXPECT_EQ(loadPictureFile(link).size(), QSize(5, 4));
}

TEST_F(PictureFile, UnreadableFileCannotBeOpened) {
  if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
  const QString path = write(QStringLiteral("locked.bmp"), encodeBmp(picture()));
  ASSERT_EQ(chmod(QFile::encodeName(path).constData(), 0), 0);
  EXPECT_EQ(failureOf(path), cannotOpen(path));
}

TEST_F(PictureFile, OversizedFileIsRefusedUnread) {
  const QString path = write(QStringLiteral("huge.bmp"), "BM");
  QFile file(path);
  // The largest file allowed gets as far as its header, which is nonsense.
  if (!file.resize(MAX_PICTURE_FILE_SIZE)) GTEST_SKIP() << "no sparse files here";
  EXPECT_EQ(failureOf(path), QStringLiteral("ビットマップイメージが不正です"));
  ASSERT_TRUE(file.resize(MAX_PICTURE_FILE_SIZE + 1));
  EXPECT_TRUE(failureOf(path).startsWith(QStringLiteral("ファイル %1 は大きすぎます").arg(path)))
      << failureOf(path).toStdString();
}

// Large enough for the huge-page memory path, both for the file's bytes and for the raster.
TEST_F(PictureFile, LargePicturesLoad) {
  QImage image(1100, 1000, QImage::Format_RGB32);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) image.setPixel(x, y, qRgb(x % 256, y % 256, (x * y) % 256));
  EXPECT_EQ(loadPictureFile(write(QStringLiteral("large.bmp"), encodeBmp(image))), image);
  const QImage jpeg = loadPictureFile(write(QStringLiteral("large.jpg"), encodeJpeg(image)));
  EXPECT_EQ(jpeg.size(), image.size());
  EXPECT_NEAR(qGreen(jpeg.pixel(500, 700)), 700 % 256, 8);
}

}  // namespace
