#pragma once

#include "model/document.h"

#include <QFont>

#include <cstdint>

// The documents name Windows faces; these stand in for them with metric-compatible IPA faces.
void installFontSubstitutions();

// The dots per inch that turn a text part's points into pixels, whatever the screen: projects
// from the earlier platform were made on 96-dpi screens, and a logo must be the same on every
// machine, in the editor and from the command line alike.
constexpr int TEXT_DPI = 96;

// The font of a text part: face (cut to 31 bytes), size from points at `dpi`, style bits,
// without antialiasing so that every glyph pixel has exactly the part's colour.
QFont partFont(const TPartData& record, int dpi);

// A record's FontStyle bits (fsBold, fsItalic, fsUnderline, fsStrikeOut) set on `font`: bold or
// normal weight, and each of the others on or off. Other bits are ignored.
void applyStyleBits(QFont& font, std::uint8_t style);

// The FontStyle bits `font` stands for: bold from demi-bold weight up, italic for any slant.
std::uint8_t styleBitsOf(const QFont& font);
