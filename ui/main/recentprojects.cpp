#include "ui/main/recentprojects.h"

#include "ui/main/usersettings.h"

#include <QFileInfo>

namespace recentProjects {
namespace {

const QString kKey = QStringLiteral("file/recentProjects");

void write(const QStringList& list) { userSettings().setValue(kKey, list); }

}  // namespace

QStringList withNewest(QStringList list, const QString& path) {
  const QString absolute = QFileInfo(path).absoluteFilePath();
  list.removeAll(absolute);
  list.prepend(absolute);
  if (list.size() > Limit) list.resize(Limit);
  return list;
}

QStringList read() {
  // Another window, or a hand, may have left anything here: only paths are kept, and as many as
  // the menu shows.
  QStringList list = userSettings().value(kKey).toStringList();
  list.removeAll(QString());
  if (list.size() > Limit) list.resize(Limit);
  return list;
}

void add(const QString& path) { write(withNewest(read(), path)); }

void remove(const QString& path) {
  QStringList list = read();
  list.removeAll(QFileInfo(path).absoluteFilePath());
  write(list);
}

void clear() { userSettings().remove(kKey); }

}  // namespace recentProjects
