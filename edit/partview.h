#pragma once

#include "model/basics.h"
#include "model/bounds.h"

#include <QString>

#include <cstdint>

// A text part's font as its record keeps it: the face name as stored (which may be drawn through
// a substitute), the size in points and the style bits.
struct FontChoice {
  QString face;
  int points = 0;
  std::uint8_t style = 0;
  friend bool operator==(const FontChoice&, const FontChoice&) = default;
};

// What the windows may know of a part or of the background: a copy of its values, read from the
// composition, so that no view holds or writes a record.
struct PartView {
  enum class Kind { None, Text, Picture, Background };
  Kind kind = Kind::None;
  int index = BACKGROUND_INDEX;  // the part's place in the table
  // The parts list's name for it: a text part's string, a picture part's file name.
  QString name;
  Bounds bounds;
  // A text part's settings; the defaults an empty panel shows for anything else.
  QString text;
  FontChoice font;
  Colour textColour = clBlack;
  Colour fillColour = clWhite;
  bool fillOn = false;
  Colour shadowColour = clBlack;
  int shadowX = 0;
  int shadowY = 0;
};
