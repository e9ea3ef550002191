#include "render/scene.h"

#include "model/failure.h"
#include "model/fixedstring.h"
#include "render/picturefile.h"
#include "render/raster.h"
#include "render/textrender.h"

#include <algorithm>
#include <exception>
#include <system_error>
#include <thread>

namespace {

constexpr int kUnknownKindSide = 105;

// Width and height are both zero until the part has been placed on the canvas; either zero means
// the record holds no usable bounds.
bool placed(const TPartData& r) { return r.Width != 0 && r.Height != 0; }

Bounds savedBounds(const TPartData& r) { return placed(r) ? partBounds(r) : Bounds{}; }

Layer newBackground(QRgb fill, const Bounds& bounds) {
  Layer layer;
  layer.raster = makeWhiteRaster(NEW_BACKGROUND_WIDTH, NEW_BACKGROUND_HEIGHT);
  layer.raster.fill(fill);
  layer.bounds = bounds;
  layer.stretch = true;
  return layer;
}

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

BuiltLayer buildBackground(const TDocument& doc) {
  BuiltLayer built;
  try {
    built.layer = backgroundLayer(doc);
  } catch (const Failure& failure) {
    built.failure = failureLine(fixedString(doc.BackFile), failure);
    built.layer = newBackground(qRgb(255, 255, 255), backgroundBounds(doc));
  }
  return built;
}

BuiltLayer buildPart(const TPartData& record, int index, int dpi) {
  BuiltLayer built;
  try {
    built.layer = partLayer(record, dpi);
  } catch (const Failure& failure) {
    const bool picture = record.Kind == pkPicture;
    built.failure =
        failureLine(picture ? fixedString(record.FileName) : QStringLiteral("%1 番目の部品").arg(index + 1), failure);
    built.layer.bounds = savedBounds(record);
    built.layer.stretch = picture;
    built.layer.transparent = picture || record.FillOn != 1;
  }
  return built;
}

Scene buildScene(const TDocument& doc, int dpi) {
  const int count = std::clamp(doc.PartCount, 0, MAX_PARTS);
  std::vector<BuiltLayer> built(static_cast<size_t>(count));
  BuiltLayer background;

  // The pictures are decoded on a second thread while this one draws the text parts, whose fonts
  // stay on the thread that made them: on two cores the two take about as long, and a heavy
  // export spends a third of its time here. Results go by record, so the order is kept.
  const auto decodePictures = [&] {
    background = buildBackground(doc);
    for (int i = 0; i < count; ++i)
      if (doc.Parts[i].Kind != pkText) built[static_cast<size_t>(i)] = buildPart(doc.Parts[i], i, dpi);
  };
  std::exception_ptr pictureFailure;  // anything but a Failure, such as memory running out
  {
    std::jthread pictures;
    try {
      pictures = std::jthread([&] {
        try {
          decodePictures();
        } catch (...) {
          pictureFailure = std::current_exception();
        }
      });
    } catch (const std::system_error&) {
      decodePictures();  // no thread to be had: one after the other, as before
    }
    for (int i = 0; i < count; ++i)
      if (doc.Parts[i].Kind == pkText) built[static_cast<size_t>(i)] = buildPart(doc.Parts[i], i, dpi);
  }  // the picture thread is joined here, also when a text part threw
  if (pictureFailure) std::rethrow_exception(pictureFailure);

  Scene scene;
  scene.background = std::move(background.layer);
  if (!background.failure.isEmpty()) scene.failedFiles << background.failure;
  scene.parts.reserve(built.size());
  for (BuiltLayer& part : built) {
    if (!part.failure.isEmpty()) scene.failedFiles << part.failure;
    scene.parts.push_back(std::move(part.layer));
  }
  return scene;
}
