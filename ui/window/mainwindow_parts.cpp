// Parts: adding them, and the parts list with its side of removing and selecting them.
#include "ui/window/mainwindow.h"

#include "model/failure.h"
#include "ui/canvas/canvasview.h"
#include "ui/parts/partslistwindow.h"

void MainWindow::addTextPart() { composition_->addTextPart(); }

void MainWindow::addPicturePart() {
  if (!composition_->canAddPart()) return;
  if (const std::optional<QString> path = dialogs_->openPicture()) composition_->addPicturePart(*path);
}

const Composition& MainWindow::composition() const { return *composition_; }

void MainWindow::selectPart(int index) {
  canvasView_->endDrag();
  composition_->select(index);
}

void MainWindow::selectParts(const std::vector<int>& indices) {
  canvasView_->endDrag();
  composition_->selectParts(indices, false);
}

void MainWindow::removePart(int index) { composition_->removePart(index); }

void MainWindow::removeSelected() { composition_->removeSelected(); }

std::optional<QPoint> MainWindow::partCentreOnScreen(int index) const { return canvasView_->centreOnScreen(index); }

void MainWindow::reportUnloaded(const QStringList& failures) {
  if (failures.isEmpty()) return;
  throw Failure(QStringLiteral("次のファイルまたは部品を表示できません:\n") + failures.join(u'\n'));
}

PartsListWindow* MainWindow::partsList() const {
  // A list that has been closed is on its way out, though Qt frees it only later.
  PartsListWindow* list = partsList_.data();
  return list && list->isVisible() ? list : nullptr;
}

void MainWindow::openPartsList() {
  PartsListWindow* list = partsList();
  if (!list) partsList_ = list = new PartsListWindow(*this, this);
  list->show();
  list->raise();
  list->activateWindow();
  list->fillList();
}

void MainWindow::closePartsList() {
  if (PartsListWindow* list = partsList()) list->close();
}
