#include "ui/window/recentprojects.h"

#include "ui/common/usersettings.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>

#include <functional>

namespace recentProjects {
namespace {

const QString kKey = QStringLiteral("file/recentProjects");

// Another window, or a hand, may have left anything here: only paths are kept, and as many as the
// menu shows.
QStringList listIn(const QSettings& settings) {
  QStringList list = settings.value(kKey).toStringList();
  list.removeAll(QString());
  if (list.size() > Limit) list.resize(Limit);
  return list;
}

// Every editor changes the list under one lock and reads it afresh there, so two saving at once
// both leave their entry. A lock that cannot be had in a few seconds is done without.
void change(const std::function<QStringList(QStringList)>& how) {
  QSettings settings = userSettings();
  QDir().mkpath(QFileInfo(settings.fileName()).absolutePath());
  QLockFile lock(settings.fileName() + QStringLiteral(".recent-lock"));
  lock.tryLock(5000);
  settings.sync();
  settings.setValue(kKey, how(listIn(settings)));
  settings.sync();
}

}  // namespace

QString projectName(const QString& path) {
  const QFileInfo file(path);
  const QString canonical = file.canonicalFilePath();
  return canonical.isEmpty() ? file.absoluteFilePath() : canonical;
}

QStringList withNewest(QStringList list, const QString& path) {
  const QString name = projectName(path);
  list.removeAll(name);
  list.prepend(name);
  if (list.size() > Limit) list.resize(Limit);
  return list;
}

QStringList read() { return listIn(userSettings()); }

void add(const QString& path) {
  change([&](const QStringList& list) { return withNewest(list, path); });
}

void remove(const QString& path) {
  change([&](QStringList list) {
    list.removeAll(path);
    list.removeAll(projectName(path));
    return list;
  });
}

void clear() { userSettings().remove(kKey); }

}  // namespace recentProjects
