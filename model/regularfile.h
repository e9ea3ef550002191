#pragma once

#include <QByteArrayView>
#include <QFile>
#include <QString>

// Opens `path` for reading, unbuffered, if it names a regular file (a link to one included).
// Directories, pipes, devices and sockets are refused before they are opened: opening a FIFO
// blocks until a writer appears, and opening or reading some devices does something or never
// ends. Checked again on the open file, so one swapped in between is caught too.
// Returns false when the file cannot be opened so; `file` is then left closed.
bool openRegularFile(QFile& file, const QString& path);

// Whether the two paths name one existing file, through links or by different names.
bool sameFile(const QString& a, const QString& b);

// Writes `bytes` to a temporary file beside `path` and renames it into place, so that a failed
// write neither damages an existing file nor leaves a half-written one. Throws Failure:
// "ファイル %1 を作成できません" when the file cannot be created or the name is held by something
// other than a regular file (a device, a pipe, a folder), "ストリームへの書き込みエラー" when
// writing or renaming fails.
void writeWholeFile(const QString& path, QByteArrayView bytes);
