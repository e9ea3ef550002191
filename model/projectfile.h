#pragma once

#include "model/document.h"
#include "model/failure.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// A project file is the document block's byte image, 56,512 bytes, with no header of its own.

// A file that opened but whose contents no editor could have written. The editor reports it under
// its own caption, so it is a type of its own rather than a plain Failure.
class ProjectFileRefused : public Failure {
public:
  using Failure::Failure;
};

// The whole block as it is, stale bytes after a string's zero included, so that saving an
// unchanged document twice gives identical files.
QByteArray projectBytes(const TDocument& doc);

// The block through writeWholeFile(), with its failures.
void writeProjectFile(const QString& path, const TDocument& doc);

// Refuses, with ProjectFileRefused naming `path`, a block whose part count lies outside 0..99,
// whose records in use have a kind other than text or picture or an Index other than their
// position, or one of whose strings in use (and the background's file name) has no zero.
void checkProject(const TDocument& doc, const QString& path);

// The document a file of these bytes gives: refused unless they are exactly 56,512 bytes, then
// checked, with every record from PartCount on zeroed. `path` only names the file in messages.
TDocument projectFromBytes(QByteArrayView bytes, const QString& path);

// Reads and checks a project file. Only a regular file is opened, so a FIFO or device never
// blocks or floods the reader; a file of any other size than 56,512 bytes is refused unread.
// Throws Failure "ファイル %1 は開けません" when it cannot be read, ProjectFileRefused when it
// fails the checks.
TDocument readProjectFile(const QString& path);
