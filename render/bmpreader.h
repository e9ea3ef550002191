#pragma once

#include <QByteArrayView>
#include <QImage>

#include <span>

// Where a bitmap's bytes come from. The decoder asks for the headers and then for the pixel rows
// a few hundred kilobytes at a time, each row straight into the raster line it becomes when the
// file's layout is the raster's, so a file is never held whole in memory.
class BmpSource {
public:
  virtual ~BmpSource() = default;

  // The length of the file as it was opened.
  virtual qint64 size() const = 0;

  // Fills `pieces` in turn with the bytes from `offset` on, but at most `length` bytes in all;
  // returns how many were read, fewer only where the file ends. Large pictures are read by two
  // threads at once, each into its own pieces. Throws Failure when the file cannot be read.
  virtual qint64 read(qint64 offset, std::span<const std::span<uchar>> pieces, qint64 length) = 0;
};

// A file held whole in memory.
class BmpMemorySource final : public BmpSource {
public:
  explicit BmpMemorySource(QByteArrayView data) : data_(data) {}
  qint64 size() const override { return data_.size(); }
  qint64 read(qint64 offset, std::span<const std::span<uchar>> pieces, qint64 length) override;

private:
  QByteArrayView data_;
};

// Decodes a Windows or OS/2 bitmap.
//
// An empty input gives a null QImage. Uncompressed and bit-field pictures keep a format close to
// their own (1 bit: Mono, 4 and 8 bits: Indexed8, 16 bits: RGB555/RGB16 or RGB32 for other masks,
// 24 bits: RGB888, 32 bits: RGB32), because the see-through rule depends on the depth; run-length
// pictures come out as RGB32. Pixels the file does not supply are white.
//
// Throws Failure: "ビットマップイメージが不正です" for anything that is not a bitmap we understand,
// "ストリームからの読み込みエラー" when the file ends before its pixel data or claims a picture of
// more than 16 megapixels with less than a byte for every 256 pixels, and the raster size
// message when the declared picture is too large to make.
QImage readBmp(BmpSource& source);
QImage readBmp(QByteArrayView data);
