// Opening projects in the editor: what a file leaves in the table, the largest table a file holds,
// and the one message that names every picture and part that could not be shown, in the
// command-line exporter's words.

#include "support/files.h"
#include "support/mainfixture.h"

#include "model/failure.h"
#include "model/fixedstring.h"
#include "model/projectfile.h"
#include "render/bmpwriter.h"
#include "render/fonts.h"
#include "render/textrender.h"

#include <QDropEvent>
#include <QMimeData>
#include <QProcess>
#include <QTemporaryDir>
#include <QToolButton>
#include <QUrl>

#include <cstring>
#include <functional>
#include <tuple>

namespace {

class openProject : public MainWindowTest {
protected:
  QString path(const QString& name) const { return dir.filePath(name); }
  void click(const char* name) { toolButton(name)->click(); }

  void open(const QString& project) {
    dialogs->projectsToOpen.push_back(project);
    click("openProjectAction");
  }
  void save(const QString& project) {
    dialogs->projectsToSave.push_back(project);
    click("saveProjectAction");
  }

  // New's block with a white background of 300 x 150 at (4, 6).
  static TDocument newDocument() {
    TDocument doc{};
    doc.BackColor = clWhite;
    std::tie(doc.BackLeft, doc.BackTop, doc.BackWidth, doc.BackHeight) = std::tuple(4, 6, 300, 150);
    return doc;
  }

  QString bitmap(const QString& name) {
    putFile(path(name), encodeBmp(QImage(5, 3, QImage::Format_RGB32)));
    return path(name);
  }

  QTemporaryDir dir;
};

// Free records full of junk, as a file cut short or written by another program may hold them:
// a part added after opening gets the new-part defaults at the canvas origin, byte for byte what
// the same add gives after opening the same parts without the junk.
TEST_F(openProject, PartsAddedAfterOpeningStartFromZeroedRecords) {
  TDocument doc = newDocument();
  TPartData& first = appendPart(doc, pkText);
  first.Left = 20;
  first.Top = 30;
  first.Width = 1;
  first.Height = 1;
  putFile(path(QStringLiteral("clean.rpf")), projectBytes(doc));
  for (int i = 1; i < MAX_PARTS; ++i) {
    TPartData& junk = doc.Parts[i];
    std::memset(&junk, 0x5A, sizeof junk);
    junk.Left = 70;
    junk.Top = 80;
    junk.Width = 90;
    junk.Height = 40;
    junk.FontStyle = fsBold | fsItalic | fsUnderline;
    junk.FillOn = 1;
    junk.ShadowX = -7;
    junk.ShadowY = 12;
    junk.Text[255] = '\0';
    junk.FontName[255] = '\0';
  }
  putFile(path(QStringLiteral("junk.rpf")), projectBytes(doc));
  const QString picture = bitmap(QStringLiteral("mark.bmp"));

  const auto openAndAdd = [&](const QString& project) {
    open(project);
    click("addTextAction");
    dialogs->picturesToOpen.push_back(picture);
    click("addPictureAction");
    EXPECT_EQ(document().PartCount, 3);
    EXPECT_TRUE(reports.isEmpty()) << reports.value(0).first.toStdString();
    for (int i : {1, 2}) {
      EXPECT_EQ(part(i)->left(), 0) << i;
      EXPECT_EQ(part(i)->top(), 0) << i;
    }
    EXPECT_EQ(part(2)->bounds(), (Bounds{0, 0, 5, 3}));
    return projectBytes(document());
  };
  const QByteArray afterJunk = openAndAdd(path(QStringLiteral("junk.rpf")));
  const QByteArray afterClean = openAndAdd(path(QStringLiteral("clean.rpf")));
  EXPECT_EQ(afterJunk, afterClean);

  const TPartData& added = document().Parts[1];
  EXPECT_EQ(added.FontStyle, 0);
  EXPECT_EQ(added.FillOn, 0);
  EXPECT_EQ(added.ShadowX, 0);
  EXPECT_EQ(added.Left, 0);
  EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(added.Reserved2), 3), QByteArray(3, '\0'));
}

// 99 is the most parts a file may hold: opened, it has every control, refuses a 100th part, and
// saves back the very bytes it was read from.
TEST_F(openProject, NinetyNinePartsOpenAndSaveBackByteForByte) {
  TDocument doc = newDocument();
  const QString picture = bitmap(QStringLiteral("p.bmp"));
  for (int i = 0; i < MAX_PARTS; ++i) {
    TPartData& r = appendPart(doc, i % 10 == 9 ? pkPicture : pkText);
    r.Left = 3 * i;
    r.Top = i;
    if (r.Kind == pkPicture) {
      storeFixedPath(r.FileName, picture);
      r.Width = 10 + i;
      r.Height = 7;
    } else {
      storeFixedString(r.Text, QStringLiteral("部品 %1").arg(i + 1));
      // A text part's size comes from its text; a file holding that size saves back unchanged.
      const QSize size = renderTextPart(r, TEXT_DPI).controlSize;
      r.Width = size.width();
      r.Height = size.height();
    }
  }
  ASSERT_EQ(doc.PartCount, 99);
  const QByteArray written = projectBytes(doc);
  putFile(path(QStringLiteral("full.rpf")), written);

  open(path(QStringLiteral("full.rpf")));
  ASSERT_TRUE(reports.isEmpty()) << reports.value(0).first.toStdString();
  ASSERT_EQ(document().PartCount, 99);
  ASSERT_NE(part(98), nullptr);
  EXPECT_EQ(part(98)->bounds().left, 3 * 98);
  EXPECT_EQ(part(99 - 10)->bounds(), (Bounds{3 * 89, 89, 99, 7}));
  click("addTextAction");
  EXPECT_EQ(document().PartCount, 99);
  EXPECT_TRUE(reports.isEmpty());

  save(path(QStringLiteral("saved.rpf")));
  EXPECT_EQ(fileBytes(path(QStringLiteral("saved.rpf"))), written);
}

// A project file cut short, as a failed download leaves it, is refused as damaged whichever way it
// comes in, and the composition on the canvas stays as it was, unsaved work and all.
TEST_F(openProject, AFileOfTheWrongSizeIsRefusedByEveryWayInAndTheCompositionStays) {
  click("addTextAction");
  const QByteArray before = projectBytes(document());
  const QString cut = path(QStringLiteral("cut.rpf"));
  putFile(cut, projectBytes(newDocument()).first(56508));
  const std::pair<QString, QString> refusal{
      QStringLiteral("ﾌﾟﾛｼﾞｪｸﾄﾌｧｲﾙ %1 が壊れています (大きさ 56508 バイト、正しくは 56512 バイト)").arg(cut),
      QStringLiteral("ﾌｧｲﾙ I/O ｴﾗｰ")};
  const std::function<void()> ways[] = {
      [&] { open(cut); },
      [&] { w().openProjectAtStart(cut); },
      [&] {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(cut)});
        const QPoint onCanvas = canvas()->mapTo(&w(), QPoint(5, 5));
        QDragEnterEvent entered(onCanvas, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QDropEvent dropped(onCanvas, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        for (QEvent* event : std::initializer_list<QEvent*>{&entered, &dropped})
          QCoreApplication::sendEvent(&w(), event);
      },
  };
  for (qsizetype i = 0; i < 3; ++i) {
    ways[i]();
    ASSERT_EQ(dialogs->messages.size(), i + 1);
    EXPECT_EQ(dialogs->messages[i], refusal);
    EXPECT_EQ(projectBytes(document()), before) << i;
    EXPECT_TRUE(comp().isModified()) << i;
    EXPECT_TRUE(dialogs->proposedProjectName.isEmpty()) << i;
  }
  EXPECT_TRUE(reports.isEmpty());
}

struct ExporterRun {
  int exitCode = -1;
  QStringList lines;  // the lines naming what failed, without their indent
};

// pelmora-export on `project`: the lines under its "cannot make the logo" heading.
ExporterRun exportFailures(const QString& project, const QString& output) {
  ExporterRun run;
  QProcess process;
  process.start(QStringLiteral(PELMORA_EXPORT_EXE), {project, output});
  EXPECT_TRUE(process.waitForFinished(60000));
  run.exitCode = process.exitCode();
  const QStringList err = QString::fromUtf8(process.readAllStandardError()).split(u'\n', Qt::SkipEmptyParts);
  for (const QString& line : err)
    if (line.startsWith(QStringLiteral("  "))) run.lines << line.mid(2);
  return run;
}

QString editorMessage(const QStringList& lines) {
  return reportText(QStringLiteral("次のファイルまたは部品を表示できません:\n") + lines.join(u'\n'));
}

// A background that is no bitmap, a .jpg file that is no picture, a text part of 100,000 points and a
// missing picture: the editor says one line for each, naming the file or the part's number,
// in the exporter's words, when it opens the project, when it rebuilds after a delete and when
// an added picture fails.
TEST_F(openProject, LoadFailuresNameTheirFileOrPartInTheExportersWords) {
  const QString notBitmap = path(QStringLiteral("背景.bmp"));
  putFile(notBitmap, "this is no bitmap");
  const QString brokenJpeg = path(QStringLiteral("mark.jpg"));
  putFile(brokenJpeg, "nor is this a JPEG");
  const QString missing = path(QStringLiteral("gone.bmp"));

  TDocument doc = newDocument();
  storeFixedPath(doc.BackFile, notBitmap);
  appendPart(doc, pkText);
  storeFixedPath(appendPart(doc, pkPicture).FileName, brokenJpeg);
  appendPart(doc, pkText).FontSize = 100000;
  storeFixedPath(appendPart(doc, pkPicture).FileName, missing);
  const QString project = path(QStringLiteral("broken.rpf"));
  writeProjectFile(project, doc);

  const ExporterRun exported = exportFailures(project, path(QStringLiteral("logo.bmp")));
  EXPECT_EQ(exported.exitCode, 1);
  ASSERT_EQ(exported.lines.size(), 4) << exported.lines.join(u'\n').toStdString();
  EXPECT_TRUE(exported.lines[0].startsWith(notBitmap + QStringLiteral(": ")));
  EXPECT_TRUE(exported.lines[0].endsWith(QStringLiteral("ビットマップイメージが不正です")));
  EXPECT_TRUE(exported.lines[1].startsWith(brokenJpeg + QStringLiteral(": JPEG エラー #")));
  EXPECT_EQ(exported.lines[2], QStringLiteral("3 番目の部品: 文字サイズ 100000 ポイントは大きすぎます"));
  EXPECT_EQ(exported.lines[3], QStringLiteral("ファイル %1 は開けません").arg(missing));

  open(project);
  ASSERT_EQ(reports.size(), 1);
  EXPECT_EQ(reports[0].first, editorMessage(exported.lines));
  ASSERT_EQ(document().PartCount, 4);

  // Without the first part the text part is the second. A deletion reads no file again, so it
  // says nothing more.
  deleteInList(0);
  ASSERT_EQ(reports.size(), 1);
  save(path(QStringLiteral("after-delete.rpf")));
  const ExporterRun afterDelete =
      exportFailures(path(QStringLiteral("after-delete.rpf")), path(QStringLiteral("logo.bmp")));
  ASSERT_EQ(afterDelete.lines.size(), 4);
  EXPECT_EQ(afterDelete.lines[2], QStringLiteral("2 番目の部品: 文字サイズ 100000 ポイントは大きすぎます"));

  dialogs->picturesToOpen.push_back(brokenJpeg);
  click("addPictureAction");
  ASSERT_EQ(reports.size(), 2);
  EXPECT_EQ(reports[1].first, reportText(exported.lines[1]));
  EXPECT_EQ(document().PartCount, 3);
}

}  // namespace
