#pragma once

#include <cstdint>

// The plain values that the document's records are made of and that the windows show too:
// colours, the table's size, the background's place in it, the default face and the style bits.
// The windows see parts only through the composition: of the records, these values are all they
// need.

using Colour = std::uint32_t;  // 0x00BBGGRR: red in the low byte

inline constexpr Colour clBlack = 0x000000;
inline constexpr Colour clWhite = 0xFFFFFF;

inline constexpr int MAX_PARTS = 99;
// Where a part index is expected (the selection, a control), the background.
inline constexpr int BACKGROUND_INDEX = 100;

// The face of a new text part, and the one the windows are drawn in.
inline constexpr char16_t DEFAULT_FONT_FACE[] = u"ＭＳ Ｐゴシック";

inline constexpr std::uint8_t fsBold = 1;
inline constexpr std::uint8_t fsItalic = 2;
inline constexpr std::uint8_t fsUnderline = 4;
inline constexpr std::uint8_t fsStrikeOut = 8;
