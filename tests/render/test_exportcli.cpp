// Runs the built pelmora-export on projects written here and checks what it leaves on disk.

#include "model/fixedstring.h"
#include "model/projectfile.h"
#include "render/bmpwriter.h"
#include "render/fonts.h"
#include "render/logoexport.h"
#include "render/picturefile.h"
#include "render/scene.h"
#include "support/pngbuilder.h"

#include "support/files.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>

using namespace Qt::Literals::StringLiterals;

namespace {

struct Outcome {
  int exitCode = -1;
  QString out;
  QString err;
};

class ExportCliTest : public ::testing::Test {
protected:
  void SetUp() override {
#ifndef PELMORA_EXPORT_EXE
    GTEST_SKIP() << "the test build does not say where pelmora-export is";
#endif
    clearDocument(doc);
    doc.BackColor = 0x204060;
    doc.BackLeft = 40;
    doc.BackTop = 30;
    doc.BackWidth = 120;
    doc.BackHeight = 50;
  }

  static Outcome run(const QStringList& args,
                     const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
    Outcome result;
#ifdef PELMORA_EXPORT_EXE
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(PELMORA_EXPORT_EXE), args);
    EXPECT_TRUE(process.waitForFinished(60000)) << "pelmora-export did not finish";
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    result.exitCode = process.exitCode();
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
#else
    Q_UNUSED(args);
    Q_UNUSED(env);
#endif
    return result;
  }

  QString path(const QString& name) const { return dir.filePath(name); }

  QString project(const QString& name = QStringLiteral("logo.rpf")) const {
    writeProjectFile(path(name), doc);
    return path(name);
  }

  // A 6 x 4 picture, magenta where it is see-through (its bottom-left pixel), yellow elsewhere.
  QString picture(const QString& name) const {
    QImage image(6, 4, QImage::Format_RGB32);
    image.fill(qRgb(255, 0, 255));
    image.setPixel(2, 1, qRgb(255, 255, 0));
    QFile file(path(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(encodeBmp(image));
    return path(name);
  }

  QTemporaryDir dir;
  TDocument doc;
};

TEST_F(ExportCliTest, WritesTheSameLogoAsTheEditorsExport) {
  TPartData& text = appendPart(doc, pkText);
  storeFixedString(text.Text, u"Pelmora ロゴ");
  text.Left = 45;
  text.Top = 33;
  text.Width = 1;
  text.Height = 1;
  TPartData& pic = appendPart(doc, pkPicture);
  storeFixedPath(pic.FileName, picture(QStringLiteral("mark.bmp")));
  pic.Left = 100;
  pic.Top = 60;
  pic.Width = 12;
  pic.Height = 8;

  const Scene scene = buildScene(doc, TEXT_DPI);
  const QImage expected = composeLogo(scene.background, scene.parts);
  // The screen's resolution never reaches the logo: text is drawn at 96 dpi on every screen.
  for (const char* screenDpi : {"96", "144"}) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_FONT_DPI"), QString::fromLatin1(screenDpi));
    const Outcome r = run({project(), path(QStringLiteral("logo.bmp"))}, env);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();

    const QImage written = loadPictureFile(path(QStringLiteral("logo.bmp")));
    ASSERT_EQ(written.size(), QSize(120, 50));
    EXPECT_EQ(written.pixel(0, 0), qRgb(0x60, 0x40, 0x20));
    // The picture's one opaque pixel, stretched twice: canvas (104, 62) is logo (64, 32).
    EXPECT_EQ(written.pixel(64, 32), qRgb(255, 255, 0));
    EXPECT_EQ(written.pixel(60, 30), qRgb(0x60, 0x40, 0x20));
    EXPECT_EQ(written.convertToFormat(QImage::Format_RGB32), expected) << screenDpi;
  }
}

TEST_F(ExportCliTest, JpegOutputByExtension) {
  appendPart(doc, pkText);
  const Outcome r = run({project(QStringLiteral("LOGO.RPF")), path(QStringLiteral("logo.JPEG"))});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  QFile file(path(QStringLiteral("logo.JPEG")));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_TRUE(file.read(2) == "\xFF\xD8");
}

TEST_F(ExportCliTest, RefusesWhatItCannotExportAndWritesNothing) {
  const QString out = path(QStringLiteral("out.bmp"));

  const Outcome noParts = run({project(), out});
  EXPECT_EQ(noParts.exitCode, 1);
  EXPECT_TRUE(noParts.err.contains(QStringLiteral("部品がない"))) << noParts.err.toStdString();

  appendPart(doc, pkText);
  const Outcome wrongExtension = run({project(QStringLiteral("logo.bmp.txt")), out});
  EXPECT_EQ(wrongExtension.exitCode, 1);
  EXPECT_TRUE(wrongExtension.err.contains(QStringLiteral("Pelmoraのﾌﾟﾛｼﾞｪｸﾄﾌｧｲﾙではありません")))
      << wrongExtension.err.toStdString();

  const QString missing = path(QStringLiteral("gone.bmp"));
  storeFixedPath(appendPart(doc, pkPicture).FileName, missing);
  const Outcome missingPicture = run({project(), out});
  EXPECT_EQ(missingPicture.exitCode, 1);
  EXPECT_TRUE(missingPicture.err.contains(missing)) << missingPicture.err.toStdString();

  QFile damaged(path(QStringLiteral("damaged.rpf")));
  ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
  doc.PartCount = 100;
  damaged.write(projectBytes(doc));
  damaged.close();
  const Outcome refused = run({damaged.fileName(), out});
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_TRUE(refused.err.contains(QStringLiteral("部品数 100"))) << refused.err.toStdString();

  EXPECT_FALSE(QFileInfo::exists(out));
}

// The project named again as the output, by its own name or through a link, stays as it was: the
// logo is not written over the work it is made from.
TEST_F(ExportCliTest, NeverWritesTheLogoOverItsOwnProject) {
  appendPart(doc, pkText);
  const QString own = project();
  const QByteArray before = projectBytes(doc);
  const QString link = path(QStringLiteral("same.rpf"));
  ASSERT_TRUE(QFile::link(own, link));
  for (const QString& output : {own, link}) {
    const Outcome r = run({own, output});
    EXPECT_EQ(r.exitCode, 1) << output.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("ロゴの出力先が読み込むﾌﾟﾛｼﾞｪｸﾄﾌｧｲﾙそのものです")))
        << r.err.toStdString();
    QFile file(own);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
  }
}

// A project cut short or grown longer is damaged: no logo, and the earlier one stays.
TEST_F(ExportCliTest, AProjectOfTheWrongSizeIsRefusedAndTheEarlierLogoStays) {
  appendPart(doc, pkText);
  const QByteArray block = projectBytes(doc);
  const QString out = path(QStringLiteral("logo.bmp"));
  putFile(out, "earlier contents");
  for (const qsizetype size : {56508, 56522}) {
    const QString file = path(QStringLiteral("%1.rpf").arg(size));
    putFile(file, (block + QByteArray(10, '\x01')).first(size));
    const Outcome r = run({file, out});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, QStringLiteral(
                         "pelmora-export: ﾌﾟﾛｼﾞｪｸﾄﾌｧｲﾙ %1 が壊れています (大きさ %2 バイト、正しくは 56512 バイト)\n")
                         .arg(file)
                         .arg(size));
  }
  EXPECT_EQ(fileBytes(out), "earlier contents");
}

// A PNG picture with alpha, as background and as a part, written as a PNG logo: the editor's very
// pixels.
TEST_F(ExportCliTest, PngPicturesAndAPngLogo) {
  pngbuilder::Picture mark;
  mark.type = pngbuilder::Rgba;
  mark.width = 3;
  mark.height = 2;
  mark.samples = {255, 0, 0, 255, 0, 255, 0, 128, 0, 0, 255, 0, 9, 9, 9, 60, 200, 100, 0, 255, 255, 255, 255, 1};
  const QString markPath = path(QStringLiteral("mark.PNG"));
  putFile(markPath, pngbuilder::build(mark));
  storeFixedPath(doc.BackFile, markPath);
  TPartData& pic = appendPart(doc, pkPicture);
  storeFixedPath(pic.FileName, markPath);
  pic.Left = 100;
  pic.Top = 60;
  pic.Width = 31;
  pic.Height = 17;

  const Outcome r = run({project(), path(QStringLiteral("logo.png"))});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  const QImage written = loadPictureFile(path(QStringLiteral("logo.png")));
  const Scene scene = buildScene(doc, TEXT_DPI);
  ASSERT_TRUE(scene.failedFiles.isEmpty());
  EXPECT_EQ(written.convertToFormat(QImage::Format_RGB32), composeLogo(scene.background, scene.parts));
}

TEST_F(ExportCliTest, PicturesThatCannotBeReadWhileBandsAreWrittenAreAllReportedAndNothingIsWritten) {
  // A logo of many bands. The pictures decode in the order the bands need them, while the bands
  // above (or below) are composed and written, so the first failure stops the export half-way;
  // the report still names every picture, in record order, in the words it always had.
  doc.BackWidth = 1024;
  doc.BackHeight = 2048;
  TPartData& text = appendPart(doc, pkText);
  storeFixedString(text.Text, u"ﾛｺﾞ");
  text.Width = 1;
  text.Height = 1;
  const auto placedPicture = [&](const QString& file, int top) {
    TPartData& r = appendPart(doc, pkPicture);
    storeFixedPath(r.FileName, file);
    r.Left = 60;
    r.Top = top;
    r.Width = 300;
    r.Height = 40;
  };
  putFile(path(QStringLiteral("damaged.bmp")), "BM but not a bitmap");
  placedPicture(path(QStringLiteral("damaged.bmp")), 30 + 2000);  // the last band
  placedPicture(picture(QStringLiteral("mark.bmp")), 40);
  placedPicture(path(QStringLiteral("gone.jpg")), 50);  // the first band
  QStringList lines;
  for (int i = 1; i <= 3; i += 2) lines << buildPart(doc.Parts[i], i, TEXT_DPI).failure;
  const QString expected =
      QStringLiteral("pelmora-export: 読み込めないファイルまたは部品があるため、ロゴを作成しません:\n  ") +
      lines.join(QStringLiteral("\n  ")) + u'\n';
  const QString projectPath = project();
  for (const QString& name : {QStringLiteral("logo.jpg"), QStringLiteral("logo.bmp"), QStringLiteral("logo.png")}) {
    SCOPED_TRACE(name.toStdString());
    putFile(path(name), "earlier contents");
    const QStringList before = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    const Outcome r = run({projectPath, path(name)});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, expected);
    EXPECT_EQ(fileBytes(path(name)), "earlier contents");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), before);
  }
}

TEST_F(ExportCliTest, UsageOnRequestAndOnWrongArguments) {
  const Outcome help = run({QStringLiteral("--help")});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_TRUE(help.out.contains(QStringLiteral("Usage: pelmora-export"))) << help.out.toStdString();
  const Outcome version = run({QStringLiteral("--version")});
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_TRUE(version.out.startsWith(QStringLiteral("Pelmora 1.00\n"))) << version.out.toStdString();

  for (const QStringList& args : {QStringList{}, QStringList{QStringLiteral("a.rpf")},
                                  QStringList{QStringLiteral("a.rpf"), QStringLiteral("b.bmp"), QStringLiteral("c")}}) {
    const Outcome r = run(args);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Usage: pelmora-export"))) << r.err.toStdString();
  }
}

// The options stand anywhere among the names; those that cannot be honoured write nothing, and a
// file of that name keeps its bytes.
TEST_F(ExportCliTest, TransparentAndScaleOptions) {
  appendPart(doc, pkText);
  const QString rpf = project();
  const QString out = path(QStringLiteral("out"));
  const struct {
    QStringList args;  // "P" the project, "O" the output with the extension after it
    const char* extension;
    int exitCode;
    QSize size;        // of the file written
    bool alpha;        // whether it has an alpha channel
    const char* said;  // in the error output
  } cases[] = {
      {{u"--transparent"_qs, u"P"_qs, u"O"_qs}, ".png", 0, {120, 50}, true, ""},
      {{u"P"_qs, u"--scale"_qs, u"3"_qs, u"O"_qs, u"--transparent"_qs}, ".bmp", 0, {360, 150}, true, ""},
      {{u"--scale=2"_qs, u"P"_qs, u"O"_qs}, ".PNG", 0, {240, 100}, false, ""},
      {{u"--transparent"_qs, u"P"_qs, u"O"_qs}, ".JPeG", 2, {}, false, "JPEG"},
      {{u"--scale"_qs, u"5"_qs, u"P"_qs, u"O"_qs}, ".png", 2, {}, false, "1、2、3、4"},
      {{u"--scale"_qs, u"0"_qs, u"P"_qs, u"O"_qs}, ".png", 2, {}, false, "1、2、3、4"},
      {{u"P"_qs, u"O"_qs, u"--scale"_qs}, ".png", 2, {}, false, "1、2、3、4"},
      {{u"--scale"_qs, u"two"_qs, u"P"_qs, u"O"_qs}, ".png", 2, {}, false, "1、2、3、4"},
      {{u"--alpha"_qs, u"P"_qs, u"O"_qs}, ".png", 2, {}, false, "Usage: pelmora-export"},
  };
  for (const auto& c : cases) {
    const QString output = out + QString::fromLatin1(c.extension);
    putFile(output, "earlier");
    QStringList args = c.args;
    args.replaceInStrings(QRegularExpression(u"^P$"_qs), rpf).replaceInStrings(QRegularExpression(u"^O$"_qs), output);
    const Outcome r = run(args);
    EXPECT_EQ(r.exitCode, c.exitCode) << args.join(u' ').toStdString() << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.said))) << r.err.toStdString();
    if (c.exitCode != 0) {
      EXPECT_EQ(fileBytes(output), "earlier") << args.join(u' ').toStdString();
      continue;
    }
    const QImage written(output);
    EXPECT_EQ(written.size(), c.size) << args.join(u' ').toStdString();
    EXPECT_EQ(written.hasAlphaChannel(), c.alpha) << args.join(u' ').toStdString();
  }
  const Outcome help = run({u"--help"_qs});
  for (const char* named : {"--transparent", "--scale N", "背景を透明にする", "倍率"})
    EXPECT_TRUE(help.out.contains(QString::fromUtf8(named))) << named;
}

// Without XDG_RUNTIME_DIR (cron, ssh, containers) Qt has a note to make on every run; scripts
// that read standard error must find only the exporter's own words there.
TEST_F(ExportCliTest, StandardErrorCarriesOnlyItsOwnMessagesWithoutARuntimeFolder) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove(QStringLiteral("XDG_RUNTIME_DIR"));

  const Outcome help = run({QStringLiteral("--help")}, env);
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_EQ(help.err, QString());
  ASSERT_TRUE(help.out.startsWith(QStringLiteral("Usage: pelmora-export"))) << help.out.toStdString();

  const Outcome usage = run({}, env);
  EXPECT_EQ(usage.exitCode, 2);
  EXPECT_EQ(usage.err, help.out);

  appendPart(doc, pkText);
  const QString wrong = project(QStringLiteral("logo.txt"));
  const Outcome refused = run({wrong, path(QStringLiteral("a.bmp"))}, env);
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_EQ(refused.err, QStringLiteral("pelmora-export: %1: Pelmoraのﾌﾟﾛｼﾞｪｸﾄﾌｧｲﾙではありません\n").arg(wrong));

  const Outcome written = run({project(), path(QStringLiteral("a.bmp"))}, env);
  EXPECT_EQ(written.exitCode, 0);
  EXPECT_EQ(written.err, QString());
  EXPECT_EQ(written.out, QString());
}

}  // namespace
