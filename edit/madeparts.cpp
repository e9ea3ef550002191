#include "edit/madeparts.h"

#include <algorithm>
#include <cstring>

bool drawsAlike(const TPartData& a, const TPartData& b) {
  TPartData x = a, y = b;
  for (TPartData* r : {&x, &y}) {
    setPartBounds(*r, {});
    r->Index = 0;
  }
  return std::memcmp(&x, &y, sizeof x) == 0;
}

bool sameBackgroundRaster(const TDocument& a, const TDocument& b) {
  return a.BackColor == b.BackColor && std::memcmp(a.BackFile, b.BackFile, sizeof a.BackFile) == 0;
}

int partDrawnAlike(const TDocument& doc, const TPartData& record, int near) {
  const int count = std::clamp(doc.PartCount, 0, MAX_PARTS);
  // Most steps leave a part where it was or move the ones after it by one place.
  for (const int i : {near, near + 1, near - 1})
    if (i >= 0 && i < count && drawsAlike(doc.Parts[i], record)) return i;
  for (int i = 0; i < count; ++i)
    if (drawsAlike(doc.Parts[i], record)) return i;
  return -1;
}

KeptRasters::KeptRasters(const TDocument& side, const Finder& sideRasters, const MadeLook* sideBackground,
                         const TDocument& other, const Finder& otherRasters, const MadeLook* otherBackground) {
  for (int i = 0; i < std::clamp(side.PartCount, 0, MAX_PARTS); ++i) {
    const TPartData& record = side.Parts[i];
    const MadeLook* made = sideRasters(record, i);
    if (!made) continue;
    const int alike = partDrawnAlike(other, record, i);
    if (alike >= 0 && sameRaster(made, otherRasters(other.Parts[alike], alike))) continue;
    parts_.emplace_back(record, *made);
  }
  if (sideBackground && !(sameBackgroundRaster(side, other) && sameRaster(sideBackground, otherBackground)))
    background_ = *sideBackground;
}

const MadeLook* KeptRasters::part(const TPartData& record) const {
  for (const auto& [kept, made] : parts_)
    if (drawsAlike(kept, record)) return &made;
  return nullptr;
}
