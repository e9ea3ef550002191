#pragma once

#include <QByteArrayView>
#include <QImage>

// Decodes a Windows or OS/2 bitmap held whole in memory.
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
QImage readBmp(QByteArrayView data);
