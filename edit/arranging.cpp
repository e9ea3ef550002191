// Arranging the parts: their stacking order, copies, and alignment against the background. Each
// command is one step of the history, and none reads a file for a part that is shown already.

#include "edit/history.h"

#include "model/failure.h"
#include "model/fixedstring.h"
#include "render/scene.h"

#include <QRegularExpression>

#include <algorithm>
#include <memory>
#include <numeric>
#include <vector>

namespace {

using Order = Composition::Order;

// The table's order after `order` moves the parts `selected` marks: place p takes part
// result[p]. One place on: each selected part passes the unselected neighbour it faces, the
// nearest to that end first, so that a run of them moves as one and none passes another.
std::vector<int> reordered(Order order, const std::vector<bool>& selected) {
  const int count = static_cast<int>(selected.size());
  std::vector<int> result(static_cast<size_t>(count));
  std::iota(result.begin(), result.end(), 0);
  const auto isSelected = [&](int place) { return selected[static_cast<size_t>(result[static_cast<size_t>(place)])]; };
  switch (order) {
    case Order::Forward:
      for (int p = count - 2; p >= 0; --p)
        if (isSelected(p) && !isSelected(p + 1))
          std::swap(result[static_cast<size_t>(p)], result[static_cast<size_t>(p + 1)]);
      break;
    case Order::Backward:
      for (int p = 1; p < count; ++p)
        if (isSelected(p) && !isSelected(p - 1))
          std::swap(result[static_cast<size_t>(p)], result[static_cast<size_t>(p - 1)]);
      break;
    case Order::ToFront:
      std::stable_partition(result.begin(), result.end(), [&](int i) { return !selected[static_cast<size_t>(i)]; });
      break;
    case Order::ToBack:
      std::stable_partition(result.begin(), result.end(), [&](int i) { return selected[static_cast<size_t>(i)]; });
      break;
  }
  return result;
}

// Half of `difference`, rounded toward minus infinity, so that an odd one leaves the extra pixel
// on the right or below whichever side is larger.
qint64 halfDown(qint64 difference) { return difference >= 0 ? difference / 2 : -((1 - difference) / 2); }

// A text part's string is one line, as the string field takes it: the first that holds anything,
// so text that starts with a line break still pastes its words.
QString firstLine(const QString& text) {
  static const QRegularExpression lineBreak(QStringLiteral("[\r\n]"));
  const QStringList lines = text.split(lineBreak, Qt::SkipEmptyParts);
  return lines.isEmpty() ? QString() : lines.first();
}

// Why a line the code page cannot hold is not pasted: the help's words for the string field,
// naming the first character it refuses.
QString refusedCharacter(const QString& line) {
  for (const char32_t c : line.toUcs4()) {
    const QString one = QString::fromUcs4(&c, 1);
    if (fitsCodePage(one)) continue;
    const QString code =
        QStringLiteral("U+%1").arg(QString::number(static_cast<uint>(c), 16).toUpper(), 4, QLatin1Char('0'));
    return QStringLiteral("Shift-JIS で表せない文字は入力できません: ") +
           (c == 0 ? code : QStringLiteral("%1 (%2)").arg(one, code));
  }
  return {};
}

}  // namespace

std::vector<int> Composition::reorderedParts(Order order) const {
  std::vector<bool> selected(static_cast<size_t>(std::clamp(doc_.PartCount, 0, MAX_PARTS)));
  for (const int i : selection_.parts()) selected[static_cast<size_t>(i)] = true;
  return reordered(order, selected);
}

bool Composition::canReorder(Order order) const {
  if (!partSelected()) return false;
  const std::vector<int> result = reorderedParts(order);
  return !std::is_sorted(result.begin(), result.end());
}

void Composition::reorderSelected(Order order) {
  if (!canReorder(order)) return;
  const std::vector<int> result = reorderedParts(order);
  Recording step(*this, StepKind::Reorder, selection_, selection_.parts().front());
  permuteParts(result);
  std::vector<int> places;
  for (size_t p = 0; p < result.size(); ++p)
    if (selection_.contains(result[p])) places.push_back(static_cast<int>(p));
  selection_ = Selection::ofParts(std::move(places));
  step.selectAfter(selection_);
  changed();
  Q_EMIT partsReset();
  Q_EMIT selectionChanged();
}

void Composition::permuteParts(const std::vector<int>& order) {
  // Whole records move, each with the raster it shows: a reorder draws nothing again.
  const auto was = std::make_unique<TDocument>(doc_);
  const MadeParts wasMade = parts_;
  for (size_t p = 0; p < order.size(); ++p) {
    doc_.Parts[p] = was->Parts[order[p]];
    doc_.Parts[p].Index = static_cast<int>(p);
    parts_[p] = wasMade[static_cast<size_t>(order[p])];
  }
}

void Composition::alignSelected(Alignment alignment, AlignTo to) {
  if (!partSelected()) return;
  // Against the selection, each part is placed in the box; against the background, the box is,
  // and every part moves with it.
  const bool eachInBox = to == AlignTo::Selection && selection_.count() > 1;
  const Bounds frame = eachInBox ? selectionBox() : backgroundBounds(doc_);
  enum Side { Start, Middle, End };
  using A = Alignment;
  const bool across = alignment == A::Left || alignment == A::HorizontalCentre || alignment == A::Right;
  const Side side = alignment == A::Left || alignment == A::Top       ? Start
                    : alignment == A::Right || alignment == A::Bottom ? End
                                                                      : Middle;
  // How far a thing of `b`'s size at `b` moves to stand at `side` of the frame.
  const auto travel = [&](const Bounds& b) {
    const qint64 start = across ? frame.left : frame.top, size = across ? frame.width : frame.height;
    const qint64 at = across ? b.left : b.top, own = across ? b.width : b.height;
    const qint64 free = size - own;
    return qint64{clampToInt(start + (side == Start ? 0 : side == End ? free : halfDown(free)))} - at;
  };
  const Recording step(*this, StepKind::Align, selection_, selection_.parts().front());
  if (!eachInBox) {
    const qint64 d = travel(selectionBox());
    moveParts(selection_.parts(), doc_, across ? d : 0, across ? 0 : d);
    return;
  }
  const TDocument& now = doc_;
  for (const int i : selection_.parts()) {
    const qint64 d = travel(bounds(i));
    moveParts({i}, now, across ? d : 0, across ? 0 : d);
  }
}

bool Composition::canDistribute() const { return selection_.count() >= 3; }

void Composition::distributeSelected(Qt::Orientation axis) {
  if (!canDistribute()) return;
  const bool across = axis == Qt::Horizontal;
  const auto start = [&](int i) { return qint64{across ? bounds(i).left : bounds(i).top}; };
  const auto size = [&](int i) { return qint64{across ? bounds(i).width : bounds(i).height}; };
  // Ties keep the table's order: the selection is ascending and the sort stable.
  std::vector<int> line = selection_.parts();
  std::stable_sort(line.begin(), line.end(), [&](int a, int b) { return start(a) < start(b); });
  const qint64 gaps = static_cast<qint64>(line.size()) - 1;
  qint64 free = start(line.back()) + size(line.back()) - start(line.front());
  for (const int i : line) free -= size(i);
  // Floor division, so that the remainder is 0..gaps-1 when the parts overlap too.
  qint64 gap = free / gaps;
  if (free % gaps < 0) --gap;
  const qint64 remainder = free - gap * gaps;
  const Recording step(*this, StepKind::Align, selection_, selection_.parts().front());
  const TDocument& now = doc_;
  qint64 at = start(line.front());
  for (size_t k = 1; k + 1 < line.size(); ++k) {
    at += size(line[k - 1]) + gap + (static_cast<qint64>(k) <= remainder ? 1 : 0);
    const qint64 d = at - start(line[k]);
    moveParts({line[k]}, now, across ? d : 0, across ? 0 : d);
  }
}

std::vector<PartCopy> Composition::copySelected() const {
  std::vector<PartCopy> copies;
  copies.reserve(selection_.parts().size());
  for (const int i : selection_.parts()) copies.emplace_back(doc_.Parts[i], parts_[static_cast<size_t>(i)]);
  return copies;
}

std::vector<PartCopy> Composition::cutSelected() {
  std::vector<PartCopy> copies = copySelected();
  if (copies.empty()) return copies;
  Recording step(*this, StepKind::Cut, selection_, selection_.parts().front());
  step.selectAfter(Selection::background(false));
  removeMade(selection_.parts());
  return copies;
}

int Composition::appendQuietly(const TPartData& record, const MadeLook& look) {
  const int index = doc_.PartCount;
  doc_.Parts[index] = record;
  doc_.Parts[index].Index = index;
  doc_.PartCount += 1;
  parts_[static_cast<size_t>(index)] = look;
  return index;
}

int Composition::appendMade(const TPartData& record, const MadeLook& look) {
  const int index = appendQuietly(record, look);
  changed();
  Q_EMIT partAdded(index);
  return index;
}

MadeLook Composition::pastedLook(const PartCopy& copy, TPartData& record) const {
  // What the copy showed, or what a part shown here draws alike, or else made afresh: only a
  // copy from another program can need its picture read.
  if (const MadeLook* shown = copy.look()) return *shown;
  if (const int alike = partDrawnAlike(doc_, record, -1); alike >= 0) return parts_[static_cast<size_t>(alike)];
  BuiltLayer built = buildPart(record, doc_.PartCount, dpi_);
  if (!built.failure.isEmpty()) throw Failure(built.failure);
  setPartBounds(record, built.layer.bounds);
  return MadeLook{std::move(built.layer.raster), built.layer.stretch, built.layer.transparent};
}

std::vector<int> Composition::appendCopies(StepKind kind, const std::vector<PartCopy>& copies, int shift) {
  if (copies.empty() || !canAddParts(static_cast<int>(copies.size()))) return {};
  // Every look found or made before the table changes, so that a picture that cannot be read
  // adds nothing.
  std::vector<std::pair<TPartData, MadeLook>> made;
  made.reserve(copies.size());
  for (const PartCopy& copy : copies) {
    TPartData r = copy.record();
    r.Left = clampToInt(qint64{r.Left} + shift);
    r.Top = clampToInt(qint64{r.Top} + shift);
    const auto alike = std::find_if(made.begin(), made.end(), [&](const auto& m) { return drawsAlike(m.first, r); });
    MadeLook look = !copy.look() && alike != made.end() ? alike->second : pastedLook(copy, r);
    made.emplace_back(r, std::move(look));
  }
  Recording step(*this, kind, selection_, doc_.PartCount);
  std::vector<int> added;
  added.reserve(made.size());
  for (const auto& [record, look] : made) added.push_back(appendQuietly(record, look));
  changed();
  for (const int i : added) Q_EMIT partAdded(i);
  step.selectAfter(Selection::ofParts(added));
  setSelection(Selection::ofParts(added));
  return added;
}

std::vector<int> Composition::pasteParts(const std::vector<PartCopy>& copies, int shift) {
  return appendCopies(StepKind::Paste, copies, shift);
}

std::vector<int> Composition::duplicateSelected() { return appendCopies(StepKind::Duplicate, copySelected(), 10); }

std::optional<int> Composition::pasteText(const QString& text) {
  const QString line = firstLine(text);
  if (!canAddPart() || line.isEmpty()) return std::nullopt;
  const auto scratch = std::make_unique<TDocument>();
  clearDocument(*scratch);
  TPartData& r = appendPart(*scratch, pkText);
  if (!storeFixedString(r.Text, line)) throw Failure(refusedCharacter(line));
  BuiltLayer built = buildPart(r, doc_.PartCount, dpi_);
  if (!built.failure.isEmpty()) throw Failure(built.failure);
  setPartBounds(r, built.layer.bounds);
  Recording step(*this, StepKind::Paste, selection_, doc_.PartCount);
  const int index =
      appendMade(r, MadeLook{std::move(built.layer.raster), built.layer.stretch, built.layer.transparent});
  step.selectAfter(Selection::ofParts({index}));
  select(index);
  return index;
}

Composition::AddedPictures Composition::addPictureParts(const QStringList& paths, std::optional<QPoint> at,
                                                        bool asPaste) {
  AddedPictures result;
  Recording step(*this, asPaste ? StepKind::Paste : StepKind::AddPicture, selection_, doc_.PartCount);
  for (const QString& path : paths) {
    if (!canAddPart()) break;
    try {
      auto [record, layer] = readPicturePart(path);
      if (at) layer.bounds = {at->x(), at->y(), layer.bounds.width, layer.bounds.height};
      setPartBounds(record, layer.bounds);
      result.added.push_back(appendMade(record, MadeLook{std::move(layer.raster), layer.stretch, layer.transparent}));
    } catch (const Failure& failure) {
      result.failures << failure.message();
    }
  }
  step.selectAfter(Selection::ofParts(result.added));
  return result;
}
