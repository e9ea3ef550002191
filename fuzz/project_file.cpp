// Any bytes as a project file: refused with ProjectFileRefused, or a document whose every record
// in use the editor can show. Text parts are drawn as the editor draws them; picture parts only
// have their file names read, so the run never depends on the files of this machine.

#include "require.h"

#include "model/fixedstring.h"
#include "model/projectfile.h"
#include "render/fonts.h"
#include "render/layer.h"
#include "render/scene.h"

#include <QGuiApplication>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

const QString kPath = QStringLiteral("fuzz.rpf");

void showTextPart(const TPartData& record) {
  Layer layer;
  try {
    layer = partLayer(record, 96);
  } catch (const Failure&) {
    return;  // outsized: the editor reports it and shows the part without a raster
  }
  require(!layer.raster.isNull(), "a drawn text part has pixels");
  QImage canvas(32, 32, QImage::Format_RGB32);
  drawLayer(layer, drawableRaster(layer.raster, layer.transparent), canvas, QPoint(0, 0));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static QGuiApplication app(*argc, *argv);
  installFontSubstitutions();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArrayView bytes(data, static_cast<qsizetype>(size));
  TDocument doc;
  try {
    doc = projectFromBytes(bytes, kPath);
  } catch (const ProjectFileRefused& refused) {
    require(refused.message().contains(kPath), "a refusal names the file");
    return 0;
  }
  // The document is the file's bytes, unchanged but for the records from the part count on, which
  // are free and so all zero.
  require(size == sizeof doc, "only a file of the block's size is accepted");
  require(doc.PartCount >= 0 && doc.PartCount <= MAX_PARTS, "an accepted part count is in range");
  const size_t inUse = sizeof(TPartData) * static_cast<size_t>(doc.PartCount);
  const size_t freeEnd = sizeof doc.Parts;
  const auto* raw = reinterpret_cast<const unsigned char*>(&doc);
  require(std::memcmp(raw, data, inUse) == 0, "the records in use hold the file's bytes");
  require(std::all_of(raw + inUse, raw + freeEnd, [](unsigned char b) { return b == 0; }), "free records are zero");
  require(std::memcmp(raw + freeEnd, data + freeEnd, sizeof doc - freeEnd) == 0,
          "the background holds the file's bytes");
  fixedString(doc.BackFile);
  for (int i = 0; i < doc.PartCount; ++i) {
    const TPartData& record = doc.Parts[i];
    require(record.Index == i && (record.Kind == pkText || record.Kind == pkPicture), "accepted records are in order");
    fixedString(record.Text);
    fixedString(record.FileName);
    if (record.Kind == pkText) showTextPart(record);
  }
  return 0;
}
