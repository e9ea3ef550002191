#pragma once

#include <QString>

// Where the program finds its data and where its file dialogs first open. A build tree or a
// portable copy keeps everything in the executable's folder; an install keeps the program in
// bin/, its data in share/pelmora/ beside it, and the user's files elsewhere.

// The help document, named after the executable with ".html": beside the executable when it is
// there, otherwise in the installed data folder ../share/pelmora. When neither holds it, the
// installed place, which is what a broken install should be told to put back.
QString helpFileFor(const QString& exeFilePath);

// The folder the project and picture dialogs open in first: the executable's folder when it is a
// build tree or a portable copy (its help document lies beside it) and `mayWrite` says the user may
// write there, otherwise `documents` when that folder exists, otherwise `home`. An installed
// program never starts in bin/, not even for a user who may write there (root).
QString firstDialogFolder(const QString& exeFilePath, const QString& documents, const QString& home,
                          bool (*mayWrite)(const QString& folder));

// The same for the running program, its user's documents and home folders and the file system's
// own permissions.
QString firstDialogFolder();
