// The auxiliary windows: the parts list and the version window.
#include "ui/main/mainwindow.h"

#include "ui/parts/partslistwindow.h"
#include "ui/version/versiondialog.h"

#include <memory>

PartsListWindow* MainWindow::partsList() const {
  // A list that has been closed is on its way out, though Qt frees it only later.
  PartsListWindow* list = partsList_.data();
  return list && list->isVisible() ? list : nullptr;
}

VersionDialog* MainWindow::versionDialog() const { return versionDialog_.data(); }

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

void MainWindow::appendPartsListRow(const TPartData& record) {
  if (PartsListWindow* list = partsList()) list->appendRow(record);
}

void MainWindow::showVersion() {
  const std::unique_ptr<VersionDialog> window(new VersionDialog(this));
  versionDialog_ = window.get();
  window->exec();
}
