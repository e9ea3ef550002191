#include "ui/main/programfolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QString helpFileFor(const QString& exeFilePath) {
  const QFileInfo exe(exeFilePath);
  const QString name = exe.completeBaseName() + QStringLiteral(".html");
  const QString beside = exe.absolutePath() + u'/' + name;
  if (QFileInfo(beside).isFile()) return beside;
  return QDir::cleanPath(exe.absolutePath() + QStringLiteral("/../share/pelmora/") + name);
}

QString firstDialogFolder(const QString& exeFolder, const QString& documents, const QString& home,
                          bool (*mayWrite)(const QString& folder)) {
  if (mayWrite(exeFolder)) return exeFolder;
  if (!documents.isEmpty() && QFileInfo(documents).isDir()) return documents;
  return home;
}

QString firstDialogFolder() {
  return firstDialogFolder(QCoreApplication::applicationDirPath(),
                           QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation), QDir::homePath(),
                           [](const QString& folder) { return QFileInfo(folder).isWritable(); });
}
