// Hostile pictures and failing writes at the level of the decoders and the command-line exporter.
// Inputs that fuzzing found are kept here byte for byte.

#include "model/failure.h"
#include "model/fixedstring.h"
#include "model/projectfile.h"
#include "render/bmpreader.h"
#include "render/jpegcodec.h"
#include "support/bmpbuilder.h"
#include "support/files.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>

#include <sys/resource.h>

namespace {

const QString READ_ERROR = QStringLiteral("ストリームからの読み込みエラー");

// ---------------------------------------------------------------------------------------------
// Bitmaps that claim far more pixels than their bytes could hold.

// Found by fuzz_bmp: 75 bytes claiming a 1-bit, 16133 x 14083 picture. Read as a file cut
// inside its pixels, it became a white raster of 900 MB, and its drawable copy as much again.
TEST(BmpFaults, TinyFileClaimingAHugePictureIsARefusedReadNotAGigabyte) {
  const QByteArray file = QByteArray::fromHex(
      "424d4a0000000000003e0000000028000000053f0000fdc8ffff010001000000"
      "0000130c0000000b00ff0b000000ffffffffffffff1200000000000000ff0000"
      "000100a800000050000000");
  ASSERT_EQ(file.size(), 75);
  EXPECT_EQ(failureOf([&] { return readBmp(file); }), READ_ERROR);
}

// Up to 16 megapixels a file may hold none of its pixels and still load white; beyond that it
// must hold a byte for every 256 pixels.
TEST(BmpFaults, HeadersAloneStillLoadUpToAnOrdinaryPictureSize) {
  bmpbuilder::Bmp headersOnly;
  headersOnly.width = 4096;
  headersOnly.height = 4096;
  const QImage white = readBmp(headersOnly.build());
  ASSERT_EQ(white.size(), QSize(4096, 4096));
  EXPECT_EQ(white.pixel(4095, 0), qRgb(255, 255, 255));

  headersOnly.width = 4097;
  EXPECT_EQ(failureOf([&] { return readBmp(headersOnly.build()); }), READ_ERROR);
}

// Plain runs draw 255 pixels from two bytes: such a file of over 16 megapixels is well within
// the proportion and loads whole.
TEST(BmpFaults, RunLengthPictureBeyondSixteenMegapixelsLoads) {
  constexpr int width = 4200;
  constexpr int height = 4000;
  bmpbuilder::Rle rle;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; x += 255) rle.run(std::min(255, width - x), y % 2);
    rle.endOfLine();
  }
  bmpbuilder::Bmp bmp;
  bmp.width = width;
  bmp.height = height;
  bmp.bitCount = 8;
  bmp.compression = 1;
  bmp.coloursUsed = 2;
  bmp.palette = {qRgb(200, 0, 0), qRgb(0, 0, 200)};
  bmp.pixels = rle.endOfPicture().data();
  const QImage image = readBmp(bmp.build());
  ASSERT_EQ(image.size(), QSize(width, height));
  EXPECT_EQ(image.pixel(width - 1, height - 1), qRgb(200, 0, 0));  // the file's first row
  EXPECT_EQ(image.pixel(0, height - 2), qRgb(0, 0, 200));
}

// ---------------------------------------------------------------------------------------------
// Progressive JPEG files written marker by marker: every Huffman table has one code, '0' for
// symbol 0, so every block decodes as a DC difference of 0 and an end of block, and the scans
// need no data at all (the library reads zero bits at the next marker).

QByteArray bigEndian16(qsizetype value) {
  return QByteArray(1, static_cast<char>(value >> 8)) + static_cast<char>(value & 0xFF);
}

QByteArray segment(char marker, const QByteArray& payload) {
  return QByteArray("\xFF", 1) + marker + bigEndian16(payload.size() + 2) + payload;
}

// `commentBytes` of comments make the file as long as a real one of its size would be.
QByteArray progressiveJpeg(int width, int height, int components, int acScans, int commentBytes = 0) {
  QByteArray frame = QByteArray(1, 8) + bigEndian16(height) + bigEndian16(width) + static_cast<char>(components);
  QByteArray dcScan(1, static_cast<char>(components));
  for (int c = 1; c <= components; ++c) {
    frame += QByteArray(1, static_cast<char>(c)) + '\x11' + '\0';  // no subsampling, table 0
    dcScan += QByteArray(1, static_cast<char>(c)) + '\0';
  }
  dcScan += QByteArray(3, '\0');  // coefficient 0 only, no successive approximation
  const QByteArray oneCode = QByteArray(1, 1) + QByteArray(15, '\0') + QByteArray(1, '\0');
  QByteArray file("\xFF\xD8", 2);
  for (int left = commentBytes; left > 0; left -= 65000)
    file += segment('\xFE', QByteArray(std::min(left, 65000), 'c'));
  file += segment('\xDB', QByteArray(1, '\0') + QByteArray(64, 1));
  file += segment('\xC2', frame);
  file += segment('\xC4', QByteArray(1, '\x00') + oneCode);
  file += segment('\xC4', QByteArray(1, '\x10') + oneCode);
  file += segment('\xDA', dcScan);
  // The first component's coefficients 1 to 63, again and again.
  for (int i = 0; i < acScans; ++i) file += segment('\xDA', QByteArray("\x01\x01\x00\x01\x3F\x00", 6));
  return file + QByteArray("\xFF\xD9", 2);
}

TEST(JpegFaults, HandWrittenProgressiveFileDecodes) {
  const QImage image = decodeJpeg(progressiveJpeg(8, 8, 1, 3));
  ASSERT_EQ(image.size(), QSize(8, 8));
  EXPECT_NEAR(qGray(image.pixel(3, 3)), 128, 1);
}

// Found by fuzz_jpeg: 225 bytes of an arithmetic-coded file claiming 11280 x 15120 pixels. The
// library makes up what the file lacks, so it decoded to a 170-megapixel raster, taking seconds
// and 1.2 GB with its drawable copy.
TEST(JpegFaults, TinyFileClaimingAHugePictureIsRefusedBeforeDecoding) {
  const QByteArray file = QByteArray::fromHex(
      "ffd8ffe000104a46494600010100000100010000ffdb00430008060607cd0605080707070909080a0c140d0c0b0b0c19"
      "12130f141d1a1f1e1d1a1c1c20242e2720222c231c1c2834292c30313434341f27393d38323c2e333432ffdb00430109"
      "09090c0b0c180d0d183200000000000080003232323232323232323232323232323232323232323232323232ffd8ff32"
      "323232323232323232323232323232323232ffc90011083b102c1003012200021101031101ffcc000a00101005011011"
      "055bffda000c03010002110311003f00fb740385df19dccf26eb9784ee001ee90e");
  ASSERT_EQ(file.size(), 225);
  EXPECT_EQ(failureOf([&] { return decodeJpeg(file); }),
            QStringLiteral("JPEG ファイルが 11280 x 15120 ピクセルの画像には短すぎます"));
}

// Long enough for its size, so past the check above, but its coefficients would take 1.5 GB of
// the library's memory.
TEST(JpegFaults, ProgressiveFileNeedingGigabytesOfWorkingMemoryIsRefusedAtOnce) {
  const QByteArray file = progressiveJpeg(32767, 8191, 3, 1, 270000);
  EXPECT_EQ(failureOf([&] { return decodeJpeg(file); }),
            QStringLiteral("JPEG ファイルの展開に必要なメモリが多すぎます"));
}

// Each scan passes over the whole picture; a file may not repeat them without end.
TEST(JpegFaults, MoreThanAHundredScansAreRefused) {
  EXPECT_EQ(decodeJpeg(progressiveJpeg(8, 8, 1, 99)).size(), QSize(8, 8));
  EXPECT_EQ(failureOf([&] { return decodeJpeg(progressiveJpeg(8, 8, 1, 100)); }),
            QStringLiteral("JPEG ファイルのスキャンが多すぎます (100 を超えています)"));
}

// ---------------------------------------------------------------------------------------------
// pelmora-export when nothing it needs can be read, and when its output fills the disk; only in
// a test build that says where the program is.

#ifdef PELMORA_EXPORT_EXE
class ExportFaults : public ::testing::Test {
protected:
  void SetUp() override {
    clearDocument(doc);
    doc.BackWidth = 120;
    doc.BackHeight = 50;
  }

  QString path(const QString& name) const { return dir.filePath(name); }

  void put(const QString& name, const QByteArray& bytes) const {
    QFile file(path(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
  }

  QByteArray contents(const QString& name) const {
    QFile file(path(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }

  QStringList entries() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }

  // Runs pelmora-export on `doc` saved as logo.rpf; returns its exit code, its errors in `err`.
  int exportTo(const QString& output, QString& err, const std::function<void()>& inChild = {}) const {
    writeProjectFile(path(QStringLiteral("logo.rpf")), doc);
    QProcess process;
    process.setProgram(QStringLiteral(PELMORA_EXPORT_EXE));
    process.setArguments({path(QStringLiteral("logo.rpf")), path(output)});
    if (inChild) process.setChildProcessModifier(inChild);
    process.start();
    EXPECT_TRUE(process.waitForFinished(60000));
    err = QString::fromUtf8(process.readAllStandardError());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  }

  QTemporaryDir dir;
  TDocument doc;
};

TEST_F(ExportFaults, ProjectWhosePicturesAreAllMissingNamesEachAndWritesNothing) {
  const QStringList missing = {path(QStringLiteral("back.bmp")), path(QStringLiteral("a.bmp")),
                               path(QStringLiteral("b.jpg"))};
  storeFixedPath(doc.BackFile, missing[0]);
  storeFixedPath(appendPart(doc, pkPicture).FileName, missing[1]);
  appendPart(doc, pkText);
  storeFixedPath(appendPart(doc, pkPicture).FileName, missing[2]);
  put(QStringLiteral("logo.bmp"), "earlier logo");

  QString err;
  EXPECT_EQ(exportTo(QStringLiteral("logo.bmp"), err), 1);
  for (const QString& file : missing) EXPECT_TRUE(err.contains(file)) << err.toStdString();
  EXPECT_EQ(contents(QStringLiteral("logo.bmp")), QByteArray("earlier logo"));
  EXPECT_EQ(entries(), (QStringList{QStringLiteral("logo.bmp"), QStringLiteral("logo.rpf")}));
}

// The kernel's file size limit stops the write part-way, as a full disk would; with SIGXFSZ
// ignored the write fails instead of killing the process.
TEST_F(ExportFaults, LogoWriteThatFailsHalfWayKeepsTheEarlierLogoAndLeavesNoTemporaryFile) {
  appendPart(doc, pkText);
  put(QStringLiteral("logo.bmp"), "earlier logo");
  QString err;
  const int status = exportTo(QStringLiteral("logo.bmp"), err, [] {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{4096, RLIM_INFINITY};
    setrlimit(RLIMIT_FSIZE, &limit);
  });
  EXPECT_EQ(status, 1);
  EXPECT_TRUE(err.contains(QStringLiteral("ストリームへの書き込みエラー"))) << err.toStdString();
  EXPECT_EQ(contents(QStringLiteral("logo.bmp")), QByteArray("earlier logo"));
  EXPECT_EQ(entries(), (QStringList{QStringLiteral("logo.bmp"), QStringLiteral("logo.rpf")}));
}
#endif

}  // namespace
