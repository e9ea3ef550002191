#pragma once

#include "require.h"

#include <QByteArrayView>
#include <QImage>

#include <cstddef>
#include <cstdint>
#include <optional>

// Any bytes through a picture decoder: nothing when it refuses them with a Failure (what it must
// do with anything it cannot read), else the raster after exerciseDecodedRaster().
std::optional<QImage> decodeAndExercise(QImage (*decode)(QByteArrayView), const std::uint8_t* data, std::size_t size);

// What the editor does with every decoded picture, done to whatever a decoder produced: the
// see-through colour, both drawable forms, drawing stretched and unstretched onto a canvas it only
// partly covers, and, for pictures small enough to keep the fuzzer fast, a trip through the logo
// writer and back, which must keep every colour.
void exerciseDecodedRaster(const QImage& raster);

// Rasters up to this many pixels also take the writer round trip.
inline constexpr qint64 ROUND_TRIP_PIXELS = 1 << 16;
