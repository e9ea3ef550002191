// pelmora-bench-tool: the program's own code for each piece of work bench/compare times against
// a peer program, one piece per run, doing the same input and output as the peer does.
//
//   read FILE          loads a picture file as a picture part does (JPEG or BMP by extension)
//   encode PPM OUTPUT  codes a binary PPM's pixels as the logo export codes a JPEG
//   budget PROJECT     prints the bytes of the project's decoded pictures, background included

#include "model/document.h"
#include "model/failure.h"
#include "model/fixedstring.h"
#include "model/projectfile.h"
#include "render/jpegcodec.h"
#include "render/picturefile.h"

#include <QFile>
#include <QStringList>

#include <cstdio>

namespace {

// The next blank-separated number of a PPM header.
int headerNumber(QFile& file) {
  QByteArray digits;
  char c = 0;
  while (file.getChar(&c)) {
    if (c >= '0' && c <= '9') digits.append(c);
    else if (!digits.isEmpty()) break;
  }
  bool ok = false;
  const int value = digits.toInt(&ok);
  if (!ok) throw Failure(QStringLiteral("%1: PPM の見出しが不正です").arg(file.fileName()));
  return value;
}

// Reads the pixels straight into the raster the coder gets, as cjpeg reads them into its rows.
QImage readPpm(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) throw Failure(QStringLiteral("ファイル %1 は開けません").arg(path));
  if (file.read(2) != "P6") throw Failure(QStringLiteral("%1: P6 ではありません").arg(path));
  const int width = headerNumber(file);
  const int height = headerNumber(file);
  if (headerNumber(file) != 255) throw Failure(QStringLiteral("%1: 8 ビットではありません").arg(path));
  QImage image = allocatePictureRaster(width, height, QImage::Format_RGB888);
  const qint64 row = qint64{width} * 3;
  if (image.bytesPerLine() == row) {
    if (file.read(reinterpret_cast<char*>(image.bits()), row * height) != row * height)
      throw Failure(QStringLiteral("%1: 画素が足りません").arg(path));
  } else {
    for (int y = 0; y < height; ++y)
      if (file.read(reinterpret_cast<char*>(image.scanLine(y)), row) != row)
        throw Failure(QStringLiteral("%1: 画素が足りません").arg(path));
  }
  return image;
}

void encode(const QString& input, const QString& output) {
  const QByteArray jpeg = encodeJpeg(readPpm(input));
  // A plain write, as cjpeg's: the export's safe replace would add a flush to disk to our side.
  QFile file(output);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(jpeg) != jpeg.size())
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

int usage() {
  std::fputs("Usage: pelmora-bench-tool read FILE | encode PPM OUTPUT | budget PROJECT\n", stderr);
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
