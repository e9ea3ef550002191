#pragma once

#include "model/document.h"

#include <QImage>

#include <array>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

// What the block does not hold of a part or of the background: its made raster and how it is
// shown. Rasters are shared, never copied, wherever they are kept.
struct MadeLook {
  QImage raster;
  bool stretch = false;
  bool transparent = false;
};
using MadeParts = std::array<MadeLook, MAX_PARTS>;

// The finder of a state whose rasters are `parts`, by index.
inline auto rastersOf(const MadeParts& parts) {
  return [&parts](const TPartData&, int index) -> const MadeLook* { return &parts[static_cast<size_t>(index)]; };
}

// Whether two records make the same raster: everything but where they stand and their number.
bool drawsAlike(const TPartData& a, const TPartData& b);
bool sameBackgroundRaster(const TDocument& a, const TDocument& b);
// The index of a part of `doc` that draws as `record` does, `near` tried first; -1 when none does.
int partDrawnAlike(const TDocument& doc, const TPartData& record, int near);

// Whether two made looks share one raster (both none counts as one).
inline bool sameRaster(const MadeLook* a, const MadeLook* b) {
  return a && b && a->raster.cacheKey() == b->raster.cacheKey();
}

// Of one state of the composition, the rasters that another state does not draw: what a step of
// the history keeps for the state it may take the composition back or forth to, so that neither
// reads a file nor draws again, and a picture whose file has gone since comes back as it was.
class KeptRasters {
public:
  // Gives the raster made for a record of `side`, found by the record and its index.
  using Finder = std::function<const MadeLook*(const TPartData& record, int index)>;

  KeptRasters() = default;
  // The records of `side` that no record of `other` draws alike, or whose like shows another
  // raster (a picture read again since), with the rasters `sideRasters` gives for them; and the
  // background's when the two differ there. Null from a finder: nothing to keep for that record.
  KeptRasters(const TDocument& side, const Finder& sideRasters, const MadeLook* sideBackground, const TDocument& other,
              const Finder& otherRasters, const MadeLook* otherBackground);

  const MadeLook* part(const TPartData& record) const;
  const MadeLook* background() const { return background_ ? &*background_ : nullptr; }

private:
  std::vector<std::pair<TPartData, MadeLook>> parts_;
  std::optional<MadeLook> background_;
};
