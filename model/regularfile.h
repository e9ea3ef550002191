#pragma once

#include <QFile>
#include <QString>

// Opens `path` for reading, unbuffered, if it names a regular file (a link to one included).
// Directories, pipes, devices and sockets are refused before they are opened: opening a FIFO
// blocks until a writer appears, and opening or reading some devices does something or never
// ends. Checked again on the open file, so one swapped in between is caught too.
// Returns false when the file cannot be opened so; `file` is then left closed.
bool openRegularFile(QFile& file, const QString& path);
