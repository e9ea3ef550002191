// Project files and the logo export.
#include "ui/main/mainwindow.h"

#include "model/failure.h"
#include "model/paths.h"
#include "model/projectfile.h"
#include "render/logoexport.h"
#include "render/scene.h"
#include "ui/main/picturecontrol.h"

#include <QStringList>

namespace {

const char16_t* const kFileErrorCaption = u"ﾌｧｲﾙ I/O ｴﾗｰ";

}  // namespace

bool MainWindow::saveProject() {
  const std::optional<QString> path = dialogs_->saveProject();
  if (!path) return false;
  // The bounds stay in the block, also when the write fails.
  document_ = documentAsSaved();
  writeProjectFile(*path, document_);
  markSaved();
  return true;
}

void MainWindow::openProject() {
  if (!mayDropComposition()) return;
  const std::optional<QString> path = dialogs_->openProject();
  if (path) openProjectFile(*path);
}

void MainWindow::openProjectFile(const QString& path) {
  if (!isProjectPath(path)) {
    dialogs_->showMessage(QStringLiteral("Pelmoraのﾌﾟﾛｼﾞｪｸﾄﾌｧｲﾙではありません"), QString::fromUtf16(kFileErrorCaption));
    return;
  }
  // Read and checked whole before anything of the current composition is touched.
  TDocument opened;
  try {
    opened = readProjectFile(path);
  } catch (const ProjectFileRefused& refused) {
    dialogs_->showMessage(refused.message(), QString::fromUtf16(kFileErrorCaption));
    return;
  }
  newComposition();
  document_ = opened;
  selection_ = BACKGROUND_INDEX;
  QStringList failed;
  // The fill or the picture, at the saved bounds; a picture that cannot be read leaves New's fill.
  BuiltLayer background = buildBackground(document_);
  backgroundControl()->setRaster(std::move(background.layer.raster));
  backgroundControl()->setBounds(background.layer.bounds);
  if (!background.failure.isEmpty()) failed << background.failure;
  failed << rebuildPartControls();
  dialogs_->proposeProjectName(path);
  markSaved();
  reportUnloaded(failed);
}

void MainWindow::saveLogo() {
  const std::optional<QString> path = dialogs_->savePicture();
  if (!path) return;
  std::vector<Layer> parts;
  parts.reserve(static_cast<size_t>(std::max(document_.PartCount, 0)));
  for (int i = 0; i < document_.PartCount; ++i)
    if (const PictureControl* c = partControls_[static_cast<size_t>(i)]) parts.push_back(c->layer());
  // Said as the exporter says it: a dialog that closed as if the logo were saved, with no file
  // to show for it, would leave the user looking for one.
  if (!exportLogo(*path, backgroundControl()->layer(), parts))
    dialogs_->showMessage(QString::fromUtf16(NoPartsLogoMessage), QStringLiteral("Pelmora"));
}
