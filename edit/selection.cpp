#include "edit/selection.h"

#include <algorithm>

Selection Selection::background(bool shown) {
  Selection s;
  s.shown_ = shown;
  return s;
}

Selection Selection::ofParts(std::vector<int> indices) {
  std::sort(indices.begin(), indices.end());
  indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
  Selection s;
  s.shown_ = !indices.empty();
  s.parts_ = std::move(indices);
  return s;
}

bool Selection::contains(int index) const {
  if (index == BACKGROUND_INDEX) return isBackground();
  return std::binary_search(parts_.begin(), parts_.end(), index);
}

std::optional<int> Selection::single() const {
  if (parts_.empty()) return BACKGROUND_INDEX;
  if (parts_.size() == 1) return parts_.front();
  return std::nullopt;
}
