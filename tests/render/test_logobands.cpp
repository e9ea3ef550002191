// The export composes the logo a band of rows at a time and streams it to the file. Whatever the
// bands, the file must hold the logo a plain per-pixel statement of the drawing rules gives, and a
// failure half-way must leave nothing of the new file behind.
#include "render/logoexport.h"

#include "model/failure.h"
#include "render/bmpreader.h"
#include "render/bmpwriter.h"
#include "render/jpegcodec.h"
#include "render/picturefile.h"
#include "render/raster.h"
#include "support/bmpbuilder.h"
#include "support/filesizelimit.h"
#include "support/files.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include <sys/stat.h>

namespace {

const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kWhite = qRgb(255, 255, 255);

// Logo pixel (x, y), layer by layer, white first: control pixel (cx, cy) of a stretched layer
// shows raster pixel (cx*rw/cw, cy*rh/ch); a see-through layer's pixels of its bottom-left
// colour (white for 1 bit per pixel) show what lies beneath; a 1-bit raster shrunk along an axis
// shows black where any raster pixel a shown pixel stands for along it is black.
QRgb referencePixel(const Layer& background, const std::vector<Layer>& parts, int x, int y) {
  QRgb colour = kWhite;
  const auto drawOne = [&](const Layer& layer) {
    const Bounds& b = layer.bounds;
    const qint64 cx = qint64{x} + background.bounds.left - b.left;
    const qint64 cy = qint64{y} + background.bounds.top - b.top;
    if (layer.raster.isNull() || cx < 0 || cy < 0 || cx >= b.width || cy >= b.height) return;
    const qint64 rw = layer.raster.width();
    const qint64 rh = layer.raster.height();
    const qint64 sx = layer.stretch ? cx * rw / b.width : cx;
    const qint64 sy = layer.stretch ? cy * rh / b.height : cy;
    if (sx >= rw || sy >= rh) return;
    QRgb p = layer.raster.pixel(static_cast<int>(sx), static_cast<int>(sy)) | 0xFF000000u;
    if (layer.raster.depth() == 1 && layer.stretch) {
      const qint64 ex = rw > b.width ? (cx + 1) * rw / b.width : sx + 1;
      const qint64 ey = rh > b.height ? (cy + 1) * rh / b.height : sy + 1;
      for (qint64 j = sy; j < ey; ++j)
        for (qint64 i = sx; i < ex; ++i)
          if ((layer.raster.pixel(static_cast<int>(i), static_cast<int>(j)) | 0xFF000000u) == kBlack) p = kBlack;
    }
    const QRgb key =
        layer.raster.depth() == 1 ? kWhite : layer.raster.pixel(0, layer.raster.height() - 1) | 0xFF000000u;
    if (!layer.transparent || p != key) colour = p;
  };
  drawOne(background);
  for (const Layer& part : parts) drawOne(part);
  return colour;
}

QImage referenceLogo(const Layer& background, const std::vector<Layer>& parts) {
  QImage logo(background.bounds.width, background.bounds.height, QImage::Format_RGB32);
  for (int y = 0; y < logo.height(); ++y)
    for (int x = 0; x < logo.width(); ++x) logo.setPixel(x, y, referencePixel(background, parts, x, y));
  return logo;
}

// Few colours, so that the see-through colour turns up inside the picture too.
QImage noise(QSize size, QImage::Format format, quint32 seed) {
  QRandomGenerator random(seed);
  QImage raster(size, QImage::Format_RGB32);
  for (int y = 0; y < size.height(); ++y)
    for (int x = 0; x < size.width(); ++x)
      raster.setPixel(x, y, qRgb(random.bounded(3) * 120, random.bounded(3) * 120, random.bounded(2) * 250));
  return raster.convertToFormat(format);
}

QImage oneBit(QSize size, quint32 seed) {
  QImage raster(size, QImage::Format_Mono);
  raster.setColorTable({kBlack, kWhite});
  QRandomGenerator random(seed);
  for (int y = 0; y < size.height(); ++y)
    for (int x = 0; x < size.width(); ++x) raster.setPixel(x, y, random.bounded(5) == 0 ? 0 : 1);
  return raster;
}

// A composition for a logo of `size` whose parts lie across the band borders: stretched and
// shrunk, see-through and opaque, of every format the decoders give, one at natural size.
struct Composition {
  Layer background;
  std::vector<Layer> parts;
};

Composition crossingBands(QSize size) {
  const int band = logoBandRows(size.width());
  const int w = size.width();
  Composition c;
  c.background = Layer{{-7, 11, w, size.height()}, noise(QSize(37, 23), QImage::Format_RGB888, 1), true, false};
  const int left = c.background.bounds.left;
  const int top = c.background.bounds.top;
  c.parts = {
      // Four rows either side of the first border, see-through, stretched.
      Layer{{left + w / 5, top + band - 4, w / 2 + 1, 8}, noise(QSize(29, 3), QImage::Format_RGB32, 2), true, true},
      // Over every border down to the end, indexed, shrunk across.
      Layer{{left - 3, top + 1, w / 3 + 5, size.height() + 9},
            noise(QSize(w / 2 + 7, 301), QImage::Format_Indexed8, 3),
            true,
            true},
      // At natural size, cut by the logo's right edge.
      Layer{{left + w - 20, top + band - 9, 60, 50}, noise(QSize(31, 17), QImage::Format_RGB888, 4), false, true},
      // 1 bit per pixel shrunk both ways across a border.
      Layer{{left + 2, top + band - 6, w / 4 + 1, 12}, oneBit(QSize(w / 2 + 3, 41), 5), true, true},
      // Opaque, over the last rows.
      Layer{
          {left + w / 2, top + size.height() - 3, w / 3, 20}, noise(QSize(5, 5), QImage::Format_RGB32, 6), true, false},
  };
  return c;
}

::testing::AssertionResult samePixels(const QImage& actual, const QImage& expected) {
  if (actual.size() != expected.size())
    return ::testing::AssertionFailure() << "size " << actual.width() << "x" << actual.height();
  for (int y = 0; y < expected.height(); ++y)
    for (int x = 0; x < expected.width(); ++x)
      if ((actual.pixel(x, y) | 0xFF000000u) != expected.pixel(x, y))
        return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is " << std::hex << actual.pixel(x, y)
                                             << ", not " << expected.pixel(x, y);
  return ::testing::AssertionSuccess();
}

class LogoBandsTest : public ::testing::Test {
protected:
  QString path(const QString& name) const { return dir.filePath(name); }
  QStringList entries() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden); }

  // Both files hold the reference logo: the bitmap pixel for pixel, the JPEG byte for byte as the
  // coder makes it of the whole logo at once.
  void expectExportsOf(const Composition& c) {
    const QImage expected = referenceLogo(c.background, c.parts);
    ASSERT_TRUE(exportLogo(path(QStringLiteral("logo.bmp")), c.background, c.parts));
    ASSERT_TRUE(exportLogo(path(QStringLiteral("logo.jpg")), c.background, c.parts));
    EXPECT_EQ(fileBytes(path(QStringLiteral("logo.bmp"))), encodeBmp(expected));
    EXPECT_EQ(fileBytes(path(QStringLiteral("logo.jpg"))), encodeJpeg(expected));
    EXPECT_TRUE(samePixels(loadPictureFile(path(QStringLiteral("logo.bmp"))), expected));
    EXPECT_TRUE(samePixels(composeLogo(c.background, c.parts), expected));
  }

  QTemporaryDir dir;
};

TEST_F(LogoBandsTest, HeightsAcrossBandBordersGiveTheWholeLogo) {
  const int width = 4096;
  const int band = logoBandRows(width);
  ASSERT_EQ(band % 16, 0);
  ASSERT_LT(band, 200);  // so that these heights make several bands
  for (int height : {2 * band + 5, 3 * band, band + 1, band - 1}) {
    SCOPED_TRACE(height);
    expectExportsOf(crossingBands(QSize(width, height)));
  }
}

TEST_F(LogoBandsTest, OneRowAndOneColumnLogos) {
  for (QSize size : {QSize(4096, 1), QSize(1, 300), QSize(1, 1), QSize(3, 17)}) {
    SCOPED_TRACE(QStringLiteral("%1 x %2").arg(size.width()).arg(size.height()).toStdString());
    expectExportsOf(crossingBands(size));
  }
}

TEST_F(LogoBandsTest, SeeThroughShowsEarlierLayersAcrossBorders) {
  // A see-through part over an opaque one, both straddling the first border: the lower part
  // shows through the upper on both sides of it.
  const int width = 2048;
  const int band = logoBandRows(width);
  const Layer background{{0, 0, width, 2 * band}, QImage(), true, false};
  QImage holed(4, 4, QImage::Format_RGB32);
  holed.fill(kWhite);  // bottom-left white: white is the see-through colour
  holed.setPixel(1, 1, qRgb(200, 0, 0));
  QImage under(1, 1, QImage::Format_RGB32);
  under.fill(qRgb(0, 0, 200));
  // Each raster row is 20 logo rows: the red pixel's row lands on rows band - 10 to band + 9.
  const std::vector<Layer> parts = {Layer{{100, band - 30, 400, 80}, under, true, false},
                                    Layer{{100, band - 30, 400, 80}, holed, true, true}};
  expectExportsOf({background, parts});
  const QImage logo = loadPictureFile(path(QStringLiteral("logo.bmp")));
  EXPECT_EQ(logo.pixel(120, band - 30), qRgb(0, 0, 200));  // see-through, above the border
  EXPECT_EQ(logo.pixel(220, band - 10), qRgb(200, 0, 0));  // the red pixel, either side of it
  EXPECT_EQ(logo.pixel(299, band + 9), qRgb(200, 0, 0));
  EXPECT_EQ(logo.pixel(220, band + 10), qRgb(0, 0, 200));  // see-through, below it
  EXPECT_EQ(logo.pixel(120, band + 49), qRgb(0, 0, 200));
  EXPECT_EQ(logo.pixel(99, band), kWhite);  // beside the parts
}

TEST_F(LogoBandsTest, WriteFailureHalfWayLeavesTheOldFileAndNothingElse) {
  // Large enough that several bands and several of the coder's buffers are written first.
  const Layer background{{0, 0, 3000, 900}, noise(QSize(3000, 900), QImage::Format_RGB32, 9), false, false};
  const std::vector<Layer> parts = {Layer{{5, 5, 10, 10}, noise(QSize(2, 2), QImage::Format_RGB32, 10), true, false}};
  for (const QString& name : {QStringLiteral("old.bmp"), QStringLiteral("old.jpg")}) {
    SCOPED_TRACE(name.toStdString());
    putFile(path(name), "earlier contents");
    try {
      const FileSizeLimit limit(600 * 1024);
      exportLogo(path(name), background, parts);
      ADD_FAILURE() << "the export went through";
    } catch (const Failure& failure) {
      EXPECT_EQ(failure.message(), QStringLiteral("ストリームへの書き込みエラー"));
    }
    EXPECT_EQ(fileBytes(path(name)), "earlier contents");
    EXPECT_EQ(entries(), QStringList{name});
    QFile::remove(path(name));
  }
}

TEST_F(LogoBandsTest, FileThatCannotBeCreatedIsReportedBeforeAnythingIsComposed) {
  const Layer background{{0, 0, 40, 20}, QImage(), true, false};
  const std::vector<Layer> parts = {Layer{{0, 0, 5, 5}, noise(QSize(2, 2), QImage::Format_RGB32, 11), true, false}};
  // A pipe of the logo's name would be renamed over by a regular file.
  const QString pipe = path(QStringLiteral("pipe.bmp"));
  ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
  for (const QString& target : {path(QStringLiteral("no such folder/logo.jpg")), pipe}) {
    try {
      exportLogo(target, background, parts);
      ADD_FAILURE() << "the export went through";
    } catch (const Failure& failure) {
      EXPECT_EQ(failure.message(), QStringLiteral("ファイル %1 を作成できません").arg(target));
    }
  }
  EXPECT_TRUE(entries().isEmpty());
  EXPECT_FALSE(QFileInfo(pipe).isFile());
}

// A band is whole 16-row coding units of about a megabyte, and never under one unit: a logo too
// wide for a megabyte to hold 16 of its rows still goes out in bands of 16.
TEST_F(LogoBandsTest, BandsAreAboutAMegabyteOfWholeCodingUnitsAndNeverUnderSixteenRows) {
  const struct {
    int width, rows;
  } cases[] = {{1, 262144}, {1000, 256}, {4096, 64}, {16384, 16}, {16385, 16}, {20000, 16}, {32767, 16}};
  for (const auto& c : cases) EXPECT_EQ(logoBandRows(c.width), c.rows) << c.width;

  Composition wide;
  wide.background = Layer{{0, 0, 20000, 3}, noise(QSize(40, 3), QImage::Format_RGB32, 16), true, false};
  wide.parts = {Layer{{19990, 1, 30, 2}, noise(QSize(3, 2), QImage::Format_RGB32, 17), true, false}};
  expectExportsOf(wide);
}

// A 16 x 8 picture of 1 bit per pixel whose odd columns are black, as a file gives it.
QImage oddColumnsBlack(QSize size) {
  std::vector<std::vector<std::uint32_t>> rows(static_cast<size_t>(size.height()));
  for (auto& row : rows)
    for (int x = 0; x < size.width(); ++x) row.push_back(x % 2 == 1 ? 0u : 1u);
  bmpbuilder::Bmp bmp;
  bmp.width = size.width();
  bmp.height = size.height();
  bmp.bitCount = 1;
  bmp.palette = {kBlack, kWhite};
  bmp.pixels = bmpbuilder::packRows(rows, 1);
  return readBmp(bmp.build());
}

TEST_F(LogoBandsTest, OneBitPictureShrunkKeepsItsBlackPixels) {
  const QImage picture = oddColumnsBlack(QSize(16, 8));
  ASSERT_EQ(picture.depth(), 1);
  const Layer background{{0, 0, 20, 10}, QImage(), true, false};
  const auto exported = [&](const Layer& part) {
    EXPECT_TRUE(exportLogo(path(QStringLiteral("onebit.bmp")), background, {part}));
    return loadPictureFile(path(QStringLiteral("onebit.bmp")));
  };
  // Shown 8 x 8: every shown column stands for an even and an odd one, so all of it is black.
  QImage logo = exported(Layer{{2, 1, 8, 8}, picture, true, true});
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 20; ++x)
      EXPECT_EQ(logo.pixel(x, y), x >= 2 && x < 10 && y >= 1 && y < 9 ? kBlack : kWhite) << x << ", " << y;
  // Shown 20 x 8, enlarged: whole pixels, each shown column the one raster column it samples.
  logo = exported(Layer{{0, 0, 20, 8}, oddColumnsBlack(QSize(16, 8)), true, true});
  for (int x = 0; x < 20; ++x) EXPECT_EQ(logo.pixel(x, 3), (x * 16 / 20) % 2 == 1 ? kBlack : kWhite) << x;
  // The same picture at 8 bits per pixel, shrunk, samples the even columns only: no black.
  QImage indexed = picture.convertToFormat(QImage::Format_Indexed8);
  logo = exported(Layer{{2, 1, 8, 8}, indexed, true, false});
  for (int y = 1; y < 9; ++y)
    for (int x = 2; x < 10; ++x) EXPECT_EQ(logo.pixel(x, y), kWhite) << x << ", " << y;
}

// A composition's layers made one at a time on a thread of their own, the last part first and the
// background last, so that every band the composer reaches waits for some of them. Every other
// part's bounds are unknown until it is made but for their top, as a text part's are. `asked` is told each part
// asked for, on the composing thread, before it is made; `failing` names a part that cannot be.
class LayersMadeLater final : public LogoLayers {
public:
  explicit LayersMadeLater(const Composition& c, std::function<void(int)> asked = {}, int failing = -1)
      : c_(c), asked_(std::move(asked)), failing_(failing), maker_([this] { makeAll(); }) {}

  Bounds logoBounds() const override { return c_.background.bounds; }
  int partCount() const override { return static_cast<int>(c_.parts.size()); }
  std::optional<Bounds> partBoundsAhead(int index) const override {
    if (index % 2 == 1) return std::nullopt;
    return c_.parts[static_cast<size_t>(index)].bounds;
  }
  std::optional<int> partTopAhead(int index) const override { return c_.parts[static_cast<size_t>(index)].bounds.top; }
  const Layer& background() override {
    waitFor(0);
    return c_.background;
  }
  const Layer& part(int index) override {
    if (asked_) asked_(index);
    waitFor(index + 1);
    if (index == failing_) throw Failure(QStringLiteral("part %1 cannot be made").arg(index));
    return c_.parts[static_cast<size_t>(index)];
  }
  void finish() override {
    for (int i = 0; i <= partCount(); ++i) waitFor(i);
    if (failing_ >= 0) throw Failure(QStringLiteral("part %1 cannot be made").arg(failing_));
  }

private:
  // Layer 0 is the background, layer i + 1 part i.
  void makeAll() {
    for (int layer = partCount(); layer >= 0; --layer) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      const std::lock_guard lock(mutex_);
      made_.push_back(layer);
      madeOne_.notify_all();
    }
  }
  void waitFor(int layer) {
    std::unique_lock lock(mutex_);
    madeOne_.wait(lock, [&] { return std::find(made_.begin(), made_.end(), layer) != made_.end(); });
  }

  const Composition& c_;
  std::function<void(int)> asked_;
  int failing_;
  std::mutex mutex_;
  std::condition_variable madeOne_;
  std::vector<int> made_;
  std::jthread maker_;
};

TEST_F(LogoBandsTest, LayersStillInTheMakingGiveTheSameFiles) {
  for (QSize size : {QSize(4096, 3 * logoBandRows(4096) + 5), QSize(3, 17)}) {
    SCOPED_TRACE(QStringLiteral("%1 x %2").arg(size.width()).arg(size.height()).toStdString());
    const Composition c = crossingBands(size);
    const QImage expected = referenceLogo(c.background, c.parts);
    for (const QString& name : {QStringLiteral("later.bmp"), QStringLiteral("later.jpg")}) {
      LayersMadeLater later(c);
      ASSERT_TRUE(exportLogo(path(name), later));
      EXPECT_EQ(fileBytes(path(name)), name.endsWith(u".bmp") ? encodeBmp(expected) : encodeJpeg(expected));
    }
  }
}

TEST_F(LogoBandsTest, PartIsAskedForOnlyWhenTheFirstBandItReachesIsComposed) {
  // Parts in the first, second and last band of four, their bounds known ahead or only their top:
  // top down, the last band's are asked for after the first band's; bottom up, those whose bounds
  // are known the other way round, the others at once.
  const int width = 2048;
  const int band = logoBandRows(width);
  Composition c;
  c.background = Layer{{0, 0, width, 4 * band}, noise(QSize(16, 16), QImage::Format_RGB32, 12), true, false};
  const QImage picture = noise(QSize(8, 8), QImage::Format_RGB32, 13);
  c.parts = {Layer{{10, 4 * band - 20, 100, 10}, picture, true, true},  // the last band
             Layer{{30, 2, 50, 3}, picture, true, true},                // unknown ahead: asked for at once
             Layer{{40, 5, 100, 10}, picture, true, false},             // the first band
             Layer{{70, 3 * band + 1, 9, 9}, picture, true, true},      // only its top known: the last band
             Layer{{10, band + 5, 20, 4}, picture, true, false},        // the second band
             // Only its top known, the second band's first row: asked for by that band, not the first.
             Layer{{40, band, 20, 4}, picture, true, false}};
  for (bool upward : {false, true}) {
    const QString name = upward ? QStringLiteral("asked.bmp") : QStringLiteral("asked.jpg");
    SCOPED_TRACE(name.toStdString());
    std::vector<int> asked;
    LayersMadeLater later(c, [&](int index) { asked.push_back(index); });
    ASSERT_TRUE(exportLogo(path(name), later));
    EXPECT_EQ(asked, upward ? std::vector<int>({0, 1, 3, 5, 4, 2}) : std::vector<int>({1, 2, 4, 5, 0, 3}));
    const QImage expected = referenceLogo(c.background, c.parts);
    EXPECT_EQ(fileBytes(path(name)), upward ? encodeBmp(expected) : encodeJpeg(expected));
  }
}

TEST_F(LogoBandsTest, PartThatCannotBeMadeHalfWayLeavesTheOldFileAndNothingElse) {
  // Eight bands, bottom up for the bitmap: the top part is asked for when the bands below it have
  // gone to the file already, and it cannot be made.
  const int width = 1024;
  const int band = logoBandRows(width);
  Composition c;
  c.background = Layer{{0, 0, width, 8 * band}, noise(QSize(64, 64), QImage::Format_RGB888, 14), true, false};
  c.parts = {Layer{{0, 0, 20, 20}, noise(QSize(4, 4), QImage::Format_RGB32, 15), true, true}};
  const QString name = QStringLiteral("old.bmp");
  putFile(path(name), "earlier contents");
  qint64 writtenWhenAsked = -1;
  LayersMadeLater later(
      c,
      [&](int) {
        // The temporary file may have no name in the folder (O_TMPFILE): found by what is open.
        writtenWhenAsked = 0;
        for (const QFileInfo& fd : QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::System | QDir::Files))
          if (fd.symLinkTarget().startsWith(dir.path()) && !fd.symLinkTarget().endsWith(name))
            writtenWhenAsked = std::max(writtenWhenAsked, fd.size());
      },
      0);
  try {
    exportLogo(path(name), later);
    ADD_FAILURE() << "the export went through";
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.message(), QStringLiteral("part 0 cannot be made"));
  }
  EXPECT_GE(writtenWhenAsked, qint64{width} * 4 * band);  // at least a band was in the file
  EXPECT_EQ(fileBytes(path(name)), "earlier contents");
  EXPECT_EQ(entries(), QStringList{name});
}

}  // namespace
