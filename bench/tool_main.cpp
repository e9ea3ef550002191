// pelmora-bench-tool: the program's own code for each piece of work bench/compare times against
// a peer program, one piece per run, doing the same input and output as the peer does.
//
//   read FILE          loads a picture file as a picture part does (JPEG, PNG or BMP by extension)
//   encode PPM OUTPUT  codes a binary PPM's pixels as the logo export codes a JPEG
//   budget PROJECT     prints the bytes of the project's decoded pictures, background included
//   start              does nothing: the process's start-up alone, Qt's libraries loaded
//   scale PROJECT OUT WIDTH HEIGHT [PARTS]
//                      writes PROJECT with its background stretched to WIDTH x HEIGHT and every
//                      part's place, and every picture part's size, scaled with it; with PARTS,
//                      only the first PARTS parts are kept
//   logo PROJECT PPM   writes the project's logo pixels as a binary PPM, for cjpeg to code
//   export PROJECT OUTPUT
//                      exports the logo as the editor does and prints the export's own time in
//                      milliseconds, the pictures' decoding and the text's drawing left out

#include "model/document.h"
#include "model/failure.h"
#include "model/fixedstring.h"
#include "model/projectfile.h"
#include "model/regularfile.h"
#include "render/fonts.h"
#include "render/logoexport.h"
#include "render/scene.h"
#include "render/jpegcodec.h"
#include "render/picturefile.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

// The next number of a PPM header, past blanks and comments.
int headerNumber(QFile& file) {
  QByteArray digits;
  char c = 0;
  while (file.getChar(&c)) {
    if (c == '#' && digits.isEmpty()) {
      while (file.getChar(&c) && c != '\n') {
      }
    } else if (c >= '0' && c <= '9') {
      digits.append(c);
    } else if (!digits.isEmpty()) {
      break;
    }
  }
  bool ok = false;
  const int value = digits.toInt(&ok);
  if (!ok) throw Failure(QStringLiteral("%1: PPM の見出しが不正です").arg(file.fileName()));
  return value;
}

// The pixels are coded where they lie in the mapped file: cjpeg too reads them only into the rows
// it codes, so neither side pays for a copy of the picture first. The output is written plainly,
// as cjpeg writes it; the export's safe replace would add a flush to disk to our side.
void encode(const QString& input, const QString& output) {
  QFile file(input);
  if (!file.open(QIODevice::ReadOnly)) throw Failure(QStringLiteral("ファイル %1 は開けません").arg(input));
  if (file.read(2) != "P6") throw Failure(QStringLiteral("%1: P6 ではありません").arg(input));
  const int width = headerNumber(file);
  const int height = headerNumber(file);
  if (headerNumber(file) != 255) throw Failure(QStringLiteral("%1: 8 ビットではありません").arg(input));
  const qint64 row = qint64{width} * 3;
  const uchar* pixels = file.map(file.pos(), row * height);
  // QImage wants rows on 32-bit boundaries; the generator's files have them there.
  if (!pixels || reinterpret_cast<quintptr>(pixels) % 4 != 0 || row % 4 != 0)
    throw Failure(QStringLiteral("%1: 画素を 4 バイト境界に写せません").arg(input));
  const QByteArray jpeg = encodeJpeg(QImage(pixels, width, height, static_cast<qsizetype>(row), QImage::Format_RGB888));
  QFile out(output);
  if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(jpeg) != jpeg.size())
    throw Failure(QStringLiteral("ファイル %1 を作成できません").arg(output));
}

qint64 decodedBytes(const QString& project) {
  const TDocument doc = readProjectFile(project);
  qint64 total = 0;
  const QString background = fixedString(doc.BackFile);
  if (!background.isEmpty()) total += loadPictureFile(background).sizeInBytes();
  for (int i = 0; i < doc.PartCount; ++i)
    if (doc.Parts[i].Kind == pkPicture) total += loadPictureFile(fixedString(doc.Parts[i].FileName)).sizeInBytes();
  return total;
}

// Places scale about the background's top-left corner, which stays where it is.
void scaleProject(const QString& input, const QString& output, int width, int height, int parts) {
  TDocument doc = readProjectFile(input);
  if (parts < doc.PartCount) {
    doc.PartCount = std::max(parts, 0);
    std::memset(&doc.Parts[doc.PartCount], 0, sizeof(TPartData) * static_cast<size_t>(MAX_PARTS - doc.PartCount));
  }
  const double fx = static_cast<double>(width) / doc.BackWidth;
  const double fy = static_cast<double>(height) / doc.BackHeight;
  const auto along = [](int origin, int value, double f) { return origin + static_cast<int>((value - origin) * f); };
  for (int i = 0; i < doc.PartCount; ++i) {
    TPartData& r = doc.Parts[i];
    r.Left = along(doc.BackLeft, r.Left, fx);
    r.Top = along(doc.BackTop, r.Top, fy);
    if (r.Kind == pkPicture) {
      r.Width = std::max(1, static_cast<int>(r.Width * fx));
      r.Height = std::max(1, static_cast<int>(r.Height * fy));
    }
  }
  doc.BackWidth = width;
  doc.BackHeight = height;
  writeProjectFile(output, doc);
}

Scene sceneOf(const QString& project) {
  installFontSubstitutions();
  Scene scene = buildScene(readProjectFile(project), TEXT_DPI);
  if (!scene.failedFiles.isEmpty()) throw Failure(scene.failedFiles.join(u'\n'));
  return scene;
}

void writeLogoPpm(const QString& project, const QString& output) {
  const Scene scene = sceneOf(project);
  const QImage logo = composeLogo(scene.background, scene.parts).convertToFormat(QImage::Format_RGB888);
  QByteArray bytes = QStringLiteral("P6\n%1 %2\n255\n").arg(logo.width()).arg(logo.height()).toLatin1();
  for (int y = 0; y < logo.height(); ++y)
    bytes.append(reinterpret_cast<const char*>(logo.constScanLine(y)), qsizetype{logo.width()} * 3);
  writeWholeFile(output, bytes);
}

int usage() {
  std::fputs(
      "Usage: pelmora-bench-tool read FILE | encode PPM OUTPUT | budget PROJECT | start |\n"
      "  scale PROJECT OUTPUT WIDTH HEIGHT [PARTS] | logo PROJECT PPM | export PROJECT OUTPUT\n",
      stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  // No application object: nothing here needs one, and the peers pay no such start-up either.
  QStringList args;
  for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
  if (args.isEmpty()) return usage();
  try {
    if (args[0] == QLatin1String("read") && args.size() == 2) {
      const QImage picture = loadPictureFile(args[1]);
      return picture.isNull() ? 1 : 0;
    }
    if (args[0] == QLatin1String("encode") && args.size() == 3) {
      encode(args[1], args[2]);
      return 0;
    }
    if (args[0] == QLatin1String("start") && args.size() == 1) return 0;
    if (args[0] == QLatin1String("scale") && (args.size() == 5 || args.size() == 6)) {
      scaleProject(args[1], args[2], args[3].toInt(), args[4].toInt(), args.size() == 6 ? args[5].toInt() : MAX_PARTS);
      return 0;
    }
    if ((args[0] == QLatin1String("logo") || args[0] == QLatin1String("export")) && args.size() == 3) {
      // Text parts are drawn as the command-line exporter draws them.
      qputenv("QT_QPA_PLATFORM", "offscreen");
      QGuiApplication app(argc, argv);
      if (args[0] == QLatin1String("logo")) {
        writeLogoPpm(args[1], args[2]);
        return 0;
      }
      const Scene scene = sceneOf(args[1]);
      QElapsedTimer timer;
      timer.start();
      exportLogo(args[2], scene.background, scene.parts);
      std::printf("%.1f\n", static_cast<double>(timer.nsecsElapsed()) / 1e6);
      return 0;
    }
    if (args[0] == QLatin1String("budget") && args.size() == 2) {
      std::printf("%lld\n", static_cast<long long>(decodedBytes(args[1])));
      return 0;
    }
  } catch (const Failure& failure) {
    std::fprintf(stderr, "pelmora-bench-tool: %s\n", qPrintable(failure.message()));
    return 1;
  }
  return usage();
}
