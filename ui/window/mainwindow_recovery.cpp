// Work kept against a crash, and the projects the user last opened or saved.
#include "ui/window/mainwindow.h"

#include "edit/recovery.h"
#include "model/paths.h"
#include "model/failure.h"
#include "ui/common/errorreport.h"
#include "ui/window/recentprojects.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>

namespace {

// What the start-up question says of the work: its project's file name and when it was kept.
QString describe(const LeftWork& work) {
  const QString name = work.project.isEmpty() ? QStringLiteral("無題") : pathFileName(work.project);
  return QStringLiteral("ﾌﾟﾛｼﾞｪｸﾄ: %1\n日時: %2")
      .arg(name, work.written.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")));
}

}  // namespace

void MainWindow::belongTo(const QString& project) {
  projectPath_ = project;
  recovery_->setProject(project);
}

void MainWindow::start(const QString& project) {
  if (!offerLeftWork() && !project.isEmpty()) openProjectAtStart(project);
}

bool MainWindow::offerLeftWork() {
  bool restored = false;
  guarded([&] {
    for (LeftWork& work : findLeftWork(recoveryFolder())) {
      // Read first: a copy that cannot be restored is never offered, and says why as Open would.
      QString refusal;
      try {
        refusal = checkLeftWork(work);
      } catch (const Failure& failure) {
        setLeftWorkAside(work);
        reportError(failure.message());
        continue;
      }
      if (!refusal.isEmpty()) {
        setLeftWorkAside(work);
        showFileRefusal(refusal);
        continue;
      }
      // Only the newest is asked about; older copies wait for later starts.
      switch (dialogs_->askToRestore(describe(work))) {
        case Dialogs::LeftWorkAnswer::Restore:
          if (const std::optional<QStringList> unloaded = restore(std::move(work))) {
            restored = true;
            reportUnloaded(*unloaded);
          }
          break;
        case Dialogs::LeftWorkAnswer::Discard: discardLeftWork(work); break;
        case Dialogs::LeftWorkAnswer::Later: break;
      }
      return;
    }
  });
  return restored;
}

std::optional<QStringList> MainWindow::restore(LeftWork&& work) {
  const Composition::Opened opened = composition_->open(work.copyPath);
  if (!opened.refusal.isEmpty()) {
    // Changed on disk since it was read.
    setLeftWorkAside(work);
    showFileRefusal(opened.refusal);
    return std::nullopt;
  }
  composition_->markUnsaved();
  closePartsList();
  belongTo(work.project);
  if (!work.project.isEmpty()) dialogs_->proposeProjectName(work.project);
  // The window keeps the copy from here on, under the same name, until the work is saved.
  recovery_->adopt(std::move(work));
  return opened.failures;
}

void MainWindow::showRecentProjects() {
  recentMenu_->clear();
  const QStringList projects = recentProjects::read();
  for (const QString& path : projects) {
    // An ampersand in a file name is a letter, not a key.
    QAction* item = recentMenu_->addAction(pathFileName(path).replace(u'&', QStringLiteral("&&")));
    item->setStatusTip(path);
    connect(item, &QAction::triggered, this, [this, path] { guarded([&] { openRecentProject(path); }); });
  }
  recentMenu_->addSeparator();
  QAction* clear = recentMenu_->addAction(QStringLiteral("一覧を消去"));
  clear->setObjectName(QStringLiteral("clearRecentAction"));
  connect(clear, &QAction::triggered, this, [] { recentProjects::clear(); });
  recentMenu_->menuAction()->setEnabled(!projects.isEmpty());
}

void MainWindow::openRecentProject(const QString& path) {
  if (!mayDropComposition()) return;
  try {
    openProjectFile(path);
  } catch (const Failure&) {
    if (!QFileInfo::exists(path)) recentProjects::remove(path);
    throw;
  }
}
