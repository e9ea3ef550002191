#pragma once

#include <QString>
#include <QStringList>

// The projects last opened or saved, newest first, as the file menu offers them. They are kept in
// the user's settings, so every window shares them and each reads them afresh when it shows them.
namespace recentProjects {

constexpr int Limit = 8;

// The name a project is listed by, whatever link or relative path reached it: its canonical path
// while it exists, else its absolute one.
QString projectName(const QString& path);
// `list` with `path` first, by its projectName(), each project once and at most Limit.
QStringList withNewest(QStringList list, const QString& path);

QStringList read();
void add(const QString& path);
void remove(const QString& path);
void clear();

}  // namespace recentProjects
