#pragma once

#include "render/layer.h"

#include <QImage>
#include <QString>

#include <optional>
#include <vector>

// The logo is the background's rectangle of the canvas, flattened: exactly what the canvas shows
// there, because the logo's bands (LayerBands) and the canvas's controls (copyLayerPixels,
// drawLayerPixels, at any scale) map control pixels to raster pixels through one template
// (LandingRows) and mix alpha through one blendOver, all in render/layer.*.

// What lies beneath a logo's parts. The logo stays the background's rectangle either way.
enum class Backdrop {
  Background,  // white, the background stretched over it: every pixel opaque, as the canvas shows
  Clear,       // nothing: pixels no part covers are clear, the rest lie over one another by alpha
};

// The user's choices for a logo file beyond the composition itself; never stored in the project.
struct LogoOptions {
  Backdrop backdrop = Backdrop::Background;
  // Every position, size and shadow offset times this, and text drawn anew at this many times its
  // size: never the small logo enlarged.
  int scale = 1;
  friend bool operator==(const LogoOptions&, const LogoOptions&) = default;
};
inline constexpr int MAX_LOGO_SCALE = 4;

// A raster of the background's size: the backdrop, then every part in order, placed relative to
// the background's top-left and cut at its edges. Format_RGB32 on the background, Format_ARGB32
// (straight alpha) on a clear backdrop. Throws Failure when the background has no area or the
// raster would be outsized.
QImage composeLogo(const Layer& background, const std::vector<Layer>& parts, Backdrop backdrop = Backdrop::Background);

// Rows in each band of a logo `width` pixels wide, the last band taking what is left: a multiple of
// 16, the tallest JPEG coding unit, and about a megabyte of pixels.
int logoBandRows(int width);

// The layers of a logo as the export asks for them, band by band; each may still be in the making
// when the first bands are composed, so pictures further down decode while the top is written.
class LogoLayers {
public:
  virtual ~LogoLayers() = default;
  // The background's bounds, which are the logo's rectangle: known before any layer is made.
  virtual Bounds logoBounds() const = 0;
  virtual int partCount() const = 0;
  // Part `index`'s bounds when they are known before it is made, so that bands it cannot reach
  // need not wait for it.
  virtual std::optional<Bounds> partBoundsAhead(int index) const = 0;
  // Part `index`'s top (canvas coordinates) when it is known before it is made, though its height
  // may not be: bands above it, composed top down, need not wait for it.
  virtual std::optional<int> partTopAhead(int index) const {
    const std::optional<Bounds> bounds = partBoundsAhead(index);
    return bounds ? std::optional<int>(bounds->top) : std::nullopt;
  }
  // The background and the parts once made, waiting for them. Throw when a layer cannot be made,
  // which stops the export.
  virtual const Layer& background() = 0;
  virtual const Layer& part(int index) = 0;
  // The logo needs part `index` no more: its pixels may be freed, so that a large logo never holds
  // all of its layers at once.
  virtual void release(int /*index*/) {}
  // Called by exportLogo() on its own thread once composing has started: makes the layers that
  // must be made on that thread. Must leave no part waiting for ever, even when it throws.
  virtual void makeOnThisThread() {}
  // Waits for every layer, also those that land nothing; throws when any could not be made.
  // Called before the file is put in place.
  virtual void finish() {}
};

// Layers that are all made already, as tests and tools hold them.
class ReadyLayers final : public LogoLayers {
public:
  ReadyLayers(const Layer& background, const std::vector<Layer>& parts) : background_(background), parts_(parts) {}
  Bounds logoBounds() const override { return background_.bounds; }
  int partCount() const override { return static_cast<int>(parts_.size()); }
  std::optional<Bounds> partBoundsAhead(int index) const override { return parts_[static_cast<size_t>(index)].bounds; }
  const Layer& background() override { return background_; }
  const Layer& part(int index) override { return parts_[static_cast<size_t>(index)]; }

private:
  const Layer& background_;
  const std::vector<Layer>& parts_;
};

// Whether the bands of a logo written to `path` go bottom up (BMP), rather than top down (JPEG,
// PNG): the order in which the logo needs its layers.
bool logoBandsUpward(const QString& path);

// Writes the logo to `path`: JPEG for ".jpg"/".jpeg" in any case, 8-bit RGB PNG for ".png",
// BMP for anything else; on a clear backdrop the PNG is RGBA and the BMP carries an alpha mask,
// and a JPEG name is refused (Failure) before anything is written. Returns
// false, touching nothing, when there are no parts. The logo is composed a band of rows at a time
// on a second thread while the bands before are coded and written, so memory does not grow with
// the logo; the file holds exactly what composeLogo()'s pixels coded at once would give. Goes
// through a temporary file, so a failure (Failure: composing, encoding, "を作成できません",
// "ストリームへの書き込みエラー") leaves no file behind and an existing one as it was.
bool exportLogo(const QString& path, const Layer& background, const std::vector<Layer>& parts,
                Backdrop backdrop = Backdrop::Background);

// What the editor and the exporter tell the user when exportLogo() found no parts.
inline constexpr const char16_t* NoPartsLogoMessage = u"部品がないため、ロゴを作成しません";
// And when the logo would be written over the project it is made from, by its name or another.
inline constexpr const char16_t* LogoOverProjectMessage = u"ロゴの出力先が読み込むﾌﾟﾛｼﾞｪｸﾄﾌｧｲﾙそのものです";
// And when a logo without its background is to be written as JPEG, which has no alpha.
inline constexpr const char16_t* ClearJpegMessage = u"JPEG は透明度を持てないため、背景を透明にできません";

// The same for layers that may still be in the making; a layer that cannot be made stops the
// export with its failure, leaving the file as exportLogo() leaves it on any failure.
bool exportLogo(const QString& path, LogoLayers& layers, Backdrop backdrop = Backdrop::Background);

// The whole logo of layers that may still be in the making, as composeLogo() gives it.
QImage composeLogo(LogoLayers& layers, Backdrop backdrop = Backdrop::Background);
