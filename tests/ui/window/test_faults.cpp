// The editor under bad paths, missing and hostile files and failing writes: each command reports
// once, the composition keeps everything it held, and the next command works.

#include "support/files.h"
#include "support/mainfixture.h"

#include "model/fixedstring.h"
#include "model/projectfile.h"
#include "render/bmpwriter.h"
#include "support/bmpbuilder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QToolButton>

#include <climits>
#include <cstring>

#include <sys/stat.h>

namespace {

class EditorFaults : public MainWindowTest {
protected:
  QString path(const QString& name) const { return dir.filePath(name); }
  QByteArray block() { return projectBytes(document()); }
  void click(const char* name) { toolButton(name)->click(); }

  // Opens `doc` as a saved project, through the command.
  void open(const TDocument& doc) {
    writeProjectFile(path(QStringLiteral("opened.rpf")), doc);
    dialogs->projectsToOpen.push_back(path(QStringLiteral("opened.rpf")));
    click("openProjectAction");
  }

  void expectOneMoreReport(qsizetype& count, const QString& message) {
    ASSERT_EQ(reports.size(), ++count);
    EXPECT_EQ(reports.back().first, reportText(message));
  }

  static TDocument newDocument() {
    TDocument doc;
    clearDocument(doc);
    doc.BackColor = clWhite;
    doc.BackWidth = 300;
    doc.BackHeight = 150;
    return doc;
  }

  QTemporaryDir dir;
};

// The dialog answered with a name that holds no picture: a pipe (which would block a plain
// open), a folder, a device that never ends, and a file deleted after the dialog showed it.
TEST_F(EditorFaults, PicturePathsThatAreNoFileAreReportedAndChangeNothing) {
  const QString fifo = path(QStringLiteral("pipe.bmp"));
  ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  const QString folder = path(QStringLiteral("folder.bmp"));
  ASSERT_TRUE(QDir().mkdir(folder));
  const QString vanished = path(QStringLiteral("vanished.bmp"));
  ASSERT_TRUE(addPart(pkText));
  const QByteArray before = block();
  const Bounds background = backgroundControl()->bounds();

  qsizetype count = 0;
  for (const QString& picture : {fifo, folder, QStringLiteral("/dev/zero"), vanished}) {
    for (const char* command : {"addPictureAction", "backgroundPictureAction"}) {
      if (picture == vanished) putFile(vanished, encodeBmp(QImage(4, 4, QImage::Format_RGB32)));
      dialogs->picturesToOpen.push_back(picture);
      QFile::remove(vanished);  // after the dialog's answer, before the command reads it
      click(command);
      expectOneMoreReport(count, QStringLiteral("ファイル %1 は開けません").arg(picture));
      EXPECT_EQ(block(), before);
      EXPECT_EQ(backgroundControl()->bounds(), background);
      EXPECT_EQ(part(1), nullptr);
    }
  }
  const QString fifoProject = path(QStringLiteral("pipe.rpf"));
  ASSERT_EQ(mkfifo(QFile::encodeName(fifoProject).constData(), 0600), 0);
  const QString vanishedProject = path(QStringLiteral("vanished.rpf"));
  for (const QString& project : {fifoProject, vanishedProject}) {
    if (project == vanishedProject) writeProjectFile(vanishedProject, newDocument());
    dialogs->projectsToOpen.push_back(project);
    QFile::remove(vanishedProject);
    click("openProjectAction");
    expectOneMoreReport(count, QStringLiteral("ファイル %1 は開けません").arg(project));
    EXPECT_EQ(block(), before);
  }
  click("addTextAction");
  EXPECT_EQ(document().PartCount, 2);
}

// A 65,535 x 65,535 header on a 100-byte file, added as a picture part.
TEST_F(EditorFaults, OversizedBitmapHeaderIsReportedAndAddsNothing) {
  bmpbuilder::Bmp bmp;
  bmp.width = 65535;
  bmp.height = 65535;
  QByteArray file = bmp.build();
  file.resize(100, '\0');
  putFile(path(QStringLiteral("huge.bmp")), file);
  dialogs->picturesToOpen.push_back(path(QStringLiteral("huge.bmp")));
  click("addPictureAction");
  qsizetype count = 0;
  expectOneMoreReport(
      count, QStringLiteral("%1: 画像が大きすぎます (65535 x 65535 ピクセル)").arg(path(QStringLiteral("huge.bmp"))));
  EXPECT_EQ(document().PartCount, 0);
}

TEST_F(EditorFaults, ProjectWhosePicturesAreAllMissingKeepsEveryPartAndSavesThemAgain) {
  TDocument doc = newDocument();
  const QStringList missing = {path(QStringLiteral("back.bmp")), path(QStringLiteral("a.bmp")),
                               path(QStringLiteral("b.jpg"))};
  storeFixedPath(doc.BackFile, missing[0]);
  doc.BackLeft = 10;
  doc.BackTop = 20;
  TPartData& placed = appendPart(doc, pkPicture);
  storeFixedPath(placed.FileName, missing[1]);
  placed.Left = 30;
  placed.Top = 40;
  placed.Width = 50;
  placed.Height = 25;
  appendPart(doc, pkText);
  storeFixedPath(appendPart(doc, pkPicture).FileName, missing[2]);  // never placed
  open(doc);

  ASSERT_EQ(reports.size(), 1);
  for (const QString& file : missing) EXPECT_TRUE(reports[0].first.contains(file)) << reports[0].first.toStdString();
  ASSERT_EQ(document().PartCount, 3);
  for (int i = 0; i < 3; ++i) ASSERT_NE(part(i), nullptr) << i;
  EXPECT_EQ(part(0)->bounds(), (Bounds{30, 40, 50, 25}));
  EXPECT_TRUE(part(0)->raster().isNull());
  EXPECT_FALSE(part(1)->raster().isNull());
  EXPECT_EQ(backgroundControl()->bounds(), (Bounds{10, 20, 300, 150}));

  // Nothing of the missing pictures is lost: saved again, their records are the file's.
  dialogs->projectsToSave.push_back(path(QStringLiteral("again.rpf")));
  click("saveProjectAction");
  const TDocument again = readProjectFile(path(QStringLiteral("again.rpf")));
  for (const int i : {0, 2}) EXPECT_EQ(std::memcmp(&again.Parts[i], &doc.Parts[i], sizeof(TPartData)), 0) << i;
  EXPECT_EQ(QByteArray(again.BackFile, FIXED_STRING_SIZE), QByteArray(doc.BackFile, FIXED_STRING_SIZE));
  EXPECT_EQ(backgroundBounds(again), (Bounds{10, 20, 300, 150}));
  EXPECT_EQ(reports.size(), 1);
}

// Values the file checks let through because a file may hold them, which no text can be drawn
// with: a 2,000,000,000-point font and a shadow offset of -2^31.
TEST_F(EditorFaults, TextPartsThatCannotBeDrawnKeepTheirControlsAndOneReport) {
  TDocument doc = newDocument();
  appendPart(doc, pkText);
  appendPart(doc, pkText).FontSize = 2000000000;
  appendPart(doc, pkText).ShadowX = INT_MIN;
  open(doc);

  ASSERT_EQ(reports.size(), 1);
  EXPECT_TRUE(reports[0].first.contains(QStringLiteral("文字サイズ 2000000000 ポイントは大きすぎます")))
      << reports[0].first.toStdString();
  EXPECT_TRUE(reports[0].first.contains(QStringLiteral("画像が大きすぎます"))) << reports[0].first.toStdString();
  ASSERT_EQ(document().PartCount, 3);
  EXPECT_FALSE(part(0)->raster().isNull());
  EXPECT_TRUE(part(1)->raster().isNull());
  EXPECT_TRUE(part(2)->raster().isNull());
  EXPECT_EQ(document().Parts[1].FontSize, 2000000000);
  click("addTextAction");
  EXPECT_EQ(document().PartCount, 4);
  EXPECT_EQ(reports.size(), 1);
}

// As root every folder is writable, so the place nothing can be written to is a path under a
// regular file.
TEST_F(EditorFaults, SavingWhereNoFileCanBeMadeReportsAndKeepsTheComposition) {
  putFile(path(QStringLiteral("plain.txt")), "kept");
  ASSERT_TRUE(addPart(pkText));
  dialogs->projectsToSave.push_back(path(QStringLiteral("a.rpf")));
  click("saveProjectAction");
  const QByteArray saved = block();

  qsizetype count = 0;
  const QString project = path(QStringLiteral("plain.txt/p.rpf"));
  dialogs->projectsToSave.push_back(project);
  click("saveProjectAction");
  expectOneMoreReport(count, QStringLiteral("ファイル %1 を作成できません").arg(project));
  const QString logo = path(QStringLiteral("plain.txt/logo.bmp"));
  dialogs->picturesToSave.push_back(logo);
  click("saveLogoAction");
  expectOneMoreReport(count, QStringLiteral("ファイル %1 を作成できません").arg(logo));

  EXPECT_EQ(block(), saved);
  EXPECT_EQ(fileBytes(path(QStringLiteral("plain.txt"))), QByteArray("kept"));
  dialogs->projectsToSave.push_back(path(QStringLiteral("b.rpf")));
  click("saveProjectAction");
  EXPECT_EQ(fileBytes(path(QStringLiteral("b.rpf"))), fileBytes(path(QStringLiteral("a.rpf"))));
  EXPECT_EQ(reports.size(), count);
}

}  // namespace
