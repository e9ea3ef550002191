// What reaches the editor from the desktop rather than through its dialogs: a project named on the
// command line, and files dropped on the window.
#include "ui/window/mainwindow.h"

#include "model/failure.h"
#include "model/paths.h"
#include "ui/canvas/canvasview.h"
#include "ui/common/errorreport.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

namespace {

// The local files a drag carries, in the order they were picked; empty when anything else comes.
QStringList localFiles(const QMimeData* data) {
  QStringList paths;
  if (!data || !data->hasUrls()) return paths;
  for (const QUrl& url : data->urls()) {
    if (!url.isLocalFile()) return {};
    paths << url.toLocalFile();
  }
  return paths;
}

// The files are read, never taken: a drop accepted as the move a source may propose would have
// the file manager delete them.
bool takeAsCopy(QDropEvent* event) {
  if (!(event->possibleActions() & Qt::CopyAction) || localFiles(event->mimeData()).isEmpty()) return false;
  event->setDropAction(Qt::CopyAction);
  event->accept();
  return true;
}

}  // namespace

void MainWindow::openProjectAtStart(const QString& path) {
  // Not yet inside the event loop, so a failure is reported here rather than by the application.
  guarded([&] { openProjectFile(path); });
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) { takeAsCopy(event); }

void MainWindow::dropEvent(QDropEvent* event) {
  if (!takeAsCopy(event)) return;
  const QStringList paths = localFiles(event->mimeData());
  // Pictures land with their top-left at the drop point, or at the view's corner when the drop
  // was not on the canvas.
  const QPoint canvasPoint = canvasView_->landingPoint(this, event->position().toPoint());
  guarded([&] { dropFiles(paths, canvasPoint); });
}

void MainWindow::dropFiles(const QStringList& paths, QPoint canvasPoint) {
  if (paths.size() == 1 && isProjectPath(paths.front())) {
    // A damaged project is said to be so before anyone is asked to save what it would replace.
    openProjectFile(paths.front(), [this] { return mayDropComposition(); });
    return;
  }
  // Every file is a picture part, as add picture makes it, all of them one step; one that cannot
  // be read adds nothing and the others still come; a full table refuses the rest without a word.
  reportAddFailures(composition_->addPictureParts(paths, canvasPoint, false).failures);
}

void MainWindow::reportAddFailures(const QStringList& failures) {
  if (failures.size() == 1) throw Failure(failures.front());  // as add picture says it
  reportUnloaded(failures);                                   // one message for all that failed
}
