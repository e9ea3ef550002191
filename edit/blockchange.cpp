#include "edit/blockchange.h"

#include <cstring>

namespace {

// Differences this close together are kept as one run: a run costs more than a few equal bytes.
constexpr std::size_t kJoinGap = 8;
// Equal stretches are skipped a chunk at a time; most of the block is equal.
constexpr std::size_t kChunk = 64;

}  // namespace

BlockChange::BlockChange(const TDocument& before, const TDocument& after) {
  const auto* a = reinterpret_cast<const std::byte*>(&before);
  const auto* b = reinterpret_cast<const std::byte*>(&after);
  constexpr std::size_t n = sizeof(TDocument);
  std::size_t i = 0;
  while (i < n) {
    while (i + kChunk <= n && std::memcmp(a + i, b + i, kChunk) == 0) i += kChunk;
    while (i < n && a[i] == b[i]) ++i;
    if (i == n) break;
    const std::size_t start = i;
    std::size_t lastDifferent = i;
    for (; i < n && i - lastDifferent <= kJoinGap; ++i)
      if (a[i] != b[i]) lastDifferent = i;
    const std::size_t end = lastDifferent + 1;
    runs_.push_back({static_cast<std::uint32_t>(start), static_cast<std::uint32_t>(end - start)});
    before_.insert(before_.end(), a + start, a + end);
    after_.insert(after_.end(), b + start, b + end);
    i = end;
  }
  before_.shrink_to_fit();
  after_.shrink_to_fit();
  runs_.shrink_to_fit();
}

void BlockChange::restore(TDocument& doc, const std::vector<std::byte>& side) const {
  auto* bytes = reinterpret_cast<std::byte*>(&doc);
  std::size_t from = 0;
  for (const Run& run : runs_) {
    std::memcpy(bytes + run.offset, side.data() + from, run.length);
    from += run.length;
  }
}
