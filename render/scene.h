#pragma once

#include "model/document.h"
#include "render/layer.h"

#include <QStringList>

#include <vector>

// What the editor shows for a document, as plain layers: the editor's canvas, the logo export and
// the command-line exporter all start from here, so they cannot disagree about a record.

// New's background: 200 x 60 pixels, stretched to the saved bounds.
inline constexpr int NEW_BACKGROUND_WIDTH = 200;
inline constexpr int NEW_BACKGROUND_HEIGHT = 60;

// The background: New's 200 x 60 raster filled with BackColor when BackFile is empty, the decoded
// BackFile otherwise; stretched to BackLeft, BackTop, BackWidth, BackHeight, opaque. Throws the
// picture's Failure when BackFile cannot be loaded.
Layer backgroundLayer(const TDocument& doc);

// One record's layer. A text part is drawn at its rendered size, at (Left, Top) once it has been
// placed (Width and Height non-zero) and at (0, 0) before; a picture part is stretched to its
// saved bounds, or shown at its natural size at (0, 0) before it has any. Kinds a record should
// not hold give an empty 105 x 105 layer. Throws the rendering's or the picture's Failure.
Layer partLayer(const TPartData& record, int dpi);

// A record made into its layer, or, when it cannot be, a stand-in without a raster at the saved
// bounds and the line that says why: the file (a picture, the background's included) or the
// part's number (text) first, then the reason. The editor's message and the command-line
// exporter's report are made of these lines, so both say the same about the same file.
struct BuiltLayer {
  Layer layer;
  QString failure;  // empty when the layer was made
};

// backgroundLayer(), or New's white fill at the saved bounds.
BuiltLayer buildBackground(const TDocument& doc);

// partLayer() for the record at position `index` of the table, or an empty layer at its saved
// bounds, stretched and see-through as the part would have been.
BuiltLayer buildPart(const TPartData& record, int index, int dpi);

struct Scene {
  Layer background;
  std::vector<Layer> parts;  // one per record in use, in record order
  QStringList failedFiles;   // BuiltLayer's line for each layer that could not be made
};

// The background and every record below PartCount. Nothing that fails to load stops the build:
// the layer stays without a raster at its saved bounds (the background keeps New's white fill)
// and the failure is listed, so the caller can report them all at once.
Scene buildScene(const TDocument& doc, int dpi);
