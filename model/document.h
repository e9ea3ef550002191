#pragma once

#include "model/basics.h"
#include "model/bounds.h"

#include <bit>
#include <cstddef>
#include <cstdint>

// The document is one block of plain data, so that a project file is simply its byte image.
// Field order, widths and offsets are fixed by the files the earlier platform wrote.

enum PartKind : std::int32_t { pkNone = 0, pkText = 1, pkPicture = 2 };

inline constexpr int FIXED_STRING_SIZE = 256;  // 255 bytes and the terminating zero

struct TPartData {
  std::int32_t Left;
  std::int32_t Top;
  std::int32_t Width;
  std::int32_t Height;
  char Text[FIXED_STRING_SIZE];
  union {  // a text part names its font, a picture part its file
    char FontName[FIXED_STRING_SIZE];
    char FileName[FIXED_STRING_SIZE];
  };
  std::int32_t FontSize;
  std::uint8_t FontStyle;
  std::uint8_t Reserved1[3];
  Colour TextColor;
  Colour FillColor;
  std::uint8_t FillOn;
  std::uint8_t Reserved2[3];
  Colour ShadowColor;
  std::int32_t ShadowX;
  std::int32_t ShadowY;
  std::int32_t Kind;  // a PartKind, kept as a plain integer because files may hold anything
  std::int32_t Index;
};

struct TDocument {
  TPartData Parts[MAX_PARTS];
  Colour BackColor;
  char BackFile[FIXED_STRING_SIZE];
  std::int32_t BackLeft;
  std::int32_t BackTop;
  std::int32_t BackWidth;
  std::int32_t BackHeight;
  std::int32_t PartCount;
};

static_assert(std::endian::native == std::endian::little,
              "the project file is the block's byte image, which is little-endian");
static_assert(sizeof(TPartData) == 568);
static_assert(offsetof(TPartData, Left) == 0);
static_assert(offsetof(TPartData, Top) == 4);
static_assert(offsetof(TPartData, Width) == 8);
static_assert(offsetof(TPartData, Height) == 12);
static_assert(offsetof(TPartData, Text) == 16);
static_assert(offsetof(TPartData, FontName) == 272);
static_assert(offsetof(TPartData, FileName) == 272);
static_assert(offsetof(TPartData, FontSize) == 528);
static_assert(offsetof(TPartData, FontStyle) == 532);
static_assert(offsetof(TPartData, TextColor) == 536);
static_assert(offsetof(TPartData, FillColor) == 540);
static_assert(offsetof(TPartData, FillOn) == 544);
static_assert(offsetof(TPartData, ShadowColor) == 548);
static_assert(offsetof(TPartData, ShadowX) == 552);
static_assert(offsetof(TPartData, ShadowY) == 556);
static_assert(offsetof(TPartData, Kind) == 560);
static_assert(offsetof(TPartData, Index) == 564);
static_assert(sizeof(TDocument) == 56512);
static_assert(offsetof(TDocument, Parts) == 0);
static_assert(offsetof(TDocument, BackColor) == 56232);
static_assert(offsetof(TDocument, BackFile) == 56236);
static_assert(offsetof(TDocument, BackLeft) == 56492);
static_assert(offsetof(TDocument, BackTop) == 56496);
static_assert(offsetof(TDocument, BackWidth) == 56500);
static_assert(offsetof(TDocument, BackHeight) == 56504);
static_assert(offsetof(TDocument, PartCount) == 56508);

// Zeroes all 56,512 bytes.
void clearDocument(TDocument& doc);

// True while the table has room for one more part.
bool canAddPart(const TDocument& doc);

// Fills the next free record with the defaults of a new part of this kind and counts it.
// The caller has checked canAddPart(); for a picture part the caller stores FileName.
TPartData& appendPart(TDocument& doc, PartKind kind);

// Moves record `from` to place `to`, the records between shifting one place toward `from`, and
// renumbers every Index. Does nothing unless both lie among the parts in use.
void movePartRecord(TDocument& doc, int from, int to);

// Removes record `index`, shifting the later records down, zeroing the freed last record and
// renumbering every Index. Does nothing for an index outside the parts in use.
void removePartRecord(TDocument& doc, int index);

// BackLeft, BackTop, BackWidth and BackHeight: where the background stands, stretched.
Bounds backgroundBounds(const TDocument& doc);
void setBackgroundBounds(TDocument& doc, const Bounds& bounds);
// Left, Top, Width and Height of a part record: where its control stood when last saved.
Bounds partBounds(const TPartData& record);
void setPartBounds(TPartData& record, const Bounds& bounds);
