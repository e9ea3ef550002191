#include "render/scene.h"

#include "model/failure.h"
#include "model/fixedstring.h"
#include "render/picturefile.h"
#include "render/raster.h"
#include "render/textrender.h"

#include <algorithm>

namespace {

constexpr int kUnknownKindSide = 105;

// Width and height are both zero until the part has been placed on the canvas; either zero means
// the record holds no usable bounds.
bool placed(const TPartData& r) { return r.Width != 0 && r.Height != 0; }

Bounds savedBounds(const TPartData& r) { return placed(r) ? Bounds{r.Left, r.Top, r.Width, r.Height} : Bounds{}; }

Layer newBackground(QRgb fill, const Bounds& bounds) {
  Layer layer;
  layer.raster = makeWhiteRaster(NEW_BACKGROUND_WIDTH, NEW_BACKGROUND_HEIGHT);
  layer.raster.fill(fill);
  layer.bounds = bounds;
  layer.stretch = true;
  return layer;
}

Bounds backgroundBounds(const TDocument& doc) { return {doc.BackLeft, doc.BackTop, doc.BackWidth, doc.BackHeight}; }

// Messages about files mostly name the file already; the others get it put in front.
QString failureLine(const QString& subject, const Failure& failure) {
  return failure.message().contains(subject) ? failure.message()
                                             : QStringLiteral("%1: %2").arg(subject, failure.message());
}

}  // namespace

Layer backgroundLayer(const TDocument& doc) {
  const QString file = fixedString(doc.BackFile);
  if (file.isEmpty()) return newBackground(rgbFromColour(doc.BackColor), backgroundBounds(doc));
  Layer layer;
  layer.raster = loadPictureFile(file);
  layer.bounds = backgroundBounds(doc);
  layer.stretch = true;
  return layer;
}

Layer partLayer(const TPartData& record, int dpi) {
  Layer layer;
  if (record.Kind == pkText) {
    TextRaster text = renderTextPart(record, dpi);
    const Bounds at = savedBounds(record);
    layer.bounds = {at.left, at.top, text.controlSize.width(), text.controlSize.height()};
    layer.raster = std::move(text.raster);
    layer.transparent = record.FillOn != 1;
  } else if (record.Kind == pkPicture) {
    layer.raster = loadPictureFile(fixedString(record.FileName));
    layer.bounds = placed(record) ? savedBounds(record) : Bounds{0, 0, layer.raster.width(), layer.raster.height()};
    layer.stretch = true;
    layer.transparent = true;
  } else {
    layer.bounds = {0, 0, kUnknownKindSide, kUnknownKindSide};
  }
  return layer;
}

Scene buildScene(const TDocument& doc, int dpi) {
  Scene scene;
  try {
    scene.background = backgroundLayer(doc);
  } catch (const Failure& failure) {
    scene.failedFiles << failureLine(fixedString(doc.BackFile), failure);
    scene.background = newBackground(qRgb(255, 255, 255), backgroundBounds(doc));
  }
  const int count = std::clamp(doc.PartCount, 0, MAX_PARTS);
  scene.parts.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    const TPartData& record = doc.Parts[i];
    try {
      scene.parts.push_back(partLayer(record, dpi));
    } catch (const Failure& failure) {
      const bool picture = record.Kind == pkPicture;
      scene.failedFiles << failureLine(
          picture ? fixedString(record.FileName) : QStringLiteral("%1 番目の部品").arg(i + 1), failure);
      Layer failed;
      failed.bounds = savedBounds(record);
      failed.stretch = picture;
      failed.transparent = picture || record.FillOn != 1;
      scene.parts.push_back(std::move(failed));
    }
  }
  return scene;
}
