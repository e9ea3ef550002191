#pragma once

#include "model/document.h"

#include <QFont>

#include <cstdint>

// The documents name Windows faces; these stand in for them with metric-compatible IPA faces.
void installFontSubstitutions();

// The screen's vertical logical resolution, or 96 where there is no screen.
int logicalDpiY();

// The font of a text part: face (cut to 31 bytes), size from points at `dpi`, style bits,
// without antialiasing so that every glyph pixel has exactly the part's colour.
QFont partFont(const TPartData& record, int dpi);

// A record's FontStyle bits (fsBold, fsItalic, fsUnderline, fsStrikeOut) set on `font`: bold or
// normal weight, and each of the others on or off. Other bits are ignored.
void applyStyleBits(QFont& font, std::uint8_t style);

// The FontStyle bits `font` stands for: bold from demi-bold weight up, italic for any slant.
std::uint8_t styleBitsOf(const QFont& font);
