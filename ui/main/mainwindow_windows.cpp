// The auxiliary windows: the parts list and the version window.
#include "ui/main/mainwindow.h"

#include "ui/parts/partslistwindow.h"
#include "ui/version/versiondialog.h"

#include <memory>

void MainWindow::openPartsList() {
  if (!Part) Part = new PartsListWindow(this);
  Part->show();
  Part->raise();
  Part->activateWindow();
  Part->fillList();
}

void MainWindow::closePartsList() {
  // Closing clears Part at once; the window itself goes once the event loop gets to it.
  if (Part) Part->close();
}

void MainWindow::appendPartsListRow(const TPartData& record) {
  if (Part) Part->appendRow(record);
}

void MainWindow::showVersion() {
  const std::unique_ptr<VersionDialog> window(new VersionDialog(this));
  Vers = window.get();
  window->exec();
}
