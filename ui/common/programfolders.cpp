#include "ui/common/programfolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

QString helpFileBeside(const QFileInfo& exe) {
  return exe.absolutePath() + u'/' + exe.completeBaseName() + QStringLiteral(".html");
}

}  // namespace

QString helpFileFor(const QString& exeFilePath) {
  const QFileInfo exe(exeFilePath);
  const QString beside = helpFileBeside(exe);
  if (QFileInfo(beside).isFile()) return beside;
  return QDir::cleanPath(exe.absolutePath() + QStringLiteral("/../share/pelmora/") + exe.completeBaseName() +
                         QStringLiteral(".html"));
}

QString firstDialogFolder(const QString& exeFilePath, const QString& documents, const QString& home,
                          bool (*mayWrite)(const QString& folder)) {
  const QFileInfo exe(exeFilePath);
  const bool selfContained = QFileInfo(helpFileBeside(exe)).isFile();
  if (selfContained && mayWrite(exe.absolutePath())) return exe.absolutePath();
  if (!documents.isEmpty() && QFileInfo(documents).isDir()) return documents;
  return home;
}

QString firstDialogFolder() {
  return firstDialogFolder(QCoreApplication::applicationFilePath(),
                           QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation), QDir::homePath(),
                           [](const QString& folder) { return QFileInfo(folder).isWritable(); });
}
