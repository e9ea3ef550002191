#pragma once

#include "model/document.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// The bytes in which two states of the document block differ, both sides kept, so that either
// state can be brought back exactly from the other. An edit of one record keeps a few bytes; a
// removal, which moves the records after it, at most the block twice.
class BlockChange {
public:
  BlockChange(const TDocument& before, const TDocument& after);

  bool empty() const { return runs_.empty(); }
  // The bytes kept, both sides together.
  std::size_t size() const { return before_.size() + after_.size(); }
  // Writes the one side's bytes into `doc`, which must be in the other side's state.
  void restoreBefore(TDocument& doc) const { restore(doc, before_); }
  void restoreAfter(TDocument& doc) const { restore(doc, after_); }

private:
  struct Run {
    std::uint32_t offset;
    std::uint32_t length;
  };
  void restore(TDocument& doc, const std::vector<std::byte>& side) const;

  std::vector<Run> runs_;
  std::vector<std::byte> before_, after_;
};
