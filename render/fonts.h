#pragma once

#include "model/document.h"

#include <QFont>

// The documents name Windows faces; these stand in for them with metric-compatible IPA faces.
void installFontSubstitutions();

// The screen's vertical logical resolution, or 96 where there is no screen.
int logicalDpiY();

// The font of a text part: face (cut to 31 bytes), size from points at `dpi`, style bits,
// without antialiasing so that every glyph pixel has exactly the part's colour.
QFont partFont(const TPartData& record, int dpi);
