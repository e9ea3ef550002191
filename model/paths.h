#pragma once

#include <QString>

// The extension of a path: from its last "." to the end, when no separator ("\", ":" or "/")
// follows that "."; empty otherwise. Working on QString means a separator byte inside a
// double-byte character can never be mistaken for one.
QString pathExtension(QStringView path);

// The text after the path's last separator.
QString pathFileName(QStringView path);

// ".jpg" and ".jpeg" in any case name JPEG, ".png" PNG. A logo is written as the name says, BMP for
// any other name; a picture is read by its signature first (loadPictureFile), by these only when
// it has none.
bool isJpegPath(QStringView path);
bool isPngPath(QStringView path);
// ".bmp", ".jpg", ".jpeg" or ".png" in any case: a name that says which picture format it is.
bool hasPictureExtension(QStringView path);

// ".rpf" in any case.
bool isProjectPath(QStringView path);
