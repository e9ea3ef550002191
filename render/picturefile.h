#pragma once

#include <QImage>
#include <QString>

#include <thread>

// Reads a picture part's file: JPEG when isJpegPath(path) says so, BMP otherwise; the contents are
// never inspected to choose. Only regular files are read, and at most 1 GiB of them.
// Throws Failure "ファイル <path> は開けません" for anything that cannot be opened or is not a
// regular file, and the decoders' failures for bad contents.
QImage loadPictureFile(const QString& path);

// The largest picture file loadPictureFile() accepts.
inline constexpr qint64 MAX_PICTURE_FILE_SIZE = qint64{1} << 30;

// An uninitialised raster for a decoder to fill. Large ones get memory that faults in by huge
// pages where the system offers them: first-touch page faults otherwise cost a 12-megapixel
// decode about as much as the decoding itself. Throws Failure when memory runs out.
QImage allocatePictureRaster(qint64 width, qint64 height, QImage::Format format);

// Has the kernel clear a large new raster's memory on a second thread while a decoder that fills
// it from the first line down is busy; the decoder would otherwise stop at every fresh page for
// that, about a tenth of a 12-megapixel JPEG decode. Works from the last line upwards, so the
// two meet instead of queueing for the same pages. Never touches the pixels themselves, and
// stops, and is joined, when destroyed: destroy it before the raster.
class RasterPrefault {
public:
  explicit RasterPrefault(const QImage& raster);

private:
  std::jthread thread_;
};
