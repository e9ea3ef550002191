#pragma once

#include <QImage>
#include <QString>

// Reads a picture part's file by its signature, whatever its name: PNG, JPEG (FF D8 FF) or BMP
// ("BM"). A file with none of them is read by its name: JPEG when isJpegPath(path) says so, BMP
// for every other name, ".png" included. Only regular files are read, and at most 1 GiB of them.
// Throws Failure "ファイル <path> は開けません" for anything that cannot be opened or is not a
// regular file, and the decoders' failures for bad contents; a PNG file's failure names the file:
// "PNG ファイル <path> を読み込めません: <reason>".
QImage loadPictureFile(const QString& path);

// The largest picture file loadPictureFile() accepts.
inline constexpr qint64 MAX_PICTURE_FILE_SIZE = qint64{1} << 30;
