// The part table's controls: building them from records, adding and removing parts, and
// loading pictures into the background.
#include "ui/main/mainwindow.h"

#include "model/failure.h"
#include "model/fixedstring.h"
#include "model/paths.h"
#include "render/fonts.h"
#include "render/picturefile.h"
#include "render/scene.h"
#include "render/textrender.h"
#include "ui/main/picturecontrol.h"

#include <QStringList>

#include <cstring>

PictureControl* MainWindow::buildPartControl(const TPartData& record) {
  const int index = record.Index;
  if (index < 0 || index >= MAX_PARTS) return nullptr;  // checked when the file was read
  auto* c = new PictureControl(index, canvas());
  bindControl(c);
  c->show();
  c->raise();  // a control built later lies above the ones built before it
  partControls_[static_cast<size_t>(index)] = c;

  // The exporter makes its layers the same way, so a part that fails here fails there in the
  // same words; the control stays, empty, where the record puts it.
  BuiltLayer built = buildPart(record, index, logicalDpiY());
  c->setRaster(std::move(built.layer.raster));
  c->setBounds(built.layer.bounds);
  c->setStretch(built.layer.stretch);
  c->setTransparent(built.layer.transparent);
  if (record.Kind == pkText) c->setHint(fixedString(record.Text));
  if (!built.failure.isEmpty()) throw Failure(built.failure);
  if (record.Kind == pkPicture) c->setHint(pathFileName(fixedString(record.FileName)));
  return c;
}

void MainWindow::redrawTextPart(const TPartData& record) {
  PictureControl* c = partControl(record.Index);
  if (!c || record.Index == BACKGROUND_INDEX) return;
  // Without a raster until the rendering succeeds: a failure leaves the part showing nothing.
  c->clearRaster();
  const TextRaster text = renderTextPart(record, logicalDpiY());
  c->setWidth(text.controlSize.width());
  c->setHeight(text.controlSize.height());
  c->setRaster(text.raster);
}

void MainWindow::loadPicture(PictureControl* control, const QString& path) {
  // Decode first: a file that cannot be read leaves the control exactly as it was.
  QImage picture = loadPictureFile(path);
  const QSize previous = control->raster().size();
  control->setAutoSize(false);
  control->setRaster(std::move(picture));
  const QSize natural = control->raster().isNull() ? previous : control->raster().size();
  control->setWidth(natural.width());
  control->setHeight(natural.height());
  control->setStretch(true);
}

void MainWindow::chooseBackgroundPicture() {
  const std::optional<QString> path = dialogs_->openPicture();
  if (!path) return;
  char field[FIXED_STRING_SIZE] = {};
  storeFixedPath(field, *path);  // refuses a path the record cannot hold, before anything changes
  loadPicture(backgroundControl(), *path);
  std::memcpy(document_.BackFile, field, sizeof field);
}

bool MainWindow::addPart(PartKind kind) {
  if (!canAddPart(document_)) return false;
  if (kind == pkPicture) {
    const std::optional<QString> path = dialogs_->openPicture();
    return path && addPicturePart(*path);
  }
  if (kind != pkText) return false;
  buildPartControl(appendPart(document_, pkText));
  appendPartsListRow(document_.Parts[document_.PartCount - 1]);
  return true;
}

PictureControl* MainWindow::addPicturePart(const QString& path) {
  if (!canAddPart(document_)) return nullptr;
  char fileName[FIXED_STRING_SIZE] = {};
  storeFixedPath(fileName, path);
  TPartData& r = appendPart(document_, pkPicture);
  std::memcpy(r.FileName, fileName, sizeof fileName);
  PictureControl* control = nullptr;
  try {
    control = buildPartControl(r);
  } catch (...) {
    // A part whose picture cannot be read is not added at all.
    const int n = r.Index;
    delete partControls_[static_cast<size_t>(n)];
    partControls_[static_cast<size_t>(n)] = nullptr;
    std::memset(&r, 0, sizeof r);
    document_.PartCount = n;
    throw;
  }
  appendPartsListRow(r);
  return control;
}

void MainWindow::copyBoundsToRecords() { copyPartBounds(document_); }

void MainWindow::copyPartBounds(TDocument& doc) const {
  for (int i = 0; i < doc.PartCount && i < MAX_PARTS; ++i)
    if (const PictureControl* c = partControls_[static_cast<size_t>(i)]) setPartBounds(doc.Parts[i], c->bounds());
}

QStringList MainWindow::rebuildPartControls() {
  QStringList failed;
  for (int k = 0; k < document_.PartCount; ++k) {
    document_.Parts[k].Index = k;
    try {
      buildPartControl(document_.Parts[k]);
    } catch (const Failure& failure) {
      failed << failure.message();
    }
  }
  return failed;
}

void MainWindow::removePart(int index) {
  if (document_.PartCount <= 0) return;
  copyBoundsToRecords();
  freePartControls();
  removePartRecord(document_, index);
  const QStringList failed = rebuildPartControls();
  resetPanel();
  reportUnloaded(failed);
}

void MainWindow::reportUnloaded(const QStringList& failures) {
  if (failures.isEmpty()) return;
  throw Failure(QStringLiteral("次のファイルまたは部品を表示できません:\n") + failures.join(u'\n'));
}
