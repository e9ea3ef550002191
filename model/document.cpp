#include "model/document.h"

#include "model/fixedstring.h"

#include <algorithm>
#include <cstring>

void clearDocument(TDocument& doc) { std::memset(&doc, 0, sizeof doc); }

bool canAddPart(const TDocument& doc) { return doc.PartCount >= 0 && doc.PartCount < MAX_PARTS; }

TPartData& appendPart(TDocument& doc, PartKind kind) {
  const int n = doc.PartCount;
  TPartData& r = doc.Parts[n];
  if (kind == pkText) {
    storeFixedString(r.Text, u"No Title");
    storeFixedString(r.FontName, DEFAULT_FONT_FACE);
    r.FontSize = 9;
    r.TextColor = clBlack;
    r.FillColor = clWhite;
    r.ShadowColor = clBlack;
  }
  r.Kind = kind;
  r.Index = n;
  doc.PartCount = n + 1;
  return r;
}

void removePartRecord(TDocument& doc, int index) {
  if (index < 0 || index >= doc.PartCount || doc.PartCount > MAX_PARTS) return;
  for (int j = index; j < doc.PartCount - 1; ++j) doc.Parts[j] = doc.Parts[j + 1];
  doc.PartCount -= 1;
  std::memset(&doc.Parts[doc.PartCount], 0, sizeof(TPartData));
  for (int k = 0; k < doc.PartCount; ++k) doc.Parts[k].Index = k;
}

void movePartRecord(TDocument& doc, int from, int to) {
  const int count = doc.PartCount;
  if (count > MAX_PARTS || from < 0 || to < 0 || from >= count || to >= count) return;
  TPartData* parts = doc.Parts;
  if (from < to)
    std::rotate(parts + from, parts + from + 1, parts + to + 1);
  else
    std::rotate(parts + to, parts + from, parts + from + 1);
  for (int k = 0; k < count; ++k) parts[k].Index = k;
}

Bounds backgroundBounds(const TDocument& doc) { return {doc.BackLeft, doc.BackTop, doc.BackWidth, doc.BackHeight}; }

Bounds partBounds(const TPartData& record) { return {record.Left, record.Top, record.Width, record.Height}; }

void setPartBounds(TPartData& record, const Bounds& bounds) {
  record.Left = bounds.left;
  record.Top = bounds.top;
  record.Width = bounds.width;
  record.Height = bounds.height;
}

void setBackgroundBounds(TDocument& doc, const Bounds& bounds) {
  doc.BackLeft = bounds.left;
  doc.BackTop = bounds.top;
  doc.BackWidth = bounds.width;
  doc.BackHeight = bounds.height;
}
