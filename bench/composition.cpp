#include "bench/composition.h"

#include "bench/pixels.h"
#include "model/document.h"
#include "model/failure.h"
#include "model/fixedstring.h"
#include "model/projectfile.h"
#include "model/regularfile.h"
#include "render/fonts.h"
#include "render/jpegcodec.h"
#include "render/raster.h"
#include "render/textrender.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QStringList>

#include <algorithm>
#include <array>
#include <vector>

namespace {

constexpr int BACK_LEFT = 8;
constexpr int BACK_TOP = 8;
constexpr int BACKGROUND_WIDTH = 1600;
constexpr int BACKGROUND_HEIGHT = 1200;
constexpr int TEXT_PARTS = 50;
constexpr int PICTURE_PARTS = 49;

const std::array<const char16_t*, 12> kTexts = {
    u"ペルモラ", u"Pelmora Logo Works", u"株式会社ロゴ工房",   u"Since 1998",       u"新製品発表会",   u"SALE 50% OFF",
    u"ようこそ", u"Quality First",      u"東京・大阪・名古屋", u"Open 10:00-19:00", u"ＰＥＬＭＯＲＡ", u"春の感謝祭",
};
const std::array<const char16_t*, 4> kFaces = {u"MS PGothic", u"MS Gothic", u"ＭＳ Ｐゴシック", u"ＭＳ ゴシック"};

enum class PictureForm { Bmp8, Bmp24, Bmp32, Rle8, Jpeg };

QString hex(QRgb c) { return QStringLiteral("#%1").arg(c & 0xFFFFFFu, 6, 16, QLatin1Char('0')).toUpper(); }

Colour randomColour(Random& random) {
  return colourFromRgb(qRgb(random.between(0, 255), random.between(0, 255), random.between(0, 255)));
}

// ImageMagick's steps for one overlay: read, see-through colour, stretch, place.
void overlay(QStringList& args, const QString& file, const QString& key, const QString& size, int x, int y) {
  args << QStringLiteral("(") << file << QStringLiteral("-alpha") << QStringLiteral("off");
  if (!key.isEmpty()) args << QStringLiteral("-transparent") << key;
  if (!size.isEmpty()) args << QStringLiteral("-resize") << size;
  args << QStringLiteral(")") << QStringLiteral("-geometry")
       << QStringLiteral("%1%2").arg(x >= 0 ? QStringLiteral("+") : QString()).arg(x) +
              QStringLiteral("%1%2").arg(y >= 0 ? QStringLiteral("+") : QString()).arg(y)
       << QStringLiteral("-composite");
}

// The same flatten in libvips's operations, one `vips` command each, intermediate images in its
// own uncompressed format in a temporary folder: `resize --kernel nearest` for the stretches;
// for a see-through colour, `relational_const noteq` and `bandbool or` make the alpha band that
// `bandjoin` adds; one `composite` (mode 2, over) lays every overlay at its place on the
// background, saved as a 4:2:0 quality-90 JPEG.
class VipsScript {
public:
  VipsScript() {
    lines_ << QStringLiteral("#!/usr/bin/env bash") << QStringLiteral("# bash flatten-vips.sh OUTPUT.jpg")
           << QStringLiteral("set -euo pipefail") << QStringLiteral("out=$1") << QStringLiteral("t=$(mktemp -d)")
           << QStringLiteral("trap 'rm -rf \"$t\"' EXIT");
  }

  void background(const QString& file, double scale) {
    lines_ << QStringLiteral("vips resize '%1' \"$t/bg.v\" %2 --kernel nearest").arg(file).arg(scale, 0, 'g', 17);
  }

  // `key` empty: opaque. `scaleX` 0: at its own size.
  void overlay(const QString& file, QRgb key, bool seeThrough, double scaleX, double scaleY, int x, int y) {
    const int n = count_++;
    QString image = QStringLiteral("'%1'").arg(file);
    if (seeThrough) {
      lines_ << QStringLiteral("vips relational_const %1 \"$t/m%2.v\" noteq \"%3 %4 %5\"")
                    .arg(image)
                    .arg(n)
                    .arg(qRed(key))
                    .arg(qGreen(key))
                    .arg(qBlue(key))
             << QStringLiteral("vips bandbool \"$t/m%1.v\" \"$t/a%1.v\" or").arg(n)
             << QStringLiteral("vips bandjoin \"%1 $t/a%2.v\" \"$t/k%2.v\"").arg(file).arg(n);
      image = QStringLiteral("\"$t/k%1.v\"").arg(n);
    }
    if (scaleX > 0) {
      lines_ << QStringLiteral("vips resize %1 \"$t/r%2.v\" %3 --vscale %4 --kernel nearest")
                    .arg(image)
                    .arg(n)
                    .arg(scaleX, 0, 'g', 17)
                    .arg(scaleY, 0, 'g', 17);
      image = QStringLiteral("\"$t/r%1.v\"").arg(n);
    }
    images_ << image.remove(u'"').remove(u'\'');
    xs_ << QString::number(x);
    ys_ << QString::number(y);
  }

  QString text() const {
    QStringList lines = lines_;
    lines << QStringLiteral(
                 "vips composite \"$t/bg.v %1\" \"$out[Q=90,subsample-mode=on]\" \"%2\" --x \"%3\" --y \"%4\"")
                 .arg(images_.join(u' '), QStringList(count_, QStringLiteral("2")).join(u' '), xs_.join(u' '),
                      ys_.join(u' '));
    return lines.join(u'\n') + u'\n';
  }

private:
  QStringList lines_;
  QStringList images_;
  QStringList xs_;
  QStringList ys_;
  int count_ = 0;
};

class Writer {
public:
  Writer(const QString& folder, std::uint64_t seed) : dir_(folder), random_(seed) {}

  void textPart(TPartData& r, int n) {
    storeFixedString(r.Text, kTexts[static_cast<size_t>(n) % kTexts.size()]);
    storeFixedString(r.FontName, kFaces[static_cast<size_t>(n) % kFaces.size()]);
    r.FontSize = 9 + n * 63 / (TEXT_PARTS - 1);  // every size from 9 to 72 points
    r.FontStyle = static_cast<std::uint8_t>(random_.between(0, 15));
    r.TextColor = randomColour(random_);
    r.FillColor = randomColour(random_);
    r.FillOn = n % 2 == 0 ? 1 : 0;
    r.ShadowColor = randomColour(random_);
    const int depth = random_.between(1, 8);
    r.ShadowX = n % 4 < 2 ? depth : -depth;  // right and left, down and up: all four ways
    r.ShadowY = n % 2 == 0 ? depth : -depth;
    const TextRaster text = renderTextPart(r, TEXT_DPI);
    r.Left = BACK_LEFT + random_.between(-40, HEAVY_WIDTH - text.controlSize.width() / 2);
    r.Top = BACK_TOP + random_.between(-20, HEAVY_HEIGHT - text.controlSize.height() / 2);
    r.Width = text.controlSize.width();
    r.Height = text.controlSize.height();

    // The drawn text as the exporter shows it, for ImageMagick to lay on as it is.
    const QString file = path(QStringLiteral("text_%1.bmp").arg(n, 2, 10, QLatin1Char('0')));
    writeWholeFile(file, bmp24(text.raster.copy(QRect(QPoint(0, 0), text.controlSize))));
    const QString key = r.FillOn == 1 ? QString() : hex(transparentColour(text.raster));
    overlay(args_, file, key, QString(), r.Left - BACK_LEFT, r.Top - BACK_TOP);
    vips_.overlay(file, transparentColour(text.raster), r.FillOn != 1, 0, 0, r.Left - BACK_LEFT, r.Top - BACK_TOP);
  }

  void picturePart(TPartData& r, int n) {
    const auto form = static_cast<PictureForm>(n % 5);
    const int w = random_.between(300, 1024);
    const int h = random_.between(200, 768);
    const QString file = path(QStringLiteral("picture_%1.%2")
                                  .arg(n, 2, 10, QLatin1Char('0'))
                                  .arg(form == PictureForm::Jpeg ? QStringLiteral("jpg") : QStringLiteral("bmp")));
    QRgb key = freshKey();
    QByteArray bytes;
    if (form == PictureForm::Bmp8 || form == PictureForm::Rle8) {
      const QImage indexed = palettePicture(w, h, key, random_);
      bytes = form == PictureForm::Bmp8 ? bmp8(indexed) : bmpRle8(indexed);
    } else if (form == PictureForm::Jpeg) {
      // Coding moves the corner's colour a little; the one that decodes is the see-through one,
      // and it must still differ from every other picture's.
      for (;;) {
        bytes = encodeJpeg(photoOnField(w, h, key, random_));
        const QImage decoded = decodeJpeg(bytes);
        key = transparentColour(decoded) & 0xFFFFFFu;
        if (!keys_.contains(key)) break;
        key = freshKey();
      }
    } else {
      const QImage picture = photoOnField(w, h, key, random_);
      bytes = form == PictureForm::Bmp24 ? bmp24(picture) : bmp32(picture);
    }
    keys_.insert(key & 0xFFFFFFu);
    writeWholeFile(file, bytes);
    storeFixedPath(r.FileName, file);

    const double fx = 0.25 + 2.75 * random_.unit();
    const double fy = 0.25 + 2.75 * random_.unit();
    r.Width = std::max(1, static_cast<int>(w * fx));
    r.Height = std::max(1, static_cast<int>(h * fy));
    r.Left = BACK_LEFT + random_.between(-r.Width / 4, HEAVY_WIDTH - r.Width * 3 / 4);
    r.Top = BACK_TOP + random_.between(-r.Height / 4, HEAVY_HEIGHT - r.Height * 3 / 4);
    overlay(args_, file, hex(key), QStringLiteral("%1x%2!").arg(r.Width).arg(r.Height), r.Left - BACK_LEFT,
            r.Top - BACK_TOP);
    vips_.overlay(file, key, true, static_cast<double>(r.Width) / w, static_cast<double>(r.Height) / h,
                  r.Left - BACK_LEFT, r.Top - BACK_TOP);
  }

  HeavyFiles write(bool comparisonFiles) {
    TDocument doc;
    clearDocument(doc);
    doc.BackColor = clWhite;
    const QString background = path(QStringLiteral("background.jpg"));
    writeWholeFile(background, encodeJpeg(photo(BACKGROUND_WIDTH, BACKGROUND_HEIGHT, random_)));
    storeFixedPath(doc.BackFile, background);
    doc.BackLeft = BACK_LEFT;
    doc.BackTop = BACK_TOP;
    doc.BackWidth = HEAVY_WIDTH;
    doc.BackHeight = HEAVY_HEIGHT;
    args_ << background << QStringLiteral("-filter") << QStringLiteral("point") << QStringLiteral("-resize")
          << QStringLiteral("%1x%2!").arg(HEAVY_WIDTH).arg(HEAVY_HEIGHT);
    vips_.background(background, static_cast<double>(HEAVY_WIDTH) / BACKGROUND_WIDTH);

    // Text and pictures interleaved at random, so each kind lies over the other.
    std::vector<PartKind> order(TEXT_PARTS, pkText);
    order.insert(order.end(), PICTURE_PARTS, pkPicture);
    for (size_t i = order.size() - 1; i > 0; --i)
      std::swap(order[i], order[static_cast<size_t>(random_.between(0, static_cast<int>(i)))]);
    int texts = 0;
    int pictures = 0;
    for (PartKind kind : order) {
      TPartData& r = appendPart(doc, kind);
      if (kind == pkText)
        textPart(r, texts++);
      else
        picturePart(r, pictures++);
    }
    args_ << QStringLiteral("-sampling-factor") << QStringLiteral("4:2:0") << QStringLiteral("-quality")
          << QStringLiteral("90");

    HeavyFiles files;
    files.project = path(QStringLiteral("heavy.rpf"));
    writeProjectFile(files.project, doc);
    files.convertArgs = path(QStringLiteral("flatten.args"));
    writeWholeFile(files.convertArgs, (args_.join(u'\n') + u'\n').toUtf8());
    files.vipsScript = path(QStringLiteral("flatten-vips.sh"));
    writeWholeFile(files.vipsScript, vips_.text().toUtf8());
    if (comparisonFiles) {
      const QImage large = photo(HEAVY_WIDTH, HEAVY_HEIGHT, random_);
      files.photoJpeg = path(QStringLiteral("photo12.jpg"));
      writeWholeFile(files.photoJpeg, encodeJpeg(large));
      files.photoPpm = path(QStringLiteral("photo12.ppm"));
      writeWholeFile(files.photoPpm, ppm(large));
      files.bitmap32 = path(QStringLiteral("picture32.bmp"));
      writeWholeFile(files.bitmap32, bmp32(large));
    }
    return files;
  }

private:
  QString path(const QString& name) const { return dir_.absoluteFilePath(name); }

  QRgb freshKey() {
    for (;;) {
      const QRgb key = qRgb(random_.between(0, 255), random_.between(0, 255), random_.between(0, 255)) & 0xFFFFFFu;
      if (!keys_.contains(key)) return key | 0xFF000000u;
    }
  }

  QDir dir_;
  Random random_;
  QSet<QRgb> keys_;
  QStringList args_;
  VipsScript vips_;
};

}  // namespace

HeavyFiles writeHeavyComposition(const QString& folder, std::uint64_t seed, bool comparisonFiles) {
  if (!QDir().mkpath(folder)) throw Failure(QStringLiteral("フォルダ %1 を作成できません").arg(folder));
  installFontSubstitutions();
  return Writer(QFileInfo(folder).absoluteFilePath(), seed).write(comparisonFiles);
}
