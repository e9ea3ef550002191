#pragma once

// The heavy composition every export figure is measured on: a 1600 x 1200 photo stretched
// to 4000 x 3000 under 50 text parts and 49 picture parts, all overlapping, written as files with
// a project that names them by absolute paths.

#include <QString>

#include <cstdint>

inline constexpr std::uint64_t HEAVY_SEED = 20260801;
inline constexpr int HEAVY_WIDTH = 4000;
inline constexpr int HEAVY_HEIGHT = 3000;

struct HeavyFiles {
  QString project;      // heavy.rpf
  QString convertArgs;  // ImageMagick's arguments for the same flatten, one a line, output name left off
  QString vipsScript;   // the same flatten as libvips commands: bash flatten-vips.sh OUTPUT.jpg
  QString photoJpeg;    // 4000 x 3000 photo, JPEG quality 90 (decode comparison)
  QString photoPpm;     // the same photo's pixels before coding (encode comparison)
  QString bitmap32;     // 4000 x 3000 32-bit bitmap (read comparison)
};

// Writes everything into `folder` (made if missing). The 12-megapixel comparison files are left
// out unless `comparisonFiles`. Needs a QGuiApplication, because the text parts are drawn to give
// ImageMagick the very overlays the exporter draws. Throws Failure when a file cannot be written.
HeavyFiles writeHeavyComposition(const QString& folder, std::uint64_t seed, bool comparisonFiles);
