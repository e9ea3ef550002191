// Arranging the parts: their stacking order, copies, and alignment against the background. Each
// command is one step of the history, and none reads a file for a part that is shown already.

#include "edit/history.h"

#include "model/failure.h"
#include "model/fixedstring.h"
#include "render/scene.h"

#include <QRegularExpression>

#include <algorithm>
#include <memory>

namespace {

using Order = Composition::Order;

// Where `order` takes the part at `index` of `count` parts.
int orderTarget(Order order, int index, int count) {
  switch (order) {
    case Order::Forward: return std::min(index + 1, count - 1);
    case Order::Backward: return std::max(index - 1, 0);
    case Order::ToFront: return count - 1;
    case Order::ToBack: return 0;
  }
  return index;
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

const TPartData* Composition::selectedRecord() const { return record(selection_); }

bool Composition::canReorder(Order order) const {
  return selectedRecord() && orderTarget(order, selection_, doc_.PartCount) != selection_;
}

void Composition::reorderSelected(Order order) {
  if (!canReorder(order)) return;
  const int from = selection_;
  const int to = orderTarget(order, from, doc_.PartCount);
  Recording step(*this, StepKind::Reorder, from);
  step.touchAfter(to);
  movePartRecord(doc_, from, to);
  const auto first = parts_.begin();
  if (from < to)
    std::rotate(first + from, first + from + 1, first + to + 1);
  else
    std::rotate(first + to, first + from, first + from + 1);
  selection_ = to;
  changed();
  Q_EMIT partsReset();
  Q_EMIT selectionChanged();
}

void Composition::alignSelected(Alignment alignment) {
  if (!partSelected()) return;
  const Bounds back = backgroundBounds(doc_);
  Bounds b = bounds(selection_);
  enum Side { Start, Middle, End };
  const auto place = [](qint64 backStart, qint64 backSize, qint64 size, Side side) {
    const qint64 free = backSize - size;
    return clampToInt(backStart + (side == Start ? 0 : side == End ? free : halfDown(free)));
  };
  using A = Alignment;
  switch (alignment) {
    case A::Left: b.left = place(back.left, back.width, b.width, Start); break;
    case A::HorizontalCentre: b.left = place(back.left, back.width, b.width, Middle); break;
    case A::Right: b.left = place(back.left, back.width, b.width, End); break;
    case A::Top: b.top = place(back.top, back.height, b.height, Start); break;
    case A::VerticalCentre: b.top = place(back.top, back.height, b.height, Middle); break;
    case A::Bottom: b.top = place(back.top, back.height, b.height, End); break;
  }
  const Recording step(*this, StepKind::Align, selection_);
  placePart(selection_, b);
}

std::optional<PartCopy> Composition::copySelected() const {
  const TPartData* r = selectedRecord();
  if (!r) return std::nullopt;
  return PartCopy(*r, parts_[static_cast<size_t>(selection_)]);
}

std::optional<PartCopy> Composition::cutSelected() {
  std::optional<PartCopy> copy = copySelected();
  if (!copy) return std::nullopt;
  const Recording step(*this, StepKind::Cut, selection_);
  removeMade(selection_);
  return copy;
}

int Composition::appendMade(const TPartData& record, const MadeLook& look) {
  const int index = doc_.PartCount;
  doc_.Parts[index] = record;
  doc_.Parts[index].Index = index;
  doc_.PartCount += 1;
  parts_[static_cast<size_t>(index)] = look;
  changed();
  Q_EMIT partAdded(index);
  return index;
}

std::optional<int> Composition::appendCopy(StepKind kind, const PartCopy& copy, int shift) {
  if (!canAddPart()) return std::nullopt;
  TPartData r = copy.record();
  r.Left = clampToInt(qint64{r.Left} + shift);
  r.Top = clampToInt(qint64{r.Top} + shift);
  // What the copy showed, or what a part shown here draws alike, or else made afresh: only a
  // copy from another program can need its picture read.
  MadeLook look;
  if (const MadeLook* shown = copy.look()) {
    look = *shown;
  } else if (const int alike = partDrawnAlike(doc_, r, -1); alike >= 0) {
    look = parts_[static_cast<size_t>(alike)];
  } else {
    BuiltLayer built = buildPart(r, doc_.PartCount, dpi_);
    if (!built.failure.isEmpty()) throw Failure(built.failure);
    setPartBounds(r, built.layer.bounds);
    look = MadeLook{std::move(built.layer.raster), built.layer.stretch, built.layer.transparent};
  }
  const Recording step(*this, kind, doc_.PartCount);
  const int index = appendMade(r, look);
  select(index);
  return index;
}

std::optional<int> Composition::pastePart(const PartCopy& copy, int shift) {
  return appendCopy(StepKind::Paste, copy, shift);
}

std::optional<int> Composition::duplicateSelected() {
  const std::optional<PartCopy> copy = copySelected();
  if (!copy) return std::nullopt;
  return appendCopy(StepKind::Duplicate, *copy, 10);
}

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
  const Recording step(*this, StepKind::Paste, doc_.PartCount);
  const int index =
      appendMade(r, MadeLook{std::move(built.layer.raster), built.layer.stretch, built.layer.transparent});
  select(index);
  return index;
}

Composition::AddedPictures Composition::addPictureParts(const QStringList& paths, std::optional<QPoint> at,
                                                        bool asPaste) {
  AddedPictures result;
  const Recording step(*this, asPaste ? StepKind::Paste : StepKind::AddPicture, doc_.PartCount);
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
  return result;
}
