#pragma once

#include <QString>

// Where the program finds its data and where its file dialogs first open. A build tree or a
// portable copy keeps everything in the executable's folder; an install keeps the program in
// bin/, its data in share/pelmora/ beside it, and the user's files elsewhere.

// The help document, named after the executable with ".html": beside the executable when it is
// there, otherwise in the installed data folder ../share/pelmora. When neither holds it, the
// installed place, which is what a broken install should be told to put back.
QString helpFileFor(const QString& exeFilePath);

// The folder the project and picture dialogs open in first: the executable's folder when
// `mayWrite` says the user may write there, otherwise `documents` when that folder exists,
// otherwise `home`.
QString firstDialogFolder(const QString& exeFolder, const QString& documents, const QString& home,
                          bool (*mayWrite)(const QString& folder));

// The same for the running program, its user's documents and home folders and the file system's
// own permissions. A user who may write anywhere (root) starts in the executable's folder.
QString firstDialogFolder();
