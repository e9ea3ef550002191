#include "render/logoexport.h"

#include "model/failure.h"
#include "model/paths.h"
#include "model/projectfile.h"
#include "render/bmpwriter.h"
#include "render/jpegcodec.h"
#include "render/picturefile.h"
#include "render/raster.h"

namespace {

// The drawable lives only while its layer is drawn: with a large background and 99 parts, keeping
// them all would cost more than the logo itself. False when the layer has nothing to show or its
// drawable could not be made.
bool drawOnto(QImage& logo, const Layer& layer, QPoint origin) {
  if (layer.bounds.width <= 0 || layer.bounds.height <= 0 || layer.raster.isNull()) return false;
  const QImage drawable = drawableRaster(layer.raster, layer.transparent);
  if (drawable.isNull()) return false;
  drawLayer(layer, drawable, logo, origin);
  return true;
}

}  // namespace

QImage composeLogo(const Layer& background, const std::vector<Layer>& parts) {
  const Bounds& b = background.bounds;
  if (b.width <= 0 || b.height <= 0)
    throw Failure(QStringLiteral("背景の幅または高さが 0 以下 (%1 x %2) のため、ロゴを作成できません")
                      .arg(b.width)
                      .arg(b.height));
  // Memory that faults in by huge pages where the system offers them: a 12-megapixel logo would
  // otherwise take some 12,000 page faults.
  QImage logo = allocatePictureRaster(b.width, b.height, QImage::Format_RGB32);
  const QPoint origin(b.left, b.top);
  // An opaque background stretched over its whole rectangle writes every pixel of the logo, so
  // the white beneath it is only laid when something of it could show.
  const bool coversLogo = background.stretch && !background.transparent;
  if (!coversLogo || !drawOnto(logo, background, origin)) {
    logo.fill(Qt::white);
    if (!coversLogo) drawOnto(logo, background, origin);
  }
  for (const Layer& part : parts) drawOnto(logo, part, origin);
  return logo;
}

bool exportLogo(const QString& path, const Layer& background, const std::vector<Layer>& parts) {
  if (parts.empty()) return false;
  QByteArray encoded;
  {
    // The logo goes as soon as it is encoded, so at most it and its file's bytes are held at once.
    const QImage logo = composeLogo(background, parts);
    encoded = isJpegPath(path) ? encodeJpeg(logo) : encodeBmp(logo);
  }
  writeWholeFile(path, encoded);
  return true;
}
