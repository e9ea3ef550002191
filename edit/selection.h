#pragma once

#include "model/basics.h"

#include <optional>
#include <vector>

// Which parts are selected, in table order, or the background; and whether it is shown (after
// New, Open and a removal the background is selected though nothing is shown). The background
// never joins a selection of parts.
class Selection {
public:
  Selection() = default;
  static Selection background(bool shown = true);
  // Sorted and made unique; none at all is the background, unshown.
  static Selection ofParts(std::vector<int> indices);

  bool isBackground() const { return parts_.empty(); }
  bool shown() const { return shown_; }
  // Ascending; empty for the background.
  const std::vector<int>& parts() const { return parts_; }
  int count() const { return static_cast<int>(parts_.size()); }
  // Whether part `index` is selected; BACKGROUND_INDEX is while the background is.
  bool contains(int index) const;
  // The one thing selected: the single part, or BACKGROUND_INDEX; nothing with several parts.
  std::optional<int> single() const;

  friend bool operator==(const Selection&, const Selection&) = default;

private:
  std::vector<int> parts_;
  bool shown_ = false;
};
