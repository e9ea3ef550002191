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

// Each kind of picture under each name loads as what it is, as downloaded pictures are often
// misnamed: the signature decides. A file with none of the three signatures is read by its name,
// ".png" being no extension of its own there, and fails as that decoder fails.
TEST_F(PictureFile, TheSignatureDecidesAndOtherwiseTheName) {
  const QByteArray kinds[] = {encodeBmp(picture()), encodeJpeg(picture()), encodePng(picture())};
  for (const char* name : {"a.bmp", "a.BMP", "a.jpg", "a.JpEg", "a.png", "a.PNG", "a.txt", "noextension"})
    for (const QByteArray& kind : kinds) {
      const QImage image = loadPictureFile(write(QString::fromLatin1(name), kind));
      EXPECT_EQ(image.size(), QSize(5, 4)) << name << " " << kind.left(2).toHex().toStdString();
      EXPECT_GT(qRed(image.pixel(4, 3)), 150) << name << " " << kind.left(2).toHex().toStdString();
    }
  const QString shortBitmap = QStringLiteral("ストリームからの読み込みエラー");
  const QString notJpeg = QStringLiteral("JPEG エラー #53");
  const struct {
    const char* name;
    QByteArray contents;
    QString failure;  // %1 the file's path
  } broken[] = {
      {"a.jpg", "broken", notJpeg},
      {"a.JPEG", "broken", notJpeg},
      {"a.bmp", "broken", shortBitmap},
      {"a.png", "broken", shortBitmap},
      {"a.txt", "broken", shortBitmap},
      {"a.jpg.bmp", "broken", shortBitmap},
      // The signature decides even when what follows it is damaged.
      {"bm.jpg", "BM broken", shortBitmap},
      {"jpeg.bmp", "\xFF\xD8\xFF broken", QStringLiteral("JPEG エラー #68")},
      {"cut.jpg", encodePng(picture()).left(20),
       QStringLiteral("PNG ファイル %1 を読み込めません: ファイルが途中で終わっています")},
  };
  for (const auto& file : broken) {
    const QString path = write(QString::fromLatin1(file.name), file.contents);
    EXPECT_EQ(failureOf(path).toStdString(), QString(file.failure).replace(QStringLiteral("%1"), path).toStdString())
        << file.name;
  }
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
