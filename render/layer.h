#pragma once

#include "model/bounds.h"
#include "render/raster.h"

#include <QImage>
#include <QRect>

#include <memory>
#include <vector>

// What one picture control shows, as plain values, so that the canvas and the logo export draw
// through the same code and agree pixel for pixel.
struct Layer {
  Bounds bounds;
  QImage raster;
  bool stretch = false;
  bool transparent = false;
};

// The raster in the one form the drawing code reads: Format_ARGB32_Premultiplied. Every pixel is
// either opaque or (when `transparent`) fully clear where it has the raster's transparent colour.
// A raster that honoursAlpha() instead keeps its own straight alpha when `transparent`, in
// Format_ARGB32 (see blendsBeneath()), and lies over white when not (the background). Deciding see-through pixels once
// per raster keeps it off the paint path.
QImage drawableRaster(const QImage& raster, bool transparent);

// Whether a layer's pixels mix with what lies beneath them, rather than hiding it or letting it
// through whole: a picture with alpha, shown see-through.
inline bool blendsBeneath(const QImage& raster, bool transparent) { return transparent && honoursAlpha(raster); }

// How a pixel with straight alpha lies over an opaque one, everywhere: in the export, and on the
// canvas, where a control with alpha composes what lies beneath it through this same function.
// Per channel, with a the source's alpha: out = (a·source + (255 - a)·beneath) / 255, rounded to
// nearest. Alpha 255 gives the source and 0 what was beneath, exactly; the result is opaque.
QRgb blendOver(QRgb straight, QRgb beneath);

// The same where what lies beneath may itself be clear or partly so, as in a logo without its
// background: both pixels straight, and so is the result. Beneath an opaque pixel it is exactly
// blendOver(), so a logo with a clear backdrop laid over a colour gives the logo drawn on it.
QRgb blendOverClear(QRgb straight, QRgb beneath);

// Whether black pixels survive when the raster is shown smaller than it is: true for 1 bit per
// pixel, whose thin lines and dots would otherwise vanish. A shown pixel is then black when any
// raster pixel it stands for along a shrinking axis is black; enlarging, and every other depth,
// keep plain whole-pixel sampling.
inline bool keepsBlackWhenShrunk(const QImage& raster) { return raster.depth() == 1; }

// How a control shows its drawable.
struct Showing {
  QSize control;           // the control's size
  bool stretch = false;    // scaled to the control, else at natural size from the top-left
  bool keepBlack = false;  // keepsBlackWhenShrunk() of the raster behind the drawable
};

// Draws `area` (in the control's own coordinates, (0,0) its top-left pixel) of a control showing
// `drawable` into `target`, with the area's top-left landing on `at`. Stretched rasters scale by
// whole pixels: control pixel x shows raster column x*rw/cw. Clear pixels leave the target as it
// was. The caller clips `area` to the control and the target.
void drawLayerArea(const QImage& drawable, const Showing& showing, QRect area, QImage& target, QPoint at);

// The same pixels as drawLayerArea() lands, written to `target` from its top-left pixel on, every
// pixel of `area` written: clear pixels, and pixels the raster does not reach, as 0 (transparent
// in Format_ARGB32_Premultiplied). For a canvas control's paint, which needs no cleared image
// first and no blending when `drawable` is opaque throughout.
void copyLayerArea(const QImage& drawable, const Showing& showing, QRect area, QImage& target);

// A control shown at another scale than its own: the control column and row (its own
// coordinates) that each shown column and row stands for, neither list decreasing. Every pixel
// shown is one pixel of the control, so a view at any scale lands the very pixels the logo has.
struct ShownPixels {
  std::vector<int> columns;
  std::vector<int> rows;
};

// drawLayerArea() and copyLayerArea() for the control pixels `shown` names, the target's pixel
// (i, j) showing control pixel (columns[i], rows[j]).
void drawLayerPixels(const QImage& drawable, const Showing& showing, const ShownPixels& shown, QImage& target,
                     QPoint at);
void copyLayerPixels(const QImage& drawable, const Showing& showing, const ShownPixels& shown, QImage& target);

// Draws a whole layer onto `target`, whose pixel (0,0) lies at `origin` in canvas coordinates;
// whatever falls outside `target` is cut off. `drawable` is drawableRaster(layer.raster, ...).
void drawLayer(const Layer& layer, const QImage& drawable, QImage& target, QPoint origin);

// The rectangle of a target, whose pixel (0,0) lies at `origin` in canvas coordinates, that a
// control with bounds `b` covers; empty when it covers nothing of it.
QRect landingRect(const Bounds& b, QPoint origin, QSize target);

// One layer of a logo drawn a band of rows at a time, the pixels fetched from the decoded raster
// in its own format: no drawable of the whole raster is made, and a picture shrunk to a corner
// costs only the pixels that land. Lands exactly the pixels drawLayer() lands. Keeps a few rows'
// worth of state between bands, so bands are drawn in order, top down or bottom up.
class LayerBands {
public:
  // `origin`: the target's top-left in canvas coordinates; `target`: the whole logo's size.
  LayerBands(const Layer& layer, QPoint origin, QSize target);
  ~LayerBands();
  LayerBands(LayerBands&&) noexcept;
  LayerBands& operator=(LayerBands&&) noexcept;

  // False when the layer lands nothing in the target.
  bool lands() const;
  // True when every pixel it lands is opaque, so it hides whatever lies beneath in its rectangle.
  bool opaque() const;
  // The target rectangle the layer lands in (empty when it lands nothing).
  QRect rect() const;

  // Draws the layer's part of target rows [top, top + band.height()) into `band`, an image of the
  // target's width whose line 0 is target row `top`: Format_RGB32, or Format_ARGB32 (straight)
  // for a logo whose backdrop is clear.
  void draw(QImage& band, int top);
  // Frees what draw() keeps; a later draw() builds it again.
  void release();

private:
  struct State;
  std::unique_ptr<State> state_;
};
