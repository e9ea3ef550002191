#include "support/files.h"
#include "support/mainfixture.h"

#include "model/failure.h"
#include "model/fixedstring.h"
#include "render/bmpreader.h"
#include "render/bmpwriter.h"
#include "render/jpegcodec.h"

#include <QFile>
#include <QToolButton>
#include <QPainter>
#include <QTemporaryDir>

#include <cstring>

namespace {

QByteArray bytesOf(const TDocument& doc) { return QByteArray(reinterpret_cast<const char*>(&doc), sizeof doc); }

// Pictures, projects and logos in a temporary folder, driven through the commands.
class Files : public MainWindowTest {
protected:
  QString path(const QString& name) const { return dir.filePath(name); }

  // A picture whose bottom-left pixel is `key` and which holds a few other colours.
  QString picture(const QString& name, int width, int height, QRgb key) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(qRgb(0, 160, 0));
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        if ((x + y) % 3 == 0) image.setPixel(x, y, key);
    image.setPixel(0, height - 1, key);
    image.setPixel(width / 2, height / 2, qRgb(200, 30, 90));
    putFile(path(name), encodeBmp(image));
    return path(name);
  }

  void addPicture(const QString& file) {
    dialogs->picturesToOpen.push_back(file);
    run("addPictureAction");
  }

  void save(const QString& file) {
    dialogs->projectsToSave.push_back(file);
    run("saveProjectAction");
  }

  void open(const QString& file) {
    dialogs->projectsToOpen.push_back(file);
    run("openProjectAction");
  }

  // A composition with every kind of layer: picture background, text with and without fill,
  // a see-through picture part partly outside the background.
  void compose() {
    dialogs->picturesToOpen.push_back(picture(u"back.bmp"_qs, 40, 30, qRgb(20, 20, 200)));
    run("backgroundPictureAction");
    comp().setBounds(BACKGROUND_INDEX, {30, 40, 160, 90});
    ASSERT_TRUE(addPart(pkText));
    comp().setBounds(0, {45, 50, part(0)->width(), part(0)->height()});
    ASSERT_TRUE(addPart(pkText));
    TPartData filled = document().Parts[1];
    filled.FillOn = 1;
    filled.FillColor = 0x00FFFF;
    filled.ShadowX = 2;
    replaceRecord(1, filled);
    comp().setBounds(1, {120, 100, part(1)->width(), part(1)->height()});
    addPicture(picture(u"part.bmp"_qs, 20, 10, qRgb(255, 0, 0)));
    comp().setBounds(2, {170, 35, 50, 25});
  }

  QTemporaryDir dir;
};

TEST_F(Files, PictureCommandsLoadAtNaturalSizeThenStretch) {
  addPicture(picture(u"pic.bmp"_qs, 64, 48, qRgb(255, 0, 0)));
  ASSERT_EQ(document().PartCount, 1);
  EXPECT_EQ(part(0)->bounds(), (Bounds{0, 0, 64, 48}));
  EXPECT_EQ(part(0)->hint(), u"pic.bmp"_qs);
  EXPECT_TRUE(part(0)->stretch());
  EXPECT_TRUE(part(0)->transparent());

  const Bounds before = backgroundControl()->bounds();
  dialogs->picturesToOpen.push_back(picture(u"back.bmp"_qs, 640, 480, qRgb(1, 2, 3)));
  run("backgroundPictureAction");
  EXPECT_EQ(backgroundControl()->bounds(), (Bounds{before.left, before.top, 640, 480}));
  EXPECT_EQ(fixedString(document().BackFile), path(u"back.bmp"_qs));
}

TEST_F(Files, FailedLoadsChangeNothing) {
  putFile(path(u"bad.jpg"_qs), "neither a JPEG nor any other picture");
  addPicture(path(u"bad.jpg"_qs));
  EXPECT_EQ(reports.size(), 1);
  EXPECT_EQ(document().PartCount, 0);
  EXPECT_EQ(part(0), nullptr);

  const QByteArray backFile(document().BackFile, FIXED_STRING_SIZE);
  const Bounds back = backgroundControl()->bounds();
  dialogs->picturesToOpen.push_back(path(u"missing.bmp"_qs));
  run("backgroundPictureAction");
  EXPECT_EQ(reports.size(), 2);
  EXPECT_EQ(QByteArray(document().BackFile, FIXED_STRING_SIZE), backFile);
  EXPECT_EQ(backgroundControl()->bounds(), back);
}

TEST_F(Files, AFailedCommandIsReportedOnceAndTheProgramGoesOn) {
  dialogs->picturesToOpen.push_back(path(u"missing.bmp"_qs));
  toolButton("addPictureAction")->click();
  ASSERT_EQ(reports.size(), 1);
  EXPECT_EQ(reports[0].first, u"ファイル %1 は開けません."_qs.arg(path(u"missing.bmp"_qs)));
  EXPECT_EQ(reports[0].second, u"Pelmora"_qs);
  EXPECT_EQ(document().PartCount, 0);
  toolButton("addTextAction")->click();
  EXPECT_EQ(document().PartCount, 1);
}

TEST_F(Files, SavingTwiceGivesIdenticalBlockImages) {
  compose();
  save(path(u"a.rpf"_qs));
  save(path(u"b.rpf"_qs));
  const QByteArray a = fileBytes(path(u"a.rpf"_qs));
  EXPECT_EQ(a.size(), 56512);
  EXPECT_EQ(a, fileBytes(path(u"b.rpf"_qs)));
  EXPECT_EQ(a, bytesOf(document()));
  EXPECT_EQ(document().Parts[2].Left, 170) << "the record holds its part's bounds";
}

TEST_F(Files, AReopenedProjectShowsTheSameComposition) {
  compose();
  comp().setBounds(0, {part(0)->left() + 7, part(0)->top(), part(0)->width(), part(0)->height()});
  save(path(u"a.rpf"_qs));
  const QByteArray saved = bytesOf(document());
  const Bounds text0 = part(0)->bounds(), pic = part(2)->bounds(), back = backgroundControl()->bounds();
  newComposition();
  open(path(u"A.RPF"_qs.toLower()));
  EXPECT_EQ(bytesOf(document()), saved);
  EXPECT_EQ(part(0)->bounds(), text0);
  EXPECT_EQ(part(2)->bounds(), pic);
  EXPECT_EQ(backgroundControl()->bounds(), back);
  EXPECT_EQ(dialogs->proposedProjectName, path(u"a.rpf"_qs));
  EXPECT_TRUE(dialogs->messages.isEmpty());
}

TEST_F(Files, WrongExtensionsAndDamagedFilesLeaveTheCompositionAlone) {
  compose();
  const QByteArray before = bytesOf(document());
  putFile(path(u"x.rpf.bak"_qs), QByteArray(56512, '\0'));
  open(path(u"x.rpf.bak"_qs));
  ASSERT_EQ(dialogs->messages.size(), 1);
  EXPECT_EQ(dialogs->messages[0].first, u"Pelmoraのﾌﾟﾛｼﾞｪｸﾄﾌｧｲﾙではありません"_qs);
  EXPECT_EQ(dialogs->messages[0].second, u"ﾌｧｲﾙ I/O ｴﾗｰ"_qs);

  QByteArray damaged(56512, '\0');
  const qint32 count = 1000;
  std::memcpy(damaged.data() + 56508, &count, 4);
  putFile(path(u"damaged.rpf"_qs), damaged);
  open(path(u"damaged.rpf"_qs));
  ASSERT_EQ(dialogs->messages.size(), 2);
  EXPECT_EQ(dialogs->messages[1].second, u"ﾌｧｲﾙ I/O ｴﾗｰ"_qs);
  EXPECT_EQ(bytesOf(document()), before);
  EXPECT_EQ(document().PartCount, 3);
  ASSERT_NE(part(2), nullptr);
}

TEST_F(Files, MissingPicturesKeepTheirPlaceAndEveryLaterPart) {
  compose();
  save(path(u"a.rpf"_qs));
  QFile::remove(path(u"part.bmp"_qs));
  ASSERT_TRUE(addPart(pkText));
  save(path(u"b.rpf"_qs));
  newComposition();
  open(path(u"b.rpf"_qs));
  ASSERT_EQ(reports.size(), 1) << "the missing picture is reported";
  EXPECT_TRUE(reports[0].first.contains(path(u"part.bmp"_qs)));
  EXPECT_EQ(document().PartCount, 4);
  for (int i = 0; i < 4; ++i) EXPECT_NE(part(i), nullptr) << i;
  EXPECT_EQ(part(2)->bounds(), (Bounds{170, 35, 50, 25}));
  EXPECT_TRUE(part(2)->raster().isNull());
}

TEST_F(Files, TheLogoIsWhatTheCanvasShows) {
  compose();
  // The logo takes the pictures the canvas shows, not the files again.
  ASSERT_TRUE(QFile::remove(path(u"back.bmp"_qs)) && QFile::remove(path(u"part.bmp"_qs)));
  dialogs->picturesToSave.push_back(path(u"logo.bmp"_qs));
  run("saveLogoAction");
  const QImage logo = readBmp(fileBytes(path(u"logo.bmp"_qs)));
  ASSERT_EQ(logo.size(), QSize(160, 90));

  // The canvas as painted on screen, over the background's rectangle.
  const QImage screen = canvas()->grab(QRect(30, 40, 160, 90)).toImage().convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(screen.size(), logo.size());
  int differences = 0;
  for (int y = 0; y < logo.height(); ++y)
    for (int x = 0; x < logo.width(); ++x)
      if (logo.pixel(x, y) != screen.pixel(x, y)) ++differences;
  EXPECT_EQ(differences, 0);

  dialogs->picturesToSave.push_back(path(u"logo.JPG"_qs));
  run("saveLogoAction");
  EXPECT_TRUE(fileBytes(path(u"logo.JPG"_qs)).startsWith("\xFF\xD8"));
  EXPECT_EQ(decodeJpeg(fileBytes(path(u"logo.JPG"_qs))).size(), QSize(160, 90));
}

TEST_F(Files, NoPartsNoLogo) {
  putFile(path(u"keep.bmp"_qs), "old");
  dialogs->picturesToSave.push_back(path(u"keep.bmp"_qs));
  dialogs->picturesToSave.push_back(path(u"new.jpg"_qs));
  run("saveLogoAction");
  run("saveLogoAction");
  EXPECT_EQ(fileBytes(path(u"keep.bmp"_qs)), QByteArray("old"));
  EXPECT_FALSE(QFile::exists(path(u"new.jpg"_qs)));
  const std::pair<QString, QString> said{u"部品がないため、ロゴを作成しません"_qs, u"Pelmora"_qs};
  EXPECT_EQ(dialogs->messages, (QList<std::pair<QString, QString>>{said, said}));
  EXPECT_TRUE(reports.isEmpty());
}

// The open project, by its name or through a link, is never replaced by the logo: nothing is
// written, the exporter's words are said and the work still counts as unsaved.
TEST_F(Files, TheLogoNeverReplacesTheOpenProject) {
  ASSERT_TRUE(addPart(pkText));
  save(path(u"proj.rpf"_qs));
  const QByteArray project = fileBytes(path(u"proj.rpf"_qs));
  ASSERT_TRUE(QFile::link(path(u"proj.rpf"_qs), path(u"link.bmp"_qs)));
  ASSERT_TRUE(addPart(pkText));
  dialogs->picturesToSave = {path(u"proj.rpf"_qs), path(u"link.bmp"_qs)};
  run("saveLogoAction");
  run("saveLogoAction");
  EXPECT_EQ(fileBytes(path(u"proj.rpf"_qs)), project);
  EXPECT_TRUE(comp().isModified());
  const std::pair<QString, QString> said{u"ロゴの出力先が読み込むﾌﾟﾛｼﾞｪｸﾄﾌｧｲﾙそのものです"_qs, u"Pelmora"_qs};
  EXPECT_EQ(dialogs->messages, (QList<std::pair<QString, QString>>{said, said}));
}

// A project only opened, never saved, since the editor started is as much the open project; New
// leaves none open, and the logo may then take that name.
TEST_F(Files, TheLogoIsRefusedOverAnOpenedProjectUntilNew) {
  ASSERT_TRUE(addPart(pkText));
  putFile(path(u"opened.rpf"_qs), bytesOf(document()));
  open(path(u"opened.rpf"_qs));
  ASSERT_EQ(document().PartCount, 1);
  dialogs->picturesToSave = {path(u"opened.rpf"_qs)};
  run("saveLogoAction");
  EXPECT_EQ(fileBytes(path(u"opened.rpf"_qs)).size(), 56512);
  run("newAction");
  ASSERT_TRUE(addPart(pkText));
  dialogs->picturesToSave = {path(u"opened.rpf"_qs)};
  run("saveLogoAction");
  EXPECT_TRUE(fileBytes(path(u"opened.rpf"_qs)).startsWith("BM"));
  const std::pair<QString, QString> said{u"ロゴの出力先が読み込むﾌﾟﾛｼﾞｪｸﾄﾌｧｲﾙそのものです"_qs, u"Pelmora"_qs};
  EXPECT_EQ(dialogs->messages, (QList<std::pair<QString, QString>>{said}));
}

}  // namespace
