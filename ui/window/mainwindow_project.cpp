// The composition as a whole: New, project files, the logo and the background.
#include "ui/window/mainwindow.h"

#include "model/paths.h"
#include "model/regularfile.h"
#include "render/logoexport.h"
#include "render/scene.h"
#include "ui/canvas/canvasview.h"
#include "ui/window/logosettings.h"
#include "ui/window/recentprojects.h"

#include <QFileInfo>
#include <QStatusBar>

namespace {

const char16_t* const kFileErrorCaption = u"ﾌｧｲﾙ I/O ｴﾗｰ";

}  // namespace

void MainWindow::newProject() {
  if (mayDropComposition()) newComposition();
}

void MainWindow::newComposition() {
  closePartsList();
  belongTo({});
  canvasView_->showFromOrigin();
  composition_->startNew(canvasView_->centredTopLeft(QSize(NEW_BACKGROUND_WIDTH, NEW_BACKGROUND_HEIGHT)));
}

void MainWindow::saveProjectCommand() { saveProject(); }

bool MainWindow::saveProject() {
  const std::optional<QString> path = dialogs_->saveProject();
  if (!path) return false;
  composition_->saveProject(*path);
  belongTo(*path);
  recentProjects::add(*path);
  return true;
}

void MainWindow::openProject() {
  if (!mayDropComposition()) return;
  const std::optional<QString> path = dialogs_->openProject();
  if (path) openProjectFile(*path);
}

void MainWindow::openProjectFile(const QString& path, const std::function<bool()>& mayReplace) {
  const Composition::Opened opened = composition_->open(path, mayReplace);
  if (!opened.refusal.isEmpty()) {
    showFileRefusal(opened.refusal);
    return;
  }
  if (opened.declined) return;
  closePartsList();
  belongTo(path);
  recentProjects::add(path);
  dialogs_->proposeProjectName(path);
  reportUnloaded(opened.failures);
}

void MainWindow::showFileRefusal(const QString& refusal) {
  dialogs_->showMessage(refusal, QString::fromUtf16(kFileErrorCaption));
}

void MainWindow::saveLogo() {
  const std::optional<Dialogs::LogoChoice> choice = dialogs_->saveLogo(rememberedLogoOptions());
  if (!choice) return;
  rememberLogoOptions(choice->options);
  const QString& path = choice->path;
  if (!projectPath_.isEmpty() && sameFile(path, projectPath_)) {
    dialogs_->showMessage(QString::fromUtf16(LogoOverProjectMessage), QStringLiteral("Pelmora"));
    return;
  }
  // The dialog greys the transparency for a JPEG name; it stays chosen for the next PNG.
  LogoOptions options = choice->options;
  if (isJpegPath(path)) options.backdrop = Backdrop::Background;
  // Said as the exporter says it when there are no parts: a dialog that closed as if the logo were
  // saved, with no file to show for it, would leave the user looking for one.
  if (!composition_->saveLogo(path, options)) {
    dialogs_->showMessage(QString::fromUtf16(NoPartsLogoMessage), QStringLiteral("Pelmora"));
    return;
  }
  const QSize size = logoSize(options.scale);
  statusBar()->showMessage(QStringLiteral("%1 (%2 × %3%4) を保存しました")
                               .arg(QFileInfo(path).fileName())
                               .arg(size.width())
                               .arg(size.height())
                               .arg(options.backdrop == Backdrop::Clear ? QStringLiteral(", 透明") : QString()),
                           kNoteMilliseconds);
}

QSize MainWindow::logoSize(int scale) const {
  const Bounds b = composition_->bounds(BACKGROUND_INDEX);
  return {b.width * scale, b.height * scale};
}

void MainWindow::chooseBackgroundPicture() {
  if (const std::optional<QString> path = dialogs_->openPicture()) composition_->setBackgroundPicture(*path);
}

void MainWindow::chooseBackgroundFill() {
  if (const std::optional<Colour> colour = dialogs_->chooseColour()) composition_->fillBackground(*colour);
}
