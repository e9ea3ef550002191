#pragma once

#include <QByteArrayView>
#include <QFile>
#include <QSaveFile>
#include <QString>

// Opens `path` for reading, unbuffered, if it names a regular file (a link to one included).
// Directories, pipes, devices and sockets are refused before they are opened: opening a FIFO
// blocks until a writer appears, and opening or reading some devices does something or never
// ends. Checked again on the open file, so one swapped in between is caught too.
// Returns false when the file cannot be opened so; `file` is then left closed.
bool openRegularFile(QFile& file, const QString& path);

// Whether the two paths name one existing file, through links or by different names.
bool sameFile(const QString& a, const QString& b);

// A file written under a temporary name beside `path` and renamed into place by commit() once
// whole, so that a failed write neither damages an existing file nor leaves a half-written one:
// left without commit(), the temporary file is discarded. Throws Failure: "ファイル %1 を作成できません"
// when the file cannot be created or the name is held by something other than a regular file (a
// device, a pipe, a folder), "ストリームへの書き込みエラー" when writing or renaming fails.
class WholeFile {
public:
  explicit WholeFile(const QString& path);

  // False when the bytes could not all be written, for writers that must not throw.
  bool put(QByteArrayView bytes) noexcept;
  void write(QByteArrayView bytes);
  void commit();

private:
  QSaveFile file_;
};

// `bytes` as a WholeFile.
void writeWholeFile(const QString& path, QByteArrayView bytes);
